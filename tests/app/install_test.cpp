// What `cmake --install` puts where a desktop finds it, and the installed program's tools.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "test_files.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status = -1;
  std::string output;
};

Outcome shell(const std::string& command) {
  Outcome outcome;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  char chunk[4096];
  for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) outcome.output.append(chunk, n);
  const int raw = pclose(pipe);
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return outcome;
}

TEST(Install, PutsProgramDemoDesktopFileIconAndManPageInPlace) {
  TempFolder prefix;
  Outcome install = shell("cmake --install '" + std::string(NEV_BUILD_DIR) + "' --prefix '" +
                          prefix.path().string() + "'");
  ASSERT_EQ(install.status, 0) << install.output;
  for (const char* file : {"bin/nev", "share/nev/demo/nev.ini", "share/nev/demo/start.txt",
                           "share/nev/demo/station.bmp", "share/nev/demo/theme.mid",
                           "share/applications/nev.desktop",
                           "share/icons/hicolor/scalable/apps/nev.svg", "share/man/man6/nev.6"}) {
    EXPECT_TRUE(fs::is_regular_file(prefix.path() / file)) << file;
  }
  const std::string nev = (prefix.path() / "bin/nev").string();
  EXPECT_EQ(shell("'" + nev + "' --version").status, 0);
  Outcome check = shell("'" + nev + "' check '" + (prefix.path() / "share/nev/demo").string() + "'");
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_EQ(check.output, "");
}

TEST(AuthorTools, ScrambleAndUnscrambleRoundTrip) {
  TempFolder folder;
  const std::string plain = sjis("雨上がりの駅に、\r\n最後の列車が着いた。") + "\r\n\r\n@Jroute.txt,back;";
  folder.write("start.txt", plain);
  const std::string at = "'" + folder.path().string() + "/";
  const std::string nev = std::string(NEV_BINARY);
  struct Case {
    std::string arguments;
    int status;
    std::string says;
  };
  const std::vector<Case> cases = {
      {"scramble " + at + "start.txt' " + at + "start.stx'", 0, ""},
      {"unscramble " + at + "start.stx' " + at + "back.txt'", 0, ""},
      {"scramble " + at + "start.txt' " + at + "start.txt'", 1, "written over"},
      {"scramble " + at + "missing.txt' " + at + "x.stx'", 1, "cannot read"},
      {"scramble " + at + "start.txt' " + at + "no/such/folder.stx'", 1, "cannot write"},
      {"scramble " + at + "start.txt'", 2, "usage"},
  };
  for (const Case& c : cases) {
    Outcome outcome = shell(nev + " " + c.arguments);
    EXPECT_EQ(outcome.status, c.status) << c.arguments << "\n" << outcome.output;
    EXPECT_NE(outcome.output.find(c.says), std::string::npos) << c.arguments << "\n" << outcome.output;
  }
  EXPECT_EQ(folder.read("back.txt"), plain);
  EXPECT_EQ(folder.read("start.txt"), plain);
  EXPECT_EQ(folder.read("start.stx").substr(0, 2), "\x8a\x4b");  // "雨", every byte one higher
}

}  // namespace
