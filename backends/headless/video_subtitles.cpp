#include "backends/headless/video_subtitles.h"

#include <cinttypes>
#include <cstdio>

namespace {

std::string timestamp(int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64 ":%02" PRId64 ".%03" PRId64,
                ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
  return text;
}

// One line of cue text: a line break would end the cue, and "<", "&" and "-->" be markup.
std::string cueText(const std::string& line) {
  std::string text;
  for (char c : line) {
    switch (c) {
      case '\r':
      case '\n':
        break;
      case '&':
        text += "&amp;";
        break;
      case '<':
        text += "&lt;";
        break;
      case '>':
        text += "&gt;";
        break;
      default:
        text += c;
    }
  }
  return text;
}

}  // namespace

void VideoSubtitles::add(int64_t at, std::string text) {
  cues_.push_back(Cue{at, std::move(text)});
}

std::string VideoSubtitles::webVtt(int64_t length) const {
  std::string out = "WEBVTT\n";
  for (size_t i = 0; i < cues_.size(); ++i) {
    const int64_t end = i + 1 < cues_.size() ? cues_[i + 1].at : length;
    const std::string text = cueText(cues_[i].text);
    if (end <= cues_[i].at || text.empty()) continue;
    out += "\n" + timestamp(cues_[i].at) + " --> " + timestamp(end) + "\n" + text + "\n";
  }
  return out;
}
