// Enumerations, selection strings and binary data: choices and the current choice, copies,
// equality, removal, the stored forms and restores of bad data.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GBinaryData.h"
#include "framework/core/GEnumAttribute.h"
#include "framework/core/GSelectionString.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/StoredFields.h"
#include "rw/rwstore.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
using vel::test::kAllCarriers;

// [m1, m2, m3] (value attributes 1, 2, 3 with keys 11, 12, 13), m2 current.
GEnumAttribute* ThreeChoices() {
  auto* choices = new GEnumAttribute(189);
  for (std::uint16_t i = 1; i <= 3; ++i) {
    choices->Add(new GValueAttribute(i, 10u + i));
  }
  choices->SelectNext();
  return choices;
}

// An enumeration whose record names `stray` as its current choice, as untrusted data may.
class ForgedEnum : public GEnumAttribute {
 public:
  ForgedEnum(const GBaseObject* stray) : GEnumAttribute(5), stray_(stray) {
    Add(new GValueAttribute(1, 1));
    Add(new GValueAttribute(2, 2));
  }
  void SaveContents(RWVirtualOutStream& stream) const override { Forge(stream); }
  void SaveContents(RWBinaryFile& file) const override { Forge(file); }

 private:
  template <typename Carrier>
  void Forge(Carrier& carrier) const {
    RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
    GAttributeComposite::SaveContents(carrier);
    vel::WriteClassVersion(carrier);
    carrier << static_cast<const RWCollectable*>(stray_);
    vel::WriteField(carrier, std::uint16_t{vel::classid::kGValueAttribute});
  }

  const GBaseObject* stray_;
};

FW_PERSIST_SAMPLES(vel::classid::kGEnumAttribute,
                   {{"enum empty", [] { return new GEnumAttribute; }},
                    {"enum second current", [] { return ThreeChoices(); }},
                    {"enum emptied with choice class", [] {
                       auto* choices = ThreeChoices();
                       GBaseObject* removed = choices->RemoveObject(choices->GetCurrent());
                       delete removed;
                       choices->Clear();
                       return choices;
                     }}});

FW_PERSIST_SAMPLES(vel::classid::kGSelectionString,
                   {{"selection empty", [] { return new GSelectionString; }},
                    {"selection text", [] { return new GSelectionString("A4 \xB0", 0xFFFF, 3); }}});

FW_PERSIST_SAMPLES(vel::classid::kGBinaryData,
                   {{"binary empty", [] { return new GBinaryData; }},
                    {"binary owned",
                     [] {
                       auto* block = new std::uint8_t[5]{1, 2, 3, 0, 0xFF};
                       return new GBinaryData(block, 5, 1, 4);
                     }},
                    {"binary not owned 5000 bytes", [] {
                       // Kept alive for the process: the object does not own it.
                       static std::uint8_t block[5000];
                       for (std::size_t i = 0; i < sizeof block; ++i) {
                         block[i] = static_cast<std::uint8_t>(i);
                       }
                       return new GBinaryData(block, sizeof block, 0, 4);
                     }}});

TEST(GEnumAttributeTest, FirstChoiceFixesClassAndBecomesCurrent) {
  GEnumAttribute choices(1);
  auto* m1 = new GValueAttribute(1, 1);
  choices.Add(m1);
  EXPECT_EQ(choices.GetCurrent(), m1);
  EXPECT_EQ(choices.GetChoiceClassId(), vel::classid::kGValueAttribute);

  GStringAttribute tray("tray", 2);  // another class: refused
  GCountedPtr hold_tray(new GStringAttribute("held tray", 2));
  choices.Add(hold_tray.Get());  // refused, but a counted reference keeps it
  EXPECT_EQ(choices.Count(), 1u);
  EXPECT_EQ(static_cast<GStringAttribute*>(hold_tray.Get())->GetValue(), "held tray");

  choices.Add(new GValueAttribute(1, 1));  // equal to m1: destroyed
  choices.Add(m1);                         // already a choice: stays
  EXPECT_EQ(choices.Count(), 1u);
  auto* m2 = new GValueAttribute(2, 2);
  choices.Add(m2);
  EXPECT_EQ(choices.GetCurrent(), m1);  // later additions leave the current choice
  EXPECT_EQ(choices.Count(), 2u);
  EXPECT_EQ(choices.CategoryId(), vel::classid::kGEnumAttribute);
  EXPECT_TRUE(choices.IsKindOf(vel::classid::kGAttributeComposite));
}

TEST(GEnumAttributeTest, SelectionMovesWithinTheChoices) {
  std::unique_ptr<GEnumAttribute> choices(ThreeChoices());
  GBaseObject* m1 = choices->ChildAt(0);
  GBaseObject* m3 = choices->ChildAt(2);
  EXPECT_EQ(choices->GetCurrent(), choices->ChildAt(1));
  choices->SelectNext();
  EXPECT_EQ(choices->GetCurrent(), m3);
  choices->SelectNext();  // the last: unchanged
  EXPECT_EQ(choices->GetCurrent(), m3);
  GValueAttribute equal_to_m1(1, 11);
  EXPECT_EQ(choices->Select(&equal_to_m1), m1);
  choices->SelectPrevious();  // the first: unchanged
  EXPECT_EQ(choices->GetCurrent(), m1);
  GValueAttribute absent(9, 9);
  EXPECT_EQ(choices->Select(&absent), nullptr);
  EXPECT_EQ(choices->GetCurrent(), m1);
}

TEST(GEnumAttributeTest, RemovingTheCurrentChoiceMovesItToTheFirst) {
  std::unique_ptr<GEnumAttribute> choices(ThreeChoices());
  GBaseObject* m1 = choices->ChildAt(0);
  std::unique_ptr<GBaseObject> m2(choices->RemoveObject(choices->GetCurrent()));
  EXPECT_EQ(choices->GetCurrent(), m1);

  // A choice held elsewhere too: the removal hands back a clone, and the current choice must not
  // stay on the child that left.
  GCountedPtr elsewhere(m1);
  std::unique_ptr<GBaseObject> copy(choices->RemoveByKey(11));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), m1);
  EXPECT_EQ(choices->GetCurrent(), choices->ChildAt(0));
  EXPECT_EQ(*choices->GetCurrent()->Key(), 13u);

  std::unique_ptr<GBaseObject> last(choices->RemoveByClassId(vel::classid::kGValueAttribute));
  EXPECT_EQ(choices->GetCurrent(), nullptr);
  EXPECT_EQ(choices->Count(), 0u);
  EXPECT_EQ(choices->GetChoiceClassId(), vel::classid::kGValueAttribute);
}

TEST(GEnumAttributeTest, CopiesShareChoicesAndEqualityLooksAtTheCurrentChoice) {
  std::unique_ptr<GEnumAttribute> choices(ThreeChoices());
  std::unique_ptr<GEnumAttribute> copy(static_cast<GEnumAttribute*>(choices->Clone()));
  EXPECT_EQ(copy->GetCurrent(), choices->GetCurrent());
  EXPECT_EQ(copy->ChildAt(0), choices->ChildAt(0));
  EXPECT_TRUE(copy->IsSameKey(choices.get()));
  copy->SelectNext();
  EXPECT_FALSE(copy->IsSameKey(choices.get()));
  copy->Clear();
  EXPECT_EQ(copy->GetCurrent(), nullptr);
  EXPECT_FALSE(copy->IsSameKey(choices.get()));
  EXPECT_EQ(choices->Count(), 3u);

  GEnumAttribute no_choice;
  GEnumAttribute other_class;
  other_class.Add(new GStringAttribute("a", 1));
  delete other_class.RemoveByKey(1);
  EXPECT_FALSE(no_choice.IsSameKey(&other_class));  // the choice classes differ
}

TEST(GEnumAttributeTest, AcceptCallsOnlyTheEnumerationHandler) {
  std::unique_ptr<GEnumAttribute> choices(ThreeChoices());
  vel::test::FwRecordingHandlers handlers;
  handlers.SetStatus("HandleEnumAttribute", 3);
  EXPECT_EQ(choices->Accept(handlers), 3);
  EXPECT_EQ(handlers.Names(), std::vector<std::string>{"HandleEnumAttribute"});
  EXPECT_EQ(handlers.Calls()[0].object, choices.get());
  EXPECT_EQ(choices->GetEnabled(), 0);
  GEnumAttribute other(189);
  other.Add(new GValueAttribute(7, 7));
  EXPECT_EQ(choices->UpdateFrom(&other), 0);
  EXPECT_EQ(choices->Count(), 3u);
}

TEST(GEnumAttributeTest, RestoredCurrentChoiceIsTheRestoredChild) {
  std::unique_ptr<GEnumAttribute> choices(ThreeChoices());
  for (Carrier carrier : kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    const Bytes bytes = vel::test::SaveGraph(carrier, choices.get());
    vel::test::Restored restored = vel::test::RestoreGraph(carrier, bytes);
    auto* read = dynamic_cast<GEnumAttribute*>(restored.object);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetCurrent(), read->ChildAt(1));
    EXPECT_EQ(read->GetChoiceClassId(), vel::classid::kGValueAttribute);
    vel::test::DeleteRestored(read);
  }
}

TEST(GEnumAttributeTest, RestoreKeepsOnlyAChildAsTheCurrentChoice) {
  // A record whose current choice is an object of its own: the equal child stands for it (and the
  // object read goes), with no equal child there is none. The enumeration restored into had a
  // current choice among its old children: nothing is left pointing at them.
  const GValueAttribute stray_equal(2, 2);
  const GValueAttribute stray_other(9, 9);
  const struct {
    const GBaseObject* stray;
    int want_index;  // -1: no current choice
  } cases[] = {{&stray_equal, 1}, {&stray_other, -1}, {nullptr, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.want_index);
    const ForgedEnum forged(c.stray);
    for (Carrier carrier : kAllCarriers) {
      SCOPED_TRACE(vel::test::CarrierName(carrier));
      GEnumAttribute target(77);
      target.Add(new GValueAttribute(4, 4));
      const Bytes bytes = vel::test::SaveGraph(carrier, &forged);
      const vel::test::Restored restored = vel::test::RestoreInto(carrier, bytes, target);
      EXPECT_FALSE(restored.failed);
      ASSERT_EQ(target.Count(), 2u);
      EXPECT_EQ(target.GetCurrent(), c.want_index < 0 ? nullptr : target.ChildAt(c.want_index));
    }
  }
}

TEST(GSelectionStringTest, EqualityNeedsIdAndString) {
  GSelectionString a("Letter", 1, 5);
  GSelectionString other_id("Letter", 2, 5);
  GSelectionString same("Letter", 1, 5);
  GSelectionString other_case("letter", 1, 5);
  EXPECT_FALSE(a.IsSameKey(&other_id));
  EXPECT_TRUE(a.IsSameKey(&same));
  EXPECT_FALSE(a.IsSameKey(&other_case));
  EXPECT_EQ(a.StoredByteCount(), 12u + 6u + 10u);
  GSelectionString copy;
  copy = a;
  EXPECT_EQ(copy.SerialNumber(), a.SerialNumber());
  EXPECT_EQ(copy.GetId(), 1);
  EXPECT_EQ(copy.GetString(), "Letter");
}

TEST(GBinaryDataTest, OwnershipCopyAndDetach) {
  auto* block = new std::uint8_t[4]{1, 2, 3, 4};
  GBinaryData data(block, 4, 1, 2);
  GBinaryData copy(data);
  EXPECT_NE(copy.GetData(), data.GetData());
  EXPECT_EQ(copy.GetOwns(), 1);
  EXPECT_TRUE(copy.IsSameKey(&data));
  copy.GetData()[3] = 9;
  EXPECT_FALSE(copy.IsSameKey(&data));

  std::uint8_t* detached = data.Detach();
  EXPECT_EQ(detached, block);
  EXPECT_EQ(data.GetSize(), 0u);
  EXPECT_EQ(data.GetData(), nullptr);
  delete[] detached;  // the caller's now; the object frees nothing (ASan would see a double free)

  std::uint8_t outside[3] = {7, 7, 7};
  data.SetData(outside, 3, 0);  // not owned: never freed by the object
  data.Free();
  EXPECT_EQ(outside[0], 7);
  GBinaryData empty;
  EXPECT_EQ(empty.StoredByteCount(), 12u + 12u);
}

// The allocation checks run on the streams: a binary file of the render flavour allocates inside
// its own reads, which the failing-allocation switch would count as well.
constexpr Carrier kStreams[] = {Carrier::kPortable, Carrier::kBinary, Carrier::kByteOrder};

TEST(GBinaryDataTest, SizeZeroStoresAndRestoresNoBlock) {
  GBinaryData empty(3);
  for (Carrier carrier : kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    GBinaryData target(3);
    const Bytes bytes = vel::test::SaveContentsOf(carrier, empty);
    vel::test::Restored restored = vel::test::RestoreContentsOf(carrier, bytes, target);
    EXPECT_FALSE(restored.failed);
    EXPECT_EQ(target.GetData(), nullptr);
    EXPECT_EQ(target.GetSize(), 0u);
  }
  for (Carrier carrier : kStreams) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    GBinaryData target(3);
    const Bytes bytes = vel::test::SaveContentsOf(carrier, empty);
    vel::test::FailingAllocation no_allocation(0, -1);
    (void)vel::test::RestoreContentsOf(carrier, bytes, target);
    EXPECT_EQ(no_allocation.Refused(), 0);
  }
}

TEST(GBinaryDataTest, HugeStoredSizeFailsWithoutAllocating) {
  // Root part, version, size 0xFFFFFFFF, owns 1, and nothing behind: 24 bytes.
  GBinaryData small(new std::uint8_t[4]{1, 2, 3, 4}, 4, 1, 0);
  for (Carrier carrier : {Carrier::kBinary, Carrier::kFile}) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    Bytes bytes = vel::test::SaveContentsOf(carrier, small);
    bytes.resize(bytes.size() - 4);  // drop the block
    const std::size_t size_at = bytes.size() - 8;
    for (int i = 0; i < 4; ++i) {
      bytes[size_at + i] = 0xFF;
    }
    GBinaryData target(1);
    std::optional<vel::test::FailingAllocation> no_allocation;
    if (carrier != Carrier::kFile) {
      no_allocation.emplace(0, -1);
    }
    vel::test::Restored restored = vel::test::RestoreContentsOf(carrier, bytes, target);
    EXPECT_TRUE(restored.failed);
    if (no_allocation) {
      EXPECT_EQ(no_allocation->Refused(), 0);
    }
    EXPECT_EQ(target.GetData(), nullptr);
    EXPECT_EQ(target.GetSize(), 0u);
  }
}

TEST(GBinaryDataTest, RestoredBlockIsFreedWhateverTheOwnsFlag) {
  // Owns flag 0 in the record: the restored block is the object's own and goes with it (a leak
  // would show under the sanitizer); the flag is saved again as it was read.
  std::uint8_t outside[6] = {1, 2, 3, 4, 5, 6};
  GBinaryData not_owned(outside, 6, 0, 1);
  for (Carrier carrier : kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    const Bytes bytes = vel::test::SaveContentsOf(carrier, not_owned);
    auto target = std::make_unique<GBinaryData>(1);
    vel::test::Restored restored = vel::test::RestoreContentsOf(carrier, bytes, *target);
    EXPECT_FALSE(restored.failed);
    EXPECT_EQ(target->GetOwns(), 0);
    EXPECT_TRUE(target->IsSameKey(&not_owned));
    EXPECT_EQ(vel::test::SaveContentsOf(carrier, *target), bytes);
  }
}

TEST(GBinaryDataTest, OutOfMemoryReadsPastTheBytesAndLeavesTheObjectEmpty) {
  GBinaryData data(new std::uint8_t[10]{}, 10, 1, 1);
  for (Carrier carrier : kStreams) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    const Bytes bytes = vel::test::SaveContentsOf(carrier, data);
    GBinaryData target(1);
    vel::test::FailingAllocation refuse(0, -1);
    vel::test::Restored restored = vel::test::RestoreContentsOf(carrier, bytes, target);
    EXPECT_FALSE(restored.failed);
    EXPECT_GE(refuse.Refused(), 1);
    EXPECT_EQ(target.GetData(), nullptr);
    EXPECT_EQ(target.GetSize(), 0u);
  }
}

}  // namespace
