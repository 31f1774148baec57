// The result view: the text of tree.txt drawn line by line, only the lines
// in sight, with a fold gutter, the current line, a selection, find hits,
// a highlighted range and the links of the tree. Keeps no copy of the text:
// it reads the shared ResultIndex and decodes the lines it draws.
#pragma once
#include <QAbstractScrollArea>
#include <QCache>
#include <memory>

#include "fold_state.h"
#include "result_index.h"
#include "tree_facts.h"
#include "tree_links.h"

namespace zelta::fe {

class ResultView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit ResultView(QWidget* parent = nullptr);

  // ---- the text, as a plain text view held it ----
  void setPlainText(const QString& text);
  QString toPlainText() const;
  void clear();
  bool isReadOnly() const { return true; }
  bool isEmpty() const { return !index_ || index_->isEmpty(); }

  void setResult(std::shared_ptr<const ResultIndex> index);
  const std::shared_ptr<const ResultIndex>& result() const { return index_; }
  void setFacts(std::shared_ptr<const TreeFacts> facts);
  const TreeFacts* facts() const { return facts_.get(); }
  const std::shared_ptr<const TreeFacts>& sharedFacts() const { return facts_; }

  // ---- selection: document order, columns in characters ----
  bool hasSelection() const { return anchor_ != cursor_; }
  QString selectedText() const;
  void setSelection(TextPos anchor, TextPos cursor);
  void selectAll();
  void copy() const;

  // ---- the current line and folding ----
  int currentLine() const { return current_; }
  // Reveals the line (unfolding what hides it) and scrolls it into view
  // the way a jump wants it: off the edges (centred when it was out of
  // sight) and with its name inside the viewport.
  void setCurrentLine(int line);
  const FoldState& folds() const { return folds_; }
  void toggleFold(int line);
  void unfoldSubtree(int line);
  void expandAll();
  void foldFromDepth(int depth);

  // ---- marks ----
  void setFindPattern(const QString& text, bool wholeNames);
  void setRangeHighlight(int first, int last);  // first < 0 clears
  std::pair<int, int> rangeHighlight() const { return {rangeFirst_, rangeLast_}; }
  LineLink linkAt(int line) const;

  // Where a line's fold marker, link and name are drawn (viewport
  // coordinates; a null point when the line is not in sight).
  QPoint foldMarkerPoint(int line) const;
  QPoint linkPoint(int line) const;
  QPoint namePoint(int line) const;

 signals:
  void currentLineChanged(int line);
  void linkActivated(int line);  // a click on a link, or Enter on its line
  void nameActivated(int line);  // a double click on a name
  void foldsChanged();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  // What drawing a line needs beyond its bytes, kept for the lines lately
  // drawn.
  struct Shown {
    QString text;
    int textColumn = 0;  // where the function text starts
    LineLink link;
    int linkFrom = 0, linkTo = 0;  // the link in columns
    int nameFrom = 0, nameTo = 0;
  };
  const Shown& shown(int line) const;
  void relayout();
  void afterFoldChange();
  void ensureVisible(int line, bool center);
  void followLine(int line, bool center);
  // The pixels the line numbers take right of the gutter; they stay put
  // when the text scrolls sideways.
  int numbersWidth(const QString& text) const;
  void moveCurrent(int line, bool select);
  int lineHeight() const;
  int gutterWidth() const;
  int textLeft() const;  // x of column 0 in the viewport, scrolled
  int rowAtY(int y) const;
  TextPos posAt(const QPoint& p) const;
  int xOfColumn(const QString& text, int column) const;
  bool onLink(const QPoint& p, int* line) const;

  std::shared_ptr<const ResultIndex> index_;
  std::shared_ptr<const TreeFacts> facts_;
  FoldState folds_;
  mutable QCache<int, Shown> cache_{4000};
  int current_ = 0;
  TextPos anchor_, cursor_;
  QString find_;
  bool findWhole_ = false;
  int rangeFirst_ = -1, rangeLast_ = -1;
  QPoint pressAt_;
  int pressLink_ = -1;
  bool dragging_ = false;
};

}  // namespace zelta::fe
