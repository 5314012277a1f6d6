#pragma once
// The ScriptRunner: reads the story's scripts line by line, types text lines and carries out
// command lines by their letter. It owns its record (cursor, page, layout, history) and hands
// it only to what it calls on its own thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/script/commands.h"
#include "engine/script/runner_state.h"

struct NevContext;

// The operations the runner calls outside the script engine, each given the runner's record.
struct RunnerOperations {
  std::function<void(NevContext& story)> prepareRunnerSurfaces;
  std::function<void(RunnerScope scope, const char* text, bool redraw)> drawTextLine;
  std::function<void(RunnerScope scope)> waitForClick;
  // Every command with a handler; `arguments` starts at the line's third byte.
  std::function<CommandOutcome(RunnerScope scope, Command command, char* arguments)> carryOut;
};

// The operations of the real system: the page, the pictures and the commands.
RunnerOperations standardRunnerOperations();

class ScriptRunner {
 public:
  // A runner of `story`, its record laid out as nev.ini says; it starts nothing yet.
  explicit ScriptRunner(NevContext& story,
                        RunnerOperations operations = standardRunnerOperations());
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // The runner thread's body: from the story's resumeAt when it is taken, else from the start
  // script. Returns at the end of the script, or when asked to stop. Run again after a stop,
  // it goes on with the record as the last run left it.
  void run();

  // Once the thread that ran it is joined: its record as the run left it, and its script given
  // back.
  const RunnerStorage& record() const { return *record_; }
  void closeScript() { record_->cursor.close(); }

 private:
  RunnerScope scope() { return {story_, *record_}; }

  NevContext& story_;
  RunnerOperations operations_;
  // Large (the history and choice tables); on the heap.
  std::unique_ptr<RunnerStorage> record_;
};

// The translation of line `line` (1-based) of `script` being read; null while the original plays
// or where the line is untranslated.
const std::string* translatedLine(const NevContext& context, const std::string& script,
                                  int32_t line);

// The name of the start script for a scrambledScripts value.
const char* startScriptName(int32_t scrambledScripts);
