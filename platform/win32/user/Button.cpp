// BUTTON: push buttons, check boxes, radio buttons, group boxes and owner-drawn buttons; and
// STATIC: texts and icons.
#include <algorithm>

#include "platform/win32/user/Window.h"

namespace vel::platform::user {
namespace {

constexpr DWORD kNotify = 0x4000;  // BS_NOTIFY: focus notifications to the parent

bool HoldsCheck(DWORD type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
         type == BS_3STATE || type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

// Checks an auto radio button and unchecks the other auto radio buttons of its group: the run of
// siblings that starts at the last sibling with WS_GROUP (at or before it) and ends before the
// next one.
void CheckInGroup(Window& button) {
  Window* parent = Find(button.parent);
  if (parent == nullptr) {
    button.check = BST_CHECKED;
    return;
  }
  const std::vector<HWND>& siblings = parent->children;
  auto self = std::find(siblings.begin(), siblings.end(), button.handle);
  if (self == siblings.end()) {
    return;
  }
  auto first = self;
  while (first != siblings.begin()) {
    Window* window = Find(*first);
    if (window != nullptr && (window->style & WS_GROUP) != 0) {
      break;
    }
    --first;
  }
  for (auto it = first; it != siblings.end(); ++it) {
    Window* window = Find(*it);
    if (window == nullptr) {
      continue;
    }
    if (it != first && (window->style & WS_GROUP) != 0) {
      break;
    }
    if (window->kind == Kind::kButton && window->Type() == BS_AUTORADIOBUTTON &&
        window->check != (window == &button ? BST_CHECKED : BST_UNCHECKED)) {
      window->check = window == &button ? BST_CHECKED : BST_UNCHECKED;
      MarkForPaint(*window);
    }
  }
}

// What a released click does: the automatic styles change their check, the parent hears of it.
void Clicked(HWND handle) {
  Window* button = Find(handle);
  if (button == nullptr) {
    return;
  }
  switch (button->Type()) {
    case BS_AUTOCHECKBOX:
      button->check = button->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
      break;
    case BS_AUTO3STATE:
      button->check = (button->check + 1) % 3;
      break;
    case BS_AUTORADIOBUTTON:
      CheckInGroup(*button);
      break;
    default:
      break;
  }
  MarkForPaint(*button);
  NotifyParent(*button, BN_CLICKED);
}

}  // namespace

bool ClickButton(HWND handle) {
  Window* button = Find(handle);
  if (button == nullptr || button->kind != Kind::kButton || !button->Enabled() ||
      !ReallyVisible(*button) || button->Type() == BS_GROUPBOX) {
    return false;
  }
  Send(handle, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  Send(handle, WM_LBUTTONUP, 0, 0);
  return true;
}

LRESULT CALLBACK ButtonProc(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* button = Find(handle);
  if (button == nullptr) {
    return 0;
  }
  const DWORD type = button->Type();
  switch (message) {
    case WM_GETDLGCODE:
      switch (type) {
        case BS_PUSHBUTTON:
        case BS_OWNERDRAW:
          return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_DEFPUSHBUTTON:
          return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
          return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX:
          return DLGC_STATIC;
        default:
          return DLGC_BUTTON;
      }
    case BM_GETCHECK:
      return HoldsCheck(type) ? button->check : BST_UNCHECKED;
    case BM_SETCHECK:
      // Owner-drawn and push buttons keep no check.
      if (HoldsCheck(type)) {
        const UINT check = static_cast<UINT>(wparam);
        button->check = (type == BS_3STATE || type == BS_AUTO3STATE)
                            ? std::min<UINT>(check, BST_INDETERMINATE)
                            : (check == BST_UNCHECKED ? BST_UNCHECKED : BST_CHECKED);
        MarkForPaint(*button);
      }
      return 0;
    case BM_GETSTATE:
      return (HoldsCheck(type) ? button->check : 0) | (button->pushed ? BST_PUSHED : 0) |
             (Focus() == handle ? BST_FOCUS : 0);
    case BM_SETSTATE:
      button->pushed = wparam != 0;
      MarkForPaint(*button);
      return 0;
    case BM_SETSTYLE:
      button->style = (button->style & 0xFFFF0000u) | LOWORD(wparam);
      if (lparam != 0) {
        MarkForPaint(*button);
      }
      return 0;
    case BM_CLICK:
      ClickButton(handle);
      return 0;
    case WM_LBUTTONDOWN:
      if (type != BS_GROUPBOX) {
        MoveFocus(handle);
        if (Window* pressed = Find(handle)) {
          pressed->pushed = true;
          MarkForPaint(*pressed);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (button->pushed) {
        button->pushed = false;
        Clicked(handle);
      }
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      MarkForPaint(*button);
      if ((button->style & kNotify) != 0) {
        NotifyParent(*button, message == WM_SETFOCUS ? BN_SETFOCUS : BN_KILLFOCUS);
      }
      return 0;
    case WM_ENABLE:
      MarkForPaint(*button);
      return 0;
    case WM_SETTEXT:
      MarkForPaint(*button);
      return DefWindowProcW(handle, message, wparam, lparam);
    default:
      return DefWindowProcW(handle, message, wparam, lparam);
  }
}

LRESULT CALLBACK StaticProc(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* control = Find(handle);
  if (control == nullptr) {
    return 0;
  }
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case STM_SETICON: {
      HICON previous = control->icon;
      control->icon = reinterpret_cast<HICON>(wparam);
      MarkForPaint(*control);
      return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETICON:
      return reinterpret_cast<LRESULT>(control->icon);
    case WM_LBUTTONUP:
      if ((control->style & SS_NOTIFY) != 0) {
        NotifyParent(*control, STN_CLICKED);
      }
      return 0;
    case WM_SETTEXT:
    case WM_ENABLE:
      MarkForPaint(*control);
      return DefWindowProcW(handle, message, wparam, lparam);
    default:
      return DefWindowProcW(handle, message, wparam, lparam);
  }
}

}  // namespace vel::platform::user
