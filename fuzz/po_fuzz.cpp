// Translation PO files: every byte sequence is read into entries or refused with a problem, and
// what is read is written back into a file that reads the same.
#include <cstdlib>

#include "base/po_file.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Problem problem;
  const std::optional<PoFile> file = readPoFile(bytesOf(data, size), "story.po", problem);
  if (!file) return 0;
  const std::string written = writePoFile(*file);
  const std::optional<PoFile> again = readPoFile(written, "story.po", problem);
  if (!again || writePoFile(*again) != written) std::abort();
  return 0;
}
