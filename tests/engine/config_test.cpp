#include "engine/config.h"

#include <gtest/gtest.h>

#include "base/text_file.h"
#include "engine/messages.h"
#include "test_files.h"

// nev.ini with 32 value lines: three strings, then 640, 480, then 50, 60, … 310; any value line
// replaced by `changes`, each line ended by `end`.
static std::string ini(const std::vector<std::pair<int, std::string>>& changes = {},
                       const std::string& end = "\r\n", int count = kConfigValueLines) {
  std::vector<std::string> lines = {"Title", "About one", "About two", "640", "480"};
  for (int i = 5; i < kConfigValueLines; ++i) lines.push_back(std::to_string(i * 10));
  for (const auto& [line, text] : changes) lines[line] = text;
  std::string text;
  for (int i = 0; i < count; ++i) text += lines[i] + end;
  return text;
}

static std::optional<Problem> parse(const std::string& bytes, GameConfig& config) {
  TempFolder folder;
  TextFile file;
  EXPECT_TRUE(file.open(folder.write("nev.ini", bytes), "r"));
  return parseConfig(file, config);
}

TEST(Config, ValuesAreReadByPosition) {
  // {file, value line read, its value: one of the three strings, or the integer in decimal}
  const std::string plain = ini(), cut = plain.substr(0, plain.size() - 2);
  const std::string long255 = std::string(255, 'b') + "700";  // cut after 255 bytes
  const std::vector<std::tuple<std::string, int, std::string>> cases = {
      {plain, 0, "Title "}, {plain, 1, "About one "}, {plain, 2, "About two "}, {plain, 3, "640"},
      {plain, 4, "480"}, {plain, 5, "50"}, {plain, 31, "310"}, {ini({}, "\n"), 31, "310"},
      {";\r\n" + ini({{5, "; between\r\n50"}, {20, ";\r\n200"}}) + "; after\r\n", 31, "310"},
      {ini({{4, "480 remark 99 " + sjis("画面の幅")}}), 4, "480"}, {cut, 31, "310"},
      {plain + "\x1a" + "garbage\r\n", 31, "310"}, {plain + ini({{31, "7"}}), 31, "310"},
      {ini({{0, ""}}), 0, " "},  // every caption ends in one space, in place of its line feed
      {ini({{0, sjis("雨上がりの駅")}}), 0, sjis("雨上がりの駅") + " "},
      {ini({{2, long255}}), 2, std::string(254, 'b') + " "}, {ini({{2, long255}}), 3, "700"},
      {ini({{2, long255}}), 4, "640"}, {ini({{2, long255}}), 31, "300"},
      {ini({{5, ""}}), 5, "0"}, {ini({{5, "left"}}), 5, "0"}, {ini({{5, " ;12"}}), 5, "0"},
      {ini({{5, "   12"}}), 5, "12"}, {ini({{5, "-2147483648"}}), 5, "-2147483648"},
      {ini({{6, "2147483647"}}), 6, "2147483647"}, {ini({{3, "1"}, {4, "1"}}), 4, "1"},
      {ini({{3, "16384"}, {4, "1024"}}), 3, "16384"},
  };
  for (const auto& [bytes, line, value] : cases) {
    GameConfig c;
    ASSERT_FALSE(parse(bytes, c)) << bytes;
    const char* strings[] = {c.windowTitle, c.aboutText1, c.aboutText2};
    const int32_t* integers = &c.screenWidth;  // the 29 integers lie in the file's order
    EXPECT_EQ(line < 3 ? strings[line] : std::to_string(integers[line - 3]), value) << bytes;
  }
}

TEST(Config, BadFilesNameTheLineAndTheValue) {
  // {file, line of the file at fault, words its box holds}
  const std::vector<std::tuple<std::string, int, std::vector<std::string>>> cases = {
      {ini({{3, "0"}}), 4, {"4 行目", "screenWidth", "「0」"}},
      {";\r\n" + ini({{4, "-480"}}), 6, {"screenHeight", "「-480」"}},
      {ini({{3, "16385"}}), 4, {"screenWidth", "「16385」"}},
      {ini({{3, "16384"}, {4, "1025"}}), 5, {"screenHeight", "16384", "1025"}},  // too many pixels
      {ini({{9, "99999999999"}}), 10, {"fontSize", "「99999999999」"}},
      {ini({{30, "-2147483649\r"}}), 31, {"overlayEnabled", "「-2147483649」"}},
      {ini({{2, std::string(300, 'b')}}), 3, {"screenWidth"}},  // the long line's rest
      {ini({}, "\r\n", 31), 0, {"31", "developerMenu"}}, {"", 0, {"0", "windowTitle"}},
      {"; a\r\n; b\r\n", 0, {"0", "windowTitle"}},
  };
  for (const auto& [bytes, fileLine, mentions] : cases) {
    GameConfig config;
    const std::optional<Problem> problem = parse(bytes, config);
    ASSERT_TRUE(problem) << mentions[0];
    EXPECT_EQ(problem->caption, kCaptionBadSetting) << problem->boxText;
    EXPECT_EQ(problem->fileLine, fileLine) << problem->boxText;
    for (const std::string& word : mentions) {
      EXPECT_NE(problem->boxText.find(word), std::string::npos)
          << problem->boxText << " lacks " << word;
    }
  }
}
