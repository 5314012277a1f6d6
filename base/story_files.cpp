#include "base/story_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/codepage.h"

namespace fs = std::filesystem;

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool isCp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::optional<fs::path> findEntry(const fs::path& folder, std::string_view component) {
  std::error_code error;
  fs::path exact = folder / std::string(component);
  if (fs::exists(fs::symlink_status(exact, error))) return exact;

  const std::string utf8 = cp932ToUtf8(component);
  std::vector<std::string> matches;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string entry = it->path().filename().string();
    if (equalIgnoringAsciiCase(entry, component) || equalIgnoringAsciiCase(entry, utf8)) {
      matches.push_back(entry);
    }
  }
  if (matches.empty()) return std::nullopt;
  // Several entries can differ only in case on Linux; take the same one every time.
  return folder / *std::min_element(matches.begin(), matches.end());
}

}  // namespace

size_t nextNameSeparator(std::string_view name, size_t from) {
  // Only a name that is not UTF-8 can hold a double-byte character ending in "\\".
  const bool cp932 = validUtf8Escaped(name) != name;
  for (size_t at = from; at < name.size(); ++at) {
    if (isSeparator(name[at])) return at;
    if (cp932 && isCp932LeadByte(static_cast<unsigned char>(name[at])) && at + 1 < name.size()) {
      ++at;
    }
  }
  return name.size();
}

bool leavesStoryFolder(std::string_view name) {
  if (name.empty()) return false;
  if (isSeparator(name[0]) || (name.size() >= 2 && name[1] == ':')) return true;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = nextNameSeparator(name, start);
    if (name.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

std::string foldAsciiCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return folded;
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
    if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
    if (x != y) return false;
  }
  return true;
}

std::optional<std::string> resolveStoryFile(std::string_view name, const std::string& root) {
  if (name.empty()) return std::nullopt;
  fs::path current = isSeparator(name.front()) ? fs::path("/") : fs::path(root);

  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = nextNameSeparator(name, start);
    std::string_view component = name.substr(start, end - start);
    if (component == "..") {
      current /= "..";
    } else if (!component.empty() && component != ".") {
      std::optional<fs::path> next = findEntry(current, component);
      if (!next) return std::nullopt;
      current = *next;
    }
    start = end + 1;
  }
  std::error_code error;
  if (!fs::exists(current, error)) return std::nullopt;
  return current.string();
}
