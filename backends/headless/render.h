#pragma once
// `nev render`: plays a story without a window or audio, on a virtual clock, writing a frame
// at every click wait and choice and a log of what happened, events.jsonl. The same story
// always gives the same files.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backends/headless/headless_player.h"
#include "backends/headless/warp.h"

struct RenderOptions {
  std::string storyDir;
  std::string outDir;
  HeadlessOptions play;
  int32_t clientWidth = 0;  // 0: the story's screenWidth
  int32_t clientHeight = 0;
  // Frame number → the file its wait's or choice's save point goes to.
  std::vector<std::pair<int32_t, std::string>> saveAt;
  std::string loadFile;  // empty: from the story's start
  std::optional<WarpTarget> warp;  // start at the last wait or choice before this line
  bool eventsOnly = false;  // the log alone: no frame is encoded or written
  int32_t skip = 0;       // SkipMode, for the whole run
  std::string readMarks;  // lines read before, and where each line typed is marked
};

// Exit status: 0 the story ended cleanly, 2 it ended after a message box, 3 at a limit or at
// a choice that cannot be picked or a --save-at frame never reached, 1 it could not start or a
// frame could not be written (the earlier output then left as it was), 128 + the signal's number
// when SIGINT, SIGTERM or SIGHUP ended it (its frames so far kept, its log closed).
int renderStory(const RenderOptions& options);
