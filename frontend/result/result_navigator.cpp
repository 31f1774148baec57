#include "result_navigator.h"

#include <QDockWidget>
#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>
#include <algorithm>

#include "definition_panel.h"
#include "find_bar.h"
#include "graph_panel.h"
#include "result_view.h"
#include "tree_queries.h"
#include "tree_search.h"

namespace zelta::fe {

ResultNavigator::ResultNavigator(const Parts& parts, std::function<bool()> busy, QObject* parent)
    : QObject(parent), p_(parts), busy_(std::move(busy)) {
  connect(p_.view, &ResultView::currentLineChanged, this, &ResultNavigator::currentLineChanged);
  connect(p_.view, &ResultView::linkActivated, this, &ResultNavigator::FollowLink);
  connect(p_.view, &ResultView::nameActivated, this, &ResultNavigator::OpenDefinition);
  connect(p_.findBar, &FindBar::searchChanged, this, &ResultNavigator::runSearch);
  connect(p_.findBar, &FindBar::nextRequested, this, &ResultNavigator::FindNext);
  connect(p_.findBar, &FindBar::previousRequested, this, &ResultNavigator::FindPrevious);
  connect(p_.findBar, &FindBar::closed, this, &ResultNavigator::CloseFind);
  // Each panel follows the current line while it is shown.
  for (QDockWidget* d : {p_.definitionDock, p_.graphDock})
    connect(d, &QDockWidget::visibilityChanged, this, [this](bool on) {
      if (on) currentLineChanged(p_.view->currentLine());
    });
  connect(p_.definitionPanel, &DefinitionPanel::calleeActivated, this, [this](int f) { GoToRelated(f, false); });
  connect(p_.definitionPanel, &DefinitionPanel::callerActivated, this, [this](int f) { GoToRelated(f, true); });
  connect(p_.definitionPanel, &DefinitionPanel::leaveRequested, this, [this] { p_.view->setFocus(); });
  connect(p_.graphPanel, &GraphPanel::functionActivated, this, &ResultNavigator::GoToFunction);
}

void ResultNavigator::clear() {
  history_.clear();
  hits_.clear();
}

void ResultNavigator::resultChanged() {
  clear();
  if (p_.findBar->isVisible() && !p_.findBar->text().isEmpty()) runSearch();
}

void ResultNavigator::setPanelFacts(std::shared_ptr<const TreeFacts> facts, const QString& folder,
                                    const QString& definitionNote, const QString& graphNote) {
  p_.definitionPanel->setFacts(facts, folder, definitionNote);
  p_.graphPanel->setFacts(std::move(facts), graphNote);
}

// ---- find ----

void ResultNavigator::Find() {
  if (busy_() || p_.view->isEmpty()) return;
  const bool wasOpen = p_.findBar->isVisible();
  p_.findBar->open();
  if (!wasOpen) emit findBarToggled();
  if (!p_.findBar->text().isEmpty()) runSearch();
}

// Typing searches at once: the first hit at or after the current line.
void ResultNavigator::runSearch() {
  const auto& index = p_.view->result();
  const QString text = p_.findBar->text();
  hits_.clear();
  if (index && !text.isEmpty()) hits_ = TreeSearch::lines(*index, text, p_.findBar->wholeNames());
  p_.view->setFindPattern(text, p_.findBar->wholeNames());
  if (hits_.empty()) {
    p_.findBar->showCount(0, 0);
    return;
  }
  const auto at = std::lower_bound(hits_.begin(), hits_.end(), p_.view->currentLine());
  goToHit(at == hits_.end() ? 0 : static_cast<size_t>(at - hits_.begin()));
}

void ResultNavigator::goToHit(size_t hit) {
  // A hit inside a fold opens the folds above it.
  p_.view->setCurrentLine(hits_[hit]);
  p_.findBar->showCount(static_cast<int>(hit) + 1, static_cast<int>(hits_.size()));
}

void ResultNavigator::FindNext() {
  if (hits_.empty()) return;
  const auto at = std::upper_bound(hits_.begin(), hits_.end(), p_.view->currentLine());
  goToHit(at == hits_.end() ? 0 : static_cast<size_t>(at - hits_.begin()));
}

void ResultNavigator::FindPrevious() {
  if (hits_.empty()) return;
  const auto at = std::lower_bound(hits_.begin(), hits_.end(), p_.view->currentLine());
  goToHit(at == hits_.begin() ? hits_.size() - 1 : static_cast<size_t>(at - hits_.begin()) - 1);
}

void ResultNavigator::CloseFind() {
  p_.findBar->hide();
  hits_.clear();
  p_.view->setFindPattern(QString(), false);
  emit findBarToggled();
  p_.view->setFocus();
}

// ---- folds ----

void ResultNavigator::ExpandAll() {
  if (!busy_()) p_.view->expandAll();
}

void ResultNavigator::ShowToDepth(int depth) {
  if (!busy_()) p_.view->foldFromDepth(depth);
}

// ---- links and the places visited ----

void ResultNavigator::jump(int to, int rangeLast) {
  highlighted_ = to;
  p_.view->setCurrentLine(to);
  p_.view->setRangeHighlight(to, rangeLast);
  emit stateChanged();
}

void ResultNavigator::FollowLink(int line) {
  const LineLink link = p_.view->linkAt(line);
  if (link.kind == LinkKind::None) return;
  history_.visit(line, link.target);
  // A reference opens the expansion it names, so that the whole range shows.
  jump(link.target, link.rangeLast);
  if (link.kind == LinkKind::Reference && p_.view->folds().isFolded(link.target)) p_.view->toggleFold(link.target);
}

void ResultNavigator::Back() {
  if (busy_() || !history_.canBack()) return;
  jump(history_.back(p_.view->currentLine()), -1);
  p_.view->setRangeHighlight(-1, -1);
}

void ResultNavigator::Forward() {
  if (busy_() || !history_.canForward()) return;
  jump(history_.forward(p_.view->currentLine()), -1);
  p_.view->setRangeHighlight(-1, -1);
}

// ---- definition and callers ----

void ResultNavigator::OpenDefinition(int line) {
  p_.view->setCurrentLine(line);
  p_.definitionDock->show();
  p_.definitionDock->raise();
  currentLineChanged(line);
}

// From the panel: a function that the current one calls, or one that calls
// it. The tree is searched for a line of that function joined to a line of
// the current one by the call: next to the current line first (its parent
// or a child), else the nearest such pair below it; failing that, any line
// of the function; failing that, the panel alone shows it.
void ResultNavigator::GoToRelated(int function, bool caller) {
  if (busy_() || !p_.view->result() || !p_.view->facts()) return;
  const int cur = p_.view->currentLine();
  const int target = TreeQueries::relatedLine(*p_.view->result(), *p_.view->facts(), cur, function, caller);
  if (target < 0 || target == cur) {
    p_.definitionPanel->showFunction(function);
    return;
  }
  history_.visit(cur, target);
  jump(target, target);
}

void ResultNavigator::GoToFunction(FunctionRef function) {
  const auto& index = p_.view->result();
  const TreeFacts* facts = p_.view->facts();
  if (busy_() || !index || !facts || !TreeQueries::knows(*facts, function)) return;
  const int cur = p_.view->currentLine();
  const int target = TreeQueries::lineOfFunction(*index, *facts, cur, function);
  if (target < 0 || target == cur) {
    // Nowhere in the tree: the graph alone moves to it.
    p_.graphPanel->showFunction(function);
    if (target < 0) emit functionNotInTree(function);
    return;
  }
  history_.visit(cur, target);
  jump(target, target);
}

// ---- where am I ----

void ResultNavigator::currentLineChanged(int line) {
  const auto& index = p_.view->result();
  if (!index || index->isEmpty() || line < 0 || line >= index->lineCount()) {
    p_.whereLabel->clear();
    return;
  }
  // A jump's highlight stays only while its target is the current line.
  if (line != highlighted_ && p_.view->rangeHighlight().first >= 0) p_.view->setRangeHighlight(-1, -1);
  const TreeFacts* facts = p_.view->facts();
  const QString where = TreeQueries::pathText(*index, facts, line);
  const int f = facts ? facts->functionOfLine(line) : -1;
  // The file:line always shows whole; the path gives way in its middle,
  // where the steps matter least.
  const QFontMetrics fm(p_.whereLabel->font());
  const QString place = TreeQueries::placeText(facts, line);
  const QString gap = place.isEmpty() ? QString() : QStringLiteral("    ");
  const int room = std::max(p_.statusBar->width() - 24 - fm.horizontalAdvance(gap + place), 40);
  p_.whereLabel->setText(fm.elidedText(TreeQueries::pathOnly(*index, line), Qt::ElideMiddle, room) + gap + place);
  p_.whereLabel->setToolTip(where);

  const bool stdfunc = f < 0 && facts && index->isTree() && index->parts(line).stdfunc;
  if (!p_.definitionDock->isHidden()) {
    if (f >= 0)
      p_.definitionPanel->showFunction(f);
    else if (stdfunc)
      p_.definitionPanel->showUndefined(index->decode(index->parts(line).name));
    else
      p_.definitionPanel->showNone();
  }
  if (!p_.graphDock->isHidden()) {
    if (f >= 0)
      p_.graphPanel->showFunction(FunctionRef::defined(f));
    else if (stdfunc)
      p_.graphPanel->showFunction(
          FunctionRef::undefinedAt(facts->undefinedNamed(index->decode(index->parts(line).name))));
    else
      p_.graphPanel->showNone();
  }
  emit currentFunctionChanged(f, f >= 0 ? facts->functions[static_cast<size_t>(f)].name : QString());
}

}  // namespace zelta::fe
