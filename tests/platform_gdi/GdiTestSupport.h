// Small helpers of the drawing tests: a fixture that resets the stand-in, and memory DCs over
// colour or monochrome bitmaps that are deleted with the helper.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/gdi/GdiFixture.h"
#include "platform/win32/gdi/wingdi.h"

namespace vel::test {

class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::ResetGdi(); }
  void TearDown() override { platform::ResetGdi(); }
};

// A memory DC with its own bitmap, filled with one colour.
class Canvas {
 public:
  Canvas(int width, int height, bool mono, COLORREF fill = RGB(255, 255, 255))
      : dc_(CreateCompatibleDC(nullptr)),
        bitmap_(CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr)) {
    previous_ = SelectObject(dc_, bitmap_);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all{0, 0, width, height};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~Canvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  platform::Image Pixels() const { return platform::BitmapImage(bitmap_); }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
};

// Rows of a picture as text, one character per pixel from a legend of colours ('?' for others).
inline std::vector<std::string> Rows(const platform::Image& image,
                                     const std::vector<std::pair<COLORREF, char>>& legend) {
  std::vector<std::string> rows;
  for (int y = 0; y < image.height; ++y) {
    std::string row;
    for (int x = 0; x < image.width; ++x) {
      char c = '?';
      for (const auto& [color, letter] : legend) {
        if (image.At(x, y) == color) {
          c = letter;
        }
      }
      row += c;
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace vel::test
