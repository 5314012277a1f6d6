#include "engine/reading.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/story_files.h"
#include "engine/context.h"

namespace {

// Text is typed two bytes a unit, whatever the bytes.
int32_t unitsOf(std::string_view text) { return int32_t((text.size() + 1) / 2); }

}  // namespace

ReadMarks::~ReadMarks() {
  if (file_ != nullptr) std::fclose(file_);
}

bool ReadMarks::open(const std::string& path, std::string& error) {
  std::lock_guard guard(lock_);
  file_ = std::fopen(path.c_str(), "a+");
  if (file_ == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  std::rewind(file_);
  // One mark a line: the script's name, a tab, the line number.
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, file_) != nullptr) {
    char* tab = std::strrchr(buffer, '\t');
    if (tab == nullptr) continue;
    *tab = '\0';
    const long line = std::strtol(tab + 1, nullptr, 10);
    if (line >= 1 && line <= (1 << 24)) noteMark(buffer, int32_t(line));
  }
  std::fseek(file_, 0, SEEK_END);
  return true;
}

bool ReadMarks::isRead(std::string_view script, int32_t line) {
  std::lock_guard guard(lock_);
  auto found = lines_.find(foldAsciiCase(script));
  return found != lines_.end() && line > 0 && size_t(line) < found->second.size() &&
         found->second[size_t(line)];
}

bool ReadMarks::noteMark(std::string_view script, int32_t line) {
  std::vector<bool>& marks = lines_[foldAsciiCase(script)];
  if (marks.size() <= size_t(line)) marks.resize(size_t(line) + 1);
  if (marks[size_t(line)]) return false;
  marks[size_t(line)] = true;
  return true;
}

bool ReadMarks::mark(std::string_view script, int32_t line) {
  if (line < 1) return false;
  std::lock_guard guard(lock_);
  if (!noteMark(script, line)) return false;
  if (file_ != nullptr) {
    std::fprintf(file_, "%.*s\t%d\n", int(script.size()), script.data(), line);
    std::fflush(file_);
  }
  return true;
}

bool beginTypedLine(NevContext& context, std::string_view script, int32_t line) {
  ReadingState& reading = context.reading;
  const SkipMode mode = SkipMode(reading.skip.load());
  bool skipped = mode == SkipMode::AllText;
  if (mode == SkipMode::ReadText) {
    skipped = reading.marks.isRead(script, line);
    if (!skipped && reading.skipStays.load() == 0) reading.skip = int32_t(SkipMode::Off);
  }
  reading.lineSkipped = skipped;
  return skipped;
}

namespace {

void addBacklogLine(Backlog& backlog, std::string line) {
  std::lock_guard guard(backlog.lock);
  if (backlog.pages.empty()) backlog.pages.emplace_back();
  backlog.pages.back().push_back(std::move(line));
}

}  // namespace

void endTypedLine(NevContext& context, std::string_view script, int32_t line, std::string_view text) {
  context.reading.marks.mark(script, line);
  context.reading.lastLineUnits = unitsOf(text);
  addBacklogLine(context.reading.backlog, std::string(text));
}

void startBacklogPage(NevContext& context) {
  Backlog& backlog = context.reading.backlog;
  std::lock_guard guard(backlog.lock);
  if (!backlog.pages.empty() && backlog.pages.back().empty()) return;
  backlog.pages.emplace_back();
  if (backlog.pages.size() > kBacklogPages) backlog.pages.erase(backlog.pages.begin());
}

void noteBacklogChoice(NevContext& context, std::string_view item) {
  addBacklogLine(context.reading.backlog, kBacklogChoiceMark + std::string(item));
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
  return mode == SkipMode::AllText || (mode == SkipMode::ReadText && context.reading.lineSkipped);
}

void stopSkipping(NevContext& context) {
  if (context.reading.skipStays.load() == 0) context.reading.skip = int32_t(SkipMode::Off);
  context.reading.lineSkipped = false;
}

int32_t autoWaitMilliseconds(const ReadingState& reading, int32_t units) {
  return reading.autoBaseDelay.load() + reading.autoDelayPerUnit.load() * std::max(units, 0);
}
