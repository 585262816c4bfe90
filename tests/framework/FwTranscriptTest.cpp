// The pipeline's transcript recorder: one line per handled command, with the bundle's attributes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GEnumAttribute.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "tests/support/FwTranscript.h"

namespace {

using vel::test::FwTranscriptRecorder;

TEST(FwTranscriptTest, OneLinePerHandledCommand) {
  auto* document_settings = new GState;
  document_settings->Add(new GValueAttribute(2, 247));
  auto* resolution = new GState(249);
  resolution->Add(new GValueAttribute(600, 322));
  resolution->Add(new GValueAttribute(300, 323));
  document_settings->Add(resolution);
  auto* page_settings = new GState;
  page_settings->Add(new GStringAttribute("Tray 2", 258));
  page_settings->Add(new GRangeAttribute(-90, 270, 90, -90, 265));

  std::vector<std::unique_ptr<GCommand>> job;
  job.emplace_back(
      new GDocumentStart(RWWString(u"j"), RWWString(u"p"), nullptr, document_settings, 0));
  job.emplace_back(new GPageStart(page_settings, 1));
  job.emplace_back(new GNullCommand(2));
  job.emplace_back(new GPassThroughCommand);
  job.emplace_back(new GPageEnd(3));
  job.emplace_back(new GErrorCommand(5, nullptr, 4));
  job.emplace_back(new GJobAbort);
  job.emplace_back(new GDocumentEnd);

  FwTranscriptRecorder recorder;
  recorder.SetStatus("HandleErrorCommand", 5);
  for (const auto& command : job) {
    (void)command->Accept(recorder);
  }
  EXPECT_EQ(recorder.Text(),
            "GDocumentStart 0: 247 = 2; 249 = { 322 = 600; 323 = 300 }\n"
            "GPageStart 1: 258 = \"Tray 2\"; 265 = -90\n"
            "GPassThroughCommand 0\n"
            "GPageEnd 3:\n"
            "GErrorCommand 4\n"
            "GJobAbort 0\n"
            "GDocumentEnd 0:\n");
  EXPECT_EQ(recorder.Calls().size(), 7u);
}

TEST(FwTranscriptTest, RegisteredFormatsAndTheirHelpers) {
  EXPECT_EQ(vel::test::FormatReal(0.5), "0.5");
  EXPECT_EQ(vel::test::FormatReal(1.0 / 3.0), "0.3333333");
  EXPECT_EQ(vel::test::FormatMedia("Letter", 5100, 6600, 100, 100, 90),
            "media(\"Letter\", 5100 x 6600, origin 100,100, orientation 90)");
  EXPECT_EQ(vel::test::FormatTransform(90, -12, 30, 0.75, 2.0),
            "transform(rotation 90, translation -12,30, scale 0.75,2)");

  auto* settings = new GState;
  settings->Add(new GEnumAttribute(41));
  GNullCommand command(settings, 0);
  EXPECT_EQ(FwTranscriptRecorder::Line("GNullCommand", command), "GNullCommand 0: 41 = {}");
  FwTranscriptRecorder::SetAttributeFormat(
      vel::classid::kGEnumAttribute,
      [](const GBaseObject& choice) { return "choice of " + std::to_string(choice.Count()); });
  EXPECT_EQ(FwTranscriptRecorder::Line("GNullCommand", command),
            "GNullCommand 0: 41 = choice of 0");
  FwTranscriptRecorder::SetAttributeFormat(vel::classid::kGEnumAttribute, nullptr);
  EXPECT_EQ(FwTranscriptRecorder::Line("GNullCommand", command), "GNullCommand 0: 41 = {}");
}

}  // namespace
