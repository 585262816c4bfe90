// GGraphic: the abstract base of the drawing commands of the display list. Its bundle is always a
// GGraphicBundle at the graphic level (key 244).
//
// Stored form (after the command part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/pipeline/GCommand.h"

class GGraphicBundle;

class GGraphic : public GCommand {
 public:
  explicit GGraphic(std::uint32_t key = 0) : GCommand(key) {}
  // `bundle` (null allowed) gets key 244 and gains a reference.
  GGraphic(GGraphicBundle* bundle, std::uint32_t key);
  GGraphic(const GGraphic& other) = default;
  GGraphic& operator=(const GGraphic& other) = default;

  // The command part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 602, 601 and 751.
  bool IsKindOf(RWClassID id) const override;

  // Null clears the bundle; the bundle already held changes nothing; a kind of GGraphicBundle gets
  // key 244 and becomes the bundle; anything else is refused (destroyed unless a counted reference
  // holds it) and the bundle stays.
  void SetGraphicBundle(GBaseObject* bundle) override;
  // The same from a counted reference; a target that is not a GGraphicBundle is ignored. The key of
  // a shared bundle is left alone.
  void AssignGraphicBundle(const GCountedPtr& bundle) override;

  static RWClassID ClassId();
};
