// The graph panel's picture: the SVG of a laid-out call graph, zoomed with
// Ctrl+wheel (Ctrl+0 fits it), moved by dragging, and a click on a node
// told by its place in the layout.
#pragma once
#include <QGraphicsView>
#include <memory>

#include "graph_layout.h"

class QSvgRenderer;

namespace zelta::fe {

class GraphView : public QGraphicsView {
  Q_OBJECT
 public:
  explicit GraphView(QWidget* parent = nullptr);
  ~GraphView() override;

  // Shows the picture with `focus` (a node) in sight; null clears.
  void setPicture(std::shared_ptr<const GraphPicture> picture, int focus);
  const GraphPicture* picture() const { return picture_.get(); }

  double zoom() const;
  void setZoom(double zoom);  // about the view's middle
  void fit();
  // Where a node's middle is drawn (viewport coordinates); a null point
  // when it is not in sight.
  QPoint nodePoint(int node) const;

  static constexpr double kMinZoom = 0.05, kMaxZoom = 8;

 signals:
  void nodeClicked(int node);

 protected:
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool viewportEvent(QEvent* e) override;

 private:
  int nodeUnder(const QPoint& viewportPos) const;
  void zoomBy(double factor, const QPoint& anchor);

  std::shared_ptr<const GraphPicture> picture_;
  QSvgRenderer* renderer_ = nullptr;
  QPoint pressAt_, lastAt_;
  bool pressed_ = false, dragging_ = false;
};

}  // namespace zelta::fe
