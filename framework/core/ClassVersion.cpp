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

}  // namespace

namespace class_version_detail {

std::uint32_t PatchedWord(std::uint32_t version) {
  if (!t_patch.active || t_patch.written++ != t_patch.patched) {
    return version;
  }
  return t_patch.word != version ? t_patch.word : 0;
}

}  // namespace class_version_detail

void WriteClassVersion(RWVirtualOutStream& stream, std::uint32_t version) {
  stream.Put(static_cast<unsigned long>(ClassVersionWord(version)));
}

void WriteUncheckedClassVersion(RWVirtualOutStream& stream) {
  stream.Put(static_cast<unsigned long>(kClassVersion));
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

bool SkipClassVersion(RWVirtualInStream& stream) {
  unsigned long word = 0;
  stream.Get(word);
  return stream.Good() != 0;
}

ScopedClassVersionPatch::ScopedClassVersionPatch(std::uint32_t patched, std::uint32_t word) {
  t_patch = Patch{true, patched, word, 0};
  class_version_detail::live_patches.fetch_add(1, std::memory_order_relaxed);
}

ScopedClassVersionPatch::~ScopedClassVersionPatch() {
  class_version_detail::live_patches.fetch_sub(1, std::memory_order_relaxed);
  t_patch = Patch{};
}

std::uint32_t ScopedClassVersionPatch::Written() const {
  return t_patch.written;
}

}  // namespace vel
