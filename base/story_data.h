#pragma once
// Where a story's own data (save slots and the like) lives, and how it is written safely.

#include <string>
#include <string_view>

// $XDG_DATA_HOME/nev/<name>-<hash> (else ~/.local/share/nev/...), without a trailing slash:
// <name> is the folder's last component made safe for any file system, <hash> tells apart two
// stories of one name. The folder is not created.
std::string storyDataFolder(const std::string& absoluteStoryFolder);

// Replaces `path` by `bytes` only once they are wholly on disk, creating its folders as needed.
// On failure an existing file is left as it was, `error` says why, and false is returned.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error);
