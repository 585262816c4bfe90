// A TrueType reader over the image of a font file in memory (a .ttf, or one face of a .ttc), as
// the platform's reader would read a font through the graphics engine: its own bounds-checked
// parse of the table directory, call counters, and switches that make reads short and turn
// caching off. And a test pool that keeps one reader per file path and face.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/output/fonts/GTTFontPool.h"
#include "framework/output/fonts/GTTFontReader.h"

namespace vel::test {

class MemoryFontReader : public GTTFontReader {
 public:
  static constexpr RWClassID kClassId = 1860;

  // No font: every table is absent (the reader a restore makes).
  MemoryFontReader() : GTTFontReader(0) {}
  // The face `face` of the image (ignored for a plain font file). The reader takes its font id
  // from the pool. A directory that does not fit the image leaves the reader without tables.
  explicit MemoryFontReader(std::vector<std::uint8_t> image, std::uint32_t face = 0);
  MemoryFontReader(std::vector<std::uint8_t> image, std::uint32_t face, std::uint32_t font_id);

  RWCollectable* CreateInstance() const override { return Create(); }
  RWClassID IsA() const override { return kClassId; }
  bool IsKindOf(RWClassID id) const override {
    return id == kClassId || GTTFontReader::IsKindOf(id);
  }

  std::int32_t PlatformOperation1(GTTFontHandle font, std::uint32_t first, std::uint32_t second,
                                  void* data) override;
  std::int32_t PlatformOperation2(GTTFontHandle font, std::uint32_t first, std::uint32_t second,
                                  void* data) override;
  std::uint32_t ReadTable(GTTFontHandle font, std::uint32_t tag, GMemoryBlock*& block,
                          std::uint32_t length) override;
  std::uint32_t ReadTableRange(GTTFontHandle font, std::uint32_t tag, std::uint32_t offset,
                               std::uint8_t* buffer, std::uint32_t length) override;
  std::uint32_t GetTableLength(GTTFontHandle font, std::uint32_t tag) override;
  bool IsCachingEnabled() override { return caching_; }

  // Switches.
  void SetCaching(bool on) { caching_ = on; }
  // Every read answers this many bytes fewer than asked (never below 0).
  void SetShortBy(std::uint32_t bytes) { short_by_ = bytes; }

  // Counters of the font operations, and the tags the whole-table and part reads asked for.
  struct Counters {
    int read_table = 0;
    int read_range = 0;
    int table_length = 0;
    std::vector<std::uint32_t> whole_tags;
    std::vector<std::uint32_t> range_tags;
  };
  const Counters& Calls() const { return calls_; }
  void ResetCalls() { calls_ = Counters{}; }
  // The last font handle an operation was given.
  GTTFontHandle LastHandle() const { return last_handle_; }

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "MemoryFontReader"; }
  static RWCollectable* Create();
  // Registers the class with the class factory (for restores of stored pools), once.
  static void Register();

 private:
  struct Table {
    std::uint32_t offset;
    std::uint32_t length;
  };
  void ParseDirectory(std::uint32_t face);
  const Table* Find(std::uint32_t tag) const;

  std::vector<std::uint8_t> image_;
  std::map<std::uint32_t, Table> tables_;
  bool caching_ = true;
  std::uint32_t short_by_ = 0;
  Counters calls_;
  GTTFontHandle last_handle_ = nullptr;
};

// The pool of the tests: a font object is a FontSource, and the pool keeps one reader for each
// file path and face.
class TestFontPool : public GTTFontPool {
 public:
  struct FontSource {
    std::string path;  // the key: the file's path
    std::uint32_t face = 0;
    const std::vector<std::uint8_t>* image = nullptr;  // the file's bytes
  };

  // A new handle on the reader for the source (made and added on first use).
  GTTFontFile* OpenFontFile(void* font_object) override;

 private:
  std::map<std::pair<std::string, std::uint32_t>, std::uint32_t> ids_;
};

}  // namespace vel::test
