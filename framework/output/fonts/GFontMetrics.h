// GFontMetrics: the abstract metrics of a realised font, which a font implementation owns and asks
// to map character codes to glyphs. The platform's module derives the working class (the services
// make it, GOSServices::CreateFontMetrics); the font handle passed to each operation is the
// platform's handle of the realised font.
//
// Stored form (after the root part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"

class GFontMetrics : public GBaseObject {
 public:
  GFontMetrics() = default;
  GFontMetrics(const GFontMetrics& other) = default;
  GFontMetrics& operator=(const GFontMetrics& other) = default;
  ~GFontMetrics() override = default;

  // Maps the codes first..last together: glyphs[i] is the glyph of code first + i. 1 on success,
  // 0 when any code cannot be mapped (the entries are then unspecified).
  virtual std::int32_t MapRange(void* font, std::uint16_t first, std::uint16_t last,
                                std::uint16_t* glyphs) = 0;
  // Maps one code: 1 with `glyph` set, or 0.
  virtual std::int32_t MapCode(void* font, std::uint16_t code, std::uint16_t& glyph) = 0;
  // The two code queries of the platform, given the font's cell height (size plus internal
  // leading) and the caller's two arguments.
  virtual std::int32_t CodeMetrics(void* font, std::int16_t cell_height, std::uint32_t code,
                                   void* out) = 0;
  virtual std::int32_t CodeBitmap(void* font, std::int16_t cell_height, std::uint32_t code,
                                  void* out) = 0;

  // The root part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 866 and the root's.
  bool IsKindOf(RWClassID id) const override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GFontMetrics"; }

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
};

// A metrics object read as one object record (a new record or a reference), or null: for the nil
// record, for a record of another kind and after a failure (the carrier is then failed).
GFontMetrics* ReadFontMetricsFromStream(RWVirtualInStream& stream);
GFontMetrics* ReadFontMetricsFromFile(RWBinaryFile& file);
