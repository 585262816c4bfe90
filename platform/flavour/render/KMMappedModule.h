// The mapped-module layer of the kernel-mode files: a file loaded as an engine data module,
// mapped and read and written as memory. A writable file is loaded with room to spare; the
// end mark is the logical length of its data, and closing leaves the file exactly that long.
// Every operation holds the record's semaphore for its whole length.
#pragma once

#include <cstdint>

#include "platform/engine/winddi.h"

struct KMMappedModule {
  std::uint16_t flags = 0;       // kKMMappedWritable, kKMMappedAppend
  std::int32_t position = -1;    // -1 when not open
  unsigned char* view = nullptr;
  std::int32_t end_mark = 0;     // the logical length of the file's data
  std::uint32_t capacity = 0;    // the size of the mapped view
  HSEMAPHORE semaphore = nullptr;  // made by the opener
  HANDLE module = nullptr;       // 0 when not open
  WCHAR* name = nullptr;         // owned copy
};

inline constexpr std::uint16_t kKMMappedWritable = 0x2;
inline constexpr std::uint16_t kKMMappedAppend = 0x4;

// The module handle, 0 on failure. The share flag is not used.
HANDLE KMMappedOpen(LPCWSTR name, std::uint32_t flags, std::uint32_t share,
                    std::uint32_t permission, KMMappedModule* record);
// 0 when the release succeeded, else -1. Frees the name copy.
int KMMappedClose(KMMappedModule* record);
// Bytes copied (0 at the end), or -1 when the record is not open.
std::int32_t KMMappedRead(void* buffer, std::uint32_t count, KMMappedModule* record);
// count, or -1 (nothing written).
std::int32_t KMMappedWrite(const void* buffer, std::uint32_t count, KMMappedModule* record);
// The new position (origin 0 start, 1 current, 2 end mark), or -1.
std::int32_t KMMappedSeek(std::int32_t offset, int origin, KMMappedModule* record);
std::int32_t KMMappedLength(KMMappedModule* record);
std::int32_t KMMappedTell(KMMappedModule* record);
// Remaps the file at exactly `size` bytes, keeping position and end mark; false (record closed)
// when that cannot be done.
bool KMMappedGrow(KMMappedModule* record, std::uint32_t size);
// Frees the module and, for a writable record, leaves the file with the end mark as its length;
// 0 on success, -1 when that could not be done. The record is closed afterwards.
int KMMappedRelease(KMMappedModule* record);
