#include "graph_view.h"

#include <QApplication>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSvgRenderer>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

namespace zelta::fe {
namespace {

// The SVG drawn in picture units: its view box onto (0, 0, size).
class SvgItem : public QGraphicsItem {
 public:
  SvgItem(QSvgRenderer* renderer, QSizeF size) : renderer_(renderer), rect_(QPointF(0, 0), size) {}
  QRectF boundingRect() const override { return rect_; }
  void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override { renderer_->render(p, rect_); }

 private:
  QSvgRenderer* renderer_;
  QRectF rect_;
};

// Below this a picture is too small to read: a new one opens no smaller
// and shows its centre instead of the whole.
constexpr double kReadable = 0.6;

}  // namespace

GraphView::GraphView(QWidget* parent) : QGraphicsView(parent) {
  setObjectName(QStringLiteral("graphView"));
  setScene(new QGraphicsScene(this));
  setBackgroundBrush(Qt::white);
  setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
  setTransformationAnchor(QGraphicsView::AnchorViewCenter);
  setDragMode(QGraphicsView::NoDrag);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

GraphView::~GraphView() = default;

void GraphView::setPicture(std::shared_ptr<const GraphPicture> picture, int focus) {
  scene()->clear();
  delete renderer_;
  renderer_ = nullptr;
  picture_ = std::move(picture);
  if (!picture_ || !picture_->ok()) {
    scene()->setSceneRect(QRectF());
    return;
  }
  renderer_ = new QSvgRenderer(picture_->svg, this);
  auto* item = new SvgItem(renderer_, picture_->size);
  item->setCacheMode(QGraphicsItem::DeviceCoordinateCache);
  scene()->addItem(item);
  scene()->setSceneRect(item->boundingRect());
  const QSizeF room = viewport()->size();
  const double fitZoom =
      std::min(room.width() / std::max(picture_->size.width(), 1.0), room.height() / std::max(picture_->size.height(), 1.0));
  setTransform(QTransform::fromScale(1, 1));
  setZoom(std::clamp(fitZoom, kReadable, 1.0));
  if (focus >= 0 && static_cast<size_t>(focus) < picture_->boxes.size())
    centerOn(picture_->boxes[static_cast<size_t>(focus)].center());
}

double GraphView::zoom() const { return transform().m11(); }

void GraphView::setZoom(double zoom) {
  const double z = std::clamp(zoom, kMinZoom, kMaxZoom);
  setTransform(QTransform::fromScale(z, z));
}

void GraphView::fit() {
  if (!picture_) return;
  fitInView(sceneRect(), Qt::KeepAspectRatio);
  // Fitting never enlarges a small picture past its own size.
  if (zoom() > 1) setZoom(1);
  if (zoom() < kMinZoom) setZoom(kMinZoom);
}

void GraphView::zoomBy(double factor, const QPoint& anchor) {
  const QPointF at = mapToScene(anchor);
  setZoom(zoom() * factor);
  // The point under the mouse stays under it.
  const QPoint moved = mapFromScene(at) - anchor;
  horizontalScrollBar()->setValue(horizontalScrollBar()->value() + moved.x());
  verticalScrollBar()->setValue(verticalScrollBar()->value() + moved.y());
}

QPoint GraphView::nodePoint(int node) const {
  if (!picture_ || node < 0 || static_cast<size_t>(node) >= picture_->boxes.size()) return QPoint();
  const QPoint p = mapFromScene(picture_->boxes[static_cast<size_t>(node)].center());
  return viewport()->rect().contains(p) ? p : QPoint();
}

int GraphView::nodeUnder(const QPoint& viewportPos) const {
  return picture_ ? picture_->nodeAt(mapToScene(viewportPos)) : -1;
}

void GraphView::wheelEvent(QWheelEvent* e) {
  if (!(e->modifiers() & Qt::ControlModifier)) {
    QGraphicsView::wheelEvent(e);
    return;
  }
  const int steps = e->angleDelta().y();
  if (steps != 0) zoomBy(std::pow(1.2, steps / 120.0), e->position().toPoint());
  e->accept();
}

void GraphView::mousePressEvent(QMouseEvent* e) {
  setFocus(Qt::MouseFocusReason);
  if (e->button() != Qt::LeftButton) return;
  pressed_ = true;
  dragging_ = false;
  pressAt_ = lastAt_ = e->position().toPoint();
}

void GraphView::mouseMoveEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  if (pressed_) {
    if (!dragging_ && (at - pressAt_).manhattanLength() >= QApplication::startDragDistance()) dragging_ = true;
    if (dragging_) {
      viewport()->setCursor(Qt::ClosedHandCursor);
      const QPoint d = at - lastAt_;
      horizontalScrollBar()->setValue(horizontalScrollBar()->value() - d.x());
      verticalScrollBar()->setValue(verticalScrollBar()->value() - d.y());
    }
    lastAt_ = at;
    return;
  }
  viewport()->setCursor(nodeUnder(at) >= 0 ? Qt::PointingHandCursor : Qt::OpenHandCursor);
}

void GraphView::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  const bool click = !dragging_;
  dragging_ = false;
  const QPoint at = e->position().toPoint();
  viewport()->setCursor(nodeUnder(at) >= 0 ? Qt::PointingHandCursor : Qt::OpenHandCursor);
  if (click)
    if (const int node = nodeUnder(at); node >= 0) emit nodeClicked(node);
}

void GraphView::keyPressEvent(QKeyEvent* e) {
  if (e->modifiers() & Qt::ControlModifier) {
    switch (e->key()) {
      case Qt::Key_0:
        fit();
        return;
      case Qt::Key_Plus:
      case Qt::Key_Equal:
        zoomBy(1.2, viewport()->rect().center());
        return;
      case Qt::Key_Minus:
        zoomBy(1 / 1.2, viewport()->rect().center());
        return;
      default:
        break;
    }
  }
  QGraphicsView::keyPressEvent(e);
}

bool GraphView::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::ToolTip && picture_) {
    auto* help = static_cast<QHelpEvent*>(e);
    const int node = nodeUnder(help->pos());
    if (node < 0) {
      QToolTip::hideText();
      return true;
    }
    const GraphNode& n = picture_->graph->nodes[static_cast<size_t>(node)];
    QString tip = n.kind == GraphNode::Kind::More
                      ? QStringLiteral("%1個の関数（クリックで開く）").arg(n.hidden)
                      : (n.where.isEmpty() ? n.name : n.name + QStringLiteral("  —  ") + n.where);
    if (n.kind == GraphNode::Kind::Function && n.function.kind == FunctionRef::Kind::Undefined)
      tip += QStringLiteral("（解析したソースには定義がありません）");
    QToolTip::showText(help->globalPos(), tip, viewport());
    return true;
  }
  return QGraphicsView::viewportEvent(e);
}

}  // namespace zelta::fe
