// The driver host: loading a driver, its function table, device contexts and the engine's order
// of calls, with clipping to the device surface and banding.
#include "platform/engine/DriverHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "platform/CallLog.h"
#include "platform/engine/EngineFixture.h"
#include "platform/engine/EngineLedger.h"
#include "platform/engine/EngineObjects.h"

namespace vel::platform::engine {
namespace detail {
namespace {

struct PdevTable {
  std::mutex mutex;
  std::map<HDEV, DHPDEV> pdevs;
};

PdevTable& GetPdevTable() {
  static auto* table = new PdevTable;
  return *table;
}

}  // namespace

DHPDEV DevicePdev(HDEV hdev) {
  PdevTable& table = GetPdevTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto found = table.pdevs.find(hdev);
  return found == table.pdevs.end() ? nullptr : found->second;
}

void SetDevicePdev(HDEV hdev, DHPDEV dhpdev) {
  PdevTable& table = GetPdevTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (dhpdev == nullptr) {
    table.pdevs.erase(hdev);
  } else {
    table.pdevs[hdev] = dhpdev;
  }
}

}  // namespace detail

namespace {

std::atomic<std::uintptr_t> g_next_hdev{0x10000};

// The largest number of bands of one page; a driver that never answers (-1, -1) is stopped.
constexpr int kMaxBands = 100000;

template <typename F>
F Fn(const DeviceContext& dc, ULONG index) {
  return reinterpret_cast<F>(dc.Function(index));
}

RECTL Offset(RECTL r, POINTL by) {
  return RECTL{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
}

RECTL Ordered(RECTL r) {
  if (r.left > r.right) {
    std::swap(r.left, r.right);
  }
  if (r.top > r.bottom) {
    std::swap(r.top, r.bottom);
  }
  return r;
}

RECTL PathSpecBounds(const PathSpec& path) {
  bool any = false;
  LONG left = 0, top = 0, right = 0, bottom = 0;
  auto add = [&](const POINTFIX& p) {
    if (!any) {
      left = right = p.x;
      top = bottom = p.y;
      any = true;
    }
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  };
  for (const PathFigure& figure : path) {
    add(figure.start);
    for (const PathRun& run : figure.runs) {
      for (const POINTFIX& p : run.points) {
        add(p);
      }
    }
  }
  if (!any) {
    return RECTL{0, 0, 0, 0};
  }
  // The pixels that the fixed-point extent touches, one pixel wider for the pen.
  return RECTL{(left >> 4) - 1, (top >> 4) - 1, (right >> 4) + 2, (bottom >> 4) + 2};
}

// A bitmap kept for the page's bands, or the caller's for one call.
std::shared_ptr<const BitmapSpec> Keep(const BitmapSpec* bitmap, bool copy) {
  if (bitmap == nullptr) {
    return nullptr;
  }
  if (copy) {
    return std::make_shared<BitmapSpec>(*bitmap);
  }
  return std::shared_ptr<const BitmapSpec>(bitmap, [](const BitmapSpec*) {});
}

struct SurfaceHolder {
  HSURF surface = nullptr;
  SurfaceHolder() = default;
  SurfaceHolder(const SurfaceHolder&) = delete;
  SurfaceHolder& operator=(const SurfaceHolder&) = delete;
  ~SurfaceHolder() {
    if (surface != nullptr) {
      EngDeleteSurface(surface);
    }
  }
  SURFOBJ* Object() const {
    return surface == nullptr ? nullptr : &detail::SurfaceOf(surface)->so;
  }
};

// The source of a blit: its bitmap and translation, kept for the page's bands when banding, and
// the engine objects made from them for one call.
struct BlitSource {
  std::shared_ptr<const BitmapSpec> bitmap;
  std::optional<XlateSpec> xlate;
  bool copy_bits = false;

  BlitSource(const BitmapSpec* source, const XlateSpec* translation, bool banded)
      : bitmap(Keep(source, banded)), copy_bits(detail::Poison()) {
    if (translation != nullptr) {
      xlate = *translation;
    }
  }

  struct Objects {
    SurfaceHolder bits;
    std::unique_ptr<detail::Xlate> xlate;
    SURFOBJ* Surface() const { return bits.Object(); }
    XLATEOBJ* Xlate() const { return xlate ? &xlate->xo : nullptr; }
  };

  void Make(Objects* objects) const {
    if (bitmap != nullptr) {
      objects->bits.surface = detail::MakeBitmapSurface(*bitmap, copy_bits);
    }
    if (xlate) {
      objects->xlate = detail::MakeXlate(*xlate);
    }
  }
};

}  // namespace

std::unique_ptr<DriverHost> DriverHost::Load(const std::string& path,
                                             const DriverHostOptions& options,
                                             std::string* error) {
  std::unique_ptr<DriverHost> host(new DriverHost);
  host->options_ = options;
  detail::SetPoison(options.poison);
  host->module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (host->module_ == nullptr) {
    if (error != nullptr) {
      const char* reason = dlerror();
      *error = reason != nullptr ? reason : "the module cannot be loaded";
    }
    return nullptr;
  }
  auto enable = reinterpret_cast<PFN_DrvEnableDriver>(dlsym(host->module_, "DrvEnableDriver"));
  if (enable == nullptr) {
    if (error != nullptr) {
      *error = "the module has no DrvEnableDriver";
    }
    dlclose(host->module_);
    host->module_ = nullptr;
    return nullptr;
  }
  if (enable(options.engine_version, options.enable_data_size, &host->enable_data_) == FALSE) {
    if (error != nullptr) {
      *error = "DrvEnableDriver failed";
    }
    LogCall("host: DrvEnableDriver = FALSE");
    dlclose(host->module_);
    host->module_ = nullptr;
    return nullptr;
  }
  for (ULONG i = 0; i < host->enable_data_.c && host->enable_data_.pdrvfn != nullptr; ++i) {
    const DRVFN& entry = host->enable_data_.pdrvfn[i];
    if (entry.iFunc <= INDEX_LAST) {
      host->functions_[entry.iFunc] = entry.pfn;
    }
  }
  return host;
}

DriverHost::~DriverHost() {
  if (module_ == nullptr) {
    return;
  }
  auto disable = reinterpret_cast<PFN_DrvDisableDriver>(dlsym(module_, "DrvDisableDriver"));
  if (disable != nullptr) {
    disable();
  }
  dlclose(module_);
}

PFN DriverHost::Function(ULONG index) const {
  return index <= INDEX_LAST ? functions_[index] : nullptr;
}

std::unique_ptr<DeviceContext> DriverHost::CreateDC(const DcParams& params) {
  std::unique_ptr<DeviceContext> dc(new DeviceContext(*this));
  dc->params_ = params;
  dc->hdev_ = reinterpret_cast<HDEV>(g_next_hdev.fetch_add(0x10));
  if (params.printer != nullptr) {
    BindDevice(dc->hdev_, params.printer);
  }
  if (!dc->EnablePdev(params, params.devmode, &dc->dhpdev_, &dc->gdi_info_, &dc->dev_info_)) {
    UnbindDevice(dc->hdev_);
    dc->hdev_ = nullptr;
    return nullptr;
  }
  detail::SetDevicePdev(dc->hdev_, dc->dhpdev_);
  if (!dc->EnableSurface()) {
    return nullptr;  // the destructor disables the PDEV
  }
  return dc;
}

void DeviceContext::Log(const std::string& line) const {
  if (host_.Options().log_calls) {
    LogCall("host: " + line);
  }
}

bool DeviceContext::EnablePdev(const DriverHost::DcParams& params,
                               const std::vector<BYTE>& devmode, DHPDEV* dhpdev, GDIINFO* gdi,
                               DEVINFO* dev) {
  auto enable = Fn<PFN_DrvEnablePDEV>(*this, INDEX_DrvEnablePDEV);
  auto complete = Fn<PFN_DrvCompletePDEV>(*this, INDEX_DrvCompletePDEV);
  if (enable == nullptr || complete == nullptr) {
    Log("the driver has no DrvEnablePDEV or DrvCompletePDEV");
    return false;
  }
  std::memset(static_cast<void*>(gdi), kInfoMarker, sizeof *gdi);
  std::memset(static_cast<void*>(dev), kInfoMarker, sizeof *dev);
  HSURF patterns[HS_DDI_MAX];
  std::memset(static_cast<void*>(patterns), kInfoMarker, sizeof patterns);
  std::vector<BYTE> record = devmode;
  std::u16string port = params.port;
  std::u16string name = params.device_name;
  auto* pdm = record.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(record.data());
  *dhpdev = enable(pdm, port.data(), HS_DDI_MAX, patterns, sizeof *gdi,
                   reinterpret_cast<ULONG*>(gdi), sizeof *dev, dev, hdev_, name.data(),
                   params.printer);
  if (*dhpdev == nullptr) {
    Log("DrvEnablePDEV failed");
    return false;
  }
  complete(*dhpdev, hdev_);
  return true;
}

bool DeviceContext::EnableSurface() {
  auto enable = Fn<PFN_DrvEnableSurface>(*this, INDEX_DrvEnableSurface);
  surface_ = enable != nullptr ? enable(dhpdev_) : nullptr;
  if (surface_ == nullptr) {
    Log("DrvEnableSurface failed");
    surface_object_ = nullptr;
    return false;
  }
  detail::Surface* surface = detail::SurfaceOf(surface_);
  surface->abort = &abort_;
  surface_object_ = &surface->so;
  if (surface->so.hdev != hdev_) {
    Log("the surface is not associated with the device");
  }
  return true;
}

void DeviceContext::DisableSurfaceAndPdev(DHPDEV dhpdev) {
  if (auto disable = Fn<PFN_DrvDisableSurface>(*this, INDEX_DrvDisableSurface)) {
    disable(dhpdev);
  }
  if (auto disable = Fn<PFN_DrvDisablePDEV>(*this, INDEX_DrvDisablePDEV)) {
    disable(dhpdev);
  }
}

namespace {

// The default palette that the driver handed over in DEVINFO belongs to the engine, which
// deletes it with the PDEV (unless the driver left the field as passed).
void DeletePalette(const DEVINFO& dev) {
  HPALETTE marker;
  std::memset(static_cast<void*>(&marker), kInfoMarker, sizeof marker);
  if (dev.hpalDefault != nullptr && dev.hpalDefault != marker) {
    EngDeletePalette(dev.hpalDefault);
  }
}

}  // namespace

DeviceContext::~DeviceContext() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (dhpdev_ == nullptr) {
    return;
  }
  if (auto destroy = Fn<PFN_DrvDestroyFont>(*this, INDEX_DrvDestroyFont)) {
    for (FONTOBJ* font : fonts_) {
      destroy(font);
    }
  }
  fonts_.clear();
  if (surface_ != nullptr) {
    detail::SurfaceOf(surface_)->abort = nullptr;
  }
  if (surface_ == nullptr) {
    if (auto disable = Fn<PFN_DrvDisablePDEV>(*this, INDEX_DrvDisablePDEV)) {
      disable(dhpdev_);
    }
  } else {
    DisableSurfaceAndPdev(dhpdev_);
  }
  DeletePalette(dev_info_);
  detail::SetDevicePdev(hdev_, nullptr);
  UnbindDevice(hdev_);
}

bool DeviceContext::Banding() const {
  return surface_ != nullptr && detail::SurfaceOf(surface_)->banding;
}

BOOL DeviceContext::StartDoc(const std::u16string& name, DWORD job_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto start = Fn<PFN_DrvStartDoc>(*this, INDEX_DrvStartDoc);
  std::u16string text = name;
  return start != nullptr ? start(surface_object_, text.data(), job_id) : FALSE;
}

BOOL DeviceContext::EndDoc(FLONG flags) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto end = Fn<PFN_DrvEndDoc>(*this, INDEX_DrvEndDoc);
  return end != nullptr ? end(surface_object_, flags) : FALSE;
}

BOOL DeviceContext::StartPage() {
  std::lock_guard<std::mutex> lock(mutex_);
  auto start = Fn<PFN_DrvStartPage>(*this, INDEX_DrvStartPage);
  if (start == nullptr || start(surface_object_) == FALSE) {
    return FALSE;
  }
  in_page_ = true;
  band_calls_.clear();
  return TRUE;
}

BOOL DeviceContext::EndPage() {
  std::lock_guard<std::mutex> lock(mutex_);
  bool was_in_page = in_page_;
  in_page_ = false;
  if (!Banding() || !was_in_page) {
    auto send = Fn<PFN_DrvSendPage>(*this, INDEX_DrvSendPage);
    return send != nullptr ? send(surface_object_) : FALSE;
  }
  auto start = Fn<PFN_DrvStartBanding>(*this, INDEX_DrvStartBanding);
  auto next = Fn<PFN_DrvNextBand>(*this, INDEX_DrvNextBand);
  std::vector<std::function<BOOL(POINTL)>> calls = std::move(band_calls_);
  band_calls_.clear();
  POINTL origin{0, 0};
  if (start == nullptr || next == nullptr || start(surface_object_, &origin) == FALSE) {
    Log("DrvStartBanding failed");
    return FALSE;
  }
  for (int band = 0; band < kMaxBands; ++band) {
    for (const auto& call : calls) {
      call(POINTL{-origin.x, -origin.y});
    }
    if (next(surface_object_, &origin) == FALSE) {
      Log("DrvNextBand failed");
      return FALSE;
    }
    if (origin.x == -1 && origin.y == -1) {
      return TRUE;
    }
  }
  Log("DrvNextBand never ended the page");
  return FALSE;
}

BOOL DeviceContext::Reset(const std::vector<BYTE>& devmode) {
  std::lock_guard<std::mutex> lock(mutex_);
  DHPDEV fresh = nullptr;
  GDIINFO gdi;
  DEVINFO dev;
  if (!EnablePdev(params_, devmode, &fresh, &gdi, &dev)) {
    return FALSE;
  }
  auto reset = Fn<PFN_DrvResetPDEV>(*this, INDEX_DrvResetPDEV);
  if (reset == nullptr || reset(dhpdev_, fresh) == FALSE) {
    Log("DrvResetPDEV failed");
    if (auto disable = Fn<PFN_DrvDisablePDEV>(*this, INDEX_DrvDisablePDEV)) {
      disable(fresh);
    }
    DeletePalette(dev);
    return FALSE;
  }
  if (surface_ != nullptr) {
    detail::SurfaceOf(surface_)->abort = nullptr;
  }
  DisableSurfaceAndPdev(dhpdev_);
  DeletePalette(dev_info_);
  dhpdev_ = fresh;
  gdi_info_ = gdi;
  dev_info_ = dev;
  params_.devmode = devmode;
  detail::SetDevicePdev(hdev_, dhpdev_);
  surface_ = nullptr;
  return EnableSurface() ? TRUE : FALSE;
}

ULONG DeviceContext::Escape(ULONG escape, ULONG cj_in, PVOID in, ULONG cj_out, PVOID out) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto call = Fn<PFN_DrvEscape>(*this, INDEX_DrvEscape);
  return call != nullptr ? call(surface_object_, escape, cj_in, in, cj_out, out) : 0;
}

void DeviceContext::SeeFont(FONTOBJ* font) {
  if (std::find(fonts_.begin(), fonts_.end(), font) == fonts_.end()) {
    fonts_.push_back(font);
  }
}

void DeviceContext::DestroyFont(FONTOBJ* font) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = std::find(fonts_.begin(), fonts_.end(), font);
  if (found == fonts_.end()) {
    return;
  }
  fonts_.erase(found);
  if (auto destroy = Fn<PFN_DrvDestroyFont>(*this, INDEX_DrvDestroyFont)) {
    destroy(font);
  }
}

BOOL DeviceContext::Replay(const char* name, const RECTL& bounds, const ClipSpec& clip,
                           POINTL offset,
                           const std::function<BOOL(SURFOBJ*, CLIPOBJ*, POINTL)>& call) {
  if (surface_object_ == nullptr) {
    return FALSE;
  }
  RECTL surface{0, 0, surface_object_->sizlBitmap.cx, surface_object_->sizlBitmap.cy};
  bool outside = false;
  std::unique_ptr<detail::Clip> engine_clip =
      detail::MakeClip(clip, offset, surface, Offset(Ordered(bounds), offset), &outside);
  if (outside) {
    Log(std::string(name) + " not passed on: outside the surface");
    return TRUE;
  }
  return call(surface_object_, &engine_clip->co, offset);
}

BOOL DeviceContext::Draw(const char* name, const RECTL& bounds, const ClipSpec& clip,
                         const std::function<BOOL(SURFOBJ*, CLIPOBJ*, POINTL)>& call) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (in_page_ && Banding()) {
    band_calls_.push_back([this, name, bounds, clip, call](POINTL offset) {
      return Replay(name, bounds, clip, offset, call);
    });
    return TRUE;
  }
  return Replay(name, bounds, clip, POINTL{0, 0}, call);
}

namespace {

struct CallObjects {
  std::unique_ptr<detail::Path> path;
  std::unique_ptr<detail::Xform> xform;
  std::unique_ptr<detail::Brush> brush;
  std::unique_ptr<detail::Brush> second_brush;
  std::unique_ptr<detail::Xlate> xlate;
  LINEATTRS line{};
  std::vector<FLOAT_LONG> style;

  void SetLine(const LineSpec& spec) {
    line = spec.attributes;
    style = spec.style;
    line.cstyle = static_cast<ULONG>(style.size());
    line.pstyle = style.empty() ? nullptr : style.data();
  }
  ~CallObjects() { detail::PoisonVector(style); }
};

}  // namespace

BOOL DeviceContext::StrokePath(const PathSpec& path, const ClipSpec& clip, const XformSpec& xform,
                               const BrushSpec& brush, POINTL brush_origin, const LineSpec& line,
                               MIX mix) {
  auto stroke = Fn<PFN_DrvStrokePath>(*this, INDEX_DrvStrokePath);
  auto realize = Fn<PFN_DrvRealizeBrush>(*this, INDEX_DrvRealizeBrush);
  if (stroke == nullptr) {
    return FALSE;
  }
  bool copy = detail::Poison();
  return Draw("DrvStrokePath", PathSpecBounds(path), clip,
              [=](SURFOBJ* so, CLIPOBJ* co, POINTL offset) {
                CallObjects objects;
                objects.path = detail::MakePath(path, POINTFIX{offset.x * 16, offset.y * 16});
                objects.xform = detail::MakeXform(xform);
                objects.brush = detail::MakeBrush(brush, realize, so, copy);
                objects.SetLine(line);
                POINTL origin{brush_origin.x + offset.x, brush_origin.y + offset.y};
                return stroke(so, &objects.path->po, co, &objects.xform->xo,
                              &objects.brush->bo, &origin, &objects.line, mix);
              });
}

BOOL DeviceContext::FillPath(const PathSpec& path, const ClipSpec& clip, const BrushSpec& brush,
                             POINTL brush_origin, MIX mix, FLONG options) {
  auto fill = Fn<PFN_DrvFillPath>(*this, INDEX_DrvFillPath);
  auto realize = Fn<PFN_DrvRealizeBrush>(*this, INDEX_DrvRealizeBrush);
  if (fill == nullptr) {
    return FALSE;
  }
  bool copy = detail::Poison();
  return Draw("DrvFillPath", PathSpecBounds(path), clip,
              [=](SURFOBJ* so, CLIPOBJ* co, POINTL offset) {
                CallObjects objects;
                objects.path = detail::MakePath(path, POINTFIX{offset.x * 16, offset.y * 16});
                objects.brush = detail::MakeBrush(brush, realize, so, copy);
                POINTL origin{brush_origin.x + offset.x, brush_origin.y + offset.y};
                return fill(so, &objects.path->po, co, &objects.brush->bo, &origin, mix, options);
              });
}

BOOL DeviceContext::StrokeAndFillPath(const PathSpec& path, const ClipSpec& clip,
                                      const XformSpec& xform, const BrushSpec& stroke_brush,
                                      const LineSpec& line, const BrushSpec& fill_brush,
                                      POINTL brush_origin, MIX mix, FLONG options) {
  auto call = Fn<PFN_DrvStrokeAndFillPath>(*this, INDEX_DrvStrokeAndFillPath);
  auto realize = Fn<PFN_DrvRealizeBrush>(*this, INDEX_DrvRealizeBrush);
  if (call == nullptr) {
    return FALSE;
  }
  bool copy = detail::Poison();
  return Draw("DrvStrokeAndFillPath", PathSpecBounds(path), clip,
              [=](SURFOBJ* so, CLIPOBJ* co, POINTL offset) {
                CallObjects objects;
                objects.path = detail::MakePath(path, POINTFIX{offset.x * 16, offset.y * 16});
                objects.xform = detail::MakeXform(xform);
                objects.brush = detail::MakeBrush(stroke_brush, realize, so, copy);
                objects.second_brush = detail::MakeBrush(fill_brush, realize, so, copy);
                objects.SetLine(line);
                POINTL origin{brush_origin.x + offset.x, brush_origin.y + offset.y};
                return call(so, &objects.path->po, co, &objects.xform->xo, &objects.brush->bo,
                            &objects.line, &objects.second_brush->bo, &origin, mix, options);
              });
}

BOOL DeviceContext::Paint(const ClipSpec& clip, const BrushSpec& brush, POINTL brush_origin,
                          MIX mix) {
  auto paint = Fn<PFN_DrvPaint>(*this, INDEX_DrvPaint);
  auto realize = Fn<PFN_DrvRealizeBrush>(*this, INDEX_DrvRealizeBrush);
  if (paint == nullptr) {
    Log("DrvPaint: the driver has none");
    return FALSE;
  }
  RECTL bounds{0, 0, 0, 0};
  if (clip.path) {
    bounds = PathSpecBounds(*clip.path);
  } else if (!clip.rectangles.empty()) {
    bounds = clip.rectangles[0];
    for (const RECTL& r : clip.rectangles) {
      bounds = RECTL{std::min(bounds.left, r.left), std::min(bounds.top, r.top),
                     std::max(bounds.right, r.right), std::max(bounds.bottom, r.bottom)};
    }
  } else if (surface_object_ != nullptr) {
    bounds = RECTL{0, 0, surface_object_->sizlBitmap.cx, surface_object_->sizlBitmap.cy};
  }
  bool copy = detail::Poison();
  return Draw("DrvPaint", bounds, clip, [=, this](SURFOBJ* so, CLIPOBJ* co, POINTL offset) {
    CallObjects objects;
    objects.brush = detail::MakeBrush(brush, realize, so, copy);
    POINTL origin{brush_origin.x + offset.x, brush_origin.y + offset.y};
    BOOL result = paint(so, co, &objects.brush->bo, &origin, mix);
    if (result == FALSE) {
      Log("DrvPaint punted (FALSE); nothing drawn in its place");
    }
    return result;
  });
}

BOOL DeviceContext::BitBlt(const BitmapSpec* source, const ClipSpec& clip, const XlateSpec* xlate,
                           RECTL target, POINTL source_point, const BrushSpec* brush,
                           POINTL brush_origin, ROP4 rop4, const BitmapSpec* mask) {
  auto blt = Fn<PFN_DrvBitBlt>(*this, INDEX_DrvBitBlt);
  auto realize = Fn<PFN_DrvRealizeBrush>(*this, INDEX_DrvRealizeBrush);
  if (blt == nullptr) {
    return FALSE;
  }
  BlitSource from_source(source, xlate, in_page_ && Banding());
  BlitSource from_mask(mask, nullptr, in_page_ && Banding());
  std::optional<BrushSpec> brush_spec;
  if (brush != nullptr) {
    brush_spec = *brush;
  }
  return Draw("DrvBitBlt", target, clip, [=](SURFOBJ* so, CLIPOBJ* co, POINTL offset) {
    BlitSource::Objects objects;
    from_source.Make(&objects);
    BlitSource::Objects mask_objects;
    from_mask.Make(&mask_objects);
    std::unique_ptr<detail::Brush> engine_brush;
    if (brush_spec) {
      engine_brush = detail::MakeBrush(*brush_spec, realize, so, from_source.copy_bits);
    }
    RECTL moved = Offset(target, offset);
    POINTL from = source_point;
    POINTL origin{brush_origin.x + offset.x, brush_origin.y + offset.y};
    return blt(so, objects.Surface(), mask_objects.Surface(), co, objects.Xlate(), &moved,
               from_source.bitmap != nullptr ? &from : nullptr,
               from_mask.bitmap != nullptr ? &from : nullptr,
               engine_brush ? &engine_brush->bo : nullptr, &origin, rop4);
  });
}

BOOL DeviceContext::CopyBits(const BitmapSpec& source, const ClipSpec& clip,
                             const XlateSpec* xlate, RECTL target, POINTL source_point) {
  auto copy_bits = Fn<PFN_DrvCopyBits>(*this, INDEX_DrvCopyBits);
  if (copy_bits == nullptr) {
    return FALSE;
  }
  BlitSource from_source(&source, xlate, in_page_ && Banding());
  return Draw("DrvCopyBits", target, clip, [=](SURFOBJ* so, CLIPOBJ* co, POINTL offset) {
    BlitSource::Objects objects;
    from_source.Make(&objects);
    RECTL moved = Offset(target, offset);
    POINTL from = source_point;
    return copy_bits(so, objects.Surface(), co, objects.Xlate(), &moved, &from);
  });
}

BOOL DeviceContext::StretchBlt(const BitmapSpec& source, const ClipSpec& clip,
                               const XlateSpec* xlate, RECTL target, RECTL source_rect,
                               ULONG mode, const BitmapSpec* mask) {
  auto stretch = Fn<PFN_DrvStretchBlt>(*this, INDEX_DrvStretchBlt);
  if (stretch == nullptr) {
    return FALSE;
  }
  BlitSource from_source(&source, xlate, in_page_ && Banding());
  BlitSource from_mask(mask, nullptr, in_page_ && Banding());
  return Draw("DrvStretchBlt", target, clip, [=](SURFOBJ* so, CLIPOBJ* co, POINTL offset) {
    BlitSource::Objects objects;
    from_source.Make(&objects);
    BlitSource::Objects mask_objects;
    from_mask.Make(&mask_objects);
    RECTL moved = Offset(target, offset);
    RECTL from = source_rect;
    POINTL origin{0, 0};
    POINTL mask_point{source_rect.left, source_rect.top};
    return stretch(so, objects.Surface(), mask_objects.Surface(), co, objects.Xlate(), nullptr,
                   &origin, &moved, &from, from_mask.bitmap != nullptr ? &mask_point : nullptr,
                   mode);
  });
}

BOOL DeviceContext::TextOut(FONTOBJ* font, const TextSpec& text, const ClipSpec& clip,
                            const std::vector<RECTL>& extra, const RECTL* opaque,
                            const BrushSpec& fore, const BrushSpec& opaque_brush,
                            POINTL brush_origin, MIX mix) {
  auto text_out = Fn<PFN_DrvTextOut>(*this, INDEX_DrvTextOut);
  auto realize = Fn<PFN_DrvRealizeBrush>(*this, INDEX_DrvRealizeBrush);
  if (text_out == nullptr || font == nullptr) {
    return FALSE;
  }
  RECTL bounds = detail::MakeString(font, text, POINTL{0, 0})->so.rclBkGround;
  std::optional<RECTL> opaque_rect;
  if (opaque != nullptr) {
    opaque_rect = Ordered(*opaque);
    bounds = RECTL{std::min(bounds.left, opaque_rect->left), std::min(bounds.top, opaque_rect->top),
                   std::max(bounds.right, opaque_rect->right),
                   std::max(bounds.bottom, opaque_rect->bottom)};
  }
  for (const RECTL& r : extra) {
    RECTL o = Ordered(r);
    bounds = RECTL{std::min(bounds.left, o.left), std::min(bounds.top, o.top),
                   std::max(bounds.right, o.right), std::max(bounds.bottom, o.bottom)};
  }
  bool copy = detail::Poison();
  // The settings of the moment of the call hold for every band of it.
  TextSettings settings = GetTextSettings();
  return Draw("DrvTextOut", bounds, clip, [=, this](SURFOBJ* so, CLIPOBJ* co, POINTL offset) {
    SeeFont(font);
    auto string = detail::MakeString(font, text, offset, settings);
    auto fore_brush = detail::MakeBrush(fore, realize, so, copy);
    auto back_brush = detail::MakeBrush(opaque_brush, realize, so, copy);
    std::vector<RECTL> extras;
    for (const RECTL& r : extra) {
      extras.push_back(Offset(r, offset));
    }
    if (!extras.empty()) {
      extras.push_back(RECTL{0, 0, 0, 0});
    }
    RECTL moved_opaque = opaque_rect ? Offset(*opaque_rect, offset) : RECTL{0, 0, 0, 0};
    POINTL origin{brush_origin.x + offset.x, brush_origin.y + offset.y};
    BOOL result = text_out(so, &string->so, font, co, extras.empty() ? nullptr : extras.data(),
                           opaque_rect ? &moved_opaque : nullptr, &fore_brush->bo,
                           opaque_rect ? &back_brush->bo : nullptr, &origin, mix);
    detail::EndFontCall(font);
    detail::PoisonVector(extras);
    return result;
  });
}

}  // namespace vel::platform::engine
