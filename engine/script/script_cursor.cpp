#include "engine/script/script_cursor.h"

#include "engine/story_files.h"

bool ScriptCursor::open(const StoryFiles& files, const std::string& name) {
  script_.close();
  scriptName_ = name;
  linesRead_ = 0;
  return files.openScript(name, script_);
}

int ScriptCursor::readLine(int32_t scrambledScripts) {
  const int length = readScriptLine(line_, kScriptLineSize, script_, scrambledScripts);
  if (length > 0) ++linesRead_;
  return length;
}
