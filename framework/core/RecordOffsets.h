// The offsets of the records of an open record file by serial number, kept in memory beside the
// file's own tree so that finding a record costs no walk of the file. A record's name in the tree
// is its serial number in lower-case hexadecimal without leading zeros (framework/core/GRecord.h):
// the table keys the number itself, and a name of any other form (the index's own key, a name
// that no serial number formats to) names no record. An open-addressing table: each serial number
// is found with, mostly, one probe and no allocation per entry. Serial numbers made one after
// another sit side by side; a file whose numbers cluster makes the table switch to mixed hashing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

class RecordOffsets {
 public:
  // The serial number that the record name formats from; false for every other name.
  static bool SerialOfName(std::string_view name, std::uint32_t* serial);

  // Sets the offset of the serial number (a new entry or a new offset); false, and nothing
  // changed, when memory is short.
  [[nodiscard]] bool Set(std::uint32_t serial, std::int32_t offset);
  // The offset of the serial number, or null.
  const std::int32_t* Find(std::uint32_t serial) const;
  bool Contains(std::uint32_t serial) const { return Find(serial) != nullptr; }
  // Takes the serial number out; false when it was not in.
  bool Erase(std::uint32_t serial);
  // Room for `count` entries without growing (nothing when memory is short: the table grows as
  // entries come).
  void Reserve(std::size_t count);
  void Clear();
  std::size_t Size() const { return count_; }

 private:
  struct Slot {
    std::uint32_t serial;
    std::int32_t offset;
    bool used;
  };

  // The serial number itself while the table is not mixed, else Mixed.
  std::size_t Hash(std::uint32_t serial) const { return mixed_ ? Mixed(serial) : serial; }
  static std::size_t Mixed(std::uint32_t serial);
  // The slot holding the serial number, or the free slot where it would go; *steps, when asked,
  // the slots passed on the way.
  std::size_t Probe(std::uint32_t serial, std::size_t* steps) const;
  // Places every entry again in a table of `capacity` slots.
  bool Grow(std::size_t capacity);

  static constexpr std::size_t kLongRun = 32;

  std::unique_ptr<Slot[]> slots_;
  std::size_t capacity_ = 0;  // a power of two, or 0
  std::size_t count_ = 0;
  bool mixed_ = false;
};
