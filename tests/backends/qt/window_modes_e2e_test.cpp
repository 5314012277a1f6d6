// The window's modes in a real window on Xvfb, with and without a window manager: leaving full
// screen gives the menus back on screen, the picture keeps its proportions on a wide monitor,
// and no pointer move sets the window switching sizes by itself.

#include <gtest/gtest.h>

#include <string>

#include "test_files.h"

namespace {

TEST(WindowModes, FullScreenAndBackKeepTheMenusThePlaceAndTheProportions) {
  SKIP_REAL_WINDOW_UNDER_TSAN();
  // Each step waits for what the one before brought about; the time limit only catches a hang.
  const std::string steps = R"sh(
    geometry() { w=$(xdotool search --onlyvisible --class nev | head -1); [ -n "$w" ] && xwininfo -id "$w" |
      while read -r a b c d; do case $a$c in AbsoluteX:|AbsoluteY:) printf "%s " "$d";; Width:|Height:) printf "%s " "$b";; esac; done; }
    popups() { xdotool search --onlyvisible --class nev | wc -l; }
    until_is() { until [ "$(geometry)" = "$1" ]; do sleep 0.1; done; }
    if [ "$2" = wm ]; then openbox & until xprop -root _OB_THEME | grep -q =; do sleep 0.1; done; sleep 1; fi
    "$0" --new "$1" & nev=$!
    echo window; until [ -n "$(geometry)" ]; do sleep 0.1; done; sleep 1; start=$(geometry); echo "start $start"
    shots=$3; width=$4; height=$5; set -- $start
    echo full screen; xdotool key F11; until_is "0 0 $width $height "; sleep 1; xwd -root -silent > "$shots/full.xwd"
    echo back; xdotool key Escape; until_is "$start"
    echo menus; xdotool mousemove $(($1 + 85)) $(($2 + 8)) click 1; until [ "$(popups)" = 2 ]; do sleep 0.1; done
    xdotool key Escape; until [ "$(popups)" = 1 ]; do sleep 0.1; done
    echo loop; xdotool mousemove $(($1 + 85)) $(($2 + 8)) click 1; until [ "$(popups)" = 2 ]; do sleep 0.1; done
    xdotool key Down Down Return; until_is "0 0 $width $height "
    xdotool mousemove 20 2; sleep 0.5; xdotool mousemove 20 8 click 1; until [ "$(popups)" = 2 ]; do sleep 0.1; done
    xdotool key Escape; sleep 0.3; xdotool mousemove 300 300; sleep 0.3; xdotool mousemove 300 2; sleep 0.5
    xdotool mousemove 88 8 click 1; until [ "$(popups)" = 2 ]; do sleep 0.1; done
    xdotool key Down Down Down Down Down Down Return; sleep 0.3; xdotool mousemove 640 600
    xdotool key F11; sleep 0.5; xdotool key Escape; until_is "$start"
    xdotool mousemove 300 200; sleep 0.2; xdotool mousemove 300 2
    echo "sizes seen: $(for i in 1 2 3 4 5 6 7 8 9 10; do sleep 0.2; geometry; done | sort -u | wc -l)"
    kill $nev; wait $nev; echo ended; [ "$2" = wm ] && kill %1)sh";
  struct Screen {
    const char* manager;
    int width, height;
  };
  for (const Screen screen : {Screen{"", 1280, 1024}, Screen{"wm", 1920, 1080}}) {
    TempFolder shots;
    const std::string size = std::to_string(screen.width) + " " + std::to_string(screen.height);
    const ProgramRun run = runProgram(
        "env -u QT_QPA_PLATFORM SDL_AUDIODRIVER=dummy LC_ALL=C.UTF-8 timeout 240 " NEV_SOURCE_DIR "/tests/own_display.sh " +
        std::to_string(screen.width) + "x" + std::to_string(screen.height) + " sh -c '" + steps + "' '" NEV_BINARY "' '" NEV_SOURCE_DIR "/demo' '" +
        screen.manager + "' '" + shots.path().string() + "' " + size);
    EXPECT_NE(run.output.find("sizes seen: 1"), std::string::npos)
        << "the last step begun failed:\n" << run.output;
    // The captioned window came back where it was, its caption on screen.
    const size_t start = run.output.find("start ");
    ASSERT_NE(start, std::string::npos) << run.output;
    EXPECT_GE(std::stoi(run.output.substr(run.output.find(' ', start + 6))), screen.manager[0] ? 15 : 0);
    // Full screen: the 4:3 picture between black bars, at the sides of a wide monitor and above
    // and below on a 5:4 one.
    const std::string full = shots.read("full.xwd");
    const bool wide = screen.width * 3 > screen.height * 4;
    const int bar = wide ? (screen.width - screen.height * 4 / 3) / 2 : (screen.height - screen.width * 3 / 4) / 2;
    for (int along : {20, 300, 600}) {
      auto at = [&](int across) { return wide ? screenPixel(full, across, along) : screenPixel(full, along, across); };
      EXPECT_EQ(at(bar / 2), 0u) << along;
      EXPECT_NE(at(bar + 2), 0u) << along;
    }
  }
}

}  // namespace
