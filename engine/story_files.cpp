#include "engine/story_files.h"

#include "base/codepage.h"

std::string NoStoryFiles::location(std::string_view name) const {
  return printableStoryText(name);
}

std::string NoStoryFiles::problem(std::string_view name, const std::string&) const {
  return location(name) + ": no such file";
}

const StoryFiles& noStoryFiles() {
  static const NoStoryFiles none;
  return none;
}
