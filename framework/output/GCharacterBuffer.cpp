// Borrowed and owned element buffers.
#include "framework/output/GCharacterBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "framework/core/StoredFields.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GCharacterBuffer::GCharacterBuffer(const void* data, std::uint32_t count, std::uint32_t width,
                                   bool owned)
    : data_(count == 0 ? nullptr : data), count_(data_ == nullptr ? 0 : count), width_(width),
      owned_(owned && data_ != nullptr) {}

GCharacterBuffer::GCharacterBuffer(const std::uint8_t* data, std::uint32_t count)
    : GCharacterBuffer(data, count, 1, false) {}

GCharacterBuffer::GCharacterBuffer(const std::uint16_t* data, std::uint32_t count)
    : GCharacterBuffer(data, count, 2, false) {}

GCharacterBuffer::GCharacterBuffer(const std::int16_t* data, std::uint32_t count)
    : GCharacterBuffer(data, count, 2, false) {}

GCharacterBuffer GCharacterBuffer::Zeros(std::uint32_t width, std::uint32_t count) {
  if (count == 0 || (width != 1 && width != 2)) {
    return GCharacterBuffer();
  }
  // Allocated in the element type, so that an adopted 16-bit array and a made one are freed alike.
  const void* elements = nullptr;
  if (width == 1) {
    elements = new (std::nothrow) std::uint8_t[count]();
  } else {
    elements = new (std::nothrow) std::uint16_t[count]();
  }
  if (elements == nullptr) {
    return GCharacterBuffer();
  }
  return GCharacterBuffer(elements, count, width, true);
}

GCharacterBuffer GCharacterBuffer::Adopt(const std::uint16_t* data, std::uint32_t count) {
  if (count == 0) {
    delete[] data;
    return GCharacterBuffer();
  }
  return GCharacterBuffer(data, count, 2, true);
}

GCharacterBuffer GCharacterBuffer::CopyOf(const GCharacterBuffer& other) {
  GCharacterBuffer copy = Zeros(other.width_, other.count_);
  if (!copy.IsEmpty()) {
    std::memcpy(const_cast<void*>(copy.data_), other.data_,
                static_cast<std::size_t>(other.count_) * other.width_);
  }
  return copy;
}

GCharacterBuffer::GCharacterBuffer(GCharacterBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), count_(std::exchange(other.count_, 0)),
      width_(std::exchange(other.width_, 0)), owned_(std::exchange(other.owned_, false)) {}

GCharacterBuffer& GCharacterBuffer::operator=(GCharacterBuffer&& other) noexcept {
  if (this != &other) {
    Free();
    data_ = std::exchange(other.data_, nullptr);
    count_ = std::exchange(other.count_, 0);
    width_ = std::exchange(other.width_, 0);
    owned_ = std::exchange(other.owned_, false);
  }
  return *this;
}

GCharacterBuffer::~GCharacterBuffer() {
  Free();
}

void GCharacterBuffer::Free() {
  if (owned_ && width_ == 1) {
    delete[] static_cast<const std::uint8_t*>(data_);
  } else if (owned_) {
    delete[] static_cast<const std::uint16_t*>(data_);
  }
  data_ = nullptr;
  count_ = 0;
  owned_ = false;
}

void GCharacterBuffer::CopyTo(std::uint16_t* out, std::uint32_t count) const {
  const std::uint32_t held = count < count_ ? count : count_;
  if (width_ == 1) {
    const auto* bytes = static_cast<const std::uint8_t*>(data_);
    for (std::uint32_t i = 0; i < held; ++i) {
      out[i] = bytes[i];
    }
  } else if (held != 0) {
    std::memcpy(out, data_, static_cast<std::size_t>(held) * 2);
  }
  std::fill(out + held, out + count, std::uint16_t{0});
}

bool GCharacterBuffer::Set(std::uint32_t index, std::uint16_t value) {
  if (!owned_ || index >= count_) {
    return false;
  }
  auto* bytes = static_cast<std::uint8_t*>(const_cast<void*>(data_));
  if (width_ == 1) {
    bytes[index] = static_cast<std::uint8_t>(value);
  } else {
    std::memcpy(bytes + static_cast<std::size_t>(index) * 2, &value, 2);
  }
  return true;
}

bool GCharacterBuffer::MakeOwned() {
  if (owned_ || data_ == nullptr) {
    return true;
  }
  GCharacterBuffer copy = CopyOf(*this);
  if (copy.IsEmpty()) {
    return false;
  }
  *this = std::move(copy);
  return true;
}

bool GCharacterBuffer::SameElements(const GCharacterBuffer& other) const {
  if (data_ == other.data_ && count_ == other.count_) {
    return true;
  }
  if (data_ == nullptr || other.data_ == nullptr || count_ != other.count_ ||
      width_ != other.width_) {
    return false;
  }
  return std::memcmp(data_, other.data_, static_cast<std::size_t>(count_) * width_) == 0;
}

namespace vel {

void WriteElements(RWVirtualOutStream& stream, const GCharacterBuffer& codes, std::uint32_t count,
                std::uint32_t width) {
  for (std::uint32_t i = 0; i < count; ++i) {
    if (width == 1) {
      stream.Put(static_cast<unsigned char>(codes.At(i)));
    } else {
      stream.Put(static_cast<unsigned short>(codes.At(i)));
    }
  }
}

void WriteElements(RWBinaryFile& file, const GCharacterBuffer& codes, std::uint32_t count,
                std::uint32_t width) {
  for (std::uint32_t i = 0; i < count; ++i) {
    if (width == 1) {
      (void)file.Write(static_cast<unsigned char>(codes.At(i)));
    } else {
      (void)file.Write(static_cast<unsigned short>(codes.At(i)));
    }
  }
}

namespace {

template <typename Carrier>
bool ReadElementsFrom(Carrier& carrier, GCharacterBuffer& codes, std::uint32_t count,
                   std::uint32_t width) {
  GCharacterBuffer read = GCharacterBuffer::Zeros(width, count);
  if (count != 0 && read.IsEmpty()) {
    return false;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint16_t value = 0;
    if (width == 1) {
      unsigned char byte = 0;
      if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
        if (!carrier.Read(byte)) {
          return false;
        }
      } else {
        carrier.Get(byte);
        if (carrier.Good() == 0) {
          return false;
        }
      }
      value = byte;
    } else if (!ReadField(carrier, value)) {
      return false;
    }
    (void)read.Set(i, value);
  }
  codes = std::move(read);
  return true;
}

}  // namespace

bool ReadElements(RWVirtualInStream& stream, GCharacterBuffer& codes, std::uint32_t count,
               std::uint32_t width) {
  return ReadElementsFrom(stream, codes, count, width);
}

bool ReadElements(RWBinaryFile& file, GCharacterBuffer& codes, std::uint32_t count,
               std::uint32_t width) {
  return ReadElementsFrom(file, codes, count, width);
}

}  // namespace vel
