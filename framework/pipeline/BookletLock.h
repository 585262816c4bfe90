// The booklet lock: one lock of the process that keeps the recording of a booklet page and the
// selection of a recorded page's font file apart, across every job of the process.
//
// It is owned by a token (a recording booklet filter, or an iterator over a recorded page), not
// by a thread: a page is recorded between its page start and its page end, which may be handled on
// different threads, so whichever thread ends the owner's page releases it. Acquiring is
// re-entrant for the token that holds it (each acquire needs its release) and waits while another
// token holds it.
//
// Failures are reported through ReportDriverError with severity 2 (301 a failed acquire, 302 a
// release by a token that does not hold the lock, which changes nothing); work goes on.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vel {

class BookletLock {
 public:
  // Made once at first use (safe under concurrent first use) and kept until the module unloads.
  static BookletLock& Instance();

  BookletLock() = default;
  BookletLock(const BookletLock&) = delete;
  BookletLock& operator=(const BookletLock&) = delete;

  // Waits until the lock is free or held by `token`, then holds it for `token` once more. A null
  // token owns nothing: reported (301), and the lock is not taken.
  void Acquire(const void* token);
  // Lets go of one hold of `token`; the last one frees the lock for the waiting tokens. A token
  // that does not hold the lock is reported (302) and changes nothing.
  void Release(const void* token);

  bool IsHeldBy(const void* token) const;
  bool IsFree() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable freed_;
  const void* owner_ = nullptr;
  std::uint32_t holds_ = 0;
};

// Holds the booklet lock for a token while it lives.
class BookletLockHold {
 public:
  explicit BookletLockHold(const void* token) : token_(token) {
    BookletLock::Instance().Acquire(token_);
  }
  ~BookletLockHold() { BookletLock::Instance().Release(token_); }
  BookletLockHold(const BookletLockHold&) = delete;
  BookletLockHold& operator=(const BookletLockHold&) = delete;

 private:
  const void* token_;
};

}  // namespace vel
