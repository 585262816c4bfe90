// The run-length size estimate: how many bytes a PackBits-style encoding of one raster row takes.
#pragma once

#include <cstdint>

// Stores in *size the size of the row's encoding in packets of at most 127 bytes: 2 bytes for a
// repeat packet, count + 1 for a literal one, and 2 more when the row length is not a multiple
// of 4 (the packet of the row's pad bytes). A literal gives back its last byte when that byte
// starts a repeated pair. An empty row counts as one literal of one byte. Writes nothing else.
void XLPackBitsSize(const std::uint8_t* data, std::int32_t length, std::uint32_t* size);
