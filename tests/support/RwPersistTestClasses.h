// Persistent classes for tests of object-graph persistence, and helpers that save a graph on each
// carrier, restore it, describe it and delete it.
//
// The classes live in the global namespace because a persistent class's name string is its class
// name. Each counts its live instances (TestObjectsAlive) so tests see what a restore left behind.
// None owns what it points to: they restore their pointers through the holder protocol
// (RWRestoredMember), as the library's collections do.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "rw/RWCollectable.h"
#include "rw/RWFactory.h"
#include "tests/support/ByteMatch.h"

// Live instances of every class below.
int TestObjectsAlive();

// The base of the test classes: counts instances.
class TestObject : public RWCollectable {
 public:
  TestObject();
  TestObject(const TestObject& other);
  TestObject& operator=(const TestObject&) = default;
  ~TestObject() override;
};

// Class id 901; no contents.
class TestLeaf : public TestObject {
 public:
  static constexpr RWClassID kClassId = 901;

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "TestLeaf"; }
  static RWCollectable* Create();
};

// Class id 900: an int value and three pointers, stored in that order (the int as Put(int) or 4
// bytes, each pointer as an object record).
class TestNode : public TestObject {
 public:
  static constexpr RWClassID kClassId = 900;

  TestNode() = default;
  TestNode(int value, RWCollectable* a, RWCollectable* b, RWCollectable* c)
      : value_(value), child_{a, b, c} {}

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  void ForgetRestoredMembers() override;

  int Value() const { return value_; }
  RWCollectable* Child(int i) const { return child_[i]; }
  void SetChild(int i, RWCollectable* child) { child_[i] = child; }

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "TestNode"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  int value_ = 0;
  RWCollectable* child_[3] = {};
};

// Class id 902: an int value; ordered, hashed and matched by value (for sets, trees and
// dictionaries).
class TestValue : public TestObject {
 public:
  static constexpr RWClassID kClassId = 902;

  explicit TestValue(int value = 0) : value_(value) {}

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  std::uint32_t StoredByteCount() const override { return 4; }
  // By value against another TestValue; anything else by address.
  int Compare(const RWCollectable* other) const override;
  std::uint32_t Hash() const override { return static_cast<std::uint32_t>(value_); }
  bool IsEqual(const RWCollectable* other) const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;

  int Value() const { return value_; }

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "TestValue"; }
  static RWCollectable* Create();

 private:
  int value_;
};

// A class written by its name: its id comes from RWCollectable::NextClassId when the test classes
// are first registered. Contents as TestValue.
class TestNamed : public TestValue {
 public:
  explicit TestNamed(int value = 0) : TestValue(value) {}

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return ClassId(); }

  static RWClassID ClassId();
  static const char* ClassName() { return "TestNamed"; }
  static RWCollectable* Create();
};

// Registers (removes) the foundation classes and the test classes.
void RegisterTestPersistClasses();
void UnregisterTestPersistClasses();
const RWClassRegistration* TestPersistClasses(std::size_t* count);

namespace vel::test {

// The carriers of an object graph: the three stream formats and the binary file.
enum class Carrier { kPortable, kBinary, kByteOrder, kFile };
inline constexpr Carrier kAllCarriers[] = {Carrier::kPortable, Carrier::kBinary,
                                           Carrier::kByteOrder, Carrier::kFile};
const char* CarrierName(Carrier carrier);

// The bytes of one outermost save of `root` (null saves the nil reference), and in `failed`
// (when given) whether the carrier failed. The byte-order stream writes the host's order.
Bytes SaveGraph(Carrier carrier, const RWCollectable* root, bool* failed = nullptr);

struct Restored {
  RWCollectable* object = nullptr;
  bool failed = false;  // the stream is not good, or the file has its error or end indicator
};
// Restores one pointer (starting as `expected`) from `bytes`.
Restored RestoreGraph(Carrier carrier, const Bytes& bytes, RWCollectable* expected = nullptr);
// Restores into `object` from `bytes`: the result of the restore-into operator.
Restored RestoreInto(Carrier carrier, const Bytes& bytes, RWCollectable& object);

// An object's contents on their own: SaveContents straight onto the carrier (no record around
// them), and RestoreContents of `object` from `bytes`.
Bytes SaveContentsOf(Carrier carrier, const RWCollectable& object);
Restored RestoreContentsOf(Carrier carrier, const Bytes& bytes, RWCollectable& object);

// A text that is equal for two graphs of the same shape: classes, values, order, sharing (later
// meetings of an object are "@n") and nulls. Hashed collections list their members sorted.
std::string Describe(const RWCollectable* root);

// Deletes every object reachable from `root` once (a dictionary's associations with it).
void DeleteGraph(RWCollectable* root);

// One item of a record written by hand, for data that no save would write.
struct Item {
  enum Kind { kNew, kNewName, kKnownName, kRef, kOpen, kClose, kInt, kChar, kMagic } kind;
  int value = 0;
  const char* name = nullptr;
};

namespace record {
// A new record of class `id` (a file gets the magic first unless Magic came before).
inline Item New(int id) {
  return {Item::kNew, id};
}
inline Item NewName(const char* name) {
  return {Item::kNewName, 0, name};
}
inline Item KnownName(int k) {
  return {Item::kKnownName, k};
}
// A reference (a file gets the magic first unless Magic or New came before).
inline Item Ref(int k) {
  return {Item::kRef, k};
}
// Braces (stream forms only).
inline Item Open() {
  return {Item::kOpen};
}
inline Item Close() {
  return {Item::kClose};
}
inline Item Int(int v) {
  return {Item::kInt, v};
}
inline Item Char(char c) {
  return {Item::kChar, c};
}
// A 32-bit magic value (file form only).
inline Item Magic(int value) {
  return {Item::kMagic, value};
}
}  // namespace record

// The items in the carrier's form.
Bytes WriteItems(Carrier carrier, const std::vector<Item>& items);

}  // namespace vel::test
