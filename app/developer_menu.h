#pragma once
// The authors' aids, offered in the help menu when developerMenu is 1: their own help file,
// the scrambling tool, the client-size box and the removal of the menu bar.

#include <cstdint>
#include <string>

#include "app/window_port.h"

struct NevContext;

void addDeveloperMenu(WindowPort& port);

// Asks for a plain script and for the scrambled file to write, and writes it. 0 when the
// output was written, -1 when the tool stopped early (after saying why, where there is a why).
int32_t runScramblingTool(WindowPort& port);

// Whether two paths name one file, also when the second does not exist yet.
bool isSameFile(const std::string& a, const std::string& b);

// Writes the scrambled (or, with `scramble` false, the plain) form of `inputPath` to
// `outputPath` through a temporary file beside it that replaces the output only when complete.
// Returns an empty string on success, else the path that could not be read or written.
std::string convertScriptFile(const std::string& inputPath, const std::string& outputPath,
                              bool scramble);
