#include "graph_controls.h"

#include <QLabel>
#include <QPalette>
#include <QSpinBox>

#include "call_graph_model.h"
#include "graph_view.h"

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

QString graphTitleText(const CallGraph& graph) {
  const GraphNode& centre = graph.nodes.front();
  const bool undefined = centre.function.kind == FunctionRef::Kind::Undefined;
  return (shortened(centre.name, 200) + QStringLiteral("  ") + (undefined ? QStringLiteral("（定義なし）") : centre.where))
      .trimmed();
}

QString foldedGroupsNote(const CallGraph& graph) {
  for (const GraphNode& n : graph.nodes)
    if (n.kind == GraphNode::Kind::More) return QStringLiteral("まとめた関数は「他N件」をクリックすると開きます");
  return QString();
}

}  // namespace zelta::fe
