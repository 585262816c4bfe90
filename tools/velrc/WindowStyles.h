// The platform's named constants that resource scripts use: window, dialog and control styles,
// and the version block's operating-system and file-type values.
#pragma once

#include <cstdint>
#include <string_view>

namespace vel::velrc {

inline constexpr std::uint32_t kWsPopup = 0x80000000;
inline constexpr std::uint32_t kWsChild = 0x40000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsCaption = 0x00C00000;
inline constexpr std::uint32_t kWsBorder = 0x00800000;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000;
inline constexpr std::uint32_t kWsGroup = 0x00020000;
inline constexpr std::uint32_t kWsTabStop = 0x00010000;
inline constexpr std::uint32_t kDsSetFont = 0x40;

inline constexpr std::uint32_t kBsPushButton = 0x0;
inline constexpr std::uint32_t kBsDefPushButton = 0x1;
inline constexpr std::uint32_t kBsCheckBox = 0x2;
inline constexpr std::uint32_t kBsAutoCheckBox = 0x3;
inline constexpr std::uint32_t kBsRadioButton = 0x4;
inline constexpr std::uint32_t kBsGroupBox = 0x7;
inline constexpr std::uint32_t kBsAutoRadioButton = 0x9;
inline constexpr std::uint32_t kSsLeft = 0x0;
inline constexpr std::uint32_t kSsCenter = 0x1;
inline constexpr std::uint32_t kSsRight = 0x2;
inline constexpr std::uint32_t kSsIcon = 0x3;
inline constexpr std::uint32_t kEsLeft = 0x0;
inline constexpr std::uint32_t kCbsSimple = 0x1;
inline constexpr std::uint32_t kLbsNotify = 0x1;
inline constexpr std::uint32_t kSbsHorz = 0x0;

// Finds a named constant (exact spelling); false when the name is not one.
bool FindWindowConstant(std::string_view name, std::uint32_t& value);

}  // namespace vel::velrc
