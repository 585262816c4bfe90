// Run-length coding of raster rows: the size estimate of a PackBits-style encoding, and the
// image-row encoder that writes one.
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLStream.h"

// Stores in *size the size of the row's encoding in packets of at most 127 bytes: 2 bytes for a
// repeat packet, count + 1 for a literal one, and 2 more when the row length is not a multiple
// of 4 (the packet of the row's pad bytes). A literal gives back its last byte when that byte
// starts a repeated pair. An empty row counts as one literal of one byte. Writes nothing else.
void XLPackBitsSize(const std::uint8_t* data, std::int32_t length, std::uint32_t* size);

// Writes one image row as run-length packets of at most 127 bytes, through the stream's raw
// writers: a repeat packet as the count byte 1 - n and the byte, a literal packet as n - 1 and
// its n bytes. A run of two or more equal bytes is a repeat; a literal ends before two equal
// bytes. When the row length is not a multiple of 4, one more packet adds the pad bytes (zeros)
// up to the next multiple of 4: 00 00 for one, else (1 - pad count) 00.
//
// *encoded_length receives the bytes of the packets. A limit other than 0 is the size the
// encoding must stay below: when the packets would reach it, nothing is written and
// *encoded_length is 0, so the caller can send the row uncompressed instead. A limit of 0 means
// no limit. A null or empty row writes nothing and gives 0.
void XLPackBitsEncode(XLStream* stream, std::uint32_t limit, const std::uint8_t* row,
                      std::int32_t length, std::uint32_t* encoded_length);
