// The decoded PCL XL job as text for people.
#include <cmath>
#include <cstdio>

#include "tests/support/PclXlCheckRules.h"
#include "tests/support/PclXlChecker.h"
#include "tests/support/PclXlDecoder.h"

namespace vel::test {

namespace {

std::string Number(double value) {
  char text[32];
  // Reals of a stream may hold anything (NaN, infinities, huge values): only whole numbers in
  // range are printed as integers.
  if (std::isfinite(value) && std::fabs(value) < 1e15 &&
      value == static_cast<double>(static_cast<long long>(value))) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
  } else {
    std::snprintf(text, sizeof text, "%g", value);
  }
  return text;
}

std::string Value(const XlAttribute& a) {
  const bool array = a.type >= 0xC8 && a.type <= 0xCD;
  if (a.type == 0xC8) {
    bool printable = !a.values.empty();
    for (double v : a.values) {
      printable = printable && v >= 0x20 && v < 0x7F && v != '"';
    }
    if (printable) {
      return "\"" + a.Text() + "\"";
    }
  }
  std::string text = array ? "[" : a.values.size() > 1 ? "(" : "";
  const std::size_t shown = std::min<std::size_t>(a.values.size(), 16);
  for (std::size_t i = 0; i < shown; ++i) {
    text += (i > 0 ? " " : "") + Number(a.values[i]);
  }
  if (shown < a.values.size()) {
    text += " ... " + std::to_string(a.values.size()) + " values";
  }
  return text + (array ? "]" : a.values.size() > 1 ? ")" : "");
}

std::string SegmentId(std::uint16_t id) {
  if (id == 0xFFFF) {
    return "null";
  }
  return std::string(1, static_cast<char>(id >> 8)) + static_cast<char>(id & 0xFF);
}

}  // namespace

std::string DumpPclXlJob(const XlJob& job) {
  std::string out;
  char line[128];
  if (job.has_envelope) {
    for (const std::string& pjl : job.pjl_lines) {
      out += "PJL  " + pjl + "\n";
    }
  }
  out += "header  " + job.header + "  (class " + std::to_string(job.protocol_class) +
         ", revision " + std::to_string(job.revision) + ")\n";
  for (const XlOperation& o : job.operations) {
    std::snprintf(line, sizeof line, "%8zu  #%-5zu %-18s", o.offset, o.index,
                  XlOperatorName(o.code).c_str());
    out += line;
    for (const XlAttribute& a : o.attributes) {
      out += " " + XlAttributeName(a.id) + "=" + XlTypeName(a.type) + ":" + Value(a);
    }
    if (o.has_data) {
      out += "  data[" + std::to_string(o.data.size()) + "]";
    }
    out += "\n";
  }
  if (job.has_envelope) {
    out += "PJL  " + job.pjl_end_line + "\n";
  }
  out += std::to_string(job.pages.size()) + " pages\n";
  for (const XlRaster& r : job.rasters) {
    std::snprintf(line, sizeof line,
                  "%s %ld: %ld x %ld, %d-bit %s x%d, to %ld x %ld, rows of %zu bytes, %zu rows\n",
                  r.pattern ? "pattern" : "image", r.pattern ? r.pattern_id : 0L, r.width, r.height,
                  r.bits, r.color_mapping == 1 ? "indexed" : "direct", r.components, r.dest_width,
                  r.dest_height, r.row_bytes, r.rows.size());
    out += line;
  }
  for (const XlFont& f : job.fonts) {
    std::snprintf(line, sizeof line,
                  "font \"%s\": scaling %u, symbol set %u, %u characters declared, %zu sent%s\n",
                  f.name.c_str(), f.scaling, f.mapping, f.num_chars, f.chars.size(),
                  f.removed ? ", removed" : "");
    out += line;
    for (const XlFontSegment& s : f.segments) {
      out += "  segment " + SegmentId(s.id) + " of " + std::to_string(s.data.size()) + " bytes\n";
    }
    for (const XlFontChar& c : f.chars) {
      std::snprintf(line, sizeof line, "  char 0x%04X: format %u class %u, %zu bytes\n", c.code,
                    c.format, c.char_class, c.data.size());
      out += line;
    }
  }
  return out;
}

}  // namespace vel::test
