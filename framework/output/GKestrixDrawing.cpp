// The PCL XL back end's drawing: shapes and paths, pens, brushes and paints, line and fill
// attributes and clips.
#include <algorithm>
#include <cmath>

#include "framework/core/FrameworkIds.h"
#include "framework/output/GKestrix.h"
#include "framework/output/XLPointRuns.h"
#include "framework/output/pclxl/XLPathOperators.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/pipeline/GBitmap.h"
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

namespace {

// Colour spaces of SetColorSpace; the arc direction of ArcPath.
constexpr std::uint8_t kColorSpaceGray = 1;
constexpr std::uint8_t kColorSpaceRGB = 2;
constexpr std::uint8_t kClockwise = 0;
constexpr std::uint8_t kCounterClockwise = 1;
// SolidLine, NullPen and NullBrush all take 0; the pattern a raster paint downloads and selects.
constexpr std::uint8_t kNullSource = 0;
constexpr std::int16_t kPaintPatternId = 1;
constexpr std::uint8_t kMiterJoin = 0;

// The shape of a graphic handed over as a plain graphic (arcs, chords, pies, polygons, rounded
// rectangles), or null.
const GShapeGraphic* AsShape(GGraphic& graphic) {
  return graphic.IsKindOf(vel::classid::kGShapeGraphic) ? static_cast<GShapeGraphic*>(&graphic)
                                                        : nullptr;
}

const GPoint* PointsOf(const GShapeGraphic& shape) {
  const GPointList* list = shape.GetPointList();
  return list != nullptr ? list->Points() : nullptr;
}

// The gray level of a colour: 30 % red, 59 % green, 11 % blue.
std::uint8_t GrayLevel(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return static_cast<std::uint8_t>((30 * red + 59 * green + 11 * blue) / 100);
}

// The clip fill rules as ClipMode (0 even-odd, 1 non-zero winding become 1 and 0); -1 for none.
int ClipModeOf(std::int32_t fill_rule) {
  switch (fill_rule) {
    case 0:
      return 1;
    case 1:
      return 0;
    default:
      return -1;
  }
}

std::uint8_t ClipRegionOf(std::int32_t region) {
  return region == 1 ? 1 : 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shapes and paths

void GKestrix::BeginShape() {
  if (!IsInsidePath()) {
    XLNewPath(stream_);
  }
}

void GKestrix::EndShape() {
  if (!IsInsidePath()) {
    XLPaintPath(stream_);
  }
}

void GKestrix::SetPathCorner(const GRect& bounds) {
  path_x_ = bounds.left;
  path_y_ = bounds.top;
}

void GKestrix::WriteRuns(vel::XLRunUnit unit, const GPoint* points, std::uint32_t count) {
  vel::XLPathPosition position{path_x_, path_y_};
  vel::WriteRelativeRuns(stream_, unit, points, count, position);
  path_x_ = position.x;
  path_y_ = position.y;
}

std::uint16_t GKestrix::HandleRectangleGraphic(GRectangleGraphic& object) {
  if (stream_ == nullptr) {
    return TakeStatus();
  }
  const GRect& b = object.GetBounds();
  BeginShape();
  XLRectanglePathSInt16(stream_, b.left, b.top, b.right, b.bottom);
  SetPathCorner(b);
  EndShape();
  return TakeStatus();
}

std::uint16_t GKestrix::HandleEllipseGraphic(GEllipseGraphic& object) {
  if (stream_ == nullptr) {
    return TakeStatus();
  }
  const GRect& b = object.GetBounds();
  BeginShape();
  XLEllipsePathSInt16(stream_, b.left, b.top, b.right, b.bottom);
  SetPathCorner(b);
  EndShape();
  return TakeStatus();
}

std::uint16_t GKestrix::HandleRoundRectangle(GGraphic& object) {
  const GShapeGraphic* shape = AsShape(object);
  if (stream_ == nullptr || shape == nullptr) {
    return TakeStatus();
  }
  const GRect& b = shape->GetBounds();
  const GPoint& corner = shape->GetCornerSize();
  BeginShape();
  XLRoundRectanglePathSInt16(stream_, b.left, b.top, b.right, b.bottom,
                             static_cast<std::uint16_t>(corner.x),
                             static_cast<std::uint16_t>(corner.y));
  SetPathCorner(b);
  EndShape();
  return TakeStatus();
}

std::uint16_t GKestrix::HandleChord(GGraphic& object) {
  return WriteChordOrPie(object, false);
}

std::uint16_t GKestrix::HandlePie(GGraphic& object) {
  return WriteChordOrPie(object, true);
}

// Clockwise chords and pies (direction 0) run from the graphic's end point to its start point.
std::uint16_t GKestrix::WriteChordOrPie(GGraphic& object, bool pie) {
  const GShapeGraphic* shape = AsShape(object);
  if (stream_ == nullptr || shape == nullptr) {
    return TakeStatus();
  }
  const GRect& b = shape->GetBounds();
  GPoint start = shape->GetStartPoint();
  GPoint end = shape->GetEndPoint();
  if (shape->GetArcDirection() == 0) {
    std::swap(start, end);
  }
  BeginShape();
  if (pie) {
    XLPiePathSInt16(stream_, b.left, b.top, b.right, b.bottom, start.x, start.y, end.x, end.y);
  } else {
    XLChordPathSInt16(stream_, b.left, b.top, b.right, b.bottom, start.x, start.y, end.x, end.y);
  }
  SetPathCorner(b);
  EndShape();
  return TakeStatus();
}

std::uint16_t GKestrix::HandleArc(GGraphic& object) {
  const GShapeGraphic* shape = AsShape(object);
  if (stream_ == nullptr || shape == nullptr) {
    return TakeStatus();
  }
  const GRect& b = shape->GetBounds();
  const GPoint& start = shape->GetStartPoint();
  const GPoint& end = shape->GetEndPoint();
  BeginShape();
  XLArcPathSInt16(stream_, b.left, b.top, b.right, b.bottom, start.x, start.y, end.x, end.y,
                  shape->GetArcDirection() == 0 ? kClockwise : kCounterClockwise);
  // The arc ends where the ray from the centre through the end point meets the ellipse: the
  // ellipse's point at the angle atan2(dy x a, dx x b) for semi-axes a, b.
  const double cx = b.left + (double(b.right) - b.left) * 0.5;
  const double cy = b.top + (double(b.bottom) - b.top) * 0.5;
  const double a = (double(b.right) - b.left) * 0.5;
  const double h = (double(b.bottom) - b.top) * 0.5;
  const double angle = std::atan2((end.y - cy) * a, (end.x - cx) * h);
  path_x_ = static_cast<std::int16_t>(std::trunc(cx + a * std::cos(angle)));
  path_y_ = static_cast<std::int16_t>(std::trunc(cy + h * std::sin(angle)));
  EndShape();
  return TakeStatus();
}

std::uint16_t GKestrix::HandlePolyLineToGraphic(GPolyLineToGraphic& object) {
  if (stream_ == nullptr || object.GetPointCount() == 0) {
    return TakeStatus();
  }
  WriteRuns(vel::XLRunUnit::kLinePoint, PointsOf(object), object.GetPointCount());
  EndShape();
  return TakeStatus();
}

std::uint16_t GKestrix::HandlePolyLineGraphic(GPolyLineGraphic& object) {
  if (stream_ == nullptr) {
    return TakeStatus();
  }
  const GPoint& start = object.GetStartPoint();
  BeginShape();
  XLSetCursorSInt16(stream_, start.x, start.y);
  path_x_ = start.x;
  path_y_ = start.y;
  WriteRuns(vel::XLRunUnit::kLinePoint, PointsOf(object), object.GetPointCount());
  EndShape();
  return TakeStatus();
}

std::uint16_t GKestrix::HandlePolygon(GGraphic& object) {
  const GShapeGraphic* shape = AsShape(object);
  if (stream_ == nullptr || shape == nullptr) {
    return TakeStatus();
  }
  BeginShape();
  const std::uint32_t count = shape->GetPointCount();
  if (count == 0) {
    return TakeStatus();
  }
  const GPoint* points = PointsOf(*shape);
  XLSetCursorSInt16(stream_, points[0].x, points[0].y);
  path_x_ = points[0].x;
  path_y_ = points[0].y;
  WriteRuns(vel::XLRunUnit::kLinePoint, points, count);
  XLCloseSubPath(stream_);
  EndShape();
  return TakeStatus();
}

std::uint16_t GKestrix::HandlePolyBezierToGraphic(GPolyBezierToGraphic& object) {
  const std::uint32_t segments = object.GetBezierCount();
  if (stream_ == nullptr || segments == 0) {
    return TakeStatus();
  }
  WriteRuns(vel::XLRunUnit::kBezierSegment, PointsOf(object), 3 * segments);
  EndShape();
  return TakeStatus();
}

std::uint16_t GKestrix::HandlePolyBezierGraphic(GPolyBezierGraphic& object) {
  if (stream_ == nullptr) {
    return TakeStatus();
  }
  BeginShape();
  const std::uint32_t segments = object.GetBezierCount();
  if (segments != 0) {
    const GPoint& start = object.GetStartPoint();
    XLSetCursorSInt16(stream_, start.x, start.y);
    path_x_ = start.x;
    path_y_ = start.y;
    WriteRuns(vel::XLRunUnit::kBezierSegment, PointsOf(object), 3 * segments);
  }
  EndShape();
  return TakeStatus();
}

std::uint16_t GKestrix::HandlePathGraphic(GPathGraphic& object) {
  if (stream_ == nullptr) {
    return TakeStatus();
  }
  BeginShape();
  EnterPath();
  const MPersistentComposite& members = object.Children();
  for (std::uint32_t i = 0; i < members.Count(); ++i) {
    // Held while it is written, in case a handler changes the path.
    const GCountedPtr member = members.Children().At(i);
    if (member && member->IsKindOf(vel::classid::kGGraphic)) {
      (void)static_cast<GGraphic*>(member.Get())->Accept(*this);
    }
  }
  LeavePath();
  if (!IsInsidePath()) {
    if (GetClipPathFlag() == 0) {
      XLPaintPath(stream_);
    }
  } else if (object.IsClosed() != 0) {
    XLCloseSubPath(stream_);
  }
  return TakeStatus();
}

// ---------------------------------------------------------------------------------------------
// Pens, brushes and paints

std::uint16_t GKestrix::HandlePen(GPen& object) {
  if (stream_ != nullptr) {
    XLSetLineDashSolid(stream_, kNullSource);
    WritePenWidthAndPaint(object);
  }
  object.SetEnabled(0);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleDashedPen(GDashedPen& object) {
  if (stream_ != nullptr) {
    // A dashed pen without dashes draws solid lines (an empty dash array is no dash pattern).
    if (object.GetDashCount() == 0 || object.GetDashArray() == nullptr) {
      XLSetLineDashSolid(stream_, kNullSource);
    } else {
      XLSetLineDashOffset(stream_, object.GetDashArray(), object.GetDashCount(),
                          object.GetDashOffset());
    }
    WritePenWidthAndPaint(object);
  }
  object.SetEnabled(0);
  return TakeStatus();
}

void GKestrix::WritePenWidthAndPaint(GPen& pen) {
  XLSetPenWidthUInt16(stream_, pen.GetWidth());
  if (GPaint* paint = pen.GetPaint()) {
    (void)paint->AcceptAsPenPaint(*this);
  }
}

std::uint16_t GKestrix::HandleBrush(GBrush& object) {
  if (stream_ != nullptr) {
    if (GPaint* paint = object.GetPaint()) {
      (void)paint->AcceptAsBrushPaint(*this);
    }
  }
  object.SetEnabled(0);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleNoPen(GNoPen& object) {
  if (stream_ != nullptr) {
    XLSetPenSourceNull(stream_, kNullSource);
  }
  object.SetEnabled(0);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleNoBrush(GNoBrush& object) {
  if (stream_ != nullptr) {
    XLSetBrushSourceNull(stream_, kNullSource);
  }
  object.SetEnabled(0);
  return TakeStatus();
}

void GKestrix::WriteColorSource(GColorPaint& paint, bool pen) {
  const GColor* color = paint.GetColor();
  if (stream_ == nullptr || color == nullptr) {
    return;
  }
  const GRGBColor rgb = color->AsRGBColor();
  const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(rgb.GetRed()),
                                 static_cast<std::uint8_t>(rgb.GetGreen()),
                                 static_cast<std::uint8_t>(rgb.GetBlue())};
  if (color_mode_ == 1) {
    XLSetColorSpace(stream_, kColorSpaceRGB);
    if (pen) {
      XLSetPenSourceRGB(stream_, bytes, 3);
    } else {
      XLSetBrushSourceRGB(stream_, bytes, 3);
    }
    return;
  }
  XLSetColorSpace(stream_, kColorSpaceGray);
  const std::uint8_t gray = GrayLevel(bytes[0], bytes[1], bytes[2]);
  if (pen) {
    XLSetPenSourceGray(stream_, gray);
  } else {
    XLSetBrushSourceGray(stream_, gray);
  }
}

void GKestrix::WriteRasterSource(GRasterPaint& paint, bool pen) {
  if (stream_ == nullptr) {
    return;
  }
  const GBitmap* bitmap = paint.GetBitmap();
  const bool downloaded = bitmap != nullptr && DownloadPattern(*bitmap, kPaintPatternId) != 0;
  if (pen && downloaded) {
    XLSetPenSourcePattern(stream_, kPaintPatternId);
  } else if (pen) {
    XLSetPenSourceNull(stream_, kNullSource);
  } else if (downloaded) {
    XLSetBrushSourcePattern(stream_, kPaintPatternId);
  } else {
    XLSetBrushSourceNull(stream_, kNullSource);
  }
}

std::uint16_t GKestrix::HandleColorPenPaint(GColorPaint& paint) {
  WriteColorSource(paint, true);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleColorBrushPaint(GColorPaint& paint) {
  WriteColorSource(paint, false);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleRasterPenPaint(GRasterPaint& paint) {
  WriteRasterSource(paint, true);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleRasterBrushPaint(GRasterPaint& paint) {
  WriteRasterSource(paint, false);
  return TakeStatus();
}

// ---------------------------------------------------------------------------------------------
// Line and fill attributes

std::uint16_t GKestrix::HandleCap(GCap& object) {
  // Round, square and butt caps (0, 1, 2) are LineCapStyle 1, 2 and 0.
  static constexpr std::uint8_t kCaps[] = {1, 2, 0};
  const std::int32_t cap = object.GetCap();
  if (stream_ != nullptr && cap >= 0 && cap < 3) {
    XLSetLineCap(stream_, kCaps[cap]);
  }
  object.SetEnabled(0);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleJoint(GJoint& object) {
  const std::int32_t joint = object.GetJoint();
  if (stream_ != nullptr && joint >= 0 && joint <= 3) {
    XLSetLineJoin(stream_, static_cast<std::uint8_t>(joint));
  }
  object.SetEnabled(0);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleMiterJoint(GMiterJoint& object) {
  if (stream_ != nullptr) {
    // Truncated to a whole length, held to the 16-bit range.
    const float limit = object.GetMiterLimit();
    const float held = std::isnan(limit) ? 0.0f : std::clamp(limit, 0.0f, 65535.0f);
    XLSetMiterLimitUInt16(stream_, static_cast<std::uint16_t>(held));
    XLSetLineJoin(stream_, kMiterJoin);
  }
  object.SetEnabled(0);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleFillMode(GFillMode& object) {
  // Even-odd (0) is FillMode 1, non-zero winding (1) is FillMode 0.
  const std::int32_t mode = object.GetFillMode();
  if (stream_ != nullptr && (mode == 0 || mode == 1)) {
    XLSetFillMode(stream_, mode == 0 ? 1 : 0);
  }
  object.SetEnabled(0);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleRasterOperation(GRasterOperation& object) {
  if (stream_ != nullptr) {
    XLSetROP(stream_, static_cast<std::uint8_t>(object.GetRop()));
  }
  object.SetEnabled(0);
  return TakeStatus();
}

// ---------------------------------------------------------------------------------------------
// Clips

void GKestrix::WriteClipMode(const GClipAttribute& clip) {
  const int mode = ClipModeOf(clip.GetFillMode());
  if (mode >= 0) {
    XLSetClipMode(stream_, static_cast<std::uint8_t>(mode));
  }
}

std::uint16_t GKestrix::HandleClipToPage(GClipToPage& object) {
  if (stream_ != nullptr) {
    XLSetClipToPage(stream_);
  }
  object.SetEnabled(0);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleClipToSingleRectangle(GClipToSingleRectangle& object) {
  if (stream_ != nullptr) {
    WriteClipMode(object);
    const GRect& r = object.GetRectangle();
    XLSetClipRectangleSInt16(stream_, r.left, r.top, r.right, r.bottom,
                             ClipRegionOf(object.GetClipRegion()));
  }
  object.SetEnabled(0);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleClipToRectangle(GClipToRectangle& object) {
  if (stream_ != nullptr) {
    WriteClipMode(object);
    const std::uint8_t region = ClipRegionOf(object.GetClipRegion());
    const std::uint32_t count = object.GetRectangleCount();
    if (count == 1) {
      const GRect r = object.GetRectangle(0);
      XLSetClipRectangleSInt16(stream_, r.left, r.top, r.right, r.bottom, region);
    } else if (count > 1) {
      XLNewPath(stream_);
      for (std::uint32_t i = 0; i < count; ++i) {
        const GRect r = object.GetRectangle(i);
        XLRectanglePathSInt16(stream_, r.left, r.top, r.right, r.bottom);
      }
      XLSetClipReplace(stream_, region);
    }
  }
  object.SetEnabled(0);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleClipToPath(GClipToPath& object) {
  if (stream_ != nullptr) {
    // The path is built but not painted: it becomes the clip.
    SetClipPathFlag(1);
    WriteClipMode(object);
    if (GPathGraphic* path = object.GetPath()) {
      (void)path->Accept(*this);
    }
    XLSetClipReplace(stream_, ClipRegionOf(object.GetClipRegion()));
    SetClipPathFlag(0);
  }
  object.SetEnabled(0);
  return TakeStatus();
}
