#include "engine/save_game.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <mutex>
#include <optional>
#include <span>

#include "base/file_bytes.h"
#include "base/save_file.h"
#include "base/story_data.h"
#include "engine/context.h"
#include "engine/script/runner.h"

static_assert(std::endian::native == std::endian::little, "pixels are stored as they lie in memory");

namespace {

// Large enough for any picture a story can make, small enough that a lying header costs little.
constexpr int64_t kLargestPixelCount = int64_t{1} << 26;

std::string pixelBytes(const std::vector<Pixel>& pixels) {
  return std::string(reinterpret_cast<const char*>(pixels.data()), pixels.size() * sizeof(Pixel));
}

bool readPixels(const std::string& bytes, int64_t count, std::vector<Pixel>& pixels) {
  if (count < 0 || bytes.size() != uint64_t(count) * sizeof(Pixel)) return false;
  pixels.resize(size_t(count));
  if (count > 0) std::memcpy(pixels.data(), bytes.data(), bytes.size());
  return true;
}

void putLines(SaveWriter& out, const std::vector<std::string>& lines) {
  out.u32(uint32_t(lines.size()));
  for (const std::string& line : lines) out.bytes(line);
}

// Each line fits the runner's buffer, and there are no more than `most`.
bool takeLines(SaveReader& in, std::vector<std::string>& lines, uint32_t most) {
  uint32_t count = 0;
  if (!in.u32(count) || count > most) return false;
  lines.resize(count);
  for (std::string& line : lines) {
    if (!in.bytes(line) || line.size() >= size_t(kScriptLineSize)) return false;
  }
  return true;
}

std::string pointSection(const SavePoint& point) {
  SaveWriter out;
  out.i32(int32_t(point.kind));
  out.bytes(point.scriptName);
  out.i32(point.linesRead);
  out.i32(point.waitLine);
  putLines(out, point.choiceItems);
  putLines(out, point.history);
  for (int32_t value : {point.cursorX, point.cursorY, point.markerX, point.markerY, point.choiceX,
                        point.choiceY, point.currentDelay}) {
    out.i32(value);
  }
  for (int32_t value : point.textWindow) out.i32(value);
  out.i32(point.surfaceWidth);
  out.i32(point.surfaceHeight);
  return out.data();
}

bool takePoint(std::string_view bytes, SavePoint& point) {
  SaveReader in(bytes);
  int32_t kind = 0;
  if (!in.i32(kind) || (kind != 0 && kind != 1) || !in.bytes(point.scriptName) ||
      point.scriptName.empty() || point.scriptName.size() >= size_t(kScriptLineSize) ||
      !in.i32(point.linesRead) || !in.i32(point.waitLine) || point.linesRead < 1 ||
      point.waitLine < 0 || point.waitLine >= point.linesRead ||
      !takeLines(in, point.choiceItems, kChoiceSlots) || !takeLines(in, point.history, kHistorySlots)) {
    return false;
  }
  point.kind = SavePointKind(kind);
  if ((point.kind == SavePointKind::Choice) == point.choiceItems.empty()) return false;
  for (int32_t* value : {&point.cursorX, &point.cursorY, &point.markerX, &point.markerY,
                         &point.choiceX, &point.choiceY, &point.currentDelay}) {
    if (!in.i32(*value)) return false;
  }
  for (int32_t& value : point.textWindow) {
    if (!in.i32(value)) return false;
  }
  return in.i32(point.surfaceWidth) && in.i32(point.surfaceHeight) && point.surfaceWidth > 0 &&
         point.surfaceHeight > 0 &&
         int64_t{point.surfaceWidth} * point.surfaceHeight <= kLargestPixelCount && in.atEnd();
}

std::string placeSection(const SavedPlace& place) {
  SaveWriter out;
  out.i32(place.lineIndex);
  out.bytes(place.line);
  putLines(out, place.before);
  putLines(out, place.after);
  return out.data();
}

bool takePlace(std::string_view bytes, SavedPlace& place) {
  SaveReader in(bytes);
  return in.i32(place.lineIndex) && place.lineIndex >= 0 && in.bytes(place.line) &&
         place.line.size() < size_t(kScriptLineSize) &&
         takeLines(in, place.before, kSavedNeighbours) &&
         takeLines(in, place.after, kSavedNeighbours) && in.atEnd();
}

std::string musicSection(const SavedMusic& music) {
  SaveWriter out;
  out.bytes(music.fileName);
  out.i32(music.loop);
  out.i32(music.playing ? 1 : 0);
  out.i64(music.position);
  return out.data();
}

bool takeMusic(std::string_view bytes, SavedMusic& music) {
  SaveReader in(bytes);
  int32_t playing = 0;
  if (!in.bytes(music.fileName) || music.fileName.size() >= size_t(kScriptLineSize) ||
      !in.i32(music.loop) || !in.i32(playing) || (playing != 0 && playing != 1) ||
      !in.i64(music.position) || music.position < 0 || !in.atEnd()) {
    return false;
  }
  music.playing = playing == 1;
  return true;
}

std::string backlogSection(const std::vector<std::vector<std::string>>& pages) {
  SaveWriter out;
  out.u32(uint32_t(pages.size()));
  for (const std::vector<std::string>& page : pages) putLines(out, page);
  return out.data();
}

bool takeBacklog(std::string_view bytes, std::vector<std::vector<std::string>>& pages) {
  SaveReader in(bytes);
  uint32_t count = 0;
  if (!in.u32(count) || count > kBacklogPages) return false;
  pages.resize(count);
  for (std::vector<std::string>& page : pages) {
    uint32_t lines = 0;
    if (!in.u32(lines) || lines > uint32_t(kHistorySlots) * 16) return false;
    page.resize(lines);
    for (std::string& line : page) {
      // A picked item carries its mark before the line's bytes.
      if (!in.bytes(line) || line.size() > size_t(kScriptLineSize)) return false;
    }
  }
  return in.atEnd();
}

std::string summarySection(const SaveSummary& summary) {
  SaveWriter out;
  out.i64(summary.savedAt);
  out.bytes(summary.firstText);
  out.i32(summary.thumbnailWidth);
  out.i32(summary.thumbnailHeight);
  out.bytes(pixelBytes(summary.thumbnail));
  return out.data();
}

bool takeSummary(std::string_view bytes, SaveSummary& summary) {
  SaveReader in(bytes);
  std::string pixels;
  return in.i64(summary.savedAt) && in.bytes(summary.firstText) &&
         in.i32(summary.thumbnailWidth) && in.i32(summary.thumbnailHeight) &&
         summary.thumbnailWidth >= 0 && summary.thumbnailHeight >= 0 &&
         summary.thumbnailWidth <= kThumbnailWidth &&
         summary.thumbnailHeight <= kThumbnailWidth * 16 && in.bytes(pixels) && in.atEnd() &&
         readPixels(pixels, int64_t{summary.thumbnailWidth} * summary.thumbnailHeight,
                    summary.thumbnail);
}

const std::string* findSection(const SaveSections& save, std::string_view name) {
  for (const auto& [sectionName, bytes] : save.sections) {
    if (sectionName == name) return &bytes;
  }
  return nullptr;
}

// The file is whole and a save of this story; `problem` says why not.
bool isSaveOfStory(std::string_view bytes, std::string_view identity, SaveSections& save,
                   std::span<const std::string_view> only, std::string& problem) {
  const SaveFileProblem fileProblem = decodeSaveFile(bytes, save, only);
  if (fileProblem != SaveFileProblem::None) {
    problem = saveFileProblemText(fileProblem);
    return false;
  }
  const std::string* story = findSection(save, "story");
  if (story == nullptr) {
    problem = "damaged";
    return false;
  }
  if (*story != identity) {
    problem = "a save of another story";
    return false;
  }
  return true;
}

}  // namespace

std::string storyIdentity(const GameConfig& config) {
  return std::string(config.windowTitle) + '\n' + std::to_string(config.screenWidth) + 'x' +
         std::to_string(config.screenHeight) + (config.scrambledScripts != 0 ? " stx" : " txt");
}

SaveSummary summarizeSavePoint(const SavePoint& point, int64_t savedAt) {
  SaveSummary summary;
  summary.savedAt = savedAt;
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
  save.sections = {
      {"story", std::string(identity)},
      {"summary", summarySection(summary)},
      {"point", pointSection(point)},
      {"place", placeSection(point.place)},
      {"music", musicSection(point.music)},
      {"display", pixelBytes(point.display)},
      {"compose", pixelBytes(point.compose)},
      {"overlay", pixelBytes(point.overlay)},
      {"player", point.playerState},
      {"backlog", backlogSection(point.backlog)},
  };
  return encodeSaveFile(save);
}

bool decodeSaveGame(std::string_view bytes, std::string_view identity, SavePoint& point,
                    SaveSummary& summary, std::string& problem) {
  SaveSections save;
  if (!isSaveOfStory(bytes, identity, save, {}, problem)) return false;
  SavePoint loaded;
  SaveSummary loadedSummary;
  const std::string* sections[] = {findSection(save, "summary"), findSection(save, "point"),
                                   findSection(save, "place"),   findSection(save, "music"),
                                   findSection(save, "display"), findSection(save, "compose"),
                                   findSection(save, "overlay"), findSection(save, "player")};
  for (const std::string* section : sections) {
    if (section == nullptr) {
      problem = "damaged";
      return false;
    }
  }
  bool whole = takeSummary(*sections[0], loadedSummary) && takePoint(*sections[1], loaded) &&
               takePlace(*sections[2], loaded.place) && takeMusic(*sections[3], loaded.music);
  const int64_t pixels = int64_t{loaded.surfaceWidth} * loaded.surfaceHeight;
  whole = whole && readPixels(*sections[4], pixels, loaded.display) &&
          readPixels(*sections[5], pixels, loaded.compose) &&
          readPixels(*sections[6], pixels, loaded.overlay);
  if (!whole) {
    problem = "damaged";
    return false;
  }
  // A save from before the backlog has none.
  const std::string* backlog = findSection(save, "backlog");
  if (backlog != nullptr && !takeBacklog(*backlog, loaded.backlog)) {
    problem = "damaged";
    return false;
  }
  loaded.playerState = *sections[7];
  loaded.taken = true;
  point = std::move(loaded);
  summary = std::move(loadedSummary);
  return true;
}

bool decodeSaveSummary(std::string_view bytes, std::string_view identity, SaveSummary& summary,
                       std::string& problem) {
  static constexpr std::string_view kListed[] = {"story", "summary"};
  SaveSections save;
  if (!isSaveOfStory(bytes, identity, save, kListed, problem)) return false;
  const std::string* listed = findSection(save, "summary");
  SaveSummary loaded;
  if (listed == nullptr || !takeSummary(*listed, loaded)) {
    problem = "damaged";
    return false;
  }
  summary = std::move(loaded);
  return true;
}

bool writeLatestSave(NevContext& context, const std::string& path, int64_t savedAt,
                     std::string& problem) {
  SavePoint point;
  {
    std::lock_guard guard(context.savePoints.lock);
    point = context.savePoints.latest;
  }
  if (!point.taken) {
    problem = "the story has not reached a place to save yet";
    return false;
  }
  if (!notePlace(*context.files, point, context.config.scrambledScripts)) {
    problem = point.scriptName + " cannot be read";
    return false;
  }
  const std::string bytes =
      encodeSaveGame(point, summarizeSavePoint(point, savedAt), storyIdentity(context.config));
  if (bytes.empty()) {
    problem = "the save is too large";
    return false;
  }
  return writeFileAtomically(path, bytes, problem);
}

bool readSave(const NevContext& context, const std::string& path, SavePoint& point,
              std::string& problem) {
  const std::optional<std::string> bytes = readWholeFile(path, kLargestSaveFile);
  if (!bytes) {
    problem = "cannot be read";
    return false;
  }
  SavePoint read;
  SaveSummary summary;
  if (!decodeSaveGame(*bytes, storyIdentity(context.config), read, summary, problem) ||
      !canRestoreSavePoint(context, read, problem)) {
    return false;
  }
  point = std::move(read);
  return true;
}
