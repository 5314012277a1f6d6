// The real program in a real window: Xvfb for a display, xdotool for the reader's hand, xwd
// for screenshots.

#include <gtest/gtest.h>

#include <string>

#include "test_files.h"

namespace {

// Then started again it offers to go on from where it was left, and does.
TEST(Desktop, DemoStoryPlaysWithTheMouseAndEndsFromTheMenuOrASignal) {
  SKIP_REAL_WINDOW_UNDER_TSAN();
  // Each step waits for what the one before brought about; the time limit only catches a hang.
  // The demo types its first line in 0xFAF6EC, which a 32-bit screenshot holds low byte first.
  const std::string steps = R"sh(
    windows() { xdotool search --onlyvisible --class nev | wc -l; }
    text() { until [ "$(xwd -root -silent | grep -aoF "$(printf "\354\366\372")" | wc -l)" -gt 50 ]; do sleep 0.1; done; }
    "$0" "$1" & nev=$!
    echo window; until [ "$(windows)" = 1 ]; do sleep 0.1; done
    echo text; text
    eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --class nev)")"
    echo clicks; xdotool mousemove $((X + 320)) $((Y + 240)) click --repeat 3 --delay 300 1
    kill -0 $nev || exit 101
    echo quick save; xdotool key F5; until [ -n "$(find "$XDG_DATA_HOME/nev" -name quick.sav)" ]; do sleep 0.1; done
    echo screenshot; xdotool key F12; until ls "$HOME/Pictures/nev/"demo-*.png >/dev/null 2>&1; do sleep 0.1; done
    echo menu; xdotool mousemove $((X + 20)) $((Y + 8)) click 1; until [ "$(windows)" = 2 ]; do sleep 0.1; done
    echo end; xdotool key Up Return; wait $nev
    echo asked; "$0" "$1" & nev=$!; until [ "$(windows)" = 1 ]; do sleep 0.1; done
    eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --class nev)")"
    [ "$WIDTH" -lt 640 ] || exit 102
    echo resumed; xdotool key Return; text
    echo signal; kill -TERM $nev; wait $nev; echo "ended with $?")sh";
  // The audio device is opened for real (SDL's dummy driver), as it is when its signal
  // handlers could swallow the end.
  const ProgramRun run = runProgram(
      "env -u QT_QPA_PLATFORM SDL_AUDIODRIVER=dummy LC_ALL=C timeout 240 " NEV_SOURCE_DIR "/tests/own_display.sh 1024x768 sh -c '" +
      steps + "' '" NEV_BINARY "' '" NEV_SOURCE_DIR "/demo'");
  EXPECT_EQ(run.status, 0) << "the last step begun failed:\n" << run.output;
  EXPECT_NE(run.output.find("ended with 143"), std::string::npos) << run.output;
}

// Warped into the third item's branch, the window shows that page at once and keeps no place for
// the next start.
TEST(Desktop, AWarpOpensAtItsLineAndLeavesTheKeptPlaceAlone) {
  SKIP_REAL_WINDOW_UNDER_TSAN();
  const std::string steps = R"sh(
    "$0" --warp ROUTE.TXT:27 "$1" & nev=$!
    echo window; until [ "$(xdotool search --onlyvisible --class nev | wc -l)" = 1 ]; do sleep 0.1; done
    echo text; until [ "$(xwd -root -silent | grep -aoF "$(printf "\354\366\372")" | wc -l)" -gt 50 ]; do sleep 0.1; done
    echo signal; kill -TERM $nev; wait $nev; echo "ended with $?"
    [ -z "$(find "$XDG_DATA_HOME/nev" -name auto.sav)" ] || exit 103)sh";
  const ProgramRun run = runProgram(
      "env -u QT_QPA_PLATFORM SDL_AUDIODRIVER=dummy LC_ALL=C timeout 240 " NEV_SOURCE_DIR "/tests/own_display.sh 1024x768 sh -c '" +
      steps + "' '" NEV_BINARY "' '" NEV_SOURCE_DIR "/demo'");
  EXPECT_EQ(run.status, 0) << "the last step begun failed:\n" << run.output;
  EXPECT_NE(run.output.find("ended with 143"), std::string::npos) << run.output;
}

}  // namespace
