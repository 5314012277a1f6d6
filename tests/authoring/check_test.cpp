#include "authoring/check.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/text_file.h"
#include "engine/script/line_reader.h"
#include "test_files.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

// A story folder of the given files; nev.ini is a valid one unless the files bring their own.
void writeStory(const TempFolder& folder, const Files& files, bool withConfig = true) {
  if (withConfig) folder.write("nev.ini", storyIni());
  for (const auto& [name, bytes] : files) folder.write(name, bytes);
}

std::vector<std::string> checked(const TempFolder& folder) {
  std::vector<std::string> lines;
  for (const CheckFinding& finding : checkStory(folder.path().string())) {
    lines.push_back(formatFinding(finding));
  }
  return lines;
}

// The scrambled form of `plain`, made by the real conversion pass.
std::string scrambled(const TempFolder& folder, const std::string& plain) {
  TextFile in;
  TextFile out;
  const std::string plainPath = folder.write("plain.tmp", plain);
  const std::string scrambledPath = (folder.path() / "scrambled.tmp").string();
  if (!in.open(plainPath, "r") || !out.open(scrambledPath, "w")) return "";
  scrambleScript(in, out);
  out.close();
  return folder.read("scrambled.tmp");
}

std::string lines(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line;
  return text;
}

const std::string kPicture = "BM picture";

struct TrapCase {
  const char* trap;
  Files files;
  std::vector<std::string> findings;
  bool withConfig = true;
};

TEST(CheckStory, ReportsEachTrapAndNothingElse) {
  const std::vector<TrapCase> cases = {
      {"missing script",
       {{"start.txt", "@Jnone.txt,NULL;\n"}},
       {"start.txt:1: error: script \"none.txt\" not found"}},
      {"missing label",
       {{"start.txt", "@Jstart.txt,nowhere;\n"}},
       {"start.txt:1: error: label \"nowhere\" not found in \"start.txt\""}},
      {"label of the jump ends its line",
       {{"start.txt", "a\n@Jb.txt,here\n"}, {"b.txt", "@Lhere;\n"}},
       {"start.txt:2: error: label \"here\\n\" carries the line feed; end it with \";\""}},
      {"label line ends its line",
       {{"start.txt", "@Jb.txt,here;\n"}, {"b.txt", "a\r\n@Lhere\r\n"}},
       {"start.txt:1: error: label \"here\" not found in \"b.txt\": its label line 2 carries the "
        "line feed; end the label there with \";\""}},
      {"missing picture",
       {{"start.txt", "@C0,0," + sjis("夜.bmp") + ",0xCC0020\n"}},
       {"start.txt:1: error: picture \"夜.bmp\" not found"}},
      {"picture name ends its line",
       {{"start.txt", "@G0,0,a.bmp\n"}, {"a.bmp", kPicture}},
       {"start.txt:1: error: @G reads 4 arguments (x, y, file, raster code); the line has 3",
        "start.txt:1: error: picture \"a.bmp\\n\" carries the line feed; end it with \";\""}},
      {"missing music",
       {{"start.txt", "@Ytheme.mid,1\n"}},
       {"start.txt:1: error: music \"theme.mid\" not found"}},
      {"missing sound",
       {{"start.txt", "@Zbell.wav;\n"}},
       {"start.txt:1: error: sound \"bell.wav\" not found; the default sound plays instead"}},
      {"sound name ends its line",
       {{"start.txt", "@Zbell.wav\n"}, {"bell.wav", "RIFF"}},
       {"start.txt:1: error: sound \"bell.wav\\n\" carries the line feed; end it with \";\""}},
      {"choice without all its items",
       {{"start.txt", "@W3\nyes\nno\n"}},
       {"start.txt:1: error: the file ends after 2 of the choice's 3 item lines"}},
      {"choice without all its branches",
       {{"start.txt", "@L0;\n@W2\nyes\nno\n@Jstart.txt,0;\n"}},
       {"start.txt:2: error: the file ends after 1 of the choice's 2 branch lines"}},
      {"choice of no items",
       {{"start.txt", "@W0\n"}},
       {"start.txt:1: error: choice count 0 is not 1 to 255; the lines after it run as they "
        "stand"}},
      {"choice beyond the table",
       {{"start.txt", "@W256\n"}},
       {"start.txt:1: error: choice count 256 is not 1 to 255; the lines after it run as they "
        "stand"}},
      {"page of 256 lines",
       {{"start.txt", "@W1\nitem\n" + lines("text\n", 256)}},
       {"start.txt:258: error: more than 255 text lines without @P; the page keeps only 255 for "
        "@X"}},
      {"raster code lost to the line feed",
       {{"start.txt", "@C0,0,a.bmp;\n"}, {"a.bmp", kPicture}},
       {"start.txt:1: error: @C reads 4 arguments (x, y, file, raster code); the line has 3"}},
      {"short text window",
       {{"start.txt", "@R1,2,3;\n"}},
       {"start.txt:1: error: @R reads 10 arguments (ten numbers); the line has 3"}},
      {"jump without a label",
       {{"start.txt", "@Jstart.txt;\n"}},
       {"start.txt:1: error: @J reads 2 arguments (file, label); the line has 1"}},
      {"pause without a time",
       {{"start.txt", "@T\n"}},
       {"start.txt:1: error: @T reads 1 argument (time); the line has 0"}},
      {"label never jumped to",
       {{"start.txt", "a\n@Lalone;\n"}},
       {"start.txt:2: warning: label \"alone\" is never jumped to"}},
      {"label repeated",
       {{"start.txt", "@Jb.txt,x;\n"}, {"b.txt", "@Lx;\n@Lx;\n"}},
       {"b.txt:2: warning: label \"x\" is never reached: jumps stop at the same label on line 1"}},
      {"end-of-file mark inside",
       {{"start.txt", "a\n\x1A@Jnone.txt,NULL;\n"}},
       {"start.txt:2: error: byte 0x1A ends the file here; the 17 bytes after it are never read"}},
      {"no start script",
       {{"b.txt", "a\n"}},
       {"nev.ini: error: start script \"start.txt\" not found"}},
      {"no nev.ini",
       {{"start.txt", "a\n"}},
       {"nev.ini: error: not found; the story cannot start"},
       false},
  };
  for (const TrapCase& c : cases) {
    TempFolder folder;
    writeStory(folder, c.files, c.withConfig);
    EXPECT_EQ(checked(folder), c.findings) << c.trap;
  }
}

TEST(CheckStory, CleanStoryReportsNothing) {
  TempFolder folder;
  writeStory(folder,
             {{"start.txt", "@R8,60,10,0,12,14,16,20,1,0;\r\n@S0;\r\n" + sjis("夜の駅。\r\n") +
                                "@M\r\n@C-10,0,pics\\A.BMP,0xCC0020\r\n@G0,0," + sjis("夜.bmp") +
                                ",0x8800C6\r\n@Ytheme.mid,1\r\n@Zbell.wav;\r\n@T500\r\n" +
                                "@W2\r\n" + sjis("はい\r\nいいえ\r\n") +
                                "@Jroute.txt,yes;\r\n@Jroute.txt,no;\r\n@Lback;\r\n@P\r\n" +
                                lines("text\r\n", 255) + "@P\r\n" + lines("text\r\n", 255) +
                                "@Q\r\n@E\r\n"},
              {"route.txt", "@Lyes;\r\n@Jstart.txt,back;\r\n@Lno;\r\n@JSTART.TXT,back;"},
              {"pics/a.bmp", kPicture},
              {"夜.bmp", kPicture},
              {"theme.mid", "MThd"},
              {"bell.wav", "RIFF"}});
  EXPECT_EQ(checked(folder), std::vector<std::string>{});
}

TEST(CheckStory, ReadsEachScriptOnceAndOrdersByFileThenErrorsThenLines) {
  TempFolder folder;
  writeStory(folder, {{"start.txt", "@Lunused;\n@Jb.txt,NULL;\n@Zlost.wav;\n@JB.TXT,NULL;\n"},
                      {"b.txt", "@Yno.mid,0\n"}});
  const std::vector<std::string> expected = {
      "start.txt:3: error: sound \"lost.wav\" not found; the default sound plays instead",
      "start.txt:1: warning: label \"unused\" is never jumped to",
      "b.txt:1: error: music \"no.mid\" not found",
  };
  EXPECT_EQ(checked(folder), expected);
}

TEST(CheckStory, ReportsNevIniProblemsAtTheirLineAndStillReadsTheScripts) {
  TempFolder folder;
  writeStory(folder, {{"nev.ini", storyIni({{3, "0"}})}, {"start.txt", "@Zlost.wav;\n"}}, false);
  const std::vector<CheckFinding> findings = checkStory(folder.path().string());
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_EQ(formatFinding(findings[0]).rfind("nev.ini:4: error: screenWidth: ", 0), 0u)
      << formatFinding(findings[0]);
  EXPECT_EQ(formatFinding(findings[1]).rfind("start.txt:1: error: sound", 0), 0u)
      << formatFinding(findings[1]);
}

struct ScrambledCase {
  const char* trap;
  std::string scrambledStart;  // plain text of start.stx; none when empty
  std::string plainStart;      // start.txt beside it; none when empty
  std::vector<std::string> findings;
};

TEST(CheckStory, ReadsScrambledStoriesAsTheRunnerDoes) {
  const std::string longest = lines("x", kScriptLineSize - 3) + "\n";
  const std::vector<ScrambledCase> cases = {
      {"clean", longest + sjis("夜\n"), longest + sjis("夜\n"), {}},
      {"missing label",
       "@Jstart.stx,nowhere;\n",
       "",
       {"start.stx:1: error: label \"nowhere\" not found in \"start.stx\""}},
      {"sound name ends its line",
       "@Zbell.wav\n",
       "",
       {"start.stx:1: error: sound \"bell.wav\\n\\n\" carries the line feed; end it with \";\""}},
      {"tab in the plain form",
       "ab\n",
       "a\tb\n",
       {"start.txt:1: warning: byte 0x09 (tab) does not survive scrambling: it becomes a line "
        "feed"}},
      {"0x19 in the plain form",
       "ab\n",
       "a\x19"
       "b\n",
       {"start.txt:1: warning: byte 0x19 does not survive scrambling: it becomes 0x1A, the end "
        "of the file"}},
      {"0xFF in the plain form",
       "ab\n",
       "a\xFF"
       "b\n",
       {"start.txt:1: warning: byte 0xFF does not survive scrambling: it wraps to 0x00"}},
      {"line too long to scramble",
       "ab\n",
       "x" + longest,
       {"start.txt:1: warning: line is 1023 bytes; a line to be scrambled holds at most 1022, its "
        "line feed included"}},
      {"not scrambled yet",
       "",
       "a\n",
       {"nev.ini: error: start script \"start.stx\" not found (scrambledScripts is 1; the folder "
        "has start.txt)"}},
  };
  for (const ScrambledCase& c : cases) {
    TempFolder folder;
    writeStory(folder, {{"nev.ini", storyIni({{29, "1"}})}, {"bell.wav", "RIFF"}}, false);
    if (!c.scrambledStart.empty()) folder.write("start.stx", scrambled(folder, c.scrambledStart));
    if (!c.plainStart.empty()) folder.write("start.txt", c.plainStart);
    EXPECT_EQ(checked(folder), c.findings) << c.trap;
  }
}

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
  for (size_t n; (n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) {
    outcome.output.append(chunk.data(), n);
  }
  const int raw = pclose(pipe);
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return outcome;
}

TEST(CheckCommand, PrintsFindingsAndExitsByTheWorst) {
  TempFolder clean;
  writeStory(clean, {{"start.txt", "a\n"}});
  TempFolder warned;
  writeStory(warned, {{"start.txt", "@Lalone;\n"}});
  TempFolder broken;
  writeStory(broken, {{"start.txt", "@Zlost.wav;\n"}});
  const std::string cleanDir = clean.path().string();
  struct Case {
    std::string arguments;
    int status;
    std::string output;  // the start of it
  };
  const std::vector<Case> cases = {
      {"check " + cleanDir, 0, ""},
      {"check " + warned.path().string(), 0, "start.txt:1: warning: label \"alone\""},
      {"check " + broken.path().string(), 1, "start.txt:1: error: sound \"lost.wav\""},
      {"check " + cleanDir + "/missing", 1, "nev check: cannot read story folder"},
      {"check " + cleanDir + "/start.txt", 1, "nev check: cannot read story folder"},
      {"check", 2, "nev check: give exactly one story folder"},
      {"check " + cleanDir + " " + cleanDir, 2, "nev check: give exactly one story folder"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = runNevBinary(c.arguments);
    EXPECT_EQ(outcome.status, c.status) << c.arguments << "\n" << outcome.output;
    EXPECT_EQ(outcome.output.substr(0, c.output.size()), c.output) << c.arguments;
    if (c.output.empty()) {
      EXPECT_EQ(outcome.output, "") << c.arguments;
    }
  }
  EXPECT_NE(runNevBinary("--help").output.find("nev check STORY_DIR"), std::string::npos);
}

TEST(CheckStory, DemoIsClean) {
  std::vector<std::string> findings;
  for (const CheckFinding& finding : checkStory(std::string(NEV_SOURCE_DIR) + "/demo")) {
    findings.push_back(formatFinding(finding));
  }
  EXPECT_EQ(findings, std::vector<std::string>{});
}

}  // namespace
