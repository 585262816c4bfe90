// The provider registry, the status-provider base and the port-name classifier.
#include "framework/core/GProviderRegistry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GStatusChannel.h"
#include "framework/core/GStatusProvider.h"
#include "tests/support/FwOutputSinks.h"
#include "tests/support/FwTestProviders.h"
#include "tests/support/RwPersistTestClasses.h"

namespace vel::test {
namespace {

class TestStatusChannel : public GStatusChannel {
 public:
  explicit TestStatusChannel(GDeviceSession* session)
      : GStatusChannel(nullptr, session, RWWString(u"status")) {}
  std::int32_t IsAnswered() const override { return 0; }
  std::uint16_t Write(GBaseObject* /*configuration*/, std::int32_t /*match_model*/) override {
    return 0;
  }
};

GDeviceSession* Session(std::uintptr_t n) {
  return reinterpret_cast<GDeviceSession*>(n * 16);
}

TestProvider::OutputFactory Ports() {
  return [](const TestProvider::Request&) { return new MemoryOutputPort(); };
}

GProviderRegistry& Registry() {
  return GProviderRegistry::Instance();
}

TEST(GProviderRegistry, SecondRegistrationOfANameIsRefusedAndTheFirstStays) {
  TestProvider first(0x10000);
  TestProvider second(0x10003);
  ScopedRegistration kept(&first, "ORBAG 1.0");
  ASSERT_EQ(kept.Result(), 0);
  EXPECT_EQ(Registry().Register(&second, "ORBAG 1.0"), 1);
  EXPECT_EQ(Registry().FindByName("ORBAG 1.0"), &first);
  // Names are compared by their bytes: another case is another name.
  ScopedRegistration other_case(&second, "orbag 1.0");
  EXPECT_EQ(other_case.Result(), 0);
  EXPECT_EQ(Registry().FindByName("orbag 1.0"), &second);
  EXPECT_EQ(Registry().Register(nullptr, "no provider"), 1);
  EXPECT_EQ(Registry().FindByName("no provider"), nullptr);
}

TEST(GProviderRegistry, CapabilitiesChooseTheListsAProviderIsAskedFrom) {
  TestProvider both(0x10003);
  TestProvider none(0);
  ScopedRegistration a(&both, "both");
  ScopedRegistration b(&none, "none");
  ASSERT_EQ(b.Result(), 0);  // registered, but in no list
  EXPECT_EQ(Registry().FindByName("none"), nullptr);

  const RWWString port(u"LPT1:");
  EXPECT_EQ(Registry().OpenOutputChannel(Session(1), &port, 0), nullptr);
  EXPECT_EQ(Registry().OpenStatusChannel(Session(1), &port, 0x10000), nullptr);
  EXPECT_EQ(both.OutputCalls(), 1);
  EXPECT_EQ(both.StatusCalls(), 1);
  EXPECT_EQ(none.OutputCalls() + none.StatusCalls(), 0);
}

TEST(GProviderRegistry, OpenAsksMatchingProvidersInOrderAndTheFirstChannelWins) {
  TestProvider only_one(1);
  TestProvider empty_handed(3);
  TestProvider giver(3);
  TestProvider late(3);
  only_one.MakeOutput(Ports());
  giver.MakeOutput(Ports());
  late.MakeOutput(Ports());
  ScopedRegistration r1(&only_one, "one");
  ScopedRegistration r2(&empty_handed, "empty");
  ScopedRegistration r3(&giver, "Basic Spooler");
  ScopedRegistration r4(&late, "late");

  const RWWString port(u"\\\\server\\queue");
  GOutputPort* channel = Registry().OpenOutputChannel(Session(7), &port, 2);
  ASSERT_NE(channel, nullptr);
  delete channel;
  EXPECT_EQ(only_one.OutputCalls(), 0);
  EXPECT_EQ(empty_handed.OutputCalls(), 1);
  EXPECT_EQ(late.OutputCalls(), 0);
  const std::vector<TestProvider::Request> asked = giver.OutputRequests();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].owner, Session(7));
  EXPECT_EQ(asked[0].registered_name, "Basic Spooler");
  EXPECT_EQ(asked[0].flags, 2u);
  EXPECT_TRUE(asked[0].has_argument);
  EXPECT_EQ(asked[0].argument, u"\\\\server\\queue");

  // A mask no provider holds: nobody is asked.
  EXPECT_EQ(Registry().OpenOutputChannel(Session(7), &port, 4), nullptr);
  EXPECT_EQ(giver.OutputCalls() + empty_handed.OutputCalls(), 2);
}

TEST(GProviderRegistry, StatusChannelComesFromTheStatusList) {
  TestProvider output_only(3);
  TestProvider agent(0x10000);
  output_only.MakeStatus([](const TestProvider::Request& r) { return new TestStatusChannel(r.owner); });
  agent.MakeStatus([](const TestProvider::Request& r) { return new TestStatusChannel(r.owner); });
  ScopedRegistration r1(&output_only, "Basic Spooler");
  ScopedRegistration r2(&agent, "ORBAG 1.0");

  const RWWString name(u"Office 1");
  GStatusChannel* channel = Registry().OpenStatusChannel(Session(3), &name, 0x10000);
  ASSERT_NE(channel, nullptr);
  EXPECT_EQ(channel->Session(), Session(3));
  delete channel;
  EXPECT_EQ(output_only.StatusCalls(), 0);
  ASSERT_EQ(agent.StatusRequests().size(), 1u);
  EXPECT_EQ(agent.StatusRequests()[0].registered_name, "ORBAG 1.0");
  EXPECT_EQ(agent.StatusRequests()[0].argument, u"Office 1");
}

TEST(GProviderRegistry, CountSupportingAsksTheListsTheFlagsName) {
  TestProvider output(3);
  TestProvider agent(0x10000);
  TestProvider both(0x10001);
  // A provider that would claim anything is only asked from the lists it is in.
  output.AnswerSupports(1);
  ScopedRegistration r1(&output, "output");
  ScopedRegistration r2(&agent, "agent");
  ScopedRegistration r3(&both, "both");

  EXPECT_EQ(Registry().CountSupporting(0), 0u);
  EXPECT_EQ(output.SupportsCalls(), 0);

  EXPECT_EQ(Registry().CountSupporting(0x10000), 2u);  // agent, both
  EXPECT_EQ(output.SupportsCalls(), 0);

  EXPECT_EQ(Registry().CountSupporting(2), 1u);  // output only
  EXPECT_EQ(Registry().CountSupporting(1), 2u);  // output, both
  // Both kinds of bits: both lists, so a provider in both counts twice when it supports all.
  EXPECT_EQ(Registry().CountSupporting(0x10001), 3u);  // output (claims all), both twice
}

TEST(GProviderRegistry, UnregisterFreesTheEntriesAndKeepsTheProvider) {
  TestProvider both(0x10003);
  both.MakeOutput(Ports());
  ASSERT_EQ(Registry().Register(&both, "transient"), 0);
  EXPECT_EQ(Registry().Unregister("transient"), 0);
  EXPECT_EQ(Registry().FindByName("transient"), nullptr);
  EXPECT_EQ(Registry().OpenOutputChannel(Session(1), nullptr, 0x10003), nullptr);
  EXPECT_EQ(Registry().Unregister("transient"), 0);  // not there: nothing happens

  // The provider is intact and the name free again.
  ScopedRegistration again(&both, "transient");
  EXPECT_EQ(again.Result(), 0);
  GOutputPort* channel = Registry().OpenOutputChannel(Session(1), nullptr, 1);
  ASSERT_NE(channel, nullptr);
  delete channel;
  ASSERT_EQ(both.OutputRequests().size(), 1u);
  EXPECT_FALSE(both.OutputRequests()[0].has_argument);
}

TEST(GStatusProvider, SupportsNeedsEveryAskedFlag) {
  TestProvider provider(0x10003);
  EXPECT_EQ(provider.GStatusProvider::Supports(0), 1);
  EXPECT_EQ(provider.GStatusProvider::Supports(2), 1);
  EXPECT_EQ(provider.GStatusProvider::Supports(0x10003), 1);
  EXPECT_EQ(provider.GStatusProvider::Supports(4), 0);
  EXPECT_EQ(provider.GStatusProvider::Supports(0x10004), 0);
  EXPECT_TRUE(provider.IsKindOf(vel::classid::kGStatusProvider));
  EXPECT_TRUE(provider.IsKindOf(vel::classid::kGBaseObject));
  EXPECT_FALSE(provider.IsKindOf(vel::classid::kGSpoolerProvider));
  // The base opens nothing.
  EXPECT_EQ(provider.GStatusProvider::OpenOutputChannel(nullptr, "x", 0, nullptr), nullptr);
  EXPECT_EQ(provider.GStatusProvider::OpenStatusChannel(nullptr, "x", 0, nullptr), nullptr);
}

TEST(GStatusProvider, StoresTheRootPartAndItsVersionWord) {
  TestProvider saved(3);
  saved.SetKey(42);
  EXPECT_EQ(saved.StoredByteCount(), 16u);
  for (Carrier carrier : kAllCarriers) {
    SCOPED_TRACE(CarrierName(carrier));
    const Bytes bytes = SaveContentsOf(carrier, saved);
    if (carrier == Carrier::kBinary || carrier == Carrier::kFile) {
      EXPECT_EQ(bytes.size(), 16u);
    }
    TestProvider restored(0);
    EXPECT_FALSE(RestoreContentsOf(carrier, bytes, restored).failed);
    EXPECT_EQ(restored.GetKey(), 42u);
    EXPECT_EQ(restored.SerialNumber(), saved.SerialNumber());
  }
  // Another version word fails the carrier.
  Bytes bytes = SaveContentsOf(Carrier::kBinary, saved);
  bytes[12] = 2;
  TestProvider restored(0);
  EXPECT_TRUE(RestoreContentsOf(Carrier::kBinary, bytes, restored).failed);
}

TEST(ClassifyPortName, KnowsSharesParallelSerialFileAndOtherPorts) {
  const struct {
    const char16_t* name;
    std::int32_t kind;
  } cases[] = {
      {u"\\\\server\\share", 5}, {u"\\\\", 5},     {u"LPT1", 3},   {u"lpt1:", 3},
      {u"LpT9:", 3},             {u"LPT10", 0},    {u"LPT1::", 1}, {u"LPTX:", 1},
      {u"COM2:", 4},             {u"com3", 4},     {u"COM", 0},    {u"FILE:", 2},
      {u"file:", 2},             {u"FILE", 0},     {u"NE00:", 1},  {u":", 1},
      {u"D:\\out.prn", 0},       {u"", 0},         {u"\\share", 0},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ClassifyPortName(RWWString(cases[i].name)), cases[i].kind);
  }
  // The tests stop at the first NUL of the name.
  const char16_t with_nul[] = {u'L', u'P', u'T', u'1', u'\0', u'x', u'y'};
  EXPECT_EQ(ClassifyPortName(RWWString(with_nul, 7)), 3);
}

TEST(GProviderRegistryThreads, OpensRaceRegistrationsOfOtherNames) {
  TestProvider spooler(3);
  spooler.MakeOutput(Ports());
  ScopedRegistration main_registration(&spooler, "Basic Spooler");
  constexpr int kThreads = 8;
  constexpr int kOpens = 200;
  std::atomic<bool> stop{false};
  std::atomic<int> opened{0};

  std::thread registrar([&] {
    TestProvider agent(0x10000);
    TestProvider extra(1);
    int round = 0;
    while (!stop.load()) {
      const RWCString name = round % 2 == 0 ? "ORBAG 1.0" : "extra";
      Registry().Register(round % 2 == 0 ? &agent : &extra, name);
      (void)Registry().CountSupporting(0x10001);
      Registry().Unregister(name);
      ++round;
    }
  });
  std::vector<std::thread> openers;
  for (int t = 0; t < kThreads; ++t) {
    openers.emplace_back([&, t] {
      const RWWString port(u"LPT1:");
      for (int i = 0; i < kOpens; ++i) {
        GOutputPort* channel = Registry().OpenOutputChannel(Session(t + 1), &port, 2);
        if (channel != nullptr) {
          ++opened;
          delete channel;
        }
        (void)Registry().FindByName("Basic Spooler");
      }
    });
  }
  for (std::thread& opener : openers) {
    opener.join();
  }
  stop.store(true);
  registrar.join();
  EXPECT_EQ(opened.load(), kThreads * kOpens);
  EXPECT_EQ(spooler.OutputCalls(), kThreads * kOpens);
}

}  // namespace
}  // namespace vel::test
