#include "engine/save_game.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "base/save_file.h"
#include "engine/script/runner.h"

namespace {

constexpr std::string_view kIdentity = "story\n8x6 txt";

SavePoint smallPoint() {
  SavePoint point;
  point.taken = true;
  point.kind = SavePointKind::Choice;
  point.scriptName = "route.txt";
  point.linesRead = 9;
  point.waitLine = 6;
  point.choiceItems = {"yes", "no"};
  point.history = {"first", "second"};
  point.cursorX = 1, point.cursorY = 2, point.markerX = 3, point.markerY = 4;
  point.choiceX = 5, point.choiceY = 6, point.currentDelay = 7;
  point.textWindow = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  point.surfaceWidth = 8, point.surfaceHeight = 6;
  for (Pixel value = 0; value < 48; ++value) {
    point.display.push_back(value);
    point.compose.push_back(value * 3);
    point.overlay.push_back(value * 5);
  }
  point.music = {"theme.mid", 1, true, 1234};
  point.playerState = "clock";
  point.place = {6, "line", {"a", "b", "c"}, {"d"}};
  return point;
}

std::string encoded(const SavePoint& point) {
  return encodeSaveGame(point, summarizeSavePoint(point, 1700000000), kIdentity);
}

std::string problemOf(std::string_view bytes, std::string_view identity = kIdentity) {
  SavePoint point;
  SaveSummary summary;
  const std::optional<Problem> problem = decodeSaveGame(bytes, identity, point, summary);
  return problem ? problem->detail : "";
}

TEST(SaveGame, EveryFieldComesBackAndTheSummaryShowsThePage) {
  const SavePoint point = smallPoint();
  const std::string bytes = encoded(point);
  SavePoint back;
  SaveSummary summary;
  ASSERT_FALSE(decodeSaveGame(bytes, kIdentity, back, summary));
  EXPECT_EQ(encodeSaveGame(back, summary, kIdentity), bytes);
  EXPECT_EQ(back.display, point.display);
  EXPECT_EQ(back.music.position, 1234);
  EXPECT_EQ(summary.savedAt, 1700000000);
  EXPECT_EQ(summary.firstText, "first");
  ASSERT_EQ(summary.thumbnailWidth, 8);
  ASSERT_EQ(summary.thumbnailHeight, 6);
  EXPECT_EQ(summary.thumbnail, point.display);
}

TEST(SaveGame, ThumbnailKeepsTheProportionsOfAWidePicture) {
  SavePoint point = smallPoint();
  point.surfaceWidth = 640, point.surfaceHeight = 240;
  point.display.resize(640 * 240);
  for (size_t i = 0; i < point.display.size(); ++i) point.display[i] = Pixel(i / 640 * 1000 + i % 640);
  const SaveSummary summary = summarizeSavePoint(point, 0);
  ASSERT_EQ(summary.thumbnailWidth, kThumbnailWidth);
  ASSERT_EQ(summary.thumbnailHeight, 60);
  EXPECT_EQ(summary.thumbnail[59 * 160 + 159], Pixel(236 * 1000 + 636));
}

TEST(SaveGame, RefusesWhatIsNotAWholeSaveOfThisStory) {
  const std::string bytes = encoded(smallPoint());
  for (size_t length = 0; length < bytes.size(); ++length) {
    EXPECT_NE(problemOf(bytes.substr(0, length)), "") << length;
  }
  for (size_t at = 0; at < bytes.size(); ++at) {
    std::string flipped = bytes;
    flipped[at] = char(flipped[at] ^ 0x20);
    EXPECT_NE(problemOf(flipped), "") << at;
  }
  EXPECT_EQ(problemOf(bytes, "another\n8x6 txt"), "a save of another story");
  std::string newer = bytes;
  newer[8] = char(kSaveFormatVersion + 1);
  EXPECT_EQ(problemOf(newer), "made by a newer nev");
}

// Sections whose container is whole but whose fields are not.
TEST(SaveGame, RefusesFieldsThatCannotBeRestored) {
  SavePoint point = smallPoint();
  const std::string good = encoded(point);
  SaveSections sections;
  ASSERT_FALSE(decodeSaveFile(good, sections));
  auto withSection = [&](const std::string& name, const std::string& bytes) {
    SaveSections changed = sections;
    for (auto& [sectionName, sectionBytes] : changed.sections) {
      if (sectionName == name) sectionBytes = bytes;
    }
    if (bytes == "\x01missing") std::erase_if(changed.sections, [&](auto& s) { return s.first == name; });
    return encodeSaveFile(changed);
  };
  SavePoint wrongKind = point;
  wrongKind.choiceItems.clear();  // a choice without items
  SavePoint noScript = point;
  noScript.scriptName.clear();
  SavePoint waitAhead = point;
  waitAhead.waitLine = waitAhead.linesRead;
  SavePoint pageTooLong = point;
  pageTooLong.history.assign(kHistorySlots + 1, "line");  // more than the runner can hold
  // Each reads a file outside the story, lies about its place or overflows what it moves.
  const std::vector<std::function<void(SavePoint&)>> lies = {
      [](SavePoint& p) { p.scriptName = "/etc/passwd"; },
      [](SavePoint& p) { p.scriptName = "..\\..\\x.txt"; },
      [](SavePoint& p) { p.scriptName = "C:start.txt"; },
      [](SavePoint& p) { p.music.fileName = "../theme.mid"; },
      [](SavePoint& p) { p.place = {}; },
      [](SavePoint& p) { p.place.lineIndex = INT32_MAX; },
      [](SavePoint& p) { p.waitLine = 7; },
      [](SavePoint& p) { p.linesRead = INT32_MAX; },
      [](SavePoint& p) { p.cursorX = INT32_MAX; },
      [](SavePoint& p) { p.music.position = INT64_MAX; },
  };
  const std::string cases[] = {
      withSection("display", good.substr(0, 10)),
      withSection("overlay", std::string(47 * 4, '\0')),
      withSection("point", ""),
      withSection("music", "\x01missing"),
      withSection("story", "\x01missing"),
      withSection("summary", "short"),
      encodeSaveGame(wrongKind, {}, kIdentity),
      encodeSaveGame(noScript, {}, kIdentity),
      encodeSaveGame(waitAhead, {}, kIdentity),
      encodeSaveGame(pageTooLong, {}, kIdentity),
  };
  for (const std::string& bytes : cases) EXPECT_EQ(problemOf(bytes), "damaged");
  for (size_t row = 0; row < lies.size(); ++row) {
    SavePoint lying = point;
    lies[row](lying);
    EXPECT_EQ(problemOf(encoded(lying)), "damaged") << row;
  }
}

}  // namespace
