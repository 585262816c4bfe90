// Drawing from several threads at once: each thread draws on its own memory DC while the object
// table, the journal and the font cache are shared.
#include <thread>

#include "tests/platform_gdi/GdiTestSupport.h"

namespace vel::test {
namespace {

using GdiThreadsTest = GdiTest;

TEST_F(GdiThreadsTest, ThreadsDrawOnTheirOwnDcsSideBySide) {
  constexpr int kThreads = 4;
  std::vector<platform::Image> pictures(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([i, &pictures] {
      for (int round = 0; round < 20; ++round) {
        Canvas canvas(40, 20, false);
        Canvas mask(40, 20, true);
        HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0,
                                 i % 2 == 0 ? u"Arial" : u"Times New Roman");
        HGDIOBJ old = SelectObject(canvas.dc(), font);
        SetBkMode(canvas.dc(), TRANSPARENT);
        TextOutW(canvas.dc(), 2, 2, u"Page", 4);
        SetBkColor(canvas.dc(), RGB(255, 255, 255));
        BitBlt(mask.dc(), 0, 0, 40, 20, canvas.dc(), 0, 0, SRCCOPY);
        SelectObject(canvas.dc(), old);
        DeleteObject(font);
        pictures[static_cast<std::size_t>(i)] = mask.Pixels();
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(platform::LiveGdiObjects(), 0);
  EXPECT_TRUE(platform::GdiFaults().empty());
  // Threads that drew the same calls drew the same pixels.
  EXPECT_EQ(pictures[0].pixels, pictures[2].pixels);
  EXPECT_EQ(pictures[1].pixels, pictures[3].pixels);
  EXPECT_NE(pictures[0].pixels, pictures[1].pixels);
}

}  // namespace
}  // namespace vel::test
