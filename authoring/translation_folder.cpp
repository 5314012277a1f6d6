#include "authoring/translation_folder.h"

#include <ctime>
#include <filesystem>
#include <system_error>

#include "engine/translation/translation_keys.h"
#include "authoring/translation_merge.h"
#include "base/codepage.h"
#include "base/po_file.h"
#include "base/story_data.h"
#include "engine/config.h"
#include "engine/local_story_folder.h"

namespace fs = std::filesystem;

namespace {

// A PO file larger than this is no story's translation.
constexpr uint64_t kLargestTranslation = 64 << 20;

std::string translationName(const std::string& language) {
  return "lang/" + language + "/story.po";
}

std::string currentTime() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M+0000", &utc);
  return text;
}

// The folder `name` of the story, made when it is not there yet; in whatever case it has.
std::optional<Problem> makeStoryFolder(const LocalStoryFolder& story, const std::string& name,
                                       std::string& path) {
  path = story.resolve(name).value_or(story.folder() + "/" + name);
  std::error_code error;
  fs::create_directory(path, error);
  if (error) return fileProblem(ProblemKind::CannotWrite, path, error.message());
  return std::nullopt;
}

}  // namespace

bool isLanguageCode(std::string_view code) {
  if (code.empty() || code.size() > 32) return false;
  const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!isLetter(code.front())) return false;
  for (const char c : code) {
    if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '-' && c != '@') return false;
  }
  return true;
}

std::optional<Problem> initTranslation(const std::string& storyDir, const std::string& language,
                                       std::string& summary) {
  Problem problem;
  const std::shared_ptr<const LocalStoryFolder> story = openStoryFolder(storyDir, problem);
  if (!story) return problem;
  const std::string name = translationName(language);
  if (story->resolve(name)) {
    return fileProblem(ProblemKind::CannotWrite, *story->resolve(name),
                       "is there already; nev translate update brings it up to date");
  }
  const std::optional<std::vector<TranslationKey>> keys = storyTranslationKeys(*story, problem);
  if (!keys) return problem;
  GameConfig config;
  readConfig(*story, config);
  std::string folder;
  if (std::optional<Problem> refused = makeStoryFolder(*story, "lang", folder)) return refused;
  if (std::optional<Problem> refused = makeStoryFolder(*story, "lang/" + language, folder)) {
    return refused;
  }
  std::string title = cp932ToUtf8(config.windowTitle);
  title.erase(title.find_last_not_of(' ') + 1);
  const PoFile file = newTranslation(*keys, language, title, currentTime());
  if (std::optional<Problem> failed = writeFileAtomically(folder + "/story.po", writePoFile(file))) {
    return failed;
  }
  summary = name + ": " + std::to_string(keys->size()) + " entries to translate";
  return std::nullopt;
}

std::optional<Problem> updateTranslation(const std::string& storyDir, const std::string& language,
                                         std::string& summary) {
  Problem problem;
  const std::shared_ptr<const LocalStoryFolder> story = openStoryFolder(storyDir, problem);
  if (!story) return problem;
  const std::string name = translationName(language);
  const std::optional<std::string> path = story->resolve(name);
  if (!path) {
    return fileProblem(ProblemKind::CannotRead, story->location(name),
                       "no such translation; nev translate init makes one");
  }
  const std::optional<std::string> text = story->read(name, kLargestTranslation);
  if (!text) return fileProblem(ProblemKind::CannotRead, *path, "cannot be read");
  const std::optional<PoFile> old = readPoFile(*text, *path, problem);
  if (!old) return problem;
  const std::optional<std::vector<TranslationKey>> keys = storyTranslationKeys(*story, problem);
  if (!keys) return problem;
  MergeCounts counts;
  const PoFile merged = mergeTranslation(*old, *keys, counts);
  if (std::optional<Problem> failed = writeFileAtomically(*path, writePoFile(merged))) return failed;
  summary = name + ": " + std::to_string(counts.kept) + " kept, " + std::to_string(counts.fuzzy) +
            " fuzzy, " + std::to_string(counts.added) + " untranslated, " +
            std::to_string(counts.obsolete) + " obsolete";
  return std::nullopt;
}
