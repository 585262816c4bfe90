// SCROLLBAR controls (SB_CTL) and the up-down control (msctls_updown32).
#include <algorithm>

#include "platform/CallLog.h"
#include "platform/win32/user/Window.h"
#include "platform/win32/user/commctrl.h"

namespace vel::platform::user {
namespace {

// The highest position a scroll bar takes: the range's end less the page, less one.
int MaxPosition(const Window& bar) {
  if (bar.scroll_page == 0) {
    return bar.scroll_max;
  }
  const long long last = static_cast<long long>(bar.scroll_max) - bar.scroll_page + 1;
  return static_cast<int>(std::max<long long>(last, bar.scroll_min));
}

}  // namespace

LRESULT CALLBACK ScrollBarProc(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* bar = Find(handle);
  if (bar == nullptr) {
    return 0;
  }
  switch (message) {
    case WM_ENABLE:
      MarkForPaint(*bar);
      return 0;
    case WM_LBUTTONDOWN:
      return 0;
    default:
      return DefWindowProcW(handle, message, wparam, lparam);
  }
}

void StepUpDown(HWND handle, int delta) {
  Window* updown = Find(handle);
  if (updown == nullptr) {
    return;
  }
  NMUPDOWN change{};
  change.hdr.hwndFrom = handle;
  change.hdr.idFrom = static_cast<UINT_PTR>(updown->id);
  change.hdr.code = UDN_DELTAPOS;
  change.iPos = updown->updown_pos;
  change.iDelta = delta;
  const bool horizontal = (updown->style & UDS_HORZ) != 0;
  HWND parent = updown->parent;
  if (parent != nullptr && Send(parent, WM_NOTIFY, static_cast<WPARAM>(updown->id),
                                reinterpret_cast<LPARAM>(&change)) != 0) {
    return;  // the parent refused the change
  }
  updown = Find(handle);
  if (updown == nullptr) {
    return;
  }
  const int low = std::min(updown->updown_lower, updown->updown_upper);
  const int high = std::max(updown->updown_lower, updown->updown_upper);
  int position = updown->updown_pos + delta;
  if (position < low || position > high) {
    position = (updown->style & UDS_WRAP) != 0 ? (position < low ? high : low)
                                               : std::clamp(position, low, high);
  }
  updown->updown_pos = position;
  MarkForPaint(*updown);
  if (parent != nullptr) {
    Send(parent, horizontal ? WM_HSCROLL : WM_VSCROLL,
         MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(position)),
         reinterpret_cast<LPARAM>(handle));
  }
}

LRESULT CALLBACK UpDownProc(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* updown = Find(handle);
  if (updown == nullptr) {
    return 0;
  }
  const auto packed = static_cast<DWORD_PTR>(lparam);
  switch (message) {
    case UDM_SETRANGE:
      updown->updown_upper = static_cast<SHORT>(LOWORD(packed));
      updown->updown_lower = static_cast<SHORT>(HIWORD(packed));
      MarkForPaint(*updown);
      return 0;
    case UDM_GETRANGE:
      return MAKELONG(static_cast<WORD>(updown->updown_upper),
                      static_cast<WORD>(updown->updown_lower));
    case UDM_SETPOS: {
      const int previous = updown->updown_pos;
      const int low = std::min(updown->updown_lower, updown->updown_upper);
      const int high = std::max(updown->updown_lower, updown->updown_upper);
      updown->updown_pos = std::clamp<int>(static_cast<SHORT>(LOWORD(packed)), low, high);
      MarkForPaint(*updown);
      return static_cast<WORD>(previous);
    }
    case UDM_GETPOS:
      return MAKELONG(static_cast<WORD>(updown->updown_pos), 0);
    case UDM_SETBUDDY: {
      HWND previous = updown->buddy;
      updown->buddy = reinterpret_cast<HWND>(wparam);
      return reinterpret_cast<LRESULT>(previous);
    }
    case UDM_GETBUDDY:
      return reinterpret_cast<LRESULT>(updown->buddy);
    case WM_ENABLE:
      MarkForPaint(*updown);
      return 0;
    default:
      return DefWindowProcW(handle, message, wparam, lparam);
  }
}

}  // namespace vel::platform::user

using namespace vel::platform::user;

int SetScrollInfo(HWND handle, int bar_kind, const SCROLLINFO* info, BOOL redraw) {
  Window* bar = Find(handle);
  if (bar == nullptr || info == nullptr || bar_kind != SB_CTL || bar->kind != Kind::kScrollBar ||
      info->cbSize < sizeof(SCROLLINFO)) {
    vel::platform::LogCall("SetScrollInfo(" + LabelOf(handle) + ") -> 0");
    return 0;
  }
  if ((info->fMask & SIF_RANGE) != 0) {
    bar->scroll_min = info->nMin;
    bar->scroll_max = std::max(info->nMax, info->nMin);
  }
  if ((info->fMask & SIF_PAGE) != 0) {
    const long long span = static_cast<long long>(bar->scroll_max) - bar->scroll_min + 1;
    bar->scroll_page = static_cast<UINT>(std::min<long long>(info->nPage, span));
  }
  if ((info->fMask & SIF_POS) != 0) {
    bar->scroll_pos = info->nPos;
  }
  bar->scroll_pos = std::clamp(bar->scroll_pos, bar->scroll_min, MaxPosition(*bar));
  const bool needed = bar->scroll_max > bar->scroll_min &&
                      static_cast<long long>(bar->scroll_page) <=
                          static_cast<long long>(bar->scroll_max) - bar->scroll_min;
  if ((info->fMask & SIF_DISABLENOSCROLL) != 0 && !needed) {
    SetEnabled(*bar, false);
  }
  if (redraw != 0) {
    MarkForPaint(*bar);
  }
  vel::platform::LogCall("SetScrollInfo(" + bar->label + ", " + Hex(info->fMask) + ", " +
                         std::to_string(bar->scroll_min) + ".." + std::to_string(bar->scroll_max) +
                         " page " + std::to_string(bar->scroll_page) + " pos " +
                         std::to_string(bar->scroll_pos) + ")");
  return bar->scroll_pos;
}

BOOL GetScrollInfo(HWND handle, int bar_kind, SCROLLINFO* info) {
  Window* bar = Find(handle);
  if (bar == nullptr || info == nullptr || bar_kind != SB_CTL || bar->kind != Kind::kScrollBar ||
      info->cbSize < sizeof(SCROLLINFO)) {
    return FALSE;
  }
  if ((info->fMask & SIF_RANGE) != 0) {
    info->nMin = bar->scroll_min;
    info->nMax = bar->scroll_max;
  }
  if ((info->fMask & SIF_PAGE) != 0) {
    info->nPage = bar->scroll_page;
  }
  if ((info->fMask & SIF_POS) != 0) {
    info->nPos = bar->scroll_pos;
  }
  if ((info->fMask & SIF_TRACKPOS) != 0) {
    info->nTrackPos = bar->scroll_track;
  }
  return (info->fMask & SIF_ALL) != 0 ? TRUE : FALSE;
}
