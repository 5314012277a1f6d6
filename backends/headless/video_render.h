#pragma once
// `nev render STORY OUT.webm`: the playthrough as a video, at the story's own pace on the
// virtual clock, each wait and choice looked at for a while, with its music and sounds.

#include "backends/headless/render.h"

// Exit status as renderStory's; the video is written whole (to OUT only once it is finished),
// also when a signal ends the run early.
int renderVideo(const RenderOptions& options);
