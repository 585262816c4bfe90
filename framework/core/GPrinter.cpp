// GPrinter.
#include "framework/core/GPrinter.h"

#include <algorithm>
#include <new>
#include <string_view>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/DocumentChannel.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/StoredFields.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GOutputPort.h"
#include "framework/output/GPJL.h"
#include "framework/output/GPostScript.h"
#include "framework/pipeline/GCommand.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPageCommand.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

bool IsLanguagePeripheral(const GBaseObject* object) {
  return object != nullptr && object->IsKindOf(vel::classid::kGLanguagePeripheral);
}

}  // namespace

RWClassID GPrinter::ClassId() {
  return vel::classid::kGPrinter;
}

RWCollectable* GPrinter::Create() {
  return new (std::nothrow) GPrinter;
}

GPrinter::GPrinter() {
  Update(this);
}

GPrinter::GPrinter(std::uint32_t key) : GPeripheralComposite(key) {
  Update(this);
}

GPrinter::GPrinter(const RWCString& name,
                   GState* page_state,
                   GConfiguration* configuration,
                   std::uint32_t key)
    : GPeripheralComposite(name, page_state, configuration, key, 0, kAddOnNone, kNoAddOns) {
  Update(this);
}

GPrinter::GPrinter(const GPrinter& other)
    : GPeripheralComposite(other),
      flag_value_(other.flag_value_),
      pjl_(other.pjl_),
      language_(other.language_) {}

GPrinter& GPrinter::operator=(const GPrinter& other) {
  if (this == &other || !IsDifferentKey(&other)) {
    return *this;
  }
  GPeripheralComposite::operator=(other);
  flag_value_ = other.flag_value_;
  pjl_ = other.pjl_;
  language_ = other.language_;
  return *this;
}

GPrinter::~GPrinter() {
  pjl_ = nullptr;
  language_ = nullptr;
}

RWCollectable* GPrinter::CreateInstance() const {
  return Create();
}

RWCollectable* GPrinter::Clone() const {
  return new (std::nothrow) GPrinter(*this);
}

RWClassID GPrinter::IsA() const {
  return ClassId();
}

bool GPrinter::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGPrinter || GPeripheralComposite::IsKindOf(id);
}

bool GPrinter::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA()) {
    return false;
  }
  return GPeripheral::IsSameKey(other) &&
         static_cast<const GPrinter*>(other)->flag_value_ == flag_value_;
}

// ---------------------------------------------------------------------------------------------
// Children

void GPrinter::FindChildren() {
  pjl_ = dynamic_cast<GPeripheral*>(FindByKey(vel::key::kPJLPeripheral));
  language_ = dynamic_cast<GPeripheral*>(FindByKey(vel::key::kLanguagePeripheral));
}

void GPrinter::ForgetLanguageName(const GBaseObject* child) {
  if (!IsLanguagePeripheral(child)) {
    return;
  }
  const auto* peripheral = dynamic_cast<const GPeripheral*>(child);
  GState* job_state = peripheral != nullptr ? peripheral->JobState() : nullptr;
  if (job_state != nullptr) {
    delete job_state->RemoveByKey(vel::key::kLanguageName);
  }
}

void GPrinter::GiveLanguageName(GBaseObject* child) {
  if (!IsLanguagePeripheral(child)) {
    return;
  }
  auto* peripheral = dynamic_cast<GPeripheral*>(child);
  GState* job_state = peripheral != nullptr ? peripheral->JobState() : nullptr;
  if (job_state != nullptr) {
    auto* name = new (std::nothrow) GStringAttribute(peripheral->GetName(), vel::key::kLanguageName);
    if (name != nullptr) {
      job_state->Add(name);
    }
  }
}

void GPrinter::Add(GBaseObject* object) {
  if (object != this) {
    GiveLanguageName(object);
  }
  GPeripheralComposite::Add(object);
}

void GPrinter::RemoveChildAt(std::uint32_t index) {
  if (index < Count()) {
    ForgetLanguageName(Children().ChildAt(index));
  }
  GPeripheralComposite::RemoveChildAt(index);
}

bool GPrinter::ReplaceChildAt(std::uint32_t index, const GCountedPtr& child) {
  GBaseObject* stage = child.Get();
  if (index >= Count() || stage == nullptr || stage == this ||
      !stage->IsKindOf(vel::classid::kGPeripheral)) {
    return false;
  }
  GBaseObject* old = Children().ChildAt(index);
  if (old != stage) {
    ForgetLanguageName(old);
    GiveLanguageName(stage);
  }
  return GPeripheralComposite::ReplaceChildAt(index, child);
}

// A language peripheral loses its name before the composite's removal runs Update, so that the
// rebuilt states no longer carry it: the children share the printer's job state, and the name
// would come back from theirs.
GBaseObject* GPrinter::RemoveObject(const GBaseObject* object) {
  for (std::uint32_t i = 0; i < Count(); ++i) {
    if (ChildAt(i) == object) {
      ForgetLanguageName(object);
      break;
    }
  }
  return GPeripheralComposite::RemoveObject(object);
}

GBaseObject* GPrinter::RemoveByKey(std::uint32_t key) {
  ForgetLanguageName(FindByKey(key));
  return GPeripheralComposite::RemoveByKey(key);
}

GBaseObject* GPrinter::RemoveByClassId(RWClassID id) {
  ForgetLanguageName(FindByClassId(id));
  return GPeripheralComposite::RemoveByClassId(id);
}

std::uint16_t GPrinter::ReplaceChild(std::uint32_t key, GPeripheral* replacement) {
  if (GState* job_state = JobState()) {
    delete job_state->RemoveByKey(key);
  }
  delete RemoveByKey(key);
  ClearGroupCache();
  if (replacement != nullptr) {
    Add(replacement);
  }
  Update(this);
  return 0;
}

// The copy stands under the key of the child it replaces, where the routing looks for it.
template <typename Peripheral>
std::uint16_t GPrinter::ReplaceChildByCopy(std::uint32_t key, const Peripheral& object) {
  auto* copy = new (std::nothrow) Peripheral(object);
  if (copy != nullptr) {
    copy->SetKey(key);
  }
  return ReplaceChild(key, copy);
}

std::uint16_t GPrinter::HandlePJL(GPJL& object) {
  return ReplaceChildByCopy(vel::key::kPJLPeripheral, object);
}

std::uint16_t GPrinter::HandleKestrix(GKestrix& object) {
  return ReplaceChildByCopy(vel::key::kLanguagePeripheral, object);
}

std::uint16_t GPrinter::HandlePostScript(GPostScript& object) {
  return ReplaceChildByCopy(vel::key::kLanguagePeripheral, object);
}

void GPrinter::Update(GPeripheral* /*changed*/) {
  RebuildConfiguration();
  FindChildren();
  (void)RebuildSharedStates();
  GPeripheral::Update(this);
}

bool GPrinter::IsColor() const {
  const RWCString name = GetName();
  const std::string_view text(name.Data(), name.Length());
  constexpr std::string_view kWord = "color";
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return std::search(text.begin(), text.end(), kWord.begin(), kWord.end(),
                     [&](char a, char b) { return lower(a) == b; }) != text.end();
}

// ---------------------------------------------------------------------------------------------
// Commands

GCommand* GPrinter::ProcessCommand(GCommand* command) {
  // The stage's processing as GPeripheral::ProcessCommand does it, less its hold of the command:
  // a command its caller holds (the reference word is not below 0) stays alive while it is routed.
  // A command nobody holds, a composite, and a disabled printer take the general way.
  if (command == nullptr || !IsEnabled() || command->References() < 0 ||
      command->AsComposite() != nullptr) {
    return GPeripheral::ProcessCommand(command);
  }
  const RWClassID id = command->IsA();
  if (id == vel::classid::kGNoCommand || id == vel::classid::kGErrorCommand) {
    return command;
  }
  std::uint32_t key = 0;
  if (GState* bundle = command->GetGraphicBundle()) {
    MergeGraphicBundle(bundle);
    key = bundle->GetKey();
  }
  AttachState(key);
  return Route(command, id, key);
}

void GPrinter::AttachState(std::uint32_t /*key*/) {}

inline void GPrinter::Routed::Answer(GCommand* result) {
  if (result == Current()) {
    return;
  }
  if (result == handled) {
    other.Reset();
  } else {
    other = result;
  }
}

inline void GPrinter::Pass(GPeripheral* child, bool attach, std::uint32_t key, Routed& routed) {
  if (child == nullptr) {
    return;
  }
  if (attach) {
    child->AttachState(key);
  }
  routed.Answer(child->ProcessCommand(routed.Current()));
}

inline void GPrinter::Fail(std::uint16_t status, Routed& routed) {
  GCommand* command = routed.Current();
  if (status == 0 || command == nullptr || command->IsA() == vel::classid::kGErrorCommand) {
    return;
  }
  if (auto* error = new (std::nothrow) GErrorCommand(status, command, 0)) {
    routed.Answer(error);
  }
}

GCommandRef GPrinter::HandleCommand(GCommandRef command) {
  GCommand* handled = command.Get();
  if (handled == nullptr) {
    return command;
  }
  const GState* bundle = handled->GetGraphicBundle();
  GCommand* answer = Route(handled, handled->IsA(), bundle != nullptr ? bundle->GetKey() : 0);
  if (answer == handled) {
    return command;
  }
  // The answer was handed over unheld (as ProcessCommand answers); the handled command goes with
  // `command` unless something else holds it.
  return GCommandRef(answer);
}

GCommand* GPrinter::Route(GCommand* handled, RWClassID id, std::uint32_t key) {
  Routed routed{handled, GCommandRef()};
  switch (id) {
    case vel::classid::kGDocumentStart:
      if (pjl_ != nullptr) {
        pjl_->BeginUpdate();
      }
      if (language_ != nullptr) {
        language_->BeginUpdate();
      }
      Fail(HandleDocumentStart(static_cast<GDocumentStart&>(*handled)), routed);
      Pass(pjl_, true, key, routed);
      Pass(language_, true, key, routed);
      break;
    case vel::classid::kGDocumentEnd:
      Pass(language_, true, key, routed);
      Pass(pjl_, true, key, routed);
      Fail(HandleDocumentEnd(static_cast<GDocumentEnd&>(*handled)), routed);
      if (language_ != nullptr) {
        language_->EndUpdate();
      }
      if (pjl_ != nullptr) {
        pjl_->EndUpdate();
      }
      break;
    case vel::classid::kGPageEnd:
      Pass(language_, true, key, routed);
      Pass(pjl_, true, key, routed);
      Fail(HandlePageEnd(static_cast<GPageEnd&>(*handled)), routed);
      break;
    case vel::classid::kGJobAbort:
      Pass(language_, false, key, routed);
      Pass(pjl_, false, key, routed);
      Fail(HandleJobAbort(static_cast<GJobAbort&>(*handled)), routed);
      if (language_ != nullptr) {
        language_->EndUpdate();
      }
      if (pjl_ != nullptr) {
        pjl_->EndUpdate();
      }
      break;
    default:
      if (language_ == nullptr) {
        break;
      }
      language_->AttachState(key);
      if (key == vel::key::kPageGroup) {
        // The job state's page group, as the merge of this command's bundle found it.
        if (GState* page_group = InitStates(vel::key::kPageGroup)) {
          page_group->DisableAll();
        }
      }
      routed.Answer(language_->ProcessCommand(routed.Current()));
      break;
  }
  return routed.other ? routed.other.Release() : handled;
}

std::uint16_t GPrinter::HandleDocumentStart(GDocumentStart& command) {
  DropOutputChannel();
  // Without a back end nothing could be printed: the job fails at once.
  if (language_ == nullptr) {
    return kOutputNoChannel;
  }
  if (GOutputPort* carried = command.GetOutputChannel()) {
    SetOutputChannel(carried, false);
  } else {
    GOutputPort* opened = nullptr;
    const std::uint16_t status = vel::OpenDocumentChannel(command, opened);
    if (opened != nullptr) {
      SetOutputChannel(opened, true);
    }
    if (status != 0) {
      return status;
    }
  }
  SetInDocument();
  return 0;
}

std::uint16_t GPrinter::HandleDocumentEnd(GDocumentEnd& /*command*/) {
  std::uint16_t status = 0;
  if (OwnsOutputChannel() && GetOutputChannel() != nullptr) {
    status = GetOutputChannel()->JobEnd();
  }
  DropOutputChannel();
  SetIdle();
  return status;
}

std::uint16_t GPrinter::HandlePageEnd(GPageEnd& /*command*/) {
  GOutputPort* channel = GetOutputChannel();
  return channel == nullptr || channel->IsClosed() ? 1 : 0;
}

std::uint16_t GPrinter::HandleJobAbort(GJobAbort& /*command*/) {
  SetIdle();
  std::uint16_t status = 0;
  if (OwnsOutputChannel() && GetOutputChannel() != nullptr) {
    status = GetOutputChannel()->Close();
  }
  DropOutputChannel();
  return status;
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GPrinter::StoredByteCount() const {
  return GPeripheralComposite::StoredByteCount() + vel::kClassVersionSize + 4;
}

template <typename Carrier>
void GPrinter::Save(Carrier& carrier) const {
  GPeripheralComposite::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, flag_value_);
}

template <typename Carrier>
void GPrinter::Restore(Carrier& carrier) {
  GPeripheralComposite::RestoreContents(carrier);
  if (vel::CarrierGood(carrier) && vel::ReadClassVersion(carrier)) {
    (void)vel::ReadField(carrier, flag_value_);
  }
  FindChildren();
}

void GPrinter::ForgetRestoredMembers() {
  GPeripheralComposite::ForgetRestoredMembers();
  FindChildren();
}

void GPrinter::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPrinter::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GPrinter::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GPrinter::SaveContents(RWBinaryFile& file) const {
  Save(file);
}
