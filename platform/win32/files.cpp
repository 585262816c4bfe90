// Stand-in Win32 files over POSIX descriptors.
#include "platform/win32/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/CallLog.h"
#include "platform/PathMap.h"
#include "platform/win32/KernelObjects.h"
#include "platform/win32/LoaderInternal.h"
#include "platform/win32/text.h"

namespace {

struct File : vel::platform::detail::KernelObject {
  int descriptor = -1;
  std::string path;
  ~File() override {
    if (descriptor >= 0) {
      ::close(descriptor);
    }
  }
};

// The error of a failed open: 3 when the folder is missing, 2 when the file is.
DWORD MissingError(const std::string& path) {
  const std::string::size_type slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    struct stat info {};
    if (::stat(path.substr(0, slash).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      return ERROR_PATH_NOT_FOUND;
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

DWORD ErrorOf(int error, const std::string& path) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return MissingError(path);
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    default:
      return ERROR_GEN_FAILURE;
  }
}

HANDLE Open(LPCWSTR name, DWORD access, DWORD disposition, DWORD* error) {
  const std::string path = vel::platform::MapPlatformPath(std::u16string_view(name));
  if (path.empty()) {
    *error = ERROR_PATH_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
  }
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) {
    *error = ERROR_ACCESS_DENIED;
    return INVALID_HANDLE_VALUE;
  }
  int flags = 0;
  switch (disposition) {
    case CREATE_NEW:
      flags = O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      flags = O_CREAT | O_TRUNC;
      break;
    case OPEN_EXISTING:
      break;
    case OPEN_ALWAYS:
      flags = O_CREAT;
      break;
    case TRUNCATE_EXISTING:
      flags = O_TRUNC;
      break;
    default:
      *error = ERROR_INVALID_PARAMETER;
      return INVALID_HANDLE_VALUE;
  }
  const bool writes = (access & GENERIC_WRITE) != 0 || (flags & (O_CREAT | O_TRUNC)) != 0;
  const bool reads = (access & GENERIC_READ) != 0 || !writes;
  flags |= writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
  const int descriptor = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (descriptor < 0) {
    *error = ErrorOf(errno, path);
    return INVALID_HANDLE_VALUE;
  }
  auto* file = new File;
  file->descriptor = descriptor;
  file->path = path;
  // Creating over an existing file succeeds and says so through the last error.
  *error = exists && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
               ? ERROR_ALREADY_EXISTS
               : ERROR_SUCCESS;
  return vel::platform::detail::AddObject(file);
}

const char* DispositionText(DWORD disposition) {
  static const char* const kNames[] = {
      "?", "CREATE_NEW", "CREATE_ALWAYS", "OPEN_EXISTING", "OPEN_ALWAYS", "TRUNCATE_EXISTING"};
  return disposition <= 5 ? kNames[disposition] : "?";
}

}  // namespace

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
  DWORD error = ERROR_GEN_FAILURE;
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (name == nullptr || *name == 0) {
    error = ERROR_PATH_NOT_FOUND;
  } else if (!vel::platform::ShouldFail("CreateFileW")) {
    handle = Open(name, access, disposition, &error);
  }
  SetLastError(error);
  vel::platform::LogCall(
      "CreateFileW(" + vel::platform::LogText(name) + ", " + DispositionText(disposition) + ") = " +
      (handle == INVALID_HANDLE_VALUE ? "INVALID_HANDLE_VALUE error " + std::to_string(error)
                                      : std::string("handle")));
  return handle;
}

BOOL DeleteFileW(LPCWSTR name) {
  DWORD error = ERROR_SUCCESS;
  if (name == nullptr || *name == 0) {
    error = ERROR_PATH_NOT_FOUND;
  } else if (vel::platform::ShouldFail("DeleteFileW")) {
    error = ERROR_ACCESS_DENIED;
  } else {
    const std::string path = vel::platform::MapPlatformPath(std::u16string_view(name));
    struct stat info {};
    if (path.empty()) {
      error = ERROR_PATH_NOT_FOUND;
    } else if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      error = ERROR_ACCESS_DENIED;
    } else if (::unlink(path.c_str()) != 0) {
      error = ErrorOf(errno, path);
    }
  }
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
  }
  vel::platform::LogCall(
      "DeleteFileW(" + vel::platform::LogText(name) +
      ") = " + (error == ERROR_SUCCESS ? "TRUE" : "FALSE error " + std::to_string(error)));
  return error == ERROR_SUCCESS ? TRUE : FALSE;
}

HFILE OpenFile(LPCSTR name, OFSTRUCT* record, UINT style) {
  std::u16string found;
  bool exists = false;
  if (name != nullptr && *name != 0 && record != nullptr && (style & OF_EXIST) != 0 &&
      !vel::platform::ShouldFail("OpenFile")) {
    const std::u16string wide = vel::platform::WidenAnsi(name);
    if (vel::platform::detail::FindModule(wide.c_str(), &found)) {
      exists = true;
    } else if (wide.find_first_of(u"\\/:") != std::u16string::npos) {
      const std::string path = vel::platform::MapPlatformPath(std::u16string_view(wide));
      struct stat info {};
      exists = !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
      found = wide;
    }
  }
  if (record != nullptr) {
    std::memset(record, 0, sizeof *record);
    record->cBytes = sizeof *record;
    record->fFixedDisk = 1;
    if (exists) {
      const std::string narrow = vel::platform::NarrowAnsi(found);
      std::strncpy(record->szPathName, narrow.c_str(), sizeof record->szPathName - 1);
    } else {
      record->nErrCode = static_cast<WORD>(ERROR_FILE_NOT_FOUND);
    }
  }
  if (!exists) {
    SetLastError(ERROR_FILE_NOT_FOUND);
  }
  vel::platform::LogCall("OpenFile(" + std::string(name != nullptr ? name : "(null)") +
                         ") = " + (exists ? "1" : "HFILE_ERROR"));
  return exists ? 1 : HFILE_ERROR;
}
