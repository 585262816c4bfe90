// Stand-in for the common controls that the pages use: the up-down control (msctls_updown32).
//
// An up-down control keeps a position in a range. A step (an arrow clicked by the scripted user)
// sends WM_NOTIFY UDN_DELTAPOS with an NMUPDOWN (iPos the current position, iDelta +1 or -1) to
// the parent; unless the parent answers non-zero, the position moves by iDelta, kept inside the
// range, and the parent gets WM_VSCROLL (WM_HSCROLL with UDS_HORZ) with SB_THUMBPOSITION and the
// new position. The control never updates a buddy window.
#pragma once

#include "platform/win32/user/winuser.h"

inline constexpr WCHAR UPDOWN_CLASSW[] = u"msctls_updown32";

inline constexpr DWORD UDS_WRAP = 0x1;
inline constexpr DWORD UDS_SETBUDDYINT = 0x2;
inline constexpr DWORD UDS_ALIGNRIGHT = 0x4;
inline constexpr DWORD UDS_AUTOBUDDY = 0x10;
inline constexpr DWORD UDS_ARROWKEYS = 0x20;
inline constexpr DWORD UDS_HORZ = 0x40;
inline constexpr DWORD UDS_NOTHOUSANDS = 0x80;

// UDM_SETRANGE: lParam = MAKELONG(upper, lower). UDM_GETRANGE answers the same packing.
// UDM_SETPOS: lParam = MAKELONG(position, 0), answers the previous position. UDM_GETPOS answers
// MAKELONG(position, 0).
inline constexpr UINT UDM_SETRANGE = WM_USER + 101;
inline constexpr UINT UDM_GETRANGE = WM_USER + 102;
inline constexpr UINT UDM_SETPOS = WM_USER + 103;
inline constexpr UINT UDM_GETPOS = WM_USER + 104;
inline constexpr UINT UDM_SETBUDDY = WM_USER + 105;
inline constexpr UINT UDM_GETBUDDY = WM_USER + 106;

inline constexpr UINT UDN_FIRST = 0U - 721U;
inline constexpr UINT UDN_DELTAPOS = UDN_FIRST - 1;

struct NMUPDOWN {
  NMHDR hdr;
  int iPos;
  int iDelta;
};
