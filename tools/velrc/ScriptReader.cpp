// Reader of resource scripts: tokens, the small preprocessor, expressions and the statements.
#include "tools/velrc/ScriptReader.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>
#include <utility>

#include "tools/velrc/WindowStyles.h"

namespace vel::velrc {

std::string ScriptError::Format() const {
  return place.file + ":" + std::to_string(place.line) + ": " + message;
}

std::string ToUtf8(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

namespace {

constexpr int kMaxIncludeDepth = 16;
constexpr int kMaxMacroDepth = 32;
constexpr long kMaxExpandedTokens = 1000000;
constexpr int kMaxNesting = 32;  // menus and version blocks inside each other

// A fault while reading; caught at the top and turned into a ScriptError.
struct Fault {
  SourcePlace place;
  std::string message;
};

enum class TokenKind { kEnd, kIdent, kNumber, kString, kPunct };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // identifier, or the punctuation character
  std::int64_t number = 0;
  bool is_long = false;  // a number written with an L suffix
  std::u16string string;
  SourcePlace place;
  int depth = 0;  // macro expansions that produced it
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool DiskLoader(const std::string& path, std::string& contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  contents = buffer.str();
  return static_cast<bool>(in) || in.eof();
}

// One file being read, with the position of the next character.
struct Source {
  std::string name;
  std::string text;
  std::size_t pos = 0;
  int line = 1;
  bool at_line_start = true;
};

// A value of an expression: the number, the bits that NOT removed (so that a default style loses
// them), and whether an operand carried the L suffix.
struct Value {
  std::int64_t number = 0;
  std::uint32_t cleared = 0;
  bool is_long = false;
};

std::int64_t Wrap32(std::int64_t v) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

// Item classes written as atoms.
struct ClassAtom {
  const char* name;
  std::uint16_t atom;
};
constexpr ClassAtom kClassAtoms[] = {{"BUTTON", 0x80},  {"EDIT", 0x81},      {"STATIC", 0x82},
                                     {"LISTBOX", 0x83}, {"SCROLLBAR", 0x84}, {"COMBOBOX", 0x85}};

NameOrOrdinal Ordinal(std::uint16_t value) {
  NameOrOrdinal n;
  n.is_ordinal = true;
  n.ordinal = value;
  return n;
}

NameOrOrdinal Text(std::u16string text) {
  NameOrOrdinal n;
  n.text = std::move(text);
  return n;
}

std::u16string Widen(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

class Reader {
 public:
  Reader(const ReadOptions& options, ResourceScript& script) : options_(options), script_(script) {
    if (!options_.loader)
      options_.loader = DiskLoader;
  }

  void Run(const std::string& name, std::string text) {
    PushSource(name, std::move(text));
    for (;;) {
      Token token = Next();
      if (token.kind == TokenKind::kEnd)
        return;
      Statement(token);
    }
  }

 private:
  // ---- sources and characters ------------------------------------------------------------

  void PushSource(const std::string& name, std::string text) {
    Source source;
    source.name = name;
    source.text = std::move(text);
    sources_.push_back(std::move(source));
  }

  [[noreturn]] void FailAt(const SourcePlace& place, std::string message) {
    throw Fault{place, std::move(message)};
  }

  SourcePlace Here() const {
    if (sources_.empty())
      return last_place_;
    return SourcePlace{sources_.back().name, sources_.back().line};
  }

  // Finds a file named in the script: beside the file that names it, then in the include folders.
  bool Load(const std::string& name,
            const SourcePlace& from,
            std::string& path,
            std::string& contents) {
    std::vector<std::string> candidates;
    if (!name.empty() && name[0] == '/') {
      candidates.push_back(name);
    } else {
      candidates.push_back(DirectoryOf(from.file) + name);
      for (const std::string& dir : options_.include_dirs) {
        candidates.push_back(dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name);
      }
    }
    for (const std::string& candidate : candidates) {
      if (options_.loader(candidate, contents)) {
        path = candidate;
        return true;
      }
    }
    return false;
  }

  // ---- tokens ----------------------------------------------------------------------------

  // The next token of the sources, after directives and comments; no macro replacement.
  Token Lex(bool stop_at_newline = false) {
    while (!sources_.empty()) {
      Source& s = sources_.back();
      while (s.pos < s.text.size()) {
        char c = s.text[s.pos];
        if (c == '\n') {
          if (stop_at_newline)
            return Token{TokenKind::kEnd, {}, 0, false, {}, Here(), 0};
          ++s.line;
          ++s.pos;
          s.at_line_start = true;
          continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
          ++s.pos;
          continue;
        }
        if (c == '/' && s.pos + 1 < s.text.size() && s.text[s.pos + 1] == '/') {
          while (s.pos < s.text.size() && s.text[s.pos] != '\n')
            ++s.pos;
          continue;
        }
        if (c == '/' && s.pos + 1 < s.text.size() && s.text[s.pos + 1] == '*') {
          SourcePlace start = Here();
          s.pos += 2;
          for (;;) {
            if (s.pos + 1 >= s.text.size())
              FailAt(start, "unterminated comment");
            if (s.text[s.pos] == '*' && s.text[s.pos + 1] == '/')
              break;
            if (s.text[s.pos] == '\n') {
              if (stop_at_newline)
                FailAt(start, "comment runs past the end of the directive");
              ++s.line;
            }
            ++s.pos;
          }
          s.pos += 2;
          continue;
        }
        if (c == '#' && s.at_line_start && !stop_at_newline) {
          ++s.pos;
          Directive();
          break;  // the directive may have pushed or ended a source
        }
        s.at_line_start = false;
        return LexToken();
      }
      if (sources_.back().pos >= sources_.back().text.size()) {
        if (stop_at_newline)
          return Token{TokenKind::kEnd, {}, 0, false, {}, Here(), 0};
        last_place_ = Here();
        sources_.pop_back();
      }
    }
    return Token{TokenKind::kEnd, {}, 0, false, {}, last_place_, 0};
  }

  Token LexToken() {
    Source& s = sources_.back();
    Token token;
    token.place = Here();
    char c = s.text[s.pos];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      std::size_t start = s.pos;
      while (s.pos < s.text.size() &&
             (std::isalnum(static_cast<unsigned char>(s.text[s.pos])) || s.text[s.pos] == '_')) {
        ++s.pos;
      }
      token.kind = TokenKind::kIdent;
      token.text = s.text.substr(start, s.pos - start);
      return token;
    }
    if (std::isdigit(static_cast<unsigned char>(c)))
      return LexNumber(token);
    if (c == '"')
      return LexString(token);
    if (std::string_view(",|&+-~(){}").find(c) != std::string_view::npos) {
      ++s.pos;
      token.kind = TokenKind::kPunct;
      token.text = std::string(1, c);
      return token;
    }
    char shown[16];
    std::snprintf(shown, sizeof shown,
                  std::isprint(static_cast<unsigned char>(c)) ? "'%c'" : "0x%02X",
                  static_cast<unsigned char>(c));
    FailAt(token.place, std::string("unexpected character ") + shown);
  }

  Token LexNumber(Token& token) {
    Source& s = sources_.back();
    std::uint64_t value = 0;
    int base = 10;
    if (s.text[s.pos] == '0' && s.pos + 1 < s.text.size() &&
        (s.text[s.pos + 1] == 'x' || s.text[s.pos + 1] == 'X')) {
      base = 16;
      s.pos += 2;
    }
    std::size_t digits = 0;
    for (; s.pos < s.text.size(); ++s.pos) {
      char c = s.text[s.pos];
      int d;
      if (c >= '0' && c <= '9') {
        d = c - '0';
      } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
        d = std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
      } else {
        break;
      }
      if (base == 10 && d >= 10)
        break;
      value = value * base + d;
      if (value > 0xFFFFFFFFu)
        FailAt(token.place, "number too large");
      ++digits;
    }
    if (digits == 0)
      FailAt(token.place, "hexadecimal number without digits");
    while (s.pos < s.text.size()) {
      char c = s.text[s.pos];
      if (c == 'L' || c == 'l') {
        token.is_long = true;
      } else if (c != 'U' && c != 'u') {
        break;
      }
      ++s.pos;
    }
    if (s.pos < s.text.size() &&
        (std::isalnum(static_cast<unsigned char>(s.text[s.pos])) || s.text[s.pos] == '_')) {
      FailAt(token.place, "bad number");
    }
    token.kind = TokenKind::kNumber;
    token.number = static_cast<std::int64_t>(value);
    return token;
  }

  // A quoted string: UTF-8 text with the escapes \n \r \t \\ and "" for a quote; it must end on
  // its line.
  Token LexString(Token& token) {
    Source& s = sources_.back();
    ++s.pos;
    std::u16string out;
    for (;;) {
      if (s.pos >= s.text.size() || s.text[s.pos] == '\n') {
        FailAt(token.place, "unterminated string");
      }
      unsigned char c = static_cast<unsigned char>(s.text[s.pos]);
      if (c == '"') {
        if (s.pos + 1 < s.text.size() && s.text[s.pos + 1] == '"') {
          out += u'"';
          s.pos += 2;
          continue;
        }
        ++s.pos;
        break;
      }
      if (c == '\\') {
        if (s.pos + 1 >= s.text.size())
          FailAt(token.place, "unterminated string");
        char e = s.text[s.pos + 1];
        switch (e) {
          case 'n':
            out += u'\n';
            break;
          case 'r':
            out += u'\r';
            break;
          case 't':
            out += u'\t';
            break;
          case '\\':
            out += u'\\';
            break;
          default:
            FailAt(token.place, std::string("bad escape '\\") +
                                    (std::isprint(static_cast<unsigned char>(e)) ? std::string(1, e)
                                                                                 : std::string()) +
                                    "' in string");
        }
        s.pos += 2;
        continue;
      }
      if (c < 0x80) {
        if (c < 0x20 && c != '\t')
          FailAt(token.place, "control character in string");
        out += static_cast<char16_t>(c);
        ++s.pos;
        continue;
      }
      // UTF-8 sequence.
      int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
      if (extra < 0 || c >= 0xF8 || s.pos + extra >= s.text.size()) {
        FailAt(token.place, "string is not UTF-8");
      }
      std::uint32_t cp = c & (0x3F >> extra);
      for (int i = 1; i <= extra; ++i) {
        unsigned char t = static_cast<unsigned char>(s.text[s.pos + i]);
        if ((t & 0xC0) != 0x80)
          FailAt(token.place, "string is not UTF-8");
        cp = (cp << 6) | (t & 0x3F);
      }
      static constexpr std::uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
      if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
        FailAt(token.place, "string is not UTF-8");
      }
      if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
      } else {
        out += static_cast<char16_t>(cp);
      }
      s.pos += extra + 1;
    }
    token.kind = TokenKind::kString;
    token.string = std::move(out);
    return token;
  }

  // ---- preprocessor ----------------------------------------------------------------------

  void SkipRestOfLine() {
    Source& s = sources_.back();
    while (s.pos < s.text.size() && s.text[s.pos] != '\n')
      ++s.pos;
  }

  void Directive() {
    SourcePlace place = Here();
    Token word = Lex(true);
    if (word.kind != TokenKind::kIdent)
      FailAt(place, "bad preprocessor directive");
    if (word.text == "include") {
      Token name = Lex(true);
      if (name.kind != TokenKind::kString)
        FailAt(place, "#include needs a quoted file name");
      ExpectEndOfDirective(place);
      if (static_cast<int>(sources_.size()) >= kMaxIncludeDepth) {
        FailAt(place, "includes nested too deeply");
      }
      std::string path, contents;
      std::string file = ToUtf8(name.string);
      if (!Load(file, place, path, contents))
        FailAt(place, "cannot open include file '" + file + "'");
      PushSource(path, std::move(contents));
      return;
    }
    if (word.text == "define") {
      Token name = Lex(true);
      if (name.kind != TokenKind::kIdent)
        FailAt(place, "#define needs a name");
      Source& s = sources_.back();
      if (s.pos < s.text.size() && s.text[s.pos] == '(') {
        FailAt(place, "macros with parameters are not supported");
      }
      std::vector<Token> body;
      for (;;) {
        Token t = Lex(true);
        if (t.kind == TokenKind::kEnd)
          break;
        body.push_back(std::move(t));
      }
      macros_[name.text] = std::move(body);
      return;
    }
    if (word.text == "undef") {
      Token name = Lex(true);
      if (name.kind != TokenKind::kIdent)
        FailAt(place, "#undef needs a name");
      ExpectEndOfDirective(place);
      macros_.erase(name.text);
      return;
    }
    if (word.text == "pragma") {
      SkipRestOfLine();
      return;
    }
    FailAt(place, "unsupported directive #" + word.text);
  }

  void ExpectEndOfDirective(const SourcePlace& place) {
    if (Lex(true).kind != TokenKind::kEnd)
      FailAt(place, "extra text after directive");
  }

  // The next token after macro replacement.
  Token Next() {
    for (;;) {
      Token token;
      if (!pending_.empty()) {
        token = std::move(pending_.front());
        pending_.pop_front();
      } else {
        token = Lex();
      }
      if (token.kind != TokenKind::kIdent)
        return token;
      auto macro = macros_.find(token.text);
      if (macro == macros_.end())
        return token;
      if (token.depth >= kMaxMacroDepth)
        FailAt(token.place, "macros nested too deeply");
      expanded_ += static_cast<long>(macro->second.size());
      if (expanded_ > kMaxExpandedTokens)
        FailAt(token.place, "macro expansion too large");
      for (auto it = macro->second.rbegin(); it != macro->second.rend(); ++it) {
        Token copy = *it;
        copy.place = token.place;
        copy.depth = token.depth + 1;
        pending_.push_front(std::move(copy));
      }
    }
  }

  Token Peek() {
    Token token = Next();
    pending_.push_front(token);
    return token;
  }

  bool IsPunct(const Token& t, char c) const {
    return t.kind == TokenKind::kPunct && t.text.size() == 1 && t.text[0] == c;
  }

  bool IsWord(const Token& t, std::string_view word) const {
    return t.kind == TokenKind::kIdent && EqualsIgnoringCase(t.text, word);
  }

  bool IsBegin(const Token& t) const { return IsWord(t, "BEGIN") || IsPunct(t, '{'); }
  bool IsEnd(const Token& t) const { return IsWord(t, "END") || IsPunct(t, '}'); }

  std::string Describe(const Token& t) const {
    switch (t.kind) {
      case TokenKind::kEnd:
        return "end of file";
      case TokenKind::kIdent:
        return "'" + t.text + "'";
      case TokenKind::kNumber:
        return "number " + std::to_string(t.number);
      case TokenKind::kString:
        return "string \"" + ToUtf8(t.string) + "\"";
      case TokenKind::kPunct:
        return "'" + t.text + "'";
    }
    return "?";
  }

  [[noreturn]] void Expected(const Token& t, std::string_view what) {
    FailAt(t.place, "expected " + std::string(what) + ", found " + Describe(t));
  }

  void ExpectComma() {
    Token t = Next();
    if (!IsPunct(t, ','))
      Expected(t, "','");
  }

  bool SkipComma() {
    if (IsPunct(Peek(), ',')) {
      Next();
      return true;
    }
    return false;
  }

  void ExpectBegin() {
    Token t = Next();
    if (!IsBegin(t))
      Expected(t, "BEGIN");
  }

  std::u16string ExpectString() {
    Token t = Next();
    if (t.kind != TokenKind::kString)
      Expected(t, "a quoted string");
    return t.string;
  }

  // ---- expressions -----------------------------------------------------------------------

  bool StartsExpression(const Token& t) const {
    return t.kind == TokenKind::kNumber || t.kind == TokenKind::kIdent || IsPunct(t, '(') ||
           IsPunct(t, '-') || IsPunct(t, '~');
  }

  Value Primary(int depth) {
    if (depth > kMaxNesting)
      FailAt(Here(), "expression nested too deeply");
    Token t = Next();
    if (t.kind == TokenKind::kNumber)
      return Value{t.number, 0, t.is_long};
    if (IsPunct(t, '(')) {
      Value v = Expression(depth + 1);
      Token close = Next();
      if (!IsPunct(close, ')'))
        Expected(close, "')'");
      return v;
    }
    if (IsPunct(t, '-')) {
      Value v = Primary(depth + 1);
      v.number = Wrap32(-v.number);
      return v;
    }
    if (IsPunct(t, '~')) {
      Value v = Primary(depth + 1);
      v.number = Wrap32(~v.number);
      return v;
    }
    if (IsWord(t, "NOT")) {
      Value v = Primary(depth + 1);
      return Value{0, static_cast<std::uint32_t>(v.number), v.is_long};
    }
    if (t.kind == TokenKind::kIdent) {
      std::uint32_t value;
      if (FindWindowConstant(t.text, value))
        return Value{Wrap32(value), 0, false};
      FailAt(t.place, "undefined name '" + t.text + "'");
    }
    Expected(t, "a number");
  }

  Value Expression(int depth = 0) {
    Value acc = Primary(depth);
    for (;;) {
      Token t = Peek();
      if (t.kind != TokenKind::kPunct || t.text.find_first_of("|&+-") == std::string::npos) {
        return acc;
      }
      Next();
      Value rhs = Primary(depth);
      switch (t.text[0]) {
        case '|':
          acc.number = Wrap32(acc.number | rhs.number);
          break;
        case '&':
          acc.number = Wrap32(acc.number & rhs.number);
          break;
        case '+':
          acc.number = Wrap32(acc.number + rhs.number);
          break;
        case '-':
          acc.number = Wrap32(acc.number - rhs.number);
          break;
      }
      // NOT clears bits in what came before; a later plain operand sets them again.
      acc.number = Wrap32(acc.number & ~static_cast<std::int64_t>(rhs.cleared));
      acc.cleared = (acc.cleared & ~static_cast<std::uint32_t>(rhs.number)) | rhs.cleared;
      acc.is_long = acc.is_long || rhs.is_long;
    }
  }

  // A style expression applied to a default: the default, the bits named, less those after NOT.
  std::uint32_t Style(std::uint32_t default_style) {
    Value v = Expression();
    return (default_style | static_cast<std::uint32_t>(v.number)) & ~v.cleared;
  }

  std::uint32_t Number32() { return static_cast<std::uint32_t>(Expression().number); }

  std::int16_t Coordinate() {
    SourcePlace place = Peek().place;
    std::int64_t v = Expression().number;
    if (v < -32768 || v > 32767)
      FailAt(place, "value " + std::to_string(v) + " out of range");
    return static_cast<std::int16_t>(v);
  }

  // A 16-bit id; -1 (and other negatives) are the unsigned word of the same bits.
  std::uint16_t Word(std::string_view what) {
    SourcePlace place = Peek().place;
    std::int64_t v = Expression().number;
    if (v < -32768 || v > 65535) {
      FailAt(place, std::string(what) + " " + std::to_string(v) + " out of range");
    }
    return static_cast<std::uint16_t>(v);
  }

  // ---- statements ------------------------------------------------------------------------

  // A resource's name: a number (or a name defined as one), else the identifier or string itself,
  // in capitals.
  NameOrOrdinal ResourceName(const Token& first) {
    if (first.kind == TokenKind::kString)
      return NameFromText(first.string, first.place);
    if (first.kind == TokenKind::kIdent && !IsWord(first, "NOT")) {
      std::uint32_t ignored;
      if (!FindWindowConstant(first.text, ignored)) {
        std::string upper;
        for (char c : first.text)
          upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return Text(Widen(upper));
      }
    }
    pending_.push_front(first);
    std::uint16_t id = Word("resource id");
    if (id == 0)
      FailAt(first.place, "resource id 0");
    return Ordinal(id);
  }

  NameOrOrdinal NameFromText(const std::u16string& text, const SourcePlace& place) {
    if (text.empty())
      FailAt(place, "empty resource name");
    std::u16string upper;
    for (char16_t c : text)
      upper += (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    return Text(std::move(upper));
  }

  void SkipMemoryOptions() {
    static constexpr const char* kOptions[] = {"DISCARDABLE", "MOVEABLE", "FIXED",     "PURE",
                                               "IMPURE",      "PRELOAD",  "LOADONCALL"};
    for (;;) {
      Token t = Peek();
      bool option = false;
      for (const char* o : kOptions)
        option = option || IsWord(t, o);
      if (!option)
        return;
      Next();
    }
  }

  void Statement(const Token& first) {
    if (IsWord(first, "LANGUAGE")) {
      language_ = Language();
      return;
    }
    if (IsWord(first, "STRINGTABLE")) {
      StringTable(first.place);
      return;
    }
    if (first.kind == TokenKind::kPunct && !IsPunct(first, '(') && !IsPunct(first, '-')) {
      FailAt(first.place, "unexpected " + Describe(first));
    }
    bool named_by_word = first.kind == TokenKind::kIdent;
    NameOrOrdinal name = ResourceName(first);
    Token type = Next();
    if (IsWord(type, "DIALOG"))
      return DialogStatement(first.place, std::move(name));
    if (IsWord(type, "BITMAP"))
      return Picture(first.place, std::move(name), kTypeBitmap);
    if (IsWord(type, "CURSOR"))
      return Picture(first.place, std::move(name), kTypeCursor);
    if (IsWord(type, "ICON"))
      return Picture(first.place, std::move(name), kTypeIcon);
    if (IsWord(type, "MENU"))
      return MenuStatement(first.place, std::move(name));
    if (IsWord(type, "VERSIONINFO"))
      return VersionStatement(first.place, std::move(name));
    if (named_by_word)
      FailAt(first.place, "unknown statement '" + first.text + "'");
    FailAt(type.place, "unknown resource type " + Describe(type));
  }

  std::uint16_t Language() {
    std::uint16_t primary = Word("language");
    ExpectComma();
    std::uint16_t sub = Word("sublanguage");
    if (primary > 0x3FF || sub > 0x3F)
      FailAt(Here(), "language out of range");
    return static_cast<std::uint16_t>((sub << 10) | primary);
  }

  void CheckUnique(ResourceType type,
                   const NameOrOrdinal& name,
                   std::uint16_t language,
                   const SourcePlace& place) {
    auto key =
        std::make_tuple(static_cast<int>(type), name.is_ordinal, name.ordinal, name.text, language);
    if (!names_.insert(key).second) {
      std::string shown =
          name.is_ordinal ? std::to_string(name.ordinal) : "'" + ToUtf8(name.text) + "'";
      FailAt(place, "duplicate " + std::string(TypeWord(type)) + " id " + shown);
    }
  }

  static const char* TypeWord(ResourceType type) {
    switch (type) {
      case kTypeDialog:
        return "DIALOG";
      case kTypeBitmap:
        return "BITMAP";
      case kTypeCursor:
        return "CURSOR";
      case kTypeIcon:
        return "ICON";
      case kTypeMenu:
        return "MENU";
      case kTypeVersion:
        return "VERSIONINFO";
      default:
        return "resource";
    }
  }

  void StringTable(const SourcePlace& place) {
    SkipMemoryOptions();
    std::uint16_t language = language_;
    if (IsWord(Peek(), "LANGUAGE")) {
      Next();
      language = Language();
    }
    ExpectBegin();
    for (;;) {
      Token t = Peek();
      if (IsEnd(t)) {
        Next();
        return;
      }
      if (t.kind == TokenKind::kEnd)
        FailAt(place, "STRINGTABLE without END");
      StringEntry entry;
      entry.place = t.place;
      entry.language = language;
      entry.id = Word("string id");
      SkipComma();
      entry.text = ExpectString();
      if (entry.text.size() > 0xFFFF)
        FailAt(entry.place, "string too long");
      if (!string_ids_.insert({language, entry.id}).second) {
        FailAt(entry.place, "duplicate string id " + std::to_string(entry.id));
      }
      script_.strings.push_back(std::move(entry));
    }
  }

  void Picture(const SourcePlace& place, NameOrOrdinal name, ResourceType type) {
    SkipMemoryOptions();
    PictureResource picture;
    picture.place = place;
    picture.type = type;
    picture.name = std::move(name);
    picture.language = language_;
    Token file = Next();
    if (file.kind != TokenKind::kString)
      Expected(file, "a quoted file name");
    std::string file_name = ToUtf8(file.string);
    std::string contents;
    if (!Load(file_name, place, picture.path, contents)) {
      FailAt(place, "cannot open '" + file_name + "'");
    }
    picture.bytes.assign(contents.begin(), contents.end());
    CheckUnique(type, picture.name, picture.language, place);
    script_.pictures.push_back(std::move(picture));
  }

  // ---- dialogs ---------------------------------------------------------------------------

  void DialogStatement(const SourcePlace& place, NameOrOrdinal name) {
    SkipMemoryOptions();
    Dialog dialog;
    dialog.place = place;
    dialog.name = std::move(name);
    dialog.language = language_;
    dialog.x = Coordinate();
    ExpectComma();
    dialog.y = Coordinate();
    ExpectComma();
    dialog.cx = Coordinate();
    ExpectComma();
    dialog.cy = Coordinate();
    bool has_style = false, has_caption = false;
    std::uint32_t style = 0;
    for (;;) {
      Token t = Next();
      if (IsBegin(t))
        break;
      if (IsWord(t, "STYLE")) {
        style = Style(0);
        has_style = true;
      } else if (IsWord(t, "EXSTYLE")) {
        dialog.ex_style = Number32();
      } else if (IsWord(t, "CAPTION")) {
        dialog.caption = ExpectString();
        has_caption = true;
      } else if (IsWord(t, "FONT")) {
        dialog.has_font = true;
        dialog.point_size = Word("point size");
        ExpectComma();
        dialog.face = ExpectString();
      } else if (IsWord(t, "LANGUAGE")) {
        dialog.language = Language();
      } else if (t.kind == TokenKind::kIdent) {
        FailAt(t.place, "unknown statement '" + t.text + "' in DIALOG");
      } else {
        Expected(t, "BEGIN");
      }
    }
    if (!has_style)
      style = kWsPopup | kWsBorder | kWsSysMenu;
    if (has_caption)
      style |= kWsCaption;
    if (dialog.has_font)
      style |= kDsSetFont;
    dialog.style = style;
    for (;;) {
      Token t = Next();
      if (IsEnd(t))
        break;
      if (t.kind == TokenKind::kEnd)
        FailAt(place, "DIALOG without END");
      dialog.items.push_back(Item(t));
    }
    if (dialog.items.size() > 0xFFFF)
      FailAt(place, "too many dialog items");
    CheckUnique(kTypeDialog, dialog.name, dialog.language, place);
    script_.dialogs.push_back(std::move(dialog));
  }

  struct ItemKind {
    const char* word;
    std::uint16_t atom;
    std::uint32_t style;  // beside WS_CHILD | WS_VISIBLE
    bool has_text;
  };

  DialogItem Item(const Token& word) {
    static constexpr ItemKind kKinds[] = {
        {"PUSHBUTTON", 0x80, kBsPushButton | kWsTabStop, true},
        {"DEFPUSHBUTTON", 0x80, kBsDefPushButton | kWsTabStop, true},
        {"CHECKBOX", 0x80, kBsCheckBox | kWsTabStop, true},
        {"AUTOCHECKBOX", 0x80, kBsAutoCheckBox | kWsTabStop, true},
        {"RADIOBUTTON", 0x80, kBsRadioButton, true},
        {"AUTORADIOBUTTON", 0x80, kBsAutoRadioButton, true},
        {"GROUPBOX", 0x80, kBsGroupBox, true},
        {"LTEXT", 0x82, kSsLeft | kWsGroup, true},
        {"CTEXT", 0x82, kSsCenter | kWsGroup, true},
        {"RTEXT", 0x82, kSsRight | kWsGroup, true},
        {"EDITTEXT", 0x81, kEsLeft | kWsBorder | kWsTabStop, false},
        {"COMBOBOX", 0x85, kCbsSimple | kWsTabStop, false},
        {"LISTBOX", 0x83, kLbsNotify | kWsBorder, false},
        {"SCROLLBAR", 0x84, kSbsHorz, false},
    };
    DialogItem item;
    item.place = word.place;
    if (IsWord(word, "CONTROL"))
      return Control(item);
    if (IsWord(word, "ICON"))
      return IconItem(item);
    for (const ItemKind& kind : kKinds) {
      if (!IsWord(word, kind.word))
        continue;
      item.window_class = Ordinal(kind.atom);
      if (kind.has_text) {
        item.title = TitleText();
        ExpectComma();
      } else {
        item.title = Text({});
      }
      item.id = Word("control id");
      ExpectComma();
      Placement(item);
      item.style = kWsChild | kWsVisible | kind.style;
      if (SkipComma()) {
        item.style = Style(item.style);
        if (SkipComma())
          item.ex_style = Number32();
      }
      return item;
    }
    if (word.kind == TokenKind::kIdent) {
      FailAt(word.place, "unknown statement '" + word.text + "' in DIALOG");
    }
    Expected(word, "a control statement");
  }

  // An item's text: a string, or a number naming an icon or bitmap resource.
  NameOrOrdinal TitleText() {
    Token t = Peek();
    if (t.kind == TokenKind::kString)
      return Text(ExpectString());
    return Ordinal(Word("resource id"));
  }

  void Placement(DialogItem& item) {
    item.x = Coordinate();
    ExpectComma();
    item.y = Coordinate();
    ExpectComma();
    item.cx = Coordinate();
    ExpectComma();
    item.cy = Coordinate();
  }

  // CONTROL text, id, class, style, x, y, cx, cy [, extended style]
  DialogItem Control(DialogItem& item) {
    item.title = TitleText();
    ExpectComma();
    item.id = Word("control id");
    ExpectComma();
    Token cls = Next();
    std::u16string class_name;
    if (cls.kind == TokenKind::kString) {
      class_name = cls.string;
    } else if (cls.kind == TokenKind::kIdent) {
      class_name = Widen(cls.text);
    } else {
      Expected(cls, "a window class");
    }
    if (class_name.empty())
      FailAt(cls.place, "empty window class");
    item.window_class = Text(class_name);
    std::string narrow = ToUtf8(class_name);
    for (const ClassAtom& atom : kClassAtoms) {
      if (EqualsIgnoringCase(narrow, atom.name))
        item.window_class = Ordinal(atom.atom);
    }
    ExpectComma();
    item.style = Style(kWsChild | kWsVisible);
    ExpectComma();
    Placement(item);
    if (SkipComma())
      item.ex_style = Number32();
    return item;
  }

  // ICON icon, id, x, y [, cx, cy [, style [, extended style]]]: a static item showing an icon.
  DialogItem IconItem(DialogItem& item) {
    item.window_class = Ordinal(0x82);
    item.title = TitleText();
    ExpectComma();
    item.id = Word("control id");
    ExpectComma();
    item.x = Coordinate();
    ExpectComma();
    item.y = Coordinate();
    item.style = kWsChild | kWsVisible | kSsIcon;
    if (SkipComma()) {
      item.cx = Coordinate();
      ExpectComma();
      item.cy = Coordinate();
      if (SkipComma()) {
        item.style = Style(item.style);
        if (SkipComma())
          item.ex_style = Number32();
      }
    }
    return item;
  }

  // ---- menus -----------------------------------------------------------------------------

  void MenuStatement(const SourcePlace& place, NameOrOrdinal name) {
    SkipMemoryOptions();
    Menu menu;
    menu.place = place;
    menu.name = std::move(name);
    menu.language = language_;
    if (IsWord(Peek(), "LANGUAGE")) {
      Next();
      menu.language = Language();
    }
    ExpectBegin();
    MenuEntries(menu.entries, place, 0);
    if (menu.entries.empty())
      FailAt(place, "empty MENU");
    CheckUnique(kTypeMenu, menu.name, menu.language, place);
    script_.menus.push_back(std::move(menu));
  }

  void MenuEntries(std::vector<MenuEntry>& entries, const SourcePlace& place, int depth) {
    if (depth > kMaxNesting)
      FailAt(place, "menus nested too deeply");
    for (;;) {
      Token t = Next();
      if (IsEnd(t))
        return;
      if (t.kind == TokenKind::kEnd)
        FailAt(place, "MENU without END");
      MenuEntry entry;
      if (IsWord(t, "MENUITEM")) {
        if (IsWord(Peek(), "SEPARATOR")) {
          Next();
        } else {
          entry.text = ExpectString();
          ExpectComma();
          entry.id = Word("menu id");
          entry.flags = MenuOptions();
        }
      } else if (IsWord(t, "POPUP")) {
        entry.popup = true;
        entry.text = ExpectString();
        entry.flags = MenuOptions();
        ExpectBegin();
        MenuEntries(entry.children, t.place, depth + 1);
        if (entry.children.empty())
          FailAt(t.place, "empty POPUP");
      } else if (t.kind == TokenKind::kIdent) {
        FailAt(t.place, "unknown statement '" + t.text + "' in MENU");
      } else {
        Expected(t, "MENUITEM or POPUP");
      }
      entries.push_back(std::move(entry));
    }
  }

  std::uint16_t MenuOptions() {
    static constexpr std::pair<const char*, std::uint16_t> kOptions[] = {
        {"GRAYED", 0x01},       {"INACTIVE", 0x04},  {"CHECKED", 0x08},
        {"MENUBARBREAK", 0x20}, {"MENUBREAK", 0x40}, {"HELP", 0x4000}};
    std::uint16_t flags = 0;
    for (;;) {
      Token t = Peek();
      bool comma = IsPunct(t, ',');
      if (comma) {
        Next();
        t = Peek();
      }
      bool found = false;
      for (const auto& option : kOptions) {
        if (IsWord(t, option.first)) {
          flags |= option.second;
          found = true;
        }
      }
      if (!found) {
        if (comma)
          Expected(t, "a menu option");
        return flags;
      }
      Next();
    }
  }

  // ---- version blocks --------------------------------------------------------------------

  void VersionStatement(const SourcePlace& place, NameOrOrdinal name) {
    VersionInfo info;
    info.place = place;
    info.name = std::move(name);
    info.language = language_;
    for (;;) {
      Token t = Next();
      if (IsBegin(t))
        break;
      if (IsWord(t, "FILEVERSION")) {
        VersionQuad(info.file_version_ms, info.file_version_ls);
      } else if (IsWord(t, "PRODUCTVERSION")) {
        VersionQuad(info.product_version_ms, info.product_version_ls);
      } else if (IsWord(t, "FILEFLAGSMASK")) {
        info.file_flags_mask = Number32();
      } else if (IsWord(t, "FILEFLAGS")) {
        info.file_flags = Number32();
      } else if (IsWord(t, "FILEOS")) {
        info.file_os = Number32();
      } else if (IsWord(t, "FILETYPE")) {
        info.file_type = Number32();
      } else if (IsWord(t, "FILESUBTYPE")) {
        info.file_subtype = Number32();
      } else if (t.kind == TokenKind::kIdent) {
        FailAt(t.place, "unknown statement '" + t.text + "' in VERSIONINFO");
      } else {
        Expected(t, "BEGIN");
      }
    }
    VersionChildren(info.children, place, 0);
    CheckUnique(kTypeVersion, info.name, info.language, place);
    script_.versions.push_back(std::move(info));
  }

  void VersionQuad(std::uint32_t& ms, std::uint32_t& ls) {
    std::uint16_t parts[4] = {};
    for (int i = 0; i < 4; ++i) {
      if (i > 0 && !SkipComma())
        break;
      parts[i] = Word("version part");
    }
    ms = (static_cast<std::uint32_t>(parts[0]) << 16) | parts[1];
    ls = (static_cast<std::uint32_t>(parts[2]) << 16) | parts[3];
  }

  void VersionChildren(std::vector<VersionNode>& children, const SourcePlace& place, int depth) {
    if (depth > kMaxNesting)
      FailAt(place, "version blocks nested too deeply");
    for (;;) {
      Token t = Next();
      if (IsEnd(t))
        return;
      if (t.kind == TokenKind::kEnd)
        FailAt(place, "VERSIONINFO without END");
      VersionNode node;
      if (IsWord(t, "BLOCK")) {
        node.is_block = true;
        node.key = ExpectString();
        ExpectBegin();
        VersionChildren(node.children, t.place, depth + 1);
      } else if (IsWord(t, "VALUE")) {
        node.key = ExpectString();
        VersionValues(node, t.place);
      } else if (t.kind == TokenKind::kIdent) {
        FailAt(t.place, "unknown statement '" + t.text + "' in VERSIONINFO");
      } else {
        Expected(t, "BLOCK or VALUE");
      }
      children.push_back(std::move(node));
    }
  }

  // VALUE "key", "text" or VALUE "key", number, ...: numbers are words, or double words when
  // written with L.
  void VersionValues(VersionNode& node, const SourcePlace& place) {
    while (SkipComma()) {
      Token t = Peek();
      if (t.kind == TokenKind::kString) {
        if (!node.binary.empty())
          FailAt(t.place, "text and numbers mixed in one VALUE");
        node.is_text = true;
        node.text += ExpectString();
        if (node.text.size() > 0x4000) FailAt(place, "VALUE too long");
        continue;
      }
      if (node.is_text)
        FailAt(t.place, "text and numbers mixed in one VALUE");
      Value v = Expression();
      auto n = static_cast<std::uint32_t>(v.number);
      node.binary.push_back(static_cast<std::uint8_t>(n));
      node.binary.push_back(static_cast<std::uint8_t>(n >> 8));
      if (v.is_long) {
        node.binary.push_back(static_cast<std::uint8_t>(n >> 16));
        node.binary.push_back(static_cast<std::uint8_t>(n >> 24));
      }
      if (node.binary.size() > 0x8000)
        FailAt(place, "VALUE too long");
    }
  }

  ReadOptions options_;
  ResourceScript& script_;
  std::vector<Source> sources_;
  std::deque<Token> pending_;
  std::map<std::string, std::vector<Token>> macros_;
  long expanded_ = 0;
  SourcePlace last_place_;
  std::uint16_t language_ = 0;  // neutral until a LANGUAGE statement
  std::set<std::tuple<int, bool, std::uint16_t, std::u16string, std::uint16_t>> names_;
  std::set<std::pair<std::uint16_t, std::uint16_t>> string_ids_;
};

}  // namespace

bool ReadScriptText(const std::string& name,
                    std::string_view text,
                    const ReadOptions& options,
                    ResourceScript& script,
                    ScriptError& error) {
  try {
    Reader reader(options, script);
    reader.Run(name, std::string(text));
    return true;
  } catch (const Fault& fault) {
    error.place = fault.place;
    error.message = fault.message;
    return false;
  }
}

bool ReadScript(const std::string& path,
                const ReadOptions& options,
                ResourceScript& script,
                ScriptError& error) {
  std::string contents;
  FileLoader loader = options.loader ? options.loader : FileLoader(DiskLoader);
  if (!loader(path, contents)) {
    error.place = SourcePlace{path, 0};
    error.message = "cannot open script";
    return false;
  }
  return ReadScriptText(path, contents, options, script, error);
}

}  // namespace vel::velrc
