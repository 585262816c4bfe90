// The file space manager: the file header, the choice of free-list format, and the checks that
// stand between callers and the free list.
#include "rw/RWFileSpaceManager.h"

#include "rw/RWDiskBytes.h"
#include "rw/RWError.h"
#include "rw/RWFreeList.h"

RWFileSpaceManager::RWFileSpaceManager(const char* name, const char* mode)
    : RWBinaryFile(name, mode) {
  if (!IsOpen() || !Exists()) {
    return;
  }
  if (IsEmpty()) {
    Create();
  } else {
    Open();
  }
}

RWFileSpaceManager::~RWFileSpaceManager() = default;

void RWFileSpaceManager::Create() {
  auto free_list = std::make_unique<RWFreeListV2>(*this);
  unsigned char header[kHeaderSize];
  const std::int32_t end = kFirstRecordOffset + free_list->RecordSize();
  vel::disk::StoreI32(header, -1);
  vel::disk::StoreI32(header + 4, end);
  vel::disk::StoreI32(header + 8, free_list->RecordSize());
  if (!WriteAt(0, header, sizeof header) || !free_list->WriteEmptyAnchor()) {
    return;
  }
  start_ = -1;
  end_ = end;
  failed_ = false;
  record_size_ = free_list->RecordSize();
  free_list_ = std::move(free_list);
}

void RWFileSpaceManager::Open() {
  unsigned char header[kHeaderSize];
  if (!ReadAt(0, header, sizeof header)) {
    return;
  }
  const std::int32_t start = vel::disk::LoadI32(header);
  const std::int32_t end = vel::disk::LoadI32(header + 4);
  const std::int32_t record_size = vel::disk::LoadI32(header + 8);

  // The header is file data: its errors are reported, never fatal.
  RWSoftErrorScope outside_data;
  std::unique_ptr<RWFreeListRing> free_list;
  if (record_size == RWFreeListRing::kCurrentFormat.record_size) {
    free_list = std::make_unique<RWFreeListV2>(*this);
  } else if (record_size == RWFreeListRing::kOlderFormat.record_size) {
    free_list = std::make_unique<RWFreeListV1>(*this);
  } else {
    RWRaiseInternal(RWTOOL_FLIST(), static_cast<long>(RWFreeListRing::kCurrentFormat.record_size),
                    static_cast<long>(record_size));
    return;
  }
  // The end of space lies at or beyond the first allocatable byte; the start block lies below it.
  const std::int32_t data_start = kFirstRecordOffset + record_size;
  if (end < data_start || (start != -1 && (start < data_start + 4 || start > end))) {
    RWRaiseFile(this, RWFileError::kRead, RWTOOL_READERR());
    return;
  }
  start_ = start;
  end_ = end;
  if (!free_list->LoadAnchor()) {
    start_ = -1;
    end_ = -1;
    return;
  }
  record_size_ = free_list->RecordSize();
  free_list_ = std::move(free_list);
}

std::int32_t RWFileSpaceManager::Allocate(std::uint32_t n) {
  if (!HasFreeList()) {
    return -1;
  }
  const std::int32_t offset = free_list_->Allocate(n);
  if (offset < 0) {
    return -1;
  }
  if (start_ == -1) {
    if (!WriteWordAt(0, static_cast<std::uint32_t>(offset))) {
      Fail();
      return -1;
    }
    start_ = offset;
  }
  return offset;
}

bool RWFileSpaceManager::Deallocate(std::int32_t offset) {
  if (!HasFreeList()) {
    return false;
  }
  if (offset == -1 || offset == start_) {
    return true;
  }
  return free_list_->Deallocate(offset);
}

bool RWFileSpaceManager::ReadAt(std::int32_t offset, unsigned char* bytes, std::size_t count) {
  // Everything read here is file data, from outside the process: its errors are never fatal.
  RWSoftErrorScope outside_data;
  if (!SeekTo(offset)) {
    RWRaiseFile(this, RWFileError::kSeek, RWTOOL_SEEKERR());
    return false;
  }
  if (!Read(bytes, count)) {
    RWRaiseFile(this, RWFileError::kRead, RWTOOL_READERR());
    return false;
  }
  return true;
}

bool RWFileSpaceManager::WriteAt(std::int32_t offset,
                                 const unsigned char* bytes,
                                 std::size_t count) {
  if (WriteInPlace(offset, bytes, count)) {
    return true;
  }
  // A block taken at the end of space may lie a few bytes beyond the file's end (the previous
  // block's padding was never written).
  if (!SeekToWrite(offset)) {
    RWRaiseFile(this, RWFileError::kSeek, RWTOOL_SEEKERR());
    return false;
  }
  if (!Write(bytes, count)) {
    RWRaiseFile(this, RWFileError::kWrite, RWTOOL_WRITEERR());
    return false;
  }
  return true;
}

bool RWFileSpaceManager::WriteWordAt(std::int32_t offset, std::uint32_t value) {
  unsigned char word[4];
  vel::disk::StoreU32(word, value);
  return WriteAt(offset, word, sizeof word);
}

bool RWFileSpaceManager::SetEndOfSpace(std::int32_t end) {
  if (!WriteWordAt(4, static_cast<std::uint32_t>(end))) {
    return false;
  }
  end_ = end;
  return true;
}
