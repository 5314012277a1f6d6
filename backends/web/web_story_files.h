#pragma once
// WebStoryFiles: a story the page reaches by name (over http, or from a folder the reader
// picked), described by the list of its files. A file is fetched by the page's JS the first
// time it is read, suspending the runner meanwhile, and kept in the module's memory file
// system, where it is read as a file on disk would be.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/story_files.h"

class WebStoryFiles final : public StoryFiles {
 public:
  // `names`: the story's files, UTF-8, "/" between folders, relative to the story's folder.
  explicit WebStoryFiles(const std::vector<std::string>& names);

  std::optional<std::string> resolve(std::string_view name) const override;
  std::vector<std::string> list() const override;
  std::vector<std::string> listIn(std::string_view folder) const override;
  std::optional<std::string> read(
      std::string_view name, uint64_t largest = std::numeric_limits<uint64_t>::max()) const override;
  bool openScript(std::string_view name, TextFile& script) const override;
  std::string location(std::string_view name) const override;
  std::string problem(std::string_view name, const std::string& otherwise) const override;

 private:
  // The index's name for a story's name, or nothing.
  const std::string* find(std::string_view name) const;
  // False when the page could not bring the file.
  bool fetch(const std::string& indexName) const;

  // Folded UTF-8 path -> the index's own spelling. Folders are keys too.
  std::map<std::string, std::string> byKey_;
  std::set<std::string> folders_;
  std::vector<std::string> topLevel_;
  mutable std::set<std::string> fetched_;
};

// Where the fetched files lie in the module's file system.
inline constexpr const char* kWebStoryRoot = "/story/";
