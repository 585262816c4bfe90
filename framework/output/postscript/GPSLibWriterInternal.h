// Helpers shared by the units of the PostScript emitter; not for its callers.
#pragma once

#include <cstdint>

#include "framework/output/postscript/GPSLibWriter.h"

namespace vel::ps {

// The first failure of a sequence of writes; every write of the sequence still runs, so a
// formatting failure in one number leaves the rest of the text in place.
class FirstFailure {
 public:
  void operator+=(std::int32_t status) {
    if (status_ == GPSLibWriter::kOk) {
      status_ = status;
    }
  }
  std::int32_t Status() const { return status_; }

 private:
  std::int32_t status_ = GPSLibWriter::kOk;
};

}  // namespace vel::ps
