#pragma once
// The folder `nev render`, `nev routes` and `nev web` write into. It may be new, empty, or an earlier output
// of the same command: one that holds nev's marker file (naming the command and every entry it
// wrote) and nothing else. Anything else may be the reader's own and is refused, never cleaned.
// Results are made in a temporary folder beside it and moved in at the end, so a run that fails
// or is killed leaves the earlier output whole.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/problem.h"

enum class OutputKind { Render, Routes, Web };

// Whether `nev web` writes an entry of this name at the top of its folder: the player page's
// files and folders, the story and its font.
bool publishesWebName(std::string_view name);

// The marker's name inside an output folder.
inline constexpr const char* kOutputMarker = ".nev-output";

class OutputFolder {
 public:
  // Looks at `path` and changes nothing. Nothing, and `problem` says why, when it may not be
  // written.
  static std::optional<OutputFolder> inspect(const std::string& path, OutputKind kind,
                                             Problem& problem);

  OutputFolder(OutputFolder&& other) noexcept;
  OutputFolder& operator=(OutputFolder&&) = delete;
  // A temporary folder not moved into place goes.
  ~OutputFolder();

  // Removes what earlier runs killed before their end left beside the folder, and makes the
  // temporary folder the results are written into, carrying the marker.
  std::optional<Problem> begin();
  const std::filesystem::path& staging() const { return staging_; }

  // Puts what the temporary folder holds in place of the earlier output. At every step the
  // folder's marker lists all nev's entries in it, so a run killed here leaves a folder the
  // next run accepts.
  std::optional<Problem> finish();

 private:
  OutputFolder(OutputKind kind, std::filesystem::path folder, std::string given);

  OutputKind kind_;
  std::filesystem::path folder_;  // absolute, links resolved
  std::string given_;             // as the command line named it, for messages
  bool exists_ = false;
  std::vector<std::string> earlier_;  // nev's entries of the earlier output that are there
  std::filesystem::path staging_;     // empty until begun, and again once moved into place
};
