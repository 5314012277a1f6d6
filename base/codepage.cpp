#include "base/codepage.h"

#include <iconv.h>

#include <cerrno>

namespace {

std::string convert(std::string_view input, const char* from, const char* to,
                    std::string_view replacement, bool skipContinuations, bool escape = false) {
  std::string output;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return output;

  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char chunk[256];
  while (inLeft > 0) {
    char* out = chunk;
    size_t outLeft = sizeof chunk;
    size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
    output.append(chunk, out - chunk);
    if (result == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one byte of the input and carry on.
      if (escape) {
        appendEscapedByte(output, static_cast<unsigned char>(*in));
      } else {
        output.append(replacement);
      }
      ++in;
      --inLeft;
      // A UTF-8 character that cannot be converted is skipped whole.
      while (skipContinuations && inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) {
        ++in;
        --inLeft;
      }
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return output;
}

}  // namespace

void appendEscapedByte(std::string& text, unsigned char byte) {
  static const char kHex[] = "0123456789ABCDEF";
  text += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
}

std::string cp932ToUtf8(std::string_view cp932) {
  return convert(cp932, "CP932", "UTF-8", "\xEF\xBF\xBD", false);
}

std::string cp932ToUtf8Escaped(std::string_view cp932) {
  return convert(cp932, "CP932", "UTF-8", "", false, true);
}

namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0: no overlong forms, no surrogates,
// nothing past U+10FFFF.
size_t utf8SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size() || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string validUtf8Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const size_t length = utf8SequenceLength(text, at);
    if (length == 0) {
      appendEscapedByte(out, static_cast<unsigned char>(text[at]));
      ++at;
    } else {
      out.append(text.substr(at, length));
      at += length;
    }
  }
  return out;
}

std::string printableText(std::string_view utf8) {
  std::string shown;
  for (char c : utf8) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      shown += "\\n";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (byte < 0x20 || byte == 0x7F) {
      appendEscapedByte(shown, byte);
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string printableHostText(std::string_view text) {
  return printableText(validUtf8Escaped(text));
}

std::string printableStoryText(std::string_view cp932) {
  return printableText(cp932ToUtf8Escaped(cp932));
}

std::string utf8ToCp932(std::string_view utf8) { return convert(utf8, "UTF-8", "CP932", "?", true); }
