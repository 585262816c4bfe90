// GPeripheralComposite: the chain of child stages.
#include "framework/core/GPeripheralComposite.h"

#include <new>

#include "framework/core/ChildQueries.h"
#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GIndexedIterator.h"
#include "framework/core/GState.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GCommand.h"
#include "framework/pipeline/HeldRecord.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

// An own configuration: a keyed group of attributes or a configuration.
bool IsConfigurationGroup(const GBaseObject& object) {
  return object.IsKindOf(vel::classid::kGAttributeComposite) ||
         object.IsKindOf(vel::classid::kGConfiguration);
}

}  // namespace

GPeripheralComposite::GPeripheralComposite() {
  MarkSearchesChildren(true);
  MakeOwnObjects();
}

GPeripheralComposite::GPeripheralComposite(std::uint32_t key) : GPeripheral(key) {
  MarkSearchesChildren(true);
  MakeOwnObjects();
}

GPeripheralComposite::GPeripheralComposite(const RWCString& name,
                                           GState* page_state,
                                           GConfiguration* configuration,
                                           std::uint32_t key,
                                           std::uint32_t add_on_list_key,
                                           std::int32_t add_on_kind,
                                           std::int32_t add_on_mode)
    : GPeripheral(name, page_state, configuration, key, add_on_list_key, add_on_kind, add_on_mode) {
  MarkSearchesChildren(true);
  MakeOwnObjects();
}

GPeripheralComposite::GPeripheralComposite(const GPeripheralComposite& other)
    : GPeripheral(other),
      children_(other.children_),
      own_job_state_(other.own_job_state_),
      own_page_state_(other.own_page_state_),
      own_configuration_(other.own_configuration_) {
  MarkSearchesChildren(true);
}

GPeripheralComposite& GPeripheralComposite::operator=(const GPeripheralComposite& other) {
  if (this == &other || !IsDifferentKey(&other)) {
    return *this;
  }
  GPeripheral::operator=(other);
  KeepRunningChildren();
  LeaveChildren();
  children_.Clear();
  for (std::uint32_t i = 0; i < other.children_.Count(); ++i) {
    children_.Add(other.children_.ChildAt(i));
  }
  own_job_state_ = other.own_job_state_;
  own_page_state_ = other.own_page_state_;
  own_configuration_ = other.own_configuration_;
  return *this;
}

GPeripheralComposite::~GPeripheralComposite() {
  MarkSearchesChildren(false);
  LeaveChildren();
}

void GPeripheralComposite::KeepRunningChildren() {
  for (Running* running = running_; running != nullptr; running = running->outer) {
    if (!running->hold) {
      running->hold = GCountedPtr(running->child);
    }
  }
}

void GPeripheralComposite::MakeOwnObjects() {
  own_job_state_ = GCountedPtr(new (std::nothrow) GState(vel::key::kPeripheralState));
  own_page_state_ = GCountedPtr(new (std::nothrow) GState(vel::key::kPeripheralState));
  own_configuration_ = GCountedPtr(new (std::nothrow) GState(vel::key::kPeripheralConfiguration));
}

void GPeripheralComposite::LeaveChildren() {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (GPeripheral* child = ChildAt(i)) {
      child->RemoveListener(this);
    }
  }
}

RWClassID GPeripheralComposite::ClassId() {
  return vel::classid::kGPeripheralComposite;
}

RWCollectable* GPeripheralComposite::Create() {
  return new (std::nothrow) GPeripheralComposite;
}

RWCollectable* GPeripheralComposite::CreateInstance() const {
  return Create();
}

RWCollectable* GPeripheralComposite::Clone() const {
  return new (std::nothrow) GPeripheralComposite(*this);
}

RWClassID GPeripheralComposite::IsA() const {
  return ClassId();
}

bool GPeripheralComposite::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPeripheral::IsKindOf(id);
}

bool GPeripheralComposite::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* composite = dynamic_cast<const GPeripheralComposite*>(other);
  return composite != nullptr && IsA() == other->IsA() && GPeripheral::IsSameKey(other) &&
         SameReference(own_job_state_, composite->own_job_state_) &&
         SameReference(own_page_state_, composite->own_page_state_) &&
         SameReference(own_configuration_, composite->own_configuration_) &&
         children_.IsSameKey(&composite->children_);
}

GPeripheral* GPeripheralComposite::ChildAt(std::uint32_t index) const {
  // Add takes stages only and a restore refuses a list that holds anything else, but a list being
  // refused is still walked (to leave its stages' listener lists): the kind is checked here.
  return index < children_.Count() ? dynamic_cast<GPeripheral*>(children_.ChildAt(index))
                                   : nullptr;
}

GState* GPeripheralComposite::OwnJobState() const {
  return static_cast<GState*>(own_job_state_.Get());
}

GState* GPeripheralComposite::OwnPageState() const {
  return static_cast<GState*>(own_page_state_.Get());
}

// ---------------------------------------------------------------------------------------------
// Children

void GPeripheralComposite::Add(GBaseObject* object) {
  if (object == nullptr || object == this) {
    return;
  }
  auto* peripheral = dynamic_cast<GPeripheral*>(object);
  if (peripheral == nullptr) {
    vel::DestroyRefused(object,
                        children_.Children().IndexOf(object) != GCountedPtrArray::kNotFound);
    return;
  }
  const std::uint32_t before = children_.Count();
  children_.Add(peripheral);
  if (children_.Count() == before) {
    return;  // the list could not take it (and has refused it)
  }
  peripheral->AddListener(this);
  Update(this);
}

GBaseObject* GPeripheralComposite::RemoveFound(const GBaseObject* target) {
  auto* peripheral = const_cast<GPeripheral*>(dynamic_cast<const GPeripheral*>(target));
  if (peripheral == nullptr) {
    return nullptr;
  }
  const bool direct = children_.Children().IndexOf(peripheral) != GCountedPtrArray::kNotFound;
  // Told before the list lets go: when the list held the last reference, the child itself comes
  // back; otherwise a copy does and the child stays with its other holders. A child of a nested
  // composite is that composite's business.
  if (direct) {
    peripheral->RemoveListener(this);
  }
  KeepRunningChildren();
  GBaseObject* removed = children_.RemoveObject(peripheral);
  if (removed == nullptr) {
    if (direct) {
      peripheral->AddListener(this);
    }
    return nullptr;
  }
  Update(this);
  return removed;
}

GBaseObject* GPeripheralComposite::RemoveObject(const GBaseObject* object) {
  return RemoveFound(object);
}

GBaseObject* GPeripheralComposite::RemoveByKey(std::uint32_t key) {
  return RemoveFound(children_.FindByKey(key));
}

GBaseObject* GPeripheralComposite::RemoveByClassId(RWClassID id) {
  return RemoveFound(children_.FindByClassId(id));
}

void GPeripheralComposite::Clear() {
  KeepRunningChildren();
  LeaveChildren();
  children_.Clear();
}

VEL_DEFINE_CHILD_FINDS(GPeripheralComposite, children_)

// The children's iterator: it reads the list as the list's own does, and changes it only through
// the composite, so that a child running a command cannot be freed under itself (it may take
// itself or a sibling out through an iterator of the composite it lists), a child taken out keeps
// no link to the composite, and the chain is rebuilt.
class GPeripheralComposite::ChildIterator final : public GIndexedIterator {
 public:
  explicit ChildIterator(GPeripheralComposite& owner)
      : GIndexedIterator(const_cast<GCountedPtrArray&>(owner.children_.Children())),
        owner_(owner) {}

  void ReplaceCurrent(GBaseObject* object) override {
    auto* stage = dynamic_cast<GPeripheral*>(object);
    if (!HasCurrent() || stage == nullptr || stage == &owner_) {
      vel::DestroyRefused(object, object == &owner_ || (object != nullptr &&
                                                         Children().IndexOf(object) !=
                                                             GCountedPtrArray::kNotFound));
      return;
    }
    (void)Replace(GCountedPtr(object));
  }
  void ReplaceCurrentRef(const GCountedPtr& reference) override { (void)Replace(reference); }
  void RemoveCurrent() override {
    if (!HasCurrent()) {
      return;
    }
    owner_.RemoveChildAt(static_cast<std::uint32_t>(Index()));
    SetIndex(Index() - 1);  // the next Advance gives the child that moved into this place
  }

 private:
  bool Replace(const GCountedPtr& reference) {
    return HasCurrent() && owner_.ReplaceChildAt(static_cast<std::uint32_t>(Index()), reference);
  }

  GPeripheralComposite& owner_;
};

GIterator* GPeripheralComposite::CreateIterator() const {
  return new (std::nothrow) ChildIterator(const_cast<GPeripheralComposite&>(*this));
}

void GPeripheralComposite::RemoveChildAt(std::uint32_t index) {
  if (index >= children_.Count()) {
    return;
  }
  if (GPeripheral* child = ChildAt(index)) {
    child->RemoveListener(this);
  }
  KeepRunningChildren();
  (void)const_cast<GCountedPtrArray&>(children_.Children()).RemoveAt(index);
  Update(this);
}

bool GPeripheralComposite::ReplaceChildAt(std::uint32_t index, const GCountedPtr& child) {
  auto* stage = dynamic_cast<GPeripheral*>(child.Get());
  if (index >= children_.Count() || stage == nullptr || stage == this) {
    return false;
  }
  GCountedPtr old = children_.Children().At(index);
  if (old.Get() == stage) {
    return true;
  }
  if (auto* leaving = dynamic_cast<GPeripheral*>(old.Get())) {
    leaving->RemoveListener(this);
  }
  KeepRunningChildren();
  const_cast<GCountedPtrArray&>(children_.Children()).Set(index, child);
  stage->AddListener(this);
  Update(this);
  return true;  // the old child goes with `old` unless something else holds it
}

GBaseObject* GPeripheralComposite::DeepCopy() const {
  auto* copy = dynamic_cast<GPeripheralComposite*>(Clone());
  if (copy == nullptr) {
    return nullptr;
  }
  copy->own_job_state_ = GCountedPtr(own_job_state_.CopyTarget());
  copy->own_page_state_ = GCountedPtr(own_page_state_.CopyTarget());
  copy->own_configuration_ = GCountedPtr(own_configuration_.CopyTarget());
  // The copy's Update rebuilds its stage configuration in place: shared with this composite, it
  // would be rebuilt from the copy's children under this composite's feet.
  copy->ConfigurationReference() =
      GCountedPtr(new (std::nothrow) GConfiguration(vel::key::kPeripheralConfiguration));
  copy->Clear();
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (const GPeripheral* child = ChildAt(i)) {
      copy->Add(child->DeepCopy());
    }
  }
  return copy;
}

// ---------------------------------------------------------------------------------------------
// The pipeline, states and configuration

GCommand* GPeripheralComposite::ProcessCommand(GCommand* command) {
  if (command == nullptr || !IsEnabled()) {
    return command;
  }
  if (command->IsA() == vel::classid::kGDocumentStart) {
    BeginUpdate();
  }
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    // A running child is held only when processing changes the chain (see Running).
    auto* child = static_cast<GPeripheral*>(children_.Children().TargetAt(i));
    if (child != nullptr && child->IsEnabled()) {
      Running running(*this, child);
      command = child->ProcessCommand(command);
    }
  }
  if (command != nullptr) {
    const RWClassID id = command->IsA();
    if (id == vel::classid::kGDocumentEnd || id == vel::classid::kGJobAbort) {
      EndUpdate();
    }
  }
  return command;
}

void GPeripheralComposite::SetPageState(GState* state) {
  GPeripheral::SetPageState(state);
  own_page_state_ = GCountedPtr(state);
}

void GPeripheralComposite::SetJobState(GState* state) {
  GPeripheral::SetJobState(state);
  own_job_state_ = GCountedPtr(state);
}

void GPeripheralComposite::SetConfiguration(GConfiguration* configuration) {
  own_configuration_ = GCountedPtr(configuration);
  Update(this);
}

GBaseObject* GPeripheralComposite::GetConfigurationRef() {
  GBaseObject* configuration = TakeOut(
      own_configuration_, new (std::nothrow) GConfiguration(vel::key::kPeripheralConfiguration));
  Update(this);
  return configuration;
}

void GPeripheralComposite::Reset() {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    const GCountedPtr held = children_.Children().At(i);
    if (auto* child = static_cast<GPeripheral*>(held.Get())) {
      child->Reset();
    }
  }
  PageStateReference() = own_page_state_;
  own_job_state_ = GCountedPtr(own_page_state_.CopyTarget());
  GPeripheral::Reset();
}

void GPeripheralComposite::Update(GPeripheral* /*changed*/) {
  RebuildConfiguration();
  GPeripheral::Update(this);
}

void GPeripheralComposite::RebuildConfiguration() {
  if (GConfiguration* configuration = Configuration()) {
    configuration->Clear();
    if (GBaseObject* own = own_configuration_.Get(); own != nullptr && own != configuration) {
      configuration->Add(own);
    }
    for (std::uint32_t i = 0; i < children_.Count(); ++i) {
      const GPeripheral* child = ChildAt(i);
      GConfiguration* child_configuration = child != nullptr ? child->Configuration() : nullptr;
      if (child_configuration != nullptr && child_configuration != configuration) {
        configuration->Add(child_configuration);
      }
    }
  }
}

bool GPeripheralComposite::RebuildSharedStates() {
  auto* job_state = new (std::nothrow) GState(vel::key::kPeripheralState);
  auto* page_state = new (std::nothrow) GState(vel::key::kPeripheralState);
  if (job_state == nullptr || page_state == nullptr) {
    delete job_state;
    delete page_state;
    return false;
  }
  job_state->UpdateFrom(OwnJobState());
  page_state->UpdateFrom(OwnPageState());
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (const GPeripheral* child = ChildAt(i)) {
      page_state->UpdateFrom(child->PageState());
      job_state->UpdateFrom(child->JobState());
    }
  }
  GPeripheral::SetJobState(job_state);
  GPeripheral::SetPageState(page_state);
  ClearGroupCache();
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (GPeripheral* child = ChildAt(i)) {
      child->SetPageState(page_state);
      child->SetJobState(job_state);
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GPeripheralComposite::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GPeripheral::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(&children_) +
         own_job_state_.StoredByteCount() + own_page_state_.StoredByteCount() +
         own_configuration_.StoredByteCount();
}

template <typename Carrier>
void GPeripheralComposite::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GPeripheral::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  children_.SaveObject(carrier);
  own_job_state_.SaveContents(carrier);
  own_page_state_.SaveContents(carrier);
  own_configuration_.SaveContents(carrier);
}

void GPeripheralComposite::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GPeripheralComposite::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GPeripheralComposite::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GPeripheral::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  // The list read replaces the children: they stop listing the composite first.
  KeepRunningChildren();
  LeaveChildren();
  RWCollectable* restored = carrier >> static_cast<RWCollectable&>(children_);
  if (restored != &children_ || !vel::CarrierGood(carrier)) {
    Clear();  // the stages read so far list the composite
    vel::FailCarrier(carrier);
    return;
  }
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    const GBaseObject* child = children_.ChildAt(i);
    if (child == nullptr || !child->IsKindOf(vel::classid::kGPeripheral)) {
      // Refused whole: the stages among the children stop listing the composite, the others are
      // never treated as stages.
      Clear();
      vel::FailCarrier(carrier);
      return;
    }
  }
  if (!vel::RestoreHeldReference(carrier, vel::classid::kGState, own_job_state_)) {
    return;
  }
  if (!vel::RestoreHeldReference(carrier, vel::classid::kGState, own_page_state_)) {
    return;
  }
  if (!vel::RestoreHeldReference(carrier, &IsConfigurationGroup, own_configuration_)) {
    return;
  }
}

void GPeripheralComposite::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPeripheralComposite::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GPeripheralComposite::ForgetRestoredMembers() {
  GPeripheral::ForgetRestoredMembers();
  Clear();
}
