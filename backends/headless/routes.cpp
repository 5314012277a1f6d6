#include "backends/headless/routes.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "backends/headless/output_folder.h"
#include "backends/headless/routes_json.h"
#include "backends/headless/storyboard.h"
#include "base/codepage.h"
#include "engine/zip_story_files.h"

namespace fs = std::filesystem;

namespace {

bool writeText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::trunc);
  out << text;
  return bool(out.flush());
}

}  // namespace

int runRoutes(const RoutesOptions& options) {
  Problem folderProblem;
  if (!openStoryFolderOrZip(options.storyDir, folderProblem)) {
    std::fprintf(stderr, "nev routes: cannot open story folder %s\n", printableText(options.storyDir).c_str());
    return 1;
  }
  Problem refused;
  std::optional<OutputFolder> out =
      OutputFolder::inspect(options.outDir, OutputKind::Routes, refused);
  if (const std::optional<Problem> unusable = out ? out->begin() : refused) {
    std::fputs(problemLine(*unusable, "nev routes").c_str(), stderr);
    return 1;
  }
  RoutesOptions staged = options;
  staged.outDir = out->staging().string();
  const RoutesReport report = exploreRoutes(staged);
  if (!report.startProblem.empty()) {
    std::fprintf(stderr, "nev routes: %s\n", printableText(report.startProblem).c_str());
    return 1;
  }
  const fs::path outDir = out->staging();
  if (!writeText(outDir / "routes.json", routesJson(report)) ||
      !writeText(outDir / "coverage.json", coverageJson(report)) ||
      !writeText(outDir / "index.html", storyboard(report))) {
    std::fprintf(stderr, "nev routes: cannot write into %s\n",
                 printableText(outDir.string()).c_str());
    return 1;
  }
  if (const std::optional<Problem> unfilled = out->finish()) {
    std::fputs(problemLine(*unfilled, "nev routes").c_str(), stderr);
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
  // The report first, then why it may be incomplete, in that order on a shared terminal.
  std::fflush(stdout);
  if (report.outputFull) {
    std::fprintf(stderr, "nev routes: stopped: the frames would pass --max-output (%lld bytes)\n",
                 static_cast<long long>(options.maxOutput));
  } else if (report.limitMet) {
    std::fputs("nev routes: stopped at a limit (--max-routes, --max-steps or --max-frames): what "
               "no route reached above may still be reachable\n",
               stderr);
  }
  if (report.limitMet) return 3;
  return report.boxes > 0 ? 2 : 0;
}
