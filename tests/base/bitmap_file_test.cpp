#include "base/bitmap_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

using namespace std::string_literals;

constexpr Pixel kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;
constexpr Pixel kWhitePixel = 0xFFFFFF, kBlackPixel = 0x000000;

std::string colourTable(const std::vector<Pixel>& colours, size_t entrySize = 4) {
  std::string table;
  for (Pixel c : colours) table += le32(c).substr(0, entrySize);
  return table;
}

std::string patched(std::string bytes, size_t at, const std::string& with) {
  return bytes.replace(at, with.size(), with);
}

// Top row red green blue, bottom row white black yellow: bottom-up files store the bottom first.
const std::vector<Pixel> kPicture = {kRed, kGreen, kBlue, kWhitePixel, kBlackPixel, kYellow};
// Its colours out of order, so that indices are not mistaken for positions.
const std::string kTable = colourTable({kYellow, kBlue, kWhitePixel, kRed, kBlackPixel, kGreen});

// clang-format off
// Rows as stored, one literal a pixel, then the padding to four bytes.
const std::string kBottom24 = "\xFF\xFF\xFF" "\x00\x00\x00" "\x00\xFF\xFF" "\0\0\0"s;
const std::string kTop24 = "\x00\x00\xFF" "\x00\xFF\x00" "\xFF\x00\x00" "\0\0\0"s;
const std::string kIndexRows8 = "\x02\x04\x00" "\0" "\x03\x05\x01" "\0"s;
const std::string kGood24 = bmp(3, 2, 24, 0, "", kBottom24 + kTop24);
const std::string kRunLength8 = bmp(5, 2, 8, 1, colourTable({kWhitePixel, kRed, kBlue}),
                                    "\x00\x03\x01\x02\x01\x00"  // three literal pixels, padded
                                    "\x00\x02\x01\x01"          // one right, one up
                                    "\x01\x00"                  // one pixel of colour 0
                                    "\x00\x01"s, 3);            // end of bitmap
// Red in bits 8-15, green 0-7, blue 24-31: an arrangement few writers use.
const std::string kOddMasks = le32(0x0000FF00) + le32(0x000000FF) + le32(0xFF000000);
const std::string kOddBottom = "\xFF\xFF\0\xFF" "\0\0\0\0" "\xFF\xFF\0\0"s;
const std::string kOddTop = "\0\xFF\0\0" "\xFF\0\0\0" "\0\0\0\xFF"s;
// Enough data for runs to claim 16384 * 1025 pixels: ends of lines, then the end of the bitmap.
const std::string kEndsOfLines = std::string(15376, '\0') + "\x00\x01"s;
// clang-format on

TEST(BitmapFile, DecodesEachEncodingToItsColours) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<Pixel> pixels = kPicture;
    int32_t width = 3, height = 2;
  };
  const std::string masks565 = le32(0xF800) + le32(0x07E0) + le32(0x001F);
  const std::vector<Pixel> red(16384, kRed);
  const std::string redTable = colourTable({kRed});
  // clang-format off
  const std::vector<Case> cases = {
      {"24-bit bottom-up", kGood24},
      {"24-bit top-down", bmp(3, -2, 24, 0, "", kTop24 + kBottom24)},
      {"32-bit bit fields, red lowest", bmp(3, 2, 32, 3, le32(0xFF) + le32(0xFF00) + le32(0xFF0000),
          "\xFF\xFF\xFF\0" "\0\0\0\0" "\xFF\xFF\0\0" "\xFF\0\0\0" "\0\xFF\0\0" "\0\0\xFF\0"s)},
      {"32-bit odd bit fields", bmp(3, 2, 32, 3, kOddMasks, kOddBottom + kOddTop)},
      {"32-bit odd bit fields top-down", bmp(3, -2, 32, 3, kOddMasks, kOddTop + kOddBottom)},
      {"16-bit 565 bit fields", bmp(3, 2, 16, 3, masks565,
          "\xFF\xFF" "\0\0" "\xE0\xFF" "\0\0" "\0\xF8" "\xE0\x07" "\x1F\0" "\0\0"s)},
      // Fields narrower than a byte scale to 0-255 rounding down: 4 of 31 is 0x20, 8 of 63 too.
      {"16-bit 555 in between", bmp(2, 1, 16, 0, "", "\x9F\x10" "\x01\x7C"s),
       {0x2020FF, 0xFF0008}, 2, 1},
      // Red in the low six bits: its own fields, not those of 565 reversed.
      {"16-bit 6-5-5 bit fields", bmp(1, 1, 16, 3, le32(0x003F) + le32(0x07C0) + le32(0xF800),
          "\x08\x21\0\0"s), {0x202020}, 1, 1},
      {"8-bit", bmp(3, 2, 8, 0, kTable, kIndexRows8, 6)},
      {"4-bit", bmp(3, 2, 4, 0, kTable, "\x24\x00\0\0" "\x35\x10\0\0"s, 6)},
      {"1-bit, more colours claimed than there are", bmp(3, 2, 1, 0, colourTable({kBlue, kYellow}),
          "\x20\0\0\0" "\xA0\0\0\0"s, 9), {kYellow, kBlue, kYellow, kBlue, kBlue, kYellow}},
      {"widest", bmp(16384, 1, 8, 0, redTable, std::string(16384, '\0'), 1), red, 16384, 1},
      {"tallest", bmp(1, 16384, 8, 0, redTable, std::string(65536, '\0'), 1), red, 1, 16384},
      {"8-bit runs skipping pixels", kRunLength8,
       {0, 0, 0, 0, kWhitePixel, kRed, kBlue, kRed, 0, 0}, 5},
      {"8-bit runs moving above the top", bmp(3, 2, 8, 1, kTable,
          "\x00\x02\x00\x02" "\x02\x01" "\x00\x01"s, 6), std::vector<Pixel>(6, 0)},
      {"4-bit runs", bmp(5, 2, 4, 2, colourTable({kWhitePixel, kRed, kGreen}),
                         "\x05\x12"          // five pixels alternating 1 and 2
                         "\x00\x00"          // end of line
                         "\x00\x02\x01\x00"  // one right
                         "\x00\x03\x21\x20"  // three literal pixels
                         "\x00\x01"s, 3),    // end of bitmap
       {0, kGreen, kRed, kGreen, 0, kRed, kGreen, kRed, kGreen, kRed}, 5},
      // Runs may claim 1,048,576 pixels and 1,024 more for each byte of their data.
      {"runs claiming the most they may", bmp(1024, 1026, 8, 1, kTable, "\x00\x01"s, 6),
       std::vector<Pixel>(1024 * 1026, 0), 1024, 1026},
      {"16384 * 1024 pixels", bmp(16384, 1024, 8, 1, kTable, kEndsOfLines, 6),
       std::vector<Pixel>(16384 * 1024, 0), 16384, 1024},
      {"12-byte header", bmpFile(le32(12) + le16(3) + le16(2) + le16(1) + le16(8) +
          colourTable({kYellow, kBlue, kWhitePixel, kRed, kBlackPixel, kGreen}, 3) +
          std::string(250 * 3, '\0'), kIndexRows8)}};
  // clang-format on
  TempFolder folder;
  for (const Case& c : cases) {
    std::unique_ptr<Bitmap> bitmap = loadBitmapFile(folder.write("case.bmp", c.bytes));
    ASSERT_NE(bitmap, nullptr) << c.name;
    EXPECT_EQ(std::tie(bitmap->width, bitmap->height, bitmap->monochrome),
              std::tuple(c.width, c.height, false)) << c.name;
    EXPECT_EQ(bitmap->pixels, c.pixels) << c.name;
  }
}

TEST(BitmapFile, RefusesWhatCannotBeLoaded) {
  const std::string good = kGood24, runs = kRunLength8, pixel = "\0\0\0\0"s;
  // clang-format off
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty file", ""},
      {"text file", "Not a picture at all.\r\n"},
      {"cut in the header", good.substr(0, 30)},
      {"last row one byte short", good.substr(0, good.size() - 1)},
      {"wider than the largest side", bmp(16385, 1, 8, 0, "", std::string(17412, '\0'))},
      {"taller than the largest side", bmp(1, 16385, 8, 0, "", std::string(66564, '\0'))},
      {"no width", patched(good, 18, le32(0))},
      {"no height", patched(good, 22, le32(0))},
      {"two planes", patched(good, 26, le16(2))},
      {"7 bits a pixel", patched(good, 28, le16(7))},
      {"24 bits in bit fields", patched(good, 30, le32(3))},
      {"embedded compressed picture", patched(good, 30, le32(4))},
      {"8-bit pixels in 4-bit runs", patched(runs, 30, le32(2))},
      {"pixels inside the header", patched(good, 10, le32(53))},
      {"pixels past the end", patched(good, 10, le32(good.size() + 4))},
      {"runs starting at the end", patched(runs, 10, le32(runs.size()))},
      {"header size unknown", patched(good, 14, le32(41))},
      {"colour table past the end", bmp(1, 1, 8, 0, "", pixel)},
      {"index past the colour table", bmp(3, 2, 8, 0, kTable, kIndexRows8, 5)},
      {"overlapping masks", bmp(1, 1, 16, 3, le32(0xF800) + le32(0x0FE0) + le32(0x1F), pixel)},
      {"7-bit fields", bmp(1, 1, 32, 3, le32(0x7F) + le32(0x7F00) + le32(0x7F0000), pixel)},
      {"odd masks in a 56-byte header",
       patched(bmp(1, 1, 32, 3, kOddMasks + le32(0), pixel), 14, le32(56))},
      {"runs claiming more than they may", bmp(1024, 1027, 8, 1, kTable, "\x00\x01"s, 6)},
      {"16384 * 1025 pixels", bmp(16384, 1025, 8, 1, kTable, kEndsOfLines, 6)},
      {"runs stored top-down", patched(runs, 22, le32(-2))},
      {"runs without their end", runs.substr(0, runs.size() - 4)},
      {"runs cut before a literal's padding", bmp(5, 2, 8, 1, colourTable({kWhitePixel, kRed}),
                                                  "\x00\x03\x01\x00\x01"s, 2)},
      {"runs claiming far more than they could draw", patched(runs, 18, le32(1100) + le32(1000))}};
  // clang-format on
  TempFolder folder;
  EXPECT_EQ(loadBitmapFile((folder.path() / "missing.bmp").string()), nullptr);
  for (const auto& [name, bytes] : cases) {
    EXPECT_EQ(loadBitmapFile(folder.write("case.bmp", bytes)), nullptr) << name;
  }
}

// Real files made outside the project, read in place: every good one loads, bad ones are
// refused.
TEST(BitmapFile, Suite) {
  const std::string suite = NEV_TESTDATA_DIR "/bmpsuite/";
  if (!std::filesystem::is_directory(suite)) GTEST_SKIP() << suite << " is missing";
  for (const auto& entry : std::filesystem::directory_iterator(suite + "g")) {
    EXPECT_NE(loadBitmapFile(entry.path().string()), nullptr) << entry.path();
  }
  for (const char* name : {"badbitcount", "badheadersize", "badplanes", "badwidth", "reallybig",
                           "rgb16-880", "rletopdown", "shortfile"}) {
    EXPECT_EQ(loadBitmapFile(suite + "b/" + name + ".bmp"), nullptr) << name;
  }
}

}  // namespace
