// The stage of the output chain: dispatch through ProcessCommand, error commands, expansion of
// command lists, state merging and replay, the take-out rule of its states, the channel it
// forgets, counted command references and the stored listener list.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GEnumAttribute.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GTray.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandComposite.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "tests/support/FwOutputSinks.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/FwTestPeripheral.h"

namespace {

namespace classid = vel::classid;
using vel::test::Carrier;
using Names = std::vector<std::string>;

// A command held by the test the way the device session holds what it sends and gets back.
struct Sent {
  GCommandRef sent;
  GCommandRef answer;
};

Sent Send(GPeripheral& stage, GCommand* command) {
  Sent result{GCommandRef(command), GCommandRef()};
  result.answer = GCommandRef(stage.ProcessCommand(command));
  return result;
}

// An attribute that answers the transform's class id, so the graphics group treats it as the
// transform; it reports itself through the transform's handler.
class TestTransform : public GValueAttribute {
 public:
  explicit TestTransform(std::uint32_t key) : GValueAttribute(0, key) {}
  RWClassID IsA() const override { return classid::kGTransformAttribute; }
  RWCollectable* Clone() const override { return new TestTransform(*this); }
  std::uint16_t Accept(GTypedHandlers& handlers) override {
    return handlers.HandleTransformAttribute(*reinterpret_cast<GTransformAttribute*>(this));
  }
};

// A stage that can be given a channel.
class ChannelStage : public FwTestPeripheral {
 public:
  using GPeripheral::SetOutputChannel;
};

class GPeripheralTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterFrameworkTestClasses(); }
};

FW_PERSIST_SAMPLES(FwTestPeripheral::kClassId,
                   {{"test stage default", [] { return new FwTestPeripheral; }},
                    {"test stage named, with states and add-on settings", [] {
                       auto* page = new GState;
                       page->Add(new GValueAttribute(3, 40));
                       auto* configuration = new GConfiguration;
                       configuration->Add(new GStringAttribute("tray", 41));
                       auto* stage = new FwTestPeripheral("stage", 7);
                       stage->SetPageState(page);
                       stage->SetConfiguration(configuration);
                       stage->Reset();
                       (void)stage->InitStates(vel::key::kGraphicsGroup);
                       stage->SetAddOnSettings(380, GPeripheral::kAddOnPJL,
                                               GPeripheral::kLoadOnce);
                       // The document state and the enabled flag are not stored.
                       return stage;
                     }}});

TEST_F(GPeripheralTest, EachCommandClassReachesItsOneHandler) {
  struct Case {
    GCommand* command;
    const char* handler;
  };
  const Case cases[] = {
      {new GDocumentStart(u"job", u"printer", nullptr, 0), "HandleDocumentStart"},
      {new GDocumentEnd, "HandleDocumentEnd"},
      {new GPageStart(nullptr, 0), "HandlePageStart"},
      {new GPageEnd(nullptr, 0), "HandlePageEnd"},
      {new GJobAbort, "HandleJobAbort"},
      {new GPassThroughCommand, "HandlePassThroughCommand"},
  };
  for (const Case& c : cases) {
    FwTestPeripheral stage;
    const Sent sent = Send(stage, c.command);
    EXPECT_EQ(stage.Names(), Names{c.handler}) << c.handler;
    EXPECT_EQ(sent.answer.Get(), c.command) << c.handler;
    ASSERT_EQ(stage.Calls().size(), 1u);
    EXPECT_EQ(stage.Calls()[0].object, c.command);
  }
}

TEST_F(GPeripheralTest, EachAttributeClassOfABundleReachesItsOneHandler) {
  struct Case {
    GAttribute* attribute;
    const char* handler;
  };
  const Case cases[] = {
      {new GValueAttribute(1, 50), "HandleValueAttribute"},
      {new GStringAttribute("text", 51), "HandleStringAttribute"},
      {new GRangeAttribute(0, 10, 1, 5, 52), "HandleRangeAttribute"},
      {new GEnumAttribute(53), "HandleEnumAttribute"},
      {new GMedia, "HandleMedia"},
      {new GTray("Tray 1", 1, 54), "HandleTray"},
  };
  for (const Case& c : cases) {
    FwTestPeripheral stage;
    auto* bundle = new GState(vel::key::kGraphicsGroup);
    bundle->Add(c.attribute);
    const Sent sent = Send(stage, new GNullCommand(bundle, 0));
    EXPECT_EQ(stage.Names(), Names{c.handler}) << c.handler;
    ASSERT_EQ(stage.Calls().size(), 1u);
    EXPECT_EQ(stage.Calls()[0].object, c.attribute);
  }
}

TEST_F(GPeripheralTest, AFailingHandlerTurnsTheCommandIntoAnErrorCommand) {
  FwTestPeripheral stage;
  stage.SetStatus("HandlePageStart", 601);
  auto* page_start = new GPageStart(nullptr, 0);
  const Sent sent = Send(stage, page_start);
  ASSERT_NE(sent.answer.Get(), nullptr);
  ASSERT_EQ(sent.answer->IsA(), classid::kGErrorCommand);
  const auto* error = static_cast<GErrorCommand*>(sent.answer.Get());
  EXPECT_EQ(error->GetStatus(), 601);
  EXPECT_EQ(error->GetCommand(), page_start);
  EXPECT_EQ(error->GetKey(), 0u);
}

TEST_F(GPeripheralTest, MarkerAndErrorCommandsPassUntouched) {
  FwTestPeripheral stage;
  auto* bundle = new GState(vel::key::kGraphicsGroup);
  bundle->Add(new GValueAttribute(1, 50));
  for (GCommand* command : {static_cast<GCommand*>(new GNoCommand),
                            static_cast<GCommand*>(new GErrorCommand(5, nullptr, 0))}) {
    command->SetGraphicBundle(new GState(*bundle));
    const Sent sent = Send(stage, command);
    EXPECT_EQ(sent.answer.Get(), command);
  }
  EXPECT_TRUE(stage.Names().empty());
  delete bundle;
}

TEST_F(GPeripheralTest, ADisabledStageReturnsEveryCommandUnchanged) {
  FwTestPeripheral stage;
  stage.SetStatus("HandlePageStart", 9);
  stage.SetReplacement([](GCommand&) { return new GNullCommand(99); });
  stage.Disable();
  auto* list = new GCommandComposite;
  auto* child = new GPageStart(nullptr, 0);
  list->Add(child);
  const Sent sent = Send(stage, list);
  EXPECT_EQ(sent.answer.Get(), list);
  EXPECT_EQ(list->Children().ChildAt(0), child);
  EXPECT_TRUE(stage.Names().empty());
}

TEST_F(GPeripheralTest, AFailingChildEndsTheCommandListWithItsErrorCommand) {
  FwTestPeripheral stage;
  stage.SetStatus("HandlePageEnd", 7);
  stage.SetReplacement([](GCommand& handled) -> GCommand* {
    return handled.IsA() == classid::kGPageStart ? new GNullCommand(99) : nullptr;
  });
  auto* list = new GCommandComposite;
  list->Add(new GPageStart(nullptr, 1));
  auto* failing = new GPageEnd(nullptr, 2);
  list->Add(failing);
  auto* third = new GJobAbort(3);
  list->Add(third);
  const Sent sent = Send(stage, list);

  ASSERT_NE(sent.answer.Get(), nullptr);
  ASSERT_EQ(sent.answer->IsA(), classid::kGErrorCommand);
  const auto* error = static_cast<GErrorCommand*>(sent.answer.Get());
  EXPECT_EQ(error->GetStatus(), 7);
  EXPECT_EQ(error->GetCommand(), failing);
  // The first child was replaced by its result; the second stays; the third was never seen.
  EXPECT_EQ(list->Children().ChildAt(0)->GetKey(), 99u);
  EXPECT_EQ(list->Children().ChildAt(1), failing);
  EXPECT_EQ(list->Children().ChildAt(2), third);
  EXPECT_EQ(stage.Names(), (Names{"HandlePageStart", "HandlePageEnd"}));
}

TEST_F(GPeripheralTest, ACommandWithoutBundleReplaysTheEnabledTopLevelAttributes) {
  FwTestPeripheral stage;
  GState* job = stage.JobState();
  job->Add(new GValueAttribute(1, 60));
  auto* sent_before = new GStringAttribute("old", 61);
  sent_before->SetEnabled(0);
  job->Add(sent_before);
  job->Add(new GRangeAttribute(0, 4, 1, 2, 62));
  const Sent sent = Send(stage, new GJobAbort);
  EXPECT_EQ(stage.Names(),
            (Names{"HandleValueAttribute", "HandleRangeAttribute", "HandleJobAbort"}));
}

TEST_F(GPeripheralTest, InitStatesMakesOneGroupPerBundleKeyAndKeepsIt) {
  FwTestPeripheral stage;
  GState* page = stage.InitStates(vel::key::kPageGroup);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->GetKey(), vel::key::kPageGroup);
  EXPECT_EQ(stage.JobState()->Count(), 1u);
  EXPECT_EQ(stage.JobState()->ChildAt(0), page);
  // Cached: found again even where a search by key would no longer find it.
  page->SetKey(999);
  EXPECT_EQ(stage.InitStates(vel::key::kPageGroup), page);
  EXPECT_EQ(stage.InitStates(5), stage.JobState());
  // A new job state drops the cache.
  stage.SetJobState(new GState);
  GState* fresh = stage.InitStates(vel::key::kPageGroup);
  EXPECT_NE(fresh, nullptr);
  EXPECT_EQ(stage.JobState()->ChildAt(0), fresh);
}

// A restore into a live stage that fails part-way (cut at every length, record and contents
// alone) leaves each cached group a member of the job state the stage then holds.
TEST_F(GPeripheralTest, AFailedRestoreKeepsTheCachedGroupsInsideTheJobState) {
  auto* page = new GState;
  page->Add(new GValueAttribute(3, 40));
  FwTestPeripheral stored("stored", 7);
  stored.SetPageState(page);
  stored.SetConfiguration(new GConfiguration);
  stored.Reset();
  (void)stored.InitStates(vel::key::kGraphicsGroup);
  constexpr std::uint32_t kGroups[] = {vel::key::kGraphicsGroup, vel::key::kPageGroup,
                                       vel::key::kDocumentGroup};
  for (const Carrier carrier : vel::test::kAllCarriers) {
    for (const bool contents : {false, true}) {
      const vel::test::Bytes bytes = contents ? vel::test::SaveContentsOf(carrier, stored)
                                              : vel::test::SaveGraph(carrier, &stored);
      for (std::size_t length = 0; length <= bytes.size(); ++length) {
        SCOPED_TRACE(std::string(vel::test::CarrierName(carrier)) +
                     (contents ? " contents" : " record") + " cut at " + std::to_string(length));
        FwTestPeripheral live("live", 1);
        live.JobState()->Add(new GValueAttribute(5, 50));
        for (const std::uint32_t key : kGroups) {
          ASSERT_NE(live.InitStates(key), nullptr);
        }
        const vel::test::Bytes cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
        (void)(contents ? vel::test::RestoreContentsOf(carrier, cut, live)
                        : vel::test::RestoreInto(carrier, cut, live));
        GState* job = live.JobState();
        ASSERT_NE(job, nullptr);
        for (const std::uint32_t key : kGroups) {
          GState* group = live.InitStates(key);
          ASSERT_NE(group, nullptr);
          EXPECT_EQ(group->GetKey(), key);
          bool member = false;
          for (std::uint32_t i = 0; i < job->Count(); ++i) {
            member = member || job->ChildAt(i) == group;
          }
          EXPECT_TRUE(member) << key;
        }
      }
    }
  }
}

TEST_F(GPeripheralTest, ANewTransformIsSentFirstAndResendsTheGraphicsGroup) {
  FwTestPeripheral stage;
  GState* graphics = stage.InitStates(vel::key::kGraphicsGroup);
  auto* pen = new GValueAttribute(1, 70);
  auto* brush = new GStringAttribute("brush", 71);
  pen->SetEnabled(0);
  brush->SetEnabled(0);
  graphics->Add(pen);
  graphics->Add(brush);

  // A bundle with nothing new sends nothing.
  const Sent quiet = Send(stage, new GNullCommand(new GState(vel::key::kGraphicsGroup), 0));
  EXPECT_TRUE(stage.Names().empty());

  auto* bundle = new GState(vel::key::kGraphicsGroup);
  bundle->Add(new TestTransform(72));
  const Sent sent = Send(stage, new GNullCommand(bundle, 0));
  EXPECT_EQ(stage.Names(), (Names{"HandleTransformAttribute", "HandleValueAttribute",
                                  "HandleStringAttribute"}));
  ASSERT_NE(graphics->FindByClassId(classid::kGTransformAttribute), nullptr);
  EXPECT_EQ(static_cast<GAttribute*>(graphics->FindByClassId(classid::kGTransformAttribute))
                ->GetEnabled(),
            0);
}

TEST_F(GPeripheralTest, TakingOutASharedJobStateHandsOutACopy) {
  FwTestPeripheral stage;
  stage.JobState()->Add(new GValueAttribute(4, 80));
  FwTestPeripheral other(stage);
  GState* shared = stage.JobState();
  ASSERT_EQ(other.JobState(), shared);

  std::unique_ptr<GState> taken(stage.GetJobStateRef());
  ASSERT_NE(taken, nullptr);
  EXPECT_NE(taken.get(), shared);
  EXPECT_TRUE(taken->IsSameKey(shared));
  EXPECT_EQ(other.JobState(), shared);
  EXPECT_EQ(shared->Count(), 1u);
  ASSERT_NE(stage.JobState(), nullptr);
  EXPECT_EQ(stage.JobState()->Count(), 0u);
  EXPECT_EQ(stage.JobState()->GetKey(), vel::key::kPeripheralState);

  // Held by this stage alone, the state itself comes out.
  GState* own = other.JobState();
  FwTestPeripheral third;
  third.SetJobState(new GState);
  GState* alone = third.JobState();
  std::unique_ptr<GState> taken_alone(third.GetJobStateRef());
  EXPECT_EQ(taken_alone.get(), alone);
  EXPECT_EQ(other.JobState(), own);
}

TEST_F(GPeripheralTest, ResetRebuildsTheJobStateFromThePageStateAndEnables) {
  auto* page = new GState;
  page->Add(new GValueAttribute(2, 90));
  FwTestPeripheral stage("stage", 0);
  stage.SetPageState(page);
  stage.JobState()->Add(new GStringAttribute("stale", 91));
  stage.Disable();
  stage.Reset();
  EXPECT_TRUE(stage.IsEnabled());
  ASSERT_NE(stage.JobState(), nullptr);
  EXPECT_NE(stage.JobState(), page);
  EXPECT_TRUE(stage.JobState()->IsSameKey(page));
  EXPECT_EQ(page->GetKey(), vel::key::kPeripheralState);
}

TEST_F(GPeripheralTest, DocumentAndPageCommandsMoveTheDocumentState) {
  FwTestPeripheral stage;
  const std::pair<GCommand*, std::int32_t> steps[] = {
      {new GDocumentStart, GPeripheral::kInDocument}, {new GPageStart, GPeripheral::kInPage},
      {new GPageEnd, GPeripheral::kInDocument},       {new GDocumentEnd, GPeripheral::kIdle},
      {new GPageStart, GPeripheral::kInPage},         {new GJobAbort, GPeripheral::kIdle}};
  for (const auto& [command, state] : steps) {
    const Sent sent = Send(stage, command);
    EXPECT_EQ(stage.GetState(), state);
  }
}

TEST_F(GPeripheralTest, AStageForgetsAChannelItDoesNotOwnAndAbortsOneItOwns) {
  vel::test::MemoryOutputPort borrowed;
  for (GCommand* end : {static_cast<GCommand*>(new GDocumentEnd),
                        static_cast<GCommand*>(new GJobAbort)}) {
    ChannelStage stage;
    stage.SetOutputChannel(&borrowed, false);
    const Sent sent = Send(stage, end);
    EXPECT_EQ(stage.GetOutputChannel(), nullptr);
  }

  ChannelStage owner;
  auto* channel = new vel::test::MemoryOutputPort;
  ASSERT_EQ(channel->JobStart(u"job", 0), 0);
  owner.SetOutputChannel(channel, true);
  const Sent sent = Send(owner, new GJobAbort);
  EXPECT_EQ(sent.answer->IsA(), classid::kGJobAbort);
  EXPECT_TRUE(channel->IsClosed());
  // Still owned: deleted with the stage (the sanitizer sees a leak otherwise).
  EXPECT_EQ(owner.GetOutputChannel(), channel);
  EXPECT_TRUE(owner.OwnsOutputChannel());
}

TEST_F(GPeripheralTest, CommandReferencesCountInTheCommand) {
  auto* command = new GNoCommand;
  GCommandRef first(command);
  GCommandRef second = first;
  EXPECT_EQ(command->References(), 1);
  second = nullptr;
  EXPECT_EQ(command->References(), 0);
  // Exchange hands back the last reference's command undeleted.
  GCommand* old = first.Exchange(new GNoCommand);
  EXPECT_EQ(old, command);
  EXPECT_EQ(old->References(), -1);
  GCommandRef again(old);
  EXPECT_EQ(again.Release(), old);
  EXPECT_EQ(old->References(), -1);
  delete old;
  // Assigning a command held through the old one: the new one is held before the old goes.
  auto* failed = new GNoCommand;
  GCommandRef held(failed);
  held = new GErrorCommand(1, failed, 0);
  EXPECT_EQ(failed->References(), 0);
}

TEST_F(GPeripheralTest, ListenerLinksSurviveARoundTrip) {
  GPeripheralComposite composite(3);
  auto* child = new FwTestPeripheral("child", 4);
  composite.Add(child);
  ASSERT_EQ(child->Listeners(), std::vector<GPeripheral*>{&composite});
  for (const Carrier carrier : vel::test::kAllCarriers) {
    const vel::test::Bytes bytes = vel::test::SaveGraph(carrier, &composite);
    const vel::test::Restored restored = vel::test::RestoreGraph(carrier, bytes);
    ASSERT_FALSE(restored.failed) << vel::test::CarrierName(carrier);
    std::unique_ptr<GPeripheralComposite> copy(
        dynamic_cast<GPeripheralComposite*>(restored.object));
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->Count(), 1u);
    EXPECT_EQ(copy->ChildAt(0)->Listeners(), std::vector<GPeripheral*>{copy.get()});
    EXPECT_EQ(copy->ChildAt(0)->GetName(), "child");
  }
}

TEST_F(GPeripheralTest, CorruptListenerTagsFailSoft) {
  FwTestPeripheral stage("NAME", 1);
  const vel::test::Bytes bytes = vel::test::SaveGraph(Carrier::kBinary, &stage);
  const std::string text(bytes.begin(), bytes.end());
  const std::size_t name = text.find("NAME");
  ASSERT_NE(name, std::string::npos);
  // Before the name: the listener count and the string's length, which the binary stream writes
  // twice (as the length and as the counted string's own count), after the tag.
  const std::size_t tag = name - 4 - 4 - 4 - 1;
  ASSERT_EQ(bytes[tag], ':') << vel::test::HexDump(bytes);
  struct Case {
    const char* what;
    std::uint8_t tag;
    std::uint8_t word;
  };
  const Case cases[] = {{"another tag", 'X', 0},
                        {"a back reference to the nil object", '@', 0},
                        {"a back reference to no entry", '@', 200},
                        {"a back reference to the stage itself", '@', 1},
                        {"a count of listeners that are not there", ':', 3}};
  for (const Case& c : cases) {
    vel::test::Bytes corrupt = bytes;
    corrupt[tag] = c.tag;
    corrupt[tag + 1] = c.word;
    const vel::test::Restored restored = vel::test::RestoreGraph(Carrier::kBinary, corrupt);
    EXPECT_TRUE(restored.failed) << c.what;
    EXPECT_EQ(restored.object, nullptr) << c.what;
    vel::test::DeleteRestored(restored.object);
  }
  // A stage listing itself (a reference to its own record, 1): a cycle of listeners is refused.
  vel::test::Bytes listing_itself(bytes.begin(), bytes.begin() + static_cast<long>(tag) + 1);
  for (const int byte : {1, 0, 0, 0, int{'@'}, 1, 0, 0, 0}) {
    listing_itself.push_back(static_cast<std::uint8_t>(byte));
  }
  listing_itself.insert(listing_itself.end(), bytes.begin() + static_cast<long>(tag) + 5,
                        bytes.end());
  const vel::test::Restored restored = vel::test::RestoreGraph(Carrier::kBinary, listing_itself);
  EXPECT_TRUE(restored.failed);
  EXPECT_EQ(restored.object, nullptr);
}

}  // namespace
