// The window shows the picture `nev render` writes, pixel for pixel: both draw with the same
// engine and the same glyphs.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/png_file.h"
#include "test_files.h"

namespace {

struct Difference {
  int64_t pixels = 0;
  int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
};

Difference differenceAt(const std::string& xwd, int x, int y, const PngPicture& frame) {
  Difference found;
  for (int row = 0; row < frame.height; ++row) {
    for (int column = 0; column < frame.width; ++column) {
      if (screenPixel(xwd, x + column, y + row) ==
          frame.pixels[size_t(row) * frame.width + column]) {
        continue;
      }
      ++found.pixels;
      found.left = std::min(found.left, column);
      found.right = std::max(found.right, column);
      found.top = std::min(found.top, row);
      found.bottom = std::max(found.bottom, row);
    }
  }
  return found;
}

TEST(WindowPicture, EqualsTheFrameRenderWritesAtTheSameWait) {
  SKIP_REAL_WINDOW_UNDER_TSAN();
  TempFolder frames;
  const ProgramRun render = runProgram("env -u DISPLAY -u QT_QPA_PLATFORM '" NEV_BINARY
                                       "' render '" NEV_SOURCE_DIR "/demo' '" +
                                       frames.path().string() + "/out'");
  ASSERT_EQ(render.status, 0) << render.output;
  const std::optional<PngPicture> frame = readPngFile(frames.path().string() + "/out/0001.png");
  ASSERT_TRUE(frame.has_value());

  // Screenshots at the first wait, a blink of the marker apart, once the line is typed (in
  // 0xFAF6EC, which a 32-bit screenshot holds low byte first).
  const std::string steps = R"sh(
    text() { until [ "$(xwd -root -silent | grep -aoF "$(printf "\354\366\372")" | wc -l)" -gt 50 ]; do sleep 0.1; done; }
    "$0" --new "$1" & nev=$!
    echo started; until [ "$(xdotool search --onlyvisible --class nev | wc -l)" = 1 ]; do sleep 0.1; done
    echo text; text; sleep 1.5
    eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --class nev)")"
    echo "window $X $Y"
    for shot in 1 2 3 4; do xwd -root -silent > "$2/$shot.xwd"; sleep 0.35; done
    kill $nev; wait $nev)sh";
  TempFolder shots;
  const ProgramRun run = runProgram(
      "env -u QT_QPA_PLATFORM SDL_AUDIODRIVER=dummy LC_ALL=C timeout 240 " NEV_SOURCE_DIR
      "/tests/own_display.sh 1024x768 sh -c '" +
      steps + "' '" NEV_BINARY "' '" NEV_SOURCE_DIR "/demo' '" + shots.path().string() + "'");
  const size_t window = run.output.find("window ");
  ASSERT_NE(window, std::string::npos) << run.output;
  int windowX = 0, windowY = 0;
  ASSERT_EQ(std::sscanf(run.output.c_str() + window, "window %d %d", &windowX, &windowY), 2);

  // The picture lies below the menu bar: found where the first shot matches the frame best.
  const std::string first = shots.read("1.xwd");
  int pictureY = -1;
  int64_t fewest = INT64_MAX;
  for (int y = windowY; y < windowY + 80; ++y) {
    int64_t wrong = 0;
    for (int row = 0; row < frame->height; row += 16) {
      for (int column = 0; column < frame->width; ++column) {
        wrong += screenPixel(first, windowX + column, y + row) !=
                 frame->pixels[size_t(row) * frame->width + column];
      }
    }
    if (wrong < fewest) fewest = wrong, pictureY = y;
  }
  // Each shot is the frame, or the frame with the marker hidden: no more than one text cell
  // (20 pixels at the demo's size) differs.
  for (const char* shot : {"1.xwd", "2.xwd", "3.xwd", "4.xwd"}) {
    const Difference difference = differenceAt(shots.read(shot), windowX, pictureY, *frame);
    if (difference.pixels == 0) continue;
    EXPECT_LE(difference.right - difference.left, 20) << shot << ": " << difference.pixels;
    EXPECT_LE(difference.bottom - difference.top, 20) << shot << ": " << difference.pixels;
    // Where the marker is: after the typed line, inside the message window.
    EXPECT_GT(difference.left, 400) << shot;
    EXPECT_GT(difference.top, 330) << shot;
  }
}

}  // namespace
