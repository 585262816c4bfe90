// Cursors, icons, the cursor position, system colours, beeps, context help and paint marks.
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

#include "platform/CallLog.h"
#include "platform/win32/user/CursorResource.h"
#include "platform/win32/user/ResourceAccess.h"
#include "platform/win32/user/UserState.h"
#include "platform/win32/user/Window.h"

namespace vel::platform::user {
namespace {

constexpr LONG kScreenWidth = 1024;
constexpr LONG kScreenHeight = 768;

struct CursorTable {
  std::mutex mutex;
  std::deque<CursorInfo> records;  // stable addresses: the handles point at them
  std::map<std::pair<std::pair<HINSTANCE, int>, bool>, CursorInfo*> loaded;
  POINT position{0, 0};
  std::vector<WinHelpCall> help_calls;
};

CursorTable& GetCursors() {
  static CursorTable* table = new CursorTable;
  return *table;
}

std::atomic<void*> current_cursor{nullptr};
std::atomic<int> message_beep_calls{0};
std::atomic<int> win_help_calls{0};
std::atomic<int> message_box_calls{0};

// A cursor or icon record for a (module, id), made once. The table's mutex is held.
CursorInfo* Remember(CursorTable& table, const CursorInfo& info) {
  auto key = std::make_pair(std::make_pair(info.module, info.id), info.is_icon);
  auto it = table.loaded.find(key);
  if (it != table.loaded.end()) {
    return it->second;
  }
  table.records.push_back(info);
  CursorInfo* record = &table.records.back();
  table.loaded[key] = record;
  return record;
}

// Loads a cursor or icon group of a module and the image it picks.
void* LoadFromModule(HINSTANCE module, LPCWSTR name, bool icon, std::string& why) {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!FindModuleResource(module, icon ? kRtGroupIcon : kRtGroupCursor, name, &data, &size)) {
    why = "no such resource";
    return nullptr;
  }
  ResourceGroup group;
  if (!ReadResourceGroup(data, size, !icon, group, why)) {
    return nullptr;
  }
  const int pick = PickGroupEntry(group, 32, 32);
  if (pick < 0) {
    why = "empty group";
    return nullptr;
  }
  const GroupEntry& entry = group.entries[static_cast<std::size_t>(pick)];
  if (!FindModuleResource(module, icon ? kRtIcon : kRtCursor,
                          reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(entry.id)), &data,
                          &size)) {
    why = "the group names image " + std::to_string(entry.id) + ", which is missing";
    return nullptr;
  }
  ImageInfo image;
  if (!ReadImageHeader(data, size, !icon, image, why)) {
    return nullptr;
  }
  CursorInfo info;
  info.module = module;
  info.id = IsOrdinal(name) ? OrdinalOf(name) : -1;
  info.is_icon = icon;
  info.width = image.width;
  info.height = image.height;
  info.hotspot_x = image.hotspot_x;
  info.hotspot_y = image.hotspot_y;
  CursorTable& table = GetCursors();
  std::lock_guard<std::mutex> lock(table.mutex);
  return Remember(table, info);
}

std::string NameOf(LPCWSTR name) {
  return name == nullptr ? "null" : IsOrdinal(name) ? std::to_string(OrdinalOf(name)) : Quote(name);
}

void* Load(HINSTANCE module, LPCWSTR name, bool icon) {
  const char* call = icon ? "LoadIconW" : "LoadCursorW";
  void* handle = nullptr;
  std::string why;
  if (ShouldFail(call)) {
    why = "failure switch";
  } else if (module == nullptr) {
    if (IsOrdinal(name)) {
      const int ordinal = OrdinalOf(name);
      if (icon) {
        if (ordinal == 32512) {
          CursorInfo info{nullptr, ordinal, true, 32, 32, 0, 0};
          CursorTable& table = GetCursors();
          std::lock_guard<std::mutex> lock(table.mutex);
          handle = Remember(table, info);
        }
      } else {
        handle = SystemCursor(ordinal);
      }
    }
    if (handle == nullptr) {
      why = "no such system resource";
    }
  } else {
    handle = LoadFromModule(module, name, icon, why);
  }
  LogCall(std::string(call) + "(" + (module == nullptr ? "null" : "module") + ", " + NameOf(name) +
          ") -> " + (handle != nullptr ? CursorName(handle) : "null (" + why + ")"));
  return handle;
}

}  // namespace

HCURSOR SystemCursor(int ordinal) {
  if (ordinal != IDC_ARROW_ORDINAL && ordinal != IDC_WAIT_ORDINAL) {
    return nullptr;
  }
  CursorInfo info{nullptr,
                  ordinal,
                  false,
                  32,
                  32,
                  ordinal == IDC_ARROW_ORDINAL ? 0 : 15,
                  ordinal == IDC_ARROW_ORDINAL ? 0 : 15};
  CursorTable& table = GetCursors();
  std::lock_guard<std::mutex> lock(table.mutex);
  return Remember(table, info);
}

const CursorInfo* DescribeCursor(const void* handle) {
  if (handle == nullptr) {
    return nullptr;
  }
  CursorTable& table = GetCursors();
  std::lock_guard<std::mutex> lock(table.mutex);
  for (const CursorInfo& record : table.records) {
    if (&record == handle) {
      return &record;
    }
  }
  return nullptr;
}

std::string CursorName(const void* handle) {
  const CursorInfo* info = DescribeCursor(handle);
  if (handle == nullptr) {
    return "null";
  }
  if (info == nullptr) {
    return "unknown handle";
  }
  return std::string(info->is_icon ? "icon " : "cursor ") + std::to_string(info->id);
}

void ReadOtherCounters(UserCounters& counters) {
  counters.message_beep = message_beep_calls.load();
  counters.win_help = win_help_calls.load();
  counters.message_box = message_box_calls.load();
}

void ResetOtherCounters() {
  message_beep_calls = 0;
  win_help_calls = 0;
  message_box_calls = 0;
}

void CountMessageBox() {
  ++message_box_calls;
}

void ResetCursorsAndHelp() {
  CursorTable& table = GetCursors();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.position = POINT{0, 0};
  table.help_calls.clear();
  current_cursor = nullptr;
}

}  // namespace vel::platform::user

using namespace vel::platform::user;

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  return Load(instance, name, false);
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
  return Load(instance, name, true);
}

HCURSOR SetCursor(HCURSOR cursor) {
  vel::platform::LogCall("SetCursor(" + CursorName(cursor) + ")");
  return current_cursor.exchange(cursor);
}

HCURSOR GetCursor() {
  return current_cursor.load();
}

BOOL GetCursorPos(POINT* point) {
  if (point == nullptr) {
    return FALSE;
  }
  CursorTable& table = GetCursors();
  std::lock_guard<std::mutex> lock(table.mutex);
  *point = table.position;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  CursorTable& table = GetCursors();
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    // The cursor stays on the virtual screen.
    table.position.x = std::min<LONG>(std::max<LONG>(x, 0), kScreenWidth - 1);
    table.position.y = std::min<LONG>(std::max<LONG>(y, 0), kScreenHeight - 1);
  }
  vel::platform::LogCall("SetCursorPos(" + std::to_string(x) + ", " + std::to_string(y) + ")");
  return TRUE;
}

DWORD GetSysColor(int index) {
  auto rgb = [](DWORD r, DWORD g, DWORD b) { return r | (g << 8) | (b << 16); };
  switch (index) {
    case COLOR_BTNFACE:
      return rgb(192, 192, 192);
    case COLOR_BTNSHADOW:
    case COLOR_GRAYTEXT:
      return rgb(128, 128, 128);
    case COLOR_BTNHIGHLIGHT:
    case COLOR_WINDOW:
    case COLOR_HIGHLIGHTTEXT:
      return rgb(255, 255, 255);
    case COLOR_HIGHLIGHT:
      return rgb(0, 0, 128);
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
    default:
      return rgb(0, 0, 0);
  }
}

BOOL MessageBeep(UINT type) {
  ++message_beep_calls;
  vel::platform::LogCall("MessageBeep(" + Hex(type) + ")");
  return TRUE;
}

BOOL WinHelpA(HWND window, LPCSTR help_file, UINT command, ULONG_PTR data) {
  ++win_help_calls;
  vel::platform::WinHelpCall call;
  call.window = LabelOf(window);
  call.file = help_file != nullptr ? help_file : "";
  call.command = command;
  call.data = data;
  std::string pairs;
  if ((command == HELP_WM_HELP || command == HELP_CONTEXTMENU) && data != 0) {
    const auto* ids = reinterpret_cast<const DWORD*>(data);
    constexpr std::size_t kMaxPairs = 4096;
    for (std::size_t i = 0; i < kMaxPairs && ids[2 * i] != 0; ++i) {
      call.pairs.emplace_back(ids[2 * i], ids[2 * i + 1]);
      pairs += " " + std::to_string(ids[2 * i]) + ":" + std::to_string(ids[2 * i + 1]);
    }
  }
  const bool pairs_are_data = command == HELP_WM_HELP || command == HELP_CONTEXTMENU;
  vel::platform::LogCall("WinHelpA(" + call.window + ", \"" + call.file + "\", " + Hex(command) +
                         (pairs_are_data ? "," + pairs : ", " + std::to_string(data)) + ")");
  CursorTable& table = GetCursors();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.help_calls.push_back(std::move(call));
  return TRUE;
}

namespace vel::platform {

std::vector<WinHelpCall> WinHelpCalls() {
  user::CursorTable& table = user::GetCursors();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.help_calls;
}

bool IsMarkedForPaint(HWND window) {
  user::Window* record = user::Find(window);
  return record != nullptr && record->needs_paint;
}

namespace {

void CollectMarks(HWND handle, std::vector<HWND>& marked) {
  user::Window* window = user::Find(handle);
  if (window == nullptr) {
    return;
  }
  if (window->needs_paint) {
    window->needs_paint = false;
    marked.push_back(handle);
  }
  for (HWND child : window->children) {
    CollectMarks(child, marked);
  }
}

}  // namespace

namespace {

std::mutex& PaintHookMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

std::function<int()>& PaintHook() {
  static auto* hook = new std::function<int()>;
  return *hook;
}

}  // namespace

void SetPaintHook(std::function<int()> hook) {
  std::lock_guard<std::mutex> lock(PaintHookMutex());
  PaintHook() = std::move(hook);
}

int RunPaintHook() {
  std::function<int()> hook;
  {
    std::lock_guard<std::mutex> lock(PaintHookMutex());
    hook = PaintHook();
  }
  return hook ? hook() : 0;
}

std::vector<HWND> TakePaintMarks() {
  std::vector<HWND> marked;
  for (HWND window : user::TopLevelWindows()) {
    if (user::IsOwnedByThisThread(window)) {
      CollectMarks(window, marked);
    }
  }
  return marked;
}

}  // namespace vel::platform
