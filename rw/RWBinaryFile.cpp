// Binary file over the flavour's file seam, values least significant byte first.
#include "rw/RWBinaryFile.h"

#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "rw/RWByteCodec.h"
#include "rw/RWFilePages.h"

namespace {

using vel::ByteOrder;
namespace seam = vel::flavour;

constexpr std::size_t kChunkBytes = 4096;

}  // namespace

RWBinaryFile::RWBinaryFile(const char* name, const char* mode) : name_(name != nullptr ? name : "") {
  if (mode != nullptr) {
    std::strncpy(mode_, mode, sizeof mode_ - 1);
    file_ = seam::FileOpen(name_.c_str(), mode_);
    HoldPages();
    return;
  }
  std::strcpy(mode_, "rb+");
  file_ = seam::FileOpen(name_.c_str(), mode_);
  if (file_ == nullptr) {
    std::strcpy(mode_, "wb+");
    file_ = seam::FileOpen(name_.c_str(), mode_);
  }
  HoldPages();
}

RWBinaryFile::~RWBinaryFile() {
  if (pages_ != nullptr) {
    (void)pages_->WriteBack();
    pages_.reset();
  }
  if (file_ != nullptr) {
    seam::FileClose(file_);
  }
}

void RWBinaryFile::HoldPages() {
  pages_.reset();
  if (file_ == nullptr || (mode_[0] != 'r' && mode_[0] != 'w') ||
      std::strchr(mode_, '+') == nullptr) {
    return;
  }
  pages_.reset(new (std::nothrow) RWFilePages(file_));
  if (pages_ != nullptr && pages_->Error()) {
    // Without the file's length the pages cannot be placed: the stream serves alone.
    pages_.reset();
  }
}

bool RWBinaryFile::Exists() const {
  return Exists(name_.c_str());
}

bool RWBinaryFile::Exists(const char* name) {
  return Exists(name, 0);
}

bool RWBinaryFile::Exists(const char* name, int access_mode) {
  if (name == nullptr) {
    return false;
  }
  std::error_code error;
  std::filesystem::file_status status = std::filesystem::status(name, error);
  if (error || !std::filesystem::exists(status)) {
    return false;
  }
  if ((access_mode & 2) != 0) {
    using std::filesystem::perms;
    return (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) !=
           perms::none;
  }
  return true;
}

bool RWBinaryFile::ReadBytes(void* bytes, std::size_t count) {
  if (file_ == nullptr) {
    return false;
  }
  if (pages_ != nullptr) {
    return pages_->Read(bytes, count) == count;
  }
  return seam::FileRead(bytes, 1, count, file_) == count;
}

bool RWBinaryFile::WriteBytes(const void* bytes, std::size_t count) {
  if (file_ == nullptr) {
    return false;
  }
  if (pages_ != nullptr) {
    return pages_->Write(bytes, count);
  }
  return seam::FileWrite(bytes, 1, count, file_) == count;
}

template <typename T>
bool RWBinaryFile::ReadArray(T* values, std::size_t n) {
  constexpr std::size_t kWidth = vel::kStoredWidth<T>;
  if constexpr (kWidth == 1 && sizeof(T) == 1) {
    // Bytes are stored as they are.
    return ReadBytes(values, n);
  }
  constexpr std::size_t kPerChunk = kChunkBytes / kWidth;
  unsigned char chunk[kChunkBytes];
  while (n > 0) {
    const std::size_t count = n < kPerChunk ? n : kPerChunk;
    if (!ReadBytes(chunk, count * kWidth)) {
      return false;
    }
    vel::DecodeValues<ByteOrder::kLittle>(chunk, count, values);
    values += count;
    n -= count;
  }
  return true;
}

template <typename T>
bool RWBinaryFile::WriteArray(const T* values, std::size_t n) {
  constexpr std::size_t kWidth = vel::kStoredWidth<T>;
  if constexpr (kWidth == 1 && sizeof(T) == 1) {
    return WriteBytes(values, n);
  }
  constexpr std::size_t kPerChunk = kChunkBytes / kWidth;
  unsigned char chunk[kChunkBytes];
  while (n > 0) {
    const std::size_t count = n < kPerChunk ? n : kPerChunk;
    vel::EncodeValues<ByteOrder::kLittle>(values, count, chunk);
    if (!WriteBytes(chunk, count * kWidth)) {
      return false;
    }
    values += count;
    n -= count;
  }
  return true;
}

// The scalar and array reads and writes are inline (the header) over these.
template bool RWBinaryFile::ReadArray<char>(char*, std::size_t);
template bool RWBinaryFile::ReadArray<unsigned char>(unsigned char*, std::size_t);
template bool RWBinaryFile::ReadArray<short>(short*, std::size_t);
template bool RWBinaryFile::ReadArray<unsigned short>(unsigned short*, std::size_t);
template bool RWBinaryFile::ReadArray<int>(int*, std::size_t);
template bool RWBinaryFile::ReadArray<unsigned int>(unsigned int*, std::size_t);
template bool RWBinaryFile::ReadArray<long>(long*, std::size_t);
template bool RWBinaryFile::ReadArray<unsigned long>(unsigned long*, std::size_t);
template bool RWBinaryFile::ReadArray<float>(float*, std::size_t);
template bool RWBinaryFile::ReadArray<double>(double*, std::size_t);
template bool RWBinaryFile::WriteArray<char>(const char*, std::size_t);
template bool RWBinaryFile::WriteArray<unsigned char>(const unsigned char*, std::size_t);
template bool RWBinaryFile::WriteArray<short>(const short*, std::size_t);
template bool RWBinaryFile::WriteArray<unsigned short>(const unsigned short*, std::size_t);
template bool RWBinaryFile::WriteArray<int>(const int*, std::size_t);
template bool RWBinaryFile::WriteArray<unsigned int>(const unsigned int*, std::size_t);
template bool RWBinaryFile::WriteArray<long>(const long*, std::size_t);
template bool RWBinaryFile::WriteArray<unsigned long>(const unsigned long*, std::size_t);
template bool RWBinaryFile::WriteArray<float>(const float*, std::size_t);
template bool RWBinaryFile::WriteArray<double>(const double*, std::size_t);

bool RWBinaryFile::ReadString(char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0 || file_ == nullptr) {
    return false;
  }
  auto next = [this] { return pages_ != nullptr ? pages_->GetChar() : seam::FileGetChar(file_); };
  std::size_t length = 0;
  for (;;) {
    int c = next();
    if (c < 0 || c == '\0') {
      break;
    }
    if (length + 1 < size) {
      buffer[length++] = static_cast<char>(c);
      continue;
    }
    // The buffer is full: skip the rest of the string, so the next read starts after it.
    while (c >= 0 && c != '\0') {
      c = next();
    }
    buffer[length] = '\0';
    return false;
  }
  buffer[length] = '\0';
  return true;
}

bool RWBinaryFile::WriteString(const char* text) {
  if (text == nullptr) {
    return false;
  }
  return WriteBytes(text, std::strlen(text) + 1);
}

std::int32_t RWBinaryFile::StreamOffset() {
  if (file_ == nullptr) {
    return -1;
  }
  const std::int64_t offset = pages_ != nullptr ? pages_->Position() : seam::FileTell(file_);
  if (offset < 0 || offset > std::numeric_limits<std::int32_t>::max()) {
    return -1;
  }
  return static_cast<std::int32_t>(offset);
}

bool RWBinaryFile::SeekStream(std::int32_t offset) {
  if (file_ == nullptr || offset < 0) {
    return false;
  }
  return seam::FileSeek(file_, offset, seam::kFileSeekStart) == 0;
}

bool RWBinaryFile::SeekToEnd() {
  if (file_ == nullptr) {
    return false;
  }
  if (pages_ != nullptr) {
    return pages_->Seek(pages_->Length());
  }
  return seam::FileSeek(file_, 0, seam::kFileSeekEnd) == 0;
}

bool RWBinaryFile::IsEmpty() {
  if (file_ == nullptr) {
    return false;
  }
  if (pages_ != nullptr) {
    return pages_->Length() == 0;
  }
  return seam::FileLength(file_) == 0;
}

bool RWBinaryFile::Flush() {
  if (file_ == nullptr) {
    return false;
  }
  if (pages_ != nullptr) {
    return pages_->WriteBack();
  }
  return seam::FileFlush(file_) == 0;
}

bool RWBinaryFile::Erase() {
  // The file goes: what it still had to take is dropped with it.
  pages_.reset();
  if (file_ != nullptr) {
    seam::File* old = file_;
    file_ = nullptr;
    if (seam::FileClose(old) != 0) {
      return false;
    }
  }
  if (seam::FileRemove(name_.c_str()) != 0) {
    return false;
  }
  std::strcpy(mode_, "wb+");
  file_ = seam::FileOpen(name_.c_str(), mode_);
  HoldPages();
  return file_ != nullptr;
}

bool RWBinaryFile::StreamEof() const {
  if (file_ == nullptr) {
    return false;
  }
  return pages_ != nullptr ? pages_->Eof() : seam::FileEof(file_);
}

bool RWBinaryFile::StreamError() const {
  // A file that never opened fails every read and write: it reports an error, so callers that
  // test Eof/Error once after a series of operations see that nothing moved.
  if (marked_error_ || file_ == nullptr) {
    return true;
  }
  return pages_ != nullptr ? pages_->Error() : seam::FileError(file_);
}

void RWBinaryFile::ClearError() {
  marked_error_ = false;
  if (pages_ != nullptr) {
    pages_->ClearError();
  } else if (file_ != nullptr) {
    seam::FileClearError(file_);
  }
}
