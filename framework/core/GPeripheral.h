// GPeripheral: a stage of the output chain, the object that processes display-list commands. The
// printer at the head of the chain, peripheral composites, page filters, the PJL envelope and the
// language back ends are all peripherals.
//
// Dispatch is double: a stage never switches on a command's class, it hands itself to the
// command's Accept and the command calls back the one typed handler of its own class
// (GTypedHandlers). Attributes reach a stage the same way. Every handler answers a 16-bit status
// (0 success); a non-zero status turns the command into a GErrorCommand holding the status and
// the failed command, which the later stages pass on untouched and the device session turns into
// a job abort.
//
// Besides the handlers a stage keeps:
// - a job state (the attributes last sent to it, grouped by bundle key: 244 graphics, 256 page,
//   246 document), a page state (the template from which Reset rebuilds the job state) and a
//   configuration, each held by counted reference; every state given to a stage gets key 243;
// - an output channel with its owned flag: the stage that opened a channel owns it and is the only
//   one that deletes it; a stage that merely uses a channel forgets it at the document end and at
//   a job abort;
// - its listeners (the composites that contain it, not owned), told through Update when it
//   changes;
// - a document state (0 idle, 1 in document, 2 in page), moved by the default handlers of the
//   document and page commands;
// - the settings of add-on libraries: the key of the job-state attribute that lists them, the
//   add-on kind (which entry names the libraries export) and the add-on mode (0 load for each
//   command, 1 load once, 2 none).
// The three group pointers are a cache into the job state, cleared whenever the job state is
// replaced.
//
// Stored form (after the attribute part):
//   u32  class version word, 1
//        the page state, the job state and the configuration, each as an object record (nil
//        record when absent)
//   u8   ':' (0x3A), u32 listener count n, n object records (references to the listeners)
//        -- or --
//   u8   '@' (0x40), u32 index of the list in the table of this save (the list saved before)
//   u32  name length, then the name's bytes
//   u32  add-on list key
//   i32  add-on kind
//   i32  add-on mode
// A listener is always a reference to a stage whose record is still being read (the composite
// that holds this one, around it); any other listener record, an '@' that does not name this list
// and any other tag are bad references: the restore fails soft and the list is left empty. A stage
// held by two composites therefore cannot be stored (the second would be written inside the
// first's child).
//
// One thread at a time uses a stage; reference counts change atomically.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttribute.h"
#include "framework/core/GCountedPtr.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/GCommandRef.h"
#include "rw/RWCString.h"

class GCommand;
class GConfiguration;
class GOutputPort;
class GState;

class GPeripheral : public GAttribute, public GTypedHandlers {
 public:
  // Add-on kinds (which pair of entry names an add-on library exports) and modes.
  static constexpr std::int32_t kAddOnGeneric = 0;
  static constexpr std::int32_t kAddOnPclXl = 1;
  static constexpr std::int32_t kAddOnPcl = 2;
  static constexpr std::int32_t kAddOnPostScript = 3;
  static constexpr std::int32_t kAddOnPJL = 4;
  static constexpr std::int32_t kAddOnNone = 5;
  static constexpr std::int32_t kLoadPerCommand = 0;
  static constexpr std::int32_t kLoadOnce = 1;
  static constexpr std::int32_t kNoAddOns = 2;

  // Document states.
  static constexpr std::int32_t kIdle = 0;
  static constexpr std::int32_t kInDocument = 1;
  static constexpr std::int32_t kInPage = 2;

  // Empty name, no channel, idle, add-on kind 5 and mode 2, new empty job and page states (key
  // 243) and configuration (key 198), enabled.
  GPeripheral();
  explicit GPeripheral(std::uint32_t key);
  // Name and add-on settings as given; the configuration (a new empty one for null) through
  // SetConfiguration, the page state (a new empty one for null) through SetPageState, a new job
  // state, then Reset: the job state starts as a deep copy of the page state.
  GPeripheral(const RWCString& name,
              GState* page_state,
              GConfiguration* configuration,
              std::uint32_t key,
              std::uint32_t add_on_list_key,
              std::int32_t add_on_kind,
              std::int32_t add_on_mode);
  // The attribute part, name, document state, add-on settings and enabled flag; shares the job
  // state, page state and configuration. No channel, no cached groups, and no listeners: a copy is
  // contained in no composite until one inserts it.
  GPeripheral(const GPeripheral& other);
  // The same; nothing for self-assignment or when `other` is not different by key. Listeners and
  // channel stay.
  GPeripheral& operator=(const GPeripheral& other);
  // Deletes an owned channel and releases the three references.
  ~GPeripheral() override;

  // The attribute part + 4 + the three references' records + 5 (list tag and count or index) + the
  // listeners' records + 4 + the name's length + 12.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: the listener list is emptied.
  void ForgetRestoredMembers() override;
  // 760, 753, 751.
  bool IsKindOf(RWClassID id) const override;
  // The attribute parts, names, document states, add-on settings and enabled flags equal, the
  // same listeners in the same order, and the three references both absent or both present and
  // not different by key.
  bool IsSameKey(const GBaseObject* other) const override;
  // A copy whose job state, page state and configuration are deep copies of this one's.
  GBaseObject* DeepCopy() const override;
  // Accepted as an attribute: every top-level attribute of the job state accepts `handlers`, in
  // order; the last non-zero status is the answer. Then this attribute's enabled flag is 0.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  // Runs a command through the stage and answers the result, which belongs to the caller (the
  // command itself, or one made here: an error command, a replacement). A null command, or any
  // command while the stage is disabled, comes back unchanged. Otherwise: a composite command is
  // expanded (ExpandCommand; any other command is not offered to it); a composite, a GNoCommand or
  // a GErrorCommand is then returned as it is; else the command's bundle is merged into the job
  // state (MergeGraphicBundle), the state of the bundle's key (0 without a bundle) is attached
  // (AttachState) and the command is handled (HandleCommand).
  virtual GCommand* ProcessCommand(GCommand* command);
  // Key 243, held as page state (the old one released).
  virtual void SetPageState(GState* state);
  // Key 243, held as job state; the cached groups are cleared.
  virtual void SetJobState(GState* state);
  // Held as configuration, then Update with this stage.
  virtual void SetConfiguration(GConfiguration* configuration);
  // Take the page state (job state, configuration) out and put a new empty one in its place. The
  // caller receives the object itself when the stage held its only reference, otherwise a copy;
  // null when there was none. GetJobStateRef clears the cached groups; GetConfigurationRef ends
  // with Update. A composite's own configuration may still be the keyed group it was made with,
  // so the configuration is handed out as a framework object.
  virtual GState* GetPageStateRef();
  virtual GState* GetJobStateRef();
  virtual GBaseObject* GetConfigurationRef();
  // Enables the stage; the job state becomes a deep copy of the page state; cached groups cleared;
  // Update; an owned channel is deleted; no channel.
  virtual void Reset();
  virtual void SetName(const RWCString& name);
  // Accept with this stage; status 0 answers the command, any other a new GErrorCommand (status,
  // the command, key 0) in its place. The command's reference is handed in and the answer's
  // handed back, so that a command answered unchanged passes along without a reference count
  // changing.
  virtual GCommandRef HandleCommand(GCommandRef command);
  // A composite command is broken up: each child, in order and while the stage stays enabled,
  // goes through ProcessCommand and the result replaces it in the composite. A child whose result
  // is a GErrorCommand ends the walk: later children are not processed and that error command
  // (holding the failed child) is the answer instead of the composite. A command list kept on
  // disk is walked over its records: each is fetched from the file, processed, and a result other
  // than it is written back in its place (ReplaceChild), the walk going on behind that record;
  // so is the record itself when this stage changed it in place (ChangedInPlace). Any other
  // command is answered unchanged.
  virtual GCommandRef ExpandCommand(const GCommandRef& command);
  // Whether the last HandleCommand changed `command` itself (its bundle) while answering it: a
  // walk over a command list kept on disk then writes that record back, since the later stages
  // read the list from the file again. The base changes nothing in place: false.
  virtual bool ChangedInPlace(const GCommand& command) const;
  // Merges a command's bundle into the job state: the group of the bundle's key (InitStates) is
  // updated from it (UpdateFrom). Nothing for null or without a job state.
  virtual void MergeGraphicBundle(GState* bundle);
  // Sends the state of `key` to this stage: every enabled attribute of the group (InitStates), in
  // order, accepts the stage. For the graphics group an enabled transform attribute goes first,
  // after which every attribute of the group is enabled (so all are sent again behind the new
  // transform) and the transform's own flag is cleared. Nothing without a job state.
  virtual void AttachState(std::uint32_t key);
  // Appends a listener (twice when added twice); removes the first entry that holds it.
  virtual void AddListener(GPeripheral* listener);
  virtual void RemoveListener(GPeripheral* listener);
  // Tells every listener, in order, that this stage changed (Update with this stage).
  virtual void Update(GPeripheral* changed);
  // The group of the job state for `key`: for 244, 256 and 246 the cached group, else the job
  // state's child of that key (FindByKey), else a new GState of that key inserted into the job
  // state, which is then cached. Any other key: the job state itself. Null without a job state.
  // (Answered inline for a cached group: a command asks for its groups several times per stage.)
  GState* InitStates(std::uint32_t key) {
    GState* const* cached = key == vel::key::kGraphicsGroup ? &graphics_group_
                            : key == vel::key::kPageGroup   ? &page_group_
                            : key == vel::key::kDocumentGroup ? &document_group_
                                                              : nullptr;
    if (cached != nullptr && *cached != nullptr && job_state_.Get() != nullptr) {
      return *cached;
    }
    return InitStatesSlowly(key);
  }
  virtual void SetInDocument() { state_ = kInDocument; }
  virtual void SetInPage() { state_ = kInPage; }
  virtual void SetIdle() { state_ = kIdle; }
  // The held objects (null after they were taken out).
  virtual GState* JobState() const;
  virtual GState* PageState() const;
  virtual GConfiguration* Configuration() const;
  virtual RWCString GetName() const { return name_; }
  virtual bool IsInDocument() const { return state_ == kInDocument; }
  virtual bool IsInPage() const { return state_ == kInPage; }

  // Document state changes: document start 1, document end 0 (an unowned channel forgotten), page
  // start 2, page end 1; job abort 0, an unowned channel forgotten, and with an owned channel the
  // status of its abort (Close).
  [[nodiscard]] std::uint16_t HandleDocumentStart(GDocumentStart& object) override;
  [[nodiscard]] std::uint16_t HandleDocumentEnd(GDocumentEnd& object) override;
  [[nodiscard]] std::uint16_t HandlePageStart(GPageStart& object) override;
  [[nodiscard]] std::uint16_t HandlePageEnd(GPageEnd& object) override;
  [[nodiscard]] std::uint16_t HandleJobAbort(GJobAbort& object) override;

  bool IsEnabled() const { return enabled_ != 0; }
  void Enable() { enabled_ = 1; }
  void Disable() { enabled_ = 0; }
  // Installs this stage's add-on proxies in front of its children (a document start) and removes
  // them again (a document end or job abort). Nothing with add-on mode 2, for a stage without
  // children, and in the render flavour.
  void BeginUpdate();
  void EndUpdate();

  std::int32_t GetState() const { return state_; }
  GOutputPort* GetOutputChannel() const { return channel_; }
  bool OwnsOutputChannel() const { return channel_owned_ != 0; }
  const std::vector<GPeripheral*>& Listeners() const { return listeners_.peripherals; }
  std::uint32_t GetAddOnListKey() const { return add_on_list_key_; }
  std::int32_t GetAddOnKind() const { return add_on_kind_; }
  std::int32_t GetAddOnMode() const { return add_on_mode_; }
  void SetAddOnSettings(std::uint32_t list_key, std::int32_t kind, std::int32_t mode);

  static RWClassID ClassId();

 protected:
  // Uses `channel`: an owned channel held before is deleted first. With `owned` this stage
  // deletes the channel when it is done with it.
  void SetOutputChannel(GOutputPort* channel, bool owned);
  // Deletes an owned channel; an unowned one is only forgotten. No channel afterwards.
  void DropOutputChannel();
  // Clears the cached groups of the job state.
  void ClearGroupCache();
  // The raw references, for subclasses that keep states of their own beside these.
  GCountedPtr& JobStateReference() { return job_state_; }
  GCountedPtr& PageStateReference() { return page_state_; }
  GCountedPtr& ConfigurationReference() { return configuration_; }
  // The reference's object handed out by the take-out rule of the Get...Ref operations, and
  // `replacement` held in its place.
  static GBaseObject* TakeOut(GCountedPtr& reference, GBaseObject* replacement);
  // Both references empty, or both held and their targets not different by key.
  static bool SameReference(const GCountedPtr& mine, const GCountedPtr& theirs);

 private:
  // The listener list is an object of the save and read tables of its own, so that a second
  // mention of it in one save is a back reference ('@').
  struct ListenerList : public RWCollectable {
    std::vector<GPeripheral*> peripherals;
  };

  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  bool RestoreListeners(Carrier& carrier);
  // Expanding a composite command kept on disk, whose records are fetched and written back
  // through the composite's own operations.
  GCommandRef ExpandCompositeOnDisk(const GCommandRef& command);
  GState** CachedGroup(std::uint32_t key);
  // InitStates for any other case.
  GState* InitStatesSlowly(std::uint32_t key);
  // InitStates for a group not cached yet: found in the job state, or made and inserted there,
  // then cached.
  GState* FindGroup(GState& job, std::uint32_t key, GState*& cached);

  RWCString name_;
  GOutputPort* channel_ = nullptr;
  std::int32_t channel_owned_ = 0;
  ListenerList listeners_;
  GState* graphics_group_ = nullptr;
  GState* page_group_ = nullptr;
  GState* document_group_ = nullptr;
  std::int32_t state_ = kIdle;
  std::uint32_t add_on_list_key_ = 0;
  std::int32_t add_on_kind_ = kAddOnNone;
  std::int32_t add_on_mode_ = kNoAddOns;
  GCountedPtr job_state_;
  GCountedPtr page_state_;
  GCountedPtr configuration_;
  std::int32_t enabled_ = 1;
};
