// Stand-in Win32 files: CreateFileW, DeleteFileW and OpenFile over host files, with Windows-style
// names mapped by the platform's one name mapping (platform/PathMap.h). CloseHandle (windows.h)
// closes file handles too.
#pragma once

#include "platform/PlatformTypes.h"

inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

// Opens or creates a file by disposition: CREATE_NEW (80 when it exists), CREATE_ALWAYS (created
// or truncated; 183 as last error when it existed), OPEN_EXISTING (2 when missing, 3 when its
// folder is), OPEN_ALWAYS, TRUNCATE_EXISTING. A folder cannot be opened (5). Failure answers
// INVALID_HANDLE_VALUE.
HANDLE CreateFileW(LPCWSTR name,
                   DWORD access,
                   DWORD share_mode,
                   void* security,
                   DWORD disposition,
                   DWORD flags,
                   HANDLE template_file);
// 2 when the file is missing, 5 for a folder.
BOOL DeleteFileW(LPCWSTR name);

using HFILE = INT;
inline constexpr HFILE HFILE_ERROR = -1;
inline constexpr UINT OF_EXIST = 0x4000;

// The file record of OpenFile, 136 bytes.
struct OFSTRUCT {
  BYTE cBytes;
  BYTE fFixedDisk;
  WORD nErrCode;
  WORD Reserved1;
  WORD Reserved2;
  char szPathName[128];
};
static_assert(sizeof(OFSTRUCT) == 136);

// Only OF_EXIST: whether the file exists, with its full Windows-style name in szPathName. A bare
// name is searched where LoadLibraryW searches (virtual modules and the module folder); a path
// is the module of that path or the mapped file. Answers 1, or HFILE_ERROR with nErrCode and the
// last error 2.
HFILE OpenFile(LPCSTR name, OFSTRUCT* record, UINT style);
