// Dialog templates from arbitrary bytes: the reader must fail soft or give a template whose
// dialog can be made, looked at and destroyed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/CallLog.h"
#include "platform/win32/user/DialogTemplate.h"
#include "platform/win32/user/ScriptedUser.h"
#include "platform/win32/user/UserFixture.h"
#include "platform/win32/user/Window.h"

namespace {

INT_PTR CALLBACK Procedure(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vel::platform::user::DialogTemplateInfo info;
  std::string error;
  if (!vel::platform::user::ReadDialogTemplate(data, size, info, error)) {
    return 0;
  }
  vel::platform::user::DialogOptions options;
  options.bytes = data;
  options.size = size;
  options.procedure = Procedure;
  HWND dialog = vel::platform::user::MakeDialog(options);
  if (dialog != nullptr) {
    vel::platform::ScriptedUser user;
    user.SetErrorSink([](const std::string&) {});
    user.PushTarget(dialog);
    user.State();
    DestroyWindow(dialog);
  }
  vel::platform::ResetWindowing();
  vel::platform::ClearCallLog();
  return 0;
}
