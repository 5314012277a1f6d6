#pragma once
// The story's text for other tools (readers' dictionaries, screen readers, translators): each
// line in UTF-8 as it is typed and each choice's items, flushed at once so that a program
// following the file sees it as the reader does.

#include <cstdio>
#include <optional>
#include <string>

#include "base/problem.h"

struct PlatformServices;

class TextLog {
 public:
  TextLog() = default;
  ~TextLog();
  TextLog(const TextLog&) = delete;
  TextLog& operator=(const TextLog&) = delete;

  // "-" is standard output; a named pipe is written as it stands. A problem ("<path>: <why>")
  // when the file cannot be written, is no regular file or pipe, or is one of the story's own
  // files (inside `storyFolder`).
  std::optional<Problem> open(const std::string& path, const std::string& storyFolder);
  // From now on the runner's lines and choices are written here; the log outlives the runner.
  void attach(PlatformServices& platform);

 private:
  // A failed write (the reader of a pipe gone, a full disk) is told once and ends the log; the
  // story goes on.
  void write(const std::string& text);
  std::FILE* file_ = nullptr;
  bool ownsFile_ = false;
  std::string shownName_;
};
