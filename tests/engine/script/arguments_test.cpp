#include "engine/script/arguments.h"

#include <gtest/gtest.h>

TEST(Arguments, SplitLikeStrtokOnCommaAndSemicolon) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"0,0,bg.bmp,0xCC0020;\n", {"0", "0", "bg.bmp", "0xCC0020", "\n"}},
      {"0,0,bg.bmp,0xCC0020\n", {"0", "0", "bg.bmp", "0xCC0020\n"}},
      {",,;a", {"a"}}, {"a,,,b", {"a", "b"}}, {"a;;b;", {"a", "b"}}, {" 500\n", {" 500\n"}},
      {"0, bg.bmp ,x", {"0", " bg.bmp ", "x"}}, {"", {}}, {";,;", {}}, {"\n", {"\n"}},
  };
  for (auto [text, arguments] : cases) {
    std::vector<std::string> got;
    char* cursor = text.data();
    while (char* argument = nextArgument(cursor)) got.emplace_back(argument);
    EXPECT_EQ(got, arguments) << text;
  }
}

TEST(Arguments, ReadsNumbersTheAtoiWay) {
  // {text, value, overflowed}
  const std::vector<std::tuple<const char*, int32_t, bool>> cases = {
      {"640 幅\n", 640, false}, {"  -2", -2, false}, {"+7", 7, false}, {"\t\n 12", 12, false},
      {"\v\f\r12", 12, false}, {"", 0, false}, {"abc", 0, false}, {"- 5", 0, false},
      {"12abc34", 12, false}, {"0x10", 0, false}, {"010", 10, false},
      {"2147483647", INT32_MAX, false}, {"-2147483648", INT32_MIN, false},
      {"2147483648", INT32_MAX, true}, {"-2147483649", INT32_MIN, true},
      {"99999999999999999999", INT32_MAX, true},
  };
  for (const auto& [text, value, overflowed] : cases) {
    const NumberReading reading = readDecimal(text);
    EXPECT_EQ(reading.value, value) << text;
    EXPECT_EQ(reading.overflowed, overflowed) << text;
  }
}

TEST(Arguments, ReadsRasterCodesLikeA32BitStrtol) {
  const std::vector<std::pair<const char*, int32_t>> cases = {
      {"13369376", 0xCC0020}, {"0xcc0020", 0xCC0020}, {"0XCC0020\n", 0xCC0020}, {"0xa", 10},
      {"0XA", 10}, {"010", 8}, {"09", 0}, {"0x", 0}, {"0xg", 0}, {"", 0}, {" -0x10", -16},
      {"0xFFFFFFFF", INT32_MAX},  // Windows' long is 32 bits: clamped, not wrapped
      {"-0x80000000", INT32_MIN}, {"-0x80000001", INT32_MIN}, {"4294967296", INT32_MAX},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(readRasterCode(text), value) << text;
}
