// The main window's share of the graph's own window: its actions in the
// View menu, the facts and the current function it follows, and the offer
// to start the tree at a function the tree does not show.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>

#include "frm_main.h"
#include "frm_option.h"
#include "graph_panel.h"
#include "graph_window.h"
#include "result_view.h"
#include "settings_store.h"

namespace zelta::fe {
namespace {

// The function on the result's current line: a definition, or an
// undefined function's own line; none when the line has neither.
FunctionRef currentFunction(const ResultView* view) {
  const TreeFacts* facts = view->facts();
  const auto& index = view->result();
  if (!facts || !index || view->isEmpty()) return FunctionRef();
  const int line = view->currentLine();
  if (const int f = facts->functionOfLine(line); f >= 0) return FunctionRef::defined(f);
  if (index->isTree() && line >= 0 && line < index->lineCount() && index->parts(line).stdfunc)
    return FunctionRef::undefinedAt(facts->undefinedNamed(index->decode(index->parts(line).name)));
  return FunctionRef();
}

}  // namespace

void frmMain::createGraphWindow() {
  actGraphWindow_ = new QAction(QStringLiteral("大きなグラフ(&W)"), this);
  actGraphWindow_->setObjectName(QStringLiteral("actGraphWindow"));
  actGraphWindow_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  connect(actGraphWindow_, &QAction::triggered, this, [this] { openGraphWindow(); });
  // A path's ends from the tree: the current line's function.
  const auto pathEnd = [this](bool end) {
    if (const FunctionRef f = currentFunction(RichTextBox1); !f.isNone()) openGraphWindow()->setPathEnd(f, end);
  };
  actPathFrom_ = new QAction(QStringLiteral("この関数を経路の始点(A)に"), this);
  actPathFrom_->setObjectName(QStringLiteral("actPathFrom"));
  connect(actPathFrom_, &QAction::triggered, this, [pathEnd] { pathEnd(false); });
  actPathTo_ = new QAction(QStringLiteral("この関数を経路の終点(B)に"), this);
  actPathTo_->setObjectName(QStringLiteral("actPathTo"));
  connect(actPathTo_, &QAction::triggered, this, [pathEnd] { pathEnd(true); });
  for (QAction* a : {actGraphWindow_, actPathFrom_, actPathTo_}) {
    a->setShortcutContext(Qt::WindowShortcut);
    mnuView->addAction(a);
  }

  connect(graphPanel, &GraphPanel::factsChanged, this, [this] {
    if (graphWindow_) graphWindow_->setFacts(graphPanel->facts(), graphPanel->factsNote());
  });
  connect(graphPanel, &GraphPanel::pathEndChosen, this,
          [this](FunctionRef f, bool end) { openGraphWindow()->setPathEnd(f, end); });
  connect(graphPanel, &GraphPanel::startTreeRequested, this, &frmMain::startTreeAt);
  connect(navigator_, &ResultNavigator::currentFunctionChanged, this, [this] {
    if (graphWindow_ && graphWindow_->isVisible() && !graphWindow_->paths())
      graphWindow_->showFunction(currentFunction(RichTextBox1));
  });
  connect(navigator_, &ResultNavigator::functionNotInTree, this, [this](FunctionRef f) {
    graphPanel->offerStartAt(f);
    if (graphWindow_) graphWindow_->offerStartAt(f);
  });
}

GraphWindow* frmMain::openGraphWindow() {
  if (!graphWindow_) {
    graphWindow_ = new GraphWindow(this);
    graphWindow_->setFacts(graphPanel->facts(), graphPanel->factsNote());
    connect(graphWindow_, &GraphWindow::functionActivated, navigator_, &ResultNavigator::GoToFunction);
    connect(graphWindow_, &GraphWindow::startTreeRequested, this, &frmMain::startTreeAt);
    restoreGraphWindow();
    connect(graphWindow_, &GraphWindow::hidden, this, &frmMain::saveGraphWindow);
  }
  if (!graphWindow_->isVisible()) {
    graphWindow_->show();
    // It opens on the function the tree or the panel is at.
    const FunctionRef f = currentFunction(RichTextBox1);
    if (!graphWindow_->paths()) graphWindow_->showFunction(f.isNone() ? graphPanel->shownFunction() : f);
  }
  graphWindow_->raise();
  graphWindow_->activateWindow();
  return graphWindow_;
}

namespace {
const QString kGraphSection = QStringLiteral("Graph");

int storedNumber(const QString& key, int fallback) {
  bool ok = false;
  const int v = GetSetting(kGraphSection, key, QString()).toInt(&ok);
  return ok ? v : fallback;
}
}  // namespace

void frmMain::restoreGraphWindow() {
  GraphWindow* g = graphWindow_;
  const QByteArray placement = QByteArray::fromBase64(GetSetting(kGraphSection, QStringLiteral("Geometry"), QString()).toLatin1());
  if (!placement.isEmpty()) g->restoreGeometry(placement);  // off every screen: Qt brings it back
  g->setDepth(storedNumber(QStringLiteral("Depth"), g->depth()));
  g->lengthBox->setValue(storedNumber(QStringLiteral("PathLength"), g->lengthBox->value()));
  GraphFilter f;
  f.hideUndefined = storedNumber(QStringLiteral("HideUndefined"), 0) == 1;
  f.patterns = GetSetting(kGraphSection, QStringLiteral("Hide"), QString()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
  g->setFilter(f);
}

void frmMain::saveGraphWindow() {
  GraphWindow* g = graphWindow_;
  if (!g) return;
  SaveSetting(kGraphSection, QStringLiteral("Geometry"), QString::fromLatin1(g->saveGeometry().toBase64()));
  SaveSetting(kGraphSection, QStringLiteral("Depth"), QString::number(g->depth()));
  SaveSetting(kGraphSection, QStringLiteral("PathLength"), QString::number(g->lengthBox->value()));
  SaveSetting(kGraphSection, QStringLiteral("HideUndefined"), g->hideUndefinedBox->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
  SaveSetting(kGraphSection, QStringLiteral("Hide"), g->hideEdit->text().simplified());
}

// The offer of a graph's note: the tree made again from `name`.
void frmMain::startTreeAt(const QString& name) {
  if (running_ || name.isEmpty()) return;
  options_->optfuncone = 1;
  options_->funcname = name;
  RunAnalysis();
}

}  // namespace zelta::fe
