// GScalePageFilter: the page filter that prints every page of a document at a percentage of its
// size ("% of normal size", setting 269 of the document start), scaled about the page origin (the
// top left corner), not centred.
//
// At the document start the scale becomes 269 x 0.01 (a 32-bit float; 1.0 without the setting)
// and the filter switches itself off when that is exactly 1.0 (100 %). At each page start the
// page transform (rotation 0, translation (0, 0), scale (s, s)) is placed after the transform the
// page start carries (or becomes its transform when it carries none), and a null command carrying
// a copy of the page transform follows the page start, so that the later stages place the page's
// content through it. Every other command whose bundle holds a transform gets the page transform
// concatenated to it.
//
// The filter keeps no graphic state of its own and attaches none: merging and attaching do
// nothing.
//
// Stored form (after the peripheral part):
//   u32  class version word, 1
// The scale and the page transform are not stored: a restore leaves scale 1.0 and the identity.
// A restore that meets another version word keeps them and fails the carrier.
#pragma once

#include <cstdint>

#include "framework/core/GPeripheral.h"
#include "framework/pipeline/GTransformAttribute.h"

class GScalePageFilter : public GPeripheral {
 public:
  // Scale 1.0, the identity transform.
  GScalePageFilter();
  GScalePageFilter(const RWCString& name,
                   GState* page_state,
                   GConfiguration* configuration,
                   std::uint32_t key,
                   std::uint32_t add_on_list_key,
                   std::int32_t add_on_kind,
                   std::int32_t add_on_mode);
  GScalePageFilter(const GScalePageFilter& other) = default;
  GScalePageFilter& operator=(const GScalePageFilter&) = delete;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The peripheral part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;

  // The whole behaviour (see above); the answer goes on to the next stage.
  GCommandRef HandleCommand(GCommandRef command) override;
  void MergeGraphicBundle(GState* bundle) override;
  void AttachState(std::uint32_t key) override;

  float GetScale() const { return scale_; }
  const GTransformAttribute& GetTransform() const { return transform_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GScalePageFilter"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  GCommandRef DocumentStart(const GCommandRef& command);
  GCommandRef PageStart(const GCommandRef& command);

  GTransformAttribute transform_;
  float scale_ = 1.0f;
};
