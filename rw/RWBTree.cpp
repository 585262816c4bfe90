// The in-memory B-tree of collectable pointers.
#include "rw/RWBTree.h"

#include <new>
#include <utility>

namespace {

// Deeper than any tree of 2^32 members can grow with nodes at least half full.
constexpr std::uint32_t kMaxDepth = 32;

struct Containment {
  const RWCollectionBase* other;
  bool all = true;
};

void CheckContained(RWCollectable* item, void* client_data) {
  auto* containment = static_cast<Containment*>(client_data);
  if (containment->all && !containment->other->Contains(item)) {
    containment->all = false;
  }
}

}  // namespace

RWBTree::RWBTree(const RWCollectionBase& other) {
  AddAll(other);
}

RWBTree::RWBTree(const RWBTree& other) : RWCollectionBase(other) {
  AddAll(other);
}

RWBTree& RWBTree::operator=(const RWCollectionBase& other) {
  if (&other != this) {
    Clear();
    AddAll(other);
  }
  return *this;
}

RWBTree& RWBTree::operator=(const RWBTree& other) {
  return *this = static_cast<const RWCollectionBase&>(other);
}

RWBTree::~RWBTree() {
  FreeNodes(root_);
}

RWCollectable* RWBTree::CreateInstance() const {
  return new (std::nothrow) RWBTree;
}

RWCollectable* RWBTree::Clone() const {
  return new (std::nothrow) RWBTree(*this);
}

RWClassID RWBTree::IsA() const {
  return kRWBTreeClassId;
}

RWCollectable* RWBTree::Create() {
  return new (std::nothrow) RWBTree;
}

bool RWBTree::IsEqual(const RWCollectable* other) const {
  if (other == nullptr || other->IsA() != kRWBTreeClassId) {
    return false;
  }
  const auto* tree = dynamic_cast<const RWBTree*>(other);
  if (tree == nullptr || tree->Entries() != Entries()) {
    return false;
  }
  Containment containment{tree};
  Apply(CheckContained, &containment);
  return containment.all;
}

void RWBTree::Apply(RWApplyCollectable function, void* client_data) const {
  ApplyNode(root_, function, client_data);
}

void RWBTree::ApplyNode(const Node* node, RWApplyCollectable function, void* client_data) {
  if (node == nullptr) {
    return;
  }
  for (std::uint32_t i = 0; i < node->count; ++i) {
    ApplyNode(node->children[i], function, client_data);
    function(node->members[i], client_data);
  }
  ApplyNode(node->children[node->count], function, client_data);
}

void RWBTree::Clear() {
  FreeNodes(root_);
  root_ = nullptr;
  count_ = 0;
}

void RWBTree::FreeNodes(Node* node) {
  if (node == nullptr) {
    return;
  }
  for (std::uint32_t i = 0; i <= node->count; ++i) {
    FreeNodes(node->children[i]);
  }
  delete node;
}

std::uint32_t RWBTree::Position(const Node* node, const RWCollectable* item) {
  const std::uint32_t n = node->count;
  if (n == 0 || node->members[0]->Compare(item) >= 0) {
    return 0;
  }
  if (node->members[n - 1]->Compare(item) < 0) {
    return n;
  }
  // members[low] compares below the item, members[high] does not.
  std::uint32_t low = 0;
  std::uint32_t high = n - 1;
  while (high - low >= 2) {
    const std::uint32_t middle = (low + high) / 2;
    if (node->members[middle]->Compare(item) < 0) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return high;
}

RWCollectable* RWBTree::Find(const RWCollectable* item) const {
  if (item == nullptr) {
    return nullptr;
  }
  for (const Node* node = root_; node != nullptr;) {
    const std::uint32_t position = Position(node, item);
    if (position < node->count && node->members[position]->Compare(item) == 0) {
      return node->members[position];
    }
    node = node->children[position];
  }
  return nullptr;
}

std::uint32_t RWBTree::OccurrencesOf(const RWCollectable* item) const {
  return Find(item) != nullptr ? 1 : 0;
}

RWCollectable* RWBTree::Insert(RWCollectable* item) {
  if (item == nullptr) {
    return nullptr;
  }
  // Find the leaf, noting the way down. The full nodes at the bottom of the way are the ones that
  // will split; when the root splits too (or the tree is empty) a new root is needed. Every node
  // needed is allocated before the tree changes, so a refused allocation leaves it untouched.
  struct Step {
    Node* node;
    std::uint32_t position;
  };
  Step path[kMaxDepth];
  std::uint32_t depth = 0;
  std::uint32_t full_run = 0;
  for (Node* node = root_; node != nullptr;) {
    const std::uint32_t position = Position(node, item);
    if (position < node->count && node->members[position]->Compare(item) == 0) {
      return node->members[position];
    }
    if (depth == kMaxDepth) {
      return nullptr;
    }
    path[depth++] = {node, position};
    full_run = node->count == kMaxMembers ? full_run + 1 : 0;
    node = node->children[position];
  }
  const std::uint32_t needed = full_run + (full_run == depth ? 1 : 0);
  Node* spare[kMaxDepth + 1];
  for (std::uint32_t i = 0; i < needed; ++i) {
    spare[i] = new (std::nothrow) Node;
    if (spare[i] == nullptr) {
      while (i > 0) {
        delete spare[--i];
      }
      return nullptr;
    }
  }

  // Hand the item up from the leaf: each full node splits and promotes its middle member.
  std::uint32_t used = 0;
  RWCollectable* up = item;
  Node* right = nullptr;
  for (std::uint32_t level = depth; level-- > 0;) {
    Node* node = path[level].node;
    const std::uint32_t position = path[level].position;
    if (node->count < kMaxMembers) {
      for (std::uint32_t i = node->count; i > position; --i) {
        node->members[i] = node->members[i - 1];
        node->children[i + 1] = node->children[i];
      }
      node->members[position] = up;
      node->children[position + 1] = right;
      ++node->count;
      ++count_;
      return item;
    }
    // Of the 101 members in order, the first 50 stay, the 51st goes up and the last 50 move to
    // the new node with their children.
    RWCollectable* members[kMaxMembers + 1];
    Node* children[kMaxMembers + 2];
    for (std::uint32_t i = 0, from = 0; i <= kMaxMembers; ++i) {
      members[i] = i == position ? up : node->members[from++];
    }
    for (std::uint32_t i = 0, from = 0; i <= kMaxMembers + 1; ++i) {
      children[i] = i == position + 1 ? right : node->children[from++];
    }
    Node* sibling = spare[used++];
    node->count = kOrder;
    sibling->count = kOrder;
    for (std::uint32_t i = 0; i < kMaxMembers; ++i) {
      node->members[i] = i < kOrder ? members[i] : nullptr;
      node->children[i + 1] = i < kOrder ? children[i + 1] : nullptr;
    }
    node->children[0] = children[0];
    for (std::uint32_t i = 0; i < kOrder; ++i) {
      sibling->members[i] = members[kOrder + 1 + i];
      sibling->children[i] = children[kOrder + 1 + i];
    }
    sibling->children[kOrder] = children[kMaxMembers + 1];
    up = members[kOrder];
    right = sibling;
  }
  Node* root = spare[used];
  root->count = 1;
  root->members[0] = up;
  root->children[0] = root_;
  root->children[1] = right;
  root_ = root;
  ++count_;
  return item;
}

RWCollectable* RWBTree::Remove(const RWCollectable* item) {
  if (item == nullptr || root_ == nullptr) {
    return nullptr;
  }
  const Removal removal = RemoveFrom(root_, item, true);
  if (removal.underflow && root_->count == 0) {
    Node* old_root = root_;
    root_ = old_root->children[0];
    delete old_root;
  }
  return removal.removed;
}

RWBTree::Removal RWBTree::RemoveFrom(Node* node, const RWCollectable* item, bool is_root) {
  if (node == nullptr) {
    return {};
  }
  const std::uint32_t position = Position(node, item);
  if (!node->IsLeaf()) {
    if (position < node->count && node->members[position]->Compare(item) == 0) {
      // Exchange the member with its in-order predecessor, the last member of the rightmost leaf
      // under child `position`, and remove it from there.
      Node* leaf = node->children[position];
      while (!leaf->IsLeaf()) {
        leaf = leaf->children[leaf->count];
      }
      std::swap(node->members[position], leaf->members[leaf->count - 1]);
    }
    Removal removal = RemoveFrom(node->children[position], item, false);
    if (removal.underflow) {
      removal.underflow = Rebalance(node, position, is_root);
    }
    return removal;
  }
  if (position == node->count || node->members[position]->Compare(item) != 0) {
    return {};
  }
  Removal removal;
  removal.removed = node->members[position];
  for (std::uint32_t i = position; i + 1 < node->count; ++i) {
    node->members[i] = node->members[i + 1];
  }
  --node->count;
  node->members[node->count] = nullptr;
  --count_;
  removal.underflow = is_root ? node->count < 1 : node->count < kOrder;
  return removal;
}

bool RWBTree::Rebalance(Node* node, std::uint32_t index, bool is_root) {
  Node* child = node->children[index];
  std::uint32_t merge_at;  // the separator whose two children merge
  if (index == node->count) {
    // The last child borrows through this node from its left sibling.
    Node* left = node->children[index - 1];
    for (std::uint32_t i = child->count; i > 0; --i) {
      child->members[i] = child->members[i - 1];
      child->children[i + 1] = child->children[i];
    }
    child->children[1] = child->children[0];
    child->members[0] = node->members[index - 1];
    child->children[0] = left->children[left->count];
    ++child->count;
    node->members[index - 1] = left->members[left->count - 1];
    left->members[left->count - 1] = nullptr;
    left->children[left->count] = nullptr;
    --left->count;
    if (left->count >= kOrder) {
      return false;
    }
    merge_at = index - 1;
  } else {
    Node* right = node->children[index + 1];
    if (right->count > kOrder) {
      // Borrow the right sibling's first member through this node.
      child->members[child->count] = node->members[index];
      child->children[child->count + 1] = right->children[0];
      ++child->count;
      node->members[index] = right->members[0];
      for (std::uint32_t i = 0; i + 1 < right->count; ++i) {
        right->members[i] = right->members[i + 1];
        right->children[i] = right->children[i + 1];
      }
      right->children[right->count - 1] = right->children[right->count];
      right->children[right->count] = nullptr;
      --right->count;
      right->members[right->count] = nullptr;
      return false;
    }
    merge_at = index;
  }

  // Merge child merge_at, the separator and child merge_at + 1 into child merge_at.
  Node* left = node->children[merge_at];
  Node* right = node->children[merge_at + 1];
  left->members[left->count] = node->members[merge_at];
  for (std::uint32_t i = 0; i < right->count; ++i) {
    left->members[left->count + 1 + i] = right->members[i];
    left->children[left->count + 1 + i] = right->children[i];
  }
  left->children[left->count + 1 + right->count] = right->children[right->count];
  left->count += 1 + right->count;
  delete right;
  for (std::uint32_t i = merge_at; i + 1 < node->count; ++i) {
    node->members[i] = node->members[i + 1];
    node->children[i + 1] = node->children[i + 2];
  }
  --node->count;
  node->members[node->count] = nullptr;
  node->children[node->count + 1] = nullptr;
  return is_root ? node->count < 1 : node->count < kOrder;
}

std::uint32_t RWBTree::Height() const {
  std::uint32_t height = 0;
  for (const Node* node = root_; node != nullptr; node = node->children[0]) {
    ++height;
  }
  return height;
}

void RWBTree::VisitNodes(NodeVisitor visit, void* client_data) const {
  VisitNode(root_, 0, visit, client_data);
}

void RWBTree::VisitNode(const Node* node,
                        std::uint32_t depth,
                        NodeVisitor visit,
                        void* client_data) {
  if (node == nullptr) {
    return;
  }
  visit(depth, node->count, node->IsLeaf(), client_data);
  for (std::uint32_t i = 0; i <= node->count; ++i) {
    VisitNode(node->children[i], depth + 1, visit, client_data);
  }
}
