#include "backends/qt/picture_view.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "backends/qt/reader_input.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/input.h"
#include "shell/picture_scaling.h"
#include "shell/window_proc.h"

namespace {

// The backdrop around the picture in the captioned window; the full-size modes show black.
const QColor kBackground(0x40, 0x40, 0x40);

}  // namespace

PictureView::PictureView(QWidget& window, NevContext& context, const WindowState& state,
                         ReaderInput& input)
    : QWidget(&window), window_(window), context_(context), state_(state), input_(input) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  // Only the picture's backdrop is dark: the menus keep the desktop's own colours.
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackground);
  setPalette(palette);
}

void PictureView::setEmulatedDisplay(Size display) {
  emulatedDisplay_ = display;
  updateClientMapping();
}

void PictureView::setScaling(PictureScaling scaling) {
  scaling_ = scaling;
  updateClientMapping();
}

void PictureView::updateClientMapping() {
  const QRect viewRect = rect();
  // The area the client may take, and the scale of its pixels on the view.
  QRect available = viewRect;
  scale_ = 1.0;
  if (state_.fullSize() && emulatedDisplay_.width > 0 && emulatedDisplay_.height > 0) {
    // The display fills the window as a monitor switched to its size would, bars around it.
    const QRect whole = window_.rect();
    scale_ = std::min(double(whole.width()) / emulatedDisplay_.width,
                      double(whole.height()) / emulatedDisplay_.height);
    const int width = int(std::lround(emulatedDisplay_.width * scale_));
    const int height = int(std::lround(emulatedDisplay_.height * scale_));
    QRect display((whole.width() - width) / 2, (whole.height() - height) / 2, width, height);
    display.translate(-geometry().topLeft());
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
  const Size step =
      sharpScalingStep(picture, {clientInView_.width(), clientInView_.height()});
  const bool sharp = step.width > 0 && step.height > 0;
  wholePicture_ =
      shrunk || sharp ? QImage(picture.width, picture.height, QImage::Format_RGB32) : QImage();
  // A multiple of one each way needs no step of its own.
  enlarged_ = sharp && !(step == picture) ? QImage(step.width, step.height, QImage::Format_RGB32)
                                          : QImage();
  update();
}

void PictureView::repaintClient(bool all, const std::vector<Rect>& areas) {
  // Painted at once rather than queued for later: the marker's blink is the only thing an
  // idle reader's window does, and each pass of the event loop costs as much as the paint.
  if (all) {
    repaint();
  } else if (!areas.empty()) {
    QRegion region;
    for (const Rect& area : areas) region += toViewRect(paintedArea(area));
    repaint(region);
  }
}

QPoint PictureView::toClientPoint(QPoint viewPoint) const {
  const QPoint offset = viewPoint - clientInView_.topLeft();
  return QPoint(int(std::floor(offset.x() / scale_)), int(std::floor(offset.y() / scale_)));
}

QRect PictureView::toViewRect(const Rect& client) const {
  const int left = clientInView_.left() + int(std::floor(client.left * scale_));
  const int top = clientInView_.top() + int(std::floor(client.top * scale_));
  const int right = clientInView_.left() + int(std::ceil(client.right * scale_));
  const int bottom = clientInView_.top() + int(std::ceil(client.bottom * scale_));
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void PictureView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  for (const QRect& area : event->region()) paintPicture(painter, area);
}

void PictureView::paintPicture(QPainter& painter, const QRect& area) {
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
    // Larger by no whole multiple: enlarged by the largest first, so only the last fraction
    // is smoothed and the text stays crisp.
    const int32_t stride = int32_t(wholePicture_.bytesPerLine() / 4);
    PixelTarget target{reinterpret_cast<Pixel*>(wholePicture_.bits()), wholePicture_.width(),
                       wholePicture_.height(), stride, 0xFF000000};
    presentWholePicture(context_, target);
    if (!enlarged_.isNull()) {
      enlargeByWholeMultiples(reinterpret_cast<const Pixel*>(wholePicture_.constBits()), stride,
                              {wholePicture_.width(), wholePicture_.height()},
                              {enlarged_.width(), enlarged_.height()},
                              reinterpret_cast<Pixel*>(enlarged_.bits()),
                              int32_t(enlarged_.bytesPerLine() / 4));
    }
    painter.setClipRect(shown);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(clientInView_, enlarged_.isNull() ? wholePicture_ : enlarged_);
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

void PictureView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  updateClientMapping();
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
  input_.pointerMoved(toClientPoint(event->position().toPoint()));
}

void PictureView::mousePressEvent(QMouseEvent* event) {
  input_.buttonPressed(event->button(), toClientPoint(event->position().toPoint()));
}

void PictureView::wheelEvent(QWheelEvent* event) {
  input_.wheelTurned(event->angleDelta().y());
  event->accept();
}
