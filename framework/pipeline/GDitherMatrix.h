// GDitherMatrix: a table of halftone threshold bytes, with the identifier under which the back ends
// download and select it. The same unit answers the driver's version words and build stamp.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u8   width (columns)
//   u8   height (rows)
//   u8[width x height]  the thresholds, row after row
//   u16  id
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"

class GDitherMatrix : public GBaseObject {
 public:
  GDitherMatrix() = default;
  // Copies width x height bytes from `values` (none when either size is 0 or `values` is null).
  GDitherMatrix(std::uint8_t width, std::uint8_t height, const std::uint8_t* values,
                std::uint16_t id, std::uint32_t key);
  GDitherMatrix(const GDitherMatrix& other);
  GDitherMatrix& operator=(const GDitherMatrix& other);
  ~GDitherMatrix() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, sizes, id, bytes and key.
  bool IsSameKey(const GBaseObject* other) const override;

  // The byte at (row, column); 0 outside the matrix.
  std::uint8_t GetValue(std::uint32_t row, std::uint32_t column) const;
  // The width x height bytes, row after row; null when the matrix holds none.
  const std::uint8_t* GetValues() const { return values_; }
  std::uint8_t GetWidth() const { return width_; }
  std::uint8_t GetHeight() const { return height_; }
  std::uint16_t GetId() const { return id_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GDitherMatrix"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  std::uint32_t Size() const { return values_ == nullptr ? 0u : std::uint32_t{width_} * height_; }
  // Takes a copy of `values`; on a failed allocation the matrix is left 0 by 0.
  void Assign(std::uint8_t width, std::uint8_t height, const std::uint8_t* values);

  std::uint8_t width_ = 0;
  std::uint8_t height_ = 0;
  std::uint8_t* values_ = nullptr;
  std::uint16_t id_ = 0;
};

namespace vel {

// The driver's version, 4.1.1.5: `high` gets 0x40001 (major, minor), `low` 0x10005.
void GetDriverVersion(std::uint32_t* high, std::uint32_t* low);
// The build stamp: "Sep 21 1998" and "14:05:14".
const char* GetBuildDate();
const char* GetBuildTime();

}  // namespace vel
