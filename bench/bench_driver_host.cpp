// The driver host must stay out of the way of the render module's page rates: the host's cost of
// one DDI call (making the call's engine objects, clipping, freeing) beside calling the same
// driver function directly with objects built once outside the timing. The driver enumerates
// everything it receives (path records, clip rectangles, source bits, glyphs and their bits);
// logging and poison mode are off.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <memory>

#include "platform/engine/DriverHost.h"
#include "platform/engine/EngineFonts.h"
#include "platform/engine/EngineObjects.h"

namespace {

using namespace vel::platform::engine;

struct Fixture {
  std::unique_ptr<DriverHost> host;
  std::unique_ptr<DeviceContext> dc;

  Fixture() {
    DriverHostOptions options;
    options.log_calls = false;
    host = DriverHost::Load(VEL_BENCH_DRIVER, options, nullptr);
    void* module = dlopen(VEL_BENCH_DRIVER, RTLD_NOW | RTLD_NOLOAD);
    if (module != nullptr) {
      auto quiet = reinterpret_cast<void (*)(bool)>(dlsym(module, "LoggingDriverSetQuiet"));
      if (quiet != nullptr) {
        quiet(true);
      }
      dlclose(module);
    }
    dc = host->CreateDC({nullptr, u"Bench", u"LPT1:", {}});
    dc->StartDoc(u"Bench", 1);
    dc->StartPage();
  }
  ~Fixture() {
    dc->EndPage();
    dc->EndDoc(0);
  }
};

PathSpec FiftyPoints() {
  PathFigure figure;
  figure.start = Fix(100, 100);
  PathRun run;
  for (int i = 1; i < 50; ++i) {
    run.points.push_back(Fix(100 + i * 10, 100 + (i % 2) * 40));
  }
  figure.runs.push_back(run);
  return {figure};
}

BitmapSpec Picture() {
  BitmapSpec bits{BMF_24BPP, 1000, 1000, false, {}};
  bits.bits.assign(static_cast<std::size_t>(BitmapStride(BMF_24BPP, 1000)) * 1000, 0x5A);
  return bits;
}

TextSpec Eighty() {
  TextSpec text;
  for (int i = 0; i < 80; ++i) {
    text.text.push_back(static_cast<char16_t>('A' + i % 26));
  }
  text.origin = POINTL{100, 300};
  return text;
}

void BM_HostStrokePath(benchmark::State& state) {
  Fixture f;
  PathSpec path = FiftyPoints();
  for (auto _ : state) {
    f.dc->StrokePath(path, ClipSpec{}, XformSpec{}, BrushSpec::Solid(0), POINTL{0, 0}, LineSpec{},
                     R2_COPYPEN);
  }
}
BENCHMARK(BM_HostStrokePath);

void BM_DirectStrokePath(benchmark::State& state) {
  Fixture f;
  auto stroke = reinterpret_cast<PFN_DrvStrokePath>(f.host->Function(INDEX_DrvStrokePath));
  auto path = detail::MakePath(FiftyPoints());
  bool outside = false;
  auto clip = detail::MakeClip(ClipSpec{}, POINTL{0, 0}, RECTL{0, 0, 5100, 6600},
                               RECTL{0, 0, 10, 10}, &outside);
  auto xform = detail::MakeXform(XformSpec{});
  auto brush = detail::MakeBrush(BrushSpec::Solid(0), nullptr, nullptr, false);
  LINEATTRS line = LineSpec{}.attributes;
  POINTL origin{0, 0};
  for (auto _ : state) {
    stroke(f.dc->DeviceSurface(), &path->po, &clip->co, &xform->xo, &brush->bo, &origin, &line,
           R2_COPYPEN);
  }
}
BENCHMARK(BM_DirectStrokePath);

void BM_HostBitBlt(benchmark::State& state) {
  Fixture f;
  BitmapSpec bits = Picture();
  for (auto _ : state) {
    f.dc->BitBlt(&bits, ClipSpec{}, nullptr, RECTL{0, 0, 1000, 1000}, POINTL{0, 0}, nullptr,
                 POINTL{0, 0}, 0xCCCC);
  }
}
BENCHMARK(BM_HostBitBlt)->Unit(benchmark::kMicrosecond);

void BM_DirectBitBlt(benchmark::State& state) {
  Fixture f;
  auto blt = reinterpret_cast<PFN_DrvBitBlt>(f.host->Function(INDEX_DrvBitBlt));
  BitmapSpec bits = Picture();
  HSURF source = detail::MakeBitmapSurface(bits, false);
  bool outside = false;
  auto clip = detail::MakeClip(ClipSpec{}, POINTL{0, 0}, RECTL{0, 0, 5100, 6600},
                               RECTL{0, 0, 10, 10}, &outside);
  RECTL target{0, 0, 1000, 1000};
  POINTL from{0, 0};
  POINTL origin{0, 0};
  for (auto _ : state) {
    blt(f.dc->DeviceSurface(), &detail::SurfaceOf(source)->so, nullptr, &clip->co, nullptr,
        &target, &from, nullptr, nullptr, &origin, 0xCCCC);
  }
  EngDeleteSurface(source);
}
BENCHMARK(BM_DirectBitBlt)->Unit(benchmark::kMicrosecond);

void BM_HostTextOut(benchmark::State& state) {
  Fixture f;
  FONTOBJ* font = CreateFontObject(FontSpec{});
  TextSpec text = Eighty();
  for (auto _ : state) {
    f.dc->TextOut(font, text, ClipSpec{}, {}, nullptr, BrushSpec::Solid(0), BrushSpec::Solid(0),
                  POINTL{0, 0}, R2_COPYPEN);
  }
  f.dc->DestroyFont(font);
  DeleteFontObject(font);
}
BENCHMARK(BM_HostTextOut);

void BM_DirectTextOut(benchmark::State& state) {
  Fixture f;
  auto text_out = reinterpret_cast<PFN_DrvTextOut>(f.host->Function(INDEX_DrvTextOut));
  FONTOBJ* font = CreateFontObject(FontSpec{});
  auto string = detail::MakeString(font, Eighty(), POINTL{0, 0});
  bool outside = false;
  auto clip = detail::MakeClip(ClipSpec{}, POINTL{0, 0}, RECTL{0, 0, 5100, 6600},
                               RECTL{0, 0, 10, 10}, &outside);
  auto brush = detail::MakeBrush(BrushSpec::Solid(0), nullptr, nullptr, false);
  POINTL origin{0, 0};
  for (auto _ : state) {
    text_out(f.dc->DeviceSurface(), &string->so, font, &clip->co, nullptr, nullptr, &brush->bo,
             nullptr, &origin, R2_COPYPEN);
    detail::EndFontCall(font);
  }
  DeleteFontObject(font);
}
BENCHMARK(BM_DirectTextOut);

}  // namespace
