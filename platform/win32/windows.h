// Stand-in for the Win32 base services that the user-mode module calls: critical sections,
// semaphores, thread-local slots, the current thread id and the message box.
#pragma once

#include "platform/PlatformTypes.h"

inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
inline constexpr DWORD TLS_OUT_OF_INDEXES = 0xFFFFFFFF;
inline constexpr UINT MB_ICONHAND = 0x10;
inline constexpr UINT MB_TASKMODAL = 0x2000;
inline constexpr int IDOK = 1;

// A recursive lock owned by one thread at a time. The stand-in keeps its own lock behind a pointer;
// the record is zero-filled before InitializeCriticalSection.
struct CRITICAL_SECTION {
  void* impl = nullptr;
};

void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

// Counting semaphores. Only the calls the system makes: create with an initial and maximum count,
// wait (INFINITE or 0 ms), release one, close.
HANDLE CreateSemaphoreA(void* attributes, LONG initial_count, LONG maximum_count, LPCSTR name);
HANDLE CreateSemaphoreW(void* attributes, LONG initial_count, LONG maximum_count, LPCWSTR name);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL ReleaseSemaphore(HANDLE handle, LONG release_count, LONG* previous_count);
// Closes a semaphore or a file (platform/win32/files.h); FALSE and 6 for anything else.
BOOL CloseHandle(HANDLE handle);

// Thread-local slots: each index holds one pointer-sized value per thread, null until set.
DWORD TlsAlloc();
BOOL TlsFree(DWORD index);
LPVOID TlsGetValue(DWORD index);
BOOL TlsSetValue(DWORD index, LPVOID value);

DWORD GetCurrentThreadId();

// Writes "caption: text" to standard error and to the call log, and answers IDOK.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
