// Integrity checks of space-managed files and on-disk B-trees, read from the raw bytes.
#include "tests/support/RwDiskFileCheck.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace vel::test {

namespace {

std::uint32_t U32(const Bytes& file, std::int64_t at) {
  return static_cast<std::uint32_t>(file[at]) | (static_cast<std::uint32_t>(file[at + 1]) << 8) |
         (static_cast<std::uint32_t>(file[at + 2]) << 16) |
         (static_cast<std::uint32_t>(file[at + 3]) << 24);
}

std::int32_t I32(const Bytes& file, std::int64_t at) {
  return static_cast<std::int32_t>(U32(file, at));
}

bool Has(const Bytes& file, std::int64_t at, std::int64_t count) {
  return at >= 0 && count >= 0 && at + count <= static_cast<std::int64_t>(file.size());
}

template <typename... Parts>
::testing::AssertionResult Failure(const Parts&... parts) {
  std::ostringstream text;
  (text << ... << parts);
  return ::testing::AssertionFailure() << text.str();
}

struct Interval {
  std::int64_t start;
  std::int64_t size;
  const char* what;
};

}  // namespace

Bytes FileImage(const std::string& name) {
  std::ifstream in(name, std::ios::binary | std::ios::ate);
  if (!in) {
    return {};
  }
  Bytes bytes(static_cast<std::size_t>(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

::testing::AssertionResult CheckFileSpace(const Bytes& file, SpaceLayout* layout_out) {
  SpaceLayout layout;
  if (!Has(file, 0, 12)) {
    return Failure("file of ", file.size(), " bytes has no header");
  }
  layout.start = I32(file, 0);
  layout.end = I32(file, 4);
  layout.record_size = I32(file, 8);
  int capacity = 0;
  std::uint32_t magic = 0;
  if (layout.record_size == 268) {
    capacity = 32;
    magic = 0x1235;
  } else if (layout.record_size == 92) {
    capacity = 10;
    magic = 0x1234;
  } else {
    return Failure("record size ", layout.record_size);
  }
  const std::int64_t data_start = 12 + layout.record_size;
  const std::int64_t end = layout.end;
  if (end < data_start) {
    return Failure("end of space ", end, " below ", data_start);
  }

  // The ring, from the anchor round to the anchor.
  std::vector<Interval> intervals;
  std::set<std::int64_t> seen;
  std::int64_t record = 12;
  do {
    if (!seen.insert(record).second) {
      return Failure("ring revisits record ", record, " without closing at 12");
    }
    if (record != 12 && (record < data_start || record + layout.record_size > end)) {
      return Failure("record ", record, " outside the space");
    }
    if (!Has(file, record, layout.record_size)) {
      return Failure("record ", record, " beyond the file");
    }
    layout.records.push_back(static_cast<std::int32_t>(record));
    if (record != 12) {
      intervals.push_back({record, layout.record_size, "record"});
    }
    if ((file[record] | (file[record + 1] << 8)) != static_cast<int>(magic)) {
      return Failure("record ", record, " has a bad magic");
    }
    const std::int32_t count = I32(file, record + 4 + 8 * capacity);
    if (count < 0 || count > capacity) {
      return Failure("record ", record, " count ", count);
    }
    std::int64_t previous_end = data_start;
    for (int i = 0; i < count; ++i) {
      const std::int64_t offset = U32(file, record + 4 + 4 * i);
      const std::int64_t size = U32(file, record + 4 + 4 * capacity + 4 * i);
      if (offset < previous_end || size < 4 || size % 4 != 0 || offset + size > end) {
        return Failure("record ", record, " extent ", i, " (", offset, ", ", size,
                       ") out of order or out of range");
      }
      previous_end = offset + size;
      intervals.push_back({offset, size, "free extent"});
      layout.free[static_cast<std::int32_t>(offset)] = static_cast<std::uint32_t>(size);
    }
    record = U32(file, record + 8 + 8 * capacity);
  } while (record != 12);

  // Known intervals sorted; the gaps between them are used blocks, walked by their size words.
  std::sort(intervals.begin(), intervals.end(),
            [](const Interval& a, const Interval& b) { return a.start < b.start; });
  std::int64_t at = data_start;
  auto walk_used = [&](std::int64_t limit) -> ::testing::AssertionResult {
    while (at < limit) {
      if (!Has(file, at, 4)) {
        return Failure("used block at ", at, " beyond the file");
      }
      const std::int64_t size = U32(file, at);
      if (size < 4 || size % 4 != 0 || at + size > limit) {
        return Failure("size word ", size, " at ", at, " (next known space at ", limit, ")");
      }
      layout.used[static_cast<std::int32_t>(at)] = static_cast<std::uint32_t>(size);
      at += size;
    }
    return ::testing::AssertionSuccess();
  };
  for (const Interval& interval : intervals) {
    if (interval.start < at) {
      return Failure(interval.what, " at ", interval.start, " overlaps space up to ", at);
    }
    if (auto result = walk_used(interval.start); !result) {
      return result;
    }
    at = interval.start + interval.size;
  }
  if (auto result = walk_used(end); !result) {
    return result;
  }
  if (at != end) {
    return Failure("space tiles to ", at, ", end of space is ", end);
  }
  if (layout.start != -1 && layout.used.count(layout.start - 4) == 0) {
    return Failure("start offset ", layout.start, " is not a used block");
  }
  if (layout.start == -1 && !layout.used.empty()) {
    return Failure("blocks in use without a start offset");
  }
  if (layout_out != nullptr) {
    *layout_out = std::move(layout);
  }
  return ::testing::AssertionSuccess();
}

namespace {

struct TreeWalk {
  const Bytes& file;
  const SpaceLayout& layout;
  std::uint32_t key_length, order, min_fill;
  bool raw;
  KeyCompare compare;
  std::map<std::int32_t, std::uint32_t> nodes;
  std::vector<std::pair<std::string, std::int32_t>> pairs;
  std::vector<std::string> raw_keys;  // the k bytes of each pair, for the order check
  std::int64_t leaf_depth = -1;
  std::uint64_t node_size = 0;

  std::string Stored(const char* key) const {
    if (raw) {
      return std::string(key, key_length);
    }
    const void* nul = std::memchr(key, 0, key_length);
    return std::string(key, nul != nullptr ? static_cast<const char*>(nul) - key : key_length);
  }

  ::testing::AssertionResult Visit(std::int32_t offset, std::int64_t depth, bool root) {
    if (depth > 64) {
      return Failure("tree deeper than 64");
    }
    auto block = layout.used.find(offset - 4);
    if (block == layout.used.end() || block->second < node_size + 4) {
      return Failure("node ", offset, " is not a used block of node size");
    }
    if (!Has(file, offset, static_cast<std::int64_t>(node_size))) {
      return Failure("node ", offset, " beyond the file");
    }
    const std::uint32_t n = U32(file, offset);
    if (!nodes.emplace(offset, n).second) {
      return Failure("node ", offset, " reached twice");
    }
    if (n > 2 * order || (root ? n < 1 : n < min_fill)) {
      return Failure("node ", offset, " holds ", n, " keys (order ", order, ", fill ", min_fill,
                     root ? ", root)" : ")");
    }
    auto child = [&](std::uint32_t i) { return I32(file, offset + 4 + 4 * i); };
    const bool leaf = child(0) == -1;
    if (leaf) {
      if (leaf_depth == -1) {
        leaf_depth = depth;
      } else if (leaf_depth != depth) {
        return Failure("leaf ", offset, " at depth ", depth, ", others at ", leaf_depth);
      }
    }
    for (std::uint32_t i = 0; i <= n; ++i) {
      if (!leaf) {
        if (child(i) == -1) {
          return Failure("internal node ", offset, " lacks child ", i);
        }
        if (auto result = Visit(child(i), depth + 1, false); !result) {
          return result;
        }
      }
      if (i < n) {
        const char* key =
            reinterpret_cast<const char*>(file.data() + offset + 8 + 16 * order + key_length * i);
        if (!raw_keys.empty() && compare(raw_keys.back().data(), key, key_length) >= 0) {
          return Failure("key ", i, " of node ", offset, " not above the key before it");
        }
        raw_keys.emplace_back(key, key_length);
        pairs.emplace_back(Stored(key), I32(file, offset + 8 + 8 * order + 4 * i));
      }
    }
    return ::testing::AssertionSuccess();
  }
};

int TextKeys(const char* a, const char* b, std::size_t k) {
  return std::strncmp(a, b, k);
}
int RawKeys(const char* a, const char* b, std::size_t k) {
  return std::memcmp(a, b, k);
}

}  // namespace

::testing::AssertionResult CheckDiskBTree(const Bytes& file,
                                          const SpaceLayout& layout,
                                          std::int32_t header_offset,
                                          bool exclusive,
                                          std::int64_t expected_entries,
                                          TreeContents* contents,
                                          KeyCompare compare) {
  auto header_block = layout.used.find(header_offset - 4);
  if (header_block == layout.used.end() || header_block->second < 44 ||
      !Has(file, header_offset, 40)) {
    return Failure("tree header ", header_offset, " is not a used block of 40 bytes");
  }
  if (U32(file, header_offset + 8) != 512) {
    return Failure("tree header version ", U32(file, header_offset + 8));
  }
  const std::int32_t root = I32(file, header_offset);
  const std::uint32_t entries = U32(file, header_offset + 12);
  TreeWalk walk{file,
                layout,
                U32(file, header_offset + 16),
                U32(file, header_offset + 20),
                U32(file, header_offset + 24),
                (U32(file, header_offset + 36) & 1) != 0,
                compare};
  if (walk.key_length < 1 || walk.order < 1 || walk.min_fill < 1 || walk.min_fill > walk.order) {
    return Failure("tree geometry k=", walk.key_length, " m=", walk.order, " f=", walk.min_fill);
  }
  if (walk.compare == nullptr) {
    walk.compare = walk.raw ? RawKeys : TextKeys;
  }
  walk.node_size = 8 + 16ull * walk.order + 2ull * walk.order * walk.key_length;
  if (root != -1) {
    if (auto result = walk.Visit(root, 0, true); !result) {
      return result;
    }
  }
  const std::uint64_t want =
      expected_entries >= 0 ? static_cast<std::uint64_t>(expected_entries) : entries;
  if (walk.pairs.size() != want) {
    return Failure("tree holds ", walk.pairs.size(), " pairs, expected ", want, " (header says ",
                   entries, ")");
  }
  if (exclusive) {
    std::set<std::int32_t> blocks;
    blocks.insert(header_offset - 4);
    for (const auto& node : walk.nodes) {
      blocks.insert(node.first - 4);
    }
    for (const auto& [offset, size] : layout.used) {
      if (blocks.count(offset) == 0) {
        return Failure("used block at ", offset, " (", size, " bytes) belongs to no node");
      }
    }
  }
  if (contents != nullptr) {
    contents->pairs = std::move(walk.pairs);
    contents->header_entries = entries;
    contents->height = static_cast<std::uint32_t>(root == -1 ? 0 : walk.leaf_depth + 1);
    contents->nodes = std::move(walk.nodes);
  }
  return ::testing::AssertionSuccess();
}

}  // namespace vel::test
