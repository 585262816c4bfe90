// Stand-in engine drawing objects: paths with their record enumeration, clip regions, brushes
// with their realization through the driver, colour translations and transforms.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/CallLog.h"
#include "platform/engine/EngineLedger.h"
#include "platform/engine/EngineObjects.h"

using vel::platform::LogCall;
using vel::platform::ShouldFail;
namespace engine = vel::platform::engine;
namespace detail = vel::platform::engine::detail;

namespace vel::platform::engine {
namespace {

std::mutex g_settings_mutex;
ObjectSettings g_settings;
std::atomic<ULONG> g_record_points{64};

}  // namespace

void SetObjectSettings(const ObjectSettings& settings) {
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  g_settings = settings;
  g_record_points = std::max<ULONG>(settings.path_record_points, 4);
}

ObjectSettings GetObjectSettings() {
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  return g_settings;
}

XformSpec FontTransform(double em_pixels, double units_per_em, double escapement, double width) {
  double k = units_per_em != 0 ? em_pixels / units_per_em : 0;
  double turn = std::fmod(escapement, 360.0);
  if (turn < 0) {
    turn += 360;
  }
  double c = 0;
  double s = 0;
  if (turn == 0) {
    c = 1;
  } else if (turn == 90) {
    s = 1;
  } else if (turn == 180) {
    c = -1;
  } else if (turn == 270) {
    s = -1;
  } else {
    double radians = turn * 3.14159265358979323846 / 180;
    c = std::cos(radians);
    s = std::sin(radians);
  }
  return XformSpec{k * width * c, -k * width * s, k * s, k * c, 0, 0};
}

namespace detail {
namespace {

std::atomic<bool> g_poison{false};
std::atomic<ULONG> g_uniq{1};
constexpr ULONG kBrushTag = 0x68726245;  // "Ebrh"

// Appends one run of points as records of at most `limit` points; Bézier records hold whole
// curves (threes), and the first record of a figure starts with the figure's start point.
void AddRun(Path& path, const PathRun& run, POINTFIX translate, bool first, POINTFIX start,
            ULONG limit) {
  std::size_t at = 0;
  std::size_t total = run.points.size();
  if (run.beziers) {
    total -= total % 3;
  }
  bool begin = first;
  do {
    ULONG room = limit - (begin ? 1 : 0);
    if (run.beziers) {
      room -= room % 3;
    }
    std::size_t take = std::min<std::size_t>(room, total - at);
    Path::Record record{(begin ? PD_BEGINSUBPATH : 0) | (run.beziers ? PD_BEZIERS : 0),
                        static_cast<std::uint32_t>(path.points.size()), 0};
    if (begin) {
      path.points.push_back(POINTFIX{start.x + translate.x, start.y + translate.y});
    }
    for (std::size_t i = 0; i < take; ++i) {
      const POINTFIX& p = run.points[at + i];
      path.points.push_back(POINTFIX{p.x + translate.x, p.y + translate.y});
    }
    record.count = static_cast<std::uint32_t>(path.points.size()) - record.first;
    path.records.push_back(record);
    at += take;
    begin = false;
  } while (at < total);
}

}  // namespace

void SetPoison(bool on) { g_poison = on; }

Path::~Path() { PoisonVector(points); }

Clip::~Clip() { PoisonVector(rectangles); }

Xlate::~Xlate() { PoisonVector(table); }

bool Poison() { return g_poison.load(std::memory_order_relaxed); }

std::unique_ptr<Path> MakePath(const PathSpec& spec, POINTFIX translate) {
  auto path = std::make_unique<Path>();
  ULONG limit = g_record_points.load(std::memory_order_relaxed);
  ULONG curves = 0;
  for (const PathFigure& figure : spec) {
    std::size_t first_record = path->records.size();
    bool first = true;
    for (const PathRun& run : figure.runs) {
      if (run.points.empty()) {
        continue;
      }
      AddRun(*path, run, translate, first, figure.start, limit);
      curves += run.beziers ? static_cast<ULONG>(run.points.size() / 3)
                            : static_cast<ULONG>(run.points.size());
      if (run.beziers) {
        path->po.fl |= PO_BEZIERS;
      }
      first = false;
    }
    if (first) {  // a figure of its start point alone
      path->records.push_back(Path::Record{PD_BEGINSUBPATH,
                                           static_cast<std::uint32_t>(path->points.size()), 1});
      path->points.push_back(
          POINTFIX{figure.start.x + translate.x, figure.start.y + translate.y});
    }
    path->records.back().flags |= PD_ENDSUBPATH | (figure.closed ? PD_CLOSEFIGURE : 0);
    (void)first_record;
  }
  path->po.cCurves = curves;
  return path;
}

Path* PathOf(PATHOBJ* ppo) { return reinterpret_cast<Path*>(ppo); }

std::vector<RECTL> NormaliseRegion(const std::vector<RECTL>& rectangles) {
  std::vector<LONG> edges;
  for (const RECTL& r : rectangles) {
    if (r.left < r.right && r.top < r.bottom) {
      edges.push_back(r.top);
      edges.push_back(r.bottom);
    }
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  std::vector<RECTL> result;
  std::vector<std::pair<LONG, LONG>> spans;
  std::vector<std::pair<LONG, LONG>> previous;
  std::size_t previous_first = 0;
  for (std::size_t band = 0; band + 1 < edges.size(); ++band) {
    LONG top = edges[band];
    LONG bottom = edges[band + 1];
    spans.clear();
    for (const RECTL& r : rectangles) {
      if (r.left < r.right && r.top <= top && r.bottom >= bottom) {
        spans.emplace_back(r.left, r.right);
      }
    }
    std::sort(spans.begin(), spans.end());
    std::vector<std::pair<LONG, LONG>> merged;
    for (const auto& span : spans) {
      if (!merged.empty() && span.first <= merged.back().second) {
        merged.back().second = std::max(merged.back().second, span.second);
      } else {
        merged.push_back(span);
      }
    }
    // A band with the same spans as the one just above it, touching it, grows that band.
    if (!merged.empty() && merged == previous && !result.empty() &&
        result.back().bottom == top) {
      for (std::size_t i = previous_first; i < result.size(); ++i) {
        result[i].bottom = bottom;
      }
      continue;
    }
    previous_first = result.size();
    for (const auto& span : merged) {
      result.push_back(RECTL{span.first, top, span.second, bottom});
    }
    previous = std::move(merged);
  }
  return result;
}

namespace {

RECTL Intersect(const RECTL& a, const RECTL& b) {
  return RECTL{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
}

bool Empty(const RECTL& r) { return r.left >= r.right || r.top >= r.bottom; }

bool Inside(const RECTL& inner, const RECTL& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

RECTL PathBounds(const Path& path) {
  if (path.points.empty()) {
    return RECTL{0, 0, 0, 0};
  }
  RECTL r{path.points[0].x, path.points[0].y, path.points[0].x, path.points[0].y};
  for (const POINTFIX& p : path.points) {
    r.left = std::min(r.left, p.x);
    r.top = std::min(r.top, p.y);
    r.right = std::max(r.right, p.x);
    r.bottom = std::max(r.bottom, p.y);
  }
  // Whole pixels that the fixed-point bounds touch.
  return RECTL{r.left >> 4, r.top >> 4, (r.right + 15) >> 4, (r.bottom + 15) >> 4};
}

}  // namespace

std::unique_ptr<Clip> MakeClip(const ClipSpec& spec, POINTL translate, const RECTL& surface,
                               const RECTL& bounds, bool* outside) {
  auto clip = std::make_unique<Clip>();
  clip->co.iUniq = g_uniq.fetch_add(1, std::memory_order_relaxed);
  *outside = false;
  RECTL cut_bounds = Intersect(bounds, surface);
  if (Empty(cut_bounds)) {
    *outside = true;
    return clip;
  }
  if (spec.path) {
    clip->path = MakePath(*spec.path, POINTFIX{translate.x * 16, translate.y * 16});
    RECTL path_bounds = Intersect(PathBounds(*clip->path), surface);
    clip->co.iDComplexity = DC_COMPLEX;
    clip->co.iFComplexity = FC_COMPLEX;
    clip->co.iMode = TC_PATHOBJ;
    clip->co.rclBounds = path_bounds;
    clip->rectangles.push_back(path_bounds);
    if (Empty(Intersect(path_bounds, cut_bounds))) {
      *outside = true;
    }
    return clip;
  }
  std::vector<RECTL> rectangles;
  if (spec.rectangles.empty()) {
    if (Inside(bounds, surface)) {
      clip->co.iDComplexity = DC_TRIVIAL;
      clip->co.rclBounds = surface;
      clip->rectangles.push_back(surface);
      return clip;
    }
    rectangles.push_back(surface);
  } else {
    for (RECTL r : spec.rectangles) {
      r.left += translate.x;
      r.right += translate.x;
      r.top += translate.y;
      r.bottom += translate.y;
      rectangles.push_back(Intersect(r, surface));
    }
  }
  clip->rectangles = NormaliseRegion(rectangles);
  if (clip->rectangles.empty()) {
    *outside = true;
    return clip;
  }
  RECTL all = clip->rectangles[0];
  for (const RECTL& r : clip->rectangles) {
    all.left = std::min(all.left, r.left);
    all.top = std::min(all.top, r.top);
    all.right = std::max(all.right, r.right);
    all.bottom = std::max(all.bottom, r.bottom);
  }
  clip->co.rclBounds = all;
  clip->co.iMode = TC_RECTANGLES;
  if (clip->rectangles.size() == 1) {
    clip->co.iDComplexity = DC_RECT;
    clip->co.iFComplexity = FC_RECT;
  } else {
    clip->co.iDComplexity = DC_COMPLEX;
    clip->co.iFComplexity = FC_COMPLEX;
  }
  if (Empty(Intersect(all, cut_bounds))) {
    *outside = true;
  }
  return clip;
}

Clip* ClipOf(CLIPOBJ* pco) { return reinterpret_cast<Clip*>(pco); }

std::unique_ptr<Xlate> MakeXlate(const XlateSpec& spec) {
  auto xlate = std::make_unique<Xlate>();
  xlate->xo.iUniq = g_uniq.fetch_add(1, std::memory_order_relaxed);
  xlate->xo.flXlate = spec.entries.empty() ? XO_TRIVIAL : XO_TABLE;
  xlate->xo.iSrcType = spec.source_type;
  xlate->xo.iDstType = spec.destination_type;
  xlate->table = spec.entries;
  xlate->xo.cEntries = static_cast<ULONG>(xlate->table.size());
  xlate->xo.pulXlate = spec.null_table || xlate->table.empty() ? nullptr : xlate->table.data();
  return xlate;
}

std::unique_ptr<Xform> MakeXform(const XformSpec& spec) {
  auto xform = std::make_unique<Xform>();
  double m[6] = {spec.m11, spec.m12, spec.m21, spec.m22, spec.dx, spec.dy};
  std::memcpy(xform->m, m, sizeof m);
  return xform;
}

namespace {

// The 8 × 8 hatch patterns, one byte a row from the top, most significant bit leftmost; a set
// bit is the hatch colour (translation entry 1), a clear bit the background (entry 0).
constexpr BYTE kHatches[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},  // horizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal, top left to bottom right
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},  // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
};

}  // namespace

Brush::~Brush() {
  if (realized != nullptr) {
    EngFreeMem(realized);
  }
  if (pattern != nullptr) {
    EngDeleteSurface(pattern);
  }
}

std::unique_ptr<Brush> MakeBrush(const BrushSpec& spec, PFN_DrvRealizeBrush realize,
                                 SURFOBJ* target, bool copy_bits) {
  auto brush = std::make_unique<Brush>();
  brush->kind = spec.kind;
  brush->realize = realize;
  brush->target = target;
  brush->bo.flColorType = 0;
  switch (spec.kind) {
    case BrushKind::kNone:
    case BrushKind::kSolid:
      brush->bo.iSolidColor = spec.color & 0x00FFFFFF;
      break;
    case BrushKind::kHatch: {
      brush->bo.iSolidColor = 0xFFFFFFFF;
      brush->hatch = std::min<ULONG>(spec.hatch, HS_DIAGCROSS);
      BitmapSpec bits{BMF_1BPP, 8, 8, true, std::vector<BYTE>(32, 0)};
      for (int row = 0; row < 8; ++row) {
        bits.bits[static_cast<std::size_t>(row) * 4] = kHatches[brush->hatch][row];
      }
      brush->pattern = MakeBitmapSurface(bits, true);
      XlateSpec xlate;
      xlate.source_type = PAL_INDEXED;
      xlate.entries = {spec.background, spec.color};
      brush->xlate = MakeXlate(xlate);
      break;
    }
    case BrushKind::kPattern: {
      brush->bo.iSolidColor = 0xFFFFFFFF;
      brush->hatch = HS_DDI_MAX;
      brush->pattern = MakeBitmapSurface(spec.pattern, copy_bits);
      XlateSpec xlate;
      xlate.source_type = PAL_INDEXED;
      xlate.entries = spec.palette;
      brush->xlate = MakeXlate(xlate);
      break;
    }
  }
  return brush;
}

Brush* BrushOf(BRUSHOBJ* pbo) { return reinterpret_cast<Brush*>(pbo); }

}  // namespace detail
}  // namespace vel::platform::engine

// --- Paths ------------------------------------------------------------------------------------

void PATHOBJ_vEnumStart(PATHOBJ* ppo) {
  if (ppo != nullptr) {
    detail::PathOf(ppo)->next = 0;
  }
}

BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd) {
  if (ppo == nullptr || ppd == nullptr) {
    return FALSE;
  }
  detail::Path* path = detail::PathOf(ppo);
  if (path->next >= path->records.size()) {
    ppd->flags = 0;
    ppd->count = 0;
    ppd->pptfx = nullptr;
    return FALSE;
  }
  const detail::Path::Record& record = path->records[path->next++];
  ppd->flags = record.flags;
  ppd->count = record.count;
  ppd->pptfx = path->points.data() + record.first;
  return path->next < path->records.size() ? TRUE : FALSE;
}

void PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTL* prcl) {
  if (ppo == nullptr || prcl == nullptr) {
    return;
  }
  const detail::Path* path = detail::PathOf(ppo);
  *prcl = RECTL{0, 0, 0, 0};
  if (path->points.empty()) {
    return;
  }
  RECTL r{path->points[0].x, path->points[0].y, path->points[0].x, path->points[0].y};
  for (const POINTFIX& p : path->points) {
    r.left = std::min(r.left, p.x);
    r.top = std::min(r.top, p.y);
    r.right = std::max(r.right, p.x);
    r.bottom = std::max(r.bottom, p.y);
  }
  *prcl = RECTL{r.left >> 4, r.top >> 4, (r.right + 15) >> 4, (r.bottom + 15) >> 4};
}

void EngDeletePath(PATHOBJ* ppo) {
  if (ppo == nullptr) {
    return;
  }
  detail::Path* path = detail::PathOf(ppo);
  if (path->ledgered) {
    detail::CountDeleted(detail::Kind::kPath, path->generation);
  }
  delete path;
}

// --- Clips ------------------------------------------------------------------------------------

ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL, ULONG, ULONG, ULONG cLimit) {
  if (pco == nullptr) {
    return 0;
  }
  detail::Clip* clip = detail::ClipOf(pco);
  clip->next = 0;
  auto count = static_cast<ULONG>(clip->rectangles.size());
  return cLimit != 0 && count > cLimit ? 0xFFFFFFFF : count;
}

BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul) {
  if (pco == nullptr || pul == nullptr || cj < sizeof(ULONG)) {
    return FALSE;
  }
  detail::Clip* clip = detail::ClipOf(pco);
  auto* rects = reinterpret_cast<ENUMRECTS*>(pul);
  std::size_t room = (cj - sizeof(ULONG)) / sizeof(RECTL);
  std::size_t take = std::min(room, clip->rectangles.size() - clip->next);
  for (std::size_t i = 0; i < take; ++i) {
    rects->arcl[i] = clip->rectangles[clip->next + i];
  }
  rects->c = static_cast<ULONG>(take);
  clip->next += take;
  return clip->next < clip->rectangles.size() ? TRUE : FALSE;
}

PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco) {
  if (ShouldFail("CLIPOBJ_ppoGetPath") || pco == nullptr) {
    LogCall("CLIPOBJ_ppoGetPath = null");
    return nullptr;
  }
  detail::Clip* clip = detail::ClipOf(pco);
  std::unique_ptr<detail::Path> path;
  if (clip->path != nullptr) {
    path = std::make_unique<detail::Path>(*clip->path);
    path->next = 0;
  } else {
    engine::PathSpec spec;
    for (const RECTL& r : clip->rectangles) {
      engine::PathFigure figure;
      figure.start = engine::Fix(r.left, r.top);
      figure.runs.push_back(engine::PathRun{
          false,
          {engine::Fix(r.right, r.top), engine::Fix(r.right, r.bottom),
           engine::Fix(r.left, r.bottom)}});
      figure.closed = true;
      spec.push_back(std::move(figure));
    }
    path = detail::MakePath(spec);
  }
  path->ledgered = true;
  path->generation = detail::CountCreated(detail::Kind::kPath);
  return &path.release()->po;
}

// --- Brushes ----------------------------------------------------------------------------------

PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo) {
  if (pbo == nullptr) {
    return nullptr;
  }
  detail::Brush* brush = detail::BrushOf(pbo);
  if (pbo->pvRbrush == nullptr && !brush->realize_tried && brush->realize != nullptr &&
      pbo->iSolidColor == 0xFFFFFFFF) {
    brush->realize_tried = true;
    SURFOBJ* pattern = brush->pattern != nullptr ? &detail::SurfaceOf(brush->pattern)->so : nullptr;
    BOOL ok = brush->realize(pbo, brush->target, pattern, nullptr,
                             brush->xlate != nullptr ? &brush->xlate->xo : nullptr, brush->hatch);
    if (ok && brush->realized != nullptr) {
      pbo->pvRbrush = brush->realized;
    }
  }
  return pbo->pvRbrush;
}

PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj) {
  if (ShouldFail("BRUSHOBJ_pvAllocRbrush") || pbo == nullptr) {
    LogCall("BRUSHOBJ_pvAllocRbrush = null");
    return nullptr;
  }
  detail::Brush* brush = detail::BrushOf(pbo);
  if (brush->realized != nullptr) {
    EngFreeMem(brush->realized);
  }
  brush->realized = EngAllocMem(0, cj, detail::kBrushTag);
  return brush->realized;
}

ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo) { return pbo == nullptr ? 0 : pbo->iSolidColor; }

// --- Translations -----------------------------------------------------------------------------

ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor) {
  if (pxlo == nullptr) {
    return iColor;
  }
  const auto* xlate = reinterpret_cast<detail::Xlate*>(pxlo);
  return iColor < xlate->table.size() ? xlate->table[iColor] : iColor;
}

ULONG* XLATEOBJ_piVector(XLATEOBJ* pxlo) {
  if (pxlo == nullptr) {
    return nullptr;
  }
  auto* xlate = reinterpret_cast<detail::Xlate*>(pxlo);
  return xlate->table.empty() ? nullptr : xlate->table.data();
}

// --- Transforms -------------------------------------------------------------------------------

namespace {

LONG RoundAway(double value) {
  double rounded = value < 0 ? -std::floor(-value + 0.5) : std::floor(value + 0.5);
  if (!(rounded == rounded)) {
    return 0;
  }
  return static_cast<LONG>(std::clamp(rounded, -2147483648.0, 2147483647.0));
}

ULONG Complexity(const double* m) {
  if (m[1] != 0 || m[2] != 0) {
    return GX_GENERAL;
  }
  if (m[0] != 1 || m[3] != 1) {
    return GX_SCALE;
  }
  return m[4] != 0 || m[5] != 0 ? GX_OFFSET : GX_IDENTITY;
}

}  // namespace

BOOL XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut) {
  if (pxo == nullptr || pvIn == nullptr || pvOut == nullptr) {
    return FALSE;
  }
  const double* m = reinterpret_cast<detail::Xform*>(pxo)->m;
  double a = m[0], b = m[1], c = m[2], d = m[3], dx = m[4], dy = m[5];
  if (iMode == XF_INV_LTOL || iMode == XF_INV_FXTOL) {
    double det = a * d - b * c;
    if (det == 0) {
      return FALSE;
    }
    double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    double idx = -(dx * ia + dy * ic), idy = -(dx * ib + dy * id);
    a = ia, b = ib, c = ic, d = id, dx = idx, dy = idy;
  }
  double in_scale = iMode == XF_INV_FXTOL ? 1.0 / 16 : 1.0;
  double out_scale = iMode == XF_LTOFX ? 16.0 : 1.0;
  if (iMode > XF_INV_FXTOL) {
    return FALSE;
  }
  const auto* in = static_cast<const POINTL*>(pvIn);
  auto* out = static_cast<POINTL*>(pvOut);
  for (ULONG i = 0; i < cPoints; ++i) {
    double x = in[i].x * in_scale;
    double y = in[i].y * in_scale;
    LONG nx = RoundAway((x * a + y * c + dx) * out_scale);
    LONG ny = RoundAway((x * b + y * d + dy) * out_scale);
    out[i] = POINTL{nx, ny};
  }
  return TRUE;
}

ULONG XFORMOBJ_iGetFloatObjXform(XFORMOBJ* pxo, FLOATOBJ_XFORM* pxfo) {
  if (pxo == nullptr || pxfo == nullptr) {
    return DDI_ERROR;
  }
  const double* m = reinterpret_cast<detail::Xform*>(pxo)->m;
  FLOATOBJ* out[6] = {&pxfo->eM11, &pxfo->eM12, &pxfo->eM21, &pxfo->eM22, &pxfo->eDx, &pxfo->eDy};
  for (int i = 0; i < 6; ++i) {
    vel::platform::engine_detail::Store(out[i], m[i]);
  }
  return Complexity(m);
}

ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform) {
  if (pxo == nullptr || pxform == nullptr) {
    return DDI_ERROR;
  }
  const double* m = reinterpret_cast<detail::Xform*>(pxo)->m;
  FLOATL* out[6] = {&pxform->eM11, &pxform->eM12, &pxform->eM21,
                    &pxform->eM22, &pxform->eDx,  &pxform->eDy};
  for (int i = 0; i < 6; ++i) {
    auto value = static_cast<float>(m[i]);
    std::memcpy(out[i], &value, sizeof value);
  }
  return Complexity(m);
}
