#include "engine/script/arguments.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<std::string> split(std::string text) {
  std::vector<std::string> arguments;
  char* cursor = text.data();
  while (char* argument = nextArgument(cursor)) arguments.emplace_back(argument);
  return arguments;
}

struct SplitCase {
  std::string text;
  std::vector<std::string> arguments;
};

TEST(Arguments, SplitLikeStrtokOnCommaAndSemicolon) {
  const std::vector<SplitCase> cases = {
      {"0,0,bg.bmp,0xCC0020;\n", {"0", "0", "bg.bmp", "0xCC0020", "\n"}},
      {"0,0,bg.bmp,0xCC0020\n", {"0", "0", "bg.bmp", "0xCC0020\n"}},
      {",,;a", {"a"}},
      {"a,,,b", {"a", "b"}},
      {"a;;b;", {"a", "b"}},
      {"start.txt,NULL;", {"start.txt", "NULL"}},
      {"start.txt,NULL\n", {"start.txt", "NULL\n"}},
      {" 500\n", {" 500\n"}},
      {"0, bg.bmp ,x", {"0", " bg.bmp ", "x"}},
      {"", {}},
      {";,;", {}},
      {"\n", {"\n"}},
  };
  for (const SplitCase& c : cases) EXPECT_EQ(split(c.text), c.arguments) << c.text;
}

TEST(Arguments, SplittingWritesZerosIntoTheLine) {
  char line[] = "a,b;c";
  char* cursor = line;
  EXPECT_STREQ(nextArgument(cursor), "a");
  EXPECT_EQ(line[1], '\0');
  EXPECT_STREQ(nextArgument(cursor), "b");
  EXPECT_EQ(line[3], '\0');
  EXPECT_STREQ(nextArgument(cursor), "c");
  EXPECT_EQ(nextArgument(cursor), nullptr);
  EXPECT_EQ(nextArgument(cursor), nullptr);
}

struct NumberCase {
  const char* text;
  int32_t value;
  bool overflowed;
};

TEST(Arguments, ReadsNumbersTheAtoiWay) {
  const std::vector<NumberCase> cases = {
      {"640", 640, false},        {"640 幅\n", 640, false},   {"  -2", -2, false},
      {"+7", 7, false},           {"\t\n 12", 12, false},    {"", 0, false},
      {"abc", 0, false},          {"- 5", 0, false},         {"12abc34", 12, false},
      {"500\n", 500, false},      {"2147483647", 2147483647, false},
      {"-2147483648", INT32_MIN, false},
      {"2147483648", INT32_MAX, true},
      {"-2147483649", INT32_MIN, true},
      {"99999999999999999999", INT32_MAX, true},
      {"0x10", 0, false},         {"010", 10, false},
  };
  for (const NumberCase& c : cases) {
    NumberReading reading = readDecimal(c.text);
    EXPECT_EQ(reading.value, c.value) << c.text;
    EXPECT_EQ(reading.overflowed, c.overflowed) << c.text;
    EXPECT_EQ(readNumber(c.text), c.value) << c.text;
  }
}

TEST(Arguments, ReadsRasterCodesLikeA32BitStrtol) {
  const std::vector<std::pair<const char*, int32_t>> cases = {
      {"13369376", 0xCC0020},   {"0xCC0020", 0xCC0020}, {"0xcc0020", 0xCC0020},
      {"0XCC0020\n", 0xCC0020}, {"0x00EE0086", 0xEE0086}, {"010", 8},
      {"09", 0},                {"0x", 0},              {"0xg", 0},
      {"", 0},                  {"abc", 0},             {" -0x10", -16},
      {"0xFFFFFFFF", INT32_MAX},  // Windows' long is 32 bits: clamped, not wrapped
      {"-0x80000000", INT32_MIN}, {"-0x80000001", INT32_MIN},
      {"4294967296", INT32_MAX},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(readRasterCode(text), value) << text;
}

}  // namespace
