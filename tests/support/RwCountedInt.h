// A small collectable for tests: an int value compared, hashed and matched by value, with a count
// of live instances so tests can see that collections delete each object exactly once.
#pragma once

#include <atomic>
#include <cstdint>

#include "rw/RWCollectable.h"

namespace vel::test {

class CountedInt : public RWCollectable {
 public:
  // A class id of the framework's range that no class of the system uses.
  static constexpr RWClassID kClassId = 1990;

  explicit CountedInt(int value = 0);
  CountedInt(const CountedInt& other);
  CountedInt& operator=(const CountedInt& other) = default;
  ~CountedInt() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  // By value against another CountedInt; any other object (or null) compares by address.
  int Compare(const RWCollectable* other) const override;
  std::uint32_t Hash() const override;
  bool IsEqual(const RWCollectable* other) const override;

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "CountedInt"; }
  static RWCollectable* Create();

  int Value() const { return value_; }
  void SetValue(int value) { value_ = value; }

  // Objects of this class alive right now, in the whole process.
  static int Live() { return live_.load(); }

 private:
  int value_;
  static std::atomic<int> live_;
};

// The value of a CountedInt member (for readable test expectations); -1 for null.
int ValueOf(const RWCollectable* item);

}  // namespace vel::test
