// GPrinterKey.
#include "framework/core/GPrinterKey.h"

std::int32_t GPrinterKey::IsSamePrinter(const GPrinterKey& /*other*/) const {
  return 0;
}
