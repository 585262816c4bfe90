// Dialogs made from templates and driven by the scripted user: typing, radio groups, up-down
// steps, list selection, nested modal dialogs and message boxes, and the errors of a script.
#include <gtest/gtest.h>

#include "platform/CallLog.h"
#include "platform/win32/loader.h"
#include "platform/win32/resources.h"
#include "platform/win32/user/ScriptedUser.h"
#include "platform/win32/user/UserFixture.h"
#include "platform/win32/user/commctrl.h"
#include "tests/platform_user/EveryControlDialog.h"

namespace vel::test {
namespace {

using platform::ScriptedUser;

class DialogTest : public ::testing::Test {
 protected:
  // The dialog is template 4000 of a module, as the pages' dialogs are resources of velres.
  void SetUp() override {
    platform::ResetWindowing();
    platform::VirtualModule module;
    module.path = u"C:\\test\\dialogs.dll";
    platform::VirtualModule::Resource resource;
    resource.type = {platform::kRtDialog, nullptr};
    resource.name = {4000, nullptr};
    resource.bytes = template_.Bytes();
    module.resources.push_back(resource);
    platform::RegisterVirtualModule(module);
    module_ = LoadLibraryW(u"dialogs");
    ASSERT_NE(module_, nullptr);
    platform::ClearCallLog();
    user_.SetErrorSink([this](const std::string& error) { errors_.push_back(error); });
  }
  void TearDown() override {
    platform::ResetWindowing();
    FreeLibrary(module_);
    platform::ResetLoaderFixture();
  }

  INT_PTR Run() {
    return DialogBoxParamW(module_, MAKEINTRESOURCEW(4000), nullptr, EveryControlProc,
                           reinterpret_cast<LPARAM>(&record_));
  }

  HWND Item(ScriptedUser& user, int id) { return GetDlgItem(user.Target(), id); }

  ScriptedUser user_;
  std::vector<std::string> errors_;
  DialogTemplateBuilder template_ = EveryControlTemplate();
  EveryControlRecord record_;
  HMODULE module_ = nullptr;
};

TEST_F(DialogTest, TypingSendsOneChangePerCharacterUpToTheLimit) {
  std::u16string typed;
  user_.OnDialog(u"Every Control", [&](ScriptedUser& user) {
    EXPECT_TRUE(user.Type(kEdit, u"abcdefg"));
    WCHAR text[16];
    GetDlgItemTextW(user.Target(), kEdit, text, 16);
    typed = text;
    user.Ok();
  });
  EXPECT_EQ(Run(), IDOK);
  EXPECT_EQ(typed, u"abcde");
  int changes = 0;
  for (const std::string& event : record_.events) {
    changes += event == "command 100 768" ? 1 : 0;  // EN_CHANGE
  }
  EXPECT_EQ(changes, 5);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(DialogTest, AutoRadioUnchecksItsOwnGroupOnly) {
  user_.OnDialog(u"Every Control", [&](ScriptedUser& user) {
    HWND dialog = user.Target();
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadioA1), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadioB1), BST_CHECKED);
    EXPECT_TRUE(user.Check(kRadioA2, true));
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadioA1), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadioA2), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadioB1), BST_CHECKED);
    EXPECT_TRUE(user.Check(kRadioB2, true));
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadioB1), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadioA2), BST_CHECKED);
    EXPECT_FALSE(user.Check(kRadioB2, false));  // a radio button cannot be unchecked by itself
    EXPECT_TRUE(user.Check(kCheck, true));
    EXPECT_TRUE(user.Check(kCheck, true));  // already checked: no click
    EXPECT_EQ(IsDlgButtonChecked(dialog, kCheck), BST_CHECKED);
    user.Ok();
  });
  EXPECT_EQ(Run(), IDOK);
  EXPECT_EQ(errors_.size(), 1u);
  const auto clicks = std::count(record_.events.begin(), record_.events.end(), "command 130 0");
  EXPECT_EQ(clicks, 1);
}

TEST_F(DialogTest, UpDownStepNotifiesThenScrollsUnlessRefused) {
  user_.OnDialog(u"Every Control", [&](ScriptedUser& user) {
    HWND updown = Item(user, kUpDown);
    EXPECT_TRUE(user.Step(kUpDown, 1));
    EXPECT_EQ(LOWORD(SendMessageW(updown, UDM_GETPOS, 0, 0)), 4);
    record_.refuse_steps = true;
    EXPECT_TRUE(user.Step(kUpDown, 1));
    EXPECT_EQ(LOWORD(SendMessageW(updown, UDM_GETPOS, 0, 0)), 4);
    record_.refuse_steps = false;
    SendMessageW(updown, UDM_SETPOS, 0, MAKELPARAM(10, 0));
    EXPECT_TRUE(user.Step(kUpDown, 1));  // at the top: notified, kept in the range
    EXPECT_EQ(LOWORD(SendMessageW(updown, UDM_GETPOS, 0, 0)), 10);
    user.Ok();
  });
  EXPECT_EQ(Run(), IDOK);
  std::vector<std::string> steps;
  for (const std::string& event : record_.events) {
    if (event.rfind("deltapos", 0) == 0 || event.rfind("vscroll", 0) == 0) {
      steps.push_back(event);
    }
  }
  // SB_THUMBPOSITION (4) with the new position; nothing after a refused step.
  const std::vector<std::string> expected = {"deltapos 3 1", "vscroll 4 4", "deltapos 4 1",
                                             "deltapos 10 1", "vscroll 4 10"};
  EXPECT_EQ(steps, expected);
}

TEST_F(DialogTest, SelectionInComboAndListNotifiesTheParent) {
  user_.OnDialog(u"Every Control", [&](ScriptedUser& user) {
    EXPECT_TRUE(user.SelectText(kDropList, u"two"));
    EXPECT_TRUE(user.SelectIndex(kList, 2));
    EXPECT_FALSE(user.SelectText(kList, u"Four"));
    EXPECT_FALSE(user.SelectIndex(kDropList, 3));
    HWND dialog = user.Target();
    EXPECT_EQ(SendDlgItemMessageW(dialog, kDropList, CB_GETCURSEL, 0, 0), 1);
    WCHAR text[16];
    GetWindowTextW(GetDlgItem(dialog, kDropList), text, 16);
    EXPECT_EQ(std::u16string(text), u"Two");
    EXPECT_EQ(SendDlgItemMessageW(dialog, kList, LB_GETCURSEL, 0, 0), 2);
    user.Ok();
  });
  EXPECT_EQ(Run(), IDOK);
  EXPECT_NE(std::find(record_.events.begin(), record_.events.end(), "command 140 1"),
            record_.events.end());
  EXPECT_NE(std::find(record_.events.begin(), record_.events.end(), "command 150 1"),
            record_.events.end());
  EXPECT_EQ(errors_.size(), 2u);
}

TEST_F(DialogTest, NestedModalDialogAndMessageBoxesAreAnsweredByTheirHandlers) {
  user_.OnDialog(u"Inner", [](ScriptedUser& user) {
    user.Click(10);
    user.Ok();
  });
  user_.OnDialog(u"Every Control", [](ScriptedUser& user) {
    user.Click(kOpenInner);
    user.Click(kAsk);
    user.Ok();
  });
  user_.ExpectMessageBox(u"Inner question?", u"Inner", MB_YESNO | MB_ICONQUESTION, IDYES);
  user_.ExpectMessageBox(u"Outer question?", u"Outer", MB_OKCANCEL, IDCANCEL);
  EXPECT_EQ(Run(), IDOK);
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(user_.PendingMessageBoxes(), 0u);
  EXPECT_NE(std::find(record_.events.begin(), record_.events.end(), "inner 1"),
            record_.events.end());
  EXPECT_NE(std::find(record_.events.begin(), record_.events.end(), "asked 2"),
            record_.events.end());
  EXPECT_EQ(platform::GetUserCounters().message_box, 2);
}

TEST_F(DialogTest, UnexpectedDialogAndBoxAreErrorsNamingThem) {
  user_.OnDialog(u"Every Control", [](ScriptedUser& user) {
    user.Click(kOpenInner);  // no handler for "Inner"
    user.Click(kAsk);        // no box expected
    user.Ok();
  });
  EXPECT_EQ(Run(), IDOK);
  ASSERT_EQ(errors_.size(), 2u);
  EXPECT_NE(errors_[0].find("unexpected dialog \"Inner\""), std::string::npos) << errors_[0];
  EXPECT_NE(errors_[1].find("\"Outer question?\""), std::string::npos) << errors_[1];
  EXPECT_NE(std::find(record_.events.begin(), record_.events.end(), "inner -1"),
            record_.events.end());
}

TEST_F(DialogTest, ActionsOnDisabledOrHiddenControlsFail) {
  user_.OnDialog(u"Every Control", [](ScriptedUser& user) {
    EXPECT_FALSE(user.Click(kDisabled));
    ShowWindow(GetDlgItem(user.Target(), kCheck), SW_HIDE);
    EXPECT_FALSE(user.Check(kCheck, true));
    EXPECT_FALSE(user.Click(999));
    user.Ok();
  });
  EXPECT_EQ(Run(), IDOK);
  ASSERT_EQ(errors_.size(), 3u);
  EXPECT_NE(errors_[0].find("control 190"), std::string::npos);
  EXPECT_NE(errors_[0].find("disabled"), std::string::npos);
  EXPECT_NE(errors_[1].find("hidden"), std::string::npos);
  EXPECT_NE(errors_[2].find("no control 999"), std::string::npos);
  EXPECT_EQ(std::count(record_.events.begin(), record_.events.end(), "command 190 0"), 0);
}

TEST_F(DialogTest, DialogLeftOpenByItsHandlerIsAnError) {
  user_.OnDialog(u"Every Control", [](ScriptedUser&) {});
  EXPECT_EQ(Run(), -1);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find("left open"), std::string::npos);
}

TEST_F(DialogTest, MapDialogRectFollowsTheBaseUnits) {
  HWND dialog =
      CreateDialogIndirectParamW(nullptr, static_cast<LPCDLGTEMPLATEW>(template_.Template()),
                                 nullptr, EveryControlProc, reinterpret_cast<LPARAM>(&record_));
  ASSERT_NE(dialog, nullptr);
  RECT rect{4, 8, 13, 21};
  ASSERT_TRUE(MapDialogRect(dialog, &rect));
  EXPECT_EQ(rect.left, 4 * 6 / 4);
  EXPECT_EQ(rect.top, 8 * 13 / 8);
  EXPECT_EQ(rect.right, 13 * 6 / 4);
  EXPECT_EQ(rect.bottom, 21 * 13 / 8);
  // The items were placed with the same formulas, in the dialog's client area.
  RECT client{};
  GetClientRect(GetDlgItem(dialog, kEdit), &client);
  EXPECT_EQ(client.right, 60 * 6 / 4);
  EXPECT_EQ(client.bottom, 12 * 13 / 8);
  POINT origin{0, 0};
  MapWindowPoints(GetDlgItem(dialog, kEdit), dialog, &origin, 1);
  EXPECT_EQ(origin.x, 10 * 6 / 4);
  EXPECT_EQ(origin.y, 10 * 13 / 8);
  EXPECT_EQ(ChildWindowFromPoint(dialog, origin), GetDlgItem(dialog, kEdit));
  DestroyWindow(dialog);
}

LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
WNDPROC saved_procedure = nullptr;
std::vector<std::string>* subclass_seen = nullptr;

LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CHAR) {
    subclass_seen->push_back("subclass char " + std::to_string(wparam));
  }
  LRESULT answer = CallWindowProcW(saved_procedure, window, message, wparam, lparam);
  if (message == WM_GETDLGCODE) {
    answer |= DLGC_WANTARROWS;
    subclass_seen->push_back("dlgcode");
  }
  return answer;
}

TEST_F(DialogTest, SubclassedProcedureSeesMessagesFirstAndTheSavedOneRunsAfter) {
  subclass_seen = &record_.events;
  user_.OnDialog(u"Every Control", [&](ScriptedUser& user) {
    HWND edit = Item(user, kEdit);
    saved_procedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
    ASSERT_NE(saved_procedure, nullptr);
    user.Type(kEdit, u"x");
    user.Key(kEdit, VK_LEFT);
    user.Ok();
  });
  EXPECT_EQ(Run(), IDOK);
  ASSERT_GE(record_.events.size(), 3u);
  EXPECT_EQ(record_.events[0], "command 100 256");  // EN_SETFOCUS
  EXPECT_EQ(record_.events[1], "subclass char 120");
  EXPECT_EQ(record_.events[2], "command 100 768");  // EN_CHANGE from the saved procedure
  EXPECT_NE(std::find(record_.events.begin(), record_.events.end(), "dlgcode"),
            record_.events.end());
  subclass_seen = nullptr;
}

// An edit checked while typing: the text is upper-cased and written back with the caret kept, as
// the job name and PIN edits do.
INT_PTR CALLBACK UpperCaseProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == kEdit && HIWORD(wparam) == EN_CHANGE) {
    WCHAR text[32];
    GetDlgItemTextW(dialog, kEdit, text, 32);
    std::u16string upper(text);
    for (char16_t& c : upper) {
      c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
    }
    if (upper != text) {
      DWORD start = 0;
      DWORD end = 0;
      SendDlgItemMessageW(dialog, kEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                          reinterpret_cast<LPARAM>(&end));
      SetDlgItemTextW(dialog, kEdit, upper.c_str());
      SendDlgItemMessageW(dialog, kEdit, EM_SETSEL, start, end);
    }
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  return FALSE;
}

TEST_F(DialogTest, EditRewrittenWhileTypingKeepsItsCaret) {
  std::u16string typed;
  user_.OnDialog(u"Every Control", [&](ScriptedUser& user) {
    user.Type(kEdit, u"ab");
    user.Key(kEdit, VK_LEFT);
    user.Type(kEdit, u"x");
    WCHAR text[16];
    GetDlgItemTextW(user.Target(), kEdit, text, 16);
    typed = text;
    user.Ok();
  });
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(4000), nullptr, UpperCaseProc, 0), IDOK);
  EXPECT_EQ(typed, u"AXB");
  EXPECT_TRUE(errors_.empty());
}

}  // namespace
}  // namespace vel::test
