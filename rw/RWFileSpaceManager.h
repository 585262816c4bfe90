// A binary file used as a heap: Allocate hands out file offsets for n bytes, Deallocate takes them
// back, and the free space is kept in the file itself as a ring of free-list records.
//
// File header, at offset 0 (12 bytes, least significant byte first):
//
//   OFFSET SIZE DESCRIPTION
//   0      4    start offset: the first offset Allocate ever returned in this file; -1 until then
//   4      4    end of space: space up to here has been handed out; new space is taken from here
//   8      4    size of one free-list record: 268 (current format) or 92 (older format)
//
// The anchor free-list record follows at offset 12 (see RWFreeList.h); allocatable space begins
// directly behind it. Every block handed out is preceded by a 4-byte word holding the block's
// gross size (the request plus the word, rounded up to a multiple of 4); the offset returned
// points just past that word.
//
// Every change is written to the binary file at once, so the file as this object reads it is
// consistent after each completed operation; the file on disk is after a Flush and after the
// manager is destroyed (the binary file writes changed pages back then, see RWBinaryFile.h).
// Errors go to the library's error hook. Whatever comes from the file (the header, the free-list
// records, size words, the end of space) is data from outside the process: its errors are reported
// inside the soft-error scope (rw/RWError.h), so even the UI flavour's default hook does not end
// the process for a corrupt or truncated file; the operation fails instead. A file whose free list
// is unusable (it could not be opened, its header names an unknown record size, a record is
// corrupt, a record could not be read or written) leaves the manager without a working free list:
// Allocate answers -1 and Deallocate does nothing from then on. A bad request (a size beyond 32-bit
// file space, a bad block offset or size word) is reported and refused without that consequence.
//
// The manager takes no lock; one thread at a time uses a file's manager.
#pragma once

#include <cstdint>
#include <memory>

#include "rw/RWBinaryFile.h"

class RWFreeList;
class RWFreeListRing;

class RWFileSpaceManager : public RWBinaryFile {
 public:
  // Opens the file (a null mode means "rb+", then "wb+"). An empty file gets a new header and an
  // empty anchor record of the current format; an existing one is read and keeps its format.
  explicit RWFileSpaceManager(const char* name, const char* mode = nullptr);
  ~RWFileSpaceManager();

  // The offset of n usable bytes, from the free list or else from the end of space; -1 when the
  // space cannot be had (see above). The first offset ever returned becomes the start offset.
  [[nodiscard]] std::int32_t Allocate(std::uint32_t n);
  // Gives the block at offset back: false when it was refused (see above) or the free list does
  // not work. -1 and the start offset are ignored (true).
  bool Deallocate(std::int32_t offset);

  std::int32_t GetStart() const { return start_; }
  static constexpr std::int32_t FirstRecordOffset() { return kFirstRecordOffset; }

  // The end of space (-1 without a free list), and the size of one free-list record (0 without a
  // free list). Space between FirstRecordOffset() + RecordSize() and EndOfSpace() is the space
  // that blocks can occupy.
  std::int32_t EndOfSpace() const { return end_; }
  std::int32_t RecordSize() const { return record_size_; }
  // True while the free list works.
  bool HasFreeList() const { return free_list_ != nullptr && !failed_; }

  static constexpr std::int32_t kHeaderSize = 12;
  static constexpr std::int32_t kFirstRecordOffset = 12;
  // The largest request: (n + 7) rounded down to a multiple of 4 must still fit in 32 bits.
  static constexpr std::uint32_t kMaxRequest = 0xFFFFFFF8u;

 private:
  friend class RWFreeListRing;

  // Positioned transfers that raise [SEEKERR], [READERR] or [WRITEERR] on failure.
  bool ReadAt(std::int32_t offset, unsigned char* bytes, std::size_t count);
  bool WriteAt(std::int32_t offset, const unsigned char* bytes, std::size_t count);
  bool WriteWordAt(std::int32_t offset, std::uint32_t value);
  bool SetEndOfSpace(std::int32_t end);
  // Stops every later Allocate and Deallocate: the free list can no longer be trusted.
  void Fail() { failed_ = true; }

  void Create();
  void Open();

  std::unique_ptr<RWFreeList> free_list_;
  std::int32_t record_size_ = 0;  // of free_list_'s records; 0 without one
  std::int32_t start_ = -1;
  std::int32_t end_ = -1;
  bool failed_ = false;
};
