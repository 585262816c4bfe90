// Raster paints that share one implementation, copied and dropped on several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GBitmapImp.h"
#include "framework/pipeline/GRasterPaint.h"

namespace {

std::atomic<int> g_deletions{0};

// Pixels that count their deletion: the paint implementation's bitmap lets go of them when the
// implementation itself is deleted.
class CountingPixels : public GBitmapImp {
 public:
  ~CountingPixels() override { g_deletions.fetch_add(1); }
};

TEST(GRasterPaintThreadsTest, TheSharedImplementationIsDeletedOnceAfterTheLastCopy) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 20;
  constexpr int kSteps = 300;
  for (int round = 0; round < kRounds; ++round) {
    g_deletions = 0;
    // The bitmap handle goes before the threads start: handles of one bitmap stay on one thread.
    auto* original = new GRasterPaint(GBitmap(new CountingPixels));
    std::vector<GRasterPaint> handed(kThreads, *original);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&handed, t] {
        GRasterPaint& mine = handed[t];
        for (int step = 0; step < kSteps; ++step) {
          GRasterPaint copy(mine);
          GRasterPaint other;
          other = copy;
          copy = other;
          mine = copy;
        }
        if (t != 0) {
          mine = GRasterPaint();
        }
      });
    }
    delete original;
    for (auto& thread : threads) {
      thread.join();
    }
    EXPECT_EQ(g_deletions.load(), 0);
    ASSERT_NE(handed[0].GetImplementation(), nullptr);
    EXPECT_EQ(handed[0].GetImplementation()->Uses(), 1);
    handed.clear();
    EXPECT_EQ(g_deletions.load(), 1);
  }
}

}  // namespace
