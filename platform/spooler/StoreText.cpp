// The printer store's files in the state folder: a line-oriented text format of our own.
//
// printers.txt                              forms.txt
//   vel-printers 1                            vel-forms 1
//   printer <name>                            form <name> <flags> <cx> <cy> <l> <t> <r> <b>
//   driver <name>                             ...
//   port <name>
//   server <name>
//   attributes <decimal>
//   driverpath <name>
//   datafile <name>
//   configfile <name>
//   devmode <size> <bytes>
//   value <name> <type> <size> <bytes>
//   ... more value lines
//   end
//   ... more printer blocks
//
// A <name> is the string's UTF-16LE bytes in lower-case hexadecimal, "-" when empty; <bytes> is
// hexadecimal too ("-" for none) and <size> its byte count in decimal; numbers are unsigned
// decimal (form sizes and areas signed). Fields are separated by one space. forms.txt holds only
// the added forms (flags 0 or 2), in their order; the built-in forms are not stored.
//
// The files are untrusted: a line that is damaged (unknown keyword, bad hex, a size that does not
// match its bytes or exceeds the limits, a DEVMODE whose dmSize + dmDriverExtra is not its length,
// a field outside a printer block) is skipped and reported,
// and everything sound around it is loaded. A block cut off before its "end" keeps what it read.
#include <charconv>
#include <string_view>

#include "platform/WideText.h"
#include "platform/spooler/BuiltinForms.h"
#include "platform/spooler/StoreState.h"

namespace vel::platform::spooler::detail {
namespace {

constexpr std::size_t kMaxNameUnits = 32767;
constexpr std::size_t kMaxDevModeBytes = 2 * 65535;
constexpr std::size_t kMaxValueBytes = 16 * 1024 * 1024;

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHex(std::string& out, const BYTE* bytes, std::size_t size) {
  if (size == 0) {
    out += '-';
    return;
  }
  std::size_t at = out.size();
  out.resize(at + size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    out[at + 2 * i] = kHexDigits[bytes[i] >> 4];
    out[at + 2 * i + 1] = kHexDigits[bytes[i] & 0xF];
  }
}

// A space and the number in decimal.
template <typename Number>
void AppendNumber(std::string& out, Number number) {
  out += ' ';
  out += std::to_string(number);
}

void AppendName(std::string& out, const std::u16string& text) {
  std::vector<BYTE> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<BYTE>(c & 0xFF));
    bytes.push_back(static_cast<BYTE>(c >> 8));
  }
  AppendHex(out, bytes.data(), bytes.size());
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

bool ParseHex(std::string_view field, std::size_t limit, std::vector<BYTE>& out) {
  out.clear();
  if (field == "-") {
    return true;
  }
  if (field.empty() || field.size() % 2 != 0 || field.size() / 2 > limit) {
    return false;
  }
  out.resize(field.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) {
    int high = HexValue(field[2 * i]);
    int low = HexValue(field[2 * i + 1]);
    if (high < 0 || low < 0) {
      return false;
    }
    out[i] = static_cast<BYTE>(high << 4 | low);
  }
  return true;
}

bool ParseName(std::string_view field, std::u16string& out) {
  std::vector<BYTE> bytes;
  if (!ParseHex(field, kMaxNameUnits * 2, bytes) || bytes.size() % 2 != 0) {
    return false;
  }
  out.resize(bytes.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  }
  return true;
}

template <typename T>
bool ParseNumber(std::string_view field, T& out) {
  if (field.empty() || field[0] == '+') {
    return false;
  }
  auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), out);
  return error == std::errc() && end == field.data() + field.size();
}

// A size field followed by its bytes: both must agree.
bool ParseSizedBytes(std::string_view size_field, std::string_view bytes_field, std::size_t limit,
                     std::vector<BYTE>& out) {
  std::uint64_t size = 0;
  if (!ParseNumber(size_field, size) || size > limit) {
    return false;
  }
  return ParseHex(bytes_field, limit, out) && out.size() == size;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start <= line.size()) {
    std::size_t end = line.find(' ', start);
    if (end == std::string_view::npos) {
      end = line.size();
    }
    fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

// Calls `visit(line_number, line)` for each line, without its end (a CR before LF is dropped).
// Every line is written with its end, so a last line without one was cut off: it is reported
// and skipped.
template <typename Visit>
void ForEachLine(const std::string& text, const char* file, LoadReport& report, Visit visit) {
  std::size_t start = 0;
  int number = 1;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      report.problems.push_back(std::string(file) + " line " + std::to_string(number) +
                                ": cut off");
      return;
    }
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    visit(number, line);
    start = end + 1;
    ++number;
  }
}

void Problem(LoadReport& report, const char* file, int line, const std::string& what) {
  report.problems.push_back(std::string(file) + " line " + std::to_string(line) + ": " + what);
}

bool IsBuiltinName(std::u16string_view name) {
  const BuiltinForm* forms = BuiltinForms();
  for (int i = 0; i < kBuiltinFormCount; ++i) {
    if (EqualsIgnoringCase(forms[i].name, name)) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string PrintersText(const State& state) {
  std::string out = "vel-printers 1\n";
  for (const auto& [key, printer] : state.printers) {
    const PrinterRecord& record = printer.record;
    const std::pair<const char*, const std::u16string*> names[] = {
        {"driver", &record.driver_name}, {"port", &record.port_name},
        {"server", &record.server_name}};
    out += "printer ";
    AppendName(out, record.name);
    out += '\n';
    for (const auto& [keyword, text] : names) {
      out += keyword;
      out += ' ';
      AppendName(out, *text);
      out += '\n';
    }
    out += "attributes " + std::to_string(record.attributes) + "\n";
    const std::pair<const char*, const std::u16string*> paths[] = {
        {"driverpath", &record.driver_path}, {"datafile", &record.data_file},
        {"configfile", &record.config_file}};
    for (const auto& [keyword, text] : paths) {
      out += keyword;
      out += ' ';
      AppendName(out, *text);
      out += '\n';
    }
    out += "devmode " + std::to_string(record.devmode.size()) + " ";
    AppendHex(out, record.devmode.data(), record.devmode.size());
    out += '\n';
    for (const auto& [value_key, value] : printer.values) {
      out += "value ";
      AppendName(out, value.name);
      AppendNumber(out, value.type);
      AppendNumber(out, value.bytes.size());
      out += ' ';
      AppendHex(out, value.bytes.data(), value.bytes.size());
      out += '\n';
    }
    out += "end\n";
  }
  return out;
}

std::string FormsText(const State& state) {
  std::string out = "vel-forms 1\n";
  for (const FormRecord& form : state.added_forms) {
    out += "form ";
    AppendName(out, form.name);
    for (long long number : {static_cast<long long>(form.flags), static_cast<long long>(form.size.cx),
                             static_cast<long long>(form.size.cy),
                             static_cast<long long>(form.imageable_area.left),
                             static_cast<long long>(form.imageable_area.top),
                             static_cast<long long>(form.imageable_area.right),
                             static_cast<long long>(form.imageable_area.bottom)}) {
      AppendNumber(out, number);
    }
    out += '\n';
  }
  return out;
}

void ParsePrinters(const std::string& text, State& state, LoadReport& report) {
  static constexpr char kFile[] = "printers.txt";
  Printer* current = nullptr;   // the block being read, already in the store
  bool skipping = false;        // inside a block whose printer line was refused
  ForEachLine(text, kFile, report, [&](int number, std::string_view line) {
    if (number == 1) {
      if (line != "vel-printers 1") {
        Problem(report, kFile, number, "unknown header");
      } else {
        return;
      }
    }
    if (line.empty()) {
      return;
    }
    std::vector<std::string_view> fields = Fields(line);
    std::string_view keyword = fields[0];
    if (keyword == "printer") {
      if (current != nullptr) {
        Problem(report, kFile, number, "printer block without end");
      }
      current = nullptr;
      skipping = true;
      std::u16string name;
      if (fields.size() != 2 || !ParseName(fields[1], name) || name.empty()) {
        Problem(report, kFile, number, "bad printer name");
        return;
      }
      std::u16string key = FoldCase(name);
      if (state.printers.count(key) != 0) {
        Problem(report, kFile, number, "printer named twice");
        return;
      }
      Printer& printer = state.printers[key];
      printer.record.name = name;
      current = &printer;
      skipping = false;
      ++report.printers;
      return;
    }
    if (keyword == "end" && fields.size() == 1) {
      if (current == nullptr && !skipping) {
        Problem(report, kFile, number, "end outside a printer block");
      }
      current = nullptr;
      skipping = false;
      return;
    }
    if (current == nullptr) {
      if (!skipping) {
        Problem(report, kFile, number, "line outside a printer block");
      }
      return;
    }
    PrinterRecord& record = current->record;
    std::u16string* name_field = keyword == "driver"       ? &record.driver_name
                                 : keyword == "port"       ? &record.port_name
                                 : keyword == "server"     ? &record.server_name
                                 : keyword == "driverpath" ? &record.driver_path
                                 : keyword == "datafile"   ? &record.data_file
                                 : keyword == "configfile" ? &record.config_file
                                                           : nullptr;
    if (name_field != nullptr) {
      std::u16string value;
      if (fields.size() != 2 || !ParseName(fields[1], value)) {
        Problem(report, kFile, number, "bad " + std::string(keyword));
        return;
      }
      *name_field = std::move(value);
      return;
    }
    if (keyword == "attributes") {
      if (fields.size() != 2 || !ParseNumber(fields[1], record.attributes)) {
        Problem(report, kFile, number, "bad attributes");
      }
      return;
    }
    if (keyword == "devmode") {
      std::vector<BYTE> bytes;
      if (fields.size() != 3 || !ParseSizedBytes(fields[1], fields[2], kMaxDevModeBytes, bytes) ||
          !IsWholeDevMode(bytes)) {
        Problem(report, kFile, number, "bad devmode");
        return;
      }
      record.devmode = std::move(bytes);
      return;
    }
    if (keyword == "value") {
      PrinterDataValue value;
      if (fields.size() != 5 || !ParseName(fields[1], value.name) ||
          !ParseNumber(fields[2], value.type) ||
          !ParseSizedBytes(fields[3], fields[4], kMaxValueBytes, value.bytes)) {
        Problem(report, kFile, number, "bad value");
        return;
      }
      std::u16string key = FoldCase(value.name);
      if (current->values.count(key) != 0) {
        Problem(report, kFile, number, "value named twice");
        return;
      }
      current->values.emplace(std::move(key), std::move(value));
      ++report.values;
      return;
    }
    Problem(report, kFile, number, "unknown line");
  });
  if (current != nullptr) {
    report.problems.push_back(std::string(kFile) + ": printer block cut off before its end");
  }
}

void ParseForms(const std::string& text, State& state, LoadReport& report) {
  static constexpr char kFile[] = "forms.txt";
  ForEachLine(text, kFile, report, [&](int number, std::string_view line) {
    if (number == 1) {
      if (line != "vel-forms 1") {
        Problem(report, kFile, number, "unknown header");
      } else {
        return;
      }
    }
    if (line.empty()) {
      return;
    }
    std::vector<std::string_view> fields = Fields(line);
    FormRecord form;
    if (fields.size() != 9 || fields[0] != "form" || !ParseName(fields[1], form.name) ||
        form.name.empty() || !ParseNumber(fields[2], form.flags) ||
        (form.flags != FORM_USER && form.flags != FORM_PRINTER) ||
        !ParseNumber(fields[3], form.size.cx) || !ParseNumber(fields[4], form.size.cy) ||
        !ParseNumber(fields[5], form.imageable_area.left) ||
        !ParseNumber(fields[6], form.imageable_area.top) ||
        !ParseNumber(fields[7], form.imageable_area.right) ||
        !ParseNumber(fields[8], form.imageable_area.bottom)) {
      Problem(report, kFile, number, "bad form");
      return;
    }
    if (IsBuiltinName(form.name)) {
      Problem(report, kFile, number, "form named like a built-in form");
      return;
    }
    for (const FormRecord& other : state.added_forms) {
      if (EqualsIgnoringCase(other.name, form.name)) {
        Problem(report, kFile, number, "form named twice");
        return;
      }
    }
    state.added_forms.push_back(std::move(form));
    ++report.forms;
  });
}

}  // namespace vel::platform::spooler::detail
