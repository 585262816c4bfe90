// Write-through block cache with least-recently-used replacement.
#include "rw/RWDiskBlockCache.h"

#include <cstring>
#include <limits>
#include <new>

#include "rw/RWBinaryFile.h"

RWDiskBlockCache::RWDiskBlockCache(RWBinaryFile* file,
                                   std::uint32_t block_size,
                                   std::uint32_t max_blocks)
    : file_(file), max_blocks_(max_blocks), block_size_(block_size) {
  if (block_size_ == 0) {
    max_blocks_ = 0;
  } else if (max_blocks_ > 0xFFFFFFFFu / block_size_) {
    max_blocks_ = 0xFFFFFFFFu / block_size_;
  }
  if (max_blocks_ == 0) {
    return;
  }
  offsets_.reset(new (std::nothrow) std::int32_t[max_blocks_]);
  ages_.reset(new (std::nothrow) std::uint64_t[max_blocks_]);
  data_.reset(new (std::nothrow) unsigned char[std::size_t{max_blocks_} * block_size_]);
  if (!offsets_ || !ages_ || !data_) {
    // Without slots the cache passes every block straight through.
    offsets_.reset();
    ages_.reset();
    data_.reset();
    max_blocks_ = 0;
  }
}

RWDiskBlockCache::~RWDiskBlockCache() = default;

std::int64_t RWDiskBlockCache::Slot(std::int32_t offset, bool* hit) {
  // Each slot keeps the stamp of its last use; the least recently used block has the smallest
  // (the same order as ages that grow on every look-up, at no cost per slot).
  std::int64_t found = -1;
  if (last_ < in_use_ && offsets_[last_] == offset) {
    // The block used last: a node written again and again.
    found = last_;
  } else {
    for (std::uint32_t i = 0; i < in_use_; ++i) {
      if (offsets_[i] == offset) {
        found = i;
        break;
      }
    }
  }
  *hit = found >= 0;
  if (found >= 0) {
    last_ = static_cast<std::uint32_t>(found);
    return found;
  }
  if (in_use_ < max_blocks_) {
    ages_[in_use_] = 0;
    last_ = in_use_;
    return in_use_++;
  }
  // The oldest block: the first with the smallest stamp.
  std::uint32_t oldest = 0;
  for (std::uint32_t i = 1; i < in_use_; ++i) {
    if (ages_[i] < ages_[oldest]) {
      oldest = i;
    }
  }
  // Every block went to the file when it was written, and the file reads back what was written
  // to it, so the oldest block is simply forgotten.
  last_ = oldest;
  return oldest;
}

bool RWDiskBlockCache::Read(std::int32_t offset, unsigned char* buffer) {
  if (max_blocks_ == 0) {
    return file_->SeekTo(offset) && file_->Read(buffer, block_size_);
  }
  bool hit = false;
  const std::int64_t slot = Slot(offset, &hit);
  if (slot < 0) {
    return false;
  }
  const auto index = static_cast<std::uint32_t>(slot);
  if (!hit) {
    offsets_[index] = offset;
    if (!file_->SeekTo(offset) || !file_->Read(Data(index), block_size_)) {
      // No block lives at -1: the slot holds nothing that can be found.
      offsets_[index] = -1;
      return false;
    }
  }
  ages_[index] = ++clock_;
  std::memcpy(buffer, Data(index), block_size_);
  return true;
}

bool RWDiskBlockCache::Write(std::int32_t offset, const unsigned char* buffer) {
  if (max_blocks_ == 0) {
    return file_->WriteInPlace(offset, buffer, block_size_) ||
           (file_->SeekTo(offset) && file_->Write(buffer, block_size_));
  }
  bool hit = false;
  const std::int64_t slot = Slot(offset, &hit);
  if (slot < 0) {
    return false;
  }
  const auto index = static_cast<std::uint32_t>(slot);
  offsets_[index] = offset;
  ages_[index] = ++clock_;
  std::memcpy(Data(index), buffer, block_size_);
  if (!file_->WriteInPlace(offset, buffer, block_size_) &&
      !(file_->SeekTo(offset) && file_->Write(buffer, block_size_))) {
    offsets_[index] = -1;
    return false;
  }
  return true;
}

bool RWDiskBlockCache::Flush() {
  return file_->Flush();
}
