// The paint of a pen or a brush: a counted reference to a GPaint (or none), shared by copies of
// the pen or brush, stored as an object record, with the bookkeeping that a failed restore needs
// to let go of a paint it gave.
#pragma once

#include <cstdint>

#include "framework/core/GCountedPtr.h"

class GPaint;
class RWBinaryFile;
class RWVirtualInStream;
class RWVirtualOutStream;

namespace vel {

class PaintSlot {
 public:
  PaintSlot() = default;
  // `paint` (null allowed) gains a reference.
  explicit PaintSlot(GPaint* paint);
  // Shares the other's paint.
  PaintSlot(const PaintSlot& other);
  PaintSlot& operator=(const PaintSlot& other);

  GPaint* Get() const;
  // Nothing when `paint` is the paint held; otherwise the held paint loses a reference (deleted at
  // its last) and `paint` (null allowed) gains one.
  void Set(GPaint* paint);
  // Both without paint, or both with paints and this one's paint IsSameKey the other's.
  bool Matches(const PaintSlot& other) const;

  // The paint's object record (6 for the nil record); counted inside the holder's size pass.
  std::uint32_t StoredSize() const;
  void Save(RWVirtualOutStream& stream) const;
  void Save(RWBinaryFile& file) const;
  // The holder's restore starts here: forgets which paint the last restore gave.
  void BeginRestore() { restored_ = nullptr; }
  // Reads the record and holds the paint it names (none for the nil record). A record that is not
  // a paint, or that names a record still being read, fails the carrier; the paint held then
  // stays. False when the carrier failed.
  [[nodiscard]] bool Restore(RWVirtualInStream& stream);
  [[nodiscard]] bool Restore(RWBinaryFile& file);
  // A failed restore: lets go of the paint that this restore gave, if any.
  void Forget();

 private:
  template <typename Carrier>
  bool RestoreFrom(Carrier& carrier);

  GCountedPtr paint_;
  const GBaseObject* restored_ = nullptr;
};

}  // namespace vel
