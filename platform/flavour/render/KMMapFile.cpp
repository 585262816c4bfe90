// Stream layer of the kernel-mode files.
#include "platform/flavour/render/KMMapFile.h"

#include <cstring>
#include <limits>
#include <new>

#include "platform/flavour/render/KMFileFlags.h"
#include "platform/flavour/render/KMNative.h"

namespace {

// The debug print of this build writes nothing.
void DebugPrint(const char* /*format*/, ...) {}

}  // namespace

bool KMMapFileParseMode(const char* mode, std::uint32_t& flags) {
  if (mode == nullptr) {
    return false;
  }
  switch (mode[0]) {
    case 'r':
      flags = kKMReadOnly;
      break;
    case 'w':
      flags = kKMWriteOnly | kKMCreate | kKMTruncate;
      break;
    case 'a':
      flags = kKMWriteOnly | kKMAppend | kKMCreate;
      break;
    default:
      return false;
  }
  bool plus = false;
  bool hint = false;
  bool kind = false;
  for (const char* p = mode + 1; *p != '\0'; ++p) {
    if (*p == '+' && !plus) {
      plus = true;
      flags = (flags & ~kKMWriteOnly) | kKMReadWrite;
    } else if (*p == 'D' && (flags & kKMTemporary) == 0) {
      flags |= kKMTemporary;
    } else if ((*p == 'R' || *p == 'S') && !hint) {
      hint = true;
      flags |= *p == 'R' ? kKMRandom : kKMSequential;
    } else if (*p == 'T' && (flags & kKMShortLived) == 0) {
      flags |= kKMShortLived;
    } else if ((*p == 'b' || *p == 't') && !kind) {
      kind = true;
      flags |= *p == 'b' ? kKMBinary : kKMText;
    } else if (*p != 'c' && *p != 'n') {
      break;
    }
  }
  return true;
}

KMMapFile* KMMapFileOpen(const char* name, const char* mode) {
  std::uint32_t flags = 0;
  if (name == nullptr || !KMMapFileParseMode(mode, flags)) {
    return nullptr;
  }
  auto* record = new (std::nothrow) KMMappedModule;
  if (record == nullptr) {
    return nullptr;
  }
  WCHAR* wide = KMAnsiToWide(name);
  record->semaphore = EngCreateSemaphore();
  HANDLE module = nullptr;
  if (wide != nullptr && record->semaphore != nullptr) {
    module = KMMappedOpen(wide, flags, kKMDenyNone, kKMPermitReadWrite, record);
  }
  EngFreeMem(wide);
  auto* stream = module != nullptr ? new (std::nothrow) KMMapFile : nullptr;
  auto* position = stream != nullptr ? new (std::nothrow) std::int32_t(record->position) : nullptr;
  if (position == nullptr) {
    if (module != nullptr) {
      // Opening changed nothing yet that a close would have to keep.
      (void)KMMappedClose(record);
    }
    delete stream;
    if (record->semaphore != nullptr) {
      EngDeleteSemaphore(record->semaphore);
    }
    delete record;
    DebugPrint("--KMMapFileOpen: pHandle = NULL\n");
    return nullptr;
  }
  stream->module = record;
  stream->position = position;
  stream->flags = 0;
  DebugPrint("--KMMapFileOpen: %s\n", name);
  return stream;
}

int KMMapFileClose(KMMapFile* stream) {
  if (stream == nullptr) {
    return -1;
  }
  int result = 0;
  if (KMMappedClose(stream->module) != 0) {
    stream->flags |= kKMMapFileEof | kKMMapFileError;
    result = -1;
  }
  EngDeleteSemaphore(stream->module->semaphore);
  delete stream->module;
  delete stream->position;
  delete stream;
  return result;
}

std::size_t KMMapFileRead(void* buffer, std::size_t size, std::size_t count, KMMapFile* stream) {
  if (stream == nullptr || (stream->flags & kKMMapFileError) != 0 || size == 0 || count == 0) {
    return 0;
  }
  std::size_t wanted = count > std::numeric_limits<std::uint32_t>::max() / size
                           ? std::numeric_limits<std::uint32_t>::max()
                           : size * count;
  const std::int32_t read =
      KMMappedRead(buffer, static_cast<std::uint32_t>(wanted), stream->module);
  if (read < 0) {
    stream->flags |= kKMMapFileError;
    return 0;
  }
  *stream->position += read;
  const std::size_t items = static_cast<std::size_t>(read) / size;
  if (items < count) {
    stream->flags |= kKMMapFileEof;
  }
  return items;
}

std::size_t KMMapFileWrite(const void* buffer, std::size_t size, std::size_t count,
                           KMMapFile* stream) {
  if (stream == nullptr) {
    return 0;
  }
  const bool too_large = size != 0 && count > std::numeric_limits<std::int32_t>::max() / size;
  if ((stream->flags & kKMMapFileEof) != 0 || too_large) {
    stream->flags |= kKMMapFileEof | kKMMapFileError;
    return 0;
  }
  if (size == 0 || count == 0) {
    return 0;
  }
  const std::int32_t written =
      KMMappedWrite(buffer, static_cast<std::uint32_t>(size * count), stream->module);
  if (written < 0) {
    stream->flags |= kKMMapFileEof | kKMMapFileError;
    return 0;
  }
  *stream->position = KMMappedTell(stream->module);
  stream->flags &= ~kKMMapFileEof;
  return count;
}

int KMMapFileSeek(KMMapFile* stream, std::int32_t offset, int origin) {
  if (stream == nullptr || (stream->flags & kKMMapFileError) != 0) {
    return -1;
  }
  std::int32_t result = -1;
  if (origin == 1) {
    const std::int64_t target = std::int64_t{*stream->position} + offset;
    if (target >= 0 && target <= std::numeric_limits<std::int32_t>::max()) {
      result = KMMappedSeek(static_cast<std::int32_t>(target), 0, stream->module);
    }
  } else {
    result = KMMappedSeek(offset, origin, stream->module);
  }
  if (result < 0) {
    stream->flags |= kKMMapFileError;
    return -1;
  }
  *stream->position = result;
  stream->flags &= ~kKMMapFileEof;
  return 0;
}

std::int32_t KMMapFileTell(KMMapFile* stream) {
  return stream == nullptr ? -1 : KMMappedTell(stream->module);
}

int KMMapFileFlush(KMMapFile* stream) {
  if (stream == nullptr) {
    return -1;
  }
  KMMappedModule* record = stream->module;
  if ((record->flags & kKMMappedWritable) == 0 || record->position < 0 ||
      record->capacity == static_cast<std::uint32_t>(record->end_mark)) {
    return 0;
  }
  // Remapped at exactly the end mark, the file on disk holds just the data written so far.
  if (!KMMappedGrow(record, static_cast<std::uint32_t>(record->end_mark))) {
    stream->flags |= kKMMapFileError;
    return -1;
  }
  return 0;
}

int KMMapFileEof(KMMapFile* stream) {
  return stream == nullptr ? 0 : static_cast<int>(stream->flags & kKMMapFileEof);
}

int KMMapFileError(KMMapFile* stream) {
  return stream == nullptr ? 0 : static_cast<int>(stream->flags & kKMMapFileError);
}

void KMMapFileClearError(KMMapFile* stream) {
  if (stream != nullptr) {
    stream->flags &= ~(kKMMapFileEof | kKMMapFileError);
  }
}

KMMappedModule* KMMapFileModule(KMMapFile* stream) {
  return stream == nullptr ? nullptr : stream->module;
}

int KMMapFileGetChar(KMMapFile* stream) {
  unsigned char byte = 0;
  return KMMapFileRead(&byte, 1, 1, stream) == 1 ? byte : -1;
}

int KMMapFileUngetChar(int c, KMMapFile* stream) {
  if (stream == nullptr || *stream->position <= 0 || KMMapFileSeek(stream, -1, 1) != 0) {
    return -1;
  }
  return c;
}

int KMFileRemove(const char* name) {
  DebugPrint("***** IN KMFileDelete(ANSI) *****\n");
  DebugPrint("filename ='%s'\n", name);
  return KMFileDelete(name);
}
