// `nev render --lang`: a story read in its translation, checked by its log and its frames.

#include <gtest/gtest.h>

#include <string>

#include "base/png_file.h"
#include "test_files.h"

namespace {

// A square picture of one colour (blue, green, red bytes).
std::string solidBmp(const std::string& bgr) {
  std::string pixels;
  for (int i = 0; i < 16 * 16; ++i) pixels += bgr;
  return bmp(16, 16, 24, 0, "", pixels);
}

// How many pixels of `colour` lie in rows [top, bottom) and columns [left, right).
int inkIn(const PngPicture& frame, Pixel colour, int left, int top, int right, int bottom) {
  int count = 0;
  for (int y = top; y < bottom && y < frame.height; ++y) {
    for (int x = left; x < right && x < frame.width; ++x) {
      count += frame.pixels[size_t(y) * frame.width + x] == colour;
    }
  }
  return count;
}

TEST(RenderTranslation, TypesWrapsAndPicksInTheTranslationWithItsPictures) {
  TempFolder story, out, refused;
  // Text from y 4, rows wrapping at 8 + 10 × 14 = 148.
  story.write("nev.ini", storyIni({{6, "4"}}));
  story.write("start.txt", "@C0,0,bg.bmp,0xCC0020;\n" + sjis("始め\n@W2\n短い\n長い\n") +
                               "@Jstart.txt,yes;\n@Jstart.txt,no;\n@Lyes;\n@E\n@Lno;\n" +
                               sjis("終わり\n") + "@E\n");
  story.write("bg.bmp", solidBmp(std::string("\xff\x00\x00", 3)));
  story.write("lang/en/BG.BMP", solidBmp(std::string("\x00\xff\x00", 3)));
  story.write("lang/en/story.po",
              "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
              "msgctxt \"start.txt\"\nmsgid \"始め\"\n"
              "msgstr \"The quick brown fox jumps over the lazy dog, then the fence.\"\n\n"
              "msgctxt \"start.txt\"\nmsgid \"短い\"\nmsgstr \"Yes\"\n\n"
              "msgctxt \"start.txt\"\nmsgid \"長い\"\n"
              "msgstr \"No, I would rather read the long answer here\"\n\n"
              "#, fuzzy\nmsgctxt \"start.txt\"\nmsgid \"終わり\"\nmsgstr \"The end\"\n");
  const std::string command = NEV_BINARY " render '" + story.path().string() + "' ";
  ASSERT_EQ(runProgram(command + "'" + out.path().string() + "' --lang en --choose 1").status, 0);
  const std::string log = out.read("events.jsonl");
  EXPECT_NE(log.find(R"("text":"The quick brown fox jumps over the lazy dog, then the fence.")"),
            std::string::npos) << log;
  EXPECT_NE(log.find(R"("event":"choice","count":2,"selected":1)"), std::string::npos) << log;
  // A fuzzy entry is not shown: the original stands.
  EXPECT_NE(log.find(R"("text":"終わり")"), std::string::npos) << log;

  const std::optional<PngPicture> wait = readPngFile((out.path() / "0001.png").string());
  const std::optional<PngPicture> choice = readPngFile((out.path() / "0002.png").string());
  ASSERT_TRUE(wait && choice);
  // The translation's picture stands in for the story's.
  EXPECT_EQ(wait->pixels[0], 0x00FF00u);
  // The line wraps into rows 16 pixels apart, inside the text window (the marker, after the
  // last row's last character, may reach past it as it always could).
  const Pixel white = 0xFFFFFF, yellow = 0xFFFF00;
  EXPECT_GT(inkIn(*wait, white, 8, 4, 148, 18), 20);
  EXPECT_GT(inkIn(*wait, white, 8, 20, 148, 34), 20);
  EXPECT_GT(inkIn(*wait, white, 8, 36, 148, 50), 20);
  EXPECT_EQ(inkIn(*wait, white, 148, 0, 160, 36), 0);
  EXPECT_EQ(inkIn(*wait, white, 0, 52, 160, 120), 0);
  // The second item wraps; the mouse, at its band's middle, lies below its first row, and the
  // whole item lights.
  EXPECT_GT(inkIn(*choice, yellow, 8, 68, 148, 82), 10);
  EXPECT_GT(inkIn(*choice, yellow, 8, 84, 148, 98), 10);

  // A warp in the translation starts at the first wait with its very frames, the translation's
  // picture included; the routes list the choice's items as its reader sees them.
  TempFolder warped, routes;
  ASSERT_EQ(runProgram(command + "'" + warped.path().string() +
                       "' --lang en --warp start.txt:3 --choose 1").status, 0);
  for (const char* frame : {"0001.png", "0002.png", "0003.png"}) {
    EXPECT_TRUE(warped.read(frame) == out.read(frame)) << frame;
  }
  ASSERT_EQ(runProgram(NEV_BINARY " routes '" + story.path().string() + "' '" +
                       routes.path().string() + "' --lang en").status, 0);
  const std::string listed = routes.read("routes.json");
  EXPECT_NE(listed.find(R"("items": ["Yes", "No, I would rather read the long answer here"])"),
            std::string::npos) << listed;

  // A save made in one language and loaded in the other: the saved pictures, the page typed
  // again in the reader's language.
  TempFolder original, loadedInEnglish, loadedInOriginal;
  const std::string toEnglish = (out.path() / "to-en.sav").string();
  const std::string toOriginal = (out.path() / "to-original.sav").string();
  ASSERT_EQ(runProgram(command + "'" + original.path().string() + "' --choose 1 --save-at 1:'" +
                       toEnglish + "'").status, 0);
  ASSERT_EQ(runProgram(command + "'" + refused.path().string() + "/en' --lang en --choose 1 "
                       "--save-at 1:'" + toOriginal + "'").status, 0);
  ASSERT_EQ(runProgram(command + "'" + loadedInEnglish.path().string() + "' --lang en --load '" +
                       toEnglish + "' --choose 1").status, 0);
  ASSERT_EQ(runProgram(command + "'" + loadedInOriginal.path().string() + "' --load '" +
                       toOriginal + "' --choose 1").status, 0);
  // The saved pictures are the translation's; the text is the original's alone.
  const std::optional<PngPicture> inOriginal =
      readPngFile((loadedInOriginal.path() / "0001.png").string());
  const std::optional<PngPicture> originalWait = readPngFile((original.path() / "0001.png").string());
  ASSERT_TRUE(inOriginal && originalWait);
  EXPECT_EQ(inOriginal->pixels[0], 0x00FF00u);
  EXPECT_EQ(inkIn(*inOriginal, white, 0, 0, 160, 120), inkIn(*originalWait, white, 0, 0, 160, 120));
  EXPECT_EQ(inkIn(*inOriginal, white, 0, 20, 160, 120), 0);
  const std::optional<PngPicture> english =
      readPngFile((loadedInEnglish.path() / "0001.png").string());
  ASSERT_TRUE(english);
  EXPECT_EQ(english->pixels[0], 0x0000FFu);
  EXPECT_GT(inkIn(*english, white, 8, 36, 148, 50), 20);

  // A code without a translation is refused before anything is written.
  const ProgramRun missing = runProgram(command + "'" + refused.path().string() + "/out' --lang xx");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("lang/xx/story.po"), std::string::npos) << missing.output;
}

// A translated character shows all its ink as it is typed, descenders below its cell too: the
// first wait's row is the row a later full repaint shows.
TEST(RenderTranslation, TypedCharactersShowAllTheirInk) {
  TempFolder story, out;
  story.write("nev.ini", storyIni({{9, "20"}, {11, "27"}}));
  story.write("start.txt", "one\n@I\ntwo\n");
  story.write("lang/en/story.po",
              "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
              "msgctxt \"start.txt\"\nmsgid \"one\"\nmsgstr \"gjpqy\"\n");
  ASSERT_EQ(runProgram(NEV_BINARY " render '" + story.path().string() + "' '" +
                       out.path().string() + "' --lang en").status, 0);
  const std::optional<PngPicture> typed = readPngFile((out.path() / "0001.png").string());
  const std::optional<PngPicture> repainted = readPngFile((out.path() / "0002.png").string());
  ASSERT_TRUE(typed && repainted);
  EXPECT_GT(inkIn(*typed, 0x800000, 0, 60, 40, 87), 0);
  for (int y = 60; y < 87; ++y) {
    for (int x = 0; x < 40; ++x) {
      const size_t at = size_t(y) * typed->width + x;
      ASSERT_EQ(typed->pixels[at], repainted->pixels[at]) << x << "," << y;
    }
  }
}

}  // namespace
