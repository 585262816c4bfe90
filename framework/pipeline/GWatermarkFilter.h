// GWatermarkFilter: the page filter that puts a watermark, a line of text in a chosen font, size,
// weight and colour, on top of the first page or of every page of a document. The document start
// names the job's device (its printer handle) and carries the watermark group (379): 382 = 0 asks
// for a watermark on every page, 382 = 1 on the first page only, and 381 = 0 says a watermark was
// chosen; without both the filter switches itself off for the document. The filter keeps the
// media of each watermarked page and, at the page's end, has the device make the watermark for
// that media, which goes in ahead of the page end. Making the graphic is the device's: the render
// module's device makes none, so there the filter passes every page as it is.
//
// The device's handle of a prepared watermark is released as soon as the graphic is made, and set
// to 0; only a handle not 0 is ever released. A watermarked page whose page start carried no
// media gets no watermark. A job abort, like the document end, lets go of the media copies and of
// a graphic not yet sent.
//
// The filter keeps no graphic state of its own and attaches none: merging and attaching do
// nothing.
//
// Stored form (after the peripheral part):
//   u32  class version word, 1
// The settings come from each document start and are not stored: a restore clears the page
// counter, the mode, the active flag, the graphic and the handle. A restore that meets another
// version word keeps them and fails the carrier.
#pragma once

#include <cstdint>
#include <optional>

#include "framework/core/GMedia.h"
#include "framework/core/GPeripheral.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GWatermarkDescription.h"

class GRenderDevice;

class GWatermarkFilter : public GPeripheral {
 public:
  // The pages that get a watermark.
  static constexpr std::uint32_t kNoWatermark = 0;
  static constexpr std::uint32_t kFirstPage = 1;
  static constexpr std::uint32_t kEveryPage = 2;

  GWatermarkFilter();
  GWatermarkFilter(const RWCString& name,
                   GState* page_state,
                   GConfiguration* configuration,
                   std::uint32_t key,
                   std::uint32_t add_on_list_key,
                   std::int32_t add_on_kind,
                   std::int32_t add_on_mode);
  // Every field; the graphic not yet sent is shared.
  GWatermarkFilter(const GWatermarkFilter& other) = default;
  GWatermarkFilter& operator=(const GWatermarkFilter&) = delete;
  ~GWatermarkFilter() override;

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

  // Document start, document end and job abort go to their handlers (a status other than 0 puts
  // an error command in the command's place); page starts and page ends as above; everything else
  // passes.
  GCommandRef HandleCommand(GCommandRef command) override;
  void MergeGraphicBundle(GState* bundle) override;
  void AttachState(std::uint32_t key) override;
  // Page counter 0, the device from the printer handle, Setup with the group 379; switched off
  // when that leaves no mode. 0.
  [[nodiscard]] std::uint16_t HandleDocumentStart(GDocumentStart& object) override;
  // Both let go of the media copies and of a graphic not yet sent. 0.
  [[nodiscard]] std::uint16_t HandleDocumentEnd(GDocumentEnd& object) override;
  [[nodiscard]] std::uint16_t HandleJobAbort(GJobAbort& object) override;

  // The mode and active flag from the group (null: none), with the description read when a
  // watermark is asked for. Without a device: no watermark.
  virtual void Setup(const GBaseObject* group);
  // The graphic for the media of the page being finished: prepared when there is no handle yet
  // (height worked out for that media), made, and the handle released and cleared. None when the
  // filter is not active, the page has no media, or the device makes none.
  virtual void MakeWatermark();
  // Drops a graphic not yet sent and releases a handle not 0.
  virtual void DropWatermark();
  // Drops both media copies.
  virtual void ReleaseMedia();
  // Fills the description from the group. 1.
  virtual int ReadSettings(const GBaseObject* group);

  std::uint32_t GetMode() const { return mode_; }
  std::uint32_t IsActive() const { return active_; }
  std::uint32_t GetPageCounter() const { return page_counter_; }
  const GWatermarkDescription& GetDescription() const { return description_; }
  const std::optional<GMedia>& GetPreviousMedia() const { return previous_media_; }
  const std::optional<GMedia>& GetCurrentMedia() const { return current_media_; }
  GCommand* GetWatermark() const { return watermark_.Get(); }
  GRenderDevice* GetDevice() const { return device_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GWatermarkFilter"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  bool Watermarks() const;
  void PageStart(GCommand& command);
  GCommandRef PageEnd(const GCommandRef& command);

  GRenderDevice* device_ = nullptr;  // the job's, not owned
  std::uint32_t page_counter_ = 0;
  std::uint32_t mode_ = kNoWatermark;
  std::uint32_t active_ = 0;
  GCommandRef watermark_;
  std::optional<GMedia> previous_media_;
  std::optional<GMedia> current_media_;
  GWatermarkDescription description_;
};
