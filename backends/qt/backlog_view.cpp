#include "backends/qt/backlog_view.h"

#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "base/codepage.h"
#include "engine/config.h"
#include "engine/reading.h"

namespace {

QColor colourOf(int32_t red, int32_t green, int32_t blue) {
  return QColor(red & 0xFF, green & 0xFF, blue & 0xFF);
}

}  // namespace

BacklogView::BacklogView(QWidget* parent, const GameConfig& config, int32_t fontSize,
                         const std::vector<std::vector<std::string>>& pages, QImage picture)
    : QWidget(parent),
      font_(QStringLiteral("IPAMincho")),
      text_(colourOf(config.textRed, config.textGreen, config.textBlue)),
      shadow_(colourOf(config.shadowRed, config.shadowGreen, config.shadowBlue)),
      choice_(colourOf(config.pickRed, config.pickGreen, config.pickBlue)),
      shadowOffset_(std::clamp(config.shadowDx, -4, 4), std::clamp(config.shadowDy, -4, 4)) {
  for (const std::vector<std::string>& page : pages) {
    bool first = true;
    for (const std::string& line : page) {
      bool choice = false;
      QString text = QString::fromStdString(backlogLineText(line, choice));
      if (choice) text = QStringLiteral("→ ") + text;
      lines_.push_back({text, choice, first});
      first = false;
    }
  }
  darkened_ = picture.convertToFormat(QImage::Format_RGB32);
  QPainter dim(&darkened_);
  dim.fillRect(darkened_.rect(), QColor(0, 0, 0, 170));
  font_.setPixelSize(std::clamp(fontSize, 10, 48));
  setFocusPolicy(Qt::StrongFocus);
  setGeometry(parent->rect());
  show();
  setFocus();
}

int BacklogView::visibleLines() const {
  const int pitch = QFontMetrics(font_).lineSpacing() + 4;
  return std::max(1, (height() - 2 * pitch) / pitch);
}

void BacklogView::scroll(int lines) {
  const int most = std::max(0, int(lines_.size()) - visibleLines());
  if (lines < 0 && scrolledBack_ == 0) {
    close();  // down past the newest line
    return;
  }
  scrolledBack_ = std::clamp(scrolledBack_ + lines, 0, most);
  update();
}

void BacklogView::close() {
  hide();
  if (onClosed) onClosed();
}

void BacklogView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!darkened_.isNull()) painter.drawImage(rect(), darkened_);
  painter.setFont(font_);
  const int pitch = QFontMetrics(font_).lineSpacing() + 4;
  const int shown = visibleLines();
  const int last = int(lines_.size()) - scrolledBack_;
  const int first = std::max(0, last - shown);
  int y = pitch + QFontMetrics(font_).ascent();
  for (int i = first; i < last; ++i) {
    const Line& line = lines_[size_t(i)];
    if (line.pageStart && i != first) {
      painter.setPen(QColor(255, 255, 255, 60));
      painter.drawLine(pitch, y - QFontMetrics(font_).ascent() - 2, width() - pitch, y - QFontMetrics(font_).ascent() - 2);
    }
    painter.setPen(shadow_);
    painter.drawText(QPoint(pitch, y) + shadowOffset_, line.text);
    painter.setPen(line.choice ? choice_ : text_);
    painter.drawText(QPoint(pitch, y), line.text);
    y += pitch;
  }
}

void BacklogView::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y() / 40;
  if (steps != 0) scroll(steps);
  event->accept();
}

void BacklogView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      scroll(1);
      break;
    case Qt::Key_Down:
      scroll(-1);
      break;
    case Qt::Key_PageUp:
      scroll(visibleLines());
      break;
    case Qt::Key_PageDown:
      scroll(scrolledBack_ == 0 ? -1 : -std::min(scrolledBack_, visibleLines()));
      break;
    case Qt::Key_Escape:
      close();
      break;
    default:
      break;
  }
  event->accept();
}

void BacklogView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) close();
  event->accept();
}
