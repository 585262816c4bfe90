// Narrow and wide text conversions.
#include "framework/core/StringWidth.h"

int WidenString(const RWCString& narrow, RWWString& wide) {
  wide = RWWString(narrow, RWWString::kMultiByte);
  return 1;
}

int NarrowString(const RWWString& wide, RWCString& narrow) {
  narrow = wide.IsAscii() ? wide.ToAscii() : wide.ToMultiByte();
  return 1;
}
