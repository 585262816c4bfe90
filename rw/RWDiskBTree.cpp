// The on-disk B-tree: opening and creating, search, insertion with splits, removal with rotations
// and merges, walks, and the checks on everything read from the file.
#include "rw/RWDiskBTree.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "rw/RWDiskBlockCache.h"
#include "rw/RWDiskBytes.h"
#include "rw/RWError.h"
#include "rw/RWFileSpaceManager.h"

namespace {

constexpr std::int32_t kNone = -1;

int TextCompare(const char* first, const char* second, std::size_t key_length) {
  return std::strncmp(first, second, key_length);
}

int RawCompare(const char* first, const char* second, std::size_t key_length) {
  return std::memcmp(first, second, key_length);
}

// Read-only: opened for reading without update.
// Length of text in a buffer of at most limit bytes (reads no byte past the first NUL).
std::size_t BoundedLength(const char* text, std::size_t limit) {
  const void* nul = std::memchr(text, '\0', limit);
  return nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : limit;
}

bool IsReadOnlyMode(const char* mode) {
  return mode != nullptr && mode[0] == 'r' && std::strchr(mode, '+') == nullptr;
}

void CountPair(const char*, std::int32_t, void* client_data) {
  ++*static_cast<std::uint32_t*>(client_data);
}

}  // namespace

struct RWDiskBTree::Promotion {
  // The tree's buffer of the promoted key, kept from insertion to insertion.
  std::vector<char>& key;
  std::int32_t value = kNone;
  std::int32_t right = kNone;
};

struct RWDiskBTree::Removed {
  std::string key;
  std::int32_t value = kNone;
};

RWDiskBTree::RWDiskBTree(RWFileSpaceManager* manager,
                         std::uint32_t cache_blocks,
                         bool create,
                         std::uint32_t key_length,
                         bool raw_keys,
                         std::int32_t header_offset,
                         bool old_style,
                         std::uint32_t order,
                         std::uint32_t min_fill)
    : manager_(manager), cache_blocks_(cache_blocks) {
  if (manager_ == nullptr || !manager_->HasFreeList()) {
    // The manager has reported why it cannot serve.
    failed_ = true;
    return;
  }
  const std::uint32_t asked_fill = std::max<std::uint32_t>(1, std::min(min_fill, order));
  bool header_read = false;
  if (old_style) {
    header_offset_ = kNone;
  } else {
    header_offset_ = header_offset;
    const bool given = header_offset_ != kNone;
    if (!given && !create) {
      header_offset_ = manager_->GetStart();
    }
    if (!given && (create || header_offset_ == kNone)) {
      if (!SetGeometry(key_length, order, asked_fill)) {
        Fail(false);
        return;
      }
      ResetHeader(kVersion);
      flags_ = raw_keys ? 1 : 0;
      header_offset_ = manager_->Allocate(kHeaderSize);
      if (header_offset_ < 0) {
        failed_ = true;
        return;
      }
      if (!WriteHeader()) {
        return;
      }
    }
    if (!ReadHeader()) {
      return;
    }
    header_read = version_ == kVersion;
  }
  if (!header_read) {
    // Older style: the geometry is the caller's, the file holds only the root word.
    header_offset_ = kNone;
    if (!SetGeometry(key_length, order, asked_fill)) {
      Fail(false);
      return;
    }
    ResetHeader(0xFFFFFFFFu);
    flags_ = 0;
    entries_known_ = false;
    if (manager_->GetStart() == kNone) {
      if (manager_->Allocate(4) < 0 || !WriteHeader()) {
        failed_ = true;
        return;
      }
    }
    if (!ReadHeader()) {
      return;
    }
  }
  UseCompare((!IsOldStyle() && (flags_ & 1) != 0) ? RawCompare : TextCompare);
  cache_ = std::make_unique<RWDiskBlockCache>(manager_, node_size_, cache_blocks_);
  if (root_ != kNone) {
    LoadRoot();
  }
}

RWDiskBTree::~RWDiskBTree() {
  if (!failed_ && !IsReadOnlyMode(manager_->GetMode())) {
    WriteHeader();
  }
}

bool RWDiskBTree::SetGeometry(std::uint32_t key_length,
                              std::uint32_t order,
                              std::uint32_t min_fill) {
  if (key_length < 1 || key_length > kMaxKeyLength || order < 1 || min_fill < 1 ||
      min_fill > order || RWDiskBTreeNode::SizeFor(order, key_length) > kMaxNodeSize) {
    return false;
  }
  key_length_ = key_length;
  order_ = order;
  min_fill_ = min_fill;
  node_size_ = static_cast<std::uint32_t>(RWDiskBTreeNode::SizeFor(order, key_length));
  search_key_.assign(key_length_ + 1, '\0');
  scratch_keys_.assign(key_length_, '\0');
  promoted_median_.assign(key_length_, '\0');
  promoted_key_.assign(key_length_, '\0');
  levels_.clear();
  hint_.valid = false;
  hint_.low.assign(key_length_ + 1, '\0');
  hint_.high.assign(key_length_ + 1, '\0');
  sibling_ = RWDiskBTreeNode(order_, key_length_);
  spare_ = RWDiskBTreeNode(order_, key_length_);
  return true;
}

void RWDiskBTree::ResetHeader(std::uint32_t version) {
  root_ = kNone;
  reserved1_ = 0xFFFFFFFFu;
  version_ = version;
  entries_ = 0;
  reserved2_ = 0xFFFFFFFFu;
  reserved3_ = 0;
}

bool RWDiskBTree::Fail(bool read) {
  if (read) {
    // Corrupt file data, from outside the process: reported, never fatal.
    RWSoftErrorScope outside_data;
    RWRaiseFile(manager_, RWFileError::kRead, RWTOOL_READERR());
  } else {
    RWRaiseFile(manager_, RWFileError::kWrite, RWTOOL_WRITEERR());
  }
  failed_ = true;
  return false;
}

bool RWDiskBTree::ReadHeader() {
  const std::int64_t data_start = manager_->FirstRecordOffset() + manager_->RecordSize();
  const std::int64_t end = manager_->EndOfSpace();
  const std::int64_t at = IsOldStyle() ? manager_->GetStart() : header_offset_;
  const std::int64_t length = IsOldStyle() ? 4 : kHeaderSize;
  if (at < data_start + 4 || at + length > end) {
    return Fail(true);
  }
  unsigned char bytes[kHeaderSize];
  if (!manager_->SeekTo(static_cast<std::int32_t>(at))) {
    RWSoftErrorScope outside_data;
    RWRaiseFile(manager_, RWFileError::kSeek, RWTOOL_SEEKERR());
    failed_ = true;
    return false;
  }
  if (!manager_->Read(bytes, static_cast<std::size_t>(length))) {
    return Fail(true);
  }
  root_ = vel::disk::LoadI32(bytes);
  if (IsOldStyle()) {
    return true;
  }
  version_ = vel::disk::LoadU32(bytes + 8);
  if (version_ != kVersion) {
    // Not a header of this style: the tree is of the older style.
    return true;
  }
  reserved1_ = vel::disk::LoadU32(bytes + 4);
  entries_ = vel::disk::LoadU32(bytes + 12);
  reserved2_ = vel::disk::LoadU32(bytes + 28);
  reserved3_ = vel::disk::LoadU32(bytes + 32);
  flags_ = vel::disk::LoadU32(bytes + 36);
  entries_known_ = true;
  if (!SetGeometry(vel::disk::LoadU32(bytes + 16), vel::disk::LoadU32(bytes + 20),
                   vel::disk::LoadU32(bytes + 24))) {
    return Fail(true);
  }
  return true;
}

bool RWDiskBTree::WriteHeader() {
  unsigned char bytes[kHeaderSize];
  std::int32_t at = header_offset_;
  std::size_t length = kHeaderSize;
  vel::disk::StoreI32(bytes, root_);
  if (IsOldStyle()) {
    at = manager_->GetStart();
    length = 4;
  } else {
    vel::disk::StoreU32(bytes + 4, reserved1_);
    vel::disk::StoreU32(bytes + 8, version_);
    vel::disk::StoreU32(bytes + 12, entries_);
    vel::disk::StoreU32(bytes + 16, key_length_);
    vel::disk::StoreU32(bytes + 20, order_);
    vel::disk::StoreU32(bytes + 24, min_fill_);
    vel::disk::StoreU32(bytes + 28, reserved2_);
    vel::disk::StoreU32(bytes + 32, reserved3_);
    vel::disk::StoreU32(bytes + 36, flags_);
  }
  if (!manager_->SeekTo(at)) {
    RWRaiseFile(manager_, RWFileError::kSeek, RWTOOL_SEEKERR());
    failed_ = true;
    return false;
  }
  if (!manager_->Write(bytes, length)) {
    return Fail(false);
  }
  return true;
}

bool RWDiskBTree::ValidNodeOffset(std::int64_t offset) const {
  const std::int64_t data_start = manager_->FirstRecordOffset() + manager_->RecordSize();
  return offset >= data_start + 4 && offset + node_size_ <= manager_->EndOfSpace();
}

std::int64_t RWDiskBTree::MaxNodes() const {
  const std::int64_t data_start = manager_->FirstRecordOffset() + manager_->RecordSize();
  const std::int64_t space = manager_->EndOfSpace() - data_start;
  return space > 0 ? space / (std::int64_t{node_size_} + 4) : 0;
}

RWDiskBTreeNode& RWDiskBTree::Level(std::uint32_t depth) {
  while (levels_.size() <= depth) {
    levels_.push_back(std::make_unique<RWDiskBTreeNode>(order_, key_length_));
  }
  return *levels_[depth];
}

bool RWDiskBTree::LoadNode(std::int32_t offset, RWDiskBTreeNode& node) {
  if (node.LoadedFrom() == offset && ValidNodeOffset(offset)) {
    // The node holds that block as it was read or written last (nothing else wrote it since).
    return true;
  }
  if (!ValidNodeOffset(offset) || !cache_->Read(offset, node.Data())) {
    return Fail(true);
  }
  const std::uint32_t n = node.Count();
  if (n > 2 * order_) {
    return Fail(true);
  }
  if (!node.IsLeaf()) {
    // Every child a block of node size within the space (ValidNodeOffset, with the bounds read
    // once).
    const std::int64_t lowest = std::int64_t{manager_->FirstRecordOffset()} +
                                manager_->RecordSize() + 4;
    const std::int64_t highest = std::int64_t{manager_->EndOfSpace()} - node_size_;
    for (std::uint32_t i = 0; i <= n; ++i) {
      const std::int64_t child = node.Child(i);
      if (child < lowest || child > highest) {
        return Fail(true);
      }
    }
  }
  node.MarkLoaded(offset);
  return true;
}

void RWDiskBTree::ForgetBlock(std::int32_t offset, const RWDiskBTreeNode* except) {
  for (const auto& level : levels_) {
    if (level.get() != except && level->LoadedFrom() == offset) {
      level->MarkLoaded(-1);
    }
  }
  for (const RWDiskBTreeNode* node : {&sibling_, &spare_}) {
    if (node != except && node->LoadedFrom() == offset) {
      node->MarkLoaded(-1);
    }
  }
}

bool RWDiskBTree::WriteNode(std::int32_t offset, const RWDiskBTreeNode& node) {
  if (!ValidNodeOffset(offset) || !cache_->Write(offset, node.Data())) {
    node.MarkLoaded(-1);
    ForgetBlock(offset, nullptr);
    return Fail(false);
  }
  // Other nodes holding the block hold it as it was.
  ForgetBlock(offset, &node);
  node.MarkLoaded(offset);
  return true;
}

std::int32_t RWDiskBTree::NewNode() {
  const std::int32_t offset = manager_->Allocate(node_size_);
  if (offset < 0) {
    // The manager has reported why.
    failed_ = true;
  }
  return offset;
}

void RWDiskBTree::FreeNode(std::int32_t offset) {
  ForgetBlock(offset, nullptr);
  // The node is already out of the tree, so the tree stays sound when the block is refused.
  if (!manager_->Deallocate(offset)) {
    lost_block_ = true;
  }
}

void RWDiskBTree::StopIfLost() {
  if (lost_block_ && !failed_) {
    WriteHeader();
    failed_ = true;
  }
}

bool RWDiskBTree::LoadRoot() {
  return LoadNode(root_, Level(0));
}

const char* RWDiskBTree::NormalKey(const char* key) {
  char* normal = search_key_.data();
  if (!IsOldStyle() && (flags_ & 1) != 0) {
    std::memcpy(normal, key, key_length_);
  } else {
    const std::size_t length = BoundedLength(key, key_length_);
    std::memcpy(normal, key, length);
    std::memset(normal + length, 0, key_length_ - length);
  }
  normal[key_length_] = '\0';
  return normal;
}

int RWDiskBTree::CompareText(const char* first, const char* second, std::size_t key_length) {
  // As strncmp: the first byte that differs decides (as unsigned), and a NUL met in both ends
  // the comparison. Eight bytes at a time, the first byte the most significant: a byte is flagged
  // when it differs or is NUL in the first key, and the first flagged byte decides.
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
  constexpr std::uint64_t kHigh = 0x8080808080808080u;
  std::size_t i = 0;
  for (; i + 8 <= key_length; i += 8) {
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    std::memcpy(&a, first + i, 8);
    std::memcpy(&b, second + i, 8);
    if constexpr (std::endian::native == std::endian::little) {
      a = __builtin_bswap64(a);
      b = __builtin_bswap64(b);
    }
    const std::uint64_t x = a ^ b;
    // Exact per byte (no carry crosses a byte): the high bit of each byte of x that is not zero,
    // and of each byte of a that is zero.
    const std::uint64_t differs = (((x & kLow7) + kLow7) | x) & kHigh;
    const std::uint64_t ends = ~(((a & kLow7) + kLow7) | a) & kHigh;
    const std::uint64_t stop = differs | ends;
    if (stop != 0) {
      const std::size_t at = i + static_cast<std::size_t>(std::countl_zero(stop)) / 8;
      return static_cast<int>(static_cast<unsigned char>(first[at])) -
             static_cast<int>(static_cast<unsigned char>(second[at]));
    }
  }
  for (; i < key_length; ++i) {
    const int a = static_cast<unsigned char>(first[i]);
    const int b = static_cast<unsigned char>(second[i]);
    if (a != b || a == 0) {
      return a - b;
    }
  }
  return 0;
}

void RWDiskBTree::UseCompare(RWDiskTreeCompareFunction function) {
  compare_ = function;
  text_keys_ = function == TextCompare;
}

std::uint32_t RWDiskBTree::Position(const RWDiskBTreeNode& node, const char* key) const {
  const std::uint32_t n = node.Count();
  if (n == 0) {
    return 0;
  }
  // Keys that arrive in ascending order go after the last one.
  if (Compare(node.Key(n - 1), key) < 0) {
    return n;
  }
  if (Compare(node.Key(0), key) >= 0) {
    return 0;
  }
  // Here key(lo) < key <= key(hi).
  std::uint32_t lo = 0;
  std::uint32_t hi = n - 1;
  while (hi - lo >= 2) {
    const std::uint32_t mid = (lo + hi) / 2;
    if (Compare(node.Key(mid), key) < 0) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return hi;
}

std::string RWDiskBTree::StoredKey(const char* key) const {
  if (!IsOldStyle() && (flags_ & 1) != 0) {
    return std::string(key, key_length_);
  }
  return std::string(key, BoundedLength(key, key_length_));
}

bool RWDiskBTree::FindKeyAndValue(const char* key, std::string* found_key, std::int32_t* value) {
  if (value != nullptr) {
    *value = kNone;
  }
  if (failed_ || key == nullptr) {
    return false;
  }
  const char* normal = NormalKey(key);
  RWDiskBTreeNode& node = spare_;
  std::int32_t offset = root_;
  for (std::uint32_t depth = 0; offset != kNone; ++depth) {
    if (depth >= kMaxDepth) {
      return Fail(true);
    }
    if (!LoadNode(offset, node)) {
      return false;
    }
    const std::uint32_t i = Position(node, normal);
    if (i < node.Count() && Compare(normal, node.Key(i)) == 0) {
      if (found_key != nullptr) {
        *found_key = StoredKey(node.Key(i));
      }
      if (value != nullptr) {
        *value = node.Value(i);
      }
      return true;
    }
    offset = node.IsLeaf() ? kNone : node.Child(i);
  }
  return false;
}

bool RWDiskBTree::ReplaceValue(const char* key, std::int32_t new_value, std::int32_t* old_value) {
  if (old_value != nullptr) {
    *old_value = kNone;
  }
  if (failed_ || key == nullptr) {
    return false;
  }
  const char* normal = NormalKey(key);
  RWDiskBTreeNode& node = spare_;
  std::int32_t offset = root_;
  for (std::uint32_t depth = 0; offset != kNone; ++depth) {
    if (depth >= kMaxDepth) {
      return Fail(true);
    }
    if (!LoadNode(offset, node)) {
      return false;
    }
    const std::uint32_t i = Position(node, normal);
    if (i < node.Count() && Compare(normal, node.Key(i)) == 0) {
      if (old_value != nullptr) {
        *old_value = node.Value(i);
      }
      node.SetValue(i, new_value);
      return WriteNode(offset, node);
    }
    offset = node.IsLeaf() ? kNone : node.Child(i);
  }
  return false;
}

bool RWDiskBTree::InsertKeyAndValue(const char* key, std::int32_t value) {
  if (failed_ || key == nullptr) {
    return false;
  }
  const char* normal = NormalKey(key);
  if (hint_.valid && hint_.depth < levels_.size()) {
    // Keys inserted one after another mostly fall in the leaf the last one went to: between the
    // keys that bound it, with room in it, it takes the key without a walk from the root.
    RWDiskBTreeNode& leaf = *levels_[hint_.depth];
    const std::uint32_t n = leaf.Count();
    if (leaf.LoadedFrom() == hint_.leaf && n < 2 * order_) {
      // Keys arriving in order go right after the one inserted last: between it and the key
      // after it, the place is known and the key new. Elsewhere within the leaf's bounds, a
      // search finds the place.
      std::uint32_t i = hint_.next;
      const bool in_place = i > 0 && i < n && Compare(leaf.Key(i - 1), normal) < 0 &&
                            Compare(normal, leaf.Key(i)) < 0;
      bool here = in_place;
      if (!in_place && (!hint_.has_low || Compare(hint_.low.data(), normal) < 0) &&
          (!hint_.has_high || Compare(normal, hint_.high.data()) < 0)) {
        i = Position(leaf, normal);
        if (i < n && Compare(normal, leaf.Key(i)) == 0) {
          return false;
        }
        here = true;
      }
      if (here) {
        leaf.InsertAt(i, normal, value, kNone);
        if (!WriteNode(hint_.leaf, leaf)) {
          hint_.valid = false;
          return false;
        }
        hint_.next = i + 1;
        if (entries_known_) {
          ++entries_;
        }
        return true;
      }
    }
  }
  // The walk below finds the leaf again and its bounds.
  hint_.valid = false;
  hint_.has_low = false;
  hint_.has_high = false;
  Promotion up{promoted_key_};
  switch (InsertInto(root_, normal, value, 0, up)) {
    case Step::kDone:
      break;
    case Step::kPromote: {
      // The root split (or the tree was empty): a new root of one key.
      const std::int32_t offset = NewNode();
      if (offset < 0) {
        return false;
      }
      spare_.MakeEmpty();
      spare_.SetChild(0, root_);
      spare_.InsertAt(0, up.key.data(), up.value, up.right);
      if (!WriteNode(offset, spare_)) {
        return false;
      }
      // The header written for the new root carries the count that includes this pair.
      root_ = offset;
      if (entries_known_) {
        ++entries_;
      }
      return WriteHeader();
    }
    default:
      return false;
  }
  if (entries_known_) {
    ++entries_;
  }
  return true;
}

RWDiskBTree::Step RWDiskBTree::InsertInto(std::int32_t offset,
                                          const char* key,
                                          std::int32_t value,
                                          std::uint32_t depth,
                                          Promotion& up) {
  if (offset == kNone) {
    up.key.assign(key, key + key_length_);
    up.value = value;
    up.right = kNone;
    return Step::kPromote;
  }
  if (depth >= kMaxDepth) {
    Fail(true);
    return Step::kFailed;
  }
  RWDiskBTreeNode& node = Level(depth);
  if (!LoadNode(offset, node)) {
    return Step::kFailed;
  }
  const std::uint32_t i = Position(node, key);
  if (i < node.Count() && Compare(key, node.Key(i)) == 0) {
    return Step::kPresent;
  }
  const bool leaf = node.IsLeaf();
  if (!leaf) {
    // The keys around child i bound every key below it; those of deeper nodes bound closer.
    if (i > 0) {
      std::memcpy(hint_.low.data(), node.Key(i - 1), key_length_);
      hint_.has_low = true;
    }
    if (i < node.Count()) {
      std::memcpy(hint_.high.data(), node.Key(i), key_length_);
      hint_.has_high = true;
    }
  }
  const std::int32_t child = leaf ? kNone : node.Child(i);
  const Step step = InsertInto(child, key, value, depth + 1, up);
  if (step != Step::kPromote) {
    return step;
  }
  if (node.Count() < 2 * order_) {
    node.InsertAt(i, up.key.data(), up.value, up.right);
    if (!WriteNode(offset, node)) {
      return Step::kFailed;
    }
    if (leaf) {
      hint_.valid = true;
      hint_.depth = depth;
      hint_.leaf = offset;
      hint_.next = i + 1;
    }
    return Step::kDone;
  }
  if (!Split(node, offset, i, up)) {
    return Step::kFailed;
  }
  if (leaf) {
    // The half that took the key takes the next ones between its bounds too: the left half is
    // bounded above by the key going up, the right half below. The right half (in spare_, which
    // the levels above may use for their own splits) moves to this level's buffer.
    if (i < order_) {
      std::memcpy(hint_.high.data(), up.key.data(), key_length_);
      hint_.has_high = true;
      hint_.leaf = offset;
      hint_.next = i + 1;
    } else {
      node = spare_;
      std::memcpy(hint_.low.data(), up.key.data(), key_length_);
      hint_.has_low = true;
      hint_.leaf = up.right;
      // The key is the right half's first (i - m), or went up itself (i = m).
      hint_.next = i - order_;
    }
    hint_.valid = node.LoadedFrom() == hint_.leaf;
    hint_.depth = depth;
  }
  return Step::kPromote;
}

bool RWDiskBTree::Split(RWDiskBTreeNode& node,
                        std::int32_t offset,
                        std::uint32_t index,
                        Promotion& up) {
  const std::int32_t right_offset = NewNode();
  if (right_offset < 0) {
    return false;
  }
  // The 2m + 1 keys in order, with their 2m + 2 children: the first m stay, the next goes up,
  // the last m go to the new right node.
  RWDiskBTreeNode& right = spare_;
  std::int32_t median_value = kNone;
  node.SplitInto(index, up.key.data(), up.value, up.right, right, promoted_median_.data(),
                 &median_value);
  if (!WriteNode(right_offset, right) || !WriteNode(offset, node)) {
    return false;
  }
  std::memcpy(up.key.data(), promoted_median_.data(), key_length_);
  up.value = median_value;
  up.right = right_offset;
  return true;
}

bool RWDiskBTree::RemoveKeyAndValue(const char* key,
                                    std::string* removed_key,
                                    std::int32_t* value) {
  if (value != nullptr) {
    *value = kNone;
  }
  if (failed_ || key == nullptr) {
    return false;
  }
  hint_.valid = false;
  const char* normal = NormalKey(key);
  Removed out;
  const Step step = RemoveFrom(root_, normal, 0, out);
  if (step != Step::kDone && step != Step::kUnderflow) {
    return false;
  }
  // The pair is gone from the nodes: count it out before the header write below stores the count.
  if (entries_known_) {
    --entries_;
  }
  if (step == Step::kUnderflow) {
    // The root is empty: its only child (or nothing) takes its place.
    RWDiskBTreeNode& root = Level(0);
    const std::int32_t old_root = root_;
    root_ = root.IsLeaf() ? kNone : root.Child(0);
    FreeNode(old_root);
    if (!WriteHeader() || (root_ != kNone && !LoadRoot())) {
      return false;
    }
  }
  StopIfLost();
  if (removed_key != nullptr) {
    *removed_key = std::move(out.key);
  }
  if (value != nullptr) {
    *value = out.value;
  }
  return true;
}

bool RWDiskBTree::Underflows(const RWDiskBTreeNode& node, std::uint32_t depth) const {
  return depth == 0 ? node.Count() == 0 : node.Count() < min_fill_;
}

RWDiskBTree::Step RWDiskBTree::RemoveFrom(std::int32_t offset,
                                          const char* key,
                                          std::uint32_t depth,
                                          Removed& out) {
  if (offset == kNone) {
    return Step::kAbsent;
  }
  if (depth >= kMaxDepth) {
    Fail(true);
    return Step::kFailed;
  }
  RWDiskBTreeNode& node = Level(depth);
  if (!LoadNode(offset, node)) {
    return Step::kFailed;
  }
  const std::uint32_t i = Position(node, key);
  std::uint32_t child_index = i;
  Step step;
  if (i < node.Count() && Compare(key, node.Key(i)) == 0) {
    if (node.IsLeaf()) {
      out.key = StoredKey(node.Key(i));
      out.value = node.Value(i);
      node.RemoveAt(i);
      if (!WriteNode(offset, node)) {
        return Step::kFailed;
      }
      return Underflows(node, depth) ? Step::kUnderflow : Step::kDone;
    }
    // Swap the pair with its in-order successor, the first pair of the leftmost leaf of the
    // right subtree, then remove it from there.
    std::int32_t leaf_offset = node.Child(i + 1);
    RWDiskBTreeNode& leaf = sibling_;
    for (std::uint32_t d = depth + 1;; ++d) {
      if (d >= kMaxDepth) {
        Fail(true);
        return Step::kFailed;
      }
      if (!LoadNode(leaf_offset, leaf)) {
        return Step::kFailed;
      }
      if (leaf.IsLeaf()) {
        break;
      }
      leaf_offset = leaf.Child(0);
    }
    if (leaf.Count() == 0) {
      Fail(true);
      return Step::kFailed;
    }
    char* swap = scratch_keys_.data();
    std::memcpy(swap, leaf.Key(0), key_length_);
    const std::int32_t swap_value = leaf.Value(0);
    std::memcpy(leaf.KeyForWrite(0), node.Key(i), key_length_);
    leaf.SetValue(0, node.Value(i));
    std::memcpy(node.KeyForWrite(i), swap, key_length_);
    node.SetValue(i, swap_value);
    if (!WriteNode(leaf_offset, leaf) || !WriteNode(offset, node)) {
      return Step::kFailed;
    }
    child_index = i + 1;
    step = RemoveFrom(node.Child(child_index), key, depth + 1, out);
  } else {
    if (node.IsLeaf()) {
      return Step::kAbsent;
    }
    step = RemoveFrom(node.Child(i), key, depth + 1, out);
  }
  if (step != Step::kUnderflow) {
    return step;
  }
  if (!Repair(node, offset, child_index, depth)) {
    return Step::kFailed;
  }
  return Underflows(node, depth) ? Step::kUnderflow : Step::kDone;
}

bool RWDiskBTree::Repair(RWDiskBTreeNode& parent,
                         std::int32_t offset,
                         std::uint32_t index,
                         std::uint32_t depth) {
  const std::uint32_t n = parent.Count();
  if (n == 0) {
    return Fail(true);
  }
  RWDiskBTreeNode& child = Level(depth + 1);
  const std::int32_t child_offset = parent.Child(index);
  if (!LoadNode(child_offset, child)) {
    return false;
  }
  RWDiskBTreeNode& sibling = sibling_;

  // One pair from the right sibling: the separator comes down to the child's end, the sibling's
  // first pair goes up, the sibling's first child moves across.
  auto rotate_from_right = [&](std::int32_t right_offset) {
    child.InsertAt(child.Count(), parent.Key(index), parent.Value(index), sibling.Child(0));
    std::memcpy(parent.KeyForWrite(index), sibling.Key(0), key_length_);
    parent.SetValue(index, sibling.Value(0));
    sibling.RemoveFront();
    return WriteNode(child_offset, child) && WriteNode(right_offset, sibling) &&
           WriteNode(offset, parent);
  };
  // One pair from the left sibling, the mirror image.
  auto rotate_from_left = [&](std::int32_t left_offset) {
    const std::uint32_t last = sibling.Count() - 1;
    child.InsertFront(parent.Key(index - 1), parent.Value(index - 1), sibling.Child(last + 1));
    std::memcpy(parent.KeyForWrite(index - 1), sibling.Key(last), key_length_);
    parent.SetValue(index - 1, sibling.Value(last));
    sibling.SetCount(last);
    return WriteNode(left_offset, sibling) && WriteNode(child_offset, child) &&
           WriteNode(offset, parent);
  };
  // The right node joins the left one with the separator between them; its block is freed.
  auto merge = [&](RWDiskBTreeNode& left, std::int32_t left_offset, RWDiskBTreeNode& right,
                   std::int32_t right_offset, std::uint32_t separator) {
    const std::uint32_t right_count = right.Count();
    if (left.Count() + 1 + right_count > 2 * order_) {
      return Fail(true);
    }
    left.InsertAt(left.Count(), parent.Key(separator), parent.Value(separator), right.Child(0));
    for (std::uint32_t t = 0; t < right_count; ++t) {
      left.InsertAt(left.Count(), right.Key(t), right.Value(t), right.Child(t + 1));
    }
    parent.RemoveAt(separator);
    FreeNode(right_offset);
    return WriteNode(left_offset, left) && WriteNode(offset, parent);
  };

  if (index == 0) {
    const std::int32_t right_offset = parent.Child(1);
    if (!LoadNode(right_offset, sibling)) {
      return false;
    }
    if (sibling.Count() > min_fill_) {
      return rotate_from_right(right_offset);
    }
    return merge(child, child_offset, sibling, right_offset, 0);
  }
  const std::int32_t left_offset = parent.Child(index - 1);
  if (!LoadNode(left_offset, sibling)) {
    return false;
  }
  if (sibling.Count() > min_fill_) {
    return rotate_from_left(left_offset);
  }
  if (index == n) {
    return merge(sibling, left_offset, child, child_offset, index - 1);
  }
  const std::int32_t right_offset = parent.Child(index + 1);
  if (!LoadNode(right_offset, sibling)) {
    return false;
  }
  if (sibling.Count() > min_fill_) {
    return rotate_from_right(right_offset);
  }
  return merge(child, child_offset, sibling, right_offset, index);
}

bool RWDiskBTree::Walk(std::int32_t offset,
                       std::uint32_t depth,
                       std::int64_t* budget,
                       RWDiskTreeApplyFunction function,
                       void* client_data,
                       std::vector<std::int32_t>* post_order) {
  if (offset == kNone) {
    return true;
  }
  if (depth >= kMaxDepth || --*budget < 0) {
    // Deeper or larger than any tree that fits in the space: a cycle in the file.
    return Fail(true);
  }
  RWDiskBTreeNode& node = Level(depth);
  if (!LoadNode(offset, node)) {
    return false;
  }
  const std::uint32_t n = node.Count();
  const bool leaf = node.IsLeaf();
  for (std::uint32_t i = 0; i <= n; ++i) {
    if (!leaf && !Walk(node.Child(i), depth + 1, budget, function, client_data, post_order)) {
      return false;
    }
    if (i < n && function != nullptr) {
      char* key = search_key_.data();
      std::memcpy(key, node.Key(i), key_length_);
      key[key_length_] = '\0';
      function(key, node.Value(i), client_data);
    }
  }
  if (post_order != nullptr) {
    post_order->push_back(offset);
  }
  return true;
}

void RWDiskBTree::ApplyToKeyAndValue(RWDiskTreeApplyFunction function, void* client_data) {
  if (failed_ || function == nullptr) {
    return;
  }
  std::int64_t budget = MaxNodes();
  Walk(root_, 0, &budget, function, client_data, nullptr);
}

std::uint32_t RWDiskBTree::Entries() {
  if (!entries_known_ && !failed_) {
    std::uint32_t count = 0;
    std::int64_t budget = MaxNodes();
    if (Walk(root_, 0, &budget, CountPair, &count, nullptr)) {
      entries_ = count;
      entries_known_ = true;
    }
  }
  return entries_;
}

std::uint32_t RWDiskBTree::Height() {
  std::uint32_t height = 0;
  if (failed_) {
    return 0;
  }
  RWDiskBTreeNode& node = spare_;
  for (std::int32_t offset = root_; offset != kNone; offset = node.Child(0)) {
    if (height >= kMaxDepth) {
      Fail(true);
      break;
    }
    if (!LoadNode(offset, node)) {
      break;
    }
    ++height;
  }
  return height;
}

void RWDiskBTree::Clear() {
  hint_.valid = false;
  if (failed_ || root_ == kNone) {
    return;
  }
  std::vector<std::int32_t> nodes;
  std::int64_t budget = MaxNodes();
  if (!Walk(root_, 0, &budget, nullptr, nullptr, &nodes)) {
    return;
  }
  // A node reached twice would be freed twice: the file is corrupt.
  std::vector<std::int32_t> sorted = nodes;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
    Fail(true);
    return;
  }
  for (const std::int32_t offset : nodes) {
    FreeNode(offset);
  }
  root_ = kNone;
  reserved1_ = 0xFFFFFFFFu;
  entries_ = 0;
  entries_known_ = true;
  cache_->Invalidate();
  WriteHeader();
  StopIfLost();
}

RWDiskTreeCompareFunction RWDiskBTree::SetCompareFunction(RWDiskTreeCompareFunction function) {
  const RWDiskTreeCompareFunction previous = compare_;
  hint_.valid = false;
  // Null restores the built-in comparison.
  if (function == nullptr) {
    function = (!IsOldStyle() && (flags_ & 1) != 0) ? RawCompare : TextCompare;
  }
  UseCompare(function);
  return previous;
}

std::uint32_t RWDiskBTree::SetCacheBlocks(std::uint32_t n) {
  const std::uint32_t previous = cache_blocks_;
  if (n != cache_blocks_ && manager_ != nullptr && cache_ != nullptr) {
    cache_ = std::make_unique<RWDiskBlockCache>(manager_, node_size_, n);
  }
  cache_blocks_ = n;
  return previous;
}
