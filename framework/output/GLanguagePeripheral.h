// GLanguagePeripheral: the common base of the page-description-language back ends (PCL XL and
// PostScript). It adds to the peripheral composite what both share: the output channel set-up at
// document start, a budget of printer memory for downloaded fonts, the device font lists, the
// path-nesting depth that the drawing handlers consult, a few job values, the pure operations
// through which each back end selects fonts and paints, and the pieces of the job handling that
// both back ends do alike (the command order, the page's graphic state, the job's resolution, the
// channel at document end, job abort and pass-through).
//
// Channel: a document start that carries a channel uses it without owning it; one that carries
// none makes the peripheral open one (OpenDocumentChannel), which it then owns. A channel it owns
// from an earlier job is deleted at the next document start, so no job acts on a channel of the
// job before.
//
// Stored form (after the composite part):
//   u32  class version word, 1
//   i32  in-document flag
//   i32  scan flag
//   i16  path-nesting depth
//   i32  clip-path flag
// A restore reads the four fields and then deletes the two owned back-end objects (the back end
// makes new ones).
#pragma once

#include <cstdint>
#include <vector>

#include "framework/core/GCountedPtr.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "rw/RWCString.h"

class GColorPaint;
class GCommand;
class GCommandRef;
class GDeviceSession;
class GFont;
class GFontDownloader;
class GGlyphCodeMap;
class GPassThroughCommand;
class GRasterPaint;
struct GFontFaceRecord;

// Printer memory for downloaded fonts: bytes used and the limit.
class GFontMemoryBudget {
 public:
  static constexpr std::uint32_t kDefaultLimit = 1048576;

  // Remaining bytes: limit - used, or 0 when used exceeds the limit.
  std::uint32_t Free() const { return used_ > limit_ ? 0 : limit_ - used_; }
  // Takes `bytes`; a reservation larger than what remains exhausts the budget (not refused).
  // Answers the remaining bytes.
  std::uint32_t Reserve(std::uint32_t bytes);
  // Gives `bytes` back (used never goes below 0); the remaining bytes.
  std::uint32_t Release(std::uint32_t bytes);
  // Used 0, limit `limit`.
  void SetLimit(std::uint32_t limit) {
    used_ = 0;
    limit_ = limit;
  }
  // Used 0; answers the limit.
  std::uint32_t Reset() {
    used_ = 0;
    return limit_;
  }
  std::uint32_t Used() const { return used_; }
  std::uint32_t Limit() const { return limit_; }
  bool operator==(const GFontMemoryBudget& other) const = default;

 private:
  std::uint32_t used_ = 0;
  std::uint32_t limit_ = kDefaultLimit;
};

class GLanguagePeripheral : public GPeripheralComposite {
 public:
  // Bytes of font memory per unit of the configuration's memory attribute.
  static constexpr std::int32_t kBytesPerMemoryUnit = 10485;

  // Every field 0, the budget at its default limit; the current font list is the peripheral's own,
  // empty composite until LoadDeviceFontList finds the configuration's.
  GLanguagePeripheral();
  GLanguagePeripheral(const RWCString& name,
                      GState* page_state,
                      GConfiguration* configuration,
                      std::uint32_t key,
                      std::uint32_t add_on_list_key,
                      std::int32_t add_on_kind,
                      std::int32_t add_on_mode);
  // Copies the in-document flag, scan flag, path-nesting depth and clip-path flag; no owned
  // objects, printer handle or working values; a fresh budget and an empty own font-list
  // composite; the current font list is loaded again (LoadDeviceFontList).
  GLanguagePeripheral(const GLanguagePeripheral& other);
  // Copies the same four values, deletes the owned objects, clears the printer handle, the font
  // number and the use counter; budget and font lists stay.
  GLanguagePeripheral& operator=(const GLanguagePeripheral& other);
  // Deletes the owned objects.
  ~GLanguagePeripheral() override;

  // The composite part + 18.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 765, 770, 760, 753, 751.
  bool IsKindOf(RWClassID id) const override;
  // The composite part and the four stored values.
  bool IsSameKey(const GBaseObject* other) const override;

  // Document start, for each back end to call first: the in-document flag becomes 1 and the
  // printer handle is taken; the channel is set up (see the top of this file): 601 without a
  // usable channel, a failing job start's status; the font budget restarts (the limit from the
  // memory attribute, 202, when the configuration has one, clamped at 0). Leaves the document
  // state to the back ends.
  [[nodiscard]] std::uint16_t HandleDocumentStart(GDocumentStart& object) override;
  // 0; the state is left alone (each back end calls it first from its own page start).
  [[nodiscard]] std::uint16_t HandlePageStart(GPageStart& object) override;
  [[nodiscard]] std::uint16_t HandleStringAttribute(GStringAttribute& object) override;

  // The budget: give bytes back, take bytes; each answers the remaining bytes.
  virtual std::uint32_t ReleaseFontMemory(std::uint32_t bytes);
  virtual std::uint32_t ReserveFontMemory(std::uint32_t bytes);
  // Selects the state without a downloaded font (a downloaded font of that name was dropped).
  virtual void SelectNoFont(const RWCString& font_name) = 0;
  virtual std::uint16_t HandleRasterPenPaint(GRasterPaint& paint) = 0;
  virtual std::uint16_t HandleColorPenPaint(GColorPaint& paint) = 0;
  virtual std::uint16_t HandleRasterBrushPaint(GRasterPaint& paint) = 0;
  virtual std::uint16_t HandleColorBrushPaint(GColorPaint& paint) = 0;
  // The font capabilities a back end offers for a font: 1 in the base.
  virtual std::uint32_t QueryFontCapabilities(const GFont& font);
  // Whether the printer holds a font matching the face (flag 8 of the answer), with a character
  // table the peripheral keeps. The base stores null in `table_out` and answers 1.
  virtual std::uint32_t QueryResidentFont(const GFontFaceRecord& face, std::int32_t kind,
                                          std::int32_t lookup_mode,
                                          const std::uint16_t** table_out);

  // The configuration's device font lists (attribute 414) become the current font list; without
  // them the peripheral's own, empty composite does. The current list is held by a counted
  // reference until the next call: a configuration replaced or rebuilt in between cannot free it.
  // A list that another one replaces while the peripheral keeps a downloaded-font list is held
  // until that downloaded-font list goes: the fonts matched in it name its descriptions.
  void LoadDeviceFontList();
  GDeviceFontListComposite* CurrentFontList() const { return current_font_list_; }
  const GDeviceFontListComposite& OwnFontLists() const { return font_lists_; }

  bool IsInsidePath() const { return path_depth_ > 0; }
  void EnterPath() { ++path_depth_; }
  void LeavePath() {
    if (path_depth_ > 0) {
      --path_depth_;
    }
  }
  std::int16_t GetPathDepth() const { return path_depth_; }
  void SetPathDepth(std::int16_t depth) { path_depth_ = depth; }

  std::int32_t GetInDocument() const { return in_document_; }
  void SetInDocumentFlag(std::int32_t flag) { in_document_ = flag; }
  std::int32_t GetScanFlag() const { return scan_flag_; }
  void SetScanFlag(std::int32_t flag) { scan_flag_ = flag; }
  std::int32_t GetClipPathFlag() const { return clip_path_flag_; }
  void SetClipPathFlag(std::int32_t flag) { clip_path_flag_ = flag; }
  GDeviceSession* GetPrinterHandle() const { return printer_handle_; }
  const GFontMemoryBudget& Budget() const { return budget_; }
  // The back end's two owned objects: its downloaded-font list and its glyph-code map (null when
  // it keeps none).
  GFontDownloader* FontDownloader() const { return font_downloader_; }
  GGlyphCodeMap* GlyphCodeMap() const { return glyph_code_map_; }

 protected:
  // What the two back ends share.
  //
  // The back ends' command order: a document end or page end goes to every enabled child first,
  // in order, and then to the back end itself; any other command goes to the back end first and,
  // when that succeeds, to the children. A non-zero status of the back end's own handling answers
  // a new GErrorCommand (status, command) in the command's place, which is not passed on.
  GCommand* HandleThenPassOn(GCommand* command);
  // The document group's resolution: the page-start group's x and y values, or `fallback` by
  // `fallback` when either is missing.
  static void ReadJobResolution(const GBaseObject* settings, std::uint16_t fallback,
                                std::uint16_t& x, std::uint16_t& y);
  // The page state's graphic bundle (its template of the graphic state) copied into the job
  // state, replacing the last page's, and the state handed on again.
  void TakePageGraphicState();
  // Document end, after the trailer went out: a channel the peripheral opened ends its job (a
  // non-zero status of that replaces `status`); a channel of the command's is let go. Answers the
  // status.
  std::uint16_t EndJobOnChannel(std::uint16_t status);
  // A job abort inside a document: the document's flags, path depth and working values cleared.
  void ForgetDocument();
  // Pass-through bytes straight to the channel (the back end's own output flushed before); the
  // write's status, 601 without a channel.
  std::uint16_t WritePassThrough(const GPassThroughCommand& command);

  // The back end's two owned objects (its downloaded-font list and its glyph-code map): taken
  // over, the old one deleted.
  void SetFontDownloader(GFontDownloader* downloader);
  void SetGlyphCodeMap(GGlyphCodeMap* map);
  // The working values of the back ends: a once-only flag, the running downloaded-font number and
  // the use counter.
  std::uint32_t once_flag_ = 0;
  std::uint32_t font_number_ = 0;
  std::uint32_t use_counter_ = 0;

 private:
  GCommandRef PassToChildren(GCommandRef command);
  void DeleteOwnedObjects();
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  std::int32_t in_document_ = 0;
  std::int32_t scan_flag_ = 0;
  GFontDownloader* font_downloader_ = nullptr;
  GGlyphCodeMap* glyph_code_map_ = nullptr;
  GDeviceFontListComposite font_lists_;
  std::int16_t path_depth_ = 0;
  std::int32_t clip_path_flag_ = 0;
  GDeviceSession* printer_handle_ = nullptr;
  GDeviceFontListComposite* current_font_list_ = &font_lists_;
  GCountedPtr held_font_list_;  // the configuration's lists while they are current, or empty
  std::vector<GCountedPtr> replaced_font_lists_;  // see LoadDeviceFontList
  GFontMemoryBudget budget_;
};
