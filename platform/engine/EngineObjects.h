// The stand-in engine's own side of its objects (not part of the engine's interface): each public
// record is the first member of an object that holds what the engine calls read, so that the
// record's address leads back to it.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/engine/DrawingSpecs.h"
#include "platform/engine/EngineFonts.h"
#include "platform/engine/winddi.h"

namespace vel::platform::engine::detail {

struct Surface {
  SURFOBJ so{};
  FLONG hooks = 0;
  bool banding = false;
  bool engine_bits = false;  // pvBits is engine memory, freed with the surface
  std::atomic<int> locks{0};
  std::uint32_t generation = 0;
  // The abort flag of the job drawn on a device surface (set by the driver host).
  const std::atomic<bool>* abort = nullptr;
};

Surface* SurfaceOf(HSURF hsurf);
Surface* SurfaceOf(SURFOBJ* pso);

// A bitmap surface over the caller's bits, or over a copy in engine memory. Deleted with
// EngDeleteSurface.
HSURF MakeBitmapSurface(const BitmapSpec& spec, bool copy_bits);

struct Path {
  PATHOBJ po{};
  struct Record {
    FLONG flags;
    std::uint32_t first;  // index into points
    std::uint32_t count;
  };
  std::vector<Record> records;
  std::vector<POINTFIX> points;
  std::size_t next = 0;
  bool ledgered = false;  // made for the driver (CLIPOBJ_ppoGetPath): counted until EngDeletePath
  std::uint32_t generation = 0;
  ~Path();
};

// Builds the records of a path; `translate` moves it (28.4).
std::unique_ptr<Path> MakePath(const PathSpec& spec, POINTFIX translate = {0, 0});
Path* PathOf(PATHOBJ* ppo);

struct Clip {
  CLIPOBJ co{};
  std::vector<RECTL> rectangles;
  std::unique_ptr<Path> path;  // a clip made from a path
  std::size_t next = 0;
  ~Clip();
};

// A clip from a spec, moved by `translate` (pixels) and cut to `surface`. Null rectangles: the
// call's bounds lie wholly outside (nothing to draw). `bounds` is the call's extent; a trivial
// clip whose bounds cross the surface's edge becomes the surface rectangle.
std::unique_ptr<Clip> MakeClip(const ClipSpec& spec, POINTL translate, const RECTL& surface,
                               const RECTL& bounds, bool* outside);
Clip* ClipOf(CLIPOBJ* pco);
// Cuts a list of possibly overlapping rectangles into bands of non-overlapping ones, top to
// bottom and left to right; empty rectangles go.
std::vector<RECTL> NormaliseRegion(const std::vector<RECTL>& rectangles);

struct Xlate {
  XLATEOBJ xo{};
  std::vector<ULONG> table;
  ~Xlate();
};
std::unique_ptr<Xlate> MakeXlate(const XlateSpec& spec);

struct Xform {
  XFORMOBJ xo{};
  double m[6] = {1, 0, 0, 1, 0, 0};  // m11 m12 m21 m22 dx dy
};
std::unique_ptr<Xform> MakeXform(const XformSpec& spec);

struct Brush {
  BRUSHOBJ bo{};
  BrushKind kind = BrushKind::kNone;
  ULONG hatch = 0;
  HSURF pattern = nullptr;
  std::unique_ptr<Xlate> xlate;
  PFN_DrvRealizeBrush realize = nullptr;
  SURFOBJ* target = nullptr;
  bool realize_tried = false;
  void* realized = nullptr;  // engine memory of BRUSHOBJ_pvAllocRbrush
  ~Brush();
};
// `realize` and `target` are what BRUSHOBJ_pvGetRbrush calls.
std::unique_ptr<Brush> MakeBrush(const BrushSpec& spec, PFN_DrvRealizeBrush realize,
                                 SURFOBJ* target, bool copy_bits);
Brush* BrushOf(BRUSHOBJ* pbo);

// Strings and the glyph bits of a call (EngineFonts.cpp).
struct String {
  STROBJ so{};
  std::vector<GLYPHPOS> positions;
  std::vector<WCHAR> text_units;  // pwszOrg, zero-terminated
  std::size_t next = 0;
  ULONG batch = 0;
  DWORD code_page = 1252;
  ~String();
};
// The string of `spec` moved by `offset`, under the text settings given (or the current ones).
std::unique_ptr<String> MakeString(FONTOBJ* font, const TextSpec& spec, POINTL offset,
                                   const TextSettings& settings);
std::unique_ptr<String> MakeString(FONTOBJ* font, const TextSpec& spec, POINTL offset);
// Frees the glyph bits that FONTOBJ_cGetGlyphs handed out during a driver call.
void EndFontCall(FONTOBJ* font);

// The driver's PDEV recorded for a device handle by the driver host (null when none).
DHPDEV DevicePdev(HDEV hdev);
void SetDevicePdev(HDEV hdev, DHPDEV dhpdev);

// Poison mode: engine memory of a call is overwritten before it is freed.
template <typename T>
void PoisonVector(std::vector<T>& items);
void SetPoison(bool on);
bool Poison();
inline constexpr BYTE kPoisonByte = 0xDD;

template <typename T>
void PoisonVector(std::vector<T>& items) {
  if (Poison() && !items.empty()) {
    std::memset(static_cast<void*>(items.data()), kPoisonByte, items.size() * sizeof(T));
  }
}

}  // namespace vel::platform::engine::detail
