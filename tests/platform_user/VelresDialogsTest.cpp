// The resource module's dialogs, cursor and icons made through the windowing stand-in: every
// template reads, every item class is known, icons and the hand cursor load.
#include <gtest/gtest.h>

#include "platform/win32/loader.h"
#include "platform/win32/resources.h"
#include "platform/win32/user/ScriptedUser.h"
#include "platform/win32/user/UserFixture.h"
#include "platform/win32/user/Window.h"
#include "tests/support/DialogTemplateBuilder.h"

namespace vel::test {
namespace {

INT_PTR CALLBACK Quiet(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

class VelresDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetWindowing();
    platform::SetModuleFolder(VELRES_DIR, u"C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2");
    velres_ = LoadLibraryW(u"velres.dll");
    ASSERT_NE(velres_, nullptr);
    DialogTemplateBuilder frame(WS_POPUP, u"Frame", 0, 0, 400, 300);
    frame_ = CreateDialogIndirectParamW(nullptr, static_cast<LPCDLGTEMPLATEW>(frame.Template()),
                                        nullptr, Quiet, 0);
    ASSERT_NE(frame_, nullptr);
  }
  void TearDown() override {
    platform::ResetWindowing();
    FreeLibrary(velres_);
    platform::ResetLoaderFixture();
  }

  HMODULE velres_ = nullptr;
  HWND frame_ = nullptr;
};

TEST_F(VelresDialogsTest, EveryDialogIsMadeWithItsItems) {
  const struct {
    int id;
    int item;  // an item the dialog holds
    const char16_t* item_class;
  } dialogs[] = {
      {1000, 1022, u"msctls_updown32"},
      {2000, 2015, u"ComboBox"},
      {3000, 3016, u"msctls_updown32"},
      {4000, 4014, u"ComboBox"},
      {5000, 5002, u"ListBox"},
      {6000, 6023, u"ScrollBar"},
      {7000, 7041, u"Edit"},
      {8000, 11413, u"Static"},
      {9000, 9013, u"Button"},
      {10000, 10013, u"Edit"},
      {11000, 11009, u"Edit"},
      {11511, 11514, u"Edit"},
      {11520, 102, u"Static"},
  };
  for (const auto& dialog : dialogs) {
    HWND window = CreateDialogParamW(velres_, MAKEINTRESOURCEW(static_cast<WORD>(dialog.id)),
                                     frame_, Quiet, 0);
    ASSERT_NE(window, nullptr) << dialog.id;
    HWND item = GetDlgItem(window, dialog.item);
    ASSERT_NE(item, nullptr) << dialog.id << " item " << dialog.item;
    platform::user::Window* record = platform::user::Find(item);
    EXPECT_TRUE(platform::EqualsIgnoringCase(record->window_class->name, dialog.item_class))
        << dialog.id << " item " << dialog.item;
    DestroyWindow(window);
  }
}

TEST_F(VelresDialogsTest, IconsOfTheCustomSizeDialogAndTheHandCursorLoad) {
  HWND window = CreateDialogParamW(velres_, MAKEINTRESOURCEW(8000), frame_, Quiet, 0);
  ASSERT_NE(window, nullptr);
  for (int id : {11413, 11414, 11423, 11424}) {
    platform::user::Window* icon = platform::user::Find(GetDlgItem(window, id));
    ASSERT_NE(icon, nullptr) << id;
    const platform::user::CursorInfo* info = platform::user::DescribeCursor(icon->icon);
    ASSERT_NE(info, nullptr) << id;
    EXPECT_TRUE(info->is_icon);
    EXPECT_EQ(info->id, id);
    EXPECT_EQ(info->width, 32);
  }
  HCURSOR hand = LoadCursorW(velres_, MAKEINTRESOURCEW(11220));
  const platform::user::CursorInfo* info = platform::user::DescribeCursor(hand);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->id, 11220);
  EXPECT_EQ(info->hotspot_x, 5);
  EXPECT_EQ(info->hotspot_y, 1);
  EXPECT_EQ(info->width, 32);
  EXPECT_EQ(info->height, 32);
}

}  // namespace
}  // namespace vel::test
