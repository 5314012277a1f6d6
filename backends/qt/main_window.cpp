#include "backends/qt/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDockWidget>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <filesystem>

#include "backends/qt/backlog_view.h"
#include "backends/qt/captioned_box.h"
#include "backends/qt/live_reload.h"
#include "backends/qt/our_captions.h"
#include "backends/qt/picture_view.h"
#include "backends/qt/remembered_settings.h"
#include "backends/qt/slot_dialog.h"
#include "backends/sdl/pad_input.h"
#include "base/codepage.h"
#include "base/png_file.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/sound/music.h"
#include "engine/translation/story_translation.h"
#include "shell/menu.h"
#include "shell/reading_menu.h"

namespace {

// While no controller is attached the pad is read only to notice one arriving; while one is,
// often enough that a press feels immediate. Neither keeps a waiting reader's machine busy.
constexpr int kPadIdleReadMs = 500;
constexpr int kPadReadMs = 20;

// The key a pad button stands for in a widget that takes keys: the backlog, a menu, a box.
// Qt::Key_unknown: the button means nothing there.
Qt::Key keyInBacklog(PadButton button) {
  switch (button) {
    case PadButton::Up: return Qt::Key_Up;
    case PadButton::Down: return Qt::Key_Down;
    case PadButton::Left: return Qt::Key_PageUp;
    case PadButton::Right: return Qt::Key_PageDown;
    case PadButton::B:
    case PadButton::Y: return Qt::Key_Escape;
    default: return Qt::Key_unknown;
  }
}

Qt::Key keyInMenu(PadButton button) {
  switch (button) {
    case PadButton::Up: return Qt::Key_Up;
    case PadButton::Down: return Qt::Key_Down;
    case PadButton::Left: return Qt::Key_Left;
    case PadButton::Right: return Qt::Key_Right;
    case PadButton::A: return Qt::Key_Return;
    case PadButton::B:
    case PadButton::Start: return Qt::Key_Escape;
    default: return Qt::Key_unknown;
  }
}

// The slot screen reads A and X as keys no keyboard sends, so that Enter keeps never saving.
Qt::Key keyInSlotScreen(PadButton button) {
  switch (button) {
    case PadButton::A: return Qt::Key_Select;
    case PadButton::X: return Qt::Key_Save;
    default: return keyInMenu(button);
  }
}

// A box's buttons: the d-pad moves between them, A presses the one lit.
Qt::Key keyInBox(PadButton button) {
  switch (button) {
    case PadButton::Up:
    case PadButton::Left: return Qt::Key_Backtab;
    case PadButton::Down:
    case PadButton::Right: return Qt::Key_Tab;
    case PadButton::A: return Qt::Key_Space;
    case PadButton::B: return Qt::Key_Escape;
    default: return Qt::Key_unknown;
  }
}

void sendKey(QWidget* target, Qt::Key key) {
  if (target == nullptr || key == Qt::Key_unknown) return;
  const Qt::KeyboardModifiers modifiers = key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier;
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QCoreApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers);
  QCoreApplication::sendEvent(target, &release);
}

// Posted by the runner's requests: the window collects its mail.
constexpr QEvent::Type kMailEvent = QEvent::Type(QEvent::User + 1);

QString qs(const std::string& utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

}  // namespace

MainWindow::MainWindow(NevContext& context)
    : context_(context),
      input_(context, state_, *this),
      placement_(*this, [this] { view_->updateClientMapping(); }),
      // A plain posted event: the queue owns it and the runner never touches it again. A queued
      // functor's slot object would be released by whichever thread drops it last.
      mailbox_([this] {
        QEvent* wakeUp = new QEvent(kMailEvent);
        wakeUpsPosted_.fetch_add(1, std::memory_order_release);
        QCoreApplication::postEvent(this, wakeUp);
      }),
      // The runner's end wakes the window, which then acts on an end request the script left as
      // its last word.
      runner_(context, [this] { mailbox_.wake(); }) {
  setWindowTitle(QString::fromStdString(
      shownSettingText(context.translation, "window title", context.config.windowTitle)));
  view_ = new PictureView(*this, context, state_, input_);
  view_->installEventFilter(this);
  // The window's child, not the view's: the view's children are its overlays (the backlog).
  mark_ = new QLabel(this);
  mark_->setObjectName(QStringLiteral("readingMark"));
  mark_->setAttribute(Qt::WA_TransparentForMouseEvents);
  mark_->setStyleSheet(QStringLiteral(
      "background: rgba(0,0,0,150); color: white; padding: 2px 6px; font-weight: bold;"));
  mark_->hide();
  setCentralWidget(view_);
  buildMenuBar();
  connectReadingMenus();

  PlatformServices& platform = context.platform;
  platform.messageBox = [this](const std::string& text, const std::string& caption,
                                const std::string& details) {
    showBoxFromRunner(text, caption, details);
  };
  platform.invalidate = [this](const Rect* area) { mailbox_.askRepaint(area); };
  platform.sleep = [this](int32_t milliseconds) {
    if (context_.shared.endRequested.load() != 0) mailbox_.wake();
    runner_.sleep(milliseconds);
  };
  // An end asked for by the script reaches the window at the runner's next step.
  platform.scriptLine = [this](const ScriptCursor&) {
    if (context_.shared.endRequested.load() != 0) mailbox_.wake();
  };
}

MainWindow::~MainWindow() {
  teardown();
  // The view reaches into this window's parts (its input, its state); it goes while they live.
  delete view_;
  view_ = nullptr;
}

void MainWindow::buildMenuBar() {
  int32_t index = 0;
  for (const MenuBarEntry& bar : startMenuBar()) {
    QMenu* menu = menuBar()->addMenu(ourCaption(bar.caption));
    submenus_[index++] = menu;
    // A menu filled in later shows once it has items.
    menu->menuAction()->setVisible(!bar.entries.empty());
    QMenu* target = menu;
    for (const MenuEntry& entry : bar.entries) {
      switch (entry.kind) {
        case MenuEntry::Kind::SubmenuStart:
          target = menu->addMenu(ourCaption(entry.caption));
          break;
        case MenuEntry::Kind::SubmenuEnd:
          target = menu;
          break;
        case MenuEntry::Kind::Separator:
          target->addSeparator();
          break;
        case MenuEntry::Kind::Item: {
          QAction* item = target->addAction(ourCaption(entry.caption));
          if (isCheckableItem(entry.id)) {
            item->setCheckable(true);
            item->setChecked(entry.checked);
          }
          const int32_t id = entry.id;
          connect(item, &QAction::triggered, this, [this, id] { runMenuCommand(id); });
          actions_[id] = item;
          break;
        }
      }
    }
  }
}

void MainWindow::runMenuCommand(int32_t id) {
  onMenuCommand(context_, state_, *this, id);
  refreshReadingMark();
}

void MainWindow::connectReadingMenus() {
  connect(submenus_[kSubmenuBookmarks], &QMenu::aboutToShow, this,
          [this] { refreshSaveMenu(context_, state_, *this); });
  connect(submenus_[kSubmenuReading], &QMenu::aboutToShow, this,
          [this] { refreshReadingMenu(context_, state_, *this); });
}

void MainWindow::flashMessage(const QString& text, int milliseconds) {
  if (flash_ == nullptr) {
    flash_ = new QLabel(view_);
    flash_->setObjectName(QStringLiteral("notice"));
    flash_->setStyleSheet(QStringLiteral("background: rgba(0,0,0,180); color: white; padding: 6px;"));
    flashEnds_ = new QTimer(flash_);
    flashEnds_->setSingleShot(true);
    connect(flashEnds_, &QTimer::timeout, flash_, &QLabel::hide);
  }
  flash_->setText(text);
  flash_->adjustSize();
  flash_->move(8, 8);
  flash_->show();
  flash_->raise();
  flashEnds_->start(milliseconds);
}

void MainWindow::refreshReadingMark() {
  if (view_ == nullptr) return;
  // The runner turns skipping off by itself at a choice: read each time the window wakes.
  const QString text = qs(readingMark(context_));
  if (text.isEmpty()) {
    if (!mark_->isHidden()) mark_->hide();
    return;
  }
  if (mark_->text() != text) {
    mark_->setText(text);
    mark_->adjustSize();
  }
  const QRect area = view_->geometry();
  mark_->move(area.right() - mark_->width() - 8, area.top() + 8);
  if (mark_->isHidden()) {
    mark_->show();
    mark_->raise();
  }
}

void MainWindow::showNotice(const std::string& text) { flashMessage(ourCaption(text), 2000); }

void MainWindow::setVolumes(int32_t music, int32_t sound) {
  context_.platform.sound->setVolumes(music, sound);
}

void MainWindow::greyMenuItem(int32_t id, const std::string& why) {
  QAction* item = action(id);
  if (item == nullptr) return;
  item->setEnabled(false);
  item->setToolTip(ourCaption(why));
  // The submenu says it too, so the reader need not open it to learn why.
  for (QObject* holder : item->associatedObjects()) {
    auto* menu = qobject_cast<QMenu*>(holder);
    if (menu == nullptr) continue;
    menu->setToolTipsVisible(true);
    menu->menuAction()->setToolTip(ourCaption(why));
    for (QObject* outer : menu->menuAction()->associatedObjects()) {
      if (auto* parentMenu = qobject_cast<QMenu*>(outer)) parentMenu->setToolTipsVisible(true);
    }
  }
}

void MainWindow::saveScreenshot() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (folder.isEmpty()) folder = QDir::homePath() + QStringLiteral("/Pictures");
  folder += QStringLiteral("/nev");
  // Named after the story's folder.
  const std::string storyFolder = context_.files->resolve(".").value_or("");
  const QString story = QFileInfo(QFile::decodeName(storyFolder.c_str())).fileName();
  const QString path = folder + QStringLiteral("/") + story + QStringLiteral("-") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
                       QStringLiteral(".png");
  std::vector<Pixel> pixels;
  int32_t width = 0, height = 0;
  {
    SurfaceSet& set = context_.surfaces;
    std::lock_guard guard(set.pixelLock);
    if (set.displayBitmap) pixels = set.displayBitmap->pixels;
    width = set.surfaceWidth;
    height = set.surfaceHeight;
  }
  const std::string hostPath = QFile::encodeName(path).toStdString();
  if (pixels.empty() || !QDir().mkpath(folder) ||
      !writePngFile(hostPath, pixels.data(), width, height)) {
    std::fprintf(stderr, "nev: %s: the screenshot cannot be written\n", hostPath.c_str());
    flashMessage(ourCaption("スクリーンショットを保存できませんでした"), 3000);
    return;
  }
  std::fprintf(stderr, "nev: screenshot saved to %s\n", hostPath.c_str());
  flashMessage(ourCaption("スクリーンショット: ") + path, 3000);
}

void MainWindow::copyText(const std::string& utf8) {
  QGuiApplication::clipboard()->setText(qs(utf8));
}

void MainWindow::showBacklog() {
  if (backlog_ != nullptr) return;
  context_.reading.backlogOpen = 1;
  if (flash_ != nullptr) flash_->hide();  // the backlog darkens the picture, not the notice
  QImage shown = view_->grab().toImage();
  backlog_ = new BacklogView(view_, context_.config, context_.shared.messageFontSize.load(),
                             backlogPages(context_), shown);
  backlog_->onClosed = [this] {
    context_.reading.backlogOpen = 0;
    backlog_->deleteLater();
    backlog_ = nullptr;
    view_->setFocus();
  };
}

int32_t MainWindow::chooseFromReaderMenu(const std::vector<ReaderMenuItem>& items) {
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("readerMenu"));
  for (const ReaderMenuItem& item : items) {
    QAction* entry = menu.addAction(ourCaption(item.caption));
    entry->setData(item.id);
    entry->setCheckable(item.checked);
    entry->setChecked(item.checked);
  }
  menu.adjustSize();
  const QPoint centre = view_->mapToGlobal(view_->rect().center());
  // The first item lit once it shows, so that the pad's A has something to pick at once.
  QTimer::singleShot(0, &menu, [&menu] { menu.setActiveAction(menu.actions().value(0)); });
  const QAction* picked = menu.exec(centre - QPoint(menu.width() / 2, menu.height() / 2));
  return picked == nullptr ? 0 : picked->data().toInt();
}

void MainWindow::readPad(PadReader& pad) {
  if (!pad.working()) return;  // said once on stderr; the window is as it was without a pad
  pad_ = &pad;
  if (padTimer_ == nullptr) {
    padTimer_ = new QTimer(this);
    connect(padTimer_, &QTimer::timeout, this, [this] { readPadNow(); });
  }
  readPadNow();
  padTimer_->start();
}

void MainWindow::readPadNow() {
  if (pad_ == nullptr || tornDown_) return;
  pad_->read([this](PadEvent event) {
    QMetaObject::invokeMethod(this, [this, event] { onPad(event); }, Qt::QueuedConnection);
  });
  padTimer_->setInterval(pad_->attached() > 0 ? kPadReadMs : kPadIdleReadMs);
}

void MainWindow::onPad(PadEvent event) {
  if (tornDown_) return;
  if (QWidget* popup = QApplication::activePopupWidget()) {
    if (event.pressed) sendKey(popup, keyInMenu(event.button));
  } else if (QWidget* modal = QApplication::activeModalWidget()) {
    if (!event.pressed) return;
    QWidget* focused = modal->focusWidget() != nullptr ? modal->focusWidget() : modal;
    sendKey(focused, modal->objectName() == QStringLiteral("slots") ? keyInSlotScreen(event.button)
                                                                     : keyInBox(event.button));
  } else if (backlog_ != nullptr) {
    if (event.pressed) sendKey(backlog_, keyInBacklog(event.button));
  } else if (prologue()) {
    return;
  } else {
    if (liveReload_) liveReload_->followSavePoints();
    onPadButton(context_, state_, *this, event);
    refreshReadingMark();
  }
}

QAction* MainWindow::action(int32_t id) const {
  auto found = actions_.find(id);
  return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::startStory() { runner_.start(); }

void MainWindow::watchScripts(PlayingScripts& scripts, const std::string& folder,
                              ReplayPicks replay) {
  liveReload_ = std::make_unique<LiveReload>(
      context_, scripts, folder,
      LiveReload::Window{[this](const SavePoint& point) {
                           if (!tornDown_) restartStoryAt(point);
                         },
                         [this](const std::vector<std::string>& errors) { showLintErrors(errors); },
                         std::move(replay)});
}

void MainWindow::reloadScripts() {
  if (liveReload_) liveReload_->reload();
}

void MainWindow::showLintErrors(const std::vector<std::string>& errors) {
  if (errors.empty()) {
    if (lintDock_ != nullptr) lintDock_->hide();
    return;
  }
  if (lintDock_ == nullptr) {
    lintDock_ = new QDockWidget(ourCaption("スクリプトの誤り"), this);
    lintDock_->setObjectName(QStringLiteral("lintPanel"));
    lintDock_->setFeatures(QDockWidget::DockWidgetClosable);
    auto* text = new QPlainTextEdit(lintDock_);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text->setMinimumWidth(240);
    lintDock_->setWidget(text);
    addDockWidget(Qt::RightDockWidgetArea, lintDock_);
  }
  QString text = ourCaption("前のスクリプトのまま続けています:") + u'\n';
  for (const std::string& error : errors) text += qs(error) + QStringLiteral("\n");
  qobject_cast<QPlainTextEdit*>(lintDock_->widget())->setPlainText(text);
  lintDock_->show();
  for (const std::string& error : errors) std::fprintf(stderr, "nev: %s\n", error.c_str());
}

QPlainTextEdit* MainWindow::lintPanel() const {
  if (lintDock_ == nullptr || lintDock_->isHidden()) return nullptr;
  return qobject_cast<QPlainTextEdit*>(lintDock_->widget());
}

void MainWindow::restartStoryAt(const SavePoint& point) {
  runner_.restartAt(point);
  mailbox_.askRepaint(nullptr);
}

void MainWindow::reopenInLanguage(const std::string& code, const SavePoint& point) {
  if (onLanguageChosen) onLanguageChosen(code, point);
}

std::string MainWindow::ourText(const std::string& japanese) {
  return ourCaption(japanese).toStdString();
}

void MainWindow::setMenuItem(int32_t id, const std::string& caption, bool enabled) {
  if (QAction* item = action(id)) {
    item->setText(ourCaption(caption));
    item->setEnabled(enabled);
  }
}

void MainWindow::placeBox(CaptionedBox& box) const {
  // Asked before the window first shows (whether to go on from last time): the question
  // belongs where the window is about to open, not over a window at the screen's corner.
  if (isVisible()) return;
  const ReaderSettings none;
  const ReaderSettings& remembered = settings_ != nullptr ? *settings_ : none;
  box.centreOn(placement_.opening({context_.config.screenWidth, context_.config.screenHeight},
                                  keptWindowFrame(remembered, story_),
                                  remembered.windowMode != WindowMode::Default));
}

bool MainWindow::askYesNo(const std::string& text, const std::string& caption) {
  CaptionedBox box(QMessageBox::Question, caption, text, this);
  QPushButton* yes = box.addButton(ourCaption("はい"), QMessageBox::YesRole);
  box.addButton(ourCaption("いいえ"), QMessageBox::NoRole);
  placeBox(box);
  box.exec();
  return box.clickedButton() == yes;
}

bool MainWindow::askBeforeLosing(const std::string& text, const std::string& caption) {
  CaptionedBox box(QMessageBox::Question, caption, text, this);
  QPushButton* yes = box.addButton(ourCaption("はい"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(ourCaption("いいえ"), QMessageBox::NoRole);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  placeBox(box);
  box.exec();
  return box.clickedButton() == yes;
}

SlotDialogChoice MainWindow::chooseSlot(const SlotListing* listings, int32_t count, bool canSave,
                                        int32_t lit) {
  return runSlotDialog(this, *this, listings, count, canSave, lit);
}

bool MainWindow::prologue() {
  if (tornDown_) return false;
  if (!runMessagePrologue(context_)) return false;
  state_.storyEnded = true;
  destroyWindow();
  return true;
}

bool MainWindow::event(QEvent* event) {
  wakeUpsPosted_.load(std::memory_order_acquire);
  if (event->type() == kMailEvent) {
    collectMail();
    return true;
  }
  if (prologue()) return true;
  const bool handled = QMainWindow::event(event);
  // Keys come here; the marks they change show at once.
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    refreshReadingMark();
  }
  return handled;
}


bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && prologue()) return true;
  // The wait a click or a key is about to end is one a reload may come back to.
  if (liveReload_ && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
    liveReload_->followSavePoints();
  }
  if (watched == view_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
    refreshReadingMark();
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  teardown();
  event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (liveReload_) liveReload_->followSavePoints();
  if (liveReload_ && event->key() == Qt::Key_R && event->modifiers() == Qt::ShiftModifier) {
    runMenuCommand(kMenuReloadScripts);
    return;
  }
  if (!input_.keyPressed(*event)) QMainWindow::keyPressEvent(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
  input_.keyReleased(*event);
  QMainWindow::keyReleaseEvent(event);
}

void MainWindow::teardown() {
  if (tornDown_) return;
  tornDown_ = true;
  liveReload_.reset();
  runner_.stopThenRelease([this] {
    keepPlaceAtExit(context_, state_);
    if (settings_ != nullptr) {
      rememberSettings(*settings_, story_, state_, [this](int32_t id) {
        const QAction* item = action(id);
        return item != nullptr && item->isChecked();
      }, placement_);
    }
    restoreDisplayMode(state_, *this);
  });
  if (onEnded) onEnded();
}

void MainWindow::destroyWindow() { close(); }

void MainWindow::showBox(const std::string& text, const std::string& caption,
                         const std::string& details) {
  CaptionedBox box(QMessageBox::NoIcon, caption, text, this);
  box.addButton(QMessageBox::Ok);
  box.setDetails(details);
  placeBox(box);
  box.exec();
}

void MainWindow::showBoxFromRunner(const std::string& text, const std::string& caption,
                                   const std::string& details) {
  auto closed = std::make_shared<bool>(false);
  mailbox_.askBox({text, caption, closed, details});
  runner_.waitUntil([&] { return *closed; });
}

void MainWindow::postEndOfPiece(uint32_t piece) { mailbox_.tellEndOfPiece(piece); }

void MainWindow::collectMail() {
  // The mail stands for the messages the runner's requests send the window (repaints, boxes,
  // ends of pieces), and every message runs the prologue first: an end request made by the
  // script's last lines is acted on here even when nothing else reaches the window.
  RunnerMailbox::Mail mail = mailbox_.collect();
  if (prologue() || tornDown_) return;
  view_->repaintClient(mail.repaintAll, mail.repaints);
  refreshReadingMark();
  for (uint32_t piece : mail.endedPieces) onMusicNotify(context_, piece);
  for (RunnerMailbox::BoxRequest& request : mail.boxes) {
    auto* box = new CaptionedBox(QMessageBox::NoIcon, request.caption, request.text, this);
    box->addButton(QMessageBox::Ok);
    box->setDetails(request.details);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QDialog::finished, this, [this, closed = request.closed] {
      runner_.answer([&] { *closed = true; });
    });
    box->open();
  }
}

void MainWindow::appendMenuItem(int32_t submenu, int32_t id, const std::string& caption,
                                bool columnBreak) {
  QMenu* menu = submenus_[submenu];
  menu->menuAction()->setVisible(true);
  if (columnBreak) menu->addSeparator();
  QAction* item = menu->addAction(ourCaption(caption));
  item->setCheckable(isCheckableItem(id));
  connect(item, &QAction::triggered, this, [this, id] { runMenuCommand(id); });
  actions_[id] = item;
}

void MainWindow::checkMenuItem(int32_t id, bool checked) {
  if (QAction* item = action(id)) item->setChecked(checked);
}

void MainWindow::setMenuBarAttached(bool attached) { menuBar()->setVisible(attached); }

bool MainWindow::openWithDesktop(const std::string& hostPath) {
  const std::string absolute = std::filesystem::absolute(hostPath).string();
  return QDesktopServices::openUrl(QUrl::fromLocalFile(qs(absolute)));
}

std::optional<std::string> MainWindow::chooseFile(const FileDialog& dialog) {
  QFileDialog chooser(this, ourCaption(dialog.title));
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  if (!dialog.folder.empty()) chooser.setDirectory(qs(dialog.folder));
  QStringList filters;
  for (const auto& [description, pattern] : dialog.filters) filters << qs(description);
  chooser.setNameFilters(filters);
  chooser.setDefaultSuffix(qs(dialog.defaultSuffix));
  chooser.setAcceptMode(QFileDialog::AcceptOpen);
  chooser.setFileMode(dialog.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = chooser.selectedFiles().first();
  if (!dialog.mustExist && !QFileInfo::exists(path)) {
    const auto answer = QMessageBox::question(
        this, ourCaption(dialog.title), path + u'\n' + ourCaption("このファイルは存在しません。\n作成しますか?"));
    if (answer != QMessageBox::Yes) return std::nullopt;
  }
  return path.toStdString();
}

void MainWindow::showDefaultWindow(Size client) {
  if (tornDown_) return;
  placement_.showCaptioned(client);
}

void MainWindow::showPreviousWindow(Size client) {
  if (tornDown_) return;
  placement_.showPrevious(client);
}

void MainWindow::showFullSizeWindow() {
  if (tornDown_) return;
  placement_.showFullSize();
}

void MainWindow::setEmulatedDisplay(Size display) { view_->setEmulatedDisplay(display); }

void MainWindow::setPictureScaling(PictureScaling scaling) { view_->setScaling(scaling); }

void MainWindow::showAsRemembered() {
  const ReaderSettings none;
  ::showAsRemembered(settings_ != nullptr ? *settings_ : none, story_, context_, state_, *this,
                     placement_);
}

std::vector<Size> MainWindow::platformDisplayModes() {
  // Qt reports no list of modes; the emulated modes follow the monitor's size.
  return {};
}


Size MainWindow::monitorSize() { return placement_.monitorSize(); }
