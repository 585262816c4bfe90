// Restores narrow and wide strings from arbitrary bytes on each carrier (binary, binary of version
// 0, portable, byte-order tagged, binary file): the first byte picks the carrier, the second the
// order of narrow and wide restores. A restore that fails must leave its string unchanged; one
// that succeeds must give a terminated string that saves and restores again to the same text.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWByteOrderStream.h"
#include "rw/RWCString.h"
#include "rw/RWError.h"
#include "rw/RWPortableStream.h"
#include "rw/RWWString.h"

namespace {

class Version0InStream : public RWBinaryInStream {
 public:
  explicit Version0InStream(std::istream& in) : RWBinaryInStream(in) { version_ = 0; }
};
class Version0OutStream : public RWBinaryOutStream {
 public:
  explicit Version0OutStream(std::ostream& out) : RWBinaryOutStream(out) { version_ = 0; }
};
// Round trips of what a byte-order tagged reader accepted go through a big-endian writer.
class BigEndianOutStream : public RWByteOrderOutStream {
 public:
  explicit BigEndianOutStream(std::ostream& out) : RWByteOrderOutStream(out, 1) {}
};

void IgnoreErrors(const RWErrorBase&) {}

template <typename String>
bool SameText(const String& a, const String& b) {
  return a.Length() == b.Length() && a.Compare(b) == 0;
}

// Saves the string on a fresh stream of the same kind and restores it again.
template <typename Out, typename In, typename String>
void CheckRoundTrip(const String& restored) {
  if (restored.Data()[restored.Length()] != 0) {
    std::abort();
  }
  std::ostringstream out;
  {
    Out writer(out);
    writer << restored;
  }
  std::istringstream in(out.str());
  In reader(in);
  String again;
  reader >> again;
  if (!reader.Good() || !SameText(again, restored)) {
    std::abort();
  }
}

template <typename Out, typename In>
void FuzzStream(const std::string& bytes, std::uint8_t order) {
  std::istringstream in(bytes);
  In reader(in);
  for (int i = 0; i < 32 && reader.Good();
       ++i, order = static_cast<std::uint8_t>(order >> 1 | order << 7)) {
    if ((order & 1) != 0) {
      RWWString wide(u"before");
      reader >> wide;
      if (reader.Good()) {
        CheckRoundTrip<Out, In>(wide);
      } else if (!SameText(wide, RWWString(u"before"))) {
        std::abort();
      }
    } else {
      RWCString narrow("before");
      reader >> narrow;
      if (reader.Good()) {
        CheckRoundTrip<Out, In>(narrow);
      } else if (!SameText(narrow, RWCString("before"))) {
        std::abort();
      }
    }
  }
}

// The binary file reads an in-memory file, reached by name through /proc, so nothing is left on
// disk when the fuzzer ends.
const std::string& ScratchFileName(int* fd_out) {
  static int fd = memfd_create("fuzz_strings", 0);
  static const std::string name = "/proc/self/fd/" + std::to_string(fd);
  *fd_out = fd;
  return name;
}

void FuzzFile(const std::string& bytes, std::uint8_t order) {
  int fd = -1;
  const std::string& name = ScratchFileName(&fd);
  if (fd < 0 || ftruncate(fd, 0) != 0 ||
      pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
    return;
  }
  RWBinaryFile file(name.c_str(), "rb");
  for (int i = 0; i < 32; ++i, order = static_cast<std::uint8_t>(order >> 1 | order << 7)) {
    bool restored = false;
    if ((order & 1) != 0) {
      RWWString wide(u"before");
      restored = wide.RestoreFrom(file);
      if (!restored && !SameText(wide, RWWString(u"before"))) {
        std::abort();
      }
    } else {
      RWCString narrow("before");
      restored = narrow.RestoreFrom(file);
      if (!restored && !SameText(narrow, RWCString("before"))) {
        std::abort();
      }
    }
    if (!restored) {
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const RWErrorHook previous = SetErrorHook(&IgnoreErrors);
  (void)previous;
  if (size < 2) {
    return 0;
  }
  const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::uint8_t order = data[1];
  switch (data[0] % 5) {
    case 0:
      FuzzStream<RWBinaryOutStream, RWBinaryInStream>(bytes, order);
      break;
    case 1:
      FuzzStream<Version0OutStream, Version0InStream>(bytes, order);
      break;
    case 2:
      FuzzStream<RWPortableOutStream, RWPortableInStream>(bytes, order);
      break;
    case 3:
      FuzzStream<BigEndianOutStream, RWByteOrderInStream>(bytes, order);
      break;
    default:
      FuzzFile(bytes, order);
      break;
  }
  return 0;
}
