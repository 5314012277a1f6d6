// Raster operations against a plain memcpy of the same number of bytes: the counter vs_memcpy
// is the operation's time over the copy's, both timed in the same iterations.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

#include "bench_support.h"
#include "base/surface.h"
#include "shell/picture_scaling.h"

namespace {

std::unique_ptr<Bitmap> noise(int32_t width, int32_t height) {
  std::unique_ptr<Bitmap> bitmap = createCompatibleBitmap(width, height);
  uint32_t seed = 12345;
  for (Pixel& pixel : bitmap->pixels) {
    seed = seed * 1103515245 + 12345;
    pixel = seed >> 8;
  }
  return bitmap;
}

void bitBltBench(benchmark::State& state, uint32_t code) {
  std::unique_ptr<Bitmap> picture = noise(640, 480);
  std::unique_ptr<Bitmap> canvas = noise(640, 480);
  DrawingContext from{picture.get()};
  DrawingContext to{canvas.get()};
  to.brush = 0x5A3C96;
  timeAgainstMemcpy(state, picture->pixels.size() * sizeof(Pixel),
                    [&] { bitBlt(to, 0, 0, 640, 480, &from, 0, 0, code); });
}

void BM_RasterGeneric(benchmark::State& state) {
  bitBltBench(state, 0x00B8074A);
}
void BM_RasterSourceCopy(benchmark::State& state) {
  bitBltBench(state, SRCCOPY);
}

void BM_StretchToFullHd(benchmark::State& state) {
  std::unique_ptr<Bitmap> picture = noise(640, 480);
  std::vector<Pixel> frame(1920 * 1080);
  PixelTarget target{frame.data(), 1920, 1080, 1920, 0xFF000000};
  const Rect all{0, 0, 1920, 1080};
  timeAgainstMemcpy(state, frame.size() * sizeof(Pixel), [&] {
    stretchBlt(target, all, *picture, {0, 0, 640, 480}, all);
  });
}

// Sharp scaling's whole-multiple step for a 640x480 picture shown at 1440x1080 (2.25).
void BM_SharpStepTwice(benchmark::State& state) {
  std::unique_ptr<Bitmap> picture = noise(640, 480);
  std::vector<Pixel> enlarged(1280 * 960);
  timeAgainstMemcpy(state, picture->pixels.size() * sizeof(Pixel), [&] {
    enlargeByWholeMultiples(picture->pixels.data(), 640, {640, 480}, {1280, 960}, enlarged.data(),
                            1280);
  });
}

BENCHMARK(BM_RasterGeneric)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RasterSourceCopy)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchToFullHd)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SharpStepTwice)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
