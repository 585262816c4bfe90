// GCommandCompositeOnDisk.
#include "framework/pipeline/GCommandCompositeOnDisk.h"

#include <memory>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/StringWidth.h"
#include "framework/output/fonts/FontDevices.h"
#include "framework/output/fonts/GFontDatabase.h"
#include "framework/pipeline/BookletLock.h"
#include "framework/pipeline/CommandParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

// A walk over the records of a recorded page on a store handle of its own: opening the handle
// makes the file's records available even when every composite on it has been closed, and
// closing it at the end lets the file go again. The handle never deletes the file.
class RecordedPageIterator : public GIterator {
 public:
  explicit RecordedPageIterator(const RWCString& file_name) : handle_(0) {
    handle_.Open(file_name);
    records_.reset(handle_.CreateIterator());
  }
  ~RecordedPageIterator() override {
    records_.reset();
    handle_.Close();
  }

  bool Usable() const { return records_ != nullptr; }

  GBaseObject* Current() const override { return records_->Current(); }
  void ReplaceCurrent(GBaseObject* object) override { records_->ReplaceCurrent(object); }
  int Advance() override { return records_->Advance(); }
  void Reset() override { records_->Reset(); }
  GCountedPtr CurrentRef() const override { return records_->CurrentRef(); }
  void RemoveCurrent() override { records_->RemoveCurrent(); }
  void ReplaceCurrentRef(const GCountedPtr& reference) override {
    records_->ReplaceCurrentRef(reference);
  }
  int StepBack() override { return records_->StepBack(); }

 private:
  MPersistentCompositeOnDisk handle_;
  std::unique_ptr<GIterator> records_;
};

// The non-empty text of the string attribute with `key` in `bundle`, or null.
const RWCString* BundleText(const GState& bundle, std::uint32_t key) {
  const auto* text = dynamic_cast<const GStringAttribute*>(bundle.FindByKey(key));
  if (text == nullptr || text->GetValue().Length() == 0) {
    return nullptr;
  }
  return &text->GetValue();
}

}  // namespace

GCommandCompositeOnDisk::GCommandCompositeOnDisk() : store_(0) {}

GCommandCompositeOnDisk::GCommandCompositeOnDisk(const RWWString& file_name,
                                                 std::int32_t delete_flag,
                                                 std::uint32_t key)
    : GCommand(key), store_(file_name, delete_flag, 0) {}

GCommandCompositeOnDisk::GCommandCompositeOnDisk(const RWWString& file_name,
                                                 GState* bundle,
                                                 std::int32_t delete_flag,
                                                 std::uint32_t key)
    : GCommand(bundle, key), store_(file_name, delete_flag, 0) {}

RWClassID GCommandCompositeOnDisk::ClassId() {
  return vel::classid::kGCommandCompositeOnDisk;
}

RWCollectable* GCommandCompositeOnDisk::Create() {
  return new (std::nothrow) GCommandCompositeOnDisk;
}

RWCollectable* GCommandCompositeOnDisk::CreateInstance() const {
  return Create();
}

RWCollectable* GCommandCompositeOnDisk::Clone() const {
  return new (std::nothrow) GCommandCompositeOnDisk(*this);
}

RWClassID GCommandCompositeOnDisk::IsA() const {
  return ClassId();
}

bool GCommandCompositeOnDisk::IsKindOf(RWClassID id) const {
  return id == ClassId() || GCommand::IsKindOf(id);
}

bool GCommandCompositeOnDisk::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* composite = dynamic_cast<const GCommandCompositeOnDisk*>(other);
  return SameClass(other) && composite != nullptr && GCommand::IsSameKey(other) &&
         store_.IsSameKey(&composite->store_);
}

std::uint16_t GCommandCompositeOnDisk::Accept(GTypedHandlers& /*handlers*/) {
  return 0;
}

void GCommandCompositeOnDisk::AddRef(const GCountedPtr& reference) {
  if (!reference || !reference->IsKindOf(vel::classid::kGCommand)) {
    return;
  }
  store_.AddRef(reference);
}

GCountedPtr GCommandCompositeOnDisk::RemoveRefEqual(const GBaseObject* object) {
  return KeepingClosed([&] { return store_.RemoveRefEqual(object); });
}

GCountedPtr GCommandCompositeOnDisk::RemoveRefByKey(std::uint32_t key) {
  return KeepingClosed([&] { return store_.RemoveRefByKey(key); });
}

GCountedPtr GCommandCompositeOnDisk::RemoveRefByClassId(RWClassID id) {
  return KeepingClosed([&] { return store_.RemoveRefByClassId(id); });
}

int GCommandCompositeOnDisk::ReplaceRefByKey(std::uint32_t key, const GCountedPtr& reference) {
  return KeepingClosed([&] { return store_.ReplaceRefByKey(key, reference); });
}

int GCommandCompositeOnDisk::ReplaceRefByClassId(RWClassID id, const GCountedPtr& reference) {
  return KeepingClosed([&] { return store_.ReplaceRefByClassId(id, reference); });
}

GCountedPtr GCommandCompositeOnDisk::GetRefByKey(std::uint32_t key) {
  return KeepingClosed([&] { return store_.GetRefByKey(key); });
}

GCountedPtr GCommandCompositeOnDisk::GetRefByClassId(RWClassID id) {
  return KeepingClosed([&] { return store_.GetRefByClassId(id); });
}

GCountedPtr GCommandCompositeOnDisk::GetRefEqual(const GBaseObject* object) {
  return KeepingClosed([&] { return store_.GetRefEqual(object); });
}

std::uint32_t GCommandCompositeOnDisk::Count() const {
  return KeepingClosed([this] { return store_.Count(); });
}

std::uint32_t GCommandCompositeOnDisk::TotalCount() const {
  return KeepingClosed([this] { return store_.TotalCount(); });
}

int GCommandCompositeOnDisk::ReplaceChild(const GCommand& child, const GCommandRef& result) {
  return KeepingClosed([&] { return store_.ReplaceRefEqual(&child, GCountedPtr(result.Get())); });
}

void GCommandCompositeOnDisk::AssignGraphicBundle(const GCountedPtr& bundle) {
  if (bundle && !bundle->IsKindOf(vel::classid::kGState)) {
    return;
  }
  KeepingClosed([&] {
    // The lookup that takes the record out: one bundle record at a time.
    (void)store_.RemoveRefByKey(vel::key::kRecordedBundle);
    if (bundle) {
      bundle->SetKey(vel::key::kRecordedBundle);
      store_.AddRef(bundle);
    }
    return 0;
  });
}

void GCommandCompositeOnDisk::GetGraphicBundleRef(GCountedPtr& bundle) const {
  GCountedPtr found =
      KeepingClosed([&] { return store_.GetRefByKey(vel::key::kRecordedBundle); });
  bundle = found && found->IsKindOf(vel::classid::kGState) ? found : GCountedPtr();
}

std::uint32_t GCommandCompositeOnDisk::ParseDeviceCookie(const RWCString& text) {
  std::uint32_t cookie = 0;
  for (std::size_t i = 0; i < text.Length(); ++i) {
    const char c = text.Data()[i];
    std::uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      break;
    }
    cookie = (cookie << 4) | digit;
  }
  return cookie;
}

void GCommandCompositeOnDisk::SelectRecordedFontFile(const void* token) const {
  const GState* bundle = GetGraphicBundle();
  if (bundle == nullptr) {
    return;
  }
  const RWCString* font_file = BundleText(*bundle, vel::key::kRecordedFontFile);
  const RWCString* device = BundleText(*bundle, vel::key::kRecordedDeviceCookie);
  if (font_file == nullptr || device == nullptr) {
    return;
  }
  GRenderDevice* owner = vel::FindRenderDevice(ParseDeviceCookie(*device));
  GFontDatabase* table = vel::RenderDeviceFontTable(owner);
  if (table == nullptr) {
    return;
  }
  RWWString name;
  (void)WidenString(*font_file, name);
  // Not while a booklet page is being recorded: its font file may be the one being written.
  const vel::BookletLockHold hold(token);
  (void)table->SelectFontFile(name);
}

GIterator* GCommandCompositeOnDisk::CreateIterator() const {
  SelectRecordedFontFile(this);
  RWCString name;
  (void)store_.GetFileName(name);
  if (name.Length() == 0) {
    return new (std::nothrow) GNullIterator;
  }
  auto* records = new (std::nothrow) RecordedPageIterator(name);
  if (records != nullptr && !records->Usable()) {
    delete records;
    return new (std::nothrow) GNullIterator;
  }
  return records;
}

std::uint32_t GCommandCompositeOnDisk::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GCommand::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(&store_);
}

template <typename Carrier>
void GCommandCompositeOnDisk::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GCommand::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  store_.SaveObject(carrier);
}

void GCommandCompositeOnDisk::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GCommandCompositeOnDisk::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GCommandCompositeOnDisk::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GCommand::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  // The record must fill the embedded store itself: a reference or another class is damaged data.
  RWCollectable* restored = carrier >> static_cast<RWCollectable&>(store_);
  if (restored != &store_ || !vel::CarrierGood(carrier)) {
    vel::FailCarrier(carrier);
  }
}

void GCommandCompositeOnDisk::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GCommandCompositeOnDisk::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
