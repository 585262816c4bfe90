// GErrorCommand: a failure carried back out of the chain. A stage that cannot carry out a command
// puts an error command in its place, holding the 16-bit status and the failed command; later
// stages pass it on unchanged and the device session that sent the command aborts the job.
//
// The error command holds one counted reference to the failed command, which goes with its last
// reference.
//
// Stored form (after the command part):
//   u32  class version word, 1
//   u16  status
//   i32  1 when a command is held, else 0
//        when 1: the command as an object record
// A restore takes status and command only when every field was read; flag 0 clears the command.
// A record that is not a command, or a flag other than 0 and 1, fails the carrier.
#pragma once

#include <cstdint>

#include "framework/pipeline/GCommand.h"

class GErrorCommand : public GCommand {
 public:
  // Status 0, no command.
  explicit GErrorCommand(std::uint32_t key = 0) : GCommand(key) {}
  // `command` (null allowed) gains a reference.
  GErrorCommand(std::uint16_t status, GCommand* command, std::uint32_t key = 0);
  // Same status; shares the command.
  GErrorCommand(const GErrorCommand& other) = default;
  GErrorCommand& operator=(const GErrorCommand& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The command part + 10, + the held command's object record.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: lets go of the bundle and the command.
  void ForgetRestoredMembers() override;
  bool IsKindOf(RWClassID id) const override;
  // The class, the command test, equal statuses and the same command (by address).
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleErrorCommand.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  std::uint16_t GetStatus() const { return status_; }
  void SetStatus(std::uint16_t status) { status_ = status; }
  // The failed command, or null; no reference is added.
  GCommand* GetCommand() const;
  // Lets go of the command without deleting it (its reference word back at -1 when this was its
  // last reference) and hands it to the caller.
  GCommand* ReleaseCommand();

  static RWClassID ClassId();
  static const char* ClassName() { return "GErrorCommand"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  std::uint16_t status_ = 0;
  GCountedPtr command_;
};
