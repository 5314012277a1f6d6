#include "backends/qt/qt_environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>

#include "backends/qt/captioned_box.h"
#include "engine/host.h"

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
  // must find them there too.
  argc = 3;
  argv[1] = platformOption;
  argv[2] = platform;
  ownApplication = new QApplication(argc, argv);
}

void releaseGuiApplication() {
  // Before the program's exit handlers run, like an application on main's stack, so that Qt's
  // own statics still exist.
  delete ownApplication;
  ownApplication = nullptr;
}

Problem unopenedFolderProblem(Problem refused) {
  refused.detail = "cannot open story folder " + refused.detail;
  refused.boxText = "物語のフォルダを開けません";
  refused.caption = "nev";
  return refused;
}

void reportEndingProblem(const Problem& problem, bool inBox) {
  if (!inBox) return printProblem(problem);
  if (QCoreApplication::instance() != nullptr) return reportProblemInBox(nullptr, problem);
  prepareQtEnvironment();
  static int argc = 1;
  static char program[] = "nev";
  static char* argv[] = {program, nullptr};
  argc = 1;
  QApplication application(argc, argv);
  reportProblemInBox(nullptr, problem);
}
