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

Outcome runNevBinary(const std::string& arguments) {
  const std::string command = std::string(NEV_BINARY) + " " + arguments + " 2>&1";
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

TEST(NevProgram, PlaysTheDemoStoryPrintingItsLines) {
  Outcome outcome = runNevBinary(std::string(NEV_SOURCE_DIR) + "/demo");
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_TRUE(contains(outcome.output, "雨上がりの駅に、最後の列車が着いた。\n")) << outcome.output;
  EXPECT_TRUE(contains(outcome.output, "@P")) << outcome.output;
  EXPECT_TRUE(contains(outcome.output, "@E")) << outcome.output;
}

TEST(NevProgram, ExitStatusesOfBadStarts) {
  TempFolder noConfig;
  TempFolder badConfig;
  badConfig.write("nev.ini", "title\r\n");
  TempFolder noScript;
  std::string ini = "t\r\na\r\nb\r\n640\r\n480\r\n";
  for (int i = 5; i < 32; ++i) ini += "0\r\n";
  noScript.write("nev.ini", ini);

  struct Case {
    std::string arguments;
    int status;
    std::string says;
  };
  const std::vector<Case> cases = {
      {noConfig.path().string(), 1, "ファイルが変"},
      {badConfig.path().string(), 1, "設定が変"},
      {noScript.path().string(), 0, "start.txt"},
      {noConfig.path().string() + "/missing", 1, "cannot open story folder"},
      {"--version", 0, "nev "},
      {"--help", 0, "usage: nev"},
      {"--bad-option", 2, "unknown option"},
  };
  for (const Case& c : cases) {
    Outcome outcome = runNevBinary(c.arguments);
    EXPECT_EQ(outcome.status, c.status) << c.arguments << "\n" << outcome.output;
    EXPECT_TRUE(contains(outcome.output, c.says)) << c.arguments << "\n" << outcome.output;
  }
}

}  // namespace
