// The driver host against the logging test driver: the engine's order of calls, clipping to the
// surface, banding, resets, escapes, poison mode and the ledgers, pinned by a golden trace.
//
// To regenerate the golden trace after an intended change, run the test with
// VEL_UPDATE_GOLDEN=1 and review the difference of tests/platform/golden/driver_host_trace.txt.
#include "platform/engine/DriverHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/platform/EngineTestFixture.h"
#include "tests/support/SfntBuilder.h"

namespace vel::platform::engine {
namespace {

class DriverHostTest : public EngineTest {
 protected:
  static std::vector<BYTE> Devmode(SHORT copies) {
    std::vector<BYTE> record(sizeof(DEVMODEW), 0);
    auto* dm = reinterpret_cast<DEVMODEW*>(record.data());
    dm->dmSize = sizeof(DEVMODEW);
    dm->dmCopies = copies;
    return record;
  }

  std::unique_ptr<DriverHost> Load(DriverHostOptions options = {}) {
    std::string error;
    auto host = DriverHost::Load(VEL_LOGGING_DRIVER, options, &error);
    EXPECT_NE(host, nullptr) << error;
    return host;
  }
};

PathSpec Triangle(LONG x, LONG y) {
  PathFigure figure;
  figure.start = Fix(x, y);
  figure.runs.push_back(PathRun{false, {Fix(x + 100, y), Fix(x + 50, y + 80)}});
  figure.closed = true;
  return {figure};
}

PathSpec CurveAndLine() {
  PathFigure curve;
  curve.start = Fix(10, 10);
  curve.runs.push_back(PathRun{true, {Fix(20, 0), Fix(30, 20), Fix(40, 10)}});
  curve.runs.push_back(PathRun{false, {POINTFIX{50 * 16 + 8, 10 * 16}}});
  PathFigure line;
  line.start = Fix(100, 100);
  line.runs.push_back(PathRun{false, {Fix(200, 100)}});
  return {curve, line};
}

BitmapSpec Bits(ULONG format, LONG width, LONG height, bool top_down) {
  BitmapSpec spec{format, width, height, top_down, {}};
  spec.bits.resize(static_cast<std::size_t>(BitmapStride(format, width)) * height);
  for (std::size_t i = 0; i < spec.bits.size(); ++i) {
    spec.bits[i] = static_cast<BYTE>(i * 7 + 1);
  }
  return spec;
}

// Every drawing call once, some of them crossing or outside the surface; text in the raster
// font, in a TrueType font (when given) and in a device font.
void DrawEverything(DeviceContext& dc, FONTOBJ* raster, FONTOBJ* truetype, FONTOBJ* device) {
  LineSpec line;
  line.attributes.fl = 0;
  line.attributes.elWidth.l = 3;
  line.attributes.iJoin = JOIN_MITER;
  line.style = {FLOAT_LONG{.l = 4}, FLOAT_LONG{.l = 2}};
  XformSpec xform{2, 0, 0, 2, 0, 0};
  dc.StrokePath(CurveAndLine(), ClipSpec{}, xform, BrushSpec::Solid(0x00336699), POINTL{1, 2},
                line, R2_COPYPEN);
  ClipSpec two{{RECTL{0, 0, 100, 100}, RECTL{50, 50, 150, 150}}, std::nullopt};
  dc.FillPath(Triangle(20, 20), two, BrushSpec::Hatch(HS_CROSS, 0x000000FF, 0x00FFFFFF),
              POINTL{0, 0}, R2_COPYPEN, FP_WINDINGMODE);
  dc.StrokeAndFillPath(Triangle(5050, 100), ClipSpec{}, XformSpec{}, BrushSpec::Solid(0),
                       LineSpec{}, BrushSpec::Solid(0x00FFFFFF), POINTL{0, 0}, R2_COPYPEN,
                       FP_ALTERNATEMODE);
  ClipSpec path_clip;
  path_clip.path = Triangle(300, 300);
  dc.Paint(path_clip, BrushSpec::Hatch(HS_DIAGCROSS, 0x0000FF00, 0), POINTL{0, 0}, R2_COPYPEN);
  dc.Paint(ClipSpec{{RECTL{10, 10, 20, 20}}, std::nullopt}, BrushSpec::Solid(0x00112233),
           POINTL{0, 0}, 0);
  BitmapSpec rgb = Bits(BMF_24BPP, 3, 2, false);
  dc.BitBlt(&rgb, ClipSpec{}, nullptr, RECTL{400, 3299, 403, 3301}, POINTL{0, 0}, nullptr,
            POINTL{0, 0}, 0xCCCC);
  dc.BitBlt(nullptr, ClipSpec{}, nullptr, RECTL{9000, 9000, 9100, 9100}, POINTL{0, 0},
            nullptr, POINTL{0, 0}, 0xF0F0);
  BitmapSpec indexed = Bits(BMF_8BPP, 4, 4, true);
  XlateSpec xlate{PAL_INDEXED, PAL_RGB, {0x000000, 0xFFFFFF, 0x0000FF}, true};
  dc.CopyBits(indexed, ClipSpec{}, &xlate, RECTL{-2, -2, 2, 2}, POINTL{0, 0});
  dc.StretchBlt(rgb, ClipSpec{}, nullptr, RECTL{600, 600, 300, 900}, RECTL{0, 0, 3, 2}, 3);
  RECTL opaque{40, 3290, 100, 3310};
  dc.TextOut(raster, TextSpec{u"AB", {}, POINTL{50, 3305}, 0, 0}, ClipSpec{},
             {RECTL{50, 3306, 70, 3307}, RECTL{50, 3301, 70, 3302}}, &opaque,
             BrushSpec::Solid(0x00FF0000), BrushSpec::Solid(0x00FFFFFF), POINTL{0, 0},
             R2_COPYPEN);
  if (truetype != nullptr) {
    dc.TextOut(truetype, TextSpec{u"AB A", {}, POINTL{200, 400}, 0, 0}, ClipSpec{}, {}, nullptr,
               BrushSpec::Solid(0), BrushSpec::Solid(0), POINTL{0, 0}, R2_COPYPEN);
    // Glyph-index text without pgp, in batches of one.
    SetTextSettings(TextSettings{1, true, 0, false, false});
    dc.TextOut(truetype, TextSpec{{}, {2, 1}, POINTL{200, 500}, 30, 0}, ClipSpec{}, {}, nullptr,
               BrushSpec::Solid(0), BrushSpec::Solid(0), POINTL{0, 0}, R2_COPYPEN);
    SetTextSettings(TextSettings{});
  }
  dc.TextOut(device, TextSpec{u"Z", {}, POINTL{10, 10}, 0, 0}, ClipSpec{}, {}, nullptr,
             BrushSpec::Solid(0), BrushSpec::Solid(0), POINTL{0, 0}, R2_COPYPEN);
}

struct Fonts {
  FONTOBJ* raster = CreateFontObject(FontSpec{});
  FONTOBJ* truetype = nullptr;
  FONTOBJ* device = nullptr;
  explicit Fonts(const std::string& truetype_path) {
    FontSpec device_spec;
    device_spec.device = true;
    device = CreateFontObject(device_spec);
    if (!truetype_path.empty()) {
      FontSpec spec;
      spec.path = truetype_path;
      spec.em_pixels = 18;
      spec.escapement = 90;
      truetype = CreateFontObject(spec);
    }
  }
  ~Fonts() {
    DeleteFontObject(raster);
    DeleteFontObject(device);
    if (truetype != nullptr) {
      DeleteFontObject(truetype);
    }
  }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(DriverHostTest, TheScriptedSequenceMatchesItsGoldenTrace) {
  ASSERT_TRUE(spooler::PutPrinter(spooler::PrinterRecord{u"Golden"}));
  HANDLE printer = spooler::OpenPrinterHandle(u"Golden", 8);
  std::string font_path = root_.File("test.ttf");
  std::vector<std::uint8_t> font_file = test::MakeTestFont();
  std::ofstream(font_path, std::ios::binary)
      .write(reinterpret_cast<const char*>(font_file.data()),
             static_cast<std::streamsize>(font_file.size()));
  Fonts fonts(font_path);
  ASSERT_NE(fonts.truetype, nullptr);
  {
    auto host = Load();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->EnableData().c, 23u);
    EXPECT_EQ(host->EnableData().iDriverVersion, DDI_DRIVER_VERSION_NT4);
    auto dc = host->CreateDC({printer, u"Golden", u"FILE:", Devmode(1)});
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc->GdiInfo().ulHorzRes, 5100u);
    EXPECT_EQ(dc->GdiInfo().ulVRefresh, 0xA5A5A5A5u) << "a field the driver left stays as passed";
    EXPECT_EQ(dc->Escape(8, 4, nullptr, 0, nullptr), 4u);
    EXPECT_TRUE(dc->StartDoc(u"Report", 7));
    for (int page = 0; page < 2; ++page) {
      EXPECT_TRUE(dc->StartPage());
      DrawEverything(*dc, fonts.raster, fonts.truetype, fonts.device);
      EXPECT_TRUE(dc->EndPage());
    }
    EXPECT_TRUE(dc->Reset(Devmode(2)));
    EXPECT_TRUE(dc->Banding());
    dc->SetAbort(true);
    EXPECT_TRUE(dc->StartPage());
    DrawEverything(*dc, fonts.raster, nullptr, fonts.device);
    EXPECT_TRUE(dc->EndPage());
    dc->DestroyFont(fonts.device);
    EXPECT_EQ(dc->Escape(19025, 3, nullptr, 0, nullptr), 3u);
    EXPECT_TRUE(dc->EndDoc(ED_ABORTDOC));
  }
  spooler::ClosePrinterHandle(printer);
  std::string trace;
  for (const std::string& line : CallLogSnapshot()) {
    trace += line + "\n";
  }
  std::string golden_path = std::string(VEL_GOLDEN_DIR) + "/driver_host_trace.txt";
  const char* update = std::getenv("VEL_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(golden_path, std::ios::binary) << trace;
  }
  EXPECT_EQ(trace, ReadFile(golden_path)) << "regenerate with VEL_UPDATE_GOLDEN=1";
  EXPECT_TRUE(LedgerProblems().empty());
}

TEST_F(DriverHostTest, AnOldEngineOrAShortRecordIsRefused) {
  for (auto [version, size] : {std::pair<ULONG, ULONG>{0x1FFFF, sizeof(DRVENABLEDATA)},
                               std::pair<ULONG, ULONG>{0x20000, 11}}) {
    std::string error;
    DriverHostOptions options;
    options.engine_version = version;
    options.enable_data_size = size;
    EXPECT_EQ(DriverHost::Load(VEL_LOGGING_DRIVER, options, &error), nullptr);
    EXPECT_EQ(error, "DrvEnableDriver failed");
  }
  std::string error;
  EXPECT_EQ(DriverHost::Load("/nonexistent/driver.so", {}, &error), nullptr);
  EXPECT_FALSE(error.empty());
}

TEST_F(DriverHostTest, AFailingSurfaceFailsTheDcAndLeavesNothing) {
  auto host = Load();
  ASSERT_NE(host, nullptr);
  FailCalls("EngCreateDeviceSurface", 0, 1);
  EXPECT_EQ(host->CreateDC({nullptr, u"P", u"LPT1:", {}}), nullptr);
  FailCalls("EngCreatePalette", 0, 1);
  auto dc = host->CreateDC({nullptr, u"P", u"LPT1:", {}});
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->DevInfo().hpalDefault, nullptr);
}

using DriverHostDeathTest = DriverHostTest;

#if defined(__SANITIZE_ADDRESS__)
TEST_F(DriverHostDeathTest, ADriverReadingPathPointsAfterItsCallIsCaught) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        DriverHostOptions options;
        options.poison = true;
        auto host = DriverHost::Load(VEL_LOGGING_DRIVER, options, nullptr);
        auto dc = host->CreateDC({nullptr, u"P", u"LPT1:", {}});
        dc->StartDoc(u"Doc", 1);
        dc->StartPage();
        dc->StrokePath(Triangle(10, 10), ClipSpec{}, XformSpec{}, BrushSpec::Solid(0),
                       POINTL{0, 0}, LineSpec{}, R2_COPYPEN);
        dc->Escape(0x7001, 0, nullptr, 0, nullptr);
      },
      "use-after-free");
}
#endif

TEST_F(DriverHostTest, EightThreadsDriveEightDcs) {
  auto host = Load();
  ASSERT_NE(host, nullptr);
  std::string font_path = root_.File("test.ttf");
  std::vector<std::uint8_t> font_file = test::MakeTestFont();
  std::ofstream(font_path, std::ios::binary)
      .write(reinterpret_cast<const char*>(font_file.data()),
             static_cast<std::streamsize>(font_file.size()));
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&host, &font_path, i] {
      auto dc = host->CreateDC({nullptr, u"P", u"LPT1:", Devmode(i % 2 == 0 ? 1 : 2)});
      ASSERT_NE(dc, nullptr);
      dc->StartDoc(u"Doc", static_cast<DWORD>(i));
      Fonts fonts(font_path);
      for (int page = 0; page < 3; ++page) {
        dc->StartPage();
        DrawEverything(*dc, fonts.raster, fonts.truetype, fonts.device);
        dc->EndPage();
      }
      dc->EndDoc(0);
      dc.reset();
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
}

}  // namespace
}  // namespace vel::platform::engine
