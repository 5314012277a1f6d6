#include "app/cli.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "app/author_tools.h"
#include "app/check.h"
#include "app/context.h"
#include "app/render.h"
#include "platform/qt/desktop_shell.h"

namespace {

bool hasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const argv[]) {
  CommandLine line;
  bool storyGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i];
    if (word == "--help" || word == "-h") {
      line.action = CommandLine::Action::Help;
      return line;
    }
    if (word == "--version") {
      line.action = CommandLine::Action::Version;
      return line;
    }
    if (word.size() > 1 && word[0] == '-') {
      line.action = CommandLine::Action::Error;
      line.error = "unknown option " + std::string(word);
      return line;
    }
    if (storyGiven) {
      line.action = CommandLine::Action::Error;
      line.error = "more than one story folder given";
      return line;
    }
    line.storyDir = word;
    storyGiven = true;
  }
  return line;
}

const char* usageText() {
  return "usage: nev [STORY_DIR]\n"
         "       nev render STORY_DIR OUT_DIR [--choose I,J,...] [--client WxH] [--max-frames N]\n"
         "       nev check STORY_DIR\n"
         "       nev scramble PLAIN OUT | nev unscramble STX OUT\n"
         "       nev --help | --version\n"
         "\n"
         "Plays the story in STORY_DIR (default: the current folder): its nev.ini, its start\n"
         "script and the pictures, music and sounds the scripts name.\n"
         "\n"
         "render plays the story without a window on a virtual clock and writes OUT_DIR/NNNN.png\n"
         "at every click wait and choice, and OUT_DIR/events.jsonl. It clicks through waits and\n"
         "picks the choice items given by --choose (then item 0). Exit status: 0 the story\n"
         "ended, 2 it ended after a message box, 3 it reached --max-frames (default 10000),\n"
         "1 it could not start.\n"
         "\n"
         "check reads the story as the player does and follows every jump, printing each problem\n"
         "as FILE:LINE: error|warning: message (missing files and labels, line feeds caught in\n"
         "names, short choices and commands, full pages, unreachable labels, what scrambling\n"
         "would lose). Exit status: 1 when there is an error, 0 otherwise.\n"
         "\n"
         "scramble writes the scrambled form of a plain script (what the player reads when\n"
         "nev.ini asks for scrambled scripts); unscramble gives the plain form back. The output\n"
         "is replaced only by a complete file, and may not be the input.\n"
         "\n"
         "  -h, --help   show this text\n"
         "  --version    show nev's version\n";
}

int runNev(int argc, const char* const argv[]) {
  if (argc >= 2 && std::string_view(argv[1]) == "render") {
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(argc - 2, argv + 2, options, error)) {
      std::fprintf(stderr, "nev render: %s\n%s", error.c_str(), usageText());
      return 1;
    }
    return renderStory(options);
  }
  if (argc >= 2 && std::string_view(argv[1]) == "check") return runCheckCommand(argc - 2, argv + 2);
  if (argc >= 2 && std::string_view(argv[1]) == "scramble") {
    return runScrambleCommand(argc - 2, argv + 2, true);
  }
  if (argc >= 2 && std::string_view(argv[1]) == "unscramble") {
    return runScrambleCommand(argc - 2, argv + 2, false);
  }
  const CommandLine line = parseCommandLine(argc, argv);
  switch (line.action) {
    case CommandLine::Action::Help:
      std::fputs(usageText(), stdout);
      return 0;
    case CommandLine::Action::Version:
      std::printf("nev %s\n", NEV_VERSION);
      return 0;
    case CommandLine::Action::Error:
      std::fprintf(stderr, "nev: %s\n%s", line.error.c_str(), usageText());
      return 2;
    case CommandLine::Action::Play:
      break;
  }

  // Every name a story uses is relative to its folder.
  if (chdir(line.storyDir.c_str()) != 0) {
    std::fprintf(stderr, "nev: cannot open story folder %s: %s\n", line.storyDir.c_str(),
                 std::strerror(errno));
    return 1;
  }
  if (!hasDisplay()) {
    std::fprintf(stderr,
                 "nev: there is no display to open a window on; to play the story without one:\n"
                 "  nev render %s OUT_DIR\n",
                 line.storyDir.c_str());
    return 1;
  }
  return runDesktopShell();
}
