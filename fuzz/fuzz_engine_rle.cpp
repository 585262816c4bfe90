// EngCopyBits decoding an arbitrary RLE4 or RLE8 source: the first byte chooses the format and the
// row order, the next two the size; the rest is the encoded picture.
#include <cstddef>
#include <cstdint>

#include "platform/engine/EngineObjects.h"

using namespace vel::platform::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) {
    return 0;
  }
  BitmapSpec spec;
  spec.format = (data[0] & 1) != 0 ? BMF_4RLE : BMF_8RLE;
  spec.top_down = (data[0] & 2) != 0;
  spec.width = data[1] % 64 + 1;
  spec.height = data[2] % 64 + 1;
  spec.bits.assign(data + 3, data + size);
  HSURF source = detail::MakeBitmapSurface(spec, true);
  HBITMAP target = EngCreateBitmap(SIZEL{spec.width, spec.height}, 0, BMF_8BPP, BMF_TOPDOWN,
                                   nullptr);
  SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(target));
  RECTL rect{0, 0, spec.width, spec.height};
  POINTL from{0, 0};
  EngCopyBits(so, &detail::SurfaceOf(source)->so, nullptr, nullptr, &rect, &from);
  EngUnlockSurface(so);
  EngDeleteSurface(reinterpret_cast<HSURF>(target));
  EngDeleteSurface(source);
  return 0;
}
