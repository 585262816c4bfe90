// Dialogs: made from templates, the dialog class's own handling, modal dialogs and the dialog
// item calls.
#include <algorithm>
#include <climits>
#include <string>

#include "platform/CallLog.h"
#include "platform/win32/user/DialogTemplate.h"
#include "platform/win32/user/Modal.h"
#include "platform/win32/user/ResourceAccess.h"
#include "platform/win32/user/Window.h"

namespace vel::platform::user {
namespace {

LONG DialogUnitsX(LONG units) {
  return units * 6 / 4;
}
LONG DialogUnitsY(LONG units) {
  return units * 13 / 8;
}

RECT PixelsOf(std::int16_t x, std::int16_t y, std::int16_t cx, std::int16_t cy) {
  const LONG left = DialogUnitsX(x);
  const LONG top = DialogUnitsY(y);
  return RECT{left, top, left + DialogUnitsX(cx), top + DialogUnitsY(cy)};
}

void Log(std::string line) {
  LogCall(std::move(line));
}

// Messages whose answer is the dialog procedure's own, not the DWLP_MSGRESULT slot.
bool AnswersDirectly(UINT message) {
  return message == WM_INITDIALOG || message == 0x0019 /* WM_CTLCOLOR */ ||
         (message >= 0x0132 && message <= 0x0138) /* WM_CTLCOLOR* */ ||
         message == 0x0039 /* WM_COMPAREITEM */ || message == 0x002E /* WM_VKEYTOITEM */ ||
         message == 0x002F /* WM_CHARTOITEM */ || message == 0x0037 /* WM_QUERYDRAGICON */;
}

// The first control that takes the focus: visible, enabled, with WS_TABSTOP.
HWND FirstTabStop(const Window& dialog) {
  for (HWND child : dialog.children) {
    Window* item = Find(child);
    if (item != nullptr && (item->style & WS_TABSTOP) != 0 && item->Visible() && item->Enabled()) {
      return child;
    }
  }
  return nullptr;
}

HWND MakeItem(HWND dialog, const DialogItemInfo& item, HINSTANCE instance, std::string& error) {
  WindowClass* window_class = item.window_class.is_ordinal
                                  ? FindClassByAtom(static_cast<WORD>(item.window_class.ordinal))
                                  : FindClass(item.window_class.text);
  if (window_class == nullptr) {
    error = "item " + std::to_string(item.id) + " has the unknown class " +
            (item.window_class.is_ordinal ? Hex(item.window_class.ordinal)
                                          : Quote(item.window_class.text));
    return nullptr;
  }
  const std::u16string title = item.title.is_ordinal ? std::u16string() : item.title.text;
  LPVOID data =
      item.creation_data.empty() ? nullptr : const_cast<std::uint8_t*>(item.creation_data.data());
  HWND handle =
      MakeWindow(window_class, item.ex_style, title, item.style | WS_CHILD,
                 PixelsOf(item.x, item.y, item.cx, item.cy), dialog, item.id, instance, data);
  if (handle == nullptr) {
    error = "item " + std::to_string(item.id) + " refused its creation";
    return nullptr;
  }
  Window* window = Find(handle);
  if (window->kind == Kind::kStatic && (window->style & SS_TYPEMASK) == SS_ICON &&
      item.title.is_ordinal) {
    window->icon_ordinal = item.title.ordinal;
    window->icon = LoadIconW(
        instance, reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(item.title.ordinal)));
  }
  return handle;
}

}  // namespace

// A template given only by its address is trusted to be well formed, as the platform trusts it;
// the reader still stops at kTemplateInMemoryLimit bytes.
HWND MakeDialog(const DialogOptions& options) {
  DialogTemplateInfo info;
  std::string error;
  const char* call = options.call;
  const std::string name = options.template_id >= 0
                               ? "dialog " + std::to_string(options.template_id)
                               : std::string("dialog");
  if (ShouldFail(call)) {
    Log(std::string(call) + "(" + name + ") -> failure switch");
    return nullptr;
  }
  if (!ReadDialogTemplate(options.bytes, options.size, info, error)) {
    Log(std::string(call) + "(" + name + ") -> bad template: " + error);
    return nullptr;
  }
  if (info.window_class.present &&
      (info.window_class.is_ordinal ||
       !vel::platform::EqualsIgnoringCase(info.window_class.text, u"#32770"))) {
    Log(std::string(call) + "(" + name + ") -> dialog class of its own is not supported");
    return nullptr;
  }
  if (options.as_page) {
    // A page lives inside the sheet's frame, whatever its template says.
    info.style = (info.style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE)) | WS_CHILD;
  }
  HWND owner = options.owner;
  const bool child = (info.style & WS_CHILD) != 0;
  if (child && Find(owner) == nullptr) {
    Log(std::string(call) + "(" + name + ") -> child dialog without a parent");
    return nullptr;
  }
  RECT rect = PixelsOf(info.x, info.y, info.cx, info.cy);
  if (options.as_page) {
    rect =
        RECT{options.position.x, options.position.y, options.position.x + (rect.right - rect.left),
             options.position.y + (rect.bottom - rect.top)};
  } else if (!child) {
    if ((info.style & DS_CENTER) != 0) {
      const LONG width = rect.right - rect.left;
      const LONG height = rect.bottom - rect.top;
      rect = RECT{(1024 - width) / 2, (768 - height) / 2, (1024 - width) / 2 + width,
                  (768 - height) / 2 + height};
    } else if (Window* owner_window = Find(owner)) {
      // Placed from the owner's client area, on the screen.
      const POINT origin = ClientOrigin(*owner_window);
      rect = RECT{rect.left + origin.x, rect.top + origin.y, rect.right + origin.x,
                  rect.bottom + origin.y};
    }
  }
  WindowClass* dialog_class = FindClass(u"#32770");
  HWND handle = MakeWindow(dialog_class, info.ex_style, info.title, info.style & ~WS_VISIBLE, rect,
                           owner, 0, options.instance, nullptr);
  Window* dialog = Find(handle);
  dialog->label = !options.label.empty()     ? options.label
                  : options.template_id >= 0 ? "dialog " + std::to_string(options.template_id)
                                             : "dialog " + Quote(info.title);
  dialog->dialog->template_id = options.template_id;
  dialog->dialog->caption = info.title;
  dialog->dialog->modal = options.modal;
  WriteExtra(*dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(options.procedure));
  Log(std::string(call) + "(" + dialog->label + ", " + std::to_string(info.items.size()) +
      " items)");
  for (const DialogItemInfo& item : info.items) {
    if (MakeItem(handle, item, options.instance, error) == nullptr) {
      Log(std::string(call) + "(" + name + ") -> " + error);
      Destroy(handle);
      return nullptr;
    }
    Window* made = Find(GetDlgItem(handle, item.id));
    Window* record = Find(handle);
    if (made != nullptr && record->dialog->default_id == 0 && made->kind == Kind::kButton &&
        made->Type() == BS_DEFPUSHBUTTON) {
      record->dialog->default_id = item.id;
    }
  }
  const HWND focus = FirstTabStop(*Find(handle));
  const LRESULT answer =
      Send(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), options.init_param);
  dialog = Find(handle);
  if (dialog == nullptr) {
    return nullptr;
  }
  if (answer != 0 && focus != nullptr && Find(focus) != nullptr) {
    MoveFocus(focus);
  }
  if ((info.style & WS_VISIBLE) != 0 || options.modal) {
    SetVisible(*dialog, !dialog->dialog->ended);
  }
  return handle;
}

namespace {

INT_PTR RunModal(HWND dialog, const char* call) {
  if (dialog == nullptr) {
    return -1;
  }
  const HWND previous_focus = Focus();
  INT_PTR result = -1;
  Window* window = Find(dialog);
  if (!window->dialog->ended) {
    RunModalDialog(dialog);
  }
  window = Find(dialog);
  if (window != nullptr) {
    if (window->dialog->ended) {
      result = window->dialog->result;
    }
    Log(std::string(call) + " ends " + window->label + " -> " + std::to_string(result));
    Destroy(dialog);
  }
  if (previous_focus != nullptr && Find(previous_focus) != nullptr) {
    MoveFocus(previous_focus);
  }
  return result;
}

bool TemplateOfModule(HINSTANCE instance,
                      LPCWSTR name,
                      const std::uint8_t** bytes,
                      std::size_t* size,
                      const char* call) {
  if (FindModuleResource(instance, kRtDialog, name, bytes, size)) {
    return true;
  }
  Log(std::string(call) + "(" +
      (IsOrdinal(name) ? std::to_string(OrdinalOf(name)) : Quote(TextOf(name))) +
      ") -> no such dialog template");
  return false;
}

}  // namespace

LRESULT CALLBACK DialogProc(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* dialog = Find(handle);
  if (dialog == nullptr) {
    return 0;
  }
  LONG_PTR stored = 0;
  ReadExtra(*dialog, DWLP_DLGPROC, &stored);
  if (auto procedure = reinterpret_cast<DLGPROC>(stored)) {
    const INT_PTR answer = procedure(handle, message, wparam, lparam);
    if (answer != 0) {
      if (AnswersDirectly(message)) {
        return answer;
      }
      dialog = Find(handle);
      LONG_PTR result = 0;
      if (dialog != nullptr) {
        ReadExtra(*dialog, DWLP_MSGRESULT, &result);
      }
      return result;
    }
    dialog = Find(handle);
    if (dialog == nullptr) {
      return 0;
    }
  }
  switch (message) {
    case DM_GETDEFID:
      return dialog->dialog->default_id != 0
                 ? MAKELONG(static_cast<WORD>(dialog->dialog->default_id), DC_HASDEFID)
                 : 0;
    case DM_SETDEFID:
      dialog->dialog->default_id = static_cast<int>(wparam);
      return TRUE;
    case WM_CLOSE:
      // Closing a dialog is its Cancel.
      Send(handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
           reinterpret_cast<LPARAM>(GetDlgItem(handle, IDCANCEL)));
      return 0;
    case WM_INITDIALOG:
      return 0;
    default:
      return DefWindowProcW(handle, message, wparam, lparam);
  }
}

}  // namespace vel::platform::user

using namespace vel::platform::user;

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance,
                                LPCDLGTEMPLATEW dialog_template,
                                HWND owner,
                                DLGPROC procedure,
                                LPARAM init_param) {
  DialogOptions options;
  options.instance = instance;
  options.bytes = reinterpret_cast<const std::uint8_t*>(dialog_template);
  options.size = dialog_template == nullptr ? 0 : kTemplateInMemoryLimit;
  options.owner = owner;
  options.procedure = procedure;
  options.init_param = init_param;
  options.modal = true;
  options.call = "DialogBoxIndirectParamW";
  HWND dialog = MakeDialog(options);
  return RunModal(dialog, "DialogBoxIndirectParamW");
}

INT_PTR DialogBoxParamW(HINSTANCE instance,
                        LPCWSTR template_name,
                        HWND owner,
                        DLGPROC procedure,
                        LPARAM init_param) {
  const std::uint8_t* bytes = nullptr;
  std::size_t size = 0;
  if (!TemplateOfModule(instance, template_name, &bytes, &size, "DialogBoxParamW")) {
    return -1;
  }
  DialogOptions options;
  options.instance = instance;
  options.bytes = bytes;
  options.size = size;
  options.owner = owner;
  options.procedure = procedure;
  options.init_param = init_param;
  options.template_id = IsOrdinal(template_name) ? OrdinalOf(template_name) : -1;
  options.modal = true;
  options.call = "DialogBoxParamW";
  HWND dialog = MakeDialog(options);
  return RunModal(dialog, "DialogBoxParamW");
}

HWND CreateDialogParamW(HINSTANCE instance,
                        LPCWSTR template_name,
                        HWND owner,
                        DLGPROC procedure,
                        LPARAM init_param) {
  const std::uint8_t* bytes = nullptr;
  std::size_t size = 0;
  if (!TemplateOfModule(instance, template_name, &bytes, &size, "CreateDialogParamW")) {
    return nullptr;
  }
  DialogOptions options;
  options.instance = instance;
  options.bytes = bytes;
  options.size = size;
  options.owner = owner;
  options.procedure = procedure;
  options.init_param = init_param;
  options.template_id = IsOrdinal(template_name) ? OrdinalOf(template_name) : -1;
  options.call = "CreateDialogParamW";
  return MakeDialog(options);
}

HWND CreateDialogIndirectParamW(HINSTANCE instance,
                                LPCDLGTEMPLATEW dialog_template,
                                HWND owner,
                                DLGPROC procedure,
                                LPARAM init_param) {
  DialogOptions options;
  options.instance = instance;
  options.bytes = reinterpret_cast<const std::uint8_t*>(dialog_template);
  options.size = dialog_template == nullptr ? 0 : kTemplateInMemoryLimit;
  options.owner = owner;
  options.procedure = procedure;
  options.init_param = init_param;
  return MakeDialog(options);
}

BOOL EndDialog(HWND handle, INT_PTR result) {
  Window* dialog = Find(handle);
  if (dialog == nullptr || dialog->dialog == nullptr) {
    vel::platform::LogCall("EndDialog(" + LabelOf(handle) + ") -> 0");
    return FALSE;
  }
  vel::platform::LogCall("EndDialog(" + dialog->label + ", " + std::to_string(result) + ")");
  dialog->dialog->ended = true;
  dialog->dialog->result = result;
  SetVisible(*dialog, false);
  return TRUE;
}

LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return DialogProc(dialog, message, wparam, lparam);
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
  Window* window = Find(dialog);
  if (window == nullptr || window->dialog == nullptr || rect == nullptr) {
    return FALSE;
  }
  rect->left = rect->left * 6 / 4;
  rect->right = rect->right * 6 / 4;
  rect->top = rect->top * 13 / 8;
  rect->bottom = rect->bottom * 13 / 8;
  return TRUE;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) {
    vel::platform::LogCall("SendDlgItemMessageW(" + LabelOf(dialog) + ", " + std::to_string(id) +
                           ") to no item");
    return 0;
  }
  return Send(item, message, wparam, lparam);
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  return SetWindowTextW(GetDlgItem(dialog, id), text);
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int buffer_size) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) {
    if (buffer != nullptr && buffer_size > 0) {
      buffer[0] = 0;
    }
    return 0;
  }
  return static_cast<UINT>(GetWindowTextW(item, buffer, buffer_size));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL is_signed) {
  const std::string text =
      is_signed != 0 ? std::to_string(static_cast<INT>(value)) : std::to_string(value);
  const std::u16string wide(text.begin(), text.end());
  return SetDlgItemTextW(dialog, id, wide.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL is_signed) {
  if (translated != nullptr) {
    *translated = FALSE;
  }
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) {
    return 0;
  }
  std::u16string text(static_cast<std::size_t>(std::max(GetWindowTextLengthW(item), 0)) + 1, 0);
  text.resize(static_cast<std::size_t>(
      std::max(GetWindowTextW(item, text.data(), static_cast<int>(text.size())), 0)));
  // Leading and trailing blanks are allowed; anything else but digits (and a leading minus for a
  // signed number) is not a number.
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') {
    ++i;
  }
  bool negative = false;
  if (is_signed != 0 && i < text.size() && text[i] == u'-') {
    negative = true;
    ++i;
  }
  const std::size_t digits_start = i;
  unsigned long long value = 0;
  const unsigned long long limit =
      is_signed != 0 ? (negative ? 0x80000000ull : 0x7FFFFFFFull) : 0xFFFFFFFFull;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
    value = value * 10 + static_cast<unsigned>(text[i] - u'0');
    if (value > limit) {
      return 0;
    }
    ++i;
  }
  const bool any_digits = i > digits_start;
  while (i < text.size() && text[i] == u' ') {
    ++i;
  }
  if (!any_digits || i != text.size()) {
    return 0;
  }
  if (translated != nullptr) {
    *translated = TRUE;
  }
  return negative ? static_cast<UINT>(-static_cast<long long>(value)) : static_cast<UINT>(value);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) {
    return FALSE;
  }
  Send(item, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item == nullptr ? 0 : static_cast<UINT>(Send(item, BM_GETCHECK, 0, 0));
}

BOOL CheckRadioButton(HWND dialog, int first_id, int last_id, int check_id) {
  Window* window = Find(dialog);
  if (window == nullptr) {
    return FALSE;
  }
  const std::vector<HWND> children = window->children;
  for (HWND child : children) {
    Window* item = Find(child);
    if (item != nullptr && item->id >= first_id && item->id <= last_id) {
      Send(child, BM_SETCHECK, item->id == check_id ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
  return TRUE;
}
