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

// Warped three choices deep, the window shows at once the picture the uninterrupted run had at
// the last wait before the line (F12 keeps it; the blinking marker may be caught either way, so
// a few are taken), and keeps no place for the next start.
TEST(Desktop, AWarpOpensAtItsLineAsTheWholeRunHadItAndLeavesTheKeptPlaceAlone) {
  SKIP_REAL_WINDOW_UNDER_TSAN();
  const std::string steps = R"sh(
    whole=$HOME/whole; shots=$HOME/Pictures/nev
    "$0" render "$1" "$whole" --choose 1 >/dev/null || exit 104
    frame=$(sed -n "/field.txt.,.line.:28,/,\$p" "$whole/events.jsonl" | grep -om1 "[0-9]*[.]png")
    "$0" --warp FIELD.TXT:30 "$1" & nev=$!
    echo window; until [ "$(xdotool search --onlyvisible --class nev | wc -l)" = 1 ]; do sleep 0.1; done
    echo text; until [ "$(xwd -root -silent | grep -aoF "$(printf "\354\366\372")" | wc -l)" -gt 50 ]; do sleep 0.1; done
    echo "the frame $frame"; same=
    for try in $(seq 40); do
      xdotool key F12; sleep 0.2
      for shot in "$shots"/*.png; do cmp -s "$shot" "$whole/$frame" && same=1; done
      [ -n "$same" ] && break
    done
    [ -n "$same" ] || exit 105
    echo signal; kill -TERM $nev; wait $nev; echo "ended with $?"
    [ -z "$(find "$XDG_DATA_HOME/nev" -name auto.sav)" ] || exit 103)sh";
  const ProgramRun run = runProgram(
      "env -u QT_QPA_PLATFORM SDL_AUDIODRIVER=dummy LC_ALL=C timeout 240 " NEV_SOURCE_DIR "/tests/own_display.sh 1024x768 sh -c '" +
      steps + "' '" NEV_BINARY "' '" NEV_SOURCE_DIR "/demo'");
  EXPECT_EQ(run.status, 0) << "the last step begun failed:\n" << run.output;
  EXPECT_NE(run.output.find("ended with 143"), std::string::npos) << run.output;
}

// An author edits a script under `nev --watch`: a line inserted elsewhere keeps the reader on
// the same text, a jump that lints badly keeps the old script playing, and a changed line takes
// the reader back to the wait before it. The text the reader then gets shows which script plays.
TEST(Desktop, ScriptsSavedUnderAWatchingWindowPlayOnFromTheReadersPlace) {
  SKIP_REAL_WINDOW_UNDER_TSAN();
  const std::string steps = R"sh(
    story=$HOME/story; text=$HOME/text; err=$HOME/err; mkdir "$story"
    cp "$1/nev.ini" "$story/"; printf "one\r\ntwo\r\nthree\r\nfour\r\n" > "$story/start.txt"
    typed() { until grep -qx "$1" "$text"; do sleep 0.1; done; }
    said() { until grep -q "$1" "$err"; do sleep 0.1; done; }
    save() { printf "$1" > "$story/new"; mv "$story/new" "$story/start.txt"; }
    "$0" --watch --text-out "$text" "$story" 2>"$err" & nev=$!
    echo window; until [ "$(xdotool search --onlyvisible --class nev | wc -l)" = 1 ]; do sleep 0.1; done
    eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --class nev)")"
    click() { sleep 0.3; xdotool mousemove $((X + 320)) $((Y + 240)) click 1; }
    echo three; typed one; click; typed two; click; typed three
    echo inserted; save "zero\r\none\r\ntwo\r\nthree\r\nthree and a half\r\nfour\r\n"
    said "reading goes on at start.txt:4"; click; typed "three and a half"
    echo lint; printf "zero\r\none\r\ntwo\r\nthree\r\nthree and a half\r\n@Jmissing.txt\r\nfour\r\n" > "$story/start.txt"
    said "start.txt:6: error"; click; typed four
    echo changed; save "zero\r\none\r\ntwo\r\nthree\r\nthree and a half\r\nfour, changed\r\n"
    said "reading goes on at start.txt:5"; click; typed "four, changed"
    echo read; printf "one\ntwo\nthree\nthree and a half\nfour\nfour, changed\n" | cmp - "$text" || exit 106
    kill -TERM $nev; wait $nev; echo "ended with $?")sh";
  const ProgramRun run = runProgram(
      "env -u QT_QPA_PLATFORM SDL_AUDIODRIVER=dummy LC_ALL=C timeout 240 " NEV_SOURCE_DIR "/tests/own_display.sh 1024x768 sh -c '" +
      steps + "' '" NEV_BINARY "' '" NEV_SOURCE_DIR "/demo'");
  EXPECT_EQ(run.status, 0) << "the last step begun failed:\n" << run.output;
  EXPECT_NE(run.output.find("ended with 143"), std::string::npos) << run.output;
}

}  // namespace
