// A translation's language.ini: every byte sequence gives settings within their ranges or a
// problem on a line of the file.
#include <cstdlib>

#include "engine/translation/language_settings.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Problem problem;
  const std::string_view text = bytesOf(data, size);
  const std::optional<LanguageSettings> settings =
      readLanguageSettings(text, "language.ini", problem);
  if (!settings) {
    if (problem.fileLine < 1) std::abort();
    return 0;
  }
  if ((settings->size && *settings->size < 1) || (settings->lineSpacing && *settings->lineSpacing < 0)) {
    std::abort();
  }
  return 0;
}
