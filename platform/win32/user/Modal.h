// The seam between modal windows and the scripted user: a modal dialog or a message box is
// answered by what the scripted user of the calling thread has registered for it.
#pragma once

#include "platform/win32/user/winuser.h"

namespace vel::platform::user {

// Runs a modal dialog that has been made and shown: the handler registered for it acts until the
// dialog ends. Answers false when nothing could answer the dialog (an error has been reported).
bool RunModalDialog(HWND dialog);

// Answers a message box from the queue of expected boxes.
int AnswerMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

}  // namespace vel::platform::user
