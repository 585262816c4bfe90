// Lines, rectangles, polygons, pixels, flood fills and bit-block transfers, with the platform's
// rules: right and bottom edges excluded, the end point of a line excluded, the colour and
// monochrome conversions of BitBlt.
#include <algorithm>
#include <cmath>
#include <deque>

#include "platform/win32/gdi/GdiState.h"

namespace vel::platform::gdi {
namespace {

bool InArea(const RECT& area, int x, int y) {
  return x >= area.left && x < area.right && y >= area.top && y < area.bottom;
}

// The pen of a DC as device width, style and colour; false for a null pen.
struct PenInfo {
  int width = 1;
  int style = PS_SOLID;
  COLORREF color = 0;
};
bool PenOf(Dc& dc, PenInfo* pen) {
  Object* object = FindObject(dc.state.pen);
  if (object == nullptr || object->kind != ObjectKind::kPen || object->pen_style == PS_NULL) {
    return false;
  }
  pen->width = std::max(1, DeviceLengthX(dc, object->pen_width));
  pen->style = object->pen_style;
  pen->color = Plain(object->color);
  return true;
}

std::optional<COLORREF> GapColor(const Dc& dc) {
  if (dc.state.bk_mode == OPAQUE) {
    return Plain(dc.state.bk_color);
  }
  return std::nullopt;
}

// A device point of the DC on its surface.
POINT OnSurface(const Dc& dc, POINT logical) {
  POINT p = ToDevice(dc, logical);
  return {p.x + dc.origin.x, p.y + dc.origin.y};
}

void StampPixel(Surface& s, const RECT& area, int x, int y, int width, COLORREF c) {
  if (width <= 1) {
    if (InArea(area, x, y)) {
      s.Put(x, y, ForSurface(s, c));
    }
    return;
  }
  const int low = -(width - 1) / 2;
  FillArea(s, area, RECT{x + low, y + low, x + low + width, y + low + width}, c);
}

struct Edge {
  double x0, y0, x1, y1;
};

// Even-odd fill of a polygon: a pixel is inside when its centre is.
void FillPolygon(Surface& s, const RECT& area, const std::vector<POINT>& points, COLORREF c) {
  if (points.size() < 3) {
    return;
  }
  LONG top = points[0].y;
  LONG bottom = points[0].y;
  std::vector<Edge> edges;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const POINT& a = points[i];
    const POINT& b = points[(i + 1) % points.size()];
    top = std::min(top, a.y);
    bottom = std::max(bottom, a.y);
    if (a.y != b.y) {
      edges.push_back(Edge{static_cast<double>(a.x), static_cast<double>(a.y),
                           static_cast<double>(b.x), static_cast<double>(b.y)});
    }
  }
  top = std::max<LONG>(top, area.top);
  bottom = std::min<LONG>(bottom, area.bottom);
  std::vector<double> crossings;
  for (LONG y = top; y < bottom; ++y) {
    const double yc = y + 0.5;
    crossings.clear();
    for (const Edge& e : edges) {
      const double ylow = std::min(e.y0, e.y1);
      const double yhigh = std::max(e.y0, e.y1);
      if (yc >= ylow && yc < yhigh) {
        crossings.push_back(e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0));
      }
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
      const auto from = static_cast<LONG>(std::ceil(crossings[i] - 0.5));
      const auto to = static_cast<LONG>(std::ceil(crossings[i + 1] - 0.5));
      FillArea(s, area, RECT{from, y, to, y + 1}, c);
    }
  }
}

// Draws a closed outline through device points of the surface with the DC's pen.
void Outline(Dc& dc, Surface& s, const RECT& area, const std::vector<POINT>& points) {
  PenInfo pen;
  if (!PenOf(dc, &pen)) {
    return;
  }
  int phase = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    DrawLine(s, area, points[i], points[(i + 1) % points.size()], pen.width, pen.style, pen.color,
             GapColor(dc), &phase);
  }
}

std::string RopName(DWORD rop) {
  switch (rop) {
    case SRCCOPY:
      return "SRCCOPY";
    case SRCPAINT:
      return "SRCPAINT";
    case SRCAND:
      return "SRCAND";
    case SRCINVERT:
      return "SRCINVERT";
    case NOTSRCCOPY:
      return "NOTSRCCOPY";
    case PATCOPY:
      return "PATCOPY";
    default:
      return ColorText(rop);
  }
}

}  // namespace

void FillArea(Surface& s, const RECT& area, RECT r, COLORREF c) {
  r.left = std::max(r.left, area.left);
  r.top = std::max(r.top, area.top);
  r.right = std::min(r.right, area.right);
  r.bottom = std::min(r.bottom, area.bottom);
  const COLORREF value = ForSurface(s, c);
  for (LONG y = r.top; y < r.bottom; ++y) {
    for (LONG x = r.left; x < r.right; ++x) {
      s.Put(x, y, value);
    }
  }
}

void DrawLine(Surface& s,
              const RECT& area,
              POINT a,
              POINT b,
              int width,
              int style,
              COLORREF c,
              std::optional<COLORREF> gap_color,
              int* phase) {
  // A line reaching far outside the drawable area starts and ends at the area's edge (widened by
  // the pen), so its length stays bounded; the dot pattern runs on over the part cut off.
  const LONG margin = width + 2;
  const RECT box{area.left - margin, area.top - margin, area.right + margin, area.bottom + margin};
  auto outside = [&](POINT p) {
    return p.x < box.left || p.x >= box.right || p.y < box.top || p.y >= box.bottom;
  };
  if (outside(a) || outside(b)) {
    // Liang-Barsky clipping of the segment against the widened box.
    double t0 = 0.0;
    double t1 = 1.0;
    const double dxf = static_cast<double>(b.x) - a.x;
    const double dyf = static_cast<double>(b.y) - a.y;
    const double p[4] = {-dxf, dxf, -dyf, dyf};
    const double q[4] = {static_cast<double>(a.x) - box.left, box.right - 1.0 - a.x,
                         static_cast<double>(a.y) - box.top, box.bottom - 1.0 - a.y};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0.0) {
        if (q[i] < 0.0) {
          return;
        }
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0.0) {
        t0 = std::max(t0, t);
      } else {
        t1 = std::min(t1, t);
      }
    }
    if (t0 > t1) {
      return;
    }
    const POINT from{static_cast<LONG>(std::lround(a.x + t0 * dxf)),
                     static_cast<LONG>(std::lround(a.y + t0 * dyf))};
    const POINT to{static_cast<LONG>(std::lround(a.x + t1 * dxf)),
                   static_cast<LONG>(std::lround(a.y + t1 * dyf))};
    *phase += std::max(std::abs(from.x - a.x), std::abs(from.y - a.y)) % 4;
    a = from;
    // The true end point is excluded; a cut end point is drawn (it lies outside the area).
    if (to.x != b.x || to.y != b.y) {
      b = POINT{to.x + (b.x > to.x   ? 1
                        : b.x < to.x ? -1
                                     : 0),
                to.y + (b.y > to.y   ? 1
                        : b.y < to.y ? -1
                                     : 0)};
    }
  }
  const int dx = std::abs(b.x - a.x);
  const int dy = -std::abs(b.y - a.y);
  const int sx = a.x < b.x ? 1 : -1;
  const int sy = a.y < b.y ? 1 : -1;
  int error = dx + dy;
  int x = a.x;
  int y = a.y;
  while (x != b.x || y != b.y) {
    const bool on = style != PS_DOT || (*phase % 4) < 2;
    *phase = (*phase + 1) % 4;
    if (on) {
      StampPixel(s, area, x, y, width, c);
    } else if (gap_color) {
      StampPixel(s, area, x, y, width, *gap_color);
    }
    const int e2 = 2 * error;
    if (e2 >= dy) {
      error += dy;
      x += sx;
    }
    if (e2 <= dx) {
      error += dx;
      y += sy;
    }
  }
}

}  // namespace vel::platform::gdi

using namespace vel::platform::gdi;

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return FALSE;
  }
  if (previous != nullptr) {
    *previous = record->state.position;
  }
  record->state.position = {x, y};
  Journal("MoveToEx(" + record->label + ", " + std::to_string(x) + ", " + std::to_string(y) +
          ") -> " + Pt(ToDevice(*record, {x, y})));
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return FALSE;
  }
  const POINT from = record->state.position;
  const POINT to{x, y};
  Journal("LineTo(" + record->label + ", " + std::to_string(x) + ", " + std::to_string(y) +
          ") from " + Pt(from) + " -> " + Pt(ToDevice(*record, from)) + " to " +
          Pt(ToDevice(*record, to)));
  record->state.position = to;
  Surface* s = SurfaceOf(*record);
  PenInfo pen;
  if (s != nullptr && PenOf(*record, &pen)) {
    int phase = 0;
    DrawLine(*s, DrawableArea(*record), OnSurface(*record, from), OnSurface(*record, to), pen.width,
             pen.style, pen.color, GapColor(*record), &phase);
  }
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return FALSE;
  }
  POINT a = ToDevice(*record, {left, top});
  POINT b = ToDevice(*record, {right, bottom});
  RECT d{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  Journal("Rectangle(" + record->label + ", " + std::to_string(left) + ", " + std::to_string(top) +
          ", " + std::to_string(right) + ", " + std::to_string(bottom) + ") -> " + Rc(d) + " pen " +
          NameOf(record->state.pen) + " brush " + NameOf(record->state.brush));
  Surface* s = SurfaceOf(*record);
  if (s == nullptr || d.right - d.left < 1 || d.bottom - d.top < 1) {
    return TRUE;
  }
  const RECT area = DrawableArea(*record);
  RECT on{d.left + record->origin.x, d.top + record->origin.y, d.right + record->origin.x,
          d.bottom + record->origin.y};
  PenInfo pen;
  const bool outlined = PenOf(*record, &pen);
  COLORREF fill = 0;
  if (BrushColor(record->state.brush, &fill)) {
    // Without a pen the filled area is one pixel smaller at the right and bottom.
    RECT inside = outlined ? RECT{on.left + 1, on.top + 1, on.right - 1, on.bottom - 1}
                           : RECT{on.left, on.top, on.right - 1, on.bottom - 1};
    FillArea(*s, area, inside, fill);
  }
  if (outlined) {
    Outline(*record, *s, area,
            {{on.left, on.top},
             {on.right - 1, on.top},
             {on.right - 1, on.bottom - 1},
             {on.left, on.bottom - 1}});
  }
  return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || rect == nullptr) {
    return 0;
  }
  const POINT a = ToDevice(*record, {rect->left, rect->top});
  const POINT b = ToDevice(*record, {rect->right, rect->bottom});
  const RECT d{a.x, a.y, b.x, b.y};
  COLORREF color = 0;
  const bool solid = BrushColor(brush, &color);
  const auto value = reinterpret_cast<std::uintptr_t>(brush);
  const std::string brush_name =
      value >= 1 && value <= 31 ? "syscolor " + std::to_string(value - 1) : NameOf(brush);
  Journal("FillRect(" + record->label + ", " + Rc(*rect) + ", " + brush_name + ") -> " + Rc(d));
  Surface* s = SurfaceOf(*record);
  if (s != nullptr && solid) {
    FillArea(*s, DrawableArea(*record),
             RECT{d.left + record->origin.x, d.top + record->origin.y, d.right + record->origin.x,
                  d.bottom + record->origin.y},
             color);
  }
  return solid ? 1 : 0;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || points == nullptr || count < 2) {
    return FALSE;
  }
  std::string logical;
  std::string device;
  std::vector<POINT> on;
  for (int i = 0; i < count; ++i) {
    const POINT d = ToDevice(*record, points[i]);
    logical += (i == 0 ? "" : " ") + Pt(points[i]);
    device += (i == 0 ? "" : " ") + Pt(d);
    on.push_back({d.x + record->origin.x, d.y + record->origin.y});
  }
  Journal("Polygon(" + record->label + ", " + logical + ") -> " + device + " pen " +
          NameOf(record->state.pen) + " brush " + NameOf(record->state.brush));
  Surface* s = SurfaceOf(*record);
  if (s == nullptr) {
    return TRUE;
  }
  const RECT area = DrawableArea(*record);
  COLORREF fill = 0;
  if (BrushColor(record->state.brush, &fill)) {
    FillPolygon(*s, area, on, fill);
  }
  Outline(*record, *s, area, on);
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || rect == nullptr) {
    return FALSE;
  }
  const POINT a = ToDevice(*record, {rect->left, rect->top});
  const POINT b = ToDevice(*record, {rect->right, rect->bottom});
  const RECT d{a.x, a.y, b.x, b.y};
  Journal("DrawFocusRect(" + record->label + ", " + Rc(*rect) + ") -> " + Rc(d));
  Surface* s = SurfaceOf(*record);
  if (s == nullptr || d.right - d.left < 1 || d.bottom - d.top < 1) {
    return TRUE;
  }
  const RECT area = DrawableArea(*record);
  const LONG left = d.left + record->origin.x;
  const LONG top = d.top + record->origin.y;
  const LONG right = d.right + record->origin.x - 1;
  const LONG bottom = d.bottom + record->origin.y - 1;
  // Every other pixel of the frame is inverted, in a pattern fixed to the surface.
  auto invert = [&](LONG x, LONG y) {
    if (InArea(area, x, y) && ((x + y) % 2) == 0) {
      s->Put(x, y, ForSurface(*s, ~s->Get(x, y)));
    }
  };
  for (LONG x = left; x <= right; ++x) {
    invert(x, top);
    if (bottom != top) {
      invert(x, bottom);
    }
  }
  for (LONG y = top + 1; y < bottom; ++y) {
    invert(left, y);
    if (right != left) {
      invert(right, y);
    }
  }
  return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return CLR_INVALID;
  }
  const POINT d = ToDevice(*record, {x, y});
  Journal("SetPixel(" + record->label + ", " + std::to_string(x) + ", " + std::to_string(y) + ", " +
          ColorText(Plain(color)) + ") -> " + Pt(d));
  Surface* s = SurfaceOf(*record);
  const POINT on{d.x + record->origin.x, d.y + record->origin.y};
  if (s == nullptr || !InArea(DrawableArea(*record), on.x, on.y)) {
    return CLR_INVALID;
  }
  const COLORREF value = ForSurface(*s, color);
  s->Put(on.x, on.y, value);
  return value;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return CLR_INVALID;
  }
  const POINT d = ToDevice(*record, {x, y});
  Surface* s = SurfaceOf(*record);
  const POINT on{d.x + record->origin.x, d.y + record->origin.y};
  if (s == nullptr || !InArea(DrawableArea(*record), on.x, on.y)) {
    return CLR_INVALID;
  }
  return s->Get(on.x, on.y);
}

BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF color, UINT type) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || (type != FLOODFILLBORDER && type != FLOODFILLSURFACE)) {
    return FALSE;
  }
  const POINT d = ToDevice(*record, {x, y});
  Journal("ExtFloodFill(" + record->label + ", " + std::to_string(x) + ", " + std::to_string(y) +
          ", " + ColorText(Plain(color)) + ", " +
          (type == FLOODFILLSURFACE ? "FLOODFILLSURFACE" : "FLOODFILLBORDER") + ") -> " + Pt(d) +
          " brush " + NameOf(record->state.brush));
  Surface* s = SurfaceOf(*record);
  COLORREF fill = 0;
  if (s == nullptr || !BrushColor(record->state.brush, &fill)) {
    return FALSE;
  }
  const RECT area = DrawableArea(*record);
  const COLORREF target = ForSurface(*s, color);
  auto qualifies = [&](LONG px, LONG py) {
    const COLORREF c = s->Get(px, py);
    return type == FLOODFILLSURFACE ? c == target : c != target;
  };
  const POINT start{d.x + record->origin.x, d.y + record->origin.y};
  if (!InArea(area, start.x, start.y) || !qualifies(start.x, start.y)) {
    return FALSE;
  }
  // The pixels to fill are found first (4-connected), then painted, so a fill colour equal to the
  // surface colour cannot loop.
  const LONG w = area.right - area.left;
  std::vector<bool> seen(static_cast<std::size_t>(w) *
                         static_cast<std::size_t>(area.bottom - area.top));
  auto index = [&](LONG px, LONG py) {
    return static_cast<std::size_t>(py - area.top) * static_cast<std::size_t>(w) +
           static_cast<std::size_t>(px - area.left);
  };
  std::vector<POINT> filled;
  std::deque<POINT> queue{start};
  seen[index(start.x, start.y)] = true;
  while (!queue.empty()) {
    const POINT p = queue.front();
    queue.pop_front();
    filled.push_back(p);
    const POINT next[] = {{p.x + 1, p.y}, {p.x - 1, p.y}, {p.x, p.y + 1}, {p.x, p.y - 1}};
    for (const POINT& n : next) {
      if (InArea(area, n.x, n.y) && !seen[index(n.x, n.y)] && qualifies(n.x, n.y)) {
        seen[index(n.x, n.y)] = true;
        queue.push_back(n);
      }
    }
  }
  const COLORREF value = ForSurface(*s, fill);
  for (const POINT& p : filled) {
    s->Put(p.x, p.y, value);
  }
  return TRUE;
}

BOOL BitBlt(HDC dst,
            int x,
            int y,
            int width,
            int height,
            HDC src,
            int src_x,
            int src_y,
            DWORD rop) {
  Lock lock(Tables().mutex);
  Dc* to = FindDc(dst);
  Dc* from = FindDc(src);
  const bool needs_source = rop != PATCOPY;
  if (to == nullptr || (needs_source && from == nullptr)) {
    Journal("BitBlt(" + NameOf(dst) + ", ..., " + NameOf(src) + ") -> FALSE");
    return FALSE;
  }
  const POINT a = ToDevice(*to, {x, y});
  const POINT b = ToDevice(*to, {x + width, y + height});
  const POINT sp = needs_source ? ToDevice(*from, {src_x, src_y}) : POINT{0, 0};
  const RECT d{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  Journal("BitBlt(" + to->label + ", " + std::to_string(x) + ", " + std::to_string(y) + ", " +
          std::to_string(width) + ", " + std::to_string(height) + ", " +
          (needs_source ? from->label : std::string("null")) + ", " + std::to_string(src_x) + ", " +
          std::to_string(src_y) + ", " + RopName(rop) + ") -> " + Rc(d) +
          (needs_source ? " from " + Pt(sp) : std::string()));
  if (rop != SRCCOPY && rop != SRCPAINT && rop != SRCAND && rop != SRCINVERT && rop != NOTSRCCOPY &&
      rop != PATCOPY) {
    return FALSE;
  }
  Surface* target = SurfaceOf(*to);
  if (target == nullptr) {
    return TRUE;
  }
  COLORREF pattern = 0;
  if (rop == PATCOPY && !BrushColor(to->state.brush, &pattern)) {
    return TRUE;
  }
  const RECT area = DrawableArea(*to);
  Surface* source = needs_source ? SurfaceOf(*from) : nullptr;
  if (needs_source && source == nullptr) {
    return TRUE;
  }
  // A transfer within one surface reads from a copy, so overlapping areas are safe.
  Surface copy;
  if (source == target) {
    copy = *source;
  }
  const Surface& source_copy = source == target ? copy : (needs_source ? *source : copy);
  const POINT source_origin =
      needs_source ? POINT{sp.x + from->origin.x, sp.y + from->origin.y} : POINT{0, 0};
  const COLORREF source_bk = needs_source ? Plain(from->state.bk_color) : 0;
  const LONG left = d.left + to->origin.x;
  const LONG top = d.top + to->origin.y;
  const LONG from_x = std::max(left, area.left);
  const LONG to_x = std::min(d.right + to->origin.x, area.right);
  const LONG from_y = std::max(top, area.top);
  const LONG to_y = std::min(d.bottom + to->origin.y, area.bottom);
  for (LONG ty = from_y; ty < to_y; ++ty) {
    for (LONG tx = from_x; tx < to_x; ++tx) {
      const LONG dx = tx - left;
      const LONG dy = ty - top;
      COLORREF s = pattern;
      if (needs_source) {
        const LONG sx = source_origin.x + dx;
        const LONG sy = source_origin.y + dy;
        if (!source_copy.Inside(sx, sy)) {
          continue;
        }
        s = source_copy.Get(sx, sy);
        if (source_copy.mono && !target->mono) {
          // Monochrome to colour: 0 takes the target's text colour, 1 its background colour.
          s = s == 0 ? Plain(to->state.text_color) : Plain(to->state.bk_color);
        } else if (!source_copy.mono && target->mono) {
          // Colour to monochrome: white where the source has its background colour.
          s = s == source_bk ? 0xFFFFFF : 0;
        }
      }
      const COLORREF t = target->Get(tx, ty);
      COLORREF result = s;
      switch (rop) {
        case SRCPAINT:
          result = s | t;
          break;
        case SRCAND:
          result = s & t;
          break;
        case SRCINVERT:
          result = s ^ t;
          break;
        case NOTSRCCOPY:
          result = ~s;
          break;
        default:
          break;
      }
      target->Put(tx, ty, ForSurface(*target, result & 0xFFFFFF));
    }
  }
  return TRUE;
}

BOOL IntersectRect(RECT* result, const RECT* a, const RECT* b) {
  if (result == nullptr || a == nullptr || b == nullptr) {
    return FALSE;
  }
  const RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
               std::min(a->bottom, b->bottom)};
  if (r.left >= r.right || r.top >= r.bottom) {
    *result = RECT{0, 0, 0, 0};
    return FALSE;
  }
  *result = r;
  return TRUE;
}

BOOL InflateRect(RECT* rect, int dx, int dy) {
  if (rect == nullptr) {
    return FALSE;
  }
  rect->left -= dx;
  rect->right += dx;
  rect->top -= dy;
  rect->bottom += dy;
  return TRUE;
}

BOOL OffsetRect(RECT* rect, int dx, int dy) {
  if (rect == nullptr) {
    return FALSE;
  }
  rect->left += dx;
  rect->right += dx;
  rect->top += dy;
  rect->bottom += dy;
  return TRUE;
}
