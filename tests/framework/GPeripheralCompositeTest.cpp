// The chain of child stages: the pipeline, the configuration it rebuilds, insertion and removal
// with their listener links, copies, and its stored form.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GCountedPtr.h"
#include "framework/core/GIterator.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/GPageCommand.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/FwTestPeripheral.h"
#include "tests/support/TempDir.h"

namespace {

namespace classid = vel::classid;
using Names = std::vector<std::string>;

// A stage whose configuration holds one value attribute with `key`.
FwTestPeripheral* StageWithConfiguration(const char* name, std::uint32_t key) {
  auto* stage = new FwTestPeripheral(name, key);
  auto* configuration = new GConfiguration(vel::key::kPeripheralConfiguration);
  configuration->Add(new GValueAttribute(1, key));
  stage->SetConfiguration(configuration);
  return stage;
}

// The chain of a restored composite: the same shape, names and own states, every child listing
// the restored composite.
bool SameChain(const GBaseObject& original, const GBaseObject& restored) {
  const auto& a = dynamic_cast<const GPeripheralComposite&>(original);
  const auto* b = dynamic_cast<const GPeripheralComposite*>(&restored);
  if (b == nullptr || a.Count() != b->Count() || a.GetName() != b->GetName() ||
      !a.OwnJobState()->IsSameKey(b->OwnJobState()) ||
      a.OwnConfiguration()->IsA() != b->OwnConfiguration()->IsA()) {
    return false;
  }
  for (std::uint32_t i = 0; i < a.Count(); ++i) {
    const GPeripheral* child = b->ChildAt(i);
    if (child == nullptr || child->GetName() != a.ChildAt(i)->GetName() ||
        child->Listeners() != std::vector<GPeripheral*>{const_cast<GPeripheralComposite*>(b)}) {
      return false;
    }
  }
  return true;
}

FW_PERSIST_SAMPLES(classid::kGPeripheralComposite,
                   {{"peripheral composite empty", [] { return new GPeripheralComposite; }},
                    {"peripheral composite with two children and a configuration",
                     [] {
                       auto* composite = new GPeripheralComposite(
                           "chain", nullptr, nullptr, 353, 380, GPeripheral::kAddOnGeneric,
                           GPeripheral::kLoadPerCommand);
                       composite->Add(StageWithConfiguration("first", 101));
                       composite->Add(StageWithConfiguration("second", 106));
                       composite->SetConfiguration(new GConfiguration);
                       composite->OwnJobState()->Add(new GValueAttribute(2, 55));
                       return composite;
                     },
                     SameChain}});

// A composite that stores `stored` as its child list, whatever that holds: the stored form of a
// chain whose children are not all stages, as a damaged or forged file has it.
class StrayChildComposite : public GPeripheralComposite {
 public:
  RWClassID IsA() const override { return GPeripheralComposite::ClassId(); }
  void SaveContents(RWVirtualOutStream& stream) const override { Write(stream); }
  void SaveContents(RWBinaryFile& file) const override { Write(file); }

  MPersistentComposite stored;

 private:
  template <typename Carrier>
  void Write(Carrier& carrier) const {
    GPeripheral::SaveContents(carrier);
    vel::WriteClassVersion(carrier);
    stored.SaveObject(carrier);
    carrier << static_cast<const RWCollectable*>(OwnJobState());
    carrier << static_cast<const RWCollectable*>(OwnPageState());
    carrier << static_cast<const RWCollectable*>(OwnConfiguration());
  }
};

class GPeripheralCompositeTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterFrameworkTestClasses(); }

  GCommand* Run(GCommand* command) {
    held_.emplace_back(command);
    GCommand* answer = chain_.ProcessCommand(command);
    held_.emplace_back(answer);
    return answer;
  }

  GPeripheralComposite chain_;
  std::vector<GCommandRef> held_;
};

TEST_F(GPeripheralCompositeTest, WithoutChildrenEveryCommandComesBackUnchanged) {
  for (GCommand* command :
       {static_cast<GCommand*>(new GDocumentStart), static_cast<GCommand*>(new GPageStart),
        static_cast<GCommand*>(new GDocumentEnd), static_cast<GCommand*>(new GJobAbort)}) {
    EXPECT_EQ(Run(command), command);
  }
}

TEST_F(GPeripheralCompositeTest, EachEnabledChildGetsWhatThePreviousOneReturned) {
  auto* first = new FwTestPeripheral("first", 1);
  auto* skipped = new FwTestPeripheral("skipped", 2);
  auto* last = new FwTestPeripheral("last", 3);
  first->SetReplacement([](GCommand& handled) -> GCommand* {
    return handled.IsA() == classid::kGPageStart ? new GPageEnd(7) : nullptr;
  });
  chain_.Add(first);
  chain_.Add(skipped);
  chain_.Add(last);
  skipped->Disable();

  GCommand* answer = Run(new GPageStart);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->IsA(), classid::kGPageEnd);
  EXPECT_EQ(answer->GetKey(), 7u);
  EXPECT_EQ(first->Names(), Names{"HandlePageStart"});
  EXPECT_TRUE(skipped->Names().empty());
  ASSERT_EQ(last->Calls().size(), 1u);
  EXPECT_EQ(last->Calls()[0].object, answer);

  // An error keeps travelling: the later children pass it on without handling it.
  first->SetStatus("HandlePageEnd", 3);
  answer = Run(new GPageEnd);
  EXPECT_EQ(answer->IsA(), classid::kGErrorCommand);
  EXPECT_EQ(last->Names(), Names{"HandlePageEnd"});
}

TEST_F(GPeripheralCompositeTest, AChildTakenOutWhileItRunsLivesUntilItReturns) {
  // The running child takes itself out of the chain from its own handler. It must still be alive
  // when the removal returns (ASan sees it otherwise) and goes once it has returned (the leak check
  // sees it otherwise); a removal that hands something back hands back a copy, as the chain did
  // not hold the running child's last reference.
  const struct {
    const char* name;
    GBaseObject* (*remove)(GPeripheralComposite& chain, FwTestPeripheral* child);
  } cases[] = {
      {"by object", [](GPeripheralComposite& chain, FwTestPeripheral* child) {
         return chain.RemoveObject(child);
       }},
      {"by key", [](GPeripheralComposite& chain, FwTestPeripheral*) {
         return chain.RemoveByKey(5);
       }},
      {"cleared", [](GPeripheralComposite& chain, FwTestPeripheral*) -> GBaseObject* {
         chain.Clear();
         return nullptr;
       }},
      {"assigned an empty chain", [](GPeripheralComposite& chain, FwTestPeripheral*) -> GBaseObject* {
         chain = GPeripheralComposite();
         return nullptr;
       }},
      {"taken out through the chain's iterator",
       [](GPeripheralComposite& chain, FwTestPeripheral*) -> GBaseObject* {
         const std::unique_ptr<GIterator> children(chain.CreateIterator());
         while (children->Advance() != 0) {
           children->RemoveCurrent();
         }
         return nullptr;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GPeripheralComposite chain;
    auto* running = new FwTestPeripheral("running", 5);
    chain.Add(running);
    std::unique_ptr<GBaseObject> removed;
    running->SetReplacement([&chain, running, &removed, &c](GCommand&) -> GCommand* {
      removed.reset(c.remove(chain, running));
      EXPECT_EQ(running->GetName(), RWCString("running"));
      EXPECT_TRUE(running->Listeners().empty());
      return nullptr;
    });
    const GCommandRef page(new GPageStart);
    EXPECT_EQ(GCommandRef(chain.ProcessCommand(page.Get())).Get(), page.Get());
    EXPECT_EQ(chain.Count(), 0u);
    EXPECT_NE(removed.get(), static_cast<GBaseObject*>(running));
  }
}

TEST_F(GPeripheralCompositeTest, AChildReplacedThroughTheIteratorWhileItRunsLivesUntilItReturns) {
  // The running child puts a new stage in its own place and then in its sibling's, through the
  // chain's iterator (as any stage holding its listener can): both old children stay alive until
  // the running one returns, neither lists the chain any more, and the new stages do, in their
  // places; the configuration is rebuilt from them.
  GPeripheralComposite chain;
  auto* running = StageWithConfiguration("running", 5);
  auto* sibling = StageWithConfiguration("sibling", 6);
  chain.Add(running);
  chain.Add(sibling);
  FwTestPeripheral* first = StageWithConfiguration("first", 7);
  FwTestPeripheral* second = StageWithConfiguration("second", 8);
  const GCountedPtr watch_sibling(sibling);
  running->SetReplacement([&](GCommand&) -> GCommand* {
    const std::unique_ptr<GIterator> children(chain.CreateIterator());
    EXPECT_NE(children->Advance(), 0);
    children->ReplaceCurrent(first);
    EXPECT_NE(children->Advance(), 0);
    children->ReplaceCurrentRef(GCountedPtr(second));
    EXPECT_EQ(running->GetName(), RWCString("running"));
    EXPECT_TRUE(running->Listeners().empty());
    EXPECT_TRUE(sibling->Listeners().empty());
    return nullptr;
  });
  const GCommandRef page(new GPageStart);
  EXPECT_EQ(GCommandRef(chain.ProcessCommand(page.Get())).Get(), page.Get());
  ASSERT_EQ(chain.Count(), 2u);
  EXPECT_EQ(chain.ChildAt(0), first);
  EXPECT_EQ(chain.ChildAt(1), second);
  EXPECT_EQ(first->Listeners(), std::vector<GPeripheral*>{&chain});
  EXPECT_EQ(second->Listeners(), std::vector<GPeripheral*>{&chain});
  // The sibling replaced during the command was not run: the new stage in its place was.
  EXPECT_TRUE(sibling->Names().empty());
  EXPECT_EQ(second->Names(), Names{"HandlePageStart"});
  EXPECT_EQ(watch_sibling->References(), 0);  // the watch alone holds it
  EXPECT_NE(chain.Configuration()->FindByKey(7), nullptr);
  EXPECT_NE(chain.Configuration()->FindByKey(8), nullptr);
  EXPECT_EQ(chain.Configuration()->FindByKey(5), nullptr);
  EXPECT_EQ(chain.Configuration()->FindByKey(6), nullptr);
}

TEST_F(GPeripheralCompositeTest, TheIteratorRefusesWhatIsNoStageAndTheChainItself) {
  auto* child = new FwTestPeripheral("child", 9);
  chain_.Add(child);
  const std::unique_ptr<GIterator> children(chain_.CreateIterator());
  children->ReplaceCurrent(new FwTestPeripheral("before the first", 1));  // no current entry
  ASSERT_NE(children->Advance(), 0);
  children->ReplaceCurrent(new GValueAttribute(1, 2));
  children->ReplaceCurrent(&chain_);
  children->ReplaceCurrentRef(GCountedPtr(new GValueAttribute(1, 3)));
  children->ReplaceCurrentRef(GCountedPtr());
  EXPECT_EQ(chain_.ChildAt(0), child);
  EXPECT_EQ(child->Listeners(), std::vector<GPeripheral*>{&chain_});
  EXPECT_TRUE(chain_.Listeners().empty());
  // Taken out: unlisted, and the next Advance ends the walk.
  const GCountedPtr watch(child);
  children->RemoveCurrent();
  EXPECT_EQ(chain_.Count(), 0u);
  EXPECT_TRUE(child->Listeners().empty());
  EXPECT_EQ(children->Advance(), 0);
}

TEST_F(GPeripheralCompositeTest, TheConfigurationIsTheOwnOneThenEachChildsInOrder) {
  GBaseObject* own = chain_.OwnConfiguration();
  FwTestPeripheral* first = StageWithConfiguration("first", 1);
  FwTestPeripheral* second = StageWithConfiguration("second", 2);
  FwTestPeripheral* third = StageWithConfiguration("third", 3);
  chain_.Add(first);
  chain_.Add(second);
  chain_.Add(third);
  auto children_of = [&] {
    std::vector<const GBaseObject*> result;
    for (std::uint32_t i = 0; i < chain_.Configuration()->Count(); ++i) {
      result.push_back(chain_.Configuration()->ChildAt(i));
    }
    return result;
  };
  EXPECT_EQ(children_of(), (std::vector<const GBaseObject*>{own, first->Configuration(),
                                                            second->Configuration(),
                                                            third->Configuration()}));
  std::unique_ptr<GBaseObject> removed(chain_.RemoveByKey(2));
  EXPECT_EQ(children_of(), (std::vector<const GBaseObject*>{own, first->Configuration(),
                                                            third->Configuration()}));
  ASSERT_NE(chain_.Configuration()->FindByKey(3), nullptr);
  EXPECT_EQ(chain_.Configuration()->FindByKey(2), nullptr);

  // A child's new configuration reaches the composite through its listener link.
  auto* replacement = new GConfiguration(vel::key::kPeripheralConfiguration);
  replacement->Add(new GValueAttribute(1, 33));
  third->SetConfiguration(replacement);
  EXPECT_NE(chain_.Configuration()->FindByKey(33), nullptr);

  // A configuration set on the composite comes first.
  auto* mine = new GConfiguration(vel::key::kPeripheralConfiguration);
  chain_.SetConfiguration(mine);
  EXPECT_EQ(children_of().front(), mine);
}

TEST_F(GPeripheralCompositeTest, OnlyStagesAreTakenIn) {
  chain_.Add(new GStringAttribute("not a stage", 5));  // deleted (the sanitizer sees a leak else)
  chain_.Add(&chain_);
  EXPECT_EQ(chain_.Count(), 0u);
  GValueAttribute kept(1, 5);
  EXPECT_EQ(chain_.RemoveObject(&kept), nullptr);
}

TEST_F(GPeripheralCompositeTest, AStoredChildThatIsNoStageFailsTheRestore) {
  // A value attribute among the children, alone and after a stage: the restore fails soft and
  // never treats the attribute as a stage (the sanitizer sees a call through the wrong type).
  for (const bool stage_first : {false, true}) {
    StrayChildComposite forged;
    if (stage_first) {
      forged.stored.Add(new FwTestPeripheral("stage", 7));
    }
    forged.stored.Add(new GValueAttribute(3, 9));
    for (const vel::test::Carrier carrier : vel::test::kAllCarriers) {
      SCOPED_TRACE(vel::test::CarrierName(carrier));
      const vel::test::Bytes bytes = vel::test::SaveGraph(carrier, &forged);
      if (const char* folder = std::getenv("VEL_WRITE_FUZZ_SEEDS")) {
        // The persistence fuzz target's seeds: the carrier's number, then the bytes.
        std::ofstream out(std::string(folder) + "/" + vel::test::CarrierName(carrier) +
                              (stage_first ? "_peripheral_composite_stage_then_value_child"
                                           : "_peripheral_composite_value_child"),
                          std::ios::binary);
        out.put(static_cast<char>(static_cast<int>(carrier)));
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
      }
      const vel::test::Restored restored = vel::test::RestoreGraph(carrier, bytes);
      EXPECT_TRUE(restored.failed);
      EXPECT_EQ(restored.object, nullptr);
      vel::test::DeleteRestored(restored.object);
      // Restored into an existing chain, which keeps no children and stays usable.
      GPeripheralComposite into;
      into.Add(new FwTestPeripheral("old", 8));
      (void)vel::test::RestoreInto(carrier, bytes, into);
      EXPECT_EQ(into.Count(), 0u);
      EXPECT_EQ(into.ChildAt(0), nullptr);
      GCommandRef page(new GPageStart);
      EXPECT_EQ(into.ProcessCommand(page.Get()), page.Get());
    }
  }
}

TEST_F(GPeripheralCompositeTest, RemovingAChildByKeyHandsItBackUnlisted) {
  auto* child = new FwTestPeripheral("child", 9);
  chain_.Add(child);
  EXPECT_EQ(child->Listeners(), std::vector<GPeripheral*>{&chain_});
  std::unique_ptr<GBaseObject> removed(chain_.RemoveByKey(9));
  EXPECT_EQ(removed.get(), child);
  EXPECT_TRUE(child->Listeners().empty());
  EXPECT_EQ(chain_.Count(), 0u);
  EXPECT_EQ(chain_.RemoveByKey(9), nullptr);
  EXPECT_EQ(chain_.RemoveByClassId(FwTestPeripheral::kClassId), nullptr);
}

TEST_F(GPeripheralCompositeTest, ACopySharesItsChildren) {
  auto* child = new FwTestPeripheral("child", 9);
  chain_.Add(child);
  {
    GPeripheralComposite copy(chain_);
    EXPECT_EQ(copy.ChildAt(0), child);
    EXPECT_EQ(copy.OwnJobState(), chain_.OwnJobState());
    EXPECT_TRUE(copy.Listeners().empty());
  }
  // The copy is gone and the child with its links is intact.
  EXPECT_EQ(chain_.ChildAt(0), child);
  EXPECT_EQ(child->Listeners(), std::vector<GPeripheral*>{&chain_});
}

TEST_F(GPeripheralCompositeTest, AChildOutlivingItsCompositeKeepsNoLinkToIt) {
  auto* child = new FwTestPeripheral("child", 9);
  auto* composite = new GPeripheralComposite;
  composite->Add(child);
  GPeripheralComposite survivor(*composite);
  delete composite;
  EXPECT_TRUE(child->Listeners().empty());
  child->SetConfiguration(new GConfiguration);  // tells no deleted listener
  EXPECT_EQ(survivor.ChildAt(0), child);
}

TEST_F(GPeripheralCompositeTest, ADeepCopyLeavesTheOriginalsConfigurationAlone) {
  chain_.Add(StageWithConfiguration("first", 1));
  chain_.Add(StageWithConfiguration("second", 2));
  GConfiguration* configuration = chain_.Configuration();
  const std::uint32_t entries = configuration->Count();
  std::unique_ptr<GPeripheralComposite> copy(
      dynamic_cast<GPeripheralComposite*>(chain_.DeepCopy()));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(chain_.Configuration(), configuration);
  EXPECT_EQ(configuration->Count(), entries);
  EXPECT_EQ(configuration->ChildAt(1), chain_.ChildAt(0)->Configuration());
  ASSERT_EQ(copy->Count(), 2u);
  EXPECT_NE(copy->ChildAt(0), chain_.ChildAt(0));
  EXPECT_EQ(copy->ChildAt(0)->Listeners(), std::vector<GPeripheral*>{copy.get()});
  EXPECT_EQ(copy->Configuration()->Count(), entries);
  EXPECT_NE(copy->OwnJobState(), chain_.OwnJobState());
}

TEST_F(GPeripheralCompositeTest, ResetReturnsTheChainToItsTemplates) {
  auto* child = new FwTestPeripheral("child", 9);
  chain_.Add(child);
  auto* page = new GState;
  page->Add(new GValueAttribute(4, 77));
  chain_.SetPageState(page);
  child->Disable();
  chain_.Disable();
  chain_.Reset();
  EXPECT_TRUE(chain_.IsEnabled());
  EXPECT_TRUE(child->IsEnabled());
  EXPECT_EQ(chain_.PageState(), page);
  EXPECT_EQ(chain_.OwnPageState(), page);
  ASSERT_NE(chain_.OwnJobState(), page);
  EXPECT_TRUE(chain_.OwnJobState()->IsSameKey(page));
  EXPECT_TRUE(chain_.JobState()->IsSameKey(page));
}

TEST_F(GPeripheralCompositeTest, TakingOutTheOwnConfigurationLeavesANewOne) {
  std::unique_ptr<GBaseObject> taken(chain_.GetConfigurationRef());
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(taken->IsA(), classid::kGState);
  ASSERT_NE(chain_.OwnConfiguration(), nullptr);
  EXPECT_EQ(chain_.OwnConfiguration()->IsA(), classid::kGConfiguration);
  EXPECT_EQ(chain_.Configuration()->ChildAt(0), chain_.OwnConfiguration());
}

}  // namespace

namespace {

// Contents read on their own (no record around them) are read whole, in one restore: the stored
// children name the composite as their listener, and a value after the contents reads right.
TEST_F(GPeripheralCompositeTest, ContentsAloneReadWholeFromAFile) {
  GPeripheralComposite saved("chain", nullptr, nullptr, 353, 380, GPeripheral::kAddOnGeneric,
                             GPeripheral::kLoadPerCommand);
  saved.Add(StageWithConfiguration("first", 101));
  saved.Add(StageWithConfiguration("second", 106));
  const vel::test::TempDir dir;
  const std::string path = dir.File("chain.bin");
  {
    RWBinaryFile file(path.c_str(), "wb+");
    saved.SaveContents(file);
    ASSERT_TRUE(file.Write(0x5EA1ED));
  }
  RWBinaryFile file(path.c_str(), "rb");
  GPeripheralComposite restored;
  restored.RestoreContents(file);
  ASSERT_FALSE(file.Eof() || file.Error());
  EXPECT_TRUE(SameChain(saved, restored));
  int after = 0;
  EXPECT_TRUE(file.Read(after));
  EXPECT_EQ(after, 0x5EA1ED);
}

}  // namespace
