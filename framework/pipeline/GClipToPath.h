// GClipToPath: the clip to the interior of a path, which the clip owns.
//
// Stored form (after the clip part):
//   u32  class version word, 1
//        the path as an object record (the nil record for none)
// A restore takes only a new GPathGraphic record (or the nil record); anything else, a reference
// included, fails the carrier and keeps the old path. A path it read replaces the old one, which is
// deleted.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/pipeline/GClipAttribute.h"
#include "framework/pipeline/GPathGraphic.h"

class GClipToPath : public GClipAttribute {
 public:
  // Clip defaults, no path.
  GClipToPath() = default;
  // Takes `path` (null allowed) as its own.
  GClipToPath(GPathGraphic* path,
              std::int32_t clip_region,
              std::int32_t fill_rule,
              std::uint32_t key);
  // The clip part and a Copy of the path (which shares its segments).
  GClipToPath(const GClipToPath& other);
  GClipToPath& operator=(const GClipToPath&) = delete;
  ~GClipToPath() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The clip part + 4 + the path's object record (6 for none).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: deletes the path it read.
  void ForgetRestoredMembers() override;
  bool IsKindOf(RWClassID id) const override;
  // The class, the clip test, and both paths absent or IsSameKey.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleClipToPath.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;
  // The path's bounds and true; false without a path.
  bool GetBounds(GRect& bounds) const override;

  GPathGraphic* GetPath() const { return path_.get(); }

  static RWClassID ClassId();
  static const char* ClassName() { return "GClipToPath"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  std::unique_ptr<GPathGraphic> path_;
  // The path came from the restore under way.
  bool path_restored_ = false;
};
