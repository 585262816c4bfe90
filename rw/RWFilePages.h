// The write-back page cache of a binary file opened for update: the file seen as pages of
// kPageSize bytes, of which at most kMaxPages are held in memory, the least recently used one
// making room for the next. Reads and writes at any position touch only the held pages; a modified
// page goes to the file when it makes room (with the modified pages that join up with it, so that
// the pages of a growing file go in a few runs), and every modified page on WriteBack (the binary
// file's Flush, its destruction).
// So a file read and written at many places in small pieces (the file
// space manager's header words, free-list records and blocks, the on-disk B-tree's nodes) costs a
// few transfers of whole pages instead of a seek, and with it a flush of the stream, per value.
//
// The cache keeps the file's position, its length and its end-of-file and error indicators
// itself, with the meaning the stream gives them: the length is the file's length with every
// write made so far, a read at or beyond it moves what there is and sets end-of-file, a seek
// clears end-of-file. A seek beyond the length goes to the file layer as well, which decides what
// such a seek does (a standard stream leaves the length alone; the kernel-mode file layer makes
// the file that long). Bytes that nobody wrote below the length read as zeros, as the file's own
// gaps do. A failed transfer sets the error indicator, which stays set until ClearError.
//
// A page read from the file brings the pages after it along in the same transfer (up to
// kReadAhead pages in all), while they lie within the file and there are free page slots for
// them, or, when the page follows the last one read (the file is being read through), slots of
// the least recently used pages that hold no modified bytes: a file opened and read through (a
// record file's tree, then its records) costs a few large reads instead of one per page. Write-back
// sends modified pages that join up (one modified through its end, the next from its start) in one
// transfer too. The stream is positioned only when it is not already where the next transfer of the
// same direction starts.
//
// One thread at a time uses a file, like the stream under it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "vel_flavour.h"

class RWFilePages {
 public:
  static constexpr std::size_t kPageSize = 4096;
  static constexpr std::size_t kMaxPages = 64;
  static constexpr std::size_t kReadAhead = 16;
  static constexpr std::int64_t kPageBytes = static_cast<std::int64_t>(kPageSize);

  // Over an open file; its length is asked of the file layer. Failed() when it cannot be had.
  explicit RWFilePages(vel::flavour::File* file);
  ~RWFilePages();
  RWFilePages(const RWFilePages&) = delete;
  RWFilePages& operator=(const RWFilePages&) = delete;

  // The bytes moved (count, unless the end of the file came first: then end-of-file is set).
  std::size_t Read(void* bytes, std::size_t count) {
    // Within the page used last: the common case of values read one after another.
    if (current_ != nullptr && count <= kPageSize &&
        position_ + static_cast<std::int64_t>(count) <= length_) {
      const std::int64_t at = position_ - current_->index * kPageBytes;
      if (at >= 0 && at + static_cast<std::int64_t>(count) <= kPageBytes) {
        std::memcpy(bytes, current_->bytes.get() + at, count);
        position_ += static_cast<std::int64_t>(count);
        return count;
      }
    }
    return ReadPages(bytes, count);
  }
  // The next `count` bytes in place, when they lie within the page used last and within the
  // file: the position moves past them. Null otherwise, and nothing changes (Read then moves them,
  // or tells why not).
  const unsigned char* ReadSpan(std::size_t count) {
    if (current_ != nullptr && count <= kPageSize &&
        position_ + static_cast<std::int64_t>(count) <= length_) {
      const std::int64_t at = position_ - current_->index * kPageBytes;
      if (at >= 0 && at + static_cast<std::int64_t>(count) <= kPageBytes) {
        position_ += static_cast<std::int64_t>(count);
        return current_->bytes.get() + at;
      }
    }
    return nullptr;
  }
  // Room for the next `count` bytes in place, when they lie within the page used last: the bytes
  // count as written (modified, the position past them, the length grown) and the caller must
  // fill them at once. Null otherwise, and nothing changes (Write then writes them).
  unsigned char* WriteSpan(std::size_t count) {
    if (current_ != nullptr && count <= kPageSize) {
      const std::int64_t at = position_ - current_->index * kPageBytes;
      if (at >= 0 && at + static_cast<std::int64_t>(count) <= kPageBytes &&
          position_ + static_cast<std::int64_t>(count) <= 0x7FFFFFFF) {
        const auto begin = static_cast<std::size_t>(at);
        Touch(*current_, begin, begin + count);
        position_ += static_cast<std::int64_t>(count);
        if (position_ > length_) {
          length_ = position_;
        }
        return current_->bytes.get() + begin;
      }
    }
    return nullptr;
  }
  // The next byte (0 to 255), or -1 at the end of the file or on an error.
  int GetChar();
  // All or nothing: false (the error indicator set) when the bytes would end beyond 32-bit file
  // offsets or a page could not be had.
  bool Write(const void* bytes, std::size_t count) {
    // Within the page used last: the common case of values written one after another.
    if (current_ != nullptr && count <= kPageSize) {
      const std::int64_t at = position_ - current_->index * kPageBytes;
      if (at >= 0 && at + static_cast<std::int64_t>(count) <= kPageBytes &&
          position_ + static_cast<std::int64_t>(count) <= 0x7FFFFFFF) {
        const auto begin = static_cast<std::size_t>(at);
        std::memcpy(current_->bytes.get() + begin, bytes, count);
        Touch(*current_, begin, begin + count);
        position_ += static_cast<std::int64_t>(count);
        if (position_ > length_) {
          length_ = position_;
        }
        return true;
      }
    }
    return WritePages(bytes, count);
  }
  bool Seek(std::int64_t offset) {
    // Within the file as it stands: the cache alone moves.
    if (offset >= 0 && offset <= length_) {
      position_ = offset;
      eof_ = false;
      return true;
    }
    return SeekBeyond(offset);
  }
  // Seek(offset) and Write(bytes, count) when the bytes lie within the file's length and within
  // one of the pages used last (that page does not become the page used last, which stays, for
  // the values written one after another there); else false, and nothing changes.
  bool WriteHeld(std::int64_t offset, const void* bytes, std::size_t count) {
    if (offset >= 0 && offset <= length_ && count <= kPageSize) {
      const auto at = static_cast<std::size_t>(offset % kPageBytes);
      if (at + count <= kPageSize) {
        if (Page* page = HeldRecently(offset / kPageBytes)) {
          std::memcpy(page->bytes.get() + at, bytes, count);
          Touch(*page, at, at + count);
          page->used = ++clock_;
          position_ = offset + static_cast<std::int64_t>(count);
          eof_ = false;
          if (position_ > length_) {
            length_ = position_;
          }
          return true;
        }
      }
    }
    return false;
  }
  // Seek for a write that follows at once: a position beyond the length by less than a page is
  // reached by writing the bytes between as zeros (what they read as once the write is made),
  // so the file layer need not be asked about a seek beyond the end.
  bool SeekForWrite(std::int64_t offset) {
    if (offset > length_ && offset - length_ < kPageBytes) {
      return FillTo(offset);
    }
    return Seek(offset);
  }
  std::int64_t Position() const { return position_; }
  std::int64_t Length() const { return length_; }

  // Every modified page to the file, in ascending order, then the stream's own flush; the pages
  // stay held. False (the error indicator set) when a transfer failed.
  bool WriteBack();

  bool Eof() const { return eof_; }
  bool Error() const { return error_; }
  void ClearError();

 private:
  struct Page {
    std::int64_t index = -1;      // page number, -1 for a free slot
    std::uint64_t used = 0;       // stamp of the last use
    std::size_t dirty_begin = 0;  // modified bytes [dirty_begin, dirty_end) of the page
    std::size_t dirty_end = 0;
    std::unique_ptr<unsigned char[]> bytes;
  };

  // The page of that number when it is the page used last or one of those used before it.
  Page* HeldRecently(std::int64_t index) const {
    if (current_ != nullptr && current_->index == index) {
      return current_;
    }
    for (Page* recent : recent_) {
      if (recent != nullptr && recent->index == index) {
        return recent;
      }
    }
    return nullptr;
  }
  // A seek outside the file's length (refused below 0 and beyond 32-bit offsets).
  bool SeekBeyond(std::int64_t offset);
  // Zeros from the length to offset; the position at offset.
  bool FillTo(std::int64_t offset);
  std::size_t ReadPages(void* bytes, std::size_t count);
  bool WritePages(const void* bytes, std::size_t count);
  // The held page of that number, read from the file when it was not held; null when it cannot
  // be had (the error indicator is then set).
  Page* Hold(std::int64_t index);
  Page* Find(std::int64_t index);
  // Reads the page of that number into `page` (held, and counted in the pages in use), and the
  // pages after it into free slots.
  bool Load(Page& page, std::int64_t index);
  bool Store(Page& page);
  // Every modified page to the file, in runs of pages that join up (no flush of the stream).
  bool StoreAll();
  // The page to the file with the modified pages that join up with it, in one transfer.
  bool StoreWithNeighbours(Page& page);
  // Pages that join up, in order, in one transfer (one by one without the run buffer).
  bool StoreRun(Page* const* run, std::size_t count);
  // The first page is modified through its end and the second, the page after it, from its start.
  static bool Joins(const Page& first, const Page& second) {
    return first.dirty_end == kPageSize && first.dirty_end > first.dirty_begin &&
           second.index == first.index + 1 && second.dirty_begin == 0 &&
           second.dirty_end > second.dirty_begin;
  }
  // Up to `most` held pages other than `except` that hold no modified bytes, the least recently
  // used first, into out; their number.
  std::size_t LeastRecentlyUsedClean(const Page& except, Page** out, std::size_t most);
  // Places the stream at `offset` for a transfer in that direction, unless it is there already.
  enum class Direction : std::uint8_t { kNone, kRead, kWrite };
  bool PlaceStream(std::int64_t offset, Direction direction);
  // Marks bytes [begin, end) of the page modified.
  static void Touch(Page& page, std::size_t begin, std::size_t end) {
    if (page.dirty_end <= page.dirty_begin) {
      page.dirty_begin = begin;
      page.dirty_end = end;
    } else {
      page.dirty_begin = begin < page.dirty_begin ? begin : page.dirty_begin;
      page.dirty_end = end > page.dirty_end ? end : page.dirty_end;
    }
  }

  vel::flavour::File* file_;
  Page pages_[kMaxPages];
  std::size_t pages_in_use_ = 0;
  Page* current_ = nullptr;  // the page used last, looked at first
  static constexpr std::size_t kRecent = 4;
  Page* recent_[kRecent] = {};  // pages used before it, looked at next (their index tells)
  std::size_t next_recent_ = 0;
  std::uint64_t clock_ = 0;
  std::int64_t position_ = 0;
  std::int64_t length_ = 0;       // with every write made so far
  std::int64_t file_length_ = 0;  // of the file itself, with the pages written back so far
  bool eof_ = false;
  bool error_ = false;
  // Where the stream stands after this cache's last transfer (-1: not known), and its direction.
  std::int64_t stream_position_ = -1;
  Direction last_transfer_ = Direction::kNone;
  // The bytes of one read of several pages.
  std::unique_ptr<unsigned char[]> run_;
  // The page after the last ones read from the file: a read of it continues a read through.
  std::int64_t next_in_sequence_ = -1;
};
