// A small write-through cache of fixed-size blocks of a binary file, with least-recently-used
// replacement. It never holds a modified block: every write goes to the file at once (to the
// binary file, which reads back what was written to it), so dropping a block costs nothing.
#pragma once

#include <cstdint>
#include <memory>

class RWBinaryFile;

class RWDiskBlockCache {
 public:
  // An empty cache of at most max_blocks blocks (lowered to 0xFFFFFFFF / block_size when larger).
  // When the slots cannot be had, or max_blocks is 0, every read and write goes to the file.
  RWDiskBlockCache(RWBinaryFile* file, std::uint32_t block_size, std::uint32_t max_blocks);
  ~RWDiskBlockCache();
  RWDiskBlockCache(const RWDiskBlockCache&) = delete;
  RWDiskBlockCache& operator=(const RWDiskBlockCache&) = delete;

  // One block at offset into buffer (block_size bytes); false on a failed seek or read.
  [[nodiscard]] bool Read(std::int32_t offset, unsigned char* buffer);
  // One block from buffer to the cache and at once to the file; false when the file refuses it.
  [[nodiscard]] bool Write(std::int32_t offset, const unsigned char* buffer);
  bool Flush();
  // Forgets every cached block.
  void Invalidate() {
    in_use_ = 0;
    last_ = 0;
  }

  std::uint32_t MaxBlocks() const { return max_blocks_; }
  std::uint32_t BlocksInUse() const { return in_use_; }

 private:
  // The slot of offset, or a slot taken for it (the next unused one, else the least recently
  // used).
  std::int64_t Slot(std::int32_t offset, bool* hit);
  unsigned char* Data(std::uint32_t slot) { return data_.get() + std::size_t{slot} * block_size_; }

  RWBinaryFile* file_;
  std::uint32_t max_blocks_;
  std::uint32_t in_use_ = 0;
  std::uint32_t last_ = 0;  // the slot found or taken last
  std::uint32_t block_size_;
  std::unique_ptr<std::int32_t[]> offsets_;
  std::unique_ptr<std::uint64_t[]> ages_;  // stamps of last use
  std::uint64_t clock_ = 0;
  std::unique_ptr<unsigned char[]> data_;
};
