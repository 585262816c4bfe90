// Stored font readers from outside: arbitrary bytes restored as a stored font pool (readers by
// font id, merged into a pool that already holds a reader), or as one object record (a reader,
// its caches, a font file handle) on a binary stream. Byte 0 picks which. A restore must not
// crash, leak or touch freed memory, and the pool must stay usable.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/FrameworkClasses.h"
#include "framework/output/fonts/GTTFontFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWError.h"
#include "tests/support/FwMemoryFontReader.h"
#include "tests/support/SfntBuilder.h"

namespace {

void IgnoreErrors(const RWErrorBase&) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    SetErrorHook(&IgnoreErrors);
    GRegisterFrameworkClasses();
    vel::test::MemoryFontReader::Register();
    return true;
  }();
  (void)ready;
  if (size < 1) {
    return 0;
  }
  auto* pool = new vel::test::TestFontPool;
  GTTFontPool::SetInstance(pool);
  // A reader in use (id 0), for stored readers and handles to meet.
  auto* held = new vel::test::MemoryFontReader(vel::test::MakeTestFont());
  pool->Add(held);
  GTTFontFile* handle = pool->NewFontFile(held);

  std::istringstream in(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  RWBinaryInStream stream(in);
  if (data[0] % 2 == 0) {
    (void)pool->Restore(stream);
  } else {
    RWCollectable* object = nullptr;
    stream >> object;
    delete object;
  }
  (void)handle->MapCharToGlyph(nullptr, false, 'A', 16);
  pool->PurgeAll();
  delete handle;
  GTTFontPool::DestroyInstance();
  return 0;
}
