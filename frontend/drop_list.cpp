#include "drop_list.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace zelta::fe {

DropList::DropList(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
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

}  // namespace zelta::fe
