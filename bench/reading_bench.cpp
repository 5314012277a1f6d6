// Skipping text already read in the window-less player, and opening a full backlog.

#include <benchmark/benchmark.h>

#include <QWidget>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "backends/headless/headless_player.h"
#include "bench_support.h"
#include "backends/qt/backlog_view.h"
#include "backends/qt/qt_environment.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/input.h"
#include "engine/local_story_folder.h"
#include "engine/story_session.h"
#include "engine/text/message_window.h"

namespace {

constexpr int kLines = 10000;

// A story of kLines lines, each followed by a click wait, every one of them marked read.
std::string storyOfReadLines() {
  const std::filesystem::path folder = benchStoryFolder("nev-bench-skip", true);
  std::ofstream script(folder / "start.txt");
  std::ofstream marks(folder / "read.txt");
  for (int line = 1; line <= kLines; ++line) {
    if (line % 12 == 0) {
      script << "@P\n";
    } else {
      script << "line " << line << " of the text, already read once before\n";
    }
    marks << "start.txt\t" << line << "\n";
  }
  return folder.string();
}

void BM_SkipReadLines(benchmark::State& state) {
  const std::string folder = storyOfReadLines();
  const auto files = std::make_shared<LocalStoryFolder>(folder);
  for (auto _ : state) {
    Problem bad;
    auto session = openStory(files, {}, bad);
    if (!session) return state.SkipWithError(bad.detail.c_str());
    NevContext* context = &session->context();
    if (const auto problem = context->reading.marks.open(folder + "/read.txt")) {
      return state.SkipWithError(problem->detail.c_str());
    }
    context->reading.skip = int32_t(SkipMode::ReadText);
    context->reading.skipStays = 1;
    std::ostringstream events;
    const HeadlessResult result = playHeadless(*context, {}, events, [](int32_t, const char*, const PixelTarget&) { return true; });
    if (result.frames != 1) return state.SkipWithError("a read line was not skipped");
  }
  state.counters["lines_per_second"] =
      benchmark::Counter(double(kLines) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SkipReadLines)->Unit(benchmark::kMillisecond)->UseRealTime();

// A hundred pages of sixteen full lines, from the wheel to the first paint.
void BM_OpenBacklog(benchmark::State& state) {
  ensureGuiApplication();
  GameConfig config;
  config.textRed = config.textGreen = config.textBlue = 255;
  std::vector<std::vector<std::string>> pages(kBacklogPages);
  for (auto& page : pages) {
    for (int line = 0; line < 16; ++line) page.push_back("\x89\x4a\x8f\xe3\x82\xaa\x82\xe8\x82\xcc\x89\x77\x82\xc9\x81\x41\x8d\xc5\x8c\xe3\x82\xcc\x97\xf1\x8e\xd4\x82\xaa\x92\x85\x82\xa2\x82\xbd\x81\x42");
  }
  QWidget window;
  window.resize(640, 480);
  QImage picture(640, 480, QImage::Format_RGB32);
  picture.fill(Qt::darkBlue);
  for (auto _ : state) {
    BacklogView view(&window, config, 20, pages, picture);
    benchmark::DoNotOptimize(view.grab());
  }
}
BENCHMARK(BM_OpenBacklog)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
