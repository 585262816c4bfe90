// The buffer growth rule: small buffers start at 16, then double, then slow down near 4 GB, and a
// rule that cannot grow any further raises [OVFLOW] and answers 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rw/NextBufferSize.h"
#include "tests/support/RwRecordingErrorHook.h"

namespace {

constexpr char kOverflow[] =
    "[OVFLOW] Overflow error -> \"Buffer may not resize larger than\" <- (4294967295 max "
    "characters)";

TEST(NextBufferSizeTest, Growth) {
  struct Case {
    std::uint32_t old_size;
    std::uint32_t factor;
    std::uint32_t next;
  };
  const Case cases[] = {
      {0, 2, 16},
      {5, 2, 16},
      {15, 2, 16},
      {16, 2, 32},
      {30, 4, 60},
      {0x3FFFFFFF, 2, 0x7FFFFFFE},  // factor x old = 0x7FFFFFFE: still doubles
      {0x40000000, 2, 0x5FFFFFFF},  // 0xFFFFFFFF / 4 + 0x20000000
      {0x80000000, 1, 0xBFFFFFFF},  // 0xFFFFFFFF / 2 + 0x40000000
      {0xFFFFFFF0, 1, 0xFFFFFFF7},
      {0x7FFFFFF0, 2, 0x7FFFFFF7},  // 0xFFFFFFFF / 4 + 0x3FFFFFF8
      {0x30000000, 4, 0x37FFFFFF},  // 0xFFFFFFFF / 8 + 0x18000000
      {0x7FFFFFFF, 0, 0xFFFFFFFE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.old_size << " x " << c.factor);
    vel::test::RecordingErrorHook hook;
    EXPECT_EQ(NextBufferSize(c.old_size, c.factor), c.next);
    EXPECT_EQ(hook.Count(), 0u);
  }
}

// A 32-bit product of factor and size used to wrap, and the slow-down branch could answer a size
// that is not larger than the old one; such a size must never be handed out as growth.
TEST(NextBufferSizeTest, NoLargerSizeRaisesOverflowAndAnswersZero) {
  struct Case {
    std::uint32_t old_size;
    std::uint32_t factor;
  };
  const Case cases[] = {
      {0x3FFFFFFF, 4},  // slow-down branch: 0x1FFFFFFF + 0x1FFFFFFF is below the old size
      {0x7FFFFFFE, 2},  // slow-down branch: 0x3FFFFFFF + 0x3FFFFFFF is the old size
      {0x60000000, 4},  // the product wraps to 0x80000000 in 32 bits
      {0x50000000, 4},  // the product wraps to 0x40000000 in 32 bits
      {0x80000000, 2},  // factor x old = 2^32
      {0xFFFFFFFF, 1},  // factor x old = 0xFFFFFFFF
      {0x80000000, 0},  // doubling leaves 32 bits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.old_size << " x " << c.factor);
    vel::test::RecordingErrorHook hook;
    EXPECT_EQ(NextBufferSize(c.old_size, c.factor), 0u);
    EXPECT_EQ(hook.Texts(), std::vector<std::string>({kOverflow}));
  }
}

}  // namespace
