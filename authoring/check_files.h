#pragma once
// The lint's checks of the files a story names and of the scripts' bytes: a name that finds no
// file, a file outside the story folder, text lost after the end mark or by scrambling.

#include <optional>
#include <string>
#include <string_view>

#include "authoring/check_model.h"
#include "engine/script/commands.h"

// Through the runner's own resolver; a folder of the name is no file.
std::optional<std::string> findStoryFile(std::string_view name, const StoryFiles& files);

// A name the line gives for a file of `kind` (a picture, music or sound) that finds no file.
void checkNamedFile(StoryCheck& story, size_t script, int line, ArgumentKind kind,
                    const char* name);

// For a file of `kind` ("script", "picture"…) that the story folder does not have.
void reportMissingFile(StoryCheck& story, size_t script, int line, const char* kind,
                       std::string_view name, const char* consequence = "");

// Stories are copied as a folder: a file outside it is left behind.
void checkInsideFolder(StoryCheck& story, size_t script, int line, const char* kind,
                       const char* name);

// Text after a byte 0x1A is never read by anyone: the reader takes the byte for the file's end.
void checkEndOfFileMark(StoryCheck& story, size_t script);

// With scrambledScripts 1 and the plain start script kept alongside, the author edits the plain
// scripts and scrambles them: each scrambled script's plain form is checked for what is lost.
void checkPlainSources(StoryCheck& story);
