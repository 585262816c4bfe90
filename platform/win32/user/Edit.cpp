// EDIT: single-line text with a selection, a caret and a length limit. The same editing serves the
// edit part of drop-down combo boxes.
#include <algorithm>

#include "platform/win32/user/EditText.h"
#include "platform/win32/user/Window.h"

namespace vel::platform::user {

std::pair<std::size_t, std::size_t> Selection(const Window& window) {
  const std::size_t size = window.text.size();
  const std::size_t anchor = std::min(window.selection_anchor, size);
  const std::size_t caret = std::min(window.caret, size);
  return {std::min(anchor, caret), std::max(anchor, caret)};
}

void SetSelection(Window& window, INT_PTR start, INT_PTR end) {
  const auto size = static_cast<INT_PTR>(window.text.size());
  if (start == -1) {
    // Deselects and keeps the caret.
    window.selection_anchor = std::min<std::size_t>(window.caret, window.text.size());
    window.caret = window.selection_anchor;
    return;
  }
  if (end < 0 || end > size) {
    end = size;
  }
  start = std::clamp<INT_PTR>(start, 0, size);
  window.selection_anchor = static_cast<std::size_t>(start);
  window.caret = static_cast<std::size_t>(end);
}

LRESULT AnswerSelection(const Window& window, WPARAM wparam, LPARAM lparam) {
  const auto [start, end] = Selection(window);
  if (wparam != 0) {
    *reinterpret_cast<DWORD*>(wparam) = static_cast<DWORD>(start);
  }
  if (lparam != 0) {
    *reinterpret_cast<DWORD*>(lparam) = static_cast<DWORD>(end);
  }
  return MAKELONG(static_cast<WORD>(std::min<std::size_t>(start, 0xFFFF)),
                  static_cast<WORD>(std::min<std::size_t>(end, 0xFFFF)));
}

bool ReplaceSelection(Window& window, std::u16string_view text) {
  const auto [start, end] = Selection(window);
  std::u16string inserted(text);
  if ((window.style & ES_UPPERCASE) != 0 || (window.style & ES_LOWERCASE) != 0) {
    const bool upper = (window.style & ES_UPPERCASE) != 0;
    for (char16_t& c : inserted) {
      if (upper && c >= u'a' && c <= u'z') {
        c = static_cast<char16_t>(c - u'a' + u'A');
      } else if (!upper && c >= u'A' && c <= u'Z') {
        c = static_cast<char16_t>(c - u'A' + u'a');
      }
    }
  }
  // The limit cuts what is inserted; text already longer than the limit stays.
  const std::size_t kept = window.text.size() - (end - start);
  const std::size_t room = window.limit > kept ? window.limit - kept : 0;
  if (inserted.size() > room) {
    inserted.resize(room);
  }
  if (inserted.empty() && start == end) {
    return false;
  }
  const std::u16string before = window.text;
  window.text.replace(start, end - start, inserted);
  window.caret = window.selection_anchor = start + inserted.size();
  window.modified = true;
  MarkForPaint(window);
  return window.text != before;
}

EditResult EditByKey(Window& window, UINT message, WPARAM wparam) {
  if (message == WM_CHAR) {
    const auto c = static_cast<char16_t>(wparam);
    if ((window.style & ES_READONLY) != 0) {
      return EditResult::kNone;
    }
    if (c == VK_BACK) {
      const auto [start, end] = Selection(window);
      if (start == end) {
        if (start == 0) {
          return EditResult::kNone;
        }
        window.selection_anchor = start - 1;
        window.caret = start;
      }
      return ReplaceSelection(window, u"") ? EditResult::kChanged : EditResult::kNone;
    }
    if (c < 0x20) {
      return EditResult::kNone;  // tab, return and escape belong to the dialog
    }
    if ((window.style & ES_NUMBER) != 0 && (c < u'0' || c > u'9')) {
      return EditResult::kNone;
    }
    const auto [start, end] = Selection(window);
    if (window.text.size() - (end - start) >= window.limit) {
      return EditResult::kFull;
    }
    const char16_t typed[] = {c, 0};
    return ReplaceSelection(window, typed) ? EditResult::kChanged : EditResult::kNone;
  }
  if (message != WM_KEYDOWN) {
    return EditResult::kNone;
  }
  const std::size_t size = window.text.size();
  const std::size_t caret = std::min(window.caret, size);
  switch (wparam) {
    case VK_LEFT:
      window.caret = window.selection_anchor = caret > 0 ? caret - 1 : 0;
      return EditResult::kNone;
    case VK_RIGHT:
      window.caret = window.selection_anchor = std::min(caret + 1, size);
      return EditResult::kNone;
    case VK_HOME:
      window.caret = window.selection_anchor = 0;
      return EditResult::kNone;
    case VK_END:
      window.caret = window.selection_anchor = size;
      return EditResult::kNone;
    case VK_DELETE: {
      if ((window.style & ES_READONLY) != 0) {
        return EditResult::kNone;
      }
      const auto [start, end] = Selection(window);
      if (start == end) {
        if (end >= size) {
          return EditResult::kNone;
        }
        window.selection_anchor = start;
        window.caret = start + 1;
      }
      return ReplaceSelection(window, u"") ? EditResult::kChanged : EditResult::kNone;
    }
    default:
      return EditResult::kNone;
  }
}

LRESULT CALLBACK EditProc(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* edit = Find(handle);
  if (edit == nullptr) {
    return 0;
  }
  const bool multiline = (edit->style & ES_MULTILINE) != 0;
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SETTEXT:
      // The limit does not apply to text set as a whole.
      edit->text = TextOf(reinterpret_cast<LPCWSTR>(lparam));
      edit->caret = edit->selection_anchor = 0;
      edit->modified = false;
      MarkForPaint(*edit);
      if (!multiline) {
        NotifyParent(*edit, EN_CHANGE);
      }
      return TRUE;
    case EM_GETSEL:
      return AnswerSelection(*edit, wparam, lparam);
    case EM_SETSEL:
      SetSelection(*edit, static_cast<INT_PTR>(wparam), lparam);
      MarkForPaint(*edit);
      return 0;
    case EM_REPLACESEL:
      if (ReplaceSelection(*edit, TextOf(reinterpret_cast<LPCWSTR>(lparam)))) {
        NotifyParent(*edit, EN_CHANGE);
      }
      return 0;
    case EM_LIMITTEXT:
      edit->limit = wparam == 0 ? 0x7FFFFFFE : static_cast<std::size_t>(wparam);
      return 0;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(edit->limit);
    case EM_SETREADONLY:
      edit->style = wparam != 0 ? (edit->style | ES_READONLY) : (edit->style & ~ES_READONLY);
      MarkForPaint(*edit);
      return TRUE;
    case EM_GETMODIFY:
      return edit->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      edit->modified = wparam != 0;
      return 0;
    case WM_CHAR:
    case WM_KEYDOWN:
      switch (EditByKey(*edit, message, wparam)) {
        case EditResult::kChanged:
          NotifyParent(*edit, EN_CHANGE);
          break;
        case EditResult::kFull:
          NotifyParent(*edit, EN_MAXTEXT);
          break;
        case EditResult::kNone:
          break;
      }
      return 0;
    case WM_LBUTTONDOWN:
      MoveFocus(handle);
      return 0;
    case WM_SETFOCUS:
      MarkForPaint(*edit);
      NotifyParent(*edit, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      MarkForPaint(*edit);
      NotifyParent(*edit, EN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
      MarkForPaint(*edit);
      return 0;
    default:
      return DefWindowProcW(handle, message, wparam, lparam);
  }
}

}  // namespace vel::platform::user
