// A printer driver for the driver host's tests: it hands out the full 23-entry table and writes
// each call to the platform's call log in a canonical text ("drv: ..."), enumerating the paths,
// clips and strings it receives, realizing brushes through BRUSHOBJ_pvGetRbrush and reading
// transforms and source bits. Quiet mode does the same work without logging (benchmarks).
//
// Test conventions: a DEVMODE with dmCopies 2 asks for a banding surface (bands of 3300 rows);
// DrvPaint with mix 0 punts (answers FALSE); escape 0x7001 reads the first point of the last
// stroked path after its call has returned (a fault that poison mode exposes).
#include <atomic>
#include <cstdio>
#include <string>

#include "platform/CallLog.h"
#include "platform/engine/winddi.h"

#define VEL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr ULONG kTag = 0x76726454;  // "Tdrv"
constexpr LONG kWidth = 5100;
constexpr LONG kHeight = 6600;
constexpr LONG kBandStep = 3300;

std::atomic<bool> g_quiet{false};
thread_local const POINTFIX* t_kept_points = nullptr;
std::atomic<unsigned long long> g_work{0};

struct Pdev {
  HDEV hdev;
  HSURF surface;
  bool banding;
  LONG band_y;
};

bool Quiet() { return g_quiet.load(std::memory_order_relaxed); }

void Log(const std::string& line) {
  if (!Quiet()) {
    vel::platform::LogCall("drv: " + line);
  }
}

std::string N(long long value) { return std::to_string(value); }

std::string Hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "%06lX", value);
  return text;
}

std::string Rect(const RECTL& r) {
  return "(" + N(r.left) + "," + N(r.top) + "," + N(r.right) + "," + N(r.bottom) + ")";
}

std::string Narrow(const WCHAR* text) {
  std::string out;
  for (; text != nullptr && *text != 0; ++text) {
    out += static_cast<char>(*text < 0x80 ? *text : '?');
  }
  return out;
}

std::string Fix(const POINTFIX& p) {
  auto part = [](FIX v) {
    std::string text = N(v / 16);
    if (v % 16 != 0) {
      text += '+';
      text += N((v % 16 + 16) % 16);
      text += "/16";
    }
    return text;
  };
  std::string text = part(p.x);
  text += ',';
  text += part(p.y);
  return text;
}

void LogPath(const char* what, PATHOBJ* ppo) {
  if (ppo == nullptr) {
    Log(std::string("  ") + what + " none");
    return;
  }
  PATHOBJ_vEnumStart(ppo);
  PATHDATA data;
  BOOL more;
  do {
    more = PATHOBJ_bEnum(ppo, &data);
    std::string line = std::string("  ") + what + " record flags " + N(data.flags) + ":";
    for (ULONG i = 0; i < data.count; ++i) {
      g_work += static_cast<unsigned>(data.pptfx[i].x ^ data.pptfx[i].y);
      if (!Quiet()) {
        line += ' ';
        line += Fix(data.pptfx[i]);
      }
    }
    if (data.count > 0) {
      t_kept_points = data.pptfx;
    }
    Log(line);
  } while (more);
}

void LogClip(CLIPOBJ* pco) {
  if (pco == nullptr) {
    Log("  clip none");
    return;
  }
  Log("  clip complexity " + N(pco->iDComplexity) + " mode " + N(pco->iMode) + " bounds " +
      Rect(pco->rclBounds));
  if (pco->iDComplexity != DC_COMPLEX) {
    return;
  }
  if (pco->iMode == TC_PATHOBJ) {
    PATHOBJ* path = CLIPOBJ_ppoGetPath(pco);
    LogPath("clip path", path);
    EngDeletePath(path);
    return;
  }
  ULONG count = CLIPOBJ_cEnumStart(pco, FALSE, CT_RECTANGLES, CD_ANY, 100);
  std::string line = "  clip " + N(count) + " rectangles:";
  ULONG buffer[33];
  BOOL more;
  do {
    more = CLIPOBJ_bEnum(pco, sizeof buffer, buffer);
    auto* rects = reinterpret_cast<ENUMRECTS*>(buffer);
    for (ULONG i = 0; i < rects->c; ++i) {
      line += ' ';
      line += Rect(rects->arcl[i]);
    }
  } while (more);
  Log(line);
}

void LogBrush(const char* what, BRUSHOBJ* pbo) {
  if (pbo == nullptr) {
    Log(std::string("  ") + what + " none");
    return;
  }
  if (pbo->iSolidColor != 0xFFFFFFFF) {
    Log(std::string("  ") + what + " solid " + Hex(pbo->iSolidColor));
    return;
  }
  auto* realized = static_cast<ULONG*>(BRUSHOBJ_pvGetRbrush(pbo));
  if (realized == nullptr) {
    Log(std::string("  ") + what + " not realized");
    return;
  }
  Log(std::string("  ") + what + " realized hatch " + N(realized[0]) + " colours " +
      Hex(realized[1]) + " " + Hex(realized[2]) + " checksum " + N(realized[3]));
}

void LogXform(XFORMOBJ* pxo) {
  if (pxo == nullptr) {
    Log("  xform none");
    return;
  }
  FLOATOBJ_XFORM m;
  ULONG complexity = XFORMOBJ_iGetFloatObjXform(pxo, &m);
  Log("  xform complexity " + N(complexity) + " m11 " + N(FLOATOBJ_GetLong(&m.eM11)) + " m22 " +
      N(FLOATOBJ_GetLong(&m.eM22)));
}

void LogLine(LINEATTRS* pla) {
  if (pla == nullptr) {
    Log("  line none");
    return;
  }
  std::string line = "  line fl " + N(pla->fl) + " join " + N(pla->iJoin) + " cap " +
                     N(pla->iEndCap) + " width " + N(pla->elWidth.l) + " styles " +
                     N(pla->cstyle);
  for (ULONG i = 0; i < pla->cstyle; ++i) {
    line += ' ';
    line += N(pla->pstyle[i].l);
  }
  Log(line);
}

// The sum of a surface's bytes, row by row through pvScan0 and lDelta.
unsigned long Checksum(SURFOBJ* pso) {
  unsigned long sum = 0;
  if (pso == nullptr || pso->pvBits == nullptr) {
    return 0;
  }
  if (pso->iBitmapFormat == BMF_4RLE || pso->iBitmapFormat == BMF_8RLE) {
    for (ULONG i = 0; i < pso->cjBits; ++i) {
      sum += static_cast<BYTE*>(pso->pvBits)[i];
    }
    return sum;
  }
  LONG stride = pso->lDelta < 0 ? -pso->lDelta : pso->lDelta;
  for (LONG y = 0; y < pso->sizlBitmap.cy; ++y) {
    const BYTE* row = static_cast<BYTE*>(pso->pvScan0) + static_cast<std::ptrdiff_t>(y) * pso->lDelta;
    for (LONG i = 0; i < stride; ++i) {
      sum += row[i] * static_cast<unsigned long>(y + 1);
    }
  }
  return sum;
}

std::string Surface(SURFOBJ* pso) {
  if (pso == nullptr) {
    return "none";
  }
  return "type " + N(pso->iType) + " format " + N(pso->iBitmapFormat) + " " +
         N(pso->sizlBitmap.cx) + "x" + N(pso->sizlBitmap.cy) +
         ((pso->fjBitmap & BMF_TOPDOWN) != 0 ? " top-down" : " bottom-up") + " checksum " +
         N(static_cast<long long>(Checksum(pso)));
}

void LogXlate(XLATEOBJ* pxlo) {
  if (pxlo == nullptr) {
    Log("  xlate none");
    return;
  }
  ULONG* table = pxlo->pulXlate != nullptr ? pxlo->pulXlate : XLATEOBJ_piVector(pxlo);
  std::string line = "  xlate " + N(pxlo->iSrcType) + "->" + N(pxlo->iDstType) +
                     (pxlo->pulXlate == nullptr ? " (vector)" : "") + ":";
  for (ULONG i = 0; i < pxlo->cEntries && table != nullptr; ++i) {
    line += ' ';
    line += Hex(table[i]);
  }
  Log(line);
}

Pdev* PdevOf(SURFOBJ* pso) {
  return pso == nullptr ? nullptr : reinterpret_cast<Pdev*>(pso->dhpdev);
}

// --- The DDI functions ------------------------------------------------------------------------

DHPDEV EnablePDEV(DEVMODEW* pdm, LPWSTR port, ULONG cPat, HSURF* patterns, ULONG cjCaps,
                  ULONG* caps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev, LPWSTR device,
                  HANDLE) {
  auto* gdi = reinterpret_cast<GDIINFO*>(caps);
  bool untouched = gdi->ulVRefresh == 0xA5A5A5A5 && pdi->cFonts == 0xA5A5A5A5;
  Log("DrvEnablePDEV(port " + Narrow(port) + ", device " + Narrow(device) + ", copies " +
      N(pdm != nullptr ? pdm->dmCopies : -1) + ", patterns " + N(cPat) + ", caps " + N(cjCaps) +
      ", devinfo " + N(cjDevInfo) + ", marker " + (untouched ? "seen" : "lost") + ")");
  auto* pdev = static_cast<Pdev*>(EngAllocMem(FL_ZERO_MEMORY, sizeof(Pdev), kTag));
  if (pdev == nullptr) {
    return nullptr;
  }
  pdev->banding = pdm != nullptr && pdm->dmCopies == 2;
  for (ULONG i = 0; i < cPat; ++i) {
    patterns[i] = nullptr;
  }
  gdi->ulVersion = 0x401;
  gdi->ulTechnology = DT_RASPRINTER;
  gdi->ulHorzRes = kWidth;
  gdi->ulVertRes = kHeight;
  gdi->ulLogPixelsX = 600;
  gdi->ulLogPixelsY = 600;
  // A resolution asked for in the DEVMODE is taken as it is, so job players can test units.
  if (pdm != nullptr && (pdm->dmFields & DM_PRINTQUALITY) != 0 && pdm->dmPrintQuality > 0) {
    gdi->ulLogPixelsX = static_cast<ULONG>(pdm->dmPrintQuality);
    gdi->ulLogPixelsY = (pdm->dmFields & DM_YRESOLUTION) != 0 && pdm->dmYResolution > 0
                            ? static_cast<ULONG>(pdm->dmYResolution)
                            : gdi->ulLogPixelsX;
  }
  // The paper's unprintable margin: a sixth of an inch across, a twelfth down.
  gdi->ptlPhysOffset = POINTL{static_cast<LONG>(gdi->ulLogPixelsX / 6),
                              static_cast<LONG>(gdi->ulLogPixelsY / 12)};
  pdi->flGraphicsCaps = GCAPS_BEZIERS | GCAPS_ALTERNATEFILL | GCAPS_WINDINGFILL;
  pdi->cFonts = 0;
  pdi->iDitherFormat = BMF_24BPP;
  pdi->hpalDefault = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
  pdev->hdev = hdev;
  return reinterpret_cast<DHPDEV>(pdev);
}

void CompletePDEV(DHPDEV dhpdev, HDEV hdev) {
  auto* pdev = reinterpret_cast<Pdev*>(dhpdev);
  Log(std::string("DrvCompletePDEV(") + (pdev->hdev == hdev ? "same hdev" : "other hdev") + ")");
}

void DisablePDEV(DHPDEV dhpdev) {
  Log("DrvDisablePDEV");
  EngFreeMem(dhpdev);
}

HSURF EnableSurface(DHPDEV dhpdev) {
  auto* pdev = reinterpret_cast<Pdev*>(dhpdev);
  Log(std::string("DrvEnableSurface") + (pdev->banding ? " (banding)" : ""));
  HSURF surface =
      EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), SIZEL{kWidth, kHeight}, BMF_24BPP);
  if (surface == nullptr) {
    return nullptr;
  }
  EngAssociateSurface(surface, pdev->hdev,
                      HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH |
                          HOOK_FILLPATH | HOOK_STROKEANDFILLPATH | HOOK_COPYBITS);
  if (pdev->banding) {
    EngMarkBandingSurface(surface);
  }
  pdev->surface = surface;
  return surface;
}

void DisableSurface(DHPDEV dhpdev) {
  auto* pdev = reinterpret_cast<Pdev*>(dhpdev);
  Log("DrvDisableSurface");
  if (pdev->surface != nullptr) {
    EngDeleteSurface(pdev->surface);
    pdev->surface = nullptr;
  }
}

BOOL ResetPDEV(DHPDEV old_pdev, DHPDEV new_pdev) {
  Log(std::string("DrvResetPDEV(") + (old_pdev != new_pdev ? "two PDEVs" : "one PDEV") + ")");
  return TRUE;
}

BOOL StartDoc(SURFOBJ* pso, LPWSTR name, DWORD job) {
  Log("DrvStartDoc(" + Narrow(name) + ", job " + N(job) + ", surface " +
      (pso != nullptr && pso->iType == STYPE_DEVICE ? "device" : "other") + ")");
  return TRUE;
}

BOOL EndDoc(SURFOBJ*, FLONG fl) {
  Log("DrvEndDoc(" + N(fl) + ")");
  return TRUE;
}

BOOL StartPage(SURFOBJ* pso) {
  Log(std::string("DrvStartPage(abort ") + (EngCheckAbort(pso) ? "set" : "clear") + ")");
  return TRUE;
}

BOOL SendPage(SURFOBJ*) {
  Log("DrvSendPage");
  return TRUE;
}

BOOL StartBanding(SURFOBJ* pso, POINTL* pptl) {
  PdevOf(pso)->band_y = 0;
  *pptl = POINTL{0, 0};
  Log("DrvStartBanding -> (0,0)");
  return TRUE;
}

BOOL NextBand(SURFOBJ* pso, POINTL* pptl) {
  Pdev* pdev = PdevOf(pso);
  pdev->band_y += kBandStep;
  *pptl = pdev->band_y < kHeight ? POINTL{0, pdev->band_y} : POINTL{-1, -1};
  Log("DrvNextBand -> (" + N(pptl->x) + "," + N(pptl->y) + ")");
  return TRUE;
}

BOOL RealizeBrush(BRUSHOBJ* pbo, SURFOBJ* target, SURFOBJ* pattern, SURFOBJ*, XLATEOBJ* pxlo,
                  ULONG hatch) {
  Log("DrvRealizeBrush(hatch " + N(hatch) + ", target " +
      (target != nullptr && target->iType == STYPE_DEVICE ? "device" : "other") + ", pattern " +
      Surface(pattern) + ")");
  LogXlate(pxlo);
  auto* record = static_cast<ULONG*>(BRUSHOBJ_pvAllocRbrush(pbo, 16));
  if (record == nullptr) {
    return FALSE;
  }
  record[0] = hatch;
  record[1] = XLATEOBJ_iXlate(pxlo, 0);
  record[2] = XLATEOBJ_iXlate(pxlo, 1);
  record[3] = static_cast<ULONG>(Checksum(pattern));
  return TRUE;
}

BOOL StrokePath(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                POINTL* org, LINEATTRS* pla, MIX mix) {
  Log("DrvStrokePath(mix " + N(mix) + ", brush origin " + N(org->x) + "," + N(org->y) + ")");
  LogPath("path", ppo);
  LogClip(pco);
  LogXform(pxo);
  LogBrush("brush", pbo);
  LogLine(pla);
  return TRUE;
}

BOOL FillPath(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL*, MIX mix,
              FLONG options) {
  Log("DrvFillPath(mix " + N(mix) + ", options " + N(options) + ")");
  LogPath("path", ppo);
  LogClip(pco);
  LogBrush("brush", pbo);
  return TRUE;
}

BOOL StrokeAndFillPath(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* stroke,
                       LINEATTRS* pla, BRUSHOBJ* fill, POINTL*, MIX mix, FLONG options) {
  Log("DrvStrokeAndFillPath(mix " + N(mix) + ", options " + N(options) + ")");
  LogPath("path", ppo);
  LogClip(pco);
  LogXform(pxo);
  LogBrush("stroke", stroke);
  LogLine(pla);
  LogBrush("fill", fill);
  return TRUE;
}

BOOL Paint(SURFOBJ*, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL*, MIX mix) {
  Log("DrvPaint(mix " + N(mix) + ")");
  LogClip(pco);
  LogBrush("brush", pbo);
  return mix == 0 ? FALSE : TRUE;
}

BOOL BitBlt(SURFOBJ*, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* target,
            POINTL* from, POINTL*, BRUSHOBJ* pbo, POINTL*, ROP4 rop4) {
  Log("DrvBitBlt(rop " + Hex(rop4) + ", target " + Rect(*target) + ", source " + Surface(src) +
      (from != nullptr ? " from " + N(from->x) + "," + N(from->y) : std::string()) +
      (mask != nullptr ? ", mask " + Surface(mask) : std::string()) + ")");
  LogClip(pco);
  LogXlate(pxlo);
  LogBrush("brush", pbo);
  return TRUE;
}

BOOL CopyBits(SURFOBJ*, SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* target, POINTL*) {
  Log("DrvCopyBits(target " + Rect(*target) + ", source " + Surface(src) + ")");
  LogClip(pco);
  LogXlate(pxlo);
  return TRUE;
}

BOOL StretchBlt(SURFOBJ*, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                COLORADJUSTMENT*, POINTL*, RECTL* target, RECTL* from, POINTL*, ULONG mode) {
  Log("DrvStretchBlt(mode " + N(mode) + ", target " + Rect(*target) + ", from " + Rect(*from) +
      ", source " + Surface(src) +
      (mask != nullptr ? ", mask " + Surface(mask) : std::string()) + ")");
  LogClip(pco);
  LogXlate(pxlo);
  return TRUE;
}

void LogFont(FONTOBJ* pfo) {
  IFIMETRICS* ifi = FONTOBJ_pifi(pfo);
  FLOATOBJ_XFORM m;
  XFORMOBJ_iGetFloatObjXform(FONTOBJ_pxoGetXform(pfo), &m);
  auto milli = [](FLOATOBJ value) {
    FLOATOBJ thousand;
    FLOATOBJ_SetLong(&thousand, 1000);
    FLOATOBJ_Mul(&value, &thousand);
    return N(FLOATOBJ_GetLong(&value));
  };
  ULONG size = 0;
  FONTOBJ_pvTrueTypeFontFile(pfo, &size);
  Log("  font type " + N(pfo->flFontType) + " family " +
      Narrow(reinterpret_cast<const WCHAR*>(reinterpret_cast<BYTE*>(ifi) +
                                            ifi->dpwszFamilyName)) +
      " units " + N(ifi->fwdUnitsPerEm) + " weight " + N(ifi->usWinWeight) + " charset " +
      N(ifi->jWinCharSet) + " xform " + milli(m.eM11) + " " + milli(m.eM12) + " " +
      milli(m.eM21) + " " + milli(m.eM22) + " file " + (size > 0 ? "yes" : "no"));
}

void LogGlyph(FONTOBJ* pfo, const GLYPHPOS& position) {
  HGLYPH glyph = position.hg;
  PVOID bits = nullptr;
  if (FONTOBJ_cGetGlyphs(pfo, FO_GLYPHBITS, 1, &glyph, &bits) != 1) {
    Log("  glyph " + N(glyph) + " has no bits");
    return;
  }
  auto* glyph_bits = static_cast<GLYPHBITS*>(bits);
  LONG row = (glyph_bits->sizlBitmap.cx + 7) / 8;
  unsigned long sum = 0;
  for (LONG i = 0; i < row * glyph_bits->sizlBitmap.cy; ++i) {
    sum += glyph_bits->aj[i] * static_cast<unsigned long>(i + 1);
  }
  g_work += sum;
  Log("  glyph " + N(glyph) + " at " + N(position.ptl.x) + "," + N(position.ptl.y) + ": " +
      N(glyph_bits->sizlBitmap.cx) + "x" + N(glyph_bits->sizlBitmap.cy) + " origin " +
      N(glyph_bits->ptlOrigin.x) + "," + N(glyph_bits->ptlOrigin.y) + " checksum " +
      N(static_cast<long long>(sum)));
}

BOOL TextOut(SURFOBJ*, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* extra, RECTL* opaque,
             BRUSHOBJ* fore, BRUSHOBJ* opaque_brush, POINTL*, MIX mix) {
  Log("DrvTextOut(mix " + N(mix) + ", glyphs " + N(pstro->cGlyphs) + ", accel " +
      Hex(pstro->flAccel) + ", increment " + N(pstro->ulCharInc) + ", code page " +
      N(STROBJ_dwGetCodePage(pstro)) + ", text " +
      (pstro->pwszOrg != nullptr
           ? Narrow(std::u16string(pstro->pwszOrg, pstro->cGlyphs).c_str())
           : std::string("(glyph indices)")) +
      ", positions " + (pstro->pgp != nullptr ? "given" : "enumerated") + ")");
  LogFont(pfo);
  if ((pfo->flFontType & FO_TYPE_DEVICE) != 0) {
    Log("  refused: a device font");
    return FALSE;
  }
  // Drivers enumerate even when pgp is given: the engine may hand the glyphs out in batches.
  STROBJ_vEnumStart(pstro);
  ULONG count = 0;
  GLYPHPOS* positions = nullptr;
  BOOL more;
  do {
    more = STROBJ_bEnum(pstro, &count, &positions);
    if (more == static_cast<BOOL>(DDI_ERROR)) {
      Log("  enumeration failed");
      return FALSE;
    }
    for (ULONG i = 0; i < count; ++i) {
      LogGlyph(pfo, positions[i]);
    }
  } while (more == TRUE);
  LogClip(pco);
  LogBrush("fore", fore);
  for (RECTL* r = extra; r != nullptr && (r->left | r->top | r->right | r->bottom) != 0; ++r) {
    Log("  extra " + Rect(*r));
  }
  if (opaque != nullptr) {
    Log("  opaque " + Rect(*opaque));
    LogBrush("opaque brush", opaque_brush);
  }
  return TRUE;
}

void DestroyFont(FONTOBJ*) { Log("DrvDestroyFont"); }

ULONG Escape(SURFOBJ*, ULONG escape, ULONG cj_in, PVOID, ULONG cj_out, PVOID) {
  if (escape == 0x7001 && t_kept_points != nullptr) {
    // Reads engine memory of a call that has returned: the fault under test.
    return static_cast<ULONG>(t_kept_points->x);
  }
  Log("DrvEscape(" + N(escape) + ", in " + N(cj_in) + ", out " + N(cj_out) + ")");
  return cj_in;
}

template <typename F>
PFN P(F f) {
  return reinterpret_cast<PFN>(f);
}

const DRVFN kTable[] = {
    {INDEX_DrvEnablePDEV, P(EnablePDEV)},
    {INDEX_DrvResetPDEV, P(ResetPDEV)},
    {INDEX_DrvCompletePDEV, P(CompletePDEV)},
    {INDEX_DrvDisablePDEV, P(DisablePDEV)},
    {INDEX_DrvEnableSurface, P(EnableSurface)},
    {INDEX_DrvDisableSurface, P(DisableSurface)},
    {INDEX_DrvStartDoc, P(StartDoc)},
    {INDEX_DrvEndDoc, P(EndDoc)},
    {INDEX_DrvStartPage, P(StartPage)},
    {INDEX_DrvSendPage, P(SendPage)},
    {INDEX_DrvRealizeBrush, P(RealizeBrush)},
    {INDEX_DrvStrokePath, P(StrokePath)},
    {INDEX_DrvFillPath, P(FillPath)},
    {INDEX_DrvStrokeAndFillPath, P(StrokeAndFillPath)},
    {INDEX_DrvPaint, P(Paint)},
    {INDEX_DrvBitBlt, P(BitBlt)},
    {INDEX_DrvStretchBlt, P(StretchBlt)},
    {INDEX_DrvCopyBits, P(CopyBits)},
    {INDEX_DrvTextOut, P(TextOut)},
    {INDEX_DrvDestroyFont, P(DestroyFont)},
    {INDEX_DrvEscape, P(Escape)},
    {INDEX_DrvStartBanding, P(StartBanding)},
    {INDEX_DrvNextBand, P(NextBand)},
};

}  // namespace

VEL_EXPORT BOOL DrvEnableDriver(ULONG version, ULONG cj, DRVENABLEDATA* ded) {
  Log("DrvEnableDriver(" + Hex(version) + ", " + N(cj) + ")");
  if (version < DDI_DRIVER_VERSION_NT4 || cj < 12 || ded == nullptr) {
    return FALSE;
  }
  ded->iDriverVersion = DDI_DRIVER_VERSION_NT4;
  ded->c = sizeof kTable / sizeof kTable[0];
  ded->pdrvfn = const_cast<DRVFN*>(kTable);
  return TRUE;
}

VEL_EXPORT void DrvDisableDriver() { Log("DrvDisableDriver"); }

VEL_EXPORT void LoggingDriverSetQuiet(bool quiet) { g_quiet = quiet; }
