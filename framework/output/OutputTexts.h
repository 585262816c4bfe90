// Fixed texts that the output back ends write into every job: the maker's copyright lines.
#pragma once

namespace vel {

// The PostScript header comment line that carries the copyright notice, without its line end. It
// stands between "%%LanguageLevel: 2" and "%%EndComments".
inline constexpr char kPSCopyrightComment[] = "%%Copyright: Copyright QZ 1996-1998";

// The copyright notice of the PCL XL stream header's comment. The comment is the notice, ". Version "
// and the driver version, so the header line reads
//   ") QZ-PCL XL;2;0;Comment Copyright QZ 1996-1998. Version 4.1.1.5" and a line feed.
inline constexpr char kPclXlCopyrightNotice[] = " Copyright QZ 1996-1998";

}  // namespace vel
