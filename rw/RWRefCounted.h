// The reference word of a shared block: the number of references minus one.
//
// String representations and the framework's counted objects start with this word. A block with
// one holder has the word 0; the framework's objects start at kNoHolder (-1) and their first holder
// makes it 0. The word is atomic: every change gives the same result as a change made under the
// static lock of the owner's source unit, which callers still name so that the lock discipline of
// the units stays visible at every call.
#pragma once

#include <atomic>
#include <cstdint>

class RWStaticLock;

class RWRefCounted {
 public:
  // The word of a block that nothing holds yet.
  static constexpr std::int32_t kNoHolder = -1;

  // `references_minus_one` is the starting word: 0 for a block made for one holder.
  explicit constexpr RWRefCounted(std::int32_t references_minus_one = 0) noexcept
      : references_(references_minus_one) {}

  // A count belongs to one block: it is never copied. Classes that copy construct their base
  // name the word the copy starts at.
  RWRefCounted(const RWRefCounted&) = delete;
  RWRefCounted& operator=(const RWRefCounted&) = delete;

  // Adds one reference.
  void AddReference(RWStaticLock& /*lock*/) { references_.fetch_add(1, std::memory_order_relaxed); }

  // Drops one reference and returns the word as it stood before: 0 means the caller held the last
  // reference and now frees the block. Everything the other holders did to the block happens
  // before that return of 0.
  [[nodiscard]] std::int32_t RemoveReference(RWStaticLock& /*lock*/) {
    return references_.fetch_sub(1, std::memory_order_acq_rel);
  }

  // The word: the number of references minus one.
  std::int32_t References() const { return references_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::int32_t> references_;
};
