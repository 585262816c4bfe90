// Add-ons: the dynamic library and its shared module, the add-on proxy in its three modes over a
// real add-on module of the stand-in loader, the installation of proxies at a document start and
// their removal at the end, and the stored forms.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GDynamicLibrary.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GPeripheralProxy.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPageCommand.h"
#include "platform/CallLog.h"
#include "platform/win32/loader.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/FwTestPeripheral.h"
#include "vel_flavour.h"

namespace {

namespace classid = vel::classid;
using Lines = std::vector<std::string>;

constexpr char16_t kAddOn[] = u"vel_test_addon.dll";
constexpr char16_t kMissing[] = u"no_such_addon.dll";
constexpr std::uint32_t kAddOnList = 380;

std::vector<vel::test::FwSample> AddOnSamples(RWClassID id) {
  if (vel::flavour::kIsRenderFlavour) {
    return {};  // the render module knows neither class
  }
  if (id == classid::kGDynamicLibrary) {
    return {{"dynamic library unnamed", [] { return new GDynamicLibrary; }},
            {"dynamic library named", [] { return new GDynamicLibrary(RWWString(kAddOn)); }}};
  }
  return {{"peripheral proxy default", [] { return new GPeripheralProxy; }},
          {"peripheral proxy holding a stage",
           [] { return new GPeripheralProxy(new FwTestPeripheral("held", 3)); }},
          {"peripheral proxy of a missing library, loaded once",
           [] {
             return new GPeripheralProxy(RWWString(kMissing), GPeripheral::kAddOnPJL,
                                         GPeripheral::kLoadOnce);
           }}};
}

const vel::test::FwSampleRegistrar kLibrarySamples(classid::kGDynamicLibrary,
                                                   AddOnSamples(classid::kGDynamicLibrary));
const vel::test::FwSampleRegistrar kProxySamples(classid::kGPeripheralProxy,
                                                 AddOnSamples(classid::kGPeripheralProxy));

// The call log lines of loads, unloads and the add-on's entries, each cut after its first word
// (and, for the add-on's lines, its kind): "load", "free", "create generic", "destroy generic".
Lines AddOnEvents() {
  Lines events;
  for (const std::string& line : vel::platform::CallLogSnapshot()) {
    if (line.rfind("LoadLibraryW(", 0) == 0) {
      events.push_back("load");
    } else if (line.rfind("FreeLibrary(", 0) == 0) {
      events.push_back("free");
    } else if (line.rfind("add-on ", 0) == 0) {
      const std::size_t kind_end = line.find(' ', line.find(' ', 7) + 1);
      events.push_back(line.substr(7, kind_end - 7));
    }
  }
  return events;
}

// The words of the add-on's log lines: for a create, its two argument words and the address it
// answered; for a destroy, its argument word.
std::vector<Lines> AddOnWords() {
  std::vector<Lines> calls;
  for (const std::string& line : vel::platform::CallLogSnapshot()) {
    if (line.rfind("add-on ", 0) != 0) {
      continue;
    }
    Lines words;
    std::size_t start = line.find(' ', line.find(' ', 7) + 1);
    while (start != std::string::npos) {
      const std::size_t end = line.find(' ', start + 1);
      const std::string word = line.substr(start + 1, end - start - 1);
      if (word != "->") {
        words.push_back(word);
      }
      start = end;
    }
    calls.push_back(words);
  }
  return calls;
}

std::string Address(const void* object) {
  char text[32];
  std::snprintf(text, sizeof text, "%#llx",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(object)));
  return text;
}

class GPeripheralProxyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFrameworkTestClasses();
    vel::platform::SetModuleFolder(VEL_TEST_ADDON_DIR, u"C:\\addons");
    vel::platform::ClearCallLog();
  }
  void TearDown() override { vel::platform::ResetLoaderFixture(); }

  // Sends a command through `stage` the way the device session does and answers the result's
  // class id.
  static RWClassID Send(GPeripheral& stage, GCommand* command) {
    const GCommandRef sent(command);
    const GCommandRef answer(stage.ProcessCommand(command));
    return answer ? answer->IsA() : 0;
  }
};

// A chain that installs add-ons from its job state's list with `mode`, with two stages of its own.
std::unique_ptr<GPeripheralComposite> ChainWithAddOns(std::int32_t mode,
                                                      const std::vector<const char*>& libraries) {
  auto chain = std::make_unique<GPeripheralComposite>(
      "chain", nullptr, nullptr, 0, kAddOnList, GPeripheral::kAddOnGeneric, mode);
  auto* list = new GState(kAddOnList);
  std::uint32_t key = 0;
  for (const char* library : libraries) {
    list->Add(new GStringAttribute(library, ++key));  // a state holds one attribute per key
  }
  chain->JobState()->Add(list);
  chain->Add(new FwTestPeripheral("first", 1));
  chain->Add(new FwTestPeripheral("second", 2));
  return chain;
}

Lines ChildNames(const GPeripheralComposite& chain) {
  Lines names;
  for (std::uint32_t i = 0; i < chain.Count(); ++i) {
    const GPeripheral* child = chain.ChildAt(i);
    names.push_back(child->IsA() == classid::kGPeripheralProxy
                        ? "proxy " + std::string(static_cast<const GPeripheralProxy*>(child)
                                                     ->Library()
                                                     .GetFileName() == RWWString(kAddOn)
                                                     ? "addon"
                                                     : "other")
                        : std::string(child->GetName().Data()));
  }
  return names;
}

TEST_F(GPeripheralProxyTest, ModeZeroMakesAndDestroysTheAddOnForEveryCommand) {
  if (vel::flavour::kIsRenderFlavour) {
    GTEST_SKIP() << "the render module loads no add-ons";
  }
  GPeripheralProxy proxy{RWWString(kAddOn), GPeripheral::kAddOnGeneric,
                         GPeripheral::kLoadPerCommand};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Send(proxy, new GPageStart), classid::kGPageStart);
  }
  const Lines once = {"load", "create generic", "destroy generic", "free"};
  Lines expected;
  for (int i = 0; i < 3; ++i) {
    expected.insert(expected.end(), once.begin(), once.end());
  }
  EXPECT_EQ(AddOnEvents(), expected);
  // Two zero words in, the address made back in the destroy entry.
  const std::vector<Lines> words = AddOnWords();
  ASSERT_EQ(words.size(), 6u);
  EXPECT_EQ(words[0], (Lines{"0", "0", words[0][2]}));
  EXPECT_EQ(words[1], Lines{words[0][2]});
  EXPECT_EQ(proxy.AddOn(), nullptr);
  EXPECT_FALSE(proxy.Library().IsLoaded());
}

TEST_F(GPeripheralProxyTest, ModeOneForwardsToOneAddOnUntilTheProxyGoes) {
  if (vel::flavour::kIsRenderFlavour) {
    GTEST_SKIP() << "the render module loads no add-ons";
  }
  auto proxy = std::make_unique<GPeripheralProxy>(RWWString(kAddOn), GPeripheral::kAddOnPJL,
                                                  GPeripheral::kLoadOnce);
  auto* add_on = dynamic_cast<FwTestPeripheral*>(proxy->AddOn());
  ASSERT_NE(add_on, nullptr);
  add_on->SetStatus("HandlePageEnd", 4);
  EXPECT_EQ(Send(*proxy, new GPageStart), classid::kGPageStart);
  EXPECT_EQ(Send(*proxy, new GPageEnd), classid::kGErrorCommand);
  EXPECT_EQ(add_on->Names(), (Lines{"HandlePageStart", "HandlePageEnd"}));
  void* module = proxy->Library().Module();
  EXPECT_EQ(vel::platform::ModuleLoadCount(module), 1);
  const std::string made = Address(static_cast<GPeripheral*>(add_on));
  proxy.reset();
  EXPECT_EQ(AddOnEvents(), (Lines{"load", "create pjl", "destroy pjl", "free"}));
  EXPECT_EQ(AddOnWords().back(), Lines{made});
  EXPECT_EQ(vel::platform::ModuleLoadCount(module), 0);
}

TEST_F(GPeripheralProxyTest, WithoutAnAddOnCommandsPassThrough) {
  struct Case {
    const char* what;
    const char16_t* library;
    std::int32_t kind;
    std::int32_t mode;
    Lines events;
  };
  const Case cases[] = {
      {"a missing library in mode 1 is tried once", kMissing, GPeripheral::kAddOnGeneric,
       GPeripheral::kLoadOnce, {"load"}},
      {"a missing library in mode 0", kMissing, GPeripheral::kAddOnGeneric,
       GPeripheral::kLoadPerCommand, {"load", "load"}},
      {"kind 5 names no entry", kAddOn, GPeripheral::kAddOnNone, GPeripheral::kLoadOnce,
       {"load"}},
      {"mode 2 loads nothing", kAddOn, GPeripheral::kAddOnGeneric, GPeripheral::kNoAddOns, {}},
  };
  for (const Case& c : cases) {
    if (vel::flavour::kIsRenderFlavour && !c.events.empty()) {
      continue;
    }
    vel::platform::ClearCallLog();
    {
      GPeripheralProxy proxy{RWWString(c.library), c.kind, c.mode};
      EXPECT_EQ(proxy.AddOn(), nullptr) << c.what;
      EXPECT_EQ(Send(proxy, new GPageStart), classid::kGPageStart) << c.what;
      EXPECT_EQ(Send(proxy, new GPageEnd), classid::kGPageEnd) << c.what;
    }
    Lines events = AddOnEvents();
    // A module that loaded is freed again.
    std::erase(events, "free");
    EXPECT_EQ(events, c.events) << c.what;
  }
}

TEST_F(GPeripheralProxyTest, ACopiedLibraryIsUnloadedOnceAfterItsLastHolder) {
  if (vel::flavour::kIsRenderFlavour) {
    GTEST_SKIP() << "the render module loads no add-ons";
  }
  auto library = std::make_unique<GDynamicLibrary>(RWWString(kAddOn));
  library->Load();
  void* module = library->Module();
  ASSERT_NE(module, nullptr);
  GDynamicLibrary copy(*library);
  GDynamicLibrary assigned;
  assigned = copy;
  library.reset();
  copy.Unload();
  EXPECT_EQ(vel::platform::ModuleLoadCount(module), 1);
  EXPECT_TRUE(assigned.HasEntry("_C_GENERIC_ADDON"));
  EXPECT_FALSE(assigned.HasEntry("_C_PS_ADDON"));
  assigned.Unload();
  EXPECT_EQ(vel::platform::ModuleLoadCount(module), 0);
  EXPECT_EQ(AddOnEvents(), (Lines{"load", "free"}));
  // A failed load counts as a load: no second attempt until Unload.
  GDynamicLibrary missing{RWWString(kMissing)};
  EXPECT_EQ(missing.Call("_C_GENERIC_ADDON", 0, 0), 0u);
  EXPECT_EQ(missing.Call("_C_GENERIC_ADDON", 0, 0), 0u);
  EXPECT_TRUE(missing.IsLoaded());
  EXPECT_EQ(AddOnEvents(), (Lines{"load", "free", "load"}));
}

TEST_F(GPeripheralProxyTest, ADocumentStartPutsTheProxiesInFrontAndItsEndTakesThemOut) {
  auto chain = ChainWithAddOns(GPeripheral::kLoadOnce, {"vel_test_addon.dll", "other.dll"});
  EXPECT_EQ(Send(*chain, new GDocumentStart), classid::kGDocumentStart);
  if (vel::flavour::kIsRenderFlavour) {
    EXPECT_EQ(ChildNames(*chain), (Lines{"first", "second"}));
    return;
  }
  EXPECT_EQ(ChildNames(*chain), (Lines{"proxy addon", "proxy other", "first", "second"}));
  const auto* proxy = static_cast<const GPeripheralProxy*>(chain->ChildAt(0));
  auto* add_on = dynamic_cast<FwTestPeripheral*>(proxy->AddOn());
  ASSERT_NE(add_on, nullptr);
  EXPECT_EQ(Send(*chain, new GPageStart), classid::kGPageStart);
  // The add-on saw the document start too: it stands in front of the chain's own stages.
  EXPECT_EQ(add_on->Names(), (Lines{"HandleDocumentStart", "HandlePageStart"}));
  EXPECT_EQ(chain->ChildAt(2)->Listeners(), std::vector<GPeripheral*>{chain.get()});

  EXPECT_EQ(Send(*chain, new GDocumentEnd), classid::kGDocumentEnd);
  EXPECT_EQ(ChildNames(*chain), (Lines{"first", "second"}));
  // The missing library was tried once and, never loaded, is not freed.
  EXPECT_EQ(AddOnEvents(), (Lines{"load", "create generic", "load", "destroy generic", "free"}));

  // A job abort takes them out as well; with mode 2 none are installed.
  EXPECT_EQ(Send(*chain, new GDocumentStart), classid::kGDocumentStart);
  EXPECT_EQ(chain->Count(), 4u);
  EXPECT_EQ(Send(*chain, new GJobAbort), classid::kGJobAbort);
  EXPECT_EQ(ChildNames(*chain), (Lines{"first", "second"}));
  auto plain = ChainWithAddOns(GPeripheral::kNoAddOns, {"vel_test_addon.dll"});
  EXPECT_EQ(Send(*plain, new GDocumentStart), classid::kGDocumentStart);
  EXPECT_EQ(ChildNames(*plain), (Lines{"first", "second"}));
}

TEST_F(GPeripheralProxyTest, RemovingASharedProxyLeavesTheAddOnToItsOtherHolder) {
  if (vel::flavour::kIsRenderFlavour) {
    GTEST_SKIP() << "the render module loads no add-ons";
  }
  auto chain = ChainWithAddOns(GPeripheral::kLoadOnce, {"vel_test_addon.dll"});
  EXPECT_EQ(Send(*chain, new GDocumentStart), classid::kGDocumentStart);
  auto sharing = std::make_unique<GPeripheralComposite>(*chain);
  auto* proxy = static_cast<GPeripheralProxy*>(sharing->ChildAt(0));
  GPeripheral* add_on = proxy->AddOn();
  const std::string made = Address(add_on);

  EXPECT_EQ(Send(*chain, new GDocumentEnd), classid::kGDocumentEnd);
  EXPECT_EQ(chain->Count(), 2u);
  EXPECT_EQ(proxy->AddOn(), add_on);
  EXPECT_EQ(Send(*proxy, new GPageStart), classid::kGPageStart);  // still alive (sanitizer)
  EXPECT_EQ(AddOnEvents(), (Lines{"load", "create generic"}));

  sharing.reset();
  EXPECT_EQ(AddOnEvents(), (Lines{"load", "create generic", "destroy generic", "free"}));
  EXPECT_EQ(AddOnWords().back(), Lines{made});
}

TEST_F(GPeripheralProxyTest, ARestoreMakesAnAddOnOnlyInModeOneAndKeepsItOverTheStoredOne) {
  if (vel::flavour::kIsRenderFlavour) {
    GTEST_SKIP() << "the render module knows no proxies";
  }
  const vel::test::Carrier carrier = vel::test::Carrier::kBinary;
  // Mode 2 with a stored stage: the stage comes back, no library is touched.
  GPeripheralProxy holding{new FwTestPeripheral("stored", 5)};
  vel::test::Restored restored =
      vel::test::RestoreGraph(carrier, vel::test::SaveGraph(carrier, &holding));
  ASSERT_FALSE(restored.failed);
  std::unique_ptr<GPeripheralProxy> back(dynamic_cast<GPeripheralProxy*>(restored.object));
  ASSERT_NE(back, nullptr);
  ASSERT_NE(back->AddOn(), nullptr);
  EXPECT_EQ(back->AddOn()->GetName(), "stored");
  back.reset();
  EXPECT_TRUE(AddOnEvents().empty());

  // Mode 1: the library's stage is made during the restore; the stored one is dropped.
  GPeripheralProxy loaded{RWWString(kAddOn), GPeripheral::kAddOnGeneric, GPeripheral::kLoadOnce};
  const vel::test::Bytes bytes = vel::test::SaveGraph(carrier, &loaded);
  vel::platform::ClearCallLog();
  restored = vel::test::RestoreGraph(carrier, bytes);
  ASSERT_FALSE(restored.failed);
  back.reset(dynamic_cast<GPeripheralProxy*>(restored.object));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(AddOnWords().size(), 1u);
  const std::string made = AddOnWords()[0][2];
  EXPECT_EQ(Address(back->AddOn()), made);
  back.reset();
  EXPECT_EQ(AddOnEvents(), (Lines{"load", "create generic", "destroy generic", "free"}));
  EXPECT_EQ(AddOnWords().back(), Lines{made});
}

}  // namespace
