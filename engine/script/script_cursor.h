#pragma once
// ScriptCursor: where the runner reads. The open script, the story's name for it, how many
// lines have been read from its start (where a save point resumes) and the line just read.
// Only the runner moves it; jumps, choices and loads move it through the runner's own record.

#include <cstdint>
#include <string>

#include "base/text_file.h"
#include "engine/script/line_reader.h"

class StoryFiles;

class ScriptCursor {
 public:
  // Opens one of the story's scripts by its name, closing the one before; reading starts at
  // its first line.
  bool open(const StoryFiles& files, const std::string& name);
  // The next line into line(), counted; 0 at the end of the script.
  int readLine(int32_t scrambledScripts);
  void close() { script_.close(); }

  bool isOpen() const { return script_.isOpen(); }
  const std::string& scriptName() const { return scriptName_; }
  int32_t linesRead() const { return linesRead_; }
  // The line just read; commands split their arguments in it in place.
  char* line() { return line_; }
  const char* line() const { return line_; }

 private:
  TextFile script_;
  std::string scriptName_;
  int32_t linesRead_ = 0;
  char line_[kScriptLineSize] = {};
};
