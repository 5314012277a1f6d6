#include "engine/zip_story_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/codepage.h"
#include "base/file_bytes.h"
#include "base/story_files.h"
#include "base/text_file.h"
#include "engine/local_story_folder.h"

namespace fs = std::filesystem;

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The name's components between separators, without empty ones and ".".
std::vector<std::string_view> componentsOf(std::string_view name) {
  std::vector<std::string_view> components;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = nextNameSeparator(name, start);
    const std::string_view component = name.substr(start, end - start);
    if (!component.empty() && component != ".") components.push_back(component);
    start = end + 1;
  }
  return components;
}

// What a Mac adds to every zip it makes, beside the story's folder.
constexpr std::string_view kMacResourceFolder = "__MACOSX";

}  // namespace

ZipStoryFiles::ZipStoryFiles(std::shared_ptr<const ZipArchive> archive, std::string label)
    : archive_(std::move(archive)), label_(std::move(label)) {
  nodes_.push_back({});
  const std::vector<ZipEntry>& entries = archive_->entries();
  for (size_t index = 0; index < entries.size(); ++index) {
    const ZipEntry& entry = entries[index];
    const std::vector<std::string_view> components = componentsOf(entry.name);
    int node = 0;
    for (size_t i = 0; i < components.size(); ++i) {
      const bool last = i + 1 == components.size();
      const auto& children = nodes_[node].children;
      const auto same = std::find_if(children.begin(), children.end(), [&](int c) {
        return nodes_[c].name == components[i];
      });
      if (same != children.end()) {
        node = *same;
        continue;
      }
      Node made{std::string(components[i]),
                entry.utf8Name ? validUtf8Escaped(components[i]) : cp932ToUtf8(components[i]),
                node, last && !entry.folder ? static_cast<int>(index) : -1, {}};
      nodes_.push_back(std::move(made));
      nodes_[node].children.push_back(static_cast<int>(nodes_.size() - 1));
      node = static_cast<int>(nodes_.size() - 1);
    }
  }
  std::vector<int> top;
  for (int c : nodes_[0].children) {
    if (nodes_[c].name != kMacResourceFolder) top.push_back(c);
  }
  if (top.size() == 1 && nodes_[top[0]].entry < 0) rootNode_ = top[0];
  root_ = pathOf(rootNode_);
}

std::string ZipStoryFiles::pathOf(int node) const {
  std::string path;
  for (; node > 0; node = nodes_[node].parent) path = "/" + nodes_[node].utf8 + path;
  return label_ + path;
}

int ZipStoryFiles::child(int folder, std::string_view component) const {
  const std::string utf8 = cp932ToUtf8(component);
  int found = -1;
  for (int c : nodes_[folder].children) {
    const Node& node = nodes_[c];
    if (node.name == component) return c;
    const bool matches = equalIgnoringAsciiCase(node.name, component) ||
                         equalIgnoringAsciiCase(node.utf8, component) ||
                         equalIgnoringAsciiCase(node.utf8, utf8);
    // Several names can differ only in case; take the same one every time.
    if (matches && (found < 0 || node.name < nodes_[found].name)) found = c;
  }
  return found;
}

int ZipStoryFiles::findNode(std::string_view name) const {
  if (name.empty() || isSeparator(name.front())) return -1;
  int node = rootNode_;
  for (std::string_view component : componentsOf(name)) {
    if (component == "..") {
      if (node == rootNode_) return -1;
      node = nodes_[node].parent;
    } else {
      if (nodes_[node].entry >= 0) return -1;
      node = child(node, component);
      if (node < 0) return -1;
    }
  }
  return node;
}

std::optional<std::string> ZipStoryFiles::resolve(std::string_view name) const {
  const int node = findNode(name);
  if (node < 0) return std::nullopt;
  return pathOf(node);
}

std::vector<std::string> ZipStoryFiles::list() const {
  std::vector<std::string> names;
  for (int c : nodes_[rootNode_].children) names.push_back(nodes_[c].name);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ZipStoryFiles::allFiles() const {
  std::vector<std::string> names;
  std::vector<std::pair<int, std::string>> folders{{rootNode_, ""}};
  while (!folders.empty()) {
    const auto [folder, path] = folders.back();
    folders.pop_back();
    for (int c : nodes_[folder].children) {
      const Node& node = nodes_[c];
      if (node.utf8.starts_with(".") || (folder == 0 && node.name == kMacResourceFolder)) continue;
      if (node.entry >= 0) names.push_back(path + node.utf8);
      else folders.emplace_back(c, path + node.utf8 + "/");
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ZipStoryFiles::listIn(std::string_view folder) const {
  const int node = findNode(folder);
  std::vector<std::string> names;
  if (node < 0 || nodes_[node].entry >= 0) return names;
  for (int c : nodes_[node].children) names.push_back(nodes_[c].name);
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::string> ZipStoryFiles::extract(int node, std::string* why,
                                                  uint64_t largest) const {
  if (node < 0) {
    if (why) *why = "no such file";
    return std::nullopt;
  }
  if (nodes_[node].entry < 0) {
    if (why) *why = "not a regular file";
    return std::nullopt;
  }
  Problem problem;
  std::optional<std::string> bytes =
      archive_->extract(archive_->entries()[nodes_[node].entry], problem, largest);
  if (!bytes && why) *why = problem.detail.substr(problem.detail.rfind(": ") + 2);
  return bytes;
}

std::optional<std::string> ZipStoryFiles::read(std::string_view name, uint64_t largest) const {
  return extract(findNode(name), nullptr, largest);
}

bool ZipStoryFiles::openScript(std::string_view name, TextFile& script) const {
  std::optional<std::string> bytes = read(name);
  if (!bytes) {
    script.close();
    return false;
  }
  script.openBytes(std::move(*bytes));
  return true;
}

std::string ZipStoryFiles::location(std::string_view name) const {
  const int node = findNode(name);
  if (node >= 0) return printableHostText(pathOf(node));
  std::string bytes(name);
  for (char& c : bytes) c = c == '\\' ? '/' : c;
  return printableHostText(root_) + "/" + printableStoryText(bytes);
}

std::string ZipStoryFiles::problem(std::string_view name, const std::string& otherwise) const {
  std::string why;
  if (extract(findNode(name), &why, std::numeric_limits<uint64_t>::max())) why = otherwise;
  return location(name) + ": " + why;
}

std::shared_ptr<const ZipStoryFiles> openZipStory(std::string bytes, const std::string& label,
                                                  Problem& problem, const ZipLimits& limits) {
  std::shared_ptr<const ZipArchive> archive =
      openZipArchive(std::move(bytes), label, limits, problem);
  if (!archive) return nullptr;
  return std::make_shared<const ZipStoryFiles>(std::move(archive), label);
}

bool isStoryZipPath(const std::string& path) {
  return isRegularFile(path) && foldAsciiCase(fs::path(path).extension().string()) == ".zip";
}

std::shared_ptr<const ZipStoryFiles> openStoryZip(const std::string& path, Problem& problem) {
  std::error_code error;
  const fs::path full = fs::canonical(path, error);
  std::optional<std::string> bytes = readWholeFile(path, ZipLimits{}.largestTotal);
  if (error || !bytes) {
    problem = fileProblem(ProblemKind::NotAFolder, path, "cannot be read whole");
    return nullptr;
  }
  return openZipStory(std::move(*bytes), full.string(), problem);
}

std::optional<OpenedStory> openStoryFolderOrZip(const std::string& path, Problem& problem) {
  if (isStoryZipPath(path)) {
    std::shared_ptr<const ZipStoryFiles> zip = openStoryZip(path, problem);
    if (!zip) return std::nullopt;
    std::string location = zip->storyLocation();
    return OpenedStory{std::move(zip), std::move(location)};
  }
  std::shared_ptr<const LocalStoryFolder> folder = openStoryFolder(path, problem);
  if (!folder) return std::nullopt;
  std::string location = folder->folder();
  return OpenedStory{std::move(folder), std::move(location)};
}
