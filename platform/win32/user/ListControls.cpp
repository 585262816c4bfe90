// COMBOBOX (drop-down with an edit part, drop-down list, simple) and LISTBOX (single selection):
// the list of entries with their data, the selection and the notifications.
#include <algorithm>

#include "platform/win32/user/EditText.h"
#include "platform/win32/user/Window.h"

namespace vel::platform::user {
namespace {

bool IsCombo(const Window& window) {
  return window.kind == Kind::kComboBox;
}

DWORD ComboType(const Window& window) {
  return window.style & 0x3;
}

bool HasEditPart(const Window& window) {
  return IsCombo(window) && ComboType(window) != CBS_DROPDOWNLIST;
}

bool Sorted(const Window& window) {
  return IsCombo(window) ? (window.style & CBS_SORT) != 0 : (window.style & LBS_SORT) != 0;
}

int Compare(std::u16string_view a, std::u16string_view b) {
  const std::size_t count = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < count; ++i) {
    auto fold = [](char16_t c) {
      return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
    };
    if (fold(a[i]) != fold(b[i])) {
      return fold(a[i]) < fold(b[i]) ? -1 : 1;
    }
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && Compare(text.substr(0, prefix.size()), prefix) == 0;
}

LRESULT Insert(Window& list, INT_PTR index, LPCWSTR text) {
  const auto count = static_cast<INT_PTR>(list.items.size());
  if (index < -1 || index > count) {
    return CB_ERR;
  }
  if (index == -1) {
    index = count;
  }
  list.items.insert(list.items.begin() + index, ListItem{TextOf(text), 0});
  if (list.selected >= index) {
    ++list.selected;
  }
  MarkForPaint(list);
  return index;
}

LRESULT Add(Window& list, LPCWSTR text) {
  INT_PTR index = static_cast<INT_PTR>(list.items.size());
  if (Sorted(list)) {
    const std::u16string added = TextOf(text);
    index = std::upper_bound(list.items.begin(), list.items.end(), added,
                             [](const std::u16string& value, const ListItem& item) {
                               return Compare(value, item.text) < 0;
                             }) -
            list.items.begin();
  }
  return Insert(list, index, text);
}

bool Valid(const Window& list, WPARAM index) {
  return index < list.items.size();
}

// Selects an entry (or nothing for -1) as a program does: no notification.
LRESULT Select(Window& list, INT_PTR index) {
  if (index < 0 || !Valid(list, static_cast<WPARAM>(index))) {
    list.selected = -1;
    if (IsCombo(list)) {
      list.text.clear();
      list.caret = list.selection_anchor = 0;
    }
    MarkForPaint(list);
    return CB_ERR;
  }
  list.selected = static_cast<int>(index);
  if (IsCombo(list)) {
    list.text = list.items[static_cast<std::size_t>(index)].text;
    list.selection_anchor = 0;
    list.caret = list.text.size();
  }
  MarkForPaint(list);
  return index;
}

LRESULT CopyEntry(const Window& list, WPARAM index, LPARAM buffer) {
  if (!Valid(list, index)) {
    return CB_ERR;
  }
  const std::u16string& text = list.items[index].text;
  if (buffer != 0) {
    auto* out = reinterpret_cast<WCHAR*>(buffer);
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = 0;
  }
  return static_cast<LRESULT>(text.size());
}

LRESULT Delete(Window& list, WPARAM index) {
  if (!Valid(list, index)) {
    return CB_ERR;
  }
  list.items.erase(list.items.begin() + static_cast<std::ptrdiff_t>(index));
  if (list.selected == static_cast<int>(index)) {
    list.selected = -1;
    if (IsCombo(list) && !HasEditPart(list)) {
      list.text.clear();
    }
  } else if (list.selected > static_cast<int>(index)) {
    --list.selected;
  }
  MarkForPaint(list);
  return static_cast<LRESULT>(list.items.size());
}

// Moves the selection as a person does with the arrow keys, and tells the parent.
void Arrow(HWND handle, int step) {
  Window* list = Find(handle);
  if (list == nullptr || list->items.empty()) {
    return;
  }
  const int last = static_cast<int>(list->items.size()) - 1;
  const int next = list->selected < 0 ? 0 : std::clamp(list->selected + step, 0, last);
  if (next != list->selected) {
    UserSelect(handle, next);
  }
}

LRESULT ListMessage(HWND handle,
                    Window& list,
                    UINT message,
                    WPARAM wparam,
                    LPARAM lparam,
                    bool* handled) {
  *handled = true;
  const bool combo = IsCombo(list);
  auto text = [lparam] { return TextOf(reinterpret_cast<LPCWSTR>(lparam)); };
  const auto start = static_cast<int>(static_cast<INT_PTR>(wparam));
  if (message == (combo ? CB_ADDSTRING : LB_ADDSTRING)) {
    return Add(list, reinterpret_cast<LPCWSTR>(lparam));
  }
  if (message == (combo ? CB_INSERTSTRING : LB_INSERTSTRING)) {
    return Insert(list, static_cast<INT_PTR>(wparam), reinterpret_cast<LPCWSTR>(lparam));
  }
  if (message == (combo ? CB_DELETESTRING : LB_DELETESTRING)) {
    return Delete(list, wparam);
  }
  if (message == (combo ? CB_RESETCONTENT : LB_RESETCONTENT)) {
    list.items.clear();
    list.selected = -1;
    list.top_index = 0;
    if (combo) {
      list.text.clear();
      list.caret = list.selection_anchor = 0;
    }
    MarkForPaint(list);
    return 0;
  }
  if (message == (combo ? CB_GETCOUNT : LB_GETCOUNT)) {
    return static_cast<LRESULT>(list.items.size());
  }
  if (message == (combo ? CB_GETCURSEL : LB_GETCURSEL)) {
    return list.selected < 0 ? CB_ERR : list.selected;
  }
  if (message == (combo ? CB_SETCURSEL : LB_SETCURSEL)) {
    return Select(list, static_cast<INT_PTR>(wparam));
  }
  if (message == (combo ? CB_GETLBTEXT : LB_GETTEXT)) {
    return CopyEntry(list, wparam, lparam);
  }
  if (message == (combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN)) {
    return Valid(list, wparam) ? static_cast<LRESULT>(list.items[wparam].text.size()) : CB_ERR;
  }
  if (message == (combo ? CB_GETITEMDATA : LB_GETITEMDATA)) {
    return Valid(list, wparam) ? static_cast<LRESULT>(list.items[wparam].data) : CB_ERR;
  }
  if (message == (combo ? CB_SETITEMDATA : LB_SETITEMDATA)) {
    if (!Valid(list, wparam)) {
      return CB_ERR;
    }
    list.items[wparam].data = static_cast<ULONG_PTR>(lparam);
    return TRUE;
  }
  if (message == (combo ? CB_FINDSTRING : LB_FINDSTRING)) {
    return FindItem(list, text(), start, false);
  }
  if (message == (combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT)) {
    return FindItem(list, text(), start, true);
  }
  if (message == (combo ? CB_SELECTSTRING : LB_SELECTSTRING)) {
    const int found = FindItem(list, text(), start, false);
    return found < 0 ? CB_ERR : Select(list, found);
  }
  if (!combo && message == LB_GETTOPINDEX) {
    return list.top_index;
  }
  if (!combo && message == LB_SETTOPINDEX) {
    if (!Valid(list, wparam)) {
      return LB_ERR;
    }
    list.top_index = static_cast<int>(wparam);
    return 0;
  }
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
      MoveFocus(handle);
      return 0;
    case WM_ENABLE:
      MarkForPaint(list);
      return 0;
    default:
      *handled = false;
      return 0;
  }
}

}  // namespace

int FindItem(const Window& list, std::u16string_view text, int start_after, bool exact) {
  const int count = static_cast<int>(list.items.size());
  const int first = start_after < 0 || start_after >= count ? 0 : start_after + 1;
  for (int i = 0; i < count; ++i) {
    const int index = (first + i) % count;
    const std::u16string& item = list.items[static_cast<std::size_t>(index)].text;
    if (exact ? Compare(item, text) == 0 : StartsWithNoCase(item, text)) {
      return index;
    }
  }
  return static_cast<int>(CB_ERR);
}

void UserSelect(HWND handle, int index) {
  Window* list = Find(handle);
  if (list == nullptr) {
    return;
  }
  Select(*list, index);
  NotifyParent(*list, IsCombo(*list) ? CBN_SELCHANGE : LBN_SELCHANGE);
}

LRESULT CALLBACK ComboBoxProc(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* combo = Find(handle);
  if (combo == nullptr) {
    return 0;
  }
  bool handled = false;
  const LRESULT answer = ListMessage(handle, *combo, message, wparam, lparam, &handled);
  if (handled) {
    return answer;
  }
  switch (message) {
    case WM_SETTEXT: {
      const std::u16string text = TextOf(reinterpret_cast<LPCWSTR>(lparam));
      if (!HasEditPart(*combo)) {
        // A drop-down list shows only its entries.
        const int found = FindItem(*combo, text, -1, true);
        return found < 0 ? CB_ERR : (Select(*combo, found), TRUE);
      }
      combo->text = text;
      combo->selection_anchor = 0;
      combo->caret = text.size();
      MarkForPaint(*combo);
      return TRUE;
    }
    case CB_LIMITTEXT:
      combo->limit = wparam == 0 ? 0x7FFFFFFE : static_cast<std::size_t>(wparam);
      return TRUE;
    case CB_GETEDITSEL:
      return HasEditPart(*combo) ? AnswerSelection(*combo, wparam, lparam) : CB_ERR;
    case CB_SETEDITSEL:
      if (!HasEditPart(*combo)) {
        return CB_ERR;
      }
      SetSelection(*combo, static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lparam))),
                   static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lparam))));
      return TRUE;
    case CB_SHOWDROPDOWN:
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return FALSE;
    case WM_CHAR:
      if (HasEditPart(*combo)) {
        if (EditByKey(*combo, message, wparam) == EditResult::kChanged) {
          NotifyParent(*combo, CBN_EDITCHANGE);
        }
      } else if (wparam >= 0x20) {
        // A drop-down list selects the next entry that starts with the typed character.
        const char16_t typed[] = {static_cast<char16_t>(wparam), 0};
        const int found = FindItem(*combo, typed, combo->selected, false);
        if (found >= 0 && found != combo->selected) {
          UserSelect(handle, found);
        }
      }
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_UP || wparam == VK_DOWN) {
        Arrow(handle, wparam == VK_UP ? -1 : 1);
      } else if (HasEditPart(*combo) &&
                 EditByKey(*combo, message, wparam) == EditResult::kChanged) {
        NotifyParent(*combo, CBN_EDITCHANGE);
      }
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      MarkForPaint(*combo);
      NotifyParent(*combo, message == WM_SETFOCUS ? CBN_SETFOCUS : CBN_KILLFOCUS);
      return 0;
    default:
      return DefWindowProcW(handle, message, wparam, lparam);
  }
}

LRESULT CALLBACK ListBoxProc(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* list = Find(handle);
  if (list == nullptr) {
    return 0;
  }
  bool handled = false;
  const LRESULT answer = ListMessage(handle, *list, message, wparam, lparam, &handled);
  if (handled) {
    return message == LB_SETCURSEL && static_cast<INT_PTR>(wparam) == -1 ? LB_ERR : answer;
  }
  switch (message) {
    case WM_KEYDOWN:
      if (wparam == VK_UP || wparam == VK_DOWN) {
        Arrow(handle, wparam == VK_UP ? -1 : 1);
      }
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      MarkForPaint(*list);
      NotifyParent(*list, message == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
      return 0;
    default:
      return DefWindowProcW(handle, message, wparam, lparam);
  }
}

}  // namespace vel::platform::user
