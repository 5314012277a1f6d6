#include "backends/qt/captioned_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>

#include "backends/qt/our_captions.h"
#include "engine/host.h"

namespace {

QString qs(const std::string& utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

}  // namespace

CaptionedBox::CaptionedBox(Icon icon, const std::string& caption, const std::string& text,
                           QWidget* parent)
    : QMessageBox(icon, ourCaption(caption), ourCaption(text), QMessageBox::NoButton, parent) {}

void CaptionedBox::setDetails(const std::string& details) { setDetailedText(qs(details)); }

int CaptionedBox::widthForCaption() const {
  // Title bars draw in a bolder, often larger face than the box's text, and keep room for an
  // icon and three buttons: generous guesses, as the desktop tells neither.
  QFont titleFont = font();
  titleFont.setBold(true);
  constexpr int kTitleBarControls = 160;
  return QFontMetrics(titleFont).horizontalAdvance(windowTitle()) * 5 / 4 + kTitleBarControls;
}

void CaptionedBox::showEvent(QShowEvent* event) {
  // The box lays itself out anew whenever its parts change, so the room is added last, as it
  // shows; its own sizing then counts it.
  if (!widened_) {
    widened_ = true;
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
      grid->addItem(new QSpacerItem(widthForCaption(), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                    grid->rowCount(), 0, 1, grid->columnCount());
    }
  }
  QMessageBox::showEvent(event);
  if (centredOn_) move(centredOn_->center() - QPoint(width() / 2, height() / 2));
}

void showCaptionedBox(QWidget* parent, const std::string& text, const std::string& caption,
                      const std::string& details) {
  CaptionedBox box(QMessageBox::NoIcon, caption, text, parent);
  box.addButton(QMessageBox::Ok);
  box.setDetails(details);
  box.exec();
}

void reportProblemInBox(QWidget* parent, const Problem& problem) {
  reportProblem([parent](const std::string& text, const std::string& caption,
                         const std::string& details) {
    showCaptionedBox(parent, text, caption, details);
  }, problem);
}
