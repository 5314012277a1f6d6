#pragma once
// The 言語 menu: the story's original and each translation beside it in lang/<code>/, the one
// being read checked. Choosing another reopens the story in it at the reader's place.

#include <cstdint>
#include <string>
#include <vector>

#include "shell/window_port.h"

class StoryFiles;
struct NevContext;
struct WindowState;

struct StoryLanguage {
  std::string code;  // the folder's name under lang/
  std::string name;  // as its language.ini names it, else the code
  bool operator==(const StoryLanguage&) const = default;
};

// The name readers know the translation in lang/`code`/ by: its language.ini's, else the code.
std::string languageName(const StoryFiles& files, const std::string& code);

// Each lang/<code>/ that holds a story.po, in the order of their codes.
std::vector<StoryLanguage> storyLanguages(const StoryFiles& files);

// "English, Français": the story's translations, for the story chooser; empty when it has none.
std::string languageNames(const std::vector<StoryLanguage>& languages);

// The items, when the story has a translation: 原文 first, then each translation; the one being
// read (state.language) checked.
void buildLanguageMenu(NevContext& context, WindowState& state, WindowPort& port);

// The page in its original while `shown`, at a click wait, back to the translation after: the
// O key held, or the menu item.
void showOriginal(NevContext& context, WindowPort& port, bool shown);

// A command of the 言語 menu; false for ids it does not own.
bool onLanguageCommand(NevContext& context, WindowState& state, WindowPort& port, int32_t id);
