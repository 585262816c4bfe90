// Scripts of the scripted user from arbitrary text: the parser must fail soft naming a line, and
// a script it reads must run against a dialog without harm.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CallLog.h"
#include "platform/win32/user/ScriptedUser.h"
#include "platform/win32/user/UserFixture.h"
#include "platform/win32/user/UserScript.h"
#include "platform/win32/user/Window.h"
#include "platform/win32/user/commctrl.h"

namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// A dialog of one control of each class, ids 1 to 8, for the script to act on.
std::vector<std::uint8_t> Template() {
  struct Item {
    std::uint32_t style;
    int atom;  // 0: the up-down class by name
  };
  const Item items[] = {{ES_AUTOHSCROLL, 0x81},
                        {BS_AUTOCHECKBOX, 0x80},
                        {BS_AUTORADIOBUTTON, 0x80},
                        {CBS_DROPDOWN, 0x85},
                        {LBS_NOTIFY, 0x83},
                        {SBS_HORZ, 0x84},
                        {0, 0},
                        {SS_LEFT, 0x82}};
  std::vector<std::uint8_t> out;
  Put32(out, WS_POPUP);
  Put32(out, 0);
  Put16(out, 8);
  for (int i = 0; i < 4; ++i) {
    Put16(out, 100);
  }
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, 'F');
  Put16(out, 0);
  int id = 1;
  for (const Item& item : items) {
    while (out.size() % 4 != 0) {
      out.push_back(0);
    }
    Put32(out, item.style | WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    Put32(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<unsigned>(id * 10));
    Put16(out, 40);
    Put16(out, 8);
    Put16(out, static_cast<unsigned>(id++));
    if (item.atom == 0) {
      for (char c : std::string("msctls_updown32")) {
        Put16(out, static_cast<unsigned char>(c));
      }
      Put16(out, 0);
    } else {
      Put16(out, 0xFFFF);
      Put16(out, static_cast<unsigned>(item.atom));
    }
    Put16(out, 'x');
    Put16(out, 0);
    Put16(out, 0);
  }
  return out;
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) {
    SendDlgItemMessageW(dialog, 4, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"One"));
    SendDlgItemMessageW(dialog, 5, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Two"));
    SendDlgItemMessageW(dialog, 7, UDM_SETRANGE, 0, MAKELPARAM(5, 0));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vel::platform::Script script;
  std::string error;
  if (!vel::platform::ParseUserScript(text, script, error)) {
    return 0;
  }
  static const std::vector<std::uint8_t> bytes = Template();
  vel::platform::user::DialogOptions options;
  options.bytes = bytes.data();
  options.size = bytes.size();
  options.procedure = Procedure;
  HWND dialog = vel::platform::user::MakeDialog(options);
  {
    vel::platform::ScriptedUser user;
    user.SetErrorSink([](const std::string&) {});
    user.PushTarget(dialog);
    vel::platform::RunUserScript(script, user);
    user.TakeOutput();
  }
  vel::platform::ResetWindowing();
  vel::platform::ClearCallLog();
  return 0;
}
