// GTTFontPool: the pool's lock, its cache of readers and the verdicts that merge and purge them.
#include "framework/output/fonts/GTTFontPool.h"

#include <memory>
#include <new>

#include "framework/core/DriverError.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GSemaphore.h"
#include "framework/core/GStreamHolders.h"
#include "framework/output/fonts/GObjectCache.h"
#include "framework/output/fonts/GTTFontFile.h"
#include "framework/output/fonts/GTTFontReader.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr const char* kUnit = "ttflpool";

std::atomic<GTTFontPool*> g_instance{nullptr};

// The owner being restored for, and the owner being purged for: set only under the pool's lock.
std::uint32_t g_current_owner = 0;
std::uint32_t g_purge_owner = 0;

// Set while this thread holds the pool's lock: a handle restored inside a restore of the pool
// (stored data may put one there) must not ask the pool again, or the thread would wait on itself.
thread_local bool t_holds_pool_lock = false;

GTTFontReader* AsReader(RWCollectable* object) {
  return static_cast<GTTFontReader*>(static_cast<GBaseObject*>(object));
}

void AddReference(GTTFontReader& reader, int delta) {
  reader.SetReferenceCount(static_cast<std::int16_t>(reader.GetReferenceCount() + delta));
}

std::uint32_t StateCallback(RWCollectable* first, RWCollectable* second, std::uint32_t state) {
  switch (state) {
    case 0:
    case 2:
    case 4:
      return 1;
    case 1: {
      GTTFontReader* reader = AsReader(second);
      reader->Lock();
      if (g_purge_owner != 0) {
        (void)reader->RemoveUser(g_purge_owner);
      }
      std::uint32_t verdict = 0;
      if (!reader->HasUsers() && reader->GetReferenceCount() == 1) {
        reader->SetReferenceCount(0);
        verdict = 1;
      }
      reader->Unlock();
      return verdict;
    }
    case 3: {
      GTTFontReader* reader = AsReader(first);
      reader->Lock();
      reader->SetReferenceCount(1);
      if (g_current_owner != 0) {
        (void)reader->AddUser(g_current_owner);
      }
      reader->Unlock();
      return 1;
    }
    case 5: {
      GTTFontReader* restored = AsReader(first);
      GTTFontReader* held = AsReader(second);
      held->Lock();
      restored->Lock();
      std::uint32_t verdict = 0;
      if (held->GetChangeCount() < restored->GetChangeCount()) {
        if (held->GetReferenceCount() < 2) {
          AddReference(*held, -1);
          restored->SetReferenceCount(1);
          if (g_current_owner != 0) {
            (void)restored->AddUser(g_current_owner);
          }
          verdict = 1;
        } else {
          held->AssignFrom(*restored);
          held->SetChangeCount(restored->GetChangeCount());
          if (g_current_owner != 0) {
            (void)held->AddUser(g_current_owner);
          }
        }
      } else if (g_current_owner != 0) {
        (void)held->AddUser(g_current_owner);
      }
      restored->Unlock();
      held->Unlock();
      return verdict;
    }
    case 6: {
      GTTFontReader* a = AsReader(first);
      GTTFontReader* b = AsReader(second);
      return a->GetChangeCount() == b->GetChangeCount() && a->IsSameKey(b) ? 1 : 0;
    }
    default:
      return 0;
  }
}

// The save filter, with the owner id as user data. A reader that passes state 1 stays locked
// while it is written, until state 2.
std::uint32_t SaveFilter(RWCollectable* value, std::uint32_t state, void* user_data) {
  GTTFontReader* reader = AsReader(value);
  const auto owner = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(user_data));
  switch (state) {
    case 0: {
      reader->Lock();
      const bool asked = reader->HasSaveRequest(owner);
      reader->Unlock();
      return asked ? 1 : 0;
    }
    case 1:
      reader->Lock();
      if (reader->HasSaveRequest(owner)) {
        return 1;
      }
      reader->Unlock();
      return 0;
    case 2:
      (void)reader->RemoveSaveRequest(owner);
      reader->Unlock();
      return 0;
    default:
      return 0;
  }
}

GObjectCache* NewCache() {
  return new (std::nothrow) GObjectCache(&StateCallback, GTTFontReader::ClassId());
}

}  // namespace

// Holds the pool's lock for one operation.
class GTTFontPool::PoolLock {
 public:
  explicit PoolLock(GTTFontPool& pool) : lock_(pool.lock_) {
    vel::AcquireOrReport(lock_, kUnit, __LINE__);
    t_holds_pool_lock = true;
  }
  ~PoolLock() {
    t_holds_pool_lock = false;
    vel::ReleaseOrReport(lock_, kUnit, __LINE__);
  }
  PoolLock(const PoolLock&) = delete;
  PoolLock& operator=(const PoolLock&) = delete;

 private:
  GSemaphore* lock_;
};

// An in-use entry: identifies a reader by its address (never stored, so pointer-sized).
struct GTTFontPool::InUse {
  std::uintptr_t reader;
  InUse* next;
};

GTTFontPool::GTTFontPool() : cache_(NewCache()) {
  if (GOSServices* services = GetOSServices()) {
    lock_ = services->CreateSemaphore();
  }
}

GTTFontPool::~GTTFontPool() {
  {
    PoolLock hold(*this);
    ReleaseAllLocked();
    ClearInUse();
  }
  delete cache_;
  delete lock_;
}

GTTFontPool* GTTFontPool::Instance() {
  return g_instance.load();
}

void GTTFontPool::SetInstance(GTTFontPool* pool) {
  g_instance.store(pool);
}

void GTTFontPool::DestroyInstance() {
  delete g_instance.exchange(nullptr);
}

void GTTFontPool::AddInUse(const GTTFontReader* reader) {
  PoolLock hold(*this);
  auto* entry = new (std::nothrow) InUse{reinterpret_cast<std::uintptr_t>(reader), in_use_};
  if (entry != nullptr) {
    in_use_ = entry;
  }
}

bool GTTFontPool::IsInUse(const GTTFontReader* reader) {
  PoolLock hold(*this);
  for (InUse* entry = in_use_; entry != nullptr; entry = entry->next) {
    if (entry->reader == reinterpret_cast<std::uintptr_t>(reader)) {
      return true;
    }
  }
  return false;
}

void GTTFontPool::RemoveInUse(const GTTFontReader* reader) {
  RemoveInUseLocked(reader);
}

void GTTFontPool::RemoveInUseLocked(const GTTFontReader* reader) {
  for (InUse** link = &in_use_; *link != nullptr; link = &(*link)->next) {
    if ((*link)->reader == reinterpret_cast<std::uintptr_t>(reader)) {
      InUse* entry = *link;
      *link = entry->next;
      delete entry;
      return;
    }
  }
}

void GTTFontPool::ClearInUse() {
  while (in_use_ != nullptr) {
    InUse* entry = in_use_;
    in_use_ = entry->next;
    delete entry;
  }
}

void GTTFontPool::ReleaseAllLocked() {
  if (cache_ == nullptr) {
    return;
  }
  std::uint32_t* keys = nullptr;
  const std::uint32_t count = cache_->Keys(keys);
  for (std::uint32_t i = 0; i < count; ++i) {
    GTTFontReader* reader = AsReader(cache_->Remove(keys[i]));
    if (reader == nullptr) {
      continue;
    }
    reader->Lock();
    AddReference(*reader, -1);
    const bool last = reader->GetReferenceCount() <= 0;
    reader->Unlock();
    if (last) {
      RemoveInUseLocked(reader);
      delete reader;
    }
  }
  delete[] keys;
}

void GTTFontPool::Reset() {
  PoolLock hold(*this);
  ReleaseAllLocked();
  ClearInUse();
  delete cache_;
  cache_ = NewCache();
  next_font_id_.store(0);
}

void GTTFontPool::Purge(std::uint32_t owner) {
  PoolLock hold(*this);
  g_purge_owner = owner;
  if (cache_ != nullptr) {
    cache_->Purge();
  }
  g_purge_owner = 0;
}

void GTTFontPool::PurgeAll() {
  PoolLock hold(*this);
  if (cache_ != nullptr) {
    cache_->Purge();
  }
}

int GTTFontPool::Add(GTTFontReader* reader) {
  if (reader == nullptr) {
    return 0;
  }
  PoolLock hold(*this);
  reader->Lock();
  if (cache_ != nullptr && cache_->Insert(reader->GetFontId(), reader) == 1) {
    AddReference(*reader, 1);
  }
  reader->Unlock();
  return 1;
}

GTTFontReader* GTTFontPool::Lookup(std::uint32_t font_id, std::uint32_t change_count) {
  if (t_holds_pool_lock) {
    return nullptr;
  }
  PoolLock hold(*this);
  GTTFontReader* reader = cache_ != nullptr ? AsReader(cache_->Find(font_id)) : nullptr;
  if (reader == nullptr) {
    return nullptr;
  }
  reader->Lock();
  const bool stale = reader->GetChangeCount() < change_count;
  if (!stale) {
    AddReference(*reader, 1);
  }
  reader->Unlock();
  return stale ? nullptr : reader;
}

int GTTFontPool::Release(GTTFontReader* reader) {
  if (reader == nullptr) {
    return 0;
  }
  PoolLock hold(*this);
  reader->Lock();
  const std::int16_t count = reader->GetReferenceCount();
  if (count == 2) {
    if (cache_ != nullptr && cache_->Find(reader->GetFontId()) == reader) {
      RemoveInUseLocked(reader);
    }
    AddReference(*reader, -1);
  } else if (count <= 1) {
    // The last reference: the pool no longer holds the reader, so nothing else can reach it.
    RemoveInUseLocked(reader);
    reader->SetReferenceCount(0);
    reader->Unlock();
    if (cache_ != nullptr && cache_->Find(reader->GetFontId()) == reader) {
      (void)cache_->Remove(reader->GetFontId());
    }
    delete reader;
    return 1;
  } else {
    AddReference(*reader, -1);
  }
  reader->Unlock();
  return 0;
}

GTTFontReader* GTTFontPool::Remove(std::uint32_t font_id) {
  PoolLock hold(*this);
  return cache_ != nullptr ? AsReader(cache_->Remove(font_id)) : nullptr;
}

int GTTFontPool::Drop(std::uint32_t font_id) {
  PoolLock hold(*this);
  GTTFontReader* reader = cache_ != nullptr ? AsReader(cache_->Remove(font_id)) : nullptr;
  if (reader == nullptr) {
    return 0;
  }
  reader->Lock();
  AddReference(*reader, -1);
  const bool last = reader->GetReferenceCount() <= 0;
  reader->Unlock();
  if (last) {
    RemoveInUseLocked(reader);
    delete reader;
  }
  return 1;
}

int GTTFontPool::Contains(std::uint32_t font_id) {
  PoolLock hold(*this);
  return cache_ != nullptr ? cache_->Contains(font_id) : 0;
}

std::uint32_t GTTFontPool::Count() {
  PoolLock hold(*this);
  return cache_ != nullptr ? cache_->Count() : 0;
}

void GTTFontPool::ReleaseAll() {
  PoolLock hold(*this);
  ReleaseAllLocked();
}

GTTFontFile* GTTFontPool::NewFontFile(GTTFontReader* reader) {
  return new (std::nothrow) GTTFontFile(this, reader);
}

int GTTFontPool::Save(RWVirtualOutStream& stream, std::uint32_t owner) {
  PoolLock hold(*this);
  return cache_ != nullptr
             ? cache_->Save(stream, &SaveFilter, reinterpret_cast<void*>(std::uintptr_t{owner}))
             : 0;
}

int GTTFontPool::Save(RWBinaryFile& file, std::uint32_t owner) {
  PoolLock hold(*this);
  return cache_ != nullptr
             ? cache_->Save(file, &SaveFilter, reinterpret_cast<void*>(std::uintptr_t{owner}))
             : 0;
}

int GTTFontPool::Restore(RWVirtualInStream& stream) {
  PoolLock hold(*this);
  return cache_ != nullptr ? cache_->Restore(stream) : 0;
}

int GTTFontPool::Restore(RWBinaryFile& file) {
  PoolLock hold(*this);
  return cache_ != nullptr ? cache_->Restore(file) : 0;
}

int GTTFontPool::SaveToFile(const RWWString& name, std::uint32_t owner) {
  GOSServices* services = GetOSServices();
  if (services == nullptr) {
    return 0;
  }
  std::unique_ptr<GStreamWriterBase> writer(services->CreateFileWriter(name, vel::kBinaryFormat));
  RWVirtualOutStream* stream = writer != nullptr ? writer->Stream() : nullptr;
  if (stream == nullptr || stream->Good() == 0) {
    return 0;
  }
  const int saved = Save(*stream, owner);
  stream->Flush();
  return saved != 0 && stream->Good() != 0 ? 1 : 0;
}

int GTTFontPool::RestoreFromFile(const RWWString& name, std::uint32_t owner) {
  GOSServices* services = GetOSServices();
  if (services == nullptr) {
    return 0;
  }
  std::unique_ptr<GStreamReaderBase> reader(services->CreateFileReader(name, vel::kBinaryFormat));
  RWVirtualInStream* stream = reader != nullptr ? reader->Stream() : nullptr;
  if (stream == nullptr || stream->Good() == 0) {
    return 0;
  }
  PoolLock hold(*this);
  g_current_owner = owner;
  const int restored = cache_ != nullptr ? cache_->Restore(*stream) : 0;
  g_current_owner = 0;
  return restored;
}
