#include "authoring/check_text.h"

#include <string>
#include <string_view>

#include "base/codepage.h"

namespace {

bool isLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | c >> 6);
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xE0 | c >> 12);
    out += char(0x80 | (c >> 6 & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
  return out;
}

// The full-width character a reader would take for a one-byte one; empty for control bytes.
std::string fullWidthForm(unsigned char byte) {
  static constexpr std::u32string_view kKana =
      U"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘ"
      U"ホマミムメモヤユヨラリルレロワン゛゜";
  if (byte == 0x20) return utf8(U'　');
  if (byte > 0x20 && byte < 0x7F) return utf8(char32_t(0xFF01 + (byte - 0x21)));
  if (byte >= 0xA1 && byte <= 0xDF) return utf8(kKana[byte - 0xA1]);
  return {};
}

}  // namespace

void checkCellsInStep(StoryCheck& story, size_t script, int line, const char* text) {
  size_t offset = 0;
  int column = 0;
  int lastOneByteColumn = 0;
  unsigned char lastOneByte = 0;
  for (;;) {
    const auto byte = static_cast<unsigned char>(text[offset]);
    if (byte == '\0' || byte == '\n' || byte == '\r') return;
    ++column;
    const auto next = static_cast<unsigned char>(text[offset + 1]);
    if (!isLeadByte(byte) || next < 0x40 || next == 0x7F || next > 0xFC) {
      lastOneByteColumn = column;
      lastOneByte = byte;
      ++offset;
      continue;
    }
    if (offset % 2 == 1) break;
    offset += 2;
  }
  const std::string shown = printableStoryText(std::string_view(
      reinterpret_cast<const char*>(&lastOneByte), 1));
  const std::string fullWidth = fullWidthForm(lastOneByte);
  reportInScript(story, script, line, FindingSeverity::Warning,
                 "column " + std::to_string(lastOneByteColumn) + ": the one-byte \"" + shown +
                     "\" puts the characters after it out of step, as text is drawn two bytes a "
                     "cell" +
                     (fullWidth.empty() ? "" : "; write \"" + fullWidth + "\" instead"));
}
