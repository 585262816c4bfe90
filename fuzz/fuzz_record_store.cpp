// Arbitrary bytes opened as the record file of a disk-backed composite: the store is counted,
// iterated both ways with every top-level object loaded, given one new object, and closed (which
// writes its index back). Then the file is opened once more and iterated again.
//
// No error hook is installed: the default hook of the UI flavour ends the process, so every error
// that corrupt file data causes must be taken as data from outside the process (a fuzz run that
// exits has found a fault). The operations used never ask a proxy record's object (a disk-backed
// composite named by the data) to open its own file, so the run touches no file but its own.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/GIterator.h"
#include "framework/core/GPersistableLong.h"
#include "framework/core/MPersistentCompositeOnDisk.h"
#include "framework/core/StringWidth.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char name[] = "/tmp/fuzz_record_store_XXXXXX";
    if (mkdtemp(name) == nullptr) {
      std::abort();
    }
    return std::string(name);
  }();
  return folder;
}

const std::string& FilePath() {
  static const std::string path = [] {
    std::string file = Folder() + "/store.rec";
    // The folder goes with the run.
    std::atexit([] {
      std::remove((Folder() + "/store.rec").c_str());
      rmdir(Folder().c_str());
    });
    return file;
  }();
  return path;
}

void Walk(MPersistentCompositeOnDisk& store) {
  (void)store.Count();
  std::unique_ptr<GIterator> iterator(store.CreateIterator());
  if (iterator == nullptr) {
    return;
  }
  // Loading is bounded by the file's size; the bound keeps single runs short.
  for (int i = 0; i < 256 && iterator->Advance() != 0; ++i) {
    const GCountedPtr object = iterator->CurrentRef();
    if (object && object->References() != 0) {
      std::abort();  // a loaded object is held by the one reference handed out
    }
  }
  (void)iterator->StepBack();
  (void)iterator->CurrentRef();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    GRegisterFrameworkClasses();
    return true;
  }();
  (void)ready;
  const std::string& path = FilePath();
  {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
      return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  RWWString name;
  (void)WidenString(RWCString(path.c_str()), name);
  {
    MPersistentCompositeOnDisk store(name, 0, 0);
    Walk(store);
    store.AddRef(GCountedPtr(new GPersistableLong(7)));
    (void)store.GetFileStatus();
  }
  {
    MPersistentCompositeOnDisk store(name, 0, 0);
    Walk(store);
  }
  if (MPersistentCompositeOnDisk::OpenStoreEntries() != 0) {
    std::abort();
  }
  return 0;
}
