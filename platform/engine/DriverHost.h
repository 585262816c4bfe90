// The engine's side of the driver interface: loads a printer driver module, enables it, and
// drives device contexts through it in the order the engine calls a driver.
//
// Order of calls:
//   load:      DrvEnableDriver (functions are then found by DDI index, never by position)
//   a DC:      DrvEnablePDEV, DrvCompletePDEV, DrvEnableSurface (GDIINFO and DEVINFO come
//              pre-filled with kInfoMarker bytes, so fields the driver leaves show)
//   a job:     DrvStartDoc ... DrvEndDoc(0 or ED_ABORTDOC)
//   a page:    DrvStartPage, the drawing calls, DrvSendPage; on a surface marked for banding
//              DrvStartPage, DrvStartBanding, then the page's drawing calls once per band (moved
//              by the band origin and clipped to the band), DrvNextBand until it answers (-1, -1),
//              and no DrvSendPage
//   a reset:   DrvEnablePDEV(new), DrvCompletePDEV(new), DrvResetPDEV(old, new),
//              DrvDisableSurface(old), DrvDisablePDEV(old), DrvEnableSurface(new)
//   deletion:  DrvDestroyFont for every font the driver has seen, DrvDisableSurface,
//              DrvDisablePDEV
//   unload:    DrvDisableDriver
// Drawing is clipped to the device surface: a call whose bounds lie wholly outside is not passed
// on (it is logged); one that crosses the edge gets the surface, or its clip cut to it. A FALSE
// answer of DrvPaint (a punt) is logged and nothing else is drawn. After each call the engine
// objects made for it are freed (overwritten first in poison mode).
//
// Calls on one DC are serialised; several DCs may run on several threads.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/engine/DrawingSpecs.h"
#include "platform/engine/EngineFonts.h"
#include "platform/engine/winddi.h"

namespace vel::platform::engine {

inline constexpr BYTE kInfoMarker = 0xA5;

struct DriverHostOptions {
  ULONG engine_version = DDI_DRIVER_VERSION_NT4;
  ULONG enable_data_size = sizeof(DRVENABLEDATA);
  bool poison = false;    // overwrite each call's engine memory before freeing it
  bool log_calls = true;  // the host's own log lines (skipped calls, punts)
};

class DeviceContext;

class DriverHost {
 public:
  // Loads the module and enables the driver; null (with the reason in *error) when the module
  // cannot be loaded, has no DrvEnableDriver, or the driver refuses.
  static std::unique_ptr<DriverHost> Load(const std::string& path,
                                          const DriverHostOptions& options, std::string* error);
  // DrvDisableDriver and unload.
  ~DriverHost();
  DriverHost(const DriverHost&) = delete;
  DriverHost& operator=(const DriverHost&) = delete;

  // The driver's function of a DDI index; null when it has none.
  PFN Function(ULONG index) const;
  const DRVENABLEDATA& EnableData() const { return enable_data_; }
  const DriverHostOptions& Options() const { return options_; }

  struct DcParams {
    HANDLE printer = nullptr;  // the engine printer handle (hDriver)
    std::u16string device_name = u"Printer";
    std::u16string port = u"LPT1:";
    std::vector<BYTE> devmode;  // a DEVMODEW with its private part; empty: none
  };
  // Enables a PDEV and its surface; null when the driver fails one of the calls.
  std::unique_ptr<DeviceContext> CreateDC(const DcParams& params);

 private:
  DriverHost() = default;
  void* module_ = nullptr;
  DRVENABLEDATA enable_data_{};
  PFN functions_[INDEX_LAST + 1] = {};
  DriverHostOptions options_;
};

class DeviceContext {
 public:
  // Deletes the DC: DrvDestroyFont for each font seen, DrvDisableSurface, DrvDisablePDEV.
  ~DeviceContext();
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  HDEV Hdev() const { return hdev_; }
  DHPDEV Dhpdev() const { return dhpdev_; }
  HSURF Surface() const { return surface_; }
  bool Banding() const;
  const GDIINFO& GdiInfo() const { return gdi_info_; }
  const DEVINFO& DevInfo() const { return dev_info_; }

  BOOL StartDoc(const std::u16string& name, DWORD job_id);
  BOOL EndDoc(FLONG flags);
  BOOL StartPage();
  // DrvSendPage, or on a banding surface the bands.
  BOOL EndPage();
  // Resets the DC to a new DEVMODE (the order above); FALSE when the new PDEV fails, and the DC
  // keeps the old one.
  BOOL Reset(const std::vector<BYTE>& devmode);
  ULONG Escape(ULONG escape, ULONG cj_in, PVOID in, ULONG cj_out, PVOID out);
  // The job's abort flag, which EngCheckAbort answers ("abort from page N").
  void SetAbort(bool abort) { abort_ = abort; }

  BOOL StrokePath(const PathSpec& path, const ClipSpec& clip, const XformSpec& xform,
                  const BrushSpec& brush, POINTL brush_origin, const LineSpec& line, MIX mix);
  BOOL FillPath(const PathSpec& path, const ClipSpec& clip, const BrushSpec& brush,
                POINTL brush_origin, MIX mix, FLONG options);
  BOOL StrokeAndFillPath(const PathSpec& path, const ClipSpec& clip, const XformSpec& xform,
                         const BrushSpec& stroke, const LineSpec& line, const BrushSpec& fill,
                         POINTL brush_origin, MIX mix, FLONG options);
  BOOL Paint(const ClipSpec& clip, const BrushSpec& brush, POINTL brush_origin, MIX mix);
  // A null source draws with the brush alone. A mask (1 bit a pixel) is read from the source
  // point, as the source is.
  BOOL BitBlt(const BitmapSpec* source, const ClipSpec& clip, const XlateSpec* xlate,
              RECTL target, POINTL source_point, const BrushSpec* brush, POINTL brush_origin,
              ROP4 rop4, const BitmapSpec* mask = nullptr);
  BOOL CopyBits(const BitmapSpec& source, const ClipSpec& clip, const XlateSpec* xlate,
                RECTL target, POINTL source_point);
  BOOL StretchBlt(const BitmapSpec& source, const ClipSpec& clip, const XlateSpec* xlate,
                  RECTL target, RECTL source_rect, ULONG mode, const BitmapSpec* mask = nullptr);

  // The font becomes one that the driver has seen (DrvDestroyFont at deletion). `extra` are the
  // underline and strike-out rectangles (handed over ended by an all-zero rectangle).
  BOOL TextOut(FONTOBJ* font, const TextSpec& text, const ClipSpec& clip,
               const std::vector<RECTL>& extra, const RECTL* opaque, const BrushSpec& fore,
               const BrushSpec& opaque_brush, POINTL brush_origin, MIX mix);

  // Runs one drawing call on the device surface (the host's clipping and banding apply); the
  // function receives the band's offset to add to device coordinates. Used by the text calls.
  BOOL Draw(const char* name, const RECTL& bounds, const ClipSpec& clip,
            const std::function<BOOL(SURFOBJ*, CLIPOBJ*, POINTL)>& call);
  // Registers a font as seen by the driver (destroyed when the DC is deleted).
  void SeeFont(FONTOBJ* font);
  // DrvDestroyFont now, and the DC forgets the font.
  void DestroyFont(FONTOBJ* font);

  PFN Function(ULONG index) const { return host_.Function(index); }
  SURFOBJ* DeviceSurface() const { return surface_object_; }
  std::mutex& Mutex() { return mutex_; }

 private:
  friend class DriverHost;
  explicit DeviceContext(DriverHost& host) : host_(host) {}
  bool EnablePdev(const DriverHost::DcParams& params, const std::vector<BYTE>& devmode,
                  DHPDEV* dhpdev, GDIINFO* gdi, DEVINFO* dev);
  bool EnableSurface();
  void DisableSurfaceAndPdev(DHPDEV dhpdev);
  BOOL Replay(const char* name, const RECTL& bounds, const ClipSpec& clip, POINTL offset,
              const std::function<BOOL(SURFOBJ*, CLIPOBJ*, POINTL)>& call);
  void Log(const std::string& line) const;

  DriverHost& host_;
  std::mutex mutex_;
  DriverHost::DcParams params_;
  HDEV hdev_ = nullptr;
  DHPDEV dhpdev_ = nullptr;
  HSURF surface_ = nullptr;
  SURFOBJ* surface_object_ = nullptr;
  GDIINFO gdi_info_{};
  DEVINFO dev_info_{};
  std::atomic<bool> abort_{false};
  bool in_page_ = false;
  std::vector<std::function<BOOL(POINTL)>> band_calls_;
  std::vector<FONTOBJ*> fonts_;
};

}  // namespace vel::platform::engine
