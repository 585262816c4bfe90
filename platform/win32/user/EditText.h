// Text editing shared by edit controls and the edit part of drop-down combo boxes.
#pragma once

#include <cstddef>
#include <utility>

#include "platform/win32/user/Window.h"

namespace vel::platform::user {

enum class EditResult { kNone, kChanged, kFull };

// The selection as (start, end), start <= end, inside the text.
std::pair<std::size_t, std::size_t> Selection(const Window& window);
// EM_SETSEL: start -1 deselects, end -1 (or past the text) is the end of the text; the caret goes
// to the end position.
void SetSelection(Window& window, INT_PTR start, INT_PTR end);
// EM_GETSEL's answer, also written through the two DWORD pointers when given.
LRESULT AnswerSelection(const Window& window, WPARAM wparam, LPARAM lparam);
// WM_CHAR (a character at the caret, backspace) and WM_KEYDOWN (arrows, Home, End, Delete).
EditResult EditByKey(Window& window, UINT message, WPARAM wparam);

}  // namespace vel::platform::user
