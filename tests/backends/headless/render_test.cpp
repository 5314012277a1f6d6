// `nev render` end to end: real stories through the program, checked by their frames and log.

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "midi_files.h"
#include "story_world.h"
#include "test_files.h"

namespace {

int render(const TempFolder& story, const TempFolder& out, const std::string& options) {
  return runProgram(NEV_BINARY " render '" + story.path().string() + "' '" + out.path().string() +
                    "' " + options)
      .status;
}

std::string choiceStory(const std::string& branches) {
  return sjis("どれにする？\n@W3\n一つ目\n二つ目\n三つ目\n") + branches;
}

TEST(Render, SameStoryTwiceGivesTheSameFramesAndLog) {
  const std::string ini = storyIni(), bigFont = storyIni({{9, "40"}}),
                    overlay = storyIni({{30, "1"}});
  const std::string noJump = choiceStory("@S0\nfirst branch\nsecond branch\n");
  const struct {
    std::string ini, start, options;
    int status;
    int lines;
    QRgb corner;      // of the first frame, which is 160 × 120 unless --client says otherwise
    std::string log;  // a part of it
  } cases[] = {
      {ini, choiceStory("@Jb.txt,zero;\n@Jb.txt,one;\n@Jb.txt,two;\n"), "--choose 2", 0, 6, 0,
       R"({"t":140,"event":"frame","file":"0001.png","at":"wait"}
{"t":184,"event":"frame","file":"0002.png","at":"choice"}
{"t":188,"event":"choice","count":3,"selected":2}
{"t":248,"event":"frame","file":"0003.png","at":"wait"}
{"t":268,"event":"frame","file":"0004.png","at":"end"}
{"t":268,"event":"end","reason":"E"}
)"},
      // One item: nothing skipped.
      {ini, "@W1\nonly\n@Jb.txt,zero;\n", "", 0, 5, 0,
       R"({"t":12,"event":"choice","count":1,"selected":0})"},
      // A branch line that is not a jump runs on.
      {ini, noJump, "--choose 0", 0, 7, 0, R"({"t":188,"event":"choice","count":3,"selected":0})"},
      // Choosing past the end takes item 0.
      {ini, noJump, "--choose 3", 0, 7, 0, R"({"t":188,"event":"choice","count":3,"selected":0})"},
      // fontSize 40 over linePitch 16: the middle of the second band lies in all three bands;
      // the deciding pass tests item 0 first, so item 0 is taken.
      {bigFont, noJump, "--choose 1", 0, 7, 0,
       R"({"t":188,"event":"choice","count":3,"selected":0})"},
      {ini, "@C0,0,\x82\xa0\xff.bmp,0xCC0020;\n", "", 2, 3, 0,
       R"({"t":0,"event":"box","caption":"FILE ERR","text":"あ\\xFF.bmp"})"},
      {ini, "@Lagain;\nround\n@Jstart.txt,again;\n", "--max-frames 5", 3, 6, 0,
       R"({"t":480,"event":"frame","file":"0005.png","at":"wait"}
{"t":480,"event":"end","reason":"max-frames"})"},
      // The overlay darkens the picture: 0x40 & 0x7F, 0x80 & 0x7F, 0xC0 & 0x7F.
      {overlay,
       "@C0,0,bg.bmp,0xCC0020;\n@I\n" + sjis("雨が降っている。\n") +
           choiceStory("@Jstart.txt,NULL;\n@E\n@E\n"),
       "--choose 1 --client 200x150", 0, 6, 0x400040,
       R"({"t":388,"event":"choice","count":3,"selected":1})"},
      // Music loops at the MIDI file's own length (replays at 300 and 600 too) until stopped,
      // on the virtual clock.
      {ini,
       "@Yloop.mid,1;\n@T1000;\n@Q\n@T500;\n@Yonce.mid,0;\n@T800;\n" + sjis("@Z効果音.wav") +
           "\n@Ynone.mid,1;\n@T700;\n@Q\n",
       "", 0, 11, 0,
       R"({"t":900,"event":"music","file":"loop.mid","loop":1,"replay":true}
{"t":1000,"event":"music-stop"}
{"t":1500,"event":"music","file":"once.mid","loop":0}
{"t":2300,"event":"sound","name":"効果音.wav\u000a"})"},
  };
  for (const auto& c : cases) {
    TempFolder story;
    story.write("nev.ini", c.ini);
    story.write("start.txt", c.start);
    story.write("b.txt", "@Lzero;\nzero\n@E\n@Lone;\none\n@E\n@Ltwo;\ntwo\n@E\n");
    story.write("bg.bmp", bmp24(160, 120, 0x4080C0));
    story.write("loop.mid", heldNote(300));
    story.write("once.mid", heldNote(200));
    TempFolder first, second;
    EXPECT_EQ(render(story, first, c.options), c.status) << c.log;
    const std::string log = first.read("events.jsonl");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), c.lines) << log;
    EXPECT_NE(log.find(c.log), std::string::npos) << log;
    const QImage frame(QString::fromStdString((first.path() / "0001.png").string()));
    EXPECT_EQ(frame.width(), c.options.ends_with("200x150") ? 200 : 160) << c.log;
    EXPECT_EQ(frame.pixel(2, 2) & 0xFFFFFF, c.corner) << c.log;
    // Byte for byte the same files, however the threads were scheduled.
    render(story, second, c.options);
    for (const auto& file : std::filesystem::directory_iterator(first.path())) {
      const std::string name = file.path().filename().string();
      EXPECT_TRUE(second.read(name) == first.read(name)) << name << " of " << c.log;
    }
  }
}

}  // namespace
