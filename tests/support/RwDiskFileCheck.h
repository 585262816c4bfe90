// Integrity checks for files of the file space manager and the on-disk B-tree, made from the raw
// bytes of the file (not through the classes under test): every byte of the managed space in
// exactly one used block, one free extent or one free-list record; the ring closed; tree nodes
// filled within bounds, keys ascending, leaves level, the entry count right.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ByteMatch.h"

namespace vel::test {

// The bytes of a file (empty when it cannot be read).
Bytes FileImage(const std::string& name);

struct SpaceLayout {
  std::int32_t start = -1;
  std::int32_t end = -1;
  std::int32_t record_size = 0;
  // Used blocks: offset of the block (its size word) -> gross size.
  std::map<std::int32_t, std::uint32_t> used;
  // Free-list records in ring order, the anchor (12) first.
  std::vector<std::int32_t> records;
  // Free extents: offset -> size, from every record.
  std::map<std::int32_t, std::uint32_t> free;
};

// Header, ring and records sound, and [first allocatable byte, end of space) tiled without gap or
// overlap by used blocks (walked by their size words), non-anchor records and free extents; the
// start offset, when set, is a used block. Bytes beyond the end of space are not looked at.
::testing::AssertionResult CheckFileSpace(const Bytes& file, SpaceLayout* layout = nullptr);

struct TreeContents {
  // Pairs in the order of an in-order walk; keys as stored (k bytes for raw keys, the text up to
  // its first NUL for text keys).
  std::vector<std::pair<std::string, std::int32_t>> pairs;
  std::uint32_t header_entries = 0;
  std::uint32_t height = 0;
  // Node offset -> number of keys.
  std::map<std::int32_t, std::uint32_t> nodes;
};

using KeyCompare = int (*)(const char*, const char*, std::size_t);

// A tree with a header at header_offset in a file whose space is layout: header fields sound,
// every node a used block reached once, key counts within fill bounds (root 1..2m, others
// f..2m), leaves all at one depth, keys strictly ascending in an in-order walk (by compare, else
// by the tree's built-in comparison). When expected_entries is not negative, the number of pairs
// must equal it, else the header's count. With exclusive, the used blocks must be exactly the
// tree header's block and the nodes' blocks (nothing leaked).
::testing::AssertionResult CheckDiskBTree(const Bytes& file,
                                          const SpaceLayout& layout,
                                          std::int32_t header_offset,
                                          bool exclusive,
                                          std::int64_t expected_entries = -1,
                                          TreeContents* contents = nullptr,
                                          KeyCompare compare = nullptr);

}  // namespace vel::test
