#pragma once
// The ScriptRunner: the thread that reads the story's scripts line by line, types text lines
// and carries out command lines by their letter.

#include <cstdint>
#include <functional>

#include "engine/script/commands.h"
#include "engine/script/runner_state.h"

struct NevContext;

// The operations the runner calls outside the script engine.
struct RunnerOperations {
  std::function<void()> prepareRunnerSurfaces;
  std::function<void(const char* text, bool redraw)> drawTextLine;
  std::function<void()> waitForClick;
  // Every command with a handler; `arguments` starts at the line's third byte.
  std::function<CommandOutcome(Command command, char* arguments)> carryOut;
};

// The runner thread's body. Returns at the end of the script, or when asked to stop.
void ScriptRunner(NevContext& context, const RunnerOperations& operations);

// The operations of the real system: the page, the pictures and the commands.
RunnerOperations standardRunnerOperations(NevContext& context);

// The name of the start script for a scrambledScripts value.
const char* startScriptName(int32_t scrambledScripts);
