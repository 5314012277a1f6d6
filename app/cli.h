#pragma once
// nev's command line: `nev [--continue | --new] [--text-out FILE] [STORY_DIR]`, `nev --help`,
// `nev --version`.

#include <string>

struct CommandLine {
  enum class Action { Play, Help, Version, Error } action = Action::Play;
  std::string storyDir = ".";
  bool storyGiven = false;  // storyDir was named, even as "."
  // The answer to "go on from where you stopped?": 1 --continue, 0 --new, -1 ask.
  int resume = -1;
  std::string textOut;  // --text-out FILE
  std::string warp;     // --warp FILE:LINE
  std::string error;        // what was wrong, for Action::Error
};

CommandLine parseCommandLine(int argc, const char* const argv[]);

// Where windows can be shown: nowhere, somewhere the reader does not see them (Qt's offscreen
// platform), on a desktop whose display does not answer, or on a desktop.
enum class DisplayKind { None, Unseen, Unanswering, Desktop };

// From $DISPLAY, $WAYLAND_DISPLAY and $QT_QPA_PLATFORM (each may be null).
DisplayKind displayKindOf(const char* display, const char* waylandDisplay, const char* qtPlatform);

// Whether `nev` asks the reader which story to play instead of playing the current folder: it
// does when started bare, on a desktop, where there is no story.
bool offersStoryChooser(const CommandLine& line, bool storyHere, DisplayKind display);

// Whether a problem that ends nev goes into a box as well as on stderr: on a desktop, where
// nothing shows stderr to the reader (nev started from the desktop's menu, say).
bool endingProblemsInBox(DisplayKind display, bool stderrIsTerminal);

struct RenderOptions;
// Reads the words after "render". False with `error` set when they are wrong.
bool parseRenderOptions(int argc, const char* const argv[], RenderOptions& options,
                        std::string& error);

const char* usageText();

// The whole program; returns its exit status.
int runNev(int argc, const char* const argv[]);
