// Stand-in engine surfaces: device surfaces (no bits), engine bitmaps with their lock ledger,
// palettes, the run-length decoding of EngCopyBits and the abort flag.
#include <cstring>
#include <new>
#include <string>

#include "platform/CallLog.h"
#include "platform/engine/EngineLedger.h"
#include "platform/engine/EngineObjects.h"

using vel::platform::LogCall;
using vel::platform::ShouldFail;
namespace detail = vel::platform::engine::detail;

struct HPALETTE__ {
  ULONG mode = 0;
  std::vector<ULONG> colors;
  std::uint32_t generation = 0;
};

namespace vel::platform::engine {

ULONG BitmapStride(ULONG format, LONG width) {
  static constexpr ULONG kBits[] = {0, 1, 4, 8, 16, 24, 32, 4, 8};
  if (format == 0 || format > BMF_8RLE || width <= 0) {
    return 0;
  }
  return static_cast<ULONG>(((static_cast<std::uint64_t>(width) * kBits[format] + 31) / 32) * 4);
}

namespace detail {
namespace {

constexpr ULONG kBitmapTag = 0x706D6245;  // "Ebmp"
std::atomic<ULONG> g_uniq{1};

HSURF NewSurface(ULONG format, SIZEL size, USHORT type) {
  auto* surface = new (std::nothrow) Surface;
  if (surface == nullptr) {
    return nullptr;
  }
  surface->so.hsurf = reinterpret_cast<HSURF>(surface);
  surface->so.sizlBitmap = size;
  surface->so.iBitmapFormat = format;
  surface->so.iType = type;
  surface->so.iUniq = g_uniq.fetch_add(1, std::memory_order_relaxed);
  surface->generation = CountCreated(Kind::kSurface);
  return surface->so.hsurf;
}

// Points the surface at its bits: rows of `stride` bytes, top-down or bottom-up.
void SetBits(SURFOBJ& so, PVOID bits, ULONG stride, bool top_down, ULONG format) {
  so.pvBits = bits;
  if (format == BMF_4RLE || format == BMF_8RLE) {
    so.pvScan0 = bits;
    so.lDelta = 0;
    return;
  }
  so.cjBits = stride * static_cast<ULONG>(so.sizlBitmap.cy);
  so.fjBitmap = top_down ? BMF_TOPDOWN : 0;
  if (top_down) {
    so.pvScan0 = bits;
    so.lDelta = static_cast<LONG>(stride);
  } else {
    so.pvScan0 = static_cast<BYTE*>(bits) + static_cast<std::size_t>(stride) *
                                                static_cast<std::size_t>(so.sizlBitmap.cy - 1);
    so.lDelta = -static_cast<LONG>(stride);
  }
}

}  // namespace

Surface* SurfaceOf(HSURF hsurf) { return reinterpret_cast<Surface*>(hsurf); }

Surface* SurfaceOf(SURFOBJ* pso) { return reinterpret_cast<Surface*>(pso); }

HSURF MakeBitmapSurface(const BitmapSpec& spec, bool copy_bits) {
  HSURF hsurf = NewSurface(spec.format, SIZEL{spec.width, spec.height}, STYPE_BITMAP);
  if (hsurf == nullptr) {
    return nullptr;
  }
  Surface* surface = SurfaceOf(hsurf);
  auto bytes = static_cast<ULONG>(spec.bits.size());
  PVOID bits = const_cast<BYTE*>(spec.bits.data());
  if (copy_bits && bytes > 0) {
    bits = EngAllocMem(0, bytes, kBitmapTag);
    if (bits != nullptr) {
      std::memcpy(bits, spec.bits.data(), bytes);
      surface->engine_bits = true;
    }
  }
  SetBits(surface->so, bits, BitmapStride(spec.format, spec.width), spec.top_down, spec.format);
  if (spec.format == BMF_4RLE || spec.format == BMF_8RLE) {
    surface->so.cjBits = bytes;
    surface->so.fjBitmap = spec.top_down ? BMF_TOPDOWN : 0;
  }
  return hsurf;
}

}  // namespace detail
}  // namespace vel::platform::engine

using vel::platform::engine::BitmapStride;
using detail::Surface;
using detail::SurfaceOf;

HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat) {
  if (ShouldFail("EngCreateDeviceSurface")) {
    LogCall("EngCreateDeviceSurface = 0 (forced)");
    return nullptr;
  }
  HSURF hsurf = detail::NewSurface(iFormatCompat, sizl, STYPE_DEVICE);
  if (hsurf != nullptr) {
    SurfaceOf(hsurf)->so.dhsurf = dhsurf;
  }
  LogCall("EngCreateDeviceSurface(" + std::to_string(sizl.cx) + " x " + std::to_string(sizl.cy) +
          ", format " + std::to_string(iFormatCompat) + ")");
  return hsurf;
}

BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks) {
  if (ShouldFail("EngAssociateSurface") || hsurf == nullptr) {
    LogCall("EngAssociateSurface = FALSE");
    return FALSE;
  }
  Surface* surface = SurfaceOf(hsurf);
  surface->so.hdev = hdev;
  surface->so.dhpdev = vel::platform::engine::detail::DevicePdev(hdev);
  surface->hooks = flHooks;
  LogCall("EngAssociateSurface(hooks " + detail::Hex(flHooks) + ")");
  return TRUE;
}

BOOL EngMarkBandingSurface(HSURF hsurf) {
  if (ShouldFail("EngMarkBandingSurface") || hsurf == nullptr) {
    LogCall("EngMarkBandingSurface = FALSE");
    return FALSE;
  }
  SurfaceOf(hsurf)->banding = true;
  LogCall("EngMarkBandingSurface");
  return TRUE;
}

BOOL EngDeleteSurface(HSURF hsurf) {
  if (ShouldFail("EngDeleteSurface") || hsurf == nullptr) {
    LogCall("EngDeleteSurface = FALSE");
    return FALSE;
  }
  Surface* surface = SurfaceOf(hsurf);
  if (surface->locks.load() != 0) {
    detail::AddProblem("EngDeleteSurface of a locked surface");
  }
  if (surface->engine_bits) {
    if (detail::Poison() && surface->so.cjBits > 0) {
      std::memset(surface->so.pvBits, detail::kPoisonByte, surface->so.cjBits);
    }
    EngFreeMem(surface->so.pvBits);
  }
  detail::CountDeleted(detail::Kind::kSurface, surface->generation);
  if (surface->so.iType == STYPE_DEVICE) {
    LogCall("EngDeleteSurface(device)");
  } else if (detail::FullLogging()) {
    LogCall("EngDeleteSurface(bitmap)");
  }
  delete surface;
  return TRUE;
}

HBITMAP EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits) {
  if (ShouldFail("EngCreateBitmap") || sizl.cx <= 0 || sizl.cy <= 0 || iFormat == 0 ||
      iFormat > BMF_8RLE) {
    LogCall("EngCreateBitmap = 0");
    return nullptr;
  }
  ULONG stride = static_cast<ULONG>(lWidth < 0 ? -static_cast<std::int64_t>(lWidth) : lWidth);
  if (stride == 0) {
    stride = BitmapStride(iFormat, sizl.cx);
  }
  std::uint64_t bytes = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(sizl.cy);
  if (bytes > 0x7FFFFFFF) {
    LogCall("EngCreateBitmap = 0 (too large)");
    return nullptr;
  }
  HSURF hsurf = detail::NewSurface(iFormat, sizl, STYPE_BITMAP);
  if (hsurf == nullptr) {
    return nullptr;
  }
  Surface* surface = SurfaceOf(hsurf);
  if (pvBits == nullptr) {
    pvBits = EngAllocMem(FL_ZERO_MEMORY, static_cast<ULONG>(bytes), detail::kBitmapTag);
    if (pvBits == nullptr) {
      detail::CountDeleted(detail::Kind::kSurface, surface->generation);
      delete surface;
      LogCall("EngCreateBitmap = 0 (no memory)");
      return nullptr;
    }
    surface->engine_bits = true;
  }
  detail::SetBits(surface->so, pvBits, stride, (fl & BMF_TOPDOWN) != 0, iFormat);
  if (detail::FullLogging()) {
    LogCall("EngCreateBitmap(" + std::to_string(sizl.cx) + " x " + std::to_string(sizl.cy) +
            ", stride " + std::to_string(stride) + ", format " + std::to_string(iFormat) + ")");
  }
  return reinterpret_cast<HBITMAP>(hsurf);
}

SURFOBJ* EngLockSurface(HSURF hsurf) {
  if (ShouldFail("EngLockSurface") || hsurf == nullptr) {
    LogCall("EngLockSurface = null");
    return nullptr;
  }
  Surface* surface = SurfaceOf(hsurf);
  surface->locks.fetch_add(1);
  detail::CountCreated(detail::Kind::kSurfaceLock);
  return &surface->so;
}

void EngUnlockSurface(SURFOBJ* pso) {
  if (pso == nullptr) {
    return;
  }
  Surface* surface = SurfaceOf(pso);
  if (surface->locks.fetch_sub(1) <= 0) {
    surface->locks.fetch_add(1);
    detail::AddProblem("EngUnlockSurface of a surface that is not locked");
    return;
  }
  detail::CountDeleted(detail::Kind::kSurfaceLock, detail::Generation());
}

BOOL EngCheckAbort(SURFOBJ* pso) {
  if (pso == nullptr) {
    return FALSE;
  }
  const std::atomic<bool>* abort = SurfaceOf(pso)->abort;
  return abort != nullptr && abort->load() ? TRUE : FALSE;
}

HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG, FLONG, FLONG) {
  if (ShouldFail("EngCreatePalette")) {
    LogCall("EngCreatePalette = 0 (forced)");
    return nullptr;
  }
  auto* palette = new (std::nothrow) HPALETTE__;
  if (palette == nullptr) {
    return nullptr;
  }
  palette->mode = iMode;
  if (pulColors != nullptr) {
    palette->colors.assign(pulColors, pulColors + cColors);
  }
  palette->generation = detail::CountCreated(detail::Kind::kPalette);
  LogCall("EngCreatePalette(mode " + std::to_string(iMode) + ", " + std::to_string(cColors) +
          " colours)");
  return palette;
}

BOOL EngDeletePalette(HPALETTE hpal) {
  if (hpal == nullptr) {
    return FALSE;
  }
  detail::CountDeleted(detail::Kind::kPalette, hpal->generation);
  LogCall("EngDeletePalette");
  delete hpal;
  return TRUE;
}

namespace {

// Decodes DIB RLE4/RLE8 into an 8-bit top-down picture. Row 0 of the encoding is the bottom row
// unless the source is marked top-down. Runs that reach past the picture are cut off.
class RleDecoder {
 public:
  RleDecoder(const SURFOBJ& source, SURFOBJ& target, XLATEOBJ* xlate)
      : source_(source), target_(target), xlate_(xlate) {}

  void Run() {
    const auto* data = static_cast<const BYTE*>(source_.pvBits);
    std::size_t size = source_.cjBits;
    bool four = source_.iBitmapFormat == BMF_4RLE;
    std::size_t at = 0;
    while (at + 1 < size) {
      BYTE count = data[at];
      BYTE value = data[at + 1];
      at += 2;
      if (count > 0) {
        for (int i = 0; i < count; ++i) {
          Put(four ? ((i & 1) == 0 ? value >> 4 : value & 0xF) : value);
        }
        continue;
      }
      if (value == 0) {  // end of line
        x_ = 0;
        ++row_;
      } else if (value == 1) {  // end of bitmap
        return;
      } else if (value == 2) {  // delta
        if (at + 1 >= size) {
          return;
        }
        x_ += data[at];
        row_ += data[at + 1];
        at += 2;
      } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
        std::size_t bytes = four ? (value + 1) / 2 : value;
        if (at + bytes > size) {
          return;
        }
        for (int i = 0; i < value; ++i) {
          Put(four ? ((i & 1) == 0 ? data[at + i / 2] >> 4 : data[at + i / 2] & 0xF)
                   : data[at + i]);
        }
        at += (bytes + 1) & ~std::size_t{1};
      }
    }
  }

 private:
  void Put(ULONG index) {
    LONG cy = source_.sizlBitmap.cy;
    if (x_ < source_.sizlBitmap.cx && x_ < target_.sizlBitmap.cx && row_ < cy &&
        row_ < target_.sizlBitmap.cy) {
      LONG y = (source_.fjBitmap & BMF_TOPDOWN) != 0 ? row_ : cy - 1 - row_;
      if (y < target_.sizlBitmap.cy) {
        auto* line = static_cast<BYTE*>(target_.pvScan0) +
                     static_cast<std::ptrdiff_t>(y) * target_.lDelta;
        line[x_] = static_cast<BYTE>(xlate_ == nullptr ? index : XLATEOBJ_iXlate(xlate_, index));
      }
    }
    ++x_;
  }

  const SURFOBJ& source_;
  SURFOBJ& target_;
  XLATEOBJ* xlate_;
  LONG x_ = 0;
  LONG row_ = 0;
};

}  // namespace

BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ*, XLATEOBJ* pxlo, RECTL*, POINTL*) {
  if (ShouldFail("EngCopyBits") || psoDest == nullptr || psoSrc == nullptr ||
      psoDest->iBitmapFormat != BMF_8BPP ||
      (psoSrc->iBitmapFormat != BMF_4RLE && psoSrc->iBitmapFormat != BMF_8RLE) ||
      psoDest->pvScan0 == nullptr || psoSrc->pvBits == nullptr) {
    LogCall("EngCopyBits = FALSE");
    return FALSE;
  }
  RleDecoder(*psoSrc, *psoDest, pxlo).Run();
  if (detail::FullLogging()) {
    LogCall("EngCopyBits(RLE " + std::to_string(psoSrc->iBitmapFormat == BMF_4RLE ? 4 : 8) + ")");
  }
  return TRUE;
}
