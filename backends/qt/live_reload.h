#pragma once
// The author's live reload: the story's scripts watched on disk, and each saved change played at
// once from the reader's place. The runner goes on from a save point as a load does, found again
// by its line and neighbours. When the wait's own line changed, the reader's picks are played
// headless on the new scripts to the wait before the changed line, so that the pictures, music
// and page are what the new scripts make; after a load from a slot, which keeps no picks, the
// nearest earlier wait kept whose line still stands is shown as it was. A change that brings
// lint errors the playing scripts did not have is not played: the errors are shown and the old
// scripts go on.

#include <QFileSystemWatcher>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "authoring/check.h"
#include "engine/save_point.h"

class PlayingScripts;
class StoryFiles;
struct NevContext;

// Every script of the story, its bytes by its path on disk.
using ScriptTexts = std::map<std::string, std::string>;

// Where a save point's wait went to in `lines`, a changed version of the script it was taken in,
// its place noted again there; false when its line no longer stands.
bool relocateSavePoint(SavePoint& point, const std::vector<std::string>& lines);

// The story in `files` played headless with `picks` at its choices until it comes to line `line`
// (from 1) of the script at `scriptPath`, read in the translation `language` (empty: the
// original): the save point taken last before it; nothing when the play ends first.
using ReplayPicks = std::function<std::optional<SavePoint>(
    std::shared_ptr<const StoryFiles> files, const std::vector<int32_t>& picks,
    const std::string& scriptPath, int32_t line, std::string_view language)>;

class LiveReload {
 public:
  struct Window {
    std::function<void(const SavePoint&)> goOnFrom;  // as a load does; untaken: the start
    std::function<void(const std::vector<std::string>&)> showErrors;  // none: the panel goes
    ReplayPicks replay;  // unset: the waits kept are all there is to go back to
  };
  // Watches the story in `folder` from now on; the runner reads the scripts `scripts` serves
  // (context.files), which are the ones on disk as they are now until a change is accepted.
  LiveReload(NevContext& context, PlayingScripts& scripts, std::string folder, Window window);

  // Reads the scripts again now, as a saved change does after a moment.
  void reload();
  // Keeps the wait the runner is at, to fall back to; the window calls it before the reader's
  // input can end the wait, and a timer between.
  void followSavePoints();

 private:
  ScriptTexts readScripts() const;
  // The script at `path` as the runner reads it, line by line; nothing when it is not there.
  std::optional<std::vector<std::string>> linesOf(const ScriptTexts& scripts,
                                                  const std::string& scriptName) const;
  std::vector<CheckFinding> lintErrors() const;
  // Errors compared without their lines, which an edit elsewhere moves.
  static std::set<std::pair<std::string, std::string>> lintErrorKeys(
      const std::vector<CheckFinding>& findings);
  void watchFiles();
  // The earliest of `waits_` whose line still stands in `now`, nearest first; its index, or -1.
  int pickWait(const ScriptTexts& now);
  // The reader's picks played on `now` to the wait before the reader's changed line.
  std::optional<SavePoint> replayReader(const ScriptTexts& now) const;

  NevContext& context_;
  PlayingScripts& scripts_;
  std::string folder_;
  Window window_;
  ScriptTexts playing_;
  std::set<std::pair<std::string, std::string>> playingErrors_;
  // The waits passed since the start or the last reload, the latest last; their places are
  // noted against `playing_`. Without picks known from the start, the way back.
  std::deque<SavePoint> waits_;
  QFileSystemWatcher watcher_;
  QTimer settle_;  // an editor's save is several events
  QTimer follow_;
};
