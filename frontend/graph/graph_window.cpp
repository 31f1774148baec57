#include "graph_window.h"

#include <QCheckBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QSplitter>
#include <QStringListModel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "graph_controls.h"
#include "graph_view.h"

namespace zelta::fe {
namespace {

// Groups of this many callers (or callees) joined to nothing else are laid
// out in columns.
constexpr int kColumnsFrom = 12;
constexpr int kNodeRole = Qt::UserRole;

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setBuddy(buddy);
  return l;
}

}  // namespace

GraphWindow::GraphWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("graphWindow"));
  setWindowTitle(QStringLiteral("グラフ - zelta"));
  resize(1100, 800);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 6, 6, 6);

  auto* top = new QHBoxLayout;
  titleLabel = graphTitleLabel(this, QStringLiteral("graphWindowTitle"));
  // It opens on the direct callers and callees: the panel is for a quick
  // look further out, this window for reading many at once.
  model_.setDepth(1);
  depthBox = graphDepthBox(this, QStringLiteral("graphWindowDepth"), model_.depth());
  findEdit = new QLineEdit(this);
  findEdit->setObjectName(QStringLiteral("graphFind"));
  findEdit->setPlaceholderText(QStringLiteral("図の中の名前"));
  findEdit->setClearButtonEnabled(true);
  hideUndefinedBox = new QCheckBox(QStringLiteral("定義のない関数を隠す(&U)"), this);
  hideUndefinedBox->setObjectName(QStringLiteral("graphHideUndefined"));
  hideEdit = new QLineEdit(this);
  hideEdit->setObjectName(QStringLiteral("graphHide"));
  hideEdit->setPlaceholderText(QStringLiteral("例: __* *_lock"));
  hideEdit->setToolTip(
      QStringLiteral("この形に合う名前の関数を隠します（* は任意の文字列、? は任意の1文字、空白で区切って複数）"));
  top->addWidget(titleLabel, 1);
  top->addWidget(buddyLabel(QStringLiteral("深さ(&D)"), depthBox, this));
  top->addWidget(depthBox);
  top->addSpacing(12);
  top->addWidget(buddyLabel(QStringLiteral("探す(&F)"), findEdit, this));
  top->addWidget(findEdit);
  top->addSpacing(12);
  top->addWidget(hideUndefinedBox);
  top->addWidget(buddyLabel(QStringLiteral("隠す名前(&H)"), hideEdit, this));
  top->addWidget(hideEdit);

  auto* pathRow = new QHBoxLayout;
  fromEdit = new QLineEdit(this);
  fromEdit->setObjectName(QStringLiteral("graphPathFrom"));
  fromEdit->setPlaceholderText(QStringLiteral("呼び出す側の関数"));
  toEdit = new QLineEdit(this);
  toEdit->setObjectName(QStringLiteral("graphPathTo"));
  toEdit->setPlaceholderText(QStringLiteral("呼び出される側の関数"));
  lengthBox = new QSpinBox(this);
  lengthBox->setObjectName(QStringLiteral("graphPathLength"));
  lengthBox->setRange(1, 20);
  lengthBox->setValue(6);
  lengthBox->setToolTip(QStringLiteral("経路に含める呼び出しの数の上限"));
  pathButton = new QPushButton(QStringLiteral("経路を表示(&P)"), this);
  pathButton->setObjectName(QStringLiteral("graphPathButton"));
  auto* aroundButton = new QPushButton(QStringLiteral("周りを表示(&R)"), this);
  aroundButton->setObjectName(QStringLiteral("graphAroundButton"));
  pathRow->addWidget(buddyLabel(QStringLiteral("経路 A(&A)"), fromEdit, this));
  pathRow->addWidget(fromEdit, 1);
  pathRow->addWidget(buddyLabel(QStringLiteral("→ B(&B)"), toEdit, this));
  pathRow->addWidget(toEdit, 1);
  pathRow->addWidget(buddyLabel(QStringLiteral("長さ(&L)"), lengthBox, this));
  pathRow->addWidget(lengthBox);
  pathRow->addWidget(pathButton);
  pathRow->addWidget(aroundButton);

  noteLabel = graphNoteLabel(this, QStringLiteral("graphWindowNote"));
  noteLabel->setTextFormat(Qt::RichText);  // the offer to start the tree is a link
  noteLabel->setMinimumHeight(noteLabel->fontMetrics().height());

  auto* split = new QSplitter(Qt::Horizontal, this);
  view = new GraphView(split);
  view->setObjectName(QStringLiteral("graphWindowView"));
  view->setFitWhole(true);
  pathTree = new QTreeWidget(split);
  pathTree->setObjectName(QStringLiteral("graphPathTree"));
  pathTree->setHeaderLabel(QStringLiteral("経路"));
  pathTree->header()->setStretchLastSection(true);
  pathTree->hide();
  split->setStretchFactor(0, 4);
  split->setStretchFactor(1, 1);

  column->addLayout(top);
  column->addLayout(pathRow);
  column->addWidget(noteLabel);
  column->addWidget(split, 1);

  layout_ = new GraphLayout(this);
  connect(layout_, &GraphLayout::finished, this, &GraphWindow::laidOut);
  connect(view, &GraphView::nodeClicked, this, &GraphWindow::nodeClicked);
  connect(view, &GraphView::nodeMenuRequested, this, &GraphWindow::nodeMenu);
  connect(view, &GraphView::pictureDrawn, this, &GraphWindow::pictureShown);
  connect(depthBox, &QSpinBox::valueChanged, this, &GraphWindow::setDepth);
  connect(findEdit, &QLineEdit::textEdited, this, [this](const QString& t) {
    found_ = -1;
    if (!t.isEmpty()) findName(t);
  });
  connect(findEdit, &QLineEdit::returnPressed, this, [this] { findName(findEdit->text()); });
  connect(hideUndefinedBox, &QCheckBox::toggled, this, &GraphWindow::filterEdited);
  connect(hideEdit, &QLineEdit::editingFinished, this, &GraphWindow::filterEdited);
  for (QLineEdit* e : {fromEdit, toEdit}) connect(e, &QLineEdit::returnPressed, this, &GraphWindow::showPaths);
  connect(pathButton, &QPushButton::clicked, this, &GraphWindow::showPaths);
  connect(lengthBox, &QSpinBox::valueChanged, this, [this] {
    if (pathMode_) showPaths();
  });
  connect(aroundButton, &QPushButton::clicked, this, [this] {
    pathMode_ = false;
    pathTree->hide();
    redraw();
  });
  connect(pathTree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    const int node = item->data(0, kNodeRole).toInt();
    view->showNode(node);
    if (picture_ && static_cast<size_t>(node) < picture_->graph->nodes.size())
      emit functionActivated(picture_->graph->nodes[static_cast<size_t>(node)].function);
  });
  connect(noteLabel, &QLabel::linkActivated, this, [this] {
    if (!offer_.isNone() && model_.facts()) emit startTreeRequested(model_.nodeFor(offer_, 0).name);
  });
  setFacts(nullptr, QString());
}

void GraphWindow::hideEvent(QHideEvent* e) {
  QWidget::hideEvent(e);
  emit hidden();
}

void GraphWindow::setNote(const QString& text) { noteLabel->setText(text.toHtmlEscaped()); }

void GraphWindow::setFacts(std::shared_ptr<const TreeFacts> facts, const QString& note) {
  QStringList names;
  if (facts) {
    for (const FunctionFact& f : facts->functions) names.push_back(f.name);
    for (const UndefinedFact& u : facts->undefined) names.push_back(u.name);
    names.removeDuplicates();
  }
  model_.setFacts(std::move(facts));
  factsNote_ = note;
  pathMode_ = false;
  paths_ = CallPaths();
  offer_ = FunctionRef();
  waiting_ = 0;
  picture_.reset();
  view->setPicture(nullptr, -1);
  pathTree->clear();
  pathTree->hide();
  titleLabel->clear();
  for (QLineEdit* e : {fromEdit, toEdit}) {
    auto* c = new QCompleter(names, e);
    c->setCaseSensitivity(Qt::CaseInsensitive);
    c->setFilterMode(Qt::MatchContains);
    e->setCompleter(c);  // the old one, a child of the field, goes
  }
  setNote(model_.facts() ? QString() : factsNote_);
}

FunctionRef GraphWindow::functionNamed(const QString& name) const {
  const TreeFacts* facts = model_.facts();
  const QString n = name.trimmed();
  if (!facts || n.isEmpty()) return FunctionRef();
  for (size_t i = 0; i < facts->functions.size(); ++i)
    if (facts->functions[i].name == n) return FunctionRef::defined(static_cast<int>(i));
  return FunctionRef::undefinedAt(facts->undefinedNamed(n));
}

void GraphWindow::showFunction(FunctionRef f) {
  if (!model_.facts() || f.isNone()) return;
  if (!pathMode_ && f == model_.centre() && (waiting_ || picture_)) return;
  pathMode_ = false;
  pathTree->hide();
  model_.setCentre(f);
  redraw();
}

void GraphWindow::setDepth(int depth) {
  depth = std::clamp(depth, 1, CallGraphModel::kMaxDepth);
  if (depthBox->value() != depth) {
    depthBox->setValue(depth);  // comes back here through valueChanged
    return;
  }
  if (depth == model_.depth()) return;
  model_.setDepth(depth);
  if (!pathMode_) redraw();
}

void GraphWindow::filterEdited() {
  GraphFilter f;
  f.hideUndefined = hideUndefinedBox->isChecked();
  f.patterns = hideEdit->text().split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
  if (f != model_.filter()) setFilter(f);
}

void GraphWindow::setFilter(const GraphFilter& filter) {
  model_.setFilter(filter);
  const QSignalBlocker a(hideUndefinedBox), b(hideEdit);
  hideUndefinedBox->setChecked(filter.hideUndefined);
  hideEdit->setText(filter.patterns.join(QLatin1Char(' ')));
  if (pathMode_)
    showPaths();
  else
    redraw();
}

void GraphWindow::setPathEnd(FunctionRef f, bool end) {
  if (!model_.facts() || f.isNone()) return;
  (end ? toEdit : fromEdit)->setText(model_.nodeFor(f, 0).name);
  if (!functionNamed(fromEdit->text()).isNone() && !functionNamed(toEdit->text()).isNone()) showPaths();
}

void GraphWindow::showPaths() {
  if (!model_.facts()) return;
  PathQuery q;
  q.from = functionNamed(fromEdit->text());
  q.to = functionNamed(toEdit->text());
  q.longest = lengthBox->value();
  for (QLineEdit* e : {fromEdit, toEdit})
    if (functionNamed(e->text()).isNone() && !e->text().trimmed().isEmpty()) {
      setNote(QStringLiteral("関数「%1」は解析結果にありません").arg(e->text().trimmed()));
      return;
    }
  if (q.from.isNone() || q.to.isNone()) {
    setNote(QStringLiteral("経路の始点(A)と終点(B)の関数を選んでください"));
    return;
  }
  paths_ = findCallPaths(model_, q);
  pathMode_ = true;
  fillPathTree();
  if (!paths_.paths.empty() && pathTree->isHidden()) {
    pathTree->show();
    auto* split = static_cast<QSplitter*>(pathTree->parentWidget());
    const int room = split->width();
    split->setSizes({room - room / 4, room / 4});
  }
  if (paths_.paths.empty()) pathTree->hide();
  titleLabel->setText(shortened(model_.nodeFor(q.from, 0).name, 100) + QStringLiteral(" → ") +
                      shortened(model_.nodeFor(q.to, 0).name, 100));
  pictureNote_ = paths_.note;
  if (paths_.paths.empty()) {
    waiting_ = 0;
    picture_.reset();
    view->setPicture(nullptr, -1);
    setNote(paths_.note);
    emit pictureShown();
    return;
  }
  draw(std::make_shared<CallGraph>(paths_.graph), 0);
}

void GraphWindow::fillPathTree() {
  pathTree->clear();
  const auto& nodes = paths_.graph.nodes;
  for (const auto& path : paths_.paths) {
    QTreeWidgetItem* parent = nullptr;
    for (int v : path) {
      QTreeWidgetItem* item = nullptr;
      const int count = parent ? parent->childCount() : pathTree->topLevelItemCount();
      for (int i = 0; i < count && !item; ++i) {
        QTreeWidgetItem* c = parent ? parent->child(i) : pathTree->topLevelItem(i);
        if (c->data(0, kNodeRole).toInt() == v) item = c;
      }
      if (!item) {
        const GraphNode& n = nodes[static_cast<size_t>(v)];
        item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(pathTree);
        item->setText(0, n.where.isEmpty() ? n.name : n.name + QStringLiteral("  ") + n.where);
        item->setData(0, kNodeRole, v);
      }
      parent = item;
    }
  }
  pathTree->expandAll();
}

void GraphWindow::redraw() {
  if (pathMode_) return;
  auto graph = std::make_shared<CallGraph>(model_.build());
  if (graph->nodes.empty()) {
    picture_.reset();
    view->setPicture(nullptr, -1);
    titleLabel->clear();
    setNote(model_.facts() ? QString() : factsNote_);
    return;
  }
  titleLabel->setText(graphTitleText(*graph));
  pictureNote_ = foldedGroupsNote(*graph);
  draw(std::move(graph), 0);
}

void GraphWindow::draw(std::shared_ptr<const CallGraph> graph, int focus) {
  LayoutRequest r = layoutRequestFor(std::move(graph));
  r.columnsFrom = kColumnsFrom;
  r.rankGap = 0.3;
  r.nodeGap = 0.08;
  focus_ = focus;
  found_ = -1;
  waiting_ = layout_->request(std::move(r));
  setNote(QStringLiteral("配置しています…"));
}

void GraphWindow::laidOut(std::shared_ptr<const GraphPicture> picture) {
  if (picture->ticket != waiting_) return;
  waiting_ = 0;
  picture_ = picture;
  if (picture->ok()) {
    view->setPicture(picture, focus_);
    setNote(pictureNote_);
    if (!pathMode_ && !offer_.isNone() && offer_ == model_.centre())
      noteLabel->setText(notInTreeNote(picture->graph->nodes.front().name));
  } else {
    view->setPicture(nullptr, -1);
    setNote(picture->error);
    emit pictureShown();
  }
}

bool GraphWindow::isBusy() const { return waiting_ != 0 || (hasPicture() && !view->isDrawn()); }

void GraphWindow::offerStartAt(FunctionRef f) {
  offer_ = f;
  if (model_.facts() && !f.isNone() && (pathMode_ || (f == model_.centre() && hasPicture())))
    noteLabel->setText(notInTreeNote(model_.nodeFor(f, 0).name));
}

bool GraphWindow::findName(const QString& text) {
  if (!picture_ || !picture_->ok() || text.isEmpty()) return false;
  const auto& nodes = picture_->graph->nodes;
  std::vector<int> hits;
  for (size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i].kind == GraphNode::Kind::Function && nodes[i].name.contains(text, Qt::CaseInsensitive))
      hits.push_back(static_cast<int>(i));
  if (hits.empty()) {
    setNote(QStringLiteral("「%1」は図にありません").arg(text));
    return false;
  }
  const auto next = std::upper_bound(hits.begin(), hits.end(), found_);
  found_ = next == hits.end() ? hits.front() : *next;
  view->showNode(found_);
  const auto at = std::find(hits.begin(), hits.end(), found_) - hits.begin();
  setNote(QStringLiteral("「%1」: %2件中%3件目（Enterで次へ）").arg(text).arg(hits.size()).arg(at + 1));
  return true;
}

void GraphWindow::nodeClicked(int node) {
  if (!picture_ || node < 0 || static_cast<size_t>(node) >= picture_->graph->nodes.size()) return;
  const GraphNode& n = picture_->graph->nodes[static_cast<size_t>(node)];
  if (n.kind == GraphNode::Kind::More) {
    if (!pathMode_ && model_.open(n)) redraw();
    return;
  }
  const FunctionRef f = n.function;
  if (pathMode_) {
    view->markNode(node);
  } else if (f != model_.centre()) {
    model_.setCentre(f);
    redraw();
  }
  emit functionActivated(f);
}

void GraphWindow::nodeMenu(int node, const QPoint& at) {
  const GraphNode& n = picture_->graph->nodes[static_cast<size_t>(node)];
  if (n.kind != GraphNode::Kind::Function) return;
  const FunctionRef f = n.function;
  QMenu menu(this);
  menu.addAction(QStringLiteral("ここを中心に表示(&C)"), this, [this, f] { showFunction(f); });
  menu.addAction(QStringLiteral("経路の始点(A)にする"), this, [this, f] { setPathEnd(f, false); });
  menu.addAction(QStringLiteral("経路の終点(B)にする"), this, [this, f] { setPathEnd(f, true); });
  menu.exec(at);
}

}  // namespace zelta::fe
