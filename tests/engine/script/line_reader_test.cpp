#include "engine/script/line_reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/text_file.h"
#include "test_files.h"

using Lines = std::vector<std::string>;

// The lines a story with scrambledScripts 1 reads from `path`.
static Lines readScrambled(const std::string& path) {
  TextFile file;
  EXPECT_TRUE(file.open(path, "r"));
  Lines lines;
  char buffer[kScriptLineSize];
  for (int length; (length = readScriptLine(buffer, kScriptLineSize, file, 1)) > 0;) {
    EXPECT_EQ(std::strlen(buffer), size_t(length));
    lines.emplace_back(buffer, length);
  }
  return lines;
}

// Writes `from` through `convert` into `to`, both in `folder`; returns what `to` holds.
template <typename Convert>
static std::string converted(const TempFolder& folder, const std::string& from,
                             const std::string& to, Convert convert) {
  TextFile in, out;
  EXPECT_TRUE(in.open((folder.path() / from).string(), "r") &&
              out.open((folder.path() / to).string(), "w") && convert(in, out) && out.close());
  return folder.read(to);
}

TEST(Scrambling, StoresReadsAndGivesBackEachLine) {
  const std::string x1021(1021, 'x'), z1022(1022, 'z'), w1022(1022, 'w');
  // {plain, stored bytes (empty: not checked), lines read with scrambledScripts 1, unscrambled
  // (empty: the plain bytes)}
  const std::vector<std::tuple<std::string, std::string, Lines, std::string>> cases = {
      {"abc\r\n", "bcd\x0b\r\n", {"abc\n\n"}, ""}, {"\r\n", "\x0b\r\n", {"\n\n"}, ""},
      {"abc", "bcd\r\n", {"abc\n"}, ""},  // a last line without its line feed
      {"@J a,NULL;\r\nx\r\n", "AK!b-OVMM<\x0b\r\ny\x0b\r\n", {"@J a,NULL;\n\n", "x\n\n"}, ""},
      {"a\xff" "b\r\nc\r\n", std::string("b\0c\x0b\r\nd\x0b\r\n", 10),  // 0xff stored as 0
       {"a\xff" "b\n\n", "c\n\n"}, ""},
      // Bytes that do not survive: a tab becomes a line feed, 0x19 the end of the file.
      {"ab\tcd\r\n", "bc\r\nde\x0b\r\n", {"ab\n", "cd\n\n"}, "abcd\r\n"},
      {"a\x19" "cd\r\nef\r\n", "b\x1a" "de\x0b\r\nfg\x0b\r\n", {"a"}, "a"},
      // Lines longer than a stored line go in pieces of 1022 bytes.
      {x1021 + "\r\n", "", {x1021 + "\n\n"}, ""}, {z1022 + "\r\n", "", {z1022 + "\n", "\n\n"}, ""},
      {z1022 + z1022.substr(545) + "\r\nend\r\n", "",
       {z1022 + "\n", z1022.substr(545) + "\n\n", "end\n\n"}, ""},
      {w1022 + w1022 + w1022.substr(66), "",
       {w1022 + "\n", w1022 + "\n", w1022.substr(66) + "\n"}, ""},
  };
  for (const auto& [plain, stored, readBack, back] : cases) {
    TempFolder folder;
    folder.write("start.txt", plain);
    const std::string scrambled = converted(folder, "start.txt", "start.stx", scrambleScript);
    if (!stored.empty()) {
      EXPECT_EQ(scrambled, stored) << plain;
    }
    EXPECT_EQ(readScrambled((folder.path() / "start.stx").string()), readBack) << plain;
    EXPECT_EQ(converted(folder, "start.stx", "back.txt", unscrambleScript),
              back.empty() ? plain : back);
  }
}
