#include "authoring/check_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/codepage.h"
#include "base/story_files.h"
#include "base/text_file.h"
#include "engine/script/line_reader.h"
#include "engine/script/runner.h"

namespace fs = std::filesystem;

namespace {

// The scrambled form needs one byte of the line buffer for its extra line feed.
constexpr int kLongestScrambledLine = kScriptLineSize - 2;

void checkFile(StoryCheck& story, size_t script, int line, const char* kind, const char* name,
               const char* consequence = "") {
  if (name == nullptr || isBlankArgument(name)) return;
  checkInsideFolder(story, script, line, kind, name);
  if (findStoryFile(name, *story.files)) return;
  reportMissingFile(story, script, line, kind, name, consequence);
}

// One line of a file as the text-mode reader sees it: CR LF taken as LF.
struct RawLine {
  std::string_view bytes;  // without the line feed
  int length = 0;          // as read, its line feed included
};

// Walks the lines up to the end-of-file mark.
template <typename Visit>
void forEachRawLine(const std::string& file, Visit visit) {
  int line = 1;
  size_t start = 0;
  size_t i = 0;
  for (; i < file.size() && file[i] != kEndOfFileMark; ++i) {
    if (file[i] != '\n') continue;
    const bool crlf = i > start && file[i - 1] == '\r';
    const std::string_view bytes(file.data() + start, i - start - (crlf ? 1 : 0));
    visit(line++, RawLine{bytes, static_cast<int>(bytes.size()) + 1});
    start = i + 1;
  }
  if (i > start) {
    const std::string_view bytes(file.data() + start, i - start);
    visit(line, RawLine{bytes, static_cast<int>(bytes.size())});
  }
}

// A plain script beside its scrambled form: what the scrambling pass would lose.
void checkPlainSource(StoryCheck& story, const std::string& name) {
  std::optional<std::string> file = story.files->read(name);
  if (!file) return;
  const std::string shownName = printableStoryText(name);
  forEachRawLine(*file, [&](int line, const RawLine& raw) {
    if (raw.length > kLongestScrambledLine) {
      reportFinding(story, shownName, line, FindingSeverity::Warning,
                    "line is " + std::to_string(raw.length) +
                        " bytes; a line to be scrambled holds at most " +
                        std::to_string(kLongestScrambledLine) + ", its line feed included");
    }
    struct Lost {
      char byte;
      const char* what;
    };
    static constexpr Lost kLost[] = {
        {'\x09', "byte 0x09 (tab) does not survive scrambling: it becomes a line feed"},
        {'\x19', "byte 0x19 does not survive scrambling: it becomes 0x1A, the end of the file"},
        {'\xFF', "byte 0xFF does not survive scrambling: it wraps to 0x00"},
    };
    for (const Lost& lost : kLost) {
      if (raw.bytes.find(lost.byte) != std::string_view::npos) {
        reportFinding(story, shownName, line, FindingSeverity::Warning, lost.what);
      }
    }
  });
}

}  // namespace

std::optional<std::string> findStoryFile(std::string_view name, const StoryFiles& files) {
  std::optional<std::string> path = files.resolve(name);
  if (!path) return std::nullopt;
  std::error_code error;
  const fs::file_status status = fs::status(*path, error);
  if (fs::is_regular_file(status)) return path;
  // A story that is no folder on disk (a zip): the file is there when it reads.
  if (!fs::exists(status) && files.read(name)) return path;
  return std::nullopt;
}

void checkNamedFile(StoryCheck& story, size_t script, int line, ArgumentKind kind,
                    const char* name) {
  switch (kind) {
    case ArgumentKind::PictureFile:
      checkFile(story, script, line, "picture", name);
      break;
    case ArgumentKind::MusicFile:
      checkFile(story, script, line, "music", name);
      break;
    case ArgumentKind::SoundFile:
      checkFile(story, script, line, "sound", name, "; the default sound plays instead");
      break;
    default:
      break;
  }
}

void reportMissingFile(StoryCheck& story, size_t script, int line, const char* kind,
                       std::string_view name, const char* consequence) {
  if (endsWithLineFeed(name)) {
    reportInScript(
        story, script, line, FindingSeverity::Error,
        std::string(kind) + " " + quotedName(name) + " carries the line feed; end it with \";\"");
  } else {
    reportInScript(story, script, line, FindingSeverity::Error,
                   std::string(kind) + " " + quotedName(name) + " not found" + consequence);
  }
}

void checkInsideFolder(StoryCheck& story, size_t script, int line, const char* kind,
                       const char* name) {
  if (!leavesStoryFolder(name)) return;
  reportInScript(story, script, line, FindingSeverity::Warning,
                 std::string(kind) + " " + quotedName(name) +
                     " lies outside the story folder; a copy of the folder will not have it");
}

void checkEndOfFileMark(StoryCheck& story, size_t script) {
  std::optional<std::string> file = story.files->read(story.scripts[script].name);
  if (!file) return;
  const size_t mark = file->find(kEndOfFileMark);
  if (mark == std::string::npos) return;
  // Old editors end a file with the mark; that loses nothing.
  if (file->find_first_not_of("\x1A\r\n \t", mark) == std::string::npos) return;
  const int line = static_cast<int>(std::count(file->begin(), file->begin() + mark, '\n')) + 1;
  reportInScript(story, script, line, FindingSeverity::Error,
                 "byte 0x1A ends the file here; the " + std::to_string(file->size() - mark - 1) +
                     " bytes after it are never read");
}

void checkPlainSources(StoryCheck& story) {
  if (story.scrambledScripts != 1 || !findStoryFile(startScriptName(0), *story.files)) return;
  const std::string_view scrambledExtension = ".stx";
  for (size_t script = 0; script < story.scripts.size(); ++script) {
    const std::string& name = story.scripts[script].name;
    if (name.size() < scrambledExtension.size() ||
        !equalIgnoringAsciiCase(
            std::string_view(name).substr(name.size() - scrambledExtension.size()),
            scrambledExtension)) {
      continue;
    }
    const std::string plainName = name.substr(0, name.size() - scrambledExtension.size()) + ".txt";
    if (findStoryFile(plainName, *story.files)) checkPlainSource(story, plainName);
  }
}
