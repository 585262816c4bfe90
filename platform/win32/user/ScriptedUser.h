// The scripted user: what a person does with dialogs and property sheets, for tests and for the
// sheet host, in place of an event loop.
//
// A ScriptedUser belongs to the thread that makes it and stands for the user of that thread's
// windows while it lives. Modal dialogs and message boxes are answered by what was registered
// beforehand: a handler per dialog (by its template id, or by its caption for templates in
// memory), a handler for the property sheet, and a queue of expected message boxes (text, caption
// and flags checked, the answer given). An unexpected dialog, sheet or box, and an action that a
// person could not do (on a disabled or hidden control, a missing control, a radio button
// unchecked), is an error: it is reported to the error sink with the dialog id, the text or the
// control it names, and the action answers false.
//
// Actions work on the target: the innermost modal dialog whose handler runs, else the active page
// of the innermost open property sheet, else a dialog pushed with PushTarget.
//
// State text (State(), the script's `show`): one header line, then one line per control in
// template order (the dialog's z-order):
//   dialog 1000 "Caption" focus=1021 default=1
//   page "Title" of sheet "Sheet title" focus=0 default=0
// then for each control:
//   <id> <class> "<text>" <enabled|disabled> <visible|hidden>[ focus]<details>
// where <class> is the window class (Button, Edit, Static, ComboBox, ListBox, ScrollBar,
// msctls_updown32, or a registered class) and <details> are, by class:
//   Button      kind=push|default|check|autocheck|radio|autoradio|3state|auto3state|group|
//               ownerdraw, and for check boxes and radio buttons checked=0|1|2
//   Static      with SS_ICON: icon=<ordinal>
//   Edit        sel=<start>-<end> limit=<n>
//   ComboBox    kind=simple|dropdown|dropdownlist sel=<index, -1 for none> items=["a", "b"],
//               and for an edit part editsel=<start>-<end>
//   ListBox     sel=<index> items=["a", "b"]
//   ScrollBar   pos=<p> range=<min>-<max> page=<n>
//   msctls_updown32  pos=<p> range=<lower>-<upper>
// Texts are quoted with \" \\ \n \r \t and \xNN escapes, in UTF-8.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/user/winuser.h"

namespace vel::platform {

class ScriptedUser;

using UserHandler = std::function<void(ScriptedUser& user)>;

struct SheetPageInfo {
  std::u16string title;
  bool created = false;
  bool active = false;
  bool refused = false;
};

class ScriptedUser {
 public:
  ScriptedUser();
  ~ScriptedUser();
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  // The scripted user of the calling thread, or null.
  static ScriptedUser* Current();

  // ---- Answers registered beforehand --------------------------------------------------------
  void OnDialog(int template_id, UserHandler handler);
  void OnDialog(std::u16string caption, UserHandler handler);
  void OnSheet(UserHandler handler);
  void ExpectMessageBox(std::u16string text, std::u16string caption, UINT flags, int answer);
  // What is still expected (message boxes not shown yet), for a check at the end of a test.
  std::size_t PendingMessageBoxes() const;
  // Asked before an unexpected dialog or box becomes an error (the sheet host asks a person);
  // a dialog fallback answers true when it dealt with the dialog, a box fallback answers the
  // button or 0 when it did not.
  void SetDialogFallback(std::function<bool(ScriptedUser&, HWND dialog)> fallback);
  void SetMessageBoxFallback(
      std::function<int(std::u16string_view text, std::u16string_view caption, UINT flags)>
          fallback);

  // ---- Errors and output ----------------------------------------------------------------------
  // Every error goes to the sink (by default: standard error) and is kept.
  void SetErrorSink(std::function<void(const std::string&)> sink);
  const std::vector<std::string>& errors() const;
  void ReportError(const std::string& error);
  // A prefix for the errors of what follows ("line 12: " while a script runs).
  void SetErrorContext(std::string context);
  // What `Show` and `ListPages` wrote.
  std::string TakeOutput();
  void Write(const std::string& text);

  // ---- The target -------------------------------------------------------------------------------
  HWND Target() const;
  // Makes a (modeless) dialog the target until PopTarget.
  void PushTarget(HWND dialog);
  void PopTarget();

  // ---- Looking --------------------------------------------------------------------------------
  std::string State();
  void Show();  // writes State() to the output
  std::vector<SheetPageInfo> Pages();
  void ListPages();  // writes the pages to the output: <n> "<title>"[ active][ created][ refused]

  // ---- Acting ---------------------------------------------------------------------------------
  bool ActivatePage(std::u16string_view title);
  bool Click(int id);
  bool Check(int id, bool checked);
  bool SelectText(int id, std::u16string_view text);
  bool SelectIndex(int id, int index);
  // Types characters one at a time at the caret (EN_CHANGE or CBN_EDITCHANGE after each).
  bool Type(int id, std::u16string_view text);
  // Replaces the whole text at once, as a paste: one notification.
  bool Set(int id, std::u16string_view text);
  // Moves the focus on from the control to the next control of the tab order.
  bool Leave(int id);
  bool Step(int id, int delta);
  bool Scroll(int id, WORD request, int position = 0);
  bool Key(int id, UINT virtual_key);
  // The mouse at a point of a control (its client coordinates; its centre when not given).
  bool MouseMove(int id, std::optional<POINT> point = std::nullopt);
  bool MouseClick(int id, std::optional<POINT> point = std::nullopt);
  bool RightClick(int id, std::optional<POINT> point = std::nullopt);
  // F1 on a control: WM_HELP with a HELPINFO for the item.
  bool Help(int id);
  // Repaints the windows marked by InvalidateRect through the paint step (UserFixture.h).
  bool Paint();
  bool Ok();
  bool Cancel();
  bool Apply();
  bool HelpButton();

  // ---- For the stand-in (not for tests) ------------------------------------------------------
  bool RunModalDialog(HWND dialog);
  bool RunSheet(HWND frame);
  int AnswerMessageBox(std::u16string_view text, std::u16string_view caption, UINT flags);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vel::platform
