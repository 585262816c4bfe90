// The driver server (source unit drvrsrvr): the two cookie tables, their spares, the driver data
// read once per file, and the steps the out-of-memory handler takes.
#include "framework/core/GDriverServer.h"

#include <atomic>
#include <memory>
#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GDeviceSession.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GPeripheral.h"
#include "framework/core/GPrinterKey.h"
#include "framework/core/GRenderDevice.h"
#include "framework/core/GResourceMappingList.h"
#include "framework/core/GSemaphore.h"
#include "framework/core/GStreamHolders.h"
#include "rw/RWCollectable.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr const char* kUnit = "drvrsrvr";
constexpr unsigned kUIMark = 1;
constexpr unsigned kRenderMark = 2;

std::atomic<GDriverServer*> g_current{nullptr};

// The tables the calling thread is inside (or entering): their locks must not be waited for again.
thread_local unsigned t_inside = 0;

}  // namespace

bool GDriverServer::Table::Render() const {
  return mark == kRenderMark;
}

bool GDriverServer::Table::Contains(std::uint32_t cookie) {
  for (Entry* e = Bucket(cookie); e != nullptr; e = e->next) {
    if (e->cookie == cookie) {
      return true;
    }
  }
  return false;
}

GDriverServer::Entry* GDriverServer::Table::Unlink(std::uint32_t cookie) {
  for (Entry** link = &Bucket(cookie); *link != nullptr; link = &(*link)->next) {
    if ((*link)->cookie == cookie) {
      Entry* found = *link;
      *link = found->next;
      --count;
      return found;
    }
  }
  return nullptr;
}

GDriverServer::Entry* GDriverServer::Table::UnlinkAll() {
  Entry* all = nullptr;
  for (Entry*& bucket : buckets) {
    while (bucket != nullptr) {
      Entry* e = bucket;
      bucket = e->next;
      e->next = all;
      all = e;
    }
  }
  count = 0;
  return all;
}

// The data read from one driver data file.
struct GDriverServer::DataFile {
  RWWString name;
  GBaseObject* data = nullptr;
  DataFile* next = nullptr;
};

// Holds a table's lock for a scope and marks the thread as inside the table. The mark is set
// before the wait, so that a report of a failing lock does not come back for the same lock.
class GDriverServer::TableLock {
 public:
  TableLock(Table& table, std::int32_t line) : table_(table), line_(line) {
    t_inside |= table_.mark;
    vel::AcquireOrReport(table_.lock, kUnit, line_);
  }
  ~TableLock() {
    vel::ReleaseOrReport(table_.lock, kUnit, line_);
    t_inside &= ~table_.mark;
  }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;

  // True when the calling thread is inside the table already.
  static bool Inside(const Table& table) { return (t_inside & table.mark) != 0; }

 private:
  Table& table_;
  std::int32_t line_;
};

namespace {

// The data lock is a plain lock of the services; no table lock is taken while it is held.
class DataLock {
 public:
  DataLock(GSemaphore* lock, std::int32_t line) : lock_(lock), line_(line) {
    vel::AcquireOrReport(lock_, kUnit, line_);
  }
  ~DataLock() { vel::ReleaseOrReport(lock_, kUnit, line_); }
  DataLock(const DataLock&) = delete;
  DataLock& operator=(const DataLock&) = delete;

 private:
  GSemaphore* lock_;
  std::int32_t line_;
};

template <typename T>
T* CopyOfPart(const GBaseObject* data, std::uint32_t key) {
  const GBaseObject* part = data != nullptr ? data->FindByKey(key) : nullptr;
  if (part == nullptr) {
    return nullptr;
  }
  GBaseObject* copy = part->DeepCopy();
  auto* typed = dynamic_cast<T*>(copy);
  if (typed == nullptr) {
    delete copy;
  }
  return typed;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Life

GDriverServer::GDriverServer()
    : ui_(kUIMark), render_(kRenderMark) {
  if (GDriverServer* previous = g_current.exchange(this)) {
    delete previous;
    g_current.store(this);
  }
  if (GOSServices* services = GetOSServices()) {
    services->CreateLockOnce(&ui_.lock);
    services->CreateLockOnce(&render_.lock);
    services->CreateLockOnce(&data_lock_);
  }
  vel::SetDriverServerSteps(this);
}

GDriverServer::~GDriverServer() {
  RemoveAll();
  ReleaseSpares();
  ForgetData();
  if (vel::DriverServerSteps() == this) {
    vel::SetDriverServerSteps(nullptr);
  }
  GDriverServer* self = this;
  g_current.compare_exchange_strong(self, nullptr);
  delete ui_.lock;
  delete render_.lock;
  delete data_lock_;
}

GDriverServer* CreateDriverServer() {
  if (GDriverServer* current = g_current.load()) {
    return current;
  }
  return new (std::nothrow) GDriverServer;
}

GDriverServer* GetDriverServer() {
  return g_current.load();
}

namespace vel {
void DeleteDriverServer() {
  delete g_current.load();
}
}  // namespace vel

// ---------------------------------------------------------------------------------------------
// Opening and filling

std::uint32_t GDriverServer::StartCookie(const GDeviceSession* object) const {
  const CookieFold fold = cookie_fold_.load();
  const std::uint32_t cookie = fold != nullptr ? fold(object) : object->SessionHash();
  return cookie != 0 ? cookie : 1;
}

GDeviceSession* GDriverServer::Open(Table& table, GPrinterKey* key, std::uint32_t* cookie) {
  std::unique_ptr<GPrinterKey> owned_key(key);
  if (cookie != nullptr) {
    *cookie = 0;
  }
  if (key == nullptr) {
    return nullptr;
  }
  GDeviceSession* object = nullptr;
  {
    TableLock hold(table, __LINE__);
    if (table.spare != nullptr) {
      const std::unique_ptr<GPrinterKey> spare_key(table.spare->GetPrinterKey());
      if (spare_key != nullptr && spare_key->IsSameDriver(*key) != 0) {
        object = table.spare;
        table.spare = nullptr;
        // Nothing of the previous printer's job settings, nor what was kept for it (its
        // installed fonts), carries over.
        object->SetJobAttributeGroup(nullptr);
        object->DeleteOwnedObjects();
        object->Reopen(*key);
      }
    }
  }
  const bool reused = object != nullptr;
  if (!reused) {
    if (GOSServices* services = GetOSServices()) {
      object = table.Render() ? services->CreateRenderDevice(*key)
                              : services->CreateUIDriverObject(*key);
    }
  }
  owned_key.reset();
  if (object == nullptr) {
    return nullptr;
  }
  Fill(*object);

  auto* entry = new (std::nothrow) Entry;
  if (entry == nullptr) {
    delete object;
    return nullptr;
  }
  entry->object = object;
  entry->cookie = StartCookie(object);
  {
    TableLock hold(table, __LINE__);
    while (table.Contains(entry->cookie)) {
      entry->cookie = entry->cookie == 0xFFFFFFFFu ? 1 : entry->cookie + 1;
    }
    entry->next = table.Bucket(entry->cookie);
    table.Bucket(entry->cookie) = entry;
    ++table.count;
    object->SetCookie(entry->cookie);
    if (cookie != nullptr) {
      *cookie = entry->cookie;
    }
  }
  return object;
}

void GDriverServer::Fill(GDeviceSession& object) {
  GPeripheral* head = nullptr;
  GResourceMappingList* media = nullptr;
  GResourceMappingList* trays = nullptr;
  if (GOSServices* services = GetOSServices()) {
    RWWString name;
    services->GetDriverDataFileName(name, &object);
    DataLock hold(data_lock_, __LINE__);
    if (const GBaseObject* data = DataOf(name)) {
      head = CopyOfPart<GPeripheral>(data, vel::key::kHeadPeripheral);
      media = CopyOfPart<GResourceMappingList>(data, vel::key::kMediaMappingList);
      trays = CopyOfPart<GResourceMappingList>(data, vel::key::kTrayMappingList);
    }
  }
  object.SetConfiguration(head);
  object.SetMediaMappingList(media);
  object.SetTrayMappingList(trays);
}

const GBaseObject* GDriverServer::DataOf(const RWWString& name) {
  for (DataFile* file = data_files_; file != nullptr; file = file->next) {
    if (file->name == name) {
      return file->data;
    }
  }
  GOSServices* services = GetOSServices();
  if (services == nullptr || name.Length() == 0) {
    return nullptr;
  }
  const std::unique_ptr<GStreamReaderBase> holder(services->CreateFileReader(name, 1));
  RWVirtualInStream* stream = holder != nullptr ? holder->Stream() : nullptr;
  if (stream == nullptr || stream->Good() == 0) {
    return nullptr;
  }
  RWCollectable* object = nullptr;
  *stream >> object;
  auto* data = dynamic_cast<GBaseObject*>(object);
  if (data == nullptr) {
    delete object;
    return nullptr;
  }
  auto* file = new (std::nothrow) DataFile;
  if (file == nullptr) {
    delete data;
    return nullptr;
  }
  file->name = name;
  file->data = data;
  file->next = data_files_;
  data_files_ = file;
  return data;
}

void GDriverServer::ForgetData() {
  DataFile* files = nullptr;
  {
    DataLock hold(data_lock_, __LINE__);
    files = data_files_;
    data_files_ = nullptr;
  }
  while (files != nullptr) {
    DataFile* file = files;
    files = file->next;
    delete file->data;
    delete file;
  }
}

GUIDriverInterface* GDriverServer::OpenUIDriver(GPrinterKey* key, std::uint32_t* cookie) {
  GDeviceSession* object = Open(ui_, key, cookie);
  return object != nullptr ? object->GetUIInterface() : nullptr;
}

GRenderDevice* GDriverServer::OpenRenderDriver(GPrinterKey* key, std::uint32_t* cookie) {
  GDeviceSession* object = Open(render_, key, cookie);
  return object != nullptr ? object->GetRenderInterface() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Finding and closing

GDeviceSession* GDriverServer::Find(Table& table, std::uint32_t cookie) {
  TableLock hold(table, __LINE__);
  for (Entry* e = table.Bucket(cookie); e != nullptr; e = e->next) {
    if (e->cookie == cookie) {
      return e->object;
    }
  }
  return nullptr;
}

GUIDriverInterface* GDriverServer::FindUIDriver(std::uint32_t cookie) {
  GDeviceSession* object = Find(ui_, cookie);
  return object != nullptr ? object->GetUIInterface() : nullptr;
}

GRenderDevice* GDriverServer::FindRenderDriver(std::uint32_t cookie) {
  GDeviceSession* object = Find(render_, cookie);
  return object != nullptr ? object->GetRenderInterface() : nullptr;
}

std::int32_t GDriverServer::FindCookie(Table& table,
                                       const GDeviceSession* object,
                                       std::uint32_t* cookie) {
  TableLock hold(table, __LINE__);
  for (Entry* bucket : table.buckets) {
    for (Entry* e = bucket; e != nullptr; e = e->next) {
      if (e->object == object) {
        if (cookie != nullptr) {
          *cookie = e->cookie;
        }
        return 1;
      }
    }
  }
  return 0;
}

std::int32_t GDriverServer::FindUICookie(const GDeviceSession* object, std::uint32_t* cookie) {
  return FindCookie(ui_, object, cookie);
}

std::int32_t GDriverServer::FindRenderCookie(const GDeviceSession* object,
                                             std::uint32_t* cookie) {
  return FindCookie(render_, object, cookie);
}

bool GDriverServer::Close(Table& table, std::uint32_t cookie, std::int32_t line) {
  GDeviceSession* to_delete = nullptr;
  bool found = false;
  {
    TableLock hold(table, __LINE__);
    if (Entry* entry = table.Unlink(cookie)) {
      found = true;
      GDeviceSession* object = entry->object;
      delete entry;
      if (spares_off_.load() == 0) {
        object->Close();
        to_delete = table.spare;
        table.spare = object;
      } else {
        to_delete = object;
      }
      // The close that empties the render table (and only that one) resets what the render
      // module keeps for all its devices, and switches spares on again.
      if (table.Render() && table.count == 0) {
        if (TableEmptyHook hook = render_empty_hook_.load()) {
          hook();
        }
        spares_off_.store(0);
      }
    }
  }
  delete to_delete;
  if (!found && spares_off_.load() == 0) {
    ReportDriverError(1, kUnknownCookie, kUnit, line, "");
  }
  return found;
}

void GDriverServer::CloseUIDriver(std::uint32_t cookie) {
  Close(ui_, cookie, __LINE__);
}

void GDriverServer::CloseRenderDriver(std::uint32_t cookie) {
  Close(render_, cookie, __LINE__);
}

// ---------------------------------------------------------------------------------------------
// Spares and memory

GDeviceSession* GDriverServer::TakeSpare(Table& table) {
  if (TableLock::Inside(table)) {
    return nullptr;
  }
  TableLock hold(table, __LINE__);
  GDeviceSession* spare = table.spare;
  table.spare = nullptr;
  return spare;
}

bool GDriverServer::ReleaseSpares() {
  GDeviceSession* ui = TakeSpare(ui_);
  GDeviceSession* render = TakeSpare(render_);
  delete ui;
  delete render;
  return ui != nullptr || render != nullptr;
}

void GDriverServer::RemoveAll() {
  for (Table* table : {&ui_, &render_}) {
    if (TableLock::Inside(*table)) {
      continue;
    }
    Entry* all = nullptr;
    {
      TableLock hold(*table, __LINE__);
      all = table->UnlinkAll();
    }
    while (all != nullptr) {
      Entry* e = all;
      all = e->next;
      delete e->object;
      delete e;
    }
  }
  ForgetData();
}

void GDriverServer::DisableSpares() {
  spares_off_.store(1);
  ReleaseSpares();
}

std::int32_t GDriverServer::FreeMemory() {
  if (ReleaseSpares()) {
    return 1;
  }
  for (Table* table : {&ui_, &render_}) {
    if (TableLock::Inside(*table)) {
      continue;
    }
    TableLock hold(*table, __LINE__);
    for (Entry* bucket : table->buckets) {
      for (Entry* e = bucket; e != nullptr; e = e->next) {
        if (e->object->FreeMemory() != 0) {
          return 1;
        }
      }
    }
  }
  return 0;
}

void GDriverServer::SubstituteDevice(GDeviceSession*& device) {
  GOSServices* services = GetOSServices();
  device = services != nullptr ? services->CreateSubstituteDevice(device) : nullptr;
}

std::uint32_t GDriverServer::Count(Table& table) {
  TableLock hold(table, __LINE__);
  return table.count;
}

bool GDriverServer::HasSpare(Table& table) {
  TableLock hold(table, __LINE__);
  return table.spare != nullptr;
}

std::uint32_t GDriverServer::UICount() {
  return Count(ui_);
}

std::uint32_t GDriverServer::RenderCount() {
  return Count(render_);
}

bool GDriverServer::HasUISpare() {
  return HasSpare(ui_);
}

bool GDriverServer::HasRenderSpare() {
  return HasSpare(render_);
}
