// Moving about the result: find, folds, links with their history, the
// status bar's path and the definition and graph panels that follow the
// current line.
#include <QDockWidget>
#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>
#include <algorithm>

#include "cp932.h"
#include "definition_panel.h"
#include "find_bar.h"
#include "frm_main.h"
#include "graph_panel.h"
#include "tree_search.h"

namespace zelta::fe {

// ---- find ----

void frmMain::Find() {
  if (running_ || RichTextBox1->isEmpty()) return;
  const bool wasOpen = findBar->isVisible();
  findBar->open();
  if (!wasOpen) applyLayout();
  if (!findBar->text().isEmpty()) runSearch();
}

// Typing searches at once: the first hit at or after the current line.
void frmMain::runSearch() {
  const auto& index = RichTextBox1->result();
  const QString text = findBar->text();
  hits_.clear();
  if (index && !text.isEmpty()) hits_ = TreeSearch::lines(*index, text, findBar->wholeNames());
  RichTextBox1->setFindPattern(text, findBar->wholeNames());
  if (hits_.empty()) {
    findBar->showCount(0, 0);
    return;
  }
  const auto at = std::lower_bound(hits_.begin(), hits_.end(), RichTextBox1->currentLine());
  goToHit(at == hits_.end() ? 0 : static_cast<size_t>(at - hits_.begin()));
}

void frmMain::goToHit(size_t hit) {
  // A hit inside a fold opens the folds above it.
  RichTextBox1->setCurrentLine(hits_[hit]);
  findBar->showCount(static_cast<int>(hit) + 1, static_cast<int>(hits_.size()));
}

void frmMain::FindNext() {
  if (hits_.empty()) return;
  const auto at = std::upper_bound(hits_.begin(), hits_.end(), RichTextBox1->currentLine());
  goToHit(at == hits_.end() ? 0 : static_cast<size_t>(at - hits_.begin()));
}

void frmMain::FindPrevious() {
  if (hits_.empty()) return;
  const auto at = std::lower_bound(hits_.begin(), hits_.end(), RichTextBox1->currentLine());
  goToHit(at == hits_.begin() ? hits_.size() - 1 : static_cast<size_t>(at - hits_.begin()) - 1);
}

void frmMain::CloseFind() {
  findBar->hide();
  hits_.clear();
  RichTextBox1->setFindPattern(QString(), false);
  applyLayout();
  RichTextBox1->setFocus();
}

// ---- folds ----

void frmMain::ExpandAll() {
  if (!running_) RichTextBox1->expandAll();
}

void frmMain::ShowToDepth(int depth) {
  if (!running_) RichTextBox1->foldFromDepth(depth);
}

// ---- links and the places visited ----

void frmMain::jump(int to, int rangeLast) {
  RichTextBox1->setCurrentLine(to);
  RichTextBox1->setRangeHighlight(to, rangeLast);
  updateActions();
}

void frmMain::FollowLink(int line) {
  const LineLink link = RichTextBox1->linkAt(line);
  if (link.kind == LinkKind::None) return;
  history_.visit(line, link.target);
  // A reference opens the expansion it names, so that the whole range shows.
  jump(link.target, link.rangeLast);
  if (link.kind == LinkKind::Reference && RichTextBox1->folds().isFolded(link.target))
    RichTextBox1->toggleFold(link.target);
}

void frmMain::Back() {
  if (running_ || !history_.canBack()) return;
  jump(history_.back(RichTextBox1->currentLine()), -1);
  RichTextBox1->setRangeHighlight(-1, -1);
}

void frmMain::Forward() {
  if (running_ || !history_.canForward()) return;
  jump(history_.forward(RichTextBox1->currentLine()), -1);
  RichTextBox1->setRangeHighlight(-1, -1);
}

// ---- definition and callers ----

void frmMain::OpenDefinition(int line) {
  RichTextBox1->setCurrentLine(line);
  definitionDock->show();
  definitionDock->raise();
  currentLineChanged(line);
}

// From the panel: a function that the current one calls, or one that calls
// it. The tree is searched for a line of that function joined to a line of
// the current one by the call: next to the current line first (its parent
// or a child), else the nearest such pair below it; failing that, any line
// of the function; failing that, the panel alone shows it.
void frmMain::GoToRelated(int function, bool caller) {
  if (running_ || !RichTextBox1->result() || !RichTextBox1->facts()) return;
  const int cur = RichTextBox1->currentLine();
  const int target = relatedLine(function, caller);
  if (target < 0 || target == cur) {
    definitionPanel->showFunction(function);
    return;
  }
  history_.visit(cur, target);
  jump(target, target);
}

int frmMain::relatedLine(int function, bool caller) const {
  const auto& index = RichTextBox1->result();
  const TreeFacts* facts = RichTextBox1->facts();
  const int n = index->lineCount();
  const int cur = RichTextBox1->currentLine();
  const int curF = facts->functionOfLine(cur);
  // A line under a line is called by it; in the callers tree it calls it.
  const int callerF = caller ? function : curF, calleeF = caller ? curF : function;
  const int upperF = facts->callersTree ? calleeF : callerF;
  const int lowerF = facts->callersTree ? callerF : calleeF;
  const bool wantUpper = upperF == function && lowerF != function;
  // The line of `function` in the pair whose lower line is `lower`, or -1.
  auto pairAt = [&](int lower) {
    const int up = index->parent(lower);
    if (curF < 0 || up < 0 || facts->functionOfLine(up) != upperF || facts->functionOfLine(lower) != lowerF) return -1;
    return wantUpper ? up : lower;
  };
  int target = pairAt(cur);
  for (int c = cur + 1; target < 0 && c <= index->lastDescendant(cur); c = index->lastDescendant(c) + 1)
    target = pairAt(c);
  for (int k = 1; k <= n && target < 0; ++k) target = pairAt((cur + k) % n);
  for (int k = 1; k <= n && target < 0; ++k)
    if (facts->functionOfLine((cur + k) % n) == function) target = (cur + k) % n;
  return target;
}

void frmMain::GoToFunction(FunctionRef function) {
  const auto& index = RichTextBox1->result();
  const TreeFacts* facts = RichTextBox1->facts();
  if (running_ || !index || !facts || function.isNone()) return;
  const bool defined = function.kind == FunctionRef::Kind::Defined;
  if (function.index >= static_cast<int>(defined ? facts->functions.size() : facts->undefined.size())) return;
  const int n = index->lineCount();
  const int cur = RichTextBox1->currentLine();
  const int curF = facts->functionOfLine(cur);
  int target = -1;
  if (defined) {
    // A function the current one calls, or one that calls it: the place
    // where the tree shows that call, as the definition panel's links go.
    const bool callee = curF >= 0 && std::any_of(facts->functions[static_cast<size_t>(curF)].calls.begin(),
                                                 facts->functions[static_cast<size_t>(curF)].calls.end(),
                                                 [&](const CallFact& c) { return c.function == function.index; });
    const auto& theirCalls = facts->functions[static_cast<size_t>(function.index)].calls;
    const bool caller = curF >= 0 && std::any_of(theirCalls.begin(), theirCalls.end(),
                                                 [&](const CallFact& c) { return c.function == curF; });
    if (callee || caller) target = relatedLine(function.index, !callee);
    // Beside the current line (an undefined function's caller is its parent).
    if (const int up = index->parent(cur); target < 0 && up >= 0 && facts->functionOfLine(up) == function.index)
      target = up;
    for (int l = 0; l < n && target < 0; ++l)
      if (facts->functionOfLine(l) == function.index && !index->parts(l).loop) target = l;
  } else {
    // An undefined function has lines of its own only under -a: a child of
    // the current line first, else the first.
    const QString name = facts->undefined[static_cast<size_t>(function.index)].name;
    QByteArray bytes;
    if (index->encoding() == ResultIndex::Encoding::Utf8 || !unicodeToCp932(name, bytes)) bytes = name.toUtf8();
    const std::string_view want(bytes.constData(), static_cast<size_t>(bytes.size()));
    auto named = [&](int l) {
      const LineParts p = index->parts(l);
      return p.stdfunc && p.name == want;
    };
    for (int c = cur + 1; target < 0 && c <= index->lastDescendant(cur); c = index->lastDescendant(c) + 1)
      if (named(c)) target = c;
    for (int l = 0; l < n && target < 0; ++l)
      if (named(l)) target = l;
  }
  if (target < 0 || target == cur) {
    // Nowhere in the tree: the graph alone moves to it.
    graphPanel->showFunction(function);
    return;
  }
  history_.visit(cur, target);
  jump(target, target);
}

// ---- where am I ----

void frmMain::currentLineChanged(int line) {
  const auto& index = RichTextBox1->result();
  if (!index || index->isEmpty() || line < 0 || line >= index->lineCount()) {
    whereLabel->clear();
    return;
  }
  const TreeFacts* facts = RichTextBox1->facts();
  QString where;
  if (index->isTree()) {
    // The path from the root, the way a reader says it.
    QStringList names;
    for (int l = line; l >= 0; l = index->parent(l)) {
      const LineParts p = index->parts(l);
      const std::string_view b = p.loop ? std::string_view("LOOP") : p.name;
      names.prepend(index->decode(b));
    }
    where = names.join(QStringLiteral(" › "));
  } else {
    where = QStringLiteral("%1行目").arg(line + 1);
  }
  const int f = facts ? facts->functionOfLine(line) : -1;
  if (f >= 0) {
    const FunctionFact& fn = facts->functions[static_cast<size_t>(f)];
    where += QStringLiteral("    %1:%2").arg(facts->fileName(fn.file)).arg(fn.line);
  }
  const int room = std::max(statusBar()->width() - 24, 80);
  whereLabel->setText(QFontMetrics(whereLabel->font()).elidedText(where, Qt::ElideLeft, room));
  whereLabel->setToolTip(where);

  const bool stdfunc = f < 0 && facts && index->isTree() && index->parts(line).stdfunc;
  if (!definitionDock->isHidden()) {
    if (f >= 0)
      definitionPanel->showFunction(f);
    else if (stdfunc)
      definitionPanel->showUndefined(index->decode(index->parts(line).name));
    else
      definitionPanel->showNone();
  }
  if (!graphDock->isHidden()) {
    if (f >= 0)
      graphPanel->showFunction(FunctionRef::defined(f));
    else if (stdfunc)
      graphPanel->showFunction(FunctionRef::undefinedAt(facts->undefinedNamed(index->decode(index->parts(line).name))));
    else
      graphPanel->showNone();
  }
  emit currentFunctionChanged(f, f >= 0 ? facts->functions[static_cast<size_t>(f)].name : QString());
}

}  // namespace zelta::fe
