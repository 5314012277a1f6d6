// Story zips: refused, or every file found by its own name and unpacked within the limits,
// never past them; never a crash or a runaway.
#include <cstdlib>

#include "base/text_file.h"
#include "engine/zip_story_files.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ZipLimits limits{16u << 20, 64u << 20};
  Problem problem;
  const std::shared_ptr<const ZipArchive> archive =
      openZipArchive(std::string(bytesOf(data, size)), "fuzz.zip", limits, problem);
  if (!archive) return 0;
  for (const ZipEntry& entry : archive->entries()) {
    const std::optional<std::string> bytes = archive->extract(entry, problem);
    if (bytes && (bytes->size() != entry.size || bytes->size() > limits.largestEntry)) std::abort();
  }
  const ZipStoryFiles files(archive, "fuzz.zip");
  for (const std::string& name : files.list()) {
    if (!files.resolve(name)) std::abort();
    files.problem(name, "");
    TextFile script;
    char line[256];
    if (files.openScript(name, script)) {
      while (script.readLine(line, sizeof line) > 0) {
      }
    }
  }
  return 0;
}
