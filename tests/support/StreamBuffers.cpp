// Test stream buffers: piecewise input and capped output.
#include "tests/support/StreamBuffers.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vel::test {

PieceInBuffer::PieceInBuffer(Bytes data, std::size_t piece)
    : data_(std::move(data)), piece_(std::max<std::size_t>(piece, 1)) {}

PieceInBuffer::int_type PieceInBuffer::underflow() {
  if (gptr() != nullptr && gptr() < egptr()) {
    return traits_type::to_int_type(*gptr());
  }
  if (next_ >= data_.size()) {
    return traits_type::eof();
  }
  char* begin = reinterpret_cast<char*>(data_.data()) + next_;
  const std::size_t step = std::min(piece_, data_.size() - next_);
  setg(begin, begin, begin + step);
  next_ += step;
  return traits_type::to_int_type(*gptr());
}

std::streamsize PieceInBuffer::xsgetn(char_type* out, std::streamsize count) {
  if (count <= 0 || traits_type::eq_int_type(underflow(), traits_type::eof())) {
    return 0;
  }
  const auto step =
      std::min<std::streamsize>({count, egptr() - gptr(), static_cast<std::streamsize>(piece_)});
  std::memcpy(out, gptr(), static_cast<std::size_t>(step));
  gbump(static_cast<int>(step));
  return step;
}

CappedOutBuffer::CappedOutBuffer(std::size_t capacity) : capacity_(capacity) {}

CappedOutBuffer::int_type CappedOutBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  if (written_.size() >= capacity_) {
    return traits_type::eof();
  }
  written_.push_back(static_cast<std::uint8_t>(traits_type::to_char_type(c)));
  return c;
}

std::streamsize CappedOutBuffer::xsputn(const char_type* in, std::streamsize count) {
  const auto room = static_cast<std::streamsize>(capacity_ - written_.size());
  const std::streamsize step = std::max<std::streamsize>(0, std::min(count, room));
  written_.insert(written_.end(), in, in + step);
  return step;
}

int CappedOutBuffer::sync() {
  ++syncs_;
  return sync_fails_ ? -1 : 0;
}

}  // namespace vel::test
