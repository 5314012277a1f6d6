// `nev render` end to end: real stories through the program, checked by their frames and log.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "midi_files.h"
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
  const std::string ini = storyIni(), bigFont = storyIni({{9, "40"}});
  const std::string noJump = choiceStory("@S0\nfirst branch\nsecond branch\n");
  const struct {
    std::string ini, start, options;
    int status;
    int lines;
    std::string log;  // a part of it
  } cases[] = {
      {ini, choiceStory("@Jb.txt,zero;\n@Jb.txt,one;\n@Jb.txt,two;\n"), "--choose 2", 0, 8,
       R"({"t":120,"event":"text","file":"start.txt","line":1,"text":"どれにする？"}
{"t":140,"event":"frame","file":"0001.png","at":"wait"}
{"t":184,"event":"frame","file":"0002.png","at":"choice"}
{"t":188,"event":"choice","count":3,"selected":2}
{"t":228,"event":"text","file":"b.txt","line":8,"text":"two"}
{"t":248,"event":"frame","file":"0003.png","at":"wait"}
{"t":268,"event":"frame","file":"0004.png","at":"end"}
{"t":268,"event":"end","reason":"E"}
)"},
      // A branch line that is not a jump runs on.
      {ini, noJump, "--choose 0", 0, 10, R"({"t":188,"event":"choice","count":3,"selected":0})"},
      // Choosing past the end takes item 0.
      {ini, noJump, "--choose 3", 0, 10, R"({"t":188,"event":"choice","count":3,"selected":0})"},
      // fontSize 40 over linePitch 16: the middle of the second band lies in all three bands;
      // the deciding pass tests item 0 first, so item 0 is taken.
      {bigFont, noJump, "--choose 1", 0, 10,
       R"({"t":188,"event":"choice","count":3,"selected":0})"},
      {ini, "@C0,0,\x82\xa0\xff.bmp,0xCC0020;\n", "", 2, 3,
       R"({"t":0,"event":"box","caption":"FILE ERR","text":"あ\\xFF.bmp"})"},
      {ini, "@Lagain;\nround\n@Jstart.txt,again;\n", "--max-frames 5", 3, 11,
       R"({"t":480,"event":"frame","file":"0005.png","at":"wait"}
{"t":480,"event":"end","reason":"max-frames"})"},
      // Music loops at the MIDI file's own length (replays at 300 and 600 too) until stopped,
      // on the virtual clock.
      {ini,
       "@Yloop.mid,1;\n@T1000;\n@Q\n@T500;\n@Yonce.mid,0;\n@T800;\n" + sjis("@Z効果音.wav") +
           "\n@Ynone.mid,1;\n@T700;\n@Q\n",
       "", 0, 11,
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
    story.write("loop.mid", heldNote(300));
    story.write("once.mid", heldNote(200));
    TempFolder first, second;
    EXPECT_EQ(render(story, first, c.options), c.status) << c.log;
    const std::string log = first.read("events.jsonl");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), c.lines) << log;
    EXPECT_NE(log.find(c.log), std::string::npos) << log;
    // Byte for byte the same files, however the threads were scheduled.
    render(story, second, c.options);
    for (const auto& file : std::filesystem::directory_iterator(first.path())) {
      const std::string name = file.path().filename().string();
      EXPECT_TRUE(second.read(name) == first.read(name)) << name << " of " << c.log;
    }
    // The log alone is the same log, without a frame written.
    TempFolder logOnly;
    EXPECT_EQ(render(story, logOnly, c.options + " --events-only"), c.status);
    EXPECT_EQ(logOnly.read("events.jsonl"), log);
    EXPECT_FALSE(std::filesystem::exists(logOnly.path() / "0001.png")) << c.log;
  }
}

}  // namespace

namespace {

int countOf(const std::string& text, const std::string& word) {
  int count = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
  return count;
}

// Skipping types at once and writes no frame at a skipped wait; pictures and music still
// happen, sound effects do not; read marks carry from one run to the next.
TEST(Render, SkippingLeavesOutTheWaitsOfTextAlreadyReadOrOfAll) {
  TempFolder marks, plain, firstRead, secondRead, all;
  const std::string demo = NEV_SOURCE_DIR "/demo";
  const std::string markFile = (marks.path() / "read.txt").string();
  auto run = [&](const TempFolder& out, const std::string& options) {
    return runProgram(NEV_BINARY " render '" + demo + "' '" + out.path().string() + "' " + options).status;
  };
  const std::string save = (marks.path() / "1.sav").string();
  ASSERT_EQ(run(plain, "--choose 1 --save-at 1:'" + save + "'"), 0);
  ASSERT_EQ(run(firstRead, "--choose 1 --skip read --read-marks '" + markFile + "'"), 0);
  ASSERT_EQ(run(secondRead, "--choose 1 --skip read --read-marks '" + markFile + "'"), 0);
  ASSERT_EQ(run(all, "--choose 1 --skip all"), 0);
  // Loaded at a wait whose line is read, skipping goes on at once.
  TempFolder loaded;
  ASSERT_EQ(run(loaded, "--choose 1 --skip read --read-marks '" + markFile + "' --load '" + save + "'"), 0);
  const std::string plainLog = plain.read("events.jsonl");
  const int frames = countOf(plainLog, "\"event\":\"frame\"");
  const int choicesAndEnd = countOf(plainLog, "\"at\":\"choice\"") + 1;
  char lastSkipped[16];
  std::snprintf(lastSkipped, sizeof lastSkipped, "%04d.png", choicesAndEnd);
  // Nothing was read before the first run; everything it typed was marked.
  EXPECT_EQ(countOf(firstRead.read("events.jsonl"), "\"event\":\"frame\""), frames);
  EXPECT_EQ(countOf(marks.read("read.txt"), "\n"), countOf(plainLog, "\"event\":\"text\""));
  for (const TempFolder* skipped : {&secondRead, &all}) {
    const std::string log = skipped->read("events.jsonl");
    EXPECT_EQ(countOf(log, "\"event\":\"frame\""), choicesAndEnd) << log;
    EXPECT_EQ(countOf(log, "\"event\":\"text\""), countOf(plainLog, "\"event\":\"text\""));
    EXPECT_EQ(countOf(log, "\"event\":\"sound\""), 0);
    EXPECT_EQ(countOf(log, "\"event\":\"music\""), countOf(plainLog, "\"event\":\"music\""));
    char last[16];
    std::snprintf(last, sizeof last, "%04d.png", frames);
    EXPECT_TRUE(skipped->read(lastSkipped) == plain.read(last)) << "the last picture";
  }
  EXPECT_EQ(countOf(loaded.read("events.jsonl"), "\"event\":\"frame\""), choicesAndEnd)
      << loaded.read("events.jsonl");
  EXPECT_EQ(runProgram(NEV_BINARY " render '" + demo + "' '" + all.path().string() + "' --skip read")
                .status, 1);
}

}  // namespace
