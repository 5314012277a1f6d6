// The system's own operations at the sizes stories use: a whole transparent picture command's
// drawing and one typed unit.

#include <benchmark/benchmark.h>

#include <cstdio>

#include "engine/context.h"
#include "bench_support.h"
#include "engine/gfx/composition.h"
#include "engine/gfx/surfaces.h"
#include "backends/fontconfig/fontconfig_faces.h"
#include "base/freetype_glyph_rasterizer.h"
#include "engine/text/message_window.h"
#include "engine/text/text_output.h"

namespace {

std::unique_ptr<NevContext> pageOf640x480(GlyphRasterizer* glyphs) {
  auto context = makeContext();
  GameConfig& config = context->config;
  config.screenWidth = 640;
  config.screenHeight = 480;
  config.fontSize = 20;
  config.charPitch = 22;
  config.linePitch = 28;
  config.charsPerLine = 1000000;
  config.textRed = config.textGreen = config.textBlue = 255;
  config.shadowDx = config.shadowDy = 2;
  config.overlayEnabled = 1;
  config.overlayLevel = 96;
  context->words.cwinX = 640;
  context->words.cwinY = 480;
  context->platform.glyphs = glyphs;
  context->platform.sleep = [](int32_t) {};
  createMessageFont(*context);
  createDisplaySurface(*context);
  prepareRunnerSurfaces(*context);
  return context;
}

// The drawing of @C: the transparent draw of a whole-screen picture, then the overlay surface
// and the display rebuilt with the overlay. Loading the file is measured apart.
void BM_TransparentPictureCommand(benchmark::State& state) {
  NoGlyphs glyphs;
  auto context = pageOf640x480(&glyphs);
  std::unique_ptr<Bitmap> picture = createCompatibleBitmap(640, 480);
  for (size_t i = 0; i < picture->pixels.size(); ++i) picture->pixels[i] = (i % 7 == 0) ? 0 : 0x336699;
  timeAgainstMemcpy(state, picture->pixels.size() * sizeof(Pixel), [&] {
    drawTransparent(context->surfaces.composeSurface, *picture, 0, 0, 640, 480, kBlack,
                    &context->surfaces.transparentDrawWork);
    finishPicture(*context, SRCCOPY);
  });
}
BENCHMARK(BM_TransparentPictureCommand)->UseManualTime()->Unit(benchmark::kMicrosecond);

// One unit typed: shadow and character, from the glyph cache, and its repaint request.
void BM_TypedUnit(benchmark::State& state) {
  FreeTypeGlyphRasterizer glyphs(fontconfigFaces());
  auto context = pageOf640x480(&glyphs);
  const char line[] = "\x89\x4a\x0a";  // "雨" and a line feed
  drawTextLine(*context, line, 1);      // rasterised once here, cached from then on
  for (auto _ : state) {
    context->messageWindow.cursorX = 40;
    context->messageWindow.cursorY = 300;
    drawTextLine(*context, line, 1);
  }
}
BENCHMARK(BM_TypedUnit)->Unit(benchmark::kMicrosecond);

// What every click wait and choice now costs first: the save point, pictures and page.
void BM_TakeSavePoint(benchmark::State& state) {
  NoGlyphs glyphs;
  auto context = pageOf640x480(&glyphs);
  for (int32_t line = 0; line < 5; ++line) {
    std::snprintf(context->runner.history.lines[line], kScriptLineSize, "line %d of the page\n", line);
  }
  context->runner.history.lineCount = 5;
  for (auto _ : state) {
    takeSavePoint(*context, SavePointKind::ClickWait);
    benchmark::DoNotOptimize(context->savePoints.latest.display.data());
  }
}
BENCHMARK(BM_TakeSavePoint)->Unit(benchmark::kMicrosecond);

}  // namespace
