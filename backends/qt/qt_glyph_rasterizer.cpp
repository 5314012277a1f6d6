#include "backends/qt/qt_glyph_rasterizer.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QApplication>
#include <QGuiApplication>
#include <sys/stat.h>
#include <unistd.h>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace {

constexpr int32_t kLargestHeight = 1000;
const QString kMincho = QStringLiteral("IPAMincho");
const QString kGothic = QStringLiteral("IPAGothic");

// "ＭＳ　明朝", "MS 明朝" and "ms mincho" all name the same face.
QString faceKey(const std::string& faceName) {
  QString key = QString::fromUtf8(faceName).normalized(QString::NormalizationForm_KC).toLower();
  key.remove(QLatin1Char(' '));
  return key;
}

bool isMinchoFace(const QString& key) {
  return key == QStringLiteral("ms明朝") || key == QStringLiteral("msp明朝") ||
         key == QStringLiteral("msmincho") || key == QStringLiteral("mspmincho");
}

bool isGothicFace(const QString& key) {
  return key == QStringLiteral("msゴシック") || key == QStringLiteral("mspゴシック") ||
         key == QStringLiteral("msuiゴシック") || key == QStringLiteral("msgothic") ||
         key == QStringLiteral("mspgothic") || key == QStringLiteral("msuigothic");
}

QString fallbackFamily() {
  if (QFontDatabase::hasFamily(kMincho)) return kMincho;
  const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
  QString family;
  if (!japanese.isEmpty()) {
    family = japanese.first();
  } else if (!QFontDatabase::families().isEmpty()) {
    family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
  }
  static std::once_flag warned;
  std::call_once(warned, [&family] {
    std::fprintf(stderr, "nev: IPAMincho not found (install fonts-ipafont-mincho); using %s\n",
                 family.isEmpty() ? "no font" : family.toUtf8().constData());
  });
  return family;
}

struct Face {
  QString family;
  double emPerCell = 1.0;  // em size over ascent + descent, for heights given as cell heights
};

Face lookUpFace(const std::string& faceName) {
  const QString key = faceKey(faceName);
  const QString requested = QString::fromUtf8(faceName);
  Face face;
  if (isMinchoFace(key)) {
    face.family = QFontDatabase::hasFamily(kMincho) ? kMincho : fallbackFamily();
  } else if (isGothicFace(key)) {
    face.family = QFontDatabase::hasFamily(kGothic) ? kGothic : fallbackFamily();
  } else if (!requested.isEmpty() && QFontDatabase::hasFamily(requested)) {
    face.family = requested;
  } else {
    face.family = fallbackFamily();
  }
  if (!face.family.isEmpty()) {
    QFont probe(face.family);
    probe.setPixelSize(kLargestHeight);
    const QFontMetricsF metrics(probe);
    const double cell = metrics.ascent() + metrics.descent();
    if (cell > 0) face.emPerCell = kLargestHeight / cell;
  }
  return face;
}

// Faces are looked up once: the font database scan is far slower than drawing a glyph.
Face faceFor(const std::string& faceName) {
  static std::mutex lock;
  static std::unordered_map<std::string, Face> faces;
  std::lock_guard<std::mutex> hold(lock);
  auto found = faces.find(faceName);
  if (found == faces.end()) found = faces.emplace(faceName, lookUpFace(faceName)).first;
  return found->second;
}

bool sizeIsSane(int32_t height) {
  return height != 0 && std::abs(int64_t{height}) <= kLargestHeight;
}

}  // namespace

void prepareQtEnvironment() {
  // Shared-memory images each await a completion event from the X server, which wakes two
  // threads per blink of the click marker; the picture's small repaints go faster without.
  if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  // Qt complains on every start when the session has no runtime folder; give it the one it
  // would fall back to, quietly.
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QByteArray folder = "/tmp/runtime-" + QByteArray::number(uint(getuid()));
    mkdir(folder.constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", folder);
  }
}

namespace {
QApplication* ownApplication = nullptr;
}  // namespace

void ensureGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  prepareQtEnvironment();
  // A widgets application, so that windows can be made later in the same process; it keeps
  // references to these for its whole life.
  static int argc = 3;
  static char program[] = "nev";
  static char platformOption[] = "-platform";
  static char platform[] = "offscreen";
  static char* argv[] = {program, platformOption, platform, nullptr};
  // The application takes the options it reads out of these; a second one after a release
  // (a benchmark rendering again) must find them there too.
  argc = 3;
  argv[1] = platformOption;
  argv[2] = platform;
  ownApplication = new QApplication(argc, argv);
}

void releaseGuiApplication() {
  // Before the program's exit handlers run, like an application on main's stack, so the font
  // system gives back what it holds and Qt's own statics still exist.
  delete ownApplication;
  ownApplication = nullptr;
}

std::optional<QFont> qtFontOf(const FontSpec& wanted) {
  if (!sizeIsSane(wanted.height)) return std::nullopt;
  const Face face = faceFor(wanted.faceName);
  if (face.family.isEmpty()) return std::nullopt;
  // A negative height is the em size; a positive one the whole cell, ascent plus descent.
  const int pixelSize =
      wanted.height < 0
          ? -wanted.height
          : std::max(1, static_cast<int>(std::lround(wanted.height * face.emPerCell)));
  QFont font(face.family);
  font.setPixelSize(pixelSize);
  font.setWeight(wanted.weight >= 700 ? QFont::Bold : QFont::Normal);
  font.setFixedPitch(wanted.fixedPitch);
  font.setKerning(false);
  // Fully hinted outlines snap stems to whole pixels, which is what makes unsmoothed text crisp.
  font.setHintingPreference(QFont::PreferFullHinting);
  font.setStyleStrategy(
      wanted.smooth ? QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias)
                    : QFont::NoAntialias);
  return font;
}

GlyphMask QtGlyphRasterizer::rasterize(const FontSpec& wanted, const std::string& text) {
  GlyphMask mask;
  const std::optional<QFont> font = qtFontOf(wanted);
  if (!font) return mask;
  const QString string = QString::fromUtf8(text);
  const QFontMetrics metrics(*font);
  // Room around the cell for ink that overhangs it (emboldening, wide or low glyphs).
  const int margin = metrics.height() / 2 + 2;
  const int advance = std::max(metrics.horizontalAdvance(string), 1);
  QImage image(advance + 2 * margin, metrics.height() + 2 * margin, QImage::Format_Alpha8);
  if (image.isNull()) return mask;
  image.fill(0);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, wanted.smooth);
    painter.setRenderHint(QPainter::TextAntialiasing, wanted.smooth);
    painter.setFont(*font);
    painter.setPen(QColor(0, 0, 0, 255));
    // The cell's top at the origin: the baseline sits one ascent below it.
    painter.drawText(QPoint(margin, margin + metrics.ascent()), string);
  }

  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    const uchar* row = image.constScanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      if (row[x] == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return mask;
  mask.left = left - margin;
  mask.top = top - margin;
  mask.width = right - left + 1;
  mask.height = bottom - top + 1;
  mask.coverage.resize(static_cast<size_t>(mask.width) * mask.height);
  for (int y = 0; y < mask.height; ++y) {
    const uchar* row = image.constScanLine(top + y) + left;
    std::copy(row, row + mask.width, mask.coverage.begin() + static_cast<size_t>(y) * mask.width);
  }
  return mask;
}

bool QtGlyphRasterizer::canMake(const FontSpec& wanted) {
  return qtFontOf(wanted).has_value();
}
