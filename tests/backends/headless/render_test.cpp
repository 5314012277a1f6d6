// `nev render` end to end: real stories through the program, checked by their frames and log.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <array>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "story_world.h"
#include "test_files.h"

namespace {

constexpr QRgb kPick = 0xFFFF00;
constexpr QRgb kChoice = 0x0000FF;
constexpr QRgb kText = 0xFFFFFF;

struct Rendered {
  int status = -1;
  std::string output;
  std::vector<std::string> events;
};

Rendered render(const TempFolder& story, const std::string& out, const std::string& options = "") {
  const std::string command = std::string(NEV_BINARY) + " render '" + story.path().string() +
                              "' '" + out + "' " + options + " 2>&1";
  Rendered rendered;
  FILE* pipe = popen(command.c_str(), "r");
  std::array<char, 4096> chunk;
  for (size_t n; (n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) {
    rendered.output.append(chunk.data(), n);
  }
  const int raw = pclose(pipe);
  rendered.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream events(out + "/events.jsonl");
  for (std::string line; std::getline(events, line);) rendered.events.push_back(line);
  return rendered;
}

// The events without their times.
std::vector<std::string> untimed(const std::vector<std::string>& events) {
  std::vector<std::string> result;
  for (const std::string& event : events) {
    const size_t comma = event.find(',');
    result.push_back("{" + event.substr(comma + 1));
  }
  return result;
}

// Rows of the frame that hold at least one pixel of `colour`.
std::set<int> rowsWith(const QImage& frame, QRgb colour) {
  std::set<int> rows;
  for (int y = 0; y < frame.height(); ++y) {
    for (int x = 0; x < frame.width(); ++x) {
      if ((frame.pixel(x, y) & 0xFFFFFF) == colour) rows.insert(y);
    }
  }
  return rows;
}

std::string choiceStory(const std::string& branches) {
  return sjis("どれにする？") + "\n@W3\n" + sjis("一つ目") + "\n" + sjis("二つ目") + "\n" +
         sjis("三つ目") + "\n" + branches;
}

TEST(Render, ChoosesTheGivenItemAndTakesItsBranch) {
  TempFolder story, out;
  story.write("nev.ini", storyIni());
  story.write("start.txt", choiceStory("@Jb.txt,zero;\n@Jb.txt,one;\n@Jb.txt,two;\n"));
  story.write("b.txt", "@Lzero;\nzero\n@E\n@Lone;\none\n@E\n@Ltwo;\ntwo\n@E\n");
  Rendered rendered = render(story, out.path().string(), "--choose 2");
  EXPECT_EQ(rendered.status, 0) << rendered.output;
  EXPECT_EQ(untimed(rendered.events),
            (std::vector<std::string>{
                R"({"event":"frame","file":"0001.png","at":"wait"})",
                R"({"event":"frame","file":"0002.png","at":"choice"})",
                R"({"event":"choice","count":3,"selected":2})",
                R"({"event":"frame","file":"0003.png","at":"wait"})",
                R"({"event":"frame","file":"0004.png","at":"end"})",
                R"({"event":"end","reason":"E"})"}));

  // Items are typed below the question, 16 pixels apart; the third is lit.
  QImage choice(QString::fromStdString(out.path().string() + "/0002.png"));
  ASSERT_EQ(choice.size(), QSize(160, 120));
  const std::set<int> picked = rowsWith(choice, kPick);
  const std::set<int> others = rowsWith(choice, kChoice);
  ASSERT_FALSE(picked.empty());
  ASSERT_FALSE(others.empty());
  EXPECT_GE(*picked.begin(), 76 + 16);  // third item row starts at 60 + 16 (question) + 32
  EXPECT_LT(*others.rbegin(), *picked.begin());
}

TEST(Render, ChoiceEdgeCases) {
  struct Case {
    const char* name;
    std::string ini;
    std::string start;
    std::string choose;
    std::string choiceEvent;
    int frames;  // waits and choices seen, and the last frame
  };
  const std::string oneItem = "@W1\nonly\n@Jb.txt,zero;\n";
  const std::string noJump = choiceStory("@S0\nfirst branch\nsecond branch\n");
  const std::vector<Case> cases = {
      {"one item: nothing skipped", storyIni(), oneItem, "", R"({"event":"choice","count":1,"selected":0})", 3},
      {"branch line that is not a jump runs on", storyIni(), noJump, "--choose 0",
       R"({"event":"choice","count":3,"selected":0})", 5},
      {"choosing past the end takes item 0", storyIni(), noJump, "--choose 7",
       R"({"event":"choice","count":3,"selected":0})", 5},
      // fontSize 40 over linePitch 16: the middle of the second band lies in all three bands;
      // the deciding pass tests item 0 first, so item 0 is taken.
      {"overlapping bands", storyIni({{9, "40"}}), noJump, "--choose 1",
       R"({"event":"choice","count":3,"selected":0})", 5},
  };
  for (const Case& c : cases) {
    TempFolder story, out;
    story.write("nev.ini", c.ini);
    story.write("start.txt", c.start);
    story.write("b.txt", "@Lzero;\nzero\n");
    Rendered rendered = render(story, out.path().string(), c.choose);
    EXPECT_EQ(rendered.status, 0) << c.name << rendered.output;
    const std::vector<std::string> events = untimed(rendered.events);
    EXPECT_NE(std::find(events.begin(), events.end(), c.choiceEvent), events.end()) << c.name;
    int frames = 0;
    for (const std::string& event : events) frames += event.find("\"frame\"") != std::string::npos;
    EXPECT_EQ(frames, c.frames) << c.name;
  }
}

TEST(Render, ExitStatusTellsHowTheStoryEnded) {
  struct Case {
    const char* name;
    std::string ini;
    std::string start;
    std::string options;
    int status;
    std::string lastEvent;
  };
  const std::vector<Case> cases = {
      {"clean end of script", storyIni(), "hello\n", "", 0, R"({"event":"end","reason":"script"})"},
      {"missing picture", storyIni(), "@C0,0,none.bmp,0xCC0020;\n", "", 2,
       R"({"event":"end","reason":"script"})"},
      {"missing label", storyIni(), "@Jstart.txt,nowhere;\n", "", 2,
       R"({"event":"end","reason":"script"})"},
      {"endless story", storyIni(), "@Lagain;\nround\n@Jstart.txt,again;\n", "--max-frames 5", 3,
       R"({"event":"end","reason":"max-frames"})"},
      {"no nev.ini", "", "hello\n", "", 1, ""},
      {"bad option", storyIni(), "hello\n", "--client 0x5", 1, ""},
  };
  for (const Case& c : cases) {
    TempFolder story, out;
    if (!c.ini.empty()) story.write("nev.ini", c.ini);
    story.write("start.txt", c.start);
    Rendered rendered = render(story, out.path().string(), c.options);
    EXPECT_EQ(rendered.status, c.status) << c.name << "\n" << rendered.output;
    if (!c.lastEvent.empty()) {
      ASSERT_FALSE(rendered.events.empty()) << c.name;
      EXPECT_EQ(untimed(rendered.events).back(), c.lastEvent) << c.name;
    }
  }
}

TEST(Render, BoxesAreLoggedWithTheirTexts) {
  TempFolder story, out;
  story.write("nev.ini", storyIni());
  story.write("start.txt", "@C0,0,\x82\xa0\xff.bmp,0xCC0020;\n");
  Rendered rendered = render(story, out.path().string());
  ASSERT_GE(rendered.events.size(), 1u);
  EXPECT_EQ(untimed(rendered.events)[0],
            "{\"event\":\"box\",\"caption\":\"FILE ERR\",\"text\":\"あ\\\\xFF.bmp\"}");
}

TEST(Render, SameStoryGivesTheSameFiles) {
  TempFolder story, first, second;
  story.write("nev.ini", storyIni({{30, "1"}}));
  story.write("bg.bmp", bmp24(160, 120, 0x4080C0));
  story.write("start.txt", "@C0,0,bg.bmp,0xCC0020;\n@I\n" + sjis("雨が降っている。") + "\n" +
                               choiceStory("@Jstart.txt,NULL;\n@E\n@E\n"));
  Rendered a = render(story, first.path().string(), "--choose 1 --client 200x150");
  Rendered b = render(story, second.path().string(), "--choose 1 --client 200x150");
  EXPECT_EQ(a.status, 0) << a.output;
  ASSERT_EQ(a.events, b.events);
  for (const char* name : {"0001.png", "0002.png", "0003.png", "0004.png"}) {
    EXPECT_EQ(first.read(name), second.read(name)) << name;
    EXPECT_FALSE(first.read(name).empty()) << name;
  }
  QImage frame(QString::fromStdString(first.path().string() + "/0001.png"));
  EXPECT_EQ(frame.size(), QSize(200, 150));
  // The overlay darkens the picture: 0x40 & 0x7F, 0x80 & 0x7F, 0xC0 & 0x7F.
  EXPECT_EQ(frame.pixel(2, 2) & 0xFFFFFF, 0x400040u);
  EXPECT_FALSE(rowsWith(frame, kText).empty());
}

}  // namespace
