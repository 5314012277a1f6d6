// The code page 932 tables against the host's iconv, used as the player once used it: one call
// over the whole input, and at a fault one replacement for the byte there before going on.

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/codepage.h"

namespace {

template <typename Replace>
std::string iconvReference(iconv_t cd, std::string_view input, Replace replace, bool wholeCharacter) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string output;
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  while (inLeft > 0) {
    char chunk[64];
    char* out = chunk;
    size_t outLeft = sizeof chunk;
    const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
    output.append(chunk, out - chunk);
    if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
    replace(output, static_cast<unsigned char>(*in));
    for (++in, --inLeft; wholeCharacter && inLeft > 0 && (*in & 0xC0) == 0x80; ++in) --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return output;
}

std::string utf8Of(uint32_t c) {
  const auto tail = [](uint32_t bits) { return static_cast<char>(0x80 | (bits & 0x3F)); };
  if (c < 0x80) return {static_cast<char>(c)};
  if (c < 0x800) return {static_cast<char>(0xC0 | c >> 6), tail(c)};
  if (c < 0x10000) return {static_cast<char>(0xE0 | c >> 12), tail(c >> 6), tail(c)};
  return {static_cast<char>(0xF0 | c >> 18), tail(c >> 12), tail(c >> 6), tail(c)};
}

TEST(CodePage, DecodesAndEncodesEveryInputAsIconv) {
  iconv_t decoder = iconv_open("UTF-8", "CP932");
  iconv_t encoder = iconv_open("CP932", "UTF-8");
  ASSERT_NE(decoder, reinterpret_cast<iconv_t>(-1));
  ASSERT_NE(encoder, reinterpret_cast<iconv_t>(-1));
  const auto replacement = [](std::string& text, unsigned char) { text += "\xEF\xBF\xBD"; };
  const auto question = [](std::string& text, unsigned char) { text += '?'; };
  // Faults amid text, a lead byte at the end, the NEC and IBM duplicates, and UTF-8 that is
  // overlong, a surrogate, past U+10FFFF, cut short, unencodable with stray continuations, a tag.
  std::vector<std::string> inputs = {
      "\x82\xA0\xFF\x82\xA2", "\x81\x20\x82\xA0\x81", "A\x85\x40\xA0\xFD\x87\x40\xED\x40\xFA\x40\x5C\x7E",
      "a\xC0\x80\xE0\x81\x81" "b", "\xED\xA0\x80x\xF4\x90\x80\x80", "\xE3\x81\x41\xE3\x81",
      "\xF0\x9F\x98\x80\x80\x80y\xF3\xA0\x80\x81z\xF8\x88\x80\x80\x80\xEF\xBB\xBF" "a\xE2\x91\xA0"};
  for (unsigned first = 0; first < 256; ++first) {
    inputs.push_back(std::string(1, static_cast<char>(first)));
    for (unsigned second = 0; second < 256; ++second) {
      inputs.push_back({static_cast<char>(first), static_cast<char>(second)});
    }
  }
  for (const std::string& input : inputs) {
    ASSERT_EQ(cp932ToUtf8(input), iconvReference(decoder, input, replacement, false)) << printableHostText(input);
    ASSERT_EQ(cp932ToUtf8Escaped(input), iconvReference(decoder, input, appendEscapedByte, false))
        << printableHostText(input);
    ASSERT_EQ(utf8ToCp932(input), iconvReference(encoder, input, question, true)) << printableHostText(input);
  }
  for (uint32_t c = 0; c <= 0x10FFFF; c += c == 0xD7FF ? 0x801 : 1) {
    ASSERT_EQ(utf8ToCp932(utf8Of(c)), iconvReference(encoder, utf8Of(c), question, true)) << c;
  }
  iconv_close(decoder);
  iconv_close(encoder);
}

}  // namespace
