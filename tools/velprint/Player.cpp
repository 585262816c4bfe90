// The job player.
#include "tools/velprint/Player.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "platform/CallLog.h"
#include "platform/WideText.h"
#include "platform/engine/DriverHost.h"
#include "platform/engine/EngineFixture.h"
#include "platform/engine/EngineFonts.h"
#include "platform/spooler/PrinterStore.h"
#include "tools/velprint/Images.h"

namespace vel::velprint {
namespace {

using namespace vel::platform::engine;
namespace spooler = vel::platform::spooler;

// Escapes the short forms stand for.
constexpr ULONG kQueryEscSupport = 8;
constexpr ULONG kSetCopyCount = 17;
constexpr ULONG kPassThrough = 19;
// The private escape that sets the driver's raster-operation override: 8 bytes, the tag word
// and the new value.
constexpr ULONG kRopOverride = 0x303EB8ED;
constexpr ULONG kRopTag = 0xCFC14712;
constexpr ULONG kColorOnColor = 3;  // the stretch mode of every stretchblt

// The statements that are one call each (an `expect` may follow them).
bool IsCall(std::string_view verb) {
  static const std::set<std::string, std::less<>> calls{
      "dc",    "reset",      "doc",    "page",   "endpage",  "enddoc", "stroke",
      "fill",  "strokefill", "rect",   "paint",  "bitblt",   "stretchblt",
      "copybits", "text",    "escape", "destroyfont"};
  return calls.count(verb) != 0;
}

std::string HexText(const std::vector<BYTE>& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (BYTE b : bytes) {
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  return text;
}

std::vector<BYTE> HexBytes(const std::string& hex) {
  std::vector<BYTE> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<BYTE>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The module every thread of a parallel play shares: loaded by the first thread that needs it
// (with that thread's engine set-up, the same for all), disabled and unloaded after the last.
struct SharedHost {
  std::mutex mutex;
  bool tried = false;
  std::unique_ptr<DriverHost> host;
  std::string error;
};

// Serialises the text calls that change the engine's text settings for their duration.
std::mutex g_text_settings_mutex;

// A statement's coordinate could not be played (out of range after unit conversion).
struct PlayError {
  std::string message;
};

class Player {
 public:
  // `shared` is the module of a parallel play (null: the player loads its own); `suffix` is
  // added to the output file's name.
  Player(const Job& job, const PlayOptions& options, std::ostream& messages, SharedHost* shared,
         std::string suffix)
      : job_(job),
        options_(options),
        messages_(messages),
        shared_(shared),
        suffix_(std::move(suffix)) {
    host_options_.log_calls = options.host_log;
  }

  ~Player() { Close(); }

  int Play() {
    output_ = options_.output.empty() ? "" : options_.output + suffix_;
    const auto& statements = job_.statements;
    for (std::size_t i = 0; i < statements.size(); ++i) {
      const Statement& s = statements[i];
      line_ = s.line;
      judged_ = i + 1 < statements.size() && statements[i + 1].verb == "expect";
      bool go_on = false;
      try {
        if (IsCall(s.verb)) {
          last_error_ = 0;
          last_out_.clear();
          EngSetLastError(0);
        }
        go_on = Step(s);
        if (IsCall(s.verb)) {
          last_error_ = EngGetLastError();
        }
      } catch (const PlayError& error) {
        Message("error: " + error.message);
        status_ = kFailed;
      }
      Record(s);
      Trace();
      if (!go_on) {
        break;
      }
    }
    Close();
    Trace();
    WriteRecording();
    return status_;
  }

 private:
  void Message(const std::string& text) {
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    messages_ << job_.file << ":" << line_ << ": " << text << "\n";
  }

  void Trace() {
    if (!options_.trace) {
      return;
    }
    std::vector<std::string> log = platform::CallLogSnapshot();
    for (std::size_t k = traced_; k < log.size(); ++k) {
      messages_ << job_.file << ":" << line_ << ": " << log[k] << "\n";
    }
    traced_ = log.size();
  }

  // Judges a PDEV, document or page call: a failure fails the job, unless an expect judges it.
  void Judge(const std::string& call, bool ok) {
    last_ = ok ? 1 : 0;
    if (!ok && !judged_) {
      Message(call + " failed");
      status_ = kFailed;
    }
  }

  // Judges a drawing call: FALSE is a punt (a warning), -1 an error.
  void JudgeDrawing(const std::string& call, BOOL result) {
    last_ = result;
    if (judged_) {
      return;
    }
    if (result == static_cast<BOOL>(DDI_ERROR)) {
      Message(call + " answered an error");
      status_ = kFailed;
    } else if (result == FALSE && !options_.quiet) {
      Message("warning: " + call + " answered FALSE (punted)");
    }
  }

  std::uint32_t DpiX() const { return dpi_.x; }
  std::uint32_t DpiY() const { return dpi_.y; }

  // Takes the resolution and the physical offset of a new PDEV. A driver that leaves them unset
  // or out of range gets a warning, and 600 dpi and no offset are used instead.
  void TakeGeometry() {
    dpi_ = {600, 600};
    offset_ = {0, 0};
    if (!dc_) {
      return;
    }
    const GDIINFO& gdi = dc_->GdiInfo();
    if (gdi.ulLogPixelsX >= 1 && gdi.ulLogPixelsX <= 32767 && gdi.ulLogPixelsY >= 1 &&
        gdi.ulLogPixelsY <= 32767) {
      dpi_ = {static_cast<LONG>(gdi.ulLogPixelsX), static_cast<LONG>(gdi.ulLogPixelsY)};
    } else if (!options_.quiet) {
      Message("warning: the driver's ulLogPixelsX/Y are out of range; 600 dpi is used");
    }
    if (gdi.ptlPhysOffset.x >= 0 && gdi.ptlPhysOffset.x <= 32767 && gdi.ptlPhysOffset.y >= 0 &&
        gdi.ptlPhysOffset.y <= 32767) {
      offset_ = gdi.ptlPhysOffset;
    } else if (!options_.quiet) {
      Message("warning: the driver's ptlPhysOffset is out of range; no offset is used");
    }
  }

  LONG Pixels(const Length& length, bool vertical) {
    auto pixels = ToPixels(length, vertical ? DpiY() : DpiX());
    if (!pixels) {
      throw PlayError{"length out of range after unit conversion"};
    }
    return *pixels;
  }

  // A coordinate from the paper's top-left corner to the surface's.
  LONG Coordinate(const Length& length, bool vertical) {
    return Pixels(length, vertical) - (vertical ? offset_.y : offset_.x);
  }

  // A path coordinate in 28.4 fixed point, keeping fractions of a pixel.
  FIX FixCoordinate(const Length& length, bool vertical) {
    std::uint32_t dpi = vertical ? DpiY() : DpiX();
    double scale = 1;
    switch (length.unit) {
      case Unit::kPixels: break;
      case Unit::kInch: scale = dpi; break;
      case Unit::kMm: scale = dpi / 25.4; break;
      case Unit::kPoint: scale = dpi / 72.0; break;
    }
    double fix = std::round(length.value * scale * 16);
    if (!(std::fabs(fix) <= kMaxCoordinate * 16)) {
      throw PlayError{"coordinate out of range after unit conversion"};
    }
    return static_cast<FIX>(fix) - 16 * (vertical ? offset_.y : offset_.x);
  }

  RECTL Rect(const std::pmr::vector<Value>& operands, std::size_t first) {
    return RECTL{Coordinate(operands[first].length, false),
                 Coordinate(operands[first + 1].length, true),
                 Coordinate(operands[first + 2].length, false),
                 Coordinate(operands[first + 3].length, true)};
  }

  static PathSpec RectPath(const RECTL& r) {
    PathFigure figure;
    figure.start = Fix(r.left, r.top);
    figure.runs.push_back(PathRun{false, {Fix(r.right, r.top), Fix(r.right, r.bottom),
                                          Fix(r.left, r.bottom)}});
    figure.closed = true;
    return {figure};
  }

  PathSpec MakePath(const Statement& s) {
    PathSpec path;
    for (const PathElement& element : s.Path()) {
      auto point = [&](std::size_t k) {
        return POINTFIX{FixCoordinate(element.coordinates[2 * k], false),
                        FixCoordinate(element.coordinates[2 * k + 1], true)};
      };
      if (element.op == 'M') {
        path.push_back(PathFigure{point(0), {}, false});
      } else if (element.op == 'Z') {
        path.back().closed = true;
      } else {
        PathRun run{element.op == 'C', {}};
        for (std::size_t k = 0; k < element.coordinates.size() / 2; ++k) {
          run.points.push_back(point(k));
        }
        path.back().runs.push_back(std::move(run));
      }
    }
    return path;
  }

  std::vector<BYTE> Devmode(const Statement& s) {
    std::vector<BYTE> record(sizeof(DEVMODEW), 0);
    auto* dm = reinterpret_cast<DEVMODEW*>(record.data());
    dm->dmSpecVersion = 0x0401;
    dm->dmSize = sizeof(DEVMODEW);
    std::u16string device = platform::ToUtf16(printer_name_);
    std::memcpy(dm->dmDeviceName, device.data(), std::min<std::size_t>(device.size(), 31) * 2);
    auto number = [&](const char* key) { return static_cast<SHORT>(s.Option(key)->number); };
    if (s.Has("orientation")) {
      dm->dmFields |= DM_ORIENTATION;
      dm->dmOrientation = s.Option("orientation")->text == "portrait" ? 1 : 2;
    }
    if (s.Has("paper")) {
      dm->dmFields |= DM_PAPERSIZE;
      dm->dmPaperSize = number("paper");
    }
    if (s.Has("copies")) {
      dm->dmFields |= DM_COPIES;
      dm->dmCopies = number("copies");
    }
    if (s.Has("source")) {
      dm->dmFields |= DM_DEFAULTSOURCE;
      dm->dmDefaultSource = number("source");
    }
    if (s.Has("dpi")) {
      // The reader has taken both numbers, in decimal.
      const std::vector<std::int64_t>& dpi = s.Option("dpi")->Numbers();
      dm->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
      dm->dmPrintQuality = static_cast<SHORT>(dpi[0]);
      dm->dmYResolution = static_cast<SHORT>(dpi[1]);
    }
    if (s.Has("color")) {
      dm->dmFields |= DM_COLOR;
      dm->dmColor = number("color");
    }
    if (s.Has("duplex")) {
      dm->dmFields |= DM_DUPLEX;
      dm->dmDuplex = number("duplex");
    }
    if (s.Has("collate")) {
      dm->dmFields |= DM_COLLATE;
      dm->dmCollate = number("collate");
    }
    if (s.Has("form")) {
      dm->dmFields |= DM_FORMNAME;
      std::u16string form = platform::ToUtf16(s.Option("form")->text);
      std::memcpy(dm->dmFormName, form.data(), std::min<std::size_t>(form.size(), 31) * 2);
    }
    if (s.Has("private")) {
      std::optional<std::string> extra = ReadFile(JobRelative(s.Option("private")->text));
      if (!extra || extra->size() > 0xFFFF) {
        throw PlayError{"cannot read the private DEVMODE part '" + s.Option("private")->text +
                        "' (at most 65535 bytes)"};
      }
      dm->dmDriverExtra = static_cast<WORD>(extra->size());
      record.insert(record.end(), extra->begin(), extra->end());
    }
    return record;
  }

  // Loads the driver on the first DC, with the engine set-up read so far.
  bool EnsureHost() {
    if (host_ != nullptr) {
      return true;
    }
    std::string error;
    if (shared_ != nullptr) {
      std::lock_guard<std::mutex> lock(shared_->mutex);
      if (!shared_->tried) {
        shared_->tried = true;
        shared_->host = DriverHost::Load(options_.driver, host_options_, &shared_->error);
      }
      host_ = shared_->host.get();
      error = shared_->error;
    } else {
      own_host_ = DriverHost::Load(options_.driver, host_options_, &error);
      host_ = own_host_.get();
    }
    if (host_ == nullptr) {
      Message("cannot load the driver '" + options_.driver + "': " + error);
      if (!judged_) {
        status_ = kNoDriver;
      }
      return false;
    }
    return true;
  }

  bool EnsurePrinter() {
    if (printer_ != nullptr) {
      return true;
    }
    if (printer_name_.empty()) {
      printer_name_ = "Printer";
    }
    spooler::PrinterRecord record;
    record.name = platform::ToUtf16(printer_name_);
    record.driver_name = platform::ToUtf16(model_);
    record.port_name = platform::ToUtf16(port_);
    record.data_file = platform::ToUtf16(data_file_);
    record.devmode = default_devmode_;
    if (!spooler::PutPrinter(record)) {
      throw PlayError{"the printer store refuses the printer '" + printer_name_ +
                      "' (is its DEVMODE dmSize + dmDriverExtra bytes long?)"};
    }
    printer_ = spooler::OpenPrinterHandle(record.name, 8);
    if (output_.empty()) {
      output_ = std::filesystem::path(job_.file).replace_extension(".prn").string() + suffix_;
    }
    if (printer_ == nullptr || !spooler::SetOutputFile(printer_, output_)) {
      Message("cannot write the output file '" + output_ + "'");
      status_ = kFailed;
      return false;
    }
    return true;
  }

  FONTOBJ* Font(const std::string& name) {
    auto font = fonts_.find(name);
    if (font != fonts_.end() && font->second.object != nullptr) {
      return font->second.object;
    }
    const Statement& s = *font->second.statement;
    FontSpec spec;
    if (s.Has("file")) {
      spec.path = JobRelative(s.Option("file")->text).string();
    }
    if (s.Has("face")) {
      spec.face_index = static_cast<ULONG>(s.Option("face")->number);
    }
    spec.em_pixels = Pixels(s.Option("size")->length, true);
    if (s.Has("esc")) {
      spec.escapement = static_cast<double>(s.Option("esc")->number);
    }
    if (s.Has("width")) {
      spec.width = s.Option("width")->length.value;
    }
    spec.bold = s.Has("bold");
    spec.italic = s.Has("italic");
    spec.device = s.Has("device");
    font->second.object = CreateFontObject(spec);
    if (font->second.object == nullptr) {
      throw PlayError{"cannot read the font '" + spec.path + "'"};
    }
    return font->second.object;
  }

  BrushSpec PenBrush() const { return BrushSpec::Solid(pen_color_); }

  // Plays one statement; false stops the job.
  bool Step(const Statement& s) {
    const std::string_view v = s.verb;
    static const std::set<std::string, std::less<>> drawing{"stroke",   "fill",       "strokefill", "rect",
                                               "paint",    "bitblt",     "stretchblt", "copybits",
                                               "text",     "destroyfont"};
    if (!dc_ && drawing.count(v) != 0) {
      throw PlayError{"'" + std::string(v) + "' without a DC (the dc failed)"};
    }
    if (v == "engine") {
      if (s.Has("acp")) {
        acp_ = static_cast<UINT>(s.Option("acp")->number);
        if (!SetAnsiCodePage(acp_)) {
          throw PlayError{"the engine does not convert code page " + std::to_string(acp_)};
        }
      }
      if (s.Has("time")) {
        const std::vector<std::int64_t>& t = s.Option("time")->Numbers();
        ENG_TIME_FIELDS time{};
        time.usYear = static_cast<USHORT>(t[0]);
        time.usMonth = static_cast<USHORT>(t[1]);
        time.usDay = static_cast<USHORT>(t[2]);
        time.usHour = static_cast<USHORT>(t[3]);
        time.usMinute = static_cast<USHORT>(t[4]);
        time.usSecond = static_cast<USHORT>(t[5]);
        time.usMilliseconds = static_cast<USHORT>(t[6]);
        // The weekday of the date (Sakamoto's method), 0 for Sunday.
        static const int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
        std::int64_t year = t[0] - (t[1] < 3 ? 1 : 0);
        time.usWeekday = static_cast<USHORT>(
            (year + year / 4 - year / 100 + year / 400 + kOffsets[t[1] - 1] + t[2]) % 7);
        SetLocalTime(time);
      }
      if (s.Has("poison")) {
        host_options_.poison = s.Option("poison")->text == "on";
      }
      if (s.Has("version")) {
        host_options_.engine_version = static_cast<ULONG>(s.Option("version")->number);
      }
      if (s.Has("cj")) {
        host_options_.enable_data_size = static_cast<ULONG>(s.Option("cj")->number);
      }
      if (s.Has("maxpoints")) {
        SetObjectSettings({static_cast<ULONG>(s.Option("maxpoints")->number)});
      }
      if (s.Has("emptyglyph")) {
        TextSettings text = GetTextSettings();
        text.empty_glyph_one_pixel = s.Option("emptyglyph")->text == "1x1";
        SetTextSettings(text);
      }
    } else if (v == "printer") {
      if (printer_ != nullptr) {
        Message("warning: the printer is already open; this 'printer' is ignored");
        return true;
      }
      printer_name_ = s.operands[0].text;
      if (s.Has("model")) {
        model_ = s.Option("model")->text;
      }
      if (s.Has("port")) {
        port_ = s.Option("port")->text;
      }
      if (s.Has("data")) {
        data_file_ = DataFile(s.Option("data")->text);
      }
      if (s.Has("devmode")) {
        std::optional<std::string> bytes = ReadFile(JobRelative(s.Option("devmode")->text));
        if (!bytes) {
          throw PlayError{"cannot read the DEVMODE file '" + s.Option("devmode")->text + "'"};
        }
        default_devmode_.assign(bytes->begin(), bytes->end());
      }

    } else if (v == "output") {
      if (options_.output.empty()) {
        std::filesystem::path file = s.operands[0].text;
        if (file.is_relative()) {
          file = std::filesystem::path(job_.file).parent_path() / file;
        }
        output_ = file.string() + suffix_;
      }
    } else if (v == "dc") {
      dc_.reset();
      if (!EnsureHost()) {
        if (judged_) {
          last_ = 0;
          return true;
        }
        return false;
      }
      if (!EnsurePrinter()) {
        return false;
      }
      dc_ = host_->CreateDC({printer_, platform::ToUtf16(printer_name_),
                             platform::ToUtf16(port_), Devmode(s)});
      Judge("dc", dc_ != nullptr);
      TakeGeometry();
      if (!dc_) {
        return judged_;
      }
    } else if (v == "reset") {
      Judge("reset", dc_ && dc_->Reset(Devmode(s)));
      TakeGeometry();
    } else if (v == "deletedc") {
      dc_.reset();
    } else if (v == "doc") {
      std::string title = s.operands.empty() ? "Document" : s.operands[0].text;
      bool none = !s.operands.empty() && s.operands[0].kind == Value::Kind::kWord;
      pages_ = 0;
      Judge("doc", dc_ && dc_->StartDoc(none ? u"" : platform::ToUtf16(title),
                                        s.Has("job") ? static_cast<DWORD>(s.Option("job")->number)
                                                     : 1));
    } else if (v == "page") {
      ++pages_;
      if (abort_page_ != 0 && pages_ >= abort_page_ && dc_) {
        dc_->SetAbort(true);
      }
      Judge("page", dc_ && dc_->StartPage());
    } else if (v == "endpage") {
      Judge("endpage", dc_ && dc_->EndPage());
    } else if (v == "enddoc") {
      Judge("enddoc", dc_ && dc_->EndDoc(s.Has("abort") ? ED_ABORTDOC : 0));
    } else if (v == "path") {
      paths_[s.operands[0].text] = &s;
    } else if (v == "bitmap") {
      bitmaps_[s.operands[0].text] = MakeBitmapEntry(s);
    } else if (v == "font") {
      auto& font = fonts_[s.operands[0].text];
      if (font.object != nullptr) {
        retired_fonts_.push_back(font.object);
      }
      font = FontEntry{&s, nullptr};
    } else if (v == "clip") {
      clip_ = ClipSpec{};
      const std::string& kind = s.operands[0].text;
      if (kind == "rect") {
        clip_.rectangles.push_back(Rect(s.operands, 1));
      } else if (kind == "rects") {
        for (const auto& r : s.Rects()) {
          clip_.rectangles.push_back(RECTL{Coordinate(r[0], false), Coordinate(r[1], true),
                                           Coordinate(r[2], false), Coordinate(r[3], true)});
        }
      } else if (kind == "path") {
        clip_.path = MakePath(*paths_.at(s.operands[1].text));
      }
    } else if (v == "brush") {
      const std::string& kind = s.operands[0].text;
      if (kind == "none") {
        brush_ = BrushSpec{};
      } else if (kind == "solid") {
        brush_ = BrushSpec::Solid(s.operands[1].color);
      } else if (kind == "pattern") {
        const BitmapEntry& bitmap = bitmaps_.at(s.operands[1].text);
        brush_ = BrushSpec{};
        brush_.kind = BrushKind::kPattern;
        brush_.pattern = bitmap.spec;
        brush_.palette = bitmap.palette;
        if (s.operands.size() > 2 && bitmap.spec.top_down) {
          brush_.pattern = BottomUp(bitmap.spec);
        }
      } else {
        static const std::map<std::string, ULONG> styles{
            {"horizontal", HS_HORIZONTAL}, {"vertical", HS_VERTICAL},
            {"fdiagonal", HS_FDIAGONAL},   {"bdiagonal", HS_BDIAGONAL},
            {"cross", HS_CROSS},           {"diagcross", HS_DIAGCROSS}};
        brush_ = BrushSpec::Hatch(styles.at(s.operands[1].text), s.operands[2].color,
                                  s.operands[3].color);
      }
    } else if (v == "pen") {
      line_spec_ = LineSpec{};
      line_spec_.attributes.fl = s.Has("geometric") ? LA_GEOMETRIC : 0;
      if (s.Has("width")) {
        LONG width = Pixels(s.Option("width")->length, false);
        if (s.Has("geometric")) {
          line_spec_.attributes.elWidth.e = static_cast<FLOATL>(width);
        } else {
          line_spec_.attributes.elWidth.l = width;
        }
      } else if (!s.Has("geometric")) {
        line_spec_.attributes.elWidth.l = 1;
      }
      if (s.Has("join")) {
        const std::string& join = s.Option("join")->text;
        line_spec_.attributes.iJoin = join == "round" ? JOIN_ROUND
                                      : join == "bevel" ? JOIN_BEVEL
                                                        : JOIN_MITER;
      }
      if (s.Has("cap")) {
        const std::string& cap = s.Option("cap")->text;
        line_spec_.attributes.iEndCap = cap == "round"    ? ENDCAP_ROUND
                                        : cap == "square" ? ENDCAP_SQUARE
                                                          : ENDCAP_BUTT;
      }
      if (s.Has("style")) {
        line_spec_.attributes.fl |= LA_STYLED;
        for (const Length& dash : s.Option("style")->Lengths()) {
          FLOAT_LONG entry{};
          if (s.Has("geometric")) {
            entry.e = static_cast<FLOATL>(dash.unit == Unit::kPixels ? dash.value
                                                                     : Pixels(dash, false));
          } else {
            entry.l = Pixels(dash, false);
          }
          line_spec_.style.push_back(entry);
        }
      }
      if (s.Has("startgap")) {
        line_spec_.attributes.fl |= LA_STARTGAP;
      }
      if (s.Has("alternate")) {
        line_spec_.attributes.fl |= LA_ALTERNATE;
      }
      if (s.Has("miter")) {
        line_spec_.attributes.eMiterLimit = static_cast<FLOATL>(s.Option("miter")->length.value);
      }
      pen_color_ = s.Option("color")->color;
    } else if (v == "mix") {
      mix_ = s.operands[0].kind == Value::Kind::kNumber
                 ? static_cast<MIX>(s.operands[0].number)
                 : 0xFFFF;
    } else if (v == "origin") {
      origin_ = POINTL{Pixels(s.operands[0].length, false), Pixels(s.operands[1].length, true)};
    } else if (v == "stroke" || v == "fill" || v == "strokefill") {
      PathSpec path = MakePath(*paths_.at(s.operands[0].text));
      FLONG mode = s.operands.size() > 1 && s.operands[1].text == "winding" ? FP_WINDINGMODE
                                                                            : FP_ALTERNATEMODE;
      Draw(v, path, mode);
    } else if (v == "rect") {
      Draw(s.operands[4].text, RectPath(Rect(s.operands, 0)), FP_ALTERNATEMODE);
    } else if (v == "paint") {
      JudgeDrawing("DrvPaint", dc_->Paint(clip_, brush_, origin_, mix_));
    } else if (v == "bitblt") {
      const BitmapEntry* source = s.Has("src") ? &bitmaps_.at(s.Option("src")->text) : nullptr;
      ROP4 rop = s.Has("rop") ? static_cast<ROP4>(s.Option("rop")->number)
                 : source != nullptr ? 0xCCCC
                                     : 0xF0F0;
      POINTL from = From(s, 0);
      std::optional<BitmapSpec> mask;
      if (s.Has("mask")) {
        mask = Mask(*source);
      }
      JudgeDrawing("DrvBitBlt",
                   dc_->BitBlt(source != nullptr ? &source->spec : nullptr, clip_,
                               source != nullptr ? source->Xlate() : nullptr,
                               Rect(s.operands, 0), from, &brush_, origin_, rop,
                               mask ? &*mask : nullptr));
    } else if (v == "stretchblt") {
      const BitmapEntry& source = bitmaps_.at(s.operands[0].text);
      RECTL from{0, 0, source.spec.width, source.spec.height};
      if (s.Has("from")) {
        const std::vector<std::int64_t>& n = s.Option("from")->Numbers();
        from = RECTL{static_cast<LONG>(n[0]), static_cast<LONG>(n[1]), static_cast<LONG>(n[2]),
                     static_cast<LONG>(n[3])};
      }
      std::optional<BitmapSpec> mask;
      if (s.Has("mask")) {
        mask = Mask(source);
      }
      JudgeDrawing("DrvStretchBlt",
                   dc_->StretchBlt(source.spec, clip_, source.Xlate(), Rect(s.operands, 1), from,
                                   kColorOnColor, mask ? &*mask : nullptr));
    } else if (v == "copybits") {
      const BitmapEntry& source = bitmaps_.at(s.operands[0].text);
      JudgeDrawing("DrvCopyBits", dc_->CopyBits(source.spec, clip_, source.Xlate(),
                                                Rect(s.operands, 1), From(s, 0)));
    } else if (v == "text") {
      TextSpec text;
      text.text = platform::ToUtf16(s.operands[3].text);
      text.origin = POINTL{Coordinate(s.operands[1].length, false),
                           Coordinate(s.operands[2].length, true)};
      if (s.Has("charinc")) {
        text.char_inc = static_cast<ULONG>(s.Option("charinc")->number);
      }
      if (s.Has("nosubst")) {
        text.accel |= SO_DO_NOT_SUBSTITUTE_DEVICE_FONT;
      }
      if (s.Has("reversed")) {
        text.accel |= SO_REVERSED;
      }
      if (s.Has("vertical")) {
        text.accel |= SO_VERTICAL;
      }
      if (s.Has("glyphindex")) {
        // Each character of the string is a glyph index.
        for (char16_t c : text.text) {
          text.glyphs.push_back(c);
        }
      }
      std::optional<RECTL> opaque;
      if (s.Has("opaque")) {
        opaque = LengthRect(s.Option("opaque")->Lengths(), 0);
      }
      std::vector<RECTL> extra;
      if (s.Has("extra")) {
        const std::vector<Length>& lengths = s.Option("extra")->Lengths();
        for (std::size_t k = 0; k + 3 < lengths.size(); k += 4) {
          extra.push_back(LengthRect(lengths, k));
        }
      }
      // The text is the current brush's colour (black without one) on a white opaque box.
      BrushSpec fore = brush_.kind == BrushKind::kNone ? BrushSpec::Solid(0) : brush_;
      FONTOBJ* font = Font(s.operands[0].text);
      bool settings = s.Has("batch") || s.Has("nopgp") || s.Has("codepage");
      std::lock_guard<std::mutex> lock(g_text_settings_mutex);
      TextSettings saved;
      if (settings) {
        saved = GetTextSettings();
        TextSettings changed = saved;
        if (s.Has("batch")) {
          changed.batch = static_cast<ULONG>(s.Option("batch")->number);
        }
        changed.null_glyph_positions = changed.null_glyph_positions || s.Has("nopgp");
        if (s.Has("codepage")) {
          changed.code_page = static_cast<DWORD>(s.Option("codepage")->number);
        }
        SetTextSettings(changed);
      }
      BOOL result = dc_->TextOut(font, text, clip_, extra, opaque ? &*opaque : nullptr, fore,
                                 BrushSpec::Solid(0x00FFFFFF), origin_, mix_);
      if (settings) {
        SetTextSettings(saved);
      }
      JudgeDrawing("DrvTextOut", result);
    } else if (v == "escape") {
      PlayEscape(s);
    } else if (v == "destroyfont") {
      auto font = fonts_.find(s.operands[0].text);
      if (font->second.object != nullptr) {
        dc_->DestroyFont(font->second.object);
      }
      last_ = 1;
    } else if (v == "expect") {
      Expect(s);
    } else if (v == "fault") {
      PlayFault(s);
    }
    return true;
  }

  void Draw(std::string_view op, const PathSpec& path, FLONG mode) {
    if (op == "stroke") {
      JudgeDrawing("DrvStrokePath", dc_->StrokePath(path, clip_, XformSpec{}, PenBrush(), origin_,
                                                    line_spec_, mix_));
    } else if (op == "fill") {
      JudgeDrawing("DrvFillPath", dc_->FillPath(path, clip_, brush_, origin_, mix_, mode));
    } else {
      JudgeDrawing("DrvStrokeAndFillPath",
                   dc_->StrokeAndFillPath(path, clip_, XformSpec{}, PenBrush(), line_spec_,
                                          brush_, origin_, mix_, mode));
    }
  }


  void PlayEscape(const Statement& s) {
    if (!dc_) {
      throw PlayError{"escape without a DC"};
    }
    const std::string& form = s.operands[0].text;
    std::vector<BYTE> in;
    ULONG escape = 0;
    if (form == "query" || form == "copies") {
      escape = form == "query" ? kQueryEscSupport : kSetCopyCount;
      auto value = static_cast<ULONG>(s.operands[1].number);
      in.resize(sizeof(ULONG));
      std::memcpy(in.data(), &value, sizeof value);
    } else if (form == "rop") {
      escape = kRopOverride;
      ULONG words[2] = {s.Has("tag") ? static_cast<ULONG>(s.Option("tag")->number) : kRopTag,
                        static_cast<ULONG>(s.Option("value")->number)};
      in.resize(sizeof words);
      std::memcpy(in.data(), words, sizeof words);
    } else if (form == "passthrough") {
      escape = kPassThrough;
      std::vector<BYTE> data = HexBytes(s.operands[1].text);
      auto count = static_cast<WORD>(data.size());
      in.resize(sizeof(WORD));
      std::memcpy(in.data(), &count, sizeof count);
      in.insert(in.end(), data.begin(), data.end());
    } else {
      escape = static_cast<ULONG>(s.operands[0].number);
      if (s.Has("in")) {
        in = HexBytes(s.Option("in")->text);
      }
    }
    std::vector<BYTE> out(s.Has("out") ? static_cast<std::size_t>(s.Option("out")->number) : 0);
    ULONG result = dc_->Escape(escape, static_cast<ULONG>(in.size()),
                               in.empty() ? nullptr : in.data(), static_cast<ULONG>(out.size()),
                               out.empty() ? nullptr : out.data());
    last_ = result;
    last_out_ = out;
  }

  void Expect(const Statement& s) {
    bool held;
    std::string wanted;
    if (s.Has("value")) {
      auto value = s.Option("value")->number;
      held = last_ == value || static_cast<std::uint32_t>(last_) == static_cast<std::uint32_t>(value);
      wanted = "value " + std::to_string(value);
    } else {
      wanted = s.operands[0].text;
      if (wanted == "true") {
        held = last_ != 0 && last_ != -1 && last_ != static_cast<std::int64_t>(DDI_ERROR);
      } else if (wanted == "false") {
        held = last_ == 0;
      } else {
        held = last_ == -1 || last_ == static_cast<std::int64_t>(DDI_ERROR);
      }
    }
    std::string answered = std::to_string(last_);
    if (held && s.Has("lasterror") &&
        static_cast<ULONG>(s.Option("lasterror")->number) != last_error_) {
      held = false;
      wanted = "last error " + std::to_string(s.Option("lasterror")->number);
      answered = "last error " + std::to_string(last_error_);
    }
    if (held && s.Has("out") && s.Option("out")->text != HexText(last_out_)) {
      held = false;
      wanted = "out " + s.Option("out")->text;
      answered = "out " + HexText(last_out_);
    }
    if (!held) {
      Message("expect failed: wanted " + wanted + ", the call answered " + answered);
      if (options_.check) {
        status_ = kFailed;
      }
    }
  }

  void PlayFault(const Statement& s) {
    const std::string& name = s.operands[0].text;
    if (name == "write") {
      if (s.Has("fail")) {
        platform::FailCalls("EngWritePrinter", 0, -1);
      } else {
        spooler::SetShortWriteAfter(s.Option("short")->number);
      }
    } else if (name == "abort") {
      abort_page_ = static_cast<int>(s.Option("page")->number);
    } else {
      int after = s.Has("after") ? static_cast<int>(s.Option("after")->number) : 0;
      int count = s.Has("count") ? static_cast<int>(s.Option("count")->number) : 1;
      platform::FailCalls(name, after, count);
    }
  }

  // Deletes the DC, disables and unloads the driver, closes the printer and frees the fonts.
  void Close() {
    dc_.reset();
    own_host_.reset();
    host_ = nullptr;
    for (auto& [name, font] : fonts_) {
      if (font.object != nullptr) {
        DeleteFontObject(font.object);
        font.object = nullptr;
      }
    }
    for (FONTOBJ* font : retired_fonts_) {
      DeleteFontObject(font);
    }
    retired_fonts_.clear();
    if (printer_ != nullptr) {
      spooler::ClosePrinterHandle(printer_);
      printer_ = nullptr;
    }
    if (shared_ == nullptr) {
      platform::ClearFailures();
    }
  }

  // --- The recording -----------------------------------------------------------------------

  static Value Number(std::int64_t number) {
    Value value;
    value.kind = Value::Kind::kNumber;
    value.number = number;
    value.text = std::to_string(number);
    return value;
  }

  static Value Word(const std::string& text) {
    Value value;
    value.text = text;
    return value;
  }

  static Value String(const std::string& text) {
    Value value = Word(text);
    value.kind = Value::Kind::kString;
    return value;
  }

  static void Default(Statement& s, const std::string& key, const Value& value) {
    s.options.emplace(key, value);
  }

  // The statement with the defaults the player used made explicit.
  Statement Explicit(const Statement& played) const {
    Statement s = played;
    const std::string_view v = s.verb;
    if (v == "engine") {
      // The whole set-up as it stands after the statement.
      s.options["acp"] = Number(acp_);
      s.options["poison"] = Word(host_options_.poison ? "on" : "off");
      s.options["maxpoints"] = Number(GetObjectSettings().path_record_points);
      s.options["emptyglyph"] = Word(GetTextSettings().empty_glyph_one_pixel ? "1x1" : "0x0");
      s.options["version"] = Number(host_options_.engine_version);
      s.options["cj"] = Number(host_options_.enable_data_size);
    } else if (v == "printer") {
      Default(s, "model", String(""));
      Default(s, "port", String("LPT1:"));
    } else if (v == "doc") {
      if (s.operands.empty()) {
        s.operands.push_back(String("Document"));
      }
      Default(s, "job", Number(1));
    } else if ((v == "fill" || v == "strokefill") && s.operands.size() == 1) {
      s.operands.push_back(Word("alternate"));
    } else if (v == "bitblt") {
      Default(s, "rop", Number(s.Has("src") ? 0xCCCC : 0xF0F0));
      if (s.Has("src")) {
        Value from = Word("0,0");
        from.MutableNumbers() = {0, 0};
        Default(s, "from", from);
      }
    } else if (v == "copybits") {
      Value from = Word("0,0");
      from.MutableNumbers() = {0, 0};
      Default(s, "from", from);
    } else if (v == "stretchblt") {
      const BitmapEntry& source = bitmaps_.at(s.operands[0].text);
      Value from = Word("0,0," + std::to_string(source.spec.width) + "," +
                        std::to_string(source.spec.height));
      from.MutableNumbers() = {0, 0, source.spec.width, source.spec.height};
      Default(s, "from", from);
    } else if (v == "pen") {
      if (!s.Has("geometric")) {
        Value width;
        width.kind = Value::Kind::kLength;
        width.length = Length{1, Unit::kPixels};
        Default(s, "width", width);
      }
      Default(s, "join", Word("round"));
      Default(s, "cap", Word("round"));
    } else if (v == "font") {
      Default(s, "face", Number(0));
      Default(s, "esc", Number(0));
      Value width;
      width.kind = Value::Kind::kLength;
      width.length = Length{1, Unit::kPixels};
      Default(s, "width", width);
    } else if (v == "fault" && s.operands[0].text != "write" && s.operands[0].text != "abort") {
      Default(s, "after", Number(0));
      Default(s, "count", Number(1));
    }
    return s;
  }

  // Adds the statement as it played, and after a call an `expect` of its answer.
  void Record(const Statement& played) {
    if (options_.record.empty() || played.verb == "expect") {
      return;
    }
    recorded_.push_back(Explicit(played));
    if (!IsCall(played.verb)) {
      return;
    }
    Statement expect;
    expect.line = played.line;
    expect.verb = "expect";
    if (played.verb == "escape") {
      expect.options["value"] = Number(last_);
    } else if (last_ == 1) {
      expect.operands.push_back(Word("true"));
    } else if (last_ == 0) {
      expect.operands.push_back(Word("false"));
    } else if (last_ == -1 || last_ == static_cast<std::int64_t>(DDI_ERROR)) {
      expect.operands.push_back(Word("error"));
    } else {
      expect.options["value"] = Number(last_);
    }
    if (last_error_ != 0) {
      expect.options["lasterror"] = Number(last_error_);
    }
    if (!last_out_.empty()) {
      expect.options["out"] = Word(HexText(last_out_));
    }
    recorded_.push_back(std::move(expect));
  }

  void WriteRecording() {
    if (options_.record.empty()) {
      return;
    }
    Job job;
    job.file = options_.record;
    job.statements = recorded_;
    std::ofstream out(options_.record, std::ios::binary);
    out << CanonicalText(job);
    if (!out) {
      Message("cannot write the recording '" + options_.record + "'");
      status_ = kFailed;
    }
  }

  // A file named in the job, relative to the job file.
  std::filesystem::path JobRelative(const std::string& name) const {
    std::filesystem::path file = name;
    if (file.is_relative()) {
      file = std::filesystem::path(job_.file).parent_path() / file;
    }
    return std::filesystem::absolute(file);
  }

  // The driver data file of `printer data=`: a file, or @NAME for the file of that name (any
  // extension) in the models folder.
  std::string DataFile(const std::string& name) const {
    if (name.empty() || name[0] != '@') {
      return JobRelative(name).string();
    }
    std::string model = name.substr(1);
    std::error_code error;
    if (!options_.models.empty()) {
      for (const auto& entry : std::filesystem::directory_iterator(options_.models, error)) {
        if (entry.path().stem() == model || entry.path().filename() == model) {
          return std::filesystem::absolute(entry.path()).string();
        }
      }
    }
    throw PlayError{"no model '" + model + "' in the models folder '" + options_.models + "'"};
  }

  struct BitmapEntry {
    BitmapSpec spec;
    std::vector<ULONG> palette;  // indexed formats: the colours of the indices
    std::optional<XlateSpec> xlate;
    const XlateSpec* Xlate() const { return xlate ? &*xlate : nullptr; }
  };

  // Builds a bitmap's bits from its data, its picture file or its fill, and its colour
  // translation.
  BitmapEntry MakeBitmapEntry(const Statement& s) {
    BitmapEntry entry;
    ULONG format = FormatOfWord(s.Option("format")->text);
    const std::vector<std::int64_t>& size = s.Option("size")->Numbers();
    auto width = static_cast<std::int32_t>(size[0]);
    auto height = static_cast<std::int32_t>(size[1]);
    bool top_down = s.Has("topdown");
    bool default_palette = !s.Has("palette");
    if (s.Has("palette")) {
      for (std::int64_t colour : s.Option("palette")->Numbers()) {
        entry.palette.push_back(static_cast<ULONG>(colour));
      }
    } else {
      entry.palette = DefaultPalette(format);
    }
    if (s.Has("data")) {
      entry.spec = BitmapSpec{format, width, height, top_down, HexBytes(s.Option("data")->text)};
    } else if (s.Has("file")) {
      std::optional<std::string> bytes = ReadFile(JobRelative(s.Option("file")->text));
      if (!bytes) {
        throw PlayError{"cannot read the picture '" + s.Option("file")->text + "'"};
      }
      std::string error;
      std::optional<RgbImage> image = ReadPnm(*bytes, &error);
      if (!image) {
        throw PlayError{"the picture '" + s.Option("file")->text + "': " + error};
      }
      if (image->width != width || image->height != height) {
        throw PlayError{"the picture '" + s.Option("file")->text + "' is " +
                        std::to_string(image->width) + " x " + std::to_string(image->height) +
                        ", the bitmap " + std::to_string(width) + " x " + std::to_string(height)};
      }
      entry.spec = MakeBitmap(format, width, height, top_down, entry.palette, default_palette,
                              ImageRows(*image));
    } else {
      std::uint32_t seed = s.Has("seed") ? static_cast<std::uint32_t>(s.Option("seed")->number) : 1;
      entry.spec = MakeBitmap(format, width, height, top_down, entry.palette, default_palette,
                              FillRows(s.Option("fill")->text, width, height, seed));
    }
    std::string xlate = s.Has("xlate") ? s.Option("xlate")->text
                        : BitsPerPixel(format) <= 8 ? "indexed"
                        : format == BMF_16BPP       ? "bitfields"
                                                    : "bgr";
    if (xlate != "none") {
      XlateSpec spec;
      spec.null_table = s.Has("novector");
      if (xlate == "indexed") {
        spec.source_type = PAL_INDEXED;
        spec.entries = entry.palette;
      } else if (xlate == "bitfields") {
        // The masks of red, green and blue of a 5-6-5 pixel.
        spec.source_type = PAL_BITFIELDS;
        spec.entries = {0xF800, 0x07E0, 0x001F};
      } else {
        spec.source_type = xlate == "rgb" ? PAL_RGB : PAL_BGR;
      }
      entry.xlate = spec;
    }
    return entry;
  }

  static BitmapSpec Mask(const BitmapEntry& source) {
    std::optional<BitmapSpec> mask = MaskOf(source.spec);
    if (!mask) {
      throw PlayError{"a run-length bitmap has no mask"};
    }
    return *mask;
  }

  // A top-down bitmap with its rows stored from the bottom.
  static BitmapSpec BottomUp(const BitmapSpec& bitmap) {
    BitmapSpec flipped = bitmap;
    flipped.top_down = false;
    ULONG stride = BitmapStride(bitmap.format, bitmap.width);
    if (bitmap.format == BMF_4RLE || bitmap.format == BMF_8RLE || stride == 0) {
      return bitmap;
    }
    for (LONG row = 0; row < bitmap.height; ++row) {
      std::memcpy(flipped.bits.data() + static_cast<std::size_t>(row) * stride,
                  bitmap.bits.data() + static_cast<std::size_t>(bitmap.height - 1 - row) * stride,
                  stride);
    }
    return flipped;
  }

  // The `from=X,Y` of a statement, else 0,0.
  static POINTL From(const Statement& s, std::size_t first) {
    if (!s.Has("from")) {
      return POINTL{0, 0};
    }
    const std::vector<std::int64_t>& n = s.Option("from")->Numbers();
    return POINTL{static_cast<LONG>(n[first]), static_cast<LONG>(n[first + 1])};
  }

  RECTL LengthRect(const std::vector<Length>& lengths, std::size_t first) {
    return RECTL{Coordinate(lengths[first], false), Coordinate(lengths[first + 1], true),
                 Coordinate(lengths[first + 2], false), Coordinate(lengths[first + 3], true)};
  }

  struct FontEntry {
    const Statement* statement = nullptr;
    FONTOBJ* object = nullptr;  // made at first use, with the DC's resolution
  };

  const Job& job_;
  const PlayOptions& options_;
  std::ostream& messages_;
  int line_ = 0;
  int status_ = kPrinted;
  bool judged_ = false;
  std::int64_t last_ = 0;
  std::size_t traced_ = 0;

  SharedHost* shared_ = nullptr;
  std::string suffix_;
  ULONG last_error_ = 0;
  std::vector<BYTE> last_out_;
  std::vector<Statement> recorded_;
  UINT acp_ = 1252;
  std::string data_file_;
  std::vector<BYTE> default_devmode_;
  std::map<std::string, BitmapEntry> bitmaps_;

  DriverHostOptions host_options_;
  std::unique_ptr<DriverHost> own_host_;
  DriverHost* host_ = nullptr;
  std::unique_ptr<DeviceContext> dc_;
  HANDLE printer_ = nullptr;
  std::string printer_name_;
  std::string model_;
  std::string port_ = "LPT1:";
  std::string output_;
  int pages_ = 0;
  POINTL dpi_{600, 600};
  POINTL offset_{0, 0};
  int abort_page_ = 0;

  std::map<std::string, const Statement*> paths_;
  std::map<std::string, FontEntry> fonts_;
  std::vector<FONTOBJ*> retired_fonts_;
  ClipSpec clip_;
  BrushSpec brush_;
  LineSpec line_spec_;
  ULONG pen_color_ = 0;
  MIX mix_ = 0x0D0D;
  POINTL origin_{0, 0};
};

}  // namespace

int PlayJob(const Job& job, const PlayOptions& options, std::ostream& messages) {
  if (options.parallel > 0) {
    if (options.trace || !options.record.empty()) {
      messages << job.file << ": trace and record play on one thread\n";
      return kUsage;
    }
    for (const Statement& s : job.statements) {
      if (s.verb == "fault" && s.operands[0].text != "abort") {
        messages << job.file << ":" << s.line
                 << ": the engine's failure switches are process-wide; a job with 'fault' "
                    "plays on one thread\n";
        return kUsage;
      }
    }
  }
  spooler::OpenStore(options.state);
  platform::ClearCallLog();
  platform::ClearFailures();
  ClearLedgers();
  // Each job starts from the engine's defaults: an earlier job's set-up must not leak into it.
  ResetLocalTime();
  SetAnsiCodePage(1252);
  SetObjectSettings(ObjectSettings{});
  SetTextSettings(TextSettings{});
  if (options.parallel <= 0) {
    Player player(job, options, messages, nullptr, "");
    return player.Play();
  }
  SharedHost shared;
  std::vector<int> statuses(static_cast<std::size_t>(options.parallel), kPrinted);
  {
    std::vector<std::jthread> threads;
    for (int k = 0; k < options.parallel; ++k) {
      threads.emplace_back([&, k] {
        Player player(job, options, messages, &shared, "." + std::to_string(k + 1));
        statuses[static_cast<std::size_t>(k)] = player.Play();
      });
    }
  }
  platform::ClearFailures();
  return *std::max_element(statuses.begin(), statuses.end());
}

}  // namespace vel::velprint
