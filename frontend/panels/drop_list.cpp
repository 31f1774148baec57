#include "drop_list.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace zelta::fe {

DropList::DropList(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // Every row is one line of text: scrolling tens of thousands of them then
  // needs no measuring.
  setUniformRowHeights(true);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

static bool carriesFiles(const QMimeData* m) {
  if (!m || !m->hasUrls()) return false;
  for (const QUrl& u : m->urls())
    if (u.isLocalFile()) return true;
  return false;
}

// Drags, drops and the right button reach a list view through its viewport;
// those that arrive at the list itself (its frame, or sent by a program) are
// taken as over the list too, rather than passed over by the scroll area.
bool DropList::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::DragEnter:
      dragEnterEvent(static_cast<QDragEnterEvent*>(e));
      return true;
    case QEvent::DragMove:
      dragMoveEvent(static_cast<QDragMoveEvent*>(e));
      return true;
    case QEvent::Drop:
      dropEvent(static_cast<QDropEvent*>(e));
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
        if (e->type() == QEvent::MouseButtonRelease) mouseReleaseEvent(static_cast<QMouseEvent*>(e));
        e->accept();
        return true;
      }
      break;
    default:
      break;
  }
  return QTreeWidget::event(e);
}

void DropList::dragEnterEvent(QDragEnterEvent* e) {
  if (dropsEnabled && carriesFiles(e->mimeData()))
    e->acceptProposedAction();
  else
    e->ignore();
}

void DropList::dragMoveEvent(QDragMoveEvent* e) {
  if (dropsEnabled && carriesFiles(e->mimeData()))
    e->acceptProposedAction();
  else
    e->ignore();
}

void DropList::dropEvent(QDropEvent* e) {
  if (!dropsEnabled || !carriesFiles(e->mimeData())) {
    e->ignore();
    return;
  }
  QStringList paths;
  for (const QUrl& u : e->mimeData()->urls())
    if (u.isLocalFile()) paths << u.toLocalFile();
  e->acceptProposedAction();
  emit pathsDropped(paths);
}

void DropList::mousePressEvent(QMouseEvent* e) {
  // The pop-up acts on the selected entry, not on the one under the pointer,
  // so the right button leaves the selection alone.
  if (e->button() == Qt::RightButton) {
    e->accept();
    return;
  }
  QTreeWidget::mousePressEvent(e);
}

void DropList::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::RightButton) {
    e->accept();
    emit rightButtonReleased(e->globalPosition().toPoint());
    return;
  }
  QTreeWidget::mouseReleaseEvent(e);
}

void DropList::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Delete && e->modifiers() == Qt::NoModifier) {
    emit deletePressed();
    return;
  }
  QTreeWidget::keyPressEvent(e);
}

}  // namespace zelta::fe
