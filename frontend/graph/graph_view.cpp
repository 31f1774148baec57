#include "graph_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QFutureWatcher>
#include <QGraphicsObject>
#include <QGraphicsScene>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSvgRenderer>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <QtConcurrent>
#include <QtMath>
#include <cmath>

namespace zelta::fe {
namespace {

// The most pixels the drawn picture is kept in (64 MB); a larger one is
// kept smaller and enlarged.
constexpr double kCachePixels = 16e6;

QImage drawSvg(const QByteArray& svg, QSizeF size, double scale) {
  QImage image(std::max(1, qCeil(size.width() * scale)), std::max(1, qCeil(size.height() * scale)),
               QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return image;  // no memory: nothing drawn rather than a crash
  image.fill(Qt::white);
  QSvgRenderer renderer(svg);
  QPainter p(&image);
  p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
  renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(image.size())));
  return image;
}

}  // namespace

// The SVG drawn in picture units: its view box onto (0, 0, size). Drawing
// an SVG walks every element whatever shows (a tenth of a second for a few
// hundred functions), so the picture is drawn once per zoom into an image,
// on another thread, and moving it only copies that; while zooming, the
// last image is enlarged until the wheel rests and the new one is drawn.
class GraphView::PictureItem : public QGraphicsObject {
 public:
  PictureItem(GraphView* view, QByteArray svg, QSizeF size)
      : view_(view), svg_(std::move(svg)), rect_(QPointF(0, 0), size) {}
  QRectF boundingRect() const override { return rect_; }
  bool isDrawn() const { return !image_.isNull() || failed_; }
  void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget* widget) override {
    const double wanted = p->worldTransform().m11() * (widget ? widget->devicePixelRatioF() : 1.0);
    const double fits = std::sqrt(kCachePixels / std::max(rect_.width() * rect_.height(), 1.0));
    wanted_ = std::min(wanted, fits);
    if (failed_) return;
    if (image_.isNull())
      drawSoon(0);
    else if (std::abs(wanted_ - scale_) > 1e-3 * scale_)
      drawSoon(120);
    if (!image_.isNull()) p->drawImage(rect_, image_);
  }

 private:
  void drawSoon(int ms) {
    if (drawing_ || waiting_) return;
    waiting_ = true;
    QTimer::singleShot(ms, this, [this] {
      waiting_ = false;
      drawing_ = true;
      const double scale = wanted_;
      auto* watcher = new QFutureWatcher<QImage>(this);
      connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, scale] {
        watcher->deleteLater();
        drawing_ = false;
        const bool first = !isDrawn();
        image_ = watcher->result();
        scale_ = scale;
        failed_ = image_.isNull();  // no memory for it: left blank, not tried again
        update();
        if (first) emit view_->pictureDrawn();
      });
      watcher->setFuture(QtConcurrent::run(drawSvg, svg_, rect_.size(), scale));
    });
  }

  GraphView* view_;
  QByteArray svg_;
  QRectF rect_;
  QImage image_;
  double scale_ = 0, wanted_ = 1;
  bool drawing_ = false, waiting_ = false, failed_ = false;
};

namespace {

// Below this a picture is too small to read: a new one opens no smaller
// and shows its centre instead of the whole.
constexpr double kReadable = 0.6;

}  // namespace

QString shortened(const QString& name, int longest) {
  return name.size() > longest ? name.left(longest - 1) + QChar(0x2026) : name;
}

QString notInTreeNote(const QString& name) {
  const QString n = shortened(name, 80).toHtmlEscaped();
  return QStringLiteral("%1はこの木にありません。<a href=\"start\">%1から木を作り直す</a>").arg(n);
}

LayoutRequest layoutRequestFor(std::shared_ptr<const CallGraph> graph) {
  // A name longer than this is shortened in the picture: a node as wide as
  // a screen helps nobody.
  constexpr int kLongestLabel = 60;
  // Measured here, where the fonts are; Graphviz only places the nodes.
  LayoutRequest r;
  QFont font = QApplication::font();
  font.setPixelSize(120);  // measured large and scaled: no rounding to whole pixels
  const QFontMetricsF metrics(font);
  const double scale = kGraphFontSize / 120;
  r.fontFamily = font.family();
  r.fontSize = kGraphFontSize;
  r.nodeHeight = std::ceil(metrics.height() * scale) + 10;
  for (const GraphNode& n : graph->nodes) {
    QString label = shortened(n.name, kLongestLabel);
    r.widths.push_back(std::max(std::ceil(metrics.horizontalAdvance(label) * scale) + 16, 40.0));
    r.labels.push_back(std::move(label));
  }
  r.graph = std::move(graph);
  return r;
}

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
  item_ = nullptr;
  mark_ = nullptr;
  marked_ = -1;
  picture_ = std::move(picture);
  if (!picture_ || !picture_->ok()) {
    scene()->setSceneRect(QRectF());
    return;
  }
  item_ = new PictureItem(this, picture_->svg, picture_->size);
  scene()->addItem(item_);
  scene()->setSceneRect(item_->boundingRect());
  QPen pen(QColor(0xd3, 0x54, 0x00), 2);
  pen.setCosmetic(true);  // as thick at every zoom
  mark_ = scene()->addRect(QRectF(), pen);
  mark_->setVisible(false);
  focus_ = focus;
  placed_ = false;
  place();
  if (focus >= 0 && static_cast<size_t>(focus) < picture_->boxes.size()) {
    marked_ = focus;
    mark_->setRect(picture_->boxes[static_cast<size_t>(focus)].adjusted(-3, -3, 3, 3));
    mark_->setVisible(true);
  }
}

void GraphView::markNode(int node) {
  if (!picture_ || !mark_ || node < 0 || static_cast<size_t>(node) >= picture_->boxes.size()) return;
  marked_ = node;
  const QRectF box = picture_->boxes[static_cast<size_t>(node)];
  mark_->setRect(box.adjusted(-3, -3, 3, 3));
  mark_->setVisible(true);
  placed_ = true;
  ensureVisible(box, 30, 30);
}

void GraphView::showNode(int node) {
  if (!picture_ || node < 0 || static_cast<size_t>(node) >= picture_->boxes.size()) return;
  markNode(node);
  if (zoom() < kReadable) setZoom(1);
  centerOn(picture_->boxes[static_cast<size_t>(node)].center());
}

void GraphView::contextMenuEvent(QContextMenuEvent* e) {
  const int node = nodeUnder(e->pos());
  if (node >= 0) emit nodeMenuRequested(node, e->globalPos());
  e->accept();
}

// The node a step (dx, dy) away from the marked one: ahead of it that way,
// nearer counting more than straighter, since the layout puts a function's
// callers and callees in columns beside it and their siblings above and below.
int GraphView::nodeToward(double dx, double dy) const {
  if (!picture_ || marked_ < 0) return -1;
  const QPointF from = picture_->boxes[static_cast<size_t>(marked_)].center();
  int best = -1;
  double bestCost = 0;
  for (size_t i = 0; i < picture_->boxes.size(); ++i) {
    const QPointF d = picture_->boxes[i].center() - from;
    const double ahead = d.x() * dx + d.y() * dy, aside = std::abs(d.x() * dy - d.y() * dx);
    if (ahead < 1) continue;
    const double cost = ahead + 2 * aside;
    if (best < 0 || cost < bestCost) best = static_cast<int>(i), bestCost = cost;
  }
  return best;
}

// The whole picture when it can be read so, else as much as can with the
// focus in the middle.
void GraphView::place() {
  if (!picture_) return;
  const QSizeF room = viewport()->size();
  const QSizeF size = picture_->size;
  const double fitZoom =
      std::min(room.width() / std::max(size.width(), 1.0), room.height() / std::max(size.height(), 1.0));
  if (fitWhole_) {
    setZoom(std::clamp(fitZoom, kMinZoom, 1.0));
    centerOn(sceneRect().center());
    return;
  }
  setZoom(std::clamp(fitZoom, kReadable, 1.0));
  if (focus_ >= 0 && static_cast<size_t>(focus_) < picture_->boxes.size())
    centerOn(picture_->boxes[static_cast<size_t>(focus_)].center());
}

void GraphView::resizeEvent(QResizeEvent* e) {
  QGraphicsView::resizeEvent(e);
  if (!placed_) place();
}

bool GraphView::isDrawn() const { return item_ && item_->isDrawn(); }

double GraphView::zoom() const { return transform().m11(); }

void GraphView::setZoom(double zoom) {
  const double z = std::clamp(zoom, kMinZoom, kMaxZoom);
  setTransform(QTransform::fromScale(z, z));
}

void GraphView::fit() {
  if (!picture_) return;
  placed_ = true;
  fitInView(sceneRect(), Qt::KeepAspectRatio);
  // Fitting never enlarges a small picture past its own size.
  if (zoom() > 1) setZoom(1);
  if (zoom() < kMinZoom) setZoom(kMinZoom);
}

void GraphView::zoomBy(double factor, const QPoint& anchor) {
  placed_ = true;
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
      placed_ = true;
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
      case Qt::Key_0: fit(); return;
      case Qt::Key_Plus:
      case Qt::Key_Equal: zoomBy(1.2, viewport()->rect().center()); return;
      case Qt::Key_Minus: zoomBy(1 / 1.2, viewport()->rect().center()); return;
      default: break;
    }
  } else if (picture_ && marked_ >= 0) {
    int to = -2;
    switch (e->key()) {
      case Qt::Key_Left: to = nodeToward(-1, 0); break;
      case Qt::Key_Right: to = nodeToward(1, 0); break;
      case Qt::Key_Up: to = nodeToward(0, -1); break;
      case Qt::Key_Down: to = nodeToward(0, 1); break;
      case Qt::Key_Home: to = focus_; break;
      case Qt::Key_Return:
      case Qt::Key_Enter: emit nodeClicked(marked_); return;
      default: break;
    }
    if (to != -2) {
      markNode(to);  // nothing that way: the mark stays
      return;
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
    QString tip =
        n.kind == GraphNode::Kind::More
            ? QStringLiteral("%1個の関数（クリックで開く）").arg(n.hidden)
            : (n.where.isEmpty() ? shortened(n.name, 200) : shortened(n.name, 200) + QStringLiteral("  —  ") + n.where);
    if (n.kind == GraphNode::Kind::Function && n.function.kind == FunctionRef::Kind::Undefined)
      tip += QStringLiteral("（解析したソースには定義がありません）");
    QToolTip::showText(help->globalPos(), tip, viewport());
    return true;
  }
  return QGraphicsView::viewportEvent(e);
}

}  // namespace zelta::fe
