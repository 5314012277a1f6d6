#include "engine/file_problems.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/codepage.h"

namespace fs = std::filesystem;

std::string storyFilePath(const std::string& folder, std::string_view name,
                          const std::optional<std::string>& hostPath) {
  std::error_code error;
  if (hostPath) {
    const fs::path full = fs::absolute(*hostPath, error).lexically_normal();
    if (!error) return printableHostText(full.string());
  }
  // Either separator divides a story's names, as the resolver takes them.
  std::string bytes(name);
  for (char& c : bytes) c = c == '\\' ? '/' : c;
  const std::string written = printableStoryText(bytes);
  if (!written.empty() && written[0] == '/') return written;
  return printableHostText(folder) + "/" + written;
}

std::string storyFileProblem(const std::string& folder, std::string_view name,
                             const std::optional<std::string>& hostPath,
                             const std::string& otherwise) {
  std::string what = otherwise;
  std::error_code error;
  if (!hostPath || !fs::exists(*hostPath, error)) {
    what = "no such file";
  } else if (!fs::is_regular_file(*hostPath, error)) {
    what = "not a regular file";
  } else if (std::FILE* file = std::fopen(hostPath->c_str(), "rb")) {
    std::fclose(file);
  } else {
    what = "cannot be read";
  }
  return storyFilePath(folder, name, hostPath) + ": " + what;
}
