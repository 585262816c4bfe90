// Stand-in for the property sheet page records and notifications that the common property sheet
// (platform/win32/user/compstui.h) shows.
#pragma once

#include "platform/win32/user/winuser.h"

struct PROPSHEETPAGEW;
using LPPROPSHEETPAGEW = PROPSHEETPAGEW*;
using LPCPROPSHEETPAGEW = const PROPSHEETPAGEW*;
using LPFNPSPCALLBACKW = UINT(CALLBACK*)(HWND window, UINT message, LPPROPSHEETPAGEW page);

// A page as its owner describes it. The sheet keeps its own copy of dwSize bytes (at least this
// record), so owners may append their own fields; lParam is the owner's.
struct PROPSHEETPAGEW {
  DWORD dwSize;
  DWORD dwFlags;
  HINSTANCE hInstance;
  union {
    LPCWSTR pszTemplate;        // a resource name or ordinal in hInstance
    LPCDLGTEMPLATEW pResource;  // with PSP_DLGINDIRECT: a template in memory
  };
  union {
    HICON hIcon;
    LPCWSTR pszIcon;
  };
  LPCWSTR pszTitle;  // with PSP_USETITLE; otherwise the template's caption is the title
  DLGPROC pfnDlgProc;
  LPARAM lParam;
  LPFNPSPCALLBACKW pfnCallback;  // with PSP_USECALLBACK
  UINT* pcRefParent;
};

inline constexpr DWORD PSP_DEFAULT = 0x0;
inline constexpr DWORD PSP_DLGINDIRECT = 0x1;
inline constexpr DWORD PSP_USEHICON = 0x2;
inline constexpr DWORD PSP_USEICONID = 0x4;
inline constexpr DWORD PSP_USETITLE = 0x8;
inline constexpr DWORD PSP_HASHELP = 0x20;
inline constexpr DWORD PSP_USEREFPARENT = 0x40;
inline constexpr DWORD PSP_USECALLBACK = 0x80;

// Page callback messages. PSPCB_CREATE answers 0 to refuse the page.
inline constexpr UINT PSPCB_RELEASE = 1;
inline constexpr UINT PSPCB_CREATE = 2;

// Notifications (WM_NOTIFY with a PSHNOTIFY) from the sheet to its pages. A page answers through
// its DWLP_MSGRESULT slot: TRUE at PSN_KILLACTIVE keeps it active; PSNRET_INVALID or
// PSNRET_INVALID_NOCHANGEPAGE at PSN_APPLY keeps the sheet open.
inline constexpr UINT PSN_FIRST = 0U - 200U;
inline constexpr UINT PSN_SETACTIVE = PSN_FIRST - 0;
inline constexpr UINT PSN_KILLACTIVE = PSN_FIRST - 1;
inline constexpr UINT PSN_APPLY = PSN_FIRST - 2;
inline constexpr UINT PSN_RESET = PSN_FIRST - 3;
inline constexpr UINT PSN_HELP = PSN_FIRST - 5;
inline constexpr LRESULT PSNRET_NOERROR = 0;
inline constexpr LRESULT PSNRET_INVALID = 1;
inline constexpr LRESULT PSNRET_INVALID_NOCHANGEPAGE = 2;

struct PSHNOTIFY {
  NMHDR hdr;
  LPARAM lParam;  // PSN_APPLY: TRUE when the sheet closes (OK), FALSE for Apply
};

// Ids of the sheet frame's buttons.
inline constexpr int IDAPPLY_SHEET = 0x3021;
inline constexpr int IDHELP_SHEET = 9;
