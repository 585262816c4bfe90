// The table of kernel-object handles.
#include "platform/win32/KernelObjects.h"

#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>

namespace vel::platform::detail {
namespace {

// Lookups (every wait and release of a lock) share the table; only opens and closes take it alone.
struct Table {
  std::shared_mutex mutex;
  std::map<HANDLE, std::unique_ptr<KernelObject>> objects;
};

// Never destroyed: handles may be closed from exit handlers.
Table& GetTable() {
  static Table* table = new Table;
  return *table;
}

}  // namespace

HANDLE AddObject(KernelObject* object) {
  Table& table = GetTable();
  std::lock_guard<std::shared_mutex> lock(table.mutex);
  HANDLE handle = object;
  table.objects[handle].reset(object);
  return handle;
}

KernelObject* FindObject(HANDLE handle) {
  Table& table = GetTable();
  std::shared_lock<std::shared_mutex> lock(table.mutex);
  auto it = table.objects.find(handle);
  return it != table.objects.end() ? it->second.get() : nullptr;
}

bool CloseObject(HANDLE handle) {
  std::unique_ptr<KernelObject> object;
  {
    Table& table = GetTable();
    std::lock_guard<std::shared_mutex> lock(table.mutex);
    auto it = table.objects.find(handle);
    if (it == table.objects.end()) {
      return false;
    }
    object = std::move(it->second);
    table.objects.erase(it);
  }
  return true;
}

}  // namespace vel::platform::detail
