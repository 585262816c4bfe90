// Write-back page cache of a binary file.
#include "rw/RWFilePages.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <vector>

namespace {

namespace seam = vel::flavour;

// Offsets of the file are 32-bit: no byte lies at or beyond this.
constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
constexpr auto kPage = static_cast<std::int64_t>(RWFilePages::kPageSize);

// The page buffers of files that have gone, kept for the next files of the process: a record
// file opened and closed again and again (each page of a booklet is read twice) would otherwise
// ask the allocator for every page of it each time. Made once, never destroyed (files may close
// during exit).
class SpareBuffers {
 public:
  static SpareBuffers& Instance() {
    static auto* spares = new SpareBuffers;
    return *spares;
  }

  std::unique_ptr<unsigned char[]> Page() {
    {
      const std::lock_guard<std::mutex> guard(mutex_);
      if (!pages_.empty()) {
        std::unique_ptr<unsigned char[]> page = std::move(pages_.back());
        pages_.pop_back();
        return page;
      }
    }
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[RWFilePages::kPageSize]);
  }
  std::unique_ptr<unsigned char[]> Run() {
    {
      const std::lock_guard<std::mutex> guard(mutex_);
      if (run_ != nullptr) {
        return std::move(run_);
      }
    }
    return std::unique_ptr<unsigned char[]>(
        new (std::nothrow) unsigned char[RWFilePages::kReadAhead * RWFilePages::kPageSize]);
  }
  // Keeps the buffer when there is room; else it goes.
  void GivePage(std::unique_ptr<unsigned char[]> page) {
    const std::lock_guard<std::mutex> guard(mutex_);
    if (page != nullptr && pages_.size() < pages_.capacity()) {
      pages_.push_back(std::move(page));
    }
  }
  void GiveRun(std::unique_ptr<unsigned char[]> run) {
    const std::lock_guard<std::mutex> guard(mutex_);
    if (run_ == nullptr) {
      run_ = std::move(run);
    }
  }

 private:
  SpareBuffers() {
    try {
      pages_.reserve(kMaxSpares);
    } catch (const std::bad_alloc&) {
      // No spares then: every page is allocated.
    }
  }

  // The pages of a few files.
  static constexpr std::size_t kMaxSpares = 4 * RWFilePages::kMaxPages;
  std::mutex mutex_;
  std::vector<std::unique_ptr<unsigned char[]>> pages_;
  std::unique_ptr<unsigned char[]> run_;
};

}  // namespace

RWFilePages::RWFilePages(vel::flavour::File* file) : file_(file) {
  const std::int64_t length = file_ != nullptr ? seam::FileLength(file_) : -1;
  if (length < 0 || length > kLimit) {
    error_ = true;
    return;
  }
  file_length_ = length;
  length_ = length;
}

RWFilePages::~RWFilePages() {
  SpareBuffers& spares = SpareBuffers::Instance();
  for (std::size_t i = 0; i < pages_in_use_; ++i) {
    spares.GivePage(std::move(pages_[i].bytes));
  }
  if (run_ != nullptr) {
    spares.GiveRun(std::move(run_));
  }
}

RWFilePages::Page* RWFilePages::Find(std::int64_t index) {
  for (std::size_t i = 0; i < pages_in_use_; ++i) {
    if (pages_[i].index == index) {
      return &pages_[i];
    }
  }
  return nullptr;
}

RWFilePages::Page* RWFilePages::Hold(std::int64_t index) {
  if (current_ != nullptr && current_->index == index) {
    return current_;
  }
  // The pages used just before: a file written at a few places in turn (a header word, a block,
  // a tree node) comes back to them at once.
  Page* page = nullptr;
  for (Page* recent : recent_) {
    if (recent != nullptr && recent->index == index) {
      page = recent;
      break;
    }
  }
  if (page == nullptr) {
    page = Find(index);
  }
  if (page == nullptr) {
    if (pages_in_use_ < kMaxPages) {
      Page& fresh = pages_[pages_in_use_];
      fresh.bytes = SpareBuffers::Instance().Page();
      if (fresh.bytes != nullptr) {
        page = &fresh;
        ++pages_in_use_;
      }
    }
    if (page == nullptr) {
      if (pages_in_use_ == 0) {
        error_ = true;
        return nullptr;
      }
      // The page used least recently makes room, written to the file first when modified.
      page = &pages_[0];
      for (std::size_t i = 1; i < pages_in_use_; ++i) {
        if (pages_[i].used < page->used) {
          page = &pages_[i];
        }
      }
      // A modified page goes to the file with the modified pages that join up with it: the pages
      // written one after another at the end of a growing file go in a few transfers, not one
      // each.
      if (page->dirty_end > page->dirty_begin && !StoreWithNeighbours(*page)) {
        return nullptr;
      }
    }
    if (!Load(*page, index)) {
      page->index = -1;
      if (current_ == page) {
        current_ = nullptr;
      }
      return nullptr;
    }
  }
  page->used = ++clock_;
  if (current_ != nullptr && current_ != page) {
    recent_[next_recent_] = current_;
    next_recent_ = (next_recent_ + 1) % kRecent;
  }
  current_ = page;
  return page;
}

bool RWFilePages::PlaceStream(std::int64_t offset, Direction direction) {
  if (stream_position_ == offset && last_transfer_ == direction) {
    return true;
  }
  last_transfer_ = direction;
  if (seam::FileSeek(file_, static_cast<std::int32_t>(offset), seam::kFileSeekStart) != 0) {
    stream_position_ = -1;
    return false;
  }
  stream_position_ = offset;
  return true;
}

bool RWFilePages::Load(Page& page, std::int64_t index) {
  page.index = index;
  page.dirty_begin = 0;
  page.dirty_end = 0;
  const std::int64_t start = index * kPage;
  // The pages after it that can come along: within the file and not held, each in a free slot,
  // or, when the file is being read through (this page follows the last one read), in a slot of
  // a page not modified and used least recently.
  Page* reuse[kReadAhead];
  std::size_t reusable = 0;
  if (index == next_in_sequence_ && pages_in_use_ + kReadAhead > kMaxPages &&
      (index + 1) * kPage < file_length_) {
    reusable = LeastRecentlyUsedClean(page, reuse, kReadAhead - 1);
  }
  Page* along_pages[kReadAhead];
  std::size_t along = 0;
  std::size_t fresh = 0;
  std::size_t reused = 0;
  while (along + 1 < kReadAhead &&
         (index + 1 + static_cast<std::int64_t>(along)) * kPage < file_length_ &&
         Find(index + 1 + static_cast<std::int64_t>(along)) == nullptr) {
    Page* next = nullptr;
    if (pages_in_use_ + fresh < kMaxPages) {
      next = &pages_[pages_in_use_ + fresh];
      if (next->bytes == nullptr) {
        next->bytes = SpareBuffers::Instance().Page();
      }
      if (next->bytes == nullptr) {
        break;
      }
      ++fresh;
    } else if (reused < reusable) {
      next = reuse[reused++];
    } else {
      break;
    }
    along_pages[along++] = next;
  }
  if (along != 0 && run_ == nullptr) {
    run_ = SpareBuffers::Instance().Run();
  }
  if (run_ == nullptr) {
    along = 0;
    fresh = 0;
  }
  const std::int64_t span = static_cast<std::int64_t>(along + 1) * kPage;
  const std::int64_t stored = std::clamp<std::int64_t>(file_length_ - start, 0, span);
  unsigned char* target = along != 0 ? run_.get() : page.bytes.get();
  if (stored > 0) {
    const auto count = static_cast<std::size_t>(stored);
    if (!PlaceStream(start, Direction::kRead) ||
        seam::FileRead(target, 1, count, file_) != count) {
      stream_position_ = -1;
      error_ = true;
      return false;
    }
    stream_position_ += stored;
  }
  // Beyond the file's end a page holds what a gap in the file reads as.
  auto fill = [&](unsigned char* bytes, std::int64_t from) {
    const std::int64_t have = std::clamp<std::int64_t>(stored - from, 0, kPage);
    if (along != 0) {
      std::memcpy(bytes, run_.get() + from, static_cast<std::size_t>(have));
    }
    std::memset(bytes + have, 0, kPageSize - static_cast<std::size_t>(have));
  };
  fill(page.bytes.get(), 0);
  for (std::size_t k = 1; k <= along; ++k) {
    Page& next = *along_pages[k - 1];
    next.index = index + static_cast<std::int64_t>(k);
    next.used = 0;
    next.dirty_begin = 0;
    next.dirty_end = 0;
    fill(next.bytes.get(), static_cast<std::int64_t>(k) * kPage);
  }
  pages_in_use_ += fresh;
  next_in_sequence_ = index + 1 + static_cast<std::int64_t>(along);
  return true;
}

std::size_t RWFilePages::LeastRecentlyUsedClean(const Page& except, Page** out, std::size_t most) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < pages_in_use_; ++i) {
    Page& candidate = pages_[i];
    if (&candidate == &except || candidate.dirty_end > candidate.dirty_begin) {
      continue;
    }
    // Kept in order of last use, at most `most` of them.
    std::size_t at = count < most ? count++ : most;
    if (at == most && candidate.used >= out[most - 1]->used) {
      continue;
    }
    if (at == most) {
      at = most - 1;
    }
    while (at > 0 && out[at - 1]->used > candidate.used) {
      out[at] = out[at - 1];
      --at;
    }
    out[at] = &candidate;
  }
  return count;
}

bool RWFilePages::Store(Page& page) {
  if (page.dirty_end <= page.dirty_begin) {
    return true;
  }
  const std::int64_t start = page.index * kPage + static_cast<std::int64_t>(page.dirty_begin);
  const std::size_t count = page.dirty_end - page.dirty_begin;
  if (!PlaceStream(start, Direction::kWrite) ||
      seam::FileWrite(page.bytes.get() + page.dirty_begin, 1, count, file_) != count) {
    stream_position_ = -1;
    error_ = true;
    return false;
  }
  stream_position_ += static_cast<std::int64_t>(count);
  file_length_ = std::max(file_length_, start + static_cast<std::int64_t>(count));
  page.dirty_begin = 0;
  page.dirty_end = 0;
  return true;
}

std::size_t RWFilePages::ReadPages(void* bytes, std::size_t count) {
  auto* out = static_cast<unsigned char*>(bytes);
  const std::int64_t left = std::max<std::int64_t>(length_ - position_, 0);
  const std::size_t wanted =
      static_cast<std::uint64_t>(left) < count ? static_cast<std::size_t>(left) : count;
  std::size_t moved = 0;
  while (moved < wanted) {
    Page* page = Hold(position_ / kPage);
    if (page == nullptr) {
      return moved;
    }
    const auto at = static_cast<std::size_t>(position_ % kPage);
    const std::size_t part = std::min(wanted - moved, kPageSize - at);
    std::memcpy(out + moved, page->bytes.get() + at, part);
    moved += part;
    position_ += static_cast<std::int64_t>(part);
  }
  if (moved < count) {
    eof_ = true;
  }
  return moved;
}

int RWFilePages::GetChar() {
  if (current_ != nullptr && position_ < length_ && position_ / kPage == current_->index) {
    return current_->bytes[static_cast<std::size_t>(position_++ % kPage)];
  }
  unsigned char byte = 0;
  return Read(&byte, 1) == 1 ? byte : -1;
}

bool RWFilePages::WritePages(const void* bytes, std::size_t count) {
  if (count == 0) {
    return true;
  }
  if (static_cast<std::uint64_t>(count) > static_cast<std::uint64_t>(kLimit - position_)) {
    error_ = true;
    return false;
  }
  const auto* in = static_cast<const unsigned char*>(bytes);
  std::size_t moved = 0;
  while (moved < count) {
    Page* page = Hold(position_ / kPage);
    if (page == nullptr) {
      return false;
    }
    const auto at = static_cast<std::size_t>(position_ % kPage);
    const std::size_t part = std::min(count - moved, kPageSize - at);
    std::memcpy(page->bytes.get() + at, in + moved, part);
    Touch(*page, at, at + part);
    moved += part;
    position_ += static_cast<std::int64_t>(part);
    length_ = std::max(length_, position_);
  }
  return true;
}

bool RWFilePages::SeekBeyond(std::int64_t offset) {
  if (offset < 0 || offset > kLimit) {
    return false;
  }
  if (offset > length_) {
    // What a seek beyond the end does is the file layer's business: it may refuse it, or make
    // the file that long.
    stream_position_ = -1;
    if (seam::FileSeek(file_, static_cast<std::int32_t>(offset), seam::kFileSeekStart) != 0) {
      if (seam::FileError(file_)) {
        error_ = true;
      }
      return false;
    }
    const std::int64_t length = seam::FileLength(file_);
    if (length < 0) {
      error_ = true;
      return false;
    }
    if (length > file_length_) {
      file_length_ = std::min(length, kLimit);
      length_ = std::max(length_, file_length_);
    }
  }
  position_ = offset;
  eof_ = false;
  return true;
}

bool RWFilePages::FillTo(std::int64_t offset) {
  static constexpr unsigned char kZeros[kPageSize] = {};
  position_ = length_;
  eof_ = false;
  return Write(kZeros, static_cast<std::size_t>(offset - length_));
}

bool RWFilePages::WriteBack() {
  bool written = StoreAll();
  if (seam::FileFlush(file_) != 0) {
    error_ = true;
    written = false;
  }
  return written;
}

bool RWFilePages::StoreAll() {
  Page* dirty[kMaxPages];
  std::size_t count = 0;
  for (std::size_t i = 0; i < pages_in_use_; ++i) {
    if (pages_[i].index >= 0 && pages_[i].dirty_end > pages_[i].dirty_begin) {
      dirty[count++] = &pages_[i];
    }
  }
  std::sort(dirty, dirty + count, [](const Page* a, const Page* b) { return a->index < b->index; });
  bool written = true;
  for (std::size_t i = 0; i < count;) {
    // Pages modified through their end and from the start of the next one, one after another,
    // go in one transfer.
    std::size_t run = 1;
    while (i + run < count && run < kReadAhead && Joins(*dirty[i + run - 1], *dirty[i + run])) {
      ++run;
    }
    written = StoreRun(dirty + i, run) && written;
    i += run;
  }
  return written;
}

bool RWFilePages::StoreWithNeighbours(Page& page) {
  // The modified pages that join up with it on either side, as far as one transfer goes.
  Page* before[kReadAhead];
  std::size_t backward = 0;
  for (Page* at = &page; backward + 1 < kReadAhead;) {
    Page* previous = at->index > 0 ? Find(at->index - 1) : nullptr;
    if (previous == nullptr || !Joins(*previous, *at)) {
      break;
    }
    before[backward++] = previous;
    at = previous;
  }
  Page* run[kReadAhead];
  std::size_t count = 0;
  for (std::size_t k = backward; k > 0; --k) {
    run[count++] = before[k - 1];
  }
  run[count++] = &page;
  for (Page* at = &page; count < kReadAhead;) {
    Page* next = Find(at->index + 1);
    if (next == nullptr || !Joins(*at, *next)) {
      break;
    }
    run[count++] = next;
    at = next;
  }
  return StoreRun(run, count);
}

bool RWFilePages::StoreRun(Page* const* run, std::size_t count) {
  if (count > 1 && run_ == nullptr) {
    run_ = SpareBuffers::Instance().Run();
  }
  if (count == 1 || run_ == nullptr) {
    bool written = true;
    for (std::size_t k = 0; k < count; ++k) {
      written = Store(*run[k]) && written;
    }
    return written;
  }
  Page& first = *run[0];
  std::size_t size = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const Page& page = *run[k];
    std::memcpy(run_.get() + size, page.bytes.get() + page.dirty_begin,
                page.dirty_end - page.dirty_begin);
    size += page.dirty_end - page.dirty_begin;
  }
  const std::int64_t start = first.index * kPage + static_cast<std::int64_t>(first.dirty_begin);
  if (!PlaceStream(start, Direction::kWrite) ||
      seam::FileWrite(run_.get(), 1, size, file_) != size) {
    stream_position_ = -1;
    error_ = true;
    return false;
  }
  stream_position_ += static_cast<std::int64_t>(size);
  file_length_ = std::max(file_length_, start + static_cast<std::int64_t>(size));
  for (std::size_t k = 0; k < count; ++k) {
    run[k]->dirty_begin = 0;
    run[k]->dirty_end = 0;
  }
  return true;
}

void RWFilePages::ClearError() {
  eof_ = false;
  error_ = false;
  seam::FileClearError(file_);
}
