#include "engine/reading.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "story_world.h"

namespace {

// The reader's skip of read text goes through the lines marked, stops at the first line not
// read and never comes back by itself; marks of one run are there for the next.
TEST(Reading, SkippingReadTextStopsAtTheFirstUnreadLine) {
  StoryWorld world{64, 48, [](GameConfig& settings) { settings.waitEveryLine = 1; }};
  NevContext& context = *world.context;
  const std::string marks = world.story.write("read.txt", "START.TXT\t1\nstart.txt\t2\nbroken line\n");
  ASSERT_FALSE(context.reading.marks.open(marks));
  context.reading.skip = int32_t(SkipMode::ReadText);
  int32_t waits = 0;
  world.onSleep = [&] {
    if (context.shared.waitingForClick.load() == 1 && context.shared.clicked.load() == 0) {
      ++waits;
      context.shared.clicked = 1;
    }
  };
  world.runStory("one\ntwo\nthree\none again\n");
  EXPECT_EQ(world.typedLines, (std::vector<std::string>{"three\n", "one again\n"}));
  EXPECT_EQ(waits, 2);
  EXPECT_EQ(context.reading.skip.load(), int32_t(SkipMode::Off));
  EXPECT_EQ(world.story.read("read.txt"), "START.TXT\t1\nstart.txt\t2\nbroken line\nstart.txt\t3\nstart.txt\t4\n");
}

// Marks are kept as runs of lines: what a file claims costs memory by its runs, within caps
// per script and in all, and only a regular file is ever read or written.
TEST(ReadMarks, KeptAsRunsWithinCapsAndOnlyInARegularFile) {
  TempFolder folder;
  const int32_t perScript = int32_t(ReadMarks::kMostRunsPerScript);
  std::string claims;
  // Far lines of many scripts, as a hostile file would claim them.
  for (int32_t script = 0; script < 1000; ++script) claims += "far" + std::to_string(script) + ".txt\t16777216\n";
  // Scripts of every other line, full; the last of them past the cap in all.
  const int32_t fullScripts = int32_t(ReadMarks::kMostRuns / ReadMarks::kMostRunsPerScript);
  for (int32_t script = 0; script <= fullScripts; ++script) {
    for (int32_t run = 0; run <= perScript; ++run) {
      claims += "s" + std::to_string(script) + ".txt\t" + std::to_string(2 * run + 1) + "\n";
    }
  }
  claims += std::string(2000, 'x') + "\t5\n";  // a name no story has
  ReadMarks marks;
  ASSERT_FALSE(marks.open(folder.write("read.txt", claims)));
  struct Row {
    const char* script;
    int32_t line;
    bool read;
  } rows[] = {{"far999.txt", 16777216, true},          {"FAR0.TXT", 16777215, false},
              {"s0.txt", 1, true},                     {"s0.txt", 2, false},
              {"s0.txt", 2 * perScript - 1, true},     {"s0.txt", 2 * perScript + 1, false},
              {"s2.txt", 2 * perScript + 1, false},    {"s0.txt", 0, false}};
  for (const Row& row : rows) EXPECT_EQ(marks.isRead(row.script, row.line), row.read) << row.script << ":" << row.line;
  EXPECT_FALSE(marks.isRead("s" + std::to_string(fullScripts) + ".txt", 1));
  // A run more is not kept, said once; a line joining two runs is, whatever the caps.
  testing::internal::CaptureStderr();
  EXPECT_FALSE(marks.mark("s1.txt", 9 * perScript));
  EXPECT_FALSE(marks.mark("new.txt", 1));
  EXPECT_TRUE(marks.mark("s0.txt", 2));
  EXPECT_TRUE(marks.isRead("s0.txt", 2));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "nev: " + (folder.path() / "read.txt").string() +
                ": holds as many read marks as nev keeps; lines read from now on are not marked\n");

  // Runs join from either side and across.
  ReadMarks fresh;
  for (int32_t line : {5, 3, 4, 1, 2, 9}) EXPECT_TRUE(fresh.mark("a.txt", line)) << line;
  EXPECT_FALSE(fresh.mark("A.TXT", 4));
  for (int32_t line = 0; line <= 10; ++line) EXPECT_EQ(fresh.isRead("a.txt", line), (line >= 1 && line <= 5) || line == 9) << line;

  // Nothing but a regular file: a device, a pipe or a link is refused at once, never waited on.
  ASSERT_EQ(mkfifo((folder.path() / "pipe").c_str(), 0600), 0);
  std::filesystem::create_symlink(folder.path() / "read.txt", folder.path() / "link");
  for (const std::string& path : {std::string("/dev/zero"), (folder.path() / "pipe").string(),
                                 (folder.path() / "link").string(), folder.path().string()}) {
    ReadMarks refused;
    EXPECT_TRUE(refused.open(path)) << path;
  }
}

// A disk that fills costs the marks from then on and one line, not the story.
TEST(ReadMarks, AFullDiskIsToldOnce) {
  TempFolder folder;
  const std::string path = folder.write("read.txt", std::string(4000, '\n'));
  ReadMarks marks;
  ASSERT_FALSE(marks.open(path));
  // The file may grow no more than a few marks: past that a write fails as on a full disk.
  rlimit before = {};
  getrlimit(RLIMIT_FSIZE, &before);
  rlimit small = before;
  small.rlim_cur = 4100;
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  testing::internal::CaptureStderr();
  for (int32_t line = 1; line <= 40; line += 2) EXPECT_TRUE(marks.mark("start.txt", line));
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &before), 0);
  std::signal(SIGXFSZ, previousHandler);
  const std::string told = testing::internal::GetCapturedStderr();
  EXPECT_EQ(told.rfind("nev: " + path + ": cannot keep read marks ("), 0u) << told;
  EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;
  EXPECT_TRUE(marks.isRead("start.txt", 39));
}

}  // namespace
