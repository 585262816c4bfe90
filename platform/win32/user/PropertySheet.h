// Internal view of the common property sheet for the scripted user: the sheets open on the
// calling thread, their pages and the frame's buttons.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/user/ScriptedUser.h"
#include "platform/win32/user/winuser.h"

namespace vel::platform::user {

// The frame of an open sheet by its window, or false when the window is no sheet.
bool IsSheetFrame(HWND frame);
std::vector<SheetPageInfo> SheetPages(HWND frame);
// Makes a page active: PSN_KILLACTIVE to the old page (TRUE in DWLP_MSGRESULT keeps it), the
// page made when first shown, PSN_SETACTIVE. False with `error` set when it stays.
bool ActivateSheetPage(HWND frame, std::size_t index, std::string& error);
HWND ActiveSheetPage(HWND frame);
bool SheetClosed(HWND frame);
std::u16string SheetTitle(HWND frame);
// Closes a sheet that its handler left open, as Cancel does.
void CancelSheet(HWND frame);

}  // namespace vel::platform::user
