#include "base/text_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_files.h"

namespace {

TEST(TextFile, ReadsWithWindowsTextModeRules) {
  const std::vector<std::tuple<std::string, int, std::vector<std::string>>> cases = {
      {"ab\r\ncd\r\n", 64, {"ab\n", "cd\n"}},
      {"ab\ncd", 64, {"ab\n", "cd"}},
      {"a\rb\r\n", 64, {"a\rb\n"}},  // a lone CR stays
      {"a\r\r\n", 64, {"a\r\n"}},
      {"ab\r\ncd\x1a" "ef\r\n", 64, {"ab\n", "cd"}},  // 0x1A ends the file
      {"a\r\x1a\n", 64, {"a\r"}},
      {"\x1a" "abc", 64, {}},
      {"", 64, {}},
      {"abcdefg\r\n", 4, {"abc", "def", "g\n"}},  // a long line in pieces
      {"abc\r\nd", 4, {"abc", "\n", "d"}},
      {"ab", 1, {}},
      {"\r\n\n", 64, {"\n", "\n"}},
      {std::string("a\0b\n", 4), 64, {std::string("a\0b\n", 4)}}};
  TempFolder folder;
  for (const auto& [bytes, size, expected] : cases) {
    TextFile file;
    ASSERT_TRUE(file.open(folder.write("case.txt", bytes), "r"));
    std::vector<std::string> lines;
    std::vector<char> buffer(size + 1, 'z');
    for (int length; (length = file.readLine(buffer.data(), size)) > 0;) {
      EXPECT_EQ(buffer[length], '\0') << bytes;
      lines.emplace_back(buffer.data(), length);
    }
    EXPECT_EQ(lines, expected) << bytes;
    const std::vector<char> atTheEnd = buffer;  // the end leaves the buffer as it was
    EXPECT_EQ(file.readLine(buffer.data(), size), 0) << bytes;
    EXPECT_EQ(buffer, atTheEnd) << bytes;
  }
}

}  // namespace
