// Fonts for the tests of the font classes: font metrics over a FreeType face, and a font and font
// implementation made concrete over a real font file, whose platform operations record their calls.
// RegisterFrameworkTestClasses registers the three classes with the class factory.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/output/fonts/GFont.h"
#include "framework/output/fonts/GFontImp.h"
#include "framework/output/fonts/GFontMetrics.h"
#include "framework/output/fonts/GGlyphBitmap.h"

namespace vel::test {

// One glyph rendered one bit per pixel (the framework's glyph bitmap).
using FwGlyphBitmap = GGlyphBitmap;

}  // namespace vel::test

// Metrics over a FreeType face (Unicode character map). A restored object has no face and maps
// nothing. Codes in `unmappable` never map; `fail_ranges` makes every range operation fail.
class FwFreeTypeMetrics : public GFontMetrics {
 public:
  static constexpr RWClassID kClassId = 1861;

  FwFreeTypeMetrics() = default;
  explicit FwFreeTypeMetrics(const std::string& path);
  FwFreeTypeMetrics(const FwFreeTypeMetrics& other);
  FwFreeTypeMetrics& operator=(const FwFreeTypeMetrics&) = delete;
  ~FwFreeTypeMetrics() override;

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;

  std::int32_t MapRange(void* font, std::uint16_t first, std::uint16_t last,
                        std::uint16_t* glyphs) override;
  std::int32_t MapCode(void* font, std::uint16_t code, std::uint16_t& glyph) override;
  // `out`: an std::int32_t, the advance in pixels at the cell height.
  std::int32_t CodeMetrics(void* font, std::int16_t cell_height, std::uint32_t code,
                           void* out) override;
  // `out`: a vel::test::FwGlyphBitmap of the code at the cell height in pixels.
  std::int32_t CodeBitmap(void* font, std::int16_t cell_height, std::uint32_t code,
                          void* out) override;

  bool IsOpen() const { return face_ != nullptr; }
  // The face's glyph of the code (0 when unmapped), without counting a call.
  std::uint16_t GlyphOf(std::uint32_t code) const;

  std::set<std::uint16_t> unmappable;
  // Codes whose bitmap cannot be rendered.
  std::set<std::uint32_t> unrenderable;
  bool fail_ranges = false;
  int map_code_calls = 0;
  int map_range_calls = 0;
  // The (cell height, code) of each code query.
  std::vector<std::pair<std::int16_t, std::uint32_t>> code_queries;

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "FwFreeTypeMetrics"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  std::string path_;
  void* library_ = nullptr;  // FT_Library
  void* face_ = nullptr;     // FT_Face
};

// A font implementation over a real font file: FontKind 3, the face's character set as encoding.
// DownloadCode records (code, value) and answers 0 for the code `failing_code`; DownloadGlyphs and
// FinishDownload answer what the test sets and count their calls (DownloadGlyphs keeps its last
// arguments); Merge records the other's id.
class FwTestFontImp : public GFontImp {
 public:
  static constexpr RWClassID kClassId = 1862;

  FwTestFontImp() = default;
  FwTestFontImp(void* font_handle, const GFontFaceRecord& face,
                const GFontInstanceRecord& instance)
      : GFontImp(font_handle, face, instance) {}
  // A new implementation with the given metrics in place of the services' (taken over).
  static FwTestFontImp* WithMetrics(GFontMetrics* metrics, const GFontFaceRecord& face,
                                    const GFontInstanceRecord& instance) {
    auto* font = new FwTestFontImp(nullptr, face, instance);
    font->AdoptMetrics(metrics);
    return font;
  }

  RWCollectable* CreateInstance() const override { return Create(); }
  // A new implementation with the same records (and a new font id).
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;

  std::int32_t FontKind() const override { return 3; }
  std::uint32_t EncodingCode() const override { return GetMetricBlock().char_set; }
  std::int32_t DownloadCode(std::uint32_t code, std::uint32_t value) override;
  std::int32_t DownloadGlyphs(const void* glyphs, std::uint32_t flags) override;
  std::int32_t FinishDownload() override;
  void Merge(GFontImp& other) override;

  std::vector<std::pair<std::uint32_t, std::uint32_t>> downloaded;
  std::uint32_t failing_code = 0xFFFFFFFF;
  std::int32_t finish_result = 1;
  std::int32_t glyphs_result = 1;
  int finish_calls = 0;
  int glyphs_calls = 0;
  // The arguments of the last DownloadGlyphs.
  const void* last_glyphs = nullptr;
  std::uint32_t last_glyphs_flags = 0;
  std::vector<std::uint32_t> merged;

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "FwTestFontImp"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
};

// A font over an FwTestFontImp; its two platform operations count their calls.
class FwTestFont : public GFont {
 public:
  static constexpr RWClassID kClassId = 1863;

  FwTestFont() = default;
  FwTestFont(GFontImp* implementation, GRenderDevice* device) : GFont(implementation, device) {}
  FwTestFont(const FwTestFont& other) = default;

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;

  std::uint32_t EncodingCode() const override;
  std::int32_t FontKind() const override;

  mutable int platform_calls = 0;

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "FwTestFont"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
};

namespace vel::test {

// The face record of a real font at `pixel_size` (values from FreeType; name = family name,
// character range from 'OS/2', default character 0x20 unless the font says otherwise), and an
// instance record with the download flags. Empty records when the file cannot be opened.
GFontFaceRecord FaceRecordOf(const std::string& path, std::int16_t pixel_size,
                             std::uint32_t char_set = 16);
GFontInstanceRecord InstanceRecord(std::uint32_t flags, float angle = 0.0F);

}  // namespace vel::test
