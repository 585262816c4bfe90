// Free helpers over the virtual streams: restoring a value into a new heap object, and the flush
// manipulator.
#pragma once

#include "rw/RWVirtualStream.h"

// Each allocates a new value, stores its address in the caller's pointer and reads the value into
// it through the single-value get of its type; the caller owns the new value. When memory is
// short the pointer becomes null and the stream's fail bit is set.
RWVirtualInStream& operator>>(RWVirtualInStream& stream, char*& value);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, unsigned char*& value);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, short*& value);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, unsigned short*& value);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, int*& value);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, unsigned int*& value);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, long*& value);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, unsigned long*& value);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, float*& value);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, double*& value);

// The flush manipulator: calls the stream's Flush and returns the stream; `stream << RWFlush`
// applies it.
RWVirtualOutStream& RWFlush(RWVirtualOutStream& stream);
RWVirtualOutStream& operator<<(RWVirtualOutStream& stream,
                               RWVirtualOutStream& (*manipulator)(RWVirtualOutStream&));
