// A B-tree index kept in a file of a file space manager: fixed-length keys mapped to 32-bit
// values (in practice file offsets of records). Nodes are blocks of the space manager, read and
// written through a write-through block cache.
//
// Tree header in the file (40 bytes at the header offset, by default the manager's start offset;
// least significant byte first):
//
//   OFFSET SIZE DESCRIPTION
//   0      4    file offset of the root node; -1 = empty tree
//   4      4    reserved, written as -1
//   8      4    version: 512
//   12     4    number of entries
//   16     4    key length k in bytes
//   20     4    order m (a node holds at most 2m keys)
//   24     4    minimum fill f (a node other than the root holds at least f keys)
//   28     4    reserved, written as -1
//   32     4    reserved, kept as read
//   36     4    flags: bit 0 set = raw keys
//
// A tree of the older style has no header: only the root offset, one word at the manager's start
// offset. It compares keys as text and knows its entry count only by counting.
//
// Keys. Raw keys are exactly k bytes, compared byte by byte; callers pass k bytes for every raw
// key, and since a reopened file decides k, they check KeyLength() after opening one. Text keys are
// NUL-terminated text, stored as their first k characters padded with NULs (a key of k or more
// characters is cut to k and has no terminator in the node), compared up to the first NUL or k
// characters. A comparison function may replace the built-in one.
//
// The node layout is in RWDiskBTreeNode.h. Node changes are written through at once; the header is
// written when the root changes, by Clear, at creation, and on destruction (except for a file open
// read-only), so the entry count on disk is that of the last header write.
//
// Everything read from the file is checked before use: the geometry of the header (key length
// 1..65535, order at least 1, minimum fill 1..order, a node of at most 1 MiB), every node offset
// (inside the manager's allocatable space), every key count (at most 2m), the children of an
// internal node, and the depth and size of every walk. A failed check, read or write raises an
// error and stops the tree for good: later operations answer false and change nothing. Errors in
// data read from the file are reported inside the soft-error scope (rw/RWError.h), so a corrupt
// tree file does not end the process under the UI flavour's default hook. A node block that the
// space manager refuses to take back (its size word is corrupt) is left in the file; the operation
// that freed it completes, and then the tree stops.
//
// Neither the tree nor its cache takes a lock; one thread at a time uses a tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rw/RWDiskBTreeNode.h"

class RWDiskBlockCache;
class RWFileSpaceManager;

// Negative, zero or positive as the first key sorts before, equal to or after the second; both
// point to key_length bytes.
using RWDiskTreeCompareFunction = int (*)(const char* first,
                                          const char* second,
                                          std::size_t key_length);
// Called for each pair; key is the stored key followed by one NUL.
using RWDiskTreeApplyFunction = void (*)(const char* key, std::int32_t value, void* client_data);

class RWDiskBTree {
 public:
  // Opens the tree whose header is at header_offset, or, with header_offset -1, the one at the
  // manager's start offset; creates a tree with a newly allocated header when header_offset is -1
  // and create is set or the manager has no start offset yet. Key length, raw keys, order
  // and minimum fill apply only to a tree being created (and to an older-style tree, which does
  // not store them); a reopened tree keeps those of its header. The minimum fill is the lesser of
  // the one asked for and the order, and at least 1.
  RWDiskBTree(RWFileSpaceManager* manager,
              std::uint32_t cache_blocks = 10,
              bool create = false,
              std::uint32_t key_length = 16,
              bool raw_keys = false,
              std::int32_t header_offset = -1,
              bool old_style = false,
              std::uint32_t order = 10,
              std::uint32_t min_fill = 10);
  // Writes the header unless the file is open read-only.
  ~RWDiskBTree();
  RWDiskBTree(const RWDiskBTree&) = delete;
  RWDiskBTree& operator=(const RWDiskBTree&) = delete;

  // True when the key is present, with the stored key (k bytes for raw keys, the text up to its
  // first NUL for text keys) and its value; else false and value -1. Outputs may be null.
  [[nodiscard]] bool FindKeyAndValue(const char* key, std::string* found_key, std::int32_t* value);
  // False, and nothing changed, when an equal key is present.
  [[nodiscard]] bool InsertKeyAndValue(const char* key, std::int32_t value);
  // True with the stored key and value; false when absent (value -1).
  [[nodiscard]] bool RemoveKeyAndValue(const char* key,
                                       std::string* removed_key,
                                       std::int32_t* value);
  // Sets the value of a present key; false (old value -1) when absent.
  [[nodiscard]] bool ReplaceValue(const char* key, std::int32_t new_value, std::int32_t* old_value);
  // Every pair in ascending key order. The function must not change the tree.
  void ApplyToKeyAndValue(RWDiskTreeApplyFunction function, void* client_data);

  std::uint32_t Entries();
  // Levels down the first-child chain; 0 for an empty tree.
  std::uint32_t Height();
  // Frees every node and empties the tree.
  void Clear();

  // Installs a comparison (null: the built-in one for the tree's keys); returns the previous one.
  RWDiskTreeCompareFunction SetCompareFunction(RWDiskTreeCompareFunction function);
  // Replaces the cache by one of n blocks; returns the previous number.
  std::uint32_t SetCacheBlocks(std::uint32_t n);

  std::uint32_t KeyLength() const { return key_length_; }
  std::uint32_t Order() const { return order_; }
  std::uint32_t MinFill() const { return min_fill_; }
  std::int32_t HeaderOffset() const { return header_offset_; }
  bool IsOldStyle() const { return header_offset_ == -1; }
  // True for a tree of raw keys (its header's flag bit 0).
  bool HasRawKeys() const { return !IsOldStyle() && (flags_ & 1) != 0; }
  // False once an error stopped the tree.
  bool IsUsable() const { return !failed_; }

  static constexpr std::uint32_t kVersion = 512;
  static constexpr std::uint32_t kHeaderSize = 40;
  static constexpr std::uint32_t kMaxKeyLength = 65535;
  static constexpr std::uint64_t kMaxNodeSize = 1u << 20;
  // Deeper than any sound tree in a 32-bit file can grow.
  static constexpr std::uint32_t kMaxDepth = 64;

 private:
  struct Promotion;
  struct Removed;
  enum class Step { kDone, kPresent, kPromote, kAbsent, kUnderflow, kFailed };

  bool SetGeometry(std::uint32_t key_length, std::uint32_t order, std::uint32_t min_fill);
  bool ReadHeader();
  bool WriteHeader();
  void ResetHeader(std::uint32_t version);
  bool Fail(bool read);
  bool ValidNodeOffset(std::int64_t offset) const;
  std::int64_t MaxNodes() const;

  RWDiskBTreeNode& Level(std::uint32_t depth);
  bool LoadNode(std::int32_t offset, RWDiskBTreeNode& node);
  bool WriteNode(std::int32_t offset, const RWDiskBTreeNode& node);
  // Makes every node buffer but `except` that holds the block at offset forget it.
  void ForgetBlock(std::int32_t offset, const RWDiskBTreeNode* except);
  std::int32_t NewNode();
  // Gives a node's block back. A block the manager refuses (its size word is corrupt) stays in
  // the file and stops the tree once the operation that freed it has finished (StopIfLost).
  void FreeNode(std::int32_t offset);
  // Writes the header and stops the tree when FreeNode lost a block.
  void StopIfLost();
  bool LoadRoot();

  const char* NormalKey(const char* key);
  // The tree's comparison; the built-in one for text keys is done in place, a word at a time.
  int Compare(const char* first, const char* second) const {
    return text_keys_ ? CompareText(first, second, key_length_)
                      : compare_(first, second, key_length_);
  }
  static int CompareText(const char* first, const char* second, std::size_t key_length);
  void UseCompare(RWDiskTreeCompareFunction function);
  std::uint32_t Position(const RWDiskBTreeNode& node, const char* key) const;
  std::string StoredKey(const char* key) const;

  Step InsertInto(std::int32_t offset,
                  const char* key,
                  std::int32_t value,
                  std::uint32_t depth,
                  Promotion& up);
  bool Split(RWDiskBTreeNode& node, std::int32_t offset, std::uint32_t index, Promotion& up);
  Step RemoveFrom(std::int32_t offset, const char* key, std::uint32_t depth, Removed& out);
  bool Repair(RWDiskBTreeNode& parent,
              std::int32_t offset,
              std::uint32_t index,
              std::uint32_t depth);
  bool Underflows(const RWDiskBTreeNode& node, std::uint32_t depth) const;
  // Collects the node offsets below offset in order (children before parents with
  // post_order), at most MaxNodes(); false on error.
  bool Walk(std::int32_t offset,
            std::uint32_t depth,
            std::int64_t* budget,
            RWDiskTreeApplyFunction function,
            void* client_data,
            std::vector<std::int32_t>* post_order);

  RWDiskTreeCompareFunction compare_ = nullptr;
  // compare_ is the built-in text comparison.
  bool text_keys_ = false;
  std::int32_t header_offset_ = -1;
  std::uint32_t node_size_ = 0;
  RWFileSpaceManager* manager_;
  std::unique_ptr<RWDiskBlockCache> cache_;
  std::uint32_t cache_blocks_;

  // The header, as in the file.
  std::int32_t root_ = -1;
  std::uint32_t reserved1_ = 0xFFFFFFFFu;
  std::uint32_t version_ = kVersion;
  std::uint32_t entries_ = 0;
  std::uint32_t key_length_ = 0;
  std::uint32_t order_ = 0;
  std::uint32_t min_fill_ = 0;
  std::uint32_t reserved2_ = 0xFFFFFFFFu;
  std::uint32_t reserved3_ = 0;
  std::uint32_t flags_ = 0;

  bool entries_known_ = true;
  bool failed_ = false;
  bool lost_block_ = false;
  std::vector<std::unique_ptr<RWDiskBTreeNode>> levels_;
  RWDiskBTreeNode sibling_;
  RWDiskBTreeNode spare_;
  std::vector<char> search_key_;
  std::vector<char> promoted_key_;
  // The leaf the last insertion went to (held in levels_[depth] while its block is unchanged
  // there) and the keys of its parents that bound it (none at the tree's edges). Any other change
  // of the tree's shape forgets it.
  struct InsertHint {
    bool valid = false;
    std::uint32_t depth = 0;
    std::int32_t leaf = -1;
    // The place after the key inserted last.
    std::uint32_t next = 0;
    bool has_low = false;
    bool has_high = false;
    std::vector<char> low;
    std::vector<char> high;
  };
  InsertHint hint_;
  // One key: the swap of a removal.
  std::vector<char> scratch_keys_;
  // The key a split hands up, before it replaces the promoted one.
  std::vector<char> promoted_median_;
};
