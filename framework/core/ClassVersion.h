// The class version word of the framework's persistent classes.
//
// Every class saves its base part, then its own 32-bit class version word (1 throughout), then its
// own fields. A restore that meets another word stops reading that class's fields, keeps their
// values and fails the carrier: object records carry no length, so reading on would take the next
// bytes for the next object. A few words are read and not checked (their readers say so); those go
// through SkipClassVersion.
#pragma once

#include <atomic>
#include <cstdint>

#include "rw/RWBinaryFile.h"

class RWVirtualInStream;
class RWVirtualOutStream;

namespace vel {

inline constexpr std::uint32_t kClassVersion = 1;
// Bytes of the word in every carrier's binary form.
inline constexpr std::uint32_t kClassVersionSize = 4;

namespace class_version_detail {

// The ScopedClassVersionPatch objects alive in the process. While there are none (always, outside
// the tests of the version check) a checked word is written as it is, without a look at the
// thread's patch.
inline std::atomic<std::uint32_t> live_patches{0};
// The word written for `version` under this thread's patch (counting it).
std::uint32_t PatchedWord(std::uint32_t version);

}  // namespace class_version_detail

// The checked word to write for `version`: `version`, unless the test seam below patches it.
inline std::uint32_t ClassVersionWord(std::uint32_t version = kClassVersion) {
  return class_version_detail::live_patches.load(std::memory_order_relaxed) == 0
             ? version
             : class_version_detail::PatchedWord(version);
}

// Writes the word (Put(unsigned long) on a stream, 4 bytes in a file): kClassVersion, or the
// `version` of a class whose word is another number.
void WriteClassVersion(RWVirtualOutStream& stream, std::uint32_t version = kClassVersion);
inline void WriteClassVersion(RWBinaryFile& file, std::uint32_t version = kClassVersion) {
  (void)file.Write(static_cast<unsigned int>(ClassVersionWord(version)));
}

// Reads the word: true when it is `version`. Otherwise, and when it could not be read, the
// carrier is failed and the answer is false.
[[nodiscard]] bool ReadClassVersion(RWVirtualInStream& stream,
                                    std::uint32_t version = kClassVersion);
[[nodiscard]] inline bool ReadClassVersion(RWBinaryFile& file,
                                           std::uint32_t version = kClassVersion) {
  unsigned int word = 0;
  if (file.Read(word) && word == version) {
    return true;
  }
  file.SetError();
  return false;
}

// A word that its reader does not check: written as 1 (and never patched by the test seam below),
// read back without a check (true when it could be read).
void WriteUncheckedClassVersion(RWVirtualOutStream& stream);
inline void WriteUncheckedClassVersion(RWBinaryFile& file) {
  (void)file.Write(static_cast<unsigned int>(kClassVersion));
}
bool SkipClassVersion(RWVirtualInStream& stream);
inline bool SkipClassVersion(RWBinaryFile& file) {
  unsigned int word = 0;
  return file.Read(word);
}

// For tests of the version check: while one lives, the checked class version words written on this
// thread are counted from 0, and the one numbered `patched` is written as `word` instead (a class
// whose own word is `word` gets 0 instead, so that the patched word is always a foreign one).
class ScopedClassVersionPatch {
 public:
  ScopedClassVersionPatch(std::uint32_t patched, std::uint32_t word);
  ~ScopedClassVersionPatch();
  ScopedClassVersionPatch(const ScopedClassVersionPatch&) = delete;
  ScopedClassVersionPatch& operator=(const ScopedClassVersionPatch&) = delete;

  // The checked words written so far.
  std::uint32_t Written() const;
};

}  // namespace vel
