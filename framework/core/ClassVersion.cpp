// The class version word: writing, checked and unchecked reading, and the test patch.
#include "framework/core/ClassVersion.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace vel {

namespace {

struct Patch {
  bool active = false;
  std::uint32_t patched = 0;
  std::uint32_t word = 0;
  std::uint32_t written = 0;
};

thread_local Patch t_patch;

std::uint32_t NextWord(std::uint32_t version) {
  if (!t_patch.active || t_patch.written++ != t_patch.patched) {
    return version;
  }
  return t_patch.word != version ? t_patch.word : 0;
}

}  // namespace

void WriteClassVersion(RWVirtualOutStream& stream, std::uint32_t version) {
  stream.Put(static_cast<unsigned long>(NextWord(version)));
}

void WriteClassVersion(RWBinaryFile& file, std::uint32_t version) {
  (void)file.Write(static_cast<unsigned int>(NextWord(version)));
}

void WriteUncheckedClassVersion(RWVirtualOutStream& stream) {
  stream.Put(static_cast<unsigned long>(kClassVersion));
}

void WriteUncheckedClassVersion(RWBinaryFile& file) {
  (void)file.Write(static_cast<unsigned int>(kClassVersion));
}

bool ReadClassVersion(RWVirtualInStream& stream, std::uint32_t version) {
  unsigned long word = 0;
  stream.Get(word);
  if (stream.Good() != 0 && word == version) {
    return true;
  }
  stream.SetStatus(stream.Status() | kRWStreamFail);
  return false;
}

bool ReadClassVersion(RWBinaryFile& file, std::uint32_t version) {
  unsigned int word = 0;
  if (file.Read(word) && word == version) {
    return true;
  }
  file.SetError();
  return false;
}

bool SkipClassVersion(RWVirtualInStream& stream) {
  unsigned long word = 0;
  stream.Get(word);
  return stream.Good() != 0;
}

bool SkipClassVersion(RWBinaryFile& file) {
  unsigned int word = 0;
  return file.Read(word);
}

ScopedClassVersionPatch::ScopedClassVersionPatch(std::uint32_t patched, std::uint32_t word) {
  t_patch = Patch{true, patched, word, 0};
}

ScopedClassVersionPatch::~ScopedClassVersionPatch() {
  t_patch = Patch{};
}

std::uint32_t ScopedClassVersionPatch::Written() const {
  return t_patch.written;
}

}  // namespace vel
