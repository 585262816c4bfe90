// The stream layer of the kernel-mode files: the standard stream operations (open with a mode
// string, close, read, write, seek, tell, get a character, push one back, end-of-file and error
// tests, clear, flush, remove) over a mapped module. The render flavour's file seam maps the
// framework's file calls onto these.
//
// Mode strings: a first letter "r" (read), "w" (write, create, truncate) or "a" (write, append,
// create), then any of "+" (read and write), "D" (temporary), "R" or "S" (random or sequential),
// "T" (short-lived), "b" or "t" (binary or text), "c", "n" (ignored). Parsing stops at the first
// letter that is unknown or not allowed again and keeps what was read.
//
// A write after a read that reached the end is refused (and sets both flags) until a seek or
// KMMapFileClearError: seek between such a read and a write.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/flavour/render/KMMappedModule.h"

struct KMMapFile {
  KMMappedModule* module = nullptr;
  std::int32_t* position = nullptr;  // owned cell mirroring the position
  std::uint32_t flags = 0;           // kKMMapFileEof, kKMMapFileError
};

inline constexpr std::uint32_t kKMMapFileEof = 0x10;
inline constexpr std::uint32_t kKMMapFileError = 0x20;

// The open flags a mode string gives, or false for a bad first letter.
bool KMMapFileParseMode(const char* mode, std::uint32_t& flags);

// Null when the file cannot be opened (nothing is left behind).
KMMapFile* KMMapFileOpen(const char* name, const char* mode);
// 0, or -1 when the module could not be closed cleanly; frees everything in every case.
int KMMapFileClose(KMMapFile* stream);
// Items read; the position advances by the bytes read, a partial last item included. Fewer
// items than asked set the end-of-file flag; with the error flag set nothing is read.
std::size_t KMMapFileRead(void* buffer, std::size_t size, std::size_t count, KMMapFile* stream);
// Items written (all or none).
std::size_t KMMapFileWrite(const void* buffer, std::size_t size, std::size_t count,
                           KMMapFile* stream);
// 0 or -1 (which sets the error flag); origin 0 start, 1 current, 2 end.
int KMMapFileSeek(KMMapFile* stream, std::int32_t offset, int origin);
std::int32_t KMMapFileTell(KMMapFile* stream);
// Leaves the file on disk exactly as long as its data (a writable file is otherwise mapped with
// room to spare); 0, or -1 with the error flag set when the remap fails.
int KMMapFileFlush(KMMapFile* stream);
int KMMapFileEof(KMMapFile* stream);
int KMMapFileError(KMMapFile* stream);
void KMMapFileClearError(KMMapFile* stream);
KMMappedModule* KMMapFileModule(KMMapFile* stream);
// The next byte (0 to 255) or -1.
int KMMapFileGetChar(KMMapFile* stream);
// Steps back one byte and answers `c` (the byte is not stored: the next read gives the file's own
// byte); -1 at position 0 or when the seek fails.
int KMMapFileUngetChar(int c, KMMapFile* stream);
// 0 when the named file was deleted, else -1.
int KMFileRemove(const char* name);
