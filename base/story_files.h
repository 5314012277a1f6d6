#pragma once
// Story files are named the Windows way: code page 932 bytes, "\" or "/" between folders,
// letters in any case. Stories copied from Windows must find their files unchanged.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Where the next "\" or "/" of `name` stands at or after `from`, or name.size(). A "\" that is
// the second byte of a code page 932 character (表 is 0x95 0x5C) belongs to the character, as
// Windows reads such names; a name in well-formed UTF-8 has no such byte.
size_t nextNameSeparator(std::string_view name, size_t from);

// The host path of the file or folder that `name` names, relative to `root`, or nothing.
// Each component is taken as it stands when that exists; otherwise it matches an entry
// whose name equals it ignoring ASCII case, either as bytes or in its UTF-8 form.
std::optional<std::string> resolveStoryFile(std::string_view name, const std::string& root);

// Whether a name reaches outside the folder it is resolved in: an absolute path, a drive, or
// a ".." among its components.
bool leavesStoryFolder(std::string_view name);

// Names equal when their bytes are, ASCII letters taken without case.
bool equalIgnoringAsciiCase(std::string_view a, std::string_view b);

// The name with its ASCII letters in lower case: one key for every spelling of a name.
std::string foldAsciiCase(std::string_view name);
