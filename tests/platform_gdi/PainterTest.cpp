// The painter of window trees and the paint step of the scripted user: a dialog with every plain
// control and an owner-drawn button that draws through WM_DRAWITEM.
#include <gmock/gmock.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/win32/loader.h"
#include "platform/win32/resources.h"
#include "platform/win32/user/ScriptedUser.h"
#include "platform/win32/user/UserFixture.h"
#include "platform/win32/user/UserScript.h"
#include "platform/win32/user/compstui.h"
#include "tests/platform_gdi/GdiTestSupport.h"
#include "tests/support/DialogTemplateBuilder.h"
#include "tests/support/TempDir.h"

namespace vel::test {
namespace {

constexpr int kPicture = 2021;
constexpr int kRefresh = 10;
constexpr int kHidden = 11;

struct DrawRecord {
  int draws = 0;
  std::vector<UINT> states;
};

// The owner-drawn button draws a framed blue square with a yellow triangle, making and deleting
// its own pen and brush; a click on "Refresh" invalidates it.
INT_PTR CALLBACK PictureProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    SendDlgItemMessageW(dialog, 104, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Letter"));
    SendDlgItemMessageW(dialog, 104, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"A4"));
    SendDlgItemMessageW(dialog, 104, CB_SETCURSEL, 1, 0);
    SendDlgItemMessageW(dialog, 105, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Tray 1"));
    SendDlgItemMessageW(dialog, 105, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Tray 2"));
    SendDlgItemMessageW(dialog, 105, LB_SETCURSEL, 0, 0);
    CheckDlgButton(dialog, 101, BST_CHECKED);
    return TRUE;
  }
  auto* record = reinterpret_cast<DrawRecord*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (message == WM_DRAWITEM && wparam == kPicture) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
    ++record->draws;
    record->states.push_back(item->itemState);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
    HGDIOBJ old_pen = SelectObject(item->hDC, pen);
    HGDIOBJ old_brush = SelectObject(item->hDC, brush);
    Rectangle(item->hDC, item->rcItem.left, item->rcItem.top, item->rcItem.right,
              item->rcItem.bottom);
    SelectObject(item->hDC, yellow);
    const POINT triangle[] = {{10, 30}, {30, 10}, {50, 30}};
    Polygon(item->hDC, triangle, 3);
    SelectObject(item->hDC, old_pen);
    SelectObject(item->hDC, old_brush);
    DeleteObject(pen);
    DeleteObject(brush);
    DeleteObject(yellow);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == kRefresh) {
    InvalidateRect(GetDlgItem(dialog, kPicture), nullptr, FALSE);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  return FALSE;
}

DialogTemplateBuilder PictureTemplate() {
  using B = DialogTemplateBuilder;
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  DialogTemplateBuilder builder(WS_POPUP | WS_CAPTION | DS_SETFONT, u"Picture", 0, 0, 260, 150);
  builder.Font(8, u"MS Sans Serif")
      .Item(IDOK, B::kButton, u"OK", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 200, 8, 50, 14)
      .Item(kRefresh, B::kButton, u"&Refresh", kChild | WS_TABSTOP, 200, 26, 50, 14)
      .Item(kHidden, B::kButton, u"Hidden", kChild | BS_PUSHBUTTON, 200, 44, 50, 14)
      .Item(100, B::kButton, u"Options", kChild | BS_GROUPBOX, 4, 4, 120, 60)
      .Item(101, B::kButton, u"Collate", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 10, 16, 80, 10)
      .Item(102, B::kButton, u"Draft", kChild | BS_AUTORADIOBUTTON, 10, 30, 80, 10)
      .Item(103, B::kStatic, u"Copies:", kChild, 10, 46, 40, 8)
      .Item(106, B::kEdit, u"12", kChild | WS_TABSTOP, 52, 44, 30, 12)
      .Item(104, B::kComboBox, u"", kChild | CBS_DROPDOWNLIST | WS_TABSTOP, 4, 70, 90, 60)
      .Item(105, B::kListBox, u"", kChild | WS_TABSTOP, 100, 70, 60, 40)
      .Item(107, B::kScrollBar, u"", kChild | SBS_HORZ, 4, 120, 150, 10)
      .Item(kPicture, B::kButton, u"", kChild | BS_OWNERDRAW, 130, 8, 60, 40);
  return builder;
}

class PainterTest : public GdiTest {
 protected:
  void SetUp() override {
    GdiTest::SetUp();
    platform::ResetWindowing();
  }
  void TearDown() override {
    platform::ResetWindowing();
    platform::SetPaintHook(nullptr);
    GdiTest::TearDown();
  }

  DialogTemplateBuilder template_ = PictureTemplate();
  DrawRecord record_;
};

TEST_F(PainterTest, APaintedDialogGivesTheSamePngEveryTime) {
  HWND dialog =
      CreateDialogIndirectParamW(nullptr, static_cast<LPCDLGTEMPLATEW>(template_.Template()),
                                 nullptr, PictureProc, reinterpret_cast<LPARAM>(&record_));
  ASSERT_NE(dialog, nullptr);
  ShowWindow(GetDlgItem(dialog, kHidden), SW_HIDE);
  platform::ClearGdiJournal();
  const platform::Image first = platform::PaintWindowTree(dialog);
  const platform::Image second = platform::PaintWindowTree(dialog);
  ASSERT_EQ(first.width, 390);  // 260 dialog units
  ASSERT_EQ(first.height, 243);
  const std::vector<std::uint8_t> png = platform::EncodePng(first);
  EXPECT_EQ(png, platform::EncodePng(second));

  // The owner-drawn button drew through WM_DRAWITEM on a DC over its own rectangle, and left
  // nothing behind.
  EXPECT_EQ(record_.draws, 2);
  EXPECT_EQ(record_.states, (std::vector<UINT>{0, 0}));
  const auto journal = platform::GdiJournal();
  EXPECT_THAT(journal, testing::Contains("WM_DRAWITEM item 2021 -> item 2021 state 0"));
  EXPECT_THAT(journal, testing::Contains("Rectangle(item 2021, 0, 0, 90, 65) -> (0, 0, 90, 65) "
                                         "pen pen 1 brush brush 1"));
  EXPECT_EQ(platform::LiveGdiObjects(), 0);
  EXPECT_TRUE(platform::GdiFaults().empty());
  // Picture pixels: the button's inside is blue, its triangle yellow; the hidden button was not
  // painted (face colour where it would be).
  RECT picture{};
  GetWindowRect(GetDlgItem(dialog, kPicture), &picture);
  RECT frame{};
  GetWindowRect(dialog, &frame);
  const LONG left = picture.left - frame.left;
  const LONG top = picture.top - frame.top;
  EXPECT_EQ(first.At(left + 5, top + 50), RGB(0, 0, 255));
  EXPECT_EQ(first.At(left + 30, top + 25), RGB(255, 255, 0));
  EXPECT_EQ(first.At(left, top), RGB(0, 0, 0));
  EXPECT_EQ(first.At(300 + 30, 66 + 5), GetSysColor(COLOR_BTNFACE));

  // A person can open the file; pngcheck accepts it.
  TempDir folder;
  const std::string path = folder.File("picture.png");
  ASSERT_TRUE(platform::WritePng(first, path));
  std::ifstream file(path, std::ios::binary);
  const std::vector<std::uint8_t> written((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
  EXPECT_EQ(written, png);
  EXPECT_EQ(std::system(("pngcheck -q " + path + " >/dev/null").c_str()), 0);
  DestroyWindow(dialog);
}

TEST_F(PainterTest, ThePaintStepDrawsInvalidatedOwnerDrawnButtons) {
  platform::InstallPaintStep();
  platform::ScriptedUser user;
  std::vector<std::string> errors;
  user.SetErrorSink([&](const std::string& error) { errors.push_back(error); });
  user.OnDialog(u"Picture", [&](platform::ScriptedUser& u) {
    const int shown = record_.draws;
    u.Click(kRefresh);  // invalidates the picture
    EXPECT_EQ(record_.draws, shown);
    u.Paint();
    EXPECT_EQ(record_.draws, shown + 1);
    u.Paint();  // nothing is marked any more
    EXPECT_EQ(record_.draws, shown + 1);
    u.Click(kRefresh);
    u.Check(101, false);  // the next action paints first
    EXPECT_EQ(record_.draws, shown + 2);
    u.Ok();
  });
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, static_cast<LPCDLGTEMPLATEW>(template_.Template()),
                                    nullptr, PictureProc, reinterpret_cast<LPARAM>(&record_)),
            IDOK);
  EXPECT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(platform::LiveGdiObjects(), 0);
}

TEST_F(PainterTest, WindowDcsCoverTheWindowsRectangleOfThePageImage) {
  HWND dialog =
      CreateDialogIndirectParamW(nullptr, static_cast<LPCDLGTEMPLATEW>(template_.Template()),
                                 nullptr, PictureProc, reinterpret_cast<LPARAM>(&record_));
  HWND button = GetDlgItem(dialog, kRefresh);
  RECT r{};
  GetWindowRect(button, &r);
  HDC dc = GetDC(button);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT everything{-100, -100, 1000, 1000};
  FillRect(dc, &everything, red);  // cut to the button
  DeleteObject(red);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, -1, 0), CLR_INVALID);
  EXPECT_EQ(ReleaseDC(button, dc), 1);
  const platform::Image around = platform::PageImage({r.left - 1, r.top, r.right + 1, r.top + 1});
  EXPECT_NE(around.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(around.At(1, 0), RGB(255, 0, 0));
  EXPECT_EQ(around.At(around.width - 2, 0), RGB(255, 0, 0));
  EXPECT_NE(around.At(around.width - 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(platform::LiveGdiObjects(), 0);
  DestroyWindow(dialog);
}

INT_PTR CALLBACK SheetPageProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

LONG CALLBACK TwoPageSheet(PPROPSHEETUI_INFO info, LPARAM lparam) {
  if (info->Reason == PROPSHEETUI_REASON_INIT) {
    for (WORD id : {201, 202}) {
      PROPSHEETPAGEW page{};
      page.dwSize = sizeof(PROPSHEETPAGEW);
      page.hInstance = GetModuleHandleW(u"paintpages");
      page.pszTemplate = MAKEINTRESOURCEW(id);
      page.pfnDlgProc = SheetPageProc;
      info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW,
                            reinterpret_cast<LPARAM>(&page), 0);
    }
  } else if (info->Reason == PROPSHEETUI_REASON_GET_INFO_HEADER) {
    auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lparam);
    header->pTitle = const_cast<LPWSTR>(u"Paint Printer");
  }
  return 1;
}

TEST_F(PainterTest, ASheetFrameShowsOneTabPerPageWithTheActiveOneRaised) {
  platform::VirtualModule module;
  module.path = u"C:\\test\\paintpages.dll";
  for (WORD id : {201, 202}) {
    DialogTemplateBuilder page(WS_CHILD | DS_CONTROL, id == 201 ? u"Basics" : u"Paper", 0, 0, 200,
                               120);
    page.Item(10, DialogTemplateBuilder::kButton, u"Collate", BS_AUTOCHECKBOX, 10, 10, 80, 10);
    platform::VirtualModule::Resource resource;
    resource.type = {platform::kRtDialog, nullptr};
    resource.name = {id, nullptr};
    resource.bytes = page.Bytes();
    module.resources.push_back(resource);
  }
  platform::RegisterVirtualModule(module);
  HMODULE pages = LoadLibraryW(u"paintpages");
  ASSERT_NE(pages, nullptr);

  platform::ScriptedUser user;
  platform::Image first;
  platform::Image second;
  user.OnSheet([&](platform::ScriptedUser& u) {
    HWND frame = GetParent(u.Target()) != nullptr ? GetParent(u.Target()) : u.Target();
    first = platform::PaintWindowTree(frame);
    u.ActivatePage(u"Paper");
    second = platform::PaintWindowTree(frame);
    u.Cancel();
  });
  DWORD result = 0;
  CommonPropertySheetUIW(nullptr, TwoPageSheet, 0, &result);
  ASSERT_GT(first.width, 0);
  // The active tab's top edge is the highlight at y 6 and the other's two pixels lower; with the
  // second page active the two swap.
  const COLORREF white = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  auto tab_tops = [&](const platform::Image& image) {
    std::string tops;
    for (int x = 6; x < 200; ++x) {
      tops += image.At(x, 6) == white ? 'A' : image.At(x, 8) == white ? 'o' : '.';
    }
    return tops;
  };
  const std::string with_first = tab_tops(first);
  const std::string with_second = tab_tops(second);
  const auto first_tab = with_first.find_first_not_of('A');
  ASSERT_NE(first_tab, std::string::npos);
  EXPECT_GE(first_tab, 41u);
  EXPECT_EQ(with_first[first_tab + 1], 'o');
  EXPECT_EQ(with_second[1], 'o');
  EXPECT_EQ(with_second[first_tab + 1], 'A');
  EXPECT_EQ(first.At(3, 100), face);
  EXPECT_NE(platform::EncodePng(first), platform::EncodePng(second));
  FreeLibrary(pages);
  platform::ResetLoaderFixture();
}

TEST_F(PainterTest, AScriptPaintsWhatWasInvalidated) {
  platform::InstallPaintStep();
  platform::ScriptedUser user;
  std::vector<std::string> errors;
  user.SetErrorSink([&](const std::string& error) { errors.push_back(error); });
  platform::Script script;
  std::string error;
  ASSERT_TRUE(
      platform::ParseUserScript("on dialog \"Picture\"\n"
                                "  click 10\n"
                                "  paint\n"
                                "  ok\n"
                                "end\n",
                                script, error))
      << error;
  platform::RunUserScript(script, user);
  const int before = record_.draws;
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, static_cast<LPCDLGTEMPLATEW>(template_.Template()),
                                    nullptr, PictureProc, reinterpret_cast<LPARAM>(&record_)),
            IDOK);
  EXPECT_EQ(record_.draws, before + 1);
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace vel::test
