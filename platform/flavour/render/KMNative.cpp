// Native layer of the kernel-mode files, over the system image's native file functions.
#include "platform/flavour/render/KMNative.h"

#include <cstring>

#include "platform/flavour/render/KMFileFlags.h"

namespace {

constexpr ULONG kNameTag = 0x6C666D4B;  // 'KMfl'
constexpr ULONG kNormalOptions = 0x60;  // synchronous non-alerting, non-directory
constexpr ULONG kSequentialOnly = 0x4;
constexpr ULONG kRandomAccess = 0x800;
constexpr std::int64_t kLimit = 0x7FFFFFFF;

KMNativeImports g_imports;

template <typename T>
bool Find(HANDLE image, const char* name, T& entry) {
  entry = reinterpret_cast<T>(EngFindImageProcAddress(image, const_cast<char*>(name)));
  return entry != nullptr;
}

// A counted name for the kernel: drive-letter names get the "\??\" prefix. The buffer is engine
// memory, freed by the caller; false when memory is short.
bool MakeKernelName(LPCWSTR name, UNICODE_STRING& counted, WCHAR*& buffer) {
  buffer = nullptr;
  std::size_t length = 0;
  while (name[length] != 0) {
    ++length;
  }
  const bool drive = length >= 2 && name[1] == u':' &&
                     ((name[0] >= u'A' && name[0] <= u'Z') || (name[0] >= u'a' && name[0] <= u'z'));
  const std::size_t prefix = drive ? 4 : 0;
  if (length + prefix > 0x7FFE) {
    return false;
  }
  buffer = static_cast<WCHAR*>(
      EngAllocMem(FL_ZERO_MEMORY, static_cast<ULONG>((length + prefix + 1) * 2), kNameTag));
  if (buffer == nullptr) {
    return false;
  }
  if (drive) {
    std::memcpy(buffer, u"\\??\\", 8);
  }
  std::memcpy(buffer + prefix, name, length * 2);
  g_imports.RtlInitUnicodeString(&counted, buffer);
  return true;
}

bool QueryStandard(HANDLE handle, FILE_STANDARD_INFORMATION& info) {
  IO_STATUS_BLOCK status{};
  return g_imports.ZwQueryInformationFile(handle, &status, &info, sizeof info,
                                          FileStandardInformation) == STATUS_SUCCESS;
}

bool QueryPosition(HANDLE handle, FILE_POSITION_INFORMATION& info) {
  IO_STATUS_BLOCK status{};
  return g_imports.ZwQueryInformationFile(handle, &status, &info, sizeof info,
                                          FilePositionInformation) == STATUS_SUCCESS;
}

std::int32_t Checked(std::int64_t value) {
  return value < 0 || value >= kLimit ? -1 : static_cast<std::int32_t>(value);
}

}  // namespace

bool KMNativeBind() {
  if (g_imports.image != nullptr) {
    return true;
  }
  WCHAR image_name[] = u"ntdll.dll";
  KMNativeImports bound;
  bound.image = EngLoadImage(image_name);
  if (bound.image == nullptr) {
    return false;
  }
  HANDLE image = bound.image;
  const bool all = Find(image, "ZwCreateFile", bound.ZwCreateFile) &&
                   Find(image, "ZwClose", bound.ZwClose) &&
                   Find(image, "ZwReadFile", bound.ZwReadFile) &&
                   Find(image, "ZwWriteFile", bound.ZwWriteFile) &&
                   Find(image, "ZwQueryInformationFile", bound.ZwQueryInformationFile) &&
                   Find(image, "ZwSetInformationFile", bound.ZwSetInformationFile) &&
                   Find(image, "RtlAnsiStringToUnicodeString", bound.RtlAnsiStringToUnicodeString) &&
                   Find(image, "RtlFreeUnicodeString", bound.RtlFreeUnicodeString) &&
                   Find(image, "RtlInitAnsiString", bound.RtlInitAnsiString) &&
                   Find(image, "RtlInitUnicodeString", bound.RtlInitUnicodeString) &&
                   Find(image, "RtlConvertLongToLargeInteger", bound.RtlConvertLongToLargeInteger) &&
                   Find(image, "RtlLargeIntegerAdd", bound.RtlLargeIntegerAdd) &&
                   Find(image, "RtlLargeIntegerSubtract", bound.RtlLargeIntegerSubtract);
  if (!all) {
    EngUnloadImage(image);
    return false;
  }
  g_imports = bound;
  return true;
}

void KMNativeUnbind() {
  if (g_imports.image != nullptr) {
    EngUnloadImage(g_imports.image);
  }
  g_imports = KMNativeImports{};
}

bool KMNativeIsBound() { return g_imports.image != nullptr; }

WCHAR* KMAnsiToWide(const char* name) {
  if (name == nullptr) {
    return nullptr;
  }
  const std::size_t length = std::strlen(name);
  if (length > 0x7FFFFFF) {
    return nullptr;
  }
  const auto bytes = static_cast<ULONG>((length + 1) * 4);
  auto* wide = static_cast<WCHAR*>(EngAllocMem(FL_ZERO_MEMORY, bytes, kNameTag));
  if (wide == nullptr) {
    return nullptr;
  }
  ULONG written = 0;
  EngMultiByteToUnicodeN(wide, bytes - 2, &written, const_cast<char*>(name),
                         static_cast<ULONG>(length));
  wide[written / 2] = 0;
  return wide;
}

HANDLE KMNativeOpen(const char* name, std::uint32_t flags, std::uint32_t permission) {
  return KMNativeShareOpen(name, flags, kKMDenyNone, permission);
}

HANDLE KMNativeShareOpen(const char* name, std::uint32_t flags, std::uint32_t share,
                         std::uint32_t permission) {
  if (!KMNativeIsBound()) {
    return nullptr;
  }
  WCHAR* wide = KMAnsiToWide(name);
  if (wide == nullptr) {
    return nullptr;
  }
  HANDLE handle = KMNativeShareOpenW(wide, flags, share, permission);
  EngFreeMem(wide);
  return handle;
}

HANDLE KMNativeOpenW(LPCWSTR name, std::uint32_t flags, std::uint32_t permission) {
  return KMNativeShareOpenW(name, flags, kKMDenyNone, permission);
}

HANDLE KMNativeShareOpenW(LPCWSTR name, std::uint32_t flags, std::uint32_t share,
                          std::uint32_t permission) {
  if (!KMNativeIsBound() || name == nullptr) {
    return nullptr;
  }
  UNICODE_STRING counted{};
  WCHAR* buffer = nullptr;
  if (!MakeKernelName(name, counted, buffer)) {
    return nullptr;
  }
  HANDLE handle = KMNativeCreate(&counted, flags, share, permission);
  EngFreeMem(buffer);
  return handle;
}

HANDLE KMNativeCreate(PUNICODE_STRING name, std::uint32_t flags, std::uint32_t share,
                      std::uint32_t permission) {
  if (!KMNativeIsBound()) {
    return nullptr;
  }
  ACCESS_MASK access = 0;
  switch (flags & kKMAccessMask) {
    case kKMReadOnly:
      access = GENERIC_READ | SYNCHRONIZE;
      break;
    case kKMWriteOnly:
      access = GENERIC_WRITE | SYNCHRONIZE;
      break;
    case kKMReadWrite:
      access = GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE;
      break;
    default:
      return nullptr;
  }
  ULONG share_access = 0;
  switch (share) {
    case kKMDenyBoth:
      share_access = 0;
      break;
    case kKMDenyWrite:
      share_access = 1;
      break;
    case kKMDenyRead:
      share_access = 2;
      break;
    case kKMDenyNone:
      share_access = 3;
      break;
    default:
      return nullptr;
  }
  static constexpr ULONG kDispositions[8] = {
      FILE_OPEN,          // none
      FILE_OPEN_IF,       // create
      FILE_OVERWRITE,     // truncate
      FILE_OVERWRITE_IF,  // create, truncate
      FILE_OPEN,          // exclusive
      FILE_CREATE,        // create, exclusive
      FILE_OVERWRITE,     // truncate, exclusive
      FILE_CREATE,        // all three
  };
  const ULONG disposition =
      kDispositions[((flags & kKMCreate) != 0 ? 1 : 0) | ((flags & kKMTruncate) != 0 ? 2 : 0) |
                    ((flags & kKMExclusive) != 0 ? 4 : 0)];
  const bool read_only_file = (flags & kKMCreate) != 0 && (permission & kKMPermitWrite) == 0;
  ULONG attributes = read_only_file ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
  ULONG options = kNormalOptions;
  if ((flags & kKMTemporary) != 0) {
    options |= FILE_DELETE_ON_CLOSE;
    access |= DELETE;
    attributes = read_only_file ? 0x101 : 0x180;
  }
  if ((flags & kKMShortLived) != 0) {
    attributes |= FILE_ATTRIBUTE_TEMPORARY;
  }
  options |= (flags & kKMSequential) != 0 ? kSequentialOnly : kRandomAccess;

  OBJECT_ATTRIBUTES object{};
  object.Length = 24;
  object.ObjectName = name;
  object.Attributes = OBJ_CASE_INSENSITIVE;
  IO_STATUS_BLOCK status{};
  HANDLE handle = nullptr;
  if (g_imports.ZwCreateFile(&handle, access, &object, &status, nullptr, attributes, share_access,
                             disposition, options, nullptr, 0) != STATUS_SUCCESS) {
    return nullptr;
  }
  return handle;
}

int KMNativeClose(HANDLE handle) {
  if (!KMNativeIsBound() || g_imports.ZwClose(handle) != STATUS_SUCCESS) {
    return -1;
  }
  return 0;
}

std::int32_t KMNativeRead(HANDLE handle, void* buffer, std::uint32_t count) {
  if (!KMNativeIsBound()) {
    return -1;
  }
  IO_STATUS_BLOCK status{};
  const NTSTATUS result = g_imports.ZwReadFile(handle, nullptr, nullptr, nullptr, &status, buffer,
                                               count, nullptr, nullptr);
  if (result == STATUS_END_OF_FILE) {
    return 0;
  }
  return result == STATUS_SUCCESS ? Checked(static_cast<std::int64_t>(status.Information)) : -1;
}

std::int32_t KMNativeWrite(HANDLE handle, const void* buffer, std::uint32_t count) {
  if (!KMNativeIsBound()) {
    return -1;
  }
  IO_STATUS_BLOCK status{};
  const NTSTATUS result = g_imports.ZwWriteFile(handle, nullptr, nullptr, nullptr, &status,
                                                const_cast<void*>(buffer), count, nullptr, nullptr);
  return result == STATUS_SUCCESS ? Checked(static_cast<std::int64_t>(status.Information)) : -1;
}

std::int32_t KMNativeSeek(HANDLE handle, std::int32_t offset, int origin) {
  if (!KMNativeIsBound()) {
    return -1;
  }
  std::int64_t target = offset;
  if (origin == 1) {
    FILE_POSITION_INFORMATION position{};
    if (!QueryPosition(handle, position)) {
      return -1;
    }
    target += position.CurrentByteOffset.QuadPart;
  } else if (origin == 2) {
    FILE_STANDARD_INFORMATION standard{};
    if (!QueryStandard(handle, standard)) {
      return -1;
    }
    target += standard.EndOfFile.QuadPart;
  } else if (origin != 0) {
    return -1;
  }
  FILE_POSITION_INFORMATION set{};
  set.CurrentByteOffset.QuadPart = target;
  IO_STATUS_BLOCK status{};
  if (g_imports.ZwSetInformationFile(handle, &status, &set, sizeof set,
                                     FilePositionInformation) != STATUS_SUCCESS) {
    return -1;
  }
  return Checked(target);
}

std::int32_t KMNativeLength(HANDLE handle) {
  FILE_STANDARD_INFORMATION standard{};
  if (!KMNativeIsBound() || !QueryStandard(handle, standard)) {
    return -1;
  }
  return Checked(standard.EndOfFile.QuadPart);
}

std::int32_t KMNativeTell(HANDLE handle) {
  FILE_POSITION_INFORMATION position{};
  if (!KMNativeIsBound() || !QueryPosition(handle, position)) {
    return -1;
  }
  return Checked(position.CurrentByteOffset.QuadPart);
}

int KMFileDelete(const char* name) {
  if (!KMNativeIsBound()) {
    return -1;
  }
  WCHAR* wide = KMAnsiToWide(name);
  if (wide == nullptr) {
    return -1;
  }
  const int result = KMNativeDeleteW(wide);
  EngFreeMem(wide);
  return result;
}

int KMNativeDeleteW(LPCWSTR name) {
  if (!KMNativeIsBound() || name == nullptr) {
    return -1;
  }
  UNICODE_STRING counted{};
  WCHAR* buffer = nullptr;
  if (!MakeKernelName(name, counted, buffer)) {
    return -1;
  }
  const int result = KMNativeDeleteByName(&counted);
  EngFreeMem(buffer);
  return result;
}

int KMNativeDeleteByName(PUNICODE_STRING name) {
  if (!KMNativeIsBound()) {
    return -1;
  }
  OBJECT_ATTRIBUTES object{};
  object.Length = 24;
  object.ObjectName = name;
  object.Attributes = OBJ_CASE_INSENSITIVE;
  IO_STATUS_BLOCK status{};
  HANDLE handle = nullptr;
  if (g_imports.ZwCreateFile(&handle, DELETE | SYNCHRONIZE, &object, &status, nullptr,
                             FILE_ATTRIBUTE_NORMAL, 0, FILE_OPEN,
                             kNormalOptions | FILE_DELETE_ON_CLOSE, nullptr, 0) != STATUS_SUCCESS) {
    return -1;
  }
  return g_imports.ZwClose(handle) == STATUS_SUCCESS ? 0 : -1;
}
