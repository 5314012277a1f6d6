#pragma once
// A script file turned into its scrambled form and back, as the authors' tools write it.

#include <string>

// Whether two paths name one file, also when the second does not exist yet.
bool isSameFile(const std::string& a, const std::string& b);

// Writes the scrambled (or, with `scramble` false, the plain) form of `inputPath` to
// `outputPath` through a temporary file beside it that replaces the output only when complete.
// Returns an empty string on success, else the path that could not be read or written.
std::string convertScriptFile(const std::string& inputPath, const std::string& outputPath,
                              bool scramble);
