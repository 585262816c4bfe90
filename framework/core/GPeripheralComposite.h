// GPeripheralComposite: a stage that owns an ordered chain of child stages and runs every command
// through them as a pipeline: the first enabled child processes the command, the next enabled
// child processes what the first returned, and so on; the composite answers what the last one
// returned. It never merges bundles, attaches state or calls its own handlers: each child does
// that for itself. A document start installs the composite's add-on proxies in front of the
// children first (BeginUpdate), and a document end or job abort coming out of the chain removes
// them (EndUpdate).
//
// Children are held by counted references (shared, not copied, by a copy of the composite), and
// the composite is listed among each child's listeners from its insertion to its removal, so a
// child's change reaches it through Update. A child that is running a command stays alive until it
// returns, even when the chain drops it meanwhile: every operation that takes children out of the
// list (the removals, Clear, assignment, a restore, and a removal or replacement through the
// iterator CreateIterator hands out) first holds the running children, so the pipeline itself
// changes no reference count per command. Update rebuilds the configuration of the stage as the
// composite's own configuration followed by each child's, in child order.
//
// Besides the stage's states the composite keeps its own job state, page state and configuration
// (the own configuration is a group with key 198 until a GConfiguration is set).
//
// Stored form (after the stage part):
//   u32  class version word, 1
//        the child list as an object record (an MPersistentComposite)
//        the own job state, own page state and own configuration, each as an object record
// A child that is not a stage, an own state that is not a GState or an own configuration that is
// no group fails the carrier and leaves the composite without children.
#pragma once

#include <cstdint>

#include "framework/core/GCountedPtr.h"
#include "framework/core/GPeripheral.h"
#include "framework/core/MPersistentComposite.h"

class GPeripheralComposite : public GPeripheral {
 public:
  // The stage part as the GPeripheral constructors make it, then new own states (key 243), a new
  // own configuration (a GState with key 198) and no children.
  GPeripheralComposite();
  explicit GPeripheralComposite(std::uint32_t key);
  GPeripheralComposite(const RWCString& name,
                       GState* page_state,
                       GConfiguration* configuration,
                       std::uint32_t key,
                       std::uint32_t add_on_list_key,
                       std::int32_t add_on_kind,
                       std::int32_t add_on_mode);
  // The stage copy; the same children and the same three own objects (shared). The copy is not
  // among the children's listeners.
  GPeripheralComposite(const GPeripheralComposite& other);
  // The same; nothing for self-assignment or when `other` is not different by key.
  GPeripheralComposite& operator=(const GPeripheralComposite& other);
  // Takes itself out of its children's listener lists and releases them (each child goes with its
  // last reference).
  ~GPeripheralComposite() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The stage part + 4 + the child list's record + the three own references' records.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: the listener list and the children (Clear).
  void ForgetRestoredMembers() override;
  // 770, 760, 753, 751.
  bool IsKindOf(RWClassID id) const override;
  // The same class, the stage parts the same, the own objects both absent or not different by key,
  // and equal child lists.
  bool IsSameKey(const GBaseObject* other) const override;

  // Insert: a stage is appended to the children (the composite takes it over), the composite is
  // added to its listeners and Update runs. Anything else is destroyed (unless a counted reference
  // or the child list holds it) and nothing changes; the composite itself is refused.
  void Add(GBaseObject* object) override;
  // Removals: the first match (searched as the child list searches) is taken out and handed to
  // the caller (the object itself when the composite held its last reference, else a copy); a
  // direct child no longer lists the composite and Update runs. Null when nothing matched; removal
  // by object refuses an object that is not a stage.
  GBaseObject* RemoveObject(const GBaseObject* object) override;
  GBaseObject* RemoveByKey(std::uint32_t key) override;
  GBaseObject* RemoveByClassId(RWClassID id) override;
  // Takes the composite out of every child's listeners, then drops the children.
  void Clear() override;
  GBaseObject* FindByKey(std::uint32_t key) const override;
  GBaseObject* FindByClassId(RWClassID id) const override;
  GBaseObject* FindEqual(const GBaseObject* object) const override;
  GBaseObject* FindKindOf(RWClassID id) const override;
  GBaseObject* CollectByClassId(RWClassID id, GBaseObject* collection) const override;
  GBaseObject* CollectByKey(std::uint32_t key, GBaseObject* collection) const override;
  GBaseObject* FindAllByKey(std::uint32_t key) const override;
  GBaseObject* FindAllByClassId(RWClassID id) const override;
  GBaseObject* CollectKindOf(RWClassID id, GBaseObject* collection) const override;
  GBaseObject* FindAllKindOf(RWClassID id) const override;
  // The child list.
  const GBaseObject* AsComposite() const override { return &children_; }
  std::uint32_t Count() const override { return children_.Count(); }
  std::uint32_t TotalCount() const override { return children_.TotalCount(); }
  // An iterator over the children. Taking the current child out through it (RemoveCurrent) is
  // RemoveChildAt, putting another stage in its place (ReplaceCurrent, ReplaceCurrentRef) is
  // ReplaceChildAt; an object that is no stage, or the composite itself, is refused there (and
  // destroyed, by ReplaceCurrent, unless a counted reference holds it).
  GIterator* CreateIterator() const override;
  // A copy holding deep copies of the own objects and of every child (inserted in order). Its
  // stage job and page states are shared with this composite; its stage configuration is a new
  // one, which its Update fills.
  GBaseObject* DeepCopy() const override;

  // The pipeline (see the top of this file). A disabled composite answers the command unchanged.
  GCommand* ProcessCommand(GCommand* command) override;
  // Key 243; held both as stage and as own page state.
  void SetPageState(GState* state) override;
  // Key 243; held both as stage and as own job state; the cached groups are cleared.
  void SetJobState(GState* state) override;
  // Held as own configuration, then Update.
  void SetConfiguration(GConfiguration* configuration) override;
  // Takes the own configuration out (the object itself when only the composite held it, else a
  // copy), puts a new GConfiguration (key 198) in its place and runs Update.
  GBaseObject* GetConfigurationRef() override;
  // Resets every child in order; the stage page state becomes the own page state and the own job
  // state a deep copy of it; then the stage's Reset.
  void Reset() override;
  // Rebuilds the stage configuration (cleared; the own configuration, then each child's, in child
  // order), then tells the listeners.
  void Update(GPeripheral* changed) override;

  GState* OwnJobState() const;
  GState* OwnPageState() const;
  GBaseObject* OwnConfiguration() const { return own_configuration_.Get(); }
  const MPersistentComposite& Children() const { return children_; }
  // The child at `index` (null past the end, and for a child that is no stage).
  GPeripheral* ChildAt(std::uint32_t index) const;

  static RWClassID ClassId();
  static const char* ClassName() { return "GPeripheralComposite"; }
  static RWCollectable* Create();

 protected:
  // The stage configuration cleared and filled again: the own configuration, then each child's,
  // in child order.
  void RebuildConfiguration();
  // New job and page states (key 243), merged from the own states and then from each child's, in
  // child order, become this stage's and every child's states (the cached groups cleared). False,
  // with nothing changed, when a state cannot be allocated.
  bool RebuildSharedStates();
  // The child entry at `index` taken out as the removals do it: the child no longer lists the
  // composite, the running children are held first (a running child lives until it returns), the
  // list lets go of its reference, and Update runs. Nothing past the end.
  virtual void RemoveChildAt(std::uint32_t index);
  // The stage `child` put in the entry at `index` in the same way: the old child no longer lists
  // the composite, the running children are held, the entry holds `child`, which lists the
  // composite, and Update runs. False, with nothing changed, past the end, for an empty reference,
  // the composite itself, or an object that is no stage.
  virtual bool ReplaceChildAt(std::uint32_t index, const GCountedPtr& child);

 private:
  // A child running a command, innermost first (a child may send a command through the chain
  // again). `hold` stays empty until the chain changes under the child.
  struct Running {
    Running(GPeripheralComposite& composite, GPeripheral* running_child)
        : owner(composite), child(running_child), outer(composite.running_) {
      owner.running_ = this;
    }
    ~Running() { owner.running_ = outer; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    GPeripheralComposite& owner;
    GPeripheral* child;
    Running* outer;
    GCountedPtr hold;
  };

  class ChildIterator;

  // Holds every running child not held yet: called before the child list loses a child.
  void KeepRunningChildren();
  void MakeOwnObjects();
  // Takes the composite out of the listener lists of its direct children.
  void LeaveChildren();
  // What a removal does once it has found its target among the children.
  GBaseObject* RemoveFound(const GBaseObject* target);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  MPersistentComposite children_;
  Running* running_ = nullptr;
  GCountedPtr own_job_state_;
  GCountedPtr own_page_state_;
  GCountedPtr own_configuration_;
};
