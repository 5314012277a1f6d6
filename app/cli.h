#pragma once
// nev's command line: `nev [STORY_DIR]`, `nev --help`, `nev --version`.

#include <string>

struct CommandLine {
  enum class Action { Play, Help, Version, Error } action = Action::Play;
  std::string storyDir = ".";
  std::string error;  // what was wrong, for Action::Error
};

CommandLine parseCommandLine(int argc, const char* const argv[]);

struct RenderOptions;
// Reads the words after "render". False with `error` set when they are wrong.
bool parseRenderOptions(int argc, const char* const argv[], RenderOptions& options,
                        std::string& error);

const char* usageText();

// The whole program; returns its exit status.
int runNev(int argc, const char* const argv[]);
