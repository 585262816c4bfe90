// Decoder of PCL XL byte streams for tests, written from the format's encoding table.
#include "tests/support/PclXlDecoder.h"

#include <bit>
#include <cstdio>

namespace vel::test {

namespace {

// Data type tags: the high nibble gives the shape (C: single value or array, D: pair, E: box),
// bit 3 of a C tag marks an array, and the low three bits give the element type.
//
//   type  0      1       2       3       4       5
//   name  ubyte  uint16  uint32  sint16  sint32  real32
//   size  1      2       4       2       4       4
constexpr const char* kElementNames[6] = {"ubyte",  "uint16", "uint32",
                                          "sint16", "sint32", "real32"};
constexpr int kElementSizes[6] = {1, 2, 4, 2, 4, 4};

constexpr std::uint8_t kAttributeUByte = 0xF8;
constexpr std::uint8_t kDataLong = 0xFA;
constexpr std::uint8_t kDataShort = 0xFB;
constexpr std::uint8_t kVendorUnique = 0x46;
constexpr std::uint8_t kVendorDataLength = 0x92;

bool IsValueTag(std::uint8_t tag) {
  const int type = tag & 0x07;
  const int high = tag & 0xF0;
  return type <= 5 && (high == 0xC0 || high == 0xD0 || high == 0xE0) &&
         (high == 0xC0 || (tag & 0x08) == 0);
}

bool IsOperator(std::uint8_t byte) {
  return byte >= 0x41 && byte <= 0xBF;
}

class Reader {
 public:
  explicit Reader(const Bytes& bytes) : bytes_(bytes) {}

  bool AtEnd() const { return pos_ >= bytes_.size(); }
  std::size_t Pos() const { return pos_; }
  bool Has(std::size_t n) const { return bytes_.size() - pos_ >= n; }

  std::uint8_t Byte() { return bytes_[pos_++]; }

  std::uint32_t Unsigned(int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
      value |= std::uint32_t{bytes_[pos_++]} << (8 * i);
    }
    return value;
  }

  double Element(int type) {
    const std::uint32_t raw = Unsigned(kElementSizes[type]);
    switch (type) {
      case 3:
        return static_cast<std::int16_t>(raw);
      case 4:
        return static_cast<std::int32_t>(raw);
      case 5:
        return std::bit_cast<float>(raw);
      default:
        return raw;
    }
  }

  Bytes Take(std::size_t n) {
    Bytes out(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
              bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
    pos_ += n;
    return out;
  }

 private:
  const Bytes& bytes_;
  std::size_t pos_ = 0;
};

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

void Fail(XlDecoded* out, const std::string& what, std::size_t offset) {
  out->error = what + " at offset " + std::to_string(offset);
  out->error_offset = offset;
}

// The data length of the attribute list that ends at the operator just read, when it holds a
// vendor data length: the uint32 value item right before "@92".
bool VendorDataLength(const std::vector<XlItem>& items, std::uint32_t* length) {
  for (std::size_t i = items.size(); i-- > 0;) {
    const XlItem& item = items[i];
    if (item.kind == XlItemKind::kOperator || item.kind == XlItemKind::kData) {
      break;
    }
    // Only an unsigned integer value gives a length (a real could hold anything).
    if (item.kind == XlItemKind::kAttribute && item.code == kVendorDataLength && i > 0 &&
        items[i - 1].kind == XlItemKind::kValue && items[i - 1].code >= 0xC0 &&
        items[i - 1].code <= 0xC2) {
      *length = static_cast<std::uint32_t>(items[i - 1].values[0]);
      return true;
    }
  }
  return false;
}

}  // namespace

XlDecoded DecodePclXl(const Bytes& bytes) {
  XlDecoded out;
  Reader in(bytes);
  if (!bytes.empty() && (bytes[0] == '\'' || bytes[0] == '(' || bytes[0] == ')')) {
    while (!in.AtEnd()) {
      const std::uint8_t byte = in.Byte();
      if (byte == '\n') {
        break;
      }
      out.header.push_back(static_cast<char>(byte));
    }
    if (bytes[in.Pos() - 1] != '\n') {
      Fail(&out, "header without line feed", in.Pos());
      return out;
    }
  }
  while (!in.AtEnd()) {
    const std::size_t start = in.Pos();
    const std::uint8_t tag = in.Byte();
    XlItem item;
    item.code = tag;
    item.offset = start;
    if (IsValueTag(tag)) {
      item.kind = XlItemKind::kValue;
      const int type = tag & 0x07;
      std::uint32_t count = 0;
      if ((tag & 0xF0) == 0xD0) {
        count = 2;
      } else if ((tag & 0xF0) == 0xE0) {
        count = 4;
      } else if ((tag & 0x08) == 0) {
        count = 1;
      } else {
        // Array: the element count is a ubyte or uint16 value of its own.
        if (!in.Has(1)) {
          Fail(&out, "array without count", start);
          return out;
        }
        const std::uint8_t count_tag = in.Byte();
        const int count_size = count_tag == 0xC0 ? 1 : count_tag == 0xC1 ? 2 : 0;
        if (count_size == 0 || !in.Has(static_cast<std::size_t>(count_size))) {
          Fail(&out, "bad array count", start);
          return out;
        }
        count = in.Unsigned(count_size);
      }
      if (!in.Has(std::size_t{count} * static_cast<std::size_t>(kElementSizes[type]))) {
        Fail(&out, "truncated value", start);
        return out;
      }
      for (std::uint32_t i = 0; i < count; ++i) {
        item.values.push_back(in.Element(type));
      }
    } else if (tag == kAttributeUByte) {
      if (!in.Has(1)) {
        Fail(&out, "truncated attribute id", start);
        return out;
      }
      item.kind = XlItemKind::kAttribute;
      item.code = in.Byte();
    } else if (tag == kDataLong || tag == kDataShort) {
      const int size = tag == kDataLong ? 4 : 1;
      if (!in.Has(static_cast<std::size_t>(size))) {
        Fail(&out, "truncated data length", start);
        return out;
      }
      const std::uint32_t length = in.Unsigned(size);
      if (!in.Has(length)) {
        Fail(&out, "truncated embedded data", start);
        return out;
      }
      item.kind = XlItemKind::kData;
      item.data = in.Take(length);
    } else if (IsOperator(tag)) {
      item.kind = XlItemKind::kOperator;
      std::uint32_t length = 0;
      const bool vendor_data = tag == kVendorUnique && VendorDataLength(out.items, &length);
      out.items.push_back(item);
      if (vendor_data) {
        if (!in.Has(length)) {
          Fail(&out, "truncated vendor data", start);
          return out;
        }
        XlItem data;
        data.kind = XlItemKind::kData;
        data.offset = in.Pos();
        data.data = in.Take(length);
        out.items.push_back(std::move(data));
      }
      continue;
    } else {
      Fail(&out, "unexpected byte " + Hex2(tag), start);
      return out;
    }
    out.items.push_back(std::move(item));
  }
  return out;
}

std::string XlTypeName(std::uint8_t tag) {
  if (!IsValueTag(tag)) {
    return "tag" + Hex2(tag);
  }
  std::string name = kElementNames[tag & 0x07];
  if ((tag & 0xF0) == 0xD0) {
    return name + "_xy";
  }
  if ((tag & 0xF0) == 0xE0) {
    return name + "_box";
  }
  return (tag & 0x08) != 0 ? name + "_array" : name;
}

std::string XlSignature(const std::vector<XlItem>& items) {
  std::string out;
  for (const XlItem& item : items) {
    if (!out.empty()) {
      out += ' ';
    }
    switch (item.kind) {
      case XlItemKind::kValue:
        out += XlTypeName(item.code);
        break;
      case XlItemKind::kAttribute:
        out += "@" + Hex2(item.code);
        break;
      case XlItemKind::kOperator:
        out += "op" + Hex2(item.code);
        break;
      case XlItemKind::kData:
        out += "data[" + std::to_string(item.data.size()) + "]";
        break;
    }
  }
  return out;
}

std::vector<double> XlValues(const std::vector<XlItem>& items) {
  std::vector<double> out;
  for (const XlItem& item : items) {
    if (item.kind == XlItemKind::kValue) {
      out.insert(out.end(), item.values.begin(), item.values.end());
    }
  }
  return out;
}

}  // namespace vel::test
