#pragma once
// What of a story a translation translates: every text line and choice item of its scripts and
// the texts of its nev.ini, each under a key that survives edits elsewhere in the script.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/problem.h"

class StoryFiles;

struct TranslationKey {
  // msgctxt: the script's name; a line repeated within its script also gets the nearest label
  // before it and its occurrence under that label: "start.txt:LABEL:2" ("start.txt::1" before
  // any label).
  std::string context;
  std::string text;  // msgid: the line decoded from code page 932
  std::string file;  // the script's name as its folder has it, for the "#:" reference
  int line = 0;
  std::string note;  // for the translator: what the text is when it is not a line of the page
  // Lines of one script with the same page are typed one below the other: @P and labels (which
  // may be reached from anywhere) start another.
  int page = 0;
  bool choiceItem = false;
};

// The keys in the order the story's scripts hold them, the start script first and each script a
// jump names after it; nev.ini's texts last. Nothing, with `problem`, when nev.ini cannot be
// read.
std::optional<std::vector<TranslationKey>> storyTranslationKeys(const StoryFiles& files,
                                                                Problem& problem);

// The name a key's context and file give the script the story names `named` (cp932 bytes, any
// case, "\" or "/"); nothing when the story has no such file.
std::optional<std::string> scriptKeyName(const StoryFiles& files, std::string_view named);

// The script a key's context names: the context up to its first ":".
std::string_view contextScript(std::string_view context);
