// Kernel-mode file buffer over the native file layer.
#include "platform/flavour/render/KMFileBuffer.h"

#include <cstdint>

#include "platform/flavour/render/KMNative.h"

KMFileBuffer::~KMFileBuffer() { (void)Close(); }

bool KMFileBuffer::Open(const char* name, std::uint32_t flags, std::uint32_t permission) {
  if (handle_ != nullptr) {
    return false;
  }
  handle_ = KMNativeOpen(name, flags, permission);
  if (handle_ == nullptr) {
    return false;
  }
  setp(put_, put_ + kBufferBytes);
  setg(get_, get_, get_);
  return true;
}

bool KMFileBuffer::Close() {
  if (handle_ == nullptr) {
    return false;
  }
  const bool written = WriteOut();
  const bool closed = KMNativeClose(handle_) == 0;
  handle_ = nullptr;
  setp(nullptr, nullptr);
  setg(nullptr, nullptr, nullptr);
  return written && closed;
}

bool KMFileBuffer::WriteOut() {
  const std::ptrdiff_t pending = pptr() - pbase();
  if (pending <= 0) {
    return true;
  }
  const std::int32_t written =
      KMNativeWrite(handle_, pbase(), static_cast<std::uint32_t>(pending));
  setp(put_, put_ + kBufferBytes);
  return written == pending;
}

KMFileBuffer::int_type KMFileBuffer::overflow(int_type c) {
  if (handle_ == nullptr || !WriteOut()) {
    return traits_type::eof();
  }
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int KMFileBuffer::sync() { return handle_ != nullptr && WriteOut() ? 0 : -1; }

KMFileBuffer::int_type KMFileBuffer::underflow() {
  if (gptr() < egptr()) {
    return traits_type::to_int_type(*gptr());
  }
  // What was written must be in the file before it is read back.
  if (handle_ == nullptr || !WriteOut()) {
    return traits_type::eof();
  }
  const std::int32_t read = KMNativeRead(handle_, get_, kBufferBytes);
  if (read <= 0) {
    return traits_type::eof();
  }
  setg(get_, get_, get_ + read);
  return traits_type::to_int_type(*gptr());
}

KMFileBuffer::pos_type KMFileBuffer::seekoff(off_type offset, std::ios_base::seekdir direction,
                                             std::ios_base::openmode /*which*/) {
  if (handle_ == nullptr || !WriteOut()) {
    return pos_type(off_type(-1));
  }
  int origin = 0;
  if (direction == std::ios_base::cur) {
    // The handle is ahead of the reader by what is still in the get area.
    offset -= egptr() - gptr();
    origin = 1;
  } else if (direction == std::ios_base::end) {
    origin = 2;
  }
  setg(get_, get_, get_);
  if (offset < INT32_MIN || offset > INT32_MAX) {
    return pos_type(off_type(-1));
  }
  const std::int32_t position = KMNativeSeek(handle_, static_cast<std::int32_t>(offset), origin);
  return pos_type(off_type(position));
}

KMFileBuffer::pos_type KMFileBuffer::seekpos(pos_type position, std::ios_base::openmode which) {
  return seekoff(off_type(position), std::ios_base::beg, which);
}
