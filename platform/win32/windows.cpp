// Stand-in Win32 base services over the C++ standard library.
#include "platform/win32/windows.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/CallLog.h"
#include "platform/win32/KernelObjects.h"
#include "platform/win32/text.h"

using vel::platform::LogCall;
using vel::platform::ShouldFail;

void InitializeCriticalSection(CRITICAL_SECTION* section) {
  section->impl = new std::recursive_mutex;
}

void DeleteCriticalSection(CRITICAL_SECTION* section) {
  delete static_cast<std::recursive_mutex*>(section->impl);
  section->impl = nullptr;
}

void EnterCriticalSection(CRITICAL_SECTION* section) {
  static_cast<std::recursive_mutex*>(section->impl)->lock();
}

void LeaveCriticalSection(CRITICAL_SECTION* section) {
  static_cast<std::recursive_mutex*>(section->impl)->unlock();
}

namespace {

// A Win32 semaphore is not owned by a thread: any thread may release it.
struct Semaphore : vel::platform::detail::KernelObject {
  std::mutex mutex;
  std::condition_variable changed;
  LONG count = 0;
  LONG maximum = 0;
};

}  // namespace

namespace {

HANDLE CreateSemaphoreNamed(const char* call, LONG initial_count, LONG maximum_count) {
  if (ShouldFail(call)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (maximum_count <= 0 || initial_count < 0 || initial_count > maximum_count) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* semaphore = new (std::nothrow) Semaphore;
  if (semaphore == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  semaphore->count = initial_count;
  semaphore->maximum = maximum_count;
  return vel::platform::detail::AddObject(semaphore);
}

Semaphore* FindSemaphore(HANDLE handle) {
  return vel::platform::detail::FindObjectOf<Semaphore>(handle);
}

}  // namespace

HANDLE CreateSemaphoreA(void*, LONG initial_count, LONG maximum_count, LPCSTR) {
  return CreateSemaphoreNamed("CreateSemaphoreA", initial_count, maximum_count);
}

HANDLE CreateSemaphoreW(void*, LONG initial_count, LONG maximum_count, LPCWSTR) {
  return CreateSemaphoreNamed("CreateSemaphoreW", initial_count, maximum_count);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  Semaphore* semaphore = FindSemaphore(handle);
  if (semaphore == nullptr || ShouldFail("WaitForSingleObject")) {
    SetLastError(semaphore == nullptr ? ERROR_INVALID_HANDLE : ERROR_GEN_FAILURE);
    return WAIT_FAILED;
  }
  std::unique_lock<std::mutex> lock(semaphore->mutex);
  if (milliseconds == INFINITE) {
    semaphore->changed.wait(lock, [semaphore] { return semaphore->count > 0; });
  } else if (!semaphore->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                          [semaphore] { return semaphore->count > 0; })) {
    return 0x102;  // WAIT_TIMEOUT
  }
  --semaphore->count;
  return WAIT_OBJECT_0;
}

BOOL ReleaseSemaphore(HANDLE handle, LONG release_count, LONG* previous_count) {
  Semaphore* semaphore = FindSemaphore(handle);
  if (semaphore == nullptr || release_count <= 0 || ShouldFail("ReleaseSemaphore")) {
    SetLastError(semaphore == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> lock(semaphore->mutex);
    if (semaphore->count + release_count > semaphore->maximum) {
      return FALSE;
    }
    if (previous_count != nullptr) {
      *previous_count = semaphore->count;
    }
    semaphore->count += release_count;
  }
  semaphore->changed.notify_all();
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  if (!vel::platform::detail::CloseObject(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

namespace {

constexpr DWORD kTlsSlots = 1088;

struct TlsTable {
  std::mutex mutex;
  std::vector<bool> used = std::vector<bool>(kTlsSlots, false);
};

TlsTable& GetTlsTable() {
  static TlsTable* table = new TlsTable;
  return *table;
}

thread_local std::vector<void*> tls_values;

}  // namespace

DWORD TlsAlloc() {
  if (ShouldFail("TlsAlloc")) {
    return TLS_OUT_OF_INDEXES;
  }
  TlsTable& table = GetTlsTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  for (DWORD i = 0; i < kTlsSlots; ++i) {
    if (!table.used[i]) {
      table.used[i] = true;
      return i;
    }
  }
  return TLS_OUT_OF_INDEXES;
}

BOOL TlsFree(DWORD index) {
  TlsTable& table = GetTlsTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (index >= kTlsSlots || !table.used[index]) {
    return FALSE;
  }
  table.used[index] = false;
  return TRUE;
}

LPVOID TlsGetValue(DWORD index) {
  if (index >= tls_values.size()) {
    return nullptr;
  }
  return tls_values[index];
}

BOOL TlsSetValue(DWORD index, LPVOID value) {
  if (index >= kTlsSlots) {
    return FALSE;
  }
  if (index >= tls_values.size()) {
    tls_values.resize(index + 1, nullptr);
  }
  tls_values[index] = value;
  return TRUE;
}

DWORD GetCurrentThreadId() {
  // Small, stable numbers in the order threads first ask, as the platform's ids are small numbers.
  static std::atomic<DWORD> next_id{0x100};
  thread_local DWORD id = next_id.fetch_add(4);
  return id;
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT style) {
  const std::string caption_text = caption != nullptr ? caption : "Error";
  const std::string body = text != nullptr ? text : "";
  std::fprintf(stderr, "%s: %s\n", caption_text.c_str(), body.c_str());
  std::fflush(stderr);
  char style_text[16];
  std::snprintf(style_text, sizeof style_text, "0x%X", style);
  LogCall("MessageBoxA(" + caption_text + ", " + body + ", " + style_text + ")");
  return IDOK;
}
