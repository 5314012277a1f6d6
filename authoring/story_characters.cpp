#include "authoring/story_characters.h"

#include <string_view>

#include "base/codepage.h"
#include "base/story_files.h"
#include "base/text_file.h"
#include "engine/script/line_reader.h"
#include "engine/story_files.h"
#include "engine/text/text_output.h"

namespace {

void addCharacters(std::string_view cp932, std::set<char32_t>& characters) {
  const std::string text = cp932ToUtf8(cp932);
  for (size_t at = 0; at < text.size();) {
    const auto lead = static_cast<uint8_t>(text[at]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (at + length > text.size()) break;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) point = point << 6 | (static_cast<uint8_t>(text[at + i]) & 0x3F);
    if (point != 0xFFFD && point >= 0x20) characters.insert(point);
    at += length;
  }
}

}  // namespace

bool isScriptName(const std::string& name) {
  const std::string folded = foldAsciiCase(name);
  return folded.ends_with(".txt") || folded.ends_with(".stx");
}

std::set<char32_t> charactersStoryDraws(const StoryFiles& files,
                                        const std::vector<std::string>& scriptNames) {
  std::set<char32_t> characters;
  for (char32_t point = 0x20; point < 0x7F; ++point) characters.insert(point);
  addCharacters(kWaitMarker, characters);
  for (const std::string& name : scriptNames) {
    TextFile script;
    if (!isScriptName(name) || !files.openScript(name, script)) continue;
    const int32_t scrambled = foldAsciiCase(name).ends_with(".stx") ? 1 : 0;
    char line[kScriptLineSize];
    for (int length; (length = readScriptLine(line, kScriptLineSize, script, scrambled)) > 0;) {
      const std::string_view bytes(line, static_cast<size_t>(length));
      for (size_t at = 0; at < bytes.size(); ++at) addCharacters(bytes.substr(at, 2), characters);
    }
  }
  return characters;
}
