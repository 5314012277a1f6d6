#include "backends/qt/settings_store.h"

#include <QFile>
#include <QSettings>
#include <QStringDecoder>
#include <QStringList>
#include <QStringTokenizer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

#include "shell/menu.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kLargestSide = 16384;
constexpr qint64 kLargestFile = 1 << 20;

struct Named {
  int32_t value;
  const char* name;
};

constexpr Named kWindowModes[] = {{int32_t(WindowMode::Default), "default"},
                                  {int32_t(WindowMode::FullSize), "full-size"},
                                  {int32_t(WindowMode::FullScreen), "full-screen"}};
constexpr Named kScalings[] = {{int32_t(PictureScaling::KeepProportions), "keep-proportions"},
                               {int32_t(PictureScaling::WholeMultiples), "whole-multiples"},
                               {int32_t(PictureScaling::Stretch), "stretch"}};
constexpr Named kSpeeds[] = {{kMenuSpeedFastest, "fastest"},
                             {kMenuSpeedFourTimes, "four-times"},
                             {kMenuSpeedDefault, "default"}};

// A value without a name (no speed chosen) leaves no key, so that it reads back as the default.
void writeName(QSettings& store, const char* key, int32_t value, std::span<const Named> names) {
  for (const Named& named : names) {
    if (named.value == value) return store.setValue(key, named.name);
  }
  store.remove(key);
}

// Reads values of the expected kinds; a value of another kind keeps its default and marks the
// file damaged.
class StoreReader {
 public:
  explicit StoreReader(QSettings& store) : store_(store) {}
  bool damaged() const { return damaged_; }

  void number(const char* key, int32_t& value, int32_t lowest, int32_t highest) {
    bool ok = false;
    const QString written = text(key, ok);
    if (!ok) return;
    const int64_t read = written.toLongLong(&ok);
    if (!ok || read < lowest || read > highest) damaged_ = true;
    if (ok) value = static_cast<int32_t>(std::clamp<int64_t>(read, lowest, highest));
  }

  template <typename Value>
  void named(const char* key, Value& value, std::span<const Named> names) {
    bool ok = false;
    const QString read = text(key, ok);
    if (!ok) return;
    for (const Named& named : names) {
      if (read == QLatin1String(named.name)) {
        value = static_cast<Value>(named.value);
        return;
      }
    }
    damaged_ = true;
  }

  // A list, or one text as a list of one.
  QStringList texts(const char* key) {
    if (!store_.contains(key)) return {};
    const QVariant read = store_.value(key);
    if (read.typeId() != QMetaType::QString && read.typeId() != QMetaType::QStringList) {
      damaged_ = true;
      return {};
    }
    return read.toStringList();
  }

  std::vector<std::string> folders(const char* key) {
    std::vector<std::string> folders;
    for (const QString& folder : texts(key)) folders.push_back(QFile::encodeName(folder).toStdString());
    return folders;
  }

  void markDamaged() { damaged_ = true; }

 private:
  // The value as text, ok when there is one; a list or a value of no text is damage. (Values
  // come back as text from the file, but as written from Qt's cache of the same file.)
  QString text(const char* key, bool& ok) {
    ok = false;
    if (!store_.contains(key)) return {};
    const QVariant read = store_.value(key);
    if (read.typeId() == QMetaType::QStringList || !read.canConvert<QString>()) {
      damaged_ = true;
      return {};
    }
    ok = true;
    return read.toString();
  }

  QSettings& store_;
  bool damaged_ = false;
};

// A size and its counterpart are both set or both none.
void keepWhole(int32_t& width, int32_t& height) {
  if (width == 0 || height == 0) width = height = 0;
}

// "<story> <x> <y> <width> <height> <scaling>": one line a story, so that the list keeps its
// order, most recent first.
QString storyWindowLine(const StoryWindow& window) {
  const char* scaling = kScalings[0].name;
  for (const Named& named : kScalings) {
    if (named.value == int32_t(window.scaling)) scaling = named.name;
  }
  const WindowGeometry& frame = window.geometry;
  return QString::fromStdString(window.story) +
         QStringLiteral(" %1 %2 %3 %4 ").arg(frame.x).arg(frame.y).arg(frame.width).arg(frame.height) +
         QLatin1String(scaling);
}

std::optional<StoryWindow> storyWindowOf(const QString& line) {
  const QStringList parts = line.split(u' ');
  if (parts.size() != 6 || parts[0].isEmpty()) return std::nullopt;
  StoryWindow window{parts[0].toStdString(), {}, PictureScaling::KeepProportions};
  int32_t* const numbers[] = {&window.geometry.x, &window.geometry.y, &window.geometry.width,
                              &window.geometry.height};
  const int32_t lowest[] = {-kLargestSide, -kLargestSide, 0, 0};
  for (size_t i = 0; i < std::size(numbers); ++i) {
    bool ok = false;
    const int64_t read = parts[int(i) + 1].toLongLong(&ok);
    if (!ok || read < lowest[i] || read > kLargestSide) return std::nullopt;
    *numbers[i] = static_cast<int32_t>(read);
  }
  keepWhole(window.geometry.width, window.geometry.height);
  for (const Named& named : kScalings) {
    if (parts[5] == QLatin1String(named.name)) {
      window.scaling = static_cast<PictureScaling>(named.value);
      return window;
    }
  }
  return std::nullopt;
}

ReaderSettings readSettings(QSettings& store, bool& damaged) {
  ReaderSettings settings;
  StoreReader read(store);
  // An older nev kept one window size for every story here; it is ignored, and goes at the next
  // save, as nothing says which story it was for.
  read.named("window/mode", settings.windowMode, kWindowModes);
  read.number("window/displayWidth", settings.displayMode.width, 0, kLargestSide);
  read.number("window/displayHeight", settings.displayMode.height, 0, kLargestSide);
  keepWhole(settings.displayMode.width, settings.displayMode.height);
  read.named("reading/speed", settings.messageSpeedItem, kSpeeds);
  read.number("sound/musicVolume", settings.reading.musicVolume, 0, 100);
  read.number("sound/effectsVolume", settings.reading.soundVolume, 0, 100);
  int32_t muted = 0, skipUnread = 0;
  read.number("sound/muted", muted, 0, 1);
  read.number("reading/skipUnread", skipUnread, 0, 1);
  read.number("reading/autoSpeed", settings.reading.autoSpeed, 0, 2);
  settings.reading.muted = muted == 1;
  settings.reading.skipUnread = skipUnread == 1;
  // Oldest last, so that remembering each in turn gives back the order saved.
  const std::vector<std::string> recent = read.folders("stories/recent");
  for (auto folder = recent.rbegin(); folder != recent.rend(); ++folder) {
    rememberStory(settings, *folder);
  }
  for (const QString& line : read.texts("windows/stories")) {
    if (std::optional<StoryWindow> window = storyWindowOf(line)) {
      if (settings.storyWindows.size() < kStoryWindowsKept) settings.storyWindows.push_back(*window);
    } else {
      read.markDamaged();
    }
  }
  // "<story> <code>", most recent first; a code is a folder's name, so has no space.
  for (const QString& line : read.texts("languages/stories")) {
    const QStringList parts = line.split(u' ');
    if (parts.size() == 2 && !parts[0].isEmpty() && !parts[1].isEmpty()) {
      if (settings.storyLanguages.size() < kStoryWindowsKept) {
        settings.storyLanguages.push_back({parts[0].toStdString(), parts[1].toStdString()});
      }
    } else {
      read.markDamaged();
    }
  }
  damaged = read.damaged();
  return settings;
}

void writeSettings(QSettings& store, const ReaderSettings& settings) {
  writeName(store, "window/mode", int32_t(settings.windowMode), kWindowModes);
  for (const char* older : {"window/x", "window/y", "window/width", "window/height", "window/scaling"}) {
    store.remove(older);
  }
  store.setValue("window/displayWidth", settings.displayMode.width);
  store.setValue("window/displayHeight", settings.displayMode.height);
  writeName(store, "reading/speed", settings.messageSpeedItem, kSpeeds);
  store.setValue("sound/musicVolume", settings.reading.musicVolume);
  store.setValue("sound/effectsVolume", settings.reading.soundVolume);
  store.setValue("sound/muted", settings.reading.muted ? 1 : 0);
  store.setValue("reading/skipUnread", settings.reading.skipUnread ? 1 : 0);
  store.setValue("reading/autoSpeed", settings.reading.autoSpeed);
  QStringList recent;
  for (const std::string& folder : settings.recentStories) {
    recent.append(QFile::decodeName(folder.c_str()));
  }
  if (recent.isEmpty()) {
    store.remove("stories/recent");
  } else {
    store.setValue("stories/recent", recent);
  }
  QStringList languages;
  for (const StoryLanguageChoice& choice : settings.storyLanguages) {
    if (choice.code.find(' ') == std::string::npos) {
      languages.append(QString::fromStdString(choice.story + " " + choice.code));
    }
  }
  if (languages.isEmpty()) {
    store.remove("languages/stories");
  } else {
    store.setValue("languages/stories", languages);
  }
  QStringList windows;
  for (const StoryWindow& window : settings.storyWindows) windows.append(storyWindowLine(window));
  if (windows.isEmpty()) {
    store.remove("windows/stories");
  } else {
    store.setValue("windows/stories", windows);
  }
}

enum class FileState { Absent, Clean, Damaged, Unreadable };

// Whether the file is absent, what Qt writes (UTF-8 text with control characters escaped,
// parseable, not larger than settings ever grow), something else, or cannot be read at all (no
// regular file, no permission: nothing is known of it, so it is not called damaged). Only a
// regular file is read; a pipe or a device in its place would hang the reading.
FileState settingsFileState(const std::string& path, std::string& whyUnreadable) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) return FileState::Absent;
  QFile file(QFile::decodeName(path.c_str()));
  if (!fs::is_regular_file(status)) {
    whyUnreadable = "it is not a regular file";
    return FileState::Unreadable;
  }
  if (file.size() > kLargestFile) return FileState::Damaged;
  if (!file.open(QIODevice::ReadOnly)) {
    whyUnreadable = file.errorString().toStdString();
    return FileState::Unreadable;
  }
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8(file.readAll());
  if (utf8.hasError()) return FileState::Damaged;
  // Qt's own word on the format is kept only by the first QSettings to read the file.
  for (const QStringView line : QStringTokenizer(text, u'\n')) {
    if (line.trimmed().startsWith(u'[') && !line.contains(u']')) return FileState::Damaged;
  }
  const bool clean = std::none_of(text.begin(), text.end(), [](QChar c) {
    return c.category() == QChar::Other_Control && c != u'\n' && c != u'\r' && c != u'\t';
  });
  return clean ? FileState::Clean : FileState::Damaged;
}

constexpr int kDamagedCopiesKept = 5;

// A damaged file is kept aside rather than written over: the reader was told, and may want it
// back. Each gets the next number; only the last few are kept.
void keepDamagedCopy(const std::string& path, std::error_code& error) {
  const fs::path file(path);
  const std::string prefix = file.filename().string() + ".damaged.";
  std::vector<int64_t> numbers;
  std::error_code unlisted;
  for (fs::directory_iterator it(file.parent_path(), unlisted), end; !unlisted && it != end;
       it.increment(unlisted)) {
    const std::string name = it->path().filename().string();
    const std::string digits = name.substr(std::min(name.size(), prefix.size()));
    if (name.rfind(prefix, 0) == 0 && !digits.empty() && digits.size() < 10 &&
        digits.find_first_not_of("0123456789") == std::string::npos) {
      numbers.push_back(std::stoll(digits));
    }
  }
  const int64_t next = numbers.empty() ? 1 : *std::max_element(numbers.begin(), numbers.end()) + 1;
  fs::rename(file, path + ".damaged." + std::to_string(next), error);
  if (error) return;
  for (const int64_t number : numbers) {
    std::error_code ignored;
    if (number <= next - kDamagedCopiesKept) fs::remove(path + ".damaged." + std::to_string(number), ignored);
  }
}

}  // namespace

std::string settingsFilePath() {
  // A relative XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return (fs::path(config) / "nev/nev.conf").string();
  const char* home = std::getenv("HOME");
  return (fs::path(home != nullptr ? home : "") / ".config/nev/nev.conf").string();
}

ReaderSettings loadReaderSettings() {
  const std::string path = settingsFilePath();
  std::string whyUnreadable;
  const FileState state = settingsFileState(path, whyUnreadable);
  if (state == FileState::Unreadable) {
    std::fprintf(stderr, "nev: cannot read settings in %s: %s; using defaults, and leaving it as it is\n",
                 path.c_str(), whyUnreadable.c_str());
    return {};
  }
  bool damaged = state == FileState::Damaged;
  ReaderSettings settings;
  if (!damaged) {
    QSettings store(QFile::decodeName(path.c_str()), QSettings::IniFormat);
    settings = readSettings(store, damaged);
  }
  if (damaged) {
    std::fprintf(stderr, "nev: settings in %s are damaged; using defaults\n", path.c_str());
  }
  return settings;
}

bool saveReaderSettings(const ReaderSettings& settings) {
  const std::string path = settingsFilePath();
  std::error_code error;
  fs::create_directories(fs::path(path).parent_path(), error);
  std::string whyUnreadable;
  const FileState state = error ? FileState::Absent : settingsFileState(path, whyUnreadable);
  if (state == FileState::Unreadable) {
    std::fprintf(stderr, "nev: cannot save settings in %s: %s; it is left as it is\n", path.c_str(),
                 whyUnreadable.c_str());
    return false;
  }
  // Qt would carry a damaged file's garbage into the new one.
  if (state == FileState::Damaged) keepDamagedCopy(path, error);
  bool saved = !error;
  if (saved) {
    QSettings store(QFile::decodeName(path.c_str()), QSettings::IniFormat);
    // Through a temporary file and a rename, never over the old file in place.
    store.setAtomicSyncRequired(true);
    writeSettings(store, settings);
    store.sync();
    saved = store.status() == QSettings::NoError;
  }
  if (!saved) {
    std::fprintf(stderr, "nev: cannot save settings in %s%s%s\n", path.c_str(), error ? ": " : "",
                 error ? error.message().c_str() : "");
  }
  return saved;
}
