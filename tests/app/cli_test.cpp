// The program's command line, run as a reader or an author runs it, and installed.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/cli.h"
#include "test_files.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(NEV_UNDER_TSAN)
constexpr bool kUnderSanitizer = true;
#elif defined(__has_feature)
constexpr bool kUnderSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kUnderSanitizer = false;
#endif

TEST(NevProgram, ExitStatusAndWordsOfEachCommand) {
  TempFolder empty, noScript, clean, warned, tools, hostile, typed, wide, outputs;
  for (const TempFolder* story : {&noScript, &clean, &warned, &hostile}) {
    story->write("nev.ini", storyIni());
  }
  clean.write("start.txt", "a\n");
  typed.write("nev.ini", storyIni({{28, "0"}}));
  typed.write("start.txt", sjis("雨の駅\n") + "@Tx;\nsecond\n@E\n");
  // Stories from strangers: each must end soon, with a clear word, never a crash or a hang.
  hostile.write("escape/nev.ini", storyIni({{3, "\x1B]0;owned\x07\x1B[2J"}}));
  hostile.write("loop.txt", "@LA;\n@I\n@JLOOP.TXT,A;\n");
  hostile.write("music.txt", "@YNONE.MID,1;\n@YEMPTY.MID,1;\n@LB;\n@T1000;\n@JMUSIC.TXT,B;\n");
  hostile.write("empty.mid", std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\xFF\x2F\0", 26));
  hostile.write("choice.txt", "@R8,60,10,0,-5,14,16,20,1,0;\n@W2;\na\nb\n@E\n@E\n");
  hostile.write("fonts.txt", "@R8,60,10,0,-2147483648,14,16,20,1,0;\na\n"
                             "@R8,60,10,0,2147483647,14,16,20,1,0;\nb\n");
  // Music and sounds that are no regular files fail quietly; a script that is none is a box.
  hostile.write("devices.txt", "@Yfifo.txt,0;\n@Zfifo.txt;\n@Jfifo.txt;\n@E\n");
  hostile.write("zero.txt", "@J/dev/zero,L;\n@E\n");
  hostile.write("names.txt", "@J\x1B[2J\xFF.txt;\n");
  hostile.write("label.txt", "@Jloop.txt,NONE;\n");
  tools.write("keep.stx", "kept");
  tools.write("big.txt", std::string(8192, 'a'));
  runProgram("mkfifo" + std::string(" '") + (hostile.path() / "fifo.txt").string() + "'");
  // Outputs that are no regular file, for the refusals below.
  runProgram("mkfifo '" + (tools.path() / "pipe").string() + "'");
  std::filesystem::create_symlink(tools.path() / "p.txt", tools.path() / "link");
  auto story = [&hostile](const std::string& script, const std::string& options) {
    return "cd '" + hostile.path().string() + "' && cp " + script +
           " start.txt && rm -rf out && " NEV_BINARY " render . out " + options +
           "; s=$?; tail -n 1 out/events.jsonl; grep -c replay out/events.jsonl; exit $s";
  };
  warned.write("start.txt", "@Lalone;\n");
  // A player page as `make web` leaves it, for `nev web` to publish a story with.
  tools.write("player/index.html", "<!doctype html>");
  tools.write("player/licences/synth.txt", "LGPL");
  std::filesystem::create_directory(tools.path() / "player/fonts");
  std::filesystem::create_symlink("/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf",
                                  tools.path() / "player/fonts/ipam.ttf");
  std::filesystem::create_symlink("/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf",
                                  tools.path() / "player/fonts/ipamp.ttf");
  typed.write("\x89\x4A.bmp", "rain");
  // One choice of 255 items on a large picture: the items wait on one save point, not on a
  // copy each (about 16 GB here).
  wide.write("nev.ini", storyIni({{3, "2048"}, {4, "2048"}}));
  std::string items = "@W255\n", branches;
  for (int item = 0; item < 255; ++item) {
    items += "i" + std::to_string(item) + "\n";
    branches += "@E\n";
  }
  wide.write("start.txt", items + branches);
  tools.write("p.txt", sjis("雨の駅\r\n"));
  auto at = [](const TempFolder& folder, const std::string& name = "") {
    return " '" + (folder.path() / name).string() + "'";
  };
  const std::string nev = NEV_BINARY;
  const std::string out = at(tools, "out");
  // Output folders: the reader's own refused and left alone; runs that fail or are killed leave
  // the earlier output as it was; what a killed run leaves beside it is removed only when marked.
  outputs.write("user/routes.json", "{}");
  outputs.write("user/r2024/a.jpg", "x");
  outputs.write("pngs/events.jsonl", "{}\n");
  outputs.write("pngs/0001.png", "mine");
  outputs.write("loop/nev.ini", storyIni());
  outputs.write("loop/start.txt", "@LA;\nround\n@Jstart.txt,A;\n");
  outputs.write(".earlier.nev-tmp-999999999/.nev-output", "nev render output\n");
  outputs.write(".earlier.nev-tmp-999999999/0001.png", "old");
  outputs.write(".earlier.nev-tmp-999999998/keep.txt", "mine");
  const std::string inOutputs = "cd" + at(outputs) + " || exit 9; ";
  // Plays the looping story into `folder` until its first frame is written, however slow the
  // machine, then sends `signal` (a shell's background job ignores SIGINT). The frames' bound
  // ends it if the signal is lost.
  auto stopped = [&](const std::string& folder, const std::string& signal) {
    return inOutputs + nev + " render loop " + folder + " --max-frames 3000 & p=$!; " +
           "while kill -0 $p 2>/dev/null && ! grep -qs frame ." + folder +
           ".nev-tmp-$p/events.jsonl; do sleep 0.01; done; kill -" + signal + " $p; wait $p; ";
  };
  const std::string listed = "; echo $(LC_ALL=C ls -A) / $(LC_ALL=C ls -A earlier)";
  // Beside each box, the full path, what is wrong and what to do, on one line.
  auto told = [](const TempFolder& folder, const std::string& what) {
    return "nev: " + std::filesystem::canonical(folder.path()).string() + "/" + what;
  };
  struct Case {
    std::string command;
    int status;
    std::string says;  // a part of the output; nothing at all when empty
  };
  // The sanitizers reserve terabytes of address space: no bound on it there.
  const std::string memoryBound = kUnderSanitizer ? "" : "ulimit -v 1048576; ";
  const std::vector<Case> cases = {
      {nev + " --version", 0, "nev "},
      {nev + " --help", 0, "       nev check [--routes] [--lang CODE] STORY_DIR\n"},
      {nev + " --frobnicate", 2, "nev: unknown option --frobnicate"},
      {nev + " -", 1, "nev: cannot open story folder -:"},
      {nev + at(empty, "missing"), 1, "cannot open story folder " + empty.path().string()},
      {"cd " + at(clean) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + nev, 1,
       "no display to open a window on; to play the story without one:\n  nev render . OUT_DIR"},
      // Only standard output: Qt's offscreen platform may warn on stderr between the lines.
      {"QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy " + nev + " --text-out -" + at(typed) +
           " 2>/dev/null",
       0, "雨の駅\nsecond\n"},
      {"QT_QPA_PLATFORM=offscreen " + nev + " --text-out" + at(empty, "no/such.txt") + at(typed), 1,
       "nev: cannot write"},
      {nev + " render", 1, "nev render: render needs a story folder"},
      {nev + " render" + at(empty) + out, 1,
       told(empty, "nev.ini: no such file; open the folder that holds the story's nev.ini\n"
                   "[ファイルが変] nev.ini\n")},
      {nev + " render" + at(noScript) + out, 2, told(noScript, "start.txt: no such file; ")},
      {nev + " render" + at(clean) + out + " --client 16385x1", 1, "--client takes a size"},
      {nev + " render" + at(clean) + out + " --client 4097x4096", 1, "--client takes a size"},
      {nev + " render" + at(clean) + out + " --client 16384x1 --max-frames 1", 3, ""},
      {nev + " render" + at(clean) + out + " --choose 1,,2", 1, "--choose takes item numbers"},
      {nev + " render" + at(clean) + out + " --max-frames 0", 1, "--max-frames takes"},
      {nev + " render" + at(clean) + out + " --save-at 2", 1, "--save-at takes a frame number"},
      {nev + " render" + at(clean) + out + " --load" + at(tools, "p.txt"), 1, "p.txt: not a save file"},
      {nev + " render" + at(clean) + out + " --warp start.txt", 1, "--warp takes a script and a line"},
      {nev + " render" + at(clean) + out + " --warp a:1 --load x", 1, "--warp and --load both"},
      {nev + " --warp :3" + at(clean), 2, "nev: --warp takes a script and a line"},
      {"QT_QPA_PLATFORM=offscreen " + nev + " --warp START.TXT:2" + at(clean), 1,
       "nev: START.TXT:2: the script ends at line 1; nev check --routes lists"},
      {"cd " + at(clean) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + nev +
           " --new --continue", 1, "no display to open a window on"},
      {"env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:9999 " + nev + at(clean) + " </dev/null", 1,
       "nev: the display does not answer; to play the story without one:\n"},
      {nev + " render" + at(clean) + out + " --client", 1, "incomplete option --client"},
      {nev + " render" + at(clean) + at(tools), 1, ", which nev did not write; "},
      // Outputs: a regular file or a new name in a folder that is there, and none of the story's.
      {nev + " render" + at(clean) + out + " --skip read --read-marks /dev/zero", 1,
       "nev render: cannot write /dev/zero: it is a device, not a regular file\n"},
      {nev + " render" + at(clean) + out + " --skip read --read-marks" + at(tools, "pipe"), 1,
       "pipe: it is a pipe, not a regular file\n"},
      {nev + " render" + at(clean) + out + " --skip read --read-marks" + at(clean, "nev.ini"), 1,
       "nev.ini: it is one of the story's own files\n"},
      {nev + " render" + at(clean) + out + " --save-at 1:" + at(clean, "START.TXT").substr(1), 1,
       "START.TXT: it is one of the story's own files\n"},
      {nev + " render" + at(clean) + out + " --save-at 1:" + at(tools, "link").substr(1), 1,
       "link: it is a symbolic link\n"},
      {nev + " render" + at(clean) + out + " --save-at 1:" + at(tools, "pipe").substr(1), 1,
       "pipe: it is a pipe, not a regular file\n"},
      {nev + " render" + at(clean) + out + " --save-at 1:" + at(tools, "no/1.sav").substr(1), 1,
       "no/1.sav: its folder does not exist\n"},
      {nev + " render" + at(clean) + out + " --save-at 9:" + at(tools, "9.sav").substr(1), 3,
       "nev render: frame 9 was never reached at a wait or choice; "},
      {"QT_QPA_PLATFORM=offscreen " + nev + " --text-out" + at(clean, "start.txt") + at(clean), 1,
       "start.txt: it is one of the story's own files; give --text-out another file\n"},
      // The reader of the story's text gone: one line, and the story ends as it would. (The
      // offscreen platform's own warnings come or not as the window's timing falls.)
      {"cd" + at(tools) + " && mkfifo gone || exit 9; (exec 3<gone) & exec 4>gone" +
           "; wait; XDG_CONFIG_HOME=" + at(tools, "conf").substr(1) +
           " QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES=default.warning=false SDL_AUDIODRIVER=dummy " +
           nev + " --text-out -" + at(typed) +
           " >&4; s=$?; ls" + at(tools, "conf/nev") + "; exit $s",
       0, "nev: cannot write standard output: Broken pipe; the story goes on without it\nnev.conf\n"},
      {memoryBound + nev + " routes" + at(wide) + at(wide, "out") + " --max-routes 3 --jobs 1", 3,
       "1 choice points, 3 routes: E 3; 0 boxes\nnev routes: stopped at a limit (--max-routes, "},
      {"echo $(ls" + at(wide, "out") + ")", 0,
       "coverage.json index.html r0000 r0001 r0002 routes.json\n"},
      {nev + " routes" + at(clean) + at(tools, "routes") + " --max-output 1", 3,
       "nev routes: stopped: the frames would pass --max-output (1 bytes)\n"},
      {inOutputs + nev + " routes" + at(clean) + " user", 1,
       " which nev did not write; give a new or empty folder, or an earlier nev routes output\n"},
      {inOutputs + nev + " render" + at(clean) + " pngs", 1, " which nev did not write; "},
      {inOutputs + nev + " render" + at(clean) + " earlier && cp -a earlier snapshot" + listed, 0,
       ".earlier.nev-tmp-999999998 earlier loop pngs snapshot user / .nev-output 0001.png 0002.png "
       "events.jsonl\n"},
      {inOutputs + nev + " render" + at(clean) + " earlier --load" + at(tools, "p.txt"), 1,
       "not a save file"},
      {inOutputs + nev + " render" + at(empty, "missing") + " earlier", 1,
       "cannot open story folder"},
      {inOutputs + nev + " render" + at(empty) + " earlier", 1, "nev.ini: no such file"},
      {inOutputs + nev + " routes" + at(clean) + " earlier", 1,
       "/earlier: it holds the output of nev render, not of nev routes; give a new or empty "
       "folder\n"},
      {stopped("earlier", "KILL") + "diff -r earlier snapshot && ls -A | grep -c nev-tmp", 0,
       "2\n"},
      {inOutputs + nev + " render" + at(clean) + " earlier --max-frames 1" + listed, 0,
       ".earlier.nev-tmp-999999998 earlier loop pngs snapshot user / .nev-output 0001.png "
       "events.jsonl\n"},
      {stopped("earlier", "TERM") + "s=$?; tail -n 1 earlier/events.jsonl; exit $s", 143,
       "\"reason\":\"interrupted\"}\n"},
      {inOutputs + nev + " routes" + at(clean) + " routes && cp -a routes routes.before && " + nev +
           " routes" + at(empty) + " routes; s=$?; diff -r routes routes.before || exit 9; exit $s",
       1, "nev.ini: no such file"},
      // A save named in bytes that are no UTF-8 is logged as text that is.
      {nev + " render" + at(clean) + out + " --save-at 1:" + at(tools, "\xFF.sav").substr(1) +
           " && " + nev + " render" + at(clean) + out + " --load" + at(tools, "\xFF.sav") +
           " && iconv -f UTF-8 -t UTF-8" + at(tools, "out/events.jsonl") + " | grep load",
       0, "\\xFF.sav\"}"},
      {nev + " web" + at(typed) + at(tools, "web") + " --player" + at(tools, "player") + " && " +
           nev + " web" + at(typed) + at(tools, "web") + " --player" + at(tools, "player") +
           " && cd" + at(tools, "web") + " && cat story/index.json story/雨.bmp && ls licences" +
           " && [ $(stat -c %s fonts/ipam.ttf) -lt 1000000 ]",
       0, "{\"format\":1,\"title\":\"Test story\",\"files\":[{\"name\":\"nev.ini\",\"size\":" +
              std::to_string(storyIni({{28, "0"}}).size()) + "},\n{\"name\":\"start.txt\",\"size\":22},"
              "\n{\"name\":\"雨.bmp\",\"size\":4}]}\nrainipafont-mincho.txt\nsynth.txt\n"},
      {nev + " web" + at(typed), 1, "nev web: give a story folder and an output folder"},
      {nev + " web" + at(typed) + out + " --player" + at(empty), 1,
       "holds no index.html; build it with `make web`"},
      {"NEV_WEB_PLAYER=" + at(tools, "player").substr(1) + " " + nev + " web" + at(typed) +
           at(typed, "site"), 1, "lies inside the story folder; give one outside it"},
      {nev + " web" + at(typed) + at(outputs, "earlier") + " --player" + at(tools, "player"), 1,
       "/earlier: it holds the output of nev render, not of nev web; "},
      {nev + " check" + at(clean), 0, ""},
      {nev + " check" + at(warned), 0, "start.txt:1: warning: label \"alone\" is never jumped to"},
      {nev + " check" + at(noScript), 1, "nev.ini: error: start script \"start.txt\" not found"},
      {nev + " check" + at(empty, "missing"), 1, "nev check: cannot read story folder"},
      {nev + " check", 2, "nev check: give exactly one story folder"},
      {nev + " check --lang ../en" + at(clean), 2, "nev check: ../en is no language code"},
      {nev + " check --lang en" + at(clean), 1,
       "lang/en/story.po: error: no such translation; nev translate init makes one"},
      {nev + " translate init" + at(typed) + " ../en", 2, "../en is no language code"},
      {nev + " translate update" + at(typed) + " en", 1, "no such translation; nev translate init"},
      {nev + " translate init" + at(typed) + " en && cat" + at(typed, "lang/en/story.po"), 0,
       "#: start.txt:1\nmsgctxt \"start.txt\"\nmsgid \"雨の駅\"\nmsgstr \"\"\n"},
      // A translation travels with the story, its proportional font cut as the message font is.
      {"sed -i '/^msgid \"雨/{n;s/.*/msgstr \"Rain\"/}'" + at(typed, "lang/en/story.po") + " && " + nev +
           " web" + at(typed) + at(tools, "translated") + " --player" + at(tools, "player") +
           " && cd" + at(tools, "translated") + " && ls story/lang/en && grep -c lang/en story/index.json" +
           " && [ $(stat -c %s fonts/ipamp.ttf) -lt 1000000 ]",
       0, "story.po\n1\n"},
      {nev + " scramble" + at(tools, "p.txt") + at(tools, "p.stx"), 0, ""},
      {nev + " unscramble" + at(tools, "p.stx") + at(tools, "back.txt"), 0, ""},
      {nev + " scramble" + at(tools, "p.txt") + at(tools, "./p.txt"), 1, "would be written over"},
      {nev + " scramble" + at(tools, "missing.txt") + at(tools, "x.stx"), 1, "cannot read"},
      {nev + " scramble" + at(tools, "p.txt") + at(tools, "no/x.stx"), 1,
       "nev scramble: cannot write"},
      {nev + " unscramble" + at(tools, "p.stx"), 2, "usage: nev unscramble STX OUT"},
      {nev + " scramble" + at(tools, "p.txt") + at(tools, "pipe"), 1, "pipe: it is a pipe, not a regular file"},
      {nev + " scramble" + at(empty) + at(tools, "keep.stx"), 1, "nev scramble: cannot read"},
      {"ulimit -f 2; " + nev + " scramble" + at(tools, "big.txt") + at(tools, "keep.stx"), 1,
       "nev scramble: cannot write"},
      {nev + " check" + at(hostile, "escape"), 1, "「\\x1B]0;owned\\x07\\x1B[2J」"},
      {story("loop.txt", "--max-steps 1000"), 3, "\"reason\":\"max-steps\"}\n0\n"},
      {story("music.txt", "--max-time 20000"), 3, "\"reason\":\"max-time\"}\n0\n"},
      {story("choice.txt", ""), 3, "\"reason\":\"choice-unreachable\"}"},
      {story("fonts.txt", ""), 0, "\"reason\":\"script\"}"},
      {story("devices.txt", ""), 2, "\"reason\":\"script\"}"},
      {story("zero.txt", ""), 2, "\"reason\":\"script\"}"},
      {story("names.txt", ""), 2, told(hostile, "\\x1B[2J\\xFF.txt: no such file; ")},
      {story("label.txt", ""), 2, told(hostile, "loop.txt: label NONE not found; ")},
  };
  for (const Case& c : cases) {
    const ProgramRun run = runProgram(c.command);
    EXPECT_EQ(run.status, c.status) << c.command << "\n" << run.output;
    EXPECT_EQ(run.output.find('\x1B'), std::string::npos) << "a raw escape from " << c.command;
    if (c.says.empty()) {
      EXPECT_EQ(run.output, "") << c.command;
    } else {
      EXPECT_NE(run.output.find(c.says), std::string::npos) << c.command << "\n" << run.output;
    }
  }
  EXPECT_EQ(tools.read("back.txt"), tools.read("p.txt"));
  // Nothing refused was written, nor any folder made for it.
  EXPECT_EQ(clean.read("start.txt"), "a\n");
  EXPECT_EQ(clean.read("nev.ini"), storyIni());
  EXPECT_TRUE(std::filesystem::is_fifo(tools.path() / "pipe"));
  EXPECT_TRUE(std::filesystem::is_symlink(tools.path() / "link"));
  EXPECT_FALSE(std::filesystem::exists(tools.path() / "no"));
  EXPECT_FALSE(std::filesystem::exists(tools.path() / "9.sav"));
  // Failed conversions keep the old output and leave no temporary file behind.
  EXPECT_EQ(tools.read("keep.stx"), "kept");
  EXPECT_EQ(outputs.read("user/r2024/a.jpg") + outputs.read("user/routes.json"), "x{}");
  EXPECT_EQ(outputs.read("pngs/0001.png") + outputs.read("pngs/events.jsonl"), "mine{}\n");
  for (const auto& entry : std::filesystem::directory_iterator(tools.path())) {
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
  }
}

TEST(NevProgram, OffersTheStoryChooserOnlyWhenStartedBareOnADesktopWithoutAStory) {
  struct Row {
    bool storyGiven, storyHere;
    const char *display, *wayland, *platform;
    bool offered;
    bool boxed;  // a problem that ends nev shows a box when nothing shows stderr
  } rows[] = {{false, false, ":0", nullptr, nullptr, true, true},
              {false, false, "", "wayland-0", "wayland", true, true},
              {false, false, ":0", nullptr, "offscreen", false, false},
              {false, false, nullptr, "wayland-0", "minimal:x", false, false},
              {false, false, nullptr, nullptr, "xcb", false, false},
              {false, true, ":0", nullptr, nullptr, false, true},
              {true, false, ":0", nullptr, nullptr, false, true}};
  const char* const argv[] = {"nev", "."};
  for (const Row& row : rows) {
    const CommandLine line = parseCommandLine(row.storyGiven ? 2 : 1, argv);
    const DisplayKind display = displayKindOf(row.display, row.wayland, row.platform);
    EXPECT_EQ(offersStoryChooser(line, row.storyHere, display), row.offered) << &row - rows;
    EXPECT_EQ(endingProblemsInBox(display, false), row.boxed) << &row - rows;
    EXPECT_FALSE(endingProblemsInBox(display, true)) << &row - rows;
  }
}

}  // namespace
