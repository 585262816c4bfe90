// Attribute groups and states: searches, removals, collecting, replay, placement by category and
// key, merging, the iterator and the stored form.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GIterator.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/RwRecordingErrorHook.h"

namespace {

using vel::test::Carrier;

// state(243) { value(1) key 5, group(9) { string "x" key 7 }, value(3) key 7, range key 8 }
GState* Sample() {
  auto* state = new GState(243);
  state->Add(new GValueAttribute(1, 5));
  auto* group = new GAttributeComposite(9);
  group->Add(new GStringAttribute("x", 7));
  state->Add(group);
  state->Add(new GValueAttribute(3, 7));
  state->Add(new GRangeAttribute(0, 10, 1, 4, 8));
  return state;
}

GAttributeComposite* SharedChild() {
  auto* group = new GAttributeComposite(4);
  auto* value = new GValueAttribute(2, 2);
  group->Add(value);
  group->Add(value);
  auto* inner = new GState(3);
  inner->Add(new GStringAttribute("inner", 1));
  group->Add(inner);
  return group;
}

FW_PERSIST_SAMPLES(vel::classid::kGAttributeComposite,
                   {{"group empty", [] { return new GAttributeComposite; }},
                    {"group sharing a child", [] { return SharedChild(); }}});

FW_PERSIST_SAMPLES(vel::classid::kGState,
                   {{"state empty", [] { return new GState(243); }},
                    {"state nested", [] { return Sample(); }}});

std::vector<std::uint32_t> Keys(const GAttributeComposite& group) {
  std::vector<std::uint32_t> keys;
  for (std::uint32_t i = 0; i < group.Count(); ++i) {
    keys.push_back(*group.ChildAt(i)->Key());
  }
  return keys;
}

std::vector<const GBaseObject*> Children(const GAttributeComposite& group) {
  std::vector<const GBaseObject*> children;
  for (std::uint32_t i = 0; i < group.Count(); ++i) {
    children.push_back(group.ChildAt(i));
  }
  return children;
}

TEST(GAttributeCompositeTest, SearchesArePreOrderAndFindNestedGroups) {
  std::unique_ptr<GState> state(Sample());
  GBaseObject* found = state->FindByKey(7);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->IsA(), vel::classid::kGStringAttribute);  // nested key 7 before the later one
  EXPECT_EQ(state->FindByKey(9), state->ChildAt(1));         // the group itself can be found
  EXPECT_EQ(state->FindByKey(99), nullptr);
  EXPECT_EQ(state->FindByClassId(vel::classid::kGRangeAttribute), state->ChildAt(3));
  EXPECT_EQ(state->FindKindOf(vel::classid::kGAttributeComposite), state->ChildAt(1));

  // FindEqual: a child by address, a leaf by its equality, a nested group only by address.
  GValueAttribute equal(3, 7);
  EXPECT_EQ(state->FindEqual(&equal), state->ChildAt(2));
  GAttributeComposite equal_group(9);
  equal_group.Add(new GStringAttribute("x", 7));
  EXPECT_EQ(state->FindEqual(&equal_group), nullptr);
  EXPECT_EQ(state->FindEqual(state->ChildAt(1)), state->ChildAt(1));
  EXPECT_EQ(state->Count(), 4u);
  EXPECT_EQ(state->TotalCount(), 6u);
}

TEST(GAttributeCompositeTest, SearchesDescendIntoEveryAttributeThatHoldsChildren) {
  // Attributes that hold children of their own, made every way: a group copied from another and a
  // chain of stages (an attribute holding stages). The searches by key, class and kind reach into
  // each; leaves are answered by their own test.
  GAttributeComposite inner(2);
  inner.Add(new GRangeAttribute(0, 9, 1, 4, 20));
  auto* chain = new GPeripheralComposite(3);
  auto* stage = new GPeripheralComposite(30);
  chain->Add(stage);
  GAttributeComposite outer(1);
  outer.Add(new GValueAttribute(1, 5));
  outer.Add(new GAttributeComposite(inner));
  outer.Add(chain);

  const GBaseObject* range = outer.ChildAt(1)->FindByKey(20);
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(outer.FindByKey(5), outer.ChildAt(0));
  EXPECT_EQ(outer.FindByKey(20), range);
  EXPECT_EQ(outer.FindByKey(30), stage);
  EXPECT_EQ(outer.FindByKey(31), nullptr);
  EXPECT_EQ(outer.FindByClassId(vel::classid::kGRangeAttribute), range);
  EXPECT_EQ(outer.FindByClassId(vel::classid::kGPeripheralComposite), chain);
  EXPECT_EQ(outer.FindKindOf(vel::classid::kGRangeAttribute), range);
  EXPECT_EQ(outer.FindKindOf(vel::classid::kGPeripheral), chain);
  EXPECT_EQ(outer.FindByClassId(vel::classid::kGState), nullptr);
}

TEST(GAttributeCompositeTest, FindAllGivesLeavesOnlyOrNull) {
  std::unique_ptr<GState> state(Sample());
  EXPECT_EQ(state->FindAllByKey(99), nullptr);
  std::unique_ptr<GBaseObject> found(state->FindAllByKey(7));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->IsA(), vel::classid::kGAttributeComposite);
  auto& group = static_cast<GAttributeComposite&>(*found);
  ASSERT_EQ(group.Count(), 2u);
  EXPECT_EQ(group.ChildAt(0), state->ChildAt(1)->FindByKey(7));  // shared, not copied
  EXPECT_EQ(group.ChildAt(1), state->ChildAt(2));
  // Groups never collect themselves: key 9 names only the nested group.
  EXPECT_EQ(state->FindAllByKey(9), nullptr);
  std::unique_ptr<GBaseObject> kinds(state->FindAllKindOf(vel::classid::kGAttribute));
  ASSERT_NE(kinds, nullptr);
  EXPECT_EQ(kinds->Count(), 4u);
}

TEST(GAttributeCompositeTest, RemovingASharedChildGivesACopy) {
  std::unique_ptr<GAttributeComposite> a(new GAttributeComposite(1));
  std::unique_ptr<GAttributeComposite> b(new GAttributeComposite(2));
  auto* shared = new GValueAttribute(4, 4);
  a->Add(shared);
  b->Add(shared);
  std::unique_ptr<GBaseObject> removed(a->RemoveObject(shared));
  ASSERT_NE(removed, nullptr);
  EXPECT_NE(removed.get(), shared);
  EXPECT_TRUE(removed->IsSameKey(shared));
  EXPECT_EQ(a->Count(), 0u);
  EXPECT_EQ(b->ChildAt(0), shared);

  // Its last holder hands the child itself over.
  GBaseObject* last = b->RemoveByKey(4);
  EXPECT_EQ(last, shared);
  EXPECT_EQ(last->References(), -1);
  delete last;

  std::unique_ptr<GState> state(Sample());
  std::unique_ptr<GBaseObject> nested(state->RemoveByClassId(vel::classid::kGStringAttribute));
  ASSERT_NE(nested, nullptr);
  EXPECT_EQ(state->ChildAt(1)->Count(), 0u);
  EXPECT_EQ(state->RemoveObject(nested.get()), nullptr);
}

TEST(GAttributeCompositeTest, ReplaceStoresADeepCopyAndCloneSharesChildren) {
  std::unique_ptr<GState> state(Sample());
  GValueAttribute replacement(77, 70);
  EXPECT_EQ(state->ReplaceByKey(7, &replacement), 1);  // the nested string
  EXPECT_EQ(state->ChildAt(1)->FindByKey(70)->IsA(), vel::classid::kGValueAttribute);
  EXPECT_NE(state->FindByKey(70), &replacement);
  EXPECT_EQ(state->ReplaceByKey(1234, &replacement), 0);
  EXPECT_EQ(state->ReplaceEqual(state->ChildAt(3), &replacement), 1);
  EXPECT_EQ(state->ChildAt(3)->IsA(), vel::classid::kGValueAttribute);

  std::unique_ptr<GAttributeComposite> clone(static_cast<GAttributeComposite*>(state->Clone()));
  EXPECT_EQ(clone->IsA(), vel::classid::kGState);
  EXPECT_EQ(clone->SerialNumber(), state->SerialNumber());
  EXPECT_EQ(Children(*clone), Children(*state));
  static_cast<GAttribute*>(clone->ChildAt(0))->SetEnabled(0);
  EXPECT_EQ(static_cast<GAttribute*>(state->ChildAt(0))->GetEnabled(), 0);
  EXPECT_TRUE(clone->IsSameKey(state.get()));
}

TEST(GAttributeCompositeTest, AddRefusesNonAttributesAndClearLeavesCapacity64) {
  GAttributeComposite group(1);
  const int live = FwTestLeaf::Live();
  group.Add(new FwTestLeaf(1, 1));  // not an attribute: destroyed
  EXPECT_EQ(FwTestLeaf::Live(), live);
  group.Add(nullptr);
  EXPECT_EQ(group.Count(), 0u);
  EXPECT_EQ(group.Children().Capacity(), 10u);
  group.Add(new GValueAttribute);
  group.Clear();
  EXPECT_EQ(group.Count(), 0u);
  EXPECT_EQ(group.Children().Capacity(), 64u);
}

// A group whose array cannot grow refuses the attribute: it is destroyed once, by the refusal,
// and the group is unchanged.
TEST(GAttributeCompositeTest, AddWithoutMemoryToGrowRefusesTheAttributeOnce) {
  for (const bool as_state : {false, true}) {
    std::unique_ptr<GAttributeComposite> group(as_state ? new GState(1) : new GAttributeComposite(1));
    for (std::uint32_t key = 0; key < group->Children().Capacity(); ++key) {
      group->Add(new GValueAttribute(1, key));
    }
    const std::uint32_t full = group->Count();
    {
      vel::test::FailingAllocation refuse(0, 1);
      group->Add(new GValueAttribute(1, 100));
      EXPECT_EQ(refuse.Refused(), 1);
    }
    EXPECT_EQ(group->Count(), full);
    EXPECT_EQ(group->FindByKey(100), nullptr);
  }
}

TEST(GAttributeCompositeTest, AcceptReplaysEnabledChildrenAndDisablesTheGroup) {
  GAttributeComposite group(1);
  auto* first = new GValueAttribute(1, 1);
  auto* skipped = new GStringAttribute("s", 2);
  auto* range = new GRangeAttribute;
  auto* last = new GValueAttribute(2, 3);
  skipped->SetEnabled(0);
  group.Add(first);
  group.Add(skipped);
  group.Add(range);
  group.Add(last);
  vel::test::FwRecordingHandlers handlers;
  handlers.SetStatus("HandleRangeAttribute", 5);
  handlers.SetStatus("HandleValueAttribute", 9);
  EXPECT_EQ(group.Accept(handlers), 9);  // the last non-zero status
  EXPECT_EQ(handlers.Names(),
            (std::vector<std::string>{"HandleValueAttribute", "HandleRangeAttribute",
                                      "HandleValueAttribute"}));
  EXPECT_EQ(handlers.Calls()[2].object, last);
  EXPECT_EQ(group.GetEnabled(), 0);
  EXPECT_EQ(first->GetEnabled(), 1);

  handlers.ClearCalls();
  handlers.SetStatus("HandleValueAttribute", 0);
  EXPECT_EQ(group.Accept(handlers), 5);  // a disabled group still replays
  group.EnableAll();
  EXPECT_EQ(skipped->GetEnabled(), 1);
  EXPECT_EQ(group.GetEnabled(), 1);
  group.DisableAll();
  EXPECT_EQ(first->GetEnabled(), 0);
  handlers.ClearCalls();
  EXPECT_EQ(group.Accept(handlers), 0);
  EXPECT_TRUE(handlers.Calls().empty());
}

TEST(GStateTest, SetAttributePlacesAChangedAttributeBehindItsNeighbour) {
  struct Case {
    const char* name;
    std::uint32_t key;  // category: value attributes
    std::vector<std::uint32_t> want;
  };
  // Children a1..a4 with keys 1..4; the new attribute x carries key `key` and value 99.
  const Case cases[] = {
      {"second", 2, {1, 3, 4, 2}}, {"first", 1, {2, 3, 1, 4}},     {"last", 4, {1, 2, 3, 4}},
      {"third", 3, {1, 2, 4, 3}},  {"absent", 5, {1, 2, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    GState state(243);
    for (std::uint32_t key = 1; key <= 4; ++key) {
      state.SetAttribute(new GValueAttribute(static_cast<std::uint16_t>(key), key));
    }
    auto* x = new GValueAttribute(99, c.key);
    state.SetAttribute(x);
    EXPECT_EQ(Keys(state), c.want) << c.name;
    EXPECT_EQ(state.FindByKey(c.key), x) << c.name;
  }
}

TEST(GStateTest, EqualOrSameAttributeLeavesTheListAlone) {
  GState state(243);
  auto* a1 = new GValueAttribute(1, 1);
  state.SetAttribute(a1);
  state.SetAttribute(new GValueAttribute(2, 2));
  const auto before = Children(state);

  state.SetAttribute(new GValueAttribute(1, 1));  // equal: destroyed (a leak would show)
  EXPECT_EQ(Children(state), before);
  state.SetAttribute(a1);  // a child added again: left alone
  EXPECT_EQ(Children(state), before);
  EXPECT_EQ(a1->GetValue(), 1);

  // Another category with the same key is a different setting.
  state.SetAttribute(new GRangeAttribute(0, 5, 1, 1, 1));
  EXPECT_EQ(state.Count(), 3u);
  // A refused attribute that a counted reference holds survives.
  auto* held = new GValueAttribute(2, 2);
  GCountedPtr holder(held);
  state.SetAttribute(held);
  EXPECT_EQ(held->GetValue(), 2);
  EXPECT_EQ(state.Count(), 3u);
}

TEST(GStateTest, ReplacingAGroupKeepsAnAttributeItHeld) {
  GState state(243);
  auto* group = new GState(50);
  auto* inner = new GState(50);  // same category and key as the group, nested inside it
  group->Add(inner);
  state.SetAttribute(group);
  state.SetAttribute(new GValueAttribute(1, 1));
  state.SetAttribute(inner);  // differs from `group`: replaces it, although `group` held it
  EXPECT_EQ(Children(state), (std::vector<const GBaseObject*>{state.ChildAt(0), inner}));
  EXPECT_EQ(inner->Count(), 0u);
}

TEST(GStateTest, UpdateFromMergesChildByChild) {
  GState mine(246);
  auto* nested = new GState(30);
  nested->SetAttribute(new GValueAttribute(1, 31));
  mine.SetAttribute(nested);
  auto* different = new GValueAttribute(1, 10);
  auto* equal = new GValueAttribute(2, 11);
  equal->SetEnabled(0);
  mine.SetAttribute(different);
  mine.SetAttribute(equal);

  GState other(246);
  auto* other_nested = new GState(30);
  auto* nested_change = new GValueAttribute(5, 31);
  other_nested->SetAttribute(nested_change);
  other.SetAttribute(other_nested);
  auto* changed = new GValueAttribute(7, 10);
  changed->SetEnabled(0);
  other.SetAttribute(changed);
  auto* same = new GValueAttribute(2, 11);
  other.SetAttribute(same);
  auto* absent = new GStringAttribute("new", 12);
  absent->SetEnabled(0);
  other.SetAttribute(absent);

  EXPECT_EQ(mine.UpdateFrom(&other), 0);
  ASSERT_EQ(mine.Count(), 4u);
  EXPECT_EQ(mine.ChildAt(0), nested);  // a nested state is updated, not replaced
  EXPECT_EQ(nested->ChildAt(0), nested_change);
  EXPECT_EQ(mine.ChildAt(1), changed);  // shared with other, enabled
  EXPECT_EQ(changed->GetEnabled(), 1);
  EXPECT_EQ(mine.ChildAt(2), equal);  // equal: nothing changes
  EXPECT_EQ(equal->GetEnabled(), 0);
  EXPECT_EQ(mine.ChildAt(3), absent);  // appended, shared, enabled
  EXPECT_EQ(absent->GetEnabled(), 1);
  EXPECT_EQ(other.ChildAt(1), changed);
  // Exactly the two states hold what was taken in; the equal one stays other's alone.
  EXPECT_EQ(changed->References(), 1);
  EXPECT_EQ(absent->References(), 1);
  EXPECT_EQ(same->References(), 0);

  // Another key: other itself goes in as SetAttribute places it, or is left alone when equal.
  GState third(999);
  third.SetEnabled(0);
  GCountedPtr hold_third(&third);
  mine.UpdateFrom(&third);
  EXPECT_EQ(mine.ChildAt(4), &third);
  EXPECT_EQ(third.GetEnabled(), 1);
  GState equal_third(999);
  mine.UpdateFrom(&equal_third);
  EXPECT_EQ(mine.Count(), 5u);
  delete mine.RemoveObject(&third);  // a copy: the counted reference still holds `third`
  (void)hold_third.Release();
  mine.UpdateFrom(nullptr);
}

TEST(GAttributeCompositeTest, UpdateFromAddsClonesOfTheOthersChildren) {
  GAttributeComposite mine(5);
  GAttributeComposite other(5);
  auto* child = new GValueAttribute(1, 1);
  other.Add(child);
  mine.UpdateFrom(&other);
  ASSERT_EQ(mine.Count(), 1u);
  EXPECT_NE(mine.ChildAt(0), child);
  EXPECT_TRUE(mine.ChildAt(0)->IsSameKey(child));
  GAttributeComposite stranger(6);
  mine.UpdateFrom(&stranger);  // another key: a clone of the group itself
  ASSERT_EQ(mine.Count(), 2u);
  EXPECT_EQ(mine.ChildAt(1)->IsA(), vel::classid::kGAttributeComposite);
  mine.UpdateFrom(&mine);  // from itself: one clone of each child, no endless walk
  EXPECT_EQ(mine.Count(), 4u);
}

TEST(GAttributeCompositeTest, IteratorReplacesAndRaisesOffTheChildren) {
  vel::test::RecordingErrorHook hook;
  GAttributeComposite group(1);
  for (std::uint32_t key = 1; key <= 4; ++key) {
    group.Add(new GValueAttribute(0, key));
  }
  std::unique_ptr<GIterator> iterator(group.CreateIterator());
  EXPECT_EQ(iterator->Current(), nullptr);  // before the first child: the index error
  EXPECT_EQ(hook.Count(), 1u);
  ASSERT_EQ(iterator->Advance(), 1);
  ASSERT_EQ(iterator->Advance(), 1);  // on key 2
  // Taken out; the new child lands two places on, behind the child that moved up.
  iterator->ReplaceCurrent(new GValueAttribute(0, 20));
  EXPECT_EQ(Keys(group), (std::vector<std::uint32_t>{1, 3, 4, 20}));
  EXPECT_EQ(*iterator->Current()->Key(), 20u);
  EXPECT_EQ(iterator->Advance(), 0);
  ASSERT_EQ(iterator->Advance(), 1);
  ASSERT_EQ(iterator->Advance(), 1);  // on key 3
  iterator->ReplaceCurrent(new GValueAttribute(0, 30));
  EXPECT_EQ(Keys(group), (std::vector<std::uint32_t>{1, 4, 20, 30}));
  // On the last child: appended, and the position goes back to before the first.
  iterator->ReplaceCurrent(new GValueAttribute(0, 40));
  EXPECT_EQ(Keys(group), (std::vector<std::uint32_t>{1, 4, 20, 40}));
  hook.Clear();
  EXPECT_EQ(iterator->Current(), nullptr);
  EXPECT_EQ(hook.Count(), 1u);
  EXPECT_EQ(iterator->Advance(), 1);
  EXPECT_EQ(*iterator->Current()->Key(), 1u);
}

TEST(GAttributeCompositeTest, FailedRestoreIntoAGroupLetsGoOfItsChildren) {
  std::unique_ptr<GState> state(Sample());
  for (Carrier carrier : vel::test::kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    const vel::test::Bytes bytes = vel::test::SaveGraph(carrier, state.get());
    GState target(1);
    target.Add(new GValueAttribute(1, 1));
    const vel::test::Bytes cut(bytes.begin(), bytes.end() - 6);
    const vel::test::Restored restored = vel::test::RestoreInto(carrier, cut, target);
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(target.Count(), 0u);
  }
}

}  // namespace
