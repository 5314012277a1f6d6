#pragma once
// `nev web STORY OUT`: a folder an author uploads to any static host. OUT holds the player
// page, the story's files under story/ with story/index.json naming them, the glyph font cut to
// the characters the story draws, and the licences of what the page carries.

#include <string>

struct WebExportOptions {
  std::string storyDir;
  std::string outDir;
  std::string playerDir;  // the player folder `make web` builds
  // The font's licence, copied beside the player's own licences when it is there.
  std::string fontLicence = "/usr/share/doc/fonts-ipafont-mincho/copyright";
};

// The exit status: 0 written, 1 not (the reason on stderr).
int exportWebStory(const WebExportOptions& options);

// The player folder to use when none is named: $NEV_WEB_PLAYER, else web/ beside the folder
// of the running program (build/release/nev finds build/web). Empty when neither holds a
// player's index.html.
std::string defaultWebPlayer(const char* environmentValue, const std::string& programPath);
