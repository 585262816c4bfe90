// One table of values of every type through every stream format (and the byte-order tagged format
// in both orders and in foreign widths), read whole or in small pieces; truncated and corrupted
// data end failed without looping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "rw/RWBinaryStream.h"
#include "rw/RWByteOrderStream.h"
#include "rw/RWPortableStream.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "tests/support/StreamBuffers.h"

namespace {

using vel::test::Bytes;

// Table items: single values in character form for char and unsigned char, the numeric byte
// forms, counted strings, and arrays.
struct NumericChar {
  char value;
};
struct NumericByte {
  unsigned char value;
};
struct String {
  std::string text;
};

using Item = std::variant<char,
                          unsigned char,
                          short,
                          unsigned short,
                          int,
                          unsigned int,
                          long,
                          unsigned long,
                          float,
                          double,
                          NumericChar,
                          NumericByte,
                          String,
                          std::vector<char>,
                          std::vector<unsigned char>,
                          std::vector<short>,
                          std::vector<unsigned short>,
                          std::vector<int>,
                          std::vector<unsigned int>,
                          std::vector<long>,
                          std::vector<unsigned long>,
                          std::vector<float>,
                          std::vector<double>>;
using Items = std::vector<Item>;

template <typename T>
std::vector<T> Reals() {
  using L = std::numeric_limits<T>;
  return {T(0),          -T(0),          T(1.5),         T(0.1),          T(1) / T(3),
          L::max(),      L::lowest(),    L::min(),       L::denorm_min(), L::epsilon(),
          L::infinity(), -L::infinity(), L::quiet_NaN(), -L::quiet_NaN()};
}

Items FullTable() {
  Items items;
  for (int b = 0; b < 256; ++b) {
    items.emplace_back(static_cast<char>(b));
    items.emplace_back(static_cast<unsigned char>(b));
    items.emplace_back(NumericChar{static_cast<char>(b)});
    items.emplace_back(NumericByte{static_cast<unsigned char>(b)});
  }
  for (short v : {short{0}, short{1}, short{-1}, std::numeric_limits<short>::min(),
                  std::numeric_limits<short>::max()}) {
    items.emplace_back(v);
  }
  for (unsigned short v : {0, 1, 0x8000, 0xFFFF}) {
    items.emplace_back(static_cast<unsigned short>(v));
  }
  for (int v : {0, -1, 900, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
    items.emplace_back(v);
  }
  for (unsigned int v : {0u, 0x80000000u, 0xFFFFFFFFu}) {
    items.emplace_back(v);
  }
  // Longs carry 32 bits.
  for (long v : {0L, -5L, 0x01020304L, static_cast<long>(std::numeric_limits<std::int32_t>::min()),
                 static_cast<long>(std::numeric_limits<std::int32_t>::max())}) {
    items.emplace_back(v);
  }
  for (unsigned long v : {0UL, 0x8888UL, 0xFFFFFFFFUL}) {
    items.emplace_back(v);
  }
  for (float v : Reals<float>()) {
    items.emplace_back(v);
  }
  for (double v : Reals<double>()) {
    items.emplace_back(v);
  }
  std::string every_byte;
  for (int b = 0; b < 256; ++b) {
    every_byte += static_cast<char>(b);
  }
  std::string long_text;
  for (int k = 0; k < 5000; ++k) {
    long_text += static_cast<char>("ab\"{}\\ \n\x01\xFFxyz"[k % 13]);
  }
  for (const std::string& text : {std::string(), std::string("a"), std::string("ab"), every_byte,
                                  std::string(80, 'q'), std::string(81, 'q'), long_text}) {
    items.emplace_back(String{text});
  }
  std::vector<char> chars(every_byte.begin(), every_byte.end());
  std::vector<unsigned char> bytes(every_byte.begin(), every_byte.end());
  items.emplace_back(chars);
  items.emplace_back(bytes);
  items.emplace_back(std::vector<short>{-32768, 32767, 0, -1});
  items.emplace_back(std::vector<unsigned short>{0, 0xFFFF, 0x1234});
  std::vector<int> ints(3000);  // crosses the conversion chunks
  for (std::size_t k = 0; k < ints.size(); ++k) {
    ints[k] = static_cast<int>(k * 2654435761u);
  }
  items.emplace_back(ints);
  items.emplace_back(std::vector<unsigned int>{0, 0xFFFFFFFFu});
  items.emplace_back(std::vector<long>{-1L, 0x7FFFFFFFL, -0x7FFFFFFFL - 1});
  items.emplace_back(std::vector<unsigned long>{0UL, 0xFFFFFFFFUL});
  items.emplace_back(Reals<float>());
  items.emplace_back(Reals<double>());
  items.emplace_back(std::vector<double>());  // zero-length arrays
  items.emplace_back(std::vector<char>());
  items.emplace_back(String{"after the empty arrays"});
  return items;
}

// One item of each kind, for the tests that read every cut or corrupted form of the data.
Items CompactTable() {
  return {'x',
          static_cast<unsigned char>(0xFE),
          short{-5},
          static_cast<unsigned short>(7),
          -2,
          3u,
          -4L,
          0x8888UL,
          1.5f,
          -2.5,
          NumericChar{'A'},
          NumericByte{0xFF},
          String{"a\"b{"},
          std::vector<short>{1, -1},
          std::vector<char>{'p', 'q'},
          std::vector<double>{0.25, -8.0},
          String{""},
          123456};
}

// ---------------------------------------------------------------------------------------------
// Writing and checking an item

struct ItemWriter {
  RWVirtualOutStream& out;
  template <typename T>
  void operator()(const T& value) {
    out.Put(value);
  }
  void operator()(const NumericChar& v) { out.PutByte(v.value); }
  void operator()(const NumericByte& v) { out.PutByte(v.value); }
  void operator()(const String& v) { out.PutString(v.text.data(), v.text.size()); }
  template <typename T>
  void operator()(const std::vector<T>& values) {
    out.Put(values.data(), values.size());
  }
};

template <typename T>
::testing::AssertionResult Same(T expected, T got, bool exact_reals) {
  if constexpr (std::is_floating_point_v<T>) {
    const bool same = exact_reals ? std::memcmp(&expected, &got, sizeof(T)) == 0
                                  : (std::isnan(expected) ? std::isnan(got) : expected == got) &&
                                        std::signbit(expected) == std::signbit(got);
    if (same) {
      return ::testing::AssertionSuccess();
    }
  } else if (expected == got) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "expected " << +expected << ", got " << +got;
}

// Reads one item back and compares it with what was written.
struct ItemChecker {
  RWVirtualInStream& in;
  bool exact_reals;

  template <typename T>
  ::testing::AssertionResult operator()(const T& expected) {
    T got{};
    in.Get(got);
    return Same(expected, got, exact_reals);
  }
  ::testing::AssertionResult operator()(const NumericChar& expected) {
    char got = 0;
    in.GetByte(got);
    return Same(expected.value, got, exact_reals);
  }
  ::testing::AssertionResult operator()(const NumericByte& expected) {
    unsigned char got = 0;
    in.GetByte(got);
    return Same(expected.value, got, exact_reals);
  }
  ::testing::AssertionResult operator()(const String& expected) {
    std::string buffer(expected.text.size() + 1, 'X');
    in.GetString(buffer.data(), buffer.size());
    if (buffer.back() != '\0' || buffer.compare(0, expected.text.size(), expected.text) != 0) {
      return ::testing::AssertionFailure()
             << "string of " << expected.text.size() << " bytes differs";
    }
    return ::testing::AssertionSuccess();
  }
  template <typename T>
  ::testing::AssertionResult operator()(const std::vector<T>& expected) {
    std::vector<T> got(expected.size());
    in.Get(got.data(), got.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
      if (auto same = Same(expected[k], got[k], exact_reals); !same) {
        return same << " at element " << k;
      }
    }
    return ::testing::AssertionSuccess();
  }
};

// ---------------------------------------------------------------------------------------------
// A byte-order tagged writer with foreign widths: big-endian, short 4, int 8, long 8, wide
// character 2, string length 8. It stands for a writer on another host.

Bytes EncodeWide(const Items& items) {
  Bytes out = {0x65, 0x73, 0x01, 0x01, 4, 8, 8, 2, 8};
  auto put = [&out](std::uint64_t bits, int width) {
    for (int k = width - 1; k >= 0; --k) {
      out.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
    }
  };
  auto put_value = [&](auto value) {
    using T = decltype(value);
    if constexpr (std::is_same_v<T, char> || std::is_same_v<T, unsigned char>) {
      put(static_cast<unsigned char>(value), 1);
    } else if constexpr (std::is_same_v<T, float>) {
      put(std::bit_cast<std::uint32_t>(value), 4);
    } else if constexpr (std::is_same_v<T, double>) {
      put(std::bit_cast<std::uint64_t>(value), 8);
    } else {
      // Sign- or zero-extended to the declared width.
      const auto wide =
          static_cast<std::conditional_t<std::is_signed_v<T>, std::int64_t, std::uint64_t>>(value);
      put(static_cast<std::uint64_t>(wide),
          std::is_same_v<T, short> || std::is_same_v<T, unsigned short> ? 4 : 8);
    }
  };
  for (const Item& item : items) {
    std::visit(
        [&](const auto& v) {
          using V = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<V, NumericChar> || std::is_same_v<V, NumericByte>) {
            put_value(v.value);
          } else if constexpr (std::is_same_v<V, String>) {
            put(v.text.size(), 8);
            out.insert(out.end(), v.text.begin(), v.text.end());
          } else if constexpr (requires { v.data(); }) {
            for (const auto& element : v) {
              put_value(element);
            }
          } else {
            put_value(v);
          }
        },
        item);
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// The formats

struct Format {
  const char* name;
  std::function<Bytes(const Items&)> encode;
  std::function<std::unique_ptr<RWVirtualInStream>(std::streambuf*)> reader;
  bool exact_reals;
};

void PrintTo(const Format& format, std::ostream* out) {
  *out << format.name;
}

template <typename Writer, typename... Args>
std::function<Bytes(const Items&)> Through(Args... args) {
  return [=](const Items& items) {
    std::ostringstream text;
    Writer out(text, args...);
    for (const Item& item : items) {
      std::visit(ItemWriter{out}, item);
    }
    EXPECT_TRUE(out.Good());
    return vel::test::AsBytes(text.str());
  };
}

template <typename Reader>
std::unique_ptr<RWVirtualInStream> Read(std::streambuf* buffer) {
  return std::make_unique<Reader>(buffer);
}

const Format kFormats[] = {
    {"Binary", Through<RWBinaryOutStream>(), Read<RWBinaryInStream>, true},
    {"Portable", Through<RWPortableOutStream>(), Read<RWPortableInStream>, false},
    {"ByteOrderLittle", Through<RWByteOrderOutStream>(0), Read<RWByteOrderInStream>, true},
    {"ByteOrderBig", Through<RWByteOrderOutStream>(1), Read<RWByteOrderInStream>, true},
    {"ByteOrderHost", Through<RWByteOrderOutStream>(2), Read<RWByteOrderInStream>, true},
    {"ByteOrderWide", EncodeWide, Read<RWByteOrderInStream>, true},
};

// Each format, read from a buffer that holds everything (piece 0) or hands out 3 bytes at a time.
class RWVirtualStreamFormatsTest
    : public ::testing::TestWithParam<std::tuple<Format, std::size_t>> {
 protected:
  const Format& format() const { return std::get<0>(GetParam()); }

  std::unique_ptr<std::streambuf> Buffer(const Bytes& bytes) const {
    if (const std::size_t piece = std::get<1>(GetParam()); piece > 0) {
      return std::make_unique<vel::test::PieceInBuffer>(bytes, piece);
    }
    return std::make_unique<std::stringbuf>(std::string(bytes.begin(), bytes.end()),
                                            std::ios_base::in);
  }

  // Reads the items back: how many came back equal. Reports the first few that differ.
  std::size_t ReadBack(RWVirtualInStream& in, const Items& items, bool report) const {
    constexpr std::size_t kReported = 5;
    std::size_t equal = 0;
    for (std::size_t k = 0; k < items.size(); ++k) {
      const ::testing::AssertionResult same =
          std::visit(ItemChecker{in, format().exact_reals}, items[k]);
      if (same) {
        ++equal;
      } else if (report && k - equal < kReported) {
        ADD_FAILURE() << "item " << k << ": " << same.message();
      }
    }
    return equal;
  }
};

TEST_P(RWVirtualStreamFormatsTest, EveryValueRoundTrips) {
  const Items items = FullTable();
  const Bytes bytes = format().encode(items);
  auto buffer = Buffer(bytes);
  std::unique_ptr<RWVirtualInStream> in = format().reader(buffer.get());
  EXPECT_EQ(in->Version(), 1);
  EXPECT_EQ(ReadBack(*in, items, true), items.size());
  EXPECT_TRUE(in->Good()) << "status " << in->Status();
  // Past the end: eof and fail.
  int more = 0;
  in->Get(more);
  EXPECT_TRUE(in->Eof());
  EXPECT_TRUE(in->Fail());
}

// Every cut of the data ends with a stream that is not good, and nothing reads past the data.
TEST_P(RWVirtualStreamFormatsTest, EveryTruncationEndsFailed) {
  vel::test::RecordingErrorHook hook;  // a cut header raises [STREAM]
  const Items items = CompactTable();
  const Bytes bytes = format().encode(items);
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    SCOPED_TRACE(length);
    auto buffer = Buffer(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(length)));
    std::unique_ptr<RWVirtualInStream> in = format().reader(buffer.get());
    ReadBack(*in, items, false);
    EXPECT_FALSE(in->Good());
  }
}

// Corrupted bytes never crash or hang a reader; lengths that claim more than the data stop at its
// end.
TEST_P(RWVirtualStreamFormatsTest, CorruptedBytesEndSafely) {
  vel::test::RecordingErrorHook hook;
  const Items items = CompactTable();
  const Bytes bytes = format().encode(items);
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
      Bytes corrupt = bytes;
      corrupt[at] ^= flip;
      auto buffer = Buffer(corrupt);
      std::unique_ptr<RWVirtualInStream> in = format().reader(buffer.get());
      ReadBack(*in, items, false);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats,
    RWVirtualStreamFormatsTest,
    ::testing::Combine(::testing::ValuesIn(kFormats), ::testing::Values(0, 3)),
    [](const ::testing::TestParamInfo<RWVirtualStreamFormatsTest::ParamType>& info) {
      const std::size_t piece = std::get<1>(info.param);
      return std::string(std::get<0>(info.param).name) +
             (piece > 0 ? "InPiecesOf" + std::to_string(piece) : "");
    });

}  // namespace
