// Persistence stream holders over memory and files.
#include "framework/core/GStreamHolders.h"

#include <istream>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>

#include "platform/PathMap.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWByteOrderStream.h"
#include "rw/RWPortableStream.h"
#include "vel_flavour.h"

namespace {

// Reads the caller's bytes in place.
class FixedInBuffer : public std::streambuf {
 public:
  FixedInBuffer(const std::uint8_t* data, std::uint32_t length) {
    char* begin = const_cast<char*>(reinterpret_cast<const char*>(data));
    if (begin == nullptr) {
      length = 0;
    }
    setg(begin, begin, begin + length);
  }

 protected:
  pos_type seekoff(off_type offset, std::ios_base::seekdir dir,
                   std::ios_base::openmode which) override {
    if ((which & std::ios_base::in) == 0) {
      return pos_type(off_type(-1));
    }
    const off_type size = egptr() - eback();
    off_type base = dir == std::ios_base::beg ? 0 : (dir == std::ios_base::cur ? gptr() - eback() : size);
    const off_type target = base + offset;
    if (target < 0 || target > size) {
      return pos_type(off_type(-1));
    }
    setg(eback(), eback() + target, egptr());
    return pos_type(target);
  }
  pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
    return seekoff(off_type(position), std::ios_base::beg, which);
  }
};

// Writes into the caller's array and never grows it: a byte past the capacity is refused.
class FixedOutBuffer : public std::streambuf {
 public:
  FixedOutBuffer(std::uint8_t* data, std::uint32_t capacity) {
    char* begin = reinterpret_cast<char*>(data);
    if (begin == nullptr) {
      capacity = 0;
    }
    setp(begin, begin + capacity);
  }

 protected:
  int_type overflow(int_type /*c*/) override { return traits_type::eof(); }
  // The current position and the end of the data written are the same: the bytes written.
  pos_type seekoff(off_type offset, std::ios_base::seekdir /*dir*/,
                   std::ios_base::openmode which) override {
    if ((which & std::ios_base::out) == 0 || offset != 0) {
      return pos_type(off_type(-1));
    }
    return pos_type(off_type(pptr() - pbase()));
  }
};

// A file through the flavour's file seam (standard C files in the UI flavour, the kernel-mode file
// layer in the render flavour), buffered in 4 KB blocks. It only tells its position; it cannot
// seek.
class SeamFileBuffer : public std::streambuf {
 public:
  SeamFileBuffer() = default;
  SeamFileBuffer(const SeamFileBuffer&) = delete;
  SeamFileBuffer& operator=(const SeamFileBuffer&) = delete;
  ~SeamFileBuffer() override { Close(); }

  // "rb" or "wb"; false when the file cannot be opened.
  bool Open(const std::string& path, const char* mode) {
    writing_ = mode[0] == 'w';
    file_ = path.empty() ? nullptr : vel::flavour::FileOpen(path.c_str(), mode);
    if (file_ != nullptr && writing_) {
      setp(block_, block_ + sizeof block_);
    }
    return file_ != nullptr;
  }

 protected:
  int_type underflow() override {
    if (file_ == nullptr || writing_) {
      return traits_type::eof();
    }
    const std::size_t n = vel::flavour::FileRead(block_, 1, sizeof block_, file_);
    if (n == 0) {
      return traits_type::eof();
    }
    setg(block_, block_, block_ + n);
    return traits_type::to_int_type(block_[0]);
  }
  int_type overflow(int_type c) override {
    if (file_ == nullptr || !writing_ || !Drain()) {
      return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override {
    if (file_ == nullptr || !writing_) {
      return 0;
    }
    return Drain() && vel::flavour::FileFlush(file_) == 0 ? 0 : -1;
  }
  // The position only: offset 0 from the current position.
  pos_type seekoff(off_type offset, std::ios_base::seekdir dir,
                   std::ios_base::openmode /*which*/) override {
    if (file_ == nullptr || offset != 0 || dir != std::ios_base::cur) {
      return pos_type(off_type(-1));
    }
    const long at = vel::flavour::FileTell(file_);
    if (at < 0) {
      return pos_type(off_type(-1));
    }
    return pos_type(writing_ ? at + (pptr() - pbase()) : at - (egptr() - gptr()));
  }

 private:
  bool Drain() {
    const std::size_t n = static_cast<std::size_t>(pptr() - pbase());
    setp(block_, block_ + sizeof block_);
    return n == 0 || vel::flavour::FileWrite(block_, 1, n, file_) == n;
  }
  void Close() {
    if (file_ != nullptr) {
      if (writing_) {
        Drain();
      }
      vel::flavour::FileClose(file_);
      file_ = nullptr;
    }
  }

  vel::flavour::File* file_ = nullptr;
  bool writing_ = false;
  char block_[4096];
};

std::string HostPath(const RWWString& name) {
  return vel::platform::MapPlatformPath(std::u16string_view(name.Data(), name.Length()));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Reader

GStreamReader::GStreamReader(const std::uint8_t* data, std::uint32_t length, std::int32_t format) {
  buffer_.reset(new (std::nothrow) FixedInBuffer(data, length));
  if (buffer_ != nullptr) {
    standard_.reset(new (std::nothrow) std::istream(buffer_.get()));
  }
  MakeStream(format, true);
}

GStreamReader::GStreamReader(const RWWString& file_name, std::int32_t format) {
  auto* file = new (std::nothrow) SeamFileBuffer;
  buffer_.reset(file);
  bool opened = false;
  if (file != nullptr) {
    opened = file->Open(HostPath(file_name), "rb");
    standard_.reset(new (std::nothrow) std::istream(file));
    if (standard_ != nullptr && !opened) {
      standard_->setstate(std::ios_base::failbit);
    }
  }
  MakeStream(format, opened);
}

GStreamReader::~GStreamReader() = default;

void GStreamReader::MakeStream(std::int32_t format, bool opened) {
  if (standard_ == nullptr) {
    return;
  }
  std::streambuf* buffer = standard_->rdbuf();
  switch (format) {
    case vel::kPortableFormat:
      stream_.reset(new (std::nothrow) RWPortableInStream(buffer));
      break;
    case vel::kBinaryFormat:
      stream_.reset(new (std::nothrow) RWBinaryInStream(buffer));
      break;
    case vel::kByteOrderFormat:
      // An input that did not open has no header to read: the stream is failed at once.
      if (opened) {
        stream_.reset(new (std::nothrow) RWByteOrderInStream(buffer));
      } else {
        stream_.reset(new (std::nothrow)
                          RWByteOrderInStream(buffer, RWByteOrderInStream::Unopened{}));
      }
      break;
    default:
      break;
  }
}

std::int64_t GStreamReader::Position() {
  if (standard_ == nullptr) {
    return -1;
  }
  const std::streamoff position =
      standard_->rdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
  if (position < 0 || standard_->fail()) {
    standard_->setstate(std::ios_base::failbit);
    return -1;
  }
  return position;
}

// ---------------------------------------------------------------------------------------------
// Writer

GStreamWriter::GStreamWriter(std::uint8_t* data, std::uint32_t capacity, std::int32_t format) {
  buffer_.reset(new (std::nothrow) FixedOutBuffer(data, capacity));
  if (buffer_ != nullptr) {
    standard_.reset(new (std::nothrow) std::ostream(buffer_.get()));
  }
  MakeStream(format);
}

GStreamWriter::GStreamWriter(const RWWString& file_name, std::int32_t format) {
  auto* file = new (std::nothrow) SeamFileBuffer;
  buffer_.reset(file);
  if (file != nullptr) {
    const bool opened = file->Open(HostPath(file_name), "wb");
    standard_.reset(new (std::nothrow) std::ostream(file));
    if (standard_ != nullptr && !opened) {
      standard_->setstate(std::ios_base::failbit);
    }
  }
  MakeStream(format);
}

GStreamWriter::~GStreamWriter() {
  if (stream_ != nullptr) {
    stream_->Flush();
  }
}

void GStreamWriter::MakeStream(std::int32_t format) {
  if (standard_ == nullptr) {
    return;
  }
  std::streambuf* buffer = standard_->rdbuf();
  switch (format) {
    case vel::kPortableFormat:
      stream_.reset(new (std::nothrow) RWPortableOutStream(buffer));
      break;
    case vel::kBinaryFormat:
      stream_.reset(new (std::nothrow) RWBinaryOutStream(buffer));
      break;
    case vel::kByteOrderFormat:
      stream_.reset(new (std::nothrow) RWByteOrderOutStream(buffer, 2));
      break;
    default:
      break;
  }
}

std::int64_t GStreamWriter::Position() {
  if (standard_ == nullptr) {
    return -1;
  }
  const std::streamoff position =
      standard_->rdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::out);
  if (position < 0 || standard_->fail()) {
    standard_->setstate(std::ios_base::failbit);
    return -1;
  }
  return position;
}
