// GPathGraphic: a path made of segments (shapes and nested paths), optionally closed. Stages do not
// expand a path: it reaches the output stages whole, which walk its segments through Children().
// A clip to a path holds one.
//
// Stored form (after the graphic composite part):
//   u32  class version word, 1
//   i32  closed flag (nonzero: the figure is closed)
#pragma once

#include <cstdint>

#include "framework/pipeline/GGraphicComposite.h"
#include "framework/pipeline/GRect.h"

class GPathGraphic : public GGraphicComposite {
 public:
  // Open, no segments.
  explicit GPathGraphic(std::uint32_t key = 0) : GGraphicComposite(key) {}
  GPathGraphic(GGraphicBundle* bundle, std::uint32_t key) : GGraphicComposite(bundle, key) {}
  // Shares the segments; the same closed flag.
  GPathGraphic(const GPathGraphic& other) = default;
  GPathGraphic& operator=(const GPathGraphic& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The composite part + 8.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 603, 607, 602, 601 and 751.
  bool IsKindOf(RWClassID id) const override;
  // The class, the closed flags, then the composite test.
  bool IsSameKey(const GBaseObject* other) const override;
  // Not expanded: null, and an iterator over nothing.
  const GBaseObject* AsComposite() const override { return nullptr; }
  GIterator* CreateIterator() const override;
  // HandlePathGraphic.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  std::int32_t IsClosed() const { return closed_; }
  void SetClosed(std::int32_t closed) { closed_ = closed; }
  // The union of the bounds of the shape segments and of the nested paths, in order; (0, 0, 0, 0)
  // when there are none.
  GRect GetBounds() const;

  static RWClassID ClassId();
  static const char* ClassName() { return "GPathGraphic"; }
  static RWCollectable* Create();

 private:
  // Unites this path's contributions into `bounds`; `found` tells whether any came before.
  void UniteBounds(GRect& bounds, bool& found) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  std::int32_t closed_ = 0;
};
