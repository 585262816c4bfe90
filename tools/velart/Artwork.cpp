// Drawing of the resource module's pictures on small palette canvases.
#include "tools/velart/Artwork.h"

#include <algorithm>
#include <cstdlib>

#include "tools/velrc/PictureFiles.h"

namespace vel::velart {

namespace {

using velrc::Bytes;

struct Rgb {
  std::uint8_t r, g, b;
};

// The 16 colours of 4-bit pictures, in the usual order of the display's standard palette.
constexpr Rgb kPalette16[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

enum Colour : std::uint8_t {
  kBlack = 0,
  kMaroon = 1,
  kGreen = 2,
  kOlive = 3,
  kNavy = 4,
  kPurple = 5,
  kTeal = 6,
  kSilver = 7,
  kGrey = 8,
  kRed = 9,
  kLime = 10,
  kYellow = 11,
  kBlue = 12,
  kFuchsia = 13,
  kAqua = 14,
  kWhite = 15,
};

// A picture of palette indexes, (0, 0) at the top left.
class Canvas {
 public:
  Canvas(int width, int height, std::uint8_t fill)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), fill) {}

  int Width() const { return width_; }
  int Height() const { return height_; }

  void Set(int x, int y, std::uint8_t c) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
      pixels_[y * width_ + x] = c;
  }
  std::uint8_t Get(int x, int y) const { return pixels_[y * width_ + x]; }

  // Fills left <= x < right, top <= y < bottom.
  void Fill(int left, int top, int right, int bottom, std::uint8_t c) {
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x)
        Set(x, y, c);
    }
  }
  void Frame(int left, int top, int right, int bottom, std::uint8_t c) {
    Line(left, top, right - 1, top, c);
    Line(left, bottom - 1, right - 1, bottom - 1, c);
    Line(left, top, left, bottom - 1, c);
    Line(right - 1, top, right - 1, bottom - 1, c);
  }
  // A filled box with a dark outline and a light top-left edge, as raised plastic looks.
  void Box(int left, int top, int right, int bottom, std::uint8_t face) {
    Fill(left, top, right, bottom, face);
    Line(left + 1, top + 1, right - 2, top + 1, kWhite);
    Line(left + 1, top + 1, left + 1, bottom - 2, kWhite);
    Frame(left, top, right, bottom, kBlack);
  }
  void Line(int x0, int y0, int x1, int y1, std::uint8_t c) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
    for (;;) {
      Set(x0, y0, c);
      if (x0 == x1 && y0 == y1)
        return;
      int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  }

 private:
  int width_, height_;
  std::vector<std::uint8_t> pixels_;
};

void Put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Rows of `bits` per pixel, bottom row first, each padded to 4 bytes. For 1 bit, `on(x, y)`
// decides a pixel; otherwise the canvas index is written.
template <typename PixelOf>
void PutRows(Bytes& out, int width, int height, int bits, PixelOf pixel) {
  int stride = ((width * bits + 31) / 32) * 4;
  for (int y = height - 1; y >= 0; --y) {
    Bytes row(static_cast<std::size_t>(stride), 0);
    for (int x = 0; x < width; ++x) {
      unsigned v = pixel(x, y);
      if (bits == 1) {
        if (v)
          row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      } else {
        row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? v << 4 : v);
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

// BITMAPINFOHEADER and colour table; `rows` is the height written in the header.
void PutHeader(Bytes& out,
               int width,
               int rows,
               int bits,
               const Rgb* palette,
               int colours,
               std::uint32_t image_bytes) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(rows));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bits));
  Put32(out, 0);
  Put32(out, image_bytes);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, (1 << bits) == colours ? 0 : static_cast<std::uint32_t>(colours));
  Put32(out, 0);
  for (int i = 0; i < colours; ++i) {
    out.push_back(palette[i].b);
    out.push_back(palette[i].g);
    out.push_back(palette[i].r);
    out.push_back(0);
  }
}

std::uint32_t RowBytes(int width, int bits) {
  return static_cast<std::uint32_t>(((width * bits + 31) / 32) * 4);
}

// A 4-bit bitmap file of the canvas.
Bytes Bitmap4(const Canvas& c) {
  Bytes dib;
  PutHeader(dib, c.Width(), c.Height(), 4, kPalette16, 16, RowBytes(c.Width(), 4) * c.Height());
  PutRows(dib, c.Width(), c.Height(), 4, [&](int x, int y) { return c.Get(x, y); });
  return velrc::WriteBitmapFile(dib);
}

// A 1-bit bitmap file: white where `white` holds, black elsewhere.
Bytes Bitmap1(const Canvas& c, std::uint8_t white) {
  constexpr Rgb kMono[2] = {{0, 0, 0}, {255, 255, 255}};
  Bytes dib;
  PutHeader(dib, c.Width(), c.Height(), 1, kMono, 2, RowBytes(c.Width(), 1) * c.Height());
  PutRows(dib, c.Width(), c.Height(), 1, [&](int x, int y) { return c.Get(x, y) == white; });
  return velrc::WriteBitmapFile(dib);
}

// ---- the printer and its accessories (196 x 178) -------------------------------------------

constexpr int kPrinterWidth = 196, kPrinterHeight = 178;
constexpr std::uint8_t kBackground = kSilver;

// A stack of paper trays: `count` drawers of equal height in the rectangle.
void Drawers(Canvas& c, int left, int top, int right, int bottom, int count) {
  int step = (bottom - top) / count;
  for (int i = 0; i < count; ++i) {
    int y = top + i * step;
    c.Box(left, y, right, i + 1 == count ? bottom : y + step + 1, kSilver);
    c.Fill((left + right) / 2 - 6, y + step / 2 - 1, (left + right) / 2 + 6, y + step / 2 + 1,
           kGrey);
  }
}

// Output bins as thin slanted shelves.
void Shelves(Canvas& c, int left, int top, int right, int count, int step) {
  for (int i = 0; i < count; ++i) {
    int y = top + i * step;
    c.Line(left, y + 2, right, y, kBlack);
    c.Line(left, y + 3, right, y + 1, kGrey);
  }
}

Canvas PrinterBase() {
  Canvas c(kPrinterWidth, kPrinterHeight, kBackground);
  c.Box(84, 24, 160, 108, kWhite);  // the body
  c.Fill(110, 28, 148, 38, kGrey);  // top bin (face-down)
  c.Frame(110, 28, 148, 38, kBlack);
  c.Box(49, 44, 84, 67, kSilver);    // left bin (face-up)
  c.Box(160, 36, 176, 66, kSilver);  // tray 1 at the side
  c.Box(88, 42, 104, 52, kNavy);     // control panel
  c.Fill(90, 44, 98, 48, kLime);
  Drawers(c, 87, 81, 153, 107, 2);  // trays 2 and 3
  return c;
}

Canvas Overlay(int which) {
  Canvas c(kPrinterWidth, kPrinterHeight, kBackground);
  switch (which) {
    case 2101:
      c.Box(162, 23, 193, 48, kTeal);
      c.Fill(168, 30, 188, 34, kWhite);
      break;  // envelope feeder
    case 2102:
      Drawers(c, 87, 114, 153, 141, 2);
      break;  // two 500-sheet trays
    case 2103:
      c.Box(87, 107, 153, 160, kSilver);
      c.Fill(112, 130, 128, 134, kGrey);
      break;  // 2000-sheet tray
    case 2104:
      c.Box(112, 2, 150, 26, kSilver);
      Shelves(c, 114, 4, 148, 8, 3);
      break;  // 8-bin mailbox
    case 2105:
      c.Box(80, 160, 164, 176, kGrey);
      break;    // caster base
    case 2106:  // mailbox with stapler
      c.Box(112, 6, 150, 26, kSilver);
      Shelves(c, 114, 8, 148, 5, 4);
      c.Box(26, 63, 59, 99, kMaroon);
      c.Fill(34, 74, 50, 80, kYellow);
      break;
    case 2107:
      c.Box(112, 4, 150, 26, kSilver);
      Shelves(c, 114, 6, 148, 7, 3);
      break;  // 7-bin mailbox
    case 2108:
      c.Box(112, 4, 150, 26, kPurple);
      Shelves(c, 114, 6, 148, 7, 3);
      break;
    case 2109:
      c.Box(84, 107, 156, 112, kGrey);
      break;    // stand
    case 2110:  // tower, 4 bins
      c.Box(150, 101, 177, 156, kSilver);
      for (int y = 112; y < 156; y += 11)
        c.Line(150, y, 176, y, kBlack);
      break;
    case 2111:
      c.Box(150, 101, 177, 178, kSilver);
      for (int y = 112; y < 178; y += 11)
        c.Line(150, y, 176, y, kBlack);
      break;
    case 2112:
      c.Box(150, 90, 177, 102, kGrey);
      break;  // tower cap
    case 2113:
      c.Box(20, 40, 50, 104, kNavy);
      c.Fill(26, 60, 44, 66, kAqua);
      break;  // booklet maker
    case 2114:
      c.Box(14, 36, 50, 104, kGreen);
      Shelves(c, 16, 50, 48, 1, 0);
      break;  // 2500-sheet stacker
    case 2115:
      c.Box(14, 36, 50, 150, kGreen);
      Shelves(c, 16, 50, 48, 1, 0);
      break;
    case 2116:
      c.Box(10, 30, 50, 108, kOlive);
      Shelves(c, 12, 44, 48, 2, 20);
      break;  // stackmounts
    case 2117:
      c.Box(4, 20, 50, 108, kOlive);
      Shelves(c, 6, 34, 48, 3, 20);
      break;
  }
  return c;
}

// ---- strips, buttons and Feature Tip states ------------------------------------------------

// The banner strip (229 x 22): a band with a row of blocks; `accent` tells the two apart.
Canvas Strip(std::uint8_t accent) {
  Canvas c(229, 22, kWhite);
  c.Fill(2, 3, 227, 19, kNavy);
  for (int x = 8; x < 220; x += 14)
    c.Fill(x, 8, x + 8, 14, accent);
  c.Frame(2, 3, 227, 19, kBlack);
  return c;
}

// A sheet seen from the front (24 x 24): binding on the left or right, upright or on its side.
Canvas Sheet(bool right_binding, bool landscape) {
  Canvas c(24, 24, kWhite);
  int left = landscape ? 2 : 5, right = landscape ? 22 : 19;
  int top = landscape ? 5 : 2, bottom = landscape ? 19 : 22;
  c.Fill(left, top, right, bottom, kSilver);
  c.Frame(left, top, right, bottom, kBlack);
  for (int y = top + 3; y < bottom - 2; y += 3)
    c.Line(left + 3, y, right - 4, y, kGrey);
  int edge = right_binding ? right - 2 : left + 1;
  c.Line(edge, top + 1, edge, bottom - 2, kBlue);
  return c;
}

// The Feature Tip button (25 x 19): a lamp on a face; pressed moves it down and right.
Canvas FeatureTip(bool pressed, std::uint8_t lamp) {
  Canvas c(25, 19, kSilver);
  c.Frame(0, 0, 25, 19, pressed ? kGrey : kWhite);
  c.Line(24, 0, 24, 18, pressed ? kWhite : kBlack);
  c.Line(0, 18, 24, 18, pressed ? kWhite : kBlack);
  int d = pressed ? 1 : 0;
  c.Fill(9 + d, 3 + d, 16 + d, 11 + d, lamp);
  c.Frame(9 + d, 3 + d, 16 + d, 11 + d, kBlack);
  c.Fill(11 + d, 11 + d, 14 + d, 15 + d, kGrey);
  return c;
}

// ---- cursor and icons ----------------------------------------------------------------------

// The hand (32 x 32) whose finger tip is the hot spot (5, 1): white inside, black outline;
// everything else transparent. Pixel values: 0 transparent, 1 black, 2 white.
Canvas Hand() {
  Canvas c(32, 32, 0);
  c.Fill(4, 1, 8, 16, 1);  // the finger
  c.Fill(5, 2, 7, 16, 2);
  c.Fill(4, 12, 21, 28, 1);  // palm with bent fingers
  c.Fill(5, 13, 20, 27, 2);
  for (int x = 10; x < 20; x += 4)
    c.Line(x, 13, x, 18, 1);
  c.Set(5, 1, 1);
  c.Set(6, 1, 1);
  return c;
}

// A page with an arrow across (width) or down (height); `metric` draws a finer scale.
Canvas SizeIcon(bool height, bool metric) {
  Canvas c(32, 32, kTeal);  // kTeal marks the transparent area
  c.Fill(7, 3, 25, 29, kWhite);
  c.Frame(7, 3, 25, 29, kBlack);
  int step = metric ? 2 : 4;
  if (height) {
    c.Line(16, 5, 16, 26, kRed);
    c.Line(14, 7, 16, 5, kRed);
    c.Line(18, 7, 16, 5, kRed);
    c.Line(14, 24, 16, 26, kRed);
    c.Line(18, 24, 16, 26, kRed);
    for (int y = 6; y < 27; y += step)
      c.Set(9, y, kBlue);
  } else {
    c.Line(9, 16, 22, 16, kRed);
    c.Line(11, 14, 9, 16, kRed);
    c.Line(11, 18, 9, 16, kRed);
    c.Line(20, 14, 22, 16, kRed);
    c.Line(20, 18, 22, 16, kRed);
    for (int x = 9; x < 23; x += step)
      c.Set(x, 5, kBlue);
  }
  return c;
}

// One icon or cursor image: colour bits (or the XOR image) at `bits` per pixel over `colours`
// palette entries, then the 1-bit mask (1 = transparent).
template <typename ColourOf, typename MaskOf>
velrc::IconImage IconImageOf(int bits,
                             const Rgb* palette,
                             int colours,
                             ColourOf colour,
                             MaskOf transparent) {
  velrc::IconImage image;
  image.width = 32;
  image.height = 32;
  image.color_count = static_cast<std::uint8_t>(colours == 256 ? 0 : colours);
  image.planes = 1;
  image.bit_count = static_cast<std::uint16_t>(bits);
  std::uint32_t bytes = RowBytes(32, bits) * 32 + RowBytes(32, 1) * 32;
  PutHeader(image.data, 32, 64, bits, palette, colours, bytes);
  PutRows(image.data, 32, 32, bits, colour);
  PutRows(image.data, 32, 32, 1, transparent);
  return image;
}

// The nearest of the first `count` palette colours.
std::uint8_t Nearest(std::uint8_t index, const Rgb* palette, int count) {
  const Rgb& want = kPalette16[index];
  int best = 0, best_distance = 1 << 30;
  for (int i = 0; i < count; ++i) {
    int dr = want.r - palette[i].r, dg = want.g - palette[i].g, db = want.b - palette[i].b;
    int d = dr * dr + dg * dg + db * db;
    if (d < best_distance) {
      best = i;
      best_distance = d;
    }
  }
  return static_cast<std::uint8_t>(best);
}

Bytes SizeIconFile(bool height, bool metric) {
  Canvas c = SizeIcon(height, metric);
  auto transparent = [&](int x, int y) { return c.Get(x, y) == kTeal; };
  constexpr Rgb kMono[2] = {{0, 0, 0}, {255, 255, 255}};
  // Eight colours: black, the dark primaries and white.
  constexpr Rgb kEight[8] = {{0, 0, 0},   {128, 0, 0},   {0, 128, 0},     {255, 0, 0},
                             {0, 0, 255}, {0, 128, 128}, {192, 192, 192}, {255, 255, 255}};
  std::vector<velrc::IconImage> images;
  images.push_back(IconImageOf(
      1, kMono, 2,
      [&](int x, int y) {
        std::uint8_t v = c.Get(x, y);
        return v == kWhite || v == kTeal ? 1u : 0u;
      },
      transparent));
  images.push_back(IconImageOf(
      4, kEight, 8,
      [&](int x, int y) {
        std::uint8_t v = c.Get(x, y);
        return v == kTeal ? 0u : unsigned{Nearest(v, kEight, 8)};
      },
      transparent));
  images.push_back(IconImageOf(
      4, kPalette16, 16,
      [&](int x, int y) {
        std::uint8_t v = c.Get(x, y);
        return v == kTeal ? 0u : unsigned{v};
      },
      transparent));
  return velrc::WriteIconFile(images, 1);
}

Bytes HandCursorFile() {
  Canvas c = Hand();
  constexpr Rgb kMono[2] = {{0, 0, 0}, {255, 255, 255}};
  velrc::IconImage image = IconImageOf(
      1, kMono, 2, [&](int x, int y) { return c.Get(x, y) == 2 ? 1u : 0u; },
      [&](int x, int y) { return c.Get(x, y) == 0 ? 1u : 0u; });
  image.color_count = 0;
  image.hotspot_x = 5;
  image.hotspot_y = 1;
  return velrc::WriteIconFile({image}, 2);
}

}  // namespace

std::vector<ArtworkFile> DrawArtwork() {
  std::vector<ArtworkFile> files;
  auto add = [&](const std::string& name, Bytes bytes) {
    files.push_back(ArtworkFile{name, std::move(bytes)});
  };
  add("bitmap_2100.bmp", Bitmap4(PrinterBase()));
  for (int id = 2101; id <= 2117; ++id) {
    add("bitmap_" + std::to_string(id) + ".bmp", Bitmap4(Overlay(id)));
  }
  Canvas strip = Strip(kYellow);
  add("bitmap_11201.bmp", Bitmap4(strip));
  add("bitmap_11202.bmp", Bitmap1(strip, kWhite));
  add("bitmap_11203.bmp", Bitmap4(Strip(kAqua)));
  Canvas sheets[4] = {Sheet(false, false), Sheet(false, true), Sheet(true, false),
                      Sheet(true, true)};
  for (int i = 0; i < 4; ++i) {
    add("bitmap_" + std::to_string(11210 + i) + ".bmp", Bitmap4(sheets[i]));
  }
  // One mask for all four: the area outside both the upright and the turned sheet.
  Canvas mask(24, 24, kWhite);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) {
      bool inside = false;
      for (const Canvas& s : sheets)
        inside = inside || s.Get(x, y) != kWhite;
      if (inside)
        mask.Set(x, y, kBlack);
    }
  }
  add("bitmap_11214.bmp", Bitmap1(mask, kWhite));
  add("bitmap_11230.bmp", Bitmap4(FeatureTip(false, kYellow)));
  add("bitmap_11231.bmp", Bitmap4(FeatureTip(true, kYellow)));
  add("bitmap_11232.bmp", Bitmap4(FeatureTip(false, kAqua)));
  add("bitmap_11233.bmp", Bitmap4(FeatureTip(true, kAqua)));
  add("cursor_11220.cur", HandCursorFile());
  add("icon_11413.ico", SizeIconFile(false, false));
  add("icon_11414.ico", SizeIconFile(false, true));
  add("icon_11423.ico", SizeIconFile(true, false));
  add("icon_11424.ico", SizeIconFile(true, true));
  return files;
}

}  // namespace vel::velart
