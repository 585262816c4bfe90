// The scripted user: answers to modal dialogs, sheets and message boxes, and the actions of a
// person on the controls of the target.
#include "platform/win32/user/ScriptedUser.h"

#include <cstdio>
#include <deque>
#include <map>
#include <utility>

#include "platform/CallLog.h"
#include "platform/win32/user/EditText.h"
#include "platform/win32/user/Modal.h"
#include "platform/win32/user/PropertySheet.h"
#include "platform/win32/user/UserState.h"
#include "platform/win32/user/Window.h"
#include "platform/win32/user/commctrl.h"
#include "platform/win32/user/prsht.h"

namespace vel::platform {

using user::Find;
using user::Kind;
using user::Window;

namespace {

thread_local ScriptedUser* current_user = nullptr;

struct ExpectedBox {
  std::u16string text;
  std::u16string caption;
  UINT flags = 0;
  int answer = 0;
};

struct TargetEntry {
  HWND window = nullptr;
  bool sheet = false;  // the window is a sheet's frame: the target is its active page
};

std::string Id(int id) {
  return std::to_string(id);
}

}  // namespace

struct ScriptedUser::Impl {
  ScriptedUser* previous = nullptr;
  std::map<int, UserHandler> dialogs_by_id;
  std::map<std::u16string, UserHandler> dialogs_by_caption;
  UserHandler sheet_handler;
  std::deque<ExpectedBox> boxes;
  std::function<bool(ScriptedUser&, HWND)> dialog_fallback;
  std::function<int(std::u16string_view, std::u16string_view, UINT)> box_fallback;
  std::function<void(const std::string&)> sink;
  std::vector<std::string> errors;
  std::string context;
  std::string output;
  std::vector<TargetEntry> targets;
};

ScriptedUser::ScriptedUser() : impl_(std::make_unique<Impl>()) {
  impl_->previous = current_user;
  current_user = this;
}

ScriptedUser::~ScriptedUser() {
  current_user = impl_->previous;
}

ScriptedUser* ScriptedUser::Current() {
  return current_user;
}

void ScriptedUser::OnDialog(int template_id, UserHandler handler) {
  impl_->dialogs_by_id[template_id] = std::move(handler);
}

void ScriptedUser::OnDialog(std::u16string caption, UserHandler handler) {
  impl_->dialogs_by_caption[std::move(caption)] = std::move(handler);
}

void ScriptedUser::OnSheet(UserHandler handler) {
  impl_->sheet_handler = std::move(handler);
}

void ScriptedUser::ExpectMessageBox(std::u16string text,
                                    std::u16string caption,
                                    UINT flags,
                                    int answer) {
  impl_->boxes.push_back(ExpectedBox{std::move(text), std::move(caption), flags, answer});
}

std::size_t ScriptedUser::PendingMessageBoxes() const {
  return impl_->boxes.size();
}

void ScriptedUser::SetDialogFallback(std::function<bool(ScriptedUser&, HWND)> fallback) {
  impl_->dialog_fallback = std::move(fallback);
}

void ScriptedUser::SetMessageBoxFallback(
    std::function<int(std::u16string_view, std::u16string_view, UINT)> fallback) {
  impl_->box_fallback = std::move(fallback);
}

void ScriptedUser::SetErrorSink(std::function<void(const std::string&)> sink) {
  impl_->sink = std::move(sink);
}

const std::vector<std::string>& ScriptedUser::errors() const {
  return impl_->errors;
}

void ScriptedUser::ReportError(const std::string& error) {
  const std::string line = impl_->context + error;
  impl_->errors.push_back(line);
  LogCall("ScriptedUser error: " + line);
  if (impl_->sink) {
    impl_->sink(line);
  } else {
    std::fprintf(stderr, "scripted user: %s\n", line.c_str());
  }
}

void ScriptedUser::SetErrorContext(std::string context) {
  impl_->context = std::move(context);
}

std::string ScriptedUser::TakeOutput() {
  return std::exchange(impl_->output, std::string());
}

void ScriptedUser::Write(const std::string& text) {
  impl_->output += text;
}

// ---- The target
// -----------------------------------------------------------------------------------

HWND ScriptedUser::Target() const {
  for (auto it = impl_->targets.rbegin(); it != impl_->targets.rend(); ++it) {
    if (Find(it->window) == nullptr) {
      continue;
    }
    return it->sheet ? user::ActiveSheetPage(it->window) : it->window;
  }
  return nullptr;
}

void ScriptedUser::PushTarget(HWND dialog) {
  impl_->targets.push_back(TargetEntry{dialog, false});
}

void ScriptedUser::PopTarget() {
  if (!impl_->targets.empty()) {
    impl_->targets.pop_back();
  }
}

namespace {

// The innermost open sheet frame among the targets, or null when a dialog is innermost.
HWND InnermostSheet(const std::vector<TargetEntry>& targets) {
  for (auto it = targets.rbegin(); it != targets.rend(); ++it) {
    if (Find(it->window) == nullptr) {
      continue;
    }
    return it->sheet ? it->window : nullptr;
  }
  return nullptr;
}

const char* ButtonKind(DWORD type) {
  switch (type) {
    case BS_PUSHBUTTON:
      return "push";
    case BS_DEFPUSHBUTTON:
      return "default";
    case BS_CHECKBOX:
      return "check";
    case BS_AUTOCHECKBOX:
      return "autocheck";
    case BS_RADIOBUTTON:
      return "radio";
    case BS_3STATE:
      return "3state";
    case BS_AUTO3STATE:
      return "auto3state";
    case BS_GROUPBOX:
      return "group";
    case BS_AUTORADIOBUTTON:
      return "autoradio";
    case BS_OWNERDRAW:
      return "ownerdraw";
    default:
      return "other";
  }
}

bool HoldsCheck(DWORD type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
         type == BS_3STATE || type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

std::string Items(const Window& list) {
  std::string out = "[";
  for (std::size_t i = 0; i < list.items.size(); ++i) {
    out += (i == 0 ? "" : ", ") + user::Quote(list.items[i].text);
  }
  return out + "]";
}

std::string ControlLine(const Window& control, HWND focus) {
  std::string line = Id(control.id) + " " + ToUtf8(control.window_class->name) + " " +
                     user::Quote(control.text) + (control.Enabled() ? " enabled" : " disabled") +
                     (control.Visible() ? " visible" : " hidden") +
                     (focus == control.handle ? " focus" : "");
  switch (control.kind) {
    case Kind::kButton:
      line += std::string(" kind=") + ButtonKind(control.Type());
      if (HoldsCheck(control.Type())) {
        line += " checked=" + std::to_string(control.check);
      }
      break;
    case Kind::kStatic:
      if ((control.style & SS_TYPEMASK) == SS_ICON) {
        line += " icon=" + std::to_string(control.icon_ordinal);
      }
      break;
    case Kind::kEdit: {
      const auto [start, end] = user::Selection(control);
      line += " sel=" + std::to_string(start) + "-" + std::to_string(end) +
              " limit=" + std::to_string(control.limit);
      break;
    }
    case Kind::kComboBox: {
      const DWORD type = control.style & 0x3;
      line += std::string(" kind=") +
              (type == CBS_SIMPLE     ? "simple"
               : type == CBS_DROPDOWN ? "dropdown"
                                      : "dropdownlist") +
              " sel=" + std::to_string(control.selected) + " items=" + Items(control);
      if (type != CBS_DROPDOWNLIST) {
        const auto [start, end] = user::Selection(control);
        line += " editsel=" + std::to_string(start) + "-" + std::to_string(end);
      }
      break;
    }
    case Kind::kListBox:
      line += " sel=" + std::to_string(control.selected) + " items=" + Items(control);
      break;
    case Kind::kScrollBar:
      line += " pos=" + std::to_string(control.scroll_pos) +
              " range=" + std::to_string(control.scroll_min) + "-" +
              std::to_string(control.scroll_max) + " page=" + std::to_string(control.scroll_page);
      break;
    case Kind::kUpDown:
      line += " pos=" + std::to_string(control.updown_pos) +
              " range=" + std::to_string(control.updown_lower) + "-" +
              std::to_string(control.updown_upper);
      break;
    default:
      break;
  }
  return line;
}

}  // namespace

// ---- Looking ------------------------------------------------------------------------------------

std::string ScriptedUser::State() {
  HWND target = Target();
  Window* dialog = Find(target);
  if (dialog == nullptr) {
    ReportError("show: no dialog or sheet is open");
    return std::string();
  }
  const HWND focus = user::Focus();
  Window* focused = Find(focus);
  const int focus_id = focused != nullptr && focused->parent == target ? focused->id : 0;
  const int default_id = dialog->dialog != nullptr ? dialog->dialog->default_id : 0;
  std::string header;
  if (HWND sheet = InnermostSheet(impl_->targets)) {
    header = dialog->label + " of sheet " + user::Quote(user::SheetTitle(sheet));
  } else {
    header = dialog->label + " " + user::Quote(dialog->text);
  }
  std::string text = header + " focus=" + Id(focus_id) + " default=" + Id(default_id) + "\n";
  for (HWND child : dialog->children) {
    if (Window* control = Find(child)) {
      text += ControlLine(*control, focus) + "\n";
    }
  }
  return text;
}

void ScriptedUser::Show() {
  Write(State());
}

std::vector<SheetPageInfo> ScriptedUser::Pages() {
  HWND sheet = InnermostSheet(impl_->targets);
  if (sheet == nullptr) {
    ReportError("pages: no property sheet is open");
    return {};
  }
  return user::SheetPages(sheet);
}

void ScriptedUser::ListPages() {
  const std::vector<SheetPageInfo> pages = Pages();
  for (std::size_t i = 0; i < pages.size(); ++i) {
    Write(std::to_string(i + 1) + " " + user::Quote(pages[i].title) +
          (pages[i].active ? " active" : "") + (pages[i].created ? " created" : "") +
          (pages[i].refused ? " refused" : "") + "\n");
  }
}

// ---- Acting -------------------------------------------------------------------------------------

namespace {

// A control of the target that a person can act on; null with an error reported otherwise.
Window* Usable(ScriptedUser& user, const char* action, int id, bool must_be_enabled = true) {
  // What earlier actions invalidated is painted before the next input, as on screen.
  vel::platform::RunPaintHook();
  HWND target = user.Target();
  Window* dialog = Find(target);
  if (dialog == nullptr) {
    user.ReportError(std::string(action) + " " + Id(id) + ": no dialog or sheet is open");
    return nullptr;
  }
  Window* control = Find(GetDlgItem(target, id));
  if (control == nullptr) {
    user.ReportError(std::string(action) + " " + Id(id) + ": " + dialog->label +
                     " has no control " + Id(id));
    return nullptr;
  }
  if (!user::ReallyVisible(*control)) {
    user.ReportError(std::string(action) + " " + Id(id) + ": control " + Id(id) + " of " +
                     dialog->label + " is hidden");
    return nullptr;
  }
  if (must_be_enabled && !control->Enabled()) {
    user.ReportError(std::string(action) + " " + Id(id) + ": control " + Id(id) + " of " +
                     dialog->label + " is disabled");
    return nullptr;
  }
  return control;
}

void FocusOn(HWND control) {
  if (user::Focus() != control) {
    user::MoveFocus(control);
  }
}

// The window that gets the mouse at a control: disabled windows, statics and group boxes pass it
// to their parent.
HWND MouseReceiver(HWND control) {
  Window* window = Find(control);
  while (window != nullptr && window->parent != nullptr &&
         (!window->Enabled() || window->kind == Kind::kStatic ||
          (window->kind == Kind::kButton && window->Type() == BS_GROUPBOX))) {
    window = Find(window->parent);
  }
  return window == nullptr ? nullptr : window->handle;
}

enum class MouseAction { kMove, kClick, kRightClick };

bool Mouse(ScriptedUser& user,
           const char* action,
           int id,
           std::optional<POINT> point,
           MouseAction kind) {
  Window* control = Usable(user, action, id, false);
  if (control == nullptr) {
    return false;
  }
  POINT at = point.value_or(POINT{(control->rect.right - control->rect.left) / 2,
                                  (control->rect.bottom - control->rect.top) / 2});
  ClientToScreen(control->handle, &at);
  SetCursorPos(at.x, at.y);
  POINT screen{0, 0};
  GetCursorPos(&screen);
  HWND receiver = MouseReceiver(control->handle);
  POINT local = screen;
  ScreenToClient(receiver, &local);
  const LPARAM where = MAKELPARAM(static_cast<WORD>(local.x), static_cast<WORD>(local.y));
  const UINT first = kind == MouseAction::kMove    ? WM_MOUSEMOVE
                     : kind == MouseAction::kClick ? WM_LBUTTONDOWN
                                                   : WM_RBUTTONDOWN;
  user::Send(receiver, WM_SETCURSOR, reinterpret_cast<WPARAM>(receiver),
             MAKELPARAM(HTCLIENT, static_cast<WORD>(first)));
  switch (kind) {
    case MouseAction::kMove:
      user::Send(receiver, WM_MOUSEMOVE, 0, where);
      break;
    case MouseAction::kClick:
      user::Send(receiver, WM_LBUTTONDOWN, MK_LBUTTON, where);
      user::Send(receiver, WM_LBUTTONUP, 0, where);
      break;
    case MouseAction::kRightClick:
      user::Send(receiver, WM_RBUTTONDOWN, MK_RBUTTON, where);
      user::Send(receiver, WM_RBUTTONUP, 0, where);
      user::Send(receiver, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(receiver),
                 MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
      break;
  }
  return true;
}

}  // namespace

bool ScriptedUser::ActivatePage(std::u16string_view title) {
  HWND sheet = InnermostSheet(impl_->targets);
  if (sheet == nullptr) {
    ReportError("page " + user::Quote(title) + ": no property sheet is open");
    return false;
  }
  const std::vector<SheetPageInfo> pages = user::SheetPages(sheet);
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (pages[i].title == title) {
      std::string error;
      if (!user::ActivateSheetPage(sheet, i, error)) {
        ReportError("page " + user::Quote(title) + ": " + error);
        return false;
      }
      return true;
    }
  }
  ReportError("page " + user::Quote(title) + ": the sheet has no such page");
  return false;
}

bool ScriptedUser::Click(int id) {
  Window* control = Usable(*this, "click", id);
  if (control == nullptr) {
    return false;
  }
  if (control->kind == Kind::kButton) {
    if (control->Type() == BS_GROUPBOX) {
      ReportError("click " + Id(id) + ": control " + Id(id) + " is a group box");
      return false;
    }
    return user::ClickButton(control->handle);
  }
  return Mouse(*this, "click", id, std::nullopt, MouseAction::kClick);
}

bool ScriptedUser::Check(int id, bool checked) {
  const char* action = checked ? "check" : "uncheck";
  Window* control = Usable(*this, action, id);
  if (control == nullptr) {
    return false;
  }
  if (control->kind != Kind::kButton || !HoldsCheck(control->Type())) {
    ReportError(std::string(action) + " " + Id(id) + ": control " + Id(id) +
                " is no check box or radio button");
    return false;
  }
  const bool radio = control->Type() == BS_RADIOBUTTON || control->Type() == BS_AUTORADIOBUTTON;
  if (!checked && radio) {
    ReportError("uncheck " + Id(id) + ": a radio button is unchecked by checking another");
    return false;
  }
  if ((control->check == BST_CHECKED) == checked) {
    return true;
  }
  return user::ClickButton(control->handle);
}

namespace {

Window* ListControl(ScriptedUser& user, int id) {
  Window* control = Usable(user, "select", id);
  if (control != nullptr && control->kind != Kind::kComboBox && control->kind != Kind::kListBox) {
    user.ReportError("select " + Id(id) + ": control " + Id(id) + " is no combo box or list box");
    return nullptr;
  }
  return control;
}

}  // namespace

bool ScriptedUser::SelectText(int id, std::u16string_view text) {
  Window* control = ListControl(*this, id);
  if (control == nullptr) {
    return false;
  }
  const int index = user::FindItem(*control, text, -1, true);
  if (index < 0) {
    ReportError("select " + Id(id) + ": control " + Id(id) + " has no entry " + user::Quote(text));
    return false;
  }
  HWND handle = control->handle;
  FocusOn(handle);
  user::UserSelect(handle, index);
  return true;
}

bool ScriptedUser::SelectIndex(int id, int index) {
  Window* control = ListControl(*this, id);
  if (control == nullptr) {
    return false;
  }
  if (index < 0 || static_cast<std::size_t>(index) >= control->items.size()) {
    ReportError("select " + Id(id) + ": control " + Id(id) + " has no entry " +
                std::to_string(index) + " (it has " + std::to_string(control->items.size()) + ")");
    return false;
  }
  HWND handle = control->handle;
  FocusOn(handle);
  user::UserSelect(handle, index);
  return true;
}

namespace {

Window* TextControl(ScriptedUser& user, const char* action, int id) {
  Window* control = Usable(user, action, id);
  if (control == nullptr) {
    return nullptr;
  }
  const bool edit_part =
      control->kind == Kind::kComboBox && (control->style & 0x3) != CBS_DROPDOWNLIST;
  if (control->kind != Kind::kEdit && !edit_part) {
    user.ReportError(std::string(action) + " " + Id(id) + ": control " + Id(id) + " takes no text");
    return nullptr;
  }
  return control;
}

}  // namespace

bool ScriptedUser::Type(int id, std::u16string_view text) {
  Window* control = TextControl(*this, "type", id);
  if (control == nullptr) {
    return false;
  }
  HWND handle = control->handle;
  FocusOn(handle);
  for (char16_t c : text) {
    if (Find(handle) == nullptr) {
      ReportError("type " + Id(id) + ": the control went away while typing");
      return false;
    }
    user::Send(handle, WM_CHAR, c, 1);
  }
  return true;
}

bool ScriptedUser::Set(int id, std::u16string_view text) {
  Window* control = TextControl(*this, "set", id);
  if (control == nullptr) {
    return false;
  }
  HWND handle = control->handle;
  FocusOn(handle);
  control = Find(handle);
  if (control == nullptr) {
    return false;
  }
  if ((control->style & ES_READONLY) != 0 && control->kind == Kind::kEdit) {
    return true;
  }
  LogCall("paste " + user::Quote(text) + " into " + control->label);
  user::SetSelection(*control, 0, -1);
  if (user::ReplaceSelection(*control, text) || text.empty()) {
    user::NotifyParent(*control, control->kind == Kind::kEdit ? EN_CHANGE : CBN_EDITCHANGE);
  }
  return true;
}

bool ScriptedUser::Leave(int id) {
  Window* control = Usable(*this, "leave", id);
  if (control == nullptr) {
    return false;
  }
  HWND handle = control->handle;
  HWND parent = control->parent;
  FocusOn(handle);
  user::MoveFocus(user::NextTabStop(parent, handle));
  return true;
}

bool ScriptedUser::Step(int id, int delta) {
  Window* control = Usable(*this, "step", id);
  if (control == nullptr) {
    return false;
  }
  if (control->kind != Kind::kUpDown) {
    ReportError("step " + Id(id) + ": control " + Id(id) + " is no up-down control");
    return false;
  }
  user::StepUpDown(control->handle, delta < 0 ? -1 : 1);
  return true;
}

bool ScriptedUser::Scroll(int id, WORD request, int position) {
  Window* control = Usable(*this, "scroll", id);
  if (control == nullptr) {
    return false;
  }
  if (control->kind != Kind::kScrollBar) {
    ReportError("scroll " + Id(id) + ": control " + Id(id) + " is no scroll bar");
    return false;
  }
  if (request == SB_THUMBTRACK || request == SB_THUMBPOSITION) {
    control->scroll_track = position;
  }
  const UINT message = (control->style & SBS_VERT) != 0 ? WM_VSCROLL : WM_HSCROLL;
  const WORD packed =
      request == SB_THUMBTRACK || request == SB_THUMBPOSITION ? static_cast<WORD>(position) : 0;
  user::Send(control->parent, message, MAKEWPARAM(request, packed),
             reinterpret_cast<LPARAM>(control->handle));
  return true;
}

bool ScriptedUser::Key(int id, UINT virtual_key) {
  Window* control = Usable(*this, "key", id);
  if (control == nullptr) {
    return false;
  }
  HWND handle = control->handle;
  FocusOn(handle);
  const LRESULT code = user::Send(handle, WM_GETDLGCODE, virtual_key, 0);
  LogCall("key " + Id(static_cast<int>(virtual_key)) + " in " + user::LabelOf(handle) +
          ": dialog code " + user::Hex(static_cast<std::uint64_t>(code)));
  user::Send(handle, WM_KEYDOWN, virtual_key, 1);
  return true;
}

bool ScriptedUser::MouseMove(int id, std::optional<POINT> point) {
  return Mouse(*this, "mouse move", id, point, MouseAction::kMove);
}

bool ScriptedUser::MouseClick(int id, std::optional<POINT> point) {
  return Mouse(*this, "mouse click", id, point, MouseAction::kClick);
}

bool ScriptedUser::RightClick(int id, std::optional<POINT> point) {
  return Mouse(*this, "right click", id, point, MouseAction::kRightClick);
}

bool ScriptedUser::Help(int id) {
  Window* control = Usable(*this, "help", id, false);
  if (control == nullptr) {
    return false;
  }
  HELPINFO info{};
  info.cbSize = sizeof(HELPINFO);
  info.iContextType = HELPINFO_WINDOW;
  info.iCtrlId = id;
  info.hItemHandle = control->handle;
  GetCursorPos(&info.MousePos);
  user::Send(control->handle, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  return true;
}

namespace {

// A button of the frame (a sheet) or of the dialog (a modal dialog) pressed by a person.
bool PressButton(ScriptedUser& user,
                 const std::vector<TargetEntry>& targets,
                 int id,
                 const char* name) {
  HWND owner = InnermostSheet(targets);
  if (owner == nullptr) {
    owner = user.Target();
  }
  Window* window = Find(owner);
  if (window == nullptr) {
    user.ReportError(std::string(name) + ": no dialog or sheet is open");
    return false;
  }
  HWND button = GetDlgItem(owner, id);
  Window* record = Find(button);
  if (record == nullptr) {
    if (id == IDCANCEL && window->dialog != nullptr) {
      // Escape cancels a dialog that has no Cancel button.
      user::Send(owner, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return true;
    }
    user.ReportError(std::string(name) + ": " + window->label + " offers no " + name + " button");
    return false;
  }
  if (!record->Enabled() || !user::ReallyVisible(*record)) {
    user.ReportError(std::string(name) + ": the " + name + " button of " + window->label + " is " +
                     (record->Enabled() ? "hidden" : "disabled"));
    return false;
  }
  return user::ClickButton(button);
}

}  // namespace

bool ScriptedUser::Paint() {
  vel::platform::RunPaintHook();
  return true;
}

bool ScriptedUser::Ok() {
  return PressButton(*this, impl_->targets, IDOK, "OK");
}

bool ScriptedUser::Cancel() {
  return PressButton(*this, impl_->targets, IDCANCEL, "Cancel");
}

bool ScriptedUser::Apply() {
  if (InnermostSheet(impl_->targets) == nullptr) {
    ReportError("Apply: no property sheet is open");
    return false;
  }
  return PressButton(*this, impl_->targets, IDAPPLY_SHEET, "Apply");
}

bool ScriptedUser::HelpButton() {
  return PressButton(*this, impl_->targets,
                     InnermostSheet(impl_->targets) != nullptr ? IDHELP_SHEET : IDHELP, "Help");
}

// ---- Modal windows
// ----------------------------------------------------------------------------------

bool ScriptedUser::RunModalDialog(HWND dialog) {
  Window* window = Find(dialog);
  if (window == nullptr || window->dialog == nullptr) {
    return false;
  }
  const int id = window->dialog->template_id;
  const std::u16string caption = window->dialog->caption;
  const std::string name = window->label;
  const UserHandler* handler = nullptr;
  if (auto it = impl_->dialogs_by_id.find(id); id >= 0 && it != impl_->dialogs_by_id.end()) {
    handler = &it->second;
  } else if (auto by_caption = impl_->dialogs_by_caption.find(caption);
             by_caption != impl_->dialogs_by_caption.end()) {
    handler = &by_caption->second;
  }
  impl_->targets.push_back(TargetEntry{dialog, false});
  vel::platform::RunPaintHook();
  bool answered = false;
  if (handler != nullptr) {
    const UserHandler run = *handler;  // the handler may register others
    run(*this);
    answered = true;
  } else if (impl_->dialog_fallback) {
    answered = impl_->dialog_fallback(*this, dialog);
  }
  impl_->targets.pop_back();
  if (!answered) {
    ReportError("unexpected " + name + " " + user::Quote(caption));
    return false;
  }
  window = Find(dialog);
  if (window != nullptr && !window->dialog->ended) {
    ReportError(name + " " + user::Quote(caption) + " was left open by its handler");
    return false;
  }
  return true;
}

bool ScriptedUser::RunSheet(HWND frame) {
  if (!impl_->sheet_handler) {
    ReportError("unexpected property sheet " + user::Quote(user::SheetTitle(frame)));
    return false;
  }
  impl_->targets.push_back(TargetEntry{frame, true});
  vel::platform::RunPaintHook();
  const UserHandler run = impl_->sheet_handler;
  run(*this);
  impl_->targets.pop_back();
  if (!user::SheetClosed(frame)) {
    ReportError("property sheet " + user::Quote(user::SheetTitle(frame)) +
                " was left open by its handler");
    return false;
  }
  return true;
}

int ScriptedUser::AnswerMessageBox(std::u16string_view text,
                                   std::u16string_view caption,
                                   UINT flags) {
  const std::string shown =
      user::Quote(text) + " (caption " + user::Quote(caption) + ", flags " + user::Hex(flags) + ")";
  if (impl_->boxes.empty()) {
    if (impl_->box_fallback) {
      if (const int answer = impl_->box_fallback(text, caption, flags); answer != 0) {
        return answer;
      }
    }
    ReportError("unexpected message box " + shown);
    return 0;
  }
  const ExpectedBox expected = impl_->boxes.front();
  impl_->boxes.pop_front();
  if (expected.text != text || expected.caption != caption || expected.flags != flags) {
    ReportError("message box " + shown + " where " + user::Quote(expected.text) + " (caption " +
                user::Quote(expected.caption) + ", flags " + user::Hex(expected.flags) +
                ") was expected");
  }
  return expected.answer;
}

}  // namespace vel::platform

namespace vel::platform::user {

bool RunModalDialog(HWND dialog) {
  ScriptedUser* user = ScriptedUser::Current();
  if (user == nullptr) {
    LogCall("no scripted user answers " + LabelOf(dialog));
    std::fprintf(stderr, "scripted user: none answers %s\n", LabelOf(dialog).c_str());
    return false;
  }
  return user->RunModalDialog(dialog);
}

int AnswerMessageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  CountMessageBox();
  const std::u16string body = TextOf(text);
  const std::u16string title = caption == nullptr ? std::u16string(u"Error") : TextOf(caption);
  LogCall("MessageBoxW(" + Quote(title) + ", " + Quote(body) + ", " + Hex(type) + ")");
  ScriptedUser* user = ScriptedUser::Current();
  if (user == nullptr) {
    std::fprintf(stderr, "scripted user: none answers the message box %s\n", Quote(body).c_str());
    return 0;
  }
  const int answer = user->AnswerMessageBox(body, title, type);
  LogCall("MessageBoxW -> " + std::to_string(answer));
  return answer;
}

}  // namespace vel::platform::user

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  return vel::platform::user::AnswerMessageBox(owner, text, caption, type);
}
