// The generation that invalidates every thread's kept cast answers.
#include "framework/core/CachedCast.h"

namespace vel {

namespace cached_cast {
std::atomic<std::uint64_t> generation{0};
}  // namespace cached_cast

void ForgetCachedCasts() {
  cached_cast::generation.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace vel
