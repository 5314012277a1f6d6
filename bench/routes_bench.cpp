// Exploring a diamond lattice: 40 choice points of 3 items whose branches join again, 2,000
// lines in all. The work grows with the choice points and items, not with the 3^40 paths.

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>

#include "backends/headless/routes.h"
#include "bench_support.h"

namespace {

std::string latticeStory() {
  const std::filesystem::path folder = benchStoryFolder("nev-bench-lattice", false);
  std::ofstream script(folder / "start.txt");
  int lines = 0;
  auto line = [&](const std::string& text) {
    script << text << "\n";
    ++lines;
  };
  for (int point = 0; point < 40; ++point) {
    const std::string n = std::to_string(point);
    line("@LC" + n + ";");
    for (int k = 0; k < 20; ++k) line("the road before choice " + n + ", line " + std::to_string(k));
    line("@M");
    line("@W3");
    for (const char* item : {"left", "middle", "right"}) line(item);
    for (const char* branch : {"A", "B", "D"}) line(std::string("@Jstart.txt,") + branch + n + ";");
    for (const char* branch : {"A", "B", "D"}) {
      line(std::string("@L") + branch + n + ";");
      for (int k = 0; k < 6; ++k) line(std::string("branch ") + branch + " of " + n);
      line("@M");
      line("@Jstart.txt,C" + std::to_string(point + 1) + ";");
    }
  }
  line("@LC40;");
  line("@E");
  return folder.string();
}

void BM_ExploreLattice(benchmark::State& state) {
  const std::string story = latticeStory();
  const std::string out = (std::filesystem::temp_directory_path() / "nev-bench-routes").string();
  for (auto _ : state) {
    std::filesystem::remove_all(out);
    RoutesOptions options;
    options.storyDir = story;
    options.outDir = out;
    options.jobs = int32_t(state.range(0));
    if (runRoutes(options) != 0) return state.SkipWithError("the lattice did not explore cleanly");
  }
}
// One job against two: two should take at most three quarters of one's time.
BENCHMARK(BM_ExploreLattice)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
