// The cached cast answers as dynamic_cast does, for every object, also once its answer is kept.
#include "framework/core/CachedCast.h"

#include <gtest/gtest.h>

#include <thread>

#include "framework/core/GRecord.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/core/MPersistentCompositeOnDisk.h"
#include "rw/RWCollectable.h"
#include "tests/support/FwTestObjects.h"

namespace {

// Each cast twice (the second from the kept answer), for two objects of each class.
void ExpectSameAnswers() {
  FwTestLeaf leaves[2] = {FwTestLeaf(1, 1), FwTestLeaf(2, 2)};
  MPersistentComposite composites[2];
  MPersistentCompositeOnDiskImp stores[2];  // a second base: casts move the pointer
  RWCollectable plain[2];
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 2; ++i) {
      RWCollectable* objects[] = {&leaves[i], &composites[i], &stores[i], &plain[i]};
      for (RWCollectable* object : objects) {
        EXPECT_EQ(vel::CachedCast<GBaseObject>(object), dynamic_cast<GBaseObject*>(object));
        EXPECT_EQ(vel::CachedCast<const GBaseObject>(static_cast<const RWCollectable*>(object)),
                  dynamic_cast<const GBaseObject*>(object));
        EXPECT_EQ(vel::CachedCast<GRecordStore>(object), dynamic_cast<GRecordStore*>(object));
      }
      GBaseObject* store = &stores[i];
      EXPECT_EQ(vel::CachedCast<GRecordStore>(store), dynamic_cast<GRecordStore*>(store));
      EXPECT_NE(static_cast<void*>(vel::CachedCast<GRecordStore>(store)), static_cast<void*>(store));
    }
  }
  EXPECT_EQ(vel::CachedCast<GBaseObject>(static_cast<RWCollectable*>(nullptr)), nullptr);
}

TEST(CachedCastTest, AnswersAsDynamicCastOnEveryThread) {
  ExpectSameAnswers();
  std::thread(ExpectSameAnswers).join();
}

}  // namespace
