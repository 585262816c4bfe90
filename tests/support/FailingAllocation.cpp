// The non-throwing operator new forms, replaced for test binaries so they can be made to fail.
#include "tests/support/FailingAllocation.h"

#include <atomic>
#include <new>

namespace {

std::atomic<bool> g_armed{false};
std::atomic<int> g_skip{0};
std::atomic<int> g_count{0};
std::atomic<int> g_refused{0};

bool ShouldRefuse() {
  if (!g_armed.load()) {
    return false;
  }
  if (g_skip.load() > 0) {
    g_skip.fetch_sub(1);
    return false;
  }
  int count = g_count.load();
  if (count == 0) {
    return false;
  }
  if (count > 0) {
    g_count.fetch_sub(1);
  }
  g_refused.fetch_add(1);
  return true;
}

}  // namespace

namespace vel::test {

FailingAllocation::FailingAllocation(int skip, int count) {
  g_skip = skip;
  g_count = count;
  g_refused = 0;
  g_armed = true;
}

FailingAllocation::~FailingAllocation() {
  g_armed = false;
}

int FailingAllocation::Refused() const {
  return g_refused.load();
}

}  // namespace vel::test

namespace {

// A refused allocation runs the installed new-handler and tries again, as the runtime's allocator
// does: the handler frees memory and returns, or gives up by throwing bad_alloc. Without a handler
// the allocation fails.
bool RefusedAfterHandler() {
  while (ShouldRefuse()) {
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) {
      return true;
    }
    try {
      handler();
    } catch (const std::bad_alloc&) {
      return true;
    }
  }
  return false;
}

}  // namespace

// Defer to the throwing forms so that allocation and release stay paired in the sanitizers' view.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (RefusedAfterHandler()) {
    return nullptr;
  }
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (RefusedAfterHandler()) {
    return nullptr;
  }
  try {
    return ::operator new[](size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
