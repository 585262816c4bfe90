// The job player.
#include "tools/velprint/Player.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "platform/CallLog.h"
#include "platform/WideText.h"
#include "platform/engine/DriverHost.h"
#include "platform/engine/EngineFixture.h"
#include "platform/engine/EngineFonts.h"
#include "platform/spooler/PrinterStore.h"

namespace vel::velprint {
namespace {

using namespace vel::platform::engine;
namespace spooler = vel::platform::spooler;

// Escapes the short forms stand for.
constexpr ULONG kQueryEscSupport = 8;
constexpr ULONG kSetCopyCount = 17;
constexpr ULONG kPassThrough = 19;

// A statement's coordinate could not be played (out of range after unit conversion).
struct PlayError {
  std::string message;
};

class Player {
 public:
  Player(const Job& job, const PlayOptions& options, std::ostream& messages)
      : job_(job), options_(options), messages_(messages) {}

  ~Player() { Close(); }

  int Play() {
    spooler::OpenStore("");
    platform::ClearCallLog();
    platform::ClearFailures();
    ClearLedgers();
    output_ = options_.output;
    const auto& statements = job_.statements;
    for (std::size_t i = 0; i < statements.size(); ++i) {
      const Statement& s = statements[i];
      line_ = s.line;
      judged_ = i + 1 < statements.size() && statements[i + 1].verb == "expect";
      try {
        if (!Step(s)) {
          return status_;
        }
      } catch (const PlayError& error) {
        Message("error: " + error.message);
        status_ = kFailed;
        Close();
        return status_;
      }
      Trace();
    }
    Close();
    Trace();
    return status_;
  }

 private:
  void Message(const std::string& text) {
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

  RECTL Rect(const std::vector<Value>& operands, std::size_t first) {
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
    for (const PathElement& element : s.path) {
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
      const std::string& text = s.Option("dpi")->text;
      std::size_t x = text.find('x', 1);
      dm->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
      dm->dmPrintQuality = static_cast<SHORT>(std::stol(text.substr(0, x), nullptr, 0));
      dm->dmYResolution = x == std::string::npos
                              ? dm->dmPrintQuality
                              : static_cast<SHORT>(std::stol(text.substr(x + 1), nullptr, 0));
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
    return record;
  }

  // Loads the driver on the first DC, with the engine set-up read so far.
  bool EnsureHost() {
    if (host_) {
      return true;
    }
    std::string error;
    host_ = DriverHost::Load(options_.driver, host_options_, &error);
    if (!host_) {
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
    spooler::PutPrinter(record);
    printer_ = spooler::OpenPrinterHandle(record.name, 8);
    if (output_.empty()) {
      output_ = std::filesystem::path(job_.file).replace_extension(".prn").string();
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
      std::filesystem::path file = s.Option("file")->text;
      if (file.is_relative()) {
        file = std::filesystem::path(job_.file).parent_path() / file;
      }
      spec.path = file.string();
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
    const std::string& v = s.verb;
    if (v == "engine") {
      if (s.Has("acp")) {
        SetAnsiCodePage(static_cast<UINT>(s.Option("acp")->number));
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
      printer_name_ = s.operands[0].text;
      if (s.Has("model")) {
        model_ = s.Option("model")->text;
      }
      if (s.Has("port")) {
        port_ = s.Option("port")->text;
      }
    } else if (v == "output") {
      if (options_.output.empty()) {
        std::filesystem::path file = s.operands[0].text;
        if (file.is_relative()) {
          file = std::filesystem::path(job_.file).parent_path() / file;
        }
        output_ = file.string();
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
        for (const auto& r : s.rects) {
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
      ROP4 rop = s.Has("rop") ? static_cast<ROP4>(s.Option("rop")->number) : 0xF0F0;
      JudgeDrawing("DrvBitBlt", dc_->BitBlt(nullptr, clip_, nullptr, Rect(s.operands, 0),
                                            POINTL{0, 0}, &brush_, origin_, rop));
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
      BrushSpec fore = brush_.kind == BrushKind::kNone ? BrushSpec::Solid(0) : brush_;
      JudgeDrawing("DrvTextOut", dc_->TextOut(Font(s.operands[0].text), text, clip_, {}, nullptr,
                                              fore, BrushSpec{}, origin_, mix_));
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

  void Draw(const std::string& op, const PathSpec& path, FLONG mode) {
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

  static std::vector<BYTE> HexBytes(const std::string& hex) {
    std::vector<BYTE> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
      bytes.push_back(static_cast<BYTE>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
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
    if (!held) {
      Message("expect failed: wanted " + wanted + ", the call answered " + std::to_string(last_));
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
    host_.reset();
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
    platform::ClearFailures();
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

  DriverHostOptions host_options_;
  std::unique_ptr<DriverHost> host_;
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
  Player player(job, options, messages);
  return player.Play();
}

}  // namespace vel::velprint
