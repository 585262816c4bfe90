// Stand-in for the common property sheet, CommonPropertySheetUIW, as the platform runs it for a
// printer driver: a callback that adds pages through the sheet's function, a frame with OK,
// Cancel, Apply and Help, pages made when first shown, and the results of the pages reported
// back to the callback. The frame has no event loop: the scripted user drives it
// (platform/win32/user/ScriptedUser.h).
//
// The order of a run:
//   REASON_INIT with a PROPSHEETUI_INFO (the same record, UserData and Result kept, comes with
//   every later reason); an answer of 0 or less ends the run (REASON_DESTROY follows, so the
//   callback can free what INIT made). During INIT the callback adds pages with
//   CPSFUNC_ADD_PROPSHEETPAGEW.
//   REASON_GET_INFO_HEADER with a PROPSHEETUI_INFO_HEADER: title, flags and icon of the frame;
//   PSUIHDRF_NOAPPLYNOW takes the Apply button away.
//   The first page is made and shown; the scripted user acts; OK, Cancel or a close ends it.
//   Every made page gets WM_DESTROY, every page PSPCB_RELEASE, then REASON_DESTROY.
// The result is the PROPSHEETUI_INFO's Result as the callback left it.
#pragma once

#include "platform/win32/user/prsht.h"

using PFNCOMPROPSHEET = LONG_PTR(CALLBACK*)(HANDLE sheet,
                                            UINT function,
                                            LPARAM lparam1,
                                            LPARAM lparam2);

struct PROPSHEETUI_INFO {
  WORD cbSize;
  WORD Version;
  WORD Flags;
  WORD Reason;
  HANDLE hComPropSheet;
  PFNCOMPROPSHEET pfnComPropSheet;
  LPARAM lParamInit;
  ULONG_PTR UserData;
  ULONG_PTR Result;
};
using PPROPSHEETUI_INFO = PROPSHEETUI_INFO*;
using PFNPROPSHEETUI = LONG(CALLBACK*)(PPROPSHEETUI_INFO info, LPARAM lparam);

struct PROPSHEETUI_INFO_HEADER {
  WORD cbSize;
  WORD Flags;
  LPWSTR pTitle;
  HWND hWndParent;
  HINSTANCE hInst;
  union {
    HICON hIcon;
    ULONG_PTR IconID;
  };
};

struct SETRESULT_INFO {
  WORD cbSize;
  WORD wReserved;
  HANDLE hSetResult;
  LRESULT Result;
};

inline constexpr WORD PROPSHEETUI_INFO_VERSION = 0x0100;

inline constexpr WORD PROPSHEETUI_REASON_INIT = 0;
inline constexpr WORD PROPSHEETUI_REASON_GET_INFO_HEADER = 1;
inline constexpr WORD PROPSHEETUI_REASON_DESTROY = 2;
inline constexpr WORD PROPSHEETUI_REASON_SET_RESULT = 3;

inline constexpr WORD PSUIHDRF_NOAPPLYNOW = 0x02;
inline constexpr WORD PSUIHDRF_PROPTITLE = 0x04;
inline constexpr WORD PSUIHDRF_USEHICON = 0x08;
inline constexpr WORD PSUIHDRF_DEFTITLE = 0x10;

// Functions of the sheet's function (pfnComPropSheet). ADD_PROPSHEETPAGEW (lparam1: a
// PROPSHEETPAGEW) copies the page and answers a non-zero page handle (0 for a page it cannot
// take); SET_RESULT (lparam1: the handle of the page or sheet that reports, lparam2: the result)
// calls the callback with REASON_SET_RESULT at once and answers 1. Other functions answer -1.
inline constexpr UINT CPSFUNC_ADD_PROPSHEETPAGEW = 1;
inline constexpr UINT CPSFUNC_SET_RESULT = 9;

inline constexpr LONG_PTR CPSUI_CANCEL = 0;
inline constexpr LONG_PTR CPSUI_OK = 1;
inline constexpr LONG ERR_CPSUI_GETLASTERROR = -1;

// Runs a sheet and answers its result (CPSUI_OK or CPSUI_CANCEL), also through *result; a run
// whose INIT failed answers ERR_CPSUI_GETLASTERROR and leaves *result unchanged.
LONG CommonPropertySheetUIW(HWND owner, PFNPROPSHEETUI callback, LPARAM lparam, LPDWORD result);
