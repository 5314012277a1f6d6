#pragma once
// Finding a save point's line again in a script that may have changed since the save (an
// author's fix, a translation patch): by the line itself and the lines around it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TextFile;

inline constexpr int32_t kSavedNeighbours = 3;

struct SavedPlace {
  int32_t lineIndex = 0;            // lines read from the script's start before it
  std::string line;                 // as the runner read it
  std::vector<std::string> before;  // up to three lines before it, nearest last
  std::vector<std::string> after;   // up to three lines after it, nearest first
};

// Every line of a script as the runner reads it, to the end of the file.
std::vector<std::string> readScriptLines(TextFile& script, int32_t scrambledScripts);

// Line `index` of `lines` and its neighbours, as a save keeps them.
SavedPlace savedPlaceAt(const std::vector<std::string>& lines, int32_t index);

// Where the saved line stands now: at its old index when its neighbours still stand around it,
// else at the one place where they all do, else at the one place where it stands with more of
// its neighbours than anywhere else (one at least). Nothing when no place is certain.
std::optional<int32_t> findSavedPlace(const std::vector<std::string>& lines, const SavedPlace& saved);
