// The counted test collectable.
#include "tests/support/RwCountedInt.h"

#include <new>

namespace vel::test {

std::atomic<int> CountedInt::live_{0};

CountedInt::CountedInt(int value) : value_(value) {
  ++live_;
}

CountedInt::CountedInt(const CountedInt& other) : RWCollectable(other), value_(other.value_) {
  ++live_;
}

CountedInt::~CountedInt() {
  --live_;
}

RWCollectable* CountedInt::CreateInstance() const {
  return new (std::nothrow) CountedInt;
}

RWCollectable* CountedInt::Clone() const {
  return new (std::nothrow) CountedInt(*this);
}

int CountedInt::Compare(const RWCollectable* other) const {
  if (other == nullptr || other->IsA() != kClassId) {
    return RWCollectable::Compare(other);
  }
  const int theirs = static_cast<const CountedInt*>(other)->value_;
  return value_ == theirs ? 0 : (value_ > theirs ? 1 : -1);
}

std::uint32_t CountedInt::Hash() const {
  return static_cast<std::uint32_t>(value_);
}

bool CountedInt::IsEqual(const RWCollectable* other) const {
  return other != nullptr && other->IsA() == kClassId &&
         static_cast<const CountedInt*>(other)->value_ == value_;
}

RWCollectable* CountedInt::Create() {
  return new (std::nothrow) CountedInt;
}

int ValueOf(const RWCollectable* item) {
  return item != nullptr && item->IsA() == CountedInt::kClassId
             ? static_cast<const CountedInt*>(item)->Value()
             : -1;
}

}  // namespace vel::test
