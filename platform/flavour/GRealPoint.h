// A point of two reals, x then y; the same in both flavours over their GReal.
#pragma once

class GRealPoint {
 public:
  GRealPoint() = default;
  GRealPoint(GReal x, GReal y) : x_(x), y_(y) {}

  void Set(GReal x, GReal y) {
    x_ = x;
    y_ = y;
  }
  GReal GetX() const { return x_; }
  GReal GetY() const { return y_; }

  friend bool operator==(const GRealPoint& a, const GRealPoint& b) {
    return RealEqual(a.x_, b.x_) && RealEqual(a.y_, b.y_);
  }

 private:
  GReal x_{};
  GReal y_{};
};
