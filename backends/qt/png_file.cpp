#include "backends/qt/png_file.h"

#include <QImage>

bool writePngFile(const std::string& hostPath, const Pixel* pixels, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  QImage image(width, height, QImage::Format_RGB32);
  for (int32_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int32_t x = 0; x < width; ++x) row[x] = 0xFF000000u | pixels[size_t(y) * width + x];
  }
  return image.save(QString::fromStdString(hostPath), "PNG");
}
