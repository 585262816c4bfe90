// GScalePageFilter: the percentage, the page transform and the stored form.
#include "framework/pipeline/GScalePageFilter.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GState.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GCommand.h"
#include "framework/pipeline/GCommandComposite.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/PageFilterParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

namespace classid = vel::classid;
namespace key = vel::key;

// The percentage becomes a scale through this 32-bit constant, so 33 gives 0.32999998 (one step
// below 0.33f) and 100 exactly 1.0.
constexpr float kPercent = 0.01f;

}  // namespace

GScalePageFilter::GScalePageFilter() = default;

GScalePageFilter::GScalePageFilter(const RWCString& name,
                                   GState* page_state,
                                   GConfiguration* configuration,
                                   std::uint32_t key,
                                   std::uint32_t add_on_list_key,
                                   std::int32_t add_on_kind,
                                   std::int32_t add_on_mode)
    : GPeripheral(name, page_state, configuration, key, add_on_list_key, add_on_kind,
                  add_on_mode) {}

RWClassID GScalePageFilter::ClassId() {
  return classid::kGScalePageFilter;
}

RWCollectable* GScalePageFilter::Create() {
  return new (std::nothrow) GScalePageFilter;
}

RWCollectable* GScalePageFilter::CreateInstance() const {
  return Create();
}

RWCollectable* GScalePageFilter::Clone() const {
  return new (std::nothrow) GScalePageFilter(*this);
}

RWClassID GScalePageFilter::IsA() const {
  return ClassId();
}

bool GScalePageFilter::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPeripheral::IsKindOf(id);
}

void GScalePageFilter::MergeGraphicBundle(GState* /*bundle*/) {}

void GScalePageFilter::AttachState(std::uint32_t /*key*/) {}

GCommandRef GScalePageFilter::HandleCommand(GCommandRef command) {
  if (!command) {
    return command;
  }
  switch (command->IsA()) {
    case classid::kGDocumentStart:
      return DocumentStart(command);
    case classid::kGPageStart:
      return PageStart(command);
    default:
      vel::ConcatenateCommandTransform(*command.Get(), transform_);
      return command;
  }
}

GCommandRef GScalePageFilter::DocumentStart(const GCommandRef& command) {
  transform_ = GTransformAttribute();
  scale_ = 1.0f;
  const GState* bundle = command->GetGraphicBundle();
  if (const GBaseObject* percentage =
          bundle != nullptr ? bundle->FindByKey(key::kScalePercentage) : nullptr) {
    scale_ = static_cast<float>(vel::SettingNumber(percentage, 100)) * kPercent;
  }
  if (scale_ != 1.0f) {
    Enable();
  } else {
    Disable();
  }
  vel::ConcatenateCommandTransform(*command.Get(), transform_);
  return command;
}

GCommandRef GScalePageFilter::PageStart(const GCommandRef& command) {
  transform_.SetScale(scale_, scale_);
  if (GState* bundle = command->GetGraphicBundle()) {
    if (const auto* own = dynamic_cast<const GTransformAttribute*>(
            bundle->FindByClassId(classid::kGTransformAttribute))) {
      const GTransformAttribute placed = Concatenate(*own, transform_);
      (void)bundle->ReplaceByClassId(classid::kGTransformAttribute, &placed);
    } else {
      bundle->SetAttribute(new (std::nothrow) GTransformAttribute(transform_));
    }
  }
  command->MakeUnique();
  auto* list = new (std::nothrow) GCommandComposite;
  if (list == nullptr) {
    return command;
  }
  GCommandRef held(list);
  list->Add(command.Get());
  auto* placement = new (std::nothrow) GGraphicBundle;
  if (placement != nullptr) {
    placement->SetAttribute(new (std::nothrow) GTransformAttribute(transform_));
    if (auto* carrier = new (std::nothrow) GNullCommand(placement, 0)) {
      list->Add(carrier);
    } else {
      delete placement;
    }
  }
  return held;
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GScalePageFilter::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GPeripheral::StoredByteCount() + vel::kClassVersionSize;
}

void GScalePageFilter::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GPeripheral>(*this, stream);
}

void GScalePageFilter::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GPeripheral>(*this, file);
}

template <typename Carrier>
void GScalePageFilter::Restore(Carrier& carrier) {
  GPeripheral::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  transform_ = GTransformAttribute();
  scale_ = 1.0f;
}

void GScalePageFilter::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GScalePageFilter::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
