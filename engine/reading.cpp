#include "engine/reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/codepage.h"
#include "base/story_files.h"
#include "engine/script/line_reader.h"
#include "engine/context.h"
#include "engine/host.h"

namespace {

// Text is typed two bytes a unit, whatever the bytes.
int32_t unitsOf(std::string_view text) { return int32_t((text.size() + 1) / 2); }

}  // namespace

ReadMarks::~ReadMarks() {
  if (file_ != nullptr) std::fclose(file_);
}

std::optional<Problem> ReadMarks::open(const std::string& path) {
  std::lock_guard guard(lock_);
  // Not blocking: a pipe in its place would otherwise hang the opening, before it is refused.
  const int descriptor =
      ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (descriptor < 0) {
    return fileProblem(ProblemKind::CannotRead, path,
                       errno == ELOOP ? "it is a symbolic link" : std::strerror(errno));
  }
  struct stat status = {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(descriptor);
    return fileProblem(ProblemKind::CannotRead, path, "it is not a regular file");
  }
  file_ = ::fdopen(descriptor, "a+");
  if (file_ == nullptr) {
    const int failure = errno;
    ::close(descriptor);
    return fileProblem(ProblemKind::CannotRead, path, std::strerror(failure));
  }
  path_ = path;
  // One mark a line: the script's name, a tab, the line number. A longer line is none.
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, file_) != nullptr) {
    char* tab = std::strrchr(buffer, '\t');
    if (tab == nullptr) continue;
    *tab = '\0';
    const long line = std::strtol(tab + 1, nullptr, 10);
    if (line >= 1 && line <= (1 << 24)) noteMark(buffer, int32_t(line));
    if (runCount_ >= kMostRuns) break;  // the rest could only be refused
  }
  std::clearerr(file_);
  std::fseek(file_, 0, SEEK_END);
  return std::nullopt;
}

bool ReadMarks::isRead(std::string_view script, int32_t line) {
  std::lock_guard guard(lock_);
  const auto found = runs_.find(foldAsciiCase(script));
  if (found == runs_.end()) return false;
  auto run = found->second.upper_bound(line);
  if (run == found->second.begin()) return false;
  --run;
  return line <= run->second;
}

ReadMarks::Noted ReadMarks::noteMark(std::string_view script, int32_t line) {
  if (script.size() > kLongestScriptName) return Noted::Full;
  const std::string key = foldAsciiCase(script);
  auto found = runs_.find(key);
  if (found == runs_.end()) {
    if (runCount_ >= kMostRuns) return Noted::Full;
    found = runs_.emplace(key, std::map<int32_t, int32_t>{}).first;
  }
  std::map<int32_t, int32_t>& runs = found->second;
  auto next = runs.upper_bound(line);
  auto previous = next == runs.begin() ? runs.end() : std::prev(next);
  if (previous != runs.end() && line <= previous->second) return Noted::Known;
  const bool joinsPrevious = previous != runs.end() && previous->second == line - 1;
  const bool joinsNext = next != runs.end() && next->first == line + 1;
  if (joinsPrevious && joinsNext) {
    previous->second = next->second;
    runs.erase(next);
    --runCount_;
  } else if (joinsPrevious) {
    previous->second = line;
  } else if (joinsNext) {
    const int32_t last = next->second;
    runs.erase(next);
    runs.emplace(line, last);
  } else {
    if (runs.size() >= kMostRunsPerScript || runCount_ >= kMostRuns) return Noted::Full;
    runs.emplace(line, line);
    ++runCount_;
  }
  return Noted::New;
}

void ReadMarks::warnOnce(bool& told, const char* what) {
  if (told) return;
  told = true;
  // Past the caps or with the disk full, no more marks are written.
  printProblem(fileProblem(ProblemKind::CannotWrite, path_, what));
}

bool ReadMarks::mark(std::string_view script, int32_t line) {
  if (line < 1) return false;
  std::lock_guard guard(lock_);
  const Noted noted = noteMark(script, line);
  if (noted == Noted::Full && file_ != nullptr) {
    warnOnce(toldFull_, "holds as many read marks as nev keeps; lines read from now on are not marked");
  }
  if (noted != Noted::New) return false;
  if (file_ != nullptr) {
    std::fprintf(file_, "%.*s\t%d\n", int(script.size()), script.data(), line);
    if (std::fflush(file_) != 0 || std::ferror(file_)) {
      // A full disk: the reader is told once that the marks stop here, rather than losing them
      // unseen line after line.
      const std::string why = std::string("cannot keep read marks (") + std::strerror(errno) +
                              "); lines read from now on are not remembered";
      warnOnce(toldUnwritten_, why.c_str());
      std::fclose(file_);
      file_ = nullptr;
    }
  }
  return true;
}

bool beginTypedLine(NevContext& context, std::string_view script, int32_t line) {
  ReadingState& reading = context.reading;
  const SkipMode mode = SkipMode(reading.skip.load());
  reading.lineWasRead = reading.marks.isRead(script, line);
  bool skipped = mode == SkipMode::AllText;
  if (mode == SkipMode::ReadText) {
    skipped = reading.lineWasRead;
    if (!skipped && reading.skipStays.load() == 0) reading.skip = int32_t(SkipMode::Off);
  }
  return skipped;
}

namespace {

void addBacklogLine(Backlog& backlog, std::string line) {
  std::lock_guard guard(backlog.lock);
  if (backlog.pages.empty()) backlog.pages.emplace_back();
  backlog.pages.back().push_back(std::move(line));
}

// The line as the backlog keeps it: a translation marked, and cut to what a save holds.
std::string backlogLine(std::string_view text, const std::string* translated) {
  if (translated == nullptr) return std::string(text);
  std::string line = kBacklogTranslatedMark + *translated;
  if (line.size() >= size_t(kScriptLineSize) - 1) {
    size_t cut = size_t(kScriptLineSize) - 2;
    while (cut > 1 && (static_cast<uint8_t>(line[cut]) & 0xC0) == 0x80) --cut;
    line.resize(cut);
  }
  return line;
}

}  // namespace

std::string backlogLineText(std::string_view line, bool& choice) {
  choice = !line.empty() && line.front() == kBacklogChoiceMark;
  if (choice) line.remove_prefix(1);
  if (!line.empty() && line.front() == kBacklogTranslatedMark) {
    return validUtf8Escaped(line.substr(1));
  }
  return cp932ToUtf8(line);
}

void endTypedLine(NevContext& context, std::string_view script, int32_t line, std::string_view text,
                  const std::string* translated) {
  context.reading.marks.mark(script, line);
  context.reading.lastLineUnits = unitsOf(text);
  addBacklogLine(context.reading.backlog, backlogLine(text, translated));
}

void startBacklogPage(NevContext& context) {
  Backlog& backlog = context.reading.backlog;
  std::lock_guard guard(backlog.lock);
  if (!backlog.pages.empty() && backlog.pages.back().empty()) return;
  backlog.pages.emplace_back();
  if (backlog.pages.size() > kBacklogPages) backlog.pages.erase(backlog.pages.begin());
}

void noteBacklogChoice(NevContext& context, std::string_view item,
                       const std::string* translated) {
  addBacklogLine(context.reading.backlog, kBacklogChoiceMark + backlogLine(item, translated));
}

std::vector<std::vector<std::string>> backlogPages(NevContext& context) {
  std::lock_guard guard(context.reading.backlog.lock);
  return context.reading.backlog.pages;
}

void setBacklogPages(NevContext& context, std::vector<std::vector<std::string>> pages) {
  if (pages.size() > kBacklogPages) pages.erase(pages.begin(), pages.end() - kBacklogPages);
  std::lock_guard guard(context.reading.backlog.lock);
  context.reading.backlog.pages = std::move(pages);
}

bool skippingWaits(NevContext& context) {
  const SkipMode mode = SkipMode(context.reading.skip.load());
  return mode == SkipMode::AllText || (mode == SkipMode::ReadText && context.reading.lineWasRead);
}

void stopSkipping(NevContext& context) {
  if (context.reading.skipStays.load() == 0) context.reading.skip = int32_t(SkipMode::Off);
  context.reading.lineWasRead = false;
}

int32_t autoWaitMilliseconds(const ReadingState& reading, int32_t units) {
  return reading.autoBaseDelay.load() + reading.autoDelayPerUnit.load() * std::max(units, 0);
}
