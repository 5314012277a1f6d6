#pragma once
// What is wrong with a story file, told with its full path on the line that goes to standard
// error beside the system's box (see reportProblem).

#include <optional>
#include <string>
#include <string_view>

// The full path of a story file, safe to print: `hostPath` where the name was found, else the
// story's `folder` joined with the name as the story wrote it.
std::string storyFilePath(const std::string& folder, std::string_view name,
                          const std::optional<std::string>& hostPath);

// "<full path>: <what is wrong>" for a story file that could not be used: missing, not a
// regular file or unreadable, as the file system tells; `otherwise` when none of these.
std::string storyFileProblem(const std::string& folder, std::string_view name,
                             const std::optional<std::string>& hostPath,
                             const std::string& otherwise);
