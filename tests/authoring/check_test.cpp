#include "authoring/check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "authoring/script_conversion.h"
#include "engine/script/line_reader.h"
#include "engine/script/runner.h"
#include "engine/text/text_output.h"
#include "story_world.h"
#include "test_files.h"

namespace {

std::string lines(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line;
  return text;
}

struct StoryCase {
  std::string findings;  // one a line
  std::string start;     // start.txt; none when empty
  // Up to two more files; an empty nev.ini stands for none, a .stx file is given plain.
  std::string file1 = "", bytes1 = "", file2 = "", bytes2 = "";
};

TEST(CheckStory, ReportsEachTrapAndNothingElse) {
  // Rows of 0 pixels: the long lines and pages stay on the picture.
  const std::string scrambledIni = storyIni({{11, "0"}, {29, "1"}});
  const std::string longest = lines("x", kScriptLineSize - 3) + "\n";
  const std::string clean =
      "@R8,60,10,0,12,14,0,20,1,0;\r\n@S0;\r\n" + sjis("夜の駅。\r\n") +
      "@M\r\n@C-10,0,pics\\A.BMP,0xCC0020\r\n@G0,0," + sjis("夜.bmp") +
      ",0x8800C6\r\n@Ytheme.mid,1\r\n@Zbell.wav;\r\n@T500\r\n@W2\r\n" + sjis("はい\r\nいいえ\r\n") +
      "@Jroute.txt,yes;\r\n@Jroute.txt,no;\r\n@Lback;\r\n@P\r\n" + lines("text\r\n", 255) +
      "@P\r\n" + lines("text\r\n", 255) + "@Q\r\n@E\r\n";
  const StoryCase cases[] = {
      {"", clean, "route.txt", "@Lyes;\r\n@Jstart.txt,back;\r\n@Lno;\r\n@JSTART.TXT,back;"},
      // One trap a line, each file's errors first, then its warnings, each in line order; the
      // page counts "a" and the 255 lines after the choice, not the choice's item.
      {R"(start.txt:2: error: script "none.txt" not found
start.txt:3: error: picture "雨.bmp" not found
start.txt:4: error: @G reads 4 arguments (x, y, file, raster code); the line has 3
start.txt:4: error: picture "a.bmp\n" carries the line feed; end it with ";"
start.txt:5: error: picture "../a.bmp" not found
start.txt:6: error: music "none.mid" not found
start.txt:7: error: sound "lost.wav" not found; the default sound plays instead
start.txt:8: error: sound "bell.wav\n" carries the line feed; end it with ";"
start.txt:9: error: @C reads 4 arguments (x, y, file, raster code); the line has 3
start.txt:10: error: @R reads 10 arguments (ten numbers); the line has 3
start.txt:11: error: @T reads 1 argument (time); the line has 0
start.txt:12: error: @J reads 2 arguments (file, label); the line has 1
start.txt:13: error: choice count 0 is not 1 to 255; the lines after it run as they stand
start.txt:14: error: choice count 256 is not 1 to 255; the lines after it run as they stand
start.txt:276: error: more than 255 text lines without @P; the page keeps only 255 for @X
start.txt:277: error: byte 0x1A ends the file here; the 17 bytes after it are never read
start.txt:5: warning: picture "../a.bmp" lies outside the story folder; a copy of the folder will not have it
start.txt:15: warning: label "alone" is never jumped to
start.txt:17: warning: font size -1 leaves choice items no rows to be picked in; a choice can never be made
start.txt:19: warning: font size 17895698 leaves choice items no rows to be picked in; a choice can never be made
start.txt:21: warning: text runs 17895554 pixels past the picture's right edge
start.txt:22: warning: the ▼ runs 17895567 pixels past the picture's right edge
)",
       "a\n@Jnone.txt,NULL;\n@C0,0," + sjis("雨.bmp") +
           ",0xCC0020\n@G0,0,a.bmp\n@C0,0,../a.bmp,0xCC0020;\n@Ynone.mid,1\n@Zlost.wav;\n"
           "@Zbell.wav\n@C0,0,a.bmp;\n@R1,2,3;\n@T\n@Jstart.txt;\n@W0\n@W256\n@Lalone;\n"
           "@R8,60,10,0,0,14,16,20,1,0;\n@R8,60,10,0,-1,14,16,20,1,0;\n"
           "@R8,60,10,0,17895697,14,16,20,1,0;\n@R8,60,10,0,17895698,14,16,20,1,0;\n@W1\nitem\n" +
           lines("text\n", 255) + "\x1A@Jnone.txt,NULL;\n"},
      // Rows 16 apart from y 60 on a picture 120 high; after a label, unknown until @P.
      {R"(start.txt:4: warning: the ▼ runs 12 pixels past the picture's right edge
start.txt:7: warning: text runs 1 pixel past the picture's bottom edge
start.txt:13: warning: text runs 3 pixels past the picture's bottom edge
start.txt:13: warning: the ▼ runs 2 pixels past the picture's bottom edge
)",
       "@R20,60,10,0,12,14,16,20,0,0;\na\nabcdefghijklmnopqrst\n@M\n@X\nb\nc\n@Jstart.txt,x;\n"
       "@Lx;\ne\n@R8,110,10,0,12,14,16,20,1,0;\n@P\nf\n"},
      // Two bytes a cell: a lone one-byte character splits every character after it.
      {"start.txt:1: warning: column 2: the one-byte \"1\" puts the characters after it out of "
       "step, as text is drawn two bytes a cell; write \"１\" instead\n"
       "start.txt:3: warning: column 2: the one-byte \"ｱ\" puts the characters after it out of "
       "step, as text is drawn two bytes a cell; write \"ア\" instead\n",
       sjis("第1頁の一行目。\r\nAB雨a\r\n雨ｱ雨\r\n")},
      {"start.txt:2: error: the file ends after 2 of the choice's 3 item lines\nb.txt:2: error: "
       "the file ends after 1 of the choice's 2 branch lines\n",
       "@Jb.txt,NULL;\n@W3\nyes\nno\n", "b.txt", "@L0;\n@W2\nyes\nno\n@Jb.txt,0;\n"},
      {R"(start.txt:2: error: label "here\n" carries the line feed; end it with ";"
)",
       "a\n@Jb.txt,here\n", "b.txt", "@Lhere;\n"},
      {R"(start.txt:1: error: label "here" not found in "b.txt": its label line 2 carries the line feed; end the label there with ";"
start.txt:2: error: label "nowhere" not found in "start.txt"
b.txt:4: warning: label "x" is never reached: jumps stop at the same label on line 3
)",
       "@Jb.txt,here;\n@Jstart.txt,nowhere;\n@Jb.txt,x;\n", "b.txt", "a\r\n@Lhere\r\n@Lx;\n@Lx;\n"},
      // A loop with nothing to stop at, across two files, reported once.
      {"start.txt:2: warning: this jump starts a loop with no text, wait, choice or pause in it: the "
       "story never stops for the reader again\n",
       "@Lx;\n@Jb.txt,NULL;\n", "b.txt", "@Jstart.txt,x;\n"},
      {R"(start.txt:3: error: sound "lost.wav" not found; the default sound plays instead
start.txt:1: warning: label "unused" is never jumped to
b.txt:1: error: music "no.mid" not found
)",
       "@Lunused;\n@Jb.txt,NULL;\n@Zlost.wav;\n@JB.TXT,NULL;\n", "b.txt", "@Yno.mid,0\n"},
      {"nev.ini: error: start script \"start.txt\" not found\n", "", "b.txt", "a\n"},
      {"nev.ini: error: not found; the story cannot start\n", "a\n", "nev.ini", ""},
      // A problem of nev.ini at its line; the scripts are still read.
      {R"(nev.ini:4: error: screenWidth: 画面の大きさは 1 から 16384 までにしてください (「0」)
start.txt:1: error: sound "lost.wav" not found; the default sound plays instead
)",
       "@Zlost.wav;\n", "nev.ini", storyIni({{3, "0"}})},
      // Scrambled stories, read as the runner reads them, with their plain forms beside them.
      {"", longest + sjis("夜\n"), "nev.ini", scrambledIni, "start.stx", longest + sjis("夜\n")},
      {R"(start.stx:1: error: label "x" not found in "start.stx"
start.stx:2: error: sound "bell.wav\n\n" carries the line feed; end it with ";"
)",
       "", "nev.ini", scrambledIni, "start.stx", "@Jstart.stx,x;\n@Zbell.wav\n"},
      {R"(start.txt:1: warning: byte 0x09 (tab) does not survive scrambling: it becomes a line feed
start.txt:2: warning: byte 0x19 does not survive scrambling: it becomes 0x1A, the end of the file
start.txt:3: warning: byte 0xFF does not survive scrambling: it wraps to 0x00
)",
       "a\tb\na\x19"
       "b\na\xFF"
       "b\n",
       "nev.ini", scrambledIni, "start.stx", "ab\n"},
      {"start.txt:1: warning: line is 1023 bytes; a line to be scrambled holds at most 1022, its "
       "line feed included\n",
       "x" + longest, "nev.ini", scrambledIni, "start.stx", "ab\n"},
      {"nev.ini: error: start script \"start.stx\" not found (scrambledScripts is 1; the folder "
       "has start.txt)\n",
       "a\n", "nev.ini", scrambledIni},
  };
  for (const StoryCase& c : cases) {
    TempFolder folder;
    // The lint asks only whether a file is there.
    for (const char* name : {"a.bmp", "pics/a.bmp", "夜.bmp", "theme.mid", "bell.wav"}) {
      folder.write(name, "");
    }
    folder.write("nev.ini", storyIni());
    if (!c.start.empty()) folder.write("start.txt", c.start);
    for (const auto& [name, bytes] : {std::pair(c.file1, c.bytes1), std::pair(c.file2, c.bytes2)}) {
      if (name.ends_with(".stx")) {
        const std::string plain = folder.write("plain.tmp", bytes);
        ASSERT_EQ(convertScriptFile(plain, (folder.path() / name).string(), true), "");
      } else if (!name.empty()) {
        folder.write(name, bytes);
        if (bytes.empty()) std::filesystem::remove(folder.path() / name);
      }
    }
    std::string findings;
    for (const CheckFinding& f : checkStory(folder.path().string())) {
      findings += formatFinding(f) + "\n";
    }
    EXPECT_EQ(findings, c.findings) << c.start;
  }
}

struct CellGlyphs : DotGlyphs {  // each unit fills its cell
  GlyphMask rasterize(const FontSpec& font, const std::string&) override {
    return {0, 0, -font.height, -font.height, std::vector<uint8_t>(font.height * font.height, 255)};
  }
};

// The first story a reader sees: clean, and down every route no line typed where text stands.
TEST(Demo, ChecksCleanAndTypesEachLineWhereNoTextStands) {
  EXPECT_EQ(checkStory(NEV_SOURCE_DIR "/demo").size(), 0u);
  constexpr int32_t kWidth = 640, kHeight = 480;
  for (int32_t route = 0; route < 3; ++route) {
    StoryWorld world(NEV_SOURCE_DIR "/demo", std::make_unique<CellGlyphs>());
    NevContext& context = *world.context;
    ASSERT_EQ(context.config.screenWidth, kWidth);
    ASSERT_EQ(context.config.screenHeight, kHeight);
    world.onSleep = [&] {  // the reader: clicks at each wait, and at the choice on the route's item
      const ChoiceProgress& choice = context.shared.choice;
      const int32_t middle = (choice.bandTop[route] + choice.bandBottom[route]) / 2;
      if (choice.item == choice.count - 1) context.shared.mouseY = middle;
      if (choice.count == 0 ? context.shared.waitingForClick == 1
                            : choice.item == route && choice.highlighted) {
        context.shared.clicked = 1;
      }
    };
    RunnerOperations operations = standardRunnerOperations();
    operations.drawTextLine = [&](RunnerScope scope, const char* text, bool redraw) {
      // Text stands where the display differs from the picture under it.
      const std::vector<Pixel> shown = context.surfaces.displaySurface.bitmap->pixels;
      const std::vector<Pixel>& picture = context.surfaces.overlaySurface.bitmap->pixels;
      world.repaints.clear();
      drawTextLine(scope, text, redraw);
      for (const std::optional<Rect>& cell : world.repaints) {  // the cells typed in
        for (int32_t y = std::max(cell->top, 0); y < std::min(cell->bottom, kHeight); ++y) {
          for (int32_t x = std::max(cell->left, 0); x < std::min(cell->right, kWidth); ++x) {
            ASSERT_EQ(shown[y * kWidth + x], picture[y * kWidth + x]) << route << ": " << text;
          }
        }
      }
    };
    ScriptRunner(context, operations).run();
    EXPECT_EQ(context.shared.endRequested.load(), 1) << route;
    EXPECT_EQ(context.shared.choice.selected, route);
  }
}

}  // namespace
