// BMP files: decoded within the pixel budget, or refused; never a crash or a runaway.
#include "base/bitmap_file.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  loadBitmapFile(writeFuzzFile("picture.bmp", bytesOf(data, size)));
  return 0;
}
