// A test dialog with every control class, its dialog procedure and the record of what it heard.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/user/winuser.h"
#include "tests/support/DialogTemplateBuilder.h"

namespace vel::test {

// Control ids of the dialog.
enum EveryControlId : int {
  kEdit = 100,
  kUpDown = 101,
  kGroupA = 110,
  kRadioA1 = 111,
  kRadioA2 = 112,
  kGroupB = 120,
  kRadioB1 = 121,
  kRadioB2 = 122,
  kCheck = 130,
  kDropList = 140,
  kDropDown = 141,
  kList = 150,
  kScroll = 160,
  kLabel = 170,
  kIcon = 171,
  kOwnerDrawn = 180,
  kDisabled = 190,
  kOpenInner = 191,
  kAsk = 192,
};

// What the dialog procedure heard, one line per message it cares about.
struct EveryControlRecord {
  std::vector<std::string> events;
  bool refuse_steps = false;
};

// The template: caption "Every Control", 200 x 180 dialog units.
DialogTemplateBuilder EveryControlTemplate();
// A small inner dialog "Inner" with OK and a button 10 that asks a question.
DialogTemplateBuilder InnerTemplate();

// The dialog procedure; the init parameter is an EveryControlRecord*.
INT_PTR CALLBACK EveryControlProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace vel::test
