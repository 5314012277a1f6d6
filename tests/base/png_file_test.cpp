#include "base/png_file.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace {

TEST(PngFile, WritesOpaquePixelsThatReadBackTheSame) {
  TempFolder folder;
  // The top byte is not part of a pixel's colour and never reaches the file.
  const std::vector<Pixel> pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0xAB123456, 0x000000, 0xFFFFFF};
  const std::string path = (folder.path() / "frame.png").string();
  ASSERT_TRUE(writePngFile(path, pixels.data(), 3, 2));
  const std::optional<PngPicture> read = readPngFile(path);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(std::tie(read->width, read->height), std::tuple(3, 2));
  EXPECT_EQ(read->pixels,
            std::vector<Pixel>({0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0x000000, 0xFFFFFF}));

  EXPECT_FALSE(writePngFile((folder.path() / "no/such/folder.png").string(), pixels.data(), 3, 2));
  EXPECT_FALSE(writePngFile(path, pixels.data(), 0, 2));
  EXPECT_FALSE(readPngFile(folder.write("text.png", "Not a picture.\r\n")).has_value());
  EXPECT_FALSE(readPngFile((folder.path() / "missing.png").string()).has_value());
}

}  // namespace
