// GMediaPool: the printer's media as an enumeration of GMedia choices (the same paper once per
// orientation and resolution), the current choice being the selected medium, with lookups by
// paper id under an exact orientation and resolution.
//
// Stored form: the enumeration's, then a u32 class version word 1 that a restore reads and does
// not check.
#pragma once

#include <cstdint>

#include "framework/core/GAttributeComposite.h"
#include "framework/core/GEnumAttribute.h"

class GMedia;

class GMediaPool : public GEnumAttribute {
 public:
  GMediaPool() = default;
  explicit GMediaPool(std::uint32_t key) : GEnumAttribute(key) {}
  GMediaPool(const GMediaPool& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The enumeration's + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, then the enumeration's equality.
  bool IsSameKey(const GBaseObject* other) const override;

  // The first medium in pool order with this paper id, orientation and resolutions; null when
  // there is none (the same paper at another orientation or resolution is not found).
  GMedia* FindByPaperId(std::int16_t paper_id,
                        std::int32_t orientation,
                        std::uint16_t resolution_x,
                        std::uint16_t resolution_y) const;
  GMedia* FindByPaperId(std::int16_t paper_id,
                        std::int32_t orientation,
                        std::uint16_t resolution) const {
    return FindByPaperId(paper_id, orientation, resolution, resolution);
  }
  // An iterator over the media of this orientation and resolutions, owned by the caller (null when
  // memory is short). The pool must outlive it.
  GIterator* CreateMediaIterator(std::int32_t orientation,
                                 std::uint16_t resolution_x,
                                 std::uint16_t resolution_y) const;
  GIterator* CreateMediaIterator(std::int32_t orientation, std::uint16_t resolution) const {
    return CreateMediaIterator(orientation, resolution, resolution);
  }

  static RWClassID ClassId();
  static const char* ClassName() { return "GMediaPool"; }
  static RWCollectable* Create();
};

// The iterator of CreateMediaIterator: Advance steps to the next medium of the orientation and
// resolutions (1), or ends at position -1 (0).
class GMediaIterator : public GAttributeCompositeIterator {
 public:
  GMediaIterator(GCountedPtrArray& children,
                 std::int32_t orientation,
                 std::uint16_t resolution_x,
                 std::uint16_t resolution_y)
      : GAttributeCompositeIterator(children),
        resolution_x_(resolution_x),
        resolution_y_(resolution_y),
        orientation_(orientation) {}

  int Advance() override;

 private:
  std::uint16_t resolution_x_;
  std::uint16_t resolution_y_;
  std::int32_t orientation_;
};
