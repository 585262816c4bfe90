// Binary file over a buffered C stream, values least significant byte first.
#include "rw/RWBinaryFile.h"

#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <type_traits>

namespace {

constexpr std::size_t kChunkBytes = 4096;

// Integral values of any width <= 8 in and out of little-endian bytes.
template <typename T>
void EncodeLe(T value, std::size_t width, unsigned char* out) {
  using U = std::make_unsigned_t<T>;
  U bits = static_cast<U>(value);
  for (std::size_t i = 0; i < width; ++i) {
    out[i] = static_cast<unsigned char>(bits & 0xFF);
    bits = static_cast<U>(bits >> 8);
  }
}

template <typename T>
T DecodeLe(const unsigned char* in, std::size_t width) {
  std::uint64_t bits = 0;
  for (std::size_t i = width; i-- > 0;) {
    bits = (bits << 8) | in[i];
  }
  if constexpr (std::is_signed_v<T>) {
    // Sign-extend from the stored width.
    const unsigned shift = static_cast<unsigned>(64 - 8 * width);
    return static_cast<T>(static_cast<std::int64_t>(bits << shift) >> shift);
  } else {
    return static_cast<T>(bits);
  }
}

// Floating-point values travel as the bits of their IEEE 754 form.
template <typename T>
void EncodeValue(T value, std::size_t width, unsigned char* out) {
  if constexpr (std::is_same_v<T, float>) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    EncodeLe(bits, 4, out);
  } else if constexpr (std::is_same_v<T, double>) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    EncodeLe(bits, 8, out);
  } else {
    EncodeLe(value, width, out);
  }
}

template <typename T>
T DecodeValue(const unsigned char* in, std::size_t width) {
  if constexpr (std::is_same_v<T, float>) {
    std::uint32_t bits = DecodeLe<std::uint32_t>(in, 4);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
  } else if constexpr (std::is_same_v<T, double>) {
    std::uint64_t bits = DecodeLe<std::uint64_t>(in, 8);
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
  } else {
    return DecodeLe<T>(in, width);
  }
}

}  // namespace

RWBinaryFile::RWBinaryFile(const char* name, const char* mode) : name_(name != nullptr ? name : "") {
  if (mode != nullptr) {
    std::strncpy(mode_, mode, sizeof mode_ - 1);
    file_ = std::fopen(name_.c_str(), mode_);
    return;
  }
  std::strcpy(mode_, "rb+");
  file_ = std::fopen(name_.c_str(), mode_);
  if (file_ == nullptr) {
    std::strcpy(mode_, "wb+");
    file_ = std::fopen(name_.c_str(), mode_);
  }
}

RWBinaryFile::~RWBinaryFile() {
  if (file_ != nullptr) {
    std::fclose(file_);
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
  return std::fread(bytes, 1, count, file_) == count;
}

bool RWBinaryFile::WriteBytes(const void* bytes, std::size_t count) {
  if (file_ == nullptr) {
    return false;
  }
  return std::fwrite(bytes, 1, count, file_) == count;
}

template <typename T, std::size_t kWidth>
bool RWBinaryFile::ReadArray(T* values, std::size_t n) {
  unsigned char chunk[kChunkBytes];
  constexpr std::size_t kPerChunk = kChunkBytes / kWidth;
  while (n > 0) {
    const std::size_t count = n < kPerChunk ? n : kPerChunk;
    if (!ReadBytes(chunk, count * kWidth)) {
      return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
      values[i] = DecodeValue<T>(chunk + i * kWidth, kWidth);
    }
    values += count;
    n -= count;
  }
  return true;
}

template <typename T, std::size_t kWidth>
bool RWBinaryFile::WriteArray(const T* values, std::size_t n) {
  unsigned char chunk[kChunkBytes];
  constexpr std::size_t kPerChunk = kChunkBytes / kWidth;
  while (n > 0) {
    const std::size_t count = n < kPerChunk ? n : kPerChunk;
    for (std::size_t i = 0; i < count; ++i) {
      EncodeValue<T>(values[i], kWidth, chunk + i * kWidth);
    }
    if (!WriteBytes(chunk, count * kWidth)) {
      return false;
    }
    values += count;
    n -= count;
  }
  return true;
}

bool RWBinaryFile::Read(char& value) { return ReadArray<char, 1>(&value, 1); }
bool RWBinaryFile::Read(unsigned char& value) { return ReadArray<unsigned char, 1>(&value, 1); }
bool RWBinaryFile::Read(short& value) { return ReadArray<short, 2>(&value, 1); }
bool RWBinaryFile::Read(unsigned short& value) { return ReadArray<unsigned short, 2>(&value, 1); }
bool RWBinaryFile::Read(int& value) { return ReadArray<int, 4>(&value, 1); }
bool RWBinaryFile::Read(unsigned int& value) { return ReadArray<unsigned int, 4>(&value, 1); }
bool RWBinaryFile::Read(long& value) { return ReadArray<long, 4>(&value, 1); }
bool RWBinaryFile::Read(unsigned long& value) { return ReadArray<unsigned long, 4>(&value, 1); }
bool RWBinaryFile::Read(float& value) { return ReadArray<float, 4>(&value, 1); }
bool RWBinaryFile::Read(double& value) { return ReadArray<double, 8>(&value, 1); }

bool RWBinaryFile::Read(char* values, std::size_t n) { return ReadArray<char, 1>(values, n); }
bool RWBinaryFile::Read(unsigned char* values, std::size_t n) {
  return ReadArray<unsigned char, 1>(values, n);
}
bool RWBinaryFile::Read(short* values, std::size_t n) { return ReadArray<short, 2>(values, n); }
bool RWBinaryFile::Read(unsigned short* values, std::size_t n) {
  return ReadArray<unsigned short, 2>(values, n);
}
bool RWBinaryFile::Read(int* values, std::size_t n) { return ReadArray<int, 4>(values, n); }
bool RWBinaryFile::Read(unsigned int* values, std::size_t n) {
  return ReadArray<unsigned int, 4>(values, n);
}
bool RWBinaryFile::Read(long* values, std::size_t n) { return ReadArray<long, 4>(values, n); }
bool RWBinaryFile::Read(unsigned long* values, std::size_t n) {
  return ReadArray<unsigned long, 4>(values, n);
}
bool RWBinaryFile::Read(float* values, std::size_t n) { return ReadArray<float, 4>(values, n); }
bool RWBinaryFile::Read(double* values, std::size_t n) { return ReadArray<double, 8>(values, n); }

bool RWBinaryFile::ReadString(char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0 || file_ == nullptr) {
    return false;
  }
  std::size_t length = 0;
  for (;;) {
    int c = std::fgetc(file_);
    if (c == EOF || c == '\0') {
      break;
    }
    if (length + 1 < size) {
      buffer[length++] = static_cast<char>(c);
      continue;
    }
    // The buffer is full: skip the rest of the string, so the next read starts after it.
    while (c != EOF && c != '\0') {
      c = std::fgetc(file_);
    }
    buffer[length] = '\0';
    return false;
  }
  buffer[length] = '\0';
  return true;
}

bool RWBinaryFile::Write(char value) { return WriteArray<char, 1>(&value, 1); }
bool RWBinaryFile::Write(unsigned char value) { return WriteArray<unsigned char, 1>(&value, 1); }
bool RWBinaryFile::Write(short value) { return WriteArray<short, 2>(&value, 1); }
bool RWBinaryFile::Write(unsigned short value) { return WriteArray<unsigned short, 2>(&value, 1); }
bool RWBinaryFile::Write(int value) { return WriteArray<int, 4>(&value, 1); }
bool RWBinaryFile::Write(unsigned int value) { return WriteArray<unsigned int, 4>(&value, 1); }
bool RWBinaryFile::Write(long value) { return WriteArray<long, 4>(&value, 1); }
bool RWBinaryFile::Write(unsigned long value) { return WriteArray<unsigned long, 4>(&value, 1); }
bool RWBinaryFile::Write(float value) { return WriteArray<float, 4>(&value, 1); }
bool RWBinaryFile::Write(double value) { return WriteArray<double, 8>(&value, 1); }

bool RWBinaryFile::Write(const char* values, std::size_t n) {
  return WriteArray<char, 1>(values, n);
}
bool RWBinaryFile::Write(const unsigned char* values, std::size_t n) {
  return WriteArray<unsigned char, 1>(values, n);
}
bool RWBinaryFile::Write(const short* values, std::size_t n) {
  return WriteArray<short, 2>(values, n);
}
bool RWBinaryFile::Write(const unsigned short* values, std::size_t n) {
  return WriteArray<unsigned short, 2>(values, n);
}
bool RWBinaryFile::Write(const int* values, std::size_t n) { return WriteArray<int, 4>(values, n); }
bool RWBinaryFile::Write(const unsigned int* values, std::size_t n) {
  return WriteArray<unsigned int, 4>(values, n);
}
bool RWBinaryFile::Write(const long* values, std::size_t n) {
  return WriteArray<long, 4>(values, n);
}
bool RWBinaryFile::Write(const unsigned long* values, std::size_t n) {
  return WriteArray<unsigned long, 4>(values, n);
}
bool RWBinaryFile::Write(const float* values, std::size_t n) {
  return WriteArray<float, 4>(values, n);
}
bool RWBinaryFile::Write(const double* values, std::size_t n) {
  return WriteArray<double, 8>(values, n);
}

bool RWBinaryFile::WriteString(const char* text) {
  if (text == nullptr) {
    return false;
  }
  return WriteBytes(text, std::strlen(text) + 1);
}

std::int32_t RWBinaryFile::CurOffset() {
  if (file_ == nullptr) {
    return -1;
  }
  long offset = std::ftell(file_);
  if (offset < 0 || offset > std::numeric_limits<std::int32_t>::max()) {
    return -1;
  }
  return static_cast<std::int32_t>(offset);
}

bool RWBinaryFile::SeekTo(std::int32_t offset) {
  return file_ != nullptr && offset >= 0 && std::fseek(file_, offset, SEEK_SET) == 0;
}

bool RWBinaryFile::SeekToEnd() {
  return file_ != nullptr && std::fseek(file_, 0, SEEK_END) == 0;
}

bool RWBinaryFile::IsEmpty() {
  if (file_ == nullptr || std::fflush(file_) != 0) {
    return false;
  }
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(name_, error);
  return !error && size == 0;
}

bool RWBinaryFile::Flush() {
  return file_ != nullptr && std::fflush(file_) == 0;
}

bool RWBinaryFile::Erase() {
  if (file_ != nullptr) {
    std::FILE* old = file_;
    file_ = nullptr;
    if (std::fclose(old) != 0) {
      return false;
    }
  }
  if (std::remove(name_.c_str()) != 0) {
    return false;
  }
  std::strcpy(mode_, "wb+");
  file_ = std::fopen(name_.c_str(), mode_);
  return file_ != nullptr;
}

bool RWBinaryFile::Eof() const {
  return file_ != nullptr && std::feof(file_) != 0;
}

bool RWBinaryFile::Error() const {
  return file_ != nullptr && std::ferror(file_) != 0;
}

void RWBinaryFile::ClearError() {
  if (file_ != nullptr) {
    std::clearerr(file_);
  }
}
