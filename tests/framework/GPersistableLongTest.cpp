// The persistable integers: stored form, ordering and equality.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GPersistableLong.h"
#include "rw/RWSet.h"
#include "tests/support/FwPersistHarness.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::HexBytes;

FW_PERSIST_SAMPLES(vel::classid::kGPersistableLong,
                   {{"long default", [] { return new GPersistableLong; }},
                    {"long -1", [] { return new GPersistableLong(-1); }},
                    {"long min", [] {
                       return new GPersistableLong(std::numeric_limits<std::int32_t>::min());
                     }}});

FW_PERSIST_SAMPLES(vel::classid::kGPersistableULong,
                   {{"ulong default", [] { return new GPersistableULong; }},
                    {"ulong all bits", [] { return new GPersistableULong(0xFFFFFFFFu); }}});

TEST(GPersistableLongTest, MinusOneEndsInFourFFBytesInABinaryFile) {
  GPersistableLong value(-1);
  value.SetSerialNumber(0x01020304);
  // Root part: version 1, key 0, serial; then the class version 1 and the value.
  EXPECT_TRUE(
      BytesEqual(HexBytes("01 00 00 00  00 00 00 00  04 03 02 01  01 00 00 00  FF FF FF FF"),
                 vel::test::SaveContentsOf(Carrier::kFile, value)));
  EXPECT_EQ(value.StoredByteCount(), 20u);
}

TEST(GPersistableLongTest, CompareOrdersByValueWithinAClassAndByIdentityAcross) {
  GPersistableLong minus_one(-1);
  GPersistableLong one(1);
  GPersistableULong all_bits(0xFFFFFFFFu);
  GPersistableULong unsigned_one(1);
  EXPECT_EQ(minus_one.Compare(&one), -1);
  EXPECT_EQ(one.Compare(&minus_one), 1);
  EXPECT_EQ(one.Compare(&one), 0);
  EXPECT_EQ(all_bits.Compare(&unsigned_one), 1);
  EXPECT_EQ(unsigned_one.Compare(&all_bits), -1);

  // Mixed classes order by address, whatever the values.
  const int by_address = std::less<const void*>()(&minus_one, &unsigned_one) ? -1 : 1;
  EXPECT_EQ(minus_one.Compare(&unsigned_one), by_address);
  EXPECT_EQ(unsigned_one.Compare(&minus_one), -by_address);
  GPersistableLong long_one(1);
  const int long_to_ulong = std::less<const void*>()(&long_one, &unsigned_one) ? -1 : 1;
  EXPECT_EQ(long_one.Compare(&unsigned_one), long_to_ulong);
}

TEST(GPersistableLongTest, EqualValuesWithDifferentKeysAreEqualButNotTheSameKey) {
  GPersistableLong a(7);
  GPersistableLong b(7);
  b.SetKey(3);
  EXPECT_TRUE(a.IsEqual(&b));
  EXPECT_FALSE(a.IsSameKey(&b));
  b.SetKey(0);
  EXPECT_TRUE(a.IsSameKey(&b));
  GPersistableULong c(7);
  EXPECT_FALSE(a.IsEqual(&c));
  EXPECT_FALSE(a.IsSameKey(&c));
  EXPECT_TRUE(c.IsKindOf(vel::classid::kGBaseObject));
  EXPECT_FALSE(c.IsKindOf(vel::classid::kGPersistableLong));
}

// Equal objects hash alike, so a hashed collection finds an equal one and holds it once.
TEST(GPersistableLongTest, EqualValuesHashAlike) {
  GPersistableLong a(7);
  GPersistableLong b(7);
  b.SetKey(3);
  GPersistableULong c(9);
  GPersistableULong d(9);
  RWSet set;
  EXPECT_EQ(set.Insert(&a), &a);
  EXPECT_EQ(set.Insert(&b), &a);
  EXPECT_EQ(set.Insert(&c), &c);
  EXPECT_TRUE(set.Contains(&d));
  EXPECT_EQ(set.Entries(), 2u);
  set.Clear();
}

}  // namespace
