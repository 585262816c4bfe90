// GTTFontFile: the light, persistent handle on a shared TrueType reader that commands and
// downloaded fonts hold. It counts as one reference on the reader and takes the reader's lock
// around every reader call, so that handles of several jobs on one reader take turns.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u32  the reader's font id        (0xFFFFFFFF: no reader)
//   u32  the reader's change count   (0xFFFFFFFF: no reader)
// A restore asks the process's font pool for the reader of that id; a reader that knows less than
// the stored change count, or none at all, leaves the handle without a reader.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/output/fonts/GTTFontReader.h"

class GMemoryBlock;
class GTTFontPool;

class GTTFontFile : public GBaseObject {
 public:
  static constexpr std::uint32_t kNoReader = 0xFFFFFFFF;

  // No reader.
  GTTFontFile() = default;
  // A handle on the reader for the pool (may be null); one more reference on the reader.
  GTTFontFile(GTTFontPool* pool, GTTFontReader* reader);
  // Shares the reader (one more reference).
  GTTFontFile(const GTTFontFile& other);
  GTTFontFile& operator=(const GTTFontFile&) = delete;
  // Lets go of the reader through the pool (pool lock, then reader lock).
  ~GTTFontFile() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same object; or the same class, equal root parts and the same reader or equal readers.
  bool IsSameKey(const GBaseObject* other) const override;

  // The reader operations, each under the reader's lock. Without a reader they answer 0.
  int HasRequiredTables(GTTFontHandle font);
  std::uint32_t ReadTableData(GTTFontHandle font, std::uint32_t index, std::uint32_t offset,
                              bool cache, std::uint8_t* buffer, std::uint32_t length);
  std::uint32_t GetTable(GTTFontHandle font, std::uint32_t index, bool cache,
                         GMemoryBlock*& block);
  std::uint32_t GetTableSize(GTTFontHandle font, std::uint32_t index);
  std::uint32_t GetGlyphData(GTTFontHandle font, bool cache, std::uint16_t glyph,
                             GMemoryBlock*& block);
  std::uint16_t MapCharToGlyph(GTTFontHandle font, bool vertical, std::uint16_t code,
                               std::uint32_t char_set);
  int CacheGlyph(GTTFontHandle font, std::uint16_t glyph);
  int Preload(GTTFontHandle font, std::uint32_t char_set);
  int GetNumGlyphs(GTTFontHandle font, std::uint16_t& count);
  int GetTypoDescender(GTTFontHandle font, std::int16_t& descender);
  int GetHMetrics(GTTFontHandle font, std::uint16_t glyph, std::uint16_t& advance,
                  std::int16_t& bearing);
  int GetVMetrics(GTTFontHandle font, std::uint16_t glyph, std::uint16_t& advance,
                  std::int16_t& bearing);
  std::int32_t PlatformOperation1(GTTFontHandle font, std::uint32_t first, std::uint32_t second,
                                  void* data);
  std::int32_t PlatformOperation2(GTTFontHandle font, std::uint32_t first, std::uint32_t second,
                                  void* data);
  // Asks for the reader to be written at the owner's next save of the pool, and has the pool
  // hold it. The reader's lock is let go before the pool is called.
  int RequestSave(std::uint32_t owner);

  GTTFontReader* GetReader() const { return reader_; }
  GTTFontPool* GetPool() const { return pool_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GTTFontFile"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  void LetGo();
  // Runs `call` on the reader under its lock; `fallback` without a reader.
  template <typename Result, typename Call>
  Result Locked(Result fallback, Call call);

  GTTFontReader* reader_ = nullptr;
  GTTFontPool* pool_ = nullptr;
};
