// GBookletFilter: the page filter that turns a document into a booklet, sheets printed on both
// sides with two pages side by side that, folded in the middle and stacked, read in page order.
//
// It cannot send anything before it knows the page count, so it records every page into a command
// list kept on disk (one record file per page, in the printer's temporary directory) and answers
// every command of the document with a GNoCommand while it records. At the document end it pads the
// page count to a multiple of four with blank pages (built from the first page start's bundle),
// puts the pages into imposition order, runs the whole document through an inner n-up stage set to
// two pages per sheet, and sends the result on in place of the document end, as one command list.
// Only one page is in memory at a time, whatever the document's length.
//
// Settings, read from the document start's bundle: 279 the booklet mode (0 or absent: the document
// passes unchanged; 2 binding on the right; any other value binding on the left), 288 the sheet
// order (1 inner sheet first, anything else outer sheet first), 281 the sheet media. The document
// start gains the n-up settings for the inner stage (group 328: two per sheet, page order 0, no
// frames) and duplex 2, and the sheet media in place of the document media (turned to the
// document's orientation); the group 328 is taken out again before the document leaves.
//
// Page files. A page's record file is <temporary directory>\<key>.pg and the font file written
// beside it <temporary directory>\<key>.fnt, where the key is the lower-case hexadecimal text of
// the render device's cookie XOR the page count. Several jobs of one process may record at once
// and their keys may meet, so the keys of live recordings are reserved process-wide: a reserved key
// steps to the next value (+1, skipping 0), and only an unreserved key may have a leftover file
// deleted. A filter's keys are released when it lets go of its document (the next document start,
// a job abort, an abandoned recording, its destruction). Each recorded page's own bundle names its
// font file (407) and the device (408, the cookie as hexadecimal text), so that replay finds the
// fonts again; at the page end the device's downloaded-font table writes the font file (no device
// or no table: no font file, and the page end succeeds).
//
// The booklet lock (vel::BookletLock) is held with this filter as its owner from each page start to
// its page end, so one booklet page is recorded at a time in the process; a page end, a job abort,
// an abandoned recording or the destructor releases it, from whichever thread runs them.
//
// Failures: a page file that cannot be written, or a graphic that cannot be recorded, abandons the
// recording (every recorded page and the lock let go, the filter disabled, later commands pass
// unchanged) and the command comes back as a GErrorCommand with status 2; so does a graphic while no
// page is being recorded. A font file that the table refuses gives status 2 at the page end and
// keeps the recorded pages. A failure of the inner stage makes the document end answer its status.
//
// Stored form (after the peripheral part):
//   u32  class version word, 1
// Nothing of the recording is stored; a copy, like a restored filter, starts with none.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/core/GCountedPtr.h"
#include "framework/core/GPeripheral.h"
#include "framework/pipeline/GCommandRef.h"
#include "rw/RWWString.h"

class GCommandCompositeOnDisk;
class GRenderDevice;

class GBookletFilter : public GPeripheral {
 public:
  GBookletFilter();
  GBookletFilter(const RWCString& name,
                 GState* page_state,
                 GConfiguration* configuration,
                 std::uint32_t key,
                 std::uint32_t add_on_list_key,
                 std::int32_t add_on_kind,
                 std::int32_t add_on_mode);
  // The peripheral part only: the copy has recorded nothing.
  GBookletFilter(const GBookletFilter& other);
  GBookletFilter& operator=(const GBookletFilter&) = delete;
  // Lets go of the document (pages, names, lock).
  ~GBookletFilter() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The peripheral part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 1105 and the peripheral's.
  bool IsKindOf(RWClassID id) const override;

  // Graphics are recorded into the current page; other commands reach their typed handler. While
  // the filter stays enabled, a document end is answered by the finished booklet and every other
  // command by a GNoCommand; once it is disabled, the command passes unchanged.
  GCommandRef HandleCommand(GCommandRef command) override;
  void MergeGraphicBundle(GState* bundle) override;
  void AttachState(std::uint32_t key) override;

  [[nodiscard]] std::uint16_t HandleDocumentStart(GDocumentStart& object) override;
  [[nodiscard]] std::uint16_t HandleDocumentEnd(GDocumentEnd& object) override;
  [[nodiscard]] std::uint16_t HandlePageStart(GPageStart& object) override;
  [[nodiscard]] std::uint16_t HandlePageEnd(GPageEnd& object) override;
  [[nodiscard]] std::uint16_t HandleJobAbort(GJobAbort& object) override;

  // The pages (numbered 1 to `count` in the order received) in the order they leave the filter,
  // two to a sheet side. `count` is a multiple of 4; nothing for fewer than 4 pages with sheet
  // order 1.
  static std::vector<std::uint32_t> ImpositionOrder(std::uint32_t count,
                                                    std::uint16_t booklet_mode,
                                                    std::uint16_t sheet_order);
  // Whether a recording of this process holds the page key.
  static bool IsPageKeyReserved(std::uint32_t key);

  std::uint16_t GetBookletMode() const { return booklet_mode_; }
  std::uint16_t GetSheetOrder() const { return sheet_order_; }
  std::uint32_t GetPageCount() const { return page_count_; }
  // The files of the page recorded last (or being recorded).
  const RWWString& GetPageFileName() const { return page_file_name_; }
  const RWWString& GetFontFileName() const { return font_file_name_; }
  // Between a page start and its page end.
  bool IsRecordingPage() const { return static_cast<bool>(current_page_); }
  bool HoldsBookletLock() const { return holds_lock_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GBookletFilter"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  GCommandCompositeOnDisk* CurrentPage() const;
  // Whether the current page cannot record (none, or its file failed).
  bool CurrentPageFailed() const;
  // Pages, output, blank-page settings, device, reserved keys and the lock let go.
  void LetGoOfDocument();
  // The same, and the filter disabled: the rest of the job passes unchanged.
  void AbandonRecording();
  void ReleaseLock();

  // The strings of the names; the separator and the extensions are set at each document start.
  RWWString temp_directory_;
  RWWString directory_copy_;
  RWWString spare_;
  RWWString page_key_;
  RWWString page_file_name_;
  RWWString font_extension_;
  RWWString font_file_name_;
  RWWString separator_;
  RWWString page_extension_;
  // The recorded pages (and blank pages) in the order received.
  std::vector<GCommandRef> pages_;
  // The document as it will leave: the document start, the pages in imposition order, the end.
  GCommandRef output_;
  // The page being recorded (a GCommandCompositeOnDisk).
  GCommandRef current_page_;
  // A deep copy of the first page start's bundle.
  GCountedPtr blank_settings_;
  std::uint32_t page_count_ = 0;
  GRenderDevice* device_ = nullptr;
  std::uint32_t device_id_ = 0;
  std::uint16_t booklet_mode_ = 0;
  std::uint16_t sheet_order_ = 0;
  // The page keys this filter reserved for its document.
  std::vector<std::uint32_t> reserved_keys_;
  bool holds_lock_ = false;
};
