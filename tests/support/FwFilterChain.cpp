// FwFilterChain: page filters ahead of a transcript stage, and the commands of a test job.
#include "tests/support/FwFilterChain.h"

#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GTransformAttribute.h"

namespace vel::test {

GMedia* MakeFilterMedia(const FilterPaper& paper,
                        std::int32_t orientation,
                        std::uint32_t key,
                        const char* media_type) {
  const std::int16_t size[2] = {paper.width, paper.height};
  const std::int16_t printable[2] = {paper.printable_width, paper.printable_height};
  const std::int16_t origin[2] = {paper.origin_x, paper.origin_y};
  return new GMedia("Letter", size, printable, origin, orientation, 1, 600, 600, key, 0, "",
                    media_type);
}

FwFilterChain::FwFilterChain(std::initializer_list<GPeripheral*> filters) {
  for (GPeripheral* filter : filters) {
    head_.Add(filter);
    ++filters_;
  }
  sink_ = new FwTranscriptPeripheral;
  head_.Add(sink_);
  head_.Reset();
}

void FwFilterChain::Send(GCommand* command) {
  GCommandRef held(command);
  GCommandRef out(head_.ProcessCommand(held.Release()));
}

GPeripheral* FwFilterChain::Filter(std::size_t index) const {
  return index < filters_ ? head_.ChildAt(static_cast<std::uint32_t>(index)) : nullptr;
}

GState* FwFilterChain::DocumentGroup(const std::optional<FilterPaper>& paper) {
  auto* group = new GState(key::kDocumentGroup);
  if (paper) {
    group->Add(MakeFilterMedia(*paper));
  }
  group->Add(new GValueAttribute(0, key::kOrientation));
  return group;
}

GCommand* FwFilterChain::DocumentStart(GState* group, GDeviceSession* device) {
  return new GDocumentStart(RWWString(), RWWString(), device, group, 0);
}

GCommand* FwFilterChain::PageStart(const FilterPaper& paper,
                                   std::int32_t orientation,
                                   bool origin_transform) {
  auto* group = new GState(key::kPageGroup);
  group->Add(MakeFilterMedia(paper, orientation));
  group->Add(new GValueAttribute(static_cast<std::uint16_t>(orientation), key::kOrientation));
  if (origin_transform) {
    group->Add(new GTransformAttribute(0, GPoint{paper.origin_x, paper.origin_y}, GScale{}));
  }
  return new GPageStart(group, 0);
}

GCommand* FwFilterChain::Graphic(bool with_transform) {
  auto* bundle = new GGraphicBundle;
  bundle->SetPen(new GNoPen);
  if (with_transform) {
    bundle->SetAttribute(new GTransformAttribute);
  }
  return new GRectangleGraphic(GRect{10, 10, 20, 20}, bundle, 0);
}

}  // namespace vel::test
