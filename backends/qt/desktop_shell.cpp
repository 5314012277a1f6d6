#include "backends/qt/desktop_shell.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QSocketNotifier>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "base/story_data.h"
#include "engine/context.h"
#include "engine/zip_story_files.h"
#include "engine/messages.h"
#include "engine/story_session.h"
#include "engine/text_log.h"
#include "shell/reading_menu.h"
#include "shell/window_proc.h"
#include "backends/qt/captioned_box.h"
#include "backends/qt/main_window.h"
#include "backends/qt/our_captions.h"
#include "backends/qt/playing_scripts.h"
#include "backends/fontconfig/fontconfig_faces.h"
#include "backends/qt/qt_environment.h"
#include "base/freetype_glyph_rasterizer.h"
#include "backends/qt/settings_store.h"
#include "backends/qt/story_chooser.h"
#include "engine/sound/music.h"
#include "backends/sdl/pad_input.h"
#include "backends/sdl/sdl_audio.h"
#include "engine/text/message_window.h"

namespace {

// The program's own icon: the click marker on a night-blue page.
QIcon makeIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1c, 0x2a, 0x4a));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(0, 0, size, size), size * 0.18, size * 0.18);
    painter.setBrush(QColor(0xf2, 0xe6, 0xc8));
    for (int line = 0; line < 3; ++line) {
      painter.drawRect(QRectF(size * 0.18, size * (0.22 + 0.14 * line), size * 0.64, size * 0.06));
    }
    QPainterPath marker;
    marker.moveTo(size * 0.38, size * 0.66);
    marker.lineTo(size * 0.62, size * 0.66);
    marker.lineTo(size * 0.50, size * 0.84);
    marker.closeSubpath();
    painter.fillPath(marker, QColor(0xff, 0xd0, 0x60));
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

// SIGINT, SIGTERM and SIGHUP end nev as ゲーム終了 does. A handler can reach nothing but this
// pipe, which the window thread watches.
int signalPipe[2] = {-1, -1};

void onEndSignal(int signal) {
  const char number = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t written = write(signalPipe[1], &number, 1);
}

// Calls `end` with the signal's number on the window thread when one of the signals comes.
std::unique_ptr<QSocketNotifier> watchEndSignals(std::function<void(int)> end) {
  if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
  struct sigaction action = {};
  action.sa_handler = onEndSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  auto notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, [end = std::move(end)] {
    char number = 0;
    while (read(signalPipe[0], &number, 1) == 1) end(number);
  });
  return notifier;
}

// How one reading of the story ended: for good, or to open it again in another language.
struct Reading {
  int status = 0;
  std::optional<std::string> nextLanguage;
  SavePoint place;
};

// Plays the story in `language` (empty: the original) until the reader or the story ends it,
// from `carried` when the reader came from another language, else from `warpedTo` when warped.
Reading readStory(const DesktopStart& start, const std::shared_ptr<const StoryFiles>& files,
                  PlayingScripts* playing, const std::string& storyFolder, std::string language,
                  const std::optional<SavePoint>& carried,
                  const std::optional<SavePoint>& warpedTo, ReaderSettings& settings,
                  CaptionLanguage& captions) {
  Reading reading;
  QApplication& application = *qApp;
  Problem problem;
  bool audioMissing = false;
  const StoryBackends backends{
      [] { return std::make_unique<FreeTypeGlyphRasterizer>(fontconfigFaces()); },
      [&audioMissing] {
        auto audio = std::make_unique<SdlAudio>();
        audioMissing = !audio->audioAvailable();
        return audio;
      }};
  std::unique_ptr<StorySession> session = openStory(files, backends, problem, language);
  if (!session && !language.empty() && language != start.language) {
    // The translation remembered from last time is gone: the original, said once.
    std::fprintf(stderr, "nev: %s; reading the original\n", problem.detail.c_str());
    language.clear();
    session = openStory(files, backends, problem, language);
  }
  if (!session) {
    // Before the window exists, which shows the story's own boxes.
    reportProblemInBox(nullptr, problem);
    reading.status = 1;
    return reading;
  }
  captions.use(language);
  rememberLanguage(settings, storyDataName(storyFolder), language);
  NevContext& context = session->context();
  TextLog textLog;
  if (!start.textOut.empty()) {
    if (std::optional<Problem> unwritable = textLog.open(start.textOut, storyFolder)) {
      unwritable->detail = "cannot write " + unwritable->detail;
      unwritable->boxText = "入力した文字を書き出すファイルに書き込めません";
      unwritable->caption = "nev";
      unwritable->advice = "give --text-out another file";
      reportEndingProblem(*unwritable, start.endingProblemsInBox);
      reading.status = 1;
      return reading;
    }
  }
  textLog.attach(context.platform);
  SoundBackend& audio = session->sound();

  int& status = reading.status;
  {
    PadReader pad;  // outlives the window that reads it
    MainWindow window(context);
    // The end of a piece reaches the window thread as a message of its own.
    audio.setEndOfPieceHandler([&window](uint32_t piece) { window.postEndOfPiece(piece); });
    int endSignal = 0;
    window.onEnded = [&audio, &endSignal] {
      audio.setEndOfPieceHandler({});
      QCoreApplication::exit(endSignal == 0 ? 0 : 128 + endSignal);
    };
    window.onLanguageChosen = [&window, &reading](const std::string& code, const SavePoint& point) {
      reading.nextLanguage = code;
      reading.place = point;
      window.destroyWindow();
    };
    const auto signalWatch = watchEndSignals([&window, &endSignal](int signal) {
      if (endSignal == 0) endSignal = signal;
      window.destroyWindow();
    });
    std::error_code noFolder;
    window.state().saveSlots.dataFolder = storyDataFolder(storyFolder);
    window.state().language = language;
    // Lines read before, kept beside the saves; without them nothing counts as read.
    const std::string marksFile = window.state().saveSlots.dataFolder + "/read.txt";
    std::filesystem::create_directories(window.state().saveSlots.dataFolder, noFolder);
    removeStaleTemporaries(window.state().saveSlots.dataFolder);
    if (const std::optional<Problem> unmarked = context.reading.marks.open(marksFile)) {
      std::fprintf(stderr, "nev: %s; skipping treats every line as unread\n",
                   unmarked->detail.c_str());
    }
    // Before the question whether to go on, which opens where the window will.
    window.setReaderSettings(&settings, storyDataName(storyFolder));
    SavePoint kept;
    // A warped reading keeps no place, in whichever language it goes on.
    if (warpedTo) window.state().saveSlots.keepsPlace = false;
    if (carried) {
      // Not asked again: the reader was reading there a moment ago.
      if (carried->taken) context.resumeAt = *carried;
    } else if (warpedTo) {
      if (warpedTo->taken) context.resumeAt = *warpedTo;
    } else if (resumeFromAutoSlot(context, window.state(), window, start.resume, kept)) {
      context.resumeAt = kept;
    }
    // A signal while the reader was being asked ends nev before the story starts.
    if (window.ended()) {
      status = 128 + endSignal;
    } else {
      if (playing != nullptr) {
        window.state().watchingScripts = true;
        window.watchScripts(*playing, storyFolder, start.replayPicks);
      }
      window.startStory();
      if (!carried) rememberStory(settings, storyFolder);
      buildStartMenus(context, window.state(), window);
      window.showAsRemembered();
      window.readPad(pad);
      if (audioMissing) tellNoAudioDevice(window);
      // A story can end before the loop starts; its end then needs no loop.
      if (!window.ended()) status = application.exec();
    }
  }
  // A signal ends nev, whatever else was asked.
  if (status != 0) reading.nextLanguage.reset();
  return reading;
}

}  // namespace

int runDesktopShell(const DesktopStart& start) {
  // Qt reads its own options from the command line; nev's words are not for it.
  static int argc = 1;
  static char name[] = "nev";
  static char* argv[] = {name, nullptr};
  prepareQtEnvironment();
  QApplication application(argc, argv);
  application.setWindowIcon(makeIcon());

  ReaderSettings settings = loadReaderSettings();
  std::optional<OpenedStory> story = start.story;
  if (!story) {
    const std::optional<std::string> chosen = chooseStory(settings.recentStories);
    if (!chosen) return 1;
    Problem problem;
    story = openStoryFolderOrZip(*chosen, problem);
    if (!story) {
      reportEndingProblem(unopenedFolderProblem(problem), start.endingProblemsInBox);
      return 1;
    }
  }
  const std::string storyFolder = story->location;
  const std::string storyName = storyDataName(storyFolder);
  std::shared_ptr<const StoryFiles> files = std::move(story->files);
  // Watched, the runner reads the scripts as the author's last accepted change left them.
  std::shared_ptr<PlayingScripts> playing;
  std::error_code notFolder;
  if (start.watch && std::filesystem::is_directory(storyFolder, notFolder)) {
    playing = std::make_shared<PlayingScripts>(std::move(files));
    files = playing;
  } else if (start.watch) {
    std::fprintf(stderr, "nev: %s: --watch follows a story folder, not a zip; played unwatched\n",
                 storyFolder.c_str());
  }
  std::string language =
      !start.language.empty() ? start.language : rememberedLanguage(settings, storyName);
  std::optional<SavePoint> warpedTo;
  if (start.warp) {
    // Found in the language it will be read in, so its pictures are that language's.
    Problem unreached;
    std::optional<SavePoint> warped = start.warp(language, unreached);
    if (!warped && language != start.language) {  // a remembered translation gone bad
      language = start.language;
      warped = start.warp(language, unreached);
    }
    if (!warped) {
      unreached.caption = "nev";
      unreached.boxText = unreached.detail;
      reportEndingProblem(unreached, start.endingProblemsInBox);
      return 1;
    }
    warpedTo = std::move(warped);
  }
  CaptionLanguage captions(application);
  std::optional<SavePoint> carried;  // the reader's place, taken into another language
  for (;;) {
    Reading reading = readStory(start, files, playing.get(), storyFolder, language, carried,
                                warpedTo, settings, captions);
    if (!reading.nextLanguage) {
      saveReaderSettings(settings);
      return reading.status;
    }
    language = *reading.nextLanguage;
    carried = std::move(reading.place);
  }
}
