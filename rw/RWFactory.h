// The class factory: the process-wide registry from which a restore makes an empty object of the
// class a stored record names, by its 16-bit class id or by its string id (class name).
//
// Each registered class has one id entry and one string entry in a hashed set. The first
// registration of an id (or a name) wins; a later one is ignored without a message. Unknown ids
// and names are no error here: the answers are null, "NoID" and 0x8000. The factory is made by the
// first registration and deleted when its last entry is removed.
//
// Registration is explicit: each library has one call that registers its persistent classes (for
// this library RWRegisterFoundationClasses), made when a module starts and by every test program;
// the matching call at unload removes them.
//
// Threads: every operation, the id translations included, runs under one static lock that also
// guards the pointer to the factory; create functions are called after it is released, so a
// create function may use the factory itself. CreateByClassId keeps the answers it found on each
// thread and uses them without the lock until any factory changes (a registration or removal).
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWCollectable.h"
#include "rw/RWSet.h"
#include "rw/RWStringID.h"

// Makes a new default object of its class (owned by the caller), or null.
using RWUserCreator = RWCollectable* (*)();

// The factory's id entry: hashes as its class id and matches an id entry with the same id.
class RWFactoryIdEntry : public RWCollectable {
 public:
  RWFactoryIdEntry(RWClassID id, RWUserCreator create, const RWStringID& string_id)
      : id_(id), create_(create), string_id_(string_id) {}

  std::uint32_t Hash() const override { return id_; }
  bool IsEqual(const RWCollectable* other) const override;
  // Does nothing.
  virtual void Unused() const {}

  RWClassID ClassId() const { return id_; }
  RWUserCreator Function() const { return create_; }
  const RWStringID& StringId() const { return string_id_; }

 private:
  RWClassID id_;
  RWUserCreator create_;
  RWStringID string_id_;
};

// The factory's string entry: hashes as the exact hash of its string id and matches a string
// entry with the same bytes.
class RWFactoryStringEntry : public RWCollectable {
 public:
  RWFactoryStringEntry(RWClassID id, RWUserCreator create, const RWStringID& string_id)
      : id_(id), create_(create), string_id_(string_id) {}

  std::uint32_t Hash() const override { return string_id_.Hash(); }
  bool IsEqual(const RWCollectable* other) const override;
  // Does nothing.
  virtual void Unused() const {}

  RWClassID ClassId() const { return id_; }
  RWUserCreator Function() const { return create_; }
  const RWStringID& StringId() const { return string_id_; }

 private:
  RWClassID id_;
  RWUserCreator create_;
  RWStringID string_id_;
};

class RWFactory {
 public:
  static constexpr std::uint32_t kBuckets = 64;

  RWFactory();
  // Deletes every entry.
  ~RWFactory();
  RWFactory(const RWFactory&) = delete;
  RWFactory& operator=(const RWFactory&) = delete;

  // One id entry and one string entry; an entry equal to one already held is dropped.
  void AddFunction(RWUserCreator create, RWClassID id, const RWStringID& string_id);
  // The same with the string id "NoID".
  void AddFunction(RWUserCreator create, RWClassID id);
  // Removes the id entry (the string entry stays), respectively the string entry.
  void RemoveFunction(RWClassID id);
  void RemoveFunction(const RWStringID& string_id);
  RWUserCreator GetFunction(RWClassID id) const;
  RWUserCreator GetFunction(const RWStringID& string_id) const;
  // A new object from the create function; null when none is registered.
  RWCollectable* Create(RWClassID id) const;
  RWCollectable* Create(const RWStringID& string_id) const;
  // The string id of a class id, or "NoID"; the class id of a string id, or 0x8000.
  RWStringID ClassIdToStringId(RWClassID id) const;
  RWClassID StringIdToClassId(const RWStringID& string_id) const;

  // Entries of both kinds.
  std::uint32_t Entries() const;
  // Calls `visit` for every id entry (in no particular order). `visit` must not change the factory.
  using Visitor = void (*)(const RWFactoryIdEntry& entry, void* client_data);
  void ApplyToClasses(Visitor visit, void* client_data) const;

 private:
  RWSet entries_;
};

// The factory, made on first use.
RWFactory* TheFactory();
// True while the factory exists (it goes away with its last entry).
bool RWFactoryExists();

void AddToFactory(RWUserCreator create, RWClassID id, const RWStringID& string_id);
// The same with the default string id, "No_RWStringID".
void AddToFactory(RWUserCreator create, RWClassID id);
// Remove an entry; when the factory then holds none, it is deleted.
void RemoveFromFactoryById(RWClassID id);
void RemoveFromFactoryByStringId(const RWStringID& string_id);
// A new object of the class, or null when none is registered.
RWCollectable* CreateByClassId(RWClassID id);
RWCollectable* CreateByStringId(const RWStringID& string_id);
// "NoID" when there is no factory; 0x8000 for an unknown name.
RWStringID ClassIdToStringId(RWClassID id);
RWClassID StringIdToClassId(const RWStringID& string_id);

// One persistent class of a library's registration table.
struct RWClassRegistration {
  RWUserCreator create;
  RWClassID id;
  const char* name;  // equal to the class name
};

// Registers, respectively removes (by id, then by string id), every class of a table.
void RWRegisterClasses(const RWClassRegistration* classes, std::size_t count);
void RWUnregisterClasses(const RWClassRegistration* classes, std::size_t count);

// The foundation library's persistent classes: RWCollectable, the collections and the
// associations (abstract classes register nothing).
const RWClassRegistration* RWFoundationClasses(std::size_t* count);
void RWRegisterFoundationClasses();
void RWUnregisterFoundationClasses();
