// The clip attributes: defaults, bounds, equality, copies, the rectangle vector, ownership of the
// path, dispatch and the stored forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GState.h"
#include "framework/pipeline/GClipToPage.h"
#include "framework/pipeline/GClipToPath.h"
#include "framework/pipeline/GClipToRectangle.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"
#include "tests/support/RwRecordingErrorHook.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
namespace classid = vel::classid;

constexpr GRect kA{0, 0, 10, 10};
constexpr GRect kB{5, -5, 20, 8};

GClipToRectangle* TwoRectangles() {
  GRectOrderedVector rectangles;
  rectangles.insert(kA);
  rectangles.insert(kB);
  return new GClipToRectangle(rectangles, 0, 1, 0);
}

// A path of a rectangle and a nested path of another.
GPathGraphic* NestedPath() {
  auto* path = new GPathGraphic(2);
  path->Add(new GRectangleGraphic(kA, nullptr, 0));
  auto* inner = new GPathGraphic(3);
  inner->Add(new GRectangleGraphic(kB, nullptr, 0));
  path->Add(inner);
  return path;
}

FW_PERSIST_SAMPLES(classid::kGClipToPage, {{"clip to page", [] { return new GClipToPage(4); }}});
FW_PERSIST_SAMPLES(classid::kGClipToSingleRectangle,
                   {{"clip to single rectangle default", [] { return new GClipToSingleRectangle; }},
                    {"clip to single rectangle", [] {
                       return new GClipToSingleRectangle(kB, 1, 0, 177);
                     }}});
FW_PERSIST_SAMPLES(classid::kGClipToRectangle,
                   {{"clip to rectangles default", [] { return new GClipToRectangle; }},
                    {"clip to rectangles two", [] { return TwoRectangles(); }}});
FW_PERSIST_SAMPLES(classid::kGClipToPath,
                   {{"clip to path none", [] { return new GClipToPath; }},
                    {"clip to path nested", [] {
                       return new GClipToPath(NestedPath(), 0, 1, 177);
                     }}});

TEST(GClipAttributeTest, DefaultsAndCategory) {
  std::unique_ptr<GClipToPage> page(static_cast<GClipToPage*>(GClipToPage::Create()));
  EXPECT_EQ(page->GetClipRegion(), 0);
  EXPECT_EQ(page->GetFillMode(), 1);
  EXPECT_EQ(page->GetKey(), 0u);
  const GClipToSingleRectangle single;
  const GClipToRectangle rectangles;
  const GClipToPath path;
  for (const GClipAttribute* clip : std::vector<const GClipAttribute*>{&single, &rectangles, &path}) {
    EXPECT_EQ(clip->GetClipRegion(), 2);
    EXPECT_EQ(clip->GetFillMode(), 2);
    EXPECT_EQ(clip->CategoryId(), classid::kGClipAttribute);
    EXPECT_EQ(clip->GetEnabled(), 1);
    for (const RWClassID id : {756, 754, 753, 751}) {
      EXPECT_TRUE(clip->IsKindOf(id)) << id;
    }
  }
  EXPECT_EQ(rectangles.GetRectangleCount(), 0u);
  EXPECT_EQ(rectangles.Rectangles().Capacity(), 1u);
}

TEST(GClipAttributeTest, Bounds) {
  GRect bounds{1, 1, 1, 1};
  EXPECT_FALSE(GClipToPage().GetBounds(bounds));
  EXPECT_FALSE(GClipToRectangle().GetBounds(bounds));
  EXPECT_FALSE(GClipToPath().GetBounds(bounds));
  EXPECT_EQ(bounds, (GRect{1, 1, 1, 1}));  // nothing filled

  std::unique_ptr<GClipToRectangle> two(TwoRectangles());
  ASSERT_TRUE(two->GetBounds(bounds));
  EXPECT_EQ(bounds, (GRect{0, -5, 20, 10}));
  ASSERT_TRUE(GClipToRectangle(kB, 0, 1, 0).GetBounds(bounds));
  EXPECT_EQ(bounds, kB);
  ASSERT_TRUE(GClipToSingleRectangle(kA, 0, 1, 0).GetBounds(bounds));
  EXPECT_EQ(bounds, kA);
  ASSERT_TRUE(GClipToPath(NestedPath(), 0, 1, 0).GetBounds(bounds));
  EXPECT_EQ(bounds, (GRect{0, -5, 20, 10}));

  EXPECT_EQ(two->GetRectangle(1), kB);
  EXPECT_EQ(two->GetRectangle(2), GRect{});
}

TEST(GClipAttributeTest, Equality) {
  const GClipToSingleRectangle single(kA, 0, 1, 7);
  GClipToSingleRectangle same(kA, 0, 1, 7);
  EXPECT_TRUE(single.IsSameKey(&same));
  for (int coordinate = 0; coordinate < 4; ++coordinate) {
    GRect moved = kA;
    std::int16_t* fields[] = {&moved.left, &moved.top, &moved.right, &moved.bottom};
    ++*fields[coordinate];
    GClipToSingleRectangle other(moved, 0, 1, 7);
    EXPECT_FALSE(single.IsSameKey(&other)) << coordinate;
  }
  GClipToSingleRectangle other_key(kA, 0, 1, 8);
  GClipToSingleRectangle other_rule(kA, 0, 0, 7);
  GClipToSingleRectangle other_region(kA, 1, 1, 7);
  GClipToRectangle other_class(kA, 0, 1, 7);
  for (const GClipAttribute* other :
       std::vector<const GClipAttribute*>{&other_key, &other_rule, &other_region, &other_class}) {
    EXPECT_FALSE(single.IsSameKey(other));
  }

  std::unique_ptr<GClipToRectangle> two(TwoRectangles());
  std::unique_ptr<GClipToRectangle> again(TwoRectangles());
  EXPECT_TRUE(two->IsSameKey(again.get()));
  again->Rectangles().remove(kA);
  again->Rectangles().insert(kA);  // the same rectangles in another order
  EXPECT_FALSE(two->IsSameKey(again.get()));
  GClipToRectangle larger_capacity(GRectOrderedVector(9), 2, 2, 0);
  EXPECT_TRUE(GClipToRectangle().IsSameKey(&larger_capacity));  // two empty lists

  GClipToPath with(NestedPath(), 0, 1, 0);
  GClipToPath with_too(NestedPath(), 0, 1, 0);
  GClipToPath without(nullptr, 0, 1, 0);
  EXPECT_TRUE(with.IsSameKey(&with_too));
  EXPECT_FALSE(with.IsSameKey(&without));
  EXPECT_FALSE(without.IsSameKey(&with));
  GClipToPath without_too(nullptr, 0, 1, 0);
  EXPECT_TRUE(without.IsSameKey(&without_too));
}

TEST(GClipAttributeTest, CopiesKeepEverything) {
  GRectOrderedVector rectangles;
  for (std::int16_t i = 0; i < 5; ++i) {
    rectangles.insert(GRect{i, i, static_cast<std::int16_t>(i + 1), 9});
  }
  GClipToRectangle original(rectangles, 1, 0, 7);
  original.SetSerialNumber(77);
  original.SetEnabled(0);
  GClipToRectangle copy(original);
  EXPECT_EQ(copy.GetKey(), 7u);
  EXPECT_EQ(copy.GetFillMode(), 0);
  EXPECT_EQ(copy.GetClipRegion(), 1);
  EXPECT_EQ(copy.SerialNumber(), 77u);
  EXPECT_EQ(copy.GetEnabled(), 0);
  EXPECT_EQ(copy.Rectangles().Capacity(), original.Rectangles().Capacity());
  ASSERT_EQ(copy.GetRectangleCount(), 5u);
  for (std::uint32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(copy.GetRectangle(i), original.GetRectangle(i));
  }
  GClipToRectangle assigned;
  assigned = original;
  EXPECT_TRUE(assigned.IsSameKey(&original));
  assigned = assigned;
  EXPECT_EQ(assigned.GetRectangleCount(), 5u);

  GClipToSingleRectangle single(kB, 1, 0, 3);
  GClipToSingleRectangle single_copy(single);
  EXPECT_TRUE(single_copy.IsSameKey(&single));
}

TEST(GClipAttributeTest, RectangleVector) {
  GRectOrderedVector vector(64);
  for (std::int16_t i = 0; i < 64; ++i) {
    ASSERT_TRUE(vector.insert(GRect{i, 0, 0, 0}));
  }
  EXPECT_EQ(vector.Capacity(), 64u);
  vector.insert(GRect{64, 0, 0, 0});
  EXPECT_EQ(vector.Capacity(), 128u);
  ASSERT_EQ(vector.Count(), 65u);
  for (std::uint32_t i = 0; i < 65; ++i) {
    EXPECT_EQ(vector.At(i)->left, static_cast<std::int16_t>(i));
  }

  GRectOrderedVector list;
  for (const GRect& rect : {kA, kB, kA, kA, kB}) {
    list.insert(rect);
  }
  EXPECT_EQ(list.index(kB), 1u);
  EXPECT_EQ(list.index(GRect{}), GRectOrderedVector::kNotFound);
  EXPECT_EQ(list.occurrencesOf(kA), 3u);
  EXPECT_TRUE(list.remove(kA));  // kB kA kA kB
  EXPECT_EQ(list.Count(), 4u);
  EXPECT_EQ(*list.At(0), kB);
  EXPECT_FALSE(list.remove(GRect{}));
  EXPECT_EQ(list.removeAll(kA), 2u);  // kB kB
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(*list.At(1), kB);
  EXPECT_EQ(list.removeAll(kA), 0u);

  vel::test::RecordingErrorHook hook;
  EXPECT_EQ(list.At(2), nullptr);
  EXPECT_EQ(hook.Tags(), std::vector<std::string>{"[INDEXERR]"});
}

TEST(GClipAttributeTest, ClipToPathOwnsItsPath) {
  // AddressSanitizer reports a path deleted twice or never.
  GClipToPath original(NestedPath(), 0, 1, 0);
  {
    GClipToPath copy(original);
    ASSERT_NE(copy.GetPath(), nullptr);
    EXPECT_NE(copy.GetPath(), original.GetPath());
    EXPECT_EQ(copy.GetPath()->Children().ChildAt(0), original.GetPath()->Children().ChildAt(0));
  }
  // A restore over a clip with a path replaces it.
  GClipToPath saved(NestedPath(), 1, 0, 5);
  for (const Carrier carrier : vel::test::kAllCarriers) {
    GClipToPath target(NestedPath(), 0, 1, 0);
    const vel::test::Restored restored =
        vel::test::RestoreInto(carrier, vel::test::SaveGraph(carrier, &saved), target);
    EXPECT_FALSE(restored.failed);
    EXPECT_TRUE(target.IsSameKey(&saved));
  }
}

TEST(GClipAttributeTest, Dispatch) {
  GClipToPage page;
  GClipToPath path;
  GClipToRectangle rectangles;
  GClipToSingleRectangle single;
  vel::test::FwRecordingHandlers handlers;
  handlers.SetStatus("HandleClipToPath", 9);
  EXPECT_EQ(page.Accept(handlers), 0);
  EXPECT_EQ(path.Accept(handlers), 9);
  EXPECT_EQ(rectangles.Accept(handlers), 0);
  EXPECT_EQ(single.Accept(handlers), 0);
  EXPECT_EQ(handlers.Names(),
            (std::vector<std::string>{"HandleClipToPage", "HandleClipToPath",
                                      "HandleClipToRectangle", "HandleClipToSingleRectangle"}));
}

TEST(GClipAttributeTest, StoredSizesAndGolden) {
  EXPECT_EQ(GClipToPage().StoredByteCount(), 40u);
  EXPECT_EQ(GClipToSingleRectangle().StoredByteCount(), 48u);
  EXPECT_EQ(GClipToPath(new GPathGraphic, 0, 1, 0).StoredByteCount(), 102u);
  EXPECT_EQ(GClipToPath().StoredByteCount(), 46u);

  std::unique_ptr<GClipToRectangle> two(TwoRectangles());
  EXPECT_EQ(two->StoredByteCount(), 60u);
  const Bytes bytes = vel::test::SaveGraph(Carrier::kFile, two.get());
  // File magic 4, class id 2, the graphic-state attribute part 24.
  ASSERT_EQ(bytes.size(), 6u + 60u);
  const Bytes tail(bytes.begin() + 6 + 24, bytes.end());
  EXPECT_TRUE(vel::test::BytesEqual(vel::test::HexBytes("01 00 00 00  01 00 00 00  00 00 00 00  "
                                                        "01 00 00 00  02 00 00 00  "
                                                        "00 00 00 00 0A 00 0A 00  "
                                                        "05 00 FB FF 14 00 08 00"),
                                    tail));
}

TEST(GClipAttributeTest, DamagedRectangleCountsFailAndLeaveTheClip) {
  std::unique_ptr<GClipToRectangle> two(TwoRectangles());
  const Bytes good = vel::test::SaveGraph(Carrier::kFile, two.get());
  const std::size_t count_at = 6 + 24 + 4 + 8 + 4;
  ASSERT_EQ(good[count_at], 2);
  for (const std::uint32_t count : {3u, 100000u, GClipToRectangle::kMaxStoredRectangles + 1,
                                    0xFFFFFFFFu}) {
    Bytes bad = good;
    for (int i = 0; i < 4; ++i) {
      bad[count_at + i] = static_cast<std::uint8_t>(count >> (8 * i));
    }
    GClipToRectangle target(kB, 0, 1, 0);
    const vel::test::Restored restored = vel::test::RestoreInto(Carrier::kFile, bad, target);
    EXPECT_TRUE(restored.failed) << count;
    ASSERT_EQ(target.GetRectangleCount(), 1u);
    EXPECT_EQ(target.GetRectangle(0), kB);
  }
  // Restored over a clip with rectangles, the stored ones replace them.
  GClipToRectangle target(kB, 0, 1, 0);
  EXPECT_FALSE(vel::test::RestoreInto(Carrier::kFile, good, target).failed);
  EXPECT_TRUE(target.IsSameKey(two.get()));
}

TEST(GClipAttributeTest, ClipToPathRefusesWhatIsNotANewPath) {
  // A clip whose record holds a rectangle where the path belongs.
  GClipToPath saved(NestedPath(), 0, 1, 0);
  Bytes bytes = vel::test::SaveGraph(Carrier::kFile, &saved);
  // File magic 4, clip class id 2, clip part 36, version 4: the path's class id 603 (0x025B).
  const std::size_t path_at = 6 + 36 + 4;
  ASSERT_EQ(bytes[path_at], 0x5B);
  ASSERT_EQ(bytes[path_at + 1], 0x02);
  bytes[path_at] = 0x34;  // 0x1234: no class
  bytes[path_at + 1] = 0x12;
  GClipToPath target(NestedPath(), 0, 1, 0);
  EXPECT_TRUE(vel::test::RestoreInto(Carrier::kFile, bytes, target).failed);
  ASSERT_NE(target.GetPath(), nullptr);  // the old path stays
}

}  // namespace
