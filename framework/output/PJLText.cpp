// The quoted-value check of PJL lines.
#include "framework/output/PJLText.h"

bool IsPJLQuotable(const RWCString& value) {
  const char* data = value.Data();
  for (std::size_t i = 0; i < value.Length(); ++i) {
    const auto byte = static_cast<unsigned char>(data[i]);
    if ((byte < 32 && byte != '\t') || byte == '"') {
      return false;
    }
  }
  return true;
}

RWCString PJLQuotedValue(const RWCString& value) {
  return IsPJLQuotable(value) ? value : RWCString();
}
