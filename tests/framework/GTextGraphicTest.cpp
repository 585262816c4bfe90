// The text graphic: a composite of what one text call draws, expanded by the stages, and its
// stored form.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GTextGraphic.h"
#include "framework/pipeline/GTextStringGraphic.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"
#include "tests/support/FwTestPeripheral.h"

namespace {

using vel::test::Carrier;
namespace classid = vel::classid;

// An opaque rectangle, the text run and an underline, each with its own bundle.
GTextGraphic* TextCall() {
  auto* text = new GTextGraphic(new GGraphicBundle, 5);
  text->Add(new GRectangleGraphic(GRect{0, 0, 100, 20}, new GGraphicBundle, 0));
  static const GPoint kPositions[] = {{2, 15}, {14, 15}, {25, 15}};
  auto* codes = new std::uint16_t[3]{'T', 'o', 'p'};
  text->Add(new GTextStringGraphic(nullptr, codes, 1, 16, kPositions, 3, new GGraphicBundle));
  text->Add(new GRectangleGraphic(GRect{2, 17, 98, 18}, new GGraphicBundle, 0));
  return text;
}

FW_PERSIST_SAMPLES(classid::kGTextGraphic,
                   {{"text graphic empty", [] { return new GTextGraphic; }},
                    {"text graphic with children", [] { return TextCall(); }}});

TEST(GTextGraphicTest, KindsCopyAndStoredSize) {
  std::unique_ptr<GTextGraphic> text(TextCall());
  EXPECT_EQ(text->IsA(), classid::kGTextGraphic);
  for (const RWClassID kind : {classid::kGTextGraphic, classid::kGGraphicComposite,
                               classid::kGGraphic, classid::kGCommand, classid::kGBaseObject}) {
    EXPECT_TRUE(text->IsKindOf(kind)) << kind;
  }
  EXPECT_FALSE(text->IsKindOf(classid::kGPathGraphic));
  ASSERT_NE(text->GetGraphicBundle(), nullptr);
  EXPECT_EQ(text->GetGraphicBundle()->GetKey(), vel::key::kGraphicsGroup);

  // A copy shares the children.
  GTextGraphic copy(*text);
  ASSERT_EQ(copy.Count(), 3u);
  EXPECT_EQ(copy.Children().ChildAt(1), text->Children().ChildAt(1));
  EXPECT_TRUE(copy.IsSameKey(text.get()));
  GGraphicComposite composite(new GGraphicBundle, 5);
  EXPECT_FALSE(composite.IsSameKey(text.get()));

  // The composite's stored size and the version word.
  GGraphicComposite empty_composite;
  EXPECT_EQ(GTextGraphic().StoredByteCount(), empty_composite.StoredByteCount() + 4);
}

// Sent down the chain, the text graphic is expanded: its children reach their handlers in order
// and its own handler is never called. Called directly, its Accept reaches HandleTextGraphic.
TEST(GTextGraphicTest, AStageReceivesTheChildrenInOrder) {
  FwTestPeripheral stage;
  GTextGraphic* text = TextCall();
  const GCommandRef sent(text);
  const GCommandRef answer(stage.ProcessCommand(text));
  EXPECT_EQ(answer.Get(), text);
  EXPECT_EQ(stage.Names(), (std::vector<std::string>{"HandleRectangleGraphic",
                                                     "HandleTextStringGraphic",
                                                     "HandleRectangleGraphic"}));
  ASSERT_EQ(stage.Calls().size(), 3u);
  EXPECT_EQ(stage.Calls()[0].object, text->Children().ChildAt(0));
  EXPECT_EQ(stage.Calls()[2].object, text->Children().ChildAt(2));

  vel::test::FwRecordingHandlers handlers;
  handlers.SetStatus("HandleTextGraphic", 7);
  EXPECT_EQ(text->Accept(handlers), 7);
  ASSERT_EQ(handlers.Calls().size(), 1u);
  EXPECT_EQ(handlers.Calls()[0].handler, "HandleTextGraphic");
  EXPECT_EQ(handlers.Calls()[0].object, text);
}

}  // namespace
