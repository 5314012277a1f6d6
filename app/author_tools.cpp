#include "app/author_tools.h"

#include <cstdio>
#include <string>

#include "app/developer_menu.h"

int runScrambleCommand(int count, const char* const words[], bool scramble) {
  const char* name = scramble ? "scramble" : "unscramble";
  if (count != 2) {
    std::fprintf(stderr, "usage: nev %s %s OUT\n", name, scramble ? "PLAIN" : "STX");
    return 2;
  }
  const std::string input = words[0];
  const std::string output = words[1];
  if (isSameFile(input, output)) {
    std::fprintf(stderr, "nev %s: %s would be written over the file it is read from\n", name,
                 output.c_str());
    return 1;
  }
  const std::string failed = convertScriptFile(input, output, scramble);
  if (!failed.empty()) {
    std::fprintf(stderr, "nev %s: cannot %s %s\n", name, failed == input ? "read" : "write",
                 failed.c_str());
    return 1;
  }
  return 0;
}
