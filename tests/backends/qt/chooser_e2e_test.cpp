// `nev` started bare on a desktop in a folder without a story: the chooser, titled "nev", and
// not the box a named folder gets.

#include <gtest/gtest.h>

#include "test_files.h"

TEST(Desktop, BareStartWithoutAStoryOffersTheChooserAndANamedFolderDoesNot) {
  SKIP_REAL_WINDOW_UNDER_TSAN();
  TempFolder home, empty;
  const std::string steps = R"sh(
    shown() { xdotool search --onlyvisible $1 "$2" | wc -l; }
    await() { until [ "$(shown "$1" "$2")" = 1 ]; do kill -0 $nev || exit; sleep 0.1; done; }
    "$0" & nev=$!; await --name "^nev$"
    xdotool search --onlyvisible --name "^nev$" windowfocus --sync; xdotool key Escape
    wait $nev; closed=$?
    "$0" . & nev=$!; await --class nev
    choosers=$(shown --name "^nev$")
    xdotool search --onlyvisible --class nev windowfocus --sync; xdotool key Return
    wait $nev; echo "closed $closed, choosers $choosers, refused $?")sh";
  const ProgramRun run = runProgram(
      "cd '" + empty.path().string() + "' && env -u QT_QPA_PLATFORM XDG_CONFIG_HOME='" +
      home.path().string() + "' LC_ALL=C timeout 120 " NEV_SOURCE_DIR "/tests/own_display.sh 1024x768 sh -c '" + steps + "' '" NEV_BINARY "'");
  EXPECT_NE(run.output.find("closed 1, choosers 0, refused 1"), std::string::npos) << run.output;
}
