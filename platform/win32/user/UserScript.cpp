// The scripted user's text language: parser and runner.
#include "platform/win32/user/UserScript.h"

#include <map>

#include "platform/win32/user/Window.h"
#include "platform/win32/user/prsht.h"

namespace vel::platform {
namespace {

// A script longer than this many lines or nested deeper is refused.
constexpr int kMaxDepth = 16;

struct Token {
  bool quoted = false;
  std::string word;
  std::u16string text;
};

bool HexDigit(char c, unsigned& value) {
  if (c >= '0' && c <= '9') {
    value = static_cast<unsigned>(c - '0');
  } else if (c >= 'a' && c <= 'f') {
    value = static_cast<unsigned>(c - 'a' + 10);
  } else if (c >= 'A' && c <= 'F') {
    value = static_cast<unsigned>(c - 'A' + 10);
  } else {
    return false;
  }
  return true;
}

bool Tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error) {
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '#') {
      break;
    }
    Token token;
    if (c == '"') {
      token.quoted = true;
      std::string raw;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char d = line[i++];
        if (d == '"') {
          closed = true;
          break;
        }
        if (d != '\\') {
          raw += d;
          continue;
        }
        if (i >= line.size()) {
          break;
        }
        const char e = line[i++];
        switch (e) {
          case 'n':
            raw += '\n';
            break;
          case 'r':
            raw += '\r';
            break;
          case 't':
            raw += '\t';
            break;
          case '"':
          case '\\':
            raw += e;
            break;
          case 'u': {
            unsigned value = 0;
            for (int k = 0; k < 4; ++k) {
              unsigned digit = 0;
              if (i >= line.size() || !HexDigit(line[i], digit)) {
                error = "\\u needs four hexadecimal digits";
                return false;
              }
              value = value * 16 + digit;
              ++i;
            }
            // Kept as UTF-16 below: mark it with a private escape through a code point.
            token.text += ToUtf16(raw);
            raw.clear();
            token.text += static_cast<char16_t>(value);
            break;
          }
          default:
            error = std::string("unknown escape \\") + e;
            return false;
        }
      }
      if (!closed) {
        error = "a text has no closing quote";
        return false;
      }
      token.text += ToUtf16(raw);
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
             line[i] != '#') {
        token.word += line[i++];
      }
      token.text = ToUtf16(token.word);
    }
    tokens.push_back(std::move(token));
  }
  return true;
}

bool Number(const std::string& word, long long& value) {
  if (word.empty()) {
    return false;
  }
  std::size_t i = 0;
  bool negative = false;
  if (word[0] == '-') {
    negative = true;
    i = 1;
  }
  unsigned base = 10;
  if (word.size() > i + 2 && word[i] == '0' && (word[i + 1] == 'x' || word[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= word.size()) {
    return false;
  }
  unsigned long long result = 0;
  for (; i < word.size(); ++i) {
    unsigned digit = 0;
    if (!HexDigit(word[i], digit) || digit >= base) {
      return false;
    }
    result = result * base + digit;
    if (result > 0xFFFFFFFFull) {
      return false;
    }
  }
  value = negative ? -static_cast<long long>(result) : static_cast<long long>(result);
  return true;
}

// How many arguments each command takes: minimum and maximum.
struct Shape {
  int minimum;
  int maximum;
};

const std::map<std::string, Shape>& Commands() {
  static const std::map<std::string, Shape> commands = {
      {"on dialog", {1, 1}},  {"on sheet", {0, 0}},   {"expect box", {4, 4}},
      {"pages", {0, 0}},      {"page", {1, 1}},       {"show", {0, 0}},
      {"click", {1, 1}},      {"check", {1, 1}},      {"uncheck", {1, 1}},
      {"select", {2, 2}},     {"type", {2, 2}},       {"set", {2, 2}},
      {"leave", {1, 1}},      {"step", {2, 2}},       {"scroll", {2, 3}},
      {"key", {2, 2}},        {"mouse move", {1, 3}}, {"mouse click", {1, 3}},
      {"rightclick", {1, 3}}, {"help", {1, 1}},       {"ok", {0, 0}},
      {"cancel", {0, 0}},     {"apply", {0, 0}},      {"helpbutton", {0, 0}},
      {"paint", {0, 0}},
  };
  return commands;
}

}  // namespace

bool ParseUserScript(std::string_view text, Script& script, std::string& error) {
  script = Script{};
  std::vector<std::vector<ScriptStatement>*> open{&script.statements};
  std::vector<int> open_lines;
  int line_number = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++line_number;
    std::vector<Token> tokens;
    std::string why;
    if (!Tokenize(line, tokens, why)) {
      error = "line " + std::to_string(line_number) + ": " + why;
      return false;
    }
    if (tokens.empty()) {
      if (end == text.size()) {
        break;
      }
      continue;
    }
    auto fail = [&](const std::string& what) {
      error = "line " + std::to_string(line_number) + ": " + what;
      return false;
    };
    if (tokens[0].quoted) {
      return fail("a command cannot be a text");
    }
    std::string command = tokens[0].word;
    std::size_t first_argument = 1;
    if ((command == "on" || command == "expect" || command == "mouse") && tokens.size() > 1 &&
        !tokens[1].quoted) {
      command += " " + tokens[1].word;
      first_argument = 2;
    }
    if (command == "end") {
      if (tokens.size() != 1) {
        return fail("end takes nothing");
      }
      if (open.size() == 1) {
        return fail("end without on");
      }
      open.pop_back();
      open_lines.pop_back();
      if (end == text.size()) {
        break;
      }
      continue;
    }
    auto shape = Commands().find(command);
    if (shape == Commands().end()) {
      return fail("unknown command \"" + command + "\"");
    }
    const int count = static_cast<int>(tokens.size() - first_argument);
    if (count < shape->second.minimum || count > shape->second.maximum) {
      return fail("\"" + command + "\" takes " + std::to_string(shape->second.minimum) +
                  (shape->second.maximum != shape->second.minimum
                       ? " to " + std::to_string(shape->second.maximum)
                       : std::string()) +
                  " arguments, " + std::to_string(count) + " given");
    }
    ScriptStatement statement;
    statement.line = line_number;
    statement.command = command;
    for (std::size_t i = first_argument; i < tokens.size(); ++i) {
      ScriptArgument argument;
      argument.is_text = tokens[i].quoted;
      argument.text = tokens[i].text;
      if (!argument.is_text && !Number(tokens[i].word, argument.number)) {
        argument.number = 0;
        argument.is_text = false;
      }
      statement.arguments.push_back(std::move(argument));
    }
    const bool block = command == "on dialog" || command == "on sheet";
    open.back()->push_back(std::move(statement));
    if (block) {
      if (static_cast<int>(open.size()) > kMaxDepth) {
        return fail("handlers nested too deeply");
      }
      open.push_back(&open.back()->back().body);
      open_lines.push_back(line_number);
    }
    if (end == text.size()) {
      break;
    }
  }
  if (open.size() > 1) {
    error = "line " + std::to_string(open_lines.back()) + ": on without end";
    return false;
  }
  return true;
}

namespace {

bool IsWord(const ScriptArgument& argument, const char* word) {
  return !argument.is_text && argument.text == ToUtf16(word);
}

bool Id(const ScriptArgument& argument, int& id) {
  if (argument.is_text || argument.text.empty() ||
      !(argument.text[0] == u'-' || (argument.text[0] >= u'0' && argument.text[0] <= u'9'))) {
    return false;
  }
  id = static_cast<int>(argument.number);
  return true;
}

bool Point(const ScriptStatement& statement, std::size_t first, std::optional<POINT>& point) {
  if (statement.arguments.size() == first) {
    point.reset();
    return true;
  }
  int x = 0;
  int y = 0;
  if (statement.arguments.size() != first + 2 || !Id(statement.arguments[first], x) ||
      !Id(statement.arguments[first + 1], y)) {
    return false;
  }
  point = POINT{x, y};
  return true;
}

bool KeyCode(const ScriptArgument& argument, UINT& key) {
  static const std::map<std::u16string, UINT> keys = {
      {u"left", VK_LEFT},     {u"right", VK_RIGHT},   {u"up", VK_UP},         {u"down", VK_DOWN},
      {u"home", VK_HOME},     {u"end", VK_END},       {u"delete", VK_DELETE}, {u"tab", VK_TAB},
      {u"return", VK_RETURN}, {u"escape", VK_ESCAPE}, {u"space", VK_SPACE},   {u"back", VK_BACK},
      {u"f1", VK_F1}};
  int number = 0;
  if (Id(argument, number)) {
    key = static_cast<UINT>(number);
    return true;
  }
  auto it = keys.find(argument.text);
  if (it == keys.end()) {
    return false;
  }
  key = it->second;
  return true;
}

bool ScrollRequest(const ScriptArgument& argument, WORD& request) {
  static const std::map<std::u16string, WORD> requests = {
      {u"lineleft", SB_LINELEFT},   {u"lineup", SB_LINEUP},
      {u"lineright", SB_LINERIGHT}, {u"linedown", SB_LINEDOWN},
      {u"pageleft", SB_PAGELEFT},   {u"pageup", SB_PAGEUP},
      {u"pageright", SB_PAGERIGHT}, {u"pagedown", SB_PAGEDOWN},
      {u"left", SB_LEFT},           {u"top", SB_TOP},
      {u"right", SB_RIGHT},         {u"bottom", SB_BOTTOM},
      {u"end", SB_ENDSCROLL},       {u"thumb", SB_THUMBPOSITION},
      {u"track", SB_THUMBTRACK}};
  auto it = requests.find(argument.text);
  if (argument.is_text || it == requests.end()) {
    return false;
  }
  request = it->second;
  return true;
}

bool Answer(const ScriptArgument& argument, int& answer) {
  static const std::map<std::u16string, int> answers = {
      {u"ok", IDOK},         {u"cancel", IDCANCEL}, {u"abort", IDABORT}, {u"retry", IDRETRY},
      {u"ignore", IDIGNORE}, {u"yes", IDYES},       {u"no", IDNO}};
  if (Id(argument, answer)) {
    return true;
  }
  auto it = answers.find(argument.text);
  if (argument.is_text || it == answers.end()) {
    return false;
  }
  answer = it->second;
  return true;
}

bool RunStatements(const std::vector<ScriptStatement>& statements, ScriptedUser& user);

bool RunStatement(const ScriptStatement& statement, ScriptedUser& user) {
  user.SetErrorContext("line " + std::to_string(statement.line) + ": ");
  const std::string& command = statement.command;
  const std::vector<ScriptArgument>& arguments = statement.arguments;
  auto bad = [&](const std::string& what) {
    user.ReportError(command + ": " + what);
    return false;
  };
  int id = 0;
  const bool needs_id = command != "on dialog" && command != "on sheet" &&
                        command != "expect box" && command != "pages" && command != "page" &&
                        command != "show" && command != "ok" && command != "cancel" &&
                        command != "apply" && command != "helpbutton" && command != "paint";
  if (needs_id && !Id(arguments[0], id)) {
    return bad("the first argument must be a control id");
  }
  if (command == "on dialog") {
    const std::vector<ScriptStatement>* body = &statement.body;
    UserHandler handler = [body](ScriptedUser& inner) { RunStatements(*body, inner); };
    int template_id = 0;
    if (arguments[0].is_text) {
      user.OnDialog(arguments[0].text, std::move(handler));
    } else if (Id(arguments[0], template_id)) {
      user.OnDialog(template_id, std::move(handler));
    } else {
      return bad("a dialog is named by its id or its caption in quotes");
    }
    return true;
  }
  if (command == "on sheet") {
    const std::vector<ScriptStatement>* body = &statement.body;
    user.OnSheet([body](ScriptedUser& inner) { RunStatements(*body, inner); });
    return true;
  }
  if (command == "expect box") {
    int flags = 0;
    int answer = 0;
    if (!arguments[0].is_text || !arguments[1].is_text || !Id(arguments[2], flags) ||
        !Answer(arguments[3], answer)) {
      return bad("expect box \"text\" \"caption\" <flags> <answer>");
    }
    user.ExpectMessageBox(arguments[0].text, arguments[1].text, static_cast<UINT>(flags), answer);
    return true;
  }
  if (command == "pages") {
    user.ListPages();
    return true;
  }
  if (command == "page") {
    return arguments[0].is_text ? user.ActivatePage(arguments[0].text)
                                : bad("a page is named by its title in quotes");
  }
  if (command == "show") {
    user.Show();
    return true;
  }
  if (command == "paint") {
    return user.Paint();
  }
  if (command == "click") {
    return user.Click(id);
  }
  if (command == "check" || command == "uncheck") {
    return user.Check(id, command == "check");
  }
  if (command == "select") {
    int index = 0;
    if (arguments[1].is_text) {
      return user.SelectText(id, arguments[1].text);
    }
    return Id(arguments[1], index) ? user.SelectIndex(id, index)
                                   : bad("select <id> \"text\" or select <id> <index>");
  }
  if (command == "type" || command == "set") {
    if (!arguments[1].is_text) {
      return bad("the text must be in quotes");
    }
    return command == "type" ? user.Type(id, arguments[1].text) : user.Set(id, arguments[1].text);
  }
  if (command == "leave") {
    return user.Leave(id);
  }
  if (command == "step") {
    if (IsWord(arguments[1], "up")) {
      return user.Step(id, 1);
    }
    if (IsWord(arguments[1], "down")) {
      return user.Step(id, -1);
    }
    return bad("step <id> up|down");
  }
  if (command == "scroll") {
    WORD request = 0;
    int position = 0;
    if (!ScrollRequest(arguments[1], request) ||
        (arguments.size() == 3 && !Id(arguments[2], position))) {
      return bad("scroll <id> <request> [<position>]");
    }
    return user.Scroll(id, request, position);
  }
  if (command == "key") {
    UINT key = 0;
    return KeyCode(arguments[1], key) ? user.Key(id, key) : bad("unknown key");
  }
  if (command == "mouse move" || command == "mouse click" || command == "rightclick") {
    std::optional<POINT> point;
    if (!Point(statement, 1, point)) {
      return bad("a point is two numbers");
    }
    if (command == "mouse move") {
      return user.MouseMove(id, point);
    }
    return command == "mouse click" ? user.MouseClick(id, point) : user.RightClick(id, point);
  }
  if (command == "help") {
    return user.Help(id);
  }
  if (command == "ok") {
    return user.Ok();
  }
  if (command == "cancel") {
    return user.Cancel();
  }
  if (command == "apply") {
    return user.Apply();
  }
  if (command == "helpbutton") {
    return user.HelpButton();
  }
  return bad("unknown command");
}

bool RunStatements(const std::vector<ScriptStatement>& statements, ScriptedUser& user) {
  bool all = true;
  for (const ScriptStatement& statement : statements) {
    all = RunStatement(statement, user) && all;
  }
  user.SetErrorContext(std::string());
  return all;
}

}  // namespace

bool RunUserScript(const Script& script, ScriptedUser& user) {
  return RunStatements(script.statements, user);
}

}  // namespace vel::platform
