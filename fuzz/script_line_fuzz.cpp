// Script lines, plain and scrambled, cut into arguments and read as numbers and raster codes.
#include "base/text_file.h"
#include "engine/script/arguments.h"
#include "engine/script/commands.h"
#include "engine/script/line_reader.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the form and the size of the reader's buffer.
  const int32_t scrambled = data[0] & 1;
  const int bufferSize = 2 + (data[0] >> 1) * 8;
  const std::string path = writeFuzzFile("start.txt", bytesOf(data + 1, size - 1));
  TextFile script;
  if (!script.open(path, "r")) return 0;
  char line[kScriptLineSize];
  const int size32 = bufferSize < kScriptLineSize ? bufferSize : kScriptLineSize;
  while (readScriptLine(line, size32, script, scrambled) > 0) {
    if (line[0] == '@' && line[1] != '\0') commandForLetter(line[1]);
    char* cursor = line;
    while (char* argument = nextArgument(cursor)) {
      readNumber(argument);
      readRasterCode(argument);
    }
  }
  return 0;
}
