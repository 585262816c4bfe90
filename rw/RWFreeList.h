// The free list of a file space manager: a ring of fixed-size records in the managed file, each
// listing free extents, one record in memory at a time.
//
// Free-list record, current format (268 bytes, least significant byte first):
//
//   OFFSET SIZE     DESCRIPTION
//   0      2        magic 0x1235
//   2      2        not interpreted
//   4      32 x 4   offsets of free extents, ascending
//   132    32 x 4   sizes of the same extents in bytes
//   260    4        number of extents in use (0..32)
//   264    4        file offset of the next record of the ring
//
// Older format (92 bytes): magic 0x1234 at 0, 2 bytes not interpreted, 10 offsets at 4, 10 sizes
// at 44, count (0..10) at 84, next record at 88.
//
// The records form a circular ring through their next fields. The first record, at offset 12, is
// the anchor and never moves; every other record occupies a block of exactly one record size
// (the record is written over the block's size word).
//
// Everything read from a record is checked before use: the magic, the count against the
// capacity, each extent (inside the allocatable space, a multiple of 4 of at least 4 bytes,
// ascending without overlap), the next offset (the anchor or a record-sized block inside the
// allocatable space), and the length of every walk around the ring (no more records than fit
// below the end of space). A record that fails stops the free list for good.
#pragma once

#include <cstdint>

class RWFileSpaceManager;

class RWFreeList {
 public:
  RWFreeList() = default;
  RWFreeList(const RWFreeList&) = delete;
  RWFreeList& operator=(const RWFreeList&) = delete;
  virtual ~RWFreeList();

  // The block offset plus 4 (past the size word) of n usable bytes; -1 on failure.
  [[nodiscard]] virtual std::int32_t Allocate(std::uint32_t n) = 0;
  // Frees the block whose usable bytes begin at offset; false when it was refused or failed.
  virtual bool Deallocate(std::int32_t offset) = 0;
  virtual std::int32_t RecordSize() const = 0;
};

// The ring of records, for either format.
class RWFreeListRing : public RWFreeList {
 public:
  static constexpr int kMaxCapacity = 32;

  struct Format {
    std::uint16_t magic;
    int capacity;              // extents per record
    std::int32_t record_size;  // bytes per record
  };
  static constexpr Format kCurrentFormat = {0x1235, 32, 268};
  static constexpr Format kOlderFormat = {0x1234, 10, 92};

  std::int32_t Allocate(std::uint32_t n) override;
  bool Deallocate(std::int32_t offset) override;
  std::int32_t RecordSize() const override { return format_.record_size; }

  // Loads the anchor record; false (error raised) when it cannot be used.
  bool LoadAnchor();
  // Writes a new empty anchor record that points to itself.
  bool WriteEmptyAnchor();

 protected:
  RWFreeListRing(RWFileSpaceManager& manager, const Format& format);

 private:
  enum class Accept { kAccepted, kRefused, kFailed };
  struct Taken {
    std::int32_t block = -1;  // offset of the block (its size word), -1 on failure
    std::uint32_t gross = 0;  // bytes taken, size word included
  };

  std::int32_t DataStart() const;
  // The most records that can exist below the end of space: the bound of every ring walk.
  std::int64_t MaxRecords() const;
  bool ValidRecordOffset(std::int64_t offset) const;
  bool Corrupt();

  bool Load(std::int32_t offset);
  bool WriteLoaded();
  void Encode(unsigned char* bytes) const;

  // Takes gross bytes from the ring, else from the end of space. With exact, an extent is used
  // only when it fits exactly or leaves at least 8 bytes, so the block is exactly gross bytes.
  Taken Take(std::uint32_t gross, bool exact, int depth);
  // After an extent of the loaded record was used: unlinks the record when it became empty.
  bool SettleLoaded(int depth);
  bool UnlinkLoaded(int depth);
  bool PullSuccessorIntoAnchor(int depth);
  // Returns the extent to the free space (it must not be in the list yet).
  bool FreeExtent(std::int64_t offset, std::int64_t size, int depth);
  Accept TryAccept(std::int64_t offset, std::int64_t size);
  bool AddRecordFor(std::int64_t offset, std::int64_t size, int depth);
  void RemoveEntry(int index);

  RWFileSpaceManager& manager_;
  Format format_;
  std::int32_t loaded_ = -1;  // offset of the record in memory, -1 for none

  // The image of the loaded record.
  std::uint16_t magic_ = 0;
  unsigned char unused_[2] = {};
  std::uint32_t offsets_[kMaxCapacity] = {};
  std::uint32_t sizes_[kMaxCapacity] = {};
  std::int32_t count_ = 0;
  std::uint32_t next_ = 0;
};

// 268-byte records of 32 extents.
class RWFreeListV2 final : public RWFreeListRing {
 public:
  explicit RWFreeListV2(RWFileSpaceManager& manager) : RWFreeListRing(manager, kCurrentFormat) {}
};

// 92-byte records of 10 extents, kept for files made in the older format.
class RWFreeListV1 final : public RWFreeListRing {
 public:
  explicit RWFreeListV1(RWFileSpaceManager& manager) : RWFreeListRing(manager, kOlderFormat) {}
};
