#include "backends/headless/routes_json.h"

#include <sstream>

#include "backends/headless/headless_player.h"

namespace {

std::string json(const std::string& text) { return jsonString(text); }

}  // namespace

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

namespace {

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

}  // namespace

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
