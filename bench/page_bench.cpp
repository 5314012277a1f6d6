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
#include "engine/local_story_folder.h"
#include "engine/story_session.h"
#include "engine/text/message_window.h"
#include "engine/text/text_output.h"

namespace {

// A story with the record of a runner on it, as the runner hands it to what it calls.
struct BenchPage {
  std::unique_ptr<StorySession> session;
  std::unique_ptr<RunnerStorage> record;
  RunnerScope scope() { return {session->context(), *record}; }
};

// The benchmarks' 640 × 480 story with 20-pixel text, laid out wider and darkened by the
// overlay; glyphs from `makeGlyphs`, or none. No session when the story does not open.
BenchPage pageOf640x480(GlyphRasterizerFactory makeGlyphs = {}) {
  Problem problem;
  auto session = openStory(std::make_shared<LocalStoryFolder>(benchStoryFolder("nev-bench-page", false, 10, 96)),
                           {std::move(makeGlyphs), {}}, problem);
  if (!session) return {};
  NevContext& context = session->context();
  auto record = std::make_unique<RunnerStorage>(context.config);
  TextWindowLayout& layout = record->layout;
  layout.charPitch = 22;
  layout.linePitch = 28;
  layout.charsPerLine = 1000000;
  layout.overlayEnabled = 1;
  context.platform.sleep = [](int32_t) {};
  prepareRunnerSurfaces(context);
  return {std::move(session), std::move(record)};
}

// The drawing of @C: the transparent draw of a whole-screen picture, then the overlay surface
// and the display rebuilt with the overlay. Loading the file is measured apart.
void BM_TransparentPictureCommand(benchmark::State& state) {
  BenchPage page = pageOf640x480();
  if (!page.session) return state.SkipWithError("the story does not open");
  NevContext* context = &page.session->context();
  std::unique_ptr<Bitmap> picture = createCompatibleBitmap(640, 480);
  for (size_t i = 0; i < picture->pixels.size(); ++i) picture->pixels[i] = (i % 7 == 0) ? 0 : 0x336699;
  timeAgainstMemcpy(state, picture->pixels.size() * sizeof(Pixel), [&] {
    drawTransparent(context->surfaces.composeSurface, *picture, 0, 0, 640, 480, kBlack,
                    &context->surfaces.transparentDrawWork);
    finishPicture(*context, SRCCOPY, page.record->layout.overlayEnabled);
  });
}
BENCHMARK(BM_TransparentPictureCommand)->UseManualTime()->Unit(benchmark::kMicrosecond);

// One unit typed: shadow and character, from the glyph cache, and its repaint request.
void BM_TypedUnit(benchmark::State& state) {
  BenchPage page = pageOf640x480(
      [faces = fontconfigFaces()] { return std::make_unique<FreeTypeGlyphRasterizer>(faces); });
  if (!page.session) return state.SkipWithError("the story does not open");
  const char line[] = "\x89\x4a\x0a";  // "雨" and a line feed
  drawTextLine(page.scope(), line, 1);  // rasterised once here, cached from then on
  for (auto _ : state) {
    page.record->messageWindow.cursorX = 40;
    page.record->messageWindow.cursorY = 300;
    drawTextLine(page.scope(), line, 1);
  }
}
BENCHMARK(BM_TypedUnit)->Unit(benchmark::kMicrosecond);

// What every click wait and choice now costs first: the save point, pictures and page.
void BM_TakeSavePoint(benchmark::State& state) {
  BenchPage page = pageOf640x480();
  if (!page.session) return state.SkipWithError("the story does not open");
  NevContext* context = &page.session->context();
  for (int32_t line = 0; line < 5; ++line) {
    std::snprintf(page.record->history.lines[line], kScriptLineSize, "line %d of the page\n", line);
  }
  page.record->history.lineCount = 5;
  for (auto _ : state) {
    takeSavePoint(page.scope(), SavePointKind::ClickWait);
    benchmark::DoNotOptimize(context->savePoints.latest.display.data());
  }
}
BENCHMARK(BM_TakeSavePoint)->Unit(benchmark::kMicrosecond);

}  // namespace
