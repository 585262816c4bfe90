// The PCL XL stream writer on a typical page's mix (attribute lists, paths of sint16 points,
// 16 KB image blocks of embedded data), each part beside memcpy of the same number of bytes
// through a buffer of the same size; and the image-row run-length encoder over a full page.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLImageOperators.h"
#include "framework/output/pclxl/XLPackBits.h"
#include "framework/output/pclxl/XLPathOperators.h"
#include "framework/output/pclxl/XLSessionOperators.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/output/pclxl/XLStream.h"

namespace {

constexpr std::int32_t kBufferSize = 8192;  // the back end's stream buffer
constexpr int kShapes = 200;                // pen, brush and path of each shape
constexpr int kPointsPerPath = 64;
constexpr int kImageBlocks = 8;
constexpr std::uint32_t kImageBlockSize = 16384;

// Hands the buffer on to nowhere; the stream marks it empty.
class Sink : public GOutputFlushCallback {
 public:
  std::int32_t Flush(XLStream* /*stream*/,
                     std::uintptr_t /*user_word*/,
                     const std::uint8_t* buffer,
                     std::int32_t byte_count) override {
    benchmark::DoNotOptimize(buffer);
    return byte_count;
  }
};

enum class Part { kAttributes, kPaths, kImage, kPage };

struct PageData {
  PageData() : points(2 * kPointsPerPath), image(kImageBlockSize) {
    for (std::size_t i = 0; i < points.size(); ++i) {
      points[i] = static_cast<std::uint16_t>(static_cast<std::int16_t>((i * 37) % 500 - 250));
    }
    for (std::size_t i = 0; i < image.size(); ++i) {
      image[i] = static_cast<std::uint8_t>(i * 13);
    }
  }
  std::vector<std::uint16_t> points;  // relative sint16 x, y pairs, as their 16-bit patterns
  std::vector<std::uint8_t> image;
};

void WriteAttributes(XLStream* s, int shape) {
  const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(shape), 0x80, 0x40};
  XLSetLineDashSolid(s, 0);
  XLSetPenWidthUInt16(s, static_cast<std::uint16_t>(4 + shape % 8));
  XLSetLineCap(s, 1);
  XLSetLineJoin(s, 1);
  XLSetColorSpace(s, 2);
  XLSetPenSourceRGB(s, rgb, 3);
  XLSetBrushSourceRGB(s, rgb, 3);
  XLSetROP(s, 252);
}

void WritePath(XLStream* s, const PageData& data, int shape) {
  XLNewPath(s);
  XLSetCursorSInt16(s, static_cast<std::int16_t>(100 + shape), static_cast<std::int16_t>(200));
  XLLineRelPath(s, kPointsPerPath, 3);
  XLDataLength(s, 4 * kPointsPerPath);
  XLRawUInt16Array(s, data.points.data(), static_cast<std::uint32_t>(data.points.size()));
  XLCloseSubPath(s);
  XLPaintPath(s);
}

void WriteImage(XLStream* s, const PageData& data) {
  XLSetCursorSInt16(s, 300, 400);
  XLBeginImage(s, 0, 2, 4096, kImageBlocks * 4, 4096, kImageBlocks * 4);
  for (int block = 0; block < kImageBlocks; ++block) {
    XLReadImage(s, static_cast<std::uint16_t>(block * 4), 4, 0);
    XLEmbedBytes(s, data.image.data(), kImageBlockSize);
  }
  XLEndImage(s);
}

void Write(XLStream* s, const PageData& data, Part part) {
  if (part == Part::kPage) {
    XLBeginPage(s, 0, 2);
  }
  if (part != Part::kImage) {
    for (int shape = 0; shape < kShapes; ++shape) {
      if (part != Part::kPaths) {
        WriteAttributes(s, shape);
      }
      if (part != Part::kAttributes) {
        WritePath(s, data, shape);
      }
    }
  }
  if (part == Part::kImage || part == Part::kPage) {
    WriteImage(s, data);
  }
  if (part == Part::kPage) {
    XLEndPage(s);
  }
}

std::int64_t BytesOf(const PageData& data, Part part) {
  Sink sink;
  XLStream* stream = XLCreateStream(kBufferSize, &sink, 0);
  Write(stream, data, part);
  return XLCloseStream(stream);
}

void BM_Writer(benchmark::State& state, Part part) {
  const PageData data;
  Sink sink;
  XLStream* stream = XLCreateStream(kBufferSize, &sink, 0);
  const std::int64_t bytes = BytesOf(data, part);
  for (auto _ : state) {
    Write(stream, data, part);
    XLFlushStream(stream);
  }
  if (stream->error != kXLNoError) {
    state.SkipWithError(XLErrorText(stream->error));
  }
  XLCloseStream(stream);
  state.SetBytesProcessed(state.iterations() * bytes);
}

// The physical limit: the same number of bytes copied into a buffer of the same size.
void BM_Memcpy(benchmark::State& state, Part part) {
  const PageData data;
  const auto bytes = static_cast<std::size_t>(BytesOf(data, part));
  std::vector<std::uint8_t> source(bytes, 0x5A);
  std::vector<std::uint8_t> buffer(kBufferSize);
  for (auto _ : state) {
    for (std::size_t done = 0; done < bytes; done += kBufferSize) {
      const std::size_t run = std::min<std::size_t>(kBufferSize, bytes - done);
      std::memcpy(buffer.data(), source.data() + done, run);
      benchmark::DoNotOptimize(buffer.data());
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

BENCHMARK_CAPTURE(BM_Writer, page, Part::kPage);
BENCHMARK_CAPTURE(BM_Memcpy, page, Part::kPage);
BENCHMARK_CAPTURE(BM_Writer, attributes, Part::kAttributes);
BENCHMARK_CAPTURE(BM_Memcpy, attributes, Part::kAttributes);
BENCHMARK_CAPTURE(BM_Writer, paths, Part::kPaths);
BENCHMARK_CAPTURE(BM_Memcpy, paths, Part::kPaths);
BENCHMARK_CAPTURE(BM_Writer, image, Part::kImage);
BENCHMARK_CAPTURE(BM_Memcpy, image, Part::kImage);

// The image-row run-length encoder over a full page of 1-bit rows (4,960 x 7,016 dots) beside
// memcpy of the same rows; the counter "encoded" is the page's encoded size in bytes.
constexpr std::int32_t kRowBytes = 4960 / 8;
constexpr std::int32_t kRows = 7016;

enum class Picture { kText, kNoise };

std::vector<std::uint8_t> PagePicture(Picture picture) {
  std::vector<std::uint8_t> page(static_cast<std::size_t>(kRowBytes) * kRows, 0);
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  for (std::int32_t row = 0; row < kRows; ++row) {
    std::uint8_t* bytes = page.data() + static_cast<std::size_t>(row) * kRowBytes;
    if (picture == Picture::kNoise) {
      for (std::int32_t i = 0; i < kRowBytes; ++i) {
        bytes[i] = static_cast<std::uint8_t>(next());
      }
      continue;
    }
    // Text: lines of 40 rows of glyph strokes, then 20 rows of leading; margins stay white.
    if (row % 60 >= 40) {
      continue;
    }
    for (std::int32_t i = 40; i < kRowBytes - 40; ++i) {
      if (next() % 4 == 0) {
        bytes[i] = static_cast<std::uint8_t>(next());
      }
    }
  }
  return page;
}

void BM_RowEncoder(benchmark::State& state, Picture picture) {
  const std::vector<std::uint8_t> page = PagePicture(picture);
  Sink sink;
  XLStream* stream = XLCreateStream(kBufferSize, &sink, 0);
  std::uint64_t encoded = 0;
  for (auto _ : state) {
    encoded = 0;
    for (std::int32_t row = 0; row < kRows; ++row) {
      std::uint32_t length = 0;
      XLPackBitsEncode(stream, 0, page.data() + static_cast<std::size_t>(row) * kRowBytes,
                       kRowBytes, &length);
      encoded += length;
    }
  }
  XLCloseStream(stream);
  state.counters["encoded"] = static_cast<double>(encoded);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

void BM_RowMemcpy(benchmark::State& state, Picture picture) {
  const std::vector<std::uint8_t> page = PagePicture(picture);
  std::vector<std::uint8_t> buffer(kBufferSize);
  for (auto _ : state) {
    std::size_t used = 0;
    for (std::int32_t row = 0; row < kRows; ++row) {
      if (used + kRowBytes > buffer.size()) {
        benchmark::DoNotOptimize(buffer.data());
        used = 0;
      }
      std::memcpy(buffer.data() + used, page.data() + static_cast<std::size_t>(row) * kRowBytes,
                  kRowBytes);
      used += kRowBytes;
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

BENCHMARK_CAPTURE(BM_RowEncoder, text, Picture::kText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RowMemcpy, text, Picture::kText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RowEncoder, noise, Picture::kNoise)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RowMemcpy, noise, Picture::kNoise)->Unit(benchmark::kMillisecond);

}  // namespace
