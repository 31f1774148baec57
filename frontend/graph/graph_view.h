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
// The note of a function that has no line in the tree, with a link
// ("start") offering to start the tree there.
QString notInTreeNote(const QString& name);

// The layout of `graph` as the window's font draws it: each node as wide as
// its (shortened) name.
LayoutRequest layoutRequestFor(std::shared_ptr<const CallGraph> graph);
// The picture's text size in picture units: at 100% it is the window's own.
constexpr double kGraphFontSize = 13;

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
  void markNode(int node);                    // and brings it into sight
  // Marks it and shows it in the middle, enlarged to be read when the whole
  // picture is too small for that.
  void showNode(int node);
  // Fitting shows the whole picture however small (else no smaller than
  // can be read, around the focus); it holds through resizing until the
  // user zooms or moves the picture.
  void setFitWhole(bool whole) { fitWhole_ = whole; }
  bool isFitted() const { return !placed_; }

  static constexpr double kMinZoom = 0.05, kMaxZoom = 8;

 signals:
  void nodeClicked(int node);
  void pictureDrawn();  // the picture given last is on screen
  void nodeMenuRequested(int node, const QPoint& globalPos);

 protected:
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool viewportEvent(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

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
  bool fitWhole_ = false;
  bool placed_ = false;  // the user zoomed or moved the picture: a resize keeps it as it is
};

}  // namespace zelta::fe
