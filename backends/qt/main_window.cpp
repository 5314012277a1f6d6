#include "backends/qt/main_window.h"

#include <QActionGroup>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QStandardPaths>
#include <QTimer>
#include <QWheelEvent>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QPaintEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "base/codepage.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/script/runner.h"
#include "engine/sound/music.h"
#include "shell/menu.h"
#include "shell/picture_scaling.h"
#include "backends/qt/backlog_view.h"
#include "base/png_file.h"
#include "backends/qt/slot_dialog.h"

namespace {

// The backdrop around the picture in the captioned window; the full-size modes show black.
const QColor kBackground(0x40, 0x40, 0x40);

// Posted by the runner's requests: the window collects its mail.
constexpr QEvent::Type kMailEvent = QEvent::Type(QEvent::User + 1);

QString qs(const std::string& utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

}  // namespace

PictureView::PictureView(MainWindow& window) : QWidget(&window), window_(window) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  // Only the picture's backdrop is dark: the menus keep the desktop's own colours.
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackground);
  setPalette(palette);
}

bool PictureView::event(QEvent* event) {
  if (window_.prologue()) return true;
  return QWidget::event(event);
}

void PictureView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  for (const QRect& area : event->region()) window_.paintPicture(painter, area);
}

void PictureView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  window_.updateClientMapping();
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint client = window_.toClientPoint(event->position().toPoint());
  switch (onPointerMove(window_.context(), window_.state().menuBar, client.y())) {
    case MenuBarChange::Attach:
      window_.setMenuBarAttached(true);
      break;
    case MenuBarChange::Detach:
      window_.setMenuBarAttached(false);
      break;
    case MenuBarChange::None:
      break;
  }
}

void PictureView::mousePressEvent(QMouseEvent* event) {
  const QPoint client = window_.toClientPoint(event->position().toPoint());
  if (event->button() == Qt::LeftButton) {
    stopSkippingByReader(window_.context(), window_.state());
    onLeftButton(window_.context(), client.y());
  }
  if (event->button() == Qt::RightButton) onRightButton(window_.context());
}

void PictureView::wheelEvent(QWheelEvent* event) {
  if (event->angleDelta().y() > 0) {
    onWindowKey(window_.context(), window_.state(), window_, WindowKey::Backlog);
  }
  event->accept();
}

MainWindow::MainWindow(NevContext& context) : context_(context) {
  setWindowTitle(QString::fromStdString(cp932ToUtf8(context.config.windowTitle)));
  view_ = new PictureView(*this);
  setCentralWidget(view_);
  buildMenuBar();
  connectReadingControls();

  PlatformServices& platform = context.platform;
  platform.messageBox = [this](const std::string& text, const std::string& caption) {
    showBoxFromRunner(text, caption);
  };
  platform.invalidate = [this](const Rect* area) { invalidateClient(area); };
  platform.sleep = [this](int32_t milliseconds) { sleepRunner(milliseconds); };
  // An end asked for by the script reaches the window at the runner's next step.
  platform.scriptLine = [this] {
    if (context_.shared.endRequested.load() != 0) wakeWindow();
  };
}

MainWindow::~MainWindow() {
  teardown();
  // The view calls back into this window; it goes while this window is still whole.
  delete view_;
  view_ = nullptr;
}

void MainWindow::buildMenuBar() {
  int32_t index = 0;
  for (const MenuBarEntry& bar : startMenuBar()) {
    QMenu* menu = menuBar()->addMenu(qs(bar.caption));
    submenus_[index++] = menu;
    QMenu* target = menu;
    for (const MenuEntry& entry : bar.entries) {
      switch (entry.kind) {
        case MenuEntry::Kind::SubmenuStart:
          target = menu->addMenu(qs(entry.caption));
          break;
        case MenuEntry::Kind::SubmenuEnd:
          target = menu;
          break;
        case MenuEntry::Kind::Separator:
          target->addSeparator();
          break;
        case MenuEntry::Kind::Item: {
          QAction* item = target->addAction(qs(entry.caption));
          if (isCheckableItem(entry.id)) {
            item->setCheckable(true);
            item->setChecked(entry.checked);
          }
          const int32_t id = entry.id;
          connect(item, &QAction::triggered, this,
                  [this, id] { onMenuCommand(context_, state_, *this, id); });
          actions_[id] = item;
          break;
        }
      }
    }
  }
}

void MainWindow::connectReadingControls() {
  connect(submenus_[kSubmenuBookmarks], &QMenu::aboutToShow, this,
          [this] { refreshSaveMenu(context_, state_, *this); });
  connect(submenus_[kSubmenuReading], &QMenu::aboutToShow, this,
          [this] { refreshReadingMenu(context_, state_, *this); });
  ctrlTimer_ = new QTimer(this);
  ctrlTimer_->setSingleShot(true);
  ctrlTimer_->setInterval(300);
  connect(ctrlTimer_, &QTimer::timeout, this, [this] { onSkipKey(context_, state_, true); });
}

void MainWindow::flashMessage(const QString& text) {
  if (flash_ == nullptr) {
    flash_ = new QLabel(view_);
    flash_->setStyleSheet(QStringLiteral("background: rgba(0,0,0,180); color: white; padding: 6px;"));
  }
  flash_->setText(text);
  flash_->adjustSize();
  flash_->move(8, 8);
  flash_->show();
  flash_->raise();
  QTimer::singleShot(3000, flash_, &QLabel::hide);
}

void MainWindow::setVolumes(int32_t music, int32_t sound) {
  context_.platform.sound->setVolumes(music, sound);
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
    flashMessage(QStringLiteral("スクリーンショットを保存できませんでした"));
    return;
  }
  std::fprintf(stderr, "nev: screenshot saved to %s\n", hostPath.c_str());
  flashMessage(QStringLiteral("スクリーンショット: ") + path);
}

void MainWindow::copyText(const std::string& utf8) {
  QGuiApplication::clipboard()->setText(qs(utf8));
}

void MainWindow::showBacklog() {
  if (backlog_ != nullptr) return;
  context_.reading.backlogOpen = 1;
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

QAction* MainWindow::action(int32_t id) const {
  auto found = actions_.find(id);
  return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::startStory() { startRunner(); }

void MainWindow::startRunner() {
  const RunnerOperations operations = standardRunnerOperations(context_);
  // The runner's end wakes the window, which then acts on an end request the script left as
  // its last word.
  runner_ = std::thread([this, operations] {
    ScriptRunner(context_, operations);
    wakeWindow();
  });
}

void MainWindow::restartStoryAt(const SavePoint& point) {
  stopRunner();
  {
    // The piece of the story left behind stops; the save point's own starts with the runner.
    std::lock_guard guard(context_.music.lock);
    context_.platform.sound->closeMusic(kAllMusicDevices);
  }
  context_.shared.clicked = 0;
  context_.shared.waitingForClick = 0;
  context_.shared.hideText = 0;  // the loaded page is shown with its text
  context_.resumeAt = point;
  context_.shared.stopRunner = 0;
  startRunner();
  invalidateClient(nullptr);
}

void MainWindow::setMenuItem(int32_t id, const std::string& caption, bool enabled) {
  if (QAction* item = action(id)) {
    item->setText(qs(caption));
    item->setEnabled(enabled);
  }
}

bool MainWindow::askYesNo(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Question, qs(caption), qs(text), QMessageBox::NoButton, this);
  QPushButton* yes = box.addButton(QStringLiteral("はい"), QMessageBox::YesRole);
  box.addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
  box.exec();
  return box.clickedButton() == yes;
}

SlotDialogChoice MainWindow::chooseSlot(const SlotListing* listings, int32_t count, bool canSave) {
  return runSlotDialog(this, listings, count, canSave);
}

bool MainWindow::prologue() {
  if (tornDown_) return false;
  if (!runMessagePrologue(context_)) return false;
  state_.storyEnded = true;
  destroyWindow();
  return true;
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == kMailEvent) {
    collectMail();
    return true;
  }
  if (prologue()) return true;
  return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  teardown();
  event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      stopSkippingByReader(context_, state_);
      onLeftButton(context_, context_.shared.mouseY.load());
      return;
    case Qt::Key_Control:
      // Ctrl alone: any other key meanwhile (Ctrl+C) keeps it from skipping.
      if (!event->isAutoRepeat()) ctrlTimer_->start();
      return;
    case Qt::Key_C:
      if (event->modifiers() & Qt::ControlModifier) {
        ctrlTimer_->stop();
        onWindowKey(context_, state_, *this, WindowKey::CopyText);
        return;
      }
      break;
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (moveChoiceLight(context_, event->key() == Qt::Key_Up ? -1 : 1)) return;
      if (event->key() == Qt::Key_Up) onWindowKey(context_, state_, *this, WindowKey::Backlog);
      return;
    case Qt::Key_PageUp:
      onWindowKey(context_, state_, *this, WindowKey::Backlog);
      return;
    case Qt::Key_F12:
      onWindowKey(context_, state_, *this, WindowKey::Screenshot);
      return;
    case Qt::Key_F11:
      onWindowKey(context_, state_, *this, WindowKey::FullScreen);
      return;
    case Qt::Key_Escape:
      onWindowKey(context_, state_, *this, WindowKey::Leave);
      return;
    case Qt::Key_F5:
      onWindowKey(context_, state_, *this, WindowKey::QuickSave);
      return;
    case Qt::Key_F9:
      onWindowKey(context_, state_, *this, WindowKey::QuickLoad);
      return;
    default:
      break;
  }
  ctrlTimer_->stop();
  QMainWindow::keyPressEvent(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Control && !event->isAutoRepeat()) {
    ctrlTimer_->stop();
    onSkipKey(context_, state_, false);
  }
  QMainWindow::keyReleaseEvent(event);
}

void MainWindow::stopRunner() {
  {
    std::lock_guard guard(wakeLock_);
    context_.shared.stopRunner = 1;
  }
  wake_.notify_all();
  if (runner_.joinable()) runner_.join();
}

void MainWindow::teardown() {
  if (tornDown_) return;
  tornDown_ = true;
  // The runner must be gone before anything it uses is given back.
  stopRunner();
  keepPlaceAtExit(context_, state_);
  rememberSettings();
  context_.runner.cursor.close();
  restoreDisplayMode(state_, *this);
  releaseSurfaces(context_);
  if (onEnded) onEnded();
}

void MainWindow::destroyWindow() { close(); }

void MainWindow::showBox(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, qs(caption), qs(text), QMessageBox::Ok, this);
  box.exec();
}

void MainWindow::showBoxFromRunner(const std::string& text, const std::string& caption) {
  auto closed = std::make_shared<bool>(false);
  {
    std::lock_guard guard(mail_.lock);
    mail_.boxes.push_back({text, caption, closed});
  }
  wakeWindow();
  std::unique_lock lock(wakeLock_);
  wake_.wait(lock, [&] { return *closed || context_.shared.stopRunner.load() != 0; });
}

void MainWindow::sleepRunner(int32_t milliseconds) {
  if (context_.shared.endRequested.load() != 0) wakeWindow();
  std::unique_lock lock(wakeLock_);
  wake_.wait_for(lock, std::chrono::milliseconds(std::max(milliseconds, 0)),
                 [&] { return context_.shared.stopRunner.load() != 0; });
}

void MainWindow::invalidateClient(const Rect* area) {
  {
    std::lock_guard guard(mail_.lock);
    if (area == nullptr) {
      mail_.repaintAll = true;
    } else {
      mail_.repaints.push_back(*area);
    }
  }
  wakeWindow();
}

void MainWindow::postEndOfPiece(uint32_t piece) {
  {
    std::lock_guard guard(mail_.lock);
    mail_.endedPieces.push_back(piece);
  }
  wakeWindow();
}

void MainWindow::wakeWindow() {
  if (wakePosted_.exchange(1) != 0) return;
  // A plain posted event: the queue owns it and the runner never touches it again. A queued
  // functor's slot object would be released by whichever thread drops it last.
  QCoreApplication::postEvent(this, new QEvent(kMailEvent));
}

void MainWindow::collectMail() {
  // The mail stands for the messages the runner's requests send the window (repaints, boxes,
  // ends of pieces), and every message runs the prologue first: an end request made by the
  // script's last lines is acted on here even when nothing else reaches the window.
  wakePosted_ = 0;
  if (prologue()) return;
  bool repaintAll = false;
  std::vector<Rect> repaints;
  std::vector<BoxRequest> boxes;
  std::vector<uint32_t> endedPieces;
  {
    std::lock_guard guard(mail_.lock);
    std::swap(repaintAll, mail_.repaintAll);
    repaints.swap(mail_.repaints);
    boxes.swap(mail_.boxes);
    endedPieces.swap(mail_.endedPieces);
  }
  if (tornDown_) return;
  // Painted at once rather than queued for later: the marker's blink is the only thing an
  // idle reader's window does, and each pass of the event loop costs as much as the paint.
  if (repaintAll) {
    view_->repaint();
  } else if (!repaints.empty()) {
    QRegion region;
    for (const Rect& area : repaints) region += toViewRect(paintedArea(area));
    view_->repaint(region);
  }
  for (uint32_t piece : endedPieces) onMusicNotify(context_, piece);
  for (BoxRequest& request : boxes) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, qs(request.caption), qs(request.text),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QDialog::finished, this, [this, closed = request.closed] {
      {
        std::lock_guard guard(wakeLock_);
        *closed = true;
      }
      wake_.notify_all();
    });
    box->open();
  }
}

void MainWindow::updateClientMapping() {
  const QRect viewRect = view_->rect();
  // The area the client may take, and the scale of its pixels on the view.
  QRect available = viewRect;
  scale_ = 1.0;
  if (state_.fullSize() && emulatedDisplay_.width > 0 && emulatedDisplay_.height > 0) {
    // The display fills the window as a monitor switched to its size would, bars around it.
    const QRect whole = rect();
    scale_ = std::min(double(whole.width()) / emulatedDisplay_.width,
                      double(whole.height()) / emulatedDisplay_.height);
    const int width = int(std::lround(emulatedDisplay_.width * scale_));
    const int height = int(std::lround(emulatedDisplay_.height * scale_));
    QRect display((whole.width() - width) / 2, (whole.height() - height) / 2, width, height);
    display.translate(-view_->geometry().topLeft());
    available = display.intersected(viewRect);
  }
  const Size inDisplay{int32_t(std::lround(available.width() / scale_)),
                       int32_t(std::lround(available.height() / scale_))};
  const Size picture{context_.surfaces.surfaceWidth, context_.surfaces.surfaceHeight};
  const Rect placed = placePicture(inDisplay, picture, scaling_);
  const int clientWidth = placed.right - placed.left;
  const int clientHeight = placed.bottom - placed.top;
  clientInView_ = QRect(available.left() + int(std::lround(placed.left * scale_)),
                        available.top() + int(std::lround(placed.top * scale_)),
                        int(std::lround(clientWidth * scale_)),
                        int(std::lround(clientHeight * scale_)));
  onClientSize(context_, clientWidth, clientHeight);
  client_ = QImage(std::max(clientWidth, 1), std::max(clientHeight, 1), QImage::Format_RGB32);
  client_.fill(Qt::black);
  const bool shrunk = picture.width > 0 && picture.height > 0 &&
                      (clientInView_.width() < picture.width || clientInView_.height() < picture.height);
  wholePicture_ = shrunk ? QImage(picture.width, picture.height, QImage::Format_RGB32) : QImage();
  view_->update();
}

QPoint MainWindow::toClientPoint(QPoint viewPoint) const {
  const QPoint offset = viewPoint - clientInView_.topLeft();
  return QPoint(int(std::floor(offset.x() / scale_)), int(std::floor(offset.y() / scale_)));
}

QRect MainWindow::toViewRect(const Rect& client) const {
  const int left = clientInView_.left() + int(std::floor(client.left * scale_));
  const int top = clientInView_.top() + int(std::floor(client.top * scale_));
  const int right = clientInView_.left() + int(std::ceil(client.right * scale_));
  const int bottom = clientInView_.top() + int(std::ceil(client.bottom * scale_));
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void MainWindow::paintPicture(QPainter& painter, const QRect& area) {
  const QRect shown = area.intersected(clientInView_);
  const QRegion backdrop = QRegion(area).subtracted(QRegion(shown));
  for (const QRect& part : backdrop) {
    painter.fillRect(part, state_.fullSize() ? QColor(Qt::black) : kBackground);
  }
  if (shown.isEmpty() || context_.shared.cwinX.load() <= 0 || context_.shared.cwinY.load() <= 0) {
    return;
  }
  if (!wholePicture_.isNull()) {
    // Shown smaller than drawn: scaled down smoothly, so no stroke of the text is dropped.
    PixelTarget target{reinterpret_cast<Pixel*>(wholePicture_.bits()), wholePicture_.width(),
                       wholePicture_.height(), int32_t(wholePicture_.bytesPerLine() / 4),
                       0xFF000000};
    presentWholePicture(context_, target);
    painter.setClipRect(shown);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(clientInView_, wholePicture_);
    painter.setClipping(false);
    return;
  }
  const QPoint first = toClientPoint(shown.topLeft());
  const QPoint last = toClientPoint(shown.bottomRight());
  const Rect clientArea{std::max(first.x(), 0), std::max(first.y(), 0),
                        std::min(last.x() + 1, client_.width()),
                        std::min(last.y() + 1, client_.height())};
  PixelTarget target{reinterpret_cast<Pixel*>(client_.bits()), client_.width(), client_.height(),
                     int32_t(client_.bytesPerLine() / 4), 0xFF000000};
  presentPicture(context_, target, clientArea);
  const QRect source(QPoint(clientArea.left, clientArea.top),
                     QPoint(clientArea.right - 1, clientArea.bottom - 1));
  painter.drawImage(toViewRect(clientArea), client_, source);
}

void MainWindow::appendMenuItem(int32_t submenu, int32_t id, const std::string& caption,
                                bool columnBreak) {
  QMenu* menu = submenus_[submenu];
  if (columnBreak) menu->addSeparator();
  QAction* item = menu->addAction(qs(caption));
  connect(item, &QAction::triggered, this, [this, id] { onMenuCommand(context_, state_, *this, id); });
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
  QFileDialog chooser(this, qs(dialog.title));
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
        this, qs(dialog.title), path + QStringLiteral("\nこのファイルは存在しません。\n作成しますか?"));
    if (answer != QMessageBox::Yes) return std::nullopt;
  }
  return path.toStdString();
}

QPoint MainWindow::placeOnScreen(QSize size) const {
  // Room above the client area for a caption, which the desktop draws outside it.
  constexpr int kCaptionRoom = 32;
  if (normalGeometry_) {
    const QRect caption(normalGeometry_->left(), normalGeometry_->top() - kCaptionRoom,
                        size.width(), kCaptionRoom);
    for (QScreen* each : QGuiApplication::screens()) {
      if (each->availableGeometry().intersected(caption) == caption) return normalGeometry_->topLeft();
    }
  }
  QScreen* monitor = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (monitor == nullptr) return {0, kCaptionRoom};
  const QRect area = monitor->availableGeometry();
  return {area.left() + std::max(0, (area.width() - size.width()) / 2),
          area.top() + std::max(kCaptionRoom, (area.height() - size.height()) / 2)};
}

void MainWindow::noteNormalGeometry() {
  if (isVisible() && !isFullScreen()) normalGeometry_ = geometry();
}

void MainWindow::showDefaultWindow(Size client) {
  if (tornDown_) return;
  noteNormalGeometry();
  if (isFullScreen()) showNormal();
  const int bar = menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height();
  const QSize size(client.width, client.height + bar);
  // Placed by its client area: where the desktop draws the frame is its own business, and
  // positions that count the frame drift after full screen.
  setGeometry(QRect(placeOnScreen(size), size));
  show();
  updateClientMapping();
}

void MainWindow::showFullSizeWindow() {
  if (tornDown_) return;
  noteNormalGeometry();
  // Covers the monitor also where no window manager acts on the full-screen request.
  QScreen* monitor = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (monitor != nullptr) setGeometry(monitor->geometry());
  showFullScreen();
  updateClientMapping();
}

void MainWindow::setEmulatedDisplay(Size display) {
  emulatedDisplay_ = display;
  updateClientMapping();
}

void MainWindow::setPictureScaling(PictureScaling scaling) {
  scaling_ = scaling;
  updateClientMapping();
}

void MainWindow::showAsRemembered() {
  const ReaderSettings remembered = settings_ != nullptr ? *settings_ : ReaderSettings{};
  const int32_t speedItem = remembered.messageSpeedItem;
  if (speedItem >= kMenuSpeedFastest && speedItem <= kMenuSpeedDefault) {
    onMenuCommand(context_, state_, *this, speedItem);
  }
  onMenuCommand(context_, state_, *this,
                kMenuScaleKeepProportions + static_cast<int32_t>(remembered.scaling));
  state_.reading = remembered.reading;
  applyVolumes(state_.reading, *this);
  applyAutoSpeed(context_, state_.reading);
  refreshReadingMenu(context_, state_, *this);
  if (remembered.geometry.width > 0 && remembered.geometry.height > 0) {
    normalGeometry_ = QRect(remembered.geometry.x, remembered.geometry.y, remembered.geometry.width,
                         remembered.geometry.height);
  }
  switch (remembered.windowMode) {
    case WindowMode::FullScreen:
      onMenuCommand(context_, state_, *this, kMenuFullScreen);
      return;
    case WindowMode::FullSize:
      for (int32_t k = 0; k < state_.displayModes.count; ++k) {
        if (state_.displayModes.table[k] == remembered.displayMode) {
          setDisplayMode(state_.displayModes, *this, k);
        }
      }
      onMenuCommand(context_, state_, *this, kMenuFullSizeWindow);
      return;
    case WindowMode::Default:
      break;
  }
  showDefaultWindow({context_.config.screenWidth, context_.config.screenHeight});
  if (normalGeometry_) {
    // The reader's own size of the captioned window, as they left it.
    resize(normalGeometry_->size());
    updateClientMapping();
  }
}

void MainWindow::rememberSettings() {
  if (settings_ == nullptr) return;
  ReaderSettings& remembered = *settings_;
  remembered.windowMode = state_.mode;
  remembered.displayMode = state_.mode == WindowMode::FullSize
                               ? state_.displayModes.table[state_.displayModes.current]
                               : Size{};
  remembered.scaling = state_.scaling;
  remembered.reading = state_.reading;
  for (int32_t item = kMenuSpeedFastest; item <= kMenuSpeedDefault; ++item) {
    if (QAction* speed = action(item); speed != nullptr && speed->isChecked()) {
      remembered.messageSpeedItem = item;
    }
  }
  noteNormalGeometry();
  const QRect frame = normalGeometry_.value_or(QRect());
  if (frame.isValid()) remembered.geometry = {frame.x(), frame.y(), frame.width(), frame.height()};
}

std::vector<Size> MainWindow::platformDisplayModes() {
  // Qt reports no list of modes; the emulated modes follow the monitor's size.
  return {};
}

Size MainWindow::monitorSize() {
  QScreen* monitor = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (monitor == nullptr) return {640, 480};
  return {monitor->size().width(), monitor->size().height()};
}
