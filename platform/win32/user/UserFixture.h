// What tests and hosts read and set on the windowing stand-in beside the platform's own calls:
// the call counters, the calls to WinHelpA with their copied help-id pairs, the paint marks that
// the drawing stand-in consumes, and a reset between tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/user/winuser.h"

namespace vel::platform {

// Calls counted since the last ResetUserCounters (process-wide).
struct UserCounters {
  int enable_window = 0;
  int show_window = 0;
  int message_beep = 0;
  int win_help = 0;
  int message_box = 0;
};
UserCounters GetUserCounters();
void ResetUserCounters();

// One call of WinHelpA. For HELP_WM_HELP and HELP_CONTEXTMENU, data points to (item id, help id)
// pairs of 32-bit values ended by an item id of 0; they are copied (at most 4096 pairs).
struct WinHelpCall {
  std::string window;  // the window's label in the call log
  std::string file;
  UINT command = 0;
  ULONG_PTR data = 0;
  std::vector<std::pair<DWORD, DWORD>> pairs;
};
std::vector<WinHelpCall> WinHelpCalls();

// InvalidateRect marks a window; the drawing stand-in's paint step takes the marks.
bool IsMarkedForPaint(HWND window);
// The marked windows of the calling thread in z-order of their trees, and the marks cleared.
std::vector<HWND> TakePaintMarks();

// The paint step: a function that repaints the marked windows (the drawing stand-in installs it)
// and answers how many it drew. The scripted user runs it before each action on a control, before
// a dialog's or sheet's handler and on its `paint` action; without one nothing is painted.
void SetPaintHook(std::function<int()> hook);
int RunPaintHook();

// Destroys every window of the calling thread and clears the counters, the WinHelpA calls, the
// cursor position and the cursor. Window classes and registered messages stay.
void ResetWindowing();

// How log lines and errors name a window: dialog 1000, dialog "Caption", item 1021, ...
std::string WindowLabel(HWND window);

}  // namespace vel::platform
