// The engine objects that drivers read: path records, the last-batch rule of enumerations, clip
// regions, run-length sources, transforms, bitmaps and brushes.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/engine/EngineObjects.h"
#include "tests/platform/EngineTestFixture.h"

namespace vel::platform::engine {
namespace {

using EngineObjectsTest = EngineTest;

struct Record {
  FLONG flags;
  std::vector<std::pair<FIX, FIX>> points;
  bool operator==(const Record&) const = default;
};

// Reads records the way drivers must: fetch, process, stop when told none remain.
std::vector<Record> Records(PATHOBJ* ppo) {
  std::vector<Record> records;
  PATHOBJ_vEnumStart(ppo);
  PATHDATA data;
  BOOL more;
  do {
    more = PATHOBJ_bEnum(ppo, &data);
    Record record{data.flags, {}};
    for (ULONG i = 0; i < data.count; ++i) {
      record.points.emplace_back(data.pptfx[i].x, data.pptfx[i].y);
    }
    records.push_back(record);
  } while (more);
  return records;
}

TEST_F(EngineObjectsTest, PathRecordsFollowSubpathsAndRunKinds) {
  PathFigure open;
  open.start = Fix(1, 1);
  open.runs = {PathRun{false, {Fix(2, 1), Fix(3, 1)}},
               PathRun{true, {Fix(4, 0), Fix(5, 2), POINTFIX{6 * 16 + 8, 16}}}};
  PathFigure closed;
  closed.start = Fix(10, 10);
  closed.runs = {PathRun{true, {Fix(11, 9), Fix(12, 11), Fix(13, 10)}}};
  closed.closed = true;
  auto path = detail::MakePath({open, closed});
  EXPECT_EQ(path->po.fl, PO_BEZIERS);
  EXPECT_EQ(path->po.cCurves, 4u);
  std::vector<Record> expected = {
      {PD_BEGINSUBPATH, {{16, 16}, {32, 16}, {48, 16}}},
      {PD_BEZIERS | PD_ENDSUBPATH, {{64, 0}, {80, 32}, {104, 16}}},
      {PD_BEGINSUBPATH | PD_BEZIERS | PD_ENDSUBPATH | PD_CLOSEFIGURE,
       {{160, 160}, {176, 144}, {192, 176}, {208, 160}}},
  };
  EXPECT_EQ(Records(&path->po), expected);
  EXPECT_EQ(Records(&path->po), expected) << "vEnumStart restarts the enumeration";
}

TEST_F(EngineObjectsTest, LongRunsAreSplitAtTheRecordLimit) {
  SetObjectSettings(ObjectSettings{8});
  PathFigure lines;
  lines.start = Fix(0, 0);
  PathRun run;
  for (int i = 1; i <= 20; ++i) {
    run.points.push_back(Fix(i, 0));
  }
  lines.runs = {run};
  PathFigure curves;
  curves.start = Fix(0, 5);
  PathRun bezier{true, {}};
  for (int i = 1; i <= 12; ++i) {
    bezier.points.push_back(Fix(i, 5));
  }
  curves.runs = {bezier};
  auto path = detail::MakePath({lines, curves});
  std::vector<std::pair<FLONG, std::size_t>> shape;
  for (const Record& record : Records(&path->po)) {
    shape.emplace_back(record.flags, record.points.size());
  }
  std::vector<std::pair<FLONG, std::size_t>> expected = {
      {PD_BEGINSUBPATH, 8}, {0, 8}, {PD_ENDSUBPATH, 5},
      {PD_BEGINSUBPATH | PD_BEZIERS, 7}, {PD_BEZIERS | PD_ENDSUBPATH, 6}};
  EXPECT_EQ(shape, expected);
  SetObjectSettings(ObjectSettings{});
}

// A clip of n rectangles, one pixel tall each, apart from each other.
ClipSpec Rows(int n) {
  ClipSpec clip;
  for (int i = 0; i < n; ++i) {
    clip.rectangles.push_back(RECTL{0, 2 * i, 10, 2 * i + 1});
  }
  return clip;
}

TEST_F(EngineObjectsTest, ClipEnumerationThroughA132ByteBuffer) {
  struct Case {
    int rectangles;
    ULONG count;  // what cEnumStart answers with a limit of 100
    int batches;
    BYTE complexity;
  };
  for (const Case& c : {Case{0, 0, 1, DC_TRIVIAL}, Case{1, 1, 1, DC_RECT}, Case{8, 8, 1, DC_COMPLEX},
                        Case{9, 9, 2, DC_COMPLEX}, Case{100, 100, 13, DC_COMPLEX},
                        Case{101, 0xFFFFFFFF, 13, DC_COMPLEX}}) {
    SCOPED_TRACE(c.rectangles);
    bool outside = false;
    // An empty region never reaches a driver through the host; it is made by hand here.
    auto clip = c.rectangles == 0
                    ? std::make_unique<detail::Clip>()
                    : detail::MakeClip(Rows(c.rectangles), POINTL{0, 0},
                                       RECTL{0, 0, 1000, 1000}, RECTL{0, 0, 10, 10}, &outside);
    ASSERT_FALSE(outside);
    EXPECT_EQ(clip->co.iDComplexity, c.complexity);
    EXPECT_EQ(CLIPOBJ_cEnumStart(&clip->co, FALSE, CT_RECTANGLES, CD_ANY, 100), c.count);
    ULONG buffer[33];
    auto* rects = reinterpret_cast<ENUMRECTS*>(buffer);
    int seen = 0;
    int batches = 0;
    BOOL more;
    do {  // fetch, process, stop when told none remain
      more = CLIPOBJ_bEnum(&clip->co, sizeof buffer, buffer);
      seen += static_cast<int>(rects->c);
      ++batches;
    } while (more);
    EXPECT_EQ(seen, c.rectangles);
    EXPECT_EQ(batches, c.batches);
    // The faulty loop that tests the answer first loses the last batch.
    CLIPOBJ_cEnumStart(&clip->co, FALSE, CT_RECTANGLES, CD_ANY, 0);
    int while_seen = 0;
    while (CLIPOBJ_bEnum(&clip->co, sizeof buffer, buffer)) {
      while_seen += static_cast<int>(rects->c);
    }
    if (seen > 0) {
      EXPECT_LT(while_seen, seen);
    }
  }
}

TEST_F(EngineObjectsTest, ARegionIsCutIntoBandsAndToTheSurface) {
  std::vector<RECTL> region = detail::NormaliseRegion(
      {RECTL{0, 0, 10, 10}, RECTL{5, 0, 15, 10}, RECTL{0, 10, 15, 20}, RECTL{3, 3, 3, 9}});
  ASSERT_EQ(region.size(), 1u);
  EXPECT_EQ(region[0].right, 15);
  EXPECT_EQ(region[0].bottom, 20);
  bool outside = false;
  ClipSpec clip{{RECTL{-5, -5, 5, 5}}, std::nullopt};
  auto cut = detail::MakeClip(clip, POINTL{0, 0}, RECTL{0, 0, 100, 100}, RECTL{-5, -5, 5, 5},
                              &outside);
  EXPECT_EQ(cut->co.iDComplexity, DC_RECT);
  EXPECT_EQ(cut->co.rclBounds.left, 0);
  EXPECT_EQ(cut->co.rclBounds.right, 5);
  detail::MakeClip(ClipSpec{}, POINTL{0, 0}, RECTL{0, 0, 100, 100}, RECTL{100, 0, 120, 10},
                   &outside);
  EXPECT_TRUE(outside);
}

TEST_F(EngineObjectsTest, ClipPathsHaveOneClosedSubpathPerRectangle) {
  bool outside = false;
  auto clip = detail::MakeClip(Rows(2), POINTL{0, 0}, RECTL{0, 0, 100, 100}, RECTL{0, 0, 10, 10},
                               &outside);
  PATHOBJ* path = CLIPOBJ_ppoGetPath(&clip->co);
  ASSERT_NE(path, nullptr);
  std::vector<Record> records = Records(path);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].flags, PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE);
  EXPECT_EQ(records[1].points.size(), 4u);
  EXPECT_FALSE(LedgerProblems().empty()) << "a path not yet deleted is in the ledger";
  EngDeletePath(path);
}

struct RleCase {
  const char* name;
  ULONG format;
  bool top_down;
  bool translate;
};

TEST_F(EngineObjectsTest, RunLengthSourcesDecodeToTheirPixels) {
  // A 4 × 3 picture, rows from the top: 1 1 2 3 / 4 0 0 5 / 6 6 6 6.
  const std::vector<std::vector<BYTE>> picture = {{1, 1, 2, 3}, {4, 0, 0, 5}, {6, 6, 6, 6}};
  // RLE8 rows: encoded runs, an absolute run with its pad byte, a delta, end of line and of
  // bitmap.
  auto encode8 = [&](bool top_down) {
    std::vector<BYTE> out;
    for (int i = 0; i < 3; ++i) {
      const std::vector<BYTE>& row = picture[top_down ? i : 2 - i];
      if (row[1] == 0) {  // 4 0 0 5: absolute 1, delta 2 right, absolute 1
        out.insert(out.end(), {1, row[0], 0, 2, 2, 0, 1, row[3], 0, 0});
      } else if (row[0] == row[1] && row[1] == row[2]) {
        out.insert(out.end(), {4, row[0], 0, 0});
      } else {
        out.insert(out.end(), {1, row[0], 0, 3, row[1], row[2], row[3], 0, 0, 0});
      }
    }
    out.insert(out.end(), {0, 1});
    return out;
  };
  auto encode4 = [&](bool top_down) {
    std::vector<BYTE> out;
    for (int i = 0; i < 3; ++i) {
      const std::vector<BYTE>& row = picture[top_down ? i : 2 - i];
      // Absolute run of 4 nibbles (2 bytes, already 16-bit aligned).
      out.insert(out.end(), {0, 4, static_cast<BYTE>(row[0] << 4 | row[1]),
                             static_cast<BYTE>(row[2] << 4 | row[3]), 0, 0});
    }
    out.insert(out.end(), {0, 1});
    return out;
  };
  for (const RleCase& c : {RleCase{"rle8 bottom-up", BMF_8RLE, false, false},
                           RleCase{"rle8 top-down", BMF_8RLE, true, true},
                           RleCase{"rle4 bottom-up", BMF_4RLE, false, true},
                           RleCase{"rle4 top-down", BMF_4RLE, true, false}}) {
    SCOPED_TRACE(c.name);
    BitmapSpec source{c.format, 4, 3, c.top_down,
                      c.format == BMF_8RLE ? encode8(c.top_down) : encode4(c.top_down)};
    HSURF source_surface = detail::MakeBitmapSurface(source, true);
    HBITMAP copy = EngCreateBitmap(SIZEL{4, 3}, 4, BMF_8BPP, BMF_TOPDOWN, nullptr);
    ASSERT_NE(copy, nullptr);
    SURFOBJ* target = EngLockSurface(reinterpret_cast<HSURF>(copy));
    XlateSpec spec{PAL_INDEXED, PAL_RGB, {}, false};
    for (ULONG i = 0; i < 8; ++i) {
      spec.entries.push_back(0x100 + i * 10);  // the low byte is the new index
    }
    auto xlate = detail::MakeXlate(spec);
    RECTL rect{0, 0, 4, 3};
    POINTL from{0, 0};
    ASSERT_TRUE(EngCopyBits(target, &detail::SurfaceOf(source_surface)->so, nullptr,
                            c.translate ? &xlate->xo : nullptr, &rect, &from));
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 4; ++x) {
        BYTE expected = picture[y][x];
        if (c.translate) {
          expected = static_cast<BYTE>(expected * 10);
        }
        EXPECT_EQ(static_cast<BYTE*>(target->pvBits)[y * 4 + x], expected) << x << "," << y;
      }
    }
    EngUnlockSurface(target);
    EngDeleteSurface(reinterpret_cast<HSURF>(copy));
    EngDeleteSurface(source_surface);
  }
}

TEST_F(EngineObjectsTest, CopyBitsRefusesOtherFormatPairs) {
  HBITMAP a = EngCreateBitmap(SIZEL{4, 4}, 12, BMF_24BPP, 0, nullptr);
  HBITMAP b = EngCreateBitmap(SIZEL{4, 4}, 4, BMF_8BPP, 0, nullptr);
  SURFOBJ* sa = EngLockSurface(reinterpret_cast<HSURF>(a));
  SURFOBJ* sb = EngLockSurface(reinterpret_cast<HSURF>(b));
  RECTL rect{0, 0, 4, 4};
  POINTL from{0, 0};
  EXPECT_FALSE(EngCopyBits(sb, sa, nullptr, nullptr, &rect, &from));
  EngUnlockSurface(sa);
  EngUnlockSurface(sb);
  EXPECT_FALSE(LedgerProblems().empty()) << "two surfaces still alive";
  EngDeleteSurface(reinterpret_cast<HSURF>(a));
  EngDeleteSurface(reinterpret_cast<HSURF>(b));
}

TEST_F(EngineObjectsTest, BitmapsTakeTheCallersStrideAndRefuseEmptySizes) {
  HBITMAP bitmap = EngCreateBitmap(SIZEL{9, 3}, -8, BMF_1BPP, 0, nullptr);
  SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(bitmap));
  EXPECT_EQ(so->cjBits, 24u);
  EXPECT_EQ(so->lDelta, -8) << "bottom-up";
  EXPECT_EQ(static_cast<BYTE*>(so->pvScan0), static_cast<BYTE*>(so->pvBits) + 16);
  EXPECT_EQ(static_cast<BYTE*>(so->pvBits)[5], 0) << "engine bits are zero-filled";
  EXPECT_EQ(EngCreateBitmap(SIZEL{0, 3}, 4, BMF_1BPP, 0, nullptr), nullptr);
  EXPECT_EQ(EngCreateBitmap(SIZEL{3, 0}, 4, BMF_1BPP, 0, nullptr), nullptr);
  FailCalls("EngCreateBitmap", 0, 1);
  EXPECT_EQ(EngCreateBitmap(SIZEL{3, 3}, 4, BMF_1BPP, 0, nullptr), nullptr);
  EXPECT_FALSE(LedgerProblems().empty()) << "the lock is in the ledger";
  EngUnlockSurface(so);
  EngDeleteSurface(reinterpret_cast<HSURF>(bitmap));
}

TEST_F(EngineObjectsTest, FontTransformsFollowTheEscapement) {
  // s = 100 pixels, u = 2000 units, w = 0.5: k = 0.05.
  struct Case {
    double escapement;
    POINTL expected_em;  // (0, 5760) transformed
  };
  for (const Case& c : {Case{0, {0, 288}}, Case{90, {288, 0}}, Case{180, {0, -288}},
                        Case{270, {-288, 0}}}) {
    SCOPED_TRACE(c.escapement);
    auto xform = detail::MakeXform(FontTransform(100, 2000, c.escapement, 0.5));
    POINTL points[2] = {{0, 5760}, {2000, 0}};
    ASSERT_TRUE(XFORMOBJ_bApplyXform(&xform->xo, XF_LTOL, 2, points, points));
    EXPECT_EQ(points[0].x, c.expected_em.x);
    EXPECT_EQ(points[0].y, c.expected_em.y);
    EXPECT_EQ(std::abs(points[1].x) + std::abs(points[1].y), 50) << "the width factor";
    FLOATOBJ_XFORM m;
    EXPECT_EQ(XFORMOBJ_iGetFloatObjXform(&xform->xo, &m),
              c.escapement == 0 || c.escapement == 180 ? GX_SCALE : GX_GENERAL);
  }
}

TEST_F(EngineObjectsTest, ApplyingATransformRoundsHalfAwayFromZeroInPlace) {
  auto xform = detail::MakeXform(XformSpec{0.5, 0, 0, 0.5, 0, 0});
  POINTL points[4] = {{1, -1}, {3, -3}, {2, -2}, {5, 7}};
  ASSERT_TRUE(XFORMOBJ_bApplyXform(&xform->xo, XF_LTOL, 4, points, points));
  EXPECT_EQ(points[0].x, 1);
  EXPECT_EQ(points[0].y, -1);
  EXPECT_EQ(points[1].x, 2);
  EXPECT_EQ(points[1].y, -2);
  EXPECT_EQ(points[2].x, 1);
  EXPECT_EQ(points[3].y, 4);
  POINTL fix{1, 2};
  ASSERT_TRUE(XFORMOBJ_bApplyXform(&xform->xo, XF_LTOFX, 1, &fix, &fix));
  EXPECT_EQ(fix.x, 8);
  EXPECT_EQ(fix.y, 16);
}

TEST_F(EngineObjectsTest, HatchBrushesCarryTheirPatternAndTwoColours) {
  auto brush = detail::MakeBrush(BrushSpec::Hatch(HS_HORIZONTAL, 0x0000FF, 0xFFFFFF), nullptr,
                                 nullptr, false);
  EXPECT_EQ(brush->bo.iSolidColor, 0xFFFFFFFFu);
  SURFOBJ& pattern = detail::SurfaceOf(brush->pattern)->so;
  EXPECT_EQ(pattern.iBitmapFormat, BMF_1BPP);
  EXPECT_EQ(pattern.fjBitmap, BMF_TOPDOWN);
  EXPECT_EQ(static_cast<BYTE*>(pattern.pvBits)[3 * 4], 0xFF);
  EXPECT_EQ(XLATEOBJ_iXlate(&brush->xlate->xo, 0), 0xFFFFFFu);
  EXPECT_EQ(XLATEOBJ_iXlate(&brush->xlate->xo, 1), 0x0000FFu);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(&brush->bo), nullptr) << "no driver to realize it";
  void* memory = BRUSHOBJ_pvAllocRbrush(&brush->bo, 12);
  EXPECT_NE(memory, nullptr) << "freed with the brush";
}

TEST_F(EngineObjectsTest, PatternBrushesCarryTheirBitsAndOneEntryPerColour) {
  BrushSpec spec;
  spec.kind = BrushKind::kPattern;
  spec.pattern = BitmapSpec{BMF_8BPP, 4, 2, false, {1, 2, 3, 4, 5, 6, 7, 8}};
  spec.palette = {0x000000, 0x0000FF, 0x00FF00};
  auto brush = detail::MakeBrush(spec, nullptr, nullptr, true);
  EXPECT_EQ(brush->hatch, HS_DDI_MAX);
  SURFOBJ& pattern = detail::SurfaceOf(brush->pattern)->so;
  EXPECT_EQ(pattern.iBitmapFormat, BMF_8BPP);
  EXPECT_EQ(pattern.fjBitmap, 0) << "bottom-up as asked";
  EXPECT_EQ(static_cast<BYTE*>(pattern.pvScan0)[0], 5) << "the top row is the last in memory";
  EXPECT_EQ(brush->xlate->xo.cEntries, 3u);
  EXPECT_EQ(XLATEOBJ_iXlate(&brush->xlate->xo, 2), 0x00FF00u);
}

}  // namespace
}  // namespace vel::platform::engine
