// GTTFontReader: everything the system learns about one TrueType font: its tables and glyph
// outlines (in a table cache and a glyph cache), a few decoded header values, its character map,
// its metrics, and the bookkeeping of the process-wide font pool (a reference count, and the
// owners that use it or asked for it to be saved). The bytes of the font come from six operations
// that a platform subclass supplies.
//
// All reader operations expect the caller to hold the reader's lock (Lock/Unlock); GTTFontFile
// takes it around every call, and the font pool takes it after its own lock.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u32  change count
//   u32  font id
//   u8   location format (255: not read yet)
//   two metric groups, each: u32 value, i16, i16, u16
//   u32 glyph count known,        u16 glyph count
//   u32 descender known,          i16 typographic descender
//   u32 h-metrics count known,    u16 numberOfHMetrics
//   u32 v-metrics count known,    u16 numOfLongVerMetrics
//   the table cache as an object record (nil when absent)
//   the glyph cache as an object record (nil when absent)
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "framework/core/GBaseObject.h"
#include "framework/output/fonts/TrueTypeData.h"

class GGlyphCache;
class GMemoryBlock;
class GSemaphore;
class GTTTableCache;

// The platform's handle of a font: passed through untouched, never stored.
using GTTFontHandle = void*;

namespace vel::truetype {

// The numbers by which tables are cached.
enum TableIndex : std::uint32_t {
  kCmap = 0, kHead, kGlyf, kLoca, kMaxp, kMort, kName, kOS2, kPost, kCvt, kEdt0, kEdt1,
  kCryp, kFpgm, kGdir, kHdmx, kHhea, kHmtx, kVhea, kVmtx, kKern, kLTSH, kGSUB, kPrep,
  kTableCount
};
// The tag of a table number (0 for a number out of range).
std::uint32_t TableTag(std::uint32_t index);

// Tables below this size are read whole and kept; larger ones are read in parts.
inline constexpr std::uint32_t kWholeTableLimit = 250000;
// Composite glyphs are followed this deep at most.
inline constexpr int kMaxCompositeDepth = 16;

}  // namespace vel::truetype

// A group of four values that the platform subclass fills; the reader keeps, compares, copies
// and stores them.
struct GTTMetricGroup {
  std::uint32_t value = 0;
  std::int16_t first = 0;
  std::int16_t second = 0;
  std::uint16_t third = 0;
  bool operator==(const GTTMetricGroup&) const = default;
};

class GTTFontReader : public GBaseObject {
 public:
  // Takes the next font id of the process's font pool (0 when there is none).
  GTTFontReader();
  explicit GTTFontReader(std::uint32_t font_id);
  GTTFontReader(const GTTFontReader&) = delete;
  GTTFontReader& operator=(const GTTFontReader&) = delete;
  ~GTTFontReader() override;

  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // Equal root parts, location format, metric groups, known flags and values, and caches.
  bool IsSameKey(const GBaseObject* other) const override;
  // Deletes the caches (a failed restore around the reader).
  void ForgetRestoredMembers() override;

  // --- Operations of the reader -----------------------------------------------------------
  // Moves the other reader's cached tables and glyphs that this one lacks into this one, and
  // copies its location format, metric groups and decoded values.
  virtual void AssignFrom(GTTFontReader& other);
  // Two operations of the platform subclass, forwarded unchanged by GTTFontFile.
  virtual std::int32_t PlatformOperation1(GTTFontHandle font, std::uint32_t first,
                                          std::uint32_t second, void* data) = 0;
  virtual std::int32_t PlatformOperation2(GTTFontHandle font, std::uint32_t first,
                                          std::uint32_t second, void* data) = 0;
  // Reads the whole table into a new block (owned by the caller); answers the bytes read.
  virtual std::uint32_t ReadTable(GTTFontHandle font, std::uint32_t tag, GMemoryBlock*& block,
                                  std::uint32_t length) = 0;
  // Reads `length` bytes from `offset` of the table into `buffer`; answers the bytes read.
  virtual std::uint32_t ReadTableRange(GTTFontHandle font, std::uint32_t tag,
                                       std::uint32_t offset, std::uint8_t* buffer,
                                       std::uint32_t length) = 0;
  // The table's length, 0 when the font has no such table.
  virtual std::uint32_t GetTableLength(GTTFontHandle font, std::uint32_t tag) = 0;
  // Whether tables and glyphs may be kept in the caches.
  virtual bool IsCachingEnabled() = 0;
  // The outline bytes of a glyph in a new block (owned by the caller); answers their length.
  // The block is null after a failure (answer 0), and empty for a glyph without outline.
  virtual std::uint32_t GetGlyphData(GTTFontHandle font, bool cache, std::uint16_t glyph,
                                     GMemoryBlock*& block);

  // --- The reader's own operations (the caller holds the lock) -----------------------------
  void Lock();
  void Unlock();
  // Reads the tables that the back ends need into the table cache, and caches glyph 0 (and for
  // character set 17 the glyph of code 165). Runs once; answers 1.
  int Preload(GTTFontHandle font, std::uint32_t char_set);
  // 1 when 'cmap', 'glyf', 'head', 'hhea', 'hmtx', 'loca', 'maxp', 'name', 'post' and 'OS/2' are
  // all present.
  int HasRequiredTables(GTTFontHandle font);
  // Copies `length` bytes at `offset` of table `index` into `buffer`: answers `length`, or 0 when
  // they could not be had (the buffer is then undefined).
  std::uint32_t ReadTableData(GTTFontHandle font, std::uint32_t index, std::uint32_t offset,
                              bool cache, std::uint8_t* buffer, std::uint32_t length);
  // The whole table in a new block (owned by the caller; null for an absent or unreadable
  // table, an empty block when the font has no such table); answers its length.
  std::uint32_t GetTable(GTTFontHandle font, std::uint32_t index, bool cache,
                         GMemoryBlock*& block);
  std::uint32_t GetTableSize(GTTFontHandle font, std::uint32_t index);
  // The glyph of a character code in a character set (1: the code is a glyph index); 0 when
  // unmapped. `vertical` asks for the vertical form of the glyph.
  std::uint16_t MapCharToGlyph(GTTFontHandle font, bool vertical, std::uint16_t code,
                               std::uint32_t char_set);
  // Caches the glyph and, for a composite, its components: 1 on success (also for an empty
  // glyph), 0 on failure.
  int CacheGlyph(GTTFontHandle font, std::uint16_t glyph);
  int GetNumGlyphs(GTTFontHandle font, std::uint16_t& count);
  int GetTypoDescender(GTTFontHandle font, std::int16_t& descender);
  int GetHMetrics(GTTFontHandle font, std::uint16_t glyph, std::uint16_t& advance,
                  std::int16_t& bearing);
  int GetVMetrics(GTTFontHandle font, std::uint16_t glyph, std::uint16_t& advance,
                  std::int16_t& bearing);

  // --- State -------------------------------------------------------------------------------
  std::uint32_t GetFontId() const { return font_id_; }
  std::uint32_t GetChangeCount() const { return change_count_; }
  void SetChangeCount(std::uint32_t count) { change_count_ = count; }
  bool IsLocked() const { return locked_ != 0; }
  // The reference count (handles plus the pool's hold); changed under the reader's lock.
  std::int16_t GetReferenceCount() const { return references_; }
  void SetReferenceCount(std::int16_t count) { references_ = count; }
  // The owner lists (no duplicates). Add answers true when the id was added.
  bool AddSaveRequest(std::uint32_t owner);
  bool RemoveSaveRequest(std::uint32_t owner);
  bool HasSaveRequest(std::uint32_t owner) const;
  bool AddUser(std::uint32_t owner);
  bool RemoveUser(std::uint32_t owner);
  bool HasUsers() const { return !users_.empty(); }
  GTTMetricGroup& MetricGroup(int which) { return groups_[which != 0 ? 1 : 0]; }
  const GTTTableCache* GetTableCache() const { return table_cache_; }
  const GGlyphCache* GetGlyphCache() const { return glyph_cache_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GTTFontReader"; }

 private:
  // The bytes of a table for a lookup: the cached bytes, or a block read for this lookup.
  class TableBytes;
  // The subtable chosen for the last character set, and the cmap bytes it was chosen in; for a
  // format-4 subtable also where its arrays lie, and whether the font had an 'OS/2' table.
  struct CmapMemo {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t char_set = 0;
    vel::truetype::CmapChoice choice;
    vel::truetype::Format4Layout format4;
    bool has_os2 = false;
  };
  struct Decoded {
    bool known = false;
    std::uint16_t value = 0;
  };

  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  // Stores the block in the table cache (made when needed), counting a new entry.
  void StoreTable(std::uint32_t index, GMemoryBlock* block);
  void StoreGlyph(std::uint16_t glyph, const std::uint8_t* data, std::uint32_t size);
  bool CachingAllowed(bool cache) { return cache && IsCachingEnabled(); }
  // A big-endian 16-bit value read once from a table and kept.
  bool ReadDecoded(GTTFontHandle font, std::uint32_t index, std::uint32_t offset,
                   Decoded& decoded);
  bool ReadU16(GTTFontHandle font, std::uint32_t index, std::uint32_t offset, bool cache,
               std::uint16_t& value);
  int GetMetrics(GTTFontHandle font, std::uint16_t glyph, std::uint32_t header,
                 std::uint32_t metrics, Decoded& long_count, std::uint16_t& advance,
                 std::int16_t& bearing);
  int CacheGlyphAt(GTTFontHandle font, std::uint16_t glyph, int depth,
                   std::uint16_t* path);

  GSemaphore* lock_ = nullptr;
  std::int32_t locked_ = 0;
  std::uint32_t change_count_ = 0;
  std::uint32_t font_id_ = 0;
  std::vector<std::uint32_t> save_requests_;
  std::vector<std::uint32_t> users_;
  std::uint8_t location_format_ = 255;
  GTTMetricGroup groups_[2];
  Decoded glyph_count_;
  Decoded descender_;
  Decoded h_metrics_;
  Decoded v_metrics_;
  std::int16_t references_ = 0;
  std::int32_t preloaded_ = 0;
  GTTTableCache* table_cache_ = nullptr;
  GGlyphCache* glyph_cache_ = nullptr;
  CmapMemo cmap_memo_;
};
