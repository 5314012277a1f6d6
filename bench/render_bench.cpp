// `nev render` of a long story typed without delay: every unit a glyph pair drawn, a cell
// presented and, every line, a log event. The count of lines a second is what a reader of a
// long story or a tool rendering many stories waits on.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "backends/headless/render.h"
#include "bench_support.h"

namespace {

constexpr int kLines = 42000;

// Lines of ten full-width characters, a new page every twentieth line; one frame at the end.
std::string storyOfTenCharacterLines() {
  const std::filesystem::path folder = benchStoryFolder("nev-bench-render", false, 0);
  std::ofstream script(folder / "start.txt", std::ios::binary);
  // "あいうえおかきくけこさしすせそたちつてと" in code page 932.
  static const char kKana[] =
      "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8\x82\xa9\x82\xab\x82\xad\x82\xaf\x82\xb1"
      "\x82\xb3\x82\xb5\x82\xb7\x82\xb9\x82\xbb\x82\xbd\x82\xbf\x82\xc2\x82\xc4\x82\xc6";
  for (int line = 0; line < kLines; ++line) {
    if (line % 20 == 19) {
      script << "@P\r\n";
    } else {
      script.write(kKana + 2 * (line % 10), 20);
      script << "\r\n";
    }
  }
  return folder.string();
}

void BM_RenderTenCharacterLines(benchmark::State& state) {
  RenderOptions options;
  options.storyDir = storyOfTenCharacterLines();
  options.outDir = (std::filesystem::temp_directory_path() / "nev-bench-render-out").string();
  for (auto _ : state) {
    // The folder is the benchmark's own: whatever an earlier run left there goes.
    std::filesystem::remove_all(options.outDir);
    if (renderStory(options) != 0) return state.SkipWithError("the story did not render cleanly");
  }
  state.counters["lines_per_second"] =
      benchmark::Counter(double(kLines) * double(state.iterations()), benchmark::Counter::kIsRate);
}
// Lines a second of the process's CPU time (the runner's thread does the work), which a busy
// machine disturbs less than the clock on the wall.
BENCHMARK(BM_RenderTenCharacterLines)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
