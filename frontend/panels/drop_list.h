// The visible input list: a tree view used as a flat list that takes files
// dropped from the desktop and reports the right button's release.
#pragma once
#include <QStringList>
#include <QTreeWidget>

namespace zelta::fe {

class DropList : public QTreeWidget {
  Q_OBJECT
 public:
  explicit DropList(QWidget* parent = nullptr);

  // While false, drags are refused (the analyser is running).
  bool dropsEnabled = true;

 signals:
  void pathsDropped(const QStringList& paths);
  void rightButtonReleased(const QPoint& globalPos);
  void deletePressed();  // the Delete key: the selected entry goes

 protected:
  bool event(QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
};

}  // namespace zelta::fe
