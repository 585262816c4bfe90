// GClipToPage: the clip to the whole page (interior, non-zero winding); it has no bounds.
//
// Stored form (after the clip part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/pipeline/GClipAttribute.h"

class GClipToPage : public GClipAttribute {
 public:
  // Region 0 (interior), fill rule 1 (winding).
  explicit GClipToPage(std::uint32_t key = 0) : GClipAttribute(0, 1, key) {}
  GClipToPage(const GClipToPage& other) = default;
  GClipToPage& operator=(const GClipToPage& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The clip part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The class and the clip test.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleClipToPage.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;
  // False: the page has no bounds of its own here.
  bool GetBounds(GRect& bounds) const override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GClipToPage"; }
  static RWCollectable* Create();
};
