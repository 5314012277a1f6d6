#include "base/text_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_files.h"

namespace {

std::vector<std::string> readAllLines(const std::string& path, int size) {
  TextFile file;
  EXPECT_TRUE(file.open(path, "r"));
  std::vector<std::string> lines;
  std::vector<char> buffer(size);
  for (int length; (length = file.readLine(buffer.data(), size)) > 0;) {
    EXPECT_EQ(buffer[length], '\0');
    lines.emplace_back(buffer.data(), length);
  }
  return lines;
}

struct ReadCase {
  const char* name;
  std::string bytes;
  int size;
  std::vector<std::string> lines;
};

TEST(TextFile, ReadsWithWindowsTextModeRules) {
  const std::vector<ReadCase> cases = {
      {"crlf becomes lf", "ab\r\ncd\r\n", 64, {"ab\n", "cd\n"}},
      {"lf alone ends a line", "ab\ncd", 64, {"ab\n", "cd"}},
      {"lone cr stays", "a\rb\r\n", 64, {"a\rb\n"}},
      {"cr cr lf keeps the first cr", "a\r\r\n", 64, {"a\r\n"}},
      {"cr at the end of the file stays", "a\r", 64, {"a\r"}},
      {"0x1a ends the file", "ab\r\ncd\x1a" "ef\r\n", 64, {"ab\n", "cd"}},
      {"cr before 0x1a stays", "a\r\x1a\n", 64, {"a\r"}},
      {"0x1a at the start", "\x1a" "abc", 64, {}},
      {"empty file", "", 64, {}},
      {"long line in pieces", "abcdefg\r\n", 4, {"abc", "def", "g\n"}},
      {"piece ending on cr lf", "abc\r\nd", 4, {"abc", "\n", "d"}},
      {"empty lines", "\r\n\n", 64, {"\n", "\n"}},
      {"nul bytes are data", std::string("a\0b\n", 4), 64, {std::string("a\0b\n", 4)}},
  };
  TempFolder folder;
  for (const ReadCase& c : cases) {
    std::string path = folder.write("case.txt", c.bytes);
    EXPECT_EQ(readAllLines(path, c.size), c.lines) << c.name;
  }
}

TEST(TextFile, EndOfFileLeavesTheBufferAlone) {
  TempFolder folder;
  TextFile file;
  ASSERT_TRUE(file.open(folder.write("a.txt", "x"), "r"));
  char buffer[8] = "zzzzzzz";
  EXPECT_EQ(file.readLine(buffer, 8), 1);
  std::string before(buffer, 8);
  EXPECT_EQ(file.readLine(buffer, 8), 0);
  EXPECT_EQ(std::string(buffer, 8), before);
}

TEST(TextFile, WritesLineFeedsAsCrLf) {
  TempFolder folder;
  {
    TextFile file;
    ASSERT_TRUE(file.open((folder.path() / "out.txt").string(), "w"));
    const std::string text("a\nb\r\n\n", 6);
    EXPECT_TRUE(file.write(text.data(), text.size()));
  }
  EXPECT_EQ(folder.read("out.txt"), "a\r\nb\r\r\n\r\n");
}

TEST(TextFile, MissingFileDoesNotOpen) {
  TempFolder folder;
  TextFile file;
  EXPECT_FALSE(file.open((folder.path() / "missing.txt").string(), "r"));
  char buffer[8];
  EXPECT_EQ(file.readLine(buffer, 8), 0);
}

}  // namespace
