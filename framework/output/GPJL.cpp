// The PJL job envelope.
//
// The job settings, in header order, each a "@PJL SET " line (document group 246 unless noted):
//   247  copies above 1            QTY=<n>
//   240  raw PJL text              appended as it stands (no prefix, no line end)
//   250  resolution enhancement    ELX=OFF|LIGHT|MEDIUM|DARK|ON for 0..4, "ELX=" alone otherwise
//   253  duplex                    DUPLEX=OFF (0); DUPLEX=ON + BINDING=SHORTEDGE (1) / LONGEDGE (2)
//   252  toner saving              TONERSAVE=OFF (0) / ON (1)
//   248  output bin                OUTBIN=<name>, see OutputBinName (configuration 90 decides)
//   278  stapling, non-zero        FINISH=STAPLE
//   251  page protection           PAGEPROTECT=ON (0) / AUTO (other)
//   259  media                     PAPER=<name of its paper id in configuration list 192>
//   287  job retention             HOLD=..., see AppendRetention (282 user name, 284 key)
//   249  resolution group          RESOLUTION=<322, default 600>, BITSPERPIXEL=<324, default 1>
// then, after the children have seen the document start, ENTER LANGUAGE=<job state's 373>.
#include "framework/output/GPJL.h"

#include <memory>
#include <new>
#include <string>

#include "framework/core/ClassVersion.h"
#include "framework/core/DocumentChannel.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GIterator.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPaperHandlingDevice.h"
#include "framework/core/GSelectionString.h"
#include "framework/core/MAssociationList.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "framework/core/StringWidth.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/output/GOutputPort.h"
#include "framework/output/PJLText.h"
#include "framework/output/SettingValues.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

void AppendSet(RWCString& header, const char* text) {
  header.Append(kPJLPrefix);
  header.Append(kPJLSet);
  header.Append(text);
  header.Append(kPJLLineEnd);
}

void AppendSet(RWCString& header, const std::string& text) {
  AppendSet(header, text.c_str());
}

// A "@PJL SET NAME="value"" line.
void AppendQuoted(RWCString& header, const char* name, const RWCString& value) {
  header.Append(kPJLPrefix);
  header.Append(kPJLSet);
  header.Append(name);
  header.Append(kPJLQuote);
  header.Append(value);
  header.Append(kPJLQuote);
  header.Append(kPJLLineEnd);
}

// The first paper-handling device of `devices` that is optional, installed and of type 1 (an
// output accessory whose option the printer reports), or null.
const GPaperHandlingDevice* OptionalOutputDevice(const GBaseObject* devices) {
  if (devices == nullptr) {
    return nullptr;
  }
  const std::unique_ptr<GIterator> it(devices->CreateIterator());
  if (!it) {
    return nullptr;
  }
  while (it->Advance() != 0) {
    const auto* device = dynamic_cast<const GPaperHandlingDevice*>(it->Current());
    if (device != nullptr && device->IsOptional() != 0 && device->IsInstalled() != 0 &&
        device->GetDeviceType() == 1) {
      return device;
    }
  }
  return nullptr;
}

// The OUTBIN name of bin `bin`: the optional output accessory, when there is one, renames the
// second and third bins.
std::string OutputBinName(std::uint16_t bin, const GPaperHandlingDevice* accessory) {
  const std::uint16_t option = accessory != nullptr ? accessory->GetSelectedOption() : 2;
  switch (bin) {
    case 1:
      return "UPPER";
    case 2:
      return accessory != nullptr ? "OPTIONALOUTBIN1" : "LOWER";
    case 3:
      return option == 2 ? "OPTIONALOUTBIN7" : "OPTIONALOUTBIN3";
    case 4:
      return "OPTIONALOUTBIN2";
    default:
      return "OPTIONALOUTBIN" + std::to_string(static_cast<int>(bin) - 3);
  }
}

// The text of a string setting when it may stand between quotes and is not empty, else null.
const RWCString* QuotableText(const GBaseObject* object) {
  const RWCString* text = vel::SettingText(object);
  return text != nullptr && !text->IsNull() && IsPJLQuotable(*text) ? text : nullptr;
}

}  // namespace

RWClassID GPJL::ClassId() {
  return vel::classid::kGPJL;
}

RWCollectable* GPJL::Create() {
  return new (std::nothrow) GPJL;
}

GPJL::GPJL() {
  AddGroups(false);
}

GPJL::GPJL(std::uint32_t key) : GPeripheralComposite(key) {
  AddGroups(false);
}

GPJL::GPJL(const RWCString& name,
           GState* page_state,
           GConfiguration* configuration,
           std::uint32_t key,
           std::uint32_t add_on_list_key,
           std::int32_t add_on_kind,
           std::int32_t add_on_mode)
    : GPeripheralComposite(name, page_state, configuration, key, add_on_list_key, add_on_kind,
                           add_on_mode) {
  AddGroups(true);
}

GPJL::GPJL(const GPJL& other)
    : GPeripheralComposite(other), media_state_(other.media_state_), job_name_(other.job_name_) {}

GPJL& GPJL::operator=(const GPJL& other) {
  if (this != &other) {
    GPeripheralComposite::operator=(other);
    media_state_ = other.media_state_;
    job_name_ = other.job_name_;
  }
  return *this;
}

GPJL::~GPJL() = default;

void GPJL::AddGroups(bool only_missing) {
  static constexpr std::uint32_t kGroups[] = {vel::key::kGraphicsGroup, vel::key::kPageGroup,
                                              vel::key::kDocumentGroup};
  if (!only_missing) {
    if (GState* page_state = PageState()) {
      for (const std::uint32_t key : kGroups) {
        if (auto* group = new (std::nothrow) GState(key)) {
          page_state->Add(group);
        }
      }
    }
  }
  if (GState* job_state = JobState()) {
    for (const std::uint32_t key : kGroups) {
      if (only_missing && job_state->FindByKey(key) != nullptr) {
        continue;
      }
      if (auto* group = new (std::nothrow) GState(key)) {
        job_state->Add(group);
      }
    }
  }
  ClearGroupCache();
}

RWCollectable* GPJL::CreateInstance() const {
  return Create();
}

RWCollectable* GPJL::Clone() const {
  return new (std::nothrow) GPJL(*this);
}

RWClassID GPJL::IsA() const {
  return ClassId();
}

bool GPJL::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGPJL || GPeripheralComposite::IsKindOf(id);
}

bool GPJL::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GPeripheralComposite::IsSameKey(other)) {
    return false;
  }
  const auto* pjl = static_cast<const GPJL*>(other);
  return media_state_.IsSameKey(&pjl->media_state_) && job_name_ == pjl->job_name_;
}

std::uint16_t GPJL::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePJL(*this);
}

// ---------------------------------------------------------------------------------------------
// Commands

void GPJL::PassToChildren(GCommand& command) {
  // Held here, so that a child's answer can be let go of without taking the command with it.
  GCommandRef self(&command);
  for (std::uint32_t i = 0; i < Count(); ++i) {
    const GCountedPtr held = Children().Children().At(i);
    if (auto* child = static_cast<GPeripheral*>(held.Get())) {
      GCommandRef(child->ProcessCommand(&command)).Reset();
    }
  }
  (void)self.Release();
}

GCommand* GPJL::ProcessCommand(GCommand* command) {
  if (command == nullptr) {
    return command;
  }
  const RWClassID id = command->IsA();
  if (id != vel::classid::kGDocumentStart && id != vel::classid::kGDocumentEnd &&
      id != vel::classid::kGJobAbort) {
    return command;
  }
  GCommandRef held(command);
  const std::uint16_t status = command->Accept(*this);
  if (status != 0) {
    if (auto* error = new (std::nothrow) GErrorCommand(status, command, 0)) {
      held = GCommandRef(error);
    }
  }
  return held.Release();
}

void GPJL::Update(GPeripheral* /*changed*/) {
  RebuildConfiguration();
  (void)RebuildSharedStates();
  GPeripheral::Update(this);
}

void GPJL::AppendSettings(RWCString& header) {
  GState* settings = InitStates(vel::key::kDocumentGroup);
  GConfiguration* configuration = Configuration();
  std::uint16_t value = 0;

  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kDocumentCopies), value) &&
      static_cast<std::int16_t>(value) > 1) {
    AppendSet(header, "QTY=" + std::to_string(static_cast<std::int16_t>(value)));
  }
  if (const RWCString* raw = vel::SettingText(vel::FindSetting(settings, vel::key::kRawPJL))) {
    header.Append(*raw);
  }
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kResolutionEnhancement), value)) {
    static constexpr const char* kLevels[] = {"OFF", "LIGHT", "MEDIUM", "DARK", "ON"};
    const auto level = static_cast<std::int16_t>(value);
    AppendSet(header, std::string("ELX=") + (level >= 0 && level <= 4 ? kLevels[level] : ""));
  }
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kDuplex), value)) {
    if (value == 0) {
      AppendSet(header, "DUPLEX=OFF");
    } else if (value == 1 || value == 2) {
      AppendSet(header, "DUPLEX=ON");
      AppendSet(header, value == 1 ? "BINDING=SHORTEDGE" : "BINDING=LONGEDGE");
    }
  }
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kTonerSaving), value) &&
      value <= 1) {
    AppendSet(header, value == 0 ? "TONERSAVE=OFF" : "TONERSAVE=ON");
  }
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kOutputBin), value)) {
    const GPaperHandlingDevice* accessory =
        OptionalOutputDevice(vel::FindSetting(configuration, vel::key::kPaperHandlingDevices));
    AppendSet(header, "OUTBIN=" + OutputBinName(value, accessory));
  }
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kStapling), value) &&
      value != 0) {
    AppendSet(header, "FINISH=STAPLE");
  }
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kPageProtection), value)) {
    AppendSet(header, value == 0 ? "PAGEPROTECT=ON" : "PAGEPROTECT=AUTO");
  }
  if (const GBaseObject* media = vel::FindSetting(settings, vel::key::kSelectedMedia)) {
    std::uint16_t paper_id = 1;
    if (media->IsA() == vel::classid::kGMedia) {
      paper_id = static_cast<std::uint16_t>(static_cast<const GMedia*>(media)->GetPaperId());
    }
    auto* names =
        dynamic_cast<MAssociationList*>(vel::FindSetting(configuration, vel::key::kPaperToName));
    const GValueAttribute lookup(paper_id, 0);
    const auto* name = names != nullptr
                           ? dynamic_cast<const GSelectionString*>(names->FindValue(&lookup))
                           : nullptr;
    if (name != nullptr) {
      AppendSet(header, std::string("PAPER=") + name->GetString().Data());
    }
  }
  if (vel::ReadSettingValue(vel::FindSetting(settings, vel::key::kJobRetention), value)) {
    const RWCString* user = QuotableText(vel::FindSetting(settings, vel::key::kUserName));
    const RWCString* key = QuotableText(vel::FindSetting(settings, vel::key::kPrivateJobKey));
    const RWCString user_text = user != nullptr ? *user : RWCString("?");
    const RWCString key_text = key != nullptr ? *key : RWCString();
    switch (value) {
      case 1:
        AppendSet(header, "HOLD=ON");
        AppendSet(header, "HOLDTYPE=PUBLIC");
        break;
      case 2:
        AppendSet(header, "HOLD=PROOF");
        break;
      case 3:
        AppendSet(header, "HOLD=STORE");
        break;
      case 4:
        AppendSet(header, "HOLD=ON");
        AppendSet(header, "HOLDTYPE=PRIVATE");
        AppendQuoted(header, "HOLDKEY=", key_text);
        break;
      default:
        AppendSet(header, "HOLD=OFF");
        break;
    }
    if (value >= 1 && value <= 4) {
      AppendQuoted(header, "USERNAME=", user_text);
      // The job's own (checked) name, so that the retained jobs of one user stay apart.
      AppendQuoted(header, "JOBNAME=", job_name_);
    }
  }
  media_state_.Clear();
  std::uint16_t resolution = 600;
  std::uint16_t bits = 1;
  if (const GBaseObject* group = vel::FindSetting(settings, vel::key::kPageStartGroup)) {
    resolution = vel::SettingValueOr(group, vel::key::kResolutionX, resolution);
    bits = vel::SettingValueOr(group, vel::key::kBitsPerPixel, bits);
  }
  AppendSet(header, "RESOLUTION=" + std::to_string(resolution));
  AppendSet(header, "BITSPERPIXEL=" + std::to_string(bits));
}

std::uint16_t GPJL::HandleDocumentStart(GDocumentStart& object) {
  // A channel this stage opened for an earlier job is done with.
  if (OwnsOutputChannel()) {
    DropOutputChannel();
  }
  if (GOutputPort* carried = object.GetOutputChannel()) {
    SetOutputChannel(carried, false);
  } else {
    GOutputPort* opened = nullptr;
    const std::uint16_t status = vel::OpenDocumentChannel(object, opened);
    if (opened != nullptr) {
      SetOutputChannel(opened, true);
    }
    if (status != 0) {
      return status;
    }
  }
  RWCString narrow;
  (void)NarrowString(object.GetJobName(), narrow);
  job_name_ = PJLQuotedValue(narrow);

  RWCString header;
  header.Append(kPJLUniversalExit);
  header.Append(kPJLPrefix);
  header.Append(kPJLJobName);
  header.Append(job_name_);
  header.Append(kPJLQuote);
  header.Append(kPJLLineEnd);
  AppendSettings(header);

  PassToChildren(object);

  header.Append(kPJLEnterLanguage);
  if (GState* job_state = JobState()) {
    if (const RWCString* language =
            vel::SettingText(job_state->FindByKey(vel::key::kLanguageName))) {
      header.Append(*language);
    }
  }
  header.Append(kPJLLineEnd);

  GOutputPort* channel = GetOutputChannel();
  std::uint32_t written = 0;
  const std::uint16_t status = channel->WriteString(header, &written);
  if (status != 0) {
    return status;
  }
  (void)channel->IsClosed();
  SetInDocument();
  return 0;
}

std::uint16_t GPJL::HandleDocumentEnd(GDocumentEnd& object) {
  SetIdle();
  PassToChildren(object);
  GOutputPort* channel = GetOutputChannel();
  if (channel == nullptr) {
    return kOutputNoChannel;
  }
  RWCString trailer;
  trailer.Append(kPJLUniversalExit);
  trailer.Append(kPJLPrefix);
  trailer.Append(kPJLEndOfJobName);
  trailer.Append(job_name_);
  trailer.Append(kPJLQuote);
  trailer.Append(kPJLLineEnd);
  trailer.Append(kPJLUniversalExit);
  std::uint32_t written = 0;
  std::uint16_t status = channel->WriteString(trailer, &written);
  if (status == 0 && OwnsOutputChannel()) {
    status = channel->JobEnd();
  }
  if (!OwnsOutputChannel()) {
    // A channel of the command's: done with at the end of its job.
    DropOutputChannel();
  }
  return status;
}

std::uint16_t GPJL::HandleJobAbort(GJobAbort& object) {
  SetIdle();
  (void)GPeripheral::HandleJobAbort(object);
  return 0;
}

std::uint16_t GPJL::HandleValueAttribute(GValueAttribute& /*object*/) {
  return 0;
}

std::uint16_t GPJL::HandleStringAttribute(GStringAttribute& /*object*/) {
  return 0;
}

std::uint16_t GPJL::HandleEnumAttribute(GEnumAttribute& /*object*/) {
  return 0;
}

std::uint16_t GPJL::HandleRangeAttribute(GRangeAttribute& /*object*/) {
  return 0;
}

std::uint16_t GPJL::HandleKestrix(GKestrix& /*object*/) {
  return 0;
}

std::uint16_t GPJL::HandlePostScript(GPostScript& /*object*/) {
  return 0;
}

std::uint16_t GPJL::HandleMedia(GMedia& object) {
  if (auto* copy = dynamic_cast<GMedia*>(object.Clone())) {
    media_state_.Add(copy);
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GPJL::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GPeripheralComposite::StoredByteCount() + vel::kClassVersionSize +
         RWTotalStoredSize(&media_state_) + 4 + static_cast<std::uint32_t>(job_name_.Length());
}

template <typename Carrier>
void GPJL::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GPeripheralComposite::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(&media_state_);
  vel::WriteString(carrier, job_name_);
}

void GPJL::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GPJL::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GPJL::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GPeripheralComposite::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  media_state_.Clear();
  RWCollectable* read = carrier >> static_cast<RWCollectable&>(media_state_);
  if (!vel::CarrierGood(carrier)) {
    return;
  }
  if (read != &media_state_) {
    vel::FailCarrier(carrier);
    return;
  }
  RWCString name;
  if (!vel::ReadString(carrier, name)) {
    return;
  }
  job_name_ = name;
}

void GPJL::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPJL::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
