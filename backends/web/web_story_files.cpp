#include "backends/web/web_story_files.h"

#include <emscripten.h>

#include <algorithm>

#include "base/codepage.h"
#include "base/file_bytes.h"
#include "base/story_files.h"
#include "base/text_file.h"

namespace {

// Brings the file into the module's file system under kWebStoryRoot; 1 when it is there.
EM_ASYNC_JS(int, nev_fetch_story_file, (const char* name), {
  return await nevPage.fetchStoryFile(UTF8ToString(name)) ? 1 : 0;
});

// The story's name with "/" between its components, "." and empty ones left out; nothing when
// it leaves the folder.
std::optional<std::string> normalName(std::string_view name) {
  if (leavesStoryFolder(name)) return std::nullopt;
  std::string out;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = nextNameSeparator(name, start);
    const std::string_view component = name.substr(start, end - start);
    if (!component.empty() && component != ".") {
      if (!out.empty()) out += '/';
      out += component;
    }
    start = end + 1;
  }
  return out;
}

}  // namespace

WebStoryFiles::WebStoryFiles(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const std::optional<std::string> normal = normalName(name);
    if (!normal || normal->empty()) continue;
    const std::string key = foldAsciiCase(*normal);
    // Names that differ only in case: the same one every time, as the desktop takes.
    auto [at, added] = byKey_.emplace(key, *normal);
    if (!added) at->second = std::min(at->second, *normal);
    for (size_t slash = normal->find('/'); slash != std::string::npos;
         slash = normal->find('/', slash + 1)) {
      folders_.insert(foldAsciiCase(normal->substr(0, slash)));
    }
    const std::string top = normal->substr(0, normal->find('/'));
    if (std::find(topLevel_.begin(), topLevel_.end(), top) == topLevel_.end()) topLevel_.push_back(top);
  }
}

const std::string* WebStoryFiles::find(std::string_view name) const {
  const std::optional<std::string> normal = normalName(name);
  if (!normal) return nullptr;
  // The story's bytes are code page 932 or already UTF-8; the index is UTF-8.
  for (const std::string& key : {foldAsciiCase(*normal), foldAsciiCase(cp932ToUtf8(*normal))}) {
    auto found = byKey_.find(key);
    if (found != byKey_.end()) return &found->second;
  }
  return nullptr;
}

std::optional<std::string> WebStoryFiles::resolve(std::string_view name) const {
  const std::optional<std::string> normal = normalName(name);
  if (normal && normal->empty()) return std::string(kWebStoryRoot);
  if (const std::string* found = find(name)) return kWebStoryRoot + *found;
  if (normal && (folders_.count(foldAsciiCase(*normal)) != 0 ||
                 folders_.count(foldAsciiCase(cp932ToUtf8(*normal))) != 0)) {
    return kWebStoryRoot + *normal;
  }
  return std::nullopt;
}

std::vector<std::string> WebStoryFiles::list() const { return topLevel_; }

std::vector<std::string> WebStoryFiles::listIn(std::string_view folder) const {
  const std::optional<std::string> normal = normalName(folder);
  if (!normal) return {};
  if (normal->empty()) return list();
  const std::string prefix = foldAsciiCase(*normal) + "/";
  std::vector<std::string> entries;
  for (const auto& [key, spelling] : byKey_) {
    if (!key.starts_with(prefix)) continue;
    const std::string rest = spelling.substr(prefix.size());
    std::string entry = rest.substr(0, rest.find('/'));
    if (std::find(entries.begin(), entries.end(), entry) == entries.end()) {
      entries.push_back(std::move(entry));
    }
  }
  return entries;
}

bool WebStoryFiles::fetch(const std::string& indexName) const {
  if (fetched_.count(indexName) != 0) return true;
  if (nev_fetch_story_file(indexName.c_str()) == 0) return false;
  fetched_.insert(indexName);
  return true;
}

std::optional<std::string> WebStoryFiles::read(std::string_view name, uint64_t largest) const {
  const std::string* found = find(name);
  if (found == nullptr || !fetch(*found)) return std::nullopt;
  return readWholeFile(kWebStoryRoot + *found, largest);
}

bool WebStoryFiles::openScript(std::string_view name, TextFile& script) const {
  const std::string* found = find(name);
  if (found != nullptr && fetch(*found)) return script.open(kWebStoryRoot + *found, "r");
  script.close();
  return false;
}

std::string WebStoryFiles::location(std::string_view name) const {
  if (const std::string* found = find(name)) return "story/" + *found;
  return "story/" + validUtf8Escaped(cp932ToUtf8(name));
}

std::string WebStoryFiles::problem(std::string_view name, const std::string& otherwise) const {
  const std::string* found = find(name);
  if (found == nullptr) return location(name) + ": No such file";
  if (fetched_.count(*found) == 0) return location(name) + ": cannot be fetched";
  return location(name) + ": " + otherwise;
}
