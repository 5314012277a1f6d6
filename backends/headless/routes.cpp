#include "backends/headless/routes.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "backends/headless/routes_json.h"
#include "backends/headless/storyboard.h"
#include "base/codepage.h"
#include "engine/local_story_folder.h"

namespace fs = std::filesystem;

namespace {

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

int runRoutes(const RoutesOptions& options) {
  const fs::path outDir = options.outDir;
  Problem folderProblem;
  if (!openStoryFolder(options.storyDir, folderProblem)) {
    std::fprintf(stderr, "nev routes: cannot open story folder %s\n", printableText(options.storyDir).c_str());
    return 1;
  }
  if (!prepareOutput(outDir)) {
    std::fprintf(stderr, "nev routes: %s is not a new or empty folder nor an earlier routes output\n",
                 outDir.c_str());
    return 1;
  }
  const RoutesReport report = exploreRoutes(options);
  if (!report.startProblem.empty()) {
    std::fprintf(stderr, "nev routes: %s\n", printableText(report.startProblem).c_str());
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
    std::printf("%s:%d: no route reaches this line: %s\n", printableText(line.file).c_str(), line.line,
                printableText(line.text).c_str());
  }
  for (const std::string& file : report.unusedFiles) {
    std::printf("%s: no route uses this file\n", printableText(file).c_str());
  }
  for (const auto& [choice, item] : report.itemsNeverRun) {
    std::printf("choice %d item %d: its branch line never runs\n", choice, item);
  }
  if (report.outputFull) {
    std::fprintf(stderr, "nev routes: stopped: the frames would pass --max-output (%lld bytes)\n",
                 static_cast<long long>(options.maxOutput));
  }
  if (report.limitMet) return 3;
  return report.boxes > 0 ? 2 : 0;
}
