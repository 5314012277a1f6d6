#pragma once
// The backlog over the darkened picture: the pages read, in the story's face and colours,
// scrolled with the wheel and the keys. Wheel down past the end, a right click or Escape closes
// it; nothing it takes reaches the story (no wait ends, no item is picked).

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct GameConfig;

class BacklogView : public QWidget {
 public:
  // `pages` as the engine keeps them (code page 932 lines); `picture` what the window shows;
  // `fontSize` the message font's as the runner last published it.
  BacklogView(QWidget* parent, const GameConfig& config, int32_t fontSize,
              const std::vector<std::vector<std::string>>& pages, QImage picture);
  std::function<void()> onClosed;

  // Lines from the end; 0 shows the newest at the bottom.
  int scrolledBack() const { return scrolledBack_; }
  int lineCount() const { return int(lines_.size()); }
  // The pixel size its lines are drawn in.
  int fontSize() const { return font_.pixelSize(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  struct Line {
    QString text;
    bool choice = false;
    bool pageStart = false;
  };
  void scroll(int lines);
  void close();
  int visibleLines() const;

  std::vector<Line> lines_;
  QImage darkened_;
  QFont font_;
  QColor text_, shadow_, choice_;
  QPoint shadowOffset_;
  int scrolledBack_ = 0;
};
