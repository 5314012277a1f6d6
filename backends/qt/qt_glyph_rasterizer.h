#pragma once
// Glyphs from the desktop's fonts, drawn by Qt into an 8-bit coverage image. Qt's fonts need
// a QGuiApplication: the desktop shell makes its own before any font is made; headless runs
// and tests call ensureGuiApplication() first.

#include <QFont>
#include <optional>
#include <string>

#include "base/font.h"

// Sets up what Qt expects of the session before an application object is made.
void prepareQtEnvironment();

// Makes a QApplication on the offscreen platform when none exists yet; otherwise does
// nothing. Call it from the main thread, before any other thread touches a font.
void ensureGuiApplication();

// Deletes the application ensureGuiApplication made, if it made one.
void releaseGuiApplication();

// The Qt font that draws `wanted`; nothing when it cannot be made. The Mincho and Gothic faces
// stories ask for ("ＭＳ 明朝" and the like) become IPA Mincho or IPA Gothic, as fontconfig would
// give them a Latin face; a face that is not installed falls back to a Japanese one.
std::optional<QFont> qtFontOf(const FontSpec& wanted);

// Stateless apart from a lock-guarded cache of face lookups, so any thread may call it; each
// call paints with its own QFont, QImage and QPainter, which Qt allows outside the GUI thread.
class QtGlyphRasterizer final : public GlyphRasterizer {
 public:
  GlyphMask rasterize(const FontSpec& wanted, const std::string& text) override;
  bool canMake(const FontSpec& wanted) override;
};
