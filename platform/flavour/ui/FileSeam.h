// The file seam of the user-mode flavour: the framework's file calls on standard C streams.
// The render flavour maps the same calls onto its kernel-mode file layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vel::flavour {

using File = std::FILE;

// Origins of FileSeek.
inline constexpr int kFileSeekStart = 0;
inline constexpr int kFileSeekCurrent = 1;
inline constexpr int kFileSeekEnd = 2;
static_assert(SEEK_SET == kFileSeekStart && SEEK_CUR == kFileSeekCurrent &&
              SEEK_END == kFileSeekEnd);

inline File* FileOpen(const char* name, const char* mode) { return std::fopen(name, mode); }
inline int FileClose(File* file) { return std::fclose(file); }
inline std::size_t FileRead(void* buffer, std::size_t size, std::size_t count, File* file) {
  return std::fread(buffer, size, count, file);
}
inline std::size_t FileWrite(const void* buffer, std::size_t size, std::size_t count,
                             File* file) {
  return std::fwrite(buffer, size, count, file);
}
inline int FileSeek(File* file, std::int32_t offset, int origin) {
  return std::fseek(file, offset, origin);
}
// -1 on failure.
inline long FileTell(File* file) { return std::ftell(file); }
inline int FileGetChar(File* file) { return std::fgetc(file); }
inline int FileUngetChar(int c, File* file) { return std::ungetc(c, file); }
inline bool FileEof(File* file) { return std::feof(file) != 0; }
inline bool FileError(File* file) { return std::ferror(file) != 0; }
inline void FileClearError(File* file) { std::clearerr(file); }
inline int FileFlush(File* file) { return std::fflush(file); }
inline int FileRemove(const char* name) { return std::remove(name); }
// The file's length with everything written so far; -1 on failure.
std::int64_t FileLength(File* file);

}  // namespace vel::flavour
