#include "app/cli.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

struct Outcome {
  int status;
  std::string output;  // standard output and standard error together
};

Outcome runNevBinary(const std::string& arguments, const std::string& environment = "") {
  const std::string command = environment + std::string(NEV_BINARY) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  Outcome outcome{-1, ""};
  if (pipe == nullptr) return outcome;
  std::array<char, 4096> chunk;
  for (size_t n; (n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) outcome.output.append(chunk.data(), n);
  int raw = pclose(pipe);
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return outcome;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(CommandLine, ParsesStoryFolderAndOptions) {
  struct Case {
    std::vector<const char*> argv;
    CommandLine::Action action;
    std::string storyDir;
  };
  const std::vector<Case> cases = {
      {{"nev"}, CommandLine::Action::Play, "."},
      {{"nev", "stories/a"}, CommandLine::Action::Play, "stories/a"},
      {{"nev", "--help"}, CommandLine::Action::Help, "."},
      {{"nev", "a", "-h"}, CommandLine::Action::Help, "a"},
      {{"nev", "--version"}, CommandLine::Action::Version, "."},
      {{"nev", "--frobnicate"}, CommandLine::Action::Error, "."},
      {{"nev", "a", "b"}, CommandLine::Action::Error, "a"},
  };
  for (const Case& c : cases) {
    CommandLine line = parseCommandLine(static_cast<int>(c.argv.size()), c.argv.data());
    EXPECT_EQ(line.action, c.action) << c.argv.back();
    EXPECT_EQ(line.storyDir, c.storyDir) << c.argv.back();
  }
}

TEST(NevProgram, ExitStatusesOfBadStarts) {
  TempFolder noConfig;
  TempFolder badConfig;
  badConfig.write("nev.ini", "title\r\n");
  TempFolder noScript;
  noScript.write("nev.ini", storyIni());
  const std::string withoutDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";

  struct Case {
    std::string arguments;
    int status;
    std::string says;
  };
  const std::vector<Case> cases = {
      {"render " + noConfig.path().string() + " " + noConfig.path().string() + "/out", 1,
       "[ファイルが変] nev.ini"},
      {"render " + badConfig.path().string() + " " + badConfig.path().string() + "/out", 1,
       "設定が変"},
      {"render " + noScript.path().string() + " " + noScript.path().string() + "/out", 2, ""},
      {noConfig.path().string() + "/missing", 1, "cannot open story folder"},
      {"--version", 0, "nev "},
      {"--help", 0, "usage: nev"},
      {"--bad-option", 2, "unknown option"},
      {"render", 1, "render needs a story folder"},
  };
  for (const Case& c : cases) {
    Outcome outcome = runNevBinary(c.arguments);
    EXPECT_EQ(outcome.status, c.status) << c.arguments << "\n" << outcome.output;
    EXPECT_TRUE(contains(outcome.output, c.says)) << c.arguments << "\n" << outcome.output;
  }
  Outcome headless = runNevBinary(std::string(NEV_SOURCE_DIR) + "/demo", withoutDisplay);
  EXPECT_EQ(headless.status, 1);
  EXPECT_TRUE(contains(headless.output, "nev render")) << headless.output;
}

}  // namespace
