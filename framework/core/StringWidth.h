// Conversions between 8-bit and 16-bit text wherever a narrow string meets a wide one.
#pragma once

#include "rw/RWCString.h"
#include "rw/RWWString.h"

// The wide text of `narrow` by the runtime's multibyte conversion of the current locale (empty
// when the text is not valid multibyte text). Returns 1.
int WidenString(const RWCString& narrow, RWWString& wide);

// The 8-bit text of `wide`: the low byte of each character when every character is below 128,
// otherwise the runtime's multibyte conversion of the current locale (empty when a character
// cannot be converted). Returns 1.
int NarrowString(const RWWString& wide, RWCString& narrow);
