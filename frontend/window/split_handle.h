// A handle in the gap between two of the main window's controls: dragging it
// moves the border between them. The window's layout keeps its own
// rules and adds the distance dragged.
#pragma once
#include <QWidget>

namespace zelta::fe {

class SplitHandle : public QWidget {
  Q_OBJECT
 public:
  SplitHandle(Qt::Orientation orientation, QWidget* parent = nullptr);

 signals:
  void pressed();
  // The pointer's travel since the press, in pixels along the handle's
  // direction of movement; `done` on release.
  void dragged(int distance, bool done);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  Qt::Orientation orientation_;
  int pressedAt_ = 0;
  bool pressed_ = false;
};

}  // namespace zelta::fe
