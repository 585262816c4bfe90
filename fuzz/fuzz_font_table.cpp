// Font files and stored fonts from outside: byte 0 picks what the rest is.
//   0      the bytes of a font file, selected by a downloaded-font table over a font pool;
//   1 - 4  one object record of a font, a font implementation or font metrics (the test classes
//          over the abstract ones) on the portable, binary or byte-order stream or a binary file.
// Nothing may crash, leak or touch freed memory; a table must stay usable after a damaged file,
// and a restored object must report a stored size equal to what saving it to a file writes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/GBaseObject.h"
#include "framework/core/GStreamHolders.h"
#include "framework/core/StringWidth.h"
#include "framework/output/GCharacterBuffer.h"
#include "framework/output/fonts/GFontDatabase.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWByteOrderStream.h"
#include "rw/RWError.h"
#include "rw/RWFactory.h"
#include "rw/RWPortableStream.h"
#include "tests/support/FwMemoryFontReader.h"
#include "tests/support/FwTestFonts.h"

namespace {

void IgnoreErrors(const RWErrorBase&) {}

// A file in memory, reached by name through /proc.
struct ScratchFile {
  explicit ScratchFile(const char* label)
      : fd(memfd_create(label, 0)), name("/proc/self/fd/" + std::to_string(fd)) {}

  void Fill(const std::uint8_t* data, std::size_t size) const {
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
      std::abort();
    }
  }
  std::size_t Size() const { return static_cast<std::size_t>(lseek(fd, 0, SEEK_END)); }

  int fd;
  std::string name;
};

ScratchFile& Input() {
  static ScratchFile file("fuzz_font_table_in");
  return file;
}

ScratchFile& Output() {
  static ScratchFile file("fuzz_font_table_out");
  return file;
}

void SelectFontFile(const std::uint8_t* data, std::size_t size) {
  Input().Fill(data, size);
  RWWString name;
  (void)WidenString(RWCString(Input().name.c_str()), name);
  GFontDatabase table(nullptr);
  (void)table.SelectFontFile(name);
  // What was read whole is written again and read back.
  std::vector<std::uint8_t> buffer(1 << 16);
  GStreamWriter writer(buffer.data(), static_cast<std::uint32_t>(buffer.size()),
                       vel::kBinaryFormat);
  (void)table.Save(*writer.Stream());
  writer.Stream()->Flush();
  if (writer.Stream()->Good() != 0) {
    GStreamReader reader(buffer.data(), static_cast<std::uint32_t>(writer.Position()),
                         vel::kBinaryFormat);
    GFontDatabase again(nullptr);
    (void)again.Restore(*reader.Stream());
  }
  table.Purge();
}

RWCollectable* Restore(int carrier, const std::uint8_t* data, std::size_t size) {
  RWCollectable* root = nullptr;
  if (carrier == 3) {
    Input().Fill(data, size);
    RWBinaryFile file(Input().name.c_str(), "rb");
    file >> root;
    return root;
  }
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  if (carrier == 0) {
    RWPortableInStream stream(in);
    stream >> root;
  } else if (carrier == 1) {
    RWBinaryInStream stream(in);
    stream >> root;
  } else {
    RWByteOrderInStream stream(in);
    stream >> root;
  }
  return root;
}

void RestoreObject(int carrier, const std::uint8_t* data, std::size_t size) {
  RWCollectable* restored = Restore(carrier, data, size);
  auto* object = dynamic_cast<GBaseObject*>(restored);
  if (object == nullptr) {
    // A record, the one registered family outside the framework's root: the caller's to free.
    delete restored;
    return;
  }
  if (auto* font = dynamic_cast<GFontImp*>(object)) {
    GCharacterBuffer glyphs;
    (void)font->MapRange(0x20, 0x7F, glyphs);
    (void)font->Touch();
  }
  {
    Output().Fill(nullptr, 0);
    RWBinaryFile file(Output().name.c_str(), "wb");
    file << static_cast<const RWCollectable*>(object);
    (void)file.Flush();
    if (!file.Error() && Output().Size() != object->TotalStoredSize()) {
      std::abort();
    }
  }
  if (object->References() < 0) {
    delete object;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    SetErrorHook(&IgnoreErrors);
    GRegisterFrameworkClasses();
    static const RWClassRegistration kFonts[] = {
        {&FwFreeTypeMetrics::Create, FwFreeTypeMetrics::ClassId(), FwFreeTypeMetrics::ClassName()},
        {&FwTestFontImp::Create, FwTestFontImp::ClassId(), FwTestFontImp::ClassName()},
        {&FwTestFont::Create, FwTestFont::ClassId(), FwTestFont::ClassName()},
    };
    RWRegisterClasses(kFonts, 3);
    vel::test::MemoryFontReader::Register();
    GTTFontPool::SetInstance(new vel::test::TestFontPool);
    return true;
  }();
  (void)ready;
  if (size < 1) {
    return 0;
  }
  if (data[0] == 0) {
    SelectFontFile(data + 1, size - 1);
  } else if (data[0] <= 4) {
    RestoreObject(data[0] - 1, data + 1, size - 1);
  }
  return 0;
}
