// The file seam of the kernel-mode flavour: the framework's file calls on the kernel-mode file
// layer (platform/flavour/render/KMMapFile.h). The user-mode flavour maps the same calls onto
// standard C streams.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/flavour/render/KMMapFile.h"

namespace vel::flavour {

using File = KMMapFile;

// Origins of FileSeek.
inline constexpr int kFileSeekStart = 0;
inline constexpr int kFileSeekCurrent = 1;
inline constexpr int kFileSeekEnd = 2;

inline File* FileOpen(const char* name, const char* mode) { return KMMapFileOpen(name, mode); }
inline int FileClose(File* file) { return KMMapFileClose(file); }
inline std::size_t FileRead(void* buffer, std::size_t size, std::size_t count, File* file) {
  return KMMapFileRead(buffer, size, count, file);
}
inline std::size_t FileWrite(const void* buffer, std::size_t size, std::size_t count,
                             File* file) {
  return KMMapFileWrite(buffer, size, count, file);
}
inline int FileSeek(File* file, std::int32_t offset, int origin) {
  return KMMapFileSeek(file, offset, origin);
}
// -1 on failure.
inline long FileTell(File* file) { return KMMapFileTell(file); }
inline int FileGetChar(File* file) { return KMMapFileGetChar(file); }
inline int FileUngetChar(int c, File* file) { return KMMapFileUngetChar(c, file); }
inline bool FileEof(File* file) { return KMMapFileEof(file) != 0; }
inline bool FileError(File* file) { return KMMapFileError(file) != 0; }
inline void FileClearError(File* file) { KMMapFileClearError(file); }
inline int FileFlush(File* file) { return KMMapFileFlush(file); }
inline int FileRemove(const char* name) { return KMFileRemove(name); }
// The file's length with everything written so far; -1 on failure.
inline std::int64_t FileLength(File* file) { return KMMappedLength(KMMapFileModule(file)); }

}  // namespace vel::flavour
