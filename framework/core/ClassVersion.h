// The class version word of the framework's persistent classes.
//
// Every class saves its base part, then its own 32-bit class version word (1 throughout), then its
// own fields. A restore that meets another word stops reading that class's fields, keeps their
// values and fails the carrier: object records carry no length, so reading on would take the next
// bytes for the next object. A few words are read and not checked (their readers say so); those go
// through SkipClassVersion.
#pragma once

#include <cstdint>

class RWBinaryFile;
class RWVirtualInStream;
class RWVirtualOutStream;

namespace vel {

inline constexpr std::uint32_t kClassVersion = 1;
// Bytes of the word in every carrier's binary form.
inline constexpr std::uint32_t kClassVersionSize = 4;

// Writes the word (Put(unsigned long) on a stream, 4 bytes in a file): kClassVersion, or the
// `version` of a class whose word is another number.
void WriteClassVersion(RWVirtualOutStream& stream, std::uint32_t version = kClassVersion);
void WriteClassVersion(RWBinaryFile& file, std::uint32_t version = kClassVersion);

// Reads the word: true when it is `version`. Otherwise, and when it could not be read, the
// carrier is failed and the answer is false.
[[nodiscard]] bool ReadClassVersion(RWVirtualInStream& stream,
                                    std::uint32_t version = kClassVersion);
[[nodiscard]] bool ReadClassVersion(RWBinaryFile& file, std::uint32_t version = kClassVersion);

// A word that its reader does not check: written as 1 (and never patched by the test seam below),
// read back without a check (true when it could be read).
void WriteUncheckedClassVersion(RWVirtualOutStream& stream);
void WriteUncheckedClassVersion(RWBinaryFile& file);
bool SkipClassVersion(RWVirtualInStream& stream);
bool SkipClassVersion(RWBinaryFile& file);

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
