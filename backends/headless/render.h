#pragma once
// `nev render`: plays a story without a window or audio, on a virtual clock, writing a frame
// at every click wait and choice and a log of what happened. The runner and the reader's side
// take turns at each of the runner's sleeps, so the same story always gives the same files.

#include <cstdint>
#include <string>
#include <vector>

struct RenderOptions {
  std::string storyDir;
  std::string outDir;
  std::vector<int32_t> choices;  // the item to pick at each choice, in order; then 0
  int32_t clientWidth = 0;       // 0: the story's screenWidth
  int32_t clientHeight = 0;
  int32_t maxFrames = 10000;
};

// Exit status: 0 the story ended cleanly, 2 it ended after a message box, 3 at the frame
// limit, 1 it could not start.
int renderStory(const RenderOptions& options);
