#include "base/codepage.h"

#include <algorithm>
#include <cstdint>

#include "base/cp932_tables.h"

namespace {

namespace tables = codepage932;

// Writes a BMP code point's UTF-8 form at `out`; returns where it ends.
char* writeUtf8(char* out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    *out++ = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    *out++ = static_cast<char>(0xC0 | codePoint >> 6);
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    *out++ = static_cast<char>(0xE0 | codePoint >> 12);
    *out++ = static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return out;
}

// Writes a byte as the four characters "\xNN"; returns where they end.
char* writeEscapedByte(char* out, unsigned char byte) {
  static const char kHex[] = "0123456789ABCDEF";
  *out++ = '\\';
  *out++ = 'x';
  *out++ = kHex[byte >> 4];
  *out++ = kHex[byte & 15];
  return out;
}

enum class Undecodable { Replaced, Escaped };

// A byte that starts no character becomes U+FFFD or "\xNN", and decoding goes on at the next
// byte: a lead byte's trail may start a character of its own.
std::string decodeCp932(std::string_view cp932, Undecodable undecodable) {
  static constexpr size_t kMostPerByte = 4;
  std::string utf8(cp932.size() * kMostPerByte, '\0');
  char* out = utf8.data();
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(cp932[i]); };
  for (size_t at = 0; at < cp932.size();) {
    const unsigned char lead = byte(at);
    if (at + 1 < cp932.size()) {
      const tables::LeadRow& row = tables::kLeadRows[lead];
      const unsigned char trail = byte(at + 1);
      if (trail >= row.firstTrail && trail <= row.lastTrail) {
        const uint16_t codePoint = tables::kDoubleByte[row.offset + trail - row.firstTrail];
        if (codePoint != tables::kNoDoubleByte) {
          out = writeUtf8(out, codePoint);
          at += 2;
          continue;
        }
      }
    }
    const uint16_t codePoint = tables::kSingleByte[lead];
    if (codePoint != tables::kNoSingleByte) {
      out = writeUtf8(out, codePoint);
    } else if (undecodable == Undecodable::Escaped) {
      out = writeEscapedByte(out, lead);
    } else {
      out = writeUtf8(out, 0xFFFD);
    }
    ++at;
  }
  utf8.resize(out - utf8.data());
  return utf8;
}

}  // namespace

void appendEscapedByte(std::string& text, unsigned char byte) {
  char escaped[4];
  text.append(escaped, writeEscapedByte(escaped, byte));
}

std::string cp932ToUtf8(std::string_view cp932) {
  return decodeCp932(cp932, Undecodable::Replaced);
}

std::string cp932ToUtf8Escaped(std::string_view cp932) {
  return decodeCp932(cp932, Undecodable::Escaped);
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

namespace {

uint32_t codePointAt(std::string_view utf8, size_t at, size_t length) {
  static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  uint32_t codePoint = static_cast<unsigned char>(utf8[at]) & kLeadBits[length];
  for (size_t i = 1; i < length; ++i) codePoint = codePoint << 6 | (utf8[at + i] & 0x3F);
  return codePoint;
}

// The code page 932 form of a code point (one byte, or lead << 8 | trail), or -1.
int32_t encodedForm(uint32_t codePoint) {
  const uint16_t* const first = tables::kEncodedCodePoints;
  const uint16_t* const end = first + tables::kEncodedCount;
  // Code points that index themselves (the ASCII the table starts with) need no search.
  const uint16_t* const found = codePoint < tables::kEncodedCount && first[codePoint] == codePoint
                                    ? first + codePoint
                                    : std::lower_bound(first, end, codePoint);
  if (codePoint > 0xFFFF || found == end || *found != codePoint) return -1;
  return tables::kEncodedForms[found - first];
}

}  // namespace

std::string utf8ToCp932(std::string_view utf8) {
  std::string cp932;
  cp932.reserve(utf8.size());
  for (size_t at = 0; at < utf8.size();) {
    const size_t length = utf8SequenceLength(utf8, at);
    const uint32_t codePoint = length == 0 ? 0 : codePointAt(utf8, at, length);
    const int32_t form = length == 0 ? -1 : encodedForm(codePoint);
    if (form >= 0) {
      if (form > 0xFF) cp932 += static_cast<char>(form >> 8);
      cp932 += static_cast<char>(form & 0xFF);
      at += length;
    } else if (length != 0 && codePoint >= tables::kFirstDropped && codePoint <= tables::kLastDropped) {
      at += length;  // tag characters vanish without a "?"
    } else {
      // A character without a form, or bytes that are not UTF-8, are skipped whole.
      cp932 += '?';
      ++at;
      while (at < utf8.size() && (static_cast<unsigned char>(utf8[at]) & 0xC0) == 0x80) ++at;
    }
  }
  return cp932;
}
