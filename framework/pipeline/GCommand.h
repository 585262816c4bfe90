// GCommand: the abstract base of every display-list command (document, page and job commands,
// markers, pass-through data, command lists and every drawable graphic). A command travels down
// the chain of output stages by double dispatch: a stage hands its typed handlers to the command's
// Accept, and the command calls the one handler that belongs to its own class and answers its
// 16-bit status (0 is success).
//
// Each command may carry a bundle: a counted reference to a keyed GState that describes the state
// in which the command is carried out (a GGraphicBundle for graphics). Whoever attaches a bundle
// gives it the key of its level: 244 graphics, 246 document commands, 256 page commands. Copies of
// a command share its bundle.
//
// Every command class answers IsA with its own class id, IsKindOf with true for its own id, each
// base id up to 601 and 751, and overrides IsSameKey as: the same object is equal; different class
// ids are not; else the base's test and then the class's own fields.
//
// Stored form (after the root part):
//   u32  class version word, 1
//        the bundle as an object record (the nil record for none)
// Every command class then adds its own class version word (1) and its own fields. A restore that
// meets another version word keeps the fields it has not read and fails the carrier. A bundle
// record that is not a GState fails the carrier and the bundle stays as it was.
//
// Reference counts of bundles and commands change atomically; a command is otherwise used by one
// job at a time.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/core/GCountedPtr.h"

class GState;
class GTypedHandlers;

class GCommand : public GBaseObject {
 public:
  // No bundle.
  explicit GCommand(std::uint32_t key = 0);
  // `bundle` (null allowed) gains a reference; its key is left alone.
  GCommand(GState* bundle, std::uint32_t key);
  // Root copy; shares the bundle.
  GCommand(const GCommand& other);
  // Root assignment and the bundle reference (nothing for self-assignment or the same bundle).
  GCommand& operator=(const GCommand& other);
  // Drops the bundle reference (the last one deletes it).
  ~GCommand() override;

  // The root part + 4 + the bundle's object record (6 for none).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: lets go of the bundle.
  void ForgetRestoredMembers() override;

  // 601 and 751.
  bool IsKindOf(RWClassID id) const override;
  // Keys equal, and the same bundle (both null included) or two bundles IsSameKey.
  bool IsSameKey(const GBaseObject* other) const override;
  std::uint32_t TotalCount() const override { return 1; }

  // Always 1: the object is a command.
  virtual int IsCommand() const { return 1; }
  // Makes `bundle` the command's bundle: the old one loses the command's reference, the new one
  // gains one (the same bundle again changes nothing); null clears. An object that is not a kind
  // of GState is refused (destroyed unless a counted reference holds it) and the bundle stays.
  // Overrides set the level key.
  virtual void SetGraphicBundle(GBaseObject* bundle);
  // The same from a counted reference; a target that is not a GState is ignored.
  virtual void AssignGraphicBundle(const GCountedPtr& bundle);
  // Lets go of the bundle without deleting it (its reference word back at -1 when the command held
  // its last reference) and hands it to the caller; the command has none.
  virtual GState* ReleaseGraphicBundle();
  // A counted reference to the bundle (empty when none).
  virtual void GetGraphicBundleRef(GCountedPtr& bundle) const;
  // Makes data that copies share private to this command before it is changed. Nothing here.
  virtual void MakeUnique() {}
  // Calls the handler of the command's class with the command and answers its status.
  [[nodiscard]] virtual std::uint16_t Accept(GTypedHandlers& handlers) = 0;

  // The bundle, or null; no reference is added.
  GState* GetGraphicBundle() const;

  static RWClassID ClassId();

 protected:
  // The class test that every IsSameKey override starts with: true when `other` is a command of
  // this object's class.
  bool SameClass(const GBaseObject* other) const;

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  GCountedPtr bundle_;
};
