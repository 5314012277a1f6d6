// TrueType glyph fonts: cut or refused, never a crash; a cut font cuts again to itself.
#include <cstdlib>

#include "base/font_subset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::set<char32_t> wanted = {U'A', U'B', U'~', U'▼', U'雨'};
  Problem problem;
  const std::optional<std::string> cut =
      subsetFont(std::string_view(reinterpret_cast<const char*>(data), size), wanted, problem);
  if (cut && subsetFont(*cut, wanted, problem) != cut) std::abort();
  return 0;
}
