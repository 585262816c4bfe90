// The services' random numbers: one 15-bit generator per process, seeded once.
#pragma once

#include <cstdint>

namespace vel {

// Seeds the generator from the caller's clock value mixed with the process id and a counter,
// only the first time (or not at all once a seed is pinned).
void SeedRandomOnce(std::uint64_t clock, std::uint64_t process_id);
// The next number, 0 to 32767. Safe from any thread.
std::int32_t NextRandom();
// Tests: seeds the generator with `seed` now; later SeedRandomOnce calls change nothing.
void PinRandomSeed(std::uint64_t seed);

}  // namespace vel
