#pragma once
// The main window's central widget: the story's picture shown in the client area, scaled as the
// reader chose, the backdrop around it, and the mapping between client pixels (as the story
// sees them) and the widget's own. In the full-size modes the display is shown scaled with its
// proportions kept, so the two differ.

#include <QImage>
#include <QWidget>
#include <vector>

#include "base/surface.h"
#include "shell/window_port.h"

struct NevContext;
struct WindowState;
class ReaderInput;

class PictureView : public QWidget {
 public:
  // `window` is the view's parent; the full-size modes fill the whole of it.
  PictureView(QWidget& window, NevContext& context, const WindowState& state, ReaderInput& input);

  // The display shown in the full-size modes, and how the picture fills the client area.
  void setEmulatedDisplay(Size display);
  void setScaling(PictureScaling scaling);
  // Places the client area after the window's size or mode changed and tells the story its size.
  void updateClientMapping();
  // Paints the client areas the runner asked for, at once (`all`: the whole view).
  void repaintClient(bool all, const std::vector<Rect>& areas);

  QPoint toClientPoint(QPoint viewPoint) const;
  QRect toViewRect(const Rect& client) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void paintPicture(QPainter& painter, const QRect& area);

  QWidget& window_;
  NevContext& context_;
  const WindowState& state_;
  ReaderInput& input_;
  QImage client_;
  QImage wholePicture_;  // the picture at its own size, when shown smaller or sharply scaled
  QImage enlarged_;      // sharp scaling's whole-multiple step, before the smooth one
  QRect clientInView_;
  double scale_ = 1.0;
  Size emulatedDisplay_;
  PictureScaling scaling_ = PictureScaling::KeepProportions;
};
