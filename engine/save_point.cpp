#include "engine/save_point.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/context.h"
#include "engine/translation/story_translation.h"
#include "base/codepage.h"
#include "engine/gfx/surfaces.h"
#include "engine/script/flow_commands.h"
#include "engine/script/line_reader.h"
#include "engine/text/message_window.h"

namespace {

// The page's places and delay, named alike in the message window and the save point.
template <typename To, typename From>
void copyPagePlaces(To& to, const From& from) {
  to.cursorX = from.cursorX;
  to.cursorY = from.cursorY;
  to.markerX = from.markerX;
  to.markerY = from.markerY;
  to.choiceX = from.choiceX;
  to.choiceY = from.choiceY;
  to.currentDelay = from.currentDelay;
}

void copyPixels(const std::unique_ptr<Bitmap>& from, std::vector<Pixel>& to) {
  if (from) to = from->pixels;
}

void copyLine(char* to, const std::string& line) {
  const size_t length = std::min(line.size(), size_t(kScriptLineSize - 1));
  std::memcpy(to, line.data(), length);
  to[length] = '\0';
}

bool pixelsFit(const std::unique_ptr<Bitmap>& bitmap, const std::vector<Pixel>& pixels) {
  return bitmap && bitmap->pixels.size() == pixels.size();
}

bool picturesFit(const SurfaceSet& set, const SavePoint& point) {
  return pixelsFit(set.displayBitmap, point.display) && pixelsFit(set.composeBitmap, point.compose) &&
         pixelsFit(set.overlayBitmap, point.overlay);
}

}  // namespace

void takeSavePoint(RunnerScope scope, SavePointKind kind, int32_t choiceCount) {
  NevContext& context = scope.story;
  const RunnerStorage& runner = scope.runner;
  std::lock_guard guard(context.savePoints.lock);
  SavePoint& point = context.savePoints.latest;
  point.taken = true;
  point.kind = kind;
  point.scriptName = runner.cursor.scriptName();
  point.linesRead = runner.cursor.linesRead();
  point.waitLine = runner.cursor.linesRead() - 1 - (kind == SavePointKind::Choice ? choiceCount : 0);
  point.choiceItems.assign(runner.choiceTable, runner.choiceTable + choiceCount);
  point.history.assign(runner.history.lines, runner.history.lines + runner.history.lineCount);
  point.language = context.translation != nullptr ? context.translation->code() : "";
  copyPagePlaces(point, runner.messageWindow);
  for (size_t i = 0; i < kTextWindowFields; ++i) {
    point.textWindow[i] = runner.layout.*kTextWindowSettings[i];
  }
  point.place = {};
  {
    MusicState& music = context.music;
    std::lock_guard musicGuard(music.lock);
    const std::optional<int64_t> position =
        music.musicDeviceId == kNoMusicDevice
            ? std::nullopt
            : context.platform.sound->musicPosition(music.musicDeviceId);
    point.music = {music.musicFileName, music.musicLoop.load(), position.has_value(),
                   position.value_or(0)};
  }
  context.platform.playerState(point.playerState);
  point.backlog = backlogPages(context);
  SurfaceSet& set = context.surfaces;
  std::lock_guard pixels(set.pixelLock);
  point.surfaceWidth = set.surfaceWidth;
  point.surfaceHeight = set.surfaceHeight;
  copyPixels(set.displayBitmap, point.display);
  copyPixels(set.composeBitmap, point.compose);
  copyPixels(set.overlayBitmap, point.overlay);
}

bool notePlace(const StoryFiles& files, SavePoint& point, int32_t scrambledScripts) {
  TextFile script;
  if (!files.openScript(point.scriptName, script)) return false;
  point.place = savedPlaceAt(readScriptLines(script, scrambledScripts), point.waitLine);
  return !point.place.line.empty();
}

namespace {

// How many lines to read before going on: the saved count, moved by as far as the wait's line
// moved in a script changed since. Nothing, with `problem` set, when that cannot be known.
std::optional<int32_t> linesBeforeResuming(const NevContext& context, const SavePoint& point,
                                           Problem& problem) {
  // The surfaces are made at the story's screen size, and may not be made yet.
  const int32_t width = context.config.screenWidth, height = context.config.screenHeight;
  const size_t pixels = width > 0 && height > 0 ? size_t(width) * size_t(height) : 0;
  if (pixels == 0 || point.surfaceWidth != width || point.surfaceHeight != height ||
      point.display.size() != pixels || point.compose.size() != pixels ||
      point.overlay.size() != pixels) {
    problem = {.kind = ProblemKind::CannotRestore,
               .detail = "its pictures are not of this story's size"};
    return std::nullopt;
  }
  TextFile script;
  if (!context.files->openScript(point.scriptName, script)) {
    problem = {.kind = ProblemKind::StoryFile, .detail = point.scriptName + " cannot be read"};
    return std::nullopt;
  }
  // Only a save point of this run has no place yet; a save file always holds one.
  if (point.place.line.empty()) return point.linesRead;
  const std::vector<std::string> lines = readScriptLines(script, context.config.scrambledScripts);
  const std::optional<int32_t> found = findSavedPlace(lines, point.place);
  // The wait's line and any choice items after it are still in the script.
  const int64_t resumeAt =
      found ? int64_t{*found} + (int64_t{point.linesRead} - point.place.lineIndex) : 0;
  if (!found || resumeAt <= *found || resumeAt > int64_t(lines.size())) {
    problem = {.kind = ProblemKind::CannotRestore,
               .detail = point.scriptName + " has changed where the save was made"};
    return std::nullopt;
  }
  return int32_t(resumeAt);
}

// A page typed in another language is typed again in the reader's, over the picture as it
// stands without its text, as @X types a page; the wait's marker and a choice's items then
// follow these lines, not the saved ones.
void retypePageInReadersLanguage(RunnerScope scope) {
  SurfaceSet& set = scope.story.surfaces;
  {
    std::lock_guard guard(set.pixelLock);
    bitBlt(set.displaySurface, 0, 0, set.surfaceWidth, set.surfaceHeight, &set.overlaySurface, 0,
           0, SRCCOPY);
  }
  const int32_t delay = scope.runner.messageWindow.currentDelay;
  commandRedraw(scope, nullptr);
  scope.runner.messageWindow.currentDelay = delay;
  requestRepaint(scope.story);
}

}  // namespace

std::optional<Problem> canRestoreSavePoint(const NevContext& context, const SavePoint& point) {
  Problem problem;
  if (!linesBeforeResuming(context, point, problem)) return problem;
  return std::nullopt;
}

std::optional<Problem> restoreSavePoint(RunnerScope scope, const SavePoint& point) {
  NevContext& context = scope.story;
  RunnerStorage& runner = scope.runner;
  SurfaceSet& set = context.surfaces;
  Problem problem;
  const std::optional<int32_t> linesToSkip = linesBeforeResuming(context, point, problem);
  if (!linesToSkip) return problem;
  if (!picturesFit(set, point)) {
    return Problem{.kind = ProblemKind::CannotRestore,
                   .detail = "its pictures are not of this story's size"};
  }
  if (!runner.cursor.open(*context.files, point.scriptName)) {
    return Problem{.kind = ProblemKind::StoryFile, .detail = point.scriptName + " cannot be read"};
  }
  while (runner.cursor.linesRead() < *linesToSkip &&
         runner.cursor.readLine(context.config.scrambledScripts) > 0) {
  }

  for (size_t i = 0; i < kTextWindowFields; ++i) {
    runner.layout.*kTextWindowSettings[i] = point.textWindow[i];
  }
  replaceMessageFont(context, runner.layout.fontSize);
  copyPagePlaces(runner.messageWindow, point);
  setBacklogPages(context, point.backlog);
  runner.history.lineCount = 0;
  for (const std::string& line : point.history) {
    if (runner.history.lineCount >= kHistorySlots) break;
    // The page keeps no places, so its translations are found again by their originals.
    runner.history.translated[runner.history.lineCount] =
        context.translation != nullptr
            ? context.translation->ofOriginal(cp932ToUtf8Escaped(withoutLineEnd(line)))
            : nullptr;
    copyLine(runner.history.lines[runner.history.lineCount++], line);
  }
  for (size_t i = 0; i < point.choiceItems.size() && i < size_t(kChoiceSlots); ++i) {
    copyLine(runner.choiceTable[i], point.choiceItems[i]);
  }
  restoreSavedPictures(context, point);
  if (point.language != (context.translation != nullptr ? context.translation->code() : "")) {
    retypePageInReadersLanguage(scope);
  }
  // The loaded wait's page was typed before the save: skipping read text goes on from it when
  // the line that led to the wait (or the text line just above an @P or @M) is marked read.
  const int32_t waitLine = runner.cursor.linesRead();
  context.reading.lineWasRead =
      point.kind == SavePointKind::ClickWait &&
      (context.reading.marks.isRead(point.scriptName, waitLine) ||
       context.reading.marks.isRead(point.scriptName, waitLine - 1));
  return std::nullopt;
}

void restoreSavedPictures(NevContext& context, const SavePoint& point) {
  SurfaceSet& set = context.surfaces;
  std::lock_guard pixels(set.pixelLock);
  if (!picturesFit(set, point)) return;
  set.displayBitmap->pixels = point.display;
  set.composeBitmap->pixels = point.compose;
  set.overlayBitmap->pixels = point.overlay;
}

void resumeSavedMusic(NevContext& context, const SavedMusic& saved) {
  MusicState& music = context.music;
  std::lock_guard guard(music.lock);
  music.musicLoop = saved.loop;
  if (saved.playing) {
    resumeMusic(context, saved.fileName, saved.position);
    return;
  }
  music.musicFileName = saved.fileName;
  // A new number all the same, so that the end of a piece from before the load is not taken
  // for one of this story's.
  ++music.piece;
}

void readyToGoOnFrom(NevContext& context, const SavePoint& point) {
  {
    std::lock_guard guard(context.music.lock);
    context.platform.sound->closeMusic(kAllMusicDevices);
  }
  context.shared.clicked = 0;
  context.shared.waitingForClick = 0;
  context.shared.hideText = 0;  // the loaded page is shown with its text
  context.resumeAt = point;
  context.shared.stopRunner = 0;
}

void showSavedPicturesAtOnce(NevContext& context) {
  if (!context.resumeAt.taken) return;
  prepareRunnerSurfaces(context);
  if (!canRestoreSavePoint(context, context.resumeAt)) restoreSavedPictures(context, context.resumeAt);
}
