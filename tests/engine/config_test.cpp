#include "engine/config.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include <string>
#include <vector>

#include "engine/messages.h"
#include "base/text_file.h"
#include "test_files.h"

namespace {

// 32 value lines: three strings, then 29 integers counting up from 640 and 480.
std::vector<std::string> valueLines() {
  std::vector<std::string> lines = {"Title", "About one", "About two", "640", "480"};
  for (int i = 5; i < kConfigValueLines; ++i) lines.push_back(std::to_string(i * 10));
  return lines;
}

std::string joined(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

struct Parsed {
  GameConfig config;
  std::optional<ConfigProblem> problem;
};

Parsed parse(const std::string& bytes) {
  TempFolder folder;
  TextFile file;
  EXPECT_TRUE(file.open(folder.write("nev.ini", bytes), "r"));
  Parsed parsed;
  parsed.problem = parseConfig(file, parsed.config);
  return parsed;
}

bool sameConfig(const GameConfig& a, const GameConfig& b) {
  return std::string(a.windowTitle) == b.windowTitle && std::string(a.aboutText1) == b.aboutText1 &&
         std::string(a.aboutText2) == b.aboutText2 &&
         std::memcmp(&a.screenWidth, &b.screenWidth,
                     sizeof(int32_t) * (kConfigValueLines - 3)) == 0;
}

TEST(Config, ReadsEveryFieldByPosition) {
  Parsed parsed = parse(joined(valueLines()));
  ASSERT_FALSE(parsed.problem) << parsed.problem->text;
  const GameConfig& c = parsed.config;
  EXPECT_STREQ(c.windowTitle, "Title ");
  EXPECT_STREQ(c.aboutText1, "About one ");
  EXPECT_STREQ(c.aboutText2, "About two ");
  EXPECT_EQ(c.screenWidth, 640);
  EXPECT_EQ(c.screenHeight, 480);
  EXPECT_EQ(c.textLeft, 50);
  EXPECT_EQ(c.charDelay, 120);
  EXPECT_EQ(c.shadowDx, 250);
  EXPECT_EQ(c.waitEveryLine, 280);
  EXPECT_EQ(c.scrambledScripts, 290);
  EXPECT_EQ(c.developerMenu, 310);
}

TEST(Config, CommentsAndLayoutDoNotChangeTheValues) {
  const GameConfig plain = parse(joined(valueLines())).config;
  std::vector<std::string> lines = valueLines();

  std::vector<std::string> commented;
  commented.push_back("; settings");
  commented.push_back(";");
  for (size_t i = 0; i < lines.size(); ++i) {
    commented.push_back(lines[i]);
    if (i % 5 == 0) commented.push_back("; between values");
  }
  commented.push_back("; after the values");

  std::vector<std::string> remarks = lines;
  for (size_t i = 3; i < remarks.size(); ++i) remarks[i] += " remark 99 " + sjis("画面の幅");

  const std::vector<std::pair<const char*, std::string>> variants = {
      {"comments at the top, between and after", joined(commented)},
      {"line feeds only", joined(lines, "\n")},
      {"remarks after numbers", joined(remarks)},
      {"0x1a after the values", joined(lines) + "\x1a" + "garbage\r\n"},
      {"lines after the 32nd value", joined(lines) + joined(std::vector<std::string>(80, "7"))},
      {"last line without a line feed", joined(lines).substr(0, joined(lines).size() - 2)},
  };
  for (const auto& [name, bytes] : variants) {
    Parsed parsed = parse(bytes);
    ASSERT_FALSE(parsed.problem) << name << ": " << parsed.problem->text;
    if (std::string(name) == "last line without a line feed") {
      EXPECT_EQ(parsed.config.developerMenu, plain.developerMenu) << name;
      continue;
    }
    EXPECT_TRUE(sameConfig(parsed.config, plain)) << name;
  }
}

TEST(Config, LineRulesOfTheFile) {
  struct Case {
    const char* name;
    int line;               // value line to replace
    std::string text;
    std::string title;      // expected windowTitle, when line is 0
    int32_t textLeft;       // expected textLeft (value line 5) otherwise
  };
  const std::vector<Case> cases = {
      {"caption ends in one space", 0, "Word", "Word ", 0},
      {"empty caption is one space", 0, "", " ", 0},
      {"japanese caption", 0, sjis("雨上がりの駅"), sjis("雨上がりの駅") + " ", 0},
      {"empty number is 0", 5, "", "", 0},
      {"words are 0", 5, "left", "", 0},
      {"negative", 5, "-2", "", -2},
      {"blank then semicolon is a value", 5, " ;12", "", 0},
      {"number after blanks", 5, "   12", "", 12},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = valueLines();
    lines[c.line] = c.text;
    Parsed parsed = parse(joined(lines));
    ASSERT_FALSE(parsed.problem) << c.name;
    if (c.line == 0) {
      EXPECT_EQ(std::string(parsed.config.windowTitle), c.title) << c.name;
    } else {
      EXPECT_EQ(parsed.config.textLeft, c.textLeft) << c.name;
    }
  }
}

TEST(Config, LongStringLineMovesTheLaterValuesDown) {
  std::vector<std::string> lines = valueLines();
  lines[2] = std::string(255, 'b') + "700";
  Parsed parsed = parse(joined(lines));
  ASSERT_FALSE(parsed.problem) << parsed.problem->text;
  EXPECT_EQ(std::string(parsed.config.aboutText2), std::string(254, 'b') + " ");
  EXPECT_EQ(parsed.config.screenWidth, 700);
  EXPECT_EQ(parsed.config.screenHeight, 640);
  EXPECT_EQ(parsed.config.textLeft, 480);
  EXPECT_EQ(parsed.config.developerMenu, 300);
}

struct ProblemCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> mentions;  // words the box text must contain
};

TEST(Config, BadFilesNameTheLineInTheirBox) {
  std::vector<std::string> lines = valueLines();
  auto with = [&](int line, const std::string& text) {
    std::vector<std::string> changed = lines;
    changed[line] = text;
    return joined(changed);
  };
  std::vector<std::string> longLine = lines;
  longLine[2] = std::string(300, 'b');  // its remainder becomes screenWidth, not a number
  std::vector<std::string> shortFile(lines.begin(), lines.begin() + 20);

  const std::vector<ProblemCase> cases = {
      {"width 0", with(3, "0"), {"4 行目", "screenWidth"}},
      {"negative height", ";\r\n" + with(4, "-480"), {"6 行目", "screenHeight"}},
      {"number beyond 32 bits", with(9, "99999999999"), {"10 行目", "fontSize", "99999999999"}},
      {"below the 32-bit range", with(30, "-2147483649"), {"31 行目", "overlayEnabled"}},
      {"long line shifts text into the width", joined(longLine), {"3 行目", "screenWidth"}},
      {"fewer than 32 value lines", joined(shortFile), {"20", "32", "pickGreen"}},
      {"empty file", "", {"0", "windowTitle"}},
      {"only comments", "; a\r\n; b\r\n", {"0", "windowTitle"}},
  };
  for (const ProblemCase& c : cases) {
    Parsed parsed = parse(c.bytes);
    ASSERT_TRUE(parsed.problem) << c.name;
    EXPECT_EQ(parsed.problem->caption, kCaptionBadSetting) << c.name;
    for (const std::string& word : c.mentions) {
      EXPECT_NE(parsed.problem->text.find(word), std::string::npos)
          << c.name << ": " << parsed.problem->text << " lacks " << word;
    }
  }
}

TEST(Config, LimitsOf32BitsAreAccepted) {
  std::vector<std::string> lines = valueLines();
  lines[25] = "-2147483648";
  lines[26] = "2147483647";
  Parsed parsed = parse(joined(lines));
  ASSERT_FALSE(parsed.problem);
  EXPECT_EQ(parsed.config.shadowDx, INT32_MIN);
  EXPECT_EQ(parsed.config.shadowDy, INT32_MAX);
}

TEST(Config, MissingFileShowsItsName) {
  TempFolder empty;
  ScopedCurrentDirectory inside(empty.path());
  GameConfig config;
  std::optional<ConfigProblem> problem = readConfig(config);
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->text, "nev.ini");
  EXPECT_EQ(problem->caption, kCaptionBadFile);
}

TEST(Config, FindsTheFileInAnyCase) {
  TempFolder story;
  story.write("NEV.INI", joined(valueLines()));
  ScopedCurrentDirectory inside(story.path());
  GameConfig config;
  EXPECT_FALSE(readConfig(config));
  EXPECT_EQ(config.screenWidth, 640);
}

}  // namespace
