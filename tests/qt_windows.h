#pragma once
// What the tests of real windows share: Qt's widgets application, and a story opened with the
// desktop's own glyphs.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "backends/fontconfig/fontconfig_faces.h"
#include "backends/qt/qt_environment.h"
#include "base/freetype_glyph_rasterizer.h"
#include "engine/local_story_folder.h"
#include "engine/story_session.h"
#include "test_files.h"

// False when another kind of Qt application already runs in this process.
inline bool widgetsApplicationRuns() {
  ensureGuiApplication();
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

inline std::unique_ptr<StorySession> openWithDesktopGlyphs(const TempFolder& story) {
  Problem problem;
  const StoryBackends backends{
      [] { return std::make_unique<FreeTypeGlyphRasterizer>(fontconfigFaces()); }, {}};
  auto session = openStory(std::make_shared<LocalStoryFolder>(story.path()), backends, problem);
  EXPECT_NE(session, nullptr) << problem.detail;
  return session;
}
