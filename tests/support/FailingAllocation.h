// A failing-allocation switch for tests of out-of-memory paths.
//
// While armed, the non-throwing forms of operator new (`new (std::nothrow) T`, the form the
// system uses wherever it expects a null result) let `skip` allocations through and then answer
// null for the next `count` (-1: all). A refused allocation first runs the installed new-handler
// and asks again, as the runtime's allocator does, so an out-of-memory handler's retry can be
// tested. Throwing forms are never affected.
#pragma once

namespace vel::test {

class FailingAllocation {
 public:
  FailingAllocation(int skip, int count = 1);
  ~FailingAllocation();
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;

  // How many allocations were refused while this switch was armed.
  int Refused() const;
};

}  // namespace vel::test
