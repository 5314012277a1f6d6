#include "backends/headless/output_folder.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <string_view>
#include <system_error>

#include "base/codepage.h"
#include "base/file_bytes.h"
#include "base/output_target.h"
#include "base/story_data.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kStagingMark = ".nev-tmp-";
constexpr std::string_view kMarkerTemporary = ".nev-output.tmp-";
constexpr size_t kTemporaryTail = 6;  // mkstemp's letters
// Far more names than the frames and routes any limit lets a run write.
constexpr uint64_t kLargestMarker = uint64_t{64} << 20;

constexpr OutputKind kKinds[] = {OutputKind::Render, OutputKind::Routes, OutputKind::Web};

const char* kindLine(OutputKind kind) {
  return kind == OutputKind::Render   ? "nev render output"
         : kind == OutputKind::Routes ? "nev routes output"
                                      : "nev web output";
}

const char* commandName(OutputKind kind) {
  return kind == OutputKind::Render ? "nev render" : kind == OutputKind::Routes ? "nev routes" : "nev web";
}

bool allDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The only names each command writes, so that no marker, whoever wrote it, makes nev remove
// anything else.
bool writesName(OutputKind kind, std::string_view name) {
  if (kind == OutputKind::Render) {
    return name == "events.jsonl" ||
           (name.ends_with(".png") && allDigits(name.substr(0, name.size() - 4)));
  }
  if (kind == OutputKind::Web) return publishesWebName(name);
  return name == "routes.json" || name == "coverage.json" || name == "index.html" ||
         (name.starts_with("r") && allDigits(name.substr(1)));
}

// What a run killed while writing the marker leaves beside it.
bool isMarkerTemporary(std::string_view name) {
  return name.size() == kMarkerTemporary.size() + kTemporaryTail &&
         name.starts_with(kMarkerTemporary);
}

struct Marker {
  OutputKind kind;
  std::vector<std::string> names;
};

// Nothing when `file` is no marker nev wrote.
std::optional<Marker> readMarker(const fs::path& file) {
  std::error_code error;
  if (!fs::is_regular_file(fs::symlink_status(file, error))) return std::nullopt;
  const std::optional<std::string> text = readWholeFile(file.string(), kLargestMarker);
  if (!text || text->empty() || text->back() != '\n') return std::nullopt;
  Marker marker{OutputKind::Render, {}};
  size_t start = 0;
  for (size_t end; (end = text->find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string_view line = std::string_view(*text).substr(start, end - start);
    if (start == 0) {
      const auto* kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                      [&](OutputKind each) { return line == kindLine(each); });
      if (kind == std::end(kKinds)) return std::nullopt;
      marker.kind = *kind;
    } else if (writesName(marker.kind, line)) {
      marker.names.emplace_back(line);
    } else {
      return std::nullopt;
    }
  }
  return marker;
}

std::string markerText(OutputKind kind, std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  std::string text = std::string(kindLine(kind)) + "\n";
  for (const std::string& name : names) text += name + "\n";
  return text;
}

std::optional<Problem> writeMarker(const fs::path& folder, OutputKind kind,
                                   const std::vector<std::string>& names) {
  return writeFileAtomically((folder / kOutputMarker).string(), markerText(kind, names));
}

// The folder named `given` may not be written: "<given>: <what>".
Problem refused(const std::string& given, const std::string& what) {
  return fileProblem(ProblemKind::CannotWrite, given, what);
}

// A temporary folder beside `folder` that a run killed before its end left behind: named for
// it, marked as nev's (or left empty), and of no process still running.
void removeStaleStagings(const fs::path& folder) {
  const std::string prefix = "." + folder.filename().string() + std::string(kStagingMark);
  std::error_code error;
  for (fs::directory_iterator it(folder.parent_path(), error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    const std::string_view pid =
        std::string_view(name).substr(std::min(prefix.size(), name.size()));
    std::error_code unknown;
    if (!name.starts_with(prefix) || !allDigits(pid) || pid.size() > 9 ||
        !fs::is_directory(fs::symlink_status(it->path(), unknown))) {
      continue;
    }
    const pid_t owner = static_cast<pid_t>(std::stol(std::string(pid)));
    if (owner != getpid() && (kill(owner, 0) == 0 || errno != ESRCH)) continue;
    if (readMarker(it->path() / kOutputMarker)) {
      fs::remove_all(it->path(), unknown);
    } else {
      fs::remove(it->path(), unknown);  // only when empty
    }
  }
}

}  // namespace

bool publishesWebName(std::string_view name) {
  constexpr std::string_view kFolders[] = {"story", "fonts", "sound", "licences"};
  constexpr std::string_view kKindsOfFile[] = {".html", ".js", ".css", ".wasm", ".json",
                                               ".ico", ".png", ".svg", ".txt", ".webmanifest"};
  if (name.empty() || name.starts_with(".") || name.find('/') != std::string_view::npos) return false;
  for (std::string_view folder : kFolders) {
    if (name == folder) return true;
  }
  for (std::string_view ending : kKindsOfFile) {
    if (name.size() > ending.size() && name.ends_with(ending)) return true;
  }
  return false;
}

OutputFolder::OutputFolder(OutputKind kind, fs::path folder, std::string given)
    : kind_(kind), folder_(std::move(folder)), given_(std::move(given)) {}

OutputFolder::OutputFolder(OutputFolder&& other) noexcept
    : kind_(other.kind_),
      folder_(std::move(other.folder_)),
      given_(std::move(other.given_)),
      exists_(other.exists_),
      earlier_(std::move(other.earlier_)),
      staging_(std::move(other.staging_)) {
  other.staging_.clear();
}

OutputFolder::~OutputFolder() {
  std::error_code error;
  if (!staging_.empty()) fs::remove_all(staging_, error);
}

std::optional<OutputFolder> OutputFolder::inspect(const std::string& path, OutputKind kind,
                                                  Problem& problem) {
  std::error_code error;
  fs::path folder = fs::absolute(path, error).lexically_normal();
  if (!folder.has_filename()) folder = folder.parent_path();
  const fs::file_status link = fs::symlink_status(folder, error);
  if (link.type() == fs::file_type::not_found) return OutputFolder(kind, folder, path);
  if (!fs::is_directory(fs::status(folder, error))) {
    problem = refused(path, "it is not a folder");
    return std::nullopt;
  }
  folder = fs::canonical(folder, error);
  if (error || !folder.has_filename()) {
    problem = refused(path, error ? error.message() : "it has no folder above it");
    return std::nullopt;
  }
  OutputFolder out(kind, folder, path);
  out.exists_ = true;
  std::set<std::string> listed;
  if (fs::symlink_status(folder / kOutputMarker, error).type() != fs::file_type::not_found) {
    const std::optional<Marker> marker = readMarker(folder / kOutputMarker);
    if (!marker) {
      problem = refused(path, "its " + std::string(kOutputMarker) +
                                  " is not nev's; give a new or empty folder");
      return std::nullopt;
    }
    if (marker->kind != kind) {
      problem = refused(path, "it holds the output of " + std::string(commandName(marker->kind)) +
                                  ", not of " + commandName(kind) + "; give a new or empty folder");
      return std::nullopt;
    }
    listed.insert(marker->names.begin(), marker->names.end());
  }
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code unknown;
    if (name == kOutputMarker) continue;
    if (listed.count(name) != 0 ||
        (isMarkerTemporary(name) && fs::is_regular_file(fs::symlink_status(it->path(), unknown)))) {
      out.earlier_.push_back(name);
      continue;
    }
    problem = refused(path, "it holds " + printableText(name) +
                                ", which nev did not write; give a new or empty folder, or an "
                                "earlier " +
                                commandName(kind) + " output");
    return std::nullopt;
  }
  if (error) {
    problem = refused(path, error.message());
    return std::nullopt;
  }
  return out;
}

std::optional<Problem> OutputFolder::begin() {
  std::error_code error;
  fs::create_directories(folder_.parent_path(), error);
  if (error) return refused(given_, error.message());
  removeStaleStagings(folder_);
  const fs::path staging =
      folder_.parent_path() /
      ("." + folder_.filename().string() + std::string(kStagingMark) + std::to_string(getpid()));
  if (!fs::create_directory(staging, error)) {
    return refused(given_, "cannot make " + printableText(staging.string()) + " beside it: " +
                               (error ? error.message() : "it is there already"));
  }
  staging_ = staging;
  return writeMarker(staging_, kind_, {});
}

std::optional<Problem> OutputFolder::finish() {
  std::error_code error;
  std::vector<std::string> made;
  for (fs::directory_iterator it(staging_, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name != kOutputMarker) made.push_back(name);
  }
  if (error) return refused(given_, error.message());
  // The folder may have changed while the run played.
  Problem changed;
  std::optional<OutputFolder> now = inspect(given_, kind_, changed);
  if (!now) return changed;
  if (!now->exists_) {
    if (std::optional<Problem> unwritten = writeMarker(staging_, kind_, made)) return unwritten;
    fs::rename(staging_, folder_, error);
    if (error) return refused(given_, error.message());
    staging_.clear();
    syncFolderOf(folder_.string());
    return std::nullopt;
  }
  std::vector<std::string> both = made;
  for (const std::string& name : now->earlier_) {
    if (writesName(kind_, name)) both.push_back(name);
  }
  if (std::optional<Problem> unwritten = writeMarker(folder_, kind_, both)) return unwritten;
  for (const std::string& name : now->earlier_) {
    if (!error) fs::remove_all(folder_ / name, error);
  }
  for (const std::string& name : made) {
    if (!error) fs::rename(staging_ / name, folder_ / name, error);
  }
  if (error) return refused(given_, error.message());
  if (std::optional<Problem> unwritten = writeMarker(folder_, kind_, made)) return unwritten;
  fs::remove_all(staging_, error);
  staging_.clear();
  return std::nullopt;
}
