// The services' 15-bit generator: a counter stepped by a fixed odd constant and mixed into 64
// well-spread bits (splitmix64), of which the top 15 are the number. One atomic step per number,
// so concurrent callers never draw the same state.
#include "framework/core/GRandom.h"

#include <atomic>

namespace {

std::atomic<std::uint64_t> g_state{0x853C49E6748FEA9Bull};
std::atomic<bool> g_seeded{false};
std::atomic<std::uint64_t> g_seed_counter{0};

constexpr std::uint64_t kStep = 0x9E3779B97F4A7C15ull;

std::uint64_t Mix(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

namespace vel {

void SeedRandomOnce(std::uint64_t clock, std::uint64_t process_id) {
  bool expected = false;
  if (!g_seeded.compare_exchange_strong(expected, true)) {
    return;
  }
  const std::uint64_t counter = g_seed_counter.fetch_add(1);
  g_state.store(Mix(clock) ^ Mix(process_id + kStep) ^ Mix(counter + 2 * kStep));
}

std::int32_t NextRandom() {
  const std::uint64_t state = g_state.fetch_add(kStep) + kStep;
  return static_cast<std::int32_t>(Mix(state) >> 49);
}

void PinRandomSeed(std::uint64_t seed) {
  g_seeded.store(true);
  g_state.store(seed);
}

}  // namespace vel
