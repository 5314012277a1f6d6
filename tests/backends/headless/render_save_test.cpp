// `nev render --save-at` and `--load` end to end: a run loaded from any of its waits or choices
// goes on with the very frames and log of the run that saved it.

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "base/file_bytes.h"
#include "base/save_archive.h"
#include "base/save_file.h"
#include "midi_files.h"
#include "test_files.h"

namespace fs = std::filesystem;

namespace {

ProgramRun render(const fs::path& story, const fs::path& out, const std::string& options) {
  return runProgram(NEV_BINARY " render '" + story.string() + "' '" + out.string() + "' " +
                    options);
}

std::string frameName(size_t number) {
  char name[16];
  std::snprintf(name, sizeof name, "%04zu.png", number);
  return name;
}

// The log's lines from the one naming frame `first` on, without the frames' names and the
// lines' numbers (which a script changed above them moves).
std::vector<std::string> eventsFrom(const std::string& log, size_t first) {
  static const std::regex kFrameName(R"("file":"[0-9]+\.png",|"line":[0-9]+,)");
  std::vector<std::string> events;
  bool reached = false;
  size_t start = 0;
  for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = log.substr(start, end - start);
    reached = reached || line.find("\"file\":\"" + frameName(first) + "\"") != std::string::npos;
    if (reached) events.push_back(std::regex_replace(line, kFrameName, ""));
  }
  return events;
}

size_t countFrames(const fs::path& folder) {
  size_t frames = 0;
  while (fs::exists(folder / frameName(frames + 1))) ++frames;
  return frames;
}

// The save of frame `saved` of the run in `whole`, loaded, goes on with its very frames and log.
void expectLoadGoesOn(const fs::path& story, const std::string& choose, const fs::path& save,
                      size_t saved, const TempFolder& whole) {
  const size_t frames = countFrames(whole.path());
  TempFolder loaded;
  const ProgramRun run = render(story, loaded.path(), choose + " --load '" + save.string() + "'");
  ASSERT_EQ(run.status, 0) << run.output << " loading frame " << saved;
  ASSERT_EQ(countFrames(loaded.path()), frames - saved + 1) << saved;
  for (size_t k = 1; k <= frames - saved + 1; ++k) {
    EXPECT_TRUE(loaded.read(frameName(k)) == whole.read(frameName(saved + k - 1)))
        << "frame " << k << " after loading frame " << saved;
  }
  const std::string loadedLog = loaded.read("events.jsonl");
  EXPECT_NE(loadedLog.substr(0, loadedLog.find('\n')).find("\"event\":\"load\""), std::string::npos)
      << loadedLog;
  EXPECT_EQ(eventsFrom(loadedLog, 1), eventsFrom(whole.read("events.jsonl"), saved))
      << "after loading frame " << saved;
}

// Saves at every frame of the run, loads each save, and compares what follows.
void expectEveryLoadGoesOn(const fs::path& story, const std::string& choose, const fs::path& changed) {
  TempFolder whole, saves;
  std::string saveAt;
  for (int frame = 1; frame <= 40; ++frame) {
    saveAt += " --save-at " + std::to_string(frame) + ":'" + (saves.path() / frameName(frame)).string() + "'";
  }
  // More saves are asked for than the run has waits: those are told of, with status 3.
  const ProgramRun savingRun = render(story, whole.path(), choose + saveAt);
  ASSERT_EQ(savingRun.status, 3) << savingRun.output;
  EXPECT_NE(savingRun.output.find("frame 40 was never reached"), std::string::npos);
  const size_t frames = countFrames(whole.path());
  ASSERT_GT(frames, 3u);
  // The end frame is no wait: nothing is saved there.
  EXPECT_FALSE(fs::exists(saves.path() / frameName(frames)));
  for (size_t saved = 1; saved < frames; ++saved) {
    // Every other load is into a script changed above the save point.
    const fs::path from = saved % 2 == 0 || changed.empty() ? story : changed;
    expectLoadGoesOn(from, choose, saves.path() / frameName(saved), saved, whole);
  }
}

// A copy of the story whose scripts gained a line at the top.
void patchScripts(const fs::path& story, const TempFolder& copy) {
  fs::copy(story, copy.path(), fs::copy_options::recursive);
  for (const auto& entry : fs::directory_iterator(story)) {
    if (entry.path().extension() != ".txt") continue;
    const std::string name = entry.path().filename().string();
    copy.write(name, "@; a fix\r\n" + readWholeFile(entry.path().string()).value_or(""));
  }
}

TEST(RenderSave, EveryWaitAndChoiceLoadedGoesOnAsTheRunThatSavedIt) {
  TempFolder demoPatched;
  patchScripts(NEV_SOURCE_DIR "/demo", demoPatched);
  for (const char* choose : {"--choose 0", "--choose 2"}) {
    SCOPED_TRACE(choose);
    expectEveryLoadGoesOn(NEV_SOURCE_DIR "/demo", choose, demoPatched.path());
  }
  // A piece that loops across the waits, saved part-way through, and lines without waits.
  TempFolder story;
  story.write("nev.ini", storyIni({{28, "0"}}));
  story.write("loop.mid", heldNote(300));
  story.write("start.txt",
              "@Yloop.mid,1;\none\n@T250;\ntwo\n@M\n@T450;\n@W2\nleft\nright\n@Jstart.txt,x;\n"
              "@Jstart.txt,y;\n@Lx;\nthree\n@M\n@E\n@Ly;\nfour\n@M\n@T700;\n@Q\nfive\n@M\n");
  expectEveryLoadGoesOn(story.path(), "--choose 1", {});
}

// Saves kept from before their sections were read by one function each (tests/data/old_save:
// its text is drawn in the background's colour, so that its frames do not hang on glyphs).
TEST(RenderSave, SavesOfAnEarlierNevStillLoadAndGoOn) {
  const fs::path story = NEV_SOURCE_DIR "/tests/data/old_save";
  TempFolder whole;
  ASSERT_EQ(render(story, whole.path(), "--choose 1").status, 0);
  for (const auto& [file, saved] : {std::pair{"wait.sav", 2}, std::pair{"choice.sav", 4}}) {
    expectLoadGoesOn(story, "--choose 1", story / file, saved, whole);
  }
}

// `bytes` with its section `name` replaced.
std::string withSection(const std::string& bytes, const std::string& name,
                        const std::string& section) {
  SaveSections save;
  EXPECT_FALSE(decodeSaveFile(bytes, save));
  for (auto& [sectionName, sectionBytes] : save.sections) {
    if (sectionName == name) sectionBytes = section;
  }
  return encodeSaveFile(save);
}

// The headless player's part of a save of a 160 × 120 client.
std::string playerPart(int64_t clock, std::vector<int32_t> paintEdges) {
  SaveArchive out;
  int32_t width = 160, height = 120, mouseY = 0;
  std::vector<Pixel> client(size_t(width * height));
  uint32_t paints = uint32_t(paintEdges.size() / 4);
  bool menuBarPinned = true, menuBarPopped = false;
  out.i64(clock), out.i32(width), out.i32(height), out.pixels(client, client.size());
  out.u32(paints);
  for (int32_t& edge : paintEdges) out.i32(edge);
  out.i32(mouseY), out.flag(menuBarPinned), out.flag(menuBarPopped);
  return out.data();
}

// The desktop keeps no player's part: render starts such a save from a fresh picture.
TEST(RenderSave, ASaveWithoutThePlayersPartLoads) {
  const fs::path story = NEV_SOURCE_DIR "/tests/data/old_save";
  TempFolder saves, whole, loaded;
  ASSERT_EQ(render(story, whole.path(), "--choose 1").status, 0);
  const std::string desktop = saves.write(
      "desktop.sav",
      withSection(readWholeFile((story / "wait.sav").string()).value_or(""), "player", ""));
  const ProgramRun run = render(story, loaded.path(), "--choose 1 --load '" + desktop + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  ASSERT_EQ(countFrames(loaded.path()), countFrames(whole.path()) - 1);
  EXPECT_TRUE(loaded.read(frameName(1)) == whole.read(frameName(2)));
}

// The number of the first frame after the text event of `file`'s `line`.
size_t frameAfterLine(const std::string& log, const std::string& file, int line) {
  const std::string text = "\"event\":\"text\",\"file\":\"" + file + "\",\"line\":" +
                           std::to_string(line) + ",";
  const size_t frame = log.find("\"event\":\"frame\",\"file\":\"", log.find(text));
  return frame == std::string::npos ? 0 : std::stoul(log.substr(frame + 24, 4));
}

// A warp starts where the uninterrupted run stood at the last wait or choice before the line,
// and goes on with its very frames, whatever case the script is named in.
TEST(RenderSave, AWarpStartsAtTheLastWaitBeforeItsLineAsTheWholeRunHadIt) {
  const fs::path demo = NEV_SOURCE_DIR "/demo";
  const struct {
    std::string target, choose, waitFile;
    int waitLine;
  } cases[] = {
      {"ROUTE.TXT:27", "--choose 2", "route.txt", 21},  // the third item's branch
      {"Field.txt:30", "--choose 1", "field.txt", 28},  // three choices deep
      {"start.txt:42", "--choose 0", "route.txt", 8},   // fewest picks: the first item's
      {"start.txt:29", "--choose 0", "start.txt", 25},  // an item line: the choice's own place
      {"start.txt:3", "--choose 0", "", 0},              // before any wait: the start
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    TempFolder whole, warped;
    ASSERT_EQ(render(demo, whole.path(), c.choose).status, 0);
    const ProgramRun run = render(demo, warped.path(), "--warp " + c.target);
    ASSERT_EQ(run.status, 0) << run.output;
    const size_t first =
        c.waitLine == 0 ? 1 : frameAfterLine(whole.read("events.jsonl"), c.waitFile, c.waitLine);
    ASSERT_GT(first, 0u);
    const size_t frames = countFrames(whole.path());
    ASSERT_EQ(countFrames(warped.path()), frames - first + 1);
    for (size_t k = 1; k <= frames - first + 1; ++k) {
      EXPECT_TRUE(warped.read(frameName(k)) == whole.read(frameName(first + k - 1))) << k;
    }
  }
  // A line no route reaches, and lines that are not there, are refused before any output.
  TempFolder story, out;
  story.write("nev.ini", storyIni());
  story.write("start.txt", "one\n@Jstart.txt,x;\ntwo\n@Lx;\n");
  for (const auto& [target, says] : {std::pair{"start.txt:3", "no route reaches this line"},
                                     std::pair{"start.txt:5", "the script ends at line 4"},
                                     std::pair{"other.txt:1", "the story has no such script"}}) {
    const ProgramRun run = render(story.path(), out.path() / "frames", std::string("--warp ") + target);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output.substr(0, run.output.find(';')),
              std::string("nev render: ") + target + ": " + says);
    EXPECT_FALSE(fs::exists(out.path() / "frames"));
  }
}

TEST(RenderSave, ASaveThatCannotBeLoadedIsOneLineAndStatusOne) {
  TempFolder story, other, rewritten, out, saves;
  story.write("nev.ini", storyIni());
  story.write("start.txt", "one\ntwo\nthree\n");
  const std::string save = (saves.path() / "2.sav").string();
  ASSERT_EQ(render(story.path(), out.path(), "--save-at 2:'" + save + "'").status, 0);
  const std::string bytes = readWholeFile(save).value_or("");
  const std::string truncated = saves.write("cut.sav", bytes.substr(0, bytes.size() - 1));
  // Paints as many as the whole client holds cells, and a clock at its end.
  std::vector<int32_t> paints;
  for (int32_t i = 0; i < 1025; ++i) paints.insert(paints.end(), {i % 160, i / 160, 160, 120});
  const std::string manyPaints =
      saves.write("paints.sav", withSection(bytes, "player", playerPart(0, paints)));
  const std::string lateClock =
      saves.write("clock.sav", withSection(bytes, "player", playerPart(INT64_MAX, {})));
  other.write("nev.ini", storyIni({{0, "another story"}}));
  other.write("start.txt", "one\ntwo\nthree\n");
  rewritten.write("nev.ini", storyIni());
  rewritten.write("start.txt", "uno\ndos\ntres\n");
  // A choice whose last item was cut from the script since: its place stands, its items do not.
  TempFolder choice, cut;
  for (const TempFolder* folder : {&choice, &cut}) folder->write("nev.ini", storyIni());
  choice.write("start.txt", "x\ny\n@W2\na\nb\n@E\n@E\n");
  cut.write("start.txt", "x\ny\n@W2\na\n");
  const std::string atChoice = (saves.path() / "choice.sav").string();
  ASSERT_EQ(render(choice.path(), out.path(), "--save-at 3:'" + atChoice + "'").status, 0);
  const struct {
    const TempFolder& story;
    std::string file, says, options = "";
  } cases[] = {
      {story, truncated, "damaged"},
      {story, (saves.path() / "none.sav").string(), "cannot be read"},
      {other, save, "a save of another story"},
      {rewritten, save, "start.txt has changed where the save was made"},
      {cut, atChoice, "start.txt has changed where the save was made"},
      {story, save, "made with another client size", " --client 320x240"},
      {story, manyPaints, "damaged"},
      {story, lateClock, "damaged"},
  };
  for (const auto& c : cases) {
    TempFolder loaded;
    const ProgramRun run = render(c.story.path(), loaded.path(), "--load '" + c.file + "'" + c.options);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output, "nev render: " + c.file + ": " + c.says + "\n");
  }
}

}  // namespace
