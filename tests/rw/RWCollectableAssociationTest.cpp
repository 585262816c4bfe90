// Associations: ordering and matching through the key, or through the key's address.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "rw/RWBTree.h"
#include "rw/RWCollectableAssociation.h"
#include "rw/RWSet.h"
#include "tests/support/RwCountedInt.h"

namespace {

using vel::test::CountedInt;

TEST(RWCollectableAssociationTest, OrdersAndMatchesThroughTheKey) {
  CountedInt one(1);
  CountedInt two(2);
  CountedInt one_again(1);
  CountedInt value(7);
  RWCollectableAssociation association(&one, &value);
  EXPECT_EQ(association.Compare(&two), -1);
  EXPECT_EQ(association.Compare(&one_again), 0);
  EXPECT_TRUE(association.IsEqual(&one_again));
  EXPECT_FALSE(association.IsEqual(&two));
  EXPECT_EQ(association.Hash(), one.Hash());
  RWCollectableAssociation other(&one_again, nullptr);
  EXPECT_EQ(association.Compare(&other), 0);
  EXPECT_TRUE(association.IsEqual(&other));

  EXPECT_EQ(association.SetValue(&two), &value);
  EXPECT_EQ(association.Value(), &two);
  std::unique_ptr<RWCollectable> clone(association.Clone());
  auto* copy = static_cast<RWCollectableAssociation*>(clone.get());
  EXPECT_EQ(copy->Key(), &one);
  EXPECT_EQ(copy->Value(), &two);
  std::unique_ptr<RWCollectable> fresh(RWCollectableAssociation::Create());
  EXPECT_EQ(static_cast<RWCollectableAssociation*>(fresh.get())->Key(), nullptr);
  EXPECT_EQ(fresh->IsA(), 0x8008);
}

TEST(RWCollectableAssociationTest, IDAssociationMatchesTheKeyObjectOnly) {
  CountedInt a(1);
  CountedInt a_equal(1);
  RWCollectableIDAssociation association(&a, nullptr);
  EXPECT_TRUE(association.IsEqual(&a));
  EXPECT_FALSE(association.IsEqual(&a_equal));
  EXPECT_EQ(association.Compare(&a), 0);
  EXPECT_NE(association.Compare(&a_equal), 0);
  RWCollectableIDAssociation same_key(&a, &a);
  RWCollectableIDAssociation equal_key(&a_equal, nullptr);
  EXPECT_TRUE(association.IsEqual(&same_key));
  EXPECT_FALSE(association.IsEqual(&equal_key));
  const std::uint32_t folded = RWCollectable::FoldAddress(&a);
  EXPECT_EQ(association.Hash(), (folded >> 3) ^ folded);
  EXPECT_EQ(association.IsA(), 0x805F);
  std::unique_ptr<RWCollectable> clone(association.Clone());
  EXPECT_EQ(clone->IsA(), 0x805F);
}

// Two ID associations compare by their keys' addresses; comparing one association's key with the
// other association's own address would order a sorted collection of them at random.
TEST(RWCollectableAssociationTest, IDAssociationsOrderByKeyAddressInATree) {
  std::vector<std::unique_ptr<CountedInt>> keys;
  for (int i = 0; i < 300; ++i) {
    keys.push_back(std::make_unique<CountedInt>(i % 3));  // many keys equal by value
  }
  // Associations made and inserted in an order unrelated to their keys' addresses.
  std::vector<int> order(300);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), std::mt19937(5));
  std::vector<std::unique_ptr<RWCollectableIDAssociation>> associations(300);
  RWBTree tree;
  for (int i : order) {
    associations[i] = std::make_unique<RWCollectableIDAssociation>(keys[i].get(), nullptr);
    ASSERT_EQ(tree.Insert(associations[i].get()), associations[i].get());
  }
  EXPECT_EQ(tree.Entries(), 300u);
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(tree.Find(keys[i].get()), associations[i].get()) << i;
  }
  CountedInt stranger(0);
  EXPECT_EQ(tree.Find(&stranger), nullptr);
}

TEST(RWCollectableAssociationTest, AssociationsInASetMatchByKey) {
  CountedInt k(3);
  CountedInt k_equal(3);
  RWCollectableAssociation first(&k, nullptr);
  RWCollectableAssociation second(&k_equal, nullptr);
  RWSet set;
  EXPECT_EQ(set.Insert(&first), &first);
  EXPECT_EQ(set.Insert(&second), &first);
  EXPECT_EQ(set.Find(&k_equal), &first);
}

}  // namespace
