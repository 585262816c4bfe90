// The extensions of the PCL XL test decoder: item offsets, and a vendor data length taken from
// integer values only.
#include <gtest/gtest.h>

#include "tests/support/PclXlDecoder.h"

namespace vel::test {
namespace {

TEST(PclXlDecoderTest, ItemsCarryTheirOffsets) {
  const XlDecoded decoded =
      DecodePclXl(HexBytes("29 20 58 0A          # header line\n"
                           "C0 01 F8 46 6E       # FillMode 1 at 4, its id at 6, SetFillMode at 8\n"
                           "B1 FB 02 AA BB       # ReadImage at 9, its data at 10\n"
                           "C1 01                # a value cut short at 14"));
  ASSERT_EQ(decoded.items.size(), 5u);
  const std::size_t offsets[] = {4, 6, 8, 9, 10};
  for (std::size_t i = 0; i < decoded.items.size(); ++i) {
    EXPECT_EQ(decoded.items[i].offset, offsets[i]) << i;
  }
  EXPECT_FALSE(decoded.error.empty());
  EXPECT_EQ(decoded.error_offset, 14u);
}

// A real (here NaN) before the vendor data length attribute was cast to a length.
TEST(PclXlDecoderTest, VendorDataLengthFromARealIsNotALength) {
  const XlDecoded real = DecodePclXl(HexBytes("C5 00 00 C0 7F F8 92  46  41"));
  EXPECT_TRUE(real.error.empty()) << real.error;
  EXPECT_EQ(XlSignature(real.items), "real32 @92 op46 op41");
  const XlDecoded length = DecodePclXl(HexBytes("C2 02 00 00 00 F8 92  46  41 42"));
  EXPECT_EQ(XlSignature(length.items), "uint32 @92 op46 data[2]");
}

}  // namespace
}  // namespace vel::test
