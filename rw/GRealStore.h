// The stored form of a real: the 4-byte single-precision value, least significant byte first, on
// binary files and through the virtual streams' float operations. Both flavours store the same
// four bytes, so what one writes the other reads.
#pragma once

#include "vel_flavour.h"

class RWBinaryFile;
class RWVirtualInStream;
class RWVirtualOutStream;

// True when the four bytes moved.
[[nodiscard]] bool SaveRealToFile(RWBinaryFile& file, GReal value);
// On failure the value is left as it was.
[[nodiscard]] bool RestoreRealFromFile(RWBinaryFile& file, GReal& value);

RWVirtualOutStream& SaveRealToStream(RWVirtualOutStream& stream, GReal value);
// The value changes only when the stream delivered one.
RWVirtualInStream& RestoreRealFromStream(RWVirtualInStream& stream, GReal& value);
