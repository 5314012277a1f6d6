#include "engine/save_game.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <span>

#include "base/file_bytes.h"
#include "base/save_archive.h"
#include "base/save_file.h"
#include "base/story_data.h"
#include "base/story_files.h"
#include "engine/context.h"
#include "engine/script/runner.h"

namespace {

// Large enough for any picture a story can make, small enough that a lying header costs little.
constexpr int64_t kLargestPixelCount = int64_t{1} << 26;
// Far beyond any page, and small enough that sums of a few places never overflow.
constexpr int32_t kFarthestPagePlace = 1 << 24;
constexpr size_t kLargestLanguageCode = 64;

// Each line fits the runner's buffer (`longest`), and there are no more than `most`.
void lineList(SaveArchive& archive, std::vector<std::string>& lines, uint32_t most,
              size_t longest = size_t(kScriptLineSize) - 1) {
  if (!archive.size(lines, most)) return;
  for (std::string& line : lines) archive.bytes(line, longest);
}

void pointSection(SaveArchive& archive, SavePoint& point) {
  int32_t kind = int32_t(point.kind);
  archive.i32(kind);
  archive.require(kind == int32_t(SavePointKind::ClickWait) ||
                  kind == int32_t(SavePointKind::Choice));
  if (archive.reading()) point.kind = SavePointKind(kind);
  archive.bytes(point.scriptName, size_t(kScriptLineSize) - 1);
  // A name from a file reads nothing outside the story.
  archive.require(!point.scriptName.empty() && !leavesStoryFolder(point.scriptName));
  archive.i32(point.linesRead);
  archive.i32(point.waitLine);
  archive.require(point.waitLine >= 0 && point.waitLine < point.linesRead);
  lineList(archive, point.choiceItems, kChoiceSlots);
  lineList(archive, point.history, kHistorySlots);
  // The wait's line is the last one read, or the choice's items follow it.
  archive.require((point.kind == SavePointKind::Choice) != point.choiceItems.empty() &&
                  int64_t{point.linesRead} - 1 - point.waitLine ==
                      int64_t(point.choiceItems.size()));
  for (int32_t* value : {&point.cursorX, &point.cursorY, &point.markerX, &point.markerY,
                         &point.choiceX, &point.choiceY, &point.currentDelay}) {
    archive.i32(*value);
    archive.require(*value >= -kFarthestPagePlace && *value <= kFarthestPagePlace);
  }
  for (int32_t& value : point.textWindow) archive.i32(value);
  archive.i32(point.surfaceWidth);
  archive.i32(point.surfaceHeight);
  archive.require(point.surfaceWidth > 0 && point.surfaceHeight > 0 &&
                  int64_t{point.surfaceWidth} * point.surfaceHeight <= kLargestPixelCount);
}

void placeSection(SaveArchive& archive, SavedPlace& place) {
  archive.i32(place.lineIndex);
  archive.bytes(place.line, size_t(kScriptLineSize) - 1);
  lineList(archive, place.before, kSavedNeighbours);
  lineList(archive, place.after, kSavedNeighbours);
}

void musicSection(SaveArchive& archive, SavedMusic& music) {
  archive.bytes(music.fileName, size_t(kScriptLineSize) - 1);
  archive.require(!leavesStoryFolder(music.fileName));
  archive.i32(music.loop);
  archive.flag(music.playing);
  archive.i64(music.position);
  archive.require(music.position >= 0 && music.position <= kLongestSavedTime);
}

void backlogSection(SaveArchive& archive, std::vector<std::vector<std::string>>& pages) {
  if (!archive.size(pages, kBacklogPages)) return;
  // A picked item carries its mark before the line's bytes.
  for (std::vector<std::string>& page : pages) {
    lineList(archive, page, uint32_t(kHistorySlots) * 16, size_t(kScriptLineSize));
  }
}

void summarySection(SaveArchive& archive, SaveSummary& summary) {
  archive.i64(summary.savedAt);
  archive.bytes(summary.firstText, kLargestSaveSection);
  archive.i32(summary.thumbnailWidth);
  archive.i32(summary.thumbnailHeight);
  archive.require(summary.thumbnailWidth >= 0 && summary.thumbnailHeight >= 0 &&
                  summary.thumbnailWidth <= kThumbnailWidth &&
                  summary.thumbnailHeight <= kThumbnailWidth * 16);
  if (archive.failed()) return;
  archive.pixels(summary.thumbnail,
                 size_t(summary.thumbnailWidth) * size_t(summary.thumbnailHeight));
}

void languageSection(SaveArchive& archive, std::string& code) {
  archive.bytes(code, kLargestLanguageCode);
}

// Every section of a save but the story's identity, in the order written: the one list that
// both writing and reading walk. `visit` is given each section's name, whether a save must
// hold it, and the function that writes or reads it.
template <typename Visit>
void eachSection(SavePoint& point, SaveSummary& summary, Visit&& visit) {
  visit("summary", true, [&](SaveArchive& archive) { summarySection(archive, summary); });
  visit("point", true, [&](SaveArchive& archive) { pointSection(archive, point); });
  visit("place", true, [&](SaveArchive& archive) {
    placeSection(archive, point.place);
    // A save always holds its place, so that a load finds the wait's line again.
    archive.require(!point.place.line.empty() && point.place.lineIndex == point.waitLine);
  });
  visit("music", true, [&](SaveArchive& archive) { musicSection(archive, point.music); });
  for (const auto& picture : {std::pair{"display", &point.display},
                               std::pair{"compose", &point.compose},
                               std::pair{"overlay", &point.overlay}}) {
    visit(picture.first, true, [&](SaveArchive& archive) {
      archive.remainingPixels(*picture.second,
                              size_t(point.surfaceWidth) * size_t(point.surfaceHeight));
    });
  }
  // The player's part is its own; it reads it with the file's version.
  visit("player", true, [&](SaveArchive& archive) {
    archive.remainingBytes(point.playerState);
    if (archive.reading()) point.playerStateVersion = archive.version();
  });
  // A save from before the backlog has none.
  visit("backlog", false, [&](SaveArchive& archive) { backlogSection(archive, point.backlog); });
  // Nor one from before translations: it was made in the original.
  visit("language", false, [&](SaveArchive& archive) { languageSection(archive, point.language); });
}

const std::string* findSection(const SaveSections& save, std::string_view name) {
  for (const auto& [sectionName, bytes] : save.sections) {
    if (sectionName == name) return &bytes;
  }
  return nullptr;
}

Problem damagedSave() { return {.kind = ProblemKind::DamagedSave, .detail = "damaged"}; }

// Why the file is not whole or not a save of this story.
std::optional<Problem> saveOfStoryProblem(std::string_view bytes, std::string_view identity,
                                          SaveSections& save,
                                          std::span<const std::string_view> only) {
  if (std::optional<Problem> problem = decodeSaveFile(bytes, save, only)) return problem;
  const std::string* story = findSection(save, "story");
  if (story == nullptr) return damagedSave();
  if (*story != identity) {
    return Problem{.kind = ProblemKind::OtherStory, .detail = "a save of another story"};
  }
  return std::nullopt;
}

}  // namespace

std::string storyIdentity(const GameConfig& config) {
  return std::string(config.windowTitle) + '\n' + std::to_string(config.screenWidth) + 'x' +
         std::to_string(config.screenHeight) + (config.scrambledScripts != 0 ? " stx" : " txt");
}

SaveSummary summarizeSavePoint(const SavePoint& point, int64_t savedAt) {
  SaveSummary summary;
  summary.savedAt = savedAt;
  summary.language = point.language;
  if (!point.history.empty()) summary.firstText = point.history.front();
  const int64_t width = point.surfaceWidth, height = point.surfaceHeight;
  if (width <= 0 || height <= 0 || point.display.size() != size_t(width * height)) return summary;
  summary.thumbnailWidth = int32_t(std::min<int64_t>(kThumbnailWidth, width));
  summary.thumbnailHeight =
      int32_t(std::max<int64_t>(1, height * summary.thumbnailWidth / width));
  summary.thumbnail = shrinkPixels(point.display.data(), point.surfaceWidth, point.surfaceHeight,
                                   point.surfaceWidth, summary.thumbnailWidth,
                                   summary.thumbnailHeight);
  return summary;
}

std::string encodeSaveGame(const SavePoint& point, const SaveSummary& summary,
                           std::string_view identity) {
  SaveSections save;
  save.sections.emplace_back("story", std::string(identity));
  // Writing only reads the fields it is given.
  eachSection(const_cast<SavePoint&>(point), const_cast<SaveSummary&>(summary),
              [&](std::string_view name, bool, auto&& section) {
                SaveArchive out;
                section(out);
                save.sections.emplace_back(std::string(name), out.data());
              });
  return encodeSaveFile(save);
}

std::optional<Problem> decodeSaveGame(std::string_view bytes, std::string_view identity,
                                      SavePoint& point, SaveSummary& summary) {
  SaveSections save;
  if (std::optional<Problem> problem = saveOfStoryProblem(bytes, identity, save, {})) {
    return problem;
  }
  SavePoint loaded;
  SaveSummary loadedSummary;
  bool whole = true;
  eachSection(loaded, loadedSummary, [&](std::string_view name, bool needed, auto&& section) {
    const std::string* stored = whole ? findSection(save, name) : nullptr;
    if (stored == nullptr) {
      whole = whole && !needed;
      return;
    }
    SaveArchive in(*stored, save.version);
    section(in);
    whole = in.readWhole();
  });
  if (!whole) return damagedSave();
  loaded.taken = true;
  loadedSummary.language = loaded.language;
  point = std::move(loaded);
  summary = std::move(loadedSummary);
  return std::nullopt;
}

std::optional<Problem> decodeSaveSummary(std::string_view bytes, std::string_view identity,
                                         SaveSummary& summary) {
  static constexpr std::string_view kListed[] = {"story", "summary", "language"};
  SaveSections save;
  if (std::optional<Problem> problem = saveOfStoryProblem(bytes, identity, save, kListed)) {
    return problem;
  }
  const std::string* listed = findSection(save, "summary");
  SaveSummary loaded;
  if (listed != nullptr) {
    SaveArchive in(*listed, save.version);
    summarySection(in, loaded);
    bool whole = in.readWhole();
    // The list shows the language a save was made in; one from before translations has none.
    if (const std::string* language = findSection(save, "language"); whole && language != nullptr) {
      SaveArchive languageIn(*language, save.version);
      languageSection(languageIn, loaded.language);
      whole = languageIn.readWhole();
    }
    if (whole) {
      summary = std::move(loaded);
      return std::nullopt;
    }
  }
  return damagedSave();
}

std::optional<Problem> writeLatestSave(NevContext& context, const std::string& path,
                                       int64_t savedAt) {
  SavePoint point;
  {
    std::lock_guard guard(context.savePoints.lock);
    point = context.savePoints.latest;
  }
  if (!point.taken) {
    return fileProblem(ProblemKind::NoSavePoint, path,
                       "the story has not reached a place to save yet");
  }
  if (!notePlace(*context.files, point, context.config.scrambledScripts)) {
    return fileProblem(ProblemKind::StoryFile, path, point.scriptName + " cannot be read");
  }
  const std::string bytes =
      encodeSaveGame(point, summarizeSavePoint(point, savedAt), storyIdentity(context.config));
  if (bytes.empty()) return fileProblem(ProblemKind::TooLargeSave, path, "the save is too large");
  return writeFileAtomically(path, bytes);
}

std::optional<Problem> readSave(const NevContext& context, const std::string& path,
                                SavePoint& point) {
  const std::optional<std::string> bytes = readWholeFile(path, kLargestSaveFile);
  if (!bytes) return fileProblem(ProblemKind::CannotRead, path, "cannot be read");
  SavePoint read;
  SaveSummary summary;
  std::optional<Problem> problem =
      decodeSaveGame(*bytes, storyIdentity(context.config), read, summary);
  if (!problem) problem = canRestoreSavePoint(context, read);
  if (problem) return fileProblem(problem->kind, path, problem->detail);
  point = std::move(read);
  return std::nullopt;
}
