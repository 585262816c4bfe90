// GFitToSizeFilter: the target media, the page's target and transform, and the stored form.
#include "framework/pipeline/GFitToSizeFilter.h"

#include <algorithm>
#include <memory>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GState.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GCommand.h"
#include "framework/pipeline/PageFilterParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

namespace classid = vel::classid;
namespace key = vel::key;

bool HasSize(const GMedia& media) {
  return media.GetSize()[0] > 0 && media.GetSize()[1] > 0;
}

}  // namespace

GFitToSizeFilter::GFitToSizeFilter() = default;

GFitToSizeFilter::GFitToSizeFilter(const RWCString& name,
                                   GState* page_state,
                                   GConfiguration* configuration,
                                   std::uint32_t key,
                                   std::uint32_t add_on_list_key,
                                   std::int32_t add_on_kind,
                                   std::int32_t add_on_mode)
    : GPeripheral(name, page_state, configuration, key, add_on_list_key, add_on_kind,
                  add_on_mode) {}

RWClassID GFitToSizeFilter::ClassId() {
  return classid::kGFitToSizeFilter;
}

RWCollectable* GFitToSizeFilter::Create() {
  return new (std::nothrow) GFitToSizeFilter;
}

RWCollectable* GFitToSizeFilter::CreateInstance() const {
  return Create();
}

RWCollectable* GFitToSizeFilter::Clone() const {
  return new (std::nothrow) GFitToSizeFilter(*this);
}

RWClassID GFitToSizeFilter::IsA() const {
  return ClassId();
}

bool GFitToSizeFilter::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPeripheral::IsKindOf(id);
}

bool GFitToSizeFilter::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GPeripheral::IsSameKey(other)) {
    return false;
  }
  return target_media_.IsSameKey(&static_cast<const GFitToSizeFilter&>(*other).target_media_);
}

void GFitToSizeFilter::MergeGraphicBundle(GState* /*bundle*/) {}

void GFitToSizeFilter::AttachState(std::uint32_t /*key*/) {}

// ---------------------------------------------------------------------------------------------
// Geometry

GTransformAttribute GFitToSizeFilter::FitTransform(const GMedia& target,
                                                   const GMedia& source,
                                                   bool scale_to_fit) {
  const std::int32_t target_width = target.GetSize()[0];
  const std::int32_t target_height = target.GetSize()[1];
  const std::int32_t source_width = source.GetSize()[0];
  const std::int32_t source_height = source.GetSize()[1];
  const std::int32_t printable_width = source.GetPrintableSize()[0];
  const std::int32_t printable_height = source.GetPrintableSize()[1];
  if (!scale_to_fit) {
    return GTransformAttribute(
        0,
        GPoint{static_cast<std::int16_t>((target_width - printable_width) / 2),
               static_cast<std::int16_t>((target_height - printable_height) / 2)},
        GScale{});
  }
  if (source_width <= 0 || source_height <= 0) {
    return GTransformAttribute();
  }
  // The smaller ratio keeps the whole page on the target; the page is centred along the axis
  // that has room to spare.
  const float by_width = static_cast<float>(target_width) / static_cast<float>(source_width);
  const float by_height = static_cast<float>(target_height) / static_cast<float>(source_height);
  GPoint translation{target.GetPrintableOrigin()[0], target.GetPrintableOrigin()[1]};
  float s = by_height;
  if (by_height <= by_width) {
    translation.x = vel::TruncateToShort(
        (static_cast<float>(target_width) - static_cast<float>(printable_width) * s) * 0.5f);
  } else {
    s = by_width;
    translation.y = vel::TruncateToShort(
        (static_cast<float>(target_height) - static_cast<float>(printable_height) * s) * 0.5f);
  }
  return GTransformAttribute(0, translation, GScale{s, s});
}

GMedia GFitToSizeFilter::PageTarget(const GMedia& target, std::int32_t orientation) {
  const bool turned =
      vel::ReduceDegrees(target.GetOrientation()) % 180 != vel::ReduceDegrees(orientation) % 180;
  const int w = turned ? 1 : 0;
  const int h = turned ? 0 : 1;
  const std::int16_t size[2] = {target.GetSize()[w], target.GetSize()[h]};
  const std::int16_t printable[2] = {target.GetPrintableSize()[w], target.GetPrintableSize()[h]};
  const std::int16_t origin[2] = {target.GetPrintableOrigin()[w], target.GetPrintableOrigin()[h]};
  return GMedia(nullptr, size, printable, origin, orientation, target.GetPaperId(),
                target.GetResolutionX(), target.GetResolutionY(), key::kMedia, 0, nullptr,
                nullptr);
}

// ---------------------------------------------------------------------------------------------
// Commands

GCommandRef GFitToSizeFilter::HandleCommand(GCommandRef command) {
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

GCommandRef GFitToSizeFilter::DocumentStart(const GCommandRef& command) {
  transform_ = GTransformAttribute();
  source_media_ = GMedia();
  target_media_ = GMedia();
  scale_to_fit_ = 0;
  GState* bundle = command->GetGraphicBundle();
  const GBaseObject* request =
      bundle != nullptr ? bundle->FindByKey(key::kSecondMediaRequest) : nullptr;
  const auto* target =
      bundle != nullptr ? dynamic_cast<const GMedia*>(bundle->FindByKey(key::kSecondMedia))
                        : nullptr;
  // A target of no size has nothing to fit a page to.
  if (vel::SettingNumber(request, 0) != 1 || target == nullptr || !HasSize(*target)) {
    Disable();
    return command;
  }
  target_media_ = *target;
  target_media_.SetKey(key::kSelectedMedia);
  if (const GBaseObject* media = bundle->FindByKey(key::kSelectedMedia);
      media != nullptr && dynamic_cast<const GMedia*>(media) == nullptr) {
    std::unique_ptr<GBaseObject> other(bundle->RemoveByKey(key::kSelectedMedia));
  }
  bundle->SetAttribute(new (std::nothrow) GMedia(target_media_));
  scale_to_fit_ = static_cast<std::uint16_t>(
      vel::SettingNumber(bundle->FindByKey(key::kScaleToFit), 0));
  Enable();
  vel::ConcatenateCommandTransform(*command.Get(), transform_);
  return command;
}

GCommandRef GFitToSizeFilter::PageStart(const GCommandRef& command) {
  // A page that is not fitted is placed as it comes.
  transform_ = GTransformAttribute();
  GState* bundle = command->GetGraphicBundle();
  const auto* source =
      bundle != nullptr ? dynamic_cast<const GMedia*>(bundle->FindByKey(key::kSelectedMedia))
                        : nullptr;
  const GBaseObject* orientation =
      bundle != nullptr ? bundle->FindByKey(key::kOrientation) : nullptr;
  if (source == nullptr || orientation == nullptr || !HasSize(*source)) {
    return command;
  }
  source_media_ = *source;
  if (source_media_.IsSameKey(&target_media_)) {
    return command;
  }
  GMedia page_target = PageTarget(target_media_, vel::SettingNumber(orientation, 0));
  page_target.SetMediaType(source_media_.GetMediaType().Data());
  page_target.SetKey(source_media_.GetKey());
  transform_ = FitTransform(page_target, source_media_, scale_to_fit_ != 0);
  bundle->SetAttribute(new (std::nothrow) GMedia(page_target));
  bundle->SetAttribute(new (std::nothrow) GTransformAttribute(transform_));
  return command;
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GFitToSizeFilter::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GPeripheral::StoredByteCount() + vel::kClassVersionSize +
         RWTotalStoredSize(&target_media_);
}

template <typename Carrier>
void GFitToSizeFilter::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GPeripheral::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(&target_media_);
}

void GFitToSizeFilter::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GFitToSizeFilter::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GFitToSizeFilter::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GPeripheral::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  // The record fills the member itself (a record read into a temporary would leave the read table
  // naming it).
  if (carrier >> static_cast<RWCollectable&>(target_media_) != &target_media_ ||
      !vel::CarrierGood(carrier)) {
    vel::FailCarrier(carrier);
    return;
  }
  transform_ = GTransformAttribute();
  source_media_ = GMedia();
}

void GFitToSizeFilter::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GFitToSizeFilter::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
