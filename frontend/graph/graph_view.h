// The graph panel's picture: the SVG of a laid-out call graph, zoomed with
// Ctrl+wheel (Ctrl+0 fits it), moved by dragging, and a click on a node
// told by its place in the layout. From the keyboard, the arrow keys move a
// marked node to its nearest neighbour that way and Enter clicks it.
#pragma once
#include <QGraphicsRectItem>
#include <QGraphicsView>
#include <memory>

#include "graph_layout.h"

namespace zelta::fe {

// `name`, cut to `longest` characters with an ellipsis: names of any length
// reach the picture, its title and its tooltips.
QString shortened(const QString& name, int longest);

class GraphView : public QGraphicsView {
  Q_OBJECT
 public:
  explicit GraphView(QWidget* parent = nullptr);
  ~GraphView() override;

  // Shows the picture with `focus` (a node) in sight; null clears.
  void setPicture(std::shared_ptr<const GraphPicture> picture, int focus);
  const GraphPicture* picture() const { return picture_.get(); }
  bool isDrawn() const;  // the picture is on screen (it is drawn off the window's thread)

  double zoom() const;
  void setZoom(double zoom);  // about the view's middle
  void fit();
  // Where a node's middle is drawn (viewport coordinates); a null point
  // when it is not in sight.
  QPoint nodePoint(int node) const;
  int markedNode() const { return marked_; }  // -1 when none
  void markNode(int node);                      // and brings it into sight

  static constexpr double kMinZoom = 0.05, kMaxZoom = 8;

 signals:
  void nodeClicked(int node);
  void pictureDrawn();  // the picture given last is on screen

 protected:
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool viewportEvent(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void place();
  int nodeUnder(const QPoint& viewportPos) const;
  void zoomBy(double factor, const QPoint& anchor);
  int nodeToward(double dx, double dy) const;

  class PictureItem;
  std::shared_ptr<const GraphPicture> picture_;
  PictureItem* item_ = nullptr;
  QPoint pressAt_, lastAt_;
  QGraphicsRectItem* mark_ = nullptr;
  int focus_ = -1;
  int marked_ = -1;
  bool pressed_ = false, dragging_ = false;
  bool placed_ = false;  // the user zoomed or moved the picture: a resize keeps it as it is
};

}  // namespace zelta::fe
