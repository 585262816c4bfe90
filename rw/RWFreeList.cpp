// The free-list ring of the file space manager: first-fit allocation, merging of freed extents,
// and records added to and removed from the ring as the free space grows and shrinks.
#include "rw/RWFreeList.h"

#include <cstring>
#include <limits>

#include "rw/RWDiskBytes.h"
#include "rw/RWError.h"
#include "rw/RWFileSpaceManager.h"

namespace {

constexpr std::int32_t kAnchor = RWFileSpaceManager::kFirstRecordOffset;
// A remainder smaller than this goes to the caller with the extent it came from.
constexpr std::int64_t kMinRemainder = 8;
// Freeing a record may need a new record, whose space may empty another record: each such step
// works on fewer records, so a sound file never nests deeply. The bound stops corrupt rings.
constexpr int kMaxNesting = 16;

}  // namespace

RWFreeList::~RWFreeList() = default;

RWFreeListRing::RWFreeListRing(RWFileSpaceManager& manager, const Format& format)
    : manager_(manager), format_(format) {}

std::int32_t RWFreeListRing::DataStart() const {
  return kAnchor + format_.record_size;
}

std::int64_t RWFreeListRing::MaxRecords() const {
  const std::int64_t space = static_cast<std::int64_t>(manager_.end_) - DataStart();
  return 1 + (space > 0 ? space / format_.record_size : 0);
}

bool RWFreeListRing::ValidRecordOffset(std::int64_t offset) const {
  return offset == kAnchor ||
         (offset >= DataStart() && offset + format_.record_size <= manager_.end_);
}

bool RWFreeListRing::Corrupt() {
  // Records come from a file, data from outside the process: reported, never fatal.
  RWSoftErrorScope outside_data;
  RWRaiseFile(&manager_, RWFileError::kRead, RWTOOL_READERR());
  manager_.Fail();
  return false;
}

bool RWFreeListRing::Load(std::int32_t offset) {
  if (!ValidRecordOffset(offset)) {
    return Corrupt();
  }
  unsigned char bytes[kCurrentFormat.record_size];
  if (!manager_.ReadAt(offset, bytes, static_cast<std::size_t>(format_.record_size))) {
    manager_.Fail();
    return false;
  }
  const int capacity = format_.capacity;
  loaded_ = offset;
  magic_ = vel::disk::LoadU16(bytes);
  std::memcpy(unused_, bytes + 2, 2);
  for (int i = 0; i < capacity; ++i) {
    offsets_[i] = vel::disk::LoadU32(bytes + 4 + 4 * i);
    sizes_[i] = vel::disk::LoadU32(bytes + 4 + 4 * capacity + 4 * i);
  }
  count_ = vel::disk::LoadI32(bytes + 4 + 8 * capacity);
  next_ = vel::disk::LoadU32(bytes + 8 + 8 * capacity);

  RWSoftErrorScope outside_data;  // the record is file data: reported, never fatal
  if (magic_ != format_.magic) {
    RWRaiseInternal(RWTOOL_MAGIC(), static_cast<long>(magic_), static_cast<long>(format_.magic));
    manager_.Fail();
    return false;
  }
  if (count_ < 0 || count_ > capacity) {
    RWRaiseInternal(RWTOOL_FLIST(), static_cast<long>(capacity), static_cast<long>(count_));
    manager_.Fail();
    return false;
  }
  std::int64_t previous_end = DataStart();
  for (int i = 0; i < count_; ++i) {
    const std::int64_t start = offsets_[i];
    const std::int64_t size = sizes_[i];
    if (start < previous_end || size < 4 || size % 4 != 0 || start + size > manager_.end_) {
      return Corrupt();
    }
    previous_end = start + size;
  }
  if (!ValidRecordOffset(next_)) {
    return Corrupt();
  }
  return true;
}

void RWFreeListRing::Encode(unsigned char* bytes) const {
  const int capacity = format_.capacity;
  std::memset(bytes, 0, static_cast<std::size_t>(format_.record_size));
  vel::disk::StoreU16(bytes, magic_);
  std::memcpy(bytes + 2, unused_, 2);
  for (int i = 0; i < capacity; ++i) {
    // Slots beyond the count are not interpreted; they are written as zero.
    const bool used = i < count_;
    vel::disk::StoreU32(bytes + 4 + 4 * i, used ? offsets_[i] : 0);
    vel::disk::StoreU32(bytes + 4 + 4 * capacity + 4 * i, used ? sizes_[i] : 0);
  }
  vel::disk::StoreI32(bytes + 4 + 8 * capacity, count_);
  vel::disk::StoreU32(bytes + 8 + 8 * capacity, next_);
}

bool RWFreeListRing::WriteLoaded() {
  unsigned char bytes[kCurrentFormat.record_size];
  Encode(bytes);
  if (!manager_.WriteAt(loaded_, bytes, static_cast<std::size_t>(format_.record_size))) {
    manager_.Fail();
    return false;
  }
  return true;
}

bool RWFreeListRing::LoadAnchor() {
  return Load(kAnchor);
}

bool RWFreeListRing::WriteEmptyAnchor() {
  loaded_ = kAnchor;
  magic_ = format_.magic;
  unused_[0] = unused_[1] = 0;
  count_ = 0;
  next_ = kAnchor;
  return WriteLoaded();
}

void RWFreeListRing::RemoveEntry(int index) {
  for (int i = index; i + 1 < count_; ++i) {
    offsets_[i] = offsets_[i + 1];
    sizes_[i] = sizes_[i + 1];
  }
  --count_;
}

std::int32_t RWFreeListRing::Allocate(std::uint32_t n) {
  if (n > RWFileSpaceManager::kMaxRequest) {
    RWRaiseFile(&manager_, RWFileError::kWrite, RWTOOL_WRITEERR());
    return -1;
  }
  // The request plus the size word, rounded up to a multiple of 4.
  const std::uint32_t gross = (n + 7) & ~std::uint32_t{3};
  const Taken taken = Take(gross, false, 0);
  if (taken.block < 0) {
    return -1;
  }
  if (!manager_.WriteWordAt(taken.block, taken.gross)) {
    manager_.Fail();
    return -1;
  }
  return taken.block + 4;
}

RWFreeListRing::Taken RWFreeListRing::Take(std::uint32_t gross, bool exact, int depth) {
  if (depth > kMaxNesting) {
    Corrupt();
    return {};
  }
  // First fit, starting with the record in memory and going round the ring once.
  const std::int32_t walk_start = loaded_;
  for (std::int64_t walked = 1;; ++walked) {
    for (int i = 0; i < count_; ++i) {
      const std::uint32_t size = sizes_[i];
      if (size < gross || (exact && size != gross && size - gross < kMinRemainder)) {
        continue;
      }
      Taken taken{static_cast<std::int32_t>(offsets_[i]), gross};
      const std::uint32_t remainder = size - gross;
      if (remainder >= kMinRemainder) {
        offsets_[i] += gross;
        sizes_[i] = remainder;
      } else {
        taken.gross += remainder;
        RemoveEntry(i);
      }
      if (!SettleLoaded(depth)) {
        return {};
      }
      return taken;
    }
    if (next_ == static_cast<std::uint32_t>(walk_start)) {
      break;
    }
    if (walked >= MaxRecords()) {
      Corrupt();
      return {};
    }
    if (!Load(static_cast<std::int32_t>(next_))) {
      return {};
    }
  }

  // Nothing in the ring fits: take the space at the end.
  const std::int64_t block = manager_.end_;
  const std::int64_t new_end = block + gross;
  if (new_end > std::numeric_limits<std::int32_t>::max()) {
    // The end of space comes from the file: reported, never fatal.
    RWSoftErrorScope outside_data;
    RWRaiseFile(&manager_, RWFileError::kWrite, RWTOOL_WRITEERR());
    return {};
  }
  if (!manager_.SetEndOfSpace(static_cast<std::int32_t>(new_end))) {
    manager_.Fail();
    return {};
  }
  return {static_cast<std::int32_t>(block), gross};
}

bool RWFreeListRing::SettleLoaded(int depth) {
  if (count_ > 0) {
    return WriteLoaded();
  }
  if (loaded_ != kAnchor) {
    return UnlinkLoaded(depth);
  }
  if (next_ != static_cast<std::uint32_t>(kAnchor)) {
    return PullSuccessorIntoAnchor(depth);
  }
  return WriteLoaded();
}

bool RWFreeListRing::UnlinkLoaded(int depth) {
  const std::int32_t gone = loaded_;
  const std::uint32_t after = next_;
  if (after == static_cast<std::uint32_t>(gone)) {
    return Corrupt();
  }
  // Find the record that points to the empty one.
  if (!Load(kAnchor)) {
    return false;
  }
  const std::int64_t max_records = MaxRecords();
  for (std::int64_t walked = 1; next_ != static_cast<std::uint32_t>(gone); ++walked) {
    if (next_ == static_cast<std::uint32_t>(kAnchor) || walked >= max_records) {
      return Corrupt();
    }
    if (!Load(static_cast<std::int32_t>(next_))) {
      return false;
    }
  }
  next_ = after;
  if (!WriteLoaded()) {
    return false;
  }
  // The record overwrote its block's size word: free it as an extent of one record size.
  return FreeExtent(gone, format_.record_size, depth + 1);
}

bool RWFreeListRing::PullSuccessorIntoAnchor(int depth) {
  const std::int32_t successor = static_cast<std::int32_t>(next_);
  if (!Load(successor)) {
    return false;
  }
  if (next_ == static_cast<std::uint32_t>(successor)) {
    return Corrupt();
  }
  // The anchor keeps its place and takes over the successor's table and next field.
  loaded_ = kAnchor;
  if (!WriteLoaded()) {
    return false;
  }
  return FreeExtent(successor, format_.record_size, depth + 1);
}

bool RWFreeListRing::Deallocate(std::int32_t offset) {
  const std::int64_t block = static_cast<std::int64_t>(offset) - 4;
  if (block < DataStart() || offset > manager_.end_) {
    // The caller's offset lies outside the space: a fault of the caller.
    RWRaiseFile(&manager_, RWFileError::kRead, RWTOOL_READERR());
    return false;
  }
  unsigned char word[4];
  if (!manager_.ReadAt(static_cast<std::int32_t>(block), word, sizeof word)) {
    return false;
  }
  const std::int64_t size = vel::disk::LoadU32(word);
  if (size < 4 || size % 4 != 0 || block + size > manager_.end_) {
    RWSoftErrorScope outside_data;  // the size word is file data
    RWRaiseFile(&manager_, RWFileError::kRead, RWTOOL_READERR());
    return false;
  }
  return FreeExtent(block, size, 0);
}

bool RWFreeListRing::FreeExtent(std::int64_t offset, std::int64_t size, int depth) {
  if (depth > kMaxNesting) {
    return Corrupt();
  }
  if (offset + size >= manager_.end_) {
    // The last block: the end of space moves down instead.
    if (!manager_.SetEndOfSpace(static_cast<std::int32_t>(offset))) {
      manager_.Fail();
      return false;
    }
    return true;
  }
  const std::int32_t walk_start = loaded_;
  const std::int64_t max_records = MaxRecords();
  for (std::int64_t walked = 1;; ++walked) {
    switch (TryAccept(offset, size)) {
      case Accept::kAccepted:
        return true;
      case Accept::kFailed:
        return false;
      case Accept::kRefused:
        break;
    }
    if (next_ == static_cast<std::uint32_t>(walk_start)) {
      break;
    }
    if (walked >= max_records) {
      return Corrupt();
    }
    if (!Load(static_cast<std::int32_t>(next_))) {
      return false;
    }
  }
  return AddRecordFor(offset, size, depth);
}

RWFreeListRing::Accept RWFreeListRing::TryAccept(std::int64_t offset, std::int64_t size) {
  int i = 0;
  while (i < count_ && offsets_[i] <= offset) {
    ++i;
  }
  // An extent that overlaps a free one is a double free or a corrupt size word or record: file
  // data either way, reported and never fatal.
  if ((i > 0 && static_cast<std::int64_t>(offsets_[i - 1]) + sizes_[i - 1] > offset) ||
      (i < count_ && offset + size > offsets_[i])) {
    RWSoftErrorScope outside_data;
    RWRaiseFile(&manager_, RWFileError::kRead, RWTOOL_READERR());
    return Accept::kFailed;
  }
  if (i > 0 && static_cast<std::int64_t>(offsets_[i - 1]) + sizes_[i - 1] == offset) {
    // Grows the entry in front; when it now reaches the following entry, absorbs that one.
    sizes_[i - 1] += static_cast<std::uint32_t>(size);
    if (i < count_ && offsets_[i - 1] + sizes_[i - 1] == offsets_[i]) {
      sizes_[i - 1] += sizes_[i];
      RemoveEntry(i);
    }
  } else if (i < count_ && offset + size == offsets_[i]) {
    offsets_[i] = static_cast<std::uint32_t>(offset);
    sizes_[i] += static_cast<std::uint32_t>(size);
  } else if (count_ < format_.capacity) {
    for (int j = count_; j > i; --j) {
      offsets_[j] = offsets_[j - 1];
      sizes_[j] = sizes_[j - 1];
    }
    offsets_[i] = static_cast<std::uint32_t>(offset);
    sizes_[i] = static_cast<std::uint32_t>(size);
    ++count_;
  } else {
    return Accept::kRefused;
  }
  return WriteLoaded() ? Accept::kAccepted : Accept::kFailed;
}

bool RWFreeListRing::AddRecordFor(std::int64_t offset, std::int64_t size, int depth) {
  // The record's block comes from this same free list, exactly one record in size, so that it
  // can be freed again by that size.
  const Taken taken = Take(static_cast<std::uint32_t>(format_.record_size), true, depth + 1);
  if (taken.block < 0) {
    return false;
  }
  // Link the new record in directly after the record in memory now.
  const std::int32_t previous = loaded_;
  const std::uint32_t previous_next = next_;

  loaded_ = taken.block;
  magic_ = format_.magic;
  unused_[0] = unused_[1] = 0;
  offsets_[0] = static_cast<std::uint32_t>(offset);
  sizes_[0] = static_cast<std::uint32_t>(size);
  count_ = 1;
  next_ = previous_next;
  if (!WriteLoaded()) {
    return false;
  }
  if (!Load(previous)) {
    return false;
  }
  next_ = static_cast<std::uint32_t>(taken.block);
  if (!WriteLoaded()) {
    return false;
  }
  // Keep the new record in memory.
  return Load(taken.block);
}
