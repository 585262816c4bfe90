// Pointer-restore helpers and the flush manipulator of the virtual streams.
#include "rw/RWVirtualStreamHelpers.h"

#include <new>

namespace {

template <typename T>
RWVirtualInStream& RestoreNew(RWVirtualInStream& stream, T*& value) {
  value = new (std::nothrow) T();
  if (value == nullptr) {
    stream.SetStatus(stream.Status() | kRWStreamFail);
    return stream;
  }
  return stream.Get(*value);
}

}  // namespace

RWVirtualInStream& operator>>(RWVirtualInStream& stream, char*& value) {
  return RestoreNew(stream, value);
}
RWVirtualInStream& operator>>(RWVirtualInStream& stream, unsigned char*& value) {
  return RestoreNew(stream, value);
}
RWVirtualInStream& operator>>(RWVirtualInStream& stream, short*& value) {
  return RestoreNew(stream, value);
}
RWVirtualInStream& operator>>(RWVirtualInStream& stream, unsigned short*& value) {
  return RestoreNew(stream, value);
}
RWVirtualInStream& operator>>(RWVirtualInStream& stream, int*& value) {
  return RestoreNew(stream, value);
}
RWVirtualInStream& operator>>(RWVirtualInStream& stream, unsigned int*& value) {
  return RestoreNew(stream, value);
}
RWVirtualInStream& operator>>(RWVirtualInStream& stream, long*& value) {
  return RestoreNew(stream, value);
}
RWVirtualInStream& operator>>(RWVirtualInStream& stream, unsigned long*& value) {
  return RestoreNew(stream, value);
}
RWVirtualInStream& operator>>(RWVirtualInStream& stream, float*& value) {
  return RestoreNew(stream, value);
}
RWVirtualInStream& operator>>(RWVirtualInStream& stream, double*& value) {
  return RestoreNew(stream, value);
}

RWVirtualOutStream& RWFlush(RWVirtualOutStream& stream) {
  return stream.Flush();
}

RWVirtualOutStream& operator<<(RWVirtualOutStream& stream,
                               RWVirtualOutStream& (*manipulator)(RWVirtualOutStream&)) {
  return manipulator(stream);
}
