#pragma once
// Starting a story at any line of its scripts: the route explorer finds the first route that
// reaches the line (fewest picks), which is played headless to the last wait or choice before
// it; the play then starts from that wait's save point, with its pictures, music and page.
// Nothing is marked read and no slot is written on the way.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/problem.h"
#include "engine/save_point.h"

class StoryFiles;

struct WarpTarget {
  std::string file;  // as the author names it: any case, "\" or "/"
  int32_t line = 0;  // from 1
};

// "FILE:LINE"; false, with `error` saying why, when the text is not one.
bool parseWarpTarget(std::string_view text, WarpTarget& target, std::string& error);

struct WarpStart {
  // The save point of the last wait or choice before the line; not taken when the line comes
  // before the story's first one, and the play then starts at the story's start.
  SavePoint point;
  // The items that lead on from there to the line, the pick at the save point's choice first.
  std::vector<int32_t> picks;
};

// The place to start from for `target` in the story at `storyDir` (a folder or a zip), played
// at the client size given (0: the story's picture size) and in the translation `language`
// names (empty: the original), so that the start is the page that reading shows there. Nothing,
// with `problem` saying "FILE:LINE: why", when no route reaches the line.
std::optional<WarpStart> findWarpStart(const std::string& storyDir, const WarpTarget& target,
                                       int32_t clientWidth, int32_t clientHeight,
                                       std::string_view language, Problem& problem);

// The story in `files` played headless with `picks` at its choices until, all of them picked,
// it comes to line `line` (from 1) or a later one of the script at `scriptPath`: the save point
// taken last before that (not taken: the story's start), for a window to go on from. Nothing
// when the play ends first. Read in the translation `language` (empty: the original).
std::optional<SavePoint> replayPicksToLine(std::shared_ptr<const StoryFiles> files,
                                           const std::vector<int32_t>& picks,
                                           const std::string& scriptPath, int32_t line,
                                           std::string_view language);
