// A TrueType font for the back ends' tests.
#include "tests/support/FwTestTrueTypeFont.h"

#include "framework/output/fonts/GTTFontFile.h"
#include "framework/output/fonts/GTTFontPool.h"

FwTestTrueTypeFontImp::FwTestTrueTypeFontImp(const vel::test::TestFontPool::FontSource& source,
                                             const GFontFaceRecord& face,
                                             const GFontInstanceRecord& instance,
                                             GFontMetrics* metrics)
    : FwTestFontImp(nullptr, face, instance) {
  AdoptMetrics(metrics);
  if (GTTFontPool* pool = GTTFontPool::Instance()) {
    auto copy = source;
    file_ = pool->OpenFontFile(&copy);
  }
}

FwTestTrueTypeFontImp::~FwTestTrueTypeFontImp() {
  delete file_;
}

std::uint32_t FwTestTrueTypeFontImp::ReadTableData(std::uint32_t index,
                                                   std::uint32_t offset,
                                                   bool cache,
                                                   std::uint8_t* buffer,
                                                   std::uint32_t length) {
  return file_ != nullptr ? file_->ReadTableData(nullptr, index, offset, cache, buffer, length) : 0;
}

std::uint32_t FwTestTrueTypeFontImp::GetTable(std::uint32_t index,
                                              bool cache,
                                              GMemoryBlock*& block) {
  block = nullptr;
  return file_ != nullptr ? file_->GetTable(nullptr, index, cache, block) : 0;
}

std::uint32_t FwTestTrueTypeFontImp::GetTableSize(std::uint32_t index) {
  return file_ != nullptr ? file_->GetTableSize(nullptr, index) : 0;
}

std::uint32_t FwTestTrueTypeFontImp::GetGlyphData(bool cache,
                                                  std::uint16_t glyph,
                                                  GMemoryBlock*& block) {
  block = nullptr;
  return file_ != nullptr ? file_->GetGlyphData(nullptr, cache, glyph, block) : 0;
}

std::uint16_t FwTestTrueTypeFontImp::MapCharToGlyph(bool vertical,
                                                    std::uint16_t code,
                                                    std::uint32_t char_set) {
  return file_ != nullptr ? file_->MapCharToGlyph(nullptr, vertical, code, char_set) : 0;
}

int FwTestTrueTypeFontImp::CacheGlyph(std::uint16_t glyph) {
  return file_ != nullptr ? file_->CacheGlyph(nullptr, glyph) : 0;
}

int FwTestTrueTypeFontImp::GetNumGlyphs(std::uint16_t& count) {
  return file_ != nullptr ? file_->GetNumGlyphs(nullptr, count) : 0;
}

int FwTestTrueTypeFontImp::GetTypoDescender(std::int16_t& descender) {
  return file_ != nullptr ? file_->GetTypoDescender(nullptr, descender) : 0;
}

int FwTestTrueTypeFontImp::GetHMetrics(std::uint16_t glyph,
                                       std::uint16_t& advance,
                                       std::int16_t& bearing) {
  return file_ != nullptr ? file_->GetHMetrics(nullptr, glyph, advance, bearing) : 0;
}

int FwTestTrueTypeFontImp::GetVMetrics(std::uint16_t glyph,
                                       std::uint16_t& advance,
                                       std::int16_t& bearing) {
  return file_ != nullptr ? file_->GetVMetrics(nullptr, glyph, advance, bearing) : 0;
}

namespace vel::test {

FwTestFont* MakeTrueTypeFont(const TestTrueType& font,
                             const GFontFaceRecord& face,
                             const GFontInstanceRecord& instance) {
  auto* implementation =
      new FwTestTrueTypeFontImp(font.Source(), face, instance, new FwFreeTypeMetrics(font.path));
  return new FwTestFont(implementation, nullptr);
}

}  // namespace vel::test
