#include "engine/script/saved_place.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace {

std::vector<std::string> linesOf(const std::string& words) {
  std::istringstream in(words);
  std::vector<std::string> lines;
  for (std::string word; in >> word;) lines.push_back(word + "\n");
  return lines;
}

TEST(SavedPlace, FoundWhereItsLineAndNeighboursStandAndNowhereUncertain) {
  const std::string story = "t1 t2 t3 @M t4 t5 t6 @M t7 ";
  const std::tuple<int32_t, std::string, std::optional<int32_t>> cases[] = {
      {3, story, 3},
      {3, "x y " + story, 5},                               // lines put in before it
      {3, story + "t1 t2 t3 @M t4 t5 t6 ", 3},              // the old place still stands
      {3, "x t1 t2 t3 @M t4 t5 t6 t1 t2 t3 @M t4 t5 t6 ", std::nullopt},  // twice, moved
      {3, "x t1 T2 t3 @M t4 t5 t6 @M t7 ", 4},              // a neighbour edited
      {7, "x t1 t2 t3 @M t4 T5 t6 @M t7 ", 8},              // most neighbours still there
      {3, "t1 t2 t3 @M2 t4 t5 t6 @M t7 ", std::nullopt},    // its line edited: not the other @M
      {3, "@Q t1 T2 T3 @M @M t4 t5 t6 ", 5},                // the one its lines follow
      {3, "t3 @M t9 t3 @M t9 ", std::nullopt},              // two places as good
      {3, "q @M r ", std::nullopt},                         // the line alone says nothing
      {0, "x " + story, 1},                                 // at the file's start
      {8, story + "x ", 8},                                 // at its end
      {3, "", std::nullopt},
  };
  const std::vector<std::string> saved = linesOf(story);
  for (const auto& [index, now, expected] : cases) {
    EXPECT_EQ(findSavedPlace(linesOf(now), savedPlaceAt(saved, index)), expected) << now;
  }
}

}  // namespace
