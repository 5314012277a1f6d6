#pragma once
// Arguments of a command line: cut at "," and ";" the way strtok cuts them, read as numbers
// the way atoi and a 32-bit strtol read them.

#include <cstdint>

// Cuts the next argument from `cursor` and moves the cursor past it. Separators before it are
// skipped, a run of them counts as one, and the separator after it becomes a zero byte.
// Returns nullptr when no argument is left. Blanks and line feeds belong to the argument.
char* nextArgument(char*& cursor);

struct NumberReading {
  int32_t value = 0;
  bool overflowed = false;  // the value was clamped to the 32-bit range
};

// atoi: leading white space, an optional sign, decimal digits up to the first other byte.
// No digits gives 0; a number beyond 32 bits gives the nearest limit.
NumberReading readDecimal(const char* text);
inline int32_t readNumber(const char* text) { return readDecimal(text).value; }

// strtol with base 0 and a 32-bit long: "0x" hexadecimal, a leading "0" octal, else decimal.
int32_t readRasterCode(const char* text);
