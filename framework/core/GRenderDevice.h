// GRenderDevice: the part of the render module's device that turns a print job into commands and
// sends them down the printer's peripheral chain. It builds the document start, page start, page
// end and document end from the job's settings parts, decides copies and collation, picks the media
// for a paper id, and answers an error from the chain with a job abort.
//
// The job's settings are parts of the device session's job attribute group, found by key (depth
// first): 362 the document bundle settings, 363 the page bundle settings, 364 the job options, 365
// the detected device configuration, 366 further settings. A key "of part N" is looked up inside
// that part; a key "of the job group" anywhere in the group. The attributes read:
//   part 362: 247 document copies, 249 the group copied into each page start (its 322 and 323 are
//             the resolution), 260 a paper id, 265 the orientation, 270/272/273 and 279/280/281
//             the requests for a second and a third media
//   part 363: 257 page copies (also copied into each page end)
//   part 364: 258 tray, 261/262 media type text of the first and of later pages, 263 tray of later
//             pages when 264 is 1, 291 copies, 292 collate, 293/296/297 copied into the document
//             start, 379 the job options group (381, 382, 383)
//   part 365: 310, 1 when the printer makes a document's copies itself
//   part 366: 378, the list of named job option entries (each named by its text 384)
//   job group: 276 the custom media sizes
//   printer configuration: 199 the copies range, 330 the margins of custom media
//
// Job flow: ResetJob; the module marks a document pending; at the first page StartDocument (through
// the module's EnsureDocumentStarted) and the pending page start (SendPendingPageStart); graphics
// through SendGraphic; a page end at each page; a document end, or a job abort after an error. The
// error state (3) is entered on status 403, on a failed document start and on any error command the
// chain returns; it lasts until the next ResetJob.
//
// Not registered with the class factory. The device session is a virtual base, built by the final
// class. One thread at a time uses a device.
#pragma once

#include <array>
#include <cstdint>

#include "framework/core/GCountedPtr.h"
#include "framework/core/GDeviceSession.h"
#include "framework/pipeline/GRGBColor.h"
#include "rw/RWWString.h"
#include "vel_flavour.h"

class GAttributeComposite;
class GCommand;
class GDeviceExtension;
class GFontDatabase;
class GMedia;
class GWatermarkDescription;

class GRenderDevice : public virtual GDeviceSession {
 public:
  // The state of a device whose job failed.
  static constexpr std::int32_t kErrorState = 3;
  // StartDocument without a pending document.
  static constexpr std::uint16_t kNoDocumentPending = 403;
  static constexpr std::size_t kReferenceCount = 10;

  // What a job starts from (their meaning is the render module's): two colours and three values.
  struct JobValues {
    GRGBColor colour{255, 255, 255, 255};
    std::uint32_t first = 0;
    std::uint32_t second = 1;
    GReal real = GReal(10);
    GRGBColor second_colour{0, 0, 0, 0};
  };

  // Makes its downloaded-font table, and the per-device extension through the services (none
  // without services).
  GRenderDevice();
  GRenderDevice(const GRenderDevice&) = delete;
  GRenderDevice& operator=(const GRenderDevice&) = delete;
  // Deletes the extension and the downloaded-font table.
  ~GRenderDevice() override;

  // --- Render interface ------------------------------------------------------------------------
  // State, document-pending and document-started flags 0; the job values back to the defaults;
  // the attribute-293 flag from part 364 (1 when its 293 is 1).
  virtual void ResetJob();
  // Watermarks: the page watermark is drawn by the UI module, so the render module makes none.
  // 0, nothing and null.
  virtual std::uint32_t PrepareWatermark(const GWatermarkDescription& description,
                                         std::int16_t paper_width,
                                         std::int16_t paper_height);
  virtual void ReleaseWatermark(std::uint32_t* handle);
  virtual GCommand* MakeWatermark(const RWWString& text,
                                  std::uint32_t handle,
                                  const GRGBColor& colour,
                                  const GMedia& media,
                                  std::int16_t value_387);
  // The abort flag (the render module asks the engine instead); SetAborted sets it.
  virtual std::int32_t IsAborted();
  virtual void SetAborted();
  // A new GDocumentStart for the job and printer names with this device as its printer handle.
  // Page counter 0; the copies are spread (ApplyCopies). Its bundle (246) holds copies of part
  // 362's attributes, the media of its paper id 260 under 259 (without transform), a second
  // media under 273 when 270 is 1 (paper id 272 taken out; 270 becomes 0 when no media is found),
  // a third under 281 when 279 is 1 or 2 (paper id 280), copies of 293, 296 and 297 of part 364
  // and MakeJobOptions.
  virtual GCommand* MakeDocumentStart(const RWWString& job, const RWWString& printer);
  // A new GDocumentEnd with an empty bundle (246).
  virtual GCommand* MakeDocumentEnd();
  // Page counter + 1. A new GPageStart whose bundle (256) holds copies of part 363's attributes,
  // of 265, 260 and 249 of part 362, and the tray: from the second page on 263 (as 258) when 264
  // of part 364 is 1, else 258 of part 364. A paper id 260 becomes its media (259) with the media
  // type 261 on the first page and 262 after, and a transform whose translation is the media's
  // printable origin.
  virtual GCommand* MakePageStart();
  // A new GPageEnd whose bundle (256) holds a copy of 257 of part 363.
  virtual GCommand* MakePageEnd();
  // A new media for the paper id (owned by the caller), or null. Paper ids 0x4000 to 0x43E7 are
  // custom sizes: the size of list 276 with that media id, made with the job group (resolution
  // from group 249, orientation 265) and the printer configuration (margins, group 330), paper id
  // 0x4000. Any other id: a copy of the media pool's media of that id at the orientation 265 and
  // the resolution 322 x 323 of the job group.
  virtual GMedia* SelectMedia(std::uint16_t paper_id);
  // When a page is pending: sends MakePageStart, then page pending 0 and page started 1; answers
  // the status. Otherwise 0.
  virtual std::uint16_t SendPendingPageStart();
  // The render module's device starts a pending document.
  virtual std::uint16_t EnsureDocumentStarted() = 0;
  // Starts the document and the page when needed, then SendCommand. Takes the graphic over: when
  // the document or the page cannot be started the graphic is deleted and that status answered.
  virtual std::uint16_t SendGraphic(GCommand* graphic);
  // Sends the command (taken over) through the head of the chain. When the result holds error
  // commands (the result itself or inside command composites): a GJobAbort goes down the chain,
  // the state becomes 3 and the first non-zero status of them is answered. Otherwise 0. Without a
  // chain the command is deleted, the state becomes 3 and the answer is 601.
  virtual std::uint16_t SendCommand(GCommand* command);
  // Sets the copies (291 of part 364) to `requested`, below 1 raised to 1 and above the upper
  // bound of range 199 of the printer configuration lowered to it; spreads them (ApplyCopies);
  // writes the granted count to `granted` when given. Answers the copies held before (1 when
  // there were none).
  virtual std::int16_t SetCopyCount(std::int16_t requested, std::int16_t* granted);
  // Puts a copy of 291 of part 364 into part 362 (in place of one there), then: when 310 of part
  // 365 and collate 292 of part 364 are both 1, document copies (247 of part 362) = copies and
  // page copies (257 of part 363) = 1 (the printer repeats the document); otherwise 1 and copies.
  virtual void ApplyCopies(GAttributeComposite* part_364,
                           GAttributeComposite* part_362,
                           GAttributeComposite* part_363,
                           GAttributeComposite* part_365);
  // Sends the pending document start: 403 and state 3 when none is pending. Resets the chain when
  // an earlier document used it; a failed start sets state 3. Document started, not pending.
  virtual std::uint16_t StartDocument();
  // The group of FindJobOptions keyed 379; without one a new group 379 holding 382 = 2.
  virtual GAttributeComposite* MakeJobOptions();
  // With group 379 of part 364 whose 382 is present and not 2, 381 present and 0 and text 383 not
  // empty: a copy of the first entry of list 378 of part 366 whose text 384 equals 383, with
  // copies of 382 and 381 added (owned by the caller). Otherwise null.
  virtual GAttributeComposite* FindJobOptions();

  // --- Device session --------------------------------------------------------------------------
  GRenderDevice* GetRenderInterface() override { return this; }
  GUIDriverInterface* GetUIInterface() override { return nullptr; }
  // Takes the new printer's names; resets a used chain; ResetJob; page flags 0; job and printer
  // names empty; a new downloaded-font table in place of the old one.
  void Reopen(const GPrinterKey& key) override;
  // Lets go of the ten counted references, deletes the downloaded-font table (and so its font
  // files), tells the extension that the device closes.
  void Close() override;

  // --- Plain operations ------------------------------------------------------------------------
  // SetCopyCount with the copies held now.
  void ClampCopies();
  // Drops parts 362, 363 and 364, updates the job group from DelegateToOwner's settings (deleted
  // after) and spreads the copies again.
  void ReloadJobSettings();
  // ApplyCopies over the four parts.
  void RefreshCopies();
  // The downloaded-font table (made at construction and at Reopen), or null after Close or when
  // memory was short.
  GFontDatabase* GetDownloadedFontTable() const { return font_table_; }
  GDeviceExtension* GetExtension() const { return extension_; }
  // The counted references the device keeps for its job (assigning one drops the old target).
  GCountedPtr& Reference(std::size_t index) { return references_.at(index); }

  // The job's flow, kept for the render module.
  std::int32_t GetState() const { return state_; }
  void SetState(std::int32_t state) { state_ = state; }
  std::int32_t IsDocumentPending() const { return document_pending_; }
  void SetDocumentPending(std::int32_t pending) { document_pending_ = pending; }
  std::int32_t IsDocumentStarted() const { return document_started_; }
  std::int32_t IsPagePending() const { return page_pending_; }
  void SetPagePending(std::int32_t pending) { page_pending_ = pending; }
  std::int32_t IsPageStarted() const { return page_started_; }
  void SetPageStarted(std::int32_t started) { page_started_ = started; }
  std::uint32_t GetPageCounter() const { return page_counter_; }
  const RWWString& GetJobName() const { return job_name_; }
  const RWWString& GetJobPrinterName() const { return job_printer_name_; }
  void SetJobNames(const RWWString& job, const RWWString& printer) {
    job_name_ = job;
    job_printer_name_ = printer;
  }
  std::int32_t GetFlag293() const { return flag_293_; }
  const JobValues& GetJobDefaults() const { return defaults_; }
  JobValues& GetJobValues() { return current_; }

 private:
  // The part of the job group with that key, or null.
  GAttributeComposite* Part(std::uint32_t key);
  // Replaces the paper id 260 of `bundle` by its media (see MakePageStart).
  void AttachTrayMedia(GAttributeComposite& bundle, GAttributeComposite* part_364);
  // For 270/272/273 and 279/280/281: the requested media under `media_key`, or the request off.
  void AttachRequestedMedia(GAttributeComposite& bundle,
                            std::uint32_t request_key,
                            std::int32_t last_request,
                            std::uint32_t paper_key,
                            std::uint32_t media_key);

  GDeviceExtension* extension_ = nullptr;
  GFontDatabase* font_table_ = nullptr;
  std::int32_t document_pending_ = 0;
  std::int32_t document_started_ = 0;
  RWWString job_name_;
  RWWString job_printer_name_;
  std::int32_t state_ = 0;
  std::int32_t page_started_ = 0;
  std::int32_t page_pending_ = 0;
  std::uint32_t page_counter_ = 0;
  JobValues defaults_;
  JobValues current_;
  std::int32_t flag_293_ = 0;
  std::int32_t aborted_ = 0;
  std::array<GCountedPtr, kReferenceCount> references_;
};
