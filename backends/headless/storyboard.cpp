#include "backends/headless/storyboard.h"

#include <sstream>

#include "base/codepage.h"

namespace {

std::string html(const std::string& text) {
  std::string out;
  for (char c : validUtf8Escaped(text)) {
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

}  // namespace

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
