#pragma once
// Where a story's own data (save slots and the like) lives, and how it is written safely.

#include <optional>
#include <string>
#include <string_view>

#include "base/problem.h"

// $XDG_DATA_HOME/nev/<name>-<hash> (else ~/.local/share/nev/...), without a trailing slash:
// <name> is the folder's last component made safe for any file system, <hash> tells apart two
// stories of one name. The folder is not created.
std::string storyDataFolder(const std::string& absoluteStoryFolder);
// <name>-<hash> alone: what else nev keeps of a story is keyed by it too.
std::string storyDataName(const std::string& absoluteStoryFolder);

// Replaces `path` by `bytes` only once they are wholly on disk. `path` is a regular file or a new
// name in a folder that exists. On failure an existing file is left as it was, and the problem
// says why.
std::optional<Problem> writeFileAtomically(const std::string& path, std::string_view bytes);

// Removes the temporary files writeFileAtomically leaves in `folder` when nev is killed while
// writing. Only those untouched for a minute: a younger one may be another nev's save under way.
void removeStaleTemporaries(const std::string& folder);
