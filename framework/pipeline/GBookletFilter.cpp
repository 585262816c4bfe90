// GBookletFilter: recording pages on disk, the imposition order and the replay through the inner
// n-up stage.
#include "framework/pipeline/GBookletFilter.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <set>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GDeviceSession.h"
#include "framework/core/GMedia.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GRenderDevice.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/StringWidth.h"
#include "framework/output/fonts/GFontDatabase.h"
#include "framework/pipeline/BookletLock.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GCommandComposite.h"
#include "framework/pipeline/GCommandCompositeOnDisk.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/GNupFilter.h"
#include "framework/pipeline/GPageCommand.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "vel_flavour.h"

namespace {

namespace classid = vel::classid;
namespace key = vel::key;

// The status of a page that cannot be recorded.
constexpr std::uint16_t kRecordingFailed = 2;

// The page keys of the live recordings of the process. Made once, never destroyed (a filter may be
// destroyed during exit).
class ReservedKeys {
 public:
  static ReservedKeys& Instance() {
    static auto* keys = new ReservedKeys;
    return *keys;
  }

  // `wanted`, or the first value after it (skipping 0) that no recording holds; it is now held.
  std::uint32_t Reserve(std::uint32_t wanted) {
    const std::lock_guard<std::mutex> guard(mutex_);
    while (keys_.count(wanted) != 0) {
      ++wanted;
      if (wanted == 0) {
        wanted = 1;
      }
    }
    keys_.insert(wanted);
    return wanted;
  }

  void Release(std::uint32_t value) {
    const std::lock_guard<std::mutex> guard(mutex_);
    keys_.erase(value);
  }

  bool IsReserved(std::uint32_t value) const {
    const std::lock_guard<std::mutex> guard(mutex_);
    return keys_.count(value) != 0;
  }

 private:
  mutable std::mutex mutex_;
  std::set<std::uint32_t> keys_;
};

// Lower-case hexadecimal without leading zeros ("0" for 0).
RWCString HexText(std::uint32_t value) {
  char digits[9];
  int at = 8;
  digits[at] = '\0';
  do {
    digits[--at] = "0123456789abcdef"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  return RWCString(digits + at);
}

RWWString Wide(const RWCString& narrow) {
  RWWString wide;
  (void)WidenString(narrow, wide);
  return wide;
}

RWCString Narrow(const RWWString& wide) {
  RWCString narrow;
  (void)NarrowString(wide, narrow);
  return narrow;
}

// Deletes a leftover file through the file layer the record store uses; a missing file is fine.
void DeleteFile(const RWWString& name) {
  const RWCString narrow = Narrow(name);
  if (narrow.Length() != 0) {
    (void)vel::flavour::FileRemove(narrow.Data());
  }
}

// The number a value or range attribute holds, or none.
bool NumberOf(const GBaseObject* attribute, std::int32_t& number) {
  if (const auto* value = dynamic_cast<const GValueAttribute*>(attribute)) {
    number = value->GetValue();
    return true;
  }
  if (const auto* range = dynamic_cast<const GRangeAttribute*>(attribute)) {
    number = range->GetValue();
    return true;
  }
  return false;
}

// The media the inner stage sees as the document's paper: the booklet sheet turned to the
// document's orientation `document_orientation`, keyed 259, of the document media's type.
GMedia* SheetMediaFor(const GMedia& sheet, const GMedia& document, std::int32_t document_orientation) {
  const std::int32_t o = sheet.GetOrientation();
  GMedia* media = nullptr;
  if (document_orientation == o) {
    media = new (std::nothrow) GMedia(sheet);
  } else {
    std::int16_t size[2] = {sheet.GetSize()[0], sheet.GetSize()[1]};
    std::int16_t printable[2] = {sheet.GetPrintableSize()[0], sheet.GetPrintableSize()[1]};
    std::int16_t origin[2] = {sheet.GetPrintableOrigin()[0], sheet.GetPrintableOrigin()[1]};
    if (document_orientation % 180 != o % 180) {
      std::swap(size[0], size[1]);
      std::swap(printable[0], printable[1]);
      std::swap(origin[0], origin[1]);
    }
    media = new (std::nothrow) GMedia("", size, printable, origin, o, sheet.GetPaperId(),
                                      sheet.GetResolutionX(), sheet.GetResolutionY(),
                                      key::kSelectedMedia, 0, "", "");
  }
  if (media != nullptr) {
    media->SetMediaType(document.GetMediaType().Data());
    media->SetKey(key::kSelectedMedia);
  }
  return media;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction and class

GBookletFilter::GBookletFilter() = default;

GBookletFilter::GBookletFilter(const RWCString& name,
                               GState* page_state,
                               GConfiguration* configuration,
                               std::uint32_t key,
                               std::uint32_t add_on_list_key,
                               std::int32_t add_on_kind,
                               std::int32_t add_on_mode)
    : GPeripheral(name, page_state, configuration, key, add_on_list_key, add_on_kind,
                  add_on_mode) {}

GBookletFilter::GBookletFilter(const GBookletFilter& other) : GPeripheral(other) {}

GBookletFilter::~GBookletFilter() {
  LetGoOfDocument();
}

RWClassID GBookletFilter::ClassId() {
  return classid::kGBookletFilter;
}

RWCollectable* GBookletFilter::Create() {
  return new (std::nothrow) GBookletFilter;
}

RWCollectable* GBookletFilter::CreateInstance() const {
  return Create();
}

RWCollectable* GBookletFilter::Clone() const {
  return new (std::nothrow) GBookletFilter(*this);
}

RWClassID GBookletFilter::IsA() const {
  return ClassId();
}

bool GBookletFilter::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPeripheral::IsKindOf(id);
}

bool GBookletFilter::IsPageKeyReserved(std::uint32_t value) {
  return ReservedKeys::Instance().IsReserved(value);
}

// ---------------------------------------------------------------------------------------------
// Routing

void GBookletFilter::MergeGraphicBundle(GState* /*bundle*/) {}

void GBookletFilter::AttachState(std::uint32_t /*key*/) {}

GCommandCompositeOnDisk* GBookletFilter::CurrentPage() const {
  return static_cast<GCommandCompositeOnDisk*>(current_page_.Get());
}

bool GBookletFilter::CurrentPageFailed() const {
  GCommandCompositeOnDisk* page = CurrentPage();
  return page == nullptr || page->GetFileStatus() != 0;
}

GCommandRef GBookletFilter::HandleCommand(GCommandRef command) {
  if (!command) {
    return command;
  }
  if (command->IsKindOf(classid::kGGraphic)) {
    // A page whose store failed is never kept as the current page (the failure abandons the
    // recording), so its status is asked after the store only.
    bool failed = CurrentPage() == nullptr;
    if (!failed) {
      CurrentPage()->AddRef(GCountedPtr(command.Get()));
      failed = CurrentPageFailed();
    }
    if (failed) {
      AbandonRecording();
      return GCommandRef(new (std::nothrow) GErrorCommand(kRecordingFailed, command.Get()));
    }
  } else if (const std::uint16_t status = command->Accept(*this); status != 0) {
    return GCommandRef(new (std::nothrow) GErrorCommand(status, command.Get()));
  }
  if (!IsEnabled()) {
    return command;
  }
  if (command->IsA() == classid::kGDocumentEnd && output_) {
    return std::move(output_);
  }
  return GCommandRef(new (std::nothrow) GNoCommand);
}

// ---------------------------------------------------------------------------------------------
// The document

std::uint16_t GBookletFilter::HandleDocumentStart(GDocumentStart& object) {
  (void)GPeripheral::HandleDocumentStart(object);
  LetGoOfDocument();
  GState* bundle = object.GetGraphicBundle();
  std::int32_t mode = 0;
  if (bundle == nullptr || !NumberOf(bundle->FindByKey(key::kBookletMode), mode) || mode == 0) {
    Disable();
    return 0;
  }
  booklet_mode_ = static_cast<std::uint16_t>(mode);
  std::int32_t sheet_order = 0;
  (void)NumberOf(bundle->FindByKey(key::kBookletSheetOrder), sheet_order);
  sheet_order_ = static_cast<std::uint16_t>(sheet_order);
  Enable();
  GDeviceSession* session = object.GetPrinterHandle();
  device_ = session != nullptr ? session->GetRenderInterface() : nullptr;
  device_id_ = session != nullptr ? session->GetCookie() : 0;
  page_count_ = 0;

  temp_directory_ = RWWString();
  if (GOSServices* services = GetOSServices()) {
    (void)services->GetTempDirectory(temp_directory_, session);
  }
  directory_copy_ = temp_directory_;
  separator_ = u"\\";
  page_extension_ = u".pg";
  font_extension_ = u".fnt";

  // The inner stage's settings: two pages per sheet, page order 0, no frames; duplex.
  if (auto* group = new (std::nothrow) GState(key::kNupGroup)) {
    group->Add(new (std::nothrow) GValueAttribute(2, key::kPagesPerSheet));
    group->Add(new (std::nothrow) GValueAttribute(0, key::kPageOrder));
    group->Add(new (std::nothrow) GValueAttribute(0, key::kNupFrames));
    bundle->SetAttribute(group);
  }
  bundle->SetAttribute(new (std::nothrow) GValueAttribute(2, key::kDuplex));

  // The booklet sheet becomes the document's paper.
  const auto* document_media = dynamic_cast<const GMedia*>(bundle->FindByKey(key::kSelectedMedia));
  const auto* sheet_media = dynamic_cast<const GMedia*>(bundle->FindByKey(key::kBookletSheetMedia));
  if (document_media != nullptr && sheet_media != nullptr) {
    std::int32_t orientation = 0;
    (void)NumberOf(bundle->FindByKey(key::kOrientation), orientation);
    if (GMedia* media = SheetMediaFor(*sheet_media, *document_media, orientation)) {
      bundle->SetAttribute(media);
    }
  }

  auto* output = new (std::nothrow) GCommandComposite;
  if (output == nullptr) {
    AbandonRecording();
    return kRecordingFailed;
  }
  output_ = GCommandRef(output);
  output->Add(&object);
  return 0;
}

std::uint16_t GBookletFilter::HandlePageStart(GPageStart& object) {
  (void)GPeripheral::HandlePageStart(object);
  if (!holds_lock_) {
    vel::BookletLock::Instance().Acquire(this);
    holds_lock_ = true;
  }
  ++page_count_;
  if (page_count_ == 1) {
    const GState* bundle = object.GetGraphicBundle();
    blank_settings_ = GCountedPtr(bundle != nullptr ? bundle->DeepCopy() : nullptr);
  }
  const std::uint32_t page_key = ReservedKeys::Instance().Reserve(device_id_ ^ page_count_);
  reserved_keys_.push_back(page_key);
  const RWCString key_text = HexText(page_key);
  page_key_ = Wide(key_text);
  page_file_name_ = directory_copy_ + separator_ + page_key_ + page_extension_;
  DeleteFile(page_file_name_);
  font_file_name_ = directory_copy_ + separator_ + page_key_ + font_extension_;
  DeleteFile(font_file_name_);
  current_page_ =
      GCommandRef(new (std::nothrow) GCommandCompositeOnDisk(page_file_name_, 1, 0));

  auto* bundle = new (std::nothrow) GGraphicBundle(key::kGraphicsGroup);
  if (bundle != nullptr) {
    bundle->Add(new (std::nothrow) GStringAttribute(Narrow(font_file_name_), key::kRecordedFontFile));
    bundle->Add(new (std::nothrow) GStringAttribute(HexText(device_id_), key::kRecordedDeviceCookie));
  }
  if (CurrentPageFailed()) {
    delete bundle;
    AbandonRecording();
    return kRecordingFailed;
  }
  CurrentPage()->SetGraphicBundle(bundle);
  CurrentPage()->AddRef(GCountedPtr(&object));
  CurrentPage()->AddRef(GCountedPtr(new (std::nothrow) GNullCommand(0)));
  if (CurrentPageFailed()) {
    AbandonRecording();
    return kRecordingFailed;
  }
  return 0;
}

std::uint16_t GBookletFilter::HandlePageEnd(GPageEnd& object) {
  (void)GPeripheral::HandlePageEnd(object);
  GCommandCompositeOnDisk* page = CurrentPage();
  if (page == nullptr) {
    // No page is being recorded: nothing to end.
    ReleaseLock();
    return 0;
  }
  bool failed = CurrentPageFailed();
  if (!failed) {
    page->AddRef(GCountedPtr(&object));
    failed = CurrentPageFailed();
    page->Close();
  }
  pages_.push_back(current_page_);
  if (failed) {
    AbandonRecording();
    return kRecordingFailed;
  }
  current_page_.Reset();
  std::uint16_t status = 0;
  GFontDatabase* table = device_ != nullptr ? device_->GetDownloadedFontTable() : nullptr;
  if (table != nullptr && table->AddFontFile(font_file_name_) != 1) {
    status = kRecordingFailed;
  }
  ReleaseLock();
  return status;
}

std::uint16_t GBookletFilter::HandleJobAbort(GJobAbort& object) {
  (void)GPeripheral::HandleJobAbort(object);
  AbandonRecording();
  return 0;
}

std::uint16_t GBookletFilter::HandleDocumentEnd(GDocumentEnd& object) {
  (void)GPeripheral::HandleDocumentEnd(object);
  auto* output = static_cast<GCommandComposite*>(output_.Get());
  if (output == nullptr) {
    return 0;
  }
  // A page left open by a missing page end is not part of the booklet.
  if (current_page_) {
    current_page_.Reset();
    ReleaseLock();
  }
  while (page_count_ % 4 != 0) {
    auto* blank = new (std::nothrow) GCommandComposite;
    if (blank == nullptr) {
      return kRecordingFailed;
    }
    GCommandRef held(blank);
    const auto* settings = static_cast<const GState*>(blank_settings_.Get());
    auto* copy = settings != nullptr ? static_cast<GState*>(settings->DeepCopy()) : nullptr;
    blank->Add(new (std::nothrow) GPageStart(copy, 0));
    blank->Add(new (std::nothrow) GPageEnd(0));
    pages_.push_back(held);
    ++page_count_;
  }
  blank_settings_.Reset();
  for (const std::uint32_t number : ImpositionOrder(page_count_, booklet_mode_, sheet_order_)) {
    if (number >= 1 && number <= pages_.size()) {
      output->Add(pages_[number - 1].Get());
    }
  }
  output->Add(&object);

  GNupFilter inner(RWCString("Booklet::NupFilter"), new (std::nothrow) GState,
                   new (std::nothrow) GConfiguration, classid::kGNupFilter, 0,
                   GPeripheral::kAddOnNone, GPeripheral::kNoAddOns);
  const GCommandRef keep(output_);
  const GCommandRef result(inner.ProcessCommand(output));
  if (result && result->IsA() == classid::kGErrorCommand) {
    return static_cast<const GErrorCommand*>(result.Get())->GetStatus();
  }
  // The n-up settings were the inner stage's only.
  const std::unique_ptr<GIterator> children(output->CreateIterator());
  while (children != nullptr && children->Advance() != 0) {
    auto* start = dynamic_cast<GDocumentStart*>(children->Current());
    if (start != nullptr && start->IsA() == classid::kGDocumentStart) {
      if (GState* bundle = start->GetGraphicBundle()) {
        const std::unique_ptr<GBaseObject> settings(bundle->RemoveByKey(key::kNupGroup));
      }
      break;
    }
  }
  device_ = nullptr;
  pages_.clear();
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Letting go

void GBookletFilter::ReleaseLock() {
  if (holds_lock_) {
    holds_lock_ = false;
    vel::BookletLock::Instance().Release(this);
  }
}

void GBookletFilter::LetGoOfDocument() {
  pages_.clear();
  output_.Reset();
  current_page_.Reset();
  blank_settings_.Reset();
  device_ = nullptr;
  device_id_ = 0;
  page_count_ = 0;
  for (const std::uint32_t value : reserved_keys_) {
    ReservedKeys::Instance().Release(value);
  }
  reserved_keys_.clear();
  ReleaseLock();
}

void GBookletFilter::AbandonRecording() {
  LetGoOfDocument();
  Disable();
}

// ---------------------------------------------------------------------------------------------
// Imposition

std::vector<std::uint32_t> GBookletFilter::ImpositionOrder(std::uint32_t count,
                                                           std::uint16_t booklet_mode,
                                                           std::uint16_t sheet_order) {
  std::vector<std::uint32_t> order;
  const bool right = booklet_mode == 2;
  if (sheet_order == 1) {
    if (count < 4) {
      return order;
    }
    const std::uint32_t m = count / 2;
    for (std::uint32_t k = 0; k < count / 4; ++k) {
      const std::uint32_t a = m + 1 + 2 * k;
      const std::uint32_t b = m - 2 * k;
      const std::uint32_t c = m + 2 + 2 * k;
      const std::uint32_t d = m - 1 - 2 * k;
      if (right) {
        order.insert(order.end(), {d, c, a, b});
      } else {
        order.insert(order.end(), {c, d, b, a});
      }
    }
    return order;
  }
  for (std::uint32_t i = 0; i < count / 2; ++i) {
    const std::uint32_t front = i + 1;
    const std::uint32_t back = count - i;
    const bool even = i % 2 == 0;
    if (even != right) {
      order.insert(order.end(), {back, front});
    } else {
      order.insert(order.end(), {front, back});
    }
  }
  return order;
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GBookletFilter::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GPeripheral::StoredByteCount() + vel::kClassVersionSize;
}

template <typename Carrier>
void GBookletFilter::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GPeripheral::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
}

void GBookletFilter::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GBookletFilter::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GBookletFilter::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GPeripheral::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier)) {
    return;
  }
  (void)vel::ReadClassVersion(carrier);
}

void GBookletFilter::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GBookletFilter::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
