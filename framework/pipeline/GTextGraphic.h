// GTextGraphic: what one text call draws, in drawing order: the opaque rectangle, the text-string
// graphics and the extra rectangles (underline, strike-out), each child with its own bundle. It
// is a graphic composite, so a stage expands it and the output stages receive the children one by
// one; its own handler runs only when its Accept is called directly.
//
// Stored form (after the graphic composite part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/pipeline/GGraphicComposite.h"

class GTextGraphic : public GGraphicComposite {
 public:
  // No children, no bundle.
  GTextGraphic() = default;
  // `bundle` (null allowed) gets key 244.
  GTextGraphic(GGraphicBundle* bundle, std::uint32_t key) : GGraphicComposite(bundle, key) {}
  // Shares the bundle and the children.
  GTextGraphic(const GTextGraphic& other) = default;
  GTextGraphic& operator=(const GTextGraphic& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The composite part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 801, 607, 602, 601 and 751.
  bool IsKindOf(RWClassID id) const override;
  // HandleTextGraphic.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GTextGraphic"; }
  static RWCollectable* Create();
};
