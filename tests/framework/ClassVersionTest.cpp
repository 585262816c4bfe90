// The class version word: the checked read fails the carrier, the unchecked one does not, and the
// test patch replaces exactly the checked words.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "framework/core/ClassVersion.h"
#include "rw/RWBinaryStream.h"

using namespace std::string_literals;

namespace {

TEST(ClassVersionTest, CheckedAndUncheckedWords) {
  std::ostringstream out;
  {
    RWBinaryOutStream stream(out);
    vel::ScopedClassVersionPatch patch(1, 2);
    vel::WriteClassVersion(stream);           // checked word 0: 1
    vel::WriteUncheckedClassVersion(stream);  // not counted: 1
    vel::WriteClassVersion(stream);           // checked word 1: patched to 2
    vel::WriteClassVersion(stream);           // checked word 2: 1
    EXPECT_EQ(patch.Written(), 3u);
  }
  std::istringstream in(out.str());
  RWBinaryInStream stream(in);
  EXPECT_TRUE(vel::ReadClassVersion(stream));
  EXPECT_TRUE(vel::SkipClassVersion(stream));
  EXPECT_FALSE(vel::ReadClassVersion(stream));
  EXPECT_NE(stream.Fail(), 0);

  std::istringstream two("\x02\x00\x00\x00"s);
  RWBinaryInStream unchecked(two);
  EXPECT_TRUE(vel::SkipClassVersion(unchecked));
}

}  // namespace
