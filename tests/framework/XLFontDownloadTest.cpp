// The bytes of PCL XL font downloads: the TrueType font header with its sfnt tables, TrueType and
// bitmap characters, the galley and vertical segments, and whole fonts rebuilt from what was sent
// and compared with FreeType.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/output/XLFontDownload.h"
#include "framework/output/fonts/GGlyphBitmap.h"
#include "framework/output/fonts/GMemoryBlock.h"
#include "framework/output/fonts/GTTFontReader.h"
#include "framework/output/fonts/GXLDownloadedFont.h"
#include "framework/output/pclxl/XLStream.h"
#include "tests/framework/fonts/FontTestFixture.h"
#include "tests/support/FreeTypeFace.h"
#include "tests/support/FwTestTrueTypeFont.h"
#include "tests/support/PclXlCheckParts.h"
#include "tests/support/PclXlDecoder.h"
#include "tests/support/XlFontRebuild.h"

namespace vel::test {
namespace {

constexpr std::uint8_t kOpReadFontHeader = 0x50;
constexpr std::uint8_t kOpReadChar = 0x53;

// A stream whose bytes are kept.
class Sink : public GOutputFlushCallback {
 public:
  Sink() : stream_(XLCreateStream(8192, this, 0)) {}
  ~Sink() { (void)XLCloseStream(stream_); }
  std::int32_t Flush(XLStream* /*stream*/,
                     std::uintptr_t /*user*/,
                     const std::uint8_t* buffer,
                     std::int32_t count) override {
    bytes_.insert(bytes_.end(), buffer, buffer + count);
    return 0;
  }
  XLStream* Stream() { return stream_; }
  const Bytes& Take() {
    XLFlushStream(stream_);
    return bytes_;
  }

 private:
  XLStream* stream_;
  Bytes bytes_;
};

// A font download as the checker models it, from the bytes of one header and its characters.
XlFont ModelOf(const Bytes& bytes, std::vector<std::uint16_t>* piece_lengths = nullptr) {
  const XlDecoded decoded = DecodePclXl(bytes);
  EXPECT_EQ(decoded.error, "");
  XlFont font;
  std::vector<Bytes> chars;
  std::vector<std::uint16_t> codes;
  std::uint8_t last_op = 0;
  double last_code = 0;
  for (std::size_t i = 0; i < decoded.items.size(); ++i) {
    const XlItem& item = decoded.items[i];
    if (item.kind == XlItemKind::kOperator) {
      last_op = item.code;
    } else if (item.kind == XlItemKind::kValue && i + 1 < decoded.items.size() &&
               decoded.items[i + 1].kind == XlItemKind::kAttribute &&
               decoded.items[i + 1].code == 0xA2) {  // CharCode
      last_code = item.values.at(0);
    } else if (item.kind == XlItemKind::kData && last_op == kOpReadFontHeader) {
      font.header.insert(font.header.end(), item.data.begin(), item.data.end());
      if (piece_lengths != nullptr) {
        piece_lengths->push_back(static_cast<std::uint16_t>(item.data.size()));
      }
    } else if (item.kind == XlItemKind::kData && last_op == kOpReadChar) {
      chars.push_back(item.data);
      codes.push_back(static_cast<std::uint16_t>(last_code));
    }
  }
  if (font.header.empty()) {
    font.scaling = 1;  // characters alone: TrueType
  } else {
    EXPECT_EQ(ParseXlFontHeader(&font), std::vector<std::string>{});
  }
  for (std::size_t i = 0; i < chars.size(); ++i) {
    XlFontChar ch;
    ch.code = codes[i];
    ch.data = chars[i];
    EXPECT_EQ(ParseXlFontChar(font, &ch), std::vector<std::string>{});
    font.chars.push_back(std::move(ch));
  }
  return font;
}

GFontFaceRecord FaceOf(std::uint32_t char_set,
                       std::uint16_t first,
                       std::uint16_t last,
                       std::uint32_t vertical = 0) {
  GFontFaceRecord face;
  face.char_set = char_set;
  face.first_char = first;
  face.last_char = last;
  face.size = 50;
  face.name = "Vel Test";
  face.vertical = vertical;
  return face;
}

class XLFontDownloadTest : public FontTest {
 protected:
  // An implementation over the image (named `path` in the pool).
  std::unique_ptr<FwTestTrueTypeFontImp> Open(const std::string& path,
                                              std::vector<std::uint8_t> image,
                                              const GFontFaceRecord& face) {
    images_.push_back(std::make_unique<TestTrueType>(TestTrueType{path, std::move(image)}));
    return std::make_unique<FwTestTrueTypeFontImp>(images_.back()->Source(), face,
                                                   InstanceRecord(2), nullptr);
  }
  std::vector<std::unique_ptr<TestTrueType>> images_;
};

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

Bytes Padded(Bytes bytes) {
  bytes.resize((bytes.size() + 3) & ~std::size_t{3}, 0);
  return bytes;
}

TEST_F(XLFontDownloadTest, AFiveByteCvtAndNoFpgmOrPrepGiveTheGoldenHeader) {
  std::vector<SfntTable> tables = TestFontTables();
  SetTable(tables, "cvt ", {0x00, 0x11, 0x22, 0x33, 0x44});
  RemoveTable(tables, "fpgm");
  RemoveTable(tables, "prep");
  auto font = Open("cvt5", BuildSfnt(tables), FaceOf(16, 0x20, 0xFF));
  // The tables as the font file holds them ('head' with its checksum adjustment).
  const auto table = [&](std::uint32_t index) {
    GMemoryBlock* block = nullptr;
    const std::uint32_t size = font->GetTable(index, true, block);
    Bytes data(block->GetData(), block->GetData() + size);
    delete block;
    return data;
  };
  const Bytes head = table(vel::truetype::kHead);
  const Bytes maxp = table(vel::truetype::kMaxp);

  XLTrueTypeHeader header;
  ASSERT_TRUE(header.Prepare(*font, font->GetMetricBlock()));
  Sink sink;
  const std::uint32_t total = header.Write(sink.Stream(), "0TTVel Test", 2, 16, 16);
  ASSERT_EQ(head.size(), 54u);
  ASSERT_EQ(maxp.size(), 36u);

  // clang-format off
  const Bytes expected = Concat({
      {0x00, 0x00, 0x00, 0x02, 0x01, 0x00, 0x00, 0xE0},  // descriptor: mapping 2, TrueType, 224
      {'G', 'T', 0x00, 0x00, 0x00, 0xB0},                // 'GT', 12 + 64 + 8 + 56 + 36
      {0x00, 0x01, 0x00, 0x00,                           // version
       0x00, 0x04, 0x00, 0x40, 0x00, 0x02, 0x00, 0x00},  // 4 tables, 64, 2, 0
      {'c', 'v', 't', ' ', 0, 0, 0, 0, 0, 0, 0, 76,  0, 0, 0, 8,
       'g', 'd', 'i', 'r', 0, 0, 0, 0, 0, 0, 0, 0,   0, 0, 0, 0,
       'h', 'e', 'a', 'd', 0, 0, 0, 0, 0, 0, 0, 84,  0, 0, 0, 56,
       'm', 'a', 'x', 'p', 0, 0, 0, 0, 0, 0, 0, 140, 0, 0, 0, 36},
      {0x00, 0x11, 0x22, 0x33, 0x44, 0x00, 0x00, 0x00},  // 'cvt ' and 3 zero bytes
      Padded(head), maxp,
      {'G', 'C', 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00},
      {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}});
  // clang-format on
  std::vector<std::uint16_t> pieces;
  const XlFont model = ModelOf(sink.Take(), &pieces);
  EXPECT_EQ(model.header, expected);
  // One ReadFontHeader an item: descriptor, 'GT' id, offset table, directory, three tables, 'GC',
  // the null segment.
  EXPECT_EQ(pieces, (std::vector<std::uint16_t>{8, 6, 12, 64, 8, 56, 36, 12, 6}));
  EXPECT_EQ(total, 8u + 0xB0 + 12 + 6);
  EXPECT_EQ(header.NumChars(), 224);
  EXPECT_EQ(header.MemoryNeed(), 0xB0u + 4 * (256 + 4) + 1706);

  // The characters: glyph 1 (the square) as code 0x41, class 1.
  GXLDownloadedFont downloaded(static_cast<GLanguagePeripheral*>(nullptr));
  Sink chars;
  std::uint32_t bytes = 0;
  ASSERT_TRUE(
      XLWriteTrueTypeGlyph({chars.Stream(), font.get(), &downloaded, 4, false}, 1, 0x41, bytes));
  const Bytes glyph = [&] {
    GMemoryBlock* block = nullptr;
    const std::uint32_t size = font->GetGlyphData(true, 1, block);
    Bytes data(block->GetData(), block->GetData() + size);
    delete block;
    return data;
  }();
  const XlFont sent = ModelOf(chars.Take());
  ASSERT_EQ(sent.chars.size(), 1u);
  const auto size = static_cast<std::uint16_t>(glyph.size() + 8);
  EXPECT_EQ(sent.chars[0].data,
            Concat({{0x01, 0x01, static_cast<std::uint8_t>(size >> 8),
                     static_cast<std::uint8_t>(size), 0x00, 0x00,  // format 1, class 1, size, lsb 0
                     0x04, 0xCD, 0x00, 0x01},                      // advance 1229, glyph 1
                    glyph}));
  EXPECT_EQ(bytes, glyph.size() + 10);
  EXPECT_TRUE(downloaded.HasGlyph(kXLGlyphIdBase + 1));
}

TEST_F(XLFontDownloadTest, HeadersFailWithoutTheTablesTheyNeedAndWriteNothing) {
  for (const char* missing : {"head", "maxp", "hhea", "hmtx"}) {
    std::vector<SfntTable> tables = TestFontTables();
    RemoveTable(tables, missing);
    auto font = Open(std::string("without-") + missing, BuildSfnt(tables), FaceOf(16, 0x20, 0xFF));
    XLTrueTypeHeader header;
    EXPECT_FALSE(header.Prepare(*font, font->GetMetricBlock())) << missing;
  }
  // A vertical face needs its typographic descender ('OS/2').
  std::vector<SfntTable> tables = TestFontTables();
  RemoveTable(tables, "OS/2");
  auto vertical = Open("no-os2", BuildSfnt(tables), FaceOf(16, 0x20, 0xFF, 1));
  XLTrueTypeHeader header;
  EXPECT_FALSE(header.Prepare(*vertical, vertical->GetMetricBlock()));
  auto horizontal = Open("no-os2", BuildSfnt(tables), FaceOf(16, 0x20, 0xFF, 0));
  EXPECT_TRUE(header.Prepare(*horizontal, horizontal->GetMetricBlock()));
}

TEST_F(XLFontDownloadTest, GalleyAndVerticalSegmentsByFontAndTextCode) {
  struct Case {
    std::uint32_t font_code;
    std::uint32_t text_code;
    int gc_size;  // -1: no 'GC'
    int ve_size;  // -1: no 'VE'
  };
  const Case cases[] = {
      {17, 17, 12, 6}, {17, 16, 24, 94}, {17, 1, -1, -1}, {17, 23, -1, -1}, {23, 23, 6, 6},
      {23, 16, 6, 50}, {23, 4, 6, -1},   {18, 19, 6, 6},  {19, 16, 6, 54},  {18, 2, 6, -1},
      {20, 22, 6, 6},  {21, 16, 6, 18},  {22, 3, 6, -1},  {16, 16, 6, 18},  {16, 5, 6, 18},
      {4, 4, 6, 6},    {2, 16, 6, 6},
  };
  std::vector<SfntTable> tables = TestFontTables();
  SetTable(tables, "vhea", TableOf(tables, "hhea"));
  SetTable(tables, "vmtx", TableOf(tables, "hmtx"));
  for (const Case& c : cases) {
    auto font = Open("vertical", BuildSfnt(tables), FaceOf(c.font_code, 0x20, 0xFF, 1));
    XLTrueTypeHeader header;
    ASSERT_TRUE(header.Prepare(*font, font->GetMetricBlock()));
    EXPECT_TRUE(header.VerticalGlyphs());
    Sink sink;
    (void)header.Write(sink.Stream(), "v", 2, c.font_code, c.text_code);
    const XlFont model = ModelOf(sink.Take());
    const XlFontSegment* gc = model.Segment(0x4743);
    const XlFontSegment* ve = model.Segment(0x5645);
    const XlFontSegment* vr = model.Segment(0x5652);
    const std::string label = std::to_string(c.font_code) + "/" + std::to_string(c.text_code);
    EXPECT_EQ(gc != nullptr ? static_cast<int>(gc->data.size()) : -1, c.gc_size) << label;
    EXPECT_EQ(ve != nullptr ? static_cast<int>(ve->data.size()) : -1, c.ve_size) << label;
    ASSERT_NE(vr, nullptr) << label;
    // Format 0 and the typographic descender.
    EXPECT_EQ(vr->data, (Bytes{0x00, 0x00, 0xFE, 0x14})) << label;
  }
}

TEST_F(XLFontDownloadTest, CompositeWalksAreBoundedAndSkipWhatTheFontCannotHold) {
  // Glyphs: 0 .notdef, 1 square, 2 composite of 1 and 3, 3 composite of 2 (a cycle), 4 a
  // composite whose second record runs past its data, 5 a composite naming glyph 4000,
  // 6 a chain 6 -> 7 -> ... deeper than 16 levels ends in glyph 1.
  std::vector<std::vector<std::uint8_t>> glyphs(30);
  glyphs[0] = SimpleGlyph({{0, 0}, {10, 0}, {10, 10}});
  glyphs[1] = SimpleGlyph({{0, 0}, {1024, 0}, {1024, 1024}, {0, 1024}});
  glyphs[2] = CompositeGlyph({{0x0020, 1}, {0x0000, 3}});
  glyphs[3] = CompositeGlyph({{0x0000, 2}});
  glyphs[4] = CompositeGlyph({{0x0020, 1}, {0x0000, 3}});
  glyphs[4].resize(glyphs[4].size() - 3);
  glyphs[5] = CompositeGlyph({{0x0020, 4000}, {0x0000, 1}});
  for (int g = 6; g < 29; ++g) {
    glyphs[g] = CompositeGlyph({{0x0000, static_cast<std::uint16_t>(g + 1)}});
  }
  glyphs[29] = SimpleGlyph({{0, 0}, {5, 0}, {5, 5}});
  std::vector<SfntTable> tables = TestFontTables();
  auto [glyf, loca] = GlyfAndLoca(glyphs, false);
  SetTable(tables, "glyf", glyf);
  SetTable(tables, "loca", loca);
  Bytes& maxp = TableOf(tables, "maxp");
  maxp[4] = 0;
  maxp[5] = 30;
  SfntWriter hmtx;
  for (int g = 0; g < 30; ++g) {
    hmtx.U16(static_cast<std::uint16_t>(100 + g)).I16(0);
  }
  SetTable(tables, "hmtx", hmtx.Data());
  Bytes& hhea = TableOf(tables, "hhea");
  hhea[34] = 0;
  hhea[35] = 30;
  auto font = Open("composites", BuildSfnt(tables), FaceOf(16, 0x20, 0xFF));

  struct Case {
    std::uint16_t glyph;
    std::vector<std::uint16_t> sent;  // glyph ids in the order sent
  };
  const Case cases[] = {
      {2, {1, 3, 2}},  // components first; the cycle back to 2 stops at the mark
      {4, {1, 4}},     // the cut record ends the walk
      {5, {1, 5}},     // glyph 4000 is past the font's 30 glyphs
  };
  for (const Case& c : cases) {
    GXLDownloadedFont downloaded(static_cast<GLanguagePeripheral*>(nullptr));
    Sink sink;
    std::uint32_t bytes = 0;
    ASSERT_TRUE(XLWriteTrueTypeGlyph({sink.Stream(), font.get(), &downloaded, 30, false}, c.glyph,
                                     0x41, bytes));
    const XlFont model = ModelOf(sink.Take());
    std::vector<std::uint16_t> sent;
    for (const XlFontChar& ch : model.chars) {
      sent.push_back(ch.glyph_id);
      EXPECT_EQ(ch.code, ch.glyph_id == c.glyph ? 0x41 : 0xFFFF);
    }
    EXPECT_EQ(sent, c.sent) << "glyph " << c.glyph;
  }
  GXLDownloadedFont downloaded(static_cast<GLanguagePeripheral*>(nullptr));
  Sink sink;
  std::uint32_t bytes = 0;
  ASSERT_TRUE(
      XLWriteTrueTypeGlyph({sink.Stream(), font.get(), &downloaded, 30, false}, 6, 0x41, bytes));
  // The glyph and 16 levels below it.
  EXPECT_EQ(ModelOf(sink.Take()).chars.size(), 17u);
}

TEST_F(XLFontDownloadTest, AGlyphTooLargeForACharacterRecordIsNotSent) {
  std::vector<std::vector<std::uint8_t>> glyphs(3);
  glyphs[0] = SimpleGlyph({{0, 0}, {10, 0}, {10, 10}});
  glyphs[1] = SimpleGlyph({{0, 0}, {10, 0}, {10, 10}});
  glyphs[1].resize(65535 - 13, 0);  // data + 12 = 65,534: fits
  glyphs[2] = glyphs[1];
  glyphs[2].resize(65535 - 11, 0);  // data + 12 = 65,536
  std::vector<SfntTable> tables = TestFontTables();
  auto [glyf, loca] = GlyfAndLoca(glyphs, true);
  SetTable(tables, "glyf", glyf);
  SetTable(tables, "loca", loca);
  Bytes& head = TableOf(tables, "head");
  head[51] = 1;
  Bytes& maxp = TableOf(tables, "maxp");
  maxp[5] = 3;
  auto font = Open("large", BuildSfnt(tables), FaceOf(16, 0x20, 0xFF));
  GXLDownloadedFont downloaded(static_cast<GLanguagePeripheral*>(nullptr));
  for (bool vertical : {false, true}) {
    Sink sink;
    std::uint32_t bytes = 0;
    EXPECT_TRUE(XLWriteTrueTypeGlyph({sink.Stream(), font.get(), &downloaded, 3, vertical}, 1, 0x41,
                                     bytes));
    EXPECT_FALSE(XLWriteTrueTypeGlyph({sink.Stream(), font.get(), &downloaded, 3, vertical}, 2,
                                      0x42, bytes));
    EXPECT_FALSE(downloaded.HasGlyph(kXLGlyphIdBase + 2));
    EXPECT_EQ(bytes, vertical ? 65534u : 65532u);
  }
}

TEST_F(XLFontDownloadTest, BitmapHeaderAndCharacters) {
  Sink sink;
  EXPECT_EQ(XLWriteBitmapHeader(sink.Stream(), "0BMVel", 2, 224, 600, 300), 24u);
  GGlyphBitmap bitmap;
  bitmap.width = 10;
  bitmap.height = 2;
  bitmap.pitch = 4;
  bitmap.left = -1;
  bitmap.top = 7;
  bitmap.bits = {0xFF, 0xC0, 0xAA, 0xAA, 0x80, 0x40, 0x55, 0x55};
  EXPECT_EQ(XLWriteBitmapChar(sink.Stream(), 0x41, bitmap), 14u);
  GGlyphBitmap short_bits = bitmap;
  short_bits.bits.resize(5);
  EXPECT_EQ(XLWriteBitmapChar(sink.Stream(), 0x42, short_bits), 0u);
  const XlFont model = ModelOf(sink.Take());
  EXPECT_EQ(model.header, (Bytes{0x00, 0x00, 0x00, 0x02, 0xFE, 0x00, 0x00, 0xE0,  //
                                 'B',  'R',  0x00, 0x00, 0x00, 0x04, 0x02, 0x58,
                                 0x01, 0x2C, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}));
  ASSERT_EQ(model.chars.size(), 1u);
  EXPECT_EQ(model.chars[0].data, (Bytes{0x00, 0x00, 0xFF, 0xFF, 0x00, 0x07, 0x00, 0x0A, 0x00, 0x02,
                                        0xFF, 0xC0, 0x80, 0x40}));
}

// Every Latin-1, Greek and Cyrillic character of DejaVuSans (composite accented letters among
// them) and the Latin-1 characters of LiberationSans, downloaded glyph by glyph and rebuilt.
TEST_F(XLFontDownloadTest, RebuiltDownloadsOfRealFontsEqualFreeTypesReading) {
  struct Case {
    RealFont font;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> ranges;
    bool vertical;
  };
  const Case cases[] = {
      {kDejaVuSans, {{0x20, 0x7E}, {0xA0, 0xFF}, {0x370, 0x3FF}, {0x400, 0x4FF}}, false},
      {kLiberationSans, {{0x20, 0x7E}, {0xA0, 0xFF}, {0x370, 0x3FF}, {0x400, 0x4FF}}, false},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> image = ReadFontFile(c.font.path);
    if (image.empty()) {
      ADD_FAILURE() << c.font.path << " is missing (package " << c.font.package << ")";
      continue;
    }
    auto font = Open(c.font.path, image, FaceRecordOf(c.font.path, 50, 16));
    XLTrueTypeHeader header;
    ASSERT_TRUE(header.Prepare(*font, font->GetMetricBlock()));
    Sink sink;
    (void)header.Write(sink.Stream(), "0TT", 2, 16, 16);
    GXLDownloadedFont downloaded(static_cast<GLanguagePeripheral*>(nullptr));
    int composites = 0;
    std::uint16_t code = 256;
    for (const auto& [first, last] : c.ranges) {
      for (std::uint32_t ch = first; ch <= last; ++ch) {
        const std::uint16_t glyph =
            font->MapCharToGlyph(c.vertical, static_cast<std::uint16_t>(ch), 16);
        if (glyph == 0 || downloaded.HasGlyph(kXLGlyphIdBase + glyph)) {
          continue;
        }
        std::uint32_t bytes = 0;
        ASSERT_TRUE(XLWriteTrueTypeGlyph(
            {sink.Stream(), font.get(), &downloaded, header.NumGlyphs(), c.vertical}, glyph, code++,
            bytes));
      }
    }
    const XlFont model = ModelOf(sink.Take());
    FreeTypeFace reference(c.font.path);
    for (std::uint16_t glyph : DownloadedGlyphIds(model)) {
      composites += reference.IsComposite(glyph) ? 1 : 0;
    }
    EXPECT_GT(model.chars.size(), 300u) << c.font.file;
    if (c.font.path == kDejaVuSans.path) {
      EXPECT_GT(composites, 50) << "DejaVuSans sends its accented letters as composites";
    }
    EXPECT_TRUE(DownloadMatchesFreeType(model, c.font.path));
  }
}

}  // namespace
}  // namespace vel::test
