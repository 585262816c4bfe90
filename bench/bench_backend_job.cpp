// A job of 1,000 empty pages through the real printer head (PJL envelope and PCL XL back end) into
// a memory channel, the pages changing media, tray and orientation as they go, beside the same
// operator sequence written directly with the PCL XL writer's functions into a memory buffer. Time
// per page is reported, with the channel's writes per page (the back end writes once per page
// end). The lines:
// - BM_PagesThroughThePrinterHead: the chain's own cost. The commands of the job (document start,
//   each page's start with its page group of orientation, tray, copies and media, page end,
//   document end) are made before the timed region, as the device session and the render module
//   make them, and held until after it, so that neither their making nor their destruction is
//   timed. Timed: their passage through the printer head, the PJL envelope and the PCL XL back end
//   into the memory channel, the document start (channel opened, PJL header) and end (trailer,
//   channel closed) included.
// - BM_WholeJobCommandsMadeInTheLoop: the same job with every command made, sent and dropped
//   inside the timed region, as a device session does it; for information.
// - BM_SameOperatorsWrittenDirectly: the floor the chain's dispatch, state merging and attribute
//   look-ups stand on; the first line is compared with it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GProviderRegistry.h"
#include "framework/core/GState.h"
#include "framework/core/GStatusProvider.h"
#include "framework/core/GValueAttribute.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GOutputPort.h"
#include "framework/output/GPJL.h"
#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLSessionOperators.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/output/pclxl/XLStream.h"
#include "framework/output/pclxl/XLTags.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GPageCommand.h"
#include "tools/veldata/DriverData.h"

namespace {

constexpr int kPages = 1000;

// A channel that keeps the bytes in memory and counts its writes.
class MemoryPort : public GOutputPort {
 public:
  MemoryPort() : GOutputPort(RWWString(u"memory")) { bytes_.reserve(1 << 20); }
  std::uint16_t WriteRaw(const void* bytes, std::uint32_t count, std::uint32_t* written) override {
    const auto* begin = static_cast<const std::uint8_t*>(bytes);
    bytes_.insert(bytes_.end(), begin, begin + count);
    *written = count;
    ++writes_;
    return 0;
  }
  bool IsUsable() override { return true; }
  static inline long writes_ = 0;

 private:
  std::vector<std::uint8_t> bytes_;
};

class MemoryProvider : public GStatusProvider {
 public:
  GOutputPort* OpenOutputChannel(GDeviceSession*, const RWCString&, std::uint32_t,
                                 const RWWString*) override {
    return new MemoryPort;
  }
  std::uint32_t GetProviderFlags() const override { return 1; }
};

// The page group of page `i`, made new as the device session makes it: orientation, tray and
// copies, and one of three media (a mapped paper with a type, a mapped one without, a custom
// size).
GState* PageGroup(int i) {
  static const std::int16_t kSizes[3][2] = {{5100, 6600}, {4960, 7015}, {4000, 5000}};
  static const std::int16_t kIds[3] = {2, 26, 99};
  static const char* const kTypes[3] = {"Plain", nullptr, "Bond"};
  const int m = i % 3;
  const std::int16_t printable[2] = {static_cast<std::int16_t>(kSizes[m][0] - 200),
                                     static_cast<std::int16_t>(kSizes[m][1] - 200)};
  const std::int16_t origin[2] = {100, 100};
  auto* group = new GState(vel::key::kPageGroup);
  group->Add(new GValueAttribute(i % 2 == 0 ? 0 : 90, vel::key::kOrientation));
  group->Add(new GValueAttribute(static_cast<std::uint16_t>(1 + (i / 3) % 2),
                                 vel::key::kTraySelection));
  group->Add(new GValueAttribute(1, vel::key::kPageCopies));
  group->Add(new GMedia("Paper", kSizes[m], printable, origin, 0, kIds[m], 600, 600,
                        vel::key::kSelectedMedia, 0, "Paper", kTypes[m]));
  return group;
}

void Send(GPeripheralComposite& head, GCommand* command) {
  GCommandRef(head.ProcessCommand(GCommandRef(command).Release())).Reset();
}

// The printer head of the driver data file's chain, over the memory channel's provider.
class Chain {
 public:
  Chain()
      : head_(vel::data::BuildChain(
            nullptr, vel::data::BuildPJL(vel::data::BuildPJLConfiguration()),
            vel::data::BuildKestrix(vel::data::BuildLanguageConfiguration()))) {
    (void)GProviderRegistry::Instance().Register(&provider_, "Benchmark Memory");
    MemoryPort::writes_ = 0;
  }
  ~Chain() {
    head_.reset();
    (void)GProviderRegistry::Instance().Unregister("Benchmark Memory");
  }
  GPeripheralComposite& Head() { return *head_; }

 private:
  MemoryProvider provider_;
  std::unique_ptr<GPeripheralComposite> head_;
};

void ReportPages(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kPages);
  state.counters["writes/page"] =
      static_cast<double>(MemoryPort::writes_) / static_cast<double>(state.iterations() * kPages);
}

void BM_PagesThroughThePrinterHead(benchmark::State& state) {
  Chain chain;
  std::vector<GCommandRef> job;
  job.reserve(2 * kPages + 2);
  for (auto _ : state) {
    state.PauseTiming();
    job.clear();  // the last job's commands go here, untimed
    job.emplace_back(new GDocumentStart(RWWString(u"job"), RWWString(u"printer"), nullptr,
                                        new GState(vel::key::kDocumentGroup), 0));
    for (int i = 0; i < kPages; ++i) {
      job.emplace_back(new GPageStart(PageGroup(i), vel::key::kPageGroup));
      job.emplace_back(new GPageEnd);
    }
    job.emplace_back(new GDocumentEnd);
    state.ResumeTiming();
    for (const GCommandRef& command : job) {
      // The result is the caller's, as the device session holds it; the job's own reference
      // keeps the command.
      GCommandRef(chain.Head().ProcessCommand(command.Get())).Reset();
    }
  }
  ReportPages(state);
}
BENCHMARK(BM_PagesThroughThePrinterHead)->Unit(benchmark::kMillisecond);

void BM_WholeJobCommandsMadeInTheLoop(benchmark::State& state) {
  Chain chain;
  for (auto _ : state) {
    Send(chain.Head(), new GDocumentStart(RWWString(u"job"), RWWString(u"printer"), nullptr,
                                          new GState(vel::key::kDocumentGroup), 0));
    for (int i = 0; i < kPages; ++i) {
      Send(chain.Head(), new GPageStart(PageGroup(i), vel::key::kPageGroup));
      Send(chain.Head(), new GPageEnd);
    }
    Send(chain.Head(), new GDocumentEnd);
  }
  ReportPages(state);
}
BENCHMARK(BM_WholeJobCommandsMadeInTheLoop)->Unit(benchmark::kMillisecond);

class Collector : public GOutputFlushCallback {
 public:
  std::int32_t Flush(XLStream* /*stream*/, std::uintptr_t /*user*/, const std::uint8_t* buffer,
                     std::int32_t count) override {
    bytes.insert(bytes.end(), buffer, buffer + count);
    return 0;
  }
  std::vector<std::uint8_t> bytes;
};

void BM_SameOperatorsWrittenDirectly(benchmark::State& state) {
  static const char kBanner[] = " Copyright QZ 1996-1998. Version 4.1.1.5";
  static const std::uint8_t kPlain[] = {'P', 'l', 'a', 'i', 'n'};
  static const std::uint8_t kLetter[] = {'L', 'E', 'T', 'T', 'E', 'R'};
  static const std::uint8_t kA4[] = {'A', '4'};
  for (auto _ : state) {
    Collector collector;
    XLStream* stream = XLCreateStream(8192, &collector, 0);
    XLWriteStreamHeader(stream, 2, 0, kBanner, sizeof kBanner - 1);
    XLBeginSessionErrorReport(stream, 600, 600, 0, 3);
    XLOpenDataSourceDataOrg(stream, 0, 1);
    for (int i = 0; i < kPages; ++i) {
      XLUByte(stream, i % 2 == 0 ? 0 : 1);
      XLWriteAttribute(stream, kXLAttrOrientation);
      if (i % 3 == 0) {
        XLUByte(stream, static_cast<std::uint8_t>(3 + (i / 3) % 2));
        XLWriteAttribute(stream, kXLAttrMediaSource);
      }
      switch (i % 3) {
        case 0:
          XLUByteArray(stream, kPlain, sizeof kPlain);
          XLWriteAttribute(stream, kXLAttrMediaType);
          XLUByteArray(stream, kLetter, sizeof kLetter);
          XLWriteAttribute(stream, kXLAttrMediaSize);
          break;
        case 1:
          XLUByteArray(stream, kA4, sizeof kA4);
          XLWriteAttribute(stream, kXLAttrMediaSize);
          break;
        default:
          XLUInt16XY(stream, 1693, 2116);
          XLWriteAttribute(stream, kXLAttrCustomMediaSize);
          XLUByte(stream, 2);
          XLWriteAttribute(stream, kXLAttrCustomMediaSizeUnits);
          break;
      }
      XLWriteOperator(stream, kXLOpBeginPage);
      XLSetClipMode(stream, 0);
      XLEndPageCopies(stream, 1);
      XLFlushStream(stream);
    }
    XLCloseDataSource(stream);
    XLEndSession(stream);
    XLFlushStream(stream);
    XLCloseStream(stream);
    benchmark::DoNotOptimize(collector.bytes.data());
  }
  state.SetItemsProcessed(state.iterations() * kPages);
}
BENCHMARK(BM_SameOperatorsWrittenDirectly)->Unit(benchmark::kMillisecond);

}  // namespace
