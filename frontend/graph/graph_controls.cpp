#include "graph_controls.h"

#include <QLabel>
#include <QPalette>
#include <QSpinBox>

#include "call_graph_model.h"

namespace zelta::fe {

QLabel* graphTitleLabel(QWidget* parent, const QString& objectName) {
  auto* title = new QLabel(parent);
  title->setObjectName(objectName);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  title->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return title;
}

QSpinBox* graphDepthBox(QWidget* parent, const QString& objectName, int depth) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(objectName);
  box->setRange(1, CallGraphModel::kMaxDepth);
  box->setValue(depth);
  box->setToolTip(QStringLiteral("呼び出し先と呼び出し元をいくつ先までたどるか"));
  return box;
}

QLabel* graphNoteLabel(QWidget* parent, const QString& objectName) {
  auto* note = new QLabel(parent);
  note->setObjectName(objectName);
  note->setWordWrap(true);
  QPalette grey = note->palette();
  grey.setColor(QPalette::WindowText, QColor(110, 110, 110));
  note->setPalette(grey);
  return note;
}

}  // namespace zelta::fe
