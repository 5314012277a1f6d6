#pragma once
// `nev check`: reads a story the way the runner reads it and reports what would go wrong while
// it plays, before any reader meets it.

#include <string>
#include <vector>

class StoryFiles;

enum class FindingSeverity { Error, Warning };

struct CheckFinding {
  std::string file;  // as the story names it, UTF-8
  int line = 0;      // 1-based; 0 for the file as a whole
  FindingSeverity severity = FindingSeverity::Error;
  std::string message;  // UTF-8
};

// Checks the story in `storyDir`: nev.ini, and every script reachable from the start script.
// Findings come grouped by file in the order the files were met, each file's errors first, in
// line order, then its warnings.
std::vector<CheckFinding> checkStory(const std::string& storyDir);
// The same for a story opened already: a folder or a zip.
std::vector<CheckFinding> checkStory(const StoryFiles& files);

// One finding as a compiler prints it: "FILE:LINE: error: message", without a line feed.
std::string formatFinding(const CheckFinding& finding);

bool hasError(const std::vector<CheckFinding>& findings);
