// GPJL: the PJL job envelope, the stage of the chain that wraps a print job in PJL. At the document
// start it builds the whole job header as one text and writes it to the output channel in a single
// write:
//   ESC%-12345X @PJL JOB NAME="<name>" CR LF
//   @PJL SET <setting> CR LF                  one line per job setting (see GPJL.cpp)
//   @PJL ENTER LANGUAGE=<language> CR LF
// and at the document end, after its children have seen the end, the trailer
//   ESC%-12345X @PJL EOJ NAME="<name>" CR LF ESC%-12345X
// It reacts to the document start, the document end and the job abort only; every other command
// passes through untouched, and its children see the document start and end only.
//
// Quoted values (job name, user name, private-job key) go through the one PJL check
// (PJLQuotedValue): a value with a double quote or a control byte other than TAB is written
// empty, so it cannot end its line early.
//
// Channel: a document start that carries a channel is written through it; one that carries none
// makes GPJL open one (OpenDocumentChannel), which it then owns: it ends the channel's job at the
// document end, closes it at a job abort, and deletes it at its next document start.
//
// Stored form (after the peripheral composite's part):
//   u32  class version word, 1
//        the media state (a GState), as an object record
//   u32  job name length, then its bytes
#pragma once

#include <cstdint>

#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GState.h"
#include "rw/RWCString.h"

class GPJL : public GPeripheralComposite {
 public:
  // Empty media state and job name; three empty groups (244, 256, 246) in the page state and in
  // the job state.
  GPJL();
  explicit GPJL(std::uint32_t key);
  // The composite's eight-argument form; a group of each key is added to the job state only when
  // it has none yet, and the page state is left alone.
  GPJL(const RWCString& name,
       GState* page_state,
       GConfiguration* configuration,
       std::uint32_t key,
       std::uint32_t add_on_list_key,
       std::int32_t add_on_kind,
       std::int32_t add_on_mode);
  // The composite copy; the media state's attributes shared; the job name.
  GPJL(const GPJL& other);
  GPJL& operator=(const GPJL& other);
  ~GPJL() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The composite's + 4 + the media state's record + 4 + the job name's length.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 769, 770, 760, 753, 751.
  bool IsKindOf(RWClassID id) const override;
  // The composite part, the media state and the job name.
  bool IsSameKey(const GBaseObject* other) const override;
  // Accepted as an attribute: the handlers' HandlePJL.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  // A document start, end or job abort is handled (Accept with this stage); a non-zero status
  // answers a new GErrorCommand (status, command) in its place. Every other command is answered
  // unchanged.
  GCommand* ProcessCommand(GCommand* command) override;
  // Rebuilds the configuration (own, then each child's) and the job and page states (own, then
  // each child's), hands the new states to the children and tells the listeners.
  void Update(GPeripheral* changed) override;

  // The header (see the top of this file); 601 without a usable channel, a failing job start's or
  // write's status. The children see the document start before the header is written.
  [[nodiscard]] std::uint16_t HandleDocumentStart(GDocumentStart& object) override;
  // Idle; the children see the document end; then the trailer in one write (its failing status is
  // the answer); then, for an owned channel, the channel's job end.
  [[nodiscard]] std::uint16_t HandleDocumentEnd(GDocumentEnd& object) override;
  // Idle; an owned channel is closed. Always 0; nothing is written.
  [[nodiscard]] std::uint16_t HandleJobAbort(GJobAbort& object) override;
  [[nodiscard]] std::uint16_t HandleValueAttribute(GValueAttribute& object) override;
  [[nodiscard]] std::uint16_t HandleStringAttribute(GStringAttribute& object) override;
  [[nodiscard]] std::uint16_t HandleEnumAttribute(GEnumAttribute& object) override;
  [[nodiscard]] std::uint16_t HandleRangeAttribute(GRangeAttribute& object) override;
  [[nodiscard]] std::uint16_t HandleKestrix(GKestrix& object) override;
  [[nodiscard]] std::uint16_t HandlePostScript(GPostScript& object) override;
  // A copy of the media joins the media state.
  [[nodiscard]] std::uint16_t HandleMedia(GMedia& object) override;

  // The job name of the last document start (empty when the name failed the PJL check).
  const RWCString& GetJobName() const { return job_name_; }
  const GState& MediaState() const { return media_state_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GPJL"; }
  static RWCollectable* Create();

 private:
  void AddGroups(bool only_missing);
  // Hands `command` to each child's ProcessCommand, in child order; their answers are dropped.
  void PassToChildren(GCommand& command);
  // The "@PJL SET" lines of the job settings, in header order (steps after the job line).
  void AppendSettings(RWCString& header);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  GState media_state_;
  RWCString job_name_;
};
