// Saving into a slot and loading from one, at a wait of the demo story: its pictures are what
// the compression meets in practice.

#include <benchmark/benchmark.h>
#include <filesystem>
#include <sstream>

#include "backends/headless/headless_player.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/input.h"
#include "engine/local_story_folder.h"
#include "engine/save_game.h"
#include "engine/save_point.h"
#include "engine/story_session.h"
#include "engine/text/message_window.h"

namespace {

// The demo played headless to its sixth wait, where the picture is whole: rain, lamp and text.
std::unique_ptr<StorySession> demoAtAWait() {
  Problem problem;
  auto session = openStory(std::make_shared<LocalStoryFolder>(NEV_SOURCE_DIR "/demo"), {}, problem);
  if (!session) return nullptr;
  NevContext& context = session->context();
  HeadlessOptions options;
  options.limits.maxFrames = 6;
  std::ostringstream events;
  playHeadless(context, options, events, [](int32_t, const char*, const PixelTarget&) { return true; });
  context.shared.stopRunner = 0;
  return session;
}

std::string slotFile() {
  return (std::filesystem::temp_directory_path() / "nev-bench-slot.sav").string();
}

void BM_WriteSlot(benchmark::State& state) {
  auto session = demoAtAWait();
  if (!session) return state.SkipWithError("the demo cannot be played");
  NevContext* context = &session->context();
  for (auto _ : state) {
    if (const auto problem = writeLatestSave(*context, slotFile(), 0)) {
      return state.SkipWithError(problem->detail.c_str());
    }
  }
  state.counters["bytes"] = double(std::filesystem::file_size(slotFile()));
}
BENCHMARK(BM_WriteSlot)->Unit(benchmark::kMillisecond);

// From the file to the pictures and page restored, ready for the runner to go on.
void BM_LoadSlot(benchmark::State& state) {
  auto session = demoAtAWait();
  if (!session) return state.SkipWithError("the demo cannot be played");
  NevContext* context = &session->context();
  if (const auto problem = writeLatestSave(*context, slotFile(), 0)) {
    return state.SkipWithError(problem->detail.c_str());
  }
  // A runner's record, as the runner hands it to a restore on its own thread.
  auto record = std::make_unique<RunnerStorage>(context->config);
  for (auto _ : state) {
    SavePoint point;
    std::optional<Problem> problem = readSave(*context, slotFile(), point);
    if (!problem) problem = restoreSavePoint({*context, *record}, point);
    if (problem) return state.SkipWithError(problem->detail.c_str());
  }
}
BENCHMARK(BM_LoadSlot)->Unit(benchmark::kMillisecond);

}  // namespace
