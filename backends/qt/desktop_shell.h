#pragma once
// The desktop window on Qt Widgets: start-up, the menu bar, painting, mouse and keys, boxes and
// dialogs, the window modes, and a clean end.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "backends/qt/live_reload.h"
#include "engine/save_point.h"
#include "engine/zip_story_files.h"

struct DesktopStart {
  // The story to play; none: the reader first picks the story's folder.
  std::optional<OpenedStory> story;
  int resume = -1;            // a place kept when nev last ended: 1 go on, 0 leave it, -1 ask
  std::string textOut;        // where each typed line goes as it is typed ("-": stdout)
  bool endingProblemsInBox = false;  // a problem that ends nev also shows a box
  // A translation's code; empty: the language the story was last read in, else the original.
  std::string language;
  // Where --warp starts the story when read in a language (empty: the original): not taken, at
  // its start; nothing, with `problem` filled in, when no route gets there. The place kept for
  // the next start is then neither offered nor written. Unset: no warp.
  std::function<std::optional<SavePoint>(const std::string& language, Problem& problem)> warp;
  bool watch = false;  // the author's edits to the scripts are played at once
  ReplayPicks replayPicks;  // how a watched story goes back when the reader's line changed
};

// Plays the story in a window until the reader or the story ends it.
// Returns the exit status: 0 after a clean end, 1 when the story could not start or none was
// picked.
int runDesktopShell(const DesktopStart& start);
