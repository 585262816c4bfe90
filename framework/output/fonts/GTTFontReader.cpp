// GTTFontReader: tables, glyphs, character map, metrics, locking and the stored form.
#include "framework/output/fonts/GTTFontReader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/DriverError.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GCharTranslator.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GSemaphore.h"
#include "framework/core/StoredBytes.h"
#include "framework/core/StoredFields.h"
#include "framework/output/fonts/GGlyphCache.h"
#include "framework/output/fonts/GMemoryBlock.h"
#include "framework/output/fonts/GTTFontPool.h"
#include "framework/output/fonts/GTTTableCache.h"
#include "framework/output/fonts/TrueTypeData.h"
#include "framework/pipeline/HeldRecord.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace tt = vel::truetype;

namespace vel::truetype {

std::uint32_t TableTag(std::uint32_t index) {
  static constexpr std::uint32_t kTags[kTableCount] = {
      Tag("cmap"), Tag("head"), Tag("glyf"), Tag("loca"), Tag("maxp"), Tag("mort"),
      Tag("name"), Tag("OS/2"), Tag("post"), Tag("cvt "), Tag("edt0"), Tag("edt1"),
      Tag("cryp"), Tag("fpgm"), Tag("gdir"), Tag("hdmx"), Tag("hhea"), Tag("hmtx"),
      Tag("vhea"), Tag("vmtx"), Tag("kern"), Tag("LTSH"), Tag("GSUB"), Tag("prep")};
  return index < kTableCount ? kTags[index] : 0;
}

}  // namespace vel::truetype

namespace {

constexpr const char* kUnit = "ttftfile";

// The tables whose presence makes a usable font, in the order they are tested.
constexpr std::uint32_t kRequiredTables[] = {tt::kCmap, tt::kGlyf, tt::kHead, tt::kHhea,
                                             tt::kHmtx, tt::kLoca, tt::kMaxp, tt::kName,
                                             tt::kPost, tt::kOS2};
// The tables that Preload reads, in order.
constexpr std::uint32_t kPreloadTables[] = {tt::kCmap, tt::kMaxp, tt::kMort, tt::kName,
                                            tt::kOS2,  tt::kCvt,  tt::kHead, tt::kFpgm,
                                            tt::kHhea, tt::kHmtx, tt::kVhea, tt::kVmtx,
                                            tt::kGSUB, tt::kPrep};

// Fixed offsets of the header fields that the reader decodes.
constexpr std::uint32_t kIndexToLocFormat = 50;  // 'head'
constexpr std::uint32_t kNumGlyphs = 4;          // 'maxp'
constexpr std::uint32_t kTypoDescender = 70;     // 'OS/2'
constexpr std::uint32_t kFirstCharIndex = 64;    // 'OS/2'
constexpr std::uint32_t kLastCharIndex = 66;     // 'OS/2'
constexpr std::uint32_t kLongMetricsCount = 34;  // 'hhea' and 'vhea'

// Composite glyph flags.
constexpr std::uint16_t kArgsAreWords = 0x0001;
constexpr std::uint16_t kHaveScale = 0x0008;
constexpr std::uint16_t kMoreComponents = 0x0020;
constexpr std::uint16_t kHaveXYScale = 0x0040;
constexpr std::uint16_t kHaveTwoByTwo = 0x0080;

// Character sets.
constexpr std::uint32_t kGlyphIndexSet = 1;
constexpr std::uint32_t kSymbolSet = 3;
constexpr std::uint32_t kUnicodeSet = 16;
constexpr std::uint32_t kShiftJisSet = 17;
constexpr std::uint16_t kPreloadCode = 165;

// The character set through whose code page a (3, encoding) subtable is reached from Unicode;
// 0 for an encoding without one. PRC (3) is code page 936, the sets 18 and 19; Big5 (4) is code
// page 950, set 23.
std::uint32_t CharSetOfEncoding(std::uint16_t encoding) {
  switch (encoding) {
    case 2:
      return 17;
    case 3:
      return 18;
    case 4:
      return 23;
    case 5:
      return 21;
    case 6:
      return 22;
    default:
      return 0;
  }
}

template <typename T>
bool AddOnce(std::vector<T>& list, T value) {
  if (std::find(list.begin(), list.end(), value) != list.end()) {
    return false;
  }
  list.push_back(value);
  return true;
}

template <typename T>
bool RemoveValue(std::vector<T>& list, T value) {
  auto at = std::find(list.begin(), list.end(), value);
  if (at == list.end()) {
    return false;
  }
  list.erase(at);
  return true;
}

}  // namespace

// The bytes of one table for a lookup, from the cache when it holds them, else read for it.
class GTTFontReader::TableBytes {
 public:
  TableBytes(GTTFontReader& reader, GTTFontHandle font, std::uint32_t index) {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    if (reader.table_cache_ != nullptr && reader.table_cache_->View(index, data, size)) {
      view_ = tt::ByteView(data, size);
      return;
    }
    (void)reader.GetTable(font, index, true, owned_);
    if (owned_ != nullptr) {
      view_ = tt::ByteView(owned_->GetData(), owned_->GetSize());
    }
  }
  TableBytes(const TableBytes&) = delete;
  TableBytes& operator=(const TableBytes&) = delete;
  ~TableBytes() { delete owned_; }

  bool Present() const { return view_.Size() != 0; }
  const tt::ByteView& View() const { return view_; }

 private:
  GMemoryBlock* owned_ = nullptr;
  tt::ByteView view_;
};

GTTFontReader::GTTFontReader()
    : GTTFontReader(GTTFontPool::Instance() != nullptr ? GTTFontPool::Instance()->NextFontId()
                                                       : 0) {}

GTTFontReader::GTTFontReader(std::uint32_t font_id) : font_id_(font_id) {
  if (GOSServices* services = GetOSServices()) {
    lock_ = services->CreateSemaphore();
  }
}

GTTFontReader::~GTTFontReader() {
  delete table_cache_;
  delete glyph_cache_;
  delete lock_;
}

RWClassID GTTFontReader::ClassId() {
  return vel::classid::kGTTFontReader;
}

RWClassID GTTFontReader::IsA() const {
  return ClassId();
}

bool GTTFontReader::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

void GTTFontReader::Lock() {
  vel::AcquireOrReport(lock_, kUnit, __LINE__);
  locked_ = 1;
}

void GTTFontReader::Unlock() {
  locked_ = 0;
  vel::ReleaseOrReport(lock_, kUnit, __LINE__);
}

bool GTTFontReader::AddSaveRequest(std::uint32_t owner) {
  return AddOnce(save_requests_, owner);
}

bool GTTFontReader::RemoveSaveRequest(std::uint32_t owner) {
  return RemoveValue(save_requests_, owner);
}

bool GTTFontReader::HasSaveRequest(std::uint32_t owner) const {
  return std::find(save_requests_.begin(), save_requests_.end(), owner) != save_requests_.end();
}

bool GTTFontReader::AddUser(std::uint32_t owner) {
  return AddOnce(users_, owner);
}

bool GTTFontReader::RemoveUser(std::uint32_t owner) {
  return RemoveValue(users_, owner);
}

// --- Caches ----------------------------------------------------------------------------------

void GTTFontReader::StoreTable(std::uint32_t index, GMemoryBlock* block) {
  if (table_cache_ == nullptr) {
    table_cache_ = new (std::nothrow) GTTTableCache;
    if (table_cache_ == nullptr) {
      delete block;
      return;
    }
  }
  change_count_ += static_cast<std::uint32_t>(table_cache_->SetTable(index, block));
}

void GTTFontReader::StoreGlyph(std::uint16_t glyph, const std::uint8_t* data,
                               std::uint32_t size) {
  if (glyph_cache_ == nullptr) {
    glyph_cache_ = new (std::nothrow) GGlyphCache;
    if (glyph_cache_ == nullptr) {
      return;
    }
  }
  std::uint8_t* copy = vel::CopyBytes(data, size);
  if (copy == nullptr && size != 0) {
    return;
  }
  auto* node = new (std::nothrow) GGlyphCacheNode(new (std::nothrow) GMemoryBlock(copy, size, true));
  if (node == nullptr) {
    return;
  }
  if (size != 0 && node->GetSize() != size) {
    delete node;  // the block around the copy could not be made
    return;
  }
  change_count_ += static_cast<std::uint32_t>(glyph_cache_->Insert(glyph, node));
}

// --- Tables ----------------------------------------------------------------------------------

int GTTFontReader::HasRequiredTables(GTTFontHandle font) {
  for (std::uint32_t index : kRequiredTables) {
    if (GetTableLength(font, tt::TableTag(index)) == 0) {
      return 0;
    }
  }
  return 1;
}

std::uint32_t GTTFontReader::ReadTableData(GTTFontHandle font, std::uint32_t index,
                                           std::uint32_t offset, bool cache,
                                           std::uint8_t* buffer, std::uint32_t length) {
  if (index >= tt::kTableCount || (buffer == nullptr && length != 0)) {
    return 0;
  }
  const std::uint64_t end = std::uint64_t{offset} + length;
  const std::uint8_t* cached = nullptr;
  std::uint32_t cached_size = 0;
  if (table_cache_ != nullptr && table_cache_->View(index, cached, cached_size)) {
    if (end <= cached_size) {
      if (length != 0) {
        std::memcpy(buffer, cached + offset, length);
      }
      return length;
    }
    if (cached_size == 0) {
      return 0;  // the cache remembers that the font has no such table
    }
  }
  const std::uint32_t tag = tt::TableTag(index);
  if (CachingAllowed(cache)) {
    const std::uint32_t table_length = GetTableLength(font, tag);
    if (table_length == 0) {
      StoreTable(index, new (std::nothrow) GMemoryBlock(nullptr, 0, true));
      return 0;
    }
    if (end > table_length) {
      return 0;
    }
    if (table_length < tt::kWholeTableLimit) {
      GMemoryBlock* block = nullptr;
      const std::uint32_t read = ReadTable(font, tag, block, table_length);
      if (block == nullptr || read < table_length || block->GetSize() < table_length ||
          block->GetData() == nullptr) {
        delete block;
        return 0;
      }
      if (length != 0) {
        std::memcpy(buffer, block->GetData() + offset, length);
      }
      StoreTable(index, block);
      return length;
    }
  }
  if (length == 0) {
    return 0;
  }
  return ReadTableRange(font, tag, offset, buffer, length) == length ? length : 0;
}

std::uint32_t GTTFontReader::GetTable(GTTFontHandle font, std::uint32_t index, bool cache,
                                      GMemoryBlock*& block) {
  block = nullptr;
  if (index >= tt::kTableCount) {
    return 0;
  }
  if (table_cache_ != nullptr && table_cache_->IsLoaded(index)) {
    GMemoryBlock* cached = table_cache_->GetTable(index);
    if (cached == nullptr) {
      return 0;
    }
    const std::uint32_t size = cached->GetSize();
    if (size != 0) {
      block = cached->Clone();
    }
    delete cached;
    return block != nullptr ? size : 0;
  }
  const std::uint32_t tag = tt::TableTag(index);
  const std::uint32_t length = GetTableLength(font, tag);
  if (length == 0) {
    block = new (std::nothrow) GMemoryBlock(nullptr, 0, true);
    if (CachingAllowed(cache)) {
      StoreTable(index, new (std::nothrow) GMemoryBlock(nullptr, 0, true));
    }
    return 0;
  }
  GMemoryBlock* read_block = nullptr;
  const std::uint32_t read = ReadTable(font, tag, read_block, length);
  if (read_block == nullptr || read < length || read_block->GetSize() < length ||
      read_block->GetData() == nullptr) {
    delete read_block;
    return 0;
  }
  if (CachingAllowed(cache) && length < tt::kWholeTableLimit) {
    StoreTable(index, read_block->Clone());
  }
  block = read_block;
  return length;
}

std::uint32_t GTTFontReader::GetTableSize(GTTFontHandle font, std::uint32_t index) {
  if (index >= tt::kTableCount) {
    return 0;
  }
  const std::uint8_t* cached = nullptr;
  std::uint32_t size = 0;
  if (table_cache_ != nullptr && table_cache_->View(index, cached, size)) {
    return size;
  }
  return GetTableLength(font, tt::TableTag(index));
}

int GTTFontReader::Preload(GTTFontHandle font, std::uint32_t char_set) {
  if (preloaded_ != 0) {
    return 1;
  }
  for (std::uint32_t index : kPreloadTables) {
    if (table_cache_ != nullptr && table_cache_->IsLoaded(index)) {
      continue;
    }
    const std::uint32_t tag = tt::TableTag(index);
    const std::uint32_t length = GetTableLength(font, tag);
    if (length == 0) {
      StoreTable(index, new (std::nothrow) GMemoryBlock(nullptr, 0, true));
      continue;
    }
    GMemoryBlock* block = nullptr;
    const std::uint32_t read = ReadTable(font, tag, block, length);
    if (block == nullptr || read < length || block->GetSize() < length ||
        block->GetData() == nullptr) {
      delete block;
      continue;
    }
    StoreTable(index, block);
  }
  (void)CacheGlyph(font, 0);
  if (char_set == kShiftJisSet) {
    (void)CacheGlyph(font, MapCharToGlyph(font, false, kPreloadCode, kShiftJisSet));
  }
  preloaded_ = 1;
  return 1;
}

// --- Decoded values and metrics ---------------------------------------------------------------

bool GTTFontReader::ReadU16(GTTFontHandle font, std::uint32_t index, std::uint32_t offset,
                            bool cache, std::uint16_t& value) {
  std::uint8_t bytes[2];
  if (ReadTableData(font, index, offset, cache, bytes, 2) != 2) {
    return false;
  }
  value = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
  return true;
}

bool GTTFontReader::ReadDecoded(GTTFontHandle font, std::uint32_t index, std::uint32_t offset,
                                Decoded& decoded) {
  if (decoded.known) {
    return true;
  }
  if (!ReadU16(font, index, offset, false, decoded.value)) {
    return false;
  }
  decoded.known = true;
  ++change_count_;
  return true;
}

int GTTFontReader::GetNumGlyphs(GTTFontHandle font, std::uint16_t& count) {
  if (!ReadDecoded(font, tt::kMaxp, kNumGlyphs, glyph_count_)) {
    return 0;
  }
  count = glyph_count_.value;
  return 1;
}

int GTTFontReader::GetTypoDescender(GTTFontHandle font, std::int16_t& descender) {
  if (!ReadDecoded(font, tt::kOS2, kTypoDescender, descender_)) {
    return 0;
  }
  descender = static_cast<std::int16_t>(descender_.value);
  return 1;
}

int GTTFontReader::GetMetrics(GTTFontHandle font, std::uint16_t glyph, std::uint32_t header,
                              std::uint32_t metrics, Decoded& long_count,
                              std::uint16_t& advance, std::int16_t& bearing) {
  if (!ReadDecoded(font, header, kLongMetricsCount, long_count) || long_count.value == 0) {
    return 0;
  }
  const std::uint32_t n = long_count.value;
  const std::uint32_t advance_at = glyph < n ? 4u * glyph : 4u * n - 4;
  const std::uint32_t bearing_at = glyph < n ? 4u * glyph + 2 : 2u * (glyph + n);
  std::uint16_t raw_bearing = 0;
  if (!ReadU16(font, metrics, advance_at, true, advance) ||
      !ReadU16(font, metrics, bearing_at, false, raw_bearing)) {
    return 0;
  }
  bearing = static_cast<std::int16_t>(raw_bearing);
  return 1;
}

int GTTFontReader::GetHMetrics(GTTFontHandle font, std::uint16_t glyph, std::uint16_t& advance,
                               std::int16_t& bearing) {
  return GetMetrics(font, glyph, tt::kHhea, tt::kHmtx, h_metrics_, advance, bearing);
}

int GTTFontReader::GetVMetrics(GTTFontHandle font, std::uint16_t glyph, std::uint16_t& advance,
                               std::int16_t& bearing) {
  return GetMetrics(font, glyph, tt::kVhea, tt::kVmtx, v_metrics_, advance, bearing);
}

// --- Glyphs ------------------------------------------------------------------------------------

std::uint32_t GTTFontReader::GetGlyphData(GTTFontHandle font, bool cache, std::uint16_t glyph,
                                          GMemoryBlock*& block) {
  block = nullptr;
  if (glyph_cache_ != nullptr) {
    if (const GGlyphCacheNode* node = glyph_cache_->Find(glyph)) {
      block = node->GetData();
      return block != nullptr ? node->GetSize() : 0;
    }
  }
  std::uint16_t glyphs = 0;
  if (GetNumGlyphs(font, glyphs) == 0 || glyph >= glyphs) {
    return 0;
  }
  if (location_format_ == 255) {
    std::uint16_t format = 0;
    if (!ReadU16(font, tt::kHead, kIndexToLocFormat, false, format)) {
      return 0;
    }
    location_format_ = static_cast<std::uint8_t>(format & 0xFF);
  }
  std::uint8_t offsets[8];
  std::uint32_t start = 0;
  std::uint32_t next = 0;
  if (location_format_ == 1) {
    if (ReadTableData(font, tt::kLoca, 4u * glyph, true, offsets, 8) != 8) {
      return 0;
    }
    tt::ByteView view(offsets, 8);
    (void)view.U32(0, start);
    (void)view.U32(4, next);
  } else {
    if (ReadTableData(font, tt::kLoca, 2u * glyph, true, offsets, 4) != 4) {
      return 0;
    }
    tt::ByteView view(offsets, 4);
    std::uint16_t short_start = 0;
    std::uint16_t short_next = 0;
    (void)view.U16(0, short_start);
    (void)view.U16(2, short_next);
    start = 2u * short_start;
    next = 2u * short_next;
  }
  const std::uint32_t length = next > start ? next - start : 0;
  // The glyph must lie inside 'glyf' before anything is allocated for it: the offsets come from
  // the font.
  if (length != 0 &&
      std::uint64_t{start} + length > GetTableSize(font, tt::kGlyf)) {
    return 0;
  }
  std::uint8_t* data = nullptr;
  if (length != 0) {
    data = new (std::nothrow) std::uint8_t[length];
    if (data == nullptr ||
        ReadTableData(font, tt::kGlyf, start, true, data, length) != length) {
      delete[] data;
      return 0;
    }
  }
  block = new (std::nothrow) GMemoryBlock(data, length, true);
  if (block == nullptr) {
    delete[] data;
    return 0;
  }
  if (CachingAllowed(cache)) {
    StoreGlyph(glyph, data, length);
  }
  return length;
}

int GTTFontReader::CacheGlyph(GTTFontHandle font, std::uint16_t glyph) {
  std::uint16_t path[tt::kMaxCompositeDepth + 1];
  return CacheGlyphAt(font, glyph, 0, path);
}

int GTTFontReader::CacheGlyphAt(GTTFontHandle font, std::uint16_t glyph, int depth,
                                std::uint16_t* path) {
  GMemoryBlock* block = nullptr;
  const std::uint32_t length = GetGlyphData(font, true, glyph, block);
  if (block == nullptr) {
    return 0;
  }
  // The bytes are read from a copy: caching the components may replace what the cache holds.
  std::uint8_t* copy = length == 0 ? nullptr : block->TakeData();
  delete block;
  if (length != 0 && copy == nullptr) {
    return 0;
  }
  tt::ByteView data(copy, length);
  std::int16_t contours = 0;
  int result = 1;
  if (data.I16(0, contours) && contours < 0) {
    path[depth] = glyph;
    std::uint64_t at = 10;
    std::uint16_t flags = kMoreComponents;
    while ((flags & kMoreComponents) != 0) {
      std::uint16_t component = 0;
      if (!data.U16(at, flags) || !data.U16(at + 2, component)) {
        result = 0;
        break;
      }
      const bool on_path = std::find(path, path + depth + 1, component) != path + depth + 1;
      if (on_path || depth + 1 >= tt::kMaxCompositeDepth ||
          CacheGlyphAt(font, component, depth + 1, path) == 0) {
        result = 0;
        break;
      }
      at += 4;
      at += (flags & kArgsAreWords) != 0 ? 4 : 2;
      if ((flags & kHaveTwoByTwo) != 0) {
        at += 8;
      } else if ((flags & kHaveXYScale) != 0) {
        at += 4;
      } else if ((flags & kHaveScale) != 0) {
        at += 2;
      }
    }
  }
  delete[] copy;
  return result;
}

// --- Character map -----------------------------------------------------------------------------

std::uint16_t GTTFontReader::MapCharToGlyph(GTTFontHandle font, bool vertical,
                                            std::uint16_t code, std::uint32_t char_set) {
  if (char_set == kGlyphIndexSet) {
    return code;
  }
  TableBytes cmap(*this, font, tt::kCmap);
  if (!cmap.Present()) {
    return 0;
  }
  if (cmap_memo_.data != cmap.View().Data() || cmap_memo_.size != cmap.View().Size() ||
      cmap_memo_.char_set != char_set) {
    // 'OS/2' is read (and cached) with the choice, whether or not this set needs its fields.
    const bool has_os2 = TableBytes(*this, font, tt::kOS2).Present();
    CmapMemo memo{cmap.View().Data(), cmap.View().Size(), char_set,
                  tt::ChooseCmapSubtable(cmap.View(), char_set), {}, has_os2};
    if (memo.choice.found && memo.choice.format == 4) {
      memo.format4 = tt::ReadFormat4Layout(cmap.View(), memo.choice.offset);
    }
    cmap_memo_ = memo;
  }
  // A font without 'OS/2' maps nothing, whichever subtable serves the set.
  if (!cmap_memo_.has_os2) {
    return 0;
  }
  const tt::CmapChoice choice = cmap_memo_.choice;
  if (!choice.found) {
    return 0;
  }
  std::uint16_t lookup = code;
  if (choice.encoding == 0 || (choice.encoding == 1 && char_set != kUnicodeSet &&
                               char_set != kSymbolSet)) {
    // Only these sets read 'OS/2': the range of codes the font covers.
    TableBytes os2(*this, font, tt::kOS2);
    std::uint16_t first = 0;
    if (!os2.View().U16(kFirstCharIndex, first)) {
      return 0;
    }
    const std::uint16_t high = first & 0xF000;
    GCharTranslator* translator = nullptr;
    if (choice.encoding == 0) {
      std::uint16_t last = 0;
      if (high != 0) {
        lookup = code <= 0xFF ? static_cast<std::uint16_t>(high | code) : code;
      } else if (!os2.View().U16(kLastCharIndex, last)) {
        return 0;
      } else if (last >= 256) {
        if ((translator = GetCodePageTranslator()) == nullptr) {
          return 0;
        }
        lookup = translator->ToWide(code, char_set);
      }
    } else if (high == 0xF000) {
      lookup = code <= 0xFF ? static_cast<std::uint16_t>(0xF000 | code) : code;
    } else {
      if ((translator = GetCodePageTranslator()) == nullptr) {
        return 0;
      }
      lookup = translator->ToWide(code, char_set);
    }
  } else if (choice.encoding != 1 && char_set == kUnicodeSet) {
    const std::uint32_t target = CharSetOfEncoding(choice.encoding);
    GCharTranslator* translator = target != 0 ? GetCodePageTranslator() : nullptr;
    if (translator == nullptr) {
      return 0;
    }
    lookup = translator->ToMultiByte(static_cast<char16_t>(code), target);
  }
  std::uint16_t glyph = 0;
  if (choice.format == 4) {
    glyph = tt::LookupFormat4(cmap.View(), cmap_memo_.format4, lookup);
  } else if (choice.format == 2) {
    glyph = tt::LookupFormat2(cmap.View(), choice.offset, lookup);
  } else {
    return 0;
  }
  if (!vertical) {
    return glyph;
  }
  if (GetTableSize(font, tt::kMort) != 0) {
    TableBytes mort(*this, font, tt::kMort);
    return tt::MortVerticalSubstitute(mort.View(), glyph);
  }
  if (GetTableSize(font, tt::kGSUB) != 0) {
    TableBytes gsub(*this, font, tt::kGSUB);
    return tt::GsubVerticalSubstitute(gsub.View(), glyph);
  }
  return glyph;
}

// --- Merging, equality, stored form ----------------------------------------------------------

void GTTFontReader::AssignFrom(GTTFontReader& other) {
  if (&other == this) {
    return;
  }
  if (other.table_cache_ != nullptr) {
    if (table_cache_ == nullptr) {
      table_cache_ = new (std::nothrow) GTTTableCache;
    }
    if (table_cache_ != nullptr) {
      (void)table_cache_->Absorb(*other.table_cache_);
    }
  }
  if (other.glyph_cache_ != nullptr) {
    if (glyph_cache_ == nullptr) {
      glyph_cache_ = new (std::nothrow) GGlyphCache;
    }
    if (glyph_cache_ != nullptr) {
      (void)glyph_cache_->Absorb(*other.glyph_cache_);
    }
  }
  location_format_ = other.location_format_;
  groups_[0] = other.groups_[0];
  groups_[1] = other.groups_[1];
  glyph_count_ = other.glyph_count_;
  descender_ = other.descender_;
  h_metrics_ = other.h_metrics_;
  v_metrics_ = other.v_metrics_;
}

namespace {

template <typename Cache>
bool SameCache(const Cache* a, const Cache* b) {
  if (a == b) {
    return true;
  }
  return a != nullptr && b != nullptr && a->IsSameKey(b);
}

}  // namespace

bool GTTFontReader::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* that = dynamic_cast<const GTTFontReader*>(other);
  if (that == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  auto same = [](const Decoded& a, const Decoded& b) {
    return a.known == b.known && a.value == b.value;
  };
  return location_format_ == that->location_format_ && groups_[0] == that->groups_[0] &&
         groups_[1] == that->groups_[1] && same(glyph_count_, that->glyph_count_) &&
         same(descender_, that->descender_) && same(h_metrics_, that->h_metrics_) &&
         same(v_metrics_, that->v_metrics_) && SameCache(table_cache_, that->table_cache_) &&
         SameCache(glyph_cache_, that->glyph_cache_);
}

void GTTFontReader::ForgetRestoredMembers() {
  delete table_cache_;
  table_cache_ = nullptr;
  delete glyph_cache_;
  glyph_cache_ = nullptr;
}

std::uint32_t GTTFontReader::StoredByteCount() const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  return GBaseObject::StoredByteCount() + 57 + RWTotalStoredSize(table_cache_) +
         RWTotalStoredSize(glyph_cache_);
}

namespace {

template <typename Carrier>
void WriteDecoded(Carrier& carrier, bool known, std::uint16_t value) {
  vel::WriteField(carrier, static_cast<std::uint32_t>(known ? 1 : 0));
  vel::WriteField(carrier, value);
}

template <typename Carrier>
bool ReadDecodedField(Carrier& carrier, bool& known, std::uint16_t& value) {
  std::uint32_t flag = 0;
  if (!vel::ReadField(carrier, flag) || !vel::ReadField(carrier, value)) {
    return false;
  }
  known = flag != 0;
  return true;
}

template <typename Carrier>
void WriteGroup(Carrier& carrier, const GTTMetricGroup& group) {
  vel::WriteField(carrier, group.value);
  vel::WriteField(carrier, group.first);
  vel::WriteField(carrier, group.second);
  vel::WriteField(carrier, group.third);
}

template <typename Carrier>
bool ReadGroup(Carrier& carrier, GTTMetricGroup& group) {
  return vel::ReadField(carrier, group.value) && vel::ReadField(carrier, group.first) &&
         vel::ReadField(carrier, group.second) && vel::ReadField(carrier, group.third);
}

}  // namespace

template <typename Carrier>
void GTTFontReader::Save(Carrier& carrier) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, change_count_);
  vel::WriteField(carrier, font_id_);
  vel::WriteByte(carrier, location_format_);
  WriteGroup(carrier, groups_[0]);
  WriteGroup(carrier, groups_[1]);
  WriteDecoded(carrier, glyph_count_.known, glyph_count_.value);
  WriteDecoded(carrier, descender_.known, descender_.value);
  WriteDecoded(carrier, h_metrics_.known, h_metrics_.value);
  WriteDecoded(carrier, v_metrics_.known, v_metrics_.value);
  carrier << static_cast<const RWCollectable*>(table_cache_);
  carrier << static_cast<const RWCollectable*>(glyph_cache_);
}

template <typename Carrier>
void GTTFontReader::Restore(Carrier& carrier) {
  RWLoadTableScope scope;  // one restore for every record, as the save shares one table
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint32_t change_count = 0;
  std::uint32_t font_id = 0;
  std::uint8_t location_format = 0;
  GTTMetricGroup groups[2];
  Decoded decoded[4];
  if (!vel::ReadField(carrier, change_count) || !vel::ReadField(carrier, font_id) ||
      !vel::ReadByte(carrier, location_format) || !ReadGroup(carrier, groups[0]) ||
      !ReadGroup(carrier, groups[1])) {
    vel::FailCarrier(carrier);
    return;
  }
  for (Decoded& value : decoded) {
    if (!ReadDecodedField(carrier, value.known, value.value)) {
      vel::FailCarrier(carrier);
      return;
    }
  }
  GBaseObject* tables = nullptr;
  if (!vel::RestoreOwnedRecord(carrier, GTTTableCache::ClassId(), tables)) {
    return;
  }
  GBaseObject* glyphs = nullptr;
  if (!vel::RestoreOwnedRecord(carrier, GGlyphCache::ClassId(), glyphs)) {
    delete tables;
    return;
  }
  delete table_cache_;
  delete glyph_cache_;
  table_cache_ = static_cast<GTTTableCache*>(tables);
  glyph_cache_ = static_cast<GGlyphCache*>(glyphs);
  change_count_ = change_count;
  font_id_ = font_id;
  location_format_ = location_format;
  groups_[0] = groups[0];
  groups_[1] = groups[1];
  glyph_count_ = decoded[0];
  descender_ = decoded[1];
  h_metrics_ = decoded[2];
  v_metrics_ = decoded[3];
}

void GTTFontReader::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GTTFontReader::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GTTFontReader::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GTTFontReader::SaveContents(RWBinaryFile& file) const {
  Save(file);
}
