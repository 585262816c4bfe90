// Arbitrary bytes opened as a space-managed file and as an on-disk B-tree file, with a few
// allocations, frees, inserts, finds and removes. The first input byte chooses the variations;
// the rest is the file. Besides not crashing, nothing may be written beyond both the file's first
// length and the space the manager has handed out. No error hook is installed: the default hook
// of the UI flavour ends the process, so every error that corrupt file data causes must be
// reported as data from outside the process (a fuzz run that exits has found a fault).
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "rw/RWDiskBTree.h"
#include "rw/RWError.h"
#include "rw/RWFileSpaceManager.h"

namespace {

const std::string& FilePath() {
  static const std::string path = [] {
    char name[] = "/tmp/fuzz_filespace_XXXXXX";
    const int descriptor = mkstemp(name);
    if (descriptor >= 0) {
      close(descriptor);
    }
    return std::string(name);
  }();
  return path;
}

long FileSize(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return 0;
  }
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  std::fclose(file);
  return size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) {
    return 0;
  }
  const std::uint8_t choice = data[0];
  const std::string& path = FilePath();
  {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
      return 0;
    }
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);
  }
  // Keys and offsets taken from the input itself.
  auto word = [&](std::size_t i) {
    std::uint32_t value = 0;
    for (std::size_t b = 0; b < 4; ++b) {
      value |= static_cast<std::uint32_t>(data[(4 * i + b) % size]) << (8 * b);
    }
    return value;
  };

  long limit = static_cast<long>(size - 1);
  {
    RWFileSpaceManager manager(path.c_str());
    auto note = [&] { limit = std::max(limit, static_cast<long>(manager.EndOfSpace())); };
    note();

    // As a managed file.
    std::vector<std::int32_t> blocks;
    for (std::size_t i = 0; i < 6; ++i) {
      const std::int32_t block = manager.Allocate((choice >> i) & 1 ? word(i) % 700 : 20 + i);
      note();
      if (block >= 0) {
        blocks.push_back(block);
      }
    }
    for (std::size_t i = 0; i < blocks.size(); i += 2) {
      (void)manager.Deallocate(blocks[i]);
      note();
    }
    if ((choice & 0x40) != 0 && manager.HasFreeList()) {
      // An offset from the input inside the managed space (an offset outside it is the caller's
      // fault, not the file's): whatever its size word says comes from the file.
      const std::int64_t first = manager.FirstRecordOffset() + manager.RecordSize() + 4;
      const std::int64_t span = std::int64_t{manager.EndOfSpace()} - first + 1;
      if (span > 0) {
        (void)manager.Deallocate(static_cast<std::int32_t>(first + word(7) % span));
        note();
      }
    }

    // As a tree file, over the same manager.
    {
      const bool old_style = (choice & 0x80) != 0 && (choice & 0x01) != 0;
      RWDiskBTree tree(&manager, 3, false, 8, (choice & 0x02) != 0, -1, old_style, 2, 1);
      note();
      // Raw keys are KeyLength() bytes, which a reopened file decides.
      std::vector<char> buffer(std::max<std::size_t>(tree.KeyLength(), 8) + 1, '\0');
      char* key = buffer.data();
      for (std::size_t i = 0; i < 12; ++i) {
        const std::uint32_t number = word(i) % 64;
        std::snprintf(key, 9, "%x", number);
        switch ((word(i) >> 8) % 4) {
          case 0:
          case 1:
            (void)tree.InsertKeyAndValue(key, static_cast<std::int32_t>(i));
            break;
          case 2:
            (void)tree.RemoveKeyAndValue(key, nullptr, nullptr);
            break;
          default:
            (void)tree.ReplaceValue(key, 7, nullptr);
            break;
        }
        note();
        (void)tree.FindKeyAndValue(key, nullptr, nullptr);
      }
      tree.ApplyToKeyAndValue([](const char*, std::int32_t, void*) {}, nullptr);
      tree.Entries();
      tree.Height();
      if ((choice & 0x20) != 0) {
        tree.Clear();
        note();
      }
    }
    note();
  }
  if (FileSize(path) > limit) {
    std::fprintf(stderr, "file grew to %ld bytes beyond %ld\n", FileSize(path), limit);
    std::abort();
  }
  return 0;
}
