#pragma once
// Plays a story without a window: each text line and each command is printed as the runner
// meets it. Pictures, music and waits need the window and the drawing engine.

#include <cstdio>

struct NevContext;

// Runs the story's runner to its end (or to the end command) and returns.
void playStoryInConsole(NevContext& context, std::FILE* out);
