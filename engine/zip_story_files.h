#pragma once
// ZipStoryFiles: a story played straight from its zip, on the desktop or from a zip a reader
// gives the browser. Names are found as in a folder on disk: either separator, ASCII letters in
// any case, code page 932 names against UTF-8 ones. A zip that holds one folder and nothing
// beside it (the usual way a story is zipped) has the story in that folder.

#include <memory>
#include <string>

#include "base/problem.h"
#include "base/zip_archive.h"
#include "engine/story_files.h"

class ZipStoryFiles final : public StoryFiles {
 public:
  // `label` is what names the zip in paths and problems: its path, or its file name.
  ZipStoryFiles(std::shared_ptr<const ZipArchive> archive, std::string label);

  // The zip's full path: what a reader's saves are kept by.
  const std::string& storyLocation() const { return label_; }

  std::optional<std::string> resolve(std::string_view name) const override;
  std::vector<std::string> list() const override;
  // Every file under the story's folder, by its path from there: UTF-8, "/" between folders,
  // sorted; names starting with a dot and a Mac's resource folder left out. Each reads back.
  std::vector<std::string> allFiles() const;
  std::vector<std::string> listIn(std::string_view folder) const override;
  std::optional<std::string> read(
      std::string_view name, uint64_t largest = std::numeric_limits<uint64_t>::max()) const override;
  bool openScript(std::string_view name, TextFile& script) const override;
  std::string location(std::string_view name) const override;
  std::string problem(std::string_view name, const std::string& otherwise) const override;

 private:
  // A folder or file of the zip: entries name files; folders may be named or only implied.
  struct Node {
    std::string name;  // as stored
    std::string utf8;
    int parent = -1;
    int entry = -1;  // -1: a folder
    std::vector<int> children;
  };
  int child(int folder, std::string_view component) const;
  int findNode(std::string_view name) const;
  std::string pathOf(int node) const;
  std::optional<std::string> extract(int node, std::string* why, uint64_t largest) const;

  std::shared_ptr<const ZipArchive> archive_;
  std::string label_;
  std::vector<Node> nodes_;  // [0] the zip itself
  int rootNode_ = 0;
  std::string root_;
};

// The story zipped in `bytes`; null, with `problem` saying why, when it is refused.
std::shared_ptr<const ZipStoryFiles> openZipStory(std::string bytes, const std::string& label,
                                                  Problem& problem,
                                                  const ZipLimits& limits = ZipLimits{});

// Whether `path` names a story zip rather than a story folder: a regular file ending ".zip".
bool isStoryZipPath(const std::string& path);

// The story zip at `path`, read whole; null with `problem` as openStoryFolder gives one.
std::shared_ptr<const ZipStoryFiles> openStoryZip(const std::string& path, Problem& problem);

// A story opened by the path a reader or author gave: a folder, or a story zip.
struct OpenedStory {
  std::shared_ptr<const StoryFiles> files;
  std::string location;  // the folder's or the zip's full path: what saves are kept by
};

// The story at `path`; nothing, with `problem` saying "<path>: <why>", when it cannot be opened.
std::optional<OpenedStory> openStoryFolderOrZip(const std::string& path, Problem& problem);
