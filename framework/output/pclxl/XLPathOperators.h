// PCL XL operators of paths and shapes (0x84-0xA3).
//
// Each function writes its attribute list (value, attribute id) in the order of its arguments and
// then the operator byte; every attribute is always written. The suffix SInt16, UInt16, SInt32 or
// Real32 names the number type of the box and the points. A box is given as left, top, right,
// bottom; a point as x, y. The stream must be valid.
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLStream.h"

// CloseSubPath (0x84), NewPath (0x85), PaintPath (0x86).
void XLCloseSubPath(XLStream* stream);
void XLNewPath(XLStream* stream);
void XLPaintPath(XLStream* stream);

// ArcPath (0x91): BoundingBox box, StartPoint xy, EndPoint xy, ArcDirection ubyte.
void XLArcPathSInt16(XLStream* stream,
                     std::int16_t left,
                     std::int16_t top,
                     std::int16_t right,
                     std::int16_t bottom,
                     std::int16_t start_x,
                     std::int16_t start_y,
                     std::int16_t end_x,
                     std::int16_t end_y,
                     std::uint8_t direction);
void XLArcPathUInt16(XLStream* stream,
                     std::uint16_t left,
                     std::uint16_t top,
                     std::uint16_t right,
                     std::uint16_t bottom,
                     std::uint16_t start_x,
                     std::uint16_t start_y,
                     std::uint16_t end_x,
                     std::uint16_t end_y,
                     std::uint8_t direction);
void XLArcPathSInt32(XLStream* stream,
                     std::int32_t left,
                     std::int32_t top,
                     std::int32_t right,
                     std::int32_t bottom,
                     std::int32_t start_x,
                     std::int32_t start_y,
                     std::int32_t end_x,
                     std::int32_t end_y,
                     std::uint8_t direction);
void XLArcPathReal32(XLStream* stream,
                     float left,
                     float top,
                     float right,
                     float bottom,
                     float start_x,
                     float start_y,
                     float end_x,
                     float end_y,
                     std::uint8_t direction);

// BezierPath (0x93): NumberOfPoints uint16 and PointType ubyte (the caller follows at once with
// embedded data holding the points); or ControlPoint1 xy, ControlPoint2 xy, EndPoint xy.
void XLBezierPath(XLStream* stream, std::uint16_t number_of_points, std::uint8_t point_type);
void XLBezierPathSInt16(XLStream* stream,
                        std::int16_t control1_x,
                        std::int16_t control1_y,
                        std::int16_t control2_x,
                        std::int16_t control2_y,
                        std::int16_t end_x,
                        std::int16_t end_y);
void XLBezierPathUInt16(XLStream* stream,
                        std::uint16_t control1_x,
                        std::uint16_t control1_y,
                        std::uint16_t control2_x,
                        std::uint16_t control2_y,
                        std::uint16_t end_x,
                        std::uint16_t end_y);
void XLBezierPathSInt32(XLStream* stream,
                        std::int32_t control1_x,
                        std::int32_t control1_y,
                        std::int32_t control2_x,
                        std::int32_t control2_y,
                        std::int32_t end_x,
                        std::int32_t end_y);
void XLBezierPathReal32(XLStream* stream,
                        float control1_x,
                        float control1_y,
                        float control2_x,
                        float control2_y,
                        float end_x,
                        float end_y);

// BezierRelPath (0x95): as BezierPath.
void XLBezierRelPath(XLStream* stream, std::uint16_t number_of_points, std::uint8_t point_type);
void XLBezierRelPathSInt16(XLStream* stream,
                           std::int16_t control1_x,
                           std::int16_t control1_y,
                           std::int16_t control2_x,
                           std::int16_t control2_y,
                           std::int16_t end_x,
                           std::int16_t end_y);
void XLBezierRelPathUInt16(XLStream* stream,
                           std::uint16_t control1_x,
                           std::uint16_t control1_y,
                           std::uint16_t control2_x,
                           std::uint16_t control2_y,
                           std::uint16_t end_x,
                           std::uint16_t end_y);
void XLBezierRelPathSInt32(XLStream* stream,
                           std::int32_t control1_x,
                           std::int32_t control1_y,
                           std::int32_t control2_x,
                           std::int32_t control2_y,
                           std::int32_t end_x,
                           std::int32_t end_y);
void XLBezierRelPathReal32(XLStream* stream,
                           float control1_x,
                           float control1_y,
                           float control2_x,
                           float control2_y,
                           float end_x,
                           float end_y);

// Chord (0x96) and ChordPath (0x97): BoundingBox box, StartPoint xy, EndPoint xy.
void XLChordSInt16(XLStream* stream,
                   std::int16_t left,
                   std::int16_t top,
                   std::int16_t right,
                   std::int16_t bottom,
                   std::int16_t start_x,
                   std::int16_t start_y,
                   std::int16_t end_x,
                   std::int16_t end_y);
void XLChordUInt16(XLStream* stream,
                   std::uint16_t left,
                   std::uint16_t top,
                   std::uint16_t right,
                   std::uint16_t bottom,
                   std::uint16_t start_x,
                   std::uint16_t start_y,
                   std::uint16_t end_x,
                   std::uint16_t end_y);
void XLChordSInt32(XLStream* stream,
                   std::int32_t left,
                   std::int32_t top,
                   std::int32_t right,
                   std::int32_t bottom,
                   std::int32_t start_x,
                   std::int32_t start_y,
                   std::int32_t end_x,
                   std::int32_t end_y);
void XLChordReal32(XLStream* stream,
                   float left,
                   float top,
                   float right,
                   float bottom,
                   float start_x,
                   float start_y,
                   float end_x,
                   float end_y);

void XLChordPathSInt16(XLStream* stream,
                       std::int16_t left,
                       std::int16_t top,
                       std::int16_t right,
                       std::int16_t bottom,
                       std::int16_t start_x,
                       std::int16_t start_y,
                       std::int16_t end_x,
                       std::int16_t end_y);
void XLChordPathUInt16(XLStream* stream,
                       std::uint16_t left,
                       std::uint16_t top,
                       std::uint16_t right,
                       std::uint16_t bottom,
                       std::uint16_t start_x,
                       std::uint16_t start_y,
                       std::uint16_t end_x,
                       std::uint16_t end_y);
void XLChordPathSInt32(XLStream* stream,
                       std::int32_t left,
                       std::int32_t top,
                       std::int32_t right,
                       std::int32_t bottom,
                       std::int32_t start_x,
                       std::int32_t start_y,
                       std::int32_t end_x,
                       std::int32_t end_y);
void XLChordPathReal32(XLStream* stream,
                       float left,
                       float top,
                       float right,
                       float bottom,
                       float start_x,
                       float start_y,
                       float end_x,
                       float end_y);

// Pie (0x9E) and PiePath (0x9F): as Chord.
void XLPieSInt16(XLStream* stream,
                 std::int16_t left,
                 std::int16_t top,
                 std::int16_t right,
                 std::int16_t bottom,
                 std::int16_t start_x,
                 std::int16_t start_y,
                 std::int16_t end_x,
                 std::int16_t end_y);
void XLPieUInt16(XLStream* stream,
                 std::uint16_t left,
                 std::uint16_t top,
                 std::uint16_t right,
                 std::uint16_t bottom,
                 std::uint16_t start_x,
                 std::uint16_t start_y,
                 std::uint16_t end_x,
                 std::uint16_t end_y);
void XLPieSInt32(XLStream* stream,
                 std::int32_t left,
                 std::int32_t top,
                 std::int32_t right,
                 std::int32_t bottom,
                 std::int32_t start_x,
                 std::int32_t start_y,
                 std::int32_t end_x,
                 std::int32_t end_y);
void XLPieReal32(XLStream* stream,
                 float left,
                 float top,
                 float right,
                 float bottom,
                 float start_x,
                 float start_y,
                 float end_x,
                 float end_y);

void XLPiePathSInt16(XLStream* stream,
                     std::int16_t left,
                     std::int16_t top,
                     std::int16_t right,
                     std::int16_t bottom,
                     std::int16_t start_x,
                     std::int16_t start_y,
                     std::int16_t end_x,
                     std::int16_t end_y);
void XLPiePathUInt16(XLStream* stream,
                     std::uint16_t left,
                     std::uint16_t top,
                     std::uint16_t right,
                     std::uint16_t bottom,
                     std::uint16_t start_x,
                     std::uint16_t start_y,
                     std::uint16_t end_x,
                     std::uint16_t end_y);
void XLPiePathSInt32(XLStream* stream,
                     std::int32_t left,
                     std::int32_t top,
                     std::int32_t right,
                     std::int32_t bottom,
                     std::int32_t start_x,
                     std::int32_t start_y,
                     std::int32_t end_x,
                     std::int32_t end_y);
void XLPiePathReal32(XLStream* stream,
                     float left,
                     float top,
                     float right,
                     float bottom,
                     float start_x,
                     float start_y,
                     float end_x,
                     float end_y);

// Ellipse (0x98) and EllipsePath (0x99): BoundingBox box.
void XLEllipseSInt16(XLStream* stream,
                     std::int16_t left,
                     std::int16_t top,
                     std::int16_t right,
                     std::int16_t bottom);
void XLEllipseUInt16(XLStream* stream,
                     std::uint16_t left,
                     std::uint16_t top,
                     std::uint16_t right,
                     std::uint16_t bottom);
void XLEllipseSInt32(XLStream* stream,
                     std::int32_t left,
                     std::int32_t top,
                     std::int32_t right,
                     std::int32_t bottom);
void XLEllipseReal32(XLStream* stream, float left, float top, float right, float bottom);

void XLEllipsePathSInt16(XLStream* stream,
                         std::int16_t left,
                         std::int16_t top,
                         std::int16_t right,
                         std::int16_t bottom);
void XLEllipsePathUInt16(XLStream* stream,
                         std::uint16_t left,
                         std::uint16_t top,
                         std::uint16_t right,
                         std::uint16_t bottom);
void XLEllipsePathSInt32(XLStream* stream,
                         std::int32_t left,
                         std::int32_t top,
                         std::int32_t right,
                         std::int32_t bottom);
void XLEllipsePathReal32(XLStream* stream, float left, float top, float right, float bottom);

// Rectangle (0xA0) and RectanglePath (0xA1): BoundingBox box.
void XLRectangleSInt16(XLStream* stream,
                       std::int16_t left,
                       std::int16_t top,
                       std::int16_t right,
                       std::int16_t bottom);
void XLRectangleUInt16(XLStream* stream,
                       std::uint16_t left,
                       std::uint16_t top,
                       std::uint16_t right,
                       std::uint16_t bottom);
void XLRectangleSInt32(XLStream* stream,
                       std::int32_t left,
                       std::int32_t top,
                       std::int32_t right,
                       std::int32_t bottom);
void XLRectangleReal32(XLStream* stream, float left, float top, float right, float bottom);

void XLRectanglePathSInt16(XLStream* stream,
                           std::int16_t left,
                           std::int16_t top,
                           std::int16_t right,
                           std::int16_t bottom);
void XLRectanglePathUInt16(XLStream* stream,
                           std::uint16_t left,
                           std::uint16_t top,
                           std::uint16_t right,
                           std::uint16_t bottom);
void XLRectanglePathSInt32(XLStream* stream,
                           std::int32_t left,
                           std::int32_t top,
                           std::int32_t right,
                           std::int32_t bottom);
void XLRectanglePathReal32(XLStream* stream, float left, float top, float right, float bottom);

// LinePath (0x9B): NumberOfPoints uint16 and PointType ubyte (the caller follows at once with
// embedded data holding the points); or EndPoint xy.
void XLLinePath(XLStream* stream, std::uint16_t number_of_points, std::uint8_t point_type);
void XLLinePathSInt16(XLStream* stream, std::int16_t end_x, std::int16_t end_y);
void XLLinePathUInt16(XLStream* stream, std::uint16_t end_x, std::uint16_t end_y);
void XLLinePathSInt32(XLStream* stream, std::int32_t end_x, std::int32_t end_y);
void XLLinePathReal32(XLStream* stream, float end_x, float end_y);

// LineRelPath (0x9D): as LinePath.
void XLLineRelPath(XLStream* stream, std::uint16_t number_of_points, std::uint8_t point_type);
void XLLineRelPathSInt16(XLStream* stream, std::int16_t end_x, std::int16_t end_y);
void XLLineRelPathUInt16(XLStream* stream, std::uint16_t end_x, std::uint16_t end_y);
void XLLineRelPathSInt32(XLStream* stream, std::int32_t end_x, std::int32_t end_y);
void XLLineRelPathReal32(XLStream* stream, float end_x, float end_y);

// RoundRectangle (0xA2): BoundingBox box, EllipseDimension xy (uint16 for the 16-bit boxes,
// uint32 for the sint32 box, real32 for the real32 box).
void XLRoundRectangleSInt16(XLStream* stream,
                            std::int16_t left,
                            std::int16_t top,
                            std::int16_t right,
                            std::int16_t bottom,
                            std::uint16_t ellipse_width,
                            std::uint16_t ellipse_height);
void XLRoundRectangleUInt16(XLStream* stream,
                            std::uint16_t left,
                            std::uint16_t top,
                            std::uint16_t right,
                            std::uint16_t bottom,
                            std::uint16_t ellipse_width,
                            std::uint16_t ellipse_height);
void XLRoundRectangleSInt32(XLStream* stream,
                            std::int32_t left,
                            std::int32_t top,
                            std::int32_t right,
                            std::int32_t bottom,
                            std::uint32_t ellipse_width,
                            std::uint32_t ellipse_height);
void XLRoundRectangleReal32(XLStream* stream,
                            float left,
                            float top,
                            float right,
                            float bottom,
                            float ellipse_width,
                            float ellipse_height);

// RoundRectanglePath (0xA3): BoundingBox box, EllipseDimension xy (uint16 for the 16-bit boxes,
// sint32 for the sint32 box, real32 for the real32 box).
void XLRoundRectanglePathSInt16(XLStream* stream,
                                std::int16_t left,
                                std::int16_t top,
                                std::int16_t right,
                                std::int16_t bottom,
                                std::uint16_t ellipse_width,
                                std::uint16_t ellipse_height);
void XLRoundRectanglePathUInt16(XLStream* stream,
                                std::uint16_t left,
                                std::uint16_t top,
                                std::uint16_t right,
                                std::uint16_t bottom,
                                std::uint16_t ellipse_width,
                                std::uint16_t ellipse_height);
void XLRoundRectanglePathSInt32(XLStream* stream,
                                std::int32_t left,
                                std::int32_t top,
                                std::int32_t right,
                                std::int32_t bottom,
                                std::int32_t ellipse_width,
                                std::int32_t ellipse_height);
void XLRoundRectanglePathReal32(XLStream* stream,
                                float left,
                                float top,
                                float right,
                                float bottom,
                                float ellipse_width,
                                float ellipse_height);
