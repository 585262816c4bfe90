// GPeripheral: command processing, states, listeners and the stored form.
#include "framework/core/GPeripheral.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

#include "framework/core/ChildSearch.h"
#include "framework/core/CachedCast.h"
#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GIterator.h"
#include "framework/core/GState.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "framework/output/GOutputPort.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GCommand.h"
#include "framework/pipeline/GCommandCompositeOnDisk.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/HeldRecord.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWMessage.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

// Tags of the stored listener list.
constexpr char kNewList = ':';
constexpr char kListReference = '@';
// The tag byte and the count or index word.
constexpr std::uint32_t kListHeaderSize = 5;

GState* NewState(std::uint32_t key) {
  return new (std::nothrow) GState(key);
}

GConfiguration* NewConfiguration() {
  return new (std::nothrow) GConfiguration(vel::key::kPeripheralConfiguration);
}

void WriteTag(RWVirtualOutStream& stream, char tag) {
  stream.Put(tag);
}

void WriteTag(RWBinaryFile& file, char tag) {
  (void)file.Write(tag);
}

bool ReadTag(RWVirtualInStream& stream, char& tag) {
  stream.Get(tag);
  return stream.Good() != 0;
}

bool ReadTag(RWBinaryFile& file, char& tag) {
  return file.Read(tag);
}

template <typename Carrier>
void BadReference(Carrier& carrier) {
  RWRaiseData(RWTOOL_REF());
  vel::FailCarrier(carrier);
}

}  // namespace

GPeripheral::GPeripheral()
    : job_state_(NewState(vel::key::kPeripheralState)),
      page_state_(NewState(vel::key::kPeripheralState)),
      configuration_(NewConfiguration()) {}

GPeripheral::GPeripheral(std::uint32_t key)
    : GAttribute(key),
      job_state_(NewState(vel::key::kPeripheralState)),
      page_state_(NewState(vel::key::kPeripheralState)),
      configuration_(NewConfiguration()) {}

GPeripheral::GPeripheral(const RWCString& name,
                         GState* page_state,
                         GConfiguration* configuration,
                         std::uint32_t key,
                         std::uint32_t add_on_list_key,
                         std::int32_t add_on_kind,
                         std::int32_t add_on_mode)
    : GAttribute(key),
      name_(name),
      add_on_list_key_(add_on_list_key),
      add_on_kind_(add_on_kind),
      add_on_mode_(add_on_mode) {
  // The constructor's own versions of these run here, as the stage is not yet a subclass.
  GPeripheral::SetConfiguration(configuration != nullptr ? configuration : NewConfiguration());
  GPeripheral::SetPageState(page_state != nullptr ? page_state
                                                  : NewState(vel::key::kPeripheralState));
  GPeripheral::SetJobState(NewState(vel::key::kPeripheralState));
  GPeripheral::Reset();
}

GPeripheral::GPeripheral(const GPeripheral& other)
    : GAttribute(other),
      GTypedHandlers(other),
      name_(other.name_),
      state_(other.state_),
      add_on_list_key_(other.add_on_list_key_),
      add_on_kind_(other.add_on_kind_),
      add_on_mode_(other.add_on_mode_),
      job_state_(other.job_state_),
      page_state_(other.page_state_),
      configuration_(other.configuration_),
      enabled_(other.enabled_) {}

GPeripheral& GPeripheral::operator=(const GPeripheral& other) {
  if (this == &other || !IsDifferentKey(&other)) {
    return *this;
  }
  GAttribute::operator=(other);
  name_ = other.name_;
  state_ = other.state_;
  add_on_list_key_ = other.add_on_list_key_;
  add_on_kind_ = other.add_on_kind_;
  add_on_mode_ = other.add_on_mode_;
  job_state_ = other.job_state_;
  page_state_ = other.page_state_;
  configuration_ = other.configuration_;
  enabled_ = other.enabled_;
  ClearGroupCache();
  return *this;
}

GPeripheral::~GPeripheral() {
  DropOutputChannel();
}

RWClassID GPeripheral::ClassId() {
  return vel::classid::kGPeripheral;
}

bool GPeripheral::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGPeripheral || GAttribute::IsKindOf(id);
}

bool GPeripheral::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* peripheral = dynamic_cast<const GPeripheral*>(other);
  return peripheral != nullptr && IsA() == other->IsA() && GAttribute::IsSameKey(other) &&
         name_ == peripheral->name_ && state_ == peripheral->state_ &&
         add_on_list_key_ == peripheral->add_on_list_key_ &&
         add_on_kind_ == peripheral->add_on_kind_ && add_on_mode_ == peripheral->add_on_mode_ &&
         enabled_ == peripheral->enabled_ &&
         listeners_.peripherals == peripheral->listeners_.peripherals &&
         SameReference(job_state_, peripheral->job_state_) &&
         SameReference(page_state_, peripheral->page_state_) &&
         SameReference(configuration_, peripheral->configuration_);
}

GBaseObject* GPeripheral::DeepCopy() const {
  auto* copy = dynamic_cast<GPeripheral*>(Clone());
  if (copy == nullptr) {
    return nullptr;
  }
  copy->job_state_ = GCountedPtr(job_state_.CopyTarget());
  copy->page_state_ = GCountedPtr(page_state_.CopyTarget());
  copy->configuration_ = GCountedPtr(configuration_.CopyTarget());
  copy->ClearGroupCache();
  return copy;
}

std::uint16_t GPeripheral::Accept(GTypedHandlers& handlers) {
  std::uint16_t status = 0;
  if (GState* job = JobState()) {
    for (std::uint32_t i = 0; i < job->Count(); ++i) {
      // Held while it runs, in case the visitor changes the job state.
      const GCountedPtr child = job->Children().At(i);
      if (auto* attribute = dynamic_cast<GAttribute*>(child.Get())) {
        if (const std::uint16_t answer = attribute->Accept(handlers); answer != 0) {
          status = answer;
        }
      }
    }
  }
  SetEnabled(0);
  return status;
}

// ---------------------------------------------------------------------------------------------
// Commands

GCommand* GPeripheral::ProcessCommand(GCommand* command) {
  if (command == nullptr || !IsEnabled()) {
    return command;
  }
  GCommandRef held(command);
  if (command->AsComposite() != nullptr) {
    held = ExpandCommand(held);
    GCommand* expanded = held.Get();
    if (expanded == nullptr || expanded->AsComposite() != nullptr) {
      return held.Release();
    }
  }
  GCommand* current = held.Get();
  const RWClassID id = current->IsA();
  if (id == vel::classid::kGNoCommand || id == vel::classid::kGErrorCommand) {
    return held.Release();
  }
  std::uint32_t key = 0;
  if (GState* bundle = current->GetGraphicBundle()) {
    MergeGraphicBundle(bundle);
    key = bundle->GetKey();
  }
  AttachState(key);
  held = HandleCommand(std::move(held));
  return held.Release();
}

GCommandRef GPeripheral::HandleCommand(GCommandRef command) {
  GCommand* current = command.Get();
  if (current == nullptr) {
    return command;
  }
  const std::uint16_t status = current->Accept(*this);
  if (status == 0) {
    return command;
  }
  auto* error = new (std::nothrow) GErrorCommand(status, current, 0);
  if (error == nullptr) {
    return command;
  }
  return GCommandRef(error);
}

GCommandRef GPeripheral::ExpandCommand(const GCommandRef& command) {
  GCommand* composite = command.Get();
  if (composite == nullptr || composite->AsComposite() == nullptr) {
    return command;
  }
  if (composite->IsA() == vel::classid::kGCommandCompositeOnDisk) {
    return ExpandCompositeOnDisk(command);
  }
  const std::unique_ptr<GIterator> children(composite->CreateIterator());
  if (children == nullptr) {
    return command;
  }
  while (IsEnabled() && children->Advance() != 0) {
    auto* child = vel::CachedCast<GCommand>(children->Current());
    if (child == nullptr) {
      continue;
    }
    GCommand* result = ProcessCommand(child);
    if (result == nullptr) {
      continue;
    }
    if (result->IsA() == vel::classid::kGErrorCommand) {
      // The failure reaches the job: the error command (holding the failed child) is the answer
      // in place of the composite, and the later children are left unprocessed.
      return GCommandRef(result);
    }
    if (result != child) {
      children->ReplaceCurrentRef(GCountedPtr(result));
    }
  }
  return command;
}

GCommandRef GPeripheral::ExpandCompositeOnDisk(const GCommandRef& command) {
  auto* composite = vel::CachedCast<GCommandCompositeOnDisk>(command.Get());
  if (composite == nullptr) {
    return command;
  }
  const std::unique_ptr<GIterator> records(composite->CreateIterator());
  if (records == nullptr) {
    return command;
  }
  bool more = records->Advance() != 0;
  while (IsEnabled() && more) {
    // Each record is fetched as a new object read from the file; the fetched object holds it.
    const GCountedPtr fetched = records->CurrentRef();
    auto* child = vel::CachedCast<GCommand>(fetched.Get());
    GCommandRef result(child != nullptr ? ProcessCommand(child) : nullptr);
    if (result && result->IsA() == vel::classid::kGErrorCommand) {
      return result;
    }
    const bool rewrite =
        result && (result.Get() != child || (child != nullptr && ChangedInPlace(*child)));
    if (rewrite && composite->ReplaceChild(*child, result) != 0) {
      // The result's record took the child's place: the walk goes on behind it, so that what this
      // stage made is not processed again.
      const std::uint32_t serial = result->SerialNumber();
      const RWClassID id = result->IsA();
      while ((more = records->Advance() != 0)) {
        const GCountedPtr stored = records->CurrentRef();
        if (stored && stored->IsA() == id && stored->SerialNumber() == serial) {
          break;
        }
      }
      if (!more) {
        break;
      }
    }
    more = records->Advance() != 0;
  }
  return command;
}

bool GPeripheral::ChangedInPlace(const GCommand& /*command*/) const {
  return false;
}

void GPeripheral::MergeGraphicBundle(GState* bundle) {
  if (bundle == nullptr) {
    return;
  }
  if (GState* group = InitStates(bundle->GetKey())) {
    (void)group->UpdateFrom(bundle);
  }
}

inline GState** GPeripheral::CachedGroup(std::uint32_t key) {
  switch (key) {
    case vel::key::kGraphicsGroup:
      return &graphics_group_;
    case vel::key::kPageGroup:
      return &page_group_;
    case vel::key::kDocumentGroup:
      return &document_group_;
    default:
      return nullptr;
  }
}

GState* GPeripheral::InitStatesSlowly(std::uint32_t key) {
  auto* job = static_cast<GState*>(job_state_.Get());
  if (job == nullptr) {
    return nullptr;
  }
  GState** cached = CachedGroup(key);
  if (cached == nullptr) {
    return job;
  }
  if (*cached != nullptr) {
    return *cached;
  }
  return FindGroup(*job, key, *cached);
}

// Kept out of InitStates, which answers the cached group several times a command.
[[gnu::noinline]] GState* GPeripheral::FindGroup(GState& job, std::uint32_t key, GState*& cached) {
  auto* group = dynamic_cast<GState*>(job.FindByKey(key));
  if (group == nullptr) {
    group = NewState(key);
    if (group == nullptr) {
      return nullptr;
    }
    job.Add(group);
  }
  cached = group;
  return group;
}

void GPeripheral::AttachState(std::uint32_t key) {
  GState* group = InitStates(key);
  if (group == nullptr) {
    return;
  }
  if (key == vel::key::kGraphicsGroup) {
    GBaseObject* found = group->FindByClassId(vel::classid::kGTransformAttribute);
    if (GAttribute* transform = found != nullptr ? found->AsAttribute() : nullptr) {
      if (transform->GetEnabled() != 0) {
        (void)transform->Accept(*this);
        group->EnableAll();
        transform->SetEnabled(0);
      }
    }
  }
  // Every command of a job runs through here once per stage, so the walk is lean: one virtual
  // call for the kind, the count read again after each handler (which may change the group), and
  // only a nested group held while it replays (a leaf's Accept touches nothing of itself after its
  // handler returns).
  const GCountedPtrArray& children = group->Children();
  for (std::uint32_t i = 0; i < children.Count(); ++i) {
    GBaseObject* child = children.TargetAt(i);
    GAttribute* attribute = child != nullptr ? child->AsAttribute() : nullptr;
    if (attribute == nullptr || attribute->GetEnabled() == 0) {
      continue;
    }
    if (attribute->AsComposite() != nullptr) {
      const GCountedPtr held = children.At(i);
      (void)attribute->Accept(*this);
    } else {
      (void)attribute->Accept(*this);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// States, configuration, listeners

GState* GPeripheral::JobState() const {
  return static_cast<GState*>(job_state_.Get());
}

GState* GPeripheral::PageState() const {
  return static_cast<GState*>(page_state_.Get());
}

GConfiguration* GPeripheral::Configuration() const {
  return static_cast<GConfiguration*>(configuration_.Get());
}

void GPeripheral::ClearGroupCache() {
  graphics_group_ = nullptr;
  page_group_ = nullptr;
  document_group_ = nullptr;
}

void GPeripheral::SetPageState(GState* state) {
  if (state != nullptr) {
    state->SetKey(vel::key::kPeripheralState);
  }
  page_state_ = GCountedPtr(state);
}

void GPeripheral::SetJobState(GState* state) {
  if (state != nullptr) {
    state->SetKey(vel::key::kPeripheralState);
  }
  job_state_ = GCountedPtr(state);
  ClearGroupCache();
}

void GPeripheral::SetConfiguration(GConfiguration* configuration) {
  configuration_ = GCountedPtr(configuration);
  Update(this);
}

bool GPeripheral::SameReference(const GCountedPtr& mine, const GCountedPtr& theirs) {
  if (!mine || !theirs) {
    return !mine && !theirs;
  }
  return !mine->IsDifferentKey(theirs.Get());
}

GBaseObject* GPeripheral::TakeOut(GCountedPtr& reference, GBaseObject* replacement) {
  GCountedPtr old = std::move(reference);
  reference = GCountedPtr(replacement);
  if (!old) {
    return nullptr;
  }
  return vel::HandBackRemovedChild(std::move(old));
}

GState* GPeripheral::GetPageStateRef() {
  return static_cast<GState*>(TakeOut(page_state_, NewState(vel::key::kPeripheralState)));
}

GState* GPeripheral::GetJobStateRef() {
  auto* state = static_cast<GState*>(TakeOut(job_state_, NewState(vel::key::kPeripheralState)));
  ClearGroupCache();
  return state;
}

GBaseObject* GPeripheral::GetConfigurationRef() {
  GBaseObject* configuration = TakeOut(configuration_, NewConfiguration());
  Update(this);
  return configuration;
}

void GPeripheral::Reset() {
  Enable();
  job_state_ = GCountedPtr(page_state_.CopyTarget());
  ClearGroupCache();
  Update(this);
  DropOutputChannel();
}

void GPeripheral::SetName(const RWCString& name) {
  name_ = name;
}

void GPeripheral::SetAddOnSettings(std::uint32_t list_key, std::int32_t kind, std::int32_t mode) {
  add_on_list_key_ = list_key;
  add_on_kind_ = kind;
  add_on_mode_ = mode;
}

void GPeripheral::AddListener(GPeripheral* listener) {
  listeners_.peripherals.push_back(listener);
}

void GPeripheral::RemoveListener(GPeripheral* listener) {
  auto& list = listeners_.peripherals;
  if (const auto found = std::find(list.begin(), list.end(), listener); found != list.end()) {
    list.erase(found);
  }
}

void GPeripheral::Update(GPeripheral* /*changed*/) {
  // By index: a listener's update may not change this list, but it must not invalidate the walk
  // if it does.
  for (std::size_t i = 0; i < listeners_.peripherals.size(); ++i) {
    listeners_.peripherals[i]->Update(this);
  }
}

// ---------------------------------------------------------------------------------------------
// The output channel and the document state

void GPeripheral::SetOutputChannel(GOutputPort* channel, bool owned) {
  if (channel != channel_) {
    DropOutputChannel();
  }
  channel_ = channel;
  channel_owned_ = channel != nullptr && owned ? 1 : 0;
}

void GPeripheral::DropOutputChannel() {
  if (channel_owned_ != 0) {
    delete channel_;
  }
  channel_ = nullptr;
  channel_owned_ = 0;
}

std::uint16_t GPeripheral::HandleDocumentStart(GDocumentStart& /*object*/) {
  SetInDocument();
  return 0;
}

std::uint16_t GPeripheral::HandleDocumentEnd(GDocumentEnd& /*object*/) {
  SetIdle();
  if (channel_owned_ == 0) {
    channel_ = nullptr;
  }
  return 0;
}

std::uint16_t GPeripheral::HandlePageStart(GPageStart& /*object*/) {
  SetInPage();
  return 0;
}

std::uint16_t GPeripheral::HandlePageEnd(GPageEnd& /*object*/) {
  SetInDocument();
  return 0;
}

std::uint16_t GPeripheral::HandleJobAbort(GJobAbort& /*object*/) {
  SetIdle();
  if (channel_owned_ != 0 && channel_ != nullptr) {
    return channel_->Close();
  }
  channel_ = nullptr;
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GPeripheral::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  std::uint32_t size = GAttribute::StoredByteCount() + vel::kClassVersionSize +
                       page_state_.StoredByteCount() + job_state_.StoredByteCount() +
                       configuration_.StoredByteCount() + kListHeaderSize;
  RWSaveTableScope table(RWSaveTable::Purpose::kSize);
  std::uint32_t index = 0;
  if (table.Table() != nullptr &&
      table.Table()->Add(&listeners_, index) == RWSaveTable::Outcome::kNew) {
    for (const GPeripheral* listener : listeners_.peripherals) {
      size += RWTotalStoredSize(listener);
    }
  }
  return size + 4 + static_cast<std::uint32_t>(name_.Length()) + 12;
}

template <typename Carrier>
void GPeripheral::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  page_state_.SaveContents(carrier);
  job_state_.SaveContents(carrier);
  configuration_.SaveContents(carrier);
  RWSaveTableScope table(RWSaveTable::Purpose::kSave);
  std::uint32_t index = 0;
  const RWSaveTable::Outcome outcome = table.Table() != nullptr
                                           ? table.Table()->Add(&listeners_, index)
                                           : RWSaveTable::Outcome::kNoMemory;
  if (outcome == RWSaveTable::Outcome::kKnown) {
    WriteTag(carrier, kListReference);
    vel::WriteField(carrier, index);
  } else {
    WriteTag(carrier, kNewList);
    vel::WriteField(carrier, static_cast<std::uint32_t>(listeners_.peripherals.size()));
    for (const GPeripheral* listener : listeners_.peripherals) {
      carrier << static_cast<const RWCollectable*>(listener);
    }
  }
  vel::WriteString(carrier, name_);
  vel::WriteField(carrier, add_on_list_key_);
  vel::WriteField(carrier, add_on_kind_);
  vel::WriteField(carrier, add_on_mode_);
}

void GPeripheral::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GPeripheral::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
bool GPeripheral::RestoreListeners(Carrier& carrier) {
  listeners_.peripherals.clear();
  char tag = 0;
  if (!ReadTag(carrier, tag)) {
    vel::FailCarrier(carrier);
    return false;
  }
  RWLoadTableScope scope;
  RWLoadTable* table = scope.Table();
  if (table == nullptr) {
    vel::FailCarrier(carrier);
    return false;
  }
  if (tag == kListReference) {
    std::uint32_t index = 0;
    if (!vel::ReadField(carrier, index)) {
      vel::FailCarrier(carrier);
      return false;
    }
    RWCollectable* named = nullptr;
    if (index > 0x7FFFFFFFu || !table->ResolveObject(static_cast<std::int32_t>(index), named) ||
        named != &listeners_) {
      BadReference(carrier);
      return false;
    }
    return true;
  }
  if (tag != kNewList) {
    BadReference(carrier);
    return false;
  }
  std::uint32_t count = 0;
  if (!table->AppendObject(&listeners_, false) || !vel::ReadField(carrier, count)) {
    vel::FailCarrier(carrier);
    return false;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    RWRestoredMember member(carrier, this);
    if (!vel::CarrierGood(carrier)) {
      member.Keep(RWHold::kRefuses);
      listeners_.peripherals.clear();
      return false;
    }
    // A listener is a composite that holds this stage, and so a record still being read around
    // this one; a new record, a null, another kind of object, a stage read before and not around
    // this one, or this stage itself cannot be one (and a cycle of listeners cannot be read).
    auto* listener = dynamic_cast<GPeripheral*>(member.Object());
    if (listener == nullptr || listener == this || member.IsNew() || !member.NamesOpenRecord()) {
      member.Keep(RWHold::kRefuses);
      listeners_.peripherals.clear();
      BadReference(carrier);
      return false;
    }
    member.Keep(RWHold::kHolds);
    listeners_.peripherals.push_back(listener);
  }
  return true;
}

template <typename Carrier>
void GPeripheral::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  // The groups are looked up again in the job state the stage holds after the restore, whether it
  // replaced the states or stopped before.
  ClearGroupCache();
  GAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  if (!vel::RestoreHeldReference(carrier, vel::classid::kGState, page_state_)) {
    return;
  }
  if (!vel::RestoreHeldReference(carrier, vel::classid::kGState, job_state_)) {
    return;
  }
  if (!vel::RestoreHeldReference(carrier, vel::classid::kGConfiguration, configuration_)) {
    return;
  }
  if (!RestoreListeners(carrier)) {
    return;
  }
  RWCString name;
  std::uint32_t list_key = 0;
  std::int32_t kind = 0;
  std::int32_t mode = 0;
  if (!vel::ReadString(carrier, name) || !vel::ReadField(carrier, list_key) ||
      !vel::ReadField(carrier, kind) || !vel::ReadField(carrier, mode)) {
    vel::FailCarrier(carrier);
    return;
  }
  name_ = name;
  SetAddOnSettings(list_key, kind, mode);
}

void GPeripheral::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPeripheral::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GPeripheral::ForgetRestoredMembers() {
  listeners_.peripherals.clear();
}
