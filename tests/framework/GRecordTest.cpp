// Records against a fake owner: names, the depth-first walks of record composites, proxies that
// ask their held object, counts and the stored form.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GRecord.h"
#include "framework/core/MPersistentComposite.h"
#include "rw/RWBinaryFile.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestObjects.h"

namespace {

using vel::test::Carrier;

GRecord* RecordOf(const GBaseObject& object) {
  return new GRecord(object);
}

GRecordComposite* SampleTree() {
  const FwTestLeaf outer(1, 10);
  auto* composite = new GRecordComposite(MPersistentComposite(5));
  composite->AddChildRecord(GRecordRef(RecordOf(FwTestLeaf(2, 11))));
  auto* inner = new GRecordComposite(MPersistentComposite(6));
  inner->AddChildRecord(GRecordRef(new GRecordProxy(FwTestLeaf(3, 12))));
  composite->AddChildRecord(GRecordRef(inner));
  composite->AddChildRecord(GRecordRef(new GRecordComposite(outer)));
  return composite;
}

// Records are not framework objects, so the harness runs them inside a holder.
FW_PERSIST_SAMPLES(vel::classid::kGRecord,
                   {{"record", [] { return new FwRecordHolder(RecordOf(FwTestLeaf(4, 77))); }}});
FW_PERSIST_SAMPLES(vel::classid::kGRecordProxy,
                   {{"proxy without object", [] { return new FwRecordHolder(new GRecordProxy); }},
                    {"proxy of a leaf",
                     [] { return new FwRecordHolder(new GRecordProxy(FwTestLeaf(8, 3))); }}});
FW_PERSIST_SAMPLES(vel::classid::kGRecordComposite,
                   {{"empty record composite",
                     [] { return new FwRecordHolder(new GRecordComposite); }},
                    {"record tree", [] { return new FwRecordHolder(SampleTree()); }}});

// An owner that answers every record with a new leaf whose value is the record's serial number,
// and writes down what it was asked.
class FakeStore : public GRecordStore {
 public:
  GCountedPtr LoadRecord(const GRecord& record) override {
    calls.push_back("load " + std::string(record.Name().Data()));
    return Leaf(record);
  }
  GCountedPtr TakeRecord(const GRecord& record) override {
    calls.push_back("take " + std::string(record.Name().Data()));
    return Leaf(record);
  }
  GRecordRef ReplaceRecord(const GRecord& record, const GCountedPtr& object) override {
    calls.push_back("replace " + std::string(record.Name().Data()));
    return GRecordRef(new GRecord(*object.Get()));
  }

  std::vector<std::string> calls;

 private:
  static GCountedPtr Leaf(const GRecord& record) {
    return GCountedPtr(new FwTestLeaf(static_cast<int>(record.RecordedSerial()),
                                      record.RecordedKey()));
  }
};

// A record for a leaf with the given key and serial number.
GRecordRef Record(std::uint32_t key, std::uint32_t serial) {
  FwTestLeaf leaf(0, key);
  leaf.SetSerialNumber(serial);
  return GRecordRef(new GRecord(leaf));
}

GRecordRef CompositeRecord(std::uint32_t key, std::uint32_t serial) {
  MPersistentComposite composite(key);
  composite.SetSerialNumber(serial);
  return GRecordRef(new GRecordComposite(composite));
}

TEST(GRecordTest, NamesAreLowerCaseHexadecimalWithoutLeadingZeros) {
  const struct {
    std::uint32_t serial;
    const char* name;
  } cases[] = {{255, "ff"}, {4096, "1000"}, {499, "1f3"}, {0, "0"}, {0xFFFFFFFFu, "ffffffff"}};
  for (const auto& c : cases) {
    EXPECT_STREQ(GRecord::NameOf(c.serial).Data(), c.name) << c.serial;
    EXPECT_STREQ(Record(1, c.serial)->Name().Data(), c.name);
  }
}

TEST(GRecordTest, RemovingUnlinksTheMatchingDirectChildAndGettingLeavesTheList) {
  FakeStore owner;
  const GRecordRef top = CompositeRecord(100, 0x100);
  top->AddChildRecord(Record(1, 0x11));
  top->AddChildRecord(Record(2, 0x12));
  top->AddChildRecord(Record(3, 0x13));
  GRecordComposite& list = *top->AsRecordComposite();

  const GCountedPtr got = top->GetRefByKey(2, owner);
  ASSERT_TRUE(got);
  EXPECT_EQ(static_cast<FwTestLeaf*>(got.Get())->Value(), 0x12);
  EXPECT_EQ(list.Count(), 3u);

  const GCountedPtr removed = top->RemoveRefByKey(2, owner);
  ASSERT_TRUE(removed);
  EXPECT_EQ(static_cast<FwTestLeaf*>(removed.Get())->Value(), 0x12);
  EXPECT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.ChildAt(0)->RecordedKey(), 1u);
  EXPECT_EQ(list.ChildAt(1)->RecordedKey(), 3u);
  EXPECT_EQ(owner.calls, (std::vector<std::string>{"load 12", "take 12"}));

  EXPECT_FALSE(top->RemoveRefByKey(2, owner));
  EXPECT_FALSE(top->GetRefByClassId(999, owner));
}

TEST(GRecordTest, SearchesRunDepthFirstAndMatchBySerialNumberForEqual) {
  FakeStore owner;
  const GRecordRef top = CompositeRecord(100, 0x100);
  const GRecordRef inner = CompositeRecord(200, 0x200);
  inner->AddChildRecord(Record(7, 0x21));
  top->AddChildRecord(inner);
  top->AddChildRecord(Record(7, 0x31));

  // The first match in child order, depth first, wins.
  const GCountedPtr first = top->GetRefByKey(7, owner);
  EXPECT_EQ(static_cast<FwTestLeaf*>(first.Get())->Value(), 0x21);

  FwTestLeaf probe;
  probe.SetSerialNumber(0x31);
  const GCountedPtr removed = top->RemoveRefEqual(&probe, owner);
  EXPECT_EQ(static_cast<FwTestLeaf*>(removed.Get())->Value(), 0x31);
  EXPECT_EQ(top->AsRecordComposite()->Count(), 1u);

  // A match below a direct child is unlinked by the composite that holds it.
  EXPECT_TRUE(top->RemoveRefByKey(7, owner));
  EXPECT_EQ(top->AsRecordComposite()->Count(), 1u);
  EXPECT_EQ(inner->AsRecordComposite()->Count(), 0u);
}

TEST(GRecordTest, ReplacementPutsTheNewRecordInTheMatchedPlaceAtEveryDepth) {
  FakeStore owner;
  const GRecordRef top = CompositeRecord(100, 0x100);
  const GRecordRef inner = CompositeRecord(200, 0x200);
  inner->AddChildRecord(Record(7, 0x21));
  inner->AddChildRecord(Record(8, 0x22));
  top->AddChildRecord(Record(1, 0x11));
  top->AddChildRecord(inner);

  FwTestLeaf replacement(5, 70);
  replacement.SetSerialNumber(0x99);
  EXPECT_EQ(top->ReplaceRefByKey(7, GCountedPtr(new FwTestLeaf(replacement)), owner), 1);
  // The nested composite holds the new record in the old one's place; the top list is as it was.
  ASSERT_EQ(inner->AsRecordComposite()->Count(), 2u);
  EXPECT_EQ(inner->AsRecordComposite()->ChildAt(0)->RecordedSerial(), 0x99u);
  EXPECT_EQ(inner->AsRecordComposite()->ChildAt(1)->RecordedSerial(), 0x22u);
  ASSERT_EQ(top->AsRecordComposite()->Count(), 2u);
  EXPECT_EQ(top->AsRecordComposite()->ChildAt(1).Get(), inner.Get());

  // A direct child.
  EXPECT_EQ(top->ReplaceRefByKey(1, GCountedPtr(new FwTestLeaf(replacement)), owner), 1);
  EXPECT_EQ(top->AsRecordComposite()->ChildAt(0)->RecordedSerial(), 0x99u);
  EXPECT_EQ(top->ReplaceRefByKey(55, GCountedPtr(new FwTestLeaf(replacement)), owner), 0);
  EXPECT_EQ(owner.calls, (std::vector<std::string>{"replace 21", "replace 11"}));
}

TEST(GRecordTest, ProxyAsksItsHeldObjectWhenItsOwnFieldDiffers) {
  FakeStore owner;
  const FwTestLeaf recorded(42, 5);
  GRecordProxy proxy(recorded);
  ASSERT_NE(proxy.Held(), nullptr);
  EXPECT_NE(proxy.Held(), &recorded);
  // The held object now answers to key 9, the proxy itself to key 5.
  proxy.Held()->SetKey(9);

  const GCountedPtr got = proxy.GetRefByKey(9, owner);
  ASSERT_TRUE(got);
  EXPECT_EQ(got.Get(), proxy.Held());
  EXPECT_FALSE(proxy.RemoveRefByKey(9, owner));
  EXPECT_TRUE(owner.calls.empty());

  // Its own key: the owner takes the recorded object out.
  EXPECT_TRUE(proxy.RemoveRefByKey(5, owner));
  EXPECT_EQ(owner.calls, (std::vector<std::string>{"take " + std::string(proxy.Name().Data())}));

  // Replacing by serial number always answers 0, even for the proxy's own serial number.
  FwTestLeaf other;
  EXPECT_EQ(proxy.ReplaceRefEqual(&other, GCountedPtr(new FwTestLeaf), owner), 0);
  EXPECT_EQ(proxy.ReplaceRefEqual(&recorded, GCountedPtr(new FwTestLeaf), owner), 0);
  EXPECT_EQ(proxy.ReplaceRefByKey(5, GCountedPtr(new FwTestLeaf), owner), 1);

  // A copy holds its own held object.
  GRecordProxy copy(proxy);
  EXPECT_NE(copy.Held(), proxy.Held());
  EXPECT_TRUE(copy.IsSameRecord(proxy));
}

TEST(GRecordTest, RecordCountCountsLeavesNotComposites) {
  const GRecordRef top = CompositeRecord(100, 0x100);
  top->AddChildRecord(Record(1, 1));
  top->AddChildRecord(Record(2, 2));
  top->AddChildRecord(CompositeRecord(3, 3));
  EXPECT_EQ(top->RecordCount(), 2u);
  EXPECT_EQ(Record(1, 1)->RecordCount(), 1u);
  EXPECT_FALSE(Record(1, 1)->AddChildRecord(Record(2, 2)));
}

TEST(GRecordTest, StoredSizesFollowTheFields) {
  EXPECT_EQ(Record(1, 1)->StoredByteCount(), 14u);
  EXPECT_EQ(CompositeRecord(1, 1)->StoredByteCount(), 14u + 8);
}

TEST(GRecordTest, AnotherVersionWordKeepsTheFieldsAndFailsTheCarrier) {
  for (const Carrier carrier : {Carrier::kFile, Carrier::kBinary, Carrier::kPortable}) {
    FwTestLeaf leaf(0, 0x1234);
    leaf.SetSerialNumber(0x5678);
    const GRecord written(leaf);
    vel::test::Bytes bytes;
    {
      vel::ScopedClassVersionPatch patch(0, 2);
      bytes = vel::test::SaveGraph(carrier, &written);
    }
    FwTestLeaf before(0, 7);
    before.SetSerialNumber(8);
    GRecord record(before);
    const vel::test::Restored restored = vel::test::RestoreInto(carrier, bytes, record);
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(record.RecordedKey(), 7u);
    EXPECT_EQ(record.RecordedSerial(), 8u);
    EXPECT_EQ(record.RecordedClassId(), FwTestLeaf::ClassId());
  }
}

// A record composite writes and reads the records of its plain children itself in a file: the bytes,
// the stored size and the numbering of later records (a held object naming one of its children a
// second time) are those of the general record writer and reader, which a child that another holder
// shares goes through.
TEST(GRecordTest, PlainChildrenKeepTheRecordFormatAndNumbering) {
  GRecordRef plain[] = {Record(2, 2), Record(4, 4), Record(7, 7)};
  const GRecordRef top = CompositeRecord(1, 1);
  top->AddChildRecord(plain[0]);
  const GRecordRef inner = CompositeRecord(3, 3);
  inner->AddChildRecord(plain[1]);
  top->AddChildRecord(inner);
  MPersistentComposite held(5);
  auto* leaf = new FwTestLeaf(6, 6);
  held.Add(leaf);
  held.Add(leaf);
  ASSERT_EQ(held.Count(), 2u);
  top->AddChildRecord(GRecordRef(new GRecordProxy(held)));
  top->AddChildRecord(plain[2]);

  // Children held twice are written by the record writer.
  const vel::test::Bytes general = vel::test::SaveGraph(Carrier::kFile, top.Get());
  EXPECT_EQ(general.size(), RWTotalStoredSize(top.Get()));
  for (GRecordRef& child : plain) {
    child.Reset();
  }
  const vel::test::Bytes own = vel::test::SaveGraph(Carrier::kFile, top.Get());
  EXPECT_EQ(own.size(), RWTotalStoredSize(top.Get()));
  EXPECT_EQ(own, general);

  GRecordComposite restored;
  ASSERT_FALSE(vel::test::RestoreInto(Carrier::kFile, own, restored).failed);
  EXPECT_TRUE(restored.IsSameRecord(*top));
  const auto* proxy = static_cast<const GRecordProxy*>(restored.ChildAt(2).Get());
  const auto* composite = dynamic_cast<const MPersistentComposite*>(proxy->Held());
  ASSERT_NE(composite, nullptr);
  ASSERT_EQ(composite->Count(), 2u);
  EXPECT_NE(composite->ChildAt(0), nullptr);
  EXPECT_EQ(composite->ChildAt(0), composite->ChildAt(1));
}

// The blocks of plain records are kept for reuse by the thread that frees them, up to a bound:
// records made on one thread and freed on another (more than a thread keeps), then made again
// there, hold their own fields; record composites beside them take blocks of their own size; the
// kept blocks go with their threads.
TEST(GRecordTest, RecordBlocksPassBetweenThreads) {
  constexpr std::uint32_t kRecords = 5000;
  std::vector<GRecord*> made;
  auto make = [&made](std::uint32_t first) {
    for (std::uint32_t i = 0; i < kRecords; ++i) {
      FwTestLeaf leaf(0, i);
      leaf.SetSerialNumber(first + i);
      made.push_back(i % 100 == 0 ? new GRecordComposite(leaf) : new GRecord(leaf));
    }
  };
  std::thread maker([&] { make(0); });
  maker.join();
  std::thread passer([&] {
    for (GRecord* record : made) {
      delete record;
    }
    made.clear();
    make(kRecords);
  });
  passer.join();
  ASSERT_EQ(made.size(), kRecords);
  for (std::uint32_t i = 0; i < kRecords; ++i) {
    EXPECT_EQ(made[i]->RecordedSerial(), kRecords + i);
    EXPECT_EQ(made[i]->RecordedKey(), i);
    EXPECT_EQ(made[i]->AsRecordComposite() != nullptr, i % 100 == 0);
    delete made[i];
  }
}

// A record tree whose children are plain records and others is read from a file that cannot go
// back (a pipe) as from any other.
TEST(GRecordTest, ARecordTreeIsReadFromAPipe) {
  const GRecordRef top = CompositeRecord(1, 1);
  top->AddChildRecord(Record(2, 2));
  top->AddChildRecord(GRecordRef(new GRecordProxy(FwTestLeaf(3, 12))));
  top->AddChildRecord(Record(4, 4));
  const vel::test::Bytes bytes = vel::test::SaveGraph(Carrier::kFile, top.Get());
  // One name per process: both flavours' test programs run side by side.
  const std::string pipe =
      ::testing::TempDir() + "record_tree_pipe_" + std::to_string(::getpid());
  std::remove(pipe.c_str());
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  // A reader that stops early must fail the test, not end the program.
  struct IgnoredBrokenPipes {
    void (*before)(int) = std::signal(SIGPIPE, SIG_IGN);
    ~IgnoredBrokenPipes() { std::signal(SIGPIPE, before); }
  } ignored;
  std::thread writer([&pipe, &bytes] {
    const int out = ::open(pipe.c_str(), O_WRONLY);
    if (out >= 0) {
      (void)!::write(out, bytes.data(), bytes.size());
      ::close(out);
    }
  });
  RWCollectable* read = nullptr;
  bool opened = false;
  {
    RWBinaryFile file(pipe.c_str(), "rb");
    opened = file.IsOpen();
    if (opened) {
      file >> read;
    }
  }
  if (!opened) {
    // The writer waits for a reader: give it one that takes nothing.
    const int in = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    writer.join();
    if (in >= 0) {
      ::close(in);
    }
  } else {
    writer.join();
  }
  std::remove(pipe.c_str());
  if (!opened) {
    GTEST_SKIP() << "this flavour's files do not open pipes";
  }
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(static_cast<GRecord*>(read)->IsSameRecord(*top));
  delete read;
}

TEST(GRecordTest, RecordTreesRefuseSharedChildren) {
  // A record composite whose two children are one record: the second is a reference.
  const GRecordRef top = CompositeRecord(1, 1);
  const GRecordRef child = Record(2, 2);
  top->AddChildRecord(child);
  top->AddChildRecord(child);
  for (const Carrier carrier : {Carrier::kFile, Carrier::kBinary}) {
    const vel::test::Bytes bytes = vel::test::SaveGraph(carrier, top.Get());
    GRecordComposite restored;
    EXPECT_TRUE(vel::test::RestoreInto(carrier, bytes, restored).failed);
    EXPECT_EQ(restored.Count(), 0u);
  }
}

}  // namespace
