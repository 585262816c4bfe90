// The point runs of the PCL XL back end: relative coordinates in byte and 16-bit runs.
#include "framework/output/XLPointRuns.h"

#include <algorithm>
#include <cstdlib>

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLPathOperators.h"

namespace vel {
namespace {

constexpr std::uint8_t kPointTypeByte = 1;
constexpr std::uint8_t kPointTypeInt16 = 3;
// Fitting units from the remembered one on that switch a 16-bit run to a byte run, in points.
constexpr std::uint32_t kSwitchPoints = 6;

// The relative points of a unit list, read from the absolute points as they are needed.
class RelativePoints {
 public:
  RelativePoints(XLRunUnit unit, const GPoint* points, std::uint32_t units, XLPathPosition start)
      : points_(points),
        units_(units),
        per_unit_(unit == XLRunUnit::kLinePoint ? 1u : 3u),
        start_(start) {}

  std::uint32_t Units() const { return units_; }
  std::uint32_t PerUnit() const { return per_unit_; }

  // The point the unit's points are relative to.
  GPoint Base(std::uint32_t unit) const {
    return unit == 0 ? GPoint{start_.x, start_.y} : points_[unit * per_unit_ - 1];
  }
  bool Fits(std::uint32_t unit) const {
    const GPoint base = Base(unit);
    const GPoint* p = points_ + unit * per_unit_;
    for (std::uint32_t i = 0; i < per_unit_; ++i) {
      if (std::abs(std::int32_t{p[i].x} - base.x) >= 128 ||
          std::abs(std::int32_t{p[i].y} - base.y) >= 128) {
        return false;
      }
    }
    return true;
  }

  // Writes units [first, end) as runs of one kind, each of at most kMaxRunPoints points.
  void Emit(XLStream* stream, bool bytes, std::uint32_t first, std::uint32_t end) const {
    const std::uint32_t max_units = kMaxRunPoints / per_unit_;
    while (first < end) {
      const std::uint32_t units = std::min(end - first, max_units);
      EmitOne(stream, bytes, first, units);
      first += units;
    }
  }

 private:
  void EmitOne(XLStream* stream, bool bytes, std::uint32_t first, std::uint32_t units) const {
    const std::uint32_t count = units * per_unit_;
    const std::uint8_t type = bytes ? kPointTypeByte : kPointTypeInt16;
    if (per_unit_ == 1) {
      XLLineRelPath(stream, static_cast<std::uint16_t>(count), type);
    } else {
      XLBezierRelPath(stream, static_cast<std::uint16_t>(count), type);
    }
    const std::uint32_t point_size = bytes ? 2 : 4;
    XLDataLength32(stream, count * point_size);
    // The points pass through a small buffer, a few hundred at a time.
    std::uint8_t chunk[1024];
    const std::uint32_t chunk_units = sizeof chunk / (point_size * per_unit_);
    const std::uint32_t end = first + units;
    for (std::uint32_t unit = first; unit < end;) {
      const std::uint32_t stop = std::min(end, unit + chunk_units);
      std::uint8_t* out = chunk;
      if (per_unit_ == 1) {
        out = bytes ? PutUnits<1, 2>(out, unit, stop) : PutUnits<1, 4>(out, unit, stop);
      } else {
        out = bytes ? PutUnits<3, 2>(out, unit, stop) : PutUnits<3, 4>(out, unit, stop);
      }
      unit = stop;
      XLRawBytes(stream, chunk, static_cast<std::uint32_t>(out - chunk));
    }
  }

  // The points of units [unit, stop) (kPerUnit points each) relative to their bases, as bytes
  // (kSize 2) or 16-bit values (kSize 4, low byte first); differences wider than the point type
  // keep their low bits.
  template <std::uint32_t kPerUnit, std::uint32_t kSize>
  std::uint8_t* PutUnits(std::uint8_t* out, std::uint32_t unit, std::uint32_t stop) const {
    GPoint base = Base(unit);
    const GPoint* p = points_ + unit * kPerUnit;
#pragma GCC unroll 1
    for (; unit < stop; ++unit, p += kPerUnit) {
      for (std::uint32_t i = 0; i < kPerUnit; ++i) {
        const auto dx = static_cast<std::uint16_t>(std::int32_t{p[i].x} - base.x);
        const auto dy = static_cast<std::uint16_t>(std::int32_t{p[i].y} - base.y);
        if constexpr (kSize == 2) {
          out[0] = static_cast<std::uint8_t>(dx);
          out[1] = static_cast<std::uint8_t>(dy);
        } else {
          out[0] = static_cast<std::uint8_t>(dx);
          out[1] = static_cast<std::uint8_t>(dx >> 8);
          out[2] = static_cast<std::uint8_t>(dy);
          out[3] = static_cast<std::uint8_t>(dy >> 8);
        }
        out += kSize;
      }
      base = p[kPerUnit - 1];  // the next unit's base: this one's last point
    }
    return out;
  }

  const GPoint* points_;
  std::uint32_t units_;
  std::uint32_t per_unit_;
  XLPathPosition start_;
};

enum class State { kInt16, kTentative, kBytes };

}  // namespace

void WriteRelativeRuns(XLStream* stream,
                       XLRunUnit unit,
                       const GPoint* points,
                       std::uint32_t count,
                       XLPathPosition& position) {
  const std::uint32_t per_unit = unit == XLRunUnit::kLinePoint ? 1u : 3u;
  const std::uint32_t units = count / per_unit;
  if (points == nullptr || units == 0) {
    return;
  }
  const RelativePoints relative(unit, points, units, position);
  State state = State::kInt16;
  std::uint32_t run_start = 0;   // first unit of the open run
  std::uint32_t remembered = 0;  // the fitting unit that entered the tentative state
  std::uint32_t i = 0;
  while (i < units) {
    switch (state) {
      case State::kInt16:
        if (relative.Fits(i)) {
          remembered = i;
          state = State::kTentative;
        }
        ++i;
        break;
      case State::kTentative:
        if (!relative.Fits(i)) {
          state = State::kInt16;
          ++i;
          break;
        }
        ++i;
        if ((i - remembered) * per_unit >= kSwitchPoints) {
          relative.Emit(stream, false, run_start, remembered);
          run_start = remembered;
          state = State::kBytes;
        }
        break;
      case State::kBytes:
        if (relative.Fits(i)) {
          ++i;
          break;
        }
        // The unit that does not fit opens the next 16-bit run.
        relative.Emit(stream, true, run_start, i);
        run_start = i;
        state = State::kInt16;
        break;
    }
  }
  bool bytes = state == State::kBytes;
  if (state == State::kTentative) {
    bytes = remembered == run_start && remembered != units - 1;
  }
  relative.Emit(stream, bytes, run_start, units);
  const GPoint last = points[units * per_unit - 1];
  position = {last.x, last.y};
}

}  // namespace vel
