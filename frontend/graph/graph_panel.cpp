#include "graph_panel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "graph_controls.h"
#include "graph_export.h"
#include "graph_view.h"

namespace zelta::fe {
GraphPanel::GraphPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("graphPanel"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 4, 4, 4);

  auto* row = new QHBoxLayout;
  titleLabel = graphTitleLabel(this, QStringLiteral("graphTitle"));
  depthBox = graphDepthBox(this, QStringLiteral("graphDepth"), model_.depth());
  auto* depthLabel = new QLabel(QStringLiteral("深さ"), this);
  depthLabel->setBuddy(depthBox);
  row->addWidget(titleLabel, 1);
  row->addWidget(depthLabel);
  row->addWidget(depthBox);

  noteLabel = graphNoteLabel(this, QStringLiteral("graphNote"));

  view = new GraphView(this);
  column->addLayout(row);
  column->addWidget(noteLabel);
  column->addWidget(view, 1);

  layout_ = new GraphLayout(this);
  connect(layout_, &GraphLayout::finished, this, &GraphPanel::laidOut);
  connect(view, &GraphView::nodeClicked, this, &GraphPanel::nodeClicked);
  connect(view, &GraphView::pictureDrawn, this, &GraphPanel::pictureShown);
  connect(view, &GraphView::nodeMenuRequested, this, &GraphPanel::nodeMenu);
  connect(noteLabel, &QLabel::linkActivated, this, [this] {
    if (!offer_.isNone() && model_.facts()) emit startTreeRequested(model_.nodeFor(offer_, 0).name);
  });
  connect(depthBox, &QSpinBox::valueChanged, this, &GraphPanel::setDepth);
  setFacts(nullptr, QString());
}

QSize GraphPanel::sizeHint() const {
  // Beside the result, two fifths of the window; below it, a third.
  return QSize(std::clamp(window()->width() * 2 / 5, 250, 900), std::clamp(window()->height() / 3, 200, 500));
}

void GraphPanel::setNote(const QString& text) {
  noteLabel->setText(text);
  // Kept in place when empty, so that the picture does not jump as notes come and go.
  noteLabel->setMinimumHeight(noteLabel->fontMetrics().height());
}

void GraphPanel::setFacts(std::shared_ptr<const TreeFacts> facts, const QString& note) {
  model_.setFacts(std::move(facts));
  factsNote_ = note;
  offer_ = FunctionRef();
  showNone();
  emit factsChanged();
}

void GraphPanel::showNone() {
  model_.setCentre(FunctionRef());
  waiting_ = 0;
  const bool had = picture_ != nullptr;
  picture_.reset();
  view->setPicture(nullptr, -1);
  titleLabel->clear();
  setNote(model_.facts() ? QStringLiteral("この行には関数がありません") : factsNote_);
  if (had) emit pictureChanged();
}

void GraphPanel::showFunction(FunctionRef f) {
  if (!model_.facts()) return;
  if (f.isNone()) {
    showNone();
    return;
  }
  if (f == model_.centre() && (waiting_ || picture_)) return;
  model_.setCentre(f);
  redraw(f);
}

void GraphPanel::setDepth(int depth) {
  depth = std::clamp(depth, 1, CallGraphModel::kMaxDepth);
  if (depthBox->value() != depth) {
    depthBox->setValue(depth);  // comes back here through valueChanged
    return;
  }
  if (depth == model_.depth()) return;
  model_.setDepth(depth);
  if (!model_.centre().isNone()) redraw(model_.centre());
}

void GraphPanel::redraw(FunctionRef focus) {
  auto graph = std::make_shared<CallGraph>(model_.build());
  if (graph->nodes.empty()) {
    showNone();
    return;
  }
  titleLabel->setText(graphTitleText(*graph));
  titleLabel->setToolTip(titleLabel->text());

  LayoutRequest r = layoutRequestFor(std::move(graph));
  focus_ = focus;
  waiting_ = layout_->request(std::move(r));
  setNote(QStringLiteral("配置しています…"));
}

void GraphPanel::laidOut(std::shared_ptr<const GraphPicture> picture) {
  if (picture->ticket != waiting_) return;  // for a function no longer asked for
  waiting_ = 0;
  picture_ = picture;
  if (picture->ok()) {
    view->setPicture(picture, picture->graph->nodeOf(focus_));
    setNote(foldedGroupsNote(*picture->graph));
    if (!offer_.isNone() && offer_ == model_.centre()) setNote(notInTreeNote(picture->graph->nodes.front().name));
    emit pictureChanged();
  } else {
    view->setPicture(nullptr, -1);
    setNote(picture->error);
    emit pictureChanged();
    emit pictureShown();
  }
}

void GraphPanel::nodeClicked(int node) {
  if (!picture_ || !picture_->graph || node < 0 || static_cast<size_t>(node) >= picture_->graph->nodes.size()) return;
  const GraphNode& n = picture_->graph->nodes[static_cast<size_t>(node)];
  if (n.kind == GraphNode::Kind::More) {
    const FunctionRef owner = n.function;
    if (model_.open(n)) redraw(owner);
    return;
  }
  if (n.function != model_.centre()) emit functionActivated(n.function);
}

void GraphPanel::offerStartAt(FunctionRef f) {
  offer_ = f;
  if (f == model_.centre() && hasPicture()) setNote(notInTreeNote(picture_->graph->nodes.front().name));
}

void GraphPanel::nodeMenu(int node, const QPoint& at) {
  const GraphNode& n = picture_->graph->nodes[static_cast<size_t>(node)];
  if (n.kind != GraphNode::Kind::Function) return;
  QMenu menu(this);
  const FunctionRef f = n.function;
  menu.addAction(QStringLiteral("経路の始点(A)にする"), this, [this, f] { emit pathEndChosen(f, false); });
  menu.addAction(QStringLiteral("経路の終点(B)にする"), this, [this, f] { emit pathEndChosen(f, true); });
  menu.exec(at);
}

bool GraphPanel::isBusy() const { return isLayingOut() || (hasPicture() && !view->isDrawn()); }

bool GraphPanel::exportPicture(const QString& path, QString* problem) const {
  if (!hasPicture()) {
    *problem = QStringLiteral("グラフがありません");
    return false;
  }
  return exportGraphPicture(*picture_, path, problem);
}

}  // namespace zelta::fe
