#pragma once
// The first window of `nev` started bare where there is no story: the stories read lately and a
// way to open another folder.

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class StoryChooser final : public QDialog {
 public:
  explicit StoryChooser(const std::vector<std::string>& recentStories);

  // Accepts `folder` as the story to play when its nev.ini can be read; otherwise says why in
  // the box the story would get, and on stderr, and the chooser stays open.
  bool pick(const std::string& folder);
  // The folder picked, once the chooser is accepted.
  const std::string& story() const { return story_; }

 private:
  void openFolder();

  std::string story_;
  QString folderDialogStart_;
};

// The folder of the story the reader picks; nothing when the chooser is closed.
std::optional<std::string> chooseStory(const std::vector<std::string>& recentStories);
