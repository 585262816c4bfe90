// The entry of velres and its version block.
#include <gtest/gtest.h>

#include "resources/VelresModule.h"
#include "tests/resources/VelresTestSupport.h"

namespace vel::test {
namespace {

TEST(VelresEntry, AttachKeepsTheHandleDetachClearsItThreadsChangeNothing) {
  int marker = 0;
  HANDLE handle = &marker;
  EXPECT_EQ(DllInitialize(handle, 1, nullptr), TRUE);
  EXPECT_EQ(velres::g_module, handle);
  EXPECT_EQ(DllInitialize(nullptr, 2, nullptr), TRUE);
  EXPECT_EQ(velres::g_module, handle);
  EXPECT_EQ(DllInitialize(nullptr, 3, nullptr), TRUE);
  EXPECT_EQ(velres::g_module, handle);
  EXPECT_EQ(DllInitialize(handle, 0, nullptr), TRUE);
  EXPECT_EQ(velres::g_module, nullptr);
  EXPECT_EQ(DllInitialize(handle, 7, nullptr), TRUE) << "any other reason is answered too";
  EXPECT_EQ(velres::g_module, nullptr);
}

std::uint32_t U32At(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

TEST(VelresVersion, FixedInformationAtByteFortyOfTheBlock) {
  const velres::ResourceEntry* block = FindVelresResource(16, 1);
  ASSERT_NE(block, nullptr);
  ASSERT_GE(block->size, 92u);
  EXPECT_EQ(block->data[4] | (block->data[5] << 8), 0) << "the root's type word";
  const std::uint8_t* fixed = block->data + 40;
  EXPECT_EQ(U32At(fixed), 0xFEEF04BDu);
  EXPECT_EQ(U32At(fixed + 8), 0x00040001u);   // file version 4.1.1.5
  EXPECT_EQ(U32At(fixed + 12), 0x00010005u);
  EXPECT_EQ(U32At(fixed + 16), 0x00040001u);  // product version
  EXPECT_EQ(U32At(fixed + 20), 0x00010005u);
  EXPECT_EQ(U32At(fixed + 28), 0u);           // flags
  EXPECT_EQ(U32At(fixed + 32), 0x40004u);     // OS
  EXPECT_EQ(U32At(fixed + 36), 3u);           // driver
  EXPECT_EQ(U32At(fixed + 40), 1u);           // printer driver
}

}  // namespace
}  // namespace vel::test
