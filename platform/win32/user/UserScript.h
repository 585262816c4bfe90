// The scripted user's text language, for the sheet host and for people: one command a line, read
// by a parser that fails soft with a message naming the line.
//
//   # a comment (to the end of the line, outside quotes)
//   on dialog 5000            handler for a modal dialog by its template id ...
//   on dialog "Caption"       ... or by its caption
//     <commands>
//   end
//   on sheet                  handler for the property sheet
//     <commands>
//   end
//   expect box "text" "caption" <flags> <answer>   a message box to come (answer: a number or
//                                                  ok, cancel, yes, no, abort, retry, ignore)
//   pages                     lists the sheet's pages
//   page "Title"              makes a page active
//   show                      the state text of the target (see ScriptedUser.h)
//   click <id>                a click (a button's BN_CLICKED; other controls: the mouse)
//   check <id> / uncheck <id>
//   select <id> "text"        an entry of a combo box or list box by its text ...
//   select <id> <index>       ... or by its index
//   type <id> "text"          characters typed one at a time
//   set <id> "text"           the whole text replaced at once (a paste)
//   leave <id>                the focus moves on from the control
//   step <id> up|down         an up-down control's arrow
//   scroll <id> <request> [<position>]   lineleft lineright lineup linedown pageleft pageright
//                             pageup pagedown left right top bottom end thumb track
//   key <id> <key>            a key (left right up down home end delete tab return escape space
//                             back f1, or a number)
//   mouse move <id> [<x> <y>] / mouse click <id> [<x> <y>]   at a point of the control
//   rightclick <id> [<x> <y>]
//   help <id>                 F1 on a control
//   ok / cancel / apply / helpbutton
//   paint                     repaints what was invalidated (owner-drawn buttons get WM_DRAWITEM)
//
// Numbers are decimal or 0x hexadecimal. Texts are in double quotes with the escapes \" \\ \n
// \r \t and \uXXXX; the script is UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/user/ScriptedUser.h"

namespace vel::platform {

struct ScriptArgument {
  bool is_text = false;
  long long number = 0;
  std::u16string text;  // a quoted text, or the word itself
};

struct ScriptStatement {
  int line = 0;
  std::string command;  // "on dialog", "on sheet", "mouse move", "click", ...
  std::vector<ScriptArgument> arguments;
  std::vector<ScriptStatement> body;  // the commands of an on-block
};

struct Script {
  std::vector<ScriptStatement> statements;
};

// Reads a script; on failure `error` names the line.
bool ParseUserScript(std::string_view text, Script& script, std::string& error);

// Runs a script's top-level statements with a user: on-blocks register handlers, expect queues
// message boxes, other commands act on the target at once. Errors go to the user's error sink,
// prefixed with their line. Answers false when a command failed. The handlers of on-blocks run
// the script's own statements: the Script must outlive the modal windows they answer.
bool RunUserScript(const Script& script, ScriptedUser& user);

}  // namespace vel::platform
