// The booklet filter across threads: a job abort delivered on another thread in the middle of a
// page frees the booklet lock for the next job, and jobs recording at once on several threads keep
// their pages apart (the lock lets one page be recorded at a time; the names they meet on step
// aside).
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "framework/pipeline/BookletLock.h"
#include "framework/pipeline/GJobAbort.h"
#include "tests/framework/BookletFixture.h"

namespace {

using booklet_test::BookletChain;
using booklet_test::JobSettings;

class GBookletFilterThreadsTest : public booklet_test::BookletTestBase {};

TEST_F(GBookletFilterThreadsTest, AJobAbortOnAnotherThreadFreesTheLockForTheNextJob) {
  BookletChain aborted;
  std::thread first([&] {
    (void)aborted.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
    aborted.Pages({1});
    (void)aborted.Send(booklet_test::PageStart());
    (void)aborted.Send(booklet_test::PageRectangle(2));
  });
  first.join();
  EXPECT_TRUE(aborted.Booklet().HoldsBookletLock());

  std::thread second([&] { (void)aborted.Send(new GJobAbort(0)); });
  second.join();
  EXPECT_TRUE(vel::BookletLock::Instance().IsFree());
  EXPECT_TRUE(PageFiles().empty());

  // Without the lock freed this job would wait for ever (the test's timeout ends it).
  BookletChain next;
  std::thread third([&] { next.Job(device_.get(), JobSettings{}, 3); });
  third.join();
  EXPECT_EQ(next.RectangleKeys(), (std::vector<std::uint32_t>{1, 2, 3}));
  EXPECT_TRUE(vel::BookletLock::Instance().IsFree());
}

TEST_F(GBookletFilterThreadsTest, JobsRecordingAtOnceKeepTheirPagesApart) {
  constexpr int kJobs = 4;
  std::vector<std::unique_ptr<vel::test::TestRenderDevice>> devices;
  std::vector<std::unique_ptr<BookletChain>> chains;
  for (int job = 0; job < kJobs; ++job) {
    devices.push_back(std::make_unique<vel::test::TestRenderDevice>(
        std::u16string(u"Booklet printer ") + static_cast<char16_t>(u'0' + job), u"vel-laser"));
    // Cookies one apart: the jobs' page names meet.
    devices.back()->SetCookie(0x200 + static_cast<std::uint32_t>(job));
    chains.push_back(std::make_unique<BookletChain>());
  }
  std::vector<std::thread> threads;
  for (int job = 0; job < kJobs; ++job) {
    threads.emplace_back([&, job] {
      BookletChain& chain = *chains[static_cast<std::size_t>(job)];
      (void)chain.Send(booklet_test::DocumentStart(devices[static_cast<std::size_t>(job)].get(),
                                                   JobSettings{}));
      const auto base = static_cast<std::uint32_t>(job * 10);
      chain.Pages({base + 1, base + 2, base + 3, base + 4});
      chain.Last() = chain.Send(new GDocumentEnd(0));
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (int job = 0; job < kJobs; ++job) {
    const auto base = static_cast<std::uint32_t>(job * 10);
    EXPECT_EQ(chains[static_cast<std::size_t>(job)]->RectangleKeys(),
              (std::vector<std::uint32_t>{base + 4, base + 1, base + 2, base + 3}))
        << "job " << job;
  }
  EXPECT_TRUE(vel::BookletLock::Instance().IsFree());
  chains.clear();
  EXPECT_TRUE(PageFiles().empty());
}

}  // namespace
