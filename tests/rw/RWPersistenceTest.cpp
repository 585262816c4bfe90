// Object-graph persistence: records on the three stream formats and the binary file, sharing and
// cycles, stored sizes, restores of corrupt data, and concurrent saves and restores.
//
// Golden bytes: the worked example below is the stored form of X (class 900: the int 7, a pointer
// to Y (class 901, no contents), the same pointer again, a null pointer). To regenerate, save it
// with SaveGraph and print HexDump; check every byte against the record tables in
// rw/RWCollectablePersistence.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "rw/RWBTree.h"
#include "rw/RWBTreeDictionary.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWByteOrderStream.h"
#include "rw/RWCollectableAssociation.h"
#include "rw/RWHashTable.h"
#include "rw/RWIdentitySet.h"
#include "rw/RWPortableStream.h"
#include "rw/RWSet.h"
#include "rw/RWSlistCollectables.h"
#include "rw/rwstore.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/RwPersistTestClasses.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "tests/support/ScopedLocale.h"
#include "tests/support/SmallStackThread.h"
#include "tests/support/TempDir.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::CarrierName;
using vel::test::DeleteGraph;
using vel::test::Describe;
using vel::test::HexBytes;
using vel::test::Item;
using vel::test::kAllCarriers;
using vel::test::RecordingErrorHook;
using vel::test::Restored;
using vel::test::RestoreGraph;
using vel::test::RestoreInto;
using vel::test::SaveGraph;
using vel::test::WriteItems;
using namespace vel::test::record;  // NOLINT(google-build-using-namespace): the record items

// X -> Y twice, then null.
struct WorkedExample {
  TestLeaf y;
  TestNode x{7, &y, &y, nullptr};
};

const Bytes kPortableExample = HexBytes(
    "3A 39 30 30 0A 5C 5B  # ':' 900 '{'\n"
    "37 0A                 # 7\n"
    "3A 39 30 31 0A 5C 5B  # ':' 901 '{'\n"
    "5C 5D                 # '}'\n"
    "40 32 0A              # '@' 2\n"
    "40 30 0A              # '@' 0\n"
    "5C 5D                 # '}'");
const Bytes kBinaryExample = HexBytes(
    "3A 84 03 7B           # ':' 900 '{'\n"
    "07 00 00 00           # 7\n"
    "3A 85 03 7B 7D        # ':' 901 '{' '}'\n"
    "40 02 00 00 00        # '@' 2\n"
    "40 00 00 00 00        # '@' 0\n"
    "7D                    # '}'");
const Bytes kFileExample = HexBytes(
    "88 88 00 00           # magic\n"
    "84 03 07 00 00 00     # 900, 7\n"
    "85 03                 # 901\n"
    "FF FF 02 00 00 00     # reference 2\n"
    "FF FF 00 00 00 00     # reference 0: null");

Bytes ExampleBytes(Carrier carrier) {
  switch (carrier) {
    case Carrier::kPortable:
      return kPortableExample;
    case Carrier::kBinary:
      return kBinaryExample;
    case Carrier::kByteOrder: {
      Bytes bytes = HexBytes("65 73 01 00 02 04 04 02 04");  // little-endian header
      bytes.insert(bytes.end(), kBinaryExample.begin(), kBinaryExample.end());
      return bytes;
    }
    case Carrier::kFile:
      return kFileExample;
  }
  return {};
}

// A graph that uses every feature: sharing, a cycle, nulls, classes by number and by name, and
// every collection class.
class RichGraph {
 public:
  RichGraph() {
    auto* y = new TestLeaf;
    auto* x = new TestNode(7, y, y, nullptr);
    auto* c1 = new TestNode(1, nullptr, nullptr, nullptr);
    auto* c2 = new TestNode(2, c1, nullptr, nullptr);
    c1->SetChild(0, c2);  // a cycle
    auto* set = new RWSet;
    set->Insert(new TestValue(1));
    set->Insert(new TestValue(2));
    auto* bag = new RWHashTable(8);
    auto* three = new TestValue(3);
    bag->Insert(three);
    bag->Insert(three);
    bag->Insert(new TestValue(3));
    auto* identity = new RWIdentitySet(4);
    identity->Insert(new TestValue(4));
    identity->Insert(new TestValue(4));
    auto* tree = new RWBTree;
    for (int i = 0; i < 5; ++i) {
      tree->Insert(new TestValue(40 - i));
    }
    auto* dictionary = new RWBTreeDictionary;
    dictionary->InsertKeyAndValue(new TestValue(10), x);
    dictionary->InsertKeyAndValue(new TestValue(11), nullptr);
    dictionary->InsertKeyAndValue(new TestNamed(12), new TestNamed(13));
    root_ = new RWSlistCollectables;
    for (RWCollectable* member : std::initializer_list<RWCollectable*>{
             x, c1, new TestNamed(5), set, bag, identity, tree, dictionary,
             new RWCollectableAssociation(new TestValue(20), y),
             new RWCollectableIDAssociation(y, new TestNamed(21)), x, nullptr,
             new RWSlistCollectables}) {
      root_->Insert(member);
    }
  }
  ~RichGraph() { DeleteGraph(root_); }
  RichGraph(const RichGraph&) = delete;
  RichGraph& operator=(const RichGraph&) = delete;

  const RWCollectable* Root() const { return root_; }

 private:
  RWSlistCollectables* root_;
};

class RWPersistenceTest : public ::testing::TestWithParam<Carrier> {};

INSTANTIATE_TEST_SUITE_P(Carriers,
                         RWPersistenceTest,
                         ::testing::ValuesIn(kAllCarriers),
                         [](const ::testing::TestParamInfo<Carrier>& info) {
                           std::string name = CarrierName(info.param);
                           name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                           return name;
                         });

TEST_P(RWPersistenceTest, WorkedExampleByteForByte) {
  WorkedExample example;
  EXPECT_TRUE(BytesEqual(ExampleBytes(GetParam()), SaveGraph(GetParam(), &example.x)));
  EXPECT_EQ(example.x.TotalStoredSize(), 24u);

  Restored restored = RestoreGraph(GetParam(), ExampleBytes(GetParam()));
  ASSERT_FALSE(restored.failed);
  auto* x = dynamic_cast<TestNode*>(restored.object);
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->Value(), 7);
  EXPECT_NE(dynamic_cast<TestLeaf*>(x->Child(0)), nullptr);
  EXPECT_EQ(x->Child(1), x->Child(0));
  EXPECT_EQ(x->Child(2), nullptr);
  DeleteGraph(x);
}

TEST_P(RWPersistenceTest, CycleKeepsItsIdentity) {
  TestNode x(1, nullptr, nullptr, nullptr);
  TestNode y(2, &x, nullptr, nullptr);
  x.SetChild(0, &y);
  Restored restored = RestoreGraph(GetParam(), SaveGraph(GetParam(), &x));
  ASSERT_FALSE(restored.failed);
  auto* rx = dynamic_cast<TestNode*>(restored.object);
  ASSERT_NE(rx, nullptr);
  auto* ry = dynamic_cast<TestNode*>(rx->Child(0));
  ASSERT_NE(ry, nullptr);
  EXPECT_EQ(ry->Value(), 2);
  EXPECT_EQ(ry->Child(0), rx);
  DeleteGraph(rx);
}

TEST_P(RWPersistenceTest, RichGraphRoundTripsAndItsSizeIsTheFileSize) {
  RichGraph graph;
  const Bytes bytes = SaveGraph(GetParam(), graph.Root());
  Restored restored = RestoreGraph(GetParam(), bytes);
  ASSERT_FALSE(restored.failed);
  EXPECT_EQ(Describe(restored.object), Describe(graph.Root()));
  // Saving the restored graph gives the same bytes (hashed collections aside, whose order follows
  // addresses): check it on the file form's size, which does not depend on order.
  EXPECT_EQ(graph.Root()->TotalStoredSize(), SaveGraph(Carrier::kFile, graph.Root()).size());
  EXPECT_EQ(restored.object->TotalStoredSize(), graph.Root()->TotalStoredSize());
  DeleteGraph(restored.object);
}

TEST_P(RWPersistenceTest, NullSavesAsTheNilReference) {
  const Bytes bytes = SaveGraph(GetParam(), nullptr);
  const Bytes expected = GetParam() == Carrier::kPortable ? HexBytes("40 30 0A")
                         : GetParam() == Carrier::kFile ? HexBytes("88 88 00 00 FF FF 00 00 00 00")
                         : GetParam() == Carrier::kBinary ? HexBytes("40 00 00 00 00")
                                                          : HexBytes(
                                                                "65 73 01 00 02 04 04 02 04 "
                                                                "40 00 00 00 00");
  EXPECT_TRUE(BytesEqual(expected, bytes));
  EXPECT_EQ(RWTotalStoredSize(nullptr), 10u);
  Restored restored = RestoreGraph(GetParam(), bytes);
  EXPECT_FALSE(restored.failed);
  EXPECT_EQ(restored.object, nullptr);
}

// A class by name: its name the first time, the name's number afterwards.
TEST_P(RWPersistenceTest, ClassesByNameTravelByNameThenByNumber) {
  RWSlistCollectables list;
  TestNamed first(1);
  TestNamed second(2);
  list.Insert(&first);
  list.Insert(&second);
  const Bytes bytes = SaveGraph(GetParam(), &list);
  if (GetParam() == Carrier::kBinary) {
    EXPECT_TRUE(BytesEqual(HexBytes("3A 33 80 7B 02 00 00 00      # list, 2 members\n"
                                    "3A 8F 88 09 00 00 00         # by new name, length 9\n"
                                    "09 00 00 00 54 65 73 74 4E 61 6D 65 64  # \"TestNamed\"\n"
                                    "7B 01 00 00 00 7D\n"
                                    "3A 8E 88 03 00 00 00         # by known name, number 3\n"
                                    "7B 02 00 00 00 7D 7D"),
                           bytes));
  }
  // 4 magic + 2 list + 4 count + (2 + 4 + 9 + 4) + (2 + 4 + 4)
  EXPECT_EQ(list.TotalStoredSize(), 39u);
  EXPECT_EQ(SaveGraph(Carrier::kFile, &list).size(), 39u);
  Restored restored = RestoreGraph(GetParam(), bytes);
  ASSERT_FALSE(restored.failed);
  EXPECT_EQ(Describe(restored.object), Describe(&list));
  DeleteGraph(restored.object);
}

// One object saved twice in one save is written once; two outermost saves write it twice and
// restore two objects.
TEST(RWPersistenceSharing, TablesLastOneOutermostSave) {
  TestLeaf leaf;
  TestNode twice(1, &leaf, &leaf, nullptr);
  std::stringbuf buffer;
  {
    RWBinaryOutStream out(&buffer);
    out << &leaf << &leaf;
  }
  EXPECT_TRUE(
      BytesEqual(HexBytes("3A 85 03 7B 7D  3A 85 03 7B 7D"), vel::test::AsBytes(buffer.str())));
  RWBinaryInStream in(&buffer);
  RWCollectable* a = nullptr;
  RWCollectable* b = nullptr;
  in >> a >> b;
  ASSERT_TRUE(in.Good());
  EXPECT_NE(a, nullptr);
  EXPECT_NE(a, b);
  delete a;
  delete b;
}

TEST_P(RWPersistenceTest, RestoreIntoAGivenObject) {
  WorkedExample example;
  const Bytes bytes = SaveGraph(GetParam(), &example.x);
  TestNode given;
  Restored restored = RestoreInto(GetParam(), bytes, given);
  ASSERT_FALSE(restored.failed);
  EXPECT_EQ(restored.object, &given);
  EXPECT_EQ(given.Value(), 7);
  EXPECT_EQ(given.Child(0), given.Child(1));
  delete given.Child(0);

  // A reference must name the given object: the nil reference does not.
  RecordingErrorHook hook;
  restored = RestoreInto(GetParam(), SaveGraph(GetParam(), nullptr), given);
  EXPECT_TRUE(restored.failed);
  EXPECT_EQ(restored.object, nullptr);
  EXPECT_EQ(hook.Tags(), std::vector<std::string>{"[REF]"});
}

// A failed restore into a given holder frees what the holder received new and makes the holder
// forget it, whatever the holder's class: the given node must not keep a freed child.
TEST_P(RWPersistenceTest, FailedRestoreIntoAGivenHolderLeavesNoFreedPointer) {
  TestNode given(5, nullptr, nullptr, nullptr);
  const int alive = TestObjectsAlive();
  // nil 0, the given node 1, its new child 2; then a reference to the child, and the data ends.
  const Bytes bytes = WriteItems(GetParam(), {New(900), Open(), Int(1), New(900), Open(), Int(2),
                                              Ref(0), Ref(0), Ref(0), Close(), Ref(2)});
  RecordingErrorHook hook;
  const Restored restored = RestoreInto(GetParam(), bytes, given);
  EXPECT_TRUE(restored.failed);
  EXPECT_EQ(restored.object, nullptr);
  EXPECT_EQ(given.Child(0), nullptr);
  EXPECT_EQ(given.Child(1), nullptr);
  EXPECT_EQ(given.Child(2), nullptr);
  EXPECT_EQ(TestObjectsAlive(), alive);
}

TEST_P(RWPersistenceTest, PointerThatHoldsAnObject) {
  WorkedExample example;
  TestLeaf old;
  // A new record makes a new object and leaves the old one alone.
  Restored restored = RestoreGraph(GetParam(), SaveGraph(GetParam(), &example.x), &old);
  ASSERT_FALSE(restored.failed);
  ASSERT_NE(restored.object, &old);
  EXPECT_EQ(restored.object->IsA(), TestNode::kClassId);
  DeleteGraph(restored.object);
  // A reference to another object than the one held is a bad reference; the pointer keeps it.
  RecordingErrorHook hook;
  restored = RestoreGraph(GetParam(), SaveGraph(GetParam(), nullptr), &old);
  EXPECT_TRUE(restored.failed);
  EXPECT_EQ(restored.object, &old);
  EXPECT_EQ(hook.Tags(), std::vector<std::string>{"[REF]"});
}

// ---------------------------------------------------------------------------------------------
// Corrupt data, written item by item in each carrier's form.

struct CorruptCase {
  const char* name;
  std::vector<Item> items;
  std::vector<std::string> tags;  // errors reported
  enum Carriers { kAll, kStreams, kFile } carriers = kAll;
};

const std::string kNoCreate =
    "[NOCREATE] RWFactory: no create function for class with ID 4242 (0x1092)";

std::vector<CorruptCase> CorruptCases() {
  // Inside a node (900: int, three pointers), so that the restore has made something to free.
  auto in_node = [](std::vector<Item> bad) {
    std::vector<Item> items = {New(900), Open(), Int(1), New(901), Open(), Close()};
    items.insert(items.end(), bad.begin(), bad.end());
    items.insert(items.end(), {Ref(0), Close()});
    return items;
  };
  return {
      {"reference past the table", {Ref(1)}, {"[REF]"}},
      {"negative reference", {Ref(-1)}, {"[REF]"}},
      {"reference equal to the count, nested", in_node({Ref(3)}), {"[REF]"}},
      // nil 0, node 1, leaf 2, named 3, its class id 4
      {"reference to a class id",
       in_node({NewName("TestNamed"), Open(), Int(5), Close(), Ref(4)}),
       {"[REF]"}},
      {"known name naming an object", in_node({KnownName(2), Open(), Int(5), Close()}), {"[REF]"}},
      {"known name past the table", in_node({KnownName(9), Open(), Int(5), Close()}), {"[REF]"}},
      {"unknown class, nested", in_node({New(4242), Open(), Close()}), {kNoCreate}},
      {"unknown class name",
       in_node({NewName("NoSuchClass"), Open(), Close()}),
       {"[NOCREATE] RWFactory: no create function for class with ID 32768 (0x8000)"}},
      // Framing errors of the stream form fail without an error report.
      {"record without its opening brace", in_node({New(901), Int(5)}), {}, CorruptCase::kStreams},
      {"record with a bad mark", in_node({Char('x')}), {}, CorruptCase::kStreams},
      {"bad magic number",
       {Magic(0x1234), New(901)},
       {"[MAGIC] Bad magic number: 4660 (should be 34952)"},
       CorruptCase::kFile},
  };
}

TEST_P(RWPersistenceTest, CorruptDataFailsSoftAndLeavesNothing) {
  const int alive = TestObjectsAlive();
  for (const CorruptCase& c : CorruptCases()) {
    if ((c.carriers == CorruptCase::kFile) != (GetParam() == Carrier::kFile) &&
        c.carriers != CorruptCase::kAll) {
      continue;
    }
    SCOPED_TRACE(c.name);
    RecordingErrorHook hook;
    Restored restored = RestoreGraph(GetParam(), WriteItems(GetParam(), c.items));
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(restored.object, nullptr);
    EXPECT_EQ(hook.Texts().size(), c.tags.size());
    for (std::size_t i = 0; i < c.tags.size() && i < hook.Texts().size(); ++i) {
      EXPECT_EQ(hook.Texts()[i].rfind(c.tags[i], 0), 0u) << hook.Texts()[i];
    }
    EXPECT_EQ(TestObjectsAlive(), alive);
  }
}

TEST_P(RWPersistenceTest, TruncationAtEveryByteLeavesAFailedCarrierAndNothingElse) {
  RichGraph graph;
  const Bytes bytes = SaveGraph(GetParam(), graph.Root());
  const int alive = TestObjectsAlive();
  RecordingErrorHook hook;  // the byte-order header reports a cut header
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    Restored restored = RestoreGraph(GetParam(), Bytes(bytes.begin(), bytes.begin() + n));
    ASSERT_EQ(restored.object, nullptr) << n;
    ASSERT_TRUE(restored.failed) << n;
    ASSERT_EQ(TestObjectsAlive(), alive) << n;
  }
}

// A chain of `depth` nodes, each holding the next as its first child.
RWCollectable* Chain(std::uint32_t depth) {
  RWCollectable* head = nullptr;
  for (std::uint32_t i = 0; i < depth; ++i) {
    head = new TestNode(static_cast<int>(i), head, nullptr, nullptr);
  }
  return head;
}

// Deletes a chain without recursing.
void DeleteChain(RWCollectable* head) {
  while (head != nullptr) {
    RWCollectable* next = static_cast<TestNode*>(head)->Child(0);
    delete head;
    head = next;
  }
}

// Records nest at most RWLoadTable::kMaxDepth deep, so corrupt data cannot exhaust the stack; a
// save refuses to write deeper, so that it never writes what its restore refuses.
TEST_P(RWPersistenceTest, NestingDeeperThanTheLimitFails) {
  const int alive = TestObjectsAlive();
  RWCollectable* deepest = Chain(RWLoadTable::kMaxDepth);
  Restored restored = RestoreGraph(GetParam(), SaveGraph(GetParam(), deepest));
  EXPECT_FALSE(restored.failed);
  EXPECT_EQ(Describe(restored.object), Describe(deepest));
  DeleteChain(restored.object);
  DeleteChain(deepest);

  // Written by hand, as no save writes it.
  std::vector<Item> items;
  for (std::uint32_t i = 0; i <= RWLoadTable::kMaxDepth; ++i) {
    items.insert(items.end(), {New(900), Open(), Int(static_cast<int>(i))});
  }
  items.insert(items.end(), {Ref(0), Ref(0), Ref(0), Close()});
  for (std::uint32_t i = 0; i < RWLoadTable::kMaxDepth; ++i) {
    items.insert(items.end(), {Ref(0), Ref(0), Close()});
  }
  restored = RestoreGraph(GetParam(), WriteItems(GetParam(), items));
  EXPECT_TRUE(restored.failed);
  EXPECT_EQ(restored.object, nullptr);
  EXPECT_EQ(TestObjectsAlive(), alive);
}

TEST_P(RWPersistenceTest, SavingDeeperThanARestoreReadsFails) {
  bool failed = false;
  RWCollectable* deepest = Chain(RWLoadTable::kMaxDepth);
  (void)SaveGraph(GetParam(), deepest, &failed);
  EXPECT_FALSE(failed);
  DeleteChain(deepest);

  RWCollectable* too_deep = Chain(RWLoadTable::kMaxDepth + 1);
  const Bytes bytes = SaveGraph(GetParam(), too_deep, &failed);
  EXPECT_TRUE(failed);
  EXPECT_TRUE(RestoreGraph(GetParam(), bytes).failed);
  DeleteChain(too_deep);

  // Far deeper than a stack could recurse: the save and the stored-size pass stop at the limit.
  RWCollectable* very_deep = Chain(200000);
  (void)SaveGraph(GetParam(), very_deep, &failed);
  EXPECT_TRUE(failed);
  EXPECT_GT(very_deep->TotalStoredSize(), 0u);
  DeleteChain(very_deep);
}

// The deepest graph a restore accepts saves, counts and restores on a thread with a 1 MiB stack,
// the least the system's threads have.
TEST_P(RWPersistenceTest, DeepestGraphFitsASmallThreadStack) {
  RWCollectable* deepest = Chain(RWLoadTable::kMaxDepth);
  Restored restored;
  std::uint32_t size = 0;
  ASSERT_TRUE(vel::test::RunWithStack(1 << 20, [&] {
    size = deepest->TotalStoredSize();
    restored = RestoreGraph(GetParam(), SaveGraph(GetParam(), deepest));
  }));
  EXPECT_FALSE(restored.failed);
  EXPECT_EQ(size, deepest->TotalStoredSize());
  EXPECT_EQ(Describe(restored.object), Describe(deepest));
  DeleteChain(restored.object);
  DeleteChain(deepest);
}

TEST_P(RWPersistenceTest, TypedRestoreHandsOverOnlyItsOwnClass) {
  WorkedExample example;
  const int alive = TestObjectsAlive();
  const Bytes node_bytes = SaveGraph(GetParam(), &example.x);
  const Bytes leaf_bytes = SaveGraph(GetParam(), &example.y);
  auto restore_node = [](Carrier carrier, const Bytes& bytes) {
    TestNode* node = nullptr;
    Restored restored;
    if (carrier == Carrier::kFile) {
      vel::test::TempDir dir;
      const std::string path = dir.File("typed.bin");
      {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
      }
      RWBinaryFile file(path.c_str(), "rb");
      RestorePointer(file, node);
      restored.failed = file.Error() || file.Eof();
    } else {
      std::stringbuf buffer(std::string(bytes.begin(), bytes.end()), std::ios::in);
      std::unique_ptr<RWVirtualInStream> in;
      if (carrier == Carrier::kPortable) {
        in = std::make_unique<RWPortableInStream>(&buffer);
      } else if (carrier == Carrier::kBinary) {
        in = std::make_unique<RWBinaryInStream>(&buffer);
      } else {
        in = std::make_unique<RWByteOrderInStream>(&buffer);
      }
      RestorePointer(*in, node);
      restored.failed = in->Good() == 0;
    }
    restored.object = node;
    return restored;
  };
  Restored node = restore_node(GetParam(), node_bytes);
  ASSERT_FALSE(node.failed);
  ASSERT_NE(node.object, nullptr);
  EXPECT_EQ(static_cast<TestNode*>(node.object)->Value(), 7);
  DeleteGraph(node.object);

  Restored leaf = restore_node(GetParam(), leaf_bytes);
  EXPECT_TRUE(leaf.failed);
  EXPECT_EQ(leaf.object, nullptr);
  EXPECT_EQ(TestObjectsAlive(), alive);
}

// Data from outside the process fails soft even under the default hook, which in the UI flavour
// ends the process for every other error.
TEST(RWPersistenceDeathTest, BadReferenceDoesNotEndTheProcess) {
  const Bytes bytes = WriteItems(Carrier::kBinary, {Ref(5)});
  EXPECT_EXIT(
      {
        Restored restored = RestoreGraph(Carrier::kBinary, bytes);
        std::exit(restored.failed && restored.object == nullptr ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
}

// A class whose save asks for a stored size: counting would enter objects in the save's table.
class SizeInsideSave : public RWCollectable {
 public:
  void SaveContents(RWVirtualOutStream&) const override { (void)leaf_.TotalStoredSize(); }

 private:
  TestLeaf leaf_;
};

TEST(RWPersistenceDeathTest, TotalStoredSizeInsideASaveIsAnError) {
  SizeInsideSave object;
  std::stringbuf buffer;
  RWBinaryOutStream out(&buffer);
  EXPECT_DEBUG_DEATH(out << &object, "TotalStoredSize inside a save");
}

// The portable form never depends on the global locale.
TEST(RWPersistenceLocale, PortableFormIsTheSameUnderACommaLocale) {
  WorkedExample example;
  auto locale = vel::test::ScopedLocale::CommaDecimal();
  EXPECT_TRUE(BytesEqual(kPortableExample, SaveGraph(Carrier::kPortable, &example.x)));
}

// ---------------------------------------------------------------------------------------------
// Several threads save and restore at once, each with its own tables.

TEST(RWPersistenceThreads, EightThreadsSaveAndRestoreTheirOwnGraphs) {
  constexpr int kThreads = 8;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      for (int round = 0; round < 10; ++round) {
        // A graph of its own shape: a list of t + round nodes sharing one leaf, and a set.
        auto* leaf = new TestLeaf;
        auto* list = new RWSlistCollectables;
        auto* set = new RWSet;
        for (int i = 0; i <= t + round; ++i) {
          list->Insert(new TestNode(t * 100 + i, leaf, list, nullptr));
          set->Insert(new TestNamed(i));
        }
        list->Insert(set);
        for (Carrier carrier : kAllCarriers) {
          Restored restored = RestoreGraph(carrier, SaveGraph(carrier, list));
          if (restored.failed || Describe(restored.object) != Describe(list)) {
            ++failures[t];
          }
          DeleteGraph(restored.object);
        }
        DeleteGraph(list);
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0) << "thread " << t;
  }
}

}  // namespace
