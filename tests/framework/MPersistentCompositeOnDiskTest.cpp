// The disk-backed composite: storing and loading object trees, the record file's layout, sharing
// one file between composites, deletion, replacement, unique keys, refused writes, unusable and
// corrupt files, iteration, the stored form and two threads on one file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/core/MPersistentCompositeOnDisk.h"
#include "framework/core/StringWidth.h"
#include "rw/RWDiskBTree.h"
#include "rw/RWFileSpaceManager.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/RwDiskFileCheck.h"
#include "tests/support/TempDir.h"

namespace {

using vel::test::Bytes;
using vel::test::FileImage;
using vel::test::TempDir;

RWWString Wide(const std::string& name) {
  RWWString wide;
  (void)WidenString(RWCString(name.c_str()), wide);
  return wide;
}

using Store = std::unique_ptr<MPersistentCompositeOnDisk>;

Store OpenStore(const std::string& name, std::int32_t delete_flag = 0) {
  return std::make_unique<MPersistentCompositeOnDisk>(Wide(name), delete_flag, 0);
}

GCountedPtr Leaf(int value, std::uint32_t key = 0) {
  return GCountedPtr(new FwTestLeaf(value, key));
}

int ValueOf(const GCountedPtr& object) {
  const auto* leaf = dynamic_cast<const FwTestLeaf*>(object.Get());
  return leaf != nullptr ? leaf->Value() : -1;
}

// The values of a composite's leaf children, in order.
std::vector<int> ChildValues(const GCountedPtr& object) {
  std::vector<int> values;
  const auto* composite = dynamic_cast<const MPersistentComposite*>(object.Get());
  if (composite == nullptr) {
    return values;
  }
  for (std::uint32_t i = 0; i < composite->Count(); ++i) {
    const auto* leaf = dynamic_cast<const FwTestLeaf*>(composite->ChildAt(i));
    values.push_back(leaf != nullptr ? leaf->Value() : -1);
  }
  return values;
}

GCountedPtr ThreeLeaves(std::uint32_t key) {
  auto* composite = new MPersistentComposite(key);
  composite->Add(new FwTestLeaf(1, 11));
  composite->Add(new FwTestLeaf(2, 12));
  composite->Add(new FwTestLeaf(3, 13));
  return GCountedPtr(composite);
}

// The record file of a closed store: file space and tree sound (every byte in one used block, one
// free extent or a header; keys in order), and the used blocks exactly the tree's header and nodes
// and the blocks the keys name. Hands out the keys.
::testing::AssertionResult RecordFileSound(const std::string& name,
                                           std::vector<std::string>* keys = nullptr) {
  const Bytes image = FileImage(name);
  vel::test::SpaceLayout layout;
  if (auto result = vel::test::CheckFileSpace(image, &layout); !result) {
    return result;
  }
  vel::test::TreeContents contents;
  if (auto result = vel::test::CheckDiskBTree(image, layout, layout.start, false, -1, &contents);
      !result) {
    return result;
  }
  std::set<std::int32_t> expected = {layout.start - 4};
  for (const auto& [node, count] : contents.nodes) {
    expected.insert(node - 4);
  }
  for (const auto& [key, offset] : contents.pairs) {
    expected.insert(offset - 4);
  }
  std::set<std::int32_t> used;
  for (const auto& [block, size] : layout.used) {
    used.insert(block);
  }
  if (used != expected) {
    return ::testing::AssertionFailure() << used.size() << " used blocks, " << expected.size()
                                         << " records, index and tree blocks";
  }
  if (keys != nullptr) {
    keys->clear();
    for (const auto& [key, offset] : contents.pairs) {
      keys->push_back(key);
    }
  }
  return ::testing::AssertionSuccess();
}

class MPersistentCompositeOnDiskTest : public ::testing::Test {
 protected:
  std::string File(const std::string& name = "store.rec") const { return folder_.File(name); }

  TempDir folder_;
};

TEST_F(MPersistentCompositeOnDiskTest, CompositeOfThreeLeavesIsFourRecordsAndOneIndexEntry) {
  GCountedPtr composite = ThreeLeaves(7);
  {
    Store store = OpenStore(File());
    store->AddRef(composite);
    EXPECT_EQ(store->GetState(), MPersistentCompositeOnDisk::kOpen);
    GCountedPtr imp = store->Implementation();
    EXPECT_EQ(static_cast<MPersistentCompositeOnDiskImp*>(imp.Get())->Index().Count(), 1u);
    EXPECT_EQ(store->Count(), 3u);
    EXPECT_EQ(store->GetFileStatus(), 0u);
  }
  std::vector<std::string> keys;
  ASSERT_TRUE(RecordFileSound(File(), &keys));
  EXPECT_EQ(keys.size(), 5u);  // the composite, three leaves and the index
  EXPECT_NE(std::find(keys.begin(), keys.end(), "IndexOfRecords"), keys.end());

  Store store = OpenStore(File());
  std::unique_ptr<GIterator> iterator(store->CreateIterator());
  ASSERT_EQ(iterator->Advance(), 1);
  const GCountedPtr loaded = iterator->CurrentRef();
  EXPECT_EQ(loaded->IsA(), MPersistentComposite::ClassId());
  EXPECT_EQ(loaded->GetKey(), 7u);
  EXPECT_EQ(loaded->SerialNumber(), composite->SerialNumber());
  EXPECT_EQ(ChildValues(loaded), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(iterator->Advance(), 0);
  EXPECT_EQ(ValueOf(store->GetRefByKey(12)), 2);
}

TEST_F(MPersistentCompositeOnDiskTest, NestedCompositeAddsOneIndexEntry) {
  auto* outer = new MPersistentComposite(1);
  auto* inner = new MPersistentComposite(2);
  inner->Add(new FwTestLeaf(5, 3));
  outer->Add(inner);
  {
    Store store = OpenStore(File());
    store->AddRef(GCountedPtr(outer));
    GCountedPtr imp = store->Implementation();
    EXPECT_EQ(static_cast<MPersistentCompositeOnDiskImp*>(imp.Get())->Index().Count(), 1u);
  }
  ASSERT_TRUE(RecordFileSound(File()));
  Store store = OpenStore(File());
  const GCountedPtr loaded = store->GetRefByKey(1);
  ASSERT_TRUE(loaded);
  ASSERT_EQ(loaded->Count(), 1u);
  GCountedPtr inner_loaded = store->GetRefByKey(2);
  EXPECT_EQ(ChildValues(inner_loaded), std::vector<int>{5});
}

TEST_F(MPersistentCompositeOnDiskTest, DiskCompositeInsideAnotherIsAProxyThatOpensItsOwnFile) {
  {
    Store inner = OpenStore(File("inner.rec"));
    inner->AddRef(Leaf(9, 90));
    Store outer = OpenStore(File("outer.rec"));
    inner->SetKey(44);
    outer->AddRef(GCountedPtr(new MPersistentCompositeOnDisk(*inner)));
    GCountedPtr imp = outer->Implementation();
    const GRecordComposite& index = static_cast<MPersistentCompositeOnDiskImp*>(imp.Get())->Index();
    ASSERT_EQ(index.Count(), 1u);
    EXPECT_EQ(index.ChildAt(0)->IsA(), GRecordProxy::ClassId());
  }
  EXPECT_EQ(MPersistentCompositeOnDisk::OpenStoreEntries(), 0u);
  ASSERT_TRUE(RecordFileSound(File("inner.rec")));
  ASSERT_TRUE(RecordFileSound(File("outer.rec")));

  Store outer = OpenStore(File("outer.rec"));
  const GCountedPtr loaded = outer->GetRefByKey(44);
  auto* disk = dynamic_cast<MPersistentCompositeOnDisk*>(loaded.Get());
  ASSERT_NE(disk, nullptr);
  RWCString name;
  EXPECT_EQ(std::string(disk->GetFileName(name).Data()), File("inner.rec"));
  EXPECT_EQ(ValueOf(disk->GetRefByKey(90)), 9);
  EXPECT_EQ(disk->GetState(), MPersistentCompositeOnDisk::kOpen);
  // The proxy answers for the store it stands for.
  EXPECT_EQ(ValueOf(outer->GetRefByKey(90)), 9);
}

TEST_F(MPersistentCompositeOnDiskTest, ReopeningWritesANewIndexOnlyAfterAChange) {
  {
    Store store = OpenStore(File());
    store->AddRef(Leaf(1, 1));
    store->AddRef(Leaf(2, 2));
  }
  for (int round = 0; round < 3; ++round) {
    // Opened, read and walked only: the file is not written at all.
    const Bytes before = FileImage(File());
    {
      Store store = OpenStore(File());
      EXPECT_EQ(store->Count(), 2u + round);
      EXPECT_EQ(ValueOf(store->GetRefByKey(2)), 2);
      std::unique_ptr<GIterator> iterator(store->CreateIterator());
      while (iterator->Advance() != 0) {
        EXPECT_TRUE(iterator->CurrentRef());
      }
    }
    EXPECT_EQ(FileImage(File()), before);

    Store store = OpenStore(File());
    store->AddRef(Leaf(10 + round, 10 + round));
    store.reset();
    std::vector<std::string> keys;
    // The index read at opening was freed: the used blocks are the records and one index.
    ASSERT_TRUE(RecordFileSound(File(), &keys));
    EXPECT_EQ(keys.size(), 4u + round);
    EXPECT_EQ(ValueOf(OpenStore(File())->GetRefByKey(10 + round)), 10 + round);
  }
  // A replacement and a removal change the index as well.
  {
    Store store = OpenStore(File());
    EXPECT_EQ(store->ReplaceRefByKey(1, Leaf(7, 1)), 1);
    EXPECT_EQ(ValueOf(store->RemoveRefByKey(2)), 2);
  }
  ASSERT_TRUE(RecordFileSound(File()));
  Store store = OpenStore(File());
  EXPECT_EQ(store->Count(), 4u);
  EXPECT_EQ(ValueOf(store->GetRefByKey(1)), 7);
  EXPECT_FALSE(store->GetRefByKey(2));
}

TEST_F(MPersistentCompositeOnDiskTest, CompositesOnOneNameShareOneImplementation) {
  Store first = OpenStore(File(), 1);
  Store second = OpenStore(File(), 1);
  EXPECT_EQ(first->Implementation().Get(), second->Implementation().Get());
  Store other = OpenStore(File("other.rec"));
  EXPECT_NE(other->Implementation().Get(), first->Implementation().Get());
  EXPECT_EQ(MPersistentCompositeOnDisk::OpenStoreEntries(), 3u);

  first->AddRef(Leaf(5, 50));
  EXPECT_EQ(ValueOf(second->GetRefByKey(50)), 5);
  EXPECT_FALSE(other->GetRefByKey(50));

  // A copy is one more user of the file.
  auto copy = std::make_unique<MPersistentCompositeOnDisk>(*first);
  EXPECT_EQ(MPersistentCompositeOnDisk::OpenStoreEntries(), 4u);
  EXPECT_TRUE(copy->IsSameKey(first.get()));

  first.reset();
  copy.reset();
  EXPECT_TRUE(std::filesystem::exists(File()));
  second->AddRef(Leaf(6, 60));
  EXPECT_EQ(ValueOf(second->GetRefByKey(50)), 5);
  EXPECT_EQ(second->Count(), 2u);

  second.reset();
  EXPECT_FALSE(std::filesystem::exists(File()));
  other.reset();
  EXPECT_TRUE(std::filesystem::exists(File("other.rec")));
  EXPECT_EQ(MPersistentCompositeOnDisk::OpenStoreEntries(), 0u);
}

TEST_F(MPersistentCompositeOnDiskTest, CloseAndDeleteFlagDecideWhatHappensToTheFile) {
  {
    Store store = OpenStore(File(), 0);
    store->AddRef(Leaf(3, 30));
    store->Close();
    EXPECT_EQ(store->GetState(), MPersistentCompositeOnDisk::kClosed);
    ASSERT_TRUE(RecordFileSound(File()));
    // A forwarded operation opens it again.
    EXPECT_EQ(ValueOf(store->GetRefByKey(30)), 3);
    EXPECT_EQ(store->GetState(), MPersistentCompositeOnDisk::kOpen);
  }
  EXPECT_TRUE(std::filesystem::exists(File()));
  {
    Store store = OpenStore(File(), 1);
    EXPECT_EQ(ValueOf(store->GetRefByKey(30)), 3);
  }
  EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(MPersistentCompositeOnDiskTest, ClearEmptiesTheStoreAndTakesNewObjects) {
  Store store = OpenStore(File());
  store->AddRef(ThreeLeaves(1));
  store->AddRef(Leaf(4, 4));
  store->Clear();
  EXPECT_EQ(store->Count(), 0u);
  EXPECT_FALSE(store->GetRefByKey(4));
  store->AddRef(Leaf(5, 5));
  EXPECT_EQ(ValueOf(store->GetRefByKey(5)), 5);
  store.reset();
  std::vector<std::string> keys;
  ASSERT_TRUE(RecordFileSound(File(), &keys));
  EXPECT_EQ(keys.size(), 2u);
}

TEST_F(MPersistentCompositeOnDiskTest, AnObjectAndItsCopyGetTwoKeys) {
  const GCountedPtr original = Leaf(1, 1);
  const GCountedPtr copy(new FwTestLeaf(*static_cast<FwTestLeaf*>(original.Get())));
  ASSERT_EQ(copy->SerialNumber(), original->SerialNumber());
  {
    Store store = OpenStore(File());
    store->AddRef(original);
    store->AddRef(copy);
    store->AddRef(original);
    EXPECT_EQ(copy->SerialNumber(), original->SerialNumber());
    EXPECT_EQ(store->Count(), 3u);
  }
  std::vector<std::string> keys;
  ASSERT_TRUE(RecordFileSound(File(), &keys));
  EXPECT_EQ(keys.size(), 4u);

  Store store = OpenStore(File());
  std::set<std::uint32_t> serials;
  std::unique_ptr<GIterator> iterator(store->CreateIterator());
  while (iterator->Advance() != 0) {
    const GCountedPtr loaded = iterator->CurrentRef();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(ValueOf(loaded), 1);
    serials.insert(loaded->SerialNumber());
  }
  EXPECT_EQ(serials.size(), 3u);
  EXPECT_EQ(serials.count(original->SerialNumber()), 1u);
}

TEST_F(MPersistentCompositeOnDiskTest, NestedReplacementLoadsTheNewObjectInTheOldPlace) {
  auto* outer = new MPersistentComposite(1);
  auto* inner = new MPersistentComposite(2);
  inner->Add(new FwTestLeaf(20, 20));
  inner->Add(new FwTestLeaf(21, 21));
  outer->Add(new FwTestLeaf(10, 10));
  outer->Add(inner);
  {
    Store store = OpenStore(File());
    store->AddRef(GCountedPtr(outer));
    store->AddRef(Leaf(30, 30));

    EXPECT_EQ(store->ReplaceRefByKey(20, Leaf(99, 20)), 1);
    EXPECT_EQ(store->ReplaceRefByKey(77, Leaf(98, 77)), 0);
    GCountedPtr imp = store->Implementation();
    EXPECT_EQ(static_cast<MPersistentCompositeOnDiskImp*>(imp.Get())->Index().Count(), 2u);

    // A top-level record replaced by serial number keeps its place in the index.
    const GCountedPtr last = store->GetRefByKey(30);
    EXPECT_EQ(store->ReplaceRefEqual(last.Get(), Leaf(31, 30)), 1);
    EXPECT_EQ(static_cast<MPersistentCompositeOnDiskImp*>(imp.Get())->Index().Count(), 2u);
  }
  ASSERT_TRUE(RecordFileSound(File()));
  Store store = OpenStore(File());
  EXPECT_EQ(ChildValues(store->GetRefByKey(2)), (std::vector<int>{99, 21}));
  std::unique_ptr<GIterator> iterator(store->CreateIterator());
  ASSERT_EQ(iterator->Advance(), 1);
  EXPECT_EQ(iterator->CurrentRef()->GetKey(), 1u);
  ASSERT_EQ(iterator->Advance(), 1);
  EXPECT_EQ(ValueOf(iterator->CurrentRef()), 31);

  // Removing below a direct child takes only that object out.
  EXPECT_EQ(ValueOf(store->RemoveRefByKey(21)), 21);
  EXPECT_EQ(ChildValues(store->GetRefByKey(2)), std::vector<int>{99});
  EXPECT_EQ(ValueOf(store->RemoveRefByClassId(FwTestLeaf::ClassId())), 10);
  EXPECT_EQ(store->Count(), 2u);
  // The iterator keeps the file open too.
  store.reset();
  iterator.reset();
  ASSERT_TRUE(RecordFileSound(File()));
}

// A leaf that writes four bytes more, or fewer, than it reports.
class FwMisreportingLeaf : public FwTestLeaf {
 public:
  explicit FwMisreportingLeaf(int skew) : FwTestLeaf(0, 1), skew_(skew) {}
  std::uint32_t StoredByteCount() const override {
    return static_cast<std::uint32_t>(static_cast<int>(FwTestLeaf::StoredByteCount()) + skew_);
  }
  RWCollectable* Clone() const override { return new FwMisreportingLeaf(*this); }

 private:
  int skew_;
};

TEST_F(MPersistentCompositeOnDiskTest, WrongStoredSizeIsRefusedAndTouchesNoNeighbour) {
  for (const int skew : {-4, -1, 4}) {
    for (const bool in_a_hole : {false, true}) {
      SCOPED_TRACE(std::to_string(skew) + (in_a_hole ? " in a hole" : " at the end"));
      const std::string name = File("skew.rec");
      {
        Store store = OpenStore(name);
        if (in_a_hole) {
          // A freed block in the middle of the space, big enough for the record.
          store->AddRef(GCountedPtr(new FwPtrHolder(ThreeLeaves(6).Release(), 5)));
          store->AddRef(Leaf(7, 7));
          ASSERT_TRUE(store->RemoveRefByKey(5));
        } else {
          store->AddRef(Leaf(7, 7));
        }
        const std::uint32_t count = store->Count();
        store->AddRef(GCountedPtr(new FwMisreportingLeaf(skew)));
        EXPECT_EQ(store->GetFileStatus(), 1u);
        EXPECT_EQ(store->Count(), count);
        EXPECT_FALSE(store->GetRefByKey(1));
        EXPECT_EQ(ValueOf(store->GetRefByKey(7)), 7);
        // The store still works.
        store->AddRef(Leaf(8, 8));
        EXPECT_EQ(ValueOf(store->GetRefByKey(8)), 8);
      }
      ASSERT_TRUE(RecordFileSound(name));
      Store store = OpenStore(name);
      EXPECT_EQ(ValueOf(store->GetRefByKey(7)), 7);
      store.reset();
      std::filesystem::remove(name);
    }
  }
}

TEST_F(MPersistentCompositeOnDiskTest, FileThatCannotBeCreatedLeavesErrorOne) {
  Store store = OpenStore(File("no/such/folder/store.rec"));
  EXPECT_EQ(store->GetFileStatus(), 1u);
  store->AddRef(Leaf(1, 1));
  EXPECT_EQ(store->Count(), 0u);
  EXPECT_FALSE(store->GetRefByKey(1));
  std::unique_ptr<GIterator> iterator(store->CreateIterator());
  EXPECT_EQ(iterator->Advance(), 0);
  store->Clear();
  EXPECT_EQ(store->GetFileStatus(), 1u);
  EXPECT_FALSE(std::filesystem::exists(File("no")));
}

TEST_F(MPersistentCompositeOnDiskTest, CorruptIndexFailsSoftAndMissingKeysLoadEmpty) {
  {
    Store store = OpenStore(File());
    store->AddRef(Leaf(1, 1));
    store->AddRef(Leaf(2, 2));
  }
  const std::string copy = File("copy.rec");
  std::filesystem::copy_file(File(), copy);

  // One record's key taken out of the tree: that record loads as the empty reference.
  {
    RWFileSpaceManager manager(File().c_str());
    RWDiskBTree tree(&manager);
    std::vector<std::string> keys;
    manager.Flush();
    ASSERT_TRUE(RecordFileSound(File(), &keys));
    ASSERT_EQ(keys.size(), 3u);
    std::int32_t offset = -1;
    ASSERT_TRUE(tree.RemoveKeyAndValue(keys[0] == "IndexOfRecords" ? keys[1].c_str()
                                                                  : keys[0].c_str(),
                                       nullptr, &offset));
  }
  {
    Store store = OpenStore(File());
    EXPECT_EQ(store->GetFileStatus(), 0u);
    int loaded = 0;
    std::unique_ptr<GIterator> iterator(store->CreateIterator());
    while (iterator->Advance() != 0) {
      loaded += iterator->CurrentRef() ? 1 : 0;
    }
    EXPECT_EQ(loaded, 1);
  }

  // The index record's bytes overwritten: an empty index and the error set.
  std::vector<std::string> keys;
  vel::test::SpaceLayout layout;
  const Bytes image = FileImage(copy);
  ASSERT_TRUE(vel::test::CheckFileSpace(image, &layout));
  vel::test::TreeContents contents;
  ASSERT_TRUE(vel::test::CheckDiskBTree(image, layout, layout.start, false, -1, &contents));
  std::int32_t index_offset = -1;
  for (const auto& [key, offset] : contents.pairs) {
    if (key == "IndexOfRecords") {
      index_offset = offset;
    }
  }
  ASSERT_GE(index_offset, 0);
  const std::string corrupt = File("corrupt.rec");
  for (const std::int32_t at : {index_offset + 4, index_offset + 6, index_offset + 30}) {
    std::filesystem::copy_file(copy, corrupt, std::filesystem::copy_options::overwrite_existing);
    {
      std::fstream file(corrupt, std::ios::in | std::ios::out | std::ios::binary);
      file.seekp(at);
      file.write("\xFF\xFF\xFF\xFF", 4);
    }
    Store store = OpenStore(corrupt);
    EXPECT_EQ(store->GetFileStatus(), 1u) << at;
    EXPECT_EQ(store->Count(), 0u);
    EXPECT_FALSE(store->GetRefByKey(1));
    store->AddRef(Leaf(3, 3));
    EXPECT_EQ(store->Count(), 0u);
  }
}

TEST_F(MPersistentCompositeOnDiskTest, FileWhoseTreeHasOtherKeysIsRefused) {
  const struct {
    std::uint32_t key_length;
    bool raw;
  } cases[] = {{32, true}, {16, true}, {4, false}};
  for (const auto& c : cases) {
    const std::string name = File("tree" + std::to_string(c.key_length) + (c.raw ? "raw" : ""));
    {
      RWFileSpaceManager manager(name.c_str());
      RWDiskBTree tree(&manager, 10, true, c.key_length, c.raw);
      ASSERT_TRUE(tree.InsertKeyAndValue(std::string(c.key_length, 'I').c_str(), 40));
    }
    Store store = OpenStore(name);
    EXPECT_EQ(store->GetFileStatus(), 1u) << name;
    EXPECT_EQ(store->Count(), 0u);
  }
}

TEST_F(MPersistentCompositeOnDiskTest, IteratorWalksBothWaysAndRemovesAndReplaces) {
  Store store = OpenStore(File());
  for (int value = 1; value <= 4; ++value) {
    store->AddRef(Leaf(value, static_cast<std::uint32_t>(value)));
  }
  std::unique_ptr<GIterator> iterator(store->CreateIterator());
  EXPECT_EQ(iterator->Current(), nullptr);
  EXPECT_FALSE(iterator->CurrentRef());
  ASSERT_EQ(iterator->Advance(), 1);
  ASSERT_EQ(iterator->Advance(), 1);
  EXPECT_EQ(ValueOf(iterator->CurrentRef()), 2);
  iterator->RemoveCurrent();
  ASSERT_EQ(iterator->Advance(), 1);
  EXPECT_EQ(ValueOf(iterator->CurrentRef()), 3);
  iterator->ReplaceCurrentRef(Leaf(33, 3));
  EXPECT_EQ(ValueOf(iterator->CurrentRef()), 33);
  ASSERT_EQ(iterator->Advance(), 1);
  EXPECT_EQ(ValueOf(iterator->CurrentRef()), 4);
  EXPECT_EQ(iterator->Advance(), 0);

  std::vector<int> backwards;
  while (iterator->StepBack() != 0) {
    backwards.push_back(ValueOf(iterator->CurrentRef()));
  }
  EXPECT_EQ(backwards, (std::vector<int>{4, 33, 1}));
  iterator->Reset();
  ASSERT_EQ(iterator->Advance(), 1);
  EXPECT_EQ(ValueOf(iterator->CurrentRef()), 1);
  // Another user removing the current record leaves the iterator on the record after it.
  EXPECT_TRUE(store->RemoveRefByKey(1));
  ASSERT_EQ(iterator->Advance(), 1);
  EXPECT_EQ(ValueOf(iterator->CurrentRef()), 33);
  iterator.reset();
  store.reset();
  ASSERT_TRUE(RecordFileSound(File()));
}

// The harness's samples open a file of their own in the temporary folder, deleted when the last
// composite on it goes.
std::string SampleFile() {
  return (std::filesystem::temp_directory_path() /
          ("vel_disk_sample_" + std::to_string(getpid()) + ".rec"))
      .string();
}

FW_PERSIST_SAMPLES(vel::classid::kMPersistentCompositeOnDisk,
                   {{"closed disk composite", [] { return new MPersistentCompositeOnDisk(1); }},
                    {"open disk composite", [] {
                       return new MPersistentCompositeOnDisk(Wide(SampleFile()), 1, 31);
                     }}});
FW_PERSIST_SAMPLES(vel::classid::kMPersistentCompositeOnDiskImp,
                   {{"implementation", [] { return new MPersistentCompositeOnDiskImp; }}});

TEST_F(MPersistentCompositeOnDiskTest, RestoredCompositeIsOpenOnTheSameFile) {
  Store store = OpenStore(File(), 1);
  store->SetKey(3);
  store->AddRef(Leaf(4, 4));
  for (const auto carrier : {vel::test::Carrier::kFile, vel::test::Carrier::kPortable}) {
    const Bytes bytes = vel::test::SaveGraph(carrier, store.get());
    const vel::test::Restored restored = vel::test::RestoreGraph(carrier, bytes);
    ASSERT_FALSE(restored.failed);
    std::unique_ptr<MPersistentCompositeOnDisk> copy(
        dynamic_cast<MPersistentCompositeOnDisk*>(restored.object));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetState(), MPersistentCompositeOnDisk::kOpen);
    EXPECT_EQ(copy->Implementation().Get(), store->Implementation().Get());
    EXPECT_EQ(ValueOf(copy->GetRefByKey(4)), 4);
    EXPECT_EQ(copy->GetDeleteFlag(), 1);
  }
  EXPECT_EQ(store->StoredByteCount(), 12u + 16u + File().size());
}

TEST_F(MPersistentCompositeOnDiskTest, RestoredCompositeOpensAtFirstUseAndDeletesOnlyWhatItOpened) {
  Bytes bytes;
  {
    Store store = OpenStore(File(), 0);
    store->AddRef(Leaf(4, 4));
    bytes = vel::test::SaveGraph(vel::test::Carrier::kFile, store.get());
  }
  bytes[bytes.size() - 4] = 1;  // the delete flag, the last field
  for (const bool use : {false, true}) {
    const vel::test::Restored restored = vel::test::RestoreGraph(vel::test::Carrier::kFile, bytes);
    std::unique_ptr<MPersistentCompositeOnDisk> copy(
        dynamic_cast<MPersistentCompositeOnDisk*>(restored.object));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetState(), MPersistentCompositeOnDisk::kClosed);
    EXPECT_EQ(copy->GetDeleteFlag(), 1);
    if (use) {
      EXPECT_EQ(ValueOf(copy->GetRefByKey(4)), 4);
    }
    copy.reset();
    EXPECT_EQ(std::filesystem::exists(File()), !use);
  }
}

// Seeds of the record store's fuzz target: record files written here. Run with
// VEL_WRITE_RECORD_STORE_SEEDS=<folder> to write them.
TEST_F(MPersistentCompositeOnDiskTest, WritesFuzzSeedsWhenAsked) {
  const char* folder = std::getenv("VEL_WRITE_RECORD_STORE_SEEDS");
  if (folder == nullptr) {
    GTEST_SKIP() << "VEL_WRITE_RECORD_STORE_SEEDS is not set";
  }
  {
    Store store = OpenStore(File("composites"));
    auto* outer = new MPersistentComposite(1);
    outer->Add(new MPersistentComposite(2));
    outer->Add(new FwTestLeaf(3, 3));
    store->AddRef(GCountedPtr(outer));
    store->AddRef(ThreeLeaves(4));
  }
  {
    Store store = OpenStore(File("holes"));
    for (int i = 1; i <= 30; ++i) {
      store->AddRef(Leaf(i, static_cast<std::uint32_t>(i)));
    }
    for (std::uint32_t key = 2; key <= 30; key += 3) {
      (void)store->RemoveRefByKey(key);
    }
  }
  {
    Store store = OpenStore(File("empty"));
  }
  for (const char* name : {"composites", "holes", "empty"}) {
    std::filesystem::copy_file(File(name), std::filesystem::path(folder) / name,
                               std::filesystem::copy_options::overwrite_existing);
  }
}

TEST(MPersistentCompositeOnDiskThreads, OneStoresWhileAnotherGetsAndIterates) {
  TempDir folder;
  Store store = OpenStore(folder.File("threads.rec"));
  constexpr int kObjects = 200;
  std::thread writer([&] {
    for (int i = 1; i <= kObjects; ++i) {
      store->AddRef(Leaf(i, static_cast<std::uint32_t>(i)));
    }
  });
  std::thread reader([&] {
    Store other = OpenStore(folder.File("threads.rec"));
    int seen = 0;
    while (seen < kObjects) {
      const GCountedPtr found = other->GetRefByKey(static_cast<std::uint32_t>(seen + 1));
      if (!found) {
        std::this_thread::yield();
        continue;
      }
      EXPECT_EQ(ValueOf(found), seen + 1);
      if (++seen % 25 != 0) {
        continue;
      }
      std::unique_ptr<GIterator> iterator(other->CreateIterator());
      int previous = 0;
      while (iterator->Advance() != 0) {
        const int value = ValueOf(iterator->CurrentRef());
        EXPECT_GT(value, previous);
        previous = value;
      }
    }
  });
  writer.join();
  reader.join();
  EXPECT_EQ(store->Count(), static_cast<std::uint32_t>(kObjects));
  store.reset();
  EXPECT_TRUE(RecordFileSound(folder.File("threads.rec")));
}

}  // namespace
