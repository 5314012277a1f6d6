#pragma once
// The reader's ways through text already seen: which lines were typed before (read marks), and
// skipping them, or everything, without waiting; and the automatic end of each wait.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/problem.h"

struct NevContext;

enum class SkipMode : int32_t { Off = 0, ReadText = 1, AllText = 2 };

// Lines typed before, by script (as the story names it, case folded) and 1-based line number,
// kept as runs of lines: whatever a marks file claims, it costs memory by the runs it holds,
// and never more than the caps below. Written by the runner as lines are typed; each new mark
// is appended to the file at once.
class ReadMarks {
 public:
  static constexpr size_t kMostRunsPerScript = 16384;
  static constexpr size_t kMostRuns = 131072;  // of all scripts together
  static constexpr size_t kLongestScriptName = 260;

  ReadMarks() = default;
  ~ReadMarks();
  ReadMarks(const ReadMarks&) = delete;
  ReadMarks& operator=(const ReadMarks&) = delete;

  // Reads the marks kept in `path` (a missing file is no marks) and keeps it open for more.
  // A problem ("<path>: <why>") when it cannot be read or written or is not a regular file.
  std::optional<Problem> open(const std::string& path);
  bool isRead(std::string_view script, int32_t line);
  // Notes the line; true when it was new. Past the caps a line is not noted, and a file that
  // cannot be written to any more is let go; each costs one line on stderr, once.
  bool mark(std::string_view script, int32_t line);

 private:
  enum class Noted { New, Known, Full };
  // Under the lock.
  Noted noteMark(std::string_view script, int32_t line);
  void warnOnce(bool& told, const char* what);
  std::mutex lock_;
  // By script: the first line of each run → its last line. Runs never touch one another.
  std::unordered_map<std::string, std::map<int32_t, int32_t>> runs_;
  size_t runCount_ = 0;
  std::FILE* file_ = nullptr;
  std::string path_;
  bool toldFull_ = false;
  bool toldUnwritten_ = false;
};

inline constexpr size_t kBacklogPages = 100;

// The pages as the reader saw them, oldest first, each line as the story wrote it (code page
// 932); a choice's picked item is a line of its own, marked by kBacklogChoiceMark first.
struct Backlog {
  std::mutex lock;
  std::vector<std::vector<std::string>> pages;  // never more than kBacklogPages
};
inline constexpr char kBacklogChoiceMark = '\x01';
// A line in UTF-8 (a translation's) carries this mark, after the choice's where both are there.
inline constexpr char kBacklogTranslatedMark = '\x02';

// A backlog line as the reader reads it, in UTF-8, and whether it is a picked item.
std::string backlogLineText(std::string_view line, bool& choice);

struct ReadingState {
  std::atomic<int32_t> skip{0};  // SkipMode
  // 1: skipping goes on through unread text and choices (the headless player's way), instead
  // of stopping at them as the reader's does.
  std::atomic<int32_t> skipStays{0};
  // Each click wait ends by itself after a pause that grows with the page's last line.
  std::atomic<int32_t> autoAdvance{0};
  std::atomic<int32_t> autoBaseDelay{1500};    // milliseconds
  std::atomic<int32_t> autoDelayPerUnit{60};   // milliseconds a character
  std::atomic<int32_t> backlogOpen{0};         // auto waits while the reader looks back
  // 1 while the reader holds the page in the original before its translation.
  std::atomic<int32_t> showOriginal{0};
  ReadMarks marks;
  Backlog backlog;
  // The runner's own: whether the line just typed had been read before, so that the waits after
  // it are skipped with read text, also when skipping began after the line did.
  bool lineWasRead = false;
  int32_t lastLineUnits = 0;
};

// The runner, before typing a text line of `script`: whether it is to be skipped. Skipping only
// read text stops at the first line not read.
bool beginTypedLine(NevContext& context, std::string_view script, int32_t line);
// After it: the line is read now.
void endTypedLine(NevContext& context, std::string_view script, int32_t line, std::string_view text,
                  const std::string* translated = nullptr);

// The runner: a new page begins (@P), or an item was picked.
void startBacklogPage(NevContext& context);
void noteBacklogChoice(NevContext& context, std::string_view item,
                       const std::string* translated = nullptr);
// A copy, for showing or saving; and putting one back at a load.
std::vector<std::vector<std::string>> backlogPages(NevContext& context);
void setBacklogPages(NevContext& context, std::vector<std::vector<std::string>> pages);

// Whether the wait or pause the runner comes to, or is in, is skipped.
bool skippingWaits(NevContext& context);

// A choice stops any skipping.
void stopSkipping(NevContext& context);

// How long a wait lasts under auto, after a line of `units` characters.
int32_t autoWaitMilliseconds(const ReadingState& reading, int32_t units);
