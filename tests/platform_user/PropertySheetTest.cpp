// The common property sheet: the order of the callback's reasons and of the pages' notifications,
// results, refused pages, kept pages and the Apply button.
#include <gtest/gtest.h>

#include "platform/CallLog.h"
#include "platform/win32/loader.h"
#include "platform/win32/resources.h"
#include "platform/win32/user/ScriptedUser.h"
#include "platform/win32/user/UserFixture.h"
#include "platform/win32/user/UserScript.h"
#include "platform/win32/user/compstui.h"
#include "tests/support/DialogTemplateBuilder.h"

namespace vel::test {
namespace {

using platform::ScriptedUser;

// What the test callback and its pages do, set by each test.
struct SheetScript {
  WORD header_flags = PSUIHDRF_PROPTITLE;
  UINT create_answer[3] = {1, 1, 1};
  bool keep_on_kill[3] = {false, false, false};
  bool set_result_on_apply = true;
  HANDLE page_handles[3] = {};
  std::vector<std::string> seen;  // what the callback and pages saw beside the call log
  PROPSHEETUI_INFO* info = nullptr;
};

SheetScript* script = nullptr;

int PageIndex(HWND page) {
  auto* record = reinterpret_cast<PROPSHEETPAGEW*>(GetWindowLongPtrW(page, DWLP_USER));
  return record == nullptr ? -1 : static_cast<int>(record->lParam);
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(page, DWLP_USER, lparam);
    return TRUE;
  }
  if (message != WM_NOTIFY) {
    return FALSE;
  }
  const int index = PageIndex(page);
  const auto* notify = reinterpret_cast<const PSHNOTIFY*>(lparam);
  if (notify->hdr.code == PSN_KILLACTIVE && script->keep_on_kill[index]) {
    SetWindowLongPtrW(page, DWLP_MSGRESULT, TRUE);
    return TRUE;
  }
  if (notify->hdr.code == PSN_APPLY && script->set_result_on_apply) {
    script->seen.push_back("page " + std::to_string(index + 1) + " reports OK");
    script->info->pfnComPropSheet(script->info->hComPropSheet, CPSFUNC_SET_RESULT,
                                  reinterpret_cast<LPARAM>(script->page_handles[index]), CPSUI_OK);
    script->seen.push_back("page " + std::to_string(index + 1) + " applied");
  }
  return FALSE;
}

UINT CALLBACK PageCallback(HWND, UINT message, LPPROPSHEETPAGEW page) {
  return message == PSPCB_CREATE ? script->create_answer[page->lParam] : 0;
}

LONG CALLBACK SheetCallback(PPROPSHEETUI_INFO info, LPARAM lparam) {
  script->info = info;
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      for (int i = 0; i < 3; ++i) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof(PROPSHEETPAGEW);
        page.dwFlags = PSP_USECALLBACK | (i == 0 ? PSP_HASHELP : 0);
        page.hInstance = GetModuleHandleW(u"sheetpages");
        page.pszTemplate = MAKEINTRESOURCEW(static_cast<WORD>(101 + i));
        page.pfnDlgProc = PageProc;
        page.pfnCallback = PageCallback;
        page.lParam = i;
        script->page_handles[i] = reinterpret_cast<HANDLE>(info->pfnComPropSheet(
            info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&page), 0));
      }
      info->Result = CPSUI_CANCEL;
      return 1;
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
      auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lparam);
      header->Flags = script->header_flags;
      header->pTitle = const_cast<LPWSTR>(u"Test Printer");
      header->IconID = 64082;
      return 1;
    }
    case PROPSHEETUI_REASON_SET_RESULT:
      script->seen.push_back("set result " +
                             std::to_string(reinterpret_cast<SETRESULT_INFO*>(lparam)->Result));
      info->Result = static_cast<ULONG_PTR>(reinterpret_cast<SETRESULT_INFO*>(lparam)->Result);
      return 1;
    default:
      return 1;
  }
}

class PropertySheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetWindowing();
    script = &script_;
    platform::VirtualModule module;
    module.path = u"C:\\test\\sheetpages.dll";
    for (int i = 0; i < 3; ++i) {
      DialogTemplateBuilder page(WS_CHILD | DS_CONTROL, u"Page " + std::u16string(1, u'1' + i), 0,
                                 0, 200, 150);
      page.Item(10, DialogTemplateBuilder::kEdit, u"", WS_TABSTOP, 10, 10, 60, 12);
      platform::VirtualModule::Resource resource;
      resource.type = {platform::kRtDialog, nullptr};
      resource.name = {static_cast<std::uint16_t>(101 + i), nullptr};
      resource.bytes = page.Bytes();
      module.resources.push_back(resource);
    }
    platform::RegisterVirtualModule(module);
    module_ = LoadLibraryW(u"sheetpages");
    user_.SetErrorSink([this](const std::string& error) { errors_.push_back(error); });
    platform::ClearCallLog();
  }
  void TearDown() override {
    FreeLibrary(module_);
    platform::ResetLoaderFixture();
    platform::ResetWindowing();
    script = nullptr;
  }

  LONG Run(DWORD* result) { return CommonPropertySheetUIW(nullptr, SheetCallback, 7, result); }

  // The sheet's own lines and the pages' dialog messages of the call log.
  static std::vector<std::string> SheetLog() {
    std::vector<std::string> lines;
    for (const std::string& line : platform::CallLogSnapshot()) {
      const bool page_message = line.rfind("SendMessageW(page", 0) == 0 &&
                                (line.find("WM_INITDIALOG") != std::string::npos ||
                                 line.find("WM_NOTIFY") != std::string::npos ||
                                 line.find("WM_DESTROY") != std::string::npos);
      if (line.rfind("CommonPropertySheetUIW: ", 0) == 0 || page_message) {
        lines.push_back(line);
      }
    }
    return lines;
  }

  SheetScript script_;
  ScriptedUser user_;
  std::vector<std::string> errors_;
  HMODULE module_ = nullptr;
};

TEST_F(PropertySheetTest, OpenShowSecondPageAndOkFollowsThePlatformsOrder) {
  user_.OnSheet([](ScriptedUser& user) {
    EXPECT_TRUE(user.ActivatePage(u"Page 2"));
    EXPECT_TRUE(user.Ok());
  });
  DWORD result = 99;
  EXPECT_EQ(Run(&result), CPSUI_OK);
  EXPECT_EQ(result, static_cast<DWORD>(CPSUI_OK));
  EXPECT_TRUE(errors_.empty());
  const std::vector<std::string> golden = {
      "CommonPropertySheetUIW: REASON_INIT",
      "CommonPropertySheetUIW: ADD_PROPSHEETPAGEW \"Page 1\" -> page 1",
      "CommonPropertySheetUIW: ADD_PROPSHEETPAGEW \"Page 2\" -> page 2",
      "CommonPropertySheetUIW: ADD_PROPSHEETPAGEW \"Page 3\" -> page 3",
      "CommonPropertySheetUIW: REASON_INIT -> 1",
      "CommonPropertySheetUIW: REASON_GET_INFO_HEADER -> 1, flags 0x4, title \"Test Printer\", "
      "icon 64082",
      "CommonPropertySheetUIW: page \"Page 1\" PSPCB_CREATE -> 1",
      "SendMessageW(page \"Page 1\", WM_INITDIALOG)",
      "SendMessageW(page \"Page 1\", WM_NOTIFY PSN_SETACTIVE)",
      "SendMessageW(page \"Page 1\", WM_NOTIFY PSN_KILLACTIVE)",
      "CommonPropertySheetUIW: page \"Page 2\" PSPCB_CREATE -> 1",
      "SendMessageW(page \"Page 2\", WM_INITDIALOG)",
      "SendMessageW(page \"Page 2\", WM_NOTIFY PSN_SETACTIVE)",
      "CommonPropertySheetUIW: OK",
      "SendMessageW(page \"Page 2\", WM_NOTIFY PSN_KILLACTIVE)",
      "SendMessageW(page \"Page 1\", WM_NOTIFY PSN_APPLY)",
      "CommonPropertySheetUIW: SET_RESULT from page 1, 1",
      "CommonPropertySheetUIW: REASON_SET_RESULT -> 1",
      "SendMessageW(page \"Page 2\", WM_NOTIFY PSN_APPLY)",
      "CommonPropertySheetUIW: SET_RESULT from page 2, 1",
      "CommonPropertySheetUIW: REASON_SET_RESULT -> 1",
      "SendMessageW(page \"Page 1\", WM_DESTROY)",
      "SendMessageW(page \"Page 2\", WM_DESTROY)",
      "CommonPropertySheetUIW: page \"Page 1\" PSPCB_RELEASE -> 0",
      "CommonPropertySheetUIW: page \"Page 2\" PSPCB_RELEASE -> 0",
      "CommonPropertySheetUIW: page \"Page 3\" PSPCB_RELEASE -> 0",
      "CommonPropertySheetUIW: REASON_DESTROY",
      "CommonPropertySheetUIW: result 1",
  };
  EXPECT_EQ(SheetLog(), golden);
  // SET_RESULT reached the callback before the page's PSN_APPLY returned.
  const std::vector<std::string> seen = {"page 1 reports OK", "set result 1", "page 1 applied",
                                         "page 2 reports OK", "set result 1", "page 2 applied"};
  EXPECT_EQ(script_.seen, seen);
}

TEST_F(PropertySheetTest, CancelResetsEveryMadePage) {
  user_.OnSheet([](ScriptedUser& user) {
    user.ActivatePage(u"Page 3");
    user.Cancel();
  });
  DWORD result = 99;
  EXPECT_EQ(Run(&result), CPSUI_CANCEL);
  EXPECT_EQ(result, static_cast<DWORD>(CPSUI_CANCEL));
  std::vector<std::string> resets;
  for (const std::string& line : SheetLog()) {
    if (line.find("PSN_RESET") != std::string::npos ||
        line.find("PSN_APPLY") != std::string::npos) {
      resets.push_back(line);
    }
  }
  const std::vector<std::string> expected = {"SendMessageW(page \"Page 1\", WM_NOTIFY PSN_RESET)",
                                             "SendMessageW(page \"Page 3\", WM_NOTIFY PSN_RESET)"};
  EXPECT_EQ(resets, expected);
}

TEST_F(PropertySheetTest, RefusedPageIsNeverShown) {
  script_.create_answer[1] = 0;
  std::vector<platform::SheetPageInfo> pages;
  user_.OnSheet([&](ScriptedUser& user) {
    EXPECT_FALSE(user.ActivatePage(u"Page 2"));
    pages = user.Pages();
    user.Ok();
  });
  DWORD result = 0;
  EXPECT_EQ(Run(&result), CPSUI_OK);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_TRUE(pages[0].active);
  EXPECT_TRUE(pages[1].refused);
  EXPECT_FALSE(pages[1].created);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find("Page 2"), std::string::npos);
}

TEST_F(PropertySheetTest, MessageResultTrueAtKillActiveKeepsThePage) {
  script_.keep_on_kill[0] = true;
  std::vector<platform::SheetPageInfo> pages;
  user_.OnSheet([&](ScriptedUser& user) {
    EXPECT_FALSE(user.ActivatePage(u"Page 2"));
    pages = user.Pages();
    user.Ok();  // kept again: the sheet stays open
    user.Cancel();
  });
  DWORD result = 0;
  EXPECT_EQ(Run(&result), CPSUI_CANCEL);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_TRUE(pages[0].active);
  EXPECT_FALSE(pages[1].created);
}

TEST_F(PropertySheetTest, ApplyIsRefusedWhenTheHeaderAsksForNoApplyButton) {
  script_.header_flags = PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE;
  user_.OnSheet([](ScriptedUser& user) {
    EXPECT_FALSE(user.Apply());
    user.Cancel();
  });
  DWORD result = 0;
  Run(&result);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find("no Apply button"), std::string::npos) << errors_[0];
}

TEST_F(PropertySheetTest, ApplyAppliesWithoutClosingAndHelpNeedsThePagesHelp) {
  user_.OnSheet([](ScriptedUser& user) {
    EXPECT_TRUE(user.Apply());
    EXPECT_TRUE(user.HelpButton());  // page 1 has PSP_HASHELP
    user.ActivatePage(u"Page 2");
    EXPECT_FALSE(user.HelpButton());
    user.Cancel();
  });
  DWORD result = 0;
  EXPECT_EQ(Run(&result), CPSUI_OK);  // the callback keeps the result that Apply reported
  int applies = 0;
  int helps = 0;
  for (const std::string& line : SheetLog()) {
    applies += line.find("PSN_APPLY") != std::string::npos ? 1 : 0;
    helps += line.find("PSN_HELP") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(applies, 1);
  EXPECT_EQ(helps, 1);
  EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(PropertySheetTest, SheetWithoutHandlerIsAnErrorAndCancels) {
  DWORD result = 99;
  EXPECT_EQ(Run(&result), CPSUI_CANCEL);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find("unexpected property sheet \"Test Printer\""), std::string::npos);
}

TEST_F(PropertySheetTest, FunctionsOtherThanAddAndSetResultAnswerMinusOne) {
  user_.OnSheet([](ScriptedUser& user) {
    EXPECT_EQ(script->info->pfnComPropSheet(script->info->hComPropSheet, 5, 0, 0), -1);
    user.Cancel();
  });
  DWORD result = 0;
  Run(&result);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PropertySheetTest, ScriptDrivesTheSheetAsTheSheetHostDoes) {
  platform::Script sheet_script;
  std::string error;
  ASSERT_TRUE(
      platform::ParseUserScript("on sheet\n"
                                "  pages\n"
                                "  page \"Page 3\"\n"
                                "  type 10 \"42\"\n"
                                "  show\n"
                                "  pages\n"
                                "  ok\n"
                                "end\n",
                                sheet_script, error))
      << error;
  EXPECT_TRUE(platform::RunUserScript(sheet_script, user_));
  DWORD result = 0;
  EXPECT_EQ(Run(&result), CPSUI_OK);
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(user_.TakeOutput(),
            "1 \"Page 1\" active created\n"
            "2 \"Page 2\"\n"
            "3 \"Page 3\"\n"
            "page \"Page 3\" of sheet \"Test Printer\" focus=10 default=0\n"
            "10 Edit \"42\" enabled visible focus sel=2-2 limit=32766\n"
            "1 \"Page 1\" created\n"
            "2 \"Page 2\"\n"
            "3 \"Page 3\" active created\n");
}

}  // namespace
}  // namespace vel::test
