#pragma once
// The boxes nev shows on the desktop. A desktop cuts a caption wider than its window to "…",
// and a box sized to a short text ("nev.ini") is narrower than its caption: this one is made
// wide enough for both. The full path and what to do wait in its details area, and a box whose
// window is not shown yet opens where that window will.

#include <QMessageBox>
#include <QRect>
#include <optional>
#include <string>

#include "base/problem.h"

class CaptionedBox final : public QMessageBox {
 public:
  CaptionedBox(Icon icon, const std::string& caption, const std::string& text, QWidget* parent);

  // Shown in the details area; empty: the box has none.
  void setDetails(const std::string& details);
  // Opens centred on `area`, in screen coordinates, instead of on its parent.
  void centreOn(const QRect& area) { centredOn_ = area; }
  // The least width that shows the caption whole beside the desktop's buttons.
  int widthForCaption() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::optional<QRect> centredOn_;
  bool widened_ = false;
};

// A box with one OK button over `parent`; returns when it is closed.
void showCaptionedBox(QWidget* parent, const std::string& text, const std::string& caption,
                      const std::string& details);

// As reportProblem: the line on standard error, then the problem's box over `parent`.
void reportProblemInBox(QWidget* parent, const Problem& problem);
