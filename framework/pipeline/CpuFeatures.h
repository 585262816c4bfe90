// The processor features the row loops choose their widest paths by. Each is asked once a
// process; a loop compiled for a feature runs only where the answer is yes.
#pragma once

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>

namespace vel::cpu {

inline bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3") != 0;
  return has;
}

inline bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") != 0;
  return has;
}

inline bool HasAvx512Bw() {
  static const bool has = __builtin_cpu_supports("avx512bw") != 0;
  return has;
}

inline bool HasAvx512Vbmi() {
  static const bool has = HasAvx512Bw() && __builtin_cpu_supports("avx512vbmi") != 0;
  return has;
}

inline bool HasAvx512Vnni() {
  static const bool has = HasAvx512Vbmi() && __builtin_cpu_supports("avx512vnni") != 0;
  return has;
}

// AVX-512 with byte compares, and the bit instructions tzcnt, blsr and popcnt.
inline bool HasAvx512BwBmi() {
  static const bool has = HasAvx512Bw() && __builtin_cpu_supports("bmi") != 0 &&
                          __builtin_cpu_supports("bmi2") != 0 &&
                          __builtin_cpu_supports("popcnt") != 0;
  return has;
}

// AVX-512 with byte permutes and compresses (VBMI, VBMI2), the bit instructions above and lzcnt
// (extended leaf 0x80000001, ecx bit 5).
inline bool HasAvx512Vbmi2Bmi() {
  static const bool has = [] {
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    return HasAvx512BwBmi() && HasAvx512Vbmi() && __builtin_cpu_supports("avx512vbmi2") != 0 &&
           __get_cpuid(0x80000001u, &eax, &ebx, &ecx, &edx) != 0 && (ecx & (1u << 5)) != 0;
  }();
  return has;
}

}  // namespace vel::cpu

#endif
