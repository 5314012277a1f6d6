#include "backends/headless/web_export.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <system_error>

#include "authoring/story_characters.h"
#include "backends/headless/headless_player.h"
#include "backends/headless/output_folder.h"
#include "base/codepage.h"
#include "base/file_bytes.h"
#include "base/font.h"
#include "base/font_subset.h"
#include "base/po_file.h"
#include "engine/config.h"
#include "engine/host.h"
#include "engine/local_story_folder.h"
#include "engine/translation/language_settings.h"
#include "engine/zip_story_files.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgram = "nev web";
constexpr const char* kFontInPlayer = "fonts/ipam.ttf";
constexpr const char* kProportionalFontInPlayer = "fonts/ipamp.ttf";
constexpr const char* kFontLicence = "licences/ipafont-mincho.txt";
constexpr uint64_t kLargestTranslationFile = uint64_t{16} << 20;
// Far beyond the glyph fonts a page carries; a larger file is no font of ours.
constexpr uint64_t kLargestFont = uint64_t{64} << 20;

int fail(const std::string& detail) {
  std::fprintf(stderr, "%s: %s\n", kProgram, detail.c_str());
  return 1;
}

bool isUtf8(std::string_view text) { return validUtf8Escaped(text) == text; }

// A story file's name as the page asks for it: UTF-8 (code page 932 names decoded), "/"
// between folders.
std::string pageName(const fs::path& relative) {
  std::string name;
  for (const fs::path& part : relative) {
    const std::string bytes = part.string();
    if (!name.empty()) name += '/';
    name += isUtf8(bytes) ? bytes : cp932ToUtf8(bytes);
  }
  return name;
}

struct StoryFile {
  fs::path source;  // empty for a file of a story zip
  std::string name;
  uint64_t size;
};

// Every regular file of the story, links to files followed; entries whose names start with a
// dot (an author's version control, the desktop's own leftovers) are not published.
bool listStoryFiles(const fs::path& root, std::vector<StoryFile>& files, std::string& error) {
  std::error_code failure;
  std::map<std::string, fs::path> byName;
  for (fs::recursive_directory_iterator it(root, failure), end; !failure && it != end;
       it.increment(failure)) {
    const std::string leaf = it->path().filename().string();
    if (leaf.starts_with(".")) {
      if (it->is_directory(failure)) it.disable_recursion_pending();
      continue;
    }
    std::error_code unknown;
    if (!fs::is_regular_file(it->path(), unknown)) continue;
    const std::string name = pageName(it->path().lexically_relative(root));
    if (!byName.emplace(name, it->path()).second) {
      error = "two story files are both named " + printableText(name) + " on the web";
      return false;
    }
    files.push_back({it->path(), name, fs::file_size(it->path(), unknown)});
  }
  if (failure) {
    error = "cannot read the story folder " + printableHostText(root.string()) + ": " + failure.message();
    return false;
  }
  std::sort(files.begin(), files.end(),
            [](const StoryFile& a, const StoryFile& b) { return a.name < b.name; });
  return true;
}

// Every file of a story zip, read once for its size.
bool listZipFiles(const ZipStoryFiles& zip, std::vector<StoryFile>& files, std::string& error) {
  for (const std::string& name : zip.allFiles()) {
    if (!files.empty() && files.back().name == name) {
      error = "two story files are both named " + printableText(name) + " on the web";
      return false;
    }
    const std::optional<std::string> bytes = zip.read(name);
    if (!bytes) {
      error = zip.problem(name, "cannot read " + printableText(name));
      return false;
    }
    files.push_back({{}, name, bytes->size()});
  }
  return true;
}

// The title as the story chooser shows it: without the space that stands for its line feed.
std::string pageTitle(const GameConfig& config) {
  std::string title = cp932ToUtf8(config.windowTitle);
  while (!title.empty() && (title.back() == ' ' || title.back() == '\t')) title.pop_back();
  return title;
}

std::string storyIndex(const std::string& title, const std::vector<StoryFile>& files) {
  std::string json = "{\"format\":1,\"title\":" + jsonString(title) + ",\"files\":[";
  for (size_t i = 0; i < files.size(); ++i) {
    json += (i == 0 ? "{\"name\":" : ",\n{\"name\":") + jsonString(files[i].name) +
            ",\"size\":" + std::to_string(files[i].size) + "}";
  }
  return json + "]}\n";
}

bool writeBytes(const fs::path& path, std::string_view bytes) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !error && out.good();
}

// The characters the translations typed in the proportional face draw: those of every lang/CODE/
// whose language.ini names no font of its own. Whether there is any such translation is
// `needed`; a PO or settings file that cannot be read fails here as it would in the page.
bool translatedCharacters(const StoryFiles& story, std::set<char32_t>& characters, bool& needed,
                          std::string& error) {
  for (const std::string& code : story.listIn("lang")) {
    const std::string folder = "lang/" + code;
    const std::optional<std::string> po = story.read(folder + "/story.po", kLargestTranslationFile);
    if (!po) continue;
    Problem problem;
    if (const std::optional<std::string> ini =
            story.read(folder + "/language.ini", kLargestTranslationFile)) {
      const std::optional<LanguageSettings> settings =
          readLanguageSettings(*ini, folder + "/language.ini", problem);
      if (!settings) {
        error = problem.detail;
        return false;
      }
      if (!settings->fontFile.empty()) continue;
    }
    const std::optional<PoFile> file = readPoFile(*po, folder + "/story.po", problem);
    if (!file) {
      error = problem.detail;
      return false;
    }
    needed = true;
    for (const PoEntry& entry : file->entries) {
      if (entry.obsolete || entry.isHeader()) continue;
      for (const char32_t c : codePointsOf(entry.translation())) characters.insert(c);
    }
  }
  return true;
}

}  // namespace

std::string defaultWebPlayer(const char* environmentValue, const std::string& programPath) {
  if (environmentValue != nullptr && *environmentValue != '\0') return environmentValue;
  if (programPath.empty()) return {};
  std::error_code error;
  const fs::path beside = fs::absolute(programPath, error).parent_path().parent_path() / "web";
  return isRegularFile((beside / "index.html").string()) ? beside.string() : std::string();
}

int exportWebStory(const WebExportOptions& options) {
  const fs::path player = options.playerDir;
  if (!isRegularFile((player / "index.html").string())) {
    return fail("the player folder " + printableHostText(options.playerDir) +
                " holds no index.html; build it with `make web`");
  }
  const std::optional<std::string> fullFont =
      readWholeFile((player / kFontInPlayer).string(), kLargestFont);
  if (!fullFont) {
    return fail("the player folder " + printableHostText(options.playerDir) + " holds no " +
                kFontInPlayer + "; build it with `make web`");
  }
  // The font may be passed on only with its licence.
  const std::optional<std::string> licence = readWholeFile(options.fontLicence, kLargestFont);
  if (!licence && !isRegularFile((player / kFontLicence).string())) {
    return fail("cannot read the glyph font's licence " + printableHostText(options.fontLicence) +
                "; install fonts-ipafont-mincho");
  }
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(player, error)) {
    const std::string name = entry.path().filename().string();
    if (!publishesWebName(name)) {
      return fail("the player folder holds " + printableHostText(name) +
                  ", which is no part of a player page");
    }
  }

  Problem problem;
  std::optional<OutputFolder> out = OutputFolder::inspect(options.outDir, OutputKind::Web, problem);
  if (!out) {
    std::fputs(problemLine(problem, kProgram).c_str(), stderr);
    return 1;
  }
  std::shared_ptr<const StoryFiles> story;
  std::shared_ptr<const ZipStoryFiles> zip;
  fs::path storyFolder;
  if (isStoryZipPath(options.storyDir)) {
    story = zip = openStoryZip(options.storyDir, problem);
  } else if (std::shared_ptr<const LocalStoryFolder> folder = openStoryFolder(options.storyDir, problem)) {
    storyFolder = folder->folder();
    story = std::move(folder);
  }
  if (!story) {
    std::fputs(problemLine(problem, kProgram).c_str(), stderr);
    return 1;
  }
  GameConfig config;
  if (const std::optional<Problem> unread = readConfig(*story, config)) {
    reportProblem(printMessageBox, *unread);
    return 1;
  }
  const fs::path outFolder = fs::weakly_canonical(fs::absolute(options.outDir), error);
  const std::string outWithinStory =
      zip ? std::string("..") : outFolder.lexically_relative(storyFolder).string();
  if (!outWithinStory.empty() && !outWithinStory.starts_with("..")) {
    return fail("the output folder " + printableHostText(options.outDir) +
                " lies inside the story folder; give one outside it");
  }
  std::vector<StoryFile> files;
  std::string listError;
  if (zip ? !listZipFiles(*zip, files, listError) : !listStoryFiles(storyFolder, files, listError)) {
    return fail(listError);
  }
  for (const StoryFile& file : files) {
    if (file.name == "index.json") {
      return fail((file.source.empty() ? printableText(file.name) : printableHostText(file.source.string())) +
                  ": a story file may not be named index.json, the page's own index of the story");
    }
  }

  std::vector<std::string> scripts;
  for (const StoryFile& file : files) {
    if (isScriptName(file.name)) scripts.push_back(file.name);
  }
  const std::optional<std::string> font =
      subsetFont(*fullFont, charactersStoryDraws(*story, scripts), problem);
  if (!font) return fail(printableHostText((player / kFontInPlayer).string()) + ": " + problem.detail);
  std::set<char32_t> translated;
  bool needsProportional = false;
  if (!translatedCharacters(*story, translated, needsProportional, listError)) return fail(listError);
  std::optional<std::string> proportionalFont;
  if (needsProportional) {
    const fs::path whole = player / kProportionalFontInPlayer;
    const std::optional<std::string> bytes = readWholeFile(whole.string(), kLargestFont);
    if (!bytes) {
      return fail("the player folder " + printableHostText(options.playerDir) + " holds no " +
                  kProportionalFontInPlayer + "; build it with `make web`");
    }
    proportionalFont = subsetFont(*bytes, translated, problem);
    if (!proportionalFont) return fail(printableHostText(whole.string()) + ": " + problem.detail);
  }

  if (const std::optional<Problem> unusable = out->begin()) {
    std::fputs(problemLine(*unusable, kProgram).c_str(), stderr);
    return 1;
  }
  const fs::path staging = out->staging();
  fs::copy(player, staging, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
  if (error) return fail("cannot copy the player folder: " + error.message());
  for (const StoryFile& file : files) {
    const fs::path copy = staging / "story" / file.name;
    if (file.source.empty()) {
      const std::optional<std::string> bytes = zip->read(file.name);
      if (!bytes || !writeBytes(copy, *bytes)) return fail("cannot copy " + printableText(file.name));
      continue;
    }
    fs::create_directories(copy.parent_path(), error);
    if (!error) fs::copy_file(file.source, copy, error);
    if (error) return fail("cannot copy " + printableHostText(file.source.string()) + ": " + error.message());
  }
  // A link copied from the player must not lead the cut font onto the file it points at.
  fs::remove(staging / kFontInPlayer, error);
  fs::remove(staging / kProportionalFontInPlayer, error);
  if (proportionalFont && !writeBytes(staging / kProportionalFontInPlayer, *proportionalFont)) {
    return fail("cannot write to " + printableHostText(staging.string()));
  }
  if (!writeBytes(staging / "story" / "index.json", storyIndex(pageTitle(config), files)) ||
      !writeBytes(staging / kFontInPlayer, *font) ||
      (!isRegularFile((staging / kFontLicence).string()) && !writeBytes(staging / kFontLicence, *licence))) {
    return fail("cannot write to " + printableHostText(staging.string()));
  }
  if (const std::optional<Problem> unfilled = out->finish()) {
    std::fputs(problemLine(*unfilled, kProgram).c_str(), stderr);
    return 1;
  }
  return 0;
}
