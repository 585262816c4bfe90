// FreeType as the reference for the font code: a face opened from a file, and what the tests
// compare with it (unscaled, unhinted values throughout). Also where the real fonts of the tests
// are installed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vel::test {

struct RealFont {
  const char* file;     // the file name
  const char* path;     // where the Debian package installs it
  const char* package;  // the package that brings it
};

inline constexpr RealFont kDejaVuSans{"DejaVuSans.ttf",
                                      "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                      "fonts-dejavu-core"};
inline constexpr RealFont kLiberationSans{
    "LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", "fonts-liberation2"};
inline constexpr RealFont kDroidSansFallback{
    "DroidSansFallbackFull.ttf", "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf",
    "fonts-droid-fallback"};

// The bytes of a file; empty when it cannot be read.
std::vector<std::uint8_t> ReadFontFile(const char* path);

class FreeTypeFace {
 public:
  // Opens face `face` of the file; IsOpen tells whether that worked.
  explicit FreeTypeFace(const std::string& path, long face = 0);
  ~FreeTypeFace();
  FreeTypeFace(const FreeTypeFace&) = delete;
  FreeTypeFace& operator=(const FreeTypeFace&) = delete;

  bool IsOpen() const;
  std::uint32_t NumGlyphs() const;
  // Selects the (platform, encoding) character map: false when the face has none.
  bool SelectCharMap(std::uint16_t platform, std::uint16_t encoding);
  // The glyph of a code in the selected character map (0 when unmapped).
  std::uint32_t CharIndex(std::uint32_t code) const;
  // Every code of the selected character map with a glyph, ascending.
  std::vector<std::uint32_t> MappedCodes() const;
  // The unscaled advance: horizontal, or vertical.
  bool Advance(std::uint32_t glyph, bool vertical, long& advance) const;
  // 'OS/2' fields; false when the face has no 'OS/2'.
  bool Os2(std::int16_t& typo_descender, std::uint16_t& first_char,
           std::uint16_t& last_char) const;
  // 'hhea' numberOfHMetrics (false without 'hhea').
  bool HMetricsCount(std::uint16_t& count) const;
  // The control box of the unscaled, unhinted outline: false when the glyph cannot be loaded.
  bool ControlBox(std::uint32_t glyph, long& x_min, long& y_min, long& x_max, long& y_max) const;
  // Whether the glyph is composite (FreeType loads it with subglyphs when asked not to
  // recurse).
  bool IsComposite(std::uint32_t glyph) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vel::test
