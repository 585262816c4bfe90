// How log lines show messages: the message's name and its parameters, never an address.
#include <map>

#include "platform/win32/user/Window.h"
#include "platform/win32/user/commctrl.h"
#include "platform/win32/user/prsht.h"

namespace vel::platform::user {
namespace {

const char* MessageName(UINT message) {
  static const std::map<UINT, const char*> names = {
      {WM_CREATE, "WM_CREATE"},
      {WM_DESTROY, "WM_DESTROY"},
      {WM_SETFOCUS, "WM_SETFOCUS"},
      {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_ENABLE, "WM_ENABLE"},
      {WM_SETTEXT, "WM_SETTEXT"},
      {WM_GETTEXT, "WM_GETTEXT"},
      {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
      {WM_CLOSE, "WM_CLOSE"},
      {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
      {WM_SETCURSOR, "WM_SETCURSOR"},
      {WM_DRAWITEM, "WM_DRAWITEM"},
      {WM_SETFONT, "WM_SETFONT"},
      {WM_NOTIFY, "WM_NOTIFY"},
      {WM_HELP, "WM_HELP"},
      {WM_CONTEXTMENU, "WM_CONTEXTMENU"},
      {WM_GETDLGCODE, "WM_GETDLGCODE"},
      {WM_KEYDOWN, "WM_KEYDOWN"},
      {WM_KEYUP, "WM_KEYUP"},
      {WM_CHAR, "WM_CHAR"},
      {WM_INITDIALOG, "WM_INITDIALOG"},
      {WM_COMMAND, "WM_COMMAND"},
      {WM_HSCROLL, "WM_HSCROLL"},
      {WM_VSCROLL, "WM_VSCROLL"},
      {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
      {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
      {WM_LBUTTONUP, "WM_LBUTTONUP"},
      {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
      {WM_RBUTTONUP, "WM_RBUTTONUP"},
      {DM_GETDEFID, "DM_GETDEFID"},
      {DM_SETDEFID, "DM_SETDEFID"},
      {BM_GETCHECK, "BM_GETCHECK"},
      {BM_SETCHECK, "BM_SETCHECK"},
      {BM_GETSTATE, "BM_GETSTATE"},
      {BM_SETSTATE, "BM_SETSTATE"},
      {BM_SETSTYLE, "BM_SETSTYLE"},
      {BM_CLICK, "BM_CLICK"},
      {STM_SETICON, "STM_SETICON"},
      {STM_GETICON, "STM_GETICON"},
      {EM_GETSEL, "EM_GETSEL"},
      {EM_SETSEL, "EM_SETSEL"},
      {EM_GETMODIFY, "EM_GETMODIFY"},
      {EM_SETMODIFY, "EM_SETMODIFY"},
      {EM_REPLACESEL, "EM_REPLACESEL"},
      {EM_LIMITTEXT, "EM_LIMITTEXT"},
      {EM_SETREADONLY, "EM_SETREADONLY"},
      {EM_GETLIMITTEXT, "EM_GETLIMITTEXT"},
      {CB_GETEDITSEL, "CB_GETEDITSEL"},
      {CB_LIMITTEXT, "CB_LIMITTEXT"},
      {CB_SETEDITSEL, "CB_SETEDITSEL"},
      {CB_ADDSTRING, "CB_ADDSTRING"},
      {CB_DELETESTRING, "CB_DELETESTRING"},
      {CB_GETCOUNT, "CB_GETCOUNT"},
      {CB_GETCURSEL, "CB_GETCURSEL"},
      {CB_GETLBTEXT, "CB_GETLBTEXT"},
      {CB_GETLBTEXTLEN, "CB_GETLBTEXTLEN"},
      {CB_INSERTSTRING, "CB_INSERTSTRING"},
      {CB_RESETCONTENT, "CB_RESETCONTENT"},
      {CB_FINDSTRING, "CB_FINDSTRING"},
      {CB_SELECTSTRING, "CB_SELECTSTRING"},
      {CB_SETCURSEL, "CB_SETCURSEL"},
      {CB_SHOWDROPDOWN, "CB_SHOWDROPDOWN"},
      {CB_GETITEMDATA, "CB_GETITEMDATA"},
      {CB_SETITEMDATA, "CB_SETITEMDATA"},
      {CB_GETDROPPEDSTATE, "CB_GETDROPPEDSTATE"},
      {CB_FINDSTRINGEXACT, "CB_FINDSTRINGEXACT"},
      {LB_ADDSTRING, "LB_ADDSTRING"},
      {LB_INSERTSTRING, "LB_INSERTSTRING"},
      {LB_DELETESTRING, "LB_DELETESTRING"},
      {LB_RESETCONTENT, "LB_RESETCONTENT"},
      {LB_SETCURSEL, "LB_SETCURSEL"},
      {LB_GETCURSEL, "LB_GETCURSEL"},
      {LB_GETTEXT, "LB_GETTEXT"},
      {LB_GETTEXTLEN, "LB_GETTEXTLEN"},
      {LB_GETCOUNT, "LB_GETCOUNT"},
      {LB_SELECTSTRING, "LB_SELECTSTRING"},
      {LB_GETTOPINDEX, "LB_GETTOPINDEX"},
      {LB_FINDSTRING, "LB_FINDSTRING"},
      {LB_SETTOPINDEX, "LB_SETTOPINDEX"},
      {LB_GETITEMDATA, "LB_GETITEMDATA"},
      {LB_SETITEMDATA, "LB_SETITEMDATA"},
      {LB_FINDSTRINGEXACT, "LB_FINDSTRINGEXACT"},
      {UDM_SETRANGE, "UDM_SETRANGE"},
      {UDM_GETRANGE, "UDM_GETRANGE"},
      {UDM_SETPOS, "UDM_SETPOS"},
      {UDM_GETPOS, "UDM_GETPOS"},
      {UDM_SETBUDDY, "UDM_SETBUDDY"},
      {UDM_GETBUDDY, "UDM_GETBUDDY"},
  };
  auto it = names.find(message);
  return it == names.end() ? nullptr : it->second;
}

const char* NotificationName(UINT code) {
  switch (code) {
    case PSN_SETACTIVE:
      return "PSN_SETACTIVE";
    case PSN_KILLACTIVE:
      return "PSN_KILLACTIVE";
    case PSN_APPLY:
      return "PSN_APPLY";
    case PSN_RESET:
      return "PSN_RESET";
    case PSN_HELP:
      return "PSN_HELP";
    case UDN_DELTAPOS:
      return "UDN_DELTAPOS";
    default:
      return nullptr;
  }
}

const char* ScrollName(WORD code) {
  static const char* const names[] = {"SB_LINELEFT",  "SB_LINERIGHT",     "SB_PAGELEFT",
                                      "SB_PAGERIGHT", "SB_THUMBPOSITION", "SB_THUMBTRACK",
                                      "SB_LEFT",      "SB_RIGHT",         "SB_ENDSCROLL"};
  return code < 9 ? names[code] : nullptr;
}

std::string Number(LONG_PTR value) {
  return std::to_string(value);
}

}  // namespace

std::string DescribeMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const char* name = MessageName(message);
  if (name == nullptr) {
    return Hex(message) + ", " + Hex(wparam) + ", " + Hex(static_cast<std::uint64_t>(lparam));
  }
  std::string out = name;
  switch (message) {
    case WM_SETTEXT:
    case CB_ADDSTRING:
    case LB_ADDSTRING:
    case EM_REPLACESEL:
      if (lparam != 0) {
        out += " " + Quote(TextOf(reinterpret_cast<LPCWSTR>(lparam)));
      }
      return out;
    case CB_INSERTSTRING:
    case LB_INSERTSTRING:
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING:
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING:
      out += " " + Number(static_cast<LONG_PTR>(wparam));
      if (lparam != 0) {
        out += " " + Quote(TextOf(reinterpret_cast<LPCWSTR>(lparam)));
      }
      return out;
    case WM_COMMAND:
      return out + " " + Number(LOWORD(wparam)) + " " + Number(HIWORD(wparam));
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header == nullptr) {
        return out;
      }
      const char* code = NotificationName(header->code);
      out += " " + (code != nullptr ? std::string(code) : Number(static_cast<int>(header->code)));
      if (header->code == UDN_DELTAPOS) {
        const auto* updown = reinterpret_cast<const NMUPDOWN*>(lparam);
        out += " " + Number(static_cast<LONG_PTR>(header->idFrom)) + " pos " +
               Number(updown->iPos) + " delta " + Number(updown->iDelta);
      }
      return out;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
      const char* code = ScrollName(LOWORD(wparam));
      return out + " " + (code != nullptr ? std::string(code) : Number(LOWORD(wparam))) + " " +
             Number(HIWORD(wparam));
    }
    case WM_HELP: {
      const auto* info = reinterpret_cast<const HELPINFO*>(lparam);
      return info == nullptr ? out : out + " " + Number(info->iCtrlId);
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      return out + " " + Number(static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lparam)))) + " " +
             Number(static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lparam))));
    case WM_SETCURSOR:
      return out + " " + LabelOf(reinterpret_cast<HWND>(wparam)) + " " +
             Number(HIWORD(static_cast<DWORD_PTR>(lparam)));
    case WM_CONTEXTMENU:
      return out + " " + LabelOf(reinterpret_cast<HWND>(wparam));
    case WM_INITDIALOG:
    case WM_DESTROY:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_DRAWITEM:
    case WM_CREATE:
    case UDM_SETBUDDY:
    case UDM_GETBUDDY:
    case CB_GETLBTEXT:
    case LB_GETTEXT:
      return out;
    case EM_GETSEL:
      return out;
    default:
      return out + " " + Number(static_cast<LONG_PTR>(wparam)) + " " + Number(lparam);
  }
}

}  // namespace vel::platform::user
