// The cached cast answers as dynamic_cast does, for every object, also once its answer is kept,
// and drops what it kept, on every thread, when code is unloaded.
#include "framework/core/CachedCast.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <typeinfo>
#include <vector>

#include "framework/core/GDynamicLibrary.h"
#include "framework/core/GRecord.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/core/MPersistentCompositeOnDisk.h"
#include "platform/win32/loader.h"
#include "rw/RWCollectable.h"
#include "tests/support/FwTestObjects.h"
#include "vel_flavour.h"

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

TEST(CachedCastTest, AnswersAsDynamicCastAfterForgetting) {
  ExpectSameAnswers();
  vel::ForgetCachedCasts();
  ExpectSameAnswers();
  vel::ForgetCachedCasts();
  std::thread(ExpectSameAnswers).join();
}

// Plants in the calling thread's table for casts from RWCollectable to GBaseObject the answer that
// `object`'s type does not cast: what a type that went with an unloaded library and had the same
// type_info address would have left behind.
void PlantStaleAnswer(RWCollectable* object) {
  vel::cached_cast::Table& table = vel::cached_cast::ThreadTable<GBaseObject, RWCollectable>();
  table.generation = vel::cached_cast::generation.load();
  const std::type_info* type = &typeid(*object);
  const auto from_top = static_cast<std::ptrdiff_t>(
      reinterpret_cast<std::uintptr_t>(object) -
      reinterpret_cast<std::uintptr_t>(dynamic_cast<const volatile void*>(object)));
  vel::cached_cast::SetFor(table.entries, type, from_top)[0] = {type, from_top, 0, false};
}

// A stale answer is used until the answers are forgotten (so the plant reaches the real table), and
// never after.
TEST(CachedCastTest, RegressionStaleAnswerIsNotUsedOnceCastsAreForgotten) {
  FwTestLeaf leaf(1, 1);
  RWCollectable* object = &leaf;
  PlantStaleAnswer(object);
  EXPECT_EQ(vel::CachedCast<GBaseObject>(object), nullptr);
  vel::ForgetCachedCasts();
  EXPECT_EQ(vel::CachedCast<GBaseObject>(object), &leaf);
}

// Forgotten by another thread: the thread that kept the stale answer drops it at its next cast.
TEST(CachedCastTest, ThreadsDropStaleAnswersForgottenElsewhere) {
  FwTestLeaf leaf(1, 1);
  RWCollectable* object = &leaf;
  std::promise<void> planted;
  std::promise<void> forgotten;
  GBaseObject* before = &leaf;
  GBaseObject* after = nullptr;
  std::thread worker([&] {
    PlantStaleAnswer(object);
    before = vel::CachedCast<GBaseObject>(object);
    planted.set_value();
    forgotten.get_future().wait();
    after = vel::CachedCast<GBaseObject>(object);
  });
  planted.get_future().wait();
  vel::ForgetCachedCasts();
  forgotten.set_value();
  worker.join();
  EXPECT_EQ(before, nullptr);
  EXPECT_EQ(after, &leaf);
}

// Threads cast while another forgets over and over: every answer is dynamic_cast's.
TEST(CachedCastTest, ThreadsCastWhileAnotherForgets) {
  std::atomic<bool> done{false};
  std::thread forgetter([&] {
    while (!done.load()) {
      vel::ForgetCachedCasts();
      std::this_thread::yield();
    }
  });
  std::vector<std::thread> casters;
  for (int t = 0; t < 3; ++t) {
    casters.emplace_back([] {
      for (int i = 0; i < 50; ++i) {
        ExpectSameAnswers();
      }
    });
  }
  for (std::thread& caster : casters) {
    caster.join();
  }
  done = true;
  forgetter.join();
}

TEST(CachedCastTest, RegressionUnloadingALibraryForgetsCasts) {
  if (vel::flavour::kIsRenderFlavour) {
    GTEST_SKIP() << "the render module loads no add-ons";
  }
  vel::platform::SetModuleFolder(VEL_TEST_ADDON_DIR, u"C:\\addons");
  FwTestLeaf leaf(1, 1);
  RWCollectable* object = &leaf;
  GDynamicLibrary library(RWWString(u"vel_test_addon.dll"));
  library.Load();
  EXPECT_NE(library.Module(), nullptr);
  PlantStaleAnswer(object);
  EXPECT_EQ(vel::CachedCast<GBaseObject>(object), nullptr);
  library.Unload();
  EXPECT_EQ(vel::CachedCast<GBaseObject>(object), &leaf);
  vel::platform::ResetLoaderFixture();
}

}  // namespace
