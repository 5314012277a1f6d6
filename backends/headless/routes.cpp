#include "backends/headless/routes.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>

#include "backends/headless/headless_player.h"
#include "backends/fontconfig/fontconfig_faces.h"
#include "base/codepage.h"
#include "base/freetype_glyph_rasterizer.h"
#include "base/png_file.h"
#include "base/story_files.h"
#include "base/text_file.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/input.h"
#include "engine/local_story_folder.h"
#include "engine/messages.h"
#include "engine/script/arguments.h"
#include "engine/script/commands.h"
#include "engine/script/saved_place.h"
#include "engine/story_session.h"
#include "engine/text/message_window.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kFrameShrink = 4;  // storyboard frames are a quarter of the picture's size

// Where a choice stands: its script, the lines read to its end, and the layout that decides
// which items can be hit at all.
struct ChoiceKey {
  std::string file;
  int32_t linesRead = 0;
  std::array<int32_t, kTextWindowFields> layout = {};
  auto operator<=>(const ChoiceKey&) const = default;
};

struct Pending {
  SavePoint point;
  std::vector<int32_t> picked;  // before this choice
  std::vector<int32_t> pickedAt;
  int32_t item = 0;
  std::vector<ChoiceKey> path;  // the choice points on the way here, this one last
};

// The lines each route carried out, and the files they named (found in the folder once the
// exploration is over, not as each line runs).
struct Coverage {
  std::set<std::pair<std::string, int32_t>> lines;  // folded script name, line from 1
  std::map<std::string, std::string> scripts;       // folded → as the story named it
  std::set<std::string> namedFiles;                 // as the story named them
};

void noteNamedFile(Coverage& coverage, const char* name) {
  if (name != nullptr) coverage.namedFiles.emplace(withoutLineEnd(name));
}

// The line, and the pictures, music and sounds a command line names; the scripts a route reads
// are noted as it reads them.
void noteLine(Coverage& coverage, const RunnerStorage& runner) {
  const std::string file = foldAsciiCase(runner.scriptName);
  coverage.scripts.emplace(file, runner.scriptName);
  coverage.lines.insert({file, runner.linesRead});
  const char* line = runner.lineBuffer;
  if (line[0] != '@') return;
  char copy[kScriptLineSize];
  std::snprintf(copy, sizeof copy, "%s", line + 2);
  char* cursor = copy;
  for (ArgumentKind kind : commandDefinition(commandForLetter(line[1])).arguments) {
    const char* argument = nextArgument(cursor);
    if (kind == ArgumentKind::PictureFile || kind == ArgumentKind::MusicFile ||
        kind == ArgumentKind::SoundFile) {
      noteNamedFile(coverage, argument);
    }
  }
}

// The small picture of a frame, for the storyboard.
bool writeSmallFrame(const std::string& path, const PixelTarget& client) {
  const int32_t width = std::max(1, client.width / kFrameShrink);
  const int32_t height = std::max(1, client.height / kFrameShrink);
  const std::vector<Pixel> pixels =
      shrinkPixels(client.pixels, client.width, client.height, client.stride, width, height);
  return writePngFile(path, pixels.data(), width, height);
}

class Explorer {
 public:
  Explorer(const RoutesOptions& options, std::shared_ptr<const StoryFiles> files,
           RoutesReport& report)
      : options_(options), files_(std::move(files)), report_(report) {}

  void run() {
    std::optional<Pending> next;
    do {
      if (int32_t(report_.routes.size()) >= options_.maxRoutes) {
        report_.limitMet = true;
        break;
      }
      if (!playRoute(next)) return;
      next.reset();
      if (!pending_.empty()) {
        next = std::move(pending_.back());
        pending_.pop_back();
      }
    } while (next);
    findUncovered();
  }

 private:
  std::unique_ptr<StorySession> freshSession() {
    ConfigProblem problem;
    const StoryBackends backends{
        [this] { return std::make_unique<FreeTypeGlyphRasterizer>(faces_); }, {}};
    std::unique_ptr<StorySession> session = openStory(files_, backends, problem);
    if (!session) {
      report_.startProblem = problem.report;
      return nullptr;
    }
    scrambledScripts_ = session->context().config.scrambledScripts;
    return session;
  }

  // False when the story cannot start at all.
  bool playRoute(const std::optional<Pending>& from) {
    std::unique_ptr<StorySession> session = freshSession();
    if (!session) return false;
    NevContext& context = session->context();
    const int32_t number = int32_t(report_.routes.size());
    report_.routes.emplace_back();
    ExploredRoute& route = report_.routes.back();
    std::vector<ChoiceKey> path;
    bool resumedChoiceTaken = !from.has_value();
    if (from) {
      context.resumeAt = from->point;
      route.picked = from->picked;
      route.picked.push_back(from->item);
      route.pickedAt = from->pickedAt;
      path = from->path;
    }
    char folder[16];
    std::snprintf(folder, sizeof folder, "r%04d", number);
    if (!options_.outDir.empty()) fs::create_directories(fs::path(options_.outDir) / folder);

    HeadlessOptions play;
    play.limits.maxSteps = options_.maxSteps;
    std::string typed;
    play.onLineTyped = [&typed](std::string_view text) { typed += cp932ToUtf8Escaped(text) + "\n"; };
    play.onBox = [&route](const std::string& caption, const std::string& text) {
      route.boxes.emplace_back(caption, text);
    };
    play.onScriptLine = [this, &context] { noteLine(coverage_, context.runner); };
    play.pickItem = [&](int32_t count) -> int32_t {
      if (!resumedChoiceTaken) {
        resumedChoiceTaken = true;
        return from->item;
      }
      return atChoice(context, route, path, count);
    };
    const FrameSink keepFrame = [&](int32_t frameNumber, const char* at, const PixelTarget& client) {
      char name[32];
      std::snprintf(name, sizeof name, "%s/%04d.png", folder, frameNumber);
      if (std::string_view(at) == "wait") ++route.waits;
      route.frames.push_back({name, typed});
      typed.clear();
      return options_.outDir.empty() || writeSmallFrame((fs::path(options_.outDir) / name).string(), client);
    };
    std::ostringstream events;
    const HeadlessResult result = playHeadless(context, play, events, keepFrame);
    switch (result.end) {
      case HeadlessEnd::StoryEnd:
        route.end = "E";
        break;
      case HeadlessEnd::ScriptEnd:
        route.end = "script-end";
        break;
      case HeadlessEnd::Stopped:
        break;  // a join or a loop, said by atChoice
      case HeadlessEnd::UnreachableChoice:
        route.end = "unreachable";
        break;
      default:
        route.end = "limit";
        report_.limitMet = true;
        break;
    }
    report_.boxes += result.boxes;
    return true;
  }

  // A choice on the route: explored here for the first time, or met again.
  int32_t atChoice(NevContext& context, ExploredRoute& route, std::vector<ChoiceKey>& path,
                   int32_t count) {
    SavePoint point;
    {
      std::lock_guard guard(context.savePoints.lock);
      point = context.savePoints.latest;
    }
    const ChoiceKey key{foldAsciiCase(point.scriptName), point.linesRead, point.textWindow};
    if (auto known = explored_.find(key); known != explored_.end()) {
      const bool onOwnPath = std::find(path.begin(), path.end(), key) != path.end();
      route.end = onOwnPath ? "loop" : "join";
      route.joins = known->second;
      return -1;
    }
    ChoicePoint choice;
    choice.id = int32_t(report_.choices.size());
    choice.file = point.scriptName;
    choice.line = point.waitLine + 1;
    choice.firstBranchLine = choice.line + count + 1;
    for (const std::string& item : point.choiceItems) {
      choice.items.push_back(cp932ToUtf8Escaped(withoutLineEnd(item)));
    }
    // The items are read with the choice command: they count as carried out.
    for (int32_t k = 1; k <= count; ++k) coverage_.lines.insert({key.file, choice.line + k});
    explored_[key] = choice.id;
    route.pickedAt.push_back(choice.id);
    report_.choices.push_back(std::move(choice));
    path.push_back(key);
    // The other items wait their turn, the first goes on now.
    for (int32_t item = count - 1; item >= 1; --item) {
      pending_.push_back({point, route.picked, route.pickedAt, item, path});
    }
    route.picked.push_back(0);
    return 0;
  }

  void findUncovered() {
    std::set<std::string> scripts;
    for (const auto& [file, name] : coverage_.scripts) scripts.insert(name);
    for (const std::string& name : scripts) {
      TextFile script;
      if (!files_->openScript(name, script)) continue;
      const std::vector<std::string> lines = readScriptLines(script, scrambledScripts_);
      const std::string file = foldAsciiCase(name);
      auto ran = [&](int32_t line) { return coverage_.lines.count({file, line}) > 0; };
      for (int32_t index = 0; index < int32_t(lines.size()); ++index) {
        const int32_t line = index + 1;
        const std::string text(withoutLineEnd(lines[size_t(index)]));
        const Command command =
            text.size() >= 2 && text[0] == '@' ? commandForLetter(text[1]) : Command::None;
        const bool label = commandDefinition(command).flow == CommandFlow::JumpTarget;
        const bool comment = command == Command::Comment;
        if (comment) continue;
        // A jump reads past its label without carrying it out: the line after it tells.
        if (ran(line) || (label && ran(line + 1)) || text.empty()) continue;
        const UnreachedLine unreached{name, line, cp932ToUtf8Escaped(text)};
        report_.unreachedLines.push_back(unreached);
        if (label) report_.unreachedLabels.push_back(unreached);
      }
    }
    for (const ChoicePoint& choice : report_.choices) {
      const std::string file = foldAsciiCase(choice.file);
      for (int32_t item = 0; item < int32_t(choice.items.size()); ++item) {
        if (coverage_.lines.count({file, choice.firstBranchLine + item}) == 0) {
          report_.itemsNeverRun.push_back({choice.id, item});
        }
      }
    }
    std::error_code error;
    std::set<std::string> usedFiles;  // host paths
    for (const std::string& name : coverage_.namedFiles) {
      if (std::optional<std::string> path = files_->resolve(name)) {
        usedFiles.insert(fs::weakly_canonical(*path, error).string());
      }
    }
    for (const std::string& entry : files_->list()) {
      const std::string extension = foldAsciiCase(fs::path(entry).extension().string());
      if (extension != ".bmp" && extension != ".mid" && extension != ".wav") continue;
      const std::optional<std::string> path = files_->resolve(entry);
      if (path && usedFiles.count(fs::weakly_canonical(*path, error).string()) == 0) {
        report_.unusedFiles.push_back(entry);
      }
    }
    std::sort(report_.unusedFiles.begin(), report_.unusedFiles.end());
  }

  const RoutesOptions& options_;
  std::shared_ptr<const StoryFiles> files_;
  RoutesReport& report_;
  // One cache of face lookups and font files for every route's own rasterizer.
  const FaceSource faces_ = fontconfigFaces();
  std::map<ChoiceKey, int32_t> explored_;
  std::vector<Pending> pending_;
  Coverage coverage_;
  int32_t scrambledScripts_ = 0;
};

std::string json(const std::string& text) { return jsonString(text); }

std::string routesJson(const RoutesReport& report) {
  std::ostringstream out;
  out << "{\"choices\": [";
  for (size_t i = 0; i < report.choices.size(); ++i) {
    const ChoicePoint& choice = report.choices[i];
    out << (i ? ",\n  " : "\n  ") << "{\"id\": " << choice.id << ", \"file\": " << json(choice.file)
        << ", \"line\": " << choice.line << ", \"items\": [";
    for (size_t k = 0; k < choice.items.size(); ++k) out << (k ? ", " : "") << json(choice.items[k]);
    out << "]}";
  }
  out << "],\n\"routes\": [";
  for (size_t i = 0; i < report.routes.size(); ++i) {
    const ExploredRoute& route = report.routes[i];
    out << (i ? ",\n  " : "\n  ") << "{\"picked\": [";
    for (size_t k = 0; k < route.picked.size(); ++k) out << (k ? ", " : "") << route.picked[k];
    out << "], \"end\": " << json(route.end);
    if (route.joins >= 0) out << ", \"joins\": " << route.joins;
    if (!route.boxes.empty()) {
      out << ", \"boxes\": [";
      for (size_t k = 0; k < route.boxes.size(); ++k) {
        out << (k ? ", " : "") << "{\"caption\": " << json(route.boxes[k].first)
            << ", \"text\": " << json(route.boxes[k].second) << "}";
      }
      out << "]";
    }
    out << ", \"waits\": " << route.waits << ", \"last_frame\": "
        << (route.frames.empty() ? "null" : json(route.frames.back().file)) << "}";
  }
  out << "]}\n";
  return out.str();
}

std::string linesJson(const std::vector<UnreachedLine>& lines) {
  std::ostringstream out;
  out << "[";
  for (size_t i = 0; i < lines.size(); ++i) {
    out << (i ? ", " : "") << "{\"file\": " << json(lines[i].file) << ", \"line\": " << lines[i].line
        << ", \"text\": " << json(lines[i].text) << "}";
  }
  out << "]";
  return out.str();
}

std::string coverageJson(const RoutesReport& report) {
  std::ostringstream out;
  out << "{\"unreached_lines\": " << linesJson(report.unreachedLines)
      << ",\n\"unreached_labels\": " << linesJson(report.unreachedLabels) << ",\n\"unused_files\": [";
  for (size_t i = 0; i < report.unusedFiles.size(); ++i) out << (i ? ", " : "") << json(report.unusedFiles[i]);
  out << "],\n\"items_never_run\": [";
  for (size_t i = 0; i < report.itemsNeverRun.size(); ++i) {
    out << (i ? ", " : "") << "{\"choice\": " << report.itemsNeverRun[i].first
        << ", \"item\": " << report.itemsNeverRun[i].second << "}";
  }
  out << "]}\n";
  return out.str();
}

std::string html(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      case '\n': out += "<br>"; break;
      default: out += c;
    }
  }
  return out;
}

std::string storyboard(const RoutesReport& report) {
  std::ostringstream out;
  out << "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\"><title>routes</title>\n"
         "<style>body{font-family:sans-serif;margin:1em 2em}figure{display:inline-block;"
         "vertical-align:top;width:170px;margin:4px}figcaption{font-size:12px}"
         "li{margin:2px 0}.end{color:#555}</style></head><body>\n<h1>Routes</h1>\n<h2>Choices</h2>\n<ul>\n";
  for (const ChoicePoint& choice : report.choices) {
    out << "<li id=\"c" << choice.id << "\">Choice " << choice.id << " — " << html(choice.file) << ":"
        << choice.line << "<ol start=\"0\">";
    for (size_t k = 0; k < choice.items.size(); ++k) {
      out << "<li>" << html(choice.items[k]);
      // Every route that took this item here.
      for (size_t r = 0; r < report.routes.size(); ++r) {
        const ExploredRoute& route = report.routes[r];
        for (size_t i = 0; i < route.pickedAt.size() && i < route.picked.size(); ++i) {
          if (route.pickedAt[i] == choice.id && route.picked[i] == int32_t(k)) {
            out << " <a href=\"#r" << r << "\">route " << r << "</a>";
            break;
          }
        }
      }
      out << "</li>";
    }
    out << "</ol></li>\n";
  }
  out << "</ul>\n";
  for (size_t r = 0; r < report.routes.size(); ++r) {
    const ExploredRoute& route = report.routes[r];
    out << "<h2 id=\"r" << r << "\">Route " << r << ": picked";
    for (int32_t item : route.picked) out << " " << item;
    out << " <span class=\"end\">→ " << html(route.end);
    if (route.joins >= 0) out << " <a href=\"#c" << route.joins << "\">choice " << route.joins << "</a>";
    out << "</span></h2>\n";
    for (const auto& [caption, text] : route.boxes) {
      out << "<p>Box <b>" << html(caption) << "</b>: " << html(text) << "</p>\n";
    }
    for (const RouteFrame& frame : route.frames) {
      out << "<figure><img src=\"" << html(frame.file) << "\" alt=\"\" width=\"160\"><figcaption>"
          << html(frame.text) << "</figcaption></figure>\n";
    }
  }
  out << "</body></html>\n";
  return out.str();
}

// OUT_DIR is new, empty, or an earlier routes output, whose files go.
bool prepareOutput(const fs::path& outDir) {
  std::error_code error;
  if (!fs::exists(outDir, error)) return fs::create_directories(outDir, error);
  if (!fs::is_directory(outDir, error)) return false;
  if (fs::is_empty(outDir, error)) return true;
  if (!fs::exists(outDir / "routes.json", error)) return false;
  for (const auto& entry : fs::directory_iterator(outDir, error)) {
    const std::string name = entry.path().filename().string();
    const bool routeFolder = name.size() == 5 && name[0] == 'r' &&
                             name.find_first_not_of("0123456789", 1) == std::string::npos;
    if (routeFolder || name == "routes.json" || name == "coverage.json" || name == "index.html") {
      fs::remove_all(entry.path(), error);
    }
  }
  return true;
}

bool writeText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::trunc);
  out << text;
  return bool(out.flush());
}

}  // namespace

RoutesReport exploreRoutes(const RoutesOptions& options) {
  RoutesReport report;
  std::string folderProblem;
  std::shared_ptr<const StoryFiles> files = openStoryFolder(options.storyDir, folderProblem);
  if (!files) {
    report.startProblem = "cannot open story folder " + options.storyDir;
    return report;
  }
  Explorer explorer(options, std::move(files), report);
  explorer.run();
  return report;
}

int runRoutes(const RoutesOptions& options) {
  const fs::path outDir = options.outDir;
  std::string folderProblem;
  if (!openStoryFolder(options.storyDir, folderProblem)) {
    std::fprintf(stderr, "nev routes: cannot open story folder %s\n", options.storyDir.c_str());
    return 1;
  }
  if (!prepareOutput(outDir)) {
    std::fprintf(stderr, "nev routes: %s is not a new or empty folder nor an earlier routes output\n",
                 outDir.c_str());
    return 1;
  }
  const RoutesReport report = exploreRoutes(options);
  if (!report.startProblem.empty()) {
    std::fprintf(stderr, "nev routes: %s\n", report.startProblem.c_str());
    return 1;
  }
  if (!writeText(outDir / "routes.json", routesJson(report)) ||
      !writeText(outDir / "coverage.json", coverageJson(report)) ||
      !writeText(outDir / "index.html", storyboard(report))) {
    std::fprintf(stderr, "nev routes: cannot write into %s\n", outDir.c_str());
    return 1;
  }
  std::map<std::string, int> ends;
  for (const ExploredRoute& route : report.routes) ++ends[route.end];
  std::printf("%zu choice points, %zu routes:", report.choices.size(), report.routes.size());
  for (const auto& [end, count] : ends) std::printf(" %s %d", end.c_str(), count);
  std::printf("; %d boxes\n", report.boxes);
  for (const UnreachedLine& line : report.unreachedLines) {
    std::printf("%s:%d: no route reaches this line: %s\n", line.file.c_str(), line.line, line.text.c_str());
  }
  for (const std::string& file : report.unusedFiles) std::printf("%s: no route uses this file\n", file.c_str());
  for (const auto& [choice, item] : report.itemsNeverRun) {
    std::printf("choice %d item %d: its branch line never runs\n", choice, item);
  }
  if (report.limitMet) return 3;
  return report.boxes > 0 ? 2 : 0;
}
