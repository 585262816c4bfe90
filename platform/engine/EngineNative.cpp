// The native file functions of the built-in system image, over POSIX descriptors, and its
// run-time string and large-integer helpers.
#include "platform/engine/EngineNative.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <new>
#include <set>

#include "platform/CallLog.h"
#include "platform/PathMap.h"
#include "platform/WideText.h"
#include "platform/engine/EngineLedger.h"

namespace vel::platform::engine::native {
namespace {

namespace ledger = vel::platform::engine::detail;

// A native file handle: the descriptor, the host path and the delete-on-close flag.
struct NativeFile {
  int fd = -1;
  std::string path;
  bool delete_on_close = false;
  std::uint32_t generation = 0;
};

struct Handles {
  std::mutex mutex;
  std::set<void*> open;
};

Handles& GetHandles() {
  static Handles* handles = new Handles;
  return *handles;
}

NativeFile* Find(HANDLE handle) {
  Handles& handles = GetHandles();
  std::lock_guard<std::mutex> lock(handles.mutex);
  return handles.open.count(handle) != 0 ? static_cast<NativeFile*>(handle) : nullptr;
}

std::string StatusText(NTSTATUS status) { return ledger::Hex(static_cast<ULONG>(status)); }

void SetStatus(PIO_STATUS_BLOCK block, NTSTATUS status, ULONG_PTR information) {
  if (block != nullptr) {
    block->Status = status;
    block->Information = information;
  }
}

NTSTATUS StatusFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return STATUS_OBJECT_NAME_NOT_FOUND;
    case EEXIST:
      return STATUS_OBJECT_NAME_COLLISION;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return STATUS_ACCESS_DENIED;
    case ENOSPC:
      return STATUS_DISK_FULL;
    case ENAMETOOLONG:
      return STATUS_OBJECT_NAME_INVALID;
    default:
      return STATUS_UNSUCCESSFUL;
  }
}

NTSTATUS ZwCreateFile(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES object,
                      PIO_STATUS_BLOCK status_block, PLARGE_INTEGER, ULONG attributes, ULONG,
                      ULONG disposition, ULONG options, PVOID, ULONG) {
  if (file != nullptr) {
    *file = nullptr;
  }
  std::string name_text = "null";
  NTSTATUS status = STATUS_SUCCESS;
  ULONG_PTR information = 0;
  NativeFile* opened = nullptr;
  std::string path;
  if (file == nullptr || object == nullptr || object->ObjectName == nullptr ||
      (object->ObjectName->Buffer == nullptr && object->ObjectName->Length > 0) ||
      object->ObjectName->Length % 2 != 0 || disposition > FILE_OVERWRITE_IF) {
    status = STATUS_INVALID_PARAMETER;
  } else {
    std::u16string_view name(object->ObjectName->Buffer, object->ObjectName->Length / 2);
    name_text = ToUtf8(name);
    path = MapPlatformPath(name);
    if (path.empty()) {
      status = STATUS_OBJECT_NAME_INVALID;
    }
  }
  if (status == STATUS_SUCCESS && ShouldFail("ZwCreateFile")) {
    status = STATUS_ACCESS_DENIED;
  }
  if (status == STATUS_SUCCESS) {
    bool read = (access & GENERIC_READ) != 0;
    bool write = (access & GENERIC_WRITE) != 0;
    int flags = O_CLOEXEC | (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY);
    struct stat info;
    bool exists = ::stat(path.c_str(), &info) == 0;
    switch (disposition) {
      case FILE_OPEN:
        break;
      case FILE_CREATE:
        flags |= O_CREAT | O_EXCL;
        break;
      case FILE_OPEN_IF:
        flags |= O_CREAT;
        break;
      case FILE_OVERWRITE:
        flags |= O_TRUNC;
        break;
      default:  // FILE_SUPERSEDE, FILE_OVERWRITE_IF
        flags |= O_CREAT | O_TRUNC;
        break;
    }
    if ((flags & O_TRUNC) != 0 && (flags & O_ACCMODE) == O_RDONLY) {
      // Overwriting needs a descriptor that may write; the handle still only reads.
      flags = (flags & ~O_ACCMODE) | O_RDWR;
    }
    mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0644;
    int fd = ::open(path.c_str(), flags, mode);
    if (fd < 0) {
      status = StatusFromErrno(errno);
    } else if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
      ::close(fd);
      status = STATUS_ACCESS_DENIED;
    } else {
      opened = new (std::nothrow) NativeFile;
      if (opened == nullptr) {
        ::close(fd);
        status = STATUS_NO_MEMORY;
      } else {
        opened->fd = fd;
        opened->path = path;
        opened->delete_on_close = (options & FILE_DELETE_ON_CLOSE) != 0;
        opened->generation = ledger::CountCreated(ledger::Kind::kNativeHandle);
        information = !exists ? FILE_CREATED
                      : (flags & O_TRUNC) != 0
                          ? (disposition == FILE_SUPERSEDE ? FILE_SUPERSEDED : FILE_OVERWRITTEN)
                          : FILE_OPENED;
        Handles& handles = GetHandles();
        std::lock_guard<std::mutex> lock(handles.mutex);
        handles.open.insert(opened);
        *file = opened;
      }
    }
  }
  SetStatus(status_block, status, information);
  LogCall("ZwCreateFile(" + name_text + ", " + ledger::Hex(access) + ", " +
          std::to_string(disposition) + ", " + ledger::Hex(options) + ") = " + StatusText(status));
  return status;
}

NTSTATUS ZwClose(HANDLE handle) {
  NativeFile* file = nullptr;
  {
    Handles& handles = GetHandles();
    std::lock_guard<std::mutex> lock(handles.mutex);
    if (handles.open.erase(handle) != 0) {
      file = static_cast<NativeFile*>(handle);
    }
  }
  NTSTATUS status = STATUS_INVALID_HANDLE;
  if (file != nullptr) {
    ::close(file->fd);
    if (file->delete_on_close) {
      ::unlink(file->path.c_str());
    }
    ledger::CountDeleted(ledger::Kind::kNativeHandle, file->generation);
    delete file;
    status = STATUS_SUCCESS;
  }
  LogCall("ZwClose = " + StatusText(status));
  return status;
}

NTSTATUS Seek(NativeFile* file, PLARGE_INTEGER byte_offset) {
  if (byte_offset == nullptr) {
    return STATUS_SUCCESS;
  }
  if (byte_offset->QuadPart < 0 ||
      ::lseek(file->fd, static_cast<off_t>(byte_offset->QuadPart), SEEK_SET) < 0) {
    return STATUS_INVALID_PARAMETER;
  }
  return STATUS_SUCCESS;
}

NTSTATUS ZwReadFile(HANDLE handle, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK status_block,
                    PVOID buffer, ULONG length, PLARGE_INTEGER byte_offset, PULONG) {
  NativeFile* file = Find(handle);
  NTSTATUS status = file == nullptr ? STATUS_INVALID_HANDLE
                    : (buffer == nullptr && length > 0) ? STATUS_INVALID_PARAMETER
                    : ShouldFail("ZwReadFile")          ? STATUS_UNSUCCESSFUL
                                                        : Seek(file, byte_offset);
  std::size_t done = 0;
  if (status == STATUS_SUCCESS && length > 0) {
    auto* bytes = static_cast<char*>(buffer);
    while (done < length) {
      ssize_t n = ::read(file->fd, bytes + done, length - done);
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n < 0) {
        status = StatusFromErrno(errno);
        break;
      }
      if (n == 0) {
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    if (status == STATUS_SUCCESS && done == 0) {
      status = STATUS_END_OF_FILE;
    }
  }
  SetStatus(status_block, status, done);
  LogCall("ZwReadFile(" + std::to_string(length) + ") = " + StatusText(status) + ", " +
          std::to_string(done));
  return status;
}

NTSTATUS ZwWriteFile(HANDLE handle, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK status_block,
                     PVOID buffer, ULONG length, PLARGE_INTEGER byte_offset, PULONG) {
  NativeFile* file = Find(handle);
  NTSTATUS status = file == nullptr ? STATUS_INVALID_HANDLE
                    : (buffer == nullptr && length > 0) ? STATUS_INVALID_PARAMETER
                    : ShouldFail("ZwWriteFile")         ? STATUS_DISK_FULL
                                                        : Seek(file, byte_offset);
  std::size_t done = 0;
  if (status == STATUS_SUCCESS) {
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < length) {
      ssize_t n = ::write(file->fd, bytes + done, length - done);
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n <= 0) {
        status = n < 0 && errno == EBADF ? STATUS_ACCESS_DENIED : StatusFromErrno(errno);
        break;
      }
      done += static_cast<std::size_t>(n);
    }
  }
  SetStatus(status_block, status, done);
  LogCall("ZwWriteFile(" + std::to_string(length) + ") = " + StatusText(status));
  return status;
}

NTSTATUS ZwQueryInformationFile(HANDLE handle, PIO_STATUS_BLOCK status_block, PVOID information,
                                ULONG length, ULONG information_class) {
  NativeFile* file = Find(handle);
  NTSTATUS status = STATUS_SUCCESS;
  ULONG_PTR written = 0;
  if (file == nullptr) {
    status = STATUS_INVALID_HANDLE;
  } else if (information == nullptr) {
    status = STATUS_INVALID_PARAMETER;
  } else if (ShouldFail("ZwQueryInformationFile")) {
    status = STATUS_UNSUCCESSFUL;
  } else if (information_class == FileStandardInformation) {
    struct stat info;
    if (length < sizeof(FILE_STANDARD_INFORMATION)) {
      status = STATUS_INFO_LENGTH_MISMATCH;
    } else if (::fstat(file->fd, &info) != 0) {
      status = StatusFromErrno(errno);
    } else {
      FILE_STANDARD_INFORMATION standard{};
      standard.AllocationSize.QuadPart = (info.st_size + 4095) / 4096 * 4096;
      standard.EndOfFile.QuadPart = info.st_size;
      standard.NumberOfLinks = static_cast<ULONG>(info.st_nlink);
      standard.DeletePending = file->delete_on_close ? 1 : 0;
      standard.Directory = S_ISDIR(info.st_mode) ? 1 : 0;
      std::memcpy(information, &standard, sizeof standard);
      written = sizeof standard;
    }
  } else if (information_class == FilePositionInformation) {
    off_t position = length < sizeof(FILE_POSITION_INFORMATION) ? -1 : ::lseek(file->fd, 0, SEEK_CUR);
    if (length < sizeof(FILE_POSITION_INFORMATION)) {
      status = STATUS_INFO_LENGTH_MISMATCH;
    } else if (position < 0) {
      status = StatusFromErrno(errno);
    } else {
      FILE_POSITION_INFORMATION record{};
      record.CurrentByteOffset.QuadPart = position;
      std::memcpy(information, &record, sizeof record);
      written = sizeof record;
    }
  } else {
    status = STATUS_INVALID_INFO_CLASS;
  }
  SetStatus(status_block, status, written);
  LogCall("ZwQueryInformationFile(" + std::to_string(information_class) + ", " +
          std::to_string(length) + ") = " + StatusText(status));
  return status;
}

NTSTATUS ZwSetInformationFile(HANDLE handle, PIO_STATUS_BLOCK status_block, PVOID information,
                              ULONG length, ULONG information_class) {
  NativeFile* file = Find(handle);
  NTSTATUS status = STATUS_SUCCESS;
  if (file == nullptr) {
    status = STATUS_INVALID_HANDLE;
  } else if (information == nullptr) {
    status = STATUS_INVALID_PARAMETER;
  } else if (ShouldFail("ZwSetInformationFile")) {
    status = STATUS_UNSUCCESSFUL;
  } else if (information_class != FilePositionInformation) {
    status = STATUS_INVALID_INFO_CLASS;
  } else if (length < sizeof(FILE_POSITION_INFORMATION)) {
    status = STATUS_INFO_LENGTH_MISMATCH;
  } else {
    FILE_POSITION_INFORMATION record;
    std::memcpy(&record, information, sizeof record);
    if (record.CurrentByteOffset.QuadPart < 0 ||
        ::lseek(file->fd, static_cast<off_t>(record.CurrentByteOffset.QuadPart), SEEK_SET) < 0) {
      status = STATUS_INVALID_PARAMETER;
    }
  }
  SetStatus(status_block, status, 0);
  LogCall("ZwSetInformationFile(" + std::to_string(information_class) + ", " +
          std::to_string(length) + ") = " + StatusText(status));
  return status;
}

constexpr ULONG kStringTag = 0x72745355;  // "UStr" in memory order

NTSTATUS RtlAnsiStringToUnicodeString(PUNICODE_STRING destination, PANSI_STRING source,
                                      BOOLEAN allocate) {
  if (destination == nullptr || source == nullptr ||
      (source->Buffer == nullptr && source->Length > 0)) {
    return STATUS_INVALID_PARAMETER;
  }
  // Every byte gives at most one 16-bit unit in the code pages the engine converts.
  std::u16string text(source->Length, u'\0');
  ULONG written = 0;
  EngMultiByteToUnicodeN(text.data(), static_cast<ULONG>(text.size() * 2), &written,
                         source->Buffer, source->Length);
  if (written + 2 > 0xFFFF) {
    return STATUS_INVALID_PARAMETER;
  }
  if (allocate != 0) {
    auto* buffer = static_cast<PWSTR>(EngAllocMem(0, written + 2, kStringTag));
    if (buffer == nullptr) {
      return STATUS_NO_MEMORY;
    }
    destination->Buffer = buffer;
    destination->MaximumLength = static_cast<USHORT>(written + 2);
  } else if (destination->Buffer == nullptr || destination->MaximumLength < written + 2) {
    return STATUS_BUFFER_OVERFLOW;
  }
  std::memcpy(destination->Buffer, text.data(), written);
  destination->Buffer[written / 2] = 0;
  destination->Length = static_cast<USHORT>(written);
  return STATUS_SUCCESS;
}

void RtlFreeUnicodeString(PUNICODE_STRING string) {
  if (string == nullptr) {
    return;
  }
  EngFreeMem(string->Buffer);
  string->Buffer = nullptr;
  string->Length = 0;
  string->MaximumLength = 0;
}

void RtlInitAnsiString(PANSI_STRING string, const char* text) {
  std::size_t length = text == nullptr ? 0 : std::strlen(text);
  if (length > 0xFFFE) {
    length = 0xFFFE;
  }
  string->Buffer = const_cast<char*>(text);
  string->Length = static_cast<USHORT>(length);
  string->MaximumLength = static_cast<USHORT>(text == nullptr ? 0 : length + 1);
}

void RtlInitUnicodeString(PUNICODE_STRING string, PCWSTR text) {
  std::size_t length = WideLength(text);
  if (length > 0x7FFE) {
    length = 0x7FFE;
  }
  string->Buffer = const_cast<PWSTR>(text);
  string->Length = static_cast<USHORT>(length * 2);
  string->MaximumLength = static_cast<USHORT>(text == nullptr ? 0 : length * 2 + 2);
}

LARGE_INTEGER RtlConvertLongToLargeInteger(LONG value) {
  LARGE_INTEGER result;
  result.QuadPart = value;
  return result;
}

LARGE_INTEGER RtlLargeIntegerAdd(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER result;
  result.QuadPart = static_cast<LONGLONG>(static_cast<ULONGLONG>(a.QuadPart) +
                                          static_cast<ULONGLONG>(b.QuadPart));
  return result;
}

LARGE_INTEGER RtlLargeIntegerSubtract(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER result;
  result.QuadPart = static_cast<LONGLONG>(static_cast<ULONGLONG>(a.QuadPart) -
                                          static_cast<ULONGLONG>(b.QuadPart));
  return result;
}

template <typename Function>
PVOID Address(Function function) {
  return reinterpret_cast<PVOID>(function);
}

}  // namespace

PVOID FindFunction(const std::string& name) {
  struct Entry {
    const char* name;
    PVOID address;
  };
  static const Entry kFunctions[] = {
      {"ZwCreateFile", Address(static_cast<PFN_ZwCreateFile>(&ZwCreateFile))},
      {"ZwClose", Address(static_cast<PFN_ZwClose>(&ZwClose))},
      {"ZwReadFile", Address(static_cast<PFN_ZwReadFile>(&ZwReadFile))},
      {"ZwWriteFile", Address(static_cast<PFN_ZwWriteFile>(&ZwWriteFile))},
      {"ZwQueryInformationFile",
       Address(static_cast<PFN_ZwQueryInformationFile>(&ZwQueryInformationFile))},
      {"ZwSetInformationFile",
       Address(static_cast<PFN_ZwSetInformationFile>(&ZwSetInformationFile))},
      {"RtlAnsiStringToUnicodeString",
       Address(static_cast<PFN_RtlAnsiStringToUnicodeString>(&RtlAnsiStringToUnicodeString))},
      {"RtlFreeUnicodeString",
       Address(static_cast<PFN_RtlFreeUnicodeString>(&RtlFreeUnicodeString))},
      {"RtlInitAnsiString", Address(static_cast<PFN_RtlInitAnsiString>(&RtlInitAnsiString))},
      {"RtlInitUnicodeString",
       Address(static_cast<PFN_RtlInitUnicodeString>(&RtlInitUnicodeString))},
      {"RtlConvertLongToLargeInteger",
       Address(static_cast<PFN_RtlConvertLongToLargeInteger>(&RtlConvertLongToLargeInteger))},
      {"RtlLargeIntegerAdd", Address(static_cast<PFN_RtlLargeIntegerAdd>(&RtlLargeIntegerAdd))},
      {"RtlLargeIntegerSubtract",
       Address(static_cast<PFN_RtlLargeIntegerSubtract>(&RtlLargeIntegerSubtract))},
  };
  for (const Entry& entry : kFunctions) {
    if (name == entry.name) {
      return entry.address;
    }
  }
  return nullptr;
}

}  // namespace vel::platform::engine::native
