#include "base/font_subset.h"

#include <cstdint>
#include <map>
#include <vector>

namespace {

constexpr uint32_t kTrueTypeVersion = 0x00010000;
constexpr uint32_t kAppleTrueType = 0x74727565;  // "true"
constexpr uint32_t kChecksumMagic = 0xB1B0AFBA;
constexpr size_t kHeadChecksumAt = 8;
constexpr size_t kHeadLocaFormatAt = 50;
// A short loca holds offsets halved in 16 bits.
constexpr uint32_t kLargestShortGlyf = 0x1FFFE;

uint16_t read16(std::string_view bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) << 8 | static_cast<uint8_t>(bytes[at + 1]));
}

uint32_t read32(std::string_view bytes, size_t at) {
  return uint32_t{read16(bytes, at)} << 16 | read16(bytes, at + 2);
}

void write16(std::string& bytes, size_t at, uint32_t value) {
  bytes[at] = static_cast<char>(value >> 8);
  bytes[at + 1] = static_cast<char>(value);
}

void write32(std::string& bytes, size_t at, uint32_t value) {
  write16(bytes, at, value >> 16);
  write16(bytes, at + 2, value);
}

void append16(std::string& bytes, uint32_t value) {
  bytes.resize(bytes.size() + 2);
  write16(bytes, bytes.size() - 2, value);
}

void append32(std::string& bytes, uint32_t value) {
  bytes.resize(bytes.size() + 4);
  write32(bytes, bytes.size() - 4, value);
}

uint32_t checksum(std::string_view bytes) {
  uint32_t sum = 0;
  for (size_t at = 0; at < bytes.size(); at += 4) {
    uint32_t word = 0;
    for (size_t i = 0; i < 4; ++i) {
      word = word << 8 | (at + i < bytes.size() ? static_cast<uint8_t>(bytes[at + i]) : 0);
    }
    sum += word;
  }
  return sum;
}

struct Table {
  uint32_t tag;
  std::string_view bytes;
};

// Reading stops at the first fault: every later read is of bounds already checked.
struct Reader {
  std::string_view font;
  std::string fault;

  bool fail(std::string why) {
    if (fault.empty()) fault = std::move(why);
    return false;
  }
};

constexpr uint32_t tagOf(const char* name) {
  return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 |
         uint32_t(uint8_t(name[2])) << 8 | uint8_t(name[3]);
}

// Glyph ids of the wanted characters in one character map subtable of a format that maps
// Unicode (4: the Basic Multilingual Plane in segments; 12: every plane in groups).
void glyphsOfSubtable(std::string_view table, const std::set<char32_t>& wanted,
                      std::set<uint32_t>& glyphs) {
  if (table.size() < 2) return;
  const uint16_t format = read16(table, 0);
  if (format == 4 && table.size() >= 14) {
    const size_t segments = read16(table, 6) / 2;
    const size_t ends = 14, starts = ends + 2 * segments + 2, deltas = starts + 2 * segments,
                 ranges = deltas + 2 * segments;
    if (ranges + 2 * segments > table.size()) return;
    for (size_t s = 0; s < segments; ++s) {
      const uint32_t start = read16(table, starts + 2 * s), end = read16(table, ends + 2 * s);
      const uint16_t delta = read16(table, deltas + 2 * s), range = read16(table, ranges + 2 * s);
      for (auto point = wanted.lower_bound(start); point != wanted.end() && *point <= end; ++point) {
        uint32_t glyph = 0;
        if (range == 0) {
          glyph = (*point + delta) & 0xFFFF;
        } else {
          const size_t at = ranges + 2 * s + range + 2 * (*point - start);
          if (at + 2 > table.size()) continue;
          glyph = read16(table, at);
          if (glyph != 0) glyph = (glyph + delta) & 0xFFFF;
        }
        glyphs.insert(glyph);
      }
    }
  } else if (format == 12 && table.size() >= 16) {
    const uint32_t groups = read32(table, 12);
    if (groups > (table.size() - 16) / 12) return;
    for (uint32_t g = 0; g < groups; ++g) {
      const size_t at = 16 + size_t{g} * 12;
      const uint32_t start = read32(table, at), end = read32(table, at + 4),
                     first = read32(table, at + 8);
      for (auto point = wanted.lower_bound(start); point != wanted.end() && *point <= end; ++point) {
        glyphs.insert(first + (*point - start));
      }
    }
  }
}

// Every subtable is read, so whichever one a rasterizer picks finds the wanted glyphs.
std::set<uint32_t> glyphsOfCharacters(std::string_view cmap, const std::set<char32_t>& wanted) {
  std::set<uint32_t> glyphs{0};
  if (cmap.size() < 4) return glyphs;
  const size_t count = read16(cmap, 2);
  for (size_t i = 0; i < count && 4 + 8 * i + 8 <= cmap.size(); ++i) {
    const uint32_t offset = read32(cmap, 4 + 8 * i + 4);
    if (offset < cmap.size()) glyphsOfSubtable(cmap.substr(offset), wanted, glyphs);
  }
  return glyphs;
}

// The glyphs a composite glyph is built of.
void componentsOf(std::string_view glyph, std::vector<uint32_t>& components) {
  constexpr uint16_t kArgsAreWords = 0x0001, kScale = 0x0008, kMoreComponents = 0x0020,
                     kXYScale = 0x0040, kTwoByTwo = 0x0080;
  size_t at = 10;
  for (bool more = true; more && at + 4 <= glyph.size();) {
    const uint16_t flags = read16(glyph, at);
    components.push_back(read16(glyph, at + 2));
    at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
    at += (flags & kScale) ? 2 : (flags & kXYScale) ? 4 : (flags & kTwoByTwo) ? 8 : 0;
    more = (flags & kMoreComponents) != 0;
  }
}

}  // namespace

std::optional<std::string> subsetFont(std::string_view font, const std::set<char32_t>& wanted,
                                      Problem& problem) {
  auto refuse = [&](const std::string& why) -> std::optional<std::string> {
    problem = Problem{.kind = ProblemKind::CannotRead, .detail = "not a TrueType font nev can cut: " + why};
    return std::nullopt;
  };
  if (font.size() < 12) return refuse("too short");
  const uint32_t version = read32(font, 0);
  if (version != kTrueTypeVersion && version != kAppleTrueType) return refuse("no TrueType outlines");
  const size_t count = read16(font, 4);
  if (12 + 16 * count > font.size()) return refuse("its table directory is cut short");
  std::vector<Table> tables;
  std::map<uint32_t, size_t> byTag;
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = 12 + 16 * i;
    const uint32_t tag = read32(font, entry), offset = read32(font, entry + 8),
                   length = read32(font, entry + 12);
    if (offset > font.size() || length > font.size() - offset) return refuse("a table lies past its end");
    if (!byTag.emplace(tag, tables.size()).second) return refuse("a table is there twice");
    tables.push_back({tag, font.substr(offset, length)});
  }
  for (const char* name : {"head", "maxp", "loca", "glyf", "cmap"}) {
    if (byTag.count(tagOf(name)) == 0) return refuse(std::string("it has no ") + name + " table");
  }
  std::string_view head = tables[byTag[tagOf("head")]].bytes;
  const std::string_view maxp = tables[byTag[tagOf("maxp")]].bytes;
  const std::string_view loca = tables[byTag[tagOf("loca")]].bytes;
  const std::string_view glyf = tables[byTag[tagOf("glyf")]].bytes;
  if (head.size() < 54 || maxp.size() < 6) return refuse("its head or maxp table is cut short");
  const bool longOffsets = read16(head, kHeadLocaFormatAt) != 0;
  const size_t glyphCount = read16(maxp, 4);
  if (loca.size() < (glyphCount + 1) * (longOffsets ? 4 : 2)) return refuse("its loca table is cut short");
  std::vector<std::string_view> outlines(glyphCount);
  for (size_t g = 0; g < glyphCount; ++g) {
    const uint64_t start = longOffsets ? read32(loca, 4 * g) : uint64_t{read16(loca, 2 * g)} * 2;
    const uint64_t end = longOffsets ? read32(loca, 4 * g + 4) : uint64_t{read16(loca, 2 * g + 2)} * 2;
    if (start > end || end > glyf.size()) return refuse("its loca table points outside glyf");
    outlines[g] = glyf.substr(start, end - start);
  }

  std::vector<uint32_t> pending;
  for (uint32_t glyph : glyphsOfCharacters(tables[byTag[tagOf("cmap")]].bytes, wanted)) {
    pending.push_back(glyph);
  }
  std::vector<bool> kept(glyphCount, false);
  while (!pending.empty()) {
    const uint32_t glyph = pending.back();
    pending.pop_back();
    if (glyph >= glyphCount || kept[glyph]) continue;
    kept[glyph] = true;
    const std::string_view outline = outlines[glyph];
    if (outline.size() >= 10 && static_cast<int16_t>(read16(outline, 0)) < 0) {
      componentsOf(outline, pending);
    }
  }

  std::string newGlyf;
  std::vector<uint32_t> offsets;
  for (size_t g = 0; g < glyphCount; ++g) {
    offsets.push_back(static_cast<uint32_t>(newGlyf.size()));
    if (kept[g]) {
      newGlyf.append(outlines[g]);
      newGlyf.resize((newGlyf.size() + 3) & ~size_t{3});
    }
  }
  offsets.push_back(static_cast<uint32_t>(newGlyf.size()));
  const bool newLong = newGlyf.size() > kLargestShortGlyf;
  std::string newLoca;
  for (uint32_t offset : offsets) {
    if (newLong) {
      append32(newLoca, offset);
    } else {
      append16(newLoca, offset / 2);
    }
  }
  // The rest of the old loca (past the entries maxp counts) is dropped: nothing reads it.
  std::string newHead(head);
  write16(newHead, kHeadLocaFormatAt, newLong ? 1 : 0);
  write32(newHead, kHeadChecksumAt, 0);

  std::map<uint32_t, std::string_view> contents;
  for (const Table& table : tables) contents[table.tag] = table.bytes;
  contents[tagOf("glyf")] = newGlyf;
  contents[tagOf("loca")] = newLoca;
  contents[tagOf("head")] = newHead;

  std::string out(font.substr(0, 12));
  size_t at = 12 + 16 * count;
  for (const Table& table : tables) {
    const std::string_view bytes = contents[table.tag];
    append32(out, table.tag);
    append32(out, checksum(bytes));
    append32(out, static_cast<uint32_t>(at));
    append32(out, static_cast<uint32_t>(bytes.size()));
    at += (bytes.size() + 3) & ~size_t{3};
  }
  for (const Table& table : tables) {
    out.append(contents[table.tag]);
    out.resize((out.size() + 3) & ~size_t{3});
  }
  const size_t headAt = read32(out, 12 + 16 * byTag[tagOf("head")] + 8);
  write32(out, headAt + kHeadChecksumAt, kChecksumMagic - checksum(out));
  return out;
}
