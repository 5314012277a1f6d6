#include "engine/file_problems.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/codepage.h"

namespace fs = std::filesystem;

namespace {

// The length of the UTF-8 character at the start of `text`, or 0 when it is not one.
size_t utf8Length(std::string_view text) {
  const unsigned char lead = static_cast<unsigned char>(text[0]);
  const size_t length = lead < 0x80                   ? 1
                        : lead >= 0xC2 && lead < 0xE0 ? 2
                        : lead >= 0xE0 && lead < 0xF0 ? 3
                        : lead >= 0xF0 && lead < 0xF5 ? 4
                                                      : 0;
  if (length == 0 || length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string printableHostText(std::string_view text) {
  std::string utf8;
  while (!text.empty()) {
    const size_t length = utf8Length(text);
    if (length == 0) {
      appendEscapedByte(utf8, static_cast<unsigned char>(text[0]));
      text.remove_prefix(1);
    } else {
      utf8.append(text.substr(0, length));
      text.remove_prefix(length);
    }
  }
  return printableText(utf8);
}

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
