#include "engine/script/arguments.h"

#include <limits>

namespace {

bool isSeparator(char c) { return c == ',' || c == ';'; }

bool isWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// Digits in `base` from `text`, clamped to the signed 32-bit range.
NumberReading readDigits(const char* text, int base, bool negative) {
  const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                 : int64_t{std::numeric_limits<int32_t>::max()};
  int64_t magnitude = 0;
  bool overflowed = false;
  for (; digitValue(*text) < base; ++text) {
    magnitude = magnitude * base + digitValue(*text);
    if (magnitude > limit) {
      magnitude = limit;
      overflowed = true;
    }
  }
  return {static_cast<int32_t>(negative ? -magnitude : magnitude), overflowed};
}

const char* skipSign(const char* text, bool& negative) {
  while (isWhiteSpace(*text)) ++text;
  negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  return text;
}

}  // namespace

char* nextArgument(char*& cursor) {
  char* start = cursor;
  while (*start != '\0' && isSeparator(*start)) ++start;
  if (*start == '\0') {
    cursor = start;
    return nullptr;
  }
  char* end = start;
  while (*end != '\0' && !isSeparator(*end)) ++end;
  if (*end != '\0') *end++ = '\0';
  cursor = end;
  return start;
}

NumberReading readDecimal(const char* text) {
  bool negative;
  text = skipSign(text, negative);
  return readDigits(text, 10, negative);
}

int32_t readRasterCode(const char* text) {
  bool negative;
  text = skipSign(text, negative);
  int base = 10;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && digitValue(text[2]) < 16) {
    base = 16;
    text += 2;
  } else if (text[0] == '0') {
    base = 8;
  }
  return readDigits(text, base, negative).value;
}
