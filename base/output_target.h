#pragma once
// The files a reader or author names for nev to write (saves, read marks, the story's text, a
// scrambled script): only a regular file or a new name, never through a link or onto a device,
// and never one of the story's own files.

#include <optional>
#include <string>

#include "base/problem.h"

// Why `path` may not be written, as "<path>: <why>" to follow "cannot write "; nothing when it
// may. It may be a regular file or a new name in a folder that exists (no folder is made for it).
// With `storyFolder` given, a name inside it that the story reads (nev.ini, scripts, pictures,
// music, sounds) is refused too. `pipeAllowed`: a named pipe is written as it stands, for a
// program reading the other end.
std::optional<Problem> outputTargetProblem(const std::string& path,
                                           const std::string& storyFolder = "",
                                           bool pipeAllowed = false);

// After a rename into `path`'s folder: the folder's entry is on disk too, so that a crash just
// after a save does not lose the save.
void syncFolderOf(const std::string& path);
