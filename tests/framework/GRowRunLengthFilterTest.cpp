// The run-length end filter: the packets it writes, its worst-case row size, and its output
// decoded by the tests' PackBits decoder and by Ghostscript's RunLengthDecode filter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "framework/pipeline/GRasterRowFilter.h"
#include "tests/support/FwRasterRows.h"
#include "tests/support/Ghostscript.h"
#include "tests/support/PackBits.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using vel::test::ReadRows;
using vel::test::ScriptedRowSource;

struct Encoded {
  Bytes bytes;
  std::uint32_t row_bytes = 0;  // the filter's GetRowBytes
};

// `row` (8-bit pixels) through a run-length filter of `alignment`.
Encoded Encode(const Bytes& row, std::uint16_t alignment) {
  ScriptedRowSource source(GRect{0, 0, static_cast<std::int16_t>(row.size()), 1}, 8, {{row, 1}});
  GRowRunLengthFilter filter(alignment);
  filter.SetInner(&source);
  EXPECT_EQ(filter.Prepare(), 1);
  const auto rows = ReadRows(filter);
  EXPECT_EQ(rows.size(), 1u);
  return {rows.empty() ? Bytes{} : rows[0].bytes, filter.GetRowBytes()};
}

// The encoder as a machine with one state per input byte, for comparison.
Bytes ReferenceEncode(const Bytes& in) {
  enum class State { kStart, kHeld, kLiteral, kPair, kRepeat } state = State::kStart;
  Bytes out;
  std::size_t start = 0;
  std::size_t length = 0;
  const auto literal = [&](std::size_t from, std::size_t count) {
    out.push_back(static_cast<std::uint8_t>(count - 1));
    out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(from),
               in.begin() + static_cast<std::ptrdiff_t>(from + count));
  };
  const auto repeat = [&](std::uint8_t value, std::size_t count) {
    out.push_back(static_cast<std::uint8_t>(1 - static_cast<int>(count)));
    out.push_back(value);
  };
  for (std::size_t i = 0; i < in.size(); ++i) {
    const bool same = i > 0 && in[i] == in[i - 1];
    switch (state) {
      case State::kStart:
        start = i;
        length = 1;
        state = State::kHeld;
        break;
      case State::kHeld:
        length = 2;
        state = same ? State::kRepeat : State::kLiteral;
        break;
      case State::kLiteral:
        ++length;
        if (same) {
          state = State::kPair;
        } else if (length == 128) {
          literal(start, length);
          state = State::kStart;
        }
        break;
      case State::kPair:
        if (same) {
          literal(start, length - 2);
          start = i - 2;
          length = 3;
          state = State::kRepeat;
        } else if (length == 128) {
          literal(start, length);
          start = i;
          length = 1;
          state = State::kHeld;
        } else {
          ++length;
          state = State::kLiteral;
          if (length == 128) {
            literal(start, length);
            state = State::kStart;
          }
        }
        break;
      case State::kRepeat:
        if (same) {
          ++length;
          if (length == 128) {
            repeat(in[i], length);
            state = State::kStart;
          }
        } else {
          repeat(in[i - 1], length);
          start = i;
          length = 1;
          state = State::kHeld;
        }
        break;
    }
  }
  switch (state) {
    case State::kHeld:
    case State::kLiteral:
    case State::kPair:
      literal(start, length);
      break;
    case State::kRepeat:
      repeat(in.back(), length);
      break;
    case State::kStart:
      break;
  }
  return out;
}

// A row of `width` bytes made of runs, pairs, alternations and noise.
Bytes RandomRow(std::mt19937& random, std::size_t width) {
  Bytes row;
  while (row.size() < width) {
    const std::uint32_t kind = random() % 5;
    const std::size_t span = 1 + random() % (kind == 0 ? 300 : 40);
    const auto a = static_cast<std::uint8_t>(random() % 4 == 0 ? 0 : random());
    const auto b = static_cast<std::uint8_t>(random());
    for (std::size_t k = 0; k < span && row.size() < width; ++k) {
      switch (kind) {
        case 0:  // a run
          row.push_back(a);
          break;
        case 1:  // pairs
          row.push_back(static_cast<std::uint8_t>(a + k / 2));
          break;
        case 2:  // alternation
          row.push_back(k % 2 == 0 ? a : b);
          break;
        default:  // noise
          row.push_back(static_cast<std::uint8_t>(random()));
          break;
      }
    }
  }
  return row;
}

Bytes Padded(Bytes row, std::uint16_t alignment) {
  while (row.size() % alignment != 0) {
    row.push_back(0);
  }
  return row;
}

TEST(GRowRunLengthFilterTest, WritesThePacketsOfTheExamples) {
  EXPECT_EQ(Encode(Bytes{1, 1, 1, 2, 3, 4}, 4).bytes,
            (Bytes{0xFE, 0x01, 0x04, 0x02, 0x03, 0x04, 0x00, 0x00}));
  EXPECT_EQ(Encode(Bytes{7, 7, 8, 9}, 4).bytes, (Bytes{0xFF, 0x07, 0x01, 0x08, 0x09}));
  EXPECT_EQ(Encode(Bytes{1, 2, 2, 2}, 4).bytes, (Bytes{0x00, 0x01, 0xFE, 0x02}));
  EXPECT_EQ(Encode(Bytes{5}, 1).bytes, (Bytes{0x00, 0x05}));
  EXPECT_EQ(Encode(Bytes(300, 9), 1).bytes, (Bytes{0x81, 9, 0x81, 9, 0xD5, 9}));
  // An alignment of 0 pads nothing.
  EXPECT_EQ(Encode(Bytes{4, 4}, 0).bytes, (Bytes{0xFF, 4}));
}

TEST(GRowRunLengthFilterTest, RowBytesCoverTheWorstCase) {
  Bytes distinct(127);
  for (std::size_t i = 0; i < distinct.size(); ++i) {
    distinct[i] = static_cast<std::uint8_t>(i + 1);
  }
  const Encoded four = Encode(distinct, 4);
  EXPECT_EQ(four.row_bytes, 130u);
  EXPECT_LE(four.bytes.size(), 130u);
  // With two pad bytes the literal fills at 128 and the last zero needs a packet of its own:
  // 131 bytes, more than r + (r + 126) / 127 + 2.
  const Encoded three = Encode(distinct, 3);
  EXPECT_EQ(three.bytes.size(), 131u);
  EXPECT_GE(three.row_bytes, 131u);
  // Large alignments: many pad bytes.
  const Encoded wide = Encode(distinct, 4096);
  EXPECT_LE(wide.bytes.size(), wide.row_bytes);
}

TEST(GRowRunLengthFilterTest, RandomRowsDecodeToThePaddedRow) {
  std::mt19937 random(29);
  for (int i = 0; i < 10000; ++i) {
    const std::size_t width = 1 + random() % 600;
    const std::uint16_t alignment = std::uint16_t{1} << (random() % 4);
    const Bytes row = RandomRow(random, width);
    const Encoded encoded = Encode(row, alignment);
    const Bytes padded = Padded(row, alignment);
    ASSERT_LE(encoded.bytes.size(), encoded.row_bytes) << "row " << i;
    const auto decoded = vel::test::UnpackBits(encoded.bytes, padded.size());
    ASSERT_TRUE(decoded.has_value()) << "row " << i;
    ASSERT_EQ(*decoded, padded) << "row " << i;
    ASSERT_EQ(encoded.bytes, ReferenceEncode(padded)) << "row " << i;
  }
  // Literals and repeats that meet the 128-byte limit with a pair pending.
  for (std::size_t before = 120; before <= 132; ++before) {
    for (std::size_t run = 1; run <= 4; ++run) {
      Bytes row;
      for (std::size_t k = 0; k < before; ++k) {
        row.push_back(static_cast<std::uint8_t>(k % 2 == 0 ? 1 : 2));
      }
      row.insert(row.end(), run, 7);
      row.push_back(8);
      const Bytes encoded = Encode(row, 1).bytes;
      EXPECT_EQ(encoded, ReferenceEncode(row)) << before << " then " << run;
      EXPECT_EQ(vel::test::UnpackBits(encoded, row.size()), row);
    }
  }
}

// A row shorter than the image (the row below filled only part of it) is encoded as if zeros
// followed it: nothing of the longer row before it shows through, whatever the short length.
TEST(GRowRunLengthFilterTest, ShortRowsAfterAFullRowEndInZeros) {
  const struct {
    std::int16_t width;
    std::uint16_t alignment;
  } cases[] = {{10, 4}, {10, 1}, {13, 8}, {70, 64}};
  for (const auto& c : cases) {
    const Bytes full(static_cast<std::size_t>(c.width), 0xAA);
    for (std::size_t length = 1; length < full.size(); ++length) {
      const Bytes part(length, 0x11);
      ScriptedRowSource source(GRect{0, 0, c.width, 2}, 8, {{full, 1}, {part, 1}});
      GRowRunLengthFilter filter(c.alignment);
      filter.SetInner(&source);
      ASSERT_EQ(filter.Prepare(), 1);
      const auto rows = ReadRows(filter);
      ASSERT_EQ(rows.size(), 2u);
      Bytes expected = part;
      expected.resize(full.size(), 0);
      expected = Padded(expected, c.alignment == 0 ? 1 : c.alignment);
      EXPECT_EQ(vel::test::UnpackBits(rows[1].bytes, expected.size()), expected)
          << "width " << c.width << " alignment " << c.alignment << " length " << length;
    }
  }
}

// Rows made to meet the encoder's strides (16, 32 and 64 bytes, windows of 56 and 57) and the
// 128-byte packet limit: backgrounds of distinct, alternating, equal and random bytes and of runs
// of 2 and of 7 (repeats that follow one another across many windows), each with one run of 2 to
// 130 bytes at every position.
TEST(GRowRunLengthFilterTest, StructuredRowsEncodeAsTheReference) {
  std::mt19937 random(129);
  const std::size_t lengths[] = {1,  2,  3,  15, 16, 17,  31,  32,  33,  55,  56,  57,  58,
                                 63, 64, 65, 127, 128, 129, 130, 200, 255, 256, 257, 300};
  const std::size_t runs[] = {2, 3, 4, 56, 57, 58, 127, 128, 129, 130};
  for (int background = 0; background < 6; ++background) {
    for (const std::size_t length : lengths) {
      Bytes row(length);
      for (std::size_t k = 0; k < length; ++k) {
        row[k] = background == 0   ? static_cast<std::uint8_t>(k % 251)
                 : background == 1 ? static_cast<std::uint8_t>(k % 2 == 0 ? 0x00 : 0xFF)
                 : background == 2 ? std::uint8_t{0}
                 : background == 3 ? static_cast<std::uint8_t>(random() % 3)
                 : background == 4 ? static_cast<std::uint8_t>(k / 2)
                                   : static_cast<std::uint8_t>(k / 7);
      }
      ASSERT_EQ(Encode(row, 1).bytes, ReferenceEncode(row)) << background << " " << length;
      for (std::size_t at = 0; at < length; ++at) {
        for (const std::size_t run : runs) {
          Bytes with = row;
          for (std::size_t k = at; k < std::min(length, at + run); ++k) {
            with[k] = 0xA5;
          }
          ASSERT_EQ(Encode(with, 1).bytes, ReferenceEncode(with))
              << background << " " << length << " run " << run << " at " << at;
        }
      }
    }
  }
}

TEST(GRowRunLengthFilterTest, GhostscriptDecodesTheRows) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  std::mt19937 random(1029);
  std::ostringstream job;
  job << "/out (%stdout) (w) file def\n"
         "/digits (0123456789abcdef) def\n"
         "/hex { dup -4 bitshift digits exch get out exch write 15 and digits exch get out exch "
         "write } def\n"
         "/dec { string exch /RunLengthDecode filter exch readstring pop { hex } forall out (\\n) "
         "writestring } def\n";
  std::vector<Bytes> expected;
  const char* digits = "0123456789abcdef";
  for (int i = 0; i < 1000; ++i) {
    const std::uint16_t alignment = std::uint16_t{1} << (random() % 4);
    const Bytes row = RandomRow(random, 1 + random() % 300);
    Bytes encoded = Encode(row, alignment).bytes;
    encoded.push_back(0x80);  // end of data
    job << '<';
    for (std::uint8_t byte : encoded) {
      job << digits[byte >> 4] << digits[byte & 15];
    }
    expected.push_back(Padded(row, alignment));
    job << "> " << expected.back().size() << " dec\n";
  }
  const vel::test::GsRun run = vel::test::RunGhostscript(job.str());
  ASSERT_TRUE(run.Succeeded()) << run.output.substr(0, 2000);
  std::istringstream lines(run.output);
  std::string line;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_TRUE(std::getline(lines, line)) << "row " << i;
    std::string want;
    for (std::uint8_t byte : expected[i]) {
      want += digits[byte >> 4];
      want += digits[byte & 15];
    }
    ASSERT_EQ(line, want) << "row " << i;
  }
}

}  // namespace
