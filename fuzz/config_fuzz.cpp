// nev.ini: every byte sequence is read into a GameConfig or refused with a problem.
#include "base/text_file.h"
#include "engine/config.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = writeFuzzFile("nev.ini", bytesOf(data, size));
  TextFile file;
  if (!file.open(path, "r")) return 0;
  GameConfig config;
  parseConfig(file, config);
  return 0;
}
