// The offsets of the records of an open record file by record name, kept in memory beside the
// file's own tree so that finding a record costs no walk of the file. Names are at most kMaxName
// bytes (the tree's key length). An open-addressing table: each name is looked up with one hash
// and, mostly, one probe, with no allocation per entry. Names made one after another sit side by
// side; a file whose names cluster makes the table switch to mixed hashing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

class RecordOffsets {
 public:
  static constexpr std::size_t kMaxName = 16;

  // Sets the offset of the name (a new entry or a new offset); false, and nothing changed, for a
  // name longer than kMaxName or when memory is short.
  [[nodiscard]] bool Set(std::string_view name, std::int32_t offset);
  // The offset of the name, or null.
  const std::int32_t* Find(std::string_view name) const;
  bool Contains(std::string_view name) const { return Find(name) != nullptr; }
  // Takes the name out; false when it was not in.
  bool Erase(std::string_view name);
  // Room for `count` entries without growing (nothing when memory is short: the table grows as
  // entries come).
  void Reserve(std::size_t count);
  void Clear();
  std::size_t Size() const { return count_; }

 private:
  struct Slot {
    char name[kMaxName];
    std::uint8_t length;
    bool used;
    std::int32_t offset;
  };

  // A hexadecimal name's number while the table is not mixed, else Mixed.
  std::size_t Hash(std::string_view name) const;
  static std::size_t Mixed(std::string_view name);
  // The slot holding the name, or the free slot where it would go; *steps, when asked, the
  // slots passed on the way.
  std::size_t Probe(std::string_view name, std::size_t* steps) const;
  // Places every entry again in a table of `capacity` slots.
  bool Grow(std::size_t capacity);

  static constexpr std::size_t kLongRun = 32;

  std::unique_ptr<Slot[]> slots_;
  std::size_t capacity_ = 0;  // a power of two, or 0
  std::size_t count_ = 0;
  bool mixed_ = false;
};
