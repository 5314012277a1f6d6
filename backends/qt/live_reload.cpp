#include "backends/qt/live_reload.h"

#include <QString>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <mutex>

#include "authoring/check.h"
#include "backends/qt/playing_scripts.h"
#include "base/codepage.h"
#include "base/text_file.h"
#include "engine/context.h"
#include "engine/script/saved_place.h"
#include "engine/translation/story_translation.h"

namespace {

// An editor's save: a temporary file written, the old one renamed away, the new one renamed in.
constexpr int kSettleMs = 300;
// Often enough to see every wait a reader clicks through; skipping may pass some unseen.
constexpr int kFollowMs = 50;
// The waits kept to fall back to; each holds the three pictures.
constexpr size_t kKeptWaits = 24;

bool isScriptName(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  return name.size() > 4 && (name.ends_with(".txt") || name.ends_with(".stx"));
}

bool sameWait(const SavePoint& a, const SavePoint& b) {
  return a.scriptName == b.scriptName && a.linesRead == b.linesRead && a.kind == b.kind &&
         a.history == b.history;
}

// Where line `index` of `was` stands in `is`: by its neighbours, or, with all of them changed
// too, where the line alone stands once.
std::optional<int32_t> standingLine(const std::vector<std::string>& was, int32_t index,
                                    const std::vector<std::string>& is) {
  if (std::optional<int32_t> found = findSavedPlace(is, savedPlaceAt(was, index))) return found;
  const std::string& line = was[size_t(index)];
  const auto first = std::find(is.begin(), is.end(), line);
  if (first == is.end() || std::find(first + 1, is.end(), line) != is.end()) return std::nullopt;
  return int32_t(first - is.begin());
}

QString qs(const std::string& path) { return QString::fromStdString(path); }

}  // namespace

bool relocateSavePoint(SavePoint& point, const std::vector<std::string>& lines) {
  if (point.place.line.empty()) return false;
  const std::optional<int32_t> found = findSavedPlace(lines, point.place);
  if (!found) return false;
  point.linesRead += *found - point.place.lineIndex;
  point.waitLine = *found;
  point.place = savedPlaceAt(lines, *found);
  return true;
}

LiveReload::LiveReload(NevContext& context, PlayingScripts& scripts, std::string folder,
                       Window window)
    : context_(context), scripts_(scripts), folder_(std::move(folder)), window_(std::move(window)) {
  playing_ = readScripts();
  scripts_.play(playing_);
  playingErrors_ = lintErrorKeys(lintErrors());
  watchFiles();
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  QObject::connect(&settle_, &QTimer::timeout, [this] { reload(); });
  QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, [this] { settle_.start(); });
  QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { settle_.start(); });
  QObject::connect(&follow_, &QTimer::timeout, [this] { followSavePoints(); });
  follow_.start(kFollowMs);
}

void LiveReload::followSavePoints() {
  std::lock_guard guard(context_.savePoints.lock);
  const SavePoint& latest = context_.savePoints.latest;
  if (!latest.taken || (!waits_.empty() && sameWait(latest, waits_.back()))) return;
  waits_.push_back(latest);
  if (waits_.size() > kKeptWaits) waits_.pop_front();
}

ScriptTexts LiveReload::readScripts() const {
  const StoryFiles& disk = scripts_.onDisk();
  ScriptTexts scripts;
  for (const std::string& name : disk.list()) {
    if (!isScriptName(name)) continue;
    const std::optional<std::string> path = disk.resolve(name);
    std::optional<std::string> bytes = disk.read(name);
    if (path && bytes) scripts[*path] = std::move(*bytes);
  }
  return scripts;
}

std::optional<std::vector<std::string>> LiveReload::linesOf(const ScriptTexts& scripts,
                                                           const std::string& scriptName) const {
  const std::optional<std::string> path = scripts_.onDisk().resolve(scriptName);
  const auto found = path ? scripts.find(*path) : scripts.end();
  if (found == scripts.end()) return std::nullopt;
  TextFile script;
  script.openBytes(found->second);
  return readScriptLines(script, context_.config.scrambledScripts);
}

std::set<std::pair<std::string, std::string>> LiveReload::lintErrorKeys(
    const std::vector<CheckFinding>& findings) {
  std::set<std::pair<std::string, std::string>> keys;
  for (const CheckFinding& finding : findings) keys.insert({finding.file, finding.message});
  return keys;
}

std::vector<CheckFinding> LiveReload::lintErrors() const {
  std::vector<CheckFinding> errors = checkStory(folder_);
  std::erase_if(errors, [](const CheckFinding& f) { return f.severity != FindingSeverity::Error; });
  return errors;
}

void LiveReload::watchFiles() {
  // A file renamed over is a new file, which the watcher no longer follows.
  if (!watcher_.directories().contains(qs(folder_))) watcher_.addPath(qs(folder_));
  const QStringList watched = watcher_.files();
  const StoryFiles& disk = scripts_.onDisk();
  for (const std::string& name : disk.list()) {
    if (!isScriptName(name)) continue;
    const std::optional<std::string> path = disk.resolve(name);
    if (path && !watched.contains(qs(*path))) watcher_.addPath(qs(*path));
  }
}

int LiveReload::pickWait(const ScriptTexts& now) {
  for (int i = int(waits_.size()) - 1; i >= 0; --i) {
    SavePoint& wait = waits_[size_t(i)];
    const std::optional<std::vector<std::string>> was = linesOf(playing_, wait.scriptName);
    const std::optional<std::vector<std::string>> is = linesOf(now, wait.scriptName);
    if (!was || !is) continue;
    if (wait.place.line.empty()) wait.place = savedPlaceAt(*was, wait.waitLine);
    SavePoint moved = wait;
    if (relocateSavePoint(moved, *is)) return i;
  }
  return -1;
}

std::optional<SavePoint> LiveReload::replayReader(const ScriptTexts& now) const {
  if (!window_.replay || waits_.empty() || !waits_.back().picksFromStart) return std::nullopt;
  const SavePoint& reader = waits_.back();
  const std::optional<std::vector<std::string>> was = linesOf(playing_, reader.scriptName);
  const std::optional<std::vector<std::string>> is = linesOf(now, reader.scriptName);
  const std::optional<std::string> path = scripts_.onDisk().resolve(reader.scriptName);
  if (!was || !is || !path) return std::nullopt;
  // Up to the line after the last one before the wait that still stands.
  int32_t stop = 0;
  for (int32_t line = std::min(reader.waitLine, int32_t(was->size())) - 1; line >= 0; --line) {
    if (const std::optional<int32_t> found = standingLine(*was, line, *is)) {
      stop = *found + 1;
      break;
    }
  }
  auto files = std::make_shared<PlayingScripts>(scripts_.sharedOnDisk());
  files->play(now);
  // In the window's language, so the page comes back as it was typed.
  return window_.replay(std::move(files), reader.picks, *path, stop + 1,
                        context_.translation ? context_.translation->code() : std::string());
}

namespace {

// The author's terminal hears where the reader was put.
void sayWhereReadingGoesOn(const SavePoint& point) {
  if (point.scriptName.empty()) {
    std::fprintf(stderr, "nev: the scripts were read again; the story starts again\n");
  } else {
    std::fprintf(stderr, "nev: the scripts were read again; reading goes on at %s:%d\n",
                 printableStoryText(point.scriptName).c_str(), point.waitLine + 1);
  }
}

}  // namespace

void LiveReload::reload() {
  watchFiles();
  ScriptTexts now = readScripts();
  if (now == playing_) {
    window_.showErrors({});
    return;
  }
  const std::vector<CheckFinding> errors = lintErrors();
  std::vector<std::string> newErrors;
  for (const CheckFinding& error : errors) {
    if (!playingErrors_.contains({error.file, error.message})) {
      newErrors.push_back(formatFinding(error));
    }
  }
  window_.showErrors(newErrors);
  if (!newErrors.empty()) return;  // the old scripts play on; the next save tries again

  followSavePoints();
  const int picked = pickWait(now);
  const std::optional<SavePoint> replayed =
      picked == int(waits_.size()) - 1 ? std::nullopt : replayReader(now);
  scripts_.play(now);
  if (replayed) {
    waits_.clear();
    sayWhereReadingGoesOn(*replayed);
    window_.goOnFrom(*replayed);
  } else if (picked < 0) {
    waits_.clear();
    sayWhereReadingGoesOn(SavePoint{});
    window_.goOnFrom(SavePoint{});
  } else {
    waits_.erase(waits_.begin() + picked + 1, waits_.end());
    SavePoint relocated = waits_.back();  // its place noted by pickWait
    if (const std::optional<std::vector<std::string>> is = linesOf(now, relocated.scriptName)) {
      relocateSavePoint(relocated, *is);
    }
    sayWhereReadingGoesOn(relocated);
    window_.goOnFrom(waits_.back());
    // The waits kept are noted against the scripts now playing.
    std::deque<SavePoint> kept;
    for (SavePoint& wait : waits_) {
      const std::optional<std::vector<std::string>> was = linesOf(playing_, wait.scriptName);
      const std::optional<std::vector<std::string>> is = linesOf(now, wait.scriptName);
      if (wait.place.line.empty() && was) wait.place = savedPlaceAt(*was, wait.waitLine);
      if (is && relocateSavePoint(wait, *is)) kept.push_back(std::move(wait));
    }
    waits_ = std::move(kept);
  }
  playing_ = std::move(now);
  playingErrors_ = lintErrorKeys(errors);
}
