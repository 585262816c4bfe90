// GBinaryData: a persistent block of bytes with its size and an owns flag.
//
// A block handed in with the owns flag set is freed by this object (with delete[]) when it is
// replaced, freed or destroyed. A block this object allocated itself (a copy, a restore) is always
// freed by it: the owns flag read from a stored record is kept only to be saved again.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u32  size n
//   i32  owns flag
//   n    the bytes (nothing when n is 0)
// A restore reads the bytes in chunks into a block that grows with what actually arrives, so a
// size larger than the data behind it costs no more than the data: the carrier fails at the end
// of the data, and nothing is kept. When memory is short the bytes are read past and the object is
// left empty.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"

class GBinaryData : public GBaseObject {
 public:
  GBinaryData() = default;
  explicit GBinaryData(std::uint32_t key) : GBaseObject(key) {}
  // Takes the block as given (see the top of this file for owns).
  GBinaryData(std::uint8_t* data, std::uint32_t size, std::int32_t owns, std::uint32_t key)
      : GBaseObject(key), data_(data), size_(size), owns_(owns) {}
  // A new block of the same size with the same bytes, owned; empty when memory is short.
  GBinaryData(const GBinaryData& other);
  GBinaryData& operator=(const GBinaryData& other) = delete;
  ~GBinaryData() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + size + 12.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, key and size, and (unless both hold the same block) the same bytes.
  bool IsSameKey(const GBaseObject* other) const override;

  // Frees the old block as Free does, then takes the three values.
  void SetData(std::uint8_t* data, std::uint32_t size, std::int32_t owns);
  // Hands the block to the caller (who frees it with delete[]) and leaves the object empty.
  std::uint8_t* Detach();
  // Frees the block when this object owns it; then empty.
  void Free();

  std::uint8_t* GetData() const { return data_; }
  std::uint32_t GetSize() const { return size_; }
  std::int32_t GetOwns() const { return owns_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GBinaryData"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  // The bytes a save writes: none without a block.
  std::uint32_t StoredSize() const { return data_ != nullptr ? size_ : 0; }

  std::uint8_t* data_ = nullptr;
  std::uint32_t size_ = 0;
  std::int32_t owns_ = 0;
  bool allocated_ = false;  // this object allocated the block
};
