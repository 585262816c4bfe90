// The fixed texts of PJL job framing, shared by the output channel's own framing and the PJL job
// envelope, and the one check every writer of a quoted PJL value applies.
#pragma once

#include "rw/RWCString.h"

inline constexpr const char kPJLUniversalExit[] = "\x1b%-12345X";  // UEL: ESC %-12345X
inline constexpr const char kPJLPrefix[] = "@PJL ";
inline constexpr const char kPJLSet[] = "SET ";
inline constexpr const char kPJLJobName[] = "JOB NAME=\"";
inline constexpr const char kPJLEndOfJobName[] = "EOJ NAME=\"";
inline constexpr const char kPJLEnterLanguage[] = "@PJL ENTER LANGUAGE=";
inline constexpr const char kPJLQuote[] = "\"";
inline constexpr const char kPJLLineEnd[] = "\r\n";

// True when `value` may stand between the double quotes of a PJL line: it is empty, or every
// byte is a TAB or at least 32 and not a double quote (bytes of 128 and above pass). A value with
// a quote or a control byte would end the quoted value, or the line, early.
bool IsPJLQuotable(const RWCString& value);

// `value` when it is quotable, else the empty text: what a writer puts between the quotes.
RWCString PJLQuotedValue(const RWCString& value);
