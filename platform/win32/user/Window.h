// Internal model of the windowing stand-in: the window record, window classes, the process-wide
// handle table and the helpers that every unit of the stand-in shares. Not for callers of the
// platform's calls (they use winuser.h); the scripted user and the property sheet use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/WideText.h"
#include "platform/win32/user/winuser.h"

namespace vel::platform::user {

// What a window is, as far as the stand-in's own window procedures are concerned.
enum class Kind : std::uint8_t {
  kCustom,  // a class registered with RegisterClassW
  kDialog,
  kButton,
  kStatic,
  kEdit,
  kComboBox,
  kListBox,
  kScrollBar,
  kUpDown,
};

struct WindowClass {
  std::u16string name;
  ATOM atom = 0;
  Kind kind = Kind::kCustom;
  WNDPROC procedure = nullptr;
  HINSTANCE instance = nullptr;
  HCURSOR cursor = nullptr;
  HICON icon = nullptr;
  int window_extra = 0;
};

struct ListItem {
  std::u16string text;
  ULONG_PTR data = 0;
};

// State of a dialog window (a window of the dialog class).
struct DialogState {
  DLGPROC procedure = nullptr;
  int template_id = -1;    // resource ordinal of the template, -1 for other templates
  std::u16string caption;  // the template's caption
  int default_id = 0;      // DM_SETDEFID / DM_GETDEFID
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
};

struct Window {
  HWND handle = nullptr;
  WindowClass* window_class = nullptr;
  Kind kind = Kind::kCustom;
  HWND parent = nullptr;       // set for WS_CHILD windows
  HWND owner = nullptr;        // set for top-level windows with an owner
  std::vector<HWND> children;  // z-order: the first child is on top (template order)
  int id = 0;
  DWORD style = 0;
  DWORD ex_style = 0;
  std::u16string text;
  RECT rect{};  // in the parent's client area (on the virtual screen for top-level windows)
  WNDPROC procedure = nullptr;
  LONG_PTR user_data = 0;
  std::vector<std::uint8_t> extra;  // window extra bytes; a dialog's hold its DWLP_ slots
  HINSTANCE instance = nullptr;
  std::thread::id thread;
  std::string label;  // how logs and errors name the window
  bool needs_paint = false;
  bool destroying = false;

  // Buttons.
  UINT check = BST_UNCHECKED;
  bool pushed = false;
  // Edit controls and the edit part of combo boxes.
  std::size_t limit = 0x7FFE;
  std::size_t selection_anchor = 0;
  std::size_t caret = 0;
  bool modified = false;
  // Combo boxes and list boxes.
  std::vector<ListItem> items;
  int selected = -1;
  int top_index = 0;
  // Scroll bars (SB_CTL).
  int scroll_min = 0;
  int scroll_max = 100;
  UINT scroll_page = 0;
  int scroll_pos = 0;
  int scroll_track = 0;
  // Up-down controls.
  int updown_lower = 100;
  int updown_upper = 0;
  int updown_pos = 0;
  HWND buddy = nullptr;
  // Statics with SS_ICON.
  HICON icon = nullptr;
  int icon_ordinal = -1;

  std::unique_ptr<DialogState> dialog;

  DWORD Type() const { return style & BS_TYPEMASK; }
  bool Visible() const { return (style & WS_VISIBLE) != 0; }
  bool Enabled() const { return (style & WS_DISABLED) == 0; }
};

// The height in pixels of a drop-down combo box's selection field (its window).
inline constexpr LONG kComboFieldHeight = 21;

// ---- Handle table ------------------------------------------------------------------------------

// The window of a handle, or null for a handle that names no window. A window is used only by the
// thread that made it (asserted).
Window* Find(HWND handle);
// Adds a window and answers its new handle (also stored in the record).
HWND AddWindow(std::unique_ptr<Window> window);
// Removes a window from the table; the record is freed.
void RemoveWindow(HWND handle);
// True when the window exists and belongs to the calling thread.
bool IsOwnedByThisThread(HWND handle);
// Top-level windows in order of creation (any thread).
std::vector<HWND> TopLevelWindows();
// The class of a name (case-insensitive), registering the built-in classes on first use.
WindowClass* FindClass(std::u16string_view name);
// The class of a dialog template item's class atom (0x80 to 0x85).
WindowClass* FindClassByAtom(WORD atom);

// ---- Messages ----------------------------------------------------------------------------------

// Delivers a message to a window's procedure, logging it. Answers 0 for a window that is gone.
LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Sends WM_COMMAND with the control's id and a notification code to the control's parent.
void NotifyParent(const Window& control, WORD code);
// How a log line shows a message and its parameters (never an address).
std::string DescribeMessage(UINT message, WPARAM wparam, LPARAM lparam);

// ---- Windows -----------------------------------------------------------------------------------

// Makes a window of a class without logging the call; sends WM_CREATE for registered classes.
HWND MakeWindow(WindowClass* window_class,
                DWORD ex_style,
                std::u16string_view text,
                DWORD style,
                RECT rect,
                HWND parent,
                int id,
                HINSTANCE instance,
                LPVOID param);
// Destroys a window and its children (WM_DESTROY to the window, then to its children).
void Destroy(HWND window);
// The window's top-left corner on the virtual screen.
POINT ClientOrigin(const Window& window);
// Visibility and enabling without the call counters (the stand-in's own changes).
void SetVisible(Window& window, bool visible);
void SetEnabled(Window& window, bool enabled);
// True when the window and all its parents are visible.
bool ReallyVisible(const Window& window);
// The focus of the calling thread, and moving it with WM_KILLFOCUS / WM_SETFOCUS.
HWND Focus();
HWND MoveFocus(HWND window);
// The next enabled, visible WS_TABSTOP sibling after a control (wrapping), or null.
HWND NextTabStop(HWND dialog, HWND after);
// Marks a window as needing a repaint.
void MarkForPaint(Window& window);

// Pointer-sized slots in a window's extra bytes; false when the slot lies outside them.
bool ReadExtra(const Window& window, int offset, LONG_PTR* value);
bool WriteExtra(Window& window, int offset, LONG_PTR value);

// ---- Dialogs -----------------------------------------------------------------------------------

struct DialogOptions {
  HINSTANCE instance = nullptr;
  const std::uint8_t* bytes = nullptr;  // the template
  std::size_t size = 0;
  HWND owner = nullptr;  // the parent of a child dialog
  DLGPROC procedure = nullptr;
  LPARAM init_param = 0;
  int template_id = -1;  // the resource ordinal, -1 for other templates
  bool modal = false;
  bool as_page = false;  // a property sheet page: made a child, placed at `position`
  POINT position{0, 0};
  std::string label;  // overrides how logs name the dialog
  const char* call = "CreateDialogIndirectParamW";
};
// Makes a dialog and its items from a template and sends WM_INITDIALOG; null on failure (logged).
HWND MakeDialog(const DialogOptions& options);
// The bytes of a template kept in memory, read up to this many bytes.
inline constexpr std::size_t kTemplateInMemoryLimit = std::size_t{1} << 20;

// ---- Controls
// ------------------------------------------------------------------------------------

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK ComboBoxProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK ListBoxProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK ScrollBarProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK UpDownProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Text editing shared by edit controls and the edit part of combo boxes: replaces the selection
// with text (kept within the limit and the style's rules) and answers whether the text changed.
bool ReplaceSelection(Window& window, std::u16string_view text);
// A click on a button as a person makes it: auto check boxes and radios change, BN_CLICKED goes
// to the parent. Answers false for a button that is disabled or hidden.
bool ClickButton(HWND button);
// One step of an up-down control (delta +1 or -1).
void StepUpDown(HWND updown, int delta);
// Selection of a list entry by a person: the selection changes and the parent is notified.
void UserSelect(HWND list, int index);
// Finds a list entry by its text (case-insensitive, exact or as a prefix); -1 when none.
int FindItem(const Window& list, std::u16string_view text, int start_after, bool exact);

// ---- Cursors -----------------------------------------------------------------------------------

// What a cursor or icon handle stands for (null for a handle the stand-in did not make).
struct CursorInfo {
  HINSTANCE module = nullptr;
  int id = 0;  // the resource ordinal (or the system cursor's id)
  bool is_icon = false;
  int width = 0;
  int height = 0;
  int hotspot_x = 0;
  int hotspot_y = 0;
};
const CursorInfo* DescribeCursor(const void* handle);

// ---- Text --------------------------------------------------------------------------------------

// A null-terminated UTF-16 text (empty for null).
std::u16string TextOf(LPCWSTR text);
// A resource name: an ordinal (a value up to 0xFFFF) or a text.
bool IsOrdinal(LPCWSTR name);
int OrdinalOf(LPCWSTR name);
// A text quoted for logs and state lines: "..." with \" \\ \n \r \t and \xNN escapes.
std::string Quote(std::u16string_view text);
std::string Hex(std::uint64_t value);
std::string LabelOf(HWND window);

}  // namespace vel::platform::user
