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

// Pixels above `asideBottom` and left of `asideRight` are left aside.
Difference differenceAt(const std::string& xwd, int x, int y, const PngPicture& frame,
                        int asideRight = 0, int asideBottom = 0) {
  Difference found;
  for (int row = 0; row < frame.height; ++row) {
    for (int column = 0; column < frame.width; ++column) {
      if ((column < asideRight && row < asideBottom) ||
          screenPixel(xwd, x + column, y + row) ==
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

// A shot is the frame, or the frame with the blinking marker hidden: no more than one text cell
// of `cell` pixels differs. The difference, for checks of its own.
Difference expectFrameOrMarkerHidden(const std::string& xwd, int x, int y, const PngPicture& frame,
                                     int cell, const std::string& shot, int asideRight = 0,
                                     int asideBottom = 0) {
  const Difference difference = differenceAt(xwd, x, y, frame, asideRight, asideBottom);
  if (difference.pixels == 0) return difference;
  EXPECT_LE(difference.right - difference.left, cell) << shot << ": " << difference.pixels;
  EXPECT_LE(difference.bottom - difference.top, cell) << shot << ": " << difference.pixels;
  return difference;
}

// The picture lies below the menu bar: found where a shot matches the frame best.
int pictureTop(const std::string& xwd, int windowX, int windowY, const PngPicture& frame) {
  int pictureY = -1;
  int64_t fewest = INT64_MAX;
  for (int y = windowY; y < windowY + 80; ++y) {
    int64_t wrong = 0;
    for (int row = 0; row < frame.height; row += 16) {
      for (int column = 0; column < frame.width; ++column) {
        wrong += screenPixel(xwd, windowX + column, y + row) !=
                 frame.pixels[size_t(row) * frame.width + column];
      }
    }
    if (wrong < fewest) fewest = wrong, pictureY = y;
  }
  return pictureY;
}

// Where the window's geometry was told on a line "window X Y" of a run's output.
bool windowAt(const std::string& output, int& x, int& y) {
  const size_t window = output.find("window ");
  return window != std::string::npos &&
         std::sscanf(output.c_str() + window, "window %d %d", &x, &y) == 2;
}

// Runs the shell `steps` (options `shellOptions`) on a display of their own, with $0 the nev
// binary, $1 the demo and $2 the folder `shots`.
ProgramRun runOnOwnDisplay(const std::string& steps, const char* shellOptions, const TempFolder& shots) {
  return runProgram("env -u QT_QPA_PLATFORM SDL_AUDIODRIVER=dummy LC_ALL=C timeout 240 " NEV_SOURCE_DIR
                    "/tests/own_display.sh 1024x768 sh " + std::string(shellOptions) + " '" + steps +
                    "' '" NEV_BINARY "' '" NEV_SOURCE_DIR "/demo' '" + shots.path().string() + "'");
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
  const ProgramRun run = runOnOwnDisplay(steps, "-c", shots);
  int windowX = 0, windowY = 0;
  ASSERT_TRUE(windowAt(run.output, windowX, windowY)) << run.output;

  const int pictureY = pictureTop(shots.read("1.xwd"), windowX, windowY, *frame);
  // Each shot is the frame, or the frame with the marker hidden: no more than one text cell
  // (20 pixels at the demo's size) differs.
  for (const char* shot : {"1.xwd", "2.xwd", "3.xwd", "4.xwd"}) {
    const Difference difference =
        expectFrameOrMarkerHidden(shots.read(shot), windowX, pictureY, *frame, 20, shot);
    if (difference.pixels == 0) continue;
    // Where the marker is: after the typed line, inside the message window.
    EXPECT_GT(difference.left, 400) << shot;
    EXPECT_GT(difference.top, 330) << shot;
  }
}

// A load shows the save's own scene at once, not the scene before it under the saved marker or
// items: the first pass saves at each kind of wait, the second loads each save over the scene
// of the one before it.
TEST(WindowPicture, AfterALoadEqualsTheFrameRenderWritesFromTheSameSave) {
  SKIP_REAL_WINDOW_UNDER_TSAN();
  struct Kind {
    const char* name;
    int clicks;  // from the kind before, each followed by a pause for the line's typing
  };
  // Through the demo: its first line, the page @X redrew, its choice (the pointer stays on the
  // third item, which takes the longest route), the ending's first @M, and the page after @Q.
  const Kind kinds[] = {{"typed", 0}, {"redrawn", 2}, {"choice", 4}, {"ending", 3}, {"darkened", 2}};
  std::string firstPass, secondPass;
  for (const Kind& kind : kinds) {
    const std::string name = kind.name;
    firstPass += "echo " + name + "; clicks " + std::to_string(kind.clicks) + "; keep " + name +
                 "\n";
    secondPass += "load " + name + "\n";
  }
  const std::string steps = R"sh(
    out=$2
    quick() { find "$XDG_DATA_HOME/nev" -name quick.sav 2>/dev/null; }
    clicks() { i=0; while [ $i -lt $1 ]; do xdotool click 1; sleep 2.5; i=$((i + 1)); done; }
    keep() { rm -f "$(quick)"; xdotool key F5; until [ -n "$(quick)" ]; do sleep 0.1; done; cp "$(quick)" "$out/$1.sav"; }
    load() { cp "$out/$1.sav" "$(quick)"; xdotool key F9; sleep 0.8; for shot in 1 2 3; do xwd -root -silent > "$out/$1-$shot.xwd"; sleep 0.35; done; }
    "$0" --new "$1" & nev=$!
    until [ "$(xdotool search --onlyvisible --class nev | wc -l)" = 1 ]; do sleep 0.1; done
    eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --class nev)")"
    echo "window $X $Y"; xdotool windowfocus --sync "$WINDOW"
    # On the third item, 24 pixels above the foot of the picture.
    xdotool mousemove $((X + 320)) $((Y + HEIGHT - 24)); sleep 2.5
    )sh" + firstPass + secondPass + R"sh(kill $nev; wait $nev)sh";
  TempFolder shots;
  const ProgramRun run = runOnOwnDisplay(steps, "-ec", shots);
  int windowX = 0, windowY = 0;
  ASSERT_TRUE(windowAt(run.output, windowX, windowY)) << run.output;

  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    const std::string out = shots.path().string() + "/" + kind.name;
    const ProgramRun render = runProgram(
        "env -u DISPLAY -u QT_QPA_PLATFORM '" NEV_BINARY "' render '" NEV_SOURCE_DIR "/demo' '" +
        out + "' --load '" + out + ".sav' --choose 2 --max-frames 1");
    ASSERT_EQ(render.status, 3) << render.output << run.output;
    const std::optional<PngPicture> frame = readPngFile(out + "/0001.png");
    ASSERT_TRUE(frame.has_value());
    const std::string first = shots.read(std::string(kind.name) + "-1.xwd");
    const int pictureY = pictureTop(first, windowX, windowY, *frame);
    // The frame, or the frame with the marker hidden: one text cell at most (30 pixels, the
    // last page's font and its shadow). The load's notice covers the top left corner.
    for (const char* shot : {"-1.xwd", "-2.xwd", "-3.xwd"}) {
      expectFrameOrMarkerHidden(shots.read(kind.name + std::string(shot)), windowX, pictureY,
                                *frame, 30, shot, 330, 60);
    }
  }
}

}  // namespace
