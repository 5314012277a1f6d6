#include "backends/qt/story_chooser.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "backends/qt/captioned_box.h"
#include "backends/qt/qt_environment.h"
#include "base/codepage.h"
#include "engine/config.h"
#include "engine/local_story_folder.h"
#include "engine/zip_story_files.h"
#include "shell/language_menu.h"

namespace fs = std::filesystem;

namespace {

// A zip's files, or a folder's (one gone since tells so through its missing nev.ini).
std::shared_ptr<const StoryFiles> storyFilesAt(const std::string& path, Problem& problem) {
  if (isStoryZipPath(path)) return openStoryZip(path, problem);
  return std::make_shared<const LocalStoryFolder>(path);
}

// The story's title from its nev.ini above its folder, and below it the translations it has; the
// folder alone when it has no title.
QString storyCaption(const std::string& folder) {
  const QString path = QFile::decodeName(folder.c_str());
  GameConfig config;
  Problem unopened;
  const std::shared_ptr<const StoryFiles> files = storyFilesAt(folder, unopened);
  if (!files || readConfig(*files, config)) return path;
  const QString title = QString::fromStdString(cp932ToUtf8(config.windowTitle)).trimmed();
  const std::string languages = languageNames(storyLanguages(*files));
  const QString translated =
      languages.empty() ? QString() : QStringLiteral("\n翻訳: ") + QString::fromStdString(languages);
  return (title.isEmpty() ? QString() : title + QStringLiteral("\n")) + path + translated;
}

}  // namespace

StoryChooser::StoryChooser(const std::vector<std::string>& recentStories) {
  setWindowTitle(QStringLiteral("nev"));
  resize(560, 320);
  auto* layout = new QVBoxLayout(this);
  auto* list = new QListWidget(this);
  for (const std::string& folder : recentStories) {
    auto* item = new QListWidgetItem(storyCaption(folder), list);
    item->setData(Qt::UserRole, QByteArray::fromStdString(folder));
  }
  list->setCurrentRow(0);
  list->setVisible(!recentStories.empty());
  layout->addWidget(new QLabel(recentStories.empty() ? QStringLiteral("最近読んだ物語はありません")
                                                     : QStringLiteral("最近読んだ物語:"),
                               this));
  layout->addWidget(list);
  connect(list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    pick(item->data(Qt::UserRole).toByteArray().toStdString());
  });

  auto* buttons = new QHBoxLayout;
  auto* open = new QPushButton(QStringLiteral("フォルダを開く…"), this);
  auto* close = new QPushButton(QStringLiteral("閉じる"), this);
  // Return in the list picks its story; no button may take it as well.
  for (QPushButton* button : {open, close}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  buttons->insertStretch(1);
  layout->addLayout(buttons);
  connect(open, &QPushButton::clicked, this, &StoryChooser::openFolder);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  // Stories tend to sit side by side: the dialog opens beside the last one read.
  folderDialogStart_ =
      recentStories.empty()
          ? QDir::homePath()
          : QFile::decodeName(fs::path(recentStories.front()).parent_path().c_str());
}

bool StoryChooser::pick(const std::string& folder) {
  // The settings the story would open with: a folder it could not open with stays unpicked.
  GameConfig settings;
  Problem unopened;
  const std::shared_ptr<const StoryFiles> files = storyFilesAt(folder, unopened);
  if (!files) {
    reportProblemInBox(this, unopenedFolderProblem(unopened));
    return false;
  }
  if (const std::optional<Problem> problem = readConfig(*files, settings)) {
    reportProblemInBox(this, *problem);
    return false;
  }
  story_ = folder;
  accept();
  return true;
}

void StoryChooser::openFolder() {
  const QString folder = QFileDialog::getExistingDirectory(
      this, QStringLiteral("フォルダを開く"), folderDialogStart_,
      QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (folder.isEmpty()) return;
  folderDialogStart_ = folder;
  pick(QFile::encodeName(folder).toStdString());
}

std::optional<std::string> chooseStory(const std::vector<std::string>& recentStories) {
  StoryChooser chooser(recentStories);
  if (chooser.exec() != QDialog::Accepted) return std::nullopt;
  return chooser.story();
}
