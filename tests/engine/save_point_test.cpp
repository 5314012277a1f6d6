#include "engine/save_point.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string_view>

#include "base/file_bytes.h"
#include "engine/local_story_folder.h"
#include "engine/script/runner.h"
#include "engine/text/message_window.h"
#include "story_world.h"

namespace {

// Plays the demo down `route`, from its start or from a save point, and tells the picture at
// each click and the save point that click ended.
std::vector<size_t> playDemo(const std::string& folder, int32_t route, const SavePoint* from,
                             std::vector<SavePoint>* points) {
  StoryWorld world(folder);
  NevContext& context = *world.context;
  if (from != nullptr) context.resumeAt = *from;
  std::vector<size_t> seen;
  world.onSleep = [&] {
    const ChoiceProgress& choice = context.shared.choice;
    if (choice.count > 0 && choice.item == choice.count - 1) {
      context.shared.mouseY = (choice.bandTop[route] + choice.bandBottom[route]) / 2;
    }
    const bool waiting = choice.count == 0 ? context.shared.waitingForClick == 1
                                           : choice.item == route && choice.highlighted;
    if (waiting && context.shared.clicked == 0) {
      const std::vector<Pixel>& pixels = context.surfaces.displayBitmap->pixels;
      seen.push_back(std::hash<std::string_view>{}(
          {reinterpret_cast<const char*>(pixels.data()), pixels.size() * sizeof(Pixel)}));
      if (points != nullptr) points->push_back(context.savePoints.latest);
      context.shared.clicked = 1;
    }
  };
  ScriptRunner(context).run();
  EXPECT_TRUE(world.boxes.empty()) << world.boxes.front();
  return seen;
}

// Also after the scripts gained lines above every save point: the places are found again.
TEST(SavePoint, ALoadedWaitOrChoiceGoesOnAsTheRunThatSavedIt) {
  TempFolder patched;
  std::filesystem::copy(NEV_SOURCE_DIR "/demo", patched.path());
  for (const char* script : {"start.txt", "route.txt"}) {
    const std::string path = NEV_SOURCE_DIR "/demo/" + std::string(script);
    patched.write(script, "@; a fix\r\n" + readWholeFile(path, 1 << 20).value_or(""));
  }
  for (int32_t route : {0, 2}) {
    std::vector<SavePoint> points;
    const std::vector<size_t> whole = playDemo(NEV_SOURCE_DIR "/demo", route, nullptr, &points);
    ASSERT_GT(whole.size(), 10u);
    for (size_t k = 0; k < points.size(); ++k) {
      const bool changed = k % 2 == 1;
      if (changed) {
        ASSERT_TRUE(notePlace(LocalStoryFolder(NEV_SOURCE_DIR "/demo"), points[k], 0));
      }
      const std::vector<size_t> resumed =
          playDemo(changed ? patched.path().string() : NEV_SOURCE_DIR "/demo", route, &points[k], nullptr);
      EXPECT_EQ(resumed, std::vector<size_t>(whole.begin() + long(k), whole.end())) << route << k;
    }
  }
}

}  // namespace
