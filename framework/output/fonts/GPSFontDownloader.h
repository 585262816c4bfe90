// GPSFontDownloader: the PostScript back end's list of fonts in the current job. PostScript text
// is printed in fonts the printer already holds: a text's font is matched with one of the
// printer's device font descriptions, registered here as a resident downloaded font with an
// estimate of the printer memory it takes, re-encoded with a symbol-set vector and selected by
// name. No font program is ever sent.
//
// Besides the list, the downloader keeps for one job:
//   - the symbol sets whose encoding vectors the job has defined (each is written once a job);
//   - copies of the device font descriptions its resident fonts were matched with (a resident
//     font's id points at its copy, which lives as long as the downloader, so that no change of
//     the printer's configuration can leave it dangling);
//   - for glyph-index text, each font's glyph-to-code table, made once per font and job.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "framework/output/fonts/GFontDownloader.h"

class GDeviceFontDescription;
class GDeviceFontListComposite;

class GPSFontDownloader : public GFontDownloader {
 public:
  // A font's glyphs and the codes they stand for, sorted by glyph.
  struct GlyphCode {
    std::uint16_t glyph;
    std::uint16_t code;
  };
  using GlyphCodes = std::vector<GlyphCode>;

  GPSFontDownloader();
  ~GPSFontDownloader() override;

  // FindSuited: a resident font of technology 1 serves every size and transform.
  GDownloadedFont* Find(GFont& font) override;
  // Releases every listed font (their printer memory goes back to the back end), then forgets the
  // encoding vectors written and the glyph tables made in the job.
  void EndJob() override;

  bool IsEncodingWritten(std::int16_t symbol_set) const;
  void MarkEncodingWritten(std::int16_t symbol_set);

  // A copy of `description` kept as long as the downloader (the id of a resident font); null when
  // memory is short.
  const GDeviceFontDescription* KeepDescription(const GDeviceFontDescription& description);

  // The font's glyph-to-code table over its character range (the inverse of GFont::MapRange), made
  // on the first call of the job for that font; a glyph that several codes map to stands for the
  // lowest. Null when the font cannot map its range (no implementation, an empty range, a failed
  // mapping) or memory is short.
  const GlyphCodes* CodesOfGlyphs(GFont& font);

  // The code of `glyph` in `table`; false when the table lacks it.
  static bool CodeOfGlyph(const GlyphCodes& table, std::uint16_t glyph, std::uint16_t& code);

 private:
  std::set<std::int16_t> written_;
  std::vector<std::unique_ptr<GDeviceFontDescription>> descriptions_;
  // By font id; a null table records a font whose table could not be made.
  std::map<std::uint32_t, std::unique_ptr<GlyphCodes>> glyph_codes_;
};

// The first device font description, list by list in the composite's order, that matches the
// font: its name equals the face name, its match code the face's weight, its match value the
// face's italic value, its character sets hold the face's character set, and for a bitmap
// description (technology 0) its size field equals the face's size and both of the face's scales
// are 1.0. Null when none matches.
const GDeviceFontDescription* MatchResidentFont(const GDeviceFontListComposite& lists,
                                                const GFont& font);

// The printer memory charged for a resident font: 2048 bytes for a character range (last - first
// + 1) below 256 codes, otherwise (the range's low byte + 2) x 1024.
std::uint32_t ResidentFontBytes(const GFontFaceRecord& face);
