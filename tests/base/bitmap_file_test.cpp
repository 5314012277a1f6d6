#include "base/bitmap_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

constexpr Pixel kRed = 0xFF0000;
constexpr Pixel kGreen = 0x00FF00;
constexpr Pixel kBlue = 0x0000FF;
constexpr Pixel kYellow = 0xFFFF00;
constexpr Pixel kWhitePixel = 0xFFFFFF;
constexpr Pixel kBlackPixel = 0x000000;

const std::string kSuite = NEV_TESTDATA_DIR "/bmpsuite/";

std::string le16(uint32_t value) {
  return {char(value), char(value >> 8)};
}
std::string le32(uint32_t value) {
  return le16(value) + le16(value >> 16);
}

// `info` is everything between the file header and the pixels: header, masks, colour table.
std::string bmpFile(const std::string& info, const std::string& pixels) {
  const uint32_t offset = 14 + info.size();
  return "BM" + le32(offset + pixels.size()) + le32(0) + le32(offset) + info + pixels;
}

std::string infoHeader(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0,
                       uint32_t coloursUsed = 0) {
  return le32(40) + le32(width) + le32(height) + le16(1) + le16(bits) + le32(compression) +
         le32(0) + le32(2835) + le32(2835) + le32(coloursUsed) + le32(0);
}

std::string colourTable(const std::vector<Pixel>& colours, bool threeBytes = false) {
  std::string table;
  for (Pixel c : colours) {
    table += {char(c), char(c >> 8), char(c >> 16)};
    if (!threeBytes) table += '\0';
  }
  return table;
}

std::string patched(std::string bytes, size_t at, const std::string& with) {
  return bytes.replace(at, with.size(), with);
}

std::string readFile(const std::string& path) {
  std::string bytes(fs::file_size(path), '\0');
  std::FILE* file = std::fopen(path.c_str(), "rb");
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return bytes;
}

// Top row red green blue, bottom row white black yellow: bottom-up files store the bottom first.
const std::vector<Pixel> kPicture = {kRed, kGreen, kBlue, kWhitePixel, kBlackPixel, kYellow};
// Its colours out of order, so that indices are not mistaken for positions.
const std::vector<Pixel> kTable = {kYellow, kBlue, kWhitePixel, kRed, kBlackPixel, kGreen};

// Rows as stored, one literal a pixel, then the padding to four bytes.
// clang-format off
const std::string kRows24 =
    "\xFF\xFF\xFF" "\x00\x00\x00" "\x00\xFF\xFF" "\0\0\0"
    "\x00\x00\xFF" "\x00\xFF\x00" "\xFF\x00\x00" "\0\0\0"s;
const std::string kTopDownRows24 =
    "\x00\x00\xFF" "\x00\xFF\x00" "\xFF\x00\x00" "\0\0\0"
    "\xFF\xFF\xFF" "\x00\x00\x00" "\x00\xFF\xFF" "\0\0\0"s;
const std::string kIndexRows8 = "\x02\x04\x00" "\0" "\x03\x05\x01" "\0"s;
const std::string kGood24 = bmpFile(infoHeader(3, 2, 24), kRows24);
const std::string kRunLength8 =
    bmpFile(infoHeader(5, 2, 8, 1, 3) + colourTable({kWhitePixel, kRed, kBlue}),
            "\x00\x03\x01\x02\x01\x00"  // three literal pixels, padded
            "\x00\x02\x01\x01"          // one right, one up
            "\x01\x00"                  // one pixel of colour 0
            "\x00\x01"s);               // end of bitmap
// clang-format on

struct DecodeCase {
  const char* name;
  std::string bytes;
  int32_t width;
  int32_t height;
  std::vector<Pixel> pixels;
};

TEST(BitmapFile, DecodesEachEncodingToItsColours) {
  // clang-format off
  const std::vector<DecodeCase> cases = {
      {"24-bit bottom-up", kGood24, 3, 2, kPicture},
      {"24-bit top-down", bmpFile(infoHeader(3, -2, 24), kTopDownRows24), 3, 2, kPicture},
      {"32-bit bit fields, red lowest",
       bmpFile(infoHeader(3, 2, 32, 3) + le32(0xFF) + le32(0xFF00) + le32(0xFF0000),
               "\xFF\xFF\xFF\0" "\0\0\0\0" "\xFF\xFF\0\0" "\xFF\0\0\0" "\0\xFF\0\0" "\0\0\xFF\0"s),
       3, 2, kPicture},
      {"32-bit bit fields in no common order",
       bmpFile(infoHeader(3, 2, 32, 3) + le32(0xFF00) + le32(0xFF) + le32(0xFF000000),
               "\xFF\xFF\0\xFF" "\0\0\0\0" "\xFF\xFF\0\0" "\0\xFF\0\0" "\xFF\0\0\0" "\0\0\0\xFF"s),
       3, 2, kPicture},
      {"16-bit 565 bit fields",
       bmpFile(infoHeader(3, 2, 16, 3) + le32(0xF800) + le32(0x07E0) + le32(0x001F),
               "\xFF\xFF" "\0\0" "\xE0\xFF" "\0\0" "\0\xF8" "\xE0\x07" "\x1F\0" "\0\0"s),
       3, 2, kPicture},
      {"8-bit colour table", bmpFile(infoHeader(3, 2, 8, 0, 6) + colourTable(kTable), kIndexRows8),
       3, 2, kPicture},
      {"4-bit colour table",
       bmpFile(infoHeader(3, 2, 4, 0, 6) + colourTable(kTable), "\x24\x00\0\0" "\x35\x10\0\0"s),
       3, 2, kPicture},
      {"1-bit colour table",
       bmpFile(infoHeader(3, 2, 1) + colourTable({kBlue, kYellow}), "\x20\0\0\0" "\xA0\0\0\0"s),
       3, 2, {kYellow, kBlue, kYellow, kBlue, kBlue, kYellow}},
      {"8-bit runs skipping pixels", kRunLength8, 5, 2,
       {0, 0, 0, 0, kWhitePixel, kRed, kBlue, kRed, 0, 0}},
      {"4-bit runs ending early",
       bmpFile(infoHeader(5, 2, 4, 2, 3) + colourTable({kWhitePixel, kRed, kGreen}),
               "\x05\x12"              // five pixels alternating 1 and 2
               "\x00\x00"              // end of line
               "\x00\x03\x21\x20"      // three literal pixels
               "\x00\x01"s),           // end of bitmap
       5, 2, {kGreen, kRed, kGreen, 0, 0, kRed, kGreen, kRed, kGreen, kRed}},
      {"12-byte header",
       bmpFile(le32(12) + le16(3) + le16(2) + le16(1) + le16(8) + colourTable(kTable, true) +
                   std::string(250 * 3, '\0'),
               kIndexRows8),
       3, 2, kPicture},
  };
  // clang-format on
  TempFolder folder;
  for (const DecodeCase& c : cases) {
    std::unique_ptr<Bitmap> bitmap = loadBitmapFile(folder.write("case.bmp", c.bytes));
    ASSERT_NE(bitmap, nullptr) << c.name;
    EXPECT_EQ(bitmap->width, c.width) << c.name;
    EXPECT_EQ(bitmap->height, c.height) << c.name;
    EXPECT_FALSE(bitmap->monochrome) << c.name;
    EXPECT_EQ(bitmap->pixels, c.pixels) << c.name;
  }
}

TEST(BitmapFile, RefusesWhatCannotBeLoaded) {
  const std::string good = kGood24;
  const std::string half = readFile(kSuite + "g/rgb24.bmp");
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty file", ""},
      {"text file", "Not a picture at all.\r\n"},
      {"good file cut in half", half.substr(0, half.size() / 2)},
      {"last row one byte short", good.substr(0, good.size() - 1)},
      {"100000 by 100000", bmpFile(infoHeader(100000, 100000, 24), kRows24)},
      {"wider than the largest side", bmpFile(infoHeader(16385, 1, 8), std::string(16388, '\0'))},
      {"no width", patched(good, 18, le32(0))},
      {"two planes", patched(good, 26, le16(2))},
      {"7 bits a pixel", patched(good, 28, le16(7))},
      {"embedded compressed picture", patched(good, 30, le32(4))},
      {"pixels past the end", patched(good, 10, le32(good.size() + 4))},
      {"header size unknown", patched(good, 14, le32(41))},
      {"overlapping masks",
       bmpFile(infoHeader(1, 1, 16, 3) + le32(0xF800) + le32(0x0FE0) + le32(0x1F), "\0\0\0\0"s)},
      {"runs stored top-down", patched(kRunLength8, 22, le32(-2))},
      {"runs without their end", kRunLength8.substr(0, kRunLength8.size() - 4)},
  };
  TempFolder folder;
  EXPECT_EQ(loadBitmapFile((folder.path() / "missing.bmp").string()), nullptr);
  for (const auto& [name, bytes] : cases) {
    EXPECT_EQ(loadBitmapFile(folder.write("case.bmp", bytes)), nullptr) << name;
  }
}

std::vector<std::string> suiteFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(kSuite + folder)) {
    names.push_back(folder + "/" + entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The largest difference of one channel over the candidate's area, which may be a crop of the
// reference's top left; -1 when it does not fit.
int largestDifference(const Bitmap& candidate, const Bitmap& reference) {
  if (candidate.width > reference.width || candidate.height > reference.height) return -1;
  int largest = 0;
  for (int32_t y = 0; y < candidate.height; ++y) {
    for (int32_t x = 0; x < candidate.width; ++x) {
      const Pixel a = candidate.pixels[y * candidate.width + x];
      const Pixel b = reference.pixels[y * reference.width + x];
      if ((a >> 24) != 0) return -1;
      for (int shift = 0; shift < 24; shift += 8) {
        largest = std::max(largest, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
      }
    }
  }
  return largest;
}

TEST(BitmapFile, SuiteEncodingsOfOnePictureAgree) {
  struct Pair {
    const char* file;
    const char* reference;
    int tolerance;  // five or six bits a channel are a step of up to 8 from eight bits
  };
  const std::vector<Pair> pairs = {
      {"rgb24pal", "rgb24", 0},   {"rgb32", "rgb24", 0},        {"rgb32bf", "rgb24", 0},
      {"rgb32bfdef", "rgb24", 0}, {"rgb16", "rgb24", 8},        {"rgb16bfdef", "rgb24", 8},
      {"rgb16-565", "rgb24", 8},  {"rgb16-565pal", "rgb24", 8}, {"pal8-0", "pal8", 0},
      {"pal8os2", "pal8", 0},     {"pal8rle", "pal8", 0},       {"pal8topdown", "pal8", 0},
      {"pal8v4", "pal8", 0},      {"pal8v5", "pal8", 0},        {"pal8w124", "pal8", 0},
      {"pal8w125", "pal8", 0},    {"pal8w126", "pal8", 0},      {"pal4rle", "pal4", 0},
      {"pal1wb", "pal1", 0},
  };
  for (const std::string& name : suiteFiles("g")) {
    EXPECT_NE(loadBitmapFile(kSuite + name), nullptr) << name;
  }
  for (const Pair& pair : pairs) {
    std::unique_ptr<Bitmap> file = loadBitmapFile(kSuite + "g/" + pair.file + ".bmp");
    std::unique_ptr<Bitmap> reference = loadBitmapFile(kSuite + "g/" + pair.reference + ".bmp");
    ASSERT_TRUE(file && reference) << pair.file;
    const int difference = largestDifference(*file, *reference);
    EXPECT_GE(difference, 0) << pair.file;
    EXPECT_LE(difference, pair.tolerance) << pair.file;
  }
}

TEST(BitmapFile, SuitePixelsSkippedByRunsAreBlack) {
  // Their first table colour is purple, which skipped pixels would show if left at index 0.
  for (const auto& [file, reference] :
       {std::pair{"q/pal8rletrns", "g/pal8"}, std::pair{"q/pal4rletrns", "g/pal4"}}) {
    std::unique_ptr<Bitmap> runs = loadBitmapFile(kSuite + file + ".bmp");
    std::unique_ptr<Bitmap> whole = loadBitmapFile(kSuite + reference + ".bmp");
    ASSERT_TRUE(runs && whole) << file;
    ASSERT_EQ(runs->pixels.size(), whole->pixels.size()) << file;
    int skipped = 0, wrong = 0;
    for (size_t i = 0; i < runs->pixels.size(); ++i) {
      if (runs->pixels[i] == whole->pixels[i]) continue;
      ++(runs->pixels[i] == kBlackPixel ? skipped : wrong);
    }
    EXPECT_GT(skipped, 0) << file;
    EXPECT_EQ(wrong, 0) << file;
  }
}

TEST(BitmapFile, SuiteFaultyFilesAreRefusedOrWhole) {
  const std::vector<std::string> mustRefuse = {
      "b/badbitcount.bmp", "b/badheadersize.bmp", "b/badplanes.bmp",  "b/badwidth.bmp",
      "b/reallybig.bmp",   "b/rgb16-880.bmp",     "b/rletopdown.bmp", "b/shortfile.bmp"};
  std::vector<std::string> files = suiteFiles("b");
  const std::vector<std::string> questionable = suiteFiles("q");
  files.insert(files.end(), questionable.begin(), questionable.end());
  for (const std::string& name : files) {
    std::unique_ptr<Bitmap> bitmap = loadBitmapFile(kSuite + name);
    if (std::find(mustRefuse.begin(), mustRefuse.end(), name) != mustRefuse.end()) {
      EXPECT_EQ(bitmap, nullptr) << name;
    }
    if (!bitmap) continue;
    EXPECT_GT(bitmap->width, 0) << name;
    EXPECT_GT(bitmap->height, 0) << name;
    ASSERT_EQ(bitmap->pixels.size(), size_t(bitmap->width) * bitmap->height) << name;
    EXPECT_TRUE(std::all_of(bitmap->pixels.begin(), bitmap->pixels.end(), [](Pixel p) {
      return p >> 24 == 0;
    })) << name;
  }
}

}  // namespace
