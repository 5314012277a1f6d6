#pragma once
// The lines a video shows, as WebVTT subtitles: each line from the moment it begins to be
// typed until the next one begins (or the video ends).

#include <cstdint>
#include <string>
#include <vector>

class VideoSubtitles {
 public:
  // A line (UTF-8) that began at `at` milliseconds into the video.
  void add(int64_t at, std::string text);
  // The whole file, for a video `length` milliseconds long.
  std::string webVtt(int64_t length) const;

 private:
  struct Cue {
    int64_t at;
    std::string text;
  };
  std::vector<Cue> cues_;
};
