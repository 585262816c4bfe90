// GFontImp: the shared implementation of a font of the text commands. It holds the face and
// instance records of the realised font, its metrics object, the character codes the jobs have
// drawn with it and, once the back end has sent it, the downloaded font. Fonts (GFont) share one
// implementation by a count kept here; the render device's downloaded-font table holds
// implementations by font id, so that a stored font finds its implementation again.
//
// The class is abstract: the platform's module derives the bitmap and TrueType implementations.
//
// Glyph arrays of the mapping operations hold one 16-bit entry per code, entry i for code
// first + i (MapRange) or for character i (MapString). An array of that length that does not own
// its entries is made to own them first; an array of another length is replaced by a new one.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   i16  x 5  resolution x, resolution y, ascender, internal leading, external leading
//   u32  x 3  italic, underline, strike-out
//   u16       weight
//   u32       character set
//   f32  x 2  width scale, height scale
//   i16       size
//   u32  x 2  fixed pitch, family class
//   i16  x 2  average width, maximum width
//   u16  x 4  first, last, default and break character
//   u32       name length, then the bytes
//   u32       vertical
//   i32  x 2  escapement, character angle (whole degrees)
//   u16       instance weight
//   u32  x 3  instance italic, underline, strike-out
//   u32       download flags
//   record    the metrics object (the nil object when there is none)
//   u32       font id
//   u32       change count
// A restore takes the fields only when all were read; the metrics record must be a new object.
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/output/fonts/GAngle.h"
#include "framework/output/fonts/GFontRecords.h"
#include "framework/output/fonts/GSparseBitSet.h"

class GCharacterBuffer;
class GDownloadedFont;
class GFontMetrics;
class GTextString;

class GFontImp : public GBaseObject {
 public:
  static constexpr std::uint32_t kMaxChangeCount = 0xFFFFFFFF;

  // Empty records, no font handle and no metrics (what a restore fills); a new font id.
  GFontImp();
  // The records of a realised font: the metrics object made through the services, a new font id.
  GFontImp(void* font_handle, const GFontFaceRecord& face, const GFontInstanceRecord& instance);
  GFontImp(const GFontImp&) = delete;
  GFontImp& operator=(const GFontImp&) = delete;
  // Deletes the metrics object and the downloaded font.
  ~GFontImp() override;

  // --- Supplied by the platform's fonts -----------------------------------------------------
  // 1 bitmap, 3 TrueType.
  virtual std::int32_t FontKind() const = 0;
  // The code set the text of this font is encoded in.
  virtual std::uint32_t EncodingCode() const = 0;
  // Sends the glyph of one code (`value`: the font's character set).
  virtual std::int32_t DownloadCode(std::uint32_t code, std::uint32_t value) = 0;
  // Sends the glyphs the caller names.
  virtual std::int32_t DownloadGlyphs(const void* glyphs, std::uint32_t flags) = 0;

  // --- Accessors -----------------------------------------------------------------------------
  const GFontFaceRecord& GetMetricBlock() const { return face_; }
  const GFontInstanceRecord& GetTransform() const { return instance_; }
  void* GetFontHandle() const { return font_handle_; }
  GAngle GetCharAngle() const { return GAngle(RealToFloat(instance_.char_angle)); }
  std::uint32_t GetFlags() const { return instance_.flags; }
  GFontMetrics* GetMetrics() const { return metrics_; }
  const GSparseBitSet& UsedGlyphs() const { return used_glyphs_; }

  // --- Bookkeeping of the downloaded-font table -------------------------------------------
  std::uint32_t GetFontId() const { return font_id_; }
  std::uint32_t GetChangeCount() const { return change_count_; }
  void SetChangeCount(std::uint32_t count) { change_count_ = count; }
  std::uint32_t GetSaveFlag() const { return save_flag_; }
  void ClearSaveFlag() { save_flag_ = 0; }
  // Fonts and tables holding the implementation.
  std::int16_t FontReferences() const { return references_.load(); }
  void SetFontReferences(std::int16_t count) { references_.store(count); }
  void AddFontReference() { references_.fetch_add(1); }
  // Answers the count left.
  std::int16_t DropFontReference() {
    return static_cast<std::int16_t>(references_.fetch_sub(1) - 1);
  }
  // The platform's handle is valid only during the call that realised the font.
  void ClearFontHandle() { font_handle_ = nullptr; }

  // --- Operations ----------------------------------------------------------------------------
  // The next font file is to carry this implementation.
  virtual void MarkForSave() { save_flag_ = 1; }
  // Takes what another copy of the same font knows (nothing in the base).
  virtual void Merge(GFontImp& other);
  // The implementation learnt something: one more change unless the count is at its maximum.
  // Answers the count.
  virtual std::uint32_t Touch();
  // One glyph per character; a character that cannot be mapped takes the default character's
  // glyph. 0 when that cannot be mapped either.
  virtual std::int32_t MapString(const GTextString& text, GCharacterBuffer& glyphs);
  // One glyph per code of first..last. Codes outside the font's character range take the default
  // character's glyph; the others are mapped together, or one by one when that fails, each that
  // cannot be mapped taking the default glyph. 0 when a needed default glyph cannot be mapped (or
  // last is below first).
  virtual std::int32_t MapRange(std::uint16_t first, std::uint16_t last, GCharacterBuffer& glyphs);
  // The metrics object's code queries with the font's cell height (size + internal leading).
  virtual std::int32_t CodeMetrics(std::uint32_t code, void* out);
  virtual std::int32_t CodeBitmap(std::uint32_t code, void* out);
  // 1 in the base.
  virtual std::int32_t FinishDownload();

  // Sends every used code, ascending, with the font's character set; the first 0 ends with 0.
  // Otherwise the answer of FinishDownload.
  std::int32_t DownloadUsedGlyphs();
  // 1 at once when the font may be sent as outlines (or is resident); otherwise FinishDownload
  // must answer 1, and DownloadGlyphs(glyphs, flags) answers.
  std::int32_t EnsureDownloaded(const void* glyphs, std::uint32_t flags);
  // Adds every character code of the text to the used glyphs; answers the text's length.
  std::uint32_t AddUsedGlyphs(const GTextString& text);

  GDownloadedFont* GetDownloadedFont() const { return downloaded_font_; }
  // Takes over `font`, deleting the one held before (nothing happens for the one held); answers
  // `font`.
  GDownloadedFont* SetDownloadedFont(GDownloadedFont* font);
  // Hands the downloaded font to the caller.
  GDownloadedFont* TakeDownloadedFont();

  // --- Persistence ---------------------------------------------------------------------------
  // The root part + name length + 104 + the metrics record (6 when absent).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 852 and the root's.
  bool IsKindOf(RWClassID id) const override;
  // The same object; or the same class, equal keys, equal records (the download flags aside) and
  // the same metrics object or equal ones.
  bool IsSameKey(const GBaseObject* other) const override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GFontImp"; }

 protected:
  // For a platform font that makes its metrics itself: takes over `metrics`, deleting the object
  // held before.
  void AdoptMetrics(GFontMetrics* metrics);

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);
  // The default character's glyph, mapped on the first call.
  bool DefaultGlyph(std::uint16_t& glyph, bool& mapped, std::uint16_t& cached);

  std::uint32_t save_flag_ = 0;
  void* font_handle_ = nullptr;
  std::uint32_t change_count_ = 0;
  std::uint32_t font_id_;
  std::atomic<std::int16_t> references_{0};
  GFontFaceRecord face_;
  GFontInstanceRecord instance_;
  GFontMetrics* metrics_ = nullptr;
  GDownloadedFont* downloaded_font_ = nullptr;
  GSparseBitSet used_glyphs_;
};
