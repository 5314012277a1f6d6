#include "base/png_file.h"

#include <png.h>

#include <cstring>

namespace {

// Rows of R, G, B bytes, as the PNG writer takes them.
std::vector<uint8_t> rgbBytes(const Pixel* pixels, int32_t width, int32_t height) {
  std::vector<uint8_t> rgb(size_t{3} * width * height);
  uint8_t* out = rgb.data();
  for (size_t i = 0, count = size_t{1} * width * height; i < count; ++i) {
    *out++ = static_cast<uint8_t>(pixels[i] >> 16);
    *out++ = static_cast<uint8_t>(pixels[i] >> 8);
    *out++ = static_cast<uint8_t>(pixels[i]);
  }
  return rgb;
}

png_image rgbImage(int32_t width, int32_t height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  return image;
}

}  // namespace

bool writePngFile(const std::string& hostPath, const Pixel* pixels, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  const std::vector<uint8_t> rgb = rgbBytes(pixels, width, height);
  png_image image = rgbImage(width, height);
  const bool written =
      png_image_write_to_file(&image, hostPath.c_str(), 0, rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return written;
}

std::vector<uint8_t> pngFileBytes(const Pixel* pixels, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return {};
  const std::vector<uint8_t> rgb = rgbBytes(pixels, width, height);
  png_image image = rgbImage(width, height);
  // Room for the most the picture can take, so that it is compressed once, not measured first.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
  std::vector<uint8_t> bytes(size);
  const bool written =
      png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  if (!written) return {};
  bytes.resize(size);
  return bytes;
}

std::optional<PngPicture> readPngFile(const std::string& hostPath) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, hostPath.c_str()) == 0) return std::nullopt;
  // Rows of 0xAARRGGBB words: little-endian bytes B, G, R, A.
  image.format = PNG_FORMAT_BGRA;
  PngPicture picture;
  picture.width = static_cast<int32_t>(image.width);
  picture.height = static_cast<int32_t>(image.height);
  if (picture.width <= 0 || picture.height <= 0 || picture.width > kLargestBitmapSide ||
      picture.height > kLargestBitmapSide) {
    png_image_free(&image);
    return std::nullopt;
  }
  picture.pixels.resize(size_t{1} * picture.width * picture.height);
  if (png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr) == 0) {
    return std::nullopt;
  }
  for (Pixel& pixel : picture.pixels) pixel &= 0x00FFFFFF;
  return picture;
}
