// The render device: the job's document and page commands, copies, media and the sending of
// commands down the chain.
#include "framework/core/GRenderDevice.h"

#include <memory>
#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GCustomMediaSize.h"
#include "framework/core/GDeviceExtension.h"
#include "framework/core/GIterator.h"
#include "framework/core/GMedia.h"
#include "framework/core/GMediaPool.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GPeripheral.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/output/GOutputPort.h"
#include "framework/output/fonts/GFontDatabase.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GTransformAttribute.h"

namespace {

namespace key = vel::key;

GBaseObject* FindIn(const GBaseObject* in, std::uint32_t k) {
  return in != nullptr ? in->FindByKey(k) : nullptr;
}

// The 16-bit value of a value or range attribute.
bool ReadValue(const GBaseObject* object, std::int32_t& value) {
  if (const auto* v = dynamic_cast<const GValueAttribute*>(object)) {
    value = v->GetValue();
    return true;
  }
  if (const auto* r = dynamic_cast<const GRangeAttribute*>(object)) {
    value = r->GetValue();
    return true;
  }
  return false;
}

bool ValueIs(const GBaseObject* object, std::int32_t wanted) {
  std::int32_t value = 0;
  return ReadValue(object, value) && value == wanted;
}

void WriteValue(GBaseObject* object, std::int32_t value) {
  if (auto* v = dynamic_cast<GValueAttribute*>(object)) {
    v->SetValue(static_cast<std::uint16_t>(value));
  } else if (auto* r = dynamic_cast<GRangeAttribute*>(object)) {
    r->SetValue(static_cast<std::int16_t>(value));
  }
}

const RWCString* TextOf(const GBaseObject* object) {
  const auto* s = dynamic_cast<const GStringAttribute*>(object);
  return s != nullptr ? &s->GetValue() : nullptr;
}

// Adds a deep copy of `object` (when there is one) to `to`, keyed `new_key` when not 0.
void AddCopy(GAttributeComposite& to, const GBaseObject* object, std::uint32_t new_key = 0) {
  if (object == nullptr) {
    return;
  }
  GBaseObject* copy = object->DeepCopy();
  if (copy == nullptr) {
    return;
  }
  if (new_key != 0) {
    copy->SetKey(new_key);
  }
  to.Add(copy);
}

// A new group of `group_key` holding deep copies of the children of `part` (none without one).
GState* CopyOfPart(const GBaseObject* part, std::uint32_t group_key) {
  auto* bundle = new (std::nothrow) GState(group_key);
  if (bundle == nullptr || part == nullptr) {
    return bundle;
  }
  const std::unique_ptr<GIterator> it(part->CreateIterator());
  while (it && it->Advance() != 0) {
    AddCopy(*bundle, it->Current());
  }
  return bundle;
}

// The error commands of a result: the result itself, or those inside command composites.
void CollectErrors(GBaseObject* object, std::uint16_t& first_status, bool& found) {
  if (object == nullptr) {
    return;
  }
  if (object->IsA() == vel::classid::kGErrorCommand) {
    found = true;
    const std::uint16_t status = static_cast<GErrorCommand*>(object)->GetStatus();
    if (first_status == 0) {
      first_status = status;
    }
    return;
  }
  if (!object->IsKindOf(vel::classid::kGCommandComposite) &&
      !object->IsKindOf(vel::classid::kGCommandCompositeOnDisk)) {
    return;
  }
  const std::unique_ptr<GIterator> it(object->CreateIterator());
  while (it && it->Advance() != 0) {
    CollectErrors(it->Current(), first_status, found);
  }
}

void DeleteCommand(GCommand* command) {
  GCommandRef dropped(command);
}

}  // namespace

GRenderDevice::GRenderDevice() : font_table_(new (std::nothrow) GFontDatabase(this)) {
  if (GOSServices* services = GetOSServices()) {
    extension_ = services->CreateDeviceExtension(this);
  }
}

GRenderDevice::~GRenderDevice() {
  delete font_table_;
  delete extension_;
}

GAttributeComposite* GRenderDevice::Part(std::uint32_t k) {
  return dynamic_cast<GAttributeComposite*>(FindIn(EnsureJobAttributeGroup(), k));
}

// ---------------------------------------------------------------------------------------------
// Job state

void GRenderDevice::ResetJob() {
  state_ = 0;
  document_pending_ = 0;
  document_started_ = 0;
  current_ = defaults_;
  flag_293_ = ValueIs(FindIn(Part(key::kJobOptions), key::kDocumentStartFlag293), 1) ? 1 : 0;
}

std::uint32_t GRenderDevice::PrepareWatermark(const GWatermarkDescription& /*description*/,
                                              std::int16_t /*paper_width*/,
                                              std::int16_t /*paper_height*/) {
  return 0;
}

void GRenderDevice::ReleaseWatermark(std::uint32_t* /*handle*/) {}

GCommand* GRenderDevice::MakeWatermark(const RWWString& /*text*/,
                                       std::uint32_t /*handle*/,
                                       const GRGBColor& /*colour*/,
                                       const GMedia& /*media*/,
                                       std::int16_t /*value_387*/) {
  return nullptr;
}

std::int32_t GRenderDevice::IsAborted() {
  return aborted_;
}

void GRenderDevice::SetAborted() {
  aborted_ = 1;
}

void GRenderDevice::Reopen(const GPrinterKey& printer_key) {
  GDeviceSession::Reopen(printer_key);
  if (GetChainUsed() != 0) {
    if (GPeripheral* head = GetConfiguration()) {
      head->Reset();
    }
    SetChainUsed(0);
  }
  ResetJob();
  page_started_ = 0;
  page_pending_ = 0;
  job_name_ = RWWString();
  job_printer_name_ = RWWString();
  // The new printer's fonts start from an empty table.
  delete font_table_;
  font_table_ = new (std::nothrow) GFontDatabase(this);
}

void GRenderDevice::Close() {
  for (GCountedPtr& reference : references_) {
    reference = GCountedPtr();
  }
  // Its font files are deleted with it.
  delete font_table_;
  font_table_ = nullptr;
  if (extension_ != nullptr) {
    extension_->DeviceCloses();
  }
}

// ---------------------------------------------------------------------------------------------
// Commands

GCommand* GRenderDevice::MakeDocumentStart(const RWWString& job, const RWWString& printer) {
  page_counter_ = 0;
  GAttributeComposite* part_364 = Part(key::kJobOptions);
  GAttributeComposite* part_362 = Part(key::kDocumentBundleSettings);
  ApplyCopies(part_364, part_362, Part(key::kPageBundleSettings),
              Part(key::kDetectedConfiguration));

  auto* command = new (std::nothrow) GDocumentStart(job, printer, this, 0);
  GState* bundle = CopyOfPart(part_362, key::kDocumentGroup);
  if (command == nullptr || bundle == nullptr) {
    delete command;
    delete bundle;
    return nullptr;
  }
  AttachTrayMedia(*bundle, part_364);
  AttachRequestedMedia(*bundle, key::kSecondMediaRequest, 1, key::kSecondMediaPaperId,
                       key::kSecondMedia);
  AttachRequestedMedia(*bundle, key::kThirdMediaRequest, 2, key::kThirdMediaPaperId,
                       key::kThirdMedia);
  AddCopy(*bundle, FindIn(part_364, key::kDocumentStartFlag293));
  AddCopy(*bundle, FindIn(part_364, key::kDocumentStartValue296));
  AddCopy(*bundle, FindIn(part_364, key::kDocumentStartValue297));
  bundle->Add(MakeJobOptions());
  command->SetGraphicBundle(bundle);
  return command;
}

void GRenderDevice::AttachRequestedMedia(GAttributeComposite& bundle,
                                         std::uint32_t request_key,
                                         std::int32_t last_request,
                                         std::uint32_t paper_key,
                                         std::uint32_t media_key) {
  GBaseObject* request = bundle.FindByKey(request_key);
  std::int32_t asked = 0;
  if (!ReadValue(request, asked) || asked < 1 || asked > last_request) {
    return;
  }
  std::unique_ptr<GBaseObject> paper(bundle.RemoveByKey(paper_key));
  std::int32_t paper_id = 0;
  GMedia* media = ReadValue(paper.get(), paper_id)
                      ? SelectMedia(static_cast<std::uint16_t>(paper_id))
                      : nullptr;
  if (media == nullptr) {
    WriteValue(request, 0);
    return;
  }
  media->SetKey(media_key);
  bundle.Add(media);
}

void GRenderDevice::AttachTrayMedia(GAttributeComposite& bundle, GAttributeComposite* part_364) {
  GBaseObject* removed = bundle.RemoveByKey(key::kPaperId);
  if (removed == nullptr) {
    return;
  }
  GMedia* media = nullptr;
  if (removed->IsA() == vel::classid::kGValueAttribute) {
    media = SelectMedia(static_cast<GValueAttribute*>(removed)->GetValue());
  }
  if (media == nullptr) {
    bundle.Add(removed);
    return;
  }
  delete removed;
  media->SetKey(key::kSelectedMedia);
  const std::uint32_t type_key =
      page_counter_ < 2 ? key::kFirstPageMediaType : key::kLaterPagesMediaType;
  if (const RWCString* type = TextOf(FindIn(part_364, type_key))) {
    media->SetMediaType(type->Data());
  }
  if (page_counter_ != 0) {
    const std::int16_t* origin = media->GetPrintableOrigin();
    if (auto* transform = new (std::nothrow) GTransformAttribute) {
      transform->SetTranslation(GPoint{origin[0], origin[1]});
      bundle.Add(transform);
    }
  }
  bundle.Add(media);
}

GCommand* GRenderDevice::MakeDocumentEnd() {
  return new (std::nothrow) GDocumentEnd;
}

GCommand* GRenderDevice::MakePageStart() {
  ++page_counter_;
  GAttributeComposite* part_364 = Part(key::kJobOptions);
  GAttributeComposite* part_362 = Part(key::kDocumentBundleSettings);
  GState* bundle = CopyOfPart(Part(key::kPageBundleSettings), key::kPageGroup);
  if (bundle == nullptr) {
    return nullptr;
  }
  AddCopy(*bundle, FindIn(part_362, key::kOrientation));
  AddCopy(*bundle, FindIn(part_362, key::kPaperId));
  AddCopy(*bundle, FindIn(part_362, key::kPageStartGroup));
  if (page_counter_ >= 2 && ValueIs(FindIn(part_364, key::kUseLaterPagesTray), 1)) {
    AddCopy(*bundle, FindIn(part_364, key::kLaterPagesTraySelection), key::kTraySelection);
  } else {
    AddCopy(*bundle, FindIn(part_364, key::kTraySelection));
  }
  AttachTrayMedia(*bundle, part_364);
  auto* command = new (std::nothrow) GPageStart(bundle, 0);
  if (command == nullptr) {
    delete bundle;
  }
  return command;
}

GCommand* GRenderDevice::MakePageEnd() {
  auto* bundle = new (std::nothrow) GState(key::kPageGroup);
  if (bundle == nullptr) {
    return nullptr;
  }
  AddCopy(*bundle, FindIn(Part(key::kPageBundleSettings), key::kPageCopies));
  auto* command = new (std::nothrow) GPageEnd(bundle, 0);
  if (command == nullptr) {
    delete bundle;
  }
  return command;
}

GMedia* GRenderDevice::SelectMedia(std::uint16_t paper_id) {
  GAttributeComposite* group = EnsureJobAttributeGroup();
  if (paper_id >= kFirstCustomPaperId && paper_id <= kLastCustomSizeId) {
    const GBaseObject* sizes = FindIn(group, key::kCustomMediaSizes);
    const GConfiguration* configuration = GetPrinterConfiguration();
    if (sizes == nullptr || group == nullptr || configuration == nullptr) {
      return nullptr;
    }
    const std::unique_ptr<GIterator> it(sizes->CreateIterator());
    while (it && it->Advance() != 0) {
      const auto* size = dynamic_cast<const GCustomMediaSize*>(it->Current());
      if (size == nullptr || static_cast<std::uint16_t>(size->GetMediaId()) != paper_id) {
        continue;
      }
      GMedia* media = MakeCustomMedia(*size, *group, *configuration);
      if (media != nullptr) {
        media->SetPaperId(static_cast<std::int16_t>(kFirstCustomPaperId));
      }
      return media;
    }
    return nullptr;
  }
  std::int32_t orientation = 0;
  std::int32_t resolution_x = 0;
  std::int32_t resolution_y = 0;
  const GMediaPool* pool = GetMediaPool();
  if (pool == nullptr || !ReadValue(FindIn(group, key::kOrientation), orientation) ||
      !ReadValue(FindIn(group, key::kResolutionX), resolution_x) ||
      !ReadValue(FindIn(group, key::kResolutionY), resolution_y)) {
    return nullptr;
  }
  const GMedia* found = pool->FindByPaperId(static_cast<std::int16_t>(paper_id), orientation,
                                            static_cast<std::uint16_t>(resolution_x),
                                            static_cast<std::uint16_t>(resolution_y));
  return found != nullptr ? new (std::nothrow) GMedia(*found) : nullptr;
}

std::uint16_t GRenderDevice::SendPendingPageStart() {
  if (page_pending_ == 0) {
    return 0;
  }
  const std::uint16_t status = SendCommand(MakePageStart());
  page_pending_ = 0;
  page_started_ = 1;
  return status;
}

std::uint16_t GRenderDevice::SendGraphic(GCommand* graphic) {
  std::uint16_t status = EnsureDocumentStarted();
  if (status == 0) {
    status = SendPendingPageStart();
  }
  if (status != 0) {
    DeleteCommand(graphic);
    return status;
  }
  return SendCommand(graphic);
}

std::uint16_t GRenderDevice::SendCommand(GCommand* command) {
  GPeripheral* head = GetConfiguration();
  if (head == nullptr) {
    DeleteCommand(command);
    state_ = kErrorState;
    return kOutputNoChannel;
  }
  GCommandRef result(head->ProcessCommand(command));
  std::uint16_t status = 0;
  bool found = false;
  CollectErrors(result.Get(), status, found);
  if (found) {
    GCommandRef abort_result(head->ProcessCommand(new (std::nothrow) GJobAbort));
    state_ = kErrorState;
  }
  return status;
}

// ---------------------------------------------------------------------------------------------
// Copies and job options

std::int16_t GRenderDevice::SetCopyCount(std::int16_t requested, std::int16_t* granted) {
  GAttributeComposite* part_364 = Part(key::kJobOptions);
  GBaseObject* copies = FindIn(part_364, key::kRequestedCopies);
  std::int32_t previous = 1;
  ReadValue(copies, previous);

  std::int32_t count = requested < 1 ? 1 : requested;
  if (const auto* limit = dynamic_cast<const GRangeAttribute*>(
          FindIn(GetPrinterConfiguration(), key::kCopiesLimit));
      limit != nullptr && count > limit->GetMax()) {
    count = limit->GetMax();
  }
  if (copies != nullptr) {
    WriteValue(copies, count);
  } else if (part_364 != nullptr) {
    part_364->Add(new (std::nothrow)
                      GValueAttribute(static_cast<std::uint16_t>(count), key::kRequestedCopies));
  }
  ApplyCopies(part_364, Part(key::kDocumentBundleSettings), Part(key::kPageBundleSettings),
              Part(key::kDetectedConfiguration));
  if (granted != nullptr) {
    *granted = static_cast<std::int16_t>(count);
  }
  return static_cast<std::int16_t>(previous);
}

void GRenderDevice::ApplyCopies(GAttributeComposite* part_364,
                                GAttributeComposite* part_362,
                                GAttributeComposite* part_363,
                                GAttributeComposite* part_365) {
  const GBaseObject* copies = FindIn(part_364, key::kRequestedCopies);
  std::int32_t count = 1;
  ReadValue(copies, count);
  if (part_362 != nullptr && copies != nullptr) {
    // One copy of the count in the document settings, not one more per job.
    delete part_362->RemoveByKey(key::kRequestedCopies);
    AddCopy(*part_362, copies);
  }
  const bool printer_repeats_document =
      ValueIs(FindIn(part_365, key::kDeviceMakesCopies), 1) &&
      ValueIs(FindIn(part_364, key::kCollate), 1);
  WriteValue(FindIn(part_362, key::kDocumentCopies), printer_repeats_document ? count : 1);
  WriteValue(FindIn(part_363, key::kPageCopies), printer_repeats_document ? 1 : count);
}

void GRenderDevice::ClampCopies() {
  std::int32_t count = 1;
  ReadValue(FindIn(Part(key::kJobOptions), key::kRequestedCopies), count);
  SetCopyCount(static_cast<std::int16_t>(count), nullptr);
}

void GRenderDevice::RefreshCopies() {
  ApplyCopies(Part(key::kJobOptions), Part(key::kDocumentBundleSettings),
              Part(key::kPageBundleSettings), Part(key::kDetectedConfiguration));
}

void GRenderDevice::ReloadJobSettings() {
  GAttributeComposite* group = EnsureJobAttributeGroup();
  if (group != nullptr) {
    for (const std::uint32_t part :
         {key::kDocumentBundleSettings, key::kPageBundleSettings, key::kJobOptions}) {
      delete group->RemoveByKey(part);
    }
  }
  std::unique_ptr<GAttributeComposite> settings(DelegateToOwner());
  if (group != nullptr && settings != nullptr) {
    group->UpdateFrom(settings.get());
  }
  settings.reset();
  RefreshCopies();
}

std::uint16_t GRenderDevice::StartDocument() {
  if (document_pending_ == 0) {
    state_ = kErrorState;
    return kNoDocumentPending;
  }
  if (GetChainUsed() != 0) {
    if (GPeripheral* head = GetConfiguration()) {
      head->Reset();
    }
  }
  const std::uint16_t status = SendCommand(MakeDocumentStart(job_name_, job_printer_name_));
  SetChainUsed(1);
  if (status != 0) {
    state_ = kErrorState;
  }
  document_started_ = 1;
  document_pending_ = 0;
  return status;
}

GAttributeComposite* GRenderDevice::FindJobOptions() {
  const GBaseObject* options = FindIn(Part(key::kJobOptions), key::kJobOptionsGroup);
  const GBaseObject* mode = FindIn(options, key::kJobOptionsMode);
  const GBaseObject* take_named = FindIn(options, key::kJobOptionsTakeNamed);
  const RWCString* name = TextOf(FindIn(options, key::kJobOptionsName));
  std::int32_t mode_value = 0;
  if (!ReadValue(mode, mode_value) || mode_value == 2 || !ValueIs(take_named, 0) ||
      name == nullptr || name->Length() == 0) {
    return nullptr;
  }
  const GBaseObject* list = FindIn(Part(key::kFurtherSettings), key::kNamedJobOptions);
  if (list == nullptr) {
    return nullptr;
  }
  const std::unique_ptr<GIterator> it(list->CreateIterator());
  while (it && it->Advance() != 0) {
    const GBaseObject* entry = it->Current();
    const RWCString* entry_name = TextOf(FindIn(entry, key::kJobOptionsEntryName));
    if (entry_name == nullptr || !(*entry_name == *name)) {
      continue;
    }
    GBaseObject* copy = entry->DeepCopy();
    auto* group = dynamic_cast<GAttributeComposite*>(copy);
    if (group == nullptr) {
      delete copy;
      return nullptr;
    }
    AddCopy(*group, mode);
    AddCopy(*group, take_named);
    return group;
  }
  return nullptr;
}

GAttributeComposite* GRenderDevice::MakeJobOptions() {
  GAttributeComposite* group = FindJobOptions();
  if (group == nullptr) {
    group = new (std::nothrow) GAttributeComposite(key::kJobOptionsGroup);
    if (group == nullptr) {
      return nullptr;
    }
    group->Add(new (std::nothrow) GValueAttribute(2, key::kJobOptionsMode));
  }
  group->SetKey(key::kJobOptionsGroup);
  return group;
}
