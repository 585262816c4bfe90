// GFitToSizeFilter: the page filter that prints a document laid out for one paper on another
// ("print document on"). The document start asks for it with 270 = 1 and names the paper printed
// on in 273 (the target media); 271 not 0 asks for the page to be scaled to fit.
//
// At the document start the target media (a copy of 273 keyed 259) takes the place of the
// document's media 259. At each page start whose media (259) is not the target, the page's target
// (the target media turned to the page's orientation 265) takes the place of the page's media and
// the page transform takes the place of the page start's transform: without scale to fit it
// centres the page on the target (a larger page is cropped); with it the page is scaled uniformly
// by the smaller of the two ratios target / page, so that it fits, and centred along the other
// axis. Every other command whose bundle holds a transform gets the page transform concatenated to
// it.
//
// Settings it cannot work with switch the filter off for the document and leave the job as it is:
// no 270 = 1, no media 273, or a target of no size. A page start without a bundle, a media 259, an
// orientation 265, or with a media of no size passes unchanged, as does a page printed on the
// target already; its content is then placed by the identity.
//
// The filter keeps no graphic state of its own and attaches none: merging and attaching do
// nothing.
//
// Stored form (after the peripheral part):
//   u32  class version word, 1
//        target media (object record)
// The page transform and the source media are not stored: a restore leaves the identity and the
// default media. A restore that meets another version word keeps the fields and fails the
// carrier.
#pragma once

#include <cstdint>

#include "framework/core/GMedia.h"
#include "framework/core/GPeripheral.h"
#include "framework/pipeline/GTransformAttribute.h"

class GFitToSizeFilter : public GPeripheral {
 public:
  // The identity transform, default media, no scale to fit.
  GFitToSizeFilter();
  GFitToSizeFilter(const RWCString& name,
                   GState* page_state,
                   GConfiguration* configuration,
                   std::uint32_t key,
                   std::uint32_t add_on_list_key,
                   std::int32_t add_on_kind,
                   std::int32_t add_on_mode);
  GFitToSizeFilter(const GFitToSizeFilter& other) = default;
  GFitToSizeFilter& operator=(const GFitToSizeFilter&) = delete;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The peripheral part + 4 + the target media's record.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The peripheral test and the target media.
  bool IsSameKey(const GBaseObject* other) const override;

  // The whole behaviour (see above); the answer goes on to the next stage.
  GCommandRef HandleCommand(GCommandRef command) override;
  void MergeGraphicBundle(GState* bundle) override;
  void AttachState(std::uint32_t key) override;

  // The transform that places a page of `source` on `target` (both of a size above 0). Without
  // scale to fit: translation ((T.width - S.printable width) / 2, (T.height - S.printable height)
  // / 2), truncated, scale 1. With it: s = the smaller of T.width / S.width and T.height /
  // S.height (32-bit floats; equal ratios take the height's), scale (s, s); when the height's
  // ratio is taken the translation is (truncated (T.width - S.printable width x s) x 0.5, T's
  // printable origin y), else (T's printable origin x, truncated (T.height - S.printable height x
  // s) x 0.5). Coordinates beyond 16 bits are clamped. Rotation 0.
  static GTransformAttribute FitTransform(const GMedia& target,
                                          const GMedia& source,
                                          bool scale_to_fit);
  // The target media turned to `orientation`: its sizes and origin as they are when the two
  // orientations agree modulo 180, else with width and height exchanged; orientation
  // `orientation`, the target's paper id and resolution, key 190, no names, no media type.
  static GMedia PageTarget(const GMedia& target, std::int32_t orientation);

  const GTransformAttribute& GetTransform() const { return transform_; }
  const GMedia& GetSourceMedia() const { return source_media_; }
  const GMedia& GetTargetMedia() const { return target_media_; }
  std::uint32_t GetScaleToFit() const { return scale_to_fit_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GFitToSizeFilter"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);
  GCommandRef DocumentStart(const GCommandRef& command);
  GCommandRef PageStart(const GCommandRef& command);

  GTransformAttribute transform_;
  GMedia source_media_;
  GMedia target_media_;
  std::uint32_t scale_to_fit_ = 0;
};
