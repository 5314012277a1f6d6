#include "backends/qt/main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "engine/context.h"
#include "shell/menu.h"
#include "engine/gfx/surfaces.h"
#include "base/codepage.h"
#include "engine/sound/music.h"

namespace {

// The dark-grey background of the window class.
const QColor kBackground(0x40, 0x40, 0x40);

QString qs(const std::string& utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

}  // namespace

PictureView::PictureView(MainWindow& window) : QWidget(&window), window_(window) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
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
  if (event->button() == Qt::LeftButton) onLeftButton(window_.context(), client.y());
  if (event->button() == Qt::RightButton) onRightButton(window_.context());
}

MainWindow::MainWindow(NevContext& context) : context_(context) {
  setWindowTitle(QString::fromStdString(cp932ToUtf8(context.config.windowTitle)));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackground);
  setPalette(palette);
  setAutoFillBackground(true);
  view_ = new PictureView(*this);
  setCentralWidget(view_);
  buildMenuBar();

  PlatformServices& platform = context.platform;
  platform.messageBox = [this](const std::string& text, const std::string& caption) {
    showBoxFromRunner(text, caption);
  };
  platform.invalidate = [this](const Rect* area) { invalidateClient(area); };
  platform.sleep = [this](int32_t milliseconds) { sleepRunner(milliseconds); };

  mailTimer_ = new QTimer(this);
  connect(mailTimer_, &QTimer::timeout, this, [this] { collectMail(); });
  mailTimer_->start(10);
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
          if (entry.id >= kMenuSpeedFastest && entry.id <= kMenuSpeedDefault) {
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

QAction* MainWindow::action(int32_t id) const {
  auto found = actions_.find(id);
  return found == actions_.end() ? nullptr : found->second;
}

bool MainWindow::startStory() {
  if (!createDisplaySurface(context_)) return false;
  const RunnerOperations operations = standardRunnerOperations(context_);
  // The mail timer's messages let the window act on an end request even when the script
  // leaves it as its last word.
  runner_ = std::thread([this, operations] { ScriptRunner(context_, operations); });
  return true;
}

bool MainWindow::prologue() {
  if (tornDown_) return false;
  if (!runMessagePrologue(context_)) return false;
  destroyWindow();
  return true;
}

bool MainWindow::event(QEvent* event) {
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
      onLeftButton(context_, context_.words.mouseY.load());
      return;
    case Qt::Key_F11:
      onMenuCommand(context_, state_, *this, state_.fullSize ? kMenuDefaultWindow : kMenuFullScreen);
      return;
    case Qt::Key_Escape:
      if (state_.fullSize) onMenuCommand(context_, state_, *this, kMenuDefaultWindow);
      return;
    default:
      QMainWindow::keyPressEvent(event);
  }
}

void MainWindow::stopRunner() {
  {
    std::lock_guard guard(wakeLock_);
    context_.words.stopRunner = 1;
  }
  wake_.notify_all();
  if (runner_.joinable()) runner_.join();
}

void MainWindow::teardown() {
  if (tornDown_) return;
  tornDown_ = true;
  // The runner must be gone before anything it uses is given back.
  stopRunner();
  context_.runner.script.close();
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
  std::unique_lock lock(wakeLock_);
  wake_.wait(lock, [&] { return *closed || context_.words.stopRunner.load() != 0; });
}

void MainWindow::sleepRunner(int32_t milliseconds) {
  std::unique_lock lock(wakeLock_);
  wake_.wait_for(lock, std::chrono::milliseconds(std::max(milliseconds, 0)),
                 [&] { return context_.words.stopRunner.load() != 0; });
}

void MainWindow::invalidateClient(const Rect* area) {
  std::lock_guard guard(mail_.lock);
  if (area == nullptr) {
    mail_.repaintAll = true;
  } else {
    mail_.repaints.push_back(*area);
  }
}

void MainWindow::postEndOfPiece(uint32_t piece) {
  std::lock_guard guard(mail_.lock);
  mail_.endedPieces.push_back(piece);
}

void MainWindow::collectMail() {
  // The mail stands for the messages the runner's requests send the window (repaints, boxes,
  // ends of pieces), and every message runs the prologue first: an end request made by the
  // script's last lines is acted on here even when nothing else reaches the window.
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
  if (repaintAll) {
    view_->update();
  } else {
    for (const Rect& area : repaints) view_->update(toViewRect(paintedArea(area)));
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
  if (!state_.fullSize || emulatedDisplay_.width <= 0 || emulatedDisplay_.height <= 0) {
    scale_ = 1.0;
    clientInView_ = viewRect;
  } else {
    // The display fills the window as a monitor switched to its size would, bars around it.
    const QRect whole = rect();
    scale_ = std::min(double(whole.width()) / emulatedDisplay_.width,
                      double(whole.height()) / emulatedDisplay_.height);
    const int width = int(std::lround(emulatedDisplay_.width * scale_));
    const int height = int(std::lround(emulatedDisplay_.height * scale_));
    QRect display((whole.width() - width) / 2, (whole.height() - height) / 2, width, height);
    display.translate(-view_->geometry().topLeft());
    clientInView_ = display.intersected(viewRect);
  }
  const int clientWidth = int(std::lround(clientInView_.width() / scale_));
  const int clientHeight = int(std::lround(clientInView_.height() / scale_));
  onClientSize(context_, clientWidth, clientHeight);
  client_ = QImage(std::max(clientWidth, 1), std::max(clientHeight, 1), QImage::Format_RGB32);
  client_.fill(Qt::black);
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
  painter.fillRect(area, state_.fullSize ? QColor(Qt::black) : kBackground);
  if (shown.isEmpty() || context_.words.cwinX.load() <= 0 || context_.words.cwinY.load() <= 0) {
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

void MainWindow::showDefaultWindow(Size client) {
  if (tornDown_) return;
  Qt::WindowFlags flags = Qt::Window;
  // Raising the window does not give up a place above the others.
  if (windowFlags() & Qt::WindowStaysOnTopHint) flags |= Qt::WindowStaysOnTopHint;
  if (windowFlags() != flags) setWindowFlags(flags);
  const int bar = menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height();
  showNormal();
  resize(client.width, client.height + bar);
  updateClientMapping();
}

void MainWindow::showFullSizeWindow() {
  if (tornDown_) return;
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  QScreen* monitor = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (monitor != nullptr) setGeometry(monitor->geometry());
  show();
  updateClientMapping();
}

void MainWindow::setEmulatedDisplay(Size display) {
  emulatedDisplay_ = display;
  updateClientMapping();
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
