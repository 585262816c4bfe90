// The class factory and its process-wide functions.
#include "rw/RWFactory.h"

#include <atomic>
#include <cstdint>
#include <new>

#include "rw/RWStaticLock.h"

namespace {

// Guards the factory pointer and every member operation. Recursive, so the process-wide functions
// hold it across their call into the factory.
constinit RWStaticLock g_lock;
RWFactory* g_factory = nullptr;

constexpr const char kNoId[] = "NoID";

// Counts the changes of any factory (and of the factory pointer); changed under the lock only. A
// thread's cached answers for class ids hold while it has not moved.
std::atomic<std::uint64_t> g_generation{1};

void Changed() {
  g_generation.fetch_add(1, std::memory_order_release);
}

// The answers CreateByClassId found on this thread, by class id (direct-mapped): a restore makes
// many objects of a few classes, and a hit costs neither the lock nor a walk of the entries.
struct CachedCreator {
  std::uint64_t generation = 0;  // 0: empty
  RWClassID id = 0;
  RWUserCreator create = nullptr;
};
constexpr std::size_t kCachedCreators = 256;
thread_local CachedCreator t_creators[kCachedCreators];

// Temporary keys for lookups; the create function and the other id play no part in matching.
RWFactoryIdEntry IdKey(RWClassID id) {
  return RWFactoryIdEntry(id, nullptr, RWStringID(kNoId));
}

RWFactoryStringEntry StringKey(const RWStringID& string_id) {
  return RWFactoryStringEntry(kRWUnknownClassId, nullptr, string_id);
}

void DeleteEntry(RWCollectable* entry, void*) {
  delete entry;
}

struct Walk {
  RWFactory::Visitor visit;
  void* client_data;
};

void VisitIdEntry(RWCollectable* entry, void* client_data) {
  if (const auto* id_entry = dynamic_cast<const RWFactoryIdEntry*>(entry)) {
    const auto* walk = static_cast<const Walk*>(client_data);
    walk->visit(*id_entry, walk->client_data);
  }
}

}  // namespace

bool RWFactoryIdEntry::IsEqual(const RWCollectable* other) const {
  const auto* entry = dynamic_cast<const RWFactoryIdEntry*>(other);
  return entry != nullptr && entry->id_ == id_;
}

bool RWFactoryStringEntry::IsEqual(const RWCollectable* other) const {
  const auto* entry = dynamic_cast<const RWFactoryStringEntry*>(other);
  return entry != nullptr && entry->string_id_ == string_id_;
}

RWFactory::RWFactory() : entries_(kBuckets) {}

RWFactory::~RWFactory() {
  RWLockGuard guard(g_lock);
  Changed();
  entries_.Apply(DeleteEntry, nullptr);
  entries_.Clear();
}

void RWFactory::AddFunction(RWUserCreator create, RWClassID id, const RWStringID& string_id) {
  RWLockGuard guard(g_lock);
  Changed();
  if (auto* id_entry = new (std::nothrow) RWFactoryIdEntry(id, create, string_id)) {
    if (entries_.Insert(id_entry) != id_entry) {
      delete id_entry;
    }
  }
  if (auto* string_entry = new (std::nothrow) RWFactoryStringEntry(id, create, string_id)) {
    if (entries_.Insert(string_entry) != string_entry) {
      delete string_entry;
    }
  }
}

void RWFactory::AddFunction(RWUserCreator create, RWClassID id) {
  AddFunction(create, id, RWStringID(kNoId));
}

void RWFactory::RemoveFunction(RWClassID id) {
  RWLockGuard guard(g_lock);
  Changed();
  const RWFactoryIdEntry key = IdKey(id);
  delete entries_.Remove(&key);
}

void RWFactory::RemoveFunction(const RWStringID& string_id) {
  RWLockGuard guard(g_lock);
  Changed();
  const RWFactoryStringEntry key = StringKey(string_id);
  delete entries_.Remove(&key);
}

RWUserCreator RWFactory::GetFunction(RWClassID id) const {
  RWLockGuard guard(g_lock);
  const RWFactoryIdEntry key = IdKey(id);
  const auto* entry = static_cast<const RWFactoryIdEntry*>(entries_.Find(&key));
  return entry != nullptr ? entry->Function() : nullptr;
}

RWUserCreator RWFactory::GetFunction(const RWStringID& string_id) const {
  RWLockGuard guard(g_lock);
  const RWFactoryStringEntry key = StringKey(string_id);
  const auto* entry = static_cast<const RWFactoryStringEntry*>(entries_.Find(&key));
  return entry != nullptr ? entry->Function() : nullptr;
}

RWCollectable* RWFactory::Create(RWClassID id) const {
  const RWUserCreator create = GetFunction(id);
  return create != nullptr ? create() : nullptr;
}

RWCollectable* RWFactory::Create(const RWStringID& string_id) const {
  const RWUserCreator create = GetFunction(string_id);
  return create != nullptr ? create() : nullptr;
}

RWStringID RWFactory::ClassIdToStringId(RWClassID id) const {
  RWLockGuard guard(g_lock);
  const RWFactoryIdEntry key = IdKey(id);
  const auto* entry = static_cast<const RWFactoryIdEntry*>(entries_.Find(&key));
  return entry != nullptr ? entry->StringId() : RWStringID(kNoId);
}

RWClassID RWFactory::StringIdToClassId(const RWStringID& string_id) const {
  RWLockGuard guard(g_lock);
  const RWFactoryStringEntry key = StringKey(string_id);
  const auto* entry = static_cast<const RWFactoryStringEntry*>(entries_.Find(&key));
  return entry != nullptr ? entry->ClassId() : kRWUnknownClassId;
}

std::uint32_t RWFactory::Entries() const {
  RWLockGuard guard(g_lock);
  return entries_.Entries();
}

void RWFactory::ApplyToClasses(Visitor visit, void* client_data) const {
  RWLockGuard guard(g_lock);
  Walk walk{visit, client_data};
  entries_.Apply(VisitIdEntry, &walk);
}

// ---------------------------------------------------------------------------------------------
// Process-wide functions

RWFactory* TheFactory() {
  RWLockGuard guard(g_lock);
  if (g_factory == nullptr) {
    g_factory = new (std::nothrow) RWFactory;
    Changed();
  }
  return g_factory;
}

bool RWFactoryExists() {
  RWLockGuard guard(g_lock);
  return g_factory != nullptr;
}

void AddToFactory(RWUserCreator create, RWClassID id, const RWStringID& string_id) {
  RWLockGuard guard(g_lock);
  if (RWFactory* factory = TheFactory()) {
    factory->AddFunction(create, id, string_id);
  }
}

void AddToFactory(RWUserCreator create, RWClassID id) {
  AddToFactory(create, id, RWStringID());
}

namespace {

// Deletes the factory once it holds nothing. Called under the lock.
void DeleteFactoryWhenEmpty() {
  if (g_factory != nullptr && g_factory->Entries() == 0) {
    delete g_factory;
    g_factory = nullptr;
    Changed();
  }
}

}  // namespace

void RemoveFromFactoryById(RWClassID id) {
  RWLockGuard guard(g_lock);
  if (g_factory != nullptr) {
    g_factory->RemoveFunction(id);
    DeleteFactoryWhenEmpty();
  }
}

void RemoveFromFactoryByStringId(const RWStringID& string_id) {
  RWLockGuard guard(g_lock);
  if (g_factory != nullptr) {
    g_factory->RemoveFunction(string_id);
    DeleteFactoryWhenEmpty();
  }
}

RWCollectable* CreateByClassId(RWClassID id) {
  CachedCreator& cached = t_creators[id % kCachedCreators];
  if (cached.generation == g_generation.load(std::memory_order_acquire) && cached.id == id) {
    return cached.create != nullptr ? cached.create() : nullptr;
  }
  RWUserCreator create = nullptr;
  {
    RWLockGuard guard(g_lock);
    if (g_factory != nullptr) {
      create = g_factory->GetFunction(id);
    }
    // Read under the lock: no change can come between the answer and its generation.
    cached = CachedCreator{g_generation.load(std::memory_order_relaxed), id, create};
  }
  return create != nullptr ? create() : nullptr;
}

RWCollectable* CreateByStringId(const RWStringID& string_id) {
  RWUserCreator create = nullptr;
  {
    RWLockGuard guard(g_lock);
    if (g_factory != nullptr) {
      create = g_factory->GetFunction(string_id);
    }
  }
  return create != nullptr ? create() : nullptr;
}

RWStringID ClassIdToStringId(RWClassID id) {
  RWLockGuard guard(g_lock);
  return g_factory != nullptr ? g_factory->ClassIdToStringId(id) : RWStringID(kNoId);
}

RWClassID StringIdToClassId(const RWStringID& string_id) {
  RWLockGuard guard(g_lock);
  return g_factory != nullptr ? g_factory->StringIdToClassId(string_id) : kRWUnknownClassId;
}

void RWRegisterClasses(const RWClassRegistration* classes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    AddToFactory(classes[i].create, classes[i].id, RWStringID(classes[i].name));
  }
}

void RWUnregisterClasses(const RWClassRegistration* classes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    RemoveFromFactoryById(classes[i].id);
    RemoveFromFactoryByStringId(RWStringID(classes[i].name));
  }
}
