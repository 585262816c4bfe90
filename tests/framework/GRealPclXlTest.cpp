// Reals of the flavour under test written to PCL XL: the writers take the real's single value,
// so both flavours send the same bytes.
#include <gtest/gtest.h>

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/output/pclxl/XLStream.h"
#include "tests/support/ByteMatch.h"
#include "vel_flavour.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::HexBytes;

class Collect : public GOutputFlushCallback {
 public:
  std::int32_t Flush(XLStream* stream, std::uintptr_t, const std::uint8_t* buffer,
                     std::int32_t byte_count) override {
    bytes.insert(bytes.end(), buffer, buffer + byte_count);
    stream->free_bytes = stream->size;
    stream->write_ptr = stream->buffer;
    return 0;
  }
  Bytes bytes;
};

TEST(GRealPclXlTest, RealsTravelAsTheirSingles) {
  Collect collect;
  XLStream* stream = XLCreateStream(64, &collect, 0);
  ASSERT_NE(stream, nullptr);
  const GReal half = RealFromFloat(0.5f);
  XLReal32(stream, RealToFloat(half));
  XLSetCursorReal32(stream, RealToFloat(half), RealToFloat(-GReal(2)));
  XLFlushStream(stream);
  XLCloseStream(stream);
  EXPECT_TRUE(BytesEqual(HexBytes("C5 00 00 00 3F"                     // real32 0.5
                                  "D5 00 00 00 3F 00 00 00 C0  F8 4C"  // real32_xy, Point
                                  "6B"),                               // SetCursor
                         collect.bytes));
}

}  // namespace
