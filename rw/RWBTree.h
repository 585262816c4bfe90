// A sorted collection of collectable pointers in an in-memory B-tree of order 50, ordered by the
// members' virtual Compare.
//
// A node holds at most 100 members and, except for the root, at least 50; the root holds at
// least one. Members of a node ascend by Compare; every member of child i compares below member
// i, which compares below every member of child i + 1. The tree holds no two members that compare
// equal, and it refuses a null item (it calls the item's Compare).
#pragma once

#include <cstdint>

#include "rw/RWCollectionBase.h"

inline constexpr RWClassID kRWBTreeClassId = 0x8003;

class RWBTree : public RWCollectionBase {
 public:
  static constexpr std::uint32_t kOrder = 50;
  static constexpr std::uint32_t kMaxMembers = 2 * kOrder;

  RWBTree() = default;
  // An empty tree that then receives every member of `other`.
  explicit RWBTree(const RWCollectionBase& other);
  RWBTree(const RWBTree& other);
  // Clear, then every member of `other`.
  RWBTree& operator=(const RWCollectionBase& other);
  RWBTree& operator=(const RWBTree& other);
  // Frees every node; members are not deleted.
  ~RWBTree() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The other is an RWBTree with the same number of members, each of them contained in it.
  bool IsEqual(const RWCollectable* other) const override;

  // In order: child 0, member 0, child 1, ..., member n-1, child n.
  void Apply(RWApplyCollectable function, void* client_data) const override;
  void Clear() override;
  std::uint32_t Entries() const override { return count_; }
  // The member that compares equal to the item (Compare gives 0), or null.
  RWCollectable* Find(const RWCollectable* item) const override;
  // Returns the item when added, or the member already present that compares equal (nothing is
  // added); null for a null item or when memory is short.
  RWCollectable* Insert(RWCollectable* item) override;
  bool IsEmpty() const override { return root_ == nullptr; }
  std::uint32_t OccurrencesOf(const RWCollectable* item) const override;
  // Removes the member that compares equal and returns it, or null.
  RWCollectable* Remove(const RWCollectable* item) override;

  // Levels from the root down the first children; 0 when empty.
  std::uint32_t Height() const;

  // Walks every node, parents before children, handing over its depth (the root is 0), its
  // number of members and whether it is a leaf. For integrity checks.
  using NodeVisitor = void (*)(std::uint32_t depth,
                               std::uint32_t members,
                               bool leaf,
                               void* client_data);
  void VisitNodes(NodeVisitor visit, void* client_data) const;

  static RWClassID ClassId() { return kRWBTreeClassId; }
  static const char* ClassName() { return "RWBTree"; }
  // The default object of the class: an empty tree. Null when memory is short.
  static RWCollectable* Create();

 private:
  struct Node {
    std::uint32_t count = 0;
    RWCollectable* members[kMaxMembers] = {};
    Node* children[kMaxMembers + 1] = {};
    bool IsLeaf() const { return children[0] == nullptr; }
  };

  // The outcome of removing from a subtree.
  struct Removal {
    RWCollectable* removed = nullptr;
    bool underflow = false;
  };

  static std::uint32_t Position(const Node* node, const RWCollectable* item);
  static void FreeNodes(Node* node);
  static void ApplyNode(const Node* node, RWApplyCollectable function, void* client_data);
  static void VisitNode(const Node* node,
                        std::uint32_t depth,
                        NodeVisitor visit,
                        void* client_data);
  Removal RemoveFrom(Node* node, const RWCollectable* item, bool is_root);
  // Mends child `index` of `node` after it fell below the order; true when `node` itself then
  // falls short (below the order, or empty for the root).
  static bool Rebalance(Node* node, std::uint32_t index, bool is_root);

  Node* root_ = nullptr;
  std::uint32_t count_ = 0;
};
