#include "engine/script/saved_place.h"

#include <algorithm>
#include <iterator>

#include "base/text_file.h"
#include "engine/script/line_reader.h"

namespace {

// A neighbour by its distance from the saved line: -1 the line before, +1 the line after, …
struct Neighbour {
  int32_t offset;
  const std::string* text;
};

// Nearest first, the line before ahead of the line after at the same distance.
std::vector<Neighbour> neighboursOf(const SavedPlace& saved) {
  std::vector<Neighbour> neighbours;
  for (int32_t distance = 1; distance <= kSavedNeighbours; ++distance) {
    if (size_t(distance) <= saved.before.size()) {
      neighbours.push_back({-distance, &saved.before[saved.before.size() - distance]});
    }
    if (size_t(distance) <= saved.after.size()) {
      neighbours.push_back({distance, &saved.after[distance - 1]});
    }
  }
  return neighbours;
}

bool stands(const std::vector<std::string>& lines, int64_t index, const std::string& text) {
  return index >= 0 && index < int64_t(lines.size()) && lines[size_t(index)] == text;
}

bool allStand(const std::vector<std::string>& lines, int32_t index, const SavedPlace& saved,
              const std::vector<Neighbour>& neighbours) {
  if (!stands(lines, index, saved.line)) return false;
  return std::all_of(neighbours.begin(), neighbours.end(), [&](const Neighbour& n) {
    return stands(lines, int64_t(index) + n.offset, *n.text);
  });
}

}  // namespace

std::vector<std::string> readScriptLines(TextFile& script, int32_t scrambledScripts) {
  std::vector<std::string> lines;
  char buffer[kScriptLineSize];
  for (int length; (length = readScriptLine(buffer, kScriptLineSize, script, scrambledScripts)) > 0;) {
    lines.emplace_back(buffer, size_t(length));
  }
  return lines;
}

SavedPlace savedPlaceAt(const std::vector<std::string>& lines, int32_t index) {
  SavedPlace place;
  place.lineIndex = index;
  if (index < 0 || size_t(index) >= lines.size()) return place;
  place.line = lines[size_t(index)];
  for (int32_t i = std::max(index - kSavedNeighbours, 0); i < index; ++i) {
    place.before.push_back(lines[size_t(i)]);
  }
  const int32_t last = std::min<int64_t>(int64_t(index) + kSavedNeighbours, int64_t(lines.size()) - 1);
  for (int32_t i = index + 1; i <= last; ++i) place.after.push_back(lines[size_t(i)]);
  return place;
}

std::optional<int32_t> findSavedPlace(const std::vector<std::string>& lines,
                                      const SavedPlace& saved) {
  const std::vector<Neighbour> neighbours = neighboursOf(saved);
  if (allStand(lines, saved.lineIndex, saved, neighbours)) return saved.lineIndex;

  std::vector<int32_t> places;  // where the saved line itself stands
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == saved.line) places.push_back(int32_t(i));
  }
  std::vector<int32_t> whole;  // where its whole neighbourhood stands
  std::copy_if(places.begin(), places.end(), std::back_inserter(whole),
               [&](int32_t i) { return allStand(lines, i, saved, neighbours); });
  if (whole.size() == 1) return whole.front();
  if (!whole.empty()) return std::nullopt;  // the same neighbourhood stands twice

  // Else the place where most of its neighbours still stand, when one does best and at least
  // one neighbour agrees: a line such as "@M" alone says nothing of where it was.
  std::optional<int32_t> best;
  size_t bestCount = 0;
  bool tied = false;
  for (int32_t place : places) {
    const size_t count = size_t(std::count_if(neighbours.begin(), neighbours.end(), [&](const Neighbour& n) {
      return stands(lines, int64_t(place) + n.offset, *n.text);
    }));
    if (!best || count > bestCount) {
      best = place;
      bestCount = count;
      tied = false;
    } else if (count == bestCount) {
      tied = true;
    }
  }
  if (!best || tied || (bestCount == 0 && !neighbours.empty())) return std::nullopt;
  return best;
}
