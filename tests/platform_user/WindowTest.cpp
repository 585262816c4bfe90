// Window calls of the stand-in: dialog item texts and numbers, classes and registered messages,
// the mouse, context help, counters, paint marks, and dialogs, cursors and icons of a module.
#include <gtest/gtest.h>

#include <thread>

#include "platform/CallLog.h"
#include "platform/win32/loader.h"
#include "platform/win32/resources.h"
#include "platform/win32/user/ScriptedUser.h"
#include "platform/win32/user/UserFixture.h"
#include "tests/platform_user/EveryControlDialog.h"

namespace vel::test {
namespace {

using platform::ScriptedUser;

// What the test dialog procedure below saw of the mouse and of help.
std::vector<std::string>* seen = nullptr;

INT_PTR CALLBACK WatchingProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_SETCURSOR:
      seen->push_back("setcursor " + std::to_string(GetDlgCtrlID(reinterpret_cast<HWND>(wparam))) +
                      " " + std::to_string(HIWORD(static_cast<DWORD_PTR>(lparam))));
      return FALSE;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE: {
      POINT cursor{};
      GetCursorPos(&cursor);
      ScreenToClient(dialog, &cursor);
      const POINT at{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lparam))),
                     static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lparam)))};
      seen->push_back(std::string(message == WM_MOUSEMOVE ? "move " : "down ") +
                      std::to_string(GetDlgCtrlID(ChildWindowFromPoint(dialog, at))) +
                      (cursor.x == at.x && cursor.y == at.y ? " cursor" : " elsewhere"));
      return TRUE;
    }
    case WM_HELP: {
      const auto* info = reinterpret_cast<const HELPINFO*>(lparam);
      seen->push_back("help " + std::to_string(info->iCtrlId));
      return TRUE;
    }
    case WM_CONTEXTMENU:
      seen->push_back("context " + std::to_string(GetDlgCtrlID(reinterpret_cast<HWND>(wparam))));
      return TRUE;
    case WM_COMMAND:
      seen->push_back("command " + std::to_string(LOWORD(wparam)) + " " +
                      std::to_string(HIWORD(wparam)));
      if (LOWORD(wparam) == IDOK) {
        EndDialog(dialog, IDOK);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetWindowing();
    platform::ClearCallLog();
    seen = &seen_;
    dialog_ = CreateDialogIndirectParamW(
        nullptr, static_cast<LPCDLGTEMPLATEW>(template_.Template()), nullptr, WatchingProc, 0);
    ASSERT_NE(dialog_, nullptr);
    ShowWindow(dialog_, SW_SHOW);
    user_.PushTarget(dialog_);
    seen_.clear();  // the first control's focus
    user_.SetErrorSink([this](const std::string& error) { errors_.push_back(error); });
  }
  void TearDown() override {
    platform::ResetWindowing();
    seen = nullptr;
  }

  DialogTemplateBuilder template_ = EveryControlTemplate();
  std::vector<std::string> seen_;
  std::vector<std::string> errors_;
  ScriptedUser user_;
  HWND dialog_ = nullptr;
};

TEST_F(WindowTest, GetDlgItemIntReadsUnsignedAndSignedNumbers) {
  const struct {
    const char16_t* text;
    BOOL is_signed;
    BOOL translated;
    UINT value;
  } cases[] = {
      {u"42", FALSE, TRUE, 42},
      {u"  7 ", FALSE, TRUE, 7},
      {u"4294967295", FALSE, TRUE, 4294967295u},
      {u"4294967296", FALSE, FALSE, 0},  // overflows
      {u"12a", FALSE, FALSE, 0},
      {u"", FALSE, FALSE, 0},
      {u"-5", FALSE, FALSE, 0},
      {u"-5", TRUE, TRUE, static_cast<UINT>(-5)},
      {u"2147483648", TRUE, FALSE, 0},
      {u"-2147483648", TRUE, TRUE, 0x80000000u},
  };
  for (const auto& test : cases) {
    SetDlgItemTextW(dialog_, kEdit, test.text);
    BOOL translated = 2;
    EXPECT_EQ(GetDlgItemInt(dialog_, kEdit, &translated, test.is_signed), test.value);
    EXPECT_EQ(translated, test.translated);
  }
  SetDlgItemInt(dialog_, kEdit, 1234, FALSE);
  WCHAR text[8];
  EXPECT_EQ(GetDlgItemTextW(dialog_, kEdit, text, 3), 2u);  // at most n - 1 characters
  EXPECT_EQ(std::u16string(text), u"12");
  EXPECT_EQ(GetDlgItemTextW(dialog_, 999, text, 8), 0u);
  EXPECT_EQ(text[0], 0);
}

TEST_F(WindowTest, ClassesMessagesAndTopLevelWindows) {
  static int creates = 0;
  WNDCLASSW window_class{};
  window_class.lpszClassName = u"AgentWindowClass";
  window_class.lpfnWndProc = [](HWND window, UINT message, WPARAM wparam,
                                LPARAM lparam) -> LRESULT {
    if (message == WM_CREATE) {
      ++creates;
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  };
  window_class.hCursor = LoadCursorW(nullptr, IDC_WAIT);
  static ATOM atom = RegisterClassW(&window_class);  // once per process
  ASSERT_NE(atom, 0);
  EXPECT_EQ(RegisterClassW(&window_class), 0);  // registered already
  HWND agent = CreateWindowExW(0, u"agentwindowclass", u"Agent", WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(agent, nullptr);
  EXPECT_EQ(creates, 1);
  EXPECT_EQ(FindWindowW(u"AgentWindowClass", nullptr), agent);
  EXPECT_EQ(FindWindowW(nullptr, u"Agent"), agent);
  EXPECT_EQ(FindWindowW(u"NoSuchClass", nullptr), nullptr);
  const UINT request = RegisterWindowMessageW(u"ORBAG_CLIENT_REQUEST");
  EXPECT_GE(request, 0xC000u);
  EXPECT_EQ(RegisterWindowMessageW(u"ORBAG_CLIENT_REQUEST"), request);
  EXPECT_NE(RegisterWindowMessageW(u"Another"), request);
  // The class cursor: SetClassLongPtrW answers the previous one.
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  EXPECT_EQ(SetClassLongPtrW(agent, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(arrow)),
            reinterpret_cast<ULONG_PTR>(window_class.hCursor));
  EXPECT_EQ(GetClassLongPtrW(agent, GCLP_HCURSOR), reinterpret_cast<ULONG_PTR>(arrow));
  EXPECT_TRUE(DestroyWindow(agent));
  EXPECT_FALSE(IsWindow(agent));
}

TEST_F(WindowTest, MouseOnADisabledControlOrAStaticGoesToTheParentWithSetCursorFirst) {
  EXPECT_TRUE(user_.MouseClick(kDisabled));
  EXPECT_TRUE(user_.MouseMove(kLabel, POINT{2, 3}));
  const std::vector<std::string> expected = {"setcursor 0 513", "down 190 cursor",
                                             "setcursor 0 512", "move 170 cursor"};
  EXPECT_EQ(seen_, expected);
  // On an enabled button the button takes the click: BN_CLICKED, and its parent still hears of
  // the cursor first.
  seen_.clear();
  EXPECT_TRUE(user_.MouseClick(kAsk));
  const std::vector<std::string> button = {"setcursor 192 513", "command 100 512",
                                           "command 192 0"};  // the edit loses the focus
  EXPECT_EQ(seen_, button);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(WindowTest, HelpAndContextMenuReachTheDialog) {
  EXPECT_TRUE(user_.Help(kCheck));
  EXPECT_TRUE(user_.RightClick(kCheck));
  EXPECT_TRUE(user_.RightClick(kLabel));
  const std::vector<std::string> expected = {"help 130", "setcursor 130 516", "context 130",
                                             "setcursor 0 516", "context 0"};
  EXPECT_EQ(seen_, expected);

  const DWORD pairs[] = {1021, 1000, 1022, 1001, 0, 0, 99, 99};
  WinHelpA(dialog_, "vel.hlp", HELP_WM_HELP, reinterpret_cast<ULONG_PTR>(pairs));
  WinHelpA(dialog_, "vel.hlp", HELP_CONTEXT, 100);
  const std::vector<platform::WinHelpCall> calls = platform::WinHelpCalls();
  ASSERT_EQ(calls.size(), 2u);
  const std::vector<std::pair<DWORD, DWORD>> copied = {{1021, 1000}, {1022, 1001}};
  EXPECT_EQ(calls[0].pairs, copied);
  EXPECT_EQ(calls[1].data, 100u);
  EXPECT_TRUE(calls[1].pairs.empty());
  EXPECT_EQ(platform::GetUserCounters().win_help, 2);
}

TEST_F(WindowTest, CountersFocusDefaultIdAndPaintMarks) {
  platform::ResetUserCounters();
  HWND check = GetDlgItem(dialog_, kCheck);
  EXPECT_FALSE(EnableWindow(check, FALSE));  // was enabled
  EXPECT_TRUE(EnableWindow(check, FALSE));   // was disabled
  EXPECT_FALSE(IsWindowEnabled(check));
  EXPECT_TRUE(ShowWindow(check, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(check));
  MessageBeep(0);
  const platform::UserCounters counters = platform::GetUserCounters();
  EXPECT_EQ(counters.enable_window, 2);
  EXPECT_EQ(counters.show_window, 1);
  EXPECT_EQ(counters.message_beep, 1);

  EXPECT_EQ(SendMessageW(dialog_, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
  SendMessageW(dialog_, DM_SETDEFID, kAsk, 0);
  EXPECT_EQ(LOWORD(SendMessageW(dialog_, DM_GETDEFID, 0, 0)), kAsk);

  // Focus moves with WM_KILLFOCUS and WM_SETFOCUS: the controls tell their parent. The edit
  // has the focus since the dialog was made.
  EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, kEdit));
  SetFocus(GetDlgItem(dialog_, kEdit));
  SetFocus(GetDlgItem(dialog_, kDropDown));
  const std::vector<std::string> focus = {"command 100 512", "command 141 3"};
  EXPECT_EQ(seen_, focus);
  EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, kDropDown));

  platform::TakePaintMarks();
  InvalidateRect(GetDlgItem(dialog_, kOwnerDrawn), nullptr, TRUE);
  EXPECT_TRUE(platform::IsMarkedForPaint(GetDlgItem(dialog_, kOwnerDrawn)));
  const std::vector<HWND> marked = platform::TakePaintMarks();
  ASSERT_EQ(marked.size(), 1u);
  EXPECT_EQ(marked[0], GetDlgItem(dialog_, kOwnerDrawn));
  EXPECT_FALSE(platform::IsMarkedForPaint(marked[0]));
}

TEST_F(WindowTest, PlacementAndZOrder) {
  HWND edit = GetDlgItem(dialog_, kEdit);
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  ASSERT_TRUE(GetWindowPlacement(edit, &placement));
  EXPECT_EQ(placement.rcNormalPosition.left, 10 * 6 / 4);
  placement.rcNormalPosition = RECT{300, 200, 340, 220};
  ASSERT_TRUE(SetWindowPlacement(edit, &placement));
  EXPECT_EQ(ChildWindowFromPoint(dialog_, POINT{301, 201}), edit);
  RECT screen{};
  GetWindowRect(edit, &screen);
  RECT dialog_rect{};
  GetWindowRect(dialog_, &dialog_rect);
  EXPECT_EQ(screen.left - dialog_rect.left, 300);
  // A hidden control still answers ChildWindowFromPoint; outside the dialog there is nothing.
  ShowWindow(edit, SW_HIDE);
  EXPECT_EQ(ChildWindowFromPoint(dialog_, POINT{301, 201}), edit);
  EXPECT_EQ(ChildWindowFromPoint(dialog_, POINT{-1, 5}), nullptr);
  // The group box lies over its radio buttons until it goes to the bottom of the z-order.
  const POINT radio{15 * 6 / 4, 40 * 13 / 8};
  EXPECT_EQ(ChildWindowFromPoint(dialog_, radio), GetDlgItem(dialog_, kGroupA));
  SetWindowPos(GetDlgItem(dialog_, kGroupA), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(ChildWindowFromPoint(dialog_, radio), GetDlgItem(dialog_, kRadioA1));
}

TEST_F(WindowTest, DialogsCursorsAndIconsOfAModule) {
  // A cursor group of one 32 x 32 cursor (image 7) with its hot spot at (5, 1), and an icon group
  // of two forms of which the 4-bit one is taken.
  const std::vector<std::uint8_t> cursor_group = {0, 0, 2, 0, 1,    0, 32, 0, 64, 0,
                                                  1, 0, 1, 0, 0x30, 1, 0,  0, 7,  0};
  std::vector<std::uint8_t> cursor_image = {5, 0, 1,  0, 40, 0, 0, 0, 32, 0,
                                            0, 0, 64, 0, 0,  0, 1, 0, 1,  0};
  cursor_image.resize(4 + 40 + 8 + 256, 0);
  const std::vector<std::uint8_t> icon_group = {0, 0, 1,    0, 2,    0, 32, 32, 2,  0,  1,  0,
                                                1, 0, 0x30, 1, 0,    0, 8,  0,  32, 32, 16, 0,
                                                1, 0, 4,    0, 0xE8, 2, 0,  0,  9,  0};
  std::vector<std::uint8_t> icon_image = {40, 0, 0, 0, 32, 0, 0, 0, 64, 0, 0, 0, 1, 0, 4, 0};
  icon_image.resize(40 + 64 + 512 + 128, 0);
  platform::VirtualModule module;
  module.path = u"C:\\test\\userres.dll";
  auto add = [&](std::uint16_t type, std::uint16_t id, std::vector<std::uint8_t> bytes) {
    platform::VirtualModule::Resource resource;
    resource.type = {type, nullptr};
    resource.name = {id, nullptr};
    resource.bytes = std::move(bytes);
    module.resources.push_back(std::move(resource));
  };
  add(platform::kRtGroupCursor, 11220, cursor_group);
  add(platform::kRtCursor, 7, cursor_image);
  add(platform::kRtGroupIcon, 11413, icon_group);
  add(platform::kRtIcon, 9, icon_image);
  add(platform::kRtDialog, 5000, InnerTemplate().Bytes());
  platform::RegisterVirtualModule(module);
  HMODULE resources = LoadLibraryW(u"userres");
  ASSERT_NE(resources, nullptr);

  HCURSOR hand = LoadCursorW(resources, MAKEINTRESOURCEW(11220));
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(LoadCursorW(resources, MAKEINTRESOURCEW(11220)), hand);
  EXPECT_EQ(LoadCursorW(resources, MAKEINTRESOURCEW(11221)), nullptr);
  HICON icon = LoadIconW(resources, MAKEINTRESOURCEW(11413));
  ASSERT_NE(icon, nullptr);
  const std::vector<std::string> log = platform::CallLogSnapshot();
  EXPECT_NE(std::find(log.begin(), log.end(), "LoadCursorW(module, 11220) -> cursor 11220"),
            log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "LoadIconW(module, 11413) -> icon 11413"), log.end());
  SetCursor(hand);
  EXPECT_EQ(GetCursor(), hand);

  bool opened = false;
  user_.OnDialog(5000, [&](ScriptedUser& user) {
    opened = true;
    user.Ok();
  });
  EXPECT_EQ(DialogBoxParamW(
                resources, MAKEINTRESOURCEW(5000), dialog_,
                [](HWND dialog, UINT message, WPARAM wparam, LPARAM) -> INT_PTR {
                  if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
                    EndDialog(dialog, 7);
                  }
                  return message == WM_INITDIALOG ? TRUE : FALSE;
                },
                0),
            7);
  EXPECT_TRUE(opened);
  EXPECT_EQ(DialogBoxParamW(resources, MAKEINTRESOURCEW(5001), dialog_, WatchingProc, 0), -1);
  FreeLibrary(resources);
  platform::ResetLoaderFixture();
}

TEST(WindowThreadsTest, EachThreadKeepsItsOwnWindowTreeInOneHandleTable) {
  std::vector<std::thread> threads;
  std::atomic<int> good{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&good] {
      DialogTemplateBuilder builder = EveryControlTemplate();
      for (int i = 0; i < 20; ++i) {
        HWND dialog = CreateDialogIndirectParamW(
            nullptr, static_cast<LPCDLGTEMPLATEW>(builder.Template()), nullptr,
            [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR {
              return message == WM_INITDIALOG ? TRUE : FALSE;
            },
            0);
        SetDlgItemTextW(dialog, kEdit, u"thread");
        WCHAR text[8];
        GetDlgItemTextW(dialog, kEdit, text, 8);
        RegisterWindowMessageW(u"Shared");
        if (std::u16string(text) == u"thread" && IsWindow(dialog)) {
          ++good;
        }
        DestroyWindow(dialog);
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(good.load(), 160);
}

}  // namespace
}  // namespace vel::test
