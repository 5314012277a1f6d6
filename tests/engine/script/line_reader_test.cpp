#include "engine/script/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_file.h"
#include "test_files.h"

namespace {

std::vector<std::string> readScript(const std::string& path, int32_t scrambledScripts) {
  TextFile file;
  EXPECT_TRUE(file.open(path, "r"));
  std::vector<std::string> lines;
  char buffer[kScriptLineSize];
  for (int length; (length = readScriptLine(buffer, kScriptLineSize, file, scrambledScripts)) > 0;) {
    lines.emplace_back(buffer, length);
  }
  return lines;
}

// The stored bytes of the scrambled form of `plain`.
std::string scrambled(const TempFolder& folder, const std::string& plain) {
  TextFile in, out;
  EXPECT_TRUE(in.open(folder.write("plain.txt", plain), "r"));
  EXPECT_TRUE(out.open((folder.path() / "plain.stx").string(), "w"));
  EXPECT_TRUE(scrambleScript(in, out));
  out.close();
  return folder.read("plain.stx");
}

struct ScrambleCase {
  const char* name;
  std::string plain;         // the plain file's bytes
  std::string stored;        // the scrambled file's bytes
  std::vector<std::string> readBack;  // lines read from the scrambled file, scrambledScripts 1
};

TEST(Scrambling, StoresAndReadsBackTheWorkedExamples) {
  const std::vector<ScrambleCase> cases = {
      {"one line", "abc\r\n", "bcd\x0b\r\n", {"abc\n\n"}},
      {"empty line", "\r\n", "\x0b\r\n", {"\n\n"}},
      {"last line without line feed", "abc", "bcd\r\n", {"abc\n"}},
      {"tab splits the stored line", "ab\tcd\r\n", "bc\r\nde\x0b\r\n", {"ab\n", "cd\n\n"}},
      {"0x19 ends the scrambled file", "ab\x19" "cd\r\nef\r\n", "bc\x1a" "de\x0b\r\nfg\x0b\r\n",
       {"ab"}},
      {"several lines", "@J a.txt,NULL;\r\nx\r\n", "AK!b/uyu-OVMM<\x0b\r\ny\x0b\r\n",
       {"@J a.txt,NULL;\n\n", "x\n\n"}},
  };
  TempFolder folder;
  for (const ScrambleCase& c : cases) {
    EXPECT_EQ(scrambled(folder, c.plain), c.stored) << c.name;
    EXPECT_EQ(readScript((folder.path() / "plain.stx").string(), 1), c.readBack) << c.name;
  }
}

TEST(Scrambling, ShiftJisAndPrintableAsciiSurvive) {
  TempFolder folder;
  std::string line;
  for (int byte = 0x20; byte <= 0xFC; ++byte) line += static_cast<char>(byte);
  line += sjis("雨上がりの駅に、最後の列車が着いた。");
  scrambled(folder, line + "\r\n");
  EXPECT_EQ(readScript((folder.path() / "plain.stx").string(), 1),
            std::vector<std::string>{line + "\n\n"});
}

TEST(Scrambling, ValuesOtherThanOneReadTheStoredBytes) {
  TempFolder folder;
  scrambled(folder, "abc\n");
  EXPECT_EQ(readScript((folder.path() / "plain.stx").string(), 2),
            std::vector<std::string>{"bcd\x0b\n"});
  EXPECT_EQ(readScript((folder.path() / "plain.stx").string(), 0),
            std::vector<std::string>{"bcd\x0b\n"});
}

TEST(Scrambling, ReadingShiftsOnlyUpToTheFirstLineFeed) {
  TempFolder folder;
  // A line that starts with a line feed is left as it is.
  EXPECT_EQ(readScript(folder.write("a.stx", "\nbcd\n"), 1),
            (std::vector<std::string>{"\n", "abc\n"}));
}

TEST(Scrambling, NothingIsLostForBytesAndLinesWithoutAStoredForm) {
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"byte 0xff", std::string("a\xff" "b\r\nc\r\n")},
      {"line of 1022 bytes", std::string(1021, 'x') + "\r\n"},
      {"line of 1023 bytes", std::string(1022, 'y') + "\r\n"},
      {"line of 1500 bytes", std::string(1499, 'z') + "\r\nend\r\n"},
      {"long last line", std::string(3000, 'w')},
  };
  TempFolder folder;
  for (const auto& [name, plain] : cases) {
    scrambled(folder, plain);
    TextFile in, out;
    ASSERT_TRUE(in.open((folder.path() / "plain.stx").string(), "r"));
    ASSERT_TRUE(out.open((folder.path() / "back.txt").string(), "w"));
    EXPECT_TRUE(unscrambleScript(in, out));
    out.close();
    EXPECT_EQ(folder.read("back.txt"), plain) << name;
  }
}

TEST(Scrambling, ByteFFReadsBackWhole) {
  TempFolder folder;
  scrambled(folder, "a\xff" "b\r\n");
  EXPECT_EQ(readScript((folder.path() / "plain.stx").string(), 1),
            std::vector<std::string>{"a\xff" "b\n\n"});
}

TEST(Scrambling, LinesOverTheLimitAreStoredInPiecesOf1022) {
  TempFolder folder;
  std::string plain = std::string(1499, 'z') + "\n";
  scrambled(folder, plain);
  std::vector<std::string> lines = readScript((folder.path() / "plain.stx").string(), 1);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(1022, 'z') + "\n");
  EXPECT_EQ(lines[1], std::string(477, 'z') + "\n\n");
}

TEST(PlainScripts, LongLinesComeInPiecesOf1023) {
  TempFolder folder;
  std::string path = folder.write("start.txt", std::string(1499, 'a') + "\r\nlast");
  std::vector<std::string> lines = readScript(path, 0);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(1023, 'a'));
  EXPECT_EQ(lines[1], std::string(476, 'a') + "\n");
  EXPECT_EQ(lines[2], "last");
}

}  // namespace
