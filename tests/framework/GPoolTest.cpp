// Tray and media pools: lookups by tray id and by paper id under an exact orientation and
// resolution, the media iterator, and the choice class an enumeration fixes.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/GMedia.h"
#include "framework/core/GMediaPool.h"
#include "framework/core/GTray.h"
#include "framework/core/GTrayPool.h"
#include "tests/support/FwPersistHarness.h"

namespace {

GMedia* Media(std::int16_t paper_id,
              std::int32_t orientation,
              std::uint16_t resolution_x,
              std::uint16_t resolution_y,
              const char* name = "Paper") {
  const std::int16_t size[2] = {100, 200};
  return new GMedia(name, size, size, nullptr, orientation, paper_id, resolution_x, resolution_y,
                    vel::key::kMedia, 0, nullptr, nullptr);
}

FW_PERSIST_SAMPLES(vel::classid::kGTrayPool,
                   {{"tray pool empty", [] { return new GTrayPool(0); }},
                    {"tray pool two", [] {
                       auto* pool = new GTrayPool(7);
                       pool->Add(new GTray("Tray 1", 1, 1));
                       pool->Add(new GTray("Tray 2", 2, 2));
                       pool->SelectNext();
                       return pool;
                     }}});

FW_PERSIST_SAMPLES(vel::classid::kGMediaPool,
                   {{"media pool empty", [] { return new GMediaPool(vel::key::kMediaPool); }},
                    {"media pool two", [] {
                       auto* pool = new GMediaPool(vel::key::kMediaPool);
                       pool->Add(Media(1, 0, 600, 600));
                       pool->Add(Media(1, 90, 600, 600));
                       return pool;
                     }}});

TEST(GMediaPoolTest, FindByPaperIdNeedsTheExactOrientationAndResolution) {
  GMediaPool pool(vel::key::kMediaPool);
  pool.Add(Media(5, 0, 600, 600, "first"));
  pool.Add(Media(5, 0, 600, 300, "half"));
  pool.Add(Media(6, 90, 600, 600, "turned"));
  pool.Add(Media(5, 0, 1200, 1200, "fine"));
  // Equal to the first in all but the name: a distinct choice found after it.
  pool.Add(Media(5, 0, 600, 600, "second"));
  ASSERT_EQ(pool.Count(), 5u);

  GMedia* found = pool.FindByPaperId(5, 0, 600);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->GetName(), RWCString("first"));
  EXPECT_EQ(pool.FindByPaperId(5, 0, 600, 300)->GetName(), RWCString("half"));
  EXPECT_EQ(pool.FindByPaperId(5, 0, 300, 600), nullptr);
  EXPECT_EQ(pool.FindByPaperId(5, 0, 300), nullptr);
  EXPECT_EQ(pool.FindByPaperId(5, 90, 600), nullptr);
  EXPECT_EQ(pool.FindByPaperId(6, 90, 600)->GetName(), RWCString("turned"));
  EXPECT_EQ(pool.FindByPaperId(7, 0, 600), nullptr);
}

TEST(GMediaPoolTest, MediaIteratorFiltersAndEndsAtMinusOne) {
  GMediaPool pool(vel::key::kMediaPool);
  pool.Add(Media(1, 0, 600, 600));
  pool.Add(Media(2, 90, 600, 600));
  pool.Add(Media(3, 0, 600, 600));

  std::unique_ptr<GIterator> upright(pool.CreateMediaIterator(0, 600));
  std::vector<std::int16_t> ids;
  while (upright->Advance() != 0) {
    ids.push_back(static_cast<GMedia*>(upright->Current())->GetPaperId());
  }
  EXPECT_EQ(ids, (std::vector<std::int16_t>{1, 3}));

  std::unique_ptr<GIterator> none(pool.CreateMediaIterator(270, 600, 600));
  EXPECT_EQ(none->Advance(), 0);
  EXPECT_EQ(static_cast<GMediaIterator*>(none.get())->Index(), -1);
  EXPECT_EQ(none->Advance(), 0);
}

TEST(GTrayPoolTest, FindTrayById) {
  GTrayPool pool(0);
  EXPECT_EQ(pool.FindTrayById(1), nullptr);
  pool.Add(new GTray("Upper", 1, 1));
  pool.Add(new GTray("Lower", -2, 2));
  pool.Add(new GTray("Also upper", 1, 3));
  EXPECT_EQ(pool.FindTrayById(1)->GetName(), RWCString("Upper"));
  // The id is compared as 16 bits.
  EXPECT_EQ(pool.FindTrayById(0xFFFE)->GetName(), RWCString("Lower"));
  EXPECT_EQ(pool.FindTrayById(3), nullptr);
}

TEST(GTrayPoolTest, MediaFirstFixesTheChoiceClassAndATrayIsRefused) {
  GTrayPool pool(0);
  pool.Add(Media(1, 0, 600, 600));
  EXPECT_EQ(pool.GetChoiceClassId(), vel::classid::kGMedia);
  auto* tray = new GTray("Tray", 1, 0);
  GCountedPtr watch(tray);  // keeps the tray alive to see that the pool refused it
  pool.Add(tray);
  EXPECT_EQ(pool.Count(), 1u);
  EXPECT_EQ(tray->References(), 0);
  EXPECT_EQ(pool.FindTrayById(1), nullptr);
}

TEST(GPoolTest, CopiesAndClassChain) {
  GMediaPool pool(vel::key::kMediaPool);
  pool.Add(Media(1, 0, 600, 600));
  std::unique_ptr<GMediaPool> copy(static_cast<GMediaPool*>(pool.Clone()));
  EXPECT_TRUE(copy->IsEqual(&pool));
  EXPECT_EQ(copy->FindByPaperId(1, 0, 600), pool.FindByPaperId(1, 0, 600));  // shared choices
  for (RWClassID id : {vel::classid::kGMediaPool, vel::classid::kGEnumAttribute,
                       vel::classid::kGAttributeComposite, vel::classid::kGAttribute,
                       vel::classid::kGBaseObject}) {
    EXPECT_TRUE(pool.IsKindOf(id)) << id;
  }
  EXPECT_EQ(pool.CategoryId(), vel::classid::kGEnumAttribute);
  const GTrayPool trays(0);
  EXPECT_FALSE(trays.IsEqual(&pool));
  EXPECT_FALSE(pool.IsKindOf(vel::classid::kGTrayPool));
}

}  // namespace
