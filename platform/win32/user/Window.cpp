// Windows: the handle table, window classes, messages, geometry, focus and the window calls.
#include "platform/win32/user/Window.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/CallLog.h"
#include "platform/win32/user/UserFixture.h"
#include "platform/win32/user/UserState.h"

namespace vel::platform::user {
namespace {

struct Table {
  std::mutex mutex;
  std::unordered_map<std::uintptr_t, std::unique_ptr<Window>> windows;
  std::vector<HWND> top_level;            // creation order, for FindWindowW and resets
  std::map<HWND, std::u16string> titles;  // titles of top-level windows, for FindWindowW
  std::map<std::u16string, std::unique_ptr<WindowClass>> classes;  // keyed by folded name
  std::map<std::u16string, UINT> messages;
  std::uintptr_t next_handle = 0x10010;
  ATOM next_atom = 0xC000;
  UINT next_message = 0xC000;
  bool builtins = false;
};

// Never destroyed: windows may be touched from static destructors of tests and hosts.
Table& GetTable() {
  static Table* table = new Table;
  return *table;
}

std::uintptr_t Key(HWND handle) {
  return reinterpret_cast<std::uintptr_t>(handle);
}

std::u16string Fold(std::u16string_view text) {
  return FoldCase(text);
}

// Registers the built-in classes; the table's mutex is held.
void RegisterBuiltins(Table& table) {
  if (table.builtins) {
    return;
  }
  table.builtins = true;
  struct Builtin {
    const char16_t* name;
    Kind kind;
    WNDPROC procedure;
    int extra;
  };
  const Builtin builtins[] = {
      {u"Button", Kind::kButton, ButtonProc, 0},
      {u"Edit", Kind::kEdit, EditProc, 0},
      {u"Static", Kind::kStatic, StaticProc, 0},
      {u"ListBox", Kind::kListBox, ListBoxProc, 0},
      {u"ScrollBar", Kind::kScrollBar, ScrollBarProc, 0},
      {u"ComboBox", Kind::kComboBox, ComboBoxProc, 0},
      {u"msctls_updown32", Kind::kUpDown, UpDownProc, 0},
      {u"#32770", Kind::kDialog, DialogProc, DLGWINDOWEXTRA},
  };
  for (const Builtin& builtin : builtins) {
    auto window_class = std::make_unique<WindowClass>();
    window_class->name = builtin.name;
    window_class->atom = table.next_atom++;
    window_class->kind = builtin.kind;
    window_class->procedure = builtin.procedure;
    window_class->window_extra = builtin.extra;
    window_class->cursor = SystemCursor(IDC_ARROW_ORDINAL);
    table.classes[Fold(builtin.name)] = std::move(window_class);
  }
}

Window* FindUnchecked(HWND handle) {
  if (handle == nullptr) {
    return nullptr;
  }
  Table& table = GetTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.windows.find(Key(handle));
  return it == table.windows.end() ? nullptr : it->second.get();
}

thread_local HWND focus_window = nullptr;

std::atomic<int> enable_window_calls{0};
std::atomic<int> show_window_calls{0};

void Log(std::string line) {
  LogCall(std::move(line));
}

std::string Text(LPCWSTR text) {
  return text == nullptr ? "null" : Quote(TextOf(text));
}

}  // namespace

// ---- Handle table ------------------------------------------------------------------------------

Window* Find(HWND handle) {
  Window* window = FindUnchecked(handle);
  // A window tree belongs to the thread that made it.
  assert(window == nullptr || window->thread == std::this_thread::get_id());
  return window;
}

HWND AddWindow(std::unique_ptr<Window> window) {
  Table& table = GetTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  HWND handle = reinterpret_cast<HWND>(table.next_handle);
  table.next_handle += 4;
  window->handle = handle;
  if ((window->style & WS_CHILD) == 0) {
    table.top_level.push_back(handle);
    table.titles[handle] = window->text;
  }
  table.windows[Key(handle)] = std::move(window);
  return handle;
}

void RemoveWindow(HWND handle) {
  std::unique_ptr<Window> removed;
  Table& table = GetTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.windows.find(Key(handle));
  if (it == table.windows.end()) {
    return;
  }
  removed = std::move(it->second);
  table.windows.erase(it);
  table.top_level.erase(std::remove(table.top_level.begin(), table.top_level.end(), handle),
                        table.top_level.end());
  table.titles.erase(handle);
}

bool IsOwnedByThisThread(HWND handle) {
  Window* window = FindUnchecked(handle);
  return window != nullptr && window->thread == std::this_thread::get_id();
}

std::vector<HWND> TopLevelWindows() {
  Table& table = GetTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.top_level;
}

void UpdateSharedTitle(const Window& window) {
  if ((window.style & WS_CHILD) != 0) {
    return;
  }
  Table& table = GetTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.titles[window.handle] = window.text;
}

WindowClass* FindClass(std::u16string_view name) {
  Table& table = GetTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  RegisterBuiltins(table);
  auto it = table.classes.find(Fold(name));
  return it == table.classes.end() ? nullptr : it->second.get();
}

WindowClass* FindClassByAtom(WORD atom) {
  switch (atom) {
    case 0x80:
      return FindClass(u"Button");
    case 0x81:
      return FindClass(u"Edit");
    case 0x82:
      return FindClass(u"Static");
    case 0x83:
      return FindClass(u"ListBox");
    case 0x84:
      return FindClass(u"ScrollBar");
    case 0x85:
      return FindClass(u"ComboBox");
    default:
      break;
  }
  Table& table = GetTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  RegisterBuiltins(table);
  for (auto& [name, window_class] : table.classes) {
    if (window_class->atom == atom) {
      return window_class.get();
    }
  }
  return nullptr;
}

// ---- Messages ----------------------------------------------------------------------------------

LRESULT Send(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* window = Find(handle);
  if (window == nullptr) {
    Log("SendMessageW(" + Hex(Key(handle)) + ", " + DescribeMessage(message, wparam, lparam) +
        ") to no window");
    return 0;
  }
  Log("SendMessageW(" + window->label + ", " + DescribeMessage(message, wparam, lparam) + ")");
  WNDPROC procedure = window->procedure;
  if (procedure == nullptr) {
    return DefWindowProcW(handle, message, wparam, lparam);
  }
  return procedure(handle, message, wparam, lparam);
}

void NotifyParent(const Window& control, WORD code) {
  if (control.parent == nullptr) {
    return;
  }
  HWND parent = control.parent;
  Send(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(control.id), code),
       reinterpret_cast<LPARAM>(control.handle));
}

// ---- Windows -----------------------------------------------------------------------------------

std::string LabelOf(HWND handle) {
  Window* window = FindUnchecked(handle);
  if (window == nullptr) {
    return handle == nullptr ? "null" : Hex(Key(handle));
  }
  return window->label;
}

HWND MakeWindow(WindowClass* window_class,
                DWORD ex_style,
                std::u16string_view text,
                DWORD style,
                RECT rect,
                HWND parent,
                int id,
                HINSTANCE instance,
                LPVOID param) {
  auto window = std::make_unique<Window>();
  window->window_class = window_class;
  window->kind = window_class->kind;
  window->style = style;
  window->ex_style = ex_style;
  window->text = std::u16string(text);
  window->rect = rect;
  if (window->kind == Kind::kComboBox && (style & 0x3) != CBS_SIMPLE) {
    // A drop-down combo box is as high as its selection field; the height it was given is that of
    // its dropped list.
    window->rect.bottom = window->rect.top + kComboFieldHeight;
  }
  window->procedure = window_class->procedure;
  window->instance = instance;
  window->thread = std::this_thread::get_id();
  window->extra.assign(static_cast<std::size_t>(std::max(window_class->window_extra, 0)), 0);
  if ((style & WS_CHILD) != 0) {
    window->parent = parent;
    window->id = id;
    window->label = "item " + std::to_string(id);
  } else {
    window->owner = parent;
    window->label = window->kind == Kind::kDialog ? "dialog " + Quote(text)
                                                  : "window " + Quote(window_class->name);
  }
  if (window->kind == Kind::kDialog) {
    window->dialog = std::make_unique<DialogState>();
  }
  Window* record = window.get();
  HWND handle = AddWindow(std::move(window));
  if (record->parent != nullptr) {
    if (Window* parent_window = Find(record->parent)) {
      parent_window->children.push_back(handle);
    }
  }
  if (record->kind == Kind::kCustom) {
    CREATESTRUCTW create{};
    create.lpCreateParams = param;
    create.hInstance = instance;
    create.hwndParent = parent;
    create.x = rect.left;
    create.y = rect.top;
    create.cx = rect.right - rect.left;
    create.cy = rect.bottom - rect.top;
    create.style = static_cast<LONG>(style);
    create.lpszName = record->text.c_str();
    create.lpszClass = window_class->name.c_str();
    create.dwExStyle = ex_style;
    if (Send(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
      Destroy(handle);
      return nullptr;
    }
  }
  return handle;
}

namespace {

bool Contains(HWND ancestor, HWND window) {
  for (Window* current = Find(window); current != nullptr; current = Find(current->parent)) {
    if (current->handle == ancestor) {
      return true;
    }
  }
  return false;
}

}  // namespace

void Destroy(HWND handle) {
  Window* window = Find(handle);
  if (window == nullptr || window->destroying) {
    return;
  }
  window->destroying = true;
  if (focus_window != nullptr && Contains(handle, focus_window)) {
    focus_window = nullptr;
  }
  Send(handle, WM_DESTROY, 0, 0);
  window = Find(handle);
  if (window == nullptr) {
    return;
  }
  const std::vector<HWND> children = window->children;
  for (HWND child : children) {
    Destroy(child);
  }
  window = Find(handle);
  if (window == nullptr) {
    return;
  }
  if (Window* parent = Find(window->parent)) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), handle), siblings.end());
  }
  RemoveWindow(handle);
}

POINT ClientOrigin(const Window& window) {
  POINT origin{window.rect.left, window.rect.top};
  if (window.parent != nullptr) {
    if (Window* parent = Find(window.parent)) {
      POINT parent_origin = ClientOrigin(*parent);
      origin.x += parent_origin.x;
      origin.y += parent_origin.y;
    }
  }
  return origin;
}

void SetVisible(Window& window, bool visible) {
  if (visible) {
    window.style |= WS_VISIBLE;
  } else {
    window.style &= ~WS_VISIBLE;
  }
}

void SetEnabled(Window& window, bool enabled) {
  if (enabled) {
    window.style &= ~WS_DISABLED;
  } else {
    window.style |= WS_DISABLED;
  }
}

bool ReallyVisible(const Window& window) {
  for (const Window* current = &window; current != nullptr; current = Find(current->parent)) {
    if (!current->Visible()) {
      return false;
    }
  }
  return true;
}

HWND Focus() {
  if (focus_window != nullptr && FindUnchecked(focus_window) == nullptr) {
    focus_window = nullptr;
  }
  return focus_window;
}

HWND MoveFocus(HWND handle) {
  HWND previous = Focus();
  if (previous == handle) {
    return previous;
  }
  if (previous != nullptr) {
    Send(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(handle), 0);
  }
  focus_window = Find(handle) != nullptr ? handle : nullptr;
  if (focus_window != nullptr) {
    Send(focus_window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  }
  return previous;
}

HWND NextTabStop(HWND dialog, HWND after) {
  Window* parent = Find(dialog);
  if (parent == nullptr || parent->children.empty()) {
    return nullptr;
  }
  const std::vector<HWND>& children = parent->children;
  auto start = std::find(children.begin(), children.end(), after);
  std::size_t first = start == children.end() ? 0 : (start - children.begin()) + 1;
  for (std::size_t i = 0; i < children.size(); ++i) {
    HWND candidate = children[(first + i) % children.size()];
    Window* window = Find(candidate);
    if (candidate != after && window != nullptr && (window->style & WS_TABSTOP) != 0 &&
        window->Visible() && window->Enabled()) {
      return candidate;
    }
  }
  return nullptr;
}

void MarkForPaint(Window& window) {
  window.needs_paint = true;
}

bool ReadExtra(const Window& window, int offset, LONG_PTR* value) {
  if (offset < 0 || static_cast<std::size_t>(offset) + sizeof(LONG_PTR) > window.extra.size()) {
    return false;
  }
  std::memcpy(value, window.extra.data() + offset, sizeof(LONG_PTR));
  return true;
}

bool WriteExtra(Window& window, int offset, LONG_PTR value) {
  if (offset < 0 || static_cast<std::size_t>(offset) + sizeof(LONG_PTR) > window.extra.size()) {
    return false;
  }
  std::memcpy(window.extra.data() + offset, &value, sizeof(LONG_PTR));
  return true;
}

// ---- Text --------------------------------------------------------------------------------------

std::u16string TextOf(LPCWSTR text) {
  return text == nullptr ? std::u16string() : text;
}

bool IsOrdinal(LPCWSTR name) {
  return reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF;
}

int OrdinalOf(LPCWSTR name) {
  return static_cast<int>(reinterpret_cast<std::uintptr_t>(name) & 0xFFFF);
}

std::string Quote(std::u16string_view text) {
  std::string out = "\"";
  for (char c : vel::platform::ToUtf8(text)) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace vel::platform::user

// ---- The platform's calls
// ------------------------------------------------------------------------

using namespace vel::platform::user;

ATOM RegisterClassW(const WNDCLASSW* window_class) {
  if (window_class == nullptr || window_class->lpszClassName == nullptr ||
      IsOrdinal(window_class->lpszClassName) || window_class->lpfnWndProc == nullptr ||
      window_class->cbWndExtra < 0 || window_class->cbWndExtra > 4096) {
    Log("RegisterClassW(bad class) -> 0");
    return 0;
  }
  const std::u16string name = window_class->lpszClassName;
  Table& table = GetTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  RegisterBuiltins(table);
  auto& slot = table.classes[Fold(name)];
  if (slot != nullptr || vel::platform::ShouldFail("RegisterClassW")) {
    Log("RegisterClassW(" + Quote(name) + ") -> 0");
    return 0;
  }
  slot = std::make_unique<WindowClass>();
  slot->name = name;
  slot->atom = table.next_atom++;
  slot->procedure = window_class->lpfnWndProc;
  slot->instance = window_class->hInstance;
  slot->cursor = window_class->hCursor;
  slot->icon = window_class->hIcon;
  slot->window_extra = window_class->cbWndExtra;
  Log("RegisterClassW(" + Quote(name) + ") -> " + Hex(slot->atom));
  return slot->atom;
}

HWND CreateWindowExW(DWORD ex_style,
                     LPCWSTR class_name,
                     LPCWSTR window_name,
                     DWORD style,
                     int x,
                     int y,
                     int width,
                     int height,
                     HWND parent,
                     HMENU menu_or_id,
                     HINSTANCE instance,
                     LPVOID param) {
  WindowClass* window_class = nullptr;
  if (class_name != nullptr) {
    window_class = IsOrdinal(class_name) ? FindClassByAtom(static_cast<WORD>(OrdinalOf(class_name)))
                                         : FindClass(class_name);
  }
  const std::string described =
      "CreateWindowExW(" +
      (class_name == nullptr || IsOrdinal(class_name) ? Hex(OrdinalOf(class_name))
                                                      : Quote(class_name)) +
      ", " + Text(window_name) + ")";
  if (window_class == nullptr || ((style & WS_CHILD) != 0 && Find(parent) == nullptr) ||
      vel::platform::ShouldFail("CreateWindowExW")) {
    Log(described + " -> null");
    return nullptr;
  }
  constexpr int kUseDefault = static_cast<int>(0x80000000u);
  if (x == kUseDefault) {
    x = 0;
    y = 0;
  }
  if (width == kUseDefault) {
    width = 0;
    height = 0;
  }
  const int id =
      (style & WS_CHILD) != 0 ? static_cast<int>(reinterpret_cast<std::uintptr_t>(menu_or_id)) : 0;
  HWND window = MakeWindow(window_class, ex_style, TextOf(window_name), style,
                           RECT{x, y, x + width, y + height}, parent, id, instance, param);
  Log(described + " -> " + LabelOf(window));
  return window;
}

BOOL DestroyWindow(HWND window) {
  if (Find(window) == nullptr) {
    Log("DestroyWindow(" + LabelOf(window) + ") -> 0");
    return FALSE;
  }
  Log("DestroyWindow(" + LabelOf(window) + ")");
  Destroy(window);
  return TRUE;
}

BOOL IsWindow(HWND window) {
  return FindUnchecked(window) != nullptr ? TRUE : FALSE;
}

HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name) {
  WindowClass* wanted = nullptr;
  if (class_name != nullptr) {
    wanted = IsOrdinal(class_name) ? FindClassByAtom(static_cast<WORD>(OrdinalOf(class_name)))
                                   : FindClass(class_name);
    if (wanted == nullptr) {
      Log("FindWindowW(" + Text(IsOrdinal(class_name) ? nullptr : class_name) + ", " +
          Text(window_name) + ") -> null");
      return nullptr;
    }
  }
  HWND found = nullptr;
  {
    Table& table = GetTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    for (HWND handle : table.top_level) {
      auto it = table.windows.find(Key(handle));
      if (it == table.windows.end()) {
        continue;
      }
      if (wanted != nullptr && it->second->window_class != wanted) {
        continue;
      }
      if (window_name != nullptr && table.titles[handle] != window_name) {
        continue;
      }
      found = handle;
      break;
    }
  }
  Log("FindWindowW(" + Text(class_name == nullptr || IsOrdinal(class_name) ? nullptr : class_name) +
      ", " + Text(window_name) + ") -> " + LabelOf(found));
  return found;
}

UINT RegisterWindowMessageW(LPCWSTR name) {
  if (name == nullptr || *name == 0) {
    Log("RegisterWindowMessageW(null) -> 0");
    return 0;
  }
  UINT id = 0;
  {
    Table& table = GetTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto [it, added] = table.messages.emplace(Fold(name), table.next_message);
    if (added) {
      ++table.next_message;
    }
    id = it->second;
  }
  Log("RegisterWindowMessageW(" + Quote(name) + ") -> " + Hex(id));
  return id;
}

LRESULT DefWindowProcW(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* window = Find(handle);
  if (window == nullptr) {
    return 0;
  }
  switch (message) {
    case WM_SETTEXT:
      window->text = TextOf(reinterpret_cast<LPCWSTR>(lparam));
      UpdateSharedTitle(*window);
      return TRUE;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<WCHAR*>(lparam);
      if (buffer == nullptr || wparam == 0) {
        return 0;
      }
      const std::size_t count = std::min<std::size_t>(window->text.size(), wparam - 1);
      std::copy_n(window->text.data(), count, buffer);
      buffer[count] = 0;
      return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(window->text.size());
    case WM_SETCURSOR: {
      // The parent decides first; a TRUE answer ends the search.
      if (window->parent != nullptr && Send(window->parent, WM_SETCURSOR, wparam, lparam) != 0) {
        return TRUE;
      }
      window = Find(handle);
      if (window != nullptr && LOWORD(static_cast<DWORD_PTR>(lparam)) == HTCLIENT &&
          window->window_class->cursor != nullptr) {
        ::SetCursor(window->window_class->cursor);
        return TRUE;
      }
      return FALSE;
    }
    case WM_CONTEXTMENU:
    case WM_HELP:
      if (window->parent != nullptr) {
        Send(window->parent, message, wparam, lparam);
      }
      return message == WM_HELP ? TRUE : 0;
    case WM_CLOSE:
      Destroy(handle);
      return 0;
    default:
      return 0;
  }
}

LRESULT CallWindowProcW(WNDPROC procedure,
                        HWND window,
                        UINT message,
                        WPARAM wparam,
                        LPARAM lparam) {
  if (procedure == nullptr) {
    return 0;
  }
  return procedure(window, message, wparam, lparam);
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return Send(window, message, wparam, lparam);
}

LONG_PTR GetWindowLongPtrW(HWND handle, int index) {
  Window* window = Find(handle);
  if (window == nullptr) {
    return 0;
  }
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(window->procedure);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(window->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(window->parent != nullptr ? window->parent : window->owner);
    case GWLP_ID:
      return window->id;
    case GWL_STYLE:
      return static_cast<LONG_PTR>(static_cast<LONG>(window->style));
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(static_cast<LONG>(window->ex_style));
    case GWLP_USERDATA:
      return window->user_data;
    default: {
      LONG_PTR value = 0;
      if (!ReadExtra(*window, index, &value)) {
        Log("GetWindowLongPtrW(" + window->label + ", " + std::to_string(index) +
            ") outside the window's slots");
      }
      return value;
    }
  }
}

LONG_PTR SetWindowLongPtrW(HWND handle, int index, LONG_PTR value) {
  Window* window = Find(handle);
  if (window == nullptr) {
    Log("SetWindowLongPtrW(" + LabelOf(handle) + ", " + std::to_string(index) + ") -> 0");
    return 0;
  }
  LONG_PTR previous = 0;
  switch (index) {
    case GWLP_WNDPROC:
      previous = reinterpret_cast<LONG_PTR>(window->procedure);
      window->procedure = reinterpret_cast<WNDPROC>(value);
      Log("SetWindowLongPtrW(" + window->label + ", GWLP_WNDPROC)");
      return previous;
    case GWLP_ID:
      previous = window->id;
      window->id = static_cast<int>(value);
      break;
    case GWL_STYLE:
      previous = static_cast<LONG_PTR>(static_cast<LONG>(window->style));
      window->style = static_cast<DWORD>(value);
      break;
    case GWL_EXSTYLE:
      previous = static_cast<LONG_PTR>(static_cast<LONG>(window->ex_style));
      window->ex_style = static_cast<DWORD>(value);
      break;
    case GWLP_USERDATA:
      previous = window->user_data;
      window->user_data = value;
      break;
    case GWLP_HINSTANCE:
      previous = reinterpret_cast<LONG_PTR>(window->instance);
      window->instance = reinterpret_cast<HINSTANCE>(value);
      break;
    default:
      if (!ReadExtra(*window, index, &previous) || !WriteExtra(*window, index, value)) {
        Log("SetWindowLongPtrW(" + window->label + ", " + std::to_string(index) +
            ") outside the window's slots");
        return 0;
      }
      break;
  }
  const char* names[] = {"DWLP_MSGRESULT", "DWLP_DLGPROC", "DWLP_USER"};
  std::string slot = std::to_string(index);
  if (window->kind == Kind::kDialog && index >= 0 && index <= DWLP_USER &&
      index % static_cast<int>(sizeof(LONG_PTR)) == 0) {
    slot = names[index / sizeof(LONG_PTR)];
  } else if (index == GWL_STYLE) {
    slot = "GWL_STYLE";
  } else if (index == GWLP_ID) {
    slot = "GWLP_ID";
  } else if (index == GWLP_USERDATA) {
    slot = "GWLP_USERDATA";
  }
  const bool pointer = index == DWLP_DLGPROC || index == DWLP_USER || index == GWLP_USERDATA ||
                       index == GWLP_HINSTANCE;
  Log("SetWindowLongPtrW(" + window->label + ", " + slot +
      (pointer ? std::string() : ", " + std::to_string(value)) + ")");
  return previous;
}

ULONG_PTR GetClassLongPtrW(HWND handle, int index) {
  Window* window = Find(handle);
  if (window == nullptr) {
    return 0;
  }
  Table& table = GetTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  switch (index) {
    case GCLP_HCURSOR:
      return reinterpret_cast<ULONG_PTR>(window->window_class->cursor);
    case GCLP_HICON:
      return reinterpret_cast<ULONG_PTR>(window->window_class->icon);
    default:
      return 0;
  }
}

ULONG_PTR SetClassLongPtrW(HWND handle, int index, LONG_PTR value) {
  Window* window = Find(handle);
  if (window == nullptr) {
    Log("SetClassLongPtrW(" + LabelOf(handle) + ", " + std::to_string(index) + ") -> 0");
    return 0;
  }
  ULONG_PTR previous = 0;
  {
    Table& table = GetTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    switch (index) {
      case GCLP_HCURSOR:
        previous = reinterpret_cast<ULONG_PTR>(window->window_class->cursor);
        window->window_class->cursor = reinterpret_cast<HCURSOR>(value);
        break;
      case GCLP_HICON:
        previous = reinterpret_cast<ULONG_PTR>(window->window_class->icon);
        window->window_class->icon = reinterpret_cast<HICON>(value);
        break;
      default:
        break;
    }
  }
  Log("SetClassLongPtrW(" + window->label + ", " +
      (index == GCLP_HCURSOR ? std::string("GCLP_HCURSOR") : std::to_string(index)) + ", " +
      CursorName(reinterpret_cast<void*>(value)) + ")");
  return previous;
}

HWND GetParent(HWND handle) {
  Window* window = Find(handle);
  if (window == nullptr) {
    return nullptr;
  }
  return window->parent != nullptr ? window->parent : window->owner;
}

int GetDlgCtrlID(HWND handle) {
  Window* window = Find(handle);
  return window == nullptr || window->parent == nullptr ? 0 : window->id;
}

HWND GetDlgItem(HWND dialog, int id) {
  Window* window = Find(dialog);
  if (window == nullptr) {
    return nullptr;
  }
  for (HWND child : window->children) {
    Window* item = Find(child);
    if (item != nullptr && item->id == id) {
      return child;
    }
  }
  return nullptr;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  if (Find(window) == nullptr) {
    return FALSE;
  }
  return Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int buffer_size) {
  if (Find(window) == nullptr || buffer == nullptr || buffer_size <= 0) {
    return 0;
  }
  return static_cast<int>(
      Send(window, WM_GETTEXT, static_cast<WPARAM>(buffer_size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND window) {
  return Find(window) == nullptr ? 0 : static_cast<int>(Send(window, WM_GETTEXTLENGTH, 0, 0));
}

BOOL EnableWindow(HWND handle, BOOL enable) {
  ++enable_window_calls;
  Window* window = Find(handle);
  Log("EnableWindow(" + LabelOf(handle) + ", " + std::to_string(enable != 0) + ")");
  if (window == nullptr) {
    return FALSE;
  }
  const bool was_disabled = !window->Enabled();
  if (was_disabled == (enable != 0)) {
    SetEnabled(*window, enable != 0);
    MarkForPaint(*window);
    Send(handle, WM_ENABLE, enable != 0 ? TRUE : FALSE, 0);
    if (enable == 0 && Focus() == handle) {
      MoveFocus(nullptr);
    }
  }
  return was_disabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND handle) {
  Window* window = Find(handle);
  return window != nullptr && window->Enabled() ? TRUE : FALSE;
}

BOOL ShowWindow(HWND handle, int command) {
  ++show_window_calls;
  Window* window = Find(handle);
  Log("ShowWindow(" + LabelOf(handle) + ", " +
      (command == SW_HIDE   ? "SW_HIDE"
       : command == SW_SHOW ? "SW_SHOW"
                            : std::to_string(command)) +
      ")");
  if (window == nullptr) {
    return FALSE;
  }
  const bool was_visible = window->Visible();
  const bool visible = command != SW_HIDE;
  if (was_visible != visible) {
    SetVisible(*window, visible);
    MarkForPaint(*window);
    Send(handle, WM_SHOWWINDOW, visible ? TRUE : FALSE, 0);
  }
  return was_visible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND handle) {
  Window* window = Find(handle);
  return window != nullptr && ReallyVisible(*window) ? TRUE : FALSE;
}

BOOL InvalidateRect(HWND handle, const RECT*, BOOL) {
  Window* window = Find(handle);
  Log("InvalidateRect(" + LabelOf(handle) + ")");
  if (window == nullptr) {
    return FALSE;
  }
  MarkForPaint(*window);
  return TRUE;
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint) {
  Window* window = Find(handle);
  Log("MoveWindow(" + LabelOf(handle) + ", " + std::to_string(x) + ", " + std::to_string(y) + ", " +
      std::to_string(width) + ", " + std::to_string(height) + ")");
  if (window == nullptr) {
    return FALSE;
  }
  window->rect = RECT{x, y, x + width, y + height};
  if (repaint != 0) {
    MarkForPaint(*window);
  }
  return TRUE;
}

BOOL SetWindowPos(HWND handle, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
  Window* window = Find(handle);
  Log("SetWindowPos(" + LabelOf(handle) + ", " + std::to_string(x) + ", " + std::to_string(y) +
      ", " + std::to_string(cx) + ", " + std::to_string(cy) + ", " + Hex(flags) + ")");
  if (window == nullptr) {
    return FALSE;
  }
  RECT& rect = window->rect;
  if ((flags & SWP_NOMOVE) == 0) {
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    rect = RECT{x, y, x + width, y + height};
  }
  if ((flags & SWP_NOSIZE) == 0) {
    rect.right = rect.left + cx;
    rect.bottom = rect.top + cy;
  }
  if ((flags & SWP_NOZORDER) == 0) {
    if (Window* parent = Find(window->parent)) {
      auto& siblings = parent->children;
      siblings.erase(std::remove(siblings.begin(), siblings.end(), handle), siblings.end());
      auto position = siblings.begin();
      if (insert_after == HWND_BOTTOM) {
        position = siblings.end();
      } else if (insert_after != HWND_TOP) {
        position = std::find(siblings.begin(), siblings.end(), insert_after);
        if (position != siblings.end()) {
          ++position;
        }
      }
      siblings.insert(position, handle);
    }
  }
  if ((flags & SWP_SHOWWINDOW) != 0) {
    SetVisible(*window, true);
  }
  if ((flags & SWP_HIDEWINDOW) != 0) {
    SetVisible(*window, false);
  }
  if ((flags & SWP_NOREDRAW) == 0) {
    MarkForPaint(*window);
  }
  return TRUE;
}

BOOL GetWindowRect(HWND handle, RECT* rect) {
  Window* window = Find(handle);
  if (window == nullptr || rect == nullptr) {
    return FALSE;
  }
  const POINT origin = ClientOrigin(*window);
  *rect = RECT{origin.x, origin.y, origin.x + (window->rect.right - window->rect.left),
               origin.y + (window->rect.bottom - window->rect.top)};
  return TRUE;
}

BOOL GetClientRect(HWND handle, RECT* rect) {
  Window* window = Find(handle);
  if (window == nullptr || rect == nullptr) {
    return FALSE;
  }
  *rect =
      RECT{0, 0, window->rect.right - window->rect.left, window->rect.bottom - window->rect.top};
  return TRUE;
}

BOOL ScreenToClient(HWND handle, POINT* point) {
  Window* window = Find(handle);
  if (window == nullptr || point == nullptr) {
    return FALSE;
  }
  const POINT origin = ClientOrigin(*window);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

BOOL ClientToScreen(HWND handle, POINT* point) {
  Window* window = Find(handle);
  if (window == nullptr || point == nullptr) {
    return FALSE;
  }
  const POINT origin = ClientOrigin(*window);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT from_origin{0, 0};
  POINT to_origin{0, 0};
  if (from != nullptr) {
    Window* window = Find(from);
    if (window == nullptr) {
      return 0;
    }
    from_origin = ClientOrigin(*window);
  }
  if (to != nullptr) {
    Window* window = Find(to);
    if (window == nullptr) {
      return 0;
    }
    to_origin = ClientOrigin(*window);
  }
  const LONG dx = from_origin.x - to_origin.x;
  const LONG dy = from_origin.y - to_origin.y;
  for (UINT i = 0; points != nullptr && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL GetWindowPlacement(HWND handle, WINDOWPLACEMENT* placement) {
  Window* window = Find(handle);
  if (window == nullptr || placement == nullptr || placement->length != sizeof(WINDOWPLACEMENT)) {
    return FALSE;
  }
  placement->flags = 0;
  placement->showCmd = window->Visible() ? SW_SHOWNORMAL : SW_HIDE;
  placement->ptMinPosition = POINT{-1, -1};
  placement->ptMaxPosition = POINT{-1, -1};
  placement->rcNormalPosition = window->rect;
  return TRUE;
}

BOOL SetWindowPlacement(HWND handle, const WINDOWPLACEMENT* placement) {
  Window* window = Find(handle);
  if (window == nullptr || placement == nullptr || placement->length != sizeof(WINDOWPLACEMENT)) {
    Log("SetWindowPlacement(" + LabelOf(handle) + ") -> 0");
    return FALSE;
  }
  const RECT& rect = placement->rcNormalPosition;
  Log("SetWindowPlacement(" + window->label + ", " + std::to_string(rect.left) + ", " +
      std::to_string(rect.top) + ", " + std::to_string(rect.right) + ", " +
      std::to_string(rect.bottom) + ")");
  window->rect = rect;
  SetVisible(*window, placement->showCmd != static_cast<UINT>(SW_HIDE));
  MarkForPaint(*window);
  return TRUE;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
  Window* window = Find(parent);
  if (window == nullptr) {
    return nullptr;
  }
  for (HWND child : window->children) {
    Window* item = Find(child);
    if (item != nullptr && point.x >= item->rect.left && point.x < item->rect.right &&
        point.y >= item->rect.top && point.y < item->rect.bottom) {
      return child;
    }
  }
  const LONG width = window->rect.right - window->rect.left;
  const LONG height = window->rect.bottom - window->rect.top;
  if (point.x >= 0 && point.x < width && point.y >= 0 && point.y < height) {
    return parent;
  }
  return nullptr;
}

HWND SetFocus(HWND handle) {
  Window* window = Find(handle);
  Log("SetFocus(" + LabelOf(handle) + ")");
  if (handle != nullptr && (window == nullptr || !window->Enabled())) {
    return nullptr;
  }
  return MoveFocus(handle);
}

HWND GetFocus() {
  return Focus();
}

namespace vel::platform {

UserCounters GetUserCounters() {
  UserCounters counters;
  counters.enable_window = enable_window_calls.load();
  counters.show_window = show_window_calls.load();
  user::ReadOtherCounters(counters);
  return counters;
}

void ResetUserCounters() {
  enable_window_calls = 0;
  show_window_calls = 0;
  user::ResetOtherCounters();
}

std::string WindowLabel(HWND window) {
  return user::LabelOf(window);
}

void ResetWindowing() {
  for (HWND window : user::TopLevelWindows()) {
    if (user::IsOwnedByThisThread(window)) {
      user::Destroy(window);
    }
  }
  user::focus_window = nullptr;
  ResetUserCounters();
  user::ResetCursorsAndHelp();
}

}  // namespace vel::platform
