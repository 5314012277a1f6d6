#include "app/cli.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "app/console_story.h"
#include "app/context.h"

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
         "       nev --help | --version\n"
         "\n"
         "Plays the story in STORY_DIR (default: the current folder): its nev.ini, its start\n"
         "script and the pictures, music and sounds the scripts name.\n"
         "\n"
         "  -h, --help   show this text\n"
         "  --version    show nev's version\n";
}

int runNev(int argc, const char* const argv[]) {
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
  auto context = makeContext();
  if (auto problem = readConfig(context->config)) {
    context->messageBox(problem->text, problem->caption);
    return 1;
  }
  playStoryInConsole(*context, stdout);
  return 0;
}
