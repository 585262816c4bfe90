// GPathGraphic.
#include "framework/pipeline/GPathGraphic.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GShapeGraphic.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

RWClassID GPathGraphic::ClassId() {
  return vel::classid::kGPathGraphic;
}

RWCollectable* GPathGraphic::Create() {
  return new (std::nothrow) GPathGraphic;
}

RWCollectable* GPathGraphic::CreateInstance() const {
  return Create();
}

RWCollectable* GPathGraphic::Clone() const {
  return new (std::nothrow) GPathGraphic(*this);
}

RWClassID GPathGraphic::IsA() const {
  return ClassId();
}

bool GPathGraphic::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphicComposite::IsKindOf(id);
}

bool GPathGraphic::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* path = dynamic_cast<const GPathGraphic*>(other);
  return path != nullptr && SameClass(other) && closed_ == path->closed_ &&
         GGraphicComposite::IsSameKey(other);
}

GIterator* GPathGraphic::CreateIterator() const {
  return new (std::nothrow) GNullIterator;
}

std::uint16_t GPathGraphic::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePathGraphic(*this);
}

GRect GPathGraphic::GetBounds() const {
  GRect bounds;
  bool found = false;
  UniteBounds(bounds, found);
  return bounds;
}

void GPathGraphic::UniteBounds(GRect& bounds, bool& found) const {
  for (std::uint32_t i = 0; i < Children().Count(); ++i) {
    const GBaseObject* segment = Children().ChildAt(i);
    if (const auto* path = dynamic_cast<const GPathGraphic*>(segment)) {
      path->UniteBounds(bounds, found);
      continue;
    }
    const auto* shape = dynamic_cast<const GShapeGraphic*>(segment);
    if (shape == nullptr) {
      continue;
    }
    if (found) {
      vel::Unite(bounds, shape->GetBounds());
    } else {
      bounds = shape->GetBounds();
      found = true;
    }
  }
}

std::uint32_t GPathGraphic::StoredByteCount() const {
  return GGraphicComposite::StoredByteCount() + vel::kClassVersionSize + 4;
}

template <typename Carrier>
void GPathGraphic::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GGraphicComposite::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, closed_);
}

void GPathGraphic::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GPathGraphic::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GPathGraphic::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GGraphicComposite::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  if (!vel::ReadField(carrier, closed_)) {
    vel::FailCarrier(carrier);
  }
}

void GPathGraphic::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPathGraphic::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
