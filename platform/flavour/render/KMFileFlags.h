// Open flags, share flags and permissions of the kernel-mode file layers: the values of the
// runtime library's open flags, so that both layers take one 32-bit word.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kKMReadOnly = 0x0000;
inline constexpr std::uint32_t kKMWriteOnly = 0x0001;
inline constexpr std::uint32_t kKMReadWrite = 0x0002;
inline constexpr std::uint32_t kKMAccessMask = 0x0003;  // access bits 3 are refused
inline constexpr std::uint32_t kKMAppend = 0x0008;      // every write goes to the end
inline constexpr std::uint32_t kKMRandom = 0x0010;      // native layer: random-access hint
inline constexpr std::uint32_t kKMSequential = 0x0020;  // native layer: sequential-only hint
inline constexpr std::uint32_t kKMTemporary = 0x0040;   // native layer: delete on close
inline constexpr std::uint32_t kKMCreate = 0x0100;      // create when missing
inline constexpr std::uint32_t kKMTruncate = 0x0200;    // start empty
inline constexpr std::uint32_t kKMExclusive = 0x0400;   // with create: the file must not exist
inline constexpr std::uint32_t kKMShortLived = 0x1000;  // native layer: temporary-file attribute
inline constexpr std::uint32_t kKMText = 0x4000;        // accepted, no effect
inline constexpr std::uint32_t kKMBinary = 0x8000;      // accepted, no effect

// Share flags of the native layer.
inline constexpr std::uint32_t kKMDenyBoth = 0x10;
inline constexpr std::uint32_t kKMDenyWrite = 0x20;
inline constexpr std::uint32_t kKMDenyRead = 0x30;
inline constexpr std::uint32_t kKMDenyNone = 0x40;

// Permission word: kKMPermitWrite makes a created file writable.
inline constexpr std::uint32_t kKMPermitWrite = 0x80;
inline constexpr std::uint32_t kKMPermitReadWrite = 0x180;
