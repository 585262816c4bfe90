// The test dialog with every control class.
#include "tests/platform_user/EveryControlDialog.h"

#include "platform/win32/user/commctrl.h"

namespace vel::test {
namespace {

EveryControlRecord* RecordOf(HWND dialog) {
  return reinterpret_cast<EveryControlRecord*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

INT_PTR CALLBACK InnerProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_COMMAND && LOWORD(wparam) == 10) {
    MessageBoxW(dialog, u"Inner question?", u"Inner", MB_YESNO | MB_ICONQUESTION);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

DialogTemplateBuilder EveryControlTemplate() {
  using B = DialogTemplateBuilder;
  DialogTemplateBuilder builder(WS_POPUP | WS_CAPTION | DS_MODALFRAME, u"Every Control", 10, 10,
                                200, 180);
  builder.Font(8, u"MS Sans Serif")
      .Item(kEdit, B::kEdit, u"", WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 60, 12)
      .Item(kUpDown, u"msctls_updown32", u"", 0, 70, 10, 10, 12)
      .Item(kGroupA, B::kButton, u"Group A", BS_GROUPBOX, 5, 28, 90, 40)
      .Item(kRadioA1, B::kButton, u"A1", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 10, 38, 40, 10)
      .Item(kRadioA2, B::kButton, u"A2", BS_AUTORADIOBUTTON, 10, 50, 40, 10)
      .Item(kGroupB, B::kButton, u"Group B", BS_GROUPBOX | WS_GROUP, 100, 28, 90, 40)
      .Item(kRadioB1, B::kButton, u"B1", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 105, 38, 40,
            10)
      .Item(kRadioB2, B::kButton, u"B2", BS_AUTORADIOBUTTON, 105, 50, 40, 10)
      .Item(kCheck, B::kButton, u"Check", BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 10, 72, 60, 10)
      .Item(kDropList, B::kComboBox, u"", CBS_DROPDOWNLIST | WS_TABSTOP, 10, 86, 80, 60)
      .Item(kDropDown, B::kComboBox, u"", CBS_DROPDOWN | WS_TABSTOP, 100, 86, 80, 60)
      .Item(kList, B::kListBox, u"", LBS_NOTIFY | WS_TABSTOP, 10, 102, 80, 30)
      .Item(kScroll, B::kScrollBar, u"", SBS_HORZ, 100, 102, 80, 10)
      .Item(kLabel, B::kStatic, u"Label", SS_LEFT, 100, 116, 40, 8)
      .ItemWithOrdinal(kIcon, B::kStatic, 11413, SS_ICON, 150, 116, 20, 20)
      .Item(kOwnerDrawn, B::kButton, u"", BS_OWNERDRAW, 10, 136, 40, 14)
      .Item(kDisabled, B::kButton, u"Disabled", BS_PUSHBUTTON | WS_DISABLED, 60, 136, 40, 14)
      .Item(kOpenInner, B::kButton, u"Inner...", BS_PUSHBUTTON | WS_TABSTOP, 110, 136, 40, 14)
      .Item(kAsk, B::kButton, u"Ask", BS_PUSHBUTTON | WS_TABSTOP, 155, 136, 40, 14)
      .Item(IDOK, B::kButton, u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 90, 160, 50, 14)
      .Item(IDCANCEL, B::kButton, u"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 145, 160, 50, 14);
  return builder;
}

DialogTemplateBuilder InnerTemplate() {
  DialogTemplateBuilder builder(WS_POPUP | WS_CAPTION, u"Inner", 20, 20, 100, 60);
  builder.Item(10, DialogTemplateBuilder::kButton, u"Ask", BS_PUSHBUTTON | WS_TABSTOP, 5, 5, 40, 14)
      .Item(IDOK, DialogTemplateBuilder::kButton, u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 50, 40, 40,
            14);
  return builder;
}

INT_PTR CALLBACK EveryControlProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    SendDlgItemMessageW(dialog, kEdit, EM_LIMITTEXT, 5, 0);
    SendDlgItemMessageW(dialog, kUpDown, UDM_SETRANGE, 0, MAKELPARAM(10, 0));
    SendDlgItemMessageW(dialog, kUpDown, UDM_SETPOS, 0, MAKELPARAM(3, 0));
    for (const char16_t* text : {u"One", u"Two", u"Three"}) {
      SendDlgItemMessageW(dialog, kDropList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      SendDlgItemMessageW(dialog, kDropDown, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      SendDlgItemMessageW(dialog, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 25, 400, 10, 100, 0};
    SetScrollInfo(GetDlgItem(dialog, kScroll), SB_CTL, &info, TRUE);
    CheckDlgButton(dialog, kRadioA1, BST_CHECKED);
    CheckDlgButton(dialog, kRadioB1, BST_CHECKED);
    return TRUE;
  }
  EveryControlRecord* record = RecordOf(dialog);
  if (record == nullptr) {
    return FALSE;
  }
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      record->events.push_back("command " + std::to_string(id) + " " + std::to_string(code));
      if (code == BN_CLICKED && (id == IDOK || id == IDCANCEL)) {
        EndDialog(dialog, id);
      } else if (code == BN_CLICKED && id == kOpenInner) {
        DialogTemplateBuilder inner = InnerTemplate();
        const INT_PTR result = DialogBoxIndirectParamW(
            nullptr, static_cast<LPCDLGTEMPLATEW>(inner.Template()), dialog, InnerProc, 0);
        record->events.push_back("inner " + std::to_string(result));
      } else if (code == BN_CLICKED && id == kAsk) {
        const int answer = MessageBoxW(dialog, u"Outer question?", u"Outer", MB_OKCANCEL);
        record->events.push_back("asked " + std::to_string(answer));
      }
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* change = reinterpret_cast<const NMUPDOWN*>(lparam);
      if (change->hdr.code == UDN_DELTAPOS) {
        record->events.push_back("deltapos " + std::to_string(change->iPos) + " " +
                                 std::to_string(change->iDelta));
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, record->refuse_steps ? TRUE : FALSE);
        return TRUE;
      }
      return FALSE;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
      record->events.push_back(std::string(message == WM_VSCROLL ? "vscroll " : "hscroll ") +
                               std::to_string(LOWORD(wparam)) + " " +
                               std::to_string(HIWORD(wparam)));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace vel::test
