// PCL XL operators of paths and shapes.
#include "framework/output/pclxl/XLPathOperators.h"

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLStreamInternal.h"
#include "framework/output/pclxl/XLTags.h"

namespace {

using vel::xl::Box;
using vel::xl::Pair;

template <typename T>
void BoxShape(XLStream* stream, T left, T top, T right, T bottom) {
  Box(stream, left, top, right, bottom);
  XLWriteAttribute(stream, kXLAttrBoundingBox);
}

template <typename T>
void Points(XLStream* stream, T start_x, T start_y, T end_x, T end_y) {
  Pair(stream, start_x, start_y);
  XLWriteAttribute(stream, kXLAttrStartPoint);
  Pair(stream, end_x, end_y);
  XLWriteAttribute(stream, kXLAttrEndPoint);
}

template <typename T>
void Bezier(XLStream* stream,
            T control1_x,
            T control1_y,
            T control2_x,
            T control2_y,
            T end_x,
            T end_y,
            std::uint8_t op) {
  Pair(stream, control1_x, control1_y);
  XLWriteAttribute(stream, kXLAttrControlPoint1);
  Pair(stream, control2_x, control2_y);
  XLWriteAttribute(stream, kXLAttrControlPoint2);
  Pair(stream, end_x, end_y);
  XLWriteAttribute(stream, kXLAttrEndPoint);
  XLWriteOperator(stream, op);
}

// The opener of a point list; the caller's embedded data with the points follows.
void PointList(XLStream* stream,
               std::uint16_t number_of_points,
               std::uint8_t point_type,
               std::uint8_t op) {
  XLUInt16(stream, number_of_points);
  XLWriteAttribute(stream, kXLAttrNumberOfPoints);
  XLUByte(stream, point_type);
  XLWriteAttribute(stream, kXLAttrPointType);
  XLWriteOperator(stream, op);
}

}  // namespace

void XLCloseSubPath(XLStream* stream) {
  XLWriteOperator(stream, kXLOpCloseSubPath);
}

void XLNewPath(XLStream* stream) {
  XLWriteOperator(stream, kXLOpNewPath);
}

void XLPaintPath(XLStream* stream) {
  XLWriteOperator(stream, kXLOpPaintPath);
}

void XLArcPathSInt16(XLStream* stream,
                     std::int16_t left,
                     std::int16_t top,
                     std::int16_t right,
                     std::int16_t bottom,
                     std::int16_t start_x,
                     std::int16_t start_y,
                     std::int16_t end_x,
                     std::int16_t end_y,
                     std::uint8_t direction) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLUByte(stream, direction);
  XLWriteAttribute(stream, kXLAttrArcDirection);
  XLWriteOperator(stream, kXLOpArcPath);
}

void XLArcPathUInt16(XLStream* stream,
                     std::uint16_t left,
                     std::uint16_t top,
                     std::uint16_t right,
                     std::uint16_t bottom,
                     std::uint16_t start_x,
                     std::uint16_t start_y,
                     std::uint16_t end_x,
                     std::uint16_t end_y,
                     std::uint8_t direction) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLUByte(stream, direction);
  XLWriteAttribute(stream, kXLAttrArcDirection);
  XLWriteOperator(stream, kXLOpArcPath);
}

void XLArcPathSInt32(XLStream* stream,
                     std::int32_t left,
                     std::int32_t top,
                     std::int32_t right,
                     std::int32_t bottom,
                     std::int32_t start_x,
                     std::int32_t start_y,
                     std::int32_t end_x,
                     std::int32_t end_y,
                     std::uint8_t direction) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLUByte(stream, direction);
  XLWriteAttribute(stream, kXLAttrArcDirection);
  XLWriteOperator(stream, kXLOpArcPath);
}

void XLArcPathReal32(XLStream* stream,
                     float left,
                     float top,
                     float right,
                     float bottom,
                     float start_x,
                     float start_y,
                     float end_x,
                     float end_y,
                     std::uint8_t direction) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLUByte(stream, direction);
  XLWriteAttribute(stream, kXLAttrArcDirection);
  XLWriteOperator(stream, kXLOpArcPath);
}

void XLBezierPath(XLStream* stream, std::uint16_t number_of_points, std::uint8_t point_type) {
  PointList(stream, number_of_points, point_type, kXLOpBezierPath);
}

void XLBezierPathSInt16(XLStream* stream,
                        std::int16_t control1_x,
                        std::int16_t control1_y,
                        std::int16_t control2_x,
                        std::int16_t control2_y,
                        std::int16_t end_x,
                        std::int16_t end_y) {
  Bezier(stream, control1_x, control1_y, control2_x, control2_y, end_x, end_y, kXLOpBezierPath);
}

void XLBezierPathUInt16(XLStream* stream,
                        std::uint16_t control1_x,
                        std::uint16_t control1_y,
                        std::uint16_t control2_x,
                        std::uint16_t control2_y,
                        std::uint16_t end_x,
                        std::uint16_t end_y) {
  Bezier(stream, control1_x, control1_y, control2_x, control2_y, end_x, end_y, kXLOpBezierPath);
}

void XLBezierPathSInt32(XLStream* stream,
                        std::int32_t control1_x,
                        std::int32_t control1_y,
                        std::int32_t control2_x,
                        std::int32_t control2_y,
                        std::int32_t end_x,
                        std::int32_t end_y) {
  Bezier(stream, control1_x, control1_y, control2_x, control2_y, end_x, end_y, kXLOpBezierPath);
}

void XLBezierPathReal32(XLStream* stream,
                        float control1_x,
                        float control1_y,
                        float control2_x,
                        float control2_y,
                        float end_x,
                        float end_y) {
  Bezier(stream, control1_x, control1_y, control2_x, control2_y, end_x, end_y, kXLOpBezierPath);
}

void XLBezierRelPath(XLStream* stream, std::uint16_t number_of_points, std::uint8_t point_type) {
  PointList(stream, number_of_points, point_type, kXLOpBezierRelPath);
}

void XLBezierRelPathSInt16(XLStream* stream,
                           std::int16_t control1_x,
                           std::int16_t control1_y,
                           std::int16_t control2_x,
                           std::int16_t control2_y,
                           std::int16_t end_x,
                           std::int16_t end_y) {
  Bezier(stream, control1_x, control1_y, control2_x, control2_y, end_x, end_y, kXLOpBezierRelPath);
}

void XLBezierRelPathUInt16(XLStream* stream,
                           std::uint16_t control1_x,
                           std::uint16_t control1_y,
                           std::uint16_t control2_x,
                           std::uint16_t control2_y,
                           std::uint16_t end_x,
                           std::uint16_t end_y) {
  Bezier(stream, control1_x, control1_y, control2_x, control2_y, end_x, end_y, kXLOpBezierRelPath);
}

void XLBezierRelPathSInt32(XLStream* stream,
                           std::int32_t control1_x,
                           std::int32_t control1_y,
                           std::int32_t control2_x,
                           std::int32_t control2_y,
                           std::int32_t end_x,
                           std::int32_t end_y) {
  Bezier(stream, control1_x, control1_y, control2_x, control2_y, end_x, end_y, kXLOpBezierRelPath);
}

void XLBezierRelPathReal32(XLStream* stream,
                           float control1_x,
                           float control1_y,
                           float control2_x,
                           float control2_y,
                           float end_x,
                           float end_y) {
  Bezier(stream, control1_x, control1_y, control2_x, control2_y, end_x, end_y, kXLOpBezierRelPath);
}

void XLChordSInt16(XLStream* stream,
                   std::int16_t left,
                   std::int16_t top,
                   std::int16_t right,
                   std::int16_t bottom,
                   std::int16_t start_x,
                   std::int16_t start_y,
                   std::int16_t end_x,
                   std::int16_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpChord);
}

void XLChordUInt16(XLStream* stream,
                   std::uint16_t left,
                   std::uint16_t top,
                   std::uint16_t right,
                   std::uint16_t bottom,
                   std::uint16_t start_x,
                   std::uint16_t start_y,
                   std::uint16_t end_x,
                   std::uint16_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpChord);
}

void XLChordSInt32(XLStream* stream,
                   std::int32_t left,
                   std::int32_t top,
                   std::int32_t right,
                   std::int32_t bottom,
                   std::int32_t start_x,
                   std::int32_t start_y,
                   std::int32_t end_x,
                   std::int32_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpChord);
}

void XLChordReal32(XLStream* stream,
                   float left,
                   float top,
                   float right,
                   float bottom,
                   float start_x,
                   float start_y,
                   float end_x,
                   float end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpChord);
}

void XLChordPathSInt16(XLStream* stream,
                       std::int16_t left,
                       std::int16_t top,
                       std::int16_t right,
                       std::int16_t bottom,
                       std::int16_t start_x,
                       std::int16_t start_y,
                       std::int16_t end_x,
                       std::int16_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpChordPath);
}

void XLChordPathUInt16(XLStream* stream,
                       std::uint16_t left,
                       std::uint16_t top,
                       std::uint16_t right,
                       std::uint16_t bottom,
                       std::uint16_t start_x,
                       std::uint16_t start_y,
                       std::uint16_t end_x,
                       std::uint16_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpChordPath);
}

void XLChordPathSInt32(XLStream* stream,
                       std::int32_t left,
                       std::int32_t top,
                       std::int32_t right,
                       std::int32_t bottom,
                       std::int32_t start_x,
                       std::int32_t start_y,
                       std::int32_t end_x,
                       std::int32_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpChordPath);
}

void XLChordPathReal32(XLStream* stream,
                       float left,
                       float top,
                       float right,
                       float bottom,
                       float start_x,
                       float start_y,
                       float end_x,
                       float end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpChordPath);
}

void XLPieSInt16(XLStream* stream,
                 std::int16_t left,
                 std::int16_t top,
                 std::int16_t right,
                 std::int16_t bottom,
                 std::int16_t start_x,
                 std::int16_t start_y,
                 std::int16_t end_x,
                 std::int16_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpPie);
}

void XLPieUInt16(XLStream* stream,
                 std::uint16_t left,
                 std::uint16_t top,
                 std::uint16_t right,
                 std::uint16_t bottom,
                 std::uint16_t start_x,
                 std::uint16_t start_y,
                 std::uint16_t end_x,
                 std::uint16_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpPie);
}

void XLPieSInt32(XLStream* stream,
                 std::int32_t left,
                 std::int32_t top,
                 std::int32_t right,
                 std::int32_t bottom,
                 std::int32_t start_x,
                 std::int32_t start_y,
                 std::int32_t end_x,
                 std::int32_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpPie);
}

void XLPieReal32(XLStream* stream,
                 float left,
                 float top,
                 float right,
                 float bottom,
                 float start_x,
                 float start_y,
                 float end_x,
                 float end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpPie);
}

void XLPiePathSInt16(XLStream* stream,
                     std::int16_t left,
                     std::int16_t top,
                     std::int16_t right,
                     std::int16_t bottom,
                     std::int16_t start_x,
                     std::int16_t start_y,
                     std::int16_t end_x,
                     std::int16_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpPiePath);
}

void XLPiePathUInt16(XLStream* stream,
                     std::uint16_t left,
                     std::uint16_t top,
                     std::uint16_t right,
                     std::uint16_t bottom,
                     std::uint16_t start_x,
                     std::uint16_t start_y,
                     std::uint16_t end_x,
                     std::uint16_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpPiePath);
}

void XLPiePathSInt32(XLStream* stream,
                     std::int32_t left,
                     std::int32_t top,
                     std::int32_t right,
                     std::int32_t bottom,
                     std::int32_t start_x,
                     std::int32_t start_y,
                     std::int32_t end_x,
                     std::int32_t end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpPiePath);
}

void XLPiePathReal32(XLStream* stream,
                     float left,
                     float top,
                     float right,
                     float bottom,
                     float start_x,
                     float start_y,
                     float end_x,
                     float end_y) {
  BoxShape(stream, left, top, right, bottom);
  Points(stream, start_x, start_y, end_x, end_y);
  XLWriteOperator(stream, kXLOpPiePath);
}

void XLEllipseSInt16(XLStream* stream,
                     std::int16_t left,
                     std::int16_t top,
                     std::int16_t right,
                     std::int16_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpEllipse);
}

void XLEllipseUInt16(XLStream* stream,
                     std::uint16_t left,
                     std::uint16_t top,
                     std::uint16_t right,
                     std::uint16_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpEllipse);
}

void XLEllipseSInt32(XLStream* stream,
                     std::int32_t left,
                     std::int32_t top,
                     std::int32_t right,
                     std::int32_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpEllipse);
}

void XLEllipseReal32(XLStream* stream, float left, float top, float right, float bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpEllipse);
}

void XLEllipsePathSInt16(XLStream* stream,
                         std::int16_t left,
                         std::int16_t top,
                         std::int16_t right,
                         std::int16_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpEllipsePath);
}

void XLEllipsePathUInt16(XLStream* stream,
                         std::uint16_t left,
                         std::uint16_t top,
                         std::uint16_t right,
                         std::uint16_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpEllipsePath);
}

void XLEllipsePathSInt32(XLStream* stream,
                         std::int32_t left,
                         std::int32_t top,
                         std::int32_t right,
                         std::int32_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpEllipsePath);
}

void XLEllipsePathReal32(XLStream* stream, float left, float top, float right, float bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpEllipsePath);
}

void XLRectangleSInt16(XLStream* stream,
                       std::int16_t left,
                       std::int16_t top,
                       std::int16_t right,
                       std::int16_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpRectangle);
}

void XLRectangleUInt16(XLStream* stream,
                       std::uint16_t left,
                       std::uint16_t top,
                       std::uint16_t right,
                       std::uint16_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpRectangle);
}

void XLRectangleSInt32(XLStream* stream,
                       std::int32_t left,
                       std::int32_t top,
                       std::int32_t right,
                       std::int32_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpRectangle);
}

void XLRectangleReal32(XLStream* stream, float left, float top, float right, float bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpRectangle);
}

void XLRectanglePathSInt16(XLStream* stream,
                           std::int16_t left,
                           std::int16_t top,
                           std::int16_t right,
                           std::int16_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpRectanglePath);
}

void XLRectanglePathUInt16(XLStream* stream,
                           std::uint16_t left,
                           std::uint16_t top,
                           std::uint16_t right,
                           std::uint16_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpRectanglePath);
}

void XLRectanglePathSInt32(XLStream* stream,
                           std::int32_t left,
                           std::int32_t top,
                           std::int32_t right,
                           std::int32_t bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpRectanglePath);
}

void XLRectanglePathReal32(XLStream* stream, float left, float top, float right, float bottom) {
  BoxShape(stream, left, top, right, bottom);
  XLWriteOperator(stream, kXLOpRectanglePath);
}

void XLLinePath(XLStream* stream, std::uint16_t number_of_points, std::uint8_t point_type) {
  PointList(stream, number_of_points, point_type, kXLOpLinePath);
}

void XLLinePathSInt16(XLStream* stream, std::int16_t end_x, std::int16_t end_y) {
  Pair(stream, end_x, end_y);
  XLWriteAttribute(stream, kXLAttrEndPoint);
  XLWriteOperator(stream, kXLOpLinePath);
}

void XLLinePathUInt16(XLStream* stream, std::uint16_t end_x, std::uint16_t end_y) {
  Pair(stream, end_x, end_y);
  XLWriteAttribute(stream, kXLAttrEndPoint);
  XLWriteOperator(stream, kXLOpLinePath);
}

void XLLinePathSInt32(XLStream* stream, std::int32_t end_x, std::int32_t end_y) {
  Pair(stream, end_x, end_y);
  XLWriteAttribute(stream, kXLAttrEndPoint);
  XLWriteOperator(stream, kXLOpLinePath);
}

void XLLinePathReal32(XLStream* stream, float end_x, float end_y) {
  Pair(stream, end_x, end_y);
  XLWriteAttribute(stream, kXLAttrEndPoint);
  XLWriteOperator(stream, kXLOpLinePath);
}

void XLLineRelPath(XLStream* stream, std::uint16_t number_of_points, std::uint8_t point_type) {
  PointList(stream, number_of_points, point_type, kXLOpLineRelPath);
}

void XLLineRelPathSInt16(XLStream* stream, std::int16_t end_x, std::int16_t end_y) {
  Pair(stream, end_x, end_y);
  XLWriteAttribute(stream, kXLAttrEndPoint);
  XLWriteOperator(stream, kXLOpLineRelPath);
}

void XLLineRelPathUInt16(XLStream* stream, std::uint16_t end_x, std::uint16_t end_y) {
  Pair(stream, end_x, end_y);
  XLWriteAttribute(stream, kXLAttrEndPoint);
  XLWriteOperator(stream, kXLOpLineRelPath);
}

void XLLineRelPathSInt32(XLStream* stream, std::int32_t end_x, std::int32_t end_y) {
  Pair(stream, end_x, end_y);
  XLWriteAttribute(stream, kXLAttrEndPoint);
  XLWriteOperator(stream, kXLOpLineRelPath);
}

void XLLineRelPathReal32(XLStream* stream, float end_x, float end_y) {
  Pair(stream, end_x, end_y);
  XLWriteAttribute(stream, kXLAttrEndPoint);
  XLWriteOperator(stream, kXLOpLineRelPath);
}

void XLRoundRectangleSInt16(XLStream* stream,
                            std::int16_t left,
                            std::int16_t top,
                            std::int16_t right,
                            std::int16_t bottom,
                            std::uint16_t ellipse_width,
                            std::uint16_t ellipse_height) {
  BoxShape(stream, left, top, right, bottom);
  Pair(stream, ellipse_width, ellipse_height);
  XLWriteAttribute(stream, kXLAttrEllipseDimension);
  XLWriteOperator(stream, kXLOpRoundRectangle);
}

void XLRoundRectangleUInt16(XLStream* stream,
                            std::uint16_t left,
                            std::uint16_t top,
                            std::uint16_t right,
                            std::uint16_t bottom,
                            std::uint16_t ellipse_width,
                            std::uint16_t ellipse_height) {
  BoxShape(stream, left, top, right, bottom);
  Pair(stream, ellipse_width, ellipse_height);
  XLWriteAttribute(stream, kXLAttrEllipseDimension);
  XLWriteOperator(stream, kXLOpRoundRectangle);
}

void XLRoundRectangleSInt32(XLStream* stream,
                            std::int32_t left,
                            std::int32_t top,
                            std::int32_t right,
                            std::int32_t bottom,
                            std::uint32_t ellipse_width,
                            std::uint32_t ellipse_height) {
  BoxShape(stream, left, top, right, bottom);
  Pair(stream, ellipse_width, ellipse_height);
  XLWriteAttribute(stream, kXLAttrEllipseDimension);
  XLWriteOperator(stream, kXLOpRoundRectangle);
}

void XLRoundRectangleReal32(XLStream* stream,
                            float left,
                            float top,
                            float right,
                            float bottom,
                            float ellipse_width,
                            float ellipse_height) {
  BoxShape(stream, left, top, right, bottom);
  Pair(stream, ellipse_width, ellipse_height);
  XLWriteAttribute(stream, kXLAttrEllipseDimension);
  XLWriteOperator(stream, kXLOpRoundRectangle);
}

void XLRoundRectanglePathSInt16(XLStream* stream,
                                std::int16_t left,
                                std::int16_t top,
                                std::int16_t right,
                                std::int16_t bottom,
                                std::uint16_t ellipse_width,
                                std::uint16_t ellipse_height) {
  BoxShape(stream, left, top, right, bottom);
  Pair(stream, ellipse_width, ellipse_height);
  XLWriteAttribute(stream, kXLAttrEllipseDimension);
  XLWriteOperator(stream, kXLOpRoundRectanglePath);
}

void XLRoundRectanglePathUInt16(XLStream* stream,
                                std::uint16_t left,
                                std::uint16_t top,
                                std::uint16_t right,
                                std::uint16_t bottom,
                                std::uint16_t ellipse_width,
                                std::uint16_t ellipse_height) {
  BoxShape(stream, left, top, right, bottom);
  Pair(stream, ellipse_width, ellipse_height);
  XLWriteAttribute(stream, kXLAttrEllipseDimension);
  XLWriteOperator(stream, kXLOpRoundRectanglePath);
}

void XLRoundRectanglePathSInt32(XLStream* stream,
                                std::int32_t left,
                                std::int32_t top,
                                std::int32_t right,
                                std::int32_t bottom,
                                std::int32_t ellipse_width,
                                std::int32_t ellipse_height) {
  BoxShape(stream, left, top, right, bottom);
  Pair(stream, ellipse_width, ellipse_height);
  XLWriteAttribute(stream, kXLAttrEllipseDimension);
  XLWriteOperator(stream, kXLOpRoundRectanglePath);
}

void XLRoundRectanglePathReal32(XLStream* stream,
                                float left,
                                float top,
                                float right,
                                float bottom,
                                float ellipse_width,
                                float ellipse_height) {
  BoxShape(stream, left, top, right, bottom);
  Pair(stream, ellipse_width, ellipse_height);
  XLWriteAttribute(stream, kXLAttrEllipseDimension);
  XLWriteOperator(stream, kXLOpRoundRectanglePath);
}
