// The graphic base and the vector graphics: bundles of graphics, shapes and their point lists,
// rectangles, graphic composites and paths, and their stored forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/GState.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GGraphicComposite.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/GPathGraphic.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/FwTestShape.h"
#include "tests/support/RwRecordingErrorHook.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
namespace classid = vel::classid;

const GPoint kSeven[] = {{1, 2}, {-3, 4}, {5, -6}, {7, 8}, {9, 10}, {11, 12}, {13, 14}};

GRectangleGraphic* Rectangle(std::int16_t l, std::int16_t t, std::int16_t r, std::int16_t b) {
  return new GRectangleGraphic(GRect{l, t, r, b}, nullptr, 0);
}

// A closed path of a rectangle and a nested path of two rectangles.
GPathGraphic* NestedPath() {
  auto* path = new GPathGraphic(new GGraphicBundle, 3);
  path->SetClosed(1);
  path->Add(Rectangle(0, 0, 10, 10));
  auto* inner = new GPathGraphic(4);
  inner->Add(Rectangle(5, 5, 20, 30));
  inner->Add(new FwTestShape(GPointList::CopyOf(kSeven, 3), nullptr, 5));
  path->Add(inner);
  return path;
}

FW_PERSIST_SAMPLES(classid::kGGraphicBundle,
                   {{"graphic bundle empty", [] { return new GGraphicBundle; }}});
FW_PERSIST_SAMPLES(classid::kGRectangleGraphic,
                   {{"rectangle plain", [] { return Rectangle(1, 2, 3, 4); }},
                    {"rectangle with bundle and points", [] {
                       auto* rect = new GRectangleGraphic(GRect{-1, -2, 3, 4}, new GGraphicBundle,
                                                          9);
                       rect->SetStartPoint({1, 2});
                       rect->SetEndPoint({-3, 4});
                       rect->SetCornerSize({5, 6});
                       rect->SetArcDirection(1);
                       return rect;
                     }}});
FW_PERSIST_SAMPLES(classid::kGGraphicComposite,
                   {{"graphic composite empty", [] { return new GGraphicComposite; }},
                    {"graphic composite two rectangles", [] {
                       auto* composite = new GGraphicComposite(new GGraphicBundle, 2);
                       composite->Add(Rectangle(0, 0, 1, 1));
                       composite->Add(Rectangle(2, 2, 3, 3));
                       return composite;
                     }}});
FW_PERSIST_SAMPLES(classid::kGPathGraphic,
                   {{"path empty", [] { return new GPathGraphic; }},
                    {"path nested", [] { return NestedPath(); }}});

// ---- bundles of graphics

TEST(GGraphicTest, TakesOnlyGraphicBundlesAndGivesThemTheGraphicKey) {
  auto* bundle = new GGraphicBundle;
  bundle->SetKey(7);
  GRectangleGraphic rect(GRect{}, bundle, 1);
  EXPECT_EQ(rect.GetGraphicBundle(), bundle);
  EXPECT_EQ(bundle->GetKey(), vel::key::kGraphicsGroup);

  // A state that is not a graphic bundle is refused: destroyed when unheld (AddressSanitizer
  // reports a leak otherwise), alive when a counted reference holds it.
  rect.SetGraphicBundle(new GState(5));
  EXPECT_EQ(rect.GetGraphicBundle(), bundle);
  auto* held = new GState(5);
  const GCountedPtr keep(held);
  rect.SetGraphicBundle(held);
  EXPECT_EQ(held->References(), 0);
  EXPECT_EQ(rect.GetGraphicBundle(), bundle);
  // The bundle held given again changes nothing.
  rect.SetGraphicBundle(bundle);
  EXPECT_EQ(rect.GetGraphicBundle(), bundle);
  EXPECT_EQ(bundle->References(), 0);

  rect.AssignGraphicBundle(keep);
  EXPECT_EQ(rect.GetGraphicBundle(), bundle);
  rect.SetGraphicBundle(nullptr);
  EXPECT_EQ(rect.GetGraphicBundle(), nullptr);
}

TEST(GGraphicTest, KindsAndDispatch) {
  std::unique_ptr<GRectangleGraphic> rect(Rectangle(0, 0, 1, 1));
  std::unique_ptr<GPathGraphic> path(new GPathGraphic);
  GGraphicComposite composite;
  for (const RWClassID id : {659, 651, 602, 601, 751}) {
    EXPECT_TRUE(rect->IsKindOf(static_cast<RWClassID>(id))) << id;
  }
  for (const RWClassID id : {603, 607, 602, 601, 751}) {
    EXPECT_TRUE(path->IsKindOf(static_cast<RWClassID>(id))) << id;
  }
  EXPECT_FALSE(composite.IsKindOf(classid::kGPathGraphic));
  EXPECT_FALSE(rect->IsKindOf(classid::kGGraphicComposite));

  vel::test::FwRecordingHandlers handlers;
  handlers.SetStatus("HandleRectangleGraphic", 7);
  EXPECT_EQ(rect->Accept(handlers), 7);
  EXPECT_EQ(path->Accept(handlers), 0);
  EXPECT_EQ(composite.Accept(handlers), 0);
  EXPECT_EQ(handlers.Names(),
            (std::vector<std::string>{"HandleRectangleGraphic", "HandlePathGraphic"}));
}

// ---- shapes and point lists

TEST(GGraphicTest, ShapeGeometry) {
  FwTestShape one(GPointList::CopyOf(kSeven + 2, 1), nullptr, 0);
  EXPECT_EQ(one.GetBounds(), (GRect{5, -6, 5, -6}));
  FwTestShape seven(new GPointList(kSeven, 7), nullptr, 0);
  EXPECT_EQ(seven.GetBounds(), (GRect{-3, -6, 13, 14}));
  EXPECT_EQ(seven.GetPointCount(), 7u);
  EXPECT_EQ(seven.GetBezierCount(), 2u);
  EXPECT_EQ(seven.GetArcDirection(), 2);
  EXPECT_EQ(seven.GetPoint(6), kSeven + 6);

  FwTestShape empty(new GPointList(kSeven, 0), nullptr, 0);
  EXPECT_EQ(empty.GetBounds(), GRect{});
  FwTestShape none(nullptr, nullptr, 0);
  EXPECT_EQ(none.GetBounds(), GRect{});
  EXPECT_EQ(none.GetPointCount(), 0u);

  vel::test::RecordingErrorHook hook;
  EXPECT_EQ(seven.GetPoint(7), nullptr);
  EXPECT_EQ(empty.GetPoint(0), nullptr);
  EXPECT_EQ(none.GetPoint(0), nullptr);
  EXPECT_EQ(hook.Tags(), (std::vector<std::string>(3, "[INDEXERR]")));
}

TEST(GGraphicTest, ShapeOwnsOnlyItsOwnPoints) {
  // A caller's array on the heap, so that AddressSanitizer sees a wrong free.
  auto points = std::make_unique<GPoint[]>(3);
  std::copy(kSeven, kSeven + 3, points.get());
  {
    FwTestShape shape(new GPointList(points.get(), 3), nullptr, 0);
    FwTestShape shared(shape);
    EXPECT_EQ(shared.GetPoint(0), points.get());
    EXPECT_EQ(shared.GetPointList()->IsOwned(), 0);

    shape.MakeUnique();
    EXPECT_EQ(shape.GetPointList()->IsOwned(), 1);
    EXPECT_NE(shape.GetPoint(0), points.get());
    EXPECT_TRUE(shape.IsSameKey(&shared));

    FwTestShape copy(shape);
    EXPECT_EQ(copy.GetPointList()->IsOwned(), 1);
    EXPECT_NE(copy.GetPoint(0), shape.GetPoint(0));
    EXPECT_TRUE(copy.IsSameKey(&shape));
  }
  EXPECT_EQ(points[2], kSeven[2]);  // still ours
}

TEST(GGraphicTest, ShapeEquality) {
  auto make = [] { return std::make_unique<FwTestShape>(new GPointList(kSeven, 4), nullptr, 1); };
  const auto base = make();
  EXPECT_TRUE(base->IsSameKey(make().get()));
  const std::vector<std::function<void(FwTestShape&)>> changes = {
      [](FwTestShape& s) { s.SetArcDirection(1); },
      [](FwTestShape& s) { s.SetStartPoint({0, 1}); },
      [](FwTestShape& s) { s.SetEndPoint({1, 0}); },
      [](FwTestShape& s) { s.SetCornerSize({1, 1}); },
      [](FwTestShape& s) { s.SetKey(2); },
      [](FwTestShape& s) { s.SetGraphicBundle(new GGraphicBundle); },
  };
  for (std::size_t i = 0; i < changes.size(); ++i) {
    auto changed = make();
    changes[i](*changed);
    EXPECT_FALSE(base->IsSameKey(changed.get())) << i;
  }
  FwTestShape other_points(new GPointList(kSeven + 1, 4), nullptr, 1);
  FwTestShape fewer(new GPointList(kSeven, 3), nullptr, 1);
  FwTestShape no_list(nullptr, nullptr, 1);
  EXPECT_FALSE(base->IsSameKey(&other_points));
  EXPECT_FALSE(base->IsSameKey(&fewer));
  EXPECT_FALSE(base->IsSameKey(&no_list));
  GRectangleGraphic rect(base->GetBounds(), nullptr, 1);
  FwTestShape no_points(nullptr, nullptr, 1);
  EXPECT_FALSE(rect.IsSameKey(&no_points));  // another class
}

// ---- stored forms

TEST(GGraphicTest, StoredSizes) {
  GGraphicBundle bundle;
  EXPECT_EQ(bundle.StoredByteCount(), 36u);
  GRectangleGraphic rect(GRect{1, 2, 3, 4}, nullptr, 0);
  EXPECT_EQ(rect.StoredByteCount(), 62u);
  FwTestShape bare(nullptr, nullptr, 0);
  for (const std::uint32_t n : {0u, 1u, 7u}) {
    FwTestShape shape(new GPointList(kSeven, n), nullptr, 0);
    EXPECT_EQ(shape.StoredByteCount(), bare.StoredByteCount() + 4 + 4 * n) << n;
  }
  EXPECT_EQ(GGraphicComposite().StoredByteCount(), 52u);
  EXPECT_EQ(GPathGraphic().StoredByteCount(), 60u);
}

TEST(GGraphicTest, GoldenRectangle) {
  GRectangleGraphic rect(GRect{1, 2, 3, 4}, nullptr, 0);
  const Bytes bytes = vel::test::SaveGraph(Carrier::kFile, &rect);
  // File magic 4, class id 2, the command part 22.
  ASSERT_EQ(bytes.size(), 6u + 62u);
  const Bytes tail(bytes.begin() + 6 + 22, bytes.end());
  EXPECT_TRUE(vel::test::BytesEqual(vel::test::HexBytes("01 00 00 00  01 00 00 00  02 00 00 00  "
                                                        "00 00 00 00  01 00 02 00 03 00 04 00  "
                                                        "00 00 00 00 00 00 00 00 00 00 00 00  "
                                                        "01 00 00 00"),
                                    tail));
}

class GGraphicCarrierTest : public ::testing::TestWithParam<Carrier> {};

INSTANTIATE_TEST_SUITE_P(Carriers, GGraphicCarrierTest, ::testing::ValuesIn(vel::test::kAllCarriers));

TEST_P(GGraphicCarrierTest, ShapeRestoresAnOwnedList) {
  FwTestShape shape(new GPointList(kSeven, 7), nullptr, 4);
  vel::test::Restored restored =
      vel::test::RestoreGraph(GetParam(), vel::test::SaveGraph(GetParam(), &shape));
  ASSERT_FALSE(restored.failed);
  const auto* read = dynamic_cast<const FwTestShape*>(restored.object);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetPointList()->IsOwned(), 1);
  EXPECT_TRUE(read->IsSameKey(&shape));
  vel::test::DeleteRestored(restored.object);

  // Restored over a shape with a list, a shape without one drops it.
  FwTestShape bare(nullptr, nullptr, 4);
  FwTestShape target(GPointList::CopyOf(kSeven, 2), nullptr, 0);
  restored = vel::test::RestoreInto(GetParam(), vel::test::SaveGraph(GetParam(), &bare), target);
  EXPECT_FALSE(restored.failed);
  EXPECT_EQ(target.GetPointList(), nullptr);
}

TEST(GGraphicTest, DamagedPointCountsFailAndLeaveTheShape) {
  // A shape of one point; its count word patched.
  FwTestShape one(GPointList::CopyOf(kSeven, 1), nullptr, 0);
  const Bytes good = vel::test::SaveGraph(Carrier::kFile, &one);
  // Magic 4, class name record, the graphic part 26, version, arc direction, flag: find the count
  // by its value after the flag word 1.
  const Bytes flag_and_count = vel::test::HexBytes("01 00 00 00  01 00 00 00  01 00 02 00");
  auto at = std::search(good.begin(), good.end(), flag_and_count.begin(), flag_and_count.end());
  ASSERT_NE(at, good.end());
  const std::size_t count_at = static_cast<std::size_t>(at - good.begin()) + 4;
  for (const std::uint32_t count : {2u, 1000u, GShapeGraphic::kMaxStoredPoints + 1, 0xFFFFFFFFu}) {
    Bytes bad = good;
    for (int i = 0; i < 4; ++i) {
      bad[count_at + i] = static_cast<std::uint8_t>(count >> (8 * i));
    }
    FwTestShape target(GPointList::CopyOf(kSeven + 3, 2), nullptr, 0);
    const vel::test::Restored restored = vel::test::RestoreInto(Carrier::kFile, bad, target);
    EXPECT_TRUE(restored.failed) << count;
    ASSERT_NE(target.GetPointList(), nullptr);
    EXPECT_EQ(target.GetPointCount(), 2u) << count;
    EXPECT_EQ(*target.GetPoint(0), kSeven[3]);
  }
}

// ---- composites and paths

TEST(GGraphicTest, CompositeTakesOnlyGraphicsAndIsExpanded) {
  GGraphicComposite composite(nullptr, 1);
  composite.Add(new GNullCommand);  // refused and destroyed
  auto* held = new GNullCommand;
  const GCountedPtr keep(held);
  composite.Add(held);
  EXPECT_EQ(held->References(), 0);
  composite.Add(Rectangle(0, 0, 1, 1));
  composite.Add(Rectangle(1, 1, 2, 2));
  ASSERT_EQ(composite.Count(), 2u);
  EXPECT_EQ(composite.AsComposite(), &composite.Children());
  std::unique_ptr<GIterator> it(composite.CreateIterator());
  int seen = 0;
  while (it->Advance() != 0) {
    ++seen;
  }
  EXPECT_EQ(seen, 2);
  GGraphicComposite copy(composite);
  EXPECT_EQ(copy.Children().ChildAt(0), composite.Children().ChildAt(0));
  EXPECT_TRUE(copy.IsSameKey(&composite));
  composite.Clear();
  EXPECT_EQ(composite.Count(), 0u);
  EXPECT_FALSE(copy.IsSameKey(&composite));
}

TEST(GGraphicTest, PathIsNotExpandedAndHasBounds) {
  std::unique_ptr<GPathGraphic> path(NestedPath());
  EXPECT_EQ(path->AsComposite(), nullptr);
  std::unique_ptr<GIterator> it(path->CreateIterator());
  EXPECT_EQ(it->Advance(), 0);
  EXPECT_EQ(path->Count(), 2u);
  EXPECT_EQ(path->GetBounds(), (GRect{-3, -6, 20, 30}));

  GPathGraphic two;
  two.Add(Rectangle(0, 0, 10, 10));
  two.Add(Rectangle(5, 5, 20, 30));
  EXPECT_EQ(two.GetBounds(), (GRect{0, 0, 20, 30}));
  GPathGraphic of_empty;
  of_empty.Add(new GPathGraphic);
  EXPECT_EQ(of_empty.GetBounds(), GRect{});
  GPathGraphic far;  // the first contribution sets the bounds, even away from the origin
  far.Add(Rectangle(5, 6, 7, 8));
  EXPECT_EQ(far.GetBounds(), (GRect{5, 6, 7, 8}));

  GPathGraphic copy(*path);
  EXPECT_EQ(copy.IsClosed(), 1);
  EXPECT_TRUE(copy.IsSameKey(path.get()));
  copy.SetClosed(0);
  EXPECT_FALSE(copy.IsSameKey(path.get()));
}

}  // namespace
