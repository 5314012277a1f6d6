#pragma once
// The save point: the story's state as the latest click wait or choice began, before its marker
// was drawn or an item lit, so that a load re-enters the same wait or choice and draws it as it
// was drawn then. Only what the story itself set is kept; the window's own settings are not.

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/problem.h"
#include "base/save_file.h"
#include "base/surface.h"
#include "engine/config.h"
#include "engine/script/runner_state.h"
#include "engine/script/saved_place.h"
#include "engine/text/text_window_layout.h"

struct NevContext;
class StoryFiles;

enum class SavePointKind : int32_t { ClickWait = 0, Choice = 1 };

// The longest time a save may tell, on the player's clock or into a piece (milliseconds): some
// thousand years, and far from where sums of a few such times overflow.
inline constexpr int64_t kLongestSavedTime = int64_t{1} << 45;

// The piece playing at a save point, and how far into it.
struct SavedMusic {
  std::string fileName;  // the story's name for the last piece asked for
  int32_t loop = 0;
  bool playing = false;
  int64_t position = 0;  // milliseconds
};

struct SavePoint {
  bool taken = false;
  SavePointKind kind = SavePointKind::ClickWait;
  std::string scriptName;  // as the story named it
  int32_t linesRead = 0;   // reading goes on after this many lines
  int32_t waitLine = 0;    // the line that led to the wait or choice (0-based)
  std::vector<std::string> choiceItems;
  std::vector<std::string> history;
  int32_t cursorX = 0, cursorY = 0, markerX = 0, markerY = 0, choiceX = 0, choiceY = 0;
  int32_t currentDelay = 0;
  std::array<int32_t, kTextWindowFields> textWindow = {};
  int32_t surfaceWidth = 0, surfaceHeight = 0;
  std::vector<Pixel> display, compose, overlay;
  SavedMusic music;
  std::vector<std::vector<std::string>> backlog;
  // The translation it was made in ("en"); empty: the original. The place is the script's either
  // way.
  std::string language;
  // The player's own part, as its playerState seam gave it.
  std::string playerState;
  // The save format it was written in, which reads it back.
  uint32_t playerStateVersion = kSaveFormatVersion;
  // The wait's line and its neighbours, for finding it again in a changed script; filled in
  // when the save is written, empty while the script is the one read.
  SavedPlace place;
  // The items picked before it, to play it again headless; not kept in a save file.
  std::vector<int32_t> picks;
  bool picksFromStart = false;
};

// Written by the runner as each wait or choice begins; read by whoever saves.
struct SavePointRecord {
  std::mutex lock;
  SavePoint latest;
};

// The runner, at the start of a click wait, or of a choice once its `choiceCount` items are read.
void takeSavePoint(RunnerScope scope, SavePointKind kind, int32_t choiceCount = 0);

// Keeps the wait's line and its neighbours as the script reads now, for a later load to find
// them again; false when the script cannot be read there.
bool notePlace(const StoryFiles& files, SavePoint& point, int32_t scrambledScripts);

// Why restoreSavePoint would fail, changing nothing.
std::optional<Problem> canRestoreSavePoint(const NevContext& context, const SavePoint& point);

// Puts a save point back into a runner whose story's surfaces exist, with its script open at the
// line after the wait; a script changed since is read where the wait's line is found again. A
// problem, its detail without a path, when the script cannot be read or the place is not
// certain.
std::optional<Problem> restoreSavePoint(RunnerScope scope, const SavePoint& point);

// Puts the save point's pictures back into the surfaces, for a window that shows them before
// the runner has restored the rest; nothing when they do not fit.
void restoreSavedPictures(NevContext& context, const SavePoint& point);

// A stopped runner's story made ready to go on from `point`, as a load does: the music left
// behind stops, and the reader's pending click and hidden text are dropped.
void readyToGoOnFrom(NevContext& context, const SavePoint& point);
// When the story goes on from context.resumeAt: its pictures put in place before the runner
// starts, so that a paint coming first never shows the scene from before the load.
void showSavedPicturesAtOnce(NevContext& context);

// Starts the save point's piece again where it was, without a word to the log.
void resumeSavedMusic(NevContext& context, const SavedMusic& music);
