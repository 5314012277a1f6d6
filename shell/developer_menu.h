#pragma once
// The authors' aids, offered in the help menu when developerMenu is 1: their own help file,
// the scrambling tool, the client-size box and the removal of the menu bar.

#include <cstdint>
#include <string>

#include "shell/window_port.h"

struct NevContext;

void addDeveloperMenu(WindowPort& port);

// The author's live reload, offered only while the scripts are watched.
void addReloadItem(WindowPort& port);

// Asks for a plain script and for the scrambled file to write, and writes it. 0 when the
// output was written, -1 when the tool stopped early (after saying why, where there is a why).
// Both dialogs open in `storyFolder`.
int32_t runScramblingTool(WindowPort& port, const std::string& storyFolder);
