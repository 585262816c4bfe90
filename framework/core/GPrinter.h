// GPrinter: the head of the output chain, the stage that the device session hands every command
// to. It owns the job's output channel, which it opens through the provider registry at the
// document start and ends at the document end or job abort, and it routes each command to its two
// children: the PJL job envelope (the child with key 106) and the page-description-language back
// end (the child with key 101), which stand side by side. Document and page ends reach both
// children, the document start too; every other command (page starts, graphics, attributes)
// reaches the language child only.
//
// Routing, by the class of the command (key: the key of the command's bundle, 0 without one):
//   document start  BeginUpdate on the PJL child, then on the language child; the printer's own
//                   HandleDocumentStart (opens the channel and starts its job); then the PJL
//                   child and then the language child: AttachState(key), ProcessCommand
//   document end    language child, then PJL child: AttachState(key), ProcessCommand; the own
//                   HandleDocumentEnd (ends the channel's job); EndUpdate on the language child,
//                   then on the PJL child
//   page end        language child, then PJL child: AttachState(key), ProcessCommand; the own
//                   HandlePageEnd (the channel must still be open)
//   job abort       language child, then PJL child: ProcessCommand; the own HandleJobAbort
//                   (aborts the channel's job); EndUpdate on the language child, then on the PJL
//                   child
//   anything else   language child: AttachState(key); for a page bundle (key 256) every
//                   attribute of the job state's page group is then disabled, so that the
//                   child's own attach does not send it a second time; ProcessCommand
// A missing child is skipped. A non-zero status of the printer's own handler puts a GErrorCommand
// (status, command) in place of the command, unless a child has already answered one (the first
// failure is the one reported); the children pass an error command on unhandled.
//
// Channel: the printer opens one (flags 0, the command's session as owner, its printer name as
// argument), owns it, starts its job with PJL framing off (the PJL child writes the envelope) and
// puts it on the command, where the children find it. A channel that came with the command is
// used, never started, ended or deleted by the printer. An owned channel is deleted at the
// document end, at a job abort and, when still there, at the next document start.
//
// Statuses of the own handlers: 601 no usable channel (none delivered, or not usable) or no
// language child; the channel's job start, job end and abort statuses; 1 at a page end when no
// channel is open for a job.
//
// Stored form (after the composite part):
//   u32  class version word, 1
//   i32  printer flag value (2 by default)
// The two child pointers are not stored: they are looked up again after a restore.
#pragma once

#include <cstdint>

#include "framework/core/GPeripheralComposite.h"

class GPrinter : public GPeripheralComposite {
 public:
  // Flag value 2; Update looks up the children.
  GPrinter();
  explicit GPrinter(std::uint32_t key);
  // The composite with no add-ons (list key 0, kind 5, mode 2).
  GPrinter(const RWCString& name,
           GState* page_state,
           GConfiguration* configuration,
           std::uint32_t key);
  // The composite copy (children shared), the flag value and the two child pointers.
  GPrinter(const GPrinter& other);
  GPrinter& operator=(const GPrinter& other);
  ~GPrinter() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The composite part + 8.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: the composite's, and the child pointers looked up again.
  void ForgetRestoredMembers() override;
  // 761, 770, 760, 753, 751.
  bool IsKindOf(RWClassID id) const override;
  // The same class, the stage parts the same and equal flag values; the children are not
  // compared.
  bool IsSameKey(const GBaseObject* other) const override;

  // Insert as the composite does; a language peripheral (kind 765) first gets a GStringAttribute
  // with key 373 holding its name in its job state.
  void Add(GBaseObject* object) override;
  // Removals as the composite does; a language peripheral being removed first loses the
  // attribute with key 373 from its job state.
  GBaseObject* RemoveObject(const GBaseObject* object) override;
  GBaseObject* RemoveByKey(std::uint32_t key) override;
  GBaseObject* RemoveByClassId(RWClassID id) override;

 protected:
  // The changes through the children's iterator, with the same language name rules: a language
  // peripheral taken out loses attribute 373 first, one put in gets it.
  void RemoveChildAt(std::uint32_t index) override;
  bool ReplaceChildAt(std::uint32_t index, const GCountedPtr& child) override;

 public:

  // The stage's processing (expand, merge the bundle, attach, handle), not the composite's
  // pipeline: HandleCommand routes to the children. A command that its caller holds (as the
  // device session and the chain do) is routed without a hold of the printer's own.
  GCommand* ProcessCommand(GCommand* command) override;
  // The routing (see the top of this file).
  GCommandRef HandleCommand(GCommandRef command) final;
  // Nothing: the printer's states are filled by bundle merging only.
  void AttachState(std::uint32_t key) final;
  // Rebuilds the printer from its children: the configuration (own, then each child's), the two
  // child pointers, new job and page states (key 243) merged from the own states and then from
  // each child's, which become the printer's and every child's states; then the listeners are
  // told.
  void Update(GPeripheral* changed) override;

  [[nodiscard]] std::uint16_t HandleDocumentStart(GDocumentStart& command) override;
  [[nodiscard]] std::uint16_t HandleDocumentEnd(GDocumentEnd& command) override;
  [[nodiscard]] std::uint16_t HandlePageEnd(GPageEnd& command) override;
  [[nodiscard]] std::uint16_t HandleJobAbort(GJobAbort& command) override;

  // A PJL envelope, PCL XL or PostScript back end accepted as an attribute: a copy of it replaces
  // the child of its key (ReplaceChild).
  [[nodiscard]] std::uint16_t HandlePJL(GPJL& object) override;
  [[nodiscard]] std::uint16_t HandleKestrix(GKestrix& object) override;
  [[nodiscard]] std::uint16_t HandlePostScript(GPostScript& object) override;

  // Puts `replacement` (a copy of a peripheral accepted as an attribute, which the printer takes
  // over) in place of the child with `key`: the job state's attribute with that key and the child
  // with that key are removed and deleted, the group caches cleared, the replacement inserted
  // and Update run. Status 0. The handlers of the language and PJL peripherals call it with
  // their copies.
  std::uint16_t ReplaceChild(std::uint32_t key, GPeripheral* replacement);

  virtual bool IsFlagValueOne() const { return flag_value_ == 1; }
  // The printer's name contains "color" in any case.
  virtual bool IsColor() const;

  std::int32_t GetFlagValue() const { return flag_value_; }
  void SetFlagValue(std::int32_t value) { flag_value_ = value; }
  GPeripheral* PJLChild() const { return pjl_; }
  GPeripheral* LanguageChild() const { return language_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GPrinter"; }
  static RWCollectable* Create();

 private:
  // The two children, looked up by key.
  void FindChildren();
  template <typename Peripheral>
  std::uint16_t ReplaceChildByCopy(std::uint32_t key, const Peripheral& object);
  // Takes the attribute with key 373 out of a language peripheral's job state.
  static void ForgetLanguageName(const GBaseObject* child);
  // Gives a language peripheral a GStringAttribute with key 373 holding its name in its job state.
  static void GiveLanguageName(GBaseObject* child);
  // The routing's working result. The handled command stays alive throughout (its caller holds
  // it) for the printer's own handlers; an answer that takes its place is held in `other`. So while
  // nothing replaces the handled command, no reference count changes on the way.
  struct Routed {
    GCommand* handled;
    GCommandRef other;
    GCommand* Current() const { return other ? other.Get() : handled; }
    // `result` in the place of the current answer.
    void Answer(GCommand* result);
  };
  // The routing of `handled` (of class `id`, its bundle's key `key`), which the caller keeps alive
  // until it returns; the answer belongs to the caller, as ProcessCommand's does.
  GCommand* Route(GCommand* handled, RWClassID id, std::uint32_t key);
  // `child`: AttachState(key), then ProcessCommand on the current answer; a missing child is
  // skipped.
  static void Pass(GPeripheral* child, bool attach, std::uint32_t key, Routed& routed);
  // A non-zero `status` of an own handler puts an error command in place of the current answer,
  // unless it already is one.
  static void Fail(std::uint16_t status, Routed& routed);
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  std::int32_t flag_value_ = 2;  // its meaning is the configuration's; only 1 is tested for
  GPeripheral* pjl_ = nullptr;       // not owned
  GPeripheral* language_ = nullptr;  // not owned
};
