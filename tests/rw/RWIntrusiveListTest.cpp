// Intrusive singly and doubly linked lists and their cursors: one typed suite for the operations
// both lists share, checked against the lists' own invariants after every change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rw/RWDefs.h"
#include "rw/RWIntrusiveDlist.h"
#include "rw/RWIntrusiveSlist.h"
#include "tests/support/RwRecordingErrorHook.h"

namespace {

using vel::test::RecordingErrorHook;

struct SNode : RWIntrusiveSlist::Link {
  int value = 0;
};
struct DNode : RWIntrusiveDlist::Link {
  int value = 0;
};

// Walks the list from the head and checks what the list claims about itself: the count, the last
// link, the tail sentinel pointing at itself, and (doubly linked) every previous pointer.
template <class List>
::testing::AssertionResult Intact(List& list) {
  using Link = typename List::Link;
  Link* link = list.Head();
  std::uint32_t count = 0;
  while (link->next != link) {
    if constexpr (std::is_same_v<List, RWIntrusiveDlist>) {
      if (link->next->previous != link) {
        return ::testing::AssertionFailure() << "previous pointer broken after item " << count;
      }
    }
    link = link->next;
    if (++count > 1000) {
      return ::testing::AssertionFailure() << "the walk does not end";
    }
  }
  // `link` is the tail sentinel; count includes it.
  if (count - 1 != list.Entries()) {
    return ::testing::AssertionFailure() << "count " << list.Entries() << ", walked " << count - 1;
  }
  Link* last = list.Head();
  for (Link* l = list.Head(); l->next != link; l = l->next) {
    last = l->next;
  }
  if (list.Last() != last) {
    return ::testing::AssertionFailure() << "last link is not the last item";
  }
  if (list.IsEmpty() != (list.First() == nullptr)) {
    return ::testing::AssertionFailure() << "First() disagrees with the count";
  }
  return ::testing::AssertionSuccess();
}

template <class ListType, class NodeType, class IteratorType>
struct ListKind {
  using List = ListType;
  using Node = NodeType;
  using Iterator = IteratorType;
};

template <class Kind>
class RWIntrusiveListTest : public ::testing::Test {
 protected:
  using List = typename Kind::List;
  using Link = typename List::Link;
  using Node = typename Kind::Node;
  using Iterator = typename Kind::Iterator;

  RWIntrusiveListTest() {
    for (int i = 0; i < 8; ++i) {
      nodes_[i].value = i;
    }
  }

  // Appends the nodes with these values.
  void Fill(List& list, std::initializer_list<int> values) {
    for (int v : values) {
      list.InsertAfter(list.Last(), &nodes_[v]);
    }
  }

  static int Value(const Link* link) {
    return link == nullptr ? -1 : static_cast<const Node*>(link)->value;
  }

  static std::vector<int> Values(List& list) {
    std::vector<int> values;
    for (const Link* l = list.First(); l != nullptr && values.size() < list.Entries();
         l = l->next) {
      values.push_back(Value(l));
    }
    return values;
  }

  Node nodes_[8];
};

using Kinds = ::testing::Types<ListKind<RWIntrusiveSlist, SNode, RWIntrusiveSlistIterator>,
                               ListKind<RWIntrusiveDlist, DNode, RWIntrusiveDlistIterator>>;
struct KindNames {
  template <class Kind>
  static std::string GetName(int) {
    return std::is_same_v<typename Kind::List, RWIntrusiveSlist> ? "Slist" : "Dlist";
  }
};
TYPED_TEST_SUITE(RWIntrusiveListTest, Kinds, KindNames);

TYPED_TEST(RWIntrusiveListTest, EmptyOneItemAndClear) {
  typename TestFixture::List empty;
  EXPECT_TRUE(Intact(empty));
  EXPECT_EQ(empty.Last(), empty.Head());

  typename TestFixture::List one(&this->nodes_[3]);
  EXPECT_TRUE(Intact(one));
  EXPECT_EQ(this->Values(one), std::vector<int>({3}));
  EXPECT_EQ(one.Last(), &this->nodes_[3]);

  this->Fill(one, {4, 5});
  one.Clear();
  EXPECT_TRUE(Intact(one));
  EXPECT_EQ(one.Entries(), 0u);
  EXPECT_FALSE(one.Contains(&this->nodes_[4]));
}

// Inserting after the last item makes it last; removing the last item moves the last link back.
TYPED_TEST(RWIntrusiveListTest, LastLinkFollowsInsertAndRemove) {
  typename TestFixture::List list;
  this->Fill(list, {0, 1});
  EXPECT_EQ(list.Last(), &this->nodes_[1]);
  list.InsertAfter(&this->nodes_[0], &this->nodes_[2]);  // in the middle: last unchanged
  EXPECT_EQ(list.Last(), &this->nodes_[1]);
  EXPECT_EQ(list.RemoveNext(&this->nodes_[2]), &this->nodes_[1]);
  EXPECT_EQ(list.Last(), &this->nodes_[2]);
  EXPECT_EQ(this->nodes_[1].next, nullptr);
  EXPECT_EQ(list.RemoveNext(&this->nodes_[2]), nullptr);  // nothing after the last item
  EXPECT_EQ(list.RemoveNext(nullptr), nullptr);
  EXPECT_EQ(list.Remove(&this->nodes_[2]), &this->nodes_[2]);
  EXPECT_EQ(list.Last(), &this->nodes_[0]);
  EXPECT_EQ(list.Remove(&this->nodes_[0]), &this->nodes_[0]);
  EXPECT_EQ(list.Last(), list.Head());
  EXPECT_TRUE(Intact(list));
}

TYPED_TEST(RWIntrusiveListTest, IndexedOperations) {
  RecordingErrorHook hook;
  typename TestFixture::List list;
  EXPECT_TRUE(list.InsertAt(0, &this->nodes_[1]));  // into the empty list
  EXPECT_TRUE(list.InsertAt(1, &this->nodes_[3]));  // at the count: appends
  EXPECT_TRUE(list.InsertAt(1, &this->nodes_[2]));
  EXPECT_TRUE(list.InsertAt(0, &this->nodes_[0]));
  EXPECT_TRUE(Intact(list));
  EXPECT_EQ(this->Values(list), std::vector<int>({0, 1, 2, 3}));
  EXPECT_EQ(list.At(0), &this->nodes_[0]);
  EXPECT_EQ(list.At(3), &this->nodes_[3]);

  EXPECT_EQ(list.RemoveAt(3), &this->nodes_[3]);
  EXPECT_EQ(list.Last(), &this->nodes_[2]);
  EXPECT_EQ(list.RemoveAt(0), &this->nodes_[0]);
  EXPECT_TRUE(Intact(list));
  EXPECT_EQ(this->Values(list), std::vector<int>({1, 2}));
  EXPECT_EQ(hook.Count(), 0u);
}

// Every index error reports through the hook and leaves the list as it was.
TYPED_TEST(RWIntrusiveListTest, IndexErrorsChangeNothing) {
  typename TestFixture::List list;
  this->Fill(list, {0, 1, 2});
  struct Case {
    const char* what;
    std::size_t index;
    int operation;  // 0 At, 1 InsertAt, 2 RemoveAt
    const char* text;
  };
  const Case cases[] = {
      {"At(count)", 3, 0, "[INDEXERR] Illegal Index (3) for collection or string with 3 elements"},
      {"At(RW_NPOS)", RW_NPOS, 0, "[NPOSINDEX] The value RW_NPOS cannot be used as an index."},
      {"InsertAt(count + 1)", 4, 1,
       "[INDEXERR] Illegal Index (4) for collection or string with 3 elements"},
      {"InsertAt(RW_NPOS)", RW_NPOS, 1,
       "[NPOSINDEX] The value RW_NPOS cannot be used as an index."},
      {"RemoveAt(count)", 3, 2,
       "[INDEXERR] Illegal Index (3) for collection or string with 3 elements"},
      {"RemoveAt(RW_NPOS)", RW_NPOS, 2,
       "[NPOSINDEX] The value RW_NPOS cannot be used as an index."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingErrorHook hook;
    switch (c.operation) {
      case 0:
        EXPECT_EQ(list.At(c.index), nullptr);
        break;
      case 1:
        EXPECT_FALSE(list.InsertAt(c.index, &this->nodes_[5]));
        break;
      default:
        EXPECT_EQ(list.RemoveAt(c.index), nullptr);
        break;
    }
    EXPECT_EQ(hook.Texts(), std::vector<std::string>({c.text}));
    EXPECT_TRUE(Intact(list));
    EXPECT_EQ(this->Values(list), std::vector<int>({0, 1, 2}));
  }
  typename TestFixture::List empty;
  RecordingErrorHook hook;
  EXPECT_EQ(empty.At(0), nullptr);
  EXPECT_EQ(hook.Texts(),
            std::vector<std::string>(
                {"[INDEXERR] Illegal Index (0) for collection or string with 0 elements"}));
}

TYPED_TEST(RWIntrusiveListTest, SearchAndRemoveByItem) {
  typename TestFixture::List list;
  this->Fill(list, {0, 1, 2});
  EXPECT_TRUE(list.Contains(&this->nodes_[2]));
  EXPECT_FALSE(list.Contains(&this->nodes_[5]));
  EXPECT_FALSE(list.Contains(nullptr));
  EXPECT_EQ(list.FindPrevious(&this->nodes_[0]), list.Head());
  EXPECT_EQ(list.FindPrevious(&this->nodes_[2]), &this->nodes_[1]);
  EXPECT_EQ(list.FindPrevious(&this->nodes_[5]), nullptr);

  // An item that is not in the list (here: a member of another list) is not removed.
  typename TestFixture::List other;
  this->Fill(other, {5});
  if constexpr (std::is_same_v<typename TestFixture::List, RWIntrusiveSlist>) {
    EXPECT_EQ(list.Remove(&this->nodes_[5]), nullptr);
  }
  EXPECT_EQ(list.Remove(&this->nodes_[6]), nullptr);  // linked nowhere
  EXPECT_EQ(list.Remove(nullptr), nullptr);
  EXPECT_TRUE(Intact(list));
  EXPECT_TRUE(Intact(other));
  EXPECT_EQ(this->Values(list), std::vector<int>({0, 1, 2}));

  EXPECT_EQ(list.Remove(&this->nodes_[1]), &this->nodes_[1]);
  EXPECT_EQ(this->nodes_[1].next, nullptr);
  EXPECT_EQ(list.Remove(&this->nodes_[1]), nullptr);  // already gone
  EXPECT_TRUE(Intact(list));
  EXPECT_EQ(this->Values(list), std::vector<int>({0, 2}));
}

TYPED_TEST(RWIntrusiveListTest, CursorWalksAndStaysAtTheEnds) {
  typename TestFixture::List list;
  typename TestFixture::Iterator empty_cursor(list);
  EXPECT_EQ(empty_cursor.Advance(), nullptr);
  empty_cursor.ToFirst();
  EXPECT_EQ(empty_cursor.Current(), nullptr);
  empty_cursor.ToLast();
  EXPECT_EQ(empty_cursor.Current(), nullptr);
  EXPECT_FALSE(empty_cursor.AtFirst());
  EXPECT_FALSE(empty_cursor.AtLast());

  this->Fill(list, {0, 1, 2});
  typename TestFixture::Iterator cursor(list);
  EXPECT_EQ(cursor.Current(), nullptr);  // before the first item
  EXPECT_FALSE(cursor.AtFirst());
  EXPECT_EQ(this->Value(cursor.Advance()), 0);
  EXPECT_TRUE(cursor.AtFirst());
  EXPECT_FALSE(cursor.AtLast());
  EXPECT_EQ(this->Value(cursor.Advance(2)), 2);
  EXPECT_TRUE(cursor.AtLast());
  EXPECT_EQ(cursor.Advance(), nullptr);   // past the end
  EXPECT_EQ(cursor.Advance(5), nullptr);  // and it stays there
  EXPECT_FALSE(cursor.AtLast());
  cursor.Reset();
  EXPECT_EQ(this->Value(cursor.Advance(3)), 2);  // the n-th item, counting from 1
  cursor.ToFirst();
  EXPECT_EQ(this->Value(cursor.Current()), 0);
  cursor.ToLast();
  EXPECT_EQ(this->Value(cursor.Current()), 2);
}

TYPED_TEST(RWIntrusiveListTest, CursorInsertsAndRemoves) {
  typename TestFixture::List list;
  this->Fill(list, {1, 3});
  typename TestFixture::Iterator cursor(list);
  cursor.InsertAfterPoint(&this->nodes_[0]);  // before the first item: becomes first
  cursor.Advance(2);
  cursor.InsertAfterPoint(&this->nodes_[2]);  // after item 1
  EXPECT_EQ(this->Value(cursor.Current()), 1);
  cursor.Advance(3);                          // past the end
  cursor.InsertAfterPoint(&this->nodes_[4]);  // appends
  EXPECT_TRUE(Intact(list));
  EXPECT_EQ(this->Values(list), std::vector<int>({0, 1, 2, 3, 4}));
  EXPECT_EQ(list.Last(), &this->nodes_[4]);

  EXPECT_EQ(cursor.RemoveCurrent(), nullptr);  // past the end
  cursor.Reset();
  EXPECT_EQ(cursor.RemoveCurrent(), nullptr);  // before the first item
  cursor.Advance(3);
  EXPECT_EQ(cursor.RemoveCurrent(), &this->nodes_[2]);
  EXPECT_EQ(this->Value(cursor.Current()), 1);  // stepped back to the predecessor
  EXPECT_EQ(this->Value(cursor.Advance()), 3);
  cursor.ToLast();
  EXPECT_EQ(cursor.RemoveCurrent(), &this->nodes_[4]);
  EXPECT_EQ(list.Last(), &this->nodes_[3]);
  cursor.ToFirst();
  EXPECT_EQ(cursor.RemoveCurrent(), &this->nodes_[0]);
  EXPECT_EQ(cursor.Current(), nullptr);  // back before the first item
  EXPECT_EQ(this->Value(cursor.Advance()), 1);
  EXPECT_TRUE(Intact(list));
  EXPECT_EQ(this->Values(list), std::vector<int>({1, 3}));
}

TEST(RWIntrusiveDlistTest, CursorStepsBackToTheHead) {
  DNode nodes[3];
  RWIntrusiveDlist list;
  for (int i = 0; i < 3; ++i) {
    nodes[i].value = i;
    list.InsertAfter(list.Last(), &nodes[i]);
  }
  RWIntrusiveDlistIterator cursor(list);
  cursor.Advance(10);  // past the end
  EXPECT_EQ(cursor.StepBack(), &nodes[2]);
  EXPECT_EQ(cursor.StepBack(2), &nodes[0]);
  EXPECT_EQ(cursor.StepBack(), nullptr);   // before the first item
  EXPECT_EQ(cursor.StepBack(4), nullptr);  // and it stays there
  EXPECT_EQ(cursor.Advance(), &nodes[0]);
}

}  // namespace
