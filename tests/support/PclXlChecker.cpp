// The PCL XL job checker: the PJL envelope, then one walk over the decoded stream that keeps the
// structure, graphics, image, pattern and font state a printer would keep.
#include "tests/support/PclXlChecker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#include "tests/support/PackBits.h"
#include "tests/support/PclXlCheckParts.h"
#include "tests/support/PclXlCheckRules.h"
#include "tests/support/PclXlDecoder.h"

namespace vel::test {

namespace {

namespace attr = xl_attr;
namespace op = xl_op;

constexpr std::string_view kUel = "\x1b%-12345X";
constexpr std::size_t kLongFontName = 16;

std::string Hex4(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

bool IsIntegerTag(std::uint8_t tag) {
  return tag >= 0xC0 && tag <= 0xC4;
}

bool IsIntegerArrayTag(std::uint8_t tag) {
  return tag >= 0xC8 && tag <= 0xCC;
}

// One integer value of an attribute sent as a single integer, or nothing.
std::optional<long> Int(const XlOperation& o, std::uint8_t id) {
  const XlAttribute* a = o.Find(id);
  if (a == nullptr || !IsIntegerTag(a->type) || a->values.size() != 1) {
    return std::nullopt;
  }
  return static_cast<long>(a->values[0]);
}

// The two integers of an integer pair, or nothing.
std::optional<std::pair<long, long>> IntPair(const XlOperation& o, std::uint8_t id) {
  const XlAttribute* a = o.Find(id);
  if (a == nullptr || a->type < 0xD0 || a->type > 0xD4 || a->values.size() != 2) {
    return std::nullopt;
  }
  return std::make_pair(static_cast<long>(a->values[0]), static_cast<long>(a->values[1]));
}

// The elements of an integer array, or nothing.
std::optional<std::vector<long>> IntArray(const XlOperation& o, std::uint8_t id) {
  const XlAttribute* a = o.Find(id);
  if (a == nullptr || !IsIntegerArrayTag(a->type)) {
    return std::nullopt;
  }
  std::vector<long> out;
  out.reserve(a->values.size());
  for (double v : a->values) {
    out.push_back(static_cast<long>(v));
  }
  return out;
}

std::optional<std::string> Name(const XlOperation& o, std::uint8_t id) {
  const XlAttribute* a = o.Find(id);
  if (a == nullptr || a->type != 0xC8) {
    return std::nullopt;
  }
  return a->Text();
}

enum class Phase { kBeforeSession, kSession, kDataSource, kClosed, kEnded };

enum class Block { kNone, kImage, kPattern, kScan, kFontHeader, kChar, kStream };

const char* BlockName(Block block) {
  switch (block) {
    case Block::kNone:
      return "no block";
    case Block::kImage:
      return "an image (BeginImage)";
    case Block::kPattern:
      return "a raster pattern (BeginRastPattern)";
    case Block::kScan:
      return "a scan block (BeginScan)";
    case Block::kFontHeader:
      return "a font header (BeginFontHeader)";
    case Block::kChar:
      return "a character block (BeginChar)";
    case Block::kStream:
      return "a stream (BeginStream)";
  }
  return "?";
}

// The block an operator opens, reads in or closes.
struct BlockUse {
  Block opens = Block::kNone;
  Block inside = Block::kNone;
  Block closes = Block::kNone;
};

BlockUse BlockOf(std::uint8_t code) {
  switch (code) {
    case op::kBeginImage:
      return {Block::kImage, Block::kNone, Block::kNone};
    case op::kReadImage:
      return {Block::kNone, Block::kImage, Block::kNone};
    case op::kEndImage:
      return {Block::kNone, Block::kNone, Block::kImage};
    case op::kBeginRastPattern:
      return {Block::kPattern, Block::kNone, Block::kNone};
    case op::kReadRastPattern:
      return {Block::kNone, Block::kPattern, Block::kNone};
    case op::kEndRastPattern:
      return {Block::kNone, Block::kNone, Block::kPattern};
    case op::kBeginScan:
      return {Block::kScan, Block::kNone, Block::kNone};
    case op::kScanLineRel:
      return {Block::kNone, Block::kScan, Block::kNone};
    case op::kEndScan:
      return {Block::kNone, Block::kNone, Block::kScan};
    case op::kBeginFontHeader:
      return {Block::kFontHeader, Block::kNone, Block::kNone};
    case op::kReadFontHeader:
      return {Block::kNone, Block::kFontHeader, Block::kNone};
    case op::kEndFontHeader:
      return {Block::kNone, Block::kNone, Block::kFontHeader};
    case op::kBeginChar:
      return {Block::kChar, Block::kNone, Block::kNone};
    case op::kReadChar:
      return {Block::kNone, Block::kChar, Block::kNone};
    case op::kEndChar:
      return {Block::kNone, Block::kNone, Block::kChar};
    case op::kBeginStream:
      return {Block::kStream, Block::kNone, Block::kNone};
    case op::kReadStream:
      return {Block::kNone, Block::kStream, Block::kNone};
    case op::kEndStream:
      return {Block::kNone, Block::kNone, Block::kStream};
    default:
      return {};
  }
}

// The graphics state the checker follows: the colour space and its palette.
struct GraphicsState {
  long color_space = 1;  // 0 black and white, 1 gray, 2 RGB
  bool has_palette = false;
  std::size_t palette_bytes = 0;
};

enum class FontStage { kInHeader, kDefined, kRemoved };

struct FontState {
  std::size_t index = 0;  // into the job's font list
  FontStage stage = FontStage::kInHeader;
  bool header_ok = false;
  std::set<std::uint16_t> codes;  // sent since the header, 0xFFFF included
  std::size_t distinct = 0;       // codes other than 0xFFFF
};

struct ActiveRaster {
  XlRaster raster;
  bool valid = false;  // the begin operator gave a usable geometry
  long lines = 0;      // lines read so far
};

class Walker {
 public:
  Walker(const XlCheckOptions& options, XlCheckResult* result)
      : options_(options), result_(result), job_(result->job) {}

  void Run(const Bytes& bytes);

 private:
  // Findings.
  void Report(XlSeverity severity, const char* rule, std::size_t offset, std::string message);
  void Error(const char* rule, std::size_t offset, std::string message) {
    Report(XlSeverity::kError, rule, offset, std::move(message));
  }
  void Warn(const char* rule, std::size_t offset, std::string message) {
    Report(XlSeverity::kWarning, rule, offset, std::move(message));
  }
  void OpError(const char* rule, std::string message) {
    Error(rule, op_->offset, std::move(message));
  }

  // The envelope; returns false when there is none. Sets the language data's range.
  bool Envelope(const Bytes& bytes, std::size_t* begin, std::size_t* end);
  void CheckPjlLine(std::string_view line, std::size_t offset);
  // The stream.
  void Stream(const Bytes& bytes, std::size_t base);
  void Header(const std::string& header, std::size_t base, bool decoded_one);
  void Operator(XlOperation& o);
  bool Attributes(const XlOpRule& rule);
  void Data(const XlOpRule& rule);
  void Place(const XlOpRule& rule);
  void Semantics();
  void Finish(std::size_t end_offset);

  // Per-operator checks.
  void BeginPage();
  void EndPage();
  void ColorSpace();
  void Source(bool pen);
  void LineDash();
  void PathForm(bool bezier, bool relative);
  void BeginRaster(bool pattern);
  void ReadRaster();
  void EndRaster();
  void ScanLines();
  void BeginFontHeader();
  void ReadFontHeader();
  void EndFontHeader();
  void BeginChar();
  void ReadChar();
  void RemoveFont();
  void SetFont();
  void Text();
  bool RequireOneOf(std::initializer_list<std::uint8_t> ids, const char* what);

  const XlCheckOptions& options_;
  XlCheckResult* result_;
  XlJob& job_;

  XlOperation* op_ = nullptr;  // the operator being checked
  std::size_t data_offset_ = 0;

  Phase phase_ = Phase::kBeforeSession;
  Block block_ = Block::kNone;
  bool in_page_ = false;
  bool path_has_content_ = false;
  GraphicsState gs_;
  std::vector<GraphicsState> gs_stack_;
  std::map<long, long> patterns_;  // defined pattern id -> persistence
  std::map<std::string, FontState> fonts_;
  std::string header_font_;               // the font whose header is being read
  std::string char_font_;                 // the font of the open character block
  std::optional<std::string> page_font_;  // set by SetFont in this page
  ActiveRaster raster_;
};

void Walker::Report(XlSeverity severity,
                    const char* rule,
                    std::size_t offset,
                    std::string message) {
  XlFinding finding;
  finding.severity = severity;
  finding.rule = rule;
  finding.offset = offset;
  if (op_ != nullptr) {
    finding.op_index = static_cast<long>(op_->index);
    finding.op_name = XlOperatorName(op_->code);
  }
  finding.message = std::move(message);
  result_->findings.push_back(std::move(finding));
}

void Walker::Run(const Bytes& bytes) {
  std::size_t begin = 0;
  std::size_t end = bytes.size();
  job_.has_envelope = Envelope(bytes, &begin, &end);
  const Bytes language(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                       bytes.begin() + static_cast<std::ptrdiff_t>(end));
  Stream(language, begin);
}

// ---------------------------------------------------------------------------------------------
// Envelope: UEL, "@PJL" lines each ending in CR LF (the first the JOB NAME= line, the last the
// ENTER LANGUAGE= line), the language data up to the next UEL, the EOJ NAME= line with the same
// name, UEL, end of data.

bool Walker::Envelope(const Bytes& bytes, std::size_t* begin, std::size_t* end) {
  const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (all.substr(0, kUel.size()) != kUel) {
    return false;
  }
  std::size_t pos = kUel.size();
  bool entered = false;
  while (pos < all.size() && !entered) {
    if (all.substr(pos, 4) != "@PJL") {
      Error("envelope", pos, "PJL line expected (\"@PJL ...\" CR LF) before the language data");
      break;
    }
    const std::size_t line_end = all.find("\r\n", pos);
    if (line_end == std::string_view::npos) {
      Error("envelope", pos, "PJL line without CR LF");
      *begin = *end = bytes.size();
      return true;
    }
    const std::string_view line = all.substr(pos, line_end - pos);
    CheckPjlLine(line, pos);
    if (job_.pjl_lines.empty()) {
      constexpr std::string_view kJob = "@PJL JOB NAME=\"";
      if (line.substr(0, kJob.size()) == kJob && line.size() > kJob.size() && line.back() == '"') {
        job_.job_name = std::string(line.substr(kJob.size(), line.size() - kJob.size() - 1));
      } else {
        Error("envelope", pos, "the first PJL line is not the JOB NAME=\"...\" line");
      }
    }
    constexpr std::string_view kEnter = "@PJL ENTER LANGUAGE=";
    if (line.substr(0, kEnter.size()) == kEnter) {
      job_.language = std::string(line.substr(kEnter.size()));
      entered = true;
    }
    job_.pjl_lines.emplace_back(line);
    pos = line_end + 2;
  }
  if (!entered) {
    Error("envelope", pos, "no ENTER LANGUAGE= line before the language data");
    *begin = *end = bytes.size();
    return true;
  }
  *begin = pos;
  // The language data runs to the sequence that opens the trailer; a sequence followed by
  // anything else (bytes of an image, say) is taken as data when a trailer follows later.
  std::size_t uel = all.find(kUel, pos);
  for (std::size_t next = uel; next != std::string_view::npos; next = all.find(kUel, next + 1)) {
    if (all.substr(next + kUel.size(), 4) == "@PJL") {
      uel = next;
      break;
    }
  }
  if (uel == std::string_view::npos) {
    Error("envelope", bytes.size(), "the language data is not closed by the UEL sequence");
    *end = bytes.size();
    return true;
  }
  *end = uel;
  pos = uel + kUel.size();
  const std::size_t line_end = all.find("\r\n", pos);
  if (line_end == std::string_view::npos) {
    Error("envelope", pos, "no EOJ line (\"@PJL EOJ NAME=...\" CR LF) after the language data");
    return true;
  }
  const std::string_view line = all.substr(pos, line_end - pos);
  CheckPjlLine(line, pos);
  job_.pjl_end_line = std::string(line);
  const std::string expected = "@PJL EOJ NAME=\"" + job_.job_name + "\"";
  if (line != expected) {
    Error("envelope", pos, "the end line is not " + expected);
  }
  pos = line_end + 2;
  if (all.substr(pos, kUel.size()) != kUel) {
    Error("envelope", pos, "the EOJ line is not followed by the UEL sequence");
    return true;
  }
  pos += kUel.size();
  if (pos != all.size()) {
    Error("envelope", pos, std::to_string(all.size() - pos) + " bytes after the closing UEL");
  }
  return true;
}

// A PJL line holds no control byte but TAB; each quoted value stands between two double quotes
// and is followed by the end of the line or a blank.
void Walker::CheckPjlLine(std::string_view line, std::size_t offset) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if (byte < 32 && byte != '\t') {
      Error("envelope", offset + i, "control byte " + Hex4(byte) + " in a PJL line");
      return;
    }
  }
  std::size_t pos = 0;
  while ((pos = line.find('"', pos)) != std::string_view::npos) {
    const std::size_t close = line.find('"', pos + 1);
    if (close == std::string_view::npos) {
      Error("envelope", offset + pos, "unbalanced double quote in a PJL line");
      return;
    }
    if (close + 1 < line.size() && line[close + 1] != ' ') {
      Error("envelope", offset + close,
            "a quoted PJL value holds a double quote (text follows its closing quote)");
      return;
    }
    pos = close + 1;
  }
}

// ---------------------------------------------------------------------------------------------
// Stream.

void Walker::Header(const std::string& header, std::size_t base, bool decoded_one) {
  job_.header = header;
  if (!decoded_one || header.empty() || header[0] != ')') {
    Error("header", base,
          "the stream does not open with the header line of the binding selector ')'");
    return;
  }
  // ") QZ-PCL XL;2;0;Comment ..." : the class and revision are the second and third fields.
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t semicolon; (semicolon = header.find(';', start)) != std::string::npos;
       start = semicolon + 1) {
    fields.push_back(header.substr(start, semicolon - start));
  }
  fields.push_back(header.substr(start));
  auto number = [](const std::string& text) -> long {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return -1;
    }
    return std::stol(text);
  };
  if (fields.size() >= 3) {
    job_.protocol_class = number(fields[1]);
    job_.revision = number(fields[2]);
  }
  if (job_.protocol_class < 0 || job_.revision < 0) {
    Error("header", base, "the header line has no ;class;revision fields: \"" + header + "\"");
  }
}

void Walker::Stream(const Bytes& bytes, std::size_t base) {
  const XlDecoded decoded = DecodePclXl(bytes);
  const bool has_header =
      !bytes.empty() && (bytes[0] == '\'' || bytes[0] == '(' || bytes[0] == ')');
  Header(decoded.header, base, has_header);

  std::optional<XlItem> pending;  // a value waiting for its attribute id
  std::vector<XlAttribute> attributes;
  std::size_t operators = 0;
  const std::vector<XlItem>& items = decoded.items;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const XlItem& item = items[i];
    switch (item.kind) {
      case XlItemKind::kValue:
        if (pending) {
          Error("values", base + pending->offset,
                "a " + XlTypeName(pending->code) + " value has no attribute id after it");
        }
        pending = item;
        break;
      case XlItemKind::kAttribute: {
        if (!pending) {
          Error("values", base + item.offset,
                "attribute " + XlAttributeName(item.code) + " has no value before it");
          break;
        }
        const bool twice = std::any_of(attributes.begin(), attributes.end(),
                                       [&](const XlAttribute& a) { return a.id == item.code; });
        if (twice) {
          Error("values", base + item.offset,
                "attribute " + XlAttributeName(item.code) + " given twice in one list");
        } else {
          attributes.push_back({item.code, pending->code, pending->values});
        }
        pending.reset();
        break;
      }
      case XlItemKind::kData:
        Error("data", base + item.offset,
              "embedded data of " + std::to_string(item.data.size()) +
                  " bytes does not follow an operator that takes it");
        break;
      case XlItemKind::kOperator: {
        XlOperation o;
        o.offset = base + item.offset;
        o.index = operators++;
        o.code = item.code;
        o.attributes = std::move(attributes);
        attributes.clear();
        if (i + 1 < items.size() && items[i + 1].kind == XlItemKind::kData) {
          o.has_data = true;
          o.data = items[i + 1].data;
          data_offset_ = base + items[i + 1].offset;
          ++i;
        }
        op_ = &o;
        if (pending) {
          OpError("values", "a " + XlTypeName(pending->code) +
                                " value has no attribute id before the operator");
          pending.reset();
        }
        Operator(o);
        job_.operations.push_back(std::move(o));
        op_ = nullptr;
        break;
      }
    }
  }
  if (!decoded.error.empty()) {
    Error("decode", base + decoded.error_offset, "cannot decode: " + decoded.error);
    return;
  }
  if (pending || !attributes.empty()) {
    Error("values", base + bytes.size(), "values and attributes left without an operator");
  }
  Finish(base + bytes.size());
}

void Walker::Operator(XlOperation& o) {
  const XlOpRule* rule = FindXlOpRule(o.code);
  if (rule == nullptr) {
    OpError("operator", "operator " + XlOperatorName(o.code) + " is not one our jobs may send");
    if (o.has_data) {
      Error("data", data_offset_, "embedded data after an operator that takes none");
    }
    return;
  }
  const bool attributes_ok = Attributes(*rule);
  Data(*rule);
  Place(*rule);
  if (attributes_ok) {
    Semantics();
  }
  // The page's model: BeginPage opens it in Place, EndPage closes it in Semantics.
  if (in_page_ || o.code == op::kEndPage) {
    if (!job_.pages.empty()) {
      job_.pages.back().operations.push_back(o);
    }
  }
  if (o.code == op::kEndPage) {
    in_page_ = false;
  }
  for (const XlAttribute& a : o.attributes) {
    if (a.id == attr::kFontName && a.values.size() > kLongFontName) {
      Warn("font-name", o.offset,
           "FontName of " + std::to_string(a.values.size()) + " bytes is longer than 16 bytes");
    }
  }
}

// Every attribute known to the operator with an allowed type, every needed one present.
bool Walker::Attributes(const XlOpRule& rule) {
  bool ok = true;
  for (const XlAttribute& a : op_->attributes) {
    const auto found = std::find_if(rule.attributes.begin(), rule.attributes.end(),
                                    [&](const XlAttrRule& r) { return r.id == a.id; });
    if (found == rule.attributes.end()) {
      OpError("attributes", std::string(rule.name) + " does not take " + XlAttributeName(a.id));
      ok = false;
    } else if ((XlTypeBitOf(a.type) & found->types) == 0) {
      OpError("types", XlAttributeName(a.id) + " of " + rule.name + " takes " +
                           XlTypeBitsText(found->types) + ", not " + XlTypeName(a.type));
      ok = false;
    }
  }
  for (const XlAttrRule& r : rule.attributes) {
    if (r.required && op_->Find(r.id) == nullptr) {
      OpError("attributes", std::string(rule.name) + " needs " + XlAttributeName(r.id));
      ok = false;
    }
  }
  return ok;
}

void Walker::Data(const XlOpRule& rule) {
  bool takes = rule.data == XlData::kAlways;
  if (rule.data == XlData::kWithForm) {
    switch (op_->code) {
      case op::kVendorUnique:
        takes = op_->Find(0x92) != nullptr;
        break;
      case op::kSetHalftoneMethod:
        takes = op_->Find(attr::kDitherMatrixSize) != nullptr;
        break;
      default:  // the four counted path operators
        takes = op_->Find(attr::kNumberOfPoints) != nullptr;
        break;
    }
  }
  if (takes && !op_->has_data) {
    OpError("data", std::string(rule.name) + " is not followed by its embedded data");
  } else if (!takes && op_->has_data) {
    Error("data", data_offset_,
          std::string("embedded data after ") + rule.name + ", which takes none here");
  }
}

// Where the operator stands: session structure, pages and blocks.
void Walker::Place(const XlOpRule& rule) {
  const std::string name = rule.name;
  if (phase_ == Phase::kEnded) {
    OpError("order", name + " after EndSession");
    return;
  }
  const BlockUse use = BlockOf(op_->code);
  if (use.inside != Block::kNone || use.closes != Block::kNone) {
    const Block needed = use.inside != Block::kNone ? use.inside : use.closes;
    if (block_ != needed) {
      OpError("order", name + " outside " + BlockName(needed));
    }
    if (use.closes != Block::kNone && block_ == needed) {
      block_ = Block::kNone;
    }
    return;
  }
  if (block_ != Block::kNone) {
    OpError("order", name + " inside " + BlockName(block_));
    return;
  }
  switch (op_->code) {
    case op::kBeginSession:
      if (phase_ != Phase::kBeforeSession) {
        OpError("order", "BeginSession after the session began");
      }
      phase_ = Phase::kSession;
      return;
    case op::kOpenDataSource:
      if (phase_ != Phase::kSession) {
        OpError("order", "OpenDataSource not right after BeginSession");
      }
      phase_ = Phase::kDataSource;
      return;
    case op::kBeginPage:
      if (phase_ != Phase::kDataSource) {
        OpError("order", "BeginPage outside the open data source");
      } else if (in_page_) {
        OpError("order", "BeginPage inside a page");
      }
      in_page_ = true;
      job_.pages.emplace_back();
      return;
    case op::kEndPage:
      if (!in_page_) {
        OpError("order", "EndPage without BeginPage");
      }
      return;
    case op::kCloseDataSource:
      if (phase_ != Phase::kDataSource || in_page_) {
        OpError("order", in_page_ ? "CloseDataSource inside a page"
                                  : "CloseDataSource without an open data source");
      }
      phase_ = Phase::kClosed;
      in_page_ = false;
      return;
    case op::kEndSession:
      if (phase_ != Phase::kClosed) {
        OpError("order", "EndSession before CloseDataSource");
      }
      phase_ = Phase::kEnded;
      return;
    default:
      break;
  }
  switch (rule.place) {
    case XlPlace::kAnywhere:
      if (phase_ == Phase::kBeforeSession) {
        OpError("order", name + " before BeginSession");
      }
      break;
    case XlPlace::kDataSource:
      if (phase_ != Phase::kDataSource) {
        OpError("order", name + " outside the open data source");
      }
      break;
    case XlPlace::kPage:
      if (!in_page_) {
        OpError("order", name + " outside a page");
      }
      break;
    case XlPlace::kSession:
    case XlPlace::kBlock:
      break;
  }
  if (use.opens != Block::kNone) {
    block_ = use.opens;
  }
}

void Walker::Finish(std::size_t end_offset) {
  if (block_ != Block::kNone) {
    Error("order", end_offset, std::string("the stream ends inside ") + BlockName(block_));
  } else if (in_page_) {
    Error("order", end_offset, "the stream ends inside a page");
  } else if (phase_ != Phase::kEnded) {
    Error("order", end_offset, "the stream ends before EndSession");
  }
}

bool Walker::RequireOneOf(std::initializer_list<std::uint8_t> ids, const char* what) {
  int count = 0;
  for (std::uint8_t id : ids) {
    count += op_->Find(id) != nullptr ? 1 : 0;
  }
  if (count != 1) {
    OpError("attributes", XlOperatorName(op_->code) + " needs exactly one " + what + ", not " +
                              std::to_string(count));
    return false;
  }
  return true;
}

void Walker::Semantics() {
  const std::uint8_t code = op_->code;
  if (code == op::kNewPath) {
    path_has_content_ = false;
  } else if (XlBuildsPath(code)) {
    path_has_content_ = true;
  }
  switch (code) {
    case op::kOpenDataSource:
      if (Int(*op_, attr::kDataOrg) != 1) {
        OpError("header", "DataOrg is not 1 (low byte first), which the binding ')' needs");
      }
      break;
    case op::kBeginPage:
      BeginPage();
      break;
    case op::kEndPage:
      EndPage();
      break;
    case op::kPushGS:
      gs_stack_.push_back(gs_);
      break;
    case op::kPopGS:
      if (gs_stack_.empty()) {
        OpError("order", "PopGS without PushGS");
      } else {
        gs_ = gs_stack_.back();
        gs_stack_.pop_back();
      }
      break;
    case op::kSetColorSpace:
      ColorSpace();
      break;
    case op::kSetBrushSource:
      Source(false);
      break;
    case op::kSetPenSource:
      Source(true);
      break;
    case op::kSetLineDash:
      LineDash();
      break;
    case op::kSetClipReplace:
      if (!path_has_content_) {
        Warn("clip", op_->offset, "SetClipReplace with no path since NewPath");
      }
      break;
    case op::kLinePath:
      PathForm(false, false);
      break;
    case op::kLineRelPath:
      PathForm(false, true);
      break;
    case op::kBezierPath:
      PathForm(true, false);
      break;
    case op::kBezierRelPath:
      PathForm(true, true);
      break;
    case op::kBeginImage:
      BeginRaster(false);
      break;
    case op::kBeginRastPattern:
      BeginRaster(true);
      break;
    case op::kReadImage:
    case op::kReadRastPattern:
      ReadRaster();
      break;
    case op::kEndImage:
    case op::kEndRastPattern:
      EndRaster();
      break;
    case op::kScanLineRel:
      ScanLines();
      break;
    case op::kBeginFontHeader:
      BeginFontHeader();
      break;
    case op::kReadFontHeader:
      ReadFontHeader();
      break;
    case op::kEndFontHeader:
      EndFontHeader();
      break;
    case op::kBeginChar:
      BeginChar();
      break;
    case op::kReadChar:
      ReadChar();
      break;
    case op::kEndChar:
      char_font_.clear();
      break;
    case op::kRemoveFont:
      RemoveFont();
      break;
    case op::kSetFont:
      SetFont();
      break;
    case op::kText:
    case op::kTextPath:
      Text();
      break;
    default:
      break;
  }
}

void Walker::BeginPage() {
  gs_ = GraphicsState{};
  gs_stack_.clear();
  page_font_.reset();
  path_has_content_ = false;
  const bool size = op_->Find(attr::kMediaSize) != nullptr;
  const bool custom = op_->Find(attr::kCustomMediaSize) != nullptr;
  const bool units = op_->Find(attr::kCustomMediaSizeUnits) != nullptr;
  if (size && custom) {
    OpError("attributes", "BeginPage with both MediaSize and CustomMediaSize");
  } else if (!size && !custom) {
    Warn("media", op_->offset, "BeginPage without MediaSize or CustomMediaSize");
  }
  if (custom != units) {
    OpError("attributes", "CustomMediaSize and CustomMediaSizeUnits come together");
  }
}

void Walker::EndPage() {
  // Temporary (0) and page (1) patterns end with the page; session patterns (2) stay.
  for (auto it = patterns_.begin(); it != patterns_.end();) {
    it = it->second < 2 ? patterns_.erase(it) : std::next(it);
  }
  page_font_.reset();
}

void Walker::ColorSpace() {
  RequireOneOf({attr::kColorSpace, attr::kColorimetricColorSpace}, "colour space");
  const bool depth = op_->Find(attr::kPaletteDepth) != nullptr;
  const bool data = op_->Find(attr::kPaletteData) != nullptr;
  if (depth != data) {
    OpError("attributes", "PaletteDepth and PaletteData come together");
  }
  gs_.color_space = Int(*op_, attr::kColorSpace).value_or(1);
  gs_.has_palette = depth && data;
  gs_.palette_bytes = data ? op_->Find(attr::kPaletteData)->values.size() : 0;
  if (depth && Int(*op_, attr::kPaletteDepth) != 2) {
    OpError("image", "PaletteDepth is not 2 (8 bits an entry)");
  }
}

void Walker::Source(bool pen) {
  const std::uint8_t null_id = pen ? attr::kNullPen : attr::kNullBrush;
  RequireOneOf(
      {attr::kGrayLevel, attr::kRGBColor, attr::kPatternSelectID, attr::kPrimaryArray, null_id},
      "colour source");
  if (op_->Find(attr::kNewDestinationSize) && !op_->Find(attr::kPatternSelectID)) {
    OpError("attributes", "NewDestinationSize without PatternSelectID");
  }
  if ((op_->Find(attr::kPrimaryDepth) != nullptr) != (op_->Find(attr::kPrimaryArray) != nullptr)) {
    OpError("attributes", "PrimaryDepth and PrimaryArray come together");
  }
  if (const std::optional<long> id = Int(*op_, attr::kPatternSelectID)) {
    if (patterns_.count(*id) == 0) {
      OpError("pattern", "PatternSelectID " + std::to_string(*id) + " was never defined");
    }
  }
}

void Walker::LineDash() {
  RequireOneOf({attr::kLineDashStyle, attr::kSolidLine}, "of LineDashStyle and SolidLine");
  if (op_->Find(attr::kDashOffset) && !op_->Find(attr::kLineDashStyle)) {
    OpError("attributes", "DashOffset without LineDashStyle");
  }
}

// Counted form: NumberOfPoints and PointType, then data of the points (PointType 0 and 1: two
// bytes a point, 2 and 3: four). Single form: EndPoint (and both control points for Beziers).
void Walker::PathForm(bool bezier, bool relative) {
  const std::string name = XlOperatorName(op_->code);
  const bool count = op_->Find(attr::kNumberOfPoints) != nullptr;
  const bool type = op_->Find(attr::kPointType) != nullptr;
  const bool single = op_->Find(attr::kEndPoint) || op_->Find(attr::kControlPoint1) ||
                      op_->Find(attr::kControlPoint2);
  if (count || type) {
    if (count != type || single) {
      OpError("attributes", name + " mixes its forms: NumberOfPoints with PointType, or points");
      return;
    }
    const long n = Int(*op_, attr::kNumberOfPoints).value_or(0);
    const long point_type = Int(*op_, attr::kPointType).value_or(-1);
    const bool type_ok =
        relative ? (point_type == 1 || point_type == 3) : (point_type >= 0 && point_type <= 3);
    if (!type_ok) {
      OpError("path", name + " PointType " + std::to_string(point_type) + " is not " +
                          (relative ? "1 (sbyte) or 3 (sint16)" : "0 to 3"));
      return;
    }
    if (n == 0) {
      OpError("path", name + " of no points");
    }
    if (bezier && n % 3 != 0) {
      OpError("path", name + " of " + std::to_string(n) + " points, not a multiple of 3");
    }
    const std::size_t expected = static_cast<std::size_t>(n) * (point_type <= 1 ? 2 : 4);
    if (op_->has_data && op_->data.size() != expected) {
      OpError("path", name + " of " + std::to_string(n) + " points of type " +
                          std::to_string(point_type) + " needs " + std::to_string(expected) +
                          " data bytes, not " + std::to_string(op_->data.size()));
    }
    return;
  }
  const bool complete =
      op_->Find(attr::kEndPoint) &&
      (!bezier || (op_->Find(attr::kControlPoint1) && op_->Find(attr::kControlPoint2)));
  if (!complete) {
    OpError("attributes", name + " needs NumberOfPoints and PointType, or " +
                              (bezier ? "ControlPoint1, ControlPoint2 and EndPoint" : "EndPoint"));
  }
}

// Rows are ceil(width x bits / 8) x (3 for direct RGB, else 1) bytes, padded to 4.
void Walker::BeginRaster(bool pattern) {
  raster_ = ActiveRaster{};
  XlRaster& r = raster_.raster;
  r.pattern = pattern;
  const long mapping = Int(*op_, attr::kColorMapping).value_or(-1);
  const long depth = Int(*op_, attr::kColorDepth).value_or(-1);
  r.width = Int(*op_, attr::kSourceWidth).value_or(0);
  r.height = Int(*op_, attr::kSourceHeight).value_or(0);
  const auto dest = IntPair(*op_, attr::kDestinationSize).value_or(std::make_pair(0L, 0L));
  r.dest_width = dest.first;
  r.dest_height = dest.second;
  if (pattern) {
    r.pattern_id = Int(*op_, attr::kPatternDefineID).value_or(0);
    r.persistence = Int(*op_, attr::kPatternPersistence).value_or(0);
    if (r.persistence > 2) {
      OpError("pattern", "PatternPersistence " + std::to_string(r.persistence) + " is not 0 to 2");
    }
  }
  if (mapping != 0 && mapping != 1) {
    OpError("image",
            "ColorMapping " + std::to_string(mapping) + " is not 0 (direct) or 1 (indexed)");
    return;
  }
  if (depth < 0 || depth > 2) {
    OpError("image", "ColorDepth " + std::to_string(depth) + " is not 0, 1 or 2 (1, 4, 8 bits)");
    return;
  }
  r.color_mapping = static_cast<int>(mapping);
  r.bits = depth == 0 ? 1 : depth == 1 ? 4 : 8;
  r.components = mapping == 0 && gs_.color_space == 2 ? 3 : 1;
  const std::size_t row =
      (static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.bits) + 7) / 8 *
      static_cast<std::size_t>(r.components);
  r.row_bytes = (row + 3) / 4 * 4;
  if (mapping == 1) {
    const std::size_t palette = (gs_.color_space == 2 ? 3u : 1u) << r.bits;
    if (!gs_.has_palette) {
      OpError("image", "an indexed image without a palette in the colour space");
    } else if (gs_.palette_bytes != palette) {
      OpError("image", "the palette holds " + std::to_string(gs_.palette_bytes) +
                           " bytes; an indexed " + std::to_string(r.bits) + "-bit " +
                           (gs_.color_space == 2 ? "RGB" : "gray") + " image needs " +
                           std::to_string(palette));
    }
  }
  if (r.width == 0 || r.height == 0) {
    Warn("image", op_->offset,
         std::string(pattern ? "pattern" : "image") + " of width " + std::to_string(r.width) +
             " and height " + std::to_string(r.height));
  }
  raster_.valid = true;
}

void Walker::ReadRaster() {
  if (!raster_.valid) {
    return;
  }
  XlRaster& r = raster_.raster;
  const long start = Int(*op_, attr::kStartLine).value_or(-1);
  const long lines = Int(*op_, attr::kBlockHeight).value_or(0);
  const long mode = Int(*op_, attr::kCompressMode).value_or(-1);
  const std::string name = XlOperatorName(op_->code);
  if (start != raster_.lines) {
    OpError("image", name + " StartLine " + std::to_string(start) + " is not the " +
                         std::to_string(raster_.lines) + " lines read so far");
  }
  if (lines <= 0) {
    OpError("image", name + " of BlockHeight 0");
    return;
  }
  if (raster_.lines + lines > r.height) {
    OpError("image", name + " reads lines " + std::to_string(raster_.lines) + " to " +
                         std::to_string(raster_.lines + lines - 1) + " of an image " +
                         std::to_string(r.height) + " lines high");
  }
  raster_.lines += lines;
  r.compress_modes.push_back(static_cast<int>(mode));
  if (!op_->has_data) {
    return;
  }
  const Bytes& data = op_->data;
  const std::size_t expected = static_cast<std::size_t>(lines) * r.row_bytes;
  if (mode == 0) {
    if (data.size() != expected) {
      OpError("image", name + " of " + std::to_string(lines) + " rows of " +
                           std::to_string(r.row_bytes) + " bytes needs " +
                           std::to_string(expected) + " data bytes, not " +
                           std::to_string(data.size()));
      return;
    }
    for (long i = 0; i < lines && r.row_bytes > 0; ++i) {
      const auto at =
          data.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(i) * r.row_bytes);
      r.rows.emplace_back(at, at + static_cast<std::ptrdiff_t>(r.row_bytes));
    }
    return;
  }
  if (mode != 1) {
    OpError("image",
            name + " CompressMode " + std::to_string(mode) + " is not 0 (none) or 1 (run-length)");
    return;
  }
  // Run-length: each row's packets decode to exactly one padded row.
  std::size_t pos = 0;
  std::vector<Bytes> rows;
  for (long i = 0; i < lines && r.row_bytes > 0; ++i) {
    Bytes row(r.row_bytes);
    const PackBitsResult decoded =
        DecodePackBits(std::span<const std::uint8_t>(data).subspan(pos), row);
    if (decoded.status != PackBitsStatus::kOk || decoded.produced != r.row_bytes) {
      const std::string why = decoded.status == PackBitsStatus::kOk
                                  ? "the data ends after " + std::to_string(decoded.produced) +
                                        " of its " + std::to_string(r.row_bytes) + " bytes"
                                  : std::string(PackBitsStatusText(decoded.status));
      OpError("image", name + " run-length row " + std::to_string(i) + " at data byte " +
                           std::to_string(pos + decoded.consumed) + ": " + why);
      return;
    }
    pos += decoded.consumed;
    rows.push_back(std::move(row));
  }
  if (pos != data.size()) {
    OpError("image", name + " run-length data holds " + std::to_string(data.size() - pos) +
                         " bytes after its " + std::to_string(lines) + " rows");
    return;
  }
  r.rows.insert(r.rows.end(), std::make_move_iterator(rows.begin()),
                std::make_move_iterator(rows.end()));
}

void Walker::EndRaster() {
  if (!raster_.valid) {
    return;
  }
  XlRaster& r = raster_.raster;
  if (raster_.lines != r.height) {
    OpError("image", XlOperatorName(op_->code) + " after " + std::to_string(raster_.lines) +
                         " of " + std::to_string(r.height) + " lines");
  }
  if (r.pattern) {
    patterns_[r.pattern_id] = r.persistence;
  }
  job_.rasters.push_back(std::move(r));
  raster_ = ActiveRaster{};
}

void Walker::ScanLines() {
  if (!op_->has_data) {
    return;
  }
  long records = 0;
  for (std::string& problem : ParseXlScanLines(op_->data, &records)) {
    OpError("scan", std::move(problem));
  }
  const long expected = Int(*op_, attr::kNumberOfScanLines).value_or(1);
  if (records != expected) {
    OpError("scan", "ScanLineRel data holds " + std::to_string(records) + " records, not the " +
                        std::to_string(expected) + " lines announced");
  }
}

void Walker::BeginFontHeader() {
  const std::string name = Name(*op_, attr::kFontName).value_or("");
  if (Int(*op_, attr::kFontFormat) != 0) {
    OpError("font", "FontFormat is not 0");
  }
  auto found = fonts_.find(name);
  if (found != fonts_.end() && found->second.stage != FontStage::kRemoved) {
    OpError("font", "font \"" + name + "\" is defined again without RemoveFont");
  }
  XlFont font;
  font.name = name;
  job_.fonts.push_back(std::move(font));
  FontState state;
  state.index = job_.fonts.size() - 1;
  fonts_[name] = state;
  header_font_ = name;
}

void Walker::ReadFontHeader() {
  const long length = Int(*op_, attr::kFontHeaderLength).value_or(-1);
  if (!op_->has_data) {
    return;
  }
  if (length != static_cast<long>(op_->data.size())) {
    OpError("font", "FontHeaderLength " + std::to_string(length) + " is not the data length " +
                        std::to_string(op_->data.size()));
  }
  auto found = fonts_.find(header_font_);
  if (found != fonts_.end()) {
    Bytes& header = job_.fonts[found->second.index].header;
    header.insert(header.end(), op_->data.begin(), op_->data.end());
  }
}

void Walker::EndFontHeader() {
  auto found = fonts_.find(header_font_);
  header_font_.clear();
  if (found == fonts_.end()) {
    return;
  }
  FontState& state = found->second;
  std::vector<std::string> problems = ParseXlFontHeader(&job_.fonts[state.index]);
  state.header_ok = problems.empty();
  state.stage = FontStage::kDefined;
  for (std::string& problem : problems) {
    OpError("font", "font \"" + found->first + "\": " + problem);
  }
}

void Walker::BeginChar() {
  const std::string name = Name(*op_, attr::kFontName).value_or("");
  auto found = fonts_.find(name);
  if (found == fonts_.end() || found->second.stage != FontStage::kDefined) {
    OpError("font", "BeginChar for font \"" + name + "\", which is not defined");
    char_font_.clear();
    return;
  }
  char_font_ = name;
}

void Walker::ReadChar() {
  const long code = Int(*op_, attr::kCharCode).value_or(-1);
  const long size = Int(*op_, attr::kCharDataSize).value_or(-1);
  if (op_->has_data && size != static_cast<long>(op_->data.size())) {
    OpError("char", "CharDataSize " + std::to_string(size) + " is not the data length " +
                        std::to_string(op_->data.size()));
  }
  auto found = fonts_.find(char_font_);
  if (found == fonts_.end() || code < 0) {
    return;
  }
  FontState& state = found->second;
  XlFont& font = job_.fonts[state.index];
  XlFontChar ch;
  ch.code = static_cast<std::uint16_t>(code);
  ch.data = op_->data;
  if (state.header_ok) {
    for (std::string& problem : ParseXlFontChar(font, &ch)) {
      OpError("char", "character " + Hex4(ch.code) + " of \"" + font.name + "\": " + problem);
    }
  }
  if (ch.code != 0xFFFF) {
    if (!state.codes.insert(ch.code).second) {
      OpError("char", "character " + Hex4(ch.code) + " of \"" + font.name + "\" sent twice");
    } else if (++state.distinct > font.num_chars && state.header_ok) {
      OpError("char", "font \"" + font.name + "\" receives more than its " +
                          std::to_string(font.num_chars) + " characters");
    }
  } else {
    state.codes.insert(ch.code);
  }
  font.chars.push_back(std::move(ch));
}

void Walker::RemoveFont() {
  const std::string name = Name(*op_, attr::kFontName).value_or("");
  auto found = fonts_.find(name);
  if (found == fonts_.end() || found->second.stage != FontStage::kDefined) {
    OpError("font", "RemoveFont of font \"" + name + "\", which is not defined");
    return;
  }
  found->second.stage = FontStage::kRemoved;
  job_.fonts[found->second.index].removed = true;
  if (page_font_ == name) {
    page_font_.reset();
  }
}

void Walker::SetFont() {
  const std::string name = Name(*op_, attr::kFontName).value_or("");
  const XlAttribute* size = op_->Find(attr::kCharSize);
  if (size != nullptr && !(size->values[0] > 0.0 && std::isfinite(size->values[0]))) {
    OpError("text", "CharSize is not above 0");
  }
  const bool resident = std::find(options_.resident_fonts.begin(), options_.resident_fonts.end(),
                                  name) != options_.resident_fonts.end();
  auto found = fonts_.find(name);
  const bool defined = found != fonts_.end() && found->second.stage == FontStage::kDefined;
  if (!resident && !defined) {
    const bool in_header = found != fonts_.end() && found->second.stage == FontStage::kInHeader;
    OpError("font", "SetFont names \"" + name + "\", " +
                        (in_header ? "whose header has not ended"
                                   : "which is neither a downloaded font nor a resident one"));
  }
  page_font_ = name;
}

void Walker::Text() {
  const std::string name = XlOperatorName(op_->code);
  if (!page_font_) {
    OpError("order", name + " before SetFont in this page");
  }
  const std::optional<std::vector<long>> codes = IntArray(*op_, attr::kTextData);
  if (!codes) {
    return;
  }
  for (std::uint8_t spacing : {attr::kXSpacingData, attr::kYSpacingData}) {
    if (const XlAttribute* a = op_->Find(spacing)) {
      if (a->values.size() != codes->size()) {
        OpError("text", XlAttributeName(spacing) + " holds " + std::to_string(a->values.size()) +
                            " values for " + std::to_string(codes->size()) + " characters");
      }
    }
  }
  if (!page_font_) {
    return;
  }
  auto found = fonts_.find(*page_font_);
  if (found == fonts_.end() || found->second.stage != FontStage::kDefined) {
    return;  // a resident font, or one already reported
  }
  // A TrueType font that holds the default character (code 0xFFFF) prints it for any code it
  // was never sent.
  if (found->second.codes.count(0xFFFF) != 0) {
    return;
  }
  std::string missing;
  std::size_t count = 0;
  for (long code : *codes) {
    if (found->second.codes.count(static_cast<std::uint16_t>(code)) == 0) {
      if (++count <= 8) {
        missing += (missing.empty() ? "" : " ") + Hex4(static_cast<unsigned>(code));
      }
    }
  }
  if (count > 0) {
    OpError("text", name + " uses " + std::to_string(count) + " character codes never sent for \"" +
                        *page_font_ + "\": " + missing);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::string FormatFinding(const XlFinding& finding) {
  std::string text = "offset " + std::to_string(finding.offset);
  if (finding.op_index >= 0) {
    text += ", op #" + std::to_string(finding.op_index) + " " + finding.op_name;
  }
  text += finding.severity == XlSeverity::kError ? ": error [" : ": warning [";
  return text + finding.rule + "] " + finding.message;
}

std::string XlAttribute::Text() const {
  std::string text;
  for (double v : values) {
    const bool byte = v >= 0 && v <= 255;  // false for NaN too
    text.push_back(static_cast<char>(byte ? static_cast<std::uint8_t>(v) : '?'));
  }
  return text;
}

const XlAttribute* XlOperation::Find(std::uint8_t id) const {
  for (const XlAttribute& a : attributes) {
    if (a.id == id) {
      return &a;
    }
  }
  return nullptr;
}

const XlFontSegment* XlFont::Segment(std::uint16_t id) const {
  for (const XlFontSegment& s : segments) {
    if (s.id == id) {
      return &s;
    }
  }
  return nullptr;
}

const XlFontChar* XlFont::Char(std::uint16_t code) const {
  for (const XlFontChar& c : chars) {
    if (c.code == code) {
      return &c;
    }
  }
  return nullptr;
}

const XlFont* XlJob::FindFont(const std::string& name) const {
  for (auto it = fonts.rbegin(); it != fonts.rend(); ++it) {
    if (it->name == name) {
      return &*it;
    }
  }
  return nullptr;
}

std::size_t XlCheckResult::ErrorCount() const {
  return static_cast<std::size_t>(
      std::count_if(findings.begin(), findings.end(),
                    [](const XlFinding& f) { return f.severity == XlSeverity::kError; }));
}

std::size_t XlCheckResult::WarningCount() const {
  return findings.size() - ErrorCount();
}

bool XlCheckResult::HasRule(const std::string& rule) const {
  return std::any_of(findings.begin(), findings.end(),
                     [&](const XlFinding& f) { return f.rule == rule; });
}

std::string XlCheckResult::Report() const {
  std::string text;
  for (const XlFinding& finding : findings) {
    text += FormatFinding(finding) + "\n";
  }
  return text;
}

PclXlChecker::PclXlChecker(XlCheckOptions options) : options_(std::move(options)) {}

XlCheckResult PclXlChecker::Check(const Bytes& bytes) const {
  XlCheckResult result;
  Walker(options_, &result).Run(bytes);
  return result;
}

::testing::AssertionResult PassesPclXlCheck(const Bytes& bytes,
                                            const XlCheckOptions& options,
                                            bool warnings_fail) {
  const XlCheckResult result = PclXlChecker(options).Check(bytes);
  if (result.ErrorCount() == 0 && (!warnings_fail || result.WarningCount() == 0)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "the PCL XL check found " << result.ErrorCount()
                                       << " errors and " << result.WarningCount() << " warnings:\n"
                                       << result.Report();
}

}  // namespace vel::test
