// Saving into a slot and loading from one, at a wait of the demo story: its pictures are what
// the compression meets in practice.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "backends/headless/headless_player.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/input.h"
#include "engine/save_game.h"
#include "engine/text/message_window.h"

namespace {

// The demo played headless to its sixth wait, where the picture is whole: rain, lamp and text.
std::unique_ptr<NevContext> demoAtAWait() {
  if (chdir(NEV_SOURCE_DIR "/demo") != 0) return nullptr;
  auto context = makeContext();
  if (readConfig(context->config)) return nullptr;
  createMessageFont(*context);
  onClientSize(*context, context->config.screenWidth, context->config.screenHeight);
  if (!createDisplaySurface(*context)) return nullptr;
  HeadlessOptions options;
  options.limits.maxFrames = 6;
  std::ostringstream events;
  playHeadless(*context, options, events, [](int32_t, const char*, const PixelTarget&) { return true; });
  context->words.stopRunner = 0;
  return context;
}

std::string slotFile() {
  return (std::filesystem::temp_directory_path() / "nev-bench-slot.sav").string();
}

void BM_WriteSlot(benchmark::State& state) {
  auto context = demoAtAWait();
  if (!context) return state.SkipWithError("the demo cannot be played");
  std::string problem;
  for (auto _ : state) {
    if (!writeLatestSave(*context, slotFile(), 0, problem)) return state.SkipWithError(problem.c_str());
  }
  state.counters["bytes"] = double(std::filesystem::file_size(slotFile()));
}
BENCHMARK(BM_WriteSlot)->Unit(benchmark::kMillisecond);

// From the file to the pictures and page restored, ready for the runner to go on.
void BM_LoadSlot(benchmark::State& state) {
  auto context = demoAtAWait();
  if (!context) return state.SkipWithError("the demo cannot be played");
  std::string problem;
  if (!writeLatestSave(*context, slotFile(), 0, problem)) return state.SkipWithError(problem.c_str());
  for (auto _ : state) {
    SavePoint point;
    if (!readSave(*context, slotFile(), point, problem) ||
        !restoreSavePoint(*context, point, problem)) {
      return state.SkipWithError(problem.c_str());
    }
  }
}
BENCHMARK(BM_LoadSlot)->Unit(benchmark::kMillisecond);

}  // namespace
