#include "split_handle.h"

#include <QMouseEvent>

namespace zelta::fe {

SplitHandle::SplitHandle(Qt::Orientation orientation, QWidget* parent) : QWidget(parent), orientation_(orientation) {
  setCursor(orientation == Qt::Horizontal ? Qt::SplitHCursor : Qt::SplitVCursor);
  setFocusPolicy(Qt::NoFocus);
}

void SplitHandle::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  pressed_ = true;
  const QPointF g = e->globalPosition();
  pressedAt_ = qRound(orientation_ == Qt::Horizontal ? g.x() : g.y());
  emit pressed();
}

void SplitHandle::mouseMoveEvent(QMouseEvent* e) {
  if (!pressed_) return;
  const QPointF g = e->globalPosition();
  emit dragged(qRound(orientation_ == Qt::Horizontal ? g.x() : g.y()) - pressedAt_, false);
}

void SplitHandle::mouseReleaseEvent(QMouseEvent* e) {
  if (!pressed_ || e->button() != Qt::LeftButton) return;
  pressed_ = false;
  const QPointF g = e->globalPosition();
  emit dragged(qRound(orientation_ == Qt::Horizontal ? g.x() : g.y()) - pressedAt_, true);
}

}  // namespace zelta::fe
