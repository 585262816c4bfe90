// GClipToPage.
#include "framework/pipeline/GClipToPage.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

RWClassID GClipToPage::ClassId() {
  return vel::classid::kGClipToPage;
}

RWCollectable* GClipToPage::Create() {
  return new (std::nothrow) GClipToPage;
}

RWCollectable* GClipToPage::CreateInstance() const {
  return Create();
}

RWCollectable* GClipToPage::Clone() const {
  return new (std::nothrow) GClipToPage(*this);
}

RWClassID GClipToPage::IsA() const {
  return ClassId();
}

bool GClipToPage::IsKindOf(RWClassID id) const {
  return id == ClassId() || GClipAttribute::IsKindOf(id);
}

bool GClipToPage::IsSameKey(const GBaseObject* other) const {
  return other == this || (SameClass(other) && GClipAttribute::IsSameKey(other));
}

std::uint16_t GClipToPage::Accept(GTypedHandlers& handlers) {
  return handlers.HandleClipToPage(*this);
}

bool GClipToPage::GetBounds(GRect& /*bounds*/) const {
  return false;
}

std::uint32_t GClipToPage::StoredByteCount() const {
  return GClipAttribute::StoredByteCount() + vel::kClassVersionSize;
}

void GClipToPage::SaveContents(RWVirtualOutStream& stream) const {
  GClipAttribute::SaveContents(stream);
  vel::WriteClassVersion(stream);
}

void GClipToPage::SaveContents(RWBinaryFile& file) const {
  GClipAttribute::SaveContents(file);
  vel::WriteClassVersion(file);
}

void GClipToPage::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GClipAttribute>(*this, stream);
}

void GClipToPage::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GClipAttribute>(*this, file);
}
