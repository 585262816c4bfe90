// Eight threads with their own printer handles use printer data, module writes, engine memory
// and semaphores at once (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/engine/winddi.h"
#include "tests/platform/EngineTestFixture.h"

namespace vel::platform::engine {
namespace {

using EngineThreadsTest = EngineTest;

TEST_F(EngineThreadsTest, EightThreadsShareOneEngine) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 40;
  ASSERT_TRUE(spooler::PutPrinter(spooler::PrinterRecord{u"Left"}));
  ASSERT_TRUE(spooler::PutPrinter(spooler::PrinterRecord{u"Right"}));
  HSEMAPHORE shared = EngCreateSemaphore();
  int counter = 0;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      HANDLE printer = spooler::OpenPrinterHandle(t % 2 == 0 ? u"Left" : u"Right", 8);
      std::u16string value_name = u"Value" + std::u16string(1, char16_t(u'0' + t));
      std::u16string file = u"C:\\thread" + std::u16string(1, char16_t(u'0' + t)) + u".bin";
      for (int round = 0; round < kRounds; ++round) {
        DWORD value = static_cast<DWORD>(round);
        failures[t] += EngSetPrinterData(printer, value_name.data(), REG_DWORD,
                                         reinterpret_cast<LPBYTE>(&value), 4) != 0;
        DWORD read = 0;
        DWORD needed = 0;
        DWORD type = 0;
        failures[t] += EngGetPrinterData(printer, value_name.data(), &type,
                                         reinterpret_cast<LPBYTE>(&read), 4, &needed) != 0 ||
                       read != value;
        HANDLE module = EngLoadModuleForWrite(file.data(), 4096);
        ULONG size = 0;
        auto* view = static_cast<char*>(EngMapModule(module, &size));
        failures[t] += view == nullptr || size != 4096;
        if (view != nullptr) {
          view[round] = 'x';
        }
        EngFreeModule(module);
        void* block = EngAllocMem(FL_ZERO_MEMORY, 64, 0x64726854);
        EngAcquireSemaphore(shared);
        EngAcquireSemaphore(shared);
        ++counter;
        EngReleaseSemaphore(shared);
        EngReleaseSemaphore(shared);
        EngFreeMem(block);
        DWORD written = 0;
        failures[t] += !EngWritePrinter(printer, &value, 4, &written) || written != 4;
      }
      spooler::ClosePrinterHandle(printer);
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EngDeleteSemaphore(shared);
  EXPECT_EQ(counter, kThreads * kRounds);
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0) << t;
  }
  EXPECT_EQ(spooler::DumpPrinterData(u"Left").size(), 4u);
  EXPECT_EQ(spooler::DumpPrinterData(u"Right").size(), 4u);
}

}  // namespace
}  // namespace vel::platform::engine
