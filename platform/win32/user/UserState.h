// Internal state of the windowing stand-in beside the windows: cursors and icons, the counters
// that are not the window calls', the WinHelpA calls and the paint marks.
#pragma once

#include <string>

#include "platform/win32/user/UserFixture.h"
#include "platform/win32/user/winuser.h"

namespace vel::platform::user {

struct Window;

// A system cursor (IDC_ARROW, IDC_WAIT) by its ordinal, made once; null for other ordinals.
HCURSOR SystemCursor(int ordinal);
// How a log line names a cursor or icon handle: null, cursor 32512, cursor 11220, icon 11413.
std::string CursorName(const void* handle);

void ReadOtherCounters(UserCounters& counters);
void ResetOtherCounters();
void CountMessageBox();
void ResetCursorsAndHelp();

// Keeps FindWindowW's copy of a top-level window's title in step with its text.
void UpdateSharedTitle(const Window& window);

}  // namespace vel::platform::user
