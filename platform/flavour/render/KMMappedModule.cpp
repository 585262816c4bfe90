// Mapped-module layer of the kernel-mode files.
#include "platform/flavour/render/KMMappedModule.h"

#include <cstring>
#include <new>

#include "platform/flavour/render/KMFileFlags.h"
#include "platform/flavour/render/KMNative.h"

namespace {

constexpr std::uint32_t kGrowSlack = 4096;
constexpr std::int64_t kLimit = 0x7FFFFFFF;

class RecordLock {
 public:
  explicit RecordLock(HSEMAPHORE semaphore) : semaphore_(semaphore) {
    if (semaphore_ != nullptr) {
      EngAcquireSemaphore(semaphore_);
    }
  }
  ~RecordLock() {
    if (semaphore_ != nullptr) {
      EngReleaseSemaphore(semaphore_);
    }
  }
  RecordLock(const RecordLock&) = delete;
  RecordLock& operator=(const RecordLock&) = delete;

 private:
  HSEMAPHORE semaphore_;
};

bool IsOpen(const KMMappedModule* record) {
  return record->module != nullptr && record->position >= 0;
}

void Clear(KMMappedModule* record) {
  record->position = -1;
  record->view = nullptr;
  record->end_mark = 0;
  record->capacity = 0;
  record->module = nullptr;
}

// Loads and maps the record's file; false leaves nothing open.
bool Map(KMMappedModule* record, bool writable, std::uint32_t size) {
  record->module =
      writable ? EngLoadModuleForWrite(record->name, size) : EngLoadModule(record->name);
  if (record->module == nullptr) {
    return false;
  }
  ULONG mapped = 0;
  record->view = static_cast<unsigned char*>(EngMapModule(record->module, &mapped));
  if (record->view == nullptr) {
    EngFreeModule(record->module);
    record->module = nullptr;
    return false;
  }
  record->capacity = mapped;
  return true;
}

int Release(KMMappedModule* record) {
  if (record->module == nullptr) {
    Clear(record);
    return 0;
  }
  EngFreeModule(record->module);
  int result = 0;
  if ((record->flags & kKMMappedWritable) != 0) {
    if (record->end_mark > 0) {
      // The engine makes the file exactly the size asked for.
      HANDLE again = EngLoadModuleForWrite(record->name, static_cast<ULONG>(record->end_mark));
      ULONG size = 0;
      if (again == nullptr || EngMapModule(again, &size) == nullptr) {
        result = -1;
      }
      if (again != nullptr) {
        EngFreeModule(again);
      }
    } else {
      // Size 0 would mean "keep the length": an empty file is truncated natively instead.
      HANDLE native = KMNativeOpenW(record->name, kKMWriteOnly | kKMTruncate, kKMPermitReadWrite);
      if (native == nullptr || KMNativeClose(native) != 0) {
        result = -1;
      }
    }
  }
  Clear(record);
  return result;
}

bool Grow(KMMappedModule* record, std::uint32_t size) {
  const KMMappedModule saved = *record;
  Release(record);
  if (!Map(record, true, size)) {
    Clear(record);
    return false;
  }
  if (record->capacity != size) {
    Release(record);
    return false;
  }
  record->position = saved.position;
  record->end_mark = saved.end_mark;
  return true;
}

}  // namespace

HANDLE KMMappedOpen(LPCWSTR name, std::uint32_t flags, std::uint32_t /*share*/,
                    std::uint32_t permission, KMMappedModule* record) {
  if (record == nullptr) {
    return nullptr;
  }
  RecordLock lock(record->semaphore);
  Clear(record);
  if (name == nullptr || (flags & kKMAccessMask) == kKMAccessMask) {
    return nullptr;
  }
  const std::uint32_t ct = flags & (kKMCreate | kKMTruncate | kKMExclusive);
  const bool starts_empty = (flags & kKMTruncate) != 0 && ct != (kKMCreate | kKMTruncate | kKMExclusive);
  const bool writable = (flags & kKMCreate) != 0 ? (permission & kKMPermitWrite) != 0
                                                  : (flags & kKMAccessMask) != 0;
  std::size_t length = 0;
  while (name[length] != 0) {
    ++length;
  }
  if (writable && (flags & kKMCreate) == 0) {
    // Loading for write creates a missing file; without the create flag it must exist.
    HANDLE probe = EngLoadModule(const_cast<LPWSTR>(name));
    if (probe == nullptr) {
      return nullptr;
    }
    EngFreeModule(probe);
  }
  record->name = new (std::nothrow) WCHAR[length + 1];
  if (record->name == nullptr) {
    return nullptr;
  }
  std::memcpy(record->name, name, (length + 1) * sizeof(WCHAR));
  if (!Map(record, writable, starts_empty && writable ? kGrowSlack : 0)) {
    delete[] record->name;
    record->name = nullptr;
    Clear(record);
    return nullptr;
  }
  record->position = 0;
  if (starts_empty) {
    record->end_mark = 0;
    record->flags = writable ? kKMMappedWritable : 0;
    // The file keeps what it held within the new size; a truncated file reads as zeros.
    if (writable) {
      std::memset(record->view, 0, record->capacity);
    }
  } else if (writable) {
    record->end_mark = static_cast<std::int32_t>(record->capacity);
    record->flags = kKMMappedWritable;
    if ((flags & kKMAppend) != 0) {
      record->flags |= kKMMappedAppend;
      record->position = record->end_mark;
    }
  } else {
    record->flags = 0;
    record->end_mark = static_cast<std::int32_t>(record->capacity);
  }
  return record->module;
}

int KMMappedClose(KMMappedModule* record) {
  if (record == nullptr) {
    return -1;
  }
  RecordLock lock(record->semaphore);
  const int result = Release(record);
  delete[] record->name;
  record->name = nullptr;
  return result;
}

int KMMappedRelease(KMMappedModule* record) {
  if (record == nullptr) {
    return -1;
  }
  RecordLock lock(record->semaphore);
  return Release(record);
}

bool KMMappedGrow(KMMappedModule* record, std::uint32_t size) {
  if (record == nullptr) {
    return false;
  }
  RecordLock lock(record->semaphore);
  return IsOpen(record) && Grow(record, size);
}

std::int32_t KMMappedRead(void* buffer, std::uint32_t count, KMMappedModule* record) {
  if (record == nullptr) {
    return -1;
  }
  RecordLock lock(record->semaphore);
  if (!IsOpen(record)) {
    return -1;
  }
  const std::int64_t left = std::int64_t{record->end_mark} - record->position;
  const auto copied = static_cast<std::int32_t>(left < 0 ? 0 : left < count ? left : count);
  if (copied > 0) {
    std::memcpy(buffer, record->view + record->position, static_cast<std::size_t>(copied));
    record->position += copied;
  }
  return copied;
}

std::int32_t KMMappedWrite(const void* buffer, std::uint32_t count, KMMappedModule* record) {
  if (record == nullptr) {
    return -1;
  }
  RecordLock lock(record->semaphore);
  if (!IsOpen(record) || (record->flags & kKMMappedWritable) == 0 ||
      count > static_cast<std::uint32_t>(kLimit)) {
    return -1;
  }
  if ((record->flags & kKMMappedAppend) != 0) {
    record->position = record->end_mark;
  }
  const std::int64_t end = std::int64_t{record->position} + count;
  if (end + kGrowSlack > kLimit) {
    return -1;
  }
  if (end > record->capacity && !Grow(record, static_cast<std::uint32_t>(end + kGrowSlack))) {
    return -1;
  }
  if (count > 0) {
    std::memcpy(record->view + record->position, buffer, count);
  }
  record->position = static_cast<std::int32_t>(end);
  if (record->end_mark < record->position) {
    record->end_mark = record->position;
  }
  return static_cast<std::int32_t>(count);
}

std::int32_t KMMappedSeek(std::int32_t offset, int origin, KMMappedModule* record) {
  if (record == nullptr) {
    return -1;
  }
  RecordLock lock(record->semaphore);
  if (!IsOpen(record)) {
    return -1;
  }
  std::int64_t target = offset;
  if (origin == 1) {
    target += record->position;
  } else if (origin == 2) {
    target += record->end_mark;
  } else if (origin != 0) {
    return -1;
  }
  if (target < 0 || target > kLimit) {
    return -1;
  }
  if (target > record->capacity) {
    // Only a writable file can be made longer.
    if ((record->flags & kKMMappedWritable) == 0 ||
        !Grow(record, static_cast<std::uint32_t>(target))) {
      return -1;
    }
  }
  if (record->end_mark < target) {
    record->end_mark = static_cast<std::int32_t>(target);
  }
  record->position = static_cast<std::int32_t>(target);
  return record->position;
}

std::int32_t KMMappedLength(KMMappedModule* record) {
  if (record == nullptr) {
    return -1;
  }
  RecordLock lock(record->semaphore);
  return record->end_mark;
}

std::int32_t KMMappedTell(KMMappedModule* record) {
  if (record == nullptr) {
    return -1;
  }
  RecordLock lock(record->semaphore);
  return record->position;
}
