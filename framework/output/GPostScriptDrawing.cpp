// The PostScript back end: figures, paths, pens, brushes, line state and clips.
//
// Page coordinates are device pixels, origin top left, y growing downwards (the page setup's
// transform). In that space PostScript's angles run from the x axis towards y, that is clockwise
// on the page, so "arc" draws clockwise and "arcn" counter-clockwise.
//
// Figures that change the transform to draw (ellipses, arcs) keep the transform with "CM" before
// and set it back with "SM" after, rather than undoing a scale by its inverse: the inverse, written
// with four decimals, would leave the page's transform a little off after every figure.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "framework/core/FrameworkIds.h"
#include "framework/output/GPostScript.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GCap.h"
#include "framework/pipeline/GClipToPage.h"
#include "framework/pipeline/GClipToPath.h"
#include "framework/pipeline/GClipToRectangle.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GColor.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GDashedPen.h"
#include "framework/pipeline/GEllipseGraphic.h"
#include "framework/pipeline/GFillMode.h"
#include "framework/pipeline/GJoint.h"
#include "framework/pipeline/GPathGraphic.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GPolyBezierGraphic.h"
#include "framework/pipeline/GPolyLineGraphic.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterOperation.h"
#include "framework/pipeline/GRasterPaint.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GShapeGraphic.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// The control-point distance of a cubic Bezier quarter ellipse, as a fraction of the radius.
constexpr double kQuarterCurve = 0.5522847498;

std::int16_t Clamp16(double value) {
  if (!(value > -32768.0)) {
    return -32768;
  }
  if (value >= 32767.0) {
    return 32767;
  }
  return static_cast<std::int16_t>(std::lround(value));
}

// The bounds with left <= right and top <= bottom.
GRect Ordered(const GRect& rect) {
  return GRect{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom),
               std::max(rect.left, rect.right), std::max(rect.top, rect.bottom)};
}

const GPoint* PointsOf(const GShapeGraphic& shape, std::uint32_t& count) {
  const GPointList* list = shape.GetPointList();
  count = list != nullptr ? list->Count() : 0;
  return list != nullptr ? list->Points() : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Painting

void GPostScript::FillAndStroke() {
  GPSLibWriter& w = *writer_;
  if (no_brush_ == 0) {
    (void)w.GSave();
    (void)w.UseBrush();
    (void)(winding_fill_ == 1 ? w.Fill() : w.EOFill());
    (void)w.GRestore();
  }
  if (no_pen_ == 0) {
    (void)w.GSave();
    (void)w.UsePen();
    (void)w.Stroke();
    (void)w.GRestore();
  }
  (void)w.ClosePath();
}

template <typename Write>
std::uint16_t GPostScript::Figure(Write write) {
  if (writer_ == nullptr) {
    return TakeStatus();
  }
  const bool top = GetPathDepth() == 0;
  if (top) {
    (void)writer_->NewPath();
  }
  write(*writer_);
  if (top && GetClipPathFlag() == 0) {
    FillAndStroke();
  }
  return TakeStatus();
}

void GPostScript::RectanglePath(std::int16_t left,
                                std::int16_t top,
                                std::int16_t right,
                                std::int16_t bottom) {
  GPSLibWriter& w = *writer_;
  (void)w.MoveTo(left, top);
  (void)w.LineTo(right, top);
  (void)w.LineTo(right, bottom);
  (void)w.LineTo(left, bottom);
  (void)w.ClosePath();
}

// ---------------------------------------------------------------------------------------------
// Figures

std::uint16_t GPostScript::HandleRectangleGraphic(GRectangleGraphic& object) {
  return Figure([&](GPSLibWriter&) {
    const GRect& b = object.GetBounds();
    RectanglePath(b.left, b.top, b.right, b.bottom);
  });
}

// A rounded rectangle: four straight sides and four quarter ellipses of the corner size, drawn as
// Bezier curves in page pixels. A corner larger than the rectangle is cut to it; a corner of no
// width or height, and a rectangle of no width or height, leave the plain rectangle.
std::uint16_t GPostScript::HandleRoundRectangle(GGraphic& object) {
  auto* shape = dynamic_cast<GShapeGraphic*>(&object);
  if (shape == nullptr) {
    return TakeStatus();
  }
  return Figure([&](GPSLibWriter& w) {
    const GRect b = Ordered(shape->GetBounds());
    const double width = static_cast<double>(b.right) - b.left;
    const double height = static_cast<double>(b.bottom) - b.top;
    const double rx = std::min(std::abs(static_cast<double>(shape->GetCornerSize().x)), width) / 2.0;
    const double ry = std::min(std::abs(static_cast<double>(shape->GetCornerSize().y)), height) / 2.0;
    if (rx <= 0.0 || ry <= 0.0) {
      RectanglePath(b.left, b.top, b.right, b.bottom);
      return;
    }
    const double l = b.left;
    const double t = b.top;
    const double r = b.right;
    const double bt = b.bottom;
    const double kx = rx * kQuarterCurve;
    const double ky = ry * kQuarterCurve;
    (void)w.MoveTo(Clamp16(l + rx), Clamp16(t));
    (void)w.LineTo(Clamp16(r - rx), Clamp16(t));
    (void)w.CurveTo(Clamp16(r - rx + kx), Clamp16(t), Clamp16(r), Clamp16(t + ry - ky), Clamp16(r),
                    Clamp16(t + ry));
    (void)w.LineTo(Clamp16(r), Clamp16(bt - ry));
    (void)w.CurveTo(Clamp16(r), Clamp16(bt - ry + ky), Clamp16(r - rx + kx), Clamp16(bt),
                    Clamp16(r - rx), Clamp16(bt));
    (void)w.LineTo(Clamp16(l + rx), Clamp16(bt));
    (void)w.CurveTo(Clamp16(l + rx - kx), Clamp16(bt), Clamp16(l), Clamp16(bt - ry + ky),
                    Clamp16(l), Clamp16(bt - ry));
    (void)w.LineTo(Clamp16(l), Clamp16(t + ry));
    (void)w.CurveTo(Clamp16(l), Clamp16(t + ry - ky), Clamp16(l + rx - kx), Clamp16(t),
                    Clamp16(l + rx), Clamp16(t));
    (void)w.ClosePath();
  });
}

// The ellipse inscribed in the bounds: a circle of half the width about the centre, scaled in y
// by height / width. Bounds of no width or height leave their rectangle.
std::uint16_t GPostScript::HandleEllipseGraphic(GEllipseGraphic& object) {
  return Figure([&](GPSLibWriter& w) {
    const GRect b = Ordered(object.GetBounds());
    const std::int32_t width = vel::RectWidth(b);
    const std::int32_t height = vel::RectHeight(b);
    if (width == 0 || height == 0) {
      RectanglePath(b.left, b.top, b.right, b.bottom);
      return;
    }
    const float radius = static_cast<float>(width) / 2.0f;
    (void)w.WriteString("CM ");
    (void)w.Translate(Clamp16(b.left + width / 2), Clamp16(b.top + height / 2));
    (void)w.Scale(1.0f, static_cast<float>(height) / static_cast<float>(width));
    (void)w.MoveTo(Clamp16(radius - static_cast<float>(width % 2) / 2.0f), 0);
    (void)w.Arc(0, 0, radius, 0.0f, 360.0f);
    (void)w.ClosePath();
    (void)w.WriteString("SM ");
  });
}

// Arcs, chords and pies of the ellipse inscribed in the bounds, from the start point's angle to
// the end point's, each angle taken about the centre on the circle that the ellipse is scaled
// from. Direction 1 runs counter-clockwise on the page ("arcn"), any other clockwise ("arc").
std::uint16_t GPostScript::ArcFigure(GGraphic& object, int mode) {
  auto* shape = dynamic_cast<GShapeGraphic*>(&object);
  if (shape == nullptr) {
    return TakeStatus();
  }
  return Figure([&](GPSLibWriter& w) {
    const GRect b = Ordered(shape->GetBounds());
    const std::int32_t width = vel::RectWidth(b);
    const std::int32_t height = vel::RectHeight(b);
    if (width == 0 || height == 0) {
      RectanglePath(b.left, b.top, b.right, b.bottom);
      return;
    }
    const std::int32_t cx = b.left + width / 2;
    const std::int32_t cy = b.top + height / 2;
    const double aspect = static_cast<double>(width) / static_cast<double>(height);
    const auto angle = [&](const GPoint& p) {
      return std::atan2((p.y - cy) * aspect, static_cast<double>(p.x) - cx) * 180.0 / kPi;
    };
    const double start = angle(shape->GetStartPoint());
    const double end = angle(shape->GetEndPoint());
    const double radius = width / 2.0;
    (void)w.WriteString("CM ");
    (void)w.Translate(Clamp16(cx), Clamp16(cy));
    (void)w.Scale(1.0f, static_cast<float>(height) / static_cast<float>(width));
    if (mode == 2) {
      (void)w.MoveTo(0, 0);
    } else {
      (void)w.MoveTo(Clamp16(radius * std::cos(start * kPi / 180.0)),
                     Clamp16(radius * std::sin(start * kPi / 180.0)));
    }
    if (shape->GetArcDirection() == 1) {
      (void)w.ArcN(0, 0, static_cast<float>(radius), static_cast<float>(start),
                   static_cast<float>(end));
    } else {
      (void)w.Arc(0, 0, static_cast<float>(radius), static_cast<float>(start),
                  static_cast<float>(end));
    }
    if (mode != 0) {
      (void)w.ClosePath();
    }
    (void)w.WriteString("SM ");
  });
}

std::uint16_t GPostScript::HandleArc(GGraphic& object) {
  return ArcFigure(object, 0);
}

std::uint16_t GPostScript::HandleChord(GGraphic& object) {
  return ArcFigure(object, 1);
}

std::uint16_t GPostScript::HandlePie(GGraphic& object) {
  return ArcFigure(object, 2);
}

std::uint16_t GPostScript::HandlePolygon(GGraphic& object) {
  auto* shape = dynamic_cast<GShapeGraphic*>(&object);
  if (shape == nullptr) {
    return TakeStatus();
  }
  return Figure([&](GPSLibWriter& w) {
    std::uint32_t count = 0;
    const GPoint* points = PointsOf(*shape, count);
    if (count == 0) {
      return;
    }
    (void)w.MoveTo(points[0].x, points[0].y);
    for (std::uint32_t i = 0; i < count; ++i) {
      (void)w.LineTo(points[i].x, points[i].y);
    }
    (void)w.ClosePath();
  });
}

// A poly-line starts at its own start point (the render module takes it out of the list) and
// runs through every point of the list.
std::uint16_t GPostScript::HandlePolyLineGraphic(GPolyLineGraphic& object) {
  return Figure([&](GPSLibWriter& w) {
    std::uint32_t count = 0;
    const GPoint* points = PointsOf(object, count);
    (void)w.MoveTo(object.GetStartPoint().x, object.GetStartPoint().y);
    for (std::uint32_t i = 0; i < count; ++i) {
      (void)w.LineTo(points[i].x, points[i].y);
    }
  });
}

// Continues the figure from the current point. Alone on the page there is none: the first point
// then starts the figure.
std::uint16_t GPostScript::HandlePolyLineToGraphic(GPolyLineToGraphic& object) {
  const bool alone = GetPathDepth() == 0;
  return Figure([&](GPSLibWriter& w) {
    std::uint32_t count = 0;
    const GPoint* points = PointsOf(object, count);
    for (std::uint32_t i = 0; i < count; ++i) {
      if (alone && i == 0) {
        (void)w.MoveTo(points[i].x, points[i].y);
      } else {
        (void)w.LineTo(points[i].x, points[i].y);
      }
    }
  });
}

std::uint16_t GPostScript::HandlePolyBezierGraphic(GPolyBezierGraphic& object) {
  return Figure([&](GPSLibWriter& w) {
    std::uint32_t count = 0;
    const GPoint* points = PointsOf(object, count);
    if (count < 3) {
      return;
    }
    (void)w.MoveTo(object.GetStartPoint().x, object.GetStartPoint().y);
    for (std::uint32_t i = 0; i + 2 < count; i += 3) {
      (void)w.CurveTo(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, points[i + 2].x,
                      points[i + 2].y);
    }
  });
}

// Continues the figure from the current point; alone on the page it starts at its first point.
std::uint16_t GPostScript::HandlePolyBezierToGraphic(GPolyBezierToGraphic& object) {
  const bool alone = GetPathDepth() == 0;
  return Figure([&](GPSLibWriter& w) {
    std::uint32_t count = 0;
    const GPoint* points = PointsOf(object, count);
    if (count < 3) {
      return;
    }
    if (alone) {
      (void)w.MoveTo(points[0].x, points[0].y);
    }
    for (std::uint32_t i = 0; i + 2 < count; i += 3) {
      (void)w.CurveTo(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, points[i + 2].x,
                      points[i + 2].y);
    }
  });
}

// The segments of a path, each through its own handler, make one path; a closed path is closed
// before it is painted. The path is painted unless it is part of another path or of a clip.
std::uint16_t GPostScript::HandlePathGraphic(GPathGraphic& object) {
  std::uint16_t first = 0;
  const std::uint16_t status = Figure([&](GPSLibWriter& w) {
    EnterPath();
    const GCountedPtrArray& segments = object.Children().Children();
    for (std::uint32_t i = 0; i < segments.Count(); ++i) {
      const GCountedPtr held = segments.At(i);
      auto* segment = dynamic_cast<GGraphic*>(held.Get());
      if (segment == nullptr) {
        continue;
      }
      const std::uint16_t result = segment->Accept(*this);
      if (first == 0) {
        first = result;
      }
    }
    LeavePath();
    if (object.IsClosed() != 0) {
      (void)w.ClosePath();
    }
  });
  return first != 0 ? first : status;
}

// ---------------------------------------------------------------------------------------------
// Pens, brushes and paints

void GPostScript::WritePaint(GPaint* paint, bool brush) {
  if (paint == nullptr) {
    return;
  }
  (void)(brush ? paint->AcceptAsBrushPaint(*this) : paint->AcceptAsPenPaint(*this));
}

std::uint16_t GPostScript::HandlePen(GPen& object) {
  return WritePen(object, nullptr);
}

std::uint16_t GPostScript::HandleDashedPen(GDashedPen& object) {
  return WritePen(object, &object);
}

std::uint16_t GPostScript::WritePen(GPen& object, const GDashedPen* dashes) {
  object.SetEnabled(0);
  if (writer_ == nullptr) {
    return TakeStatus();
  }
  GPSLibWriter& w = *writer_;
  if (auto* raster = dynamic_cast<GRasterPaint*>(object.GetPaint())) {
    pen_pattern_ = DefinePattern(*raster, kPenPattern);
  }
  (void)w.BeginPen();
  if (dashes != nullptr) {
    (void)w.SetDash(dashes->GetDashArray(), dashes->GetDashCount(), dashes->GetDashOffset());
  } else {
    (void)w.SetSolidLine();
  }
  (void)w.SetLineWidth(static_cast<float>(object.GetWidth()));
  WritePaint(object.GetPaint(), false);
  (void)w.EndDefinition();
  no_pen_ = 0;
  return TakeStatus();
}

std::uint16_t GPostScript::HandleNoPen(GNoPen& object) {
  object.SetEnabled(0);
  no_pen_ = 1;
  return TakeStatus();
}

// A pattern brush's pattern is defined here, once, outside the procedure; the procedure only
// selects it.
std::uint16_t GPostScript::HandleBrush(GBrush& object) {
  object.SetEnabled(0);
  if (writer_ == nullptr) {
    return TakeStatus();
  }
  GPSLibWriter& w = *writer_;
  if (auto* raster = dynamic_cast<GRasterPaint*>(object.GetPaint())) {
    brush_pattern_ = DefinePattern(*raster, kBrushPattern);
  }
  (void)w.BeginBrush();
  WritePaint(object.GetPaint(), true);
  (void)w.EndDefinition();
  no_brush_ = 0;
  return TakeStatus();
}

std::uint16_t GPostScript::HandleNoBrush(GNoBrush& object) {
  object.SetEnabled(0);
  no_brush_ = 1;
  return TakeStatus();
}

namespace {

void WriteColor(GPSLibWriter& w, const GColorPaint& paint) {
  const GColor* color = paint.GetColor();
  if (color == nullptr) {
    return;
  }
  const GRGBColor rgb = color->AsRGBColor();
  (void)w.SetRGBColor(static_cast<float>(rgb.GetRed()) / 255.0f,
                      static_cast<float>(rgb.GetGreen()) / 255.0f,
                      static_cast<float>(rgb.GetBlue()) / 255.0f);
}

}  // namespace

std::uint16_t GPostScript::HandleColorPenPaint(GColorPaint& paint) {
  if (writer_ != nullptr) {
    WriteColor(*writer_, paint);
  }
  return TakeStatus();
}

std::uint16_t GPostScript::HandleColorBrushPaint(GColorPaint& paint) {
  if (writer_ != nullptr) {
    WriteColor(*writer_, paint);
  }
  return TakeStatus();
}

std::uint16_t GPostScript::HandleRasterPenPaint(GRasterPaint& /*paint*/) {
  if (writer_ != nullptr && pen_pattern_) {
    (void)writer_->SetPattern(kPenPattern);
  }
  return TakeStatus();
}

std::uint16_t GPostScript::HandleRasterBrushPaint(GRasterPaint& /*paint*/) {
  if (writer_ != nullptr && brush_pattern_) {
    (void)writer_->SetPattern(kBrushPattern);
  }
  return TakeStatus();
}

// ---------------------------------------------------------------------------------------------
// Line state and fill mode

std::uint16_t GPostScript::HandleCap(GCap& object) {
  object.SetEnabled(0);
  if (writer_ == nullptr) {
    return TakeStatus();
  }
  // Round, square and flat caps are PostScript's 1, 2 and 0.
  switch (object.GetCap()) {
    case 0:
      (void)writer_->SetLineCap(1);
      break;
    case 1:
      (void)writer_->SetLineCap(2);
      break;
    case 2:
      (void)writer_->SetLineCap(0);
      break;
    default:
      break;
  }
  return TakeStatus();
}

std::uint16_t GPostScript::HandleJoint(GJoint& object) {
  object.SetEnabled(0);
  const std::int32_t joint = object.GetJoint();
  if (writer_ != nullptr && joint >= 0 && joint <= 2) {
    (void)writer_->SetLineJoin(static_cast<std::int16_t>(joint));
  }
  return TakeStatus();
}

std::uint16_t GPostScript::HandleMiterJoint(GMiterJoint& object) {
  object.SetEnabled(0);
  if (writer_ != nullptr) {
    (void)writer_->SetMiterLimit(object.GetMiterLimit());
    (void)writer_->SetLineJoin(0);
  }
  return TakeStatus();
}

std::uint16_t GPostScript::HandleFillMode(GFillMode& object) {
  object.SetEnabled(0);
  if (object.GetFillMode() == 0 || object.GetFillMode() == 1) {
    winding_fill_ = static_cast<std::uint32_t>(object.GetFillMode());
  }
  return TakeStatus();
}

// PostScript paints opaquely: raster operations write nothing.
std::uint16_t GPostScript::HandleRasterOperation(GRasterOperation& object) {
  if (object.GetMode() == 0) {
    object.SetEnabled(0);
  }
  return TakeStatus();
}

// ---------------------------------------------------------------------------------------------
// Clips

void GPostScript::EndClip(std::int32_t region, std::int32_t fill_rule) {
  GPSLibWriter& w = *writer_;
  if (region == 1) {
    // The page in device pixels around the clip's path: the path's inside becomes a hole.
    const std::uint16_t points_wide = w.PageWidth() != 0 ? w.PageWidth() : 612;
    const std::uint16_t points_high = w.PageHeight() != 0 ? w.PageHeight() : 792;
    const std::int16_t width = Clamp16(static_cast<double>(points_wide) * resolution_x_ / 72.0);
    const std::int16_t height = Clamp16(static_cast<double>(points_high) * resolution_y_ / 72.0);
    RectanglePath(0, 0, width, height);
    (void)w.EOClip();
    return;
  }
  (void)(fill_rule == 0 ? w.EOClip() : w.Clip());
}

std::uint16_t GPostScript::HandleClipToPage(GClipToPage& object) {
  object.SetEnabled(0);
  if (writer_ != nullptr) {
    (void)writer_->InitClip();
  }
  return TakeStatus();
}

std::uint16_t GPostScript::HandleClipToPath(GClipToPath& object) {
  object.SetEnabled(0);
  const std::int32_t region = object.GetClipRegion();
  if (writer_ == nullptr || (region != 0 && region != 1)) {
    return TakeStatus();
  }
  (void)writer_->InitClip();
  if (GPathGraphic* path = object.GetPath()) {
    const std::int16_t depth = GetPathDepth();
    SetPathDepth(0);
    SetClipPathFlag(1);
    (void)HandlePathGraphic(*path);
    SetClipPathFlag(0);
    SetPathDepth(depth);
  } else {
    (void)writer_->NewPath();
  }
  EndClip(region, object.GetFillMode());
  (void)writer_->NewPath();
  return TakeStatus();
}

std::uint16_t GPostScript::HandleClipToRectangle(GClipToRectangle& object) {
  object.SetEnabled(0);
  const std::int32_t region = object.GetClipRegion();
  if (writer_ == nullptr || (region != 0 && region != 1)) {
    return TakeStatus();
  }
  (void)writer_->InitClip();
  (void)writer_->NewPath();
  for (std::uint32_t i = 0; i < object.GetRectangleCount(); ++i) {
    const GRect r = object.GetRectangle(i);
    RectanglePath(r.left, r.top, r.right, r.bottom);
  }
  EndClip(region, object.GetFillMode());
  (void)writer_->NewPath();
  return TakeStatus();
}

std::uint16_t GPostScript::HandleClipToSingleRectangle(GClipToSingleRectangle& object) {
  object.SetEnabled(0);
  const std::int32_t region = object.GetClipRegion();
  if (writer_ == nullptr || (region != 0 && region != 1)) {
    return TakeStatus();
  }
  const GRect& r = object.GetRectangle();
  (void)writer_->InitClip();
  (void)writer_->NewPath();
  RectanglePath(r.left, r.top, r.right, r.bottom);
  EndClip(region, object.GetFillMode());
  (void)writer_->NewPath();
  return TakeStatus();
}
