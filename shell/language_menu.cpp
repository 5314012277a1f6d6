#include "shell/language_menu.h"

#include <algorithm>
#include <mutex>

#include "engine/context.h"
#include "engine/save_point.h"
#include "engine/story_files.h"
#include "engine/translation/language_settings.h"
#include "shell/menu.h"
#include "shell/window_proc.h"

namespace {

constexpr const char* kLanguagesFolder = "lang";
constexpr uint64_t kLargestLanguageFile = 64 * 1024;

}  // namespace

std::string languageName(const StoryFiles& files, const std::string& code) {
  const std::string settingsName = std::string(kLanguagesFolder) + "/" + code + "/language.ini";
  const std::optional<std::string> text = files.read(settingsName, kLargestLanguageFile);
  Problem ignored;  // a translation with settings nev cannot read is still named, by its code
  const std::optional<LanguageSettings> settings =
      text ? readLanguageSettings(*text, settingsName, ignored) : std::nullopt;
  return settings && !settings->name.empty() ? settings->name : code;
}

std::vector<StoryLanguage> storyLanguages(const StoryFiles& files) {
  std::vector<StoryLanguage> languages;
  for (const std::string& code : files.listIn(kLanguagesFolder)) {
    const std::string folder = std::string(kLanguagesFolder) + "/" + code;
    if (!files.resolve(folder + "/story.po")) continue;
    languages.push_back({code, languageName(files, code)});
  }
  std::sort(languages.begin(), languages.end(),
            [](const StoryLanguage& a, const StoryLanguage& b) { return a.code < b.code; });
  return languages;
}

std::string languageNames(const std::vector<StoryLanguage>& languages) {
  std::string names;
  for (const StoryLanguage& language : languages) {
    names += (names.empty() ? "" : ", ") + language.name;
  }
  return names;
}

void buildLanguageMenu(NevContext& context, WindowState& state, WindowPort& port) {
  state.languages = storyLanguages(*context.files);
  if (state.languages.empty()) return;
  port.appendMenuItem(kSubmenuLanguage, kMenuLanguageFirst, "原文", false);
  port.checkMenuItem(kMenuLanguageFirst, state.language.empty());
  for (size_t i = 0; i < state.languages.size() && i < size_t(kMenuLanguageCount - 1); ++i) {
    const int32_t id = kMenuLanguageFirst + 1 + int32_t(i);
    port.appendMenuItem(kSubmenuLanguage, id, state.languages[i].name, false);
    port.checkMenuItem(id, state.languages[i].code == state.language);
  }
  port.appendMenuItem(kSubmenuLanguage, kMenuShowOriginal, "原文を表示\tO", true);
}

void showOriginal(NevContext& context, WindowPort& port, bool shown) {
  context.reading.showOriginal = shown ? 1 : 0;
  port.checkMenuItem(kMenuShowOriginal, shown);
}

bool onLanguageCommand(NevContext& context, WindowState& state, WindowPort& port, int32_t id) {
  if (id == kMenuShowOriginal) {
    showOriginal(context, port, context.reading.showOriginal.load() == 0);
    return true;
  }
  if (id < kMenuLanguageFirst || id >= kMenuLanguageFirst + kMenuLanguageCount) return false;
  const size_t index = size_t(id - kMenuLanguageFirst);
  if (index > state.languages.size()) return true;
  const std::string code = index == 0 ? "" : state.languages[index - 1].code;
  // Checked again: a menu unchecks nothing by itself.
  port.checkMenuItem(id, code == state.language);
  if (code == state.language) return true;
  SavePoint point;
  {
    std::lock_guard guard(context.savePoints.lock);
    point = context.savePoints.latest;
  }
  port.reopenInLanguage(code, point);
  return true;
}
