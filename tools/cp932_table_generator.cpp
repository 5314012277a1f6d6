// Writes the code page 932 tables of base/cp932_tables.h as a C++ source file, from what the
// build host's iconv makes of every one- and two-byte sequence and of every Unicode scalar
// value. Run by the build for the build host:  cp932_table_generator OUTPUT.cpp
// It stops with a message when iconv behaves in a way the tables cannot describe.

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

enum class Outcome { Converted, Incomplete, Invalid };

struct Conversion {
  Outcome outcome = Outcome::Invalid;
  size_t consumed = 0;
  std::string output;
};

// One call of iconv on the whole input, from the initial state.
Conversion convert(iconv_t cd, const std::string& input) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char buffer[16];
  char* out = buffer;
  size_t outLeft = sizeof buffer;
  const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
  Conversion conversion;
  conversion.consumed = input.size() - inLeft;
  conversion.output.assign(buffer, out - buffer);
  if (result != static_cast<size_t>(-1)) {
    conversion.outcome = Outcome::Converted;
  } else {
    conversion.outcome = errno == EINVAL ? Outcome::Incomplete : Outcome::Invalid;
  }
  return conversion;
}

uint32_t littleEndian32(const std::string& bytes) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
  return value;
}

bool fail(const char* what, unsigned value) {
  std::fprintf(stderr, "cp932_table_generator: %s (0x%X)\n", what, value);
  return false;
}

struct Tables {
  std::vector<uint16_t> singleByte = std::vector<uint16_t>(256, 0xFFFF);
  std::vector<unsigned> firstTrail = std::vector<unsigned>(256, 1);
  std::vector<unsigned> lastTrail = std::vector<unsigned>(256, 0);
  std::vector<unsigned> offset = std::vector<unsigned>(256, 0);
  std::vector<uint16_t> doubleByte;
  std::vector<uint16_t> encodedCodePoints;
  std::vector<uint16_t> encodedForms;
  uint32_t firstDropped = 1, lastDropped = 0;
};

// The code point a decoding made, if it made exactly one that fits the tables.
bool oneCodePoint(const Conversion& conversion, size_t length, uint32_t& codePoint) {
  if (conversion.outcome != Outcome::Converted || conversion.consumed != length ||
      conversion.output.size() != 4) {
    return false;
  }
  codePoint = littleEndian32(conversion.output);
  return codePoint < 0xFFFF;
}

bool readDecoding(iconv_t decoder, Tables& tables) {
  for (unsigned lead = 0; lead < 256; ++lead) {
    const Conversion alone = convert(decoder, std::string(1, static_cast<char>(lead)));
    uint32_t codePoint = 0;
    if (alone.outcome == Outcome::Invalid) continue;
    if (alone.outcome == Outcome::Converted) {
      if (!oneCodePoint(alone, 1, codePoint)) return fail("a byte decodes to no single BMP character", lead);
      tables.singleByte[lead] = static_cast<uint16_t>(codePoint);
      continue;
    }
    std::vector<uint16_t> row(256, 0);
    for (unsigned trail = 0; trail < 256; ++trail) {
      const Conversion pair = convert(decoder, {static_cast<char>(lead), static_cast<char>(trail)});
      if (pair.outcome == Outcome::Invalid && pair.consumed == 0) continue;
      if (!oneCodePoint(pair, 2, codePoint) || codePoint == 0) {
        return fail("a two-byte sequence decodes to no single BMP character", lead << 8 | trail);
      }
      row[trail] = static_cast<uint16_t>(codePoint);
      if (tables.firstTrail[lead] > tables.lastTrail[lead]) tables.firstTrail[lead] = trail;
      tables.lastTrail[lead] = trail;
    }
    tables.offset[lead] = static_cast<unsigned>(tables.doubleByte.size());
    for (unsigned trail = tables.firstTrail[lead]; trail <= tables.lastTrail[lead]; ++trail) {
      tables.doubleByte.push_back(row[trail]);
    }
  }
  if (tables.doubleByte.size() > 0xFFFF) return fail("the two-byte table outgrows its index", 0);
  return true;
}

bool readEncoding(iconv_t encoder, Tables& tables) {
  for (uint32_t codePoint = 0; codePoint <= 0x10FFFF; ++codePoint) {
    if (codePoint >= 0xD800 && codePoint <= 0xDFFF) continue;
    std::string scalar(4, '\0');
    for (int i = 0; i < 4; ++i) scalar[i] = static_cast<char>(codePoint >> (8 * i));
    const Conversion encoded = convert(encoder, scalar);
    if (encoded.outcome == Outcome::Invalid && encoded.consumed == 0) continue;
    const std::string& form = encoded.output;
    if (encoded.outcome == Outcome::Converted && encoded.consumed == 4 && form.empty()) {
      if (tables.firstDropped > tables.lastDropped) {
        tables.firstDropped = codePoint;
      } else if (tables.lastDropped + 1 != codePoint) {
        return fail("the characters encoded as nothing are not one range", codePoint);
      }
      tables.lastDropped = codePoint;
      continue;
    }
    const bool fits = encoded.outcome == Outcome::Converted && encoded.consumed == 4 &&
                      codePoint <= 0xFFFF &&
                      (form.size() == 1 || (form.size() == 2 && static_cast<unsigned char>(form[0]) >= 0x80));
    if (!fits) return fail("a character encodes to something other than one or two bytes", codePoint);
    tables.encodedCodePoints.push_back(static_cast<uint16_t>(codePoint));
    uint16_t value = 0;
    for (char byte : form) value = static_cast<uint16_t>(value << 8 | static_cast<unsigned char>(byte));
    tables.encodedForms.push_back(value);
  }
  return true;
}

void writeArray(FILE* file, const char* declaration, const std::vector<uint16_t>& values) {
  std::fprintf(file, "%s = {", declaration);
  for (size_t i = 0; i < values.size(); ++i) {
    std::fprintf(file, "%s0x%04X,", i % 12 == 0 ? "\n   " : " ", values[i]);
  }
  std::fprintf(file, "\n};\n\n");
}

bool writeTables(const char* path, const Tables& tables) {
  FILE* file = std::fopen(path, "w");
  if (!file) return fail("cannot write the output file", 0);
  std::fprintf(file,
               "// Generated by tools/cp932_table_generator.cpp from the build host's iconv.\n"
               "#include \"base/cp932_tables.h\"\n\nnamespace codepage932 {\n\n");
  writeArray(file, "const uint16_t kSingleByte[256]", tables.singleByte);
  std::fprintf(file, "const LeadRow kLeadRows[256] = {");
  for (unsigned lead = 0; lead < 256; ++lead) {
    std::fprintf(file, "%s{%u, %u, %u},", lead % 6 == 0 ? "\n   " : " ", tables.firstTrail[lead],
                 tables.lastTrail[lead], tables.offset[lead]);
  }
  std::fprintf(file, "\n};\n\n");
  writeArray(file, "const uint16_t kDoubleByte[]", tables.doubleByte);
  std::fprintf(file, "const uint32_t kFirstDropped = 0x%X;\nconst uint32_t kLastDropped = 0x%X;\n\n",
               tables.firstDropped, tables.lastDropped);
  std::fprintf(file, "const size_t kEncodedCount = %zu;\n\n", tables.encodedCodePoints.size());
  writeArray(file, "const uint16_t kEncodedCodePoints[]", tables.encodedCodePoints);
  writeArray(file, "const uint16_t kEncodedForms[]", tables.encodedForms);
  std::fprintf(file, "}  // namespace codepage932\n");
  const bool written = std::ferror(file) == 0;
  return std::fclose(file) == 0 && written ? true : fail("cannot write the output file", 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: cp932_table_generator OUTPUT.cpp\n");
    return 2;
  }
  iconv_t decoder = iconv_open("UTF-32LE", "CP932");
  iconv_t encoder = iconv_open("CP932", "UTF-32LE");
  if (decoder == reinterpret_cast<iconv_t>(-1) || encoder == reinterpret_cast<iconv_t>(-1)) {
    std::fprintf(stderr, "cp932_table_generator: this host's iconv has no CP932\n");
    return 1;
  }
  Tables tables;
  const bool made = readDecoding(decoder, tables) && readEncoding(encoder, tables) &&
                    writeTables(argv[1], tables);
  iconv_close(decoder);
  iconv_close(encoder);
  return made ? 0 : 1;
}
