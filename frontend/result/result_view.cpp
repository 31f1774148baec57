#include "result_view.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "tree_search.h"

namespace zelta::fe {
namespace {

constexpr int kMargin = 4;  // between the gutter and the text
// A line is drawn up to this many bytes. The analyser's lines stay far
// below (a thousand levels deep is 3,000 bytes of ruling), but a damaged
// file may hold hundreds of megabytes in one line; measuring that for
// every paint would stall the window. Copy and save still take all of it.
constexpr size_t kMaxDrawnBytes = 64 * 1024;

const QColor kCurrentLine(232, 240, 254);
const QColor kRange(255, 243, 191);
const QColor kHit(255, 236, 110);
const QColor kCurrentHit(255, 170, 60);
const QColor kLink(0, 70, 200);
const QColor kMarker(120, 120, 120);

}  // namespace

ResultView::ResultView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  verticalScrollBar()->setSingleStep(1);
  setResult(nullptr);
}

// ---- content ----

void ResultView::setPlainText(const QString& text) { setResult(ResultIndex::fromText(text)); }

QString ResultView::toPlainText() const { return index_ ? index_->toPlainText() : QString(); }

void ResultView::clear() { setResult(nullptr); }

void ResultView::setResult(std::shared_ptr<const ResultIndex> index) {
  index_ = std::move(index);
  facts_.reset();
  folds_.reset(index_);
  cache_.clear();
  current_ = 0;
  anchor_ = cursor_ = TextPos();
  rangeFirst_ = rangeLast_ = -1;
  pressLink_ = -1;
  dragging_ = false;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  relayout();
  viewport()->update();
  emit currentLineChanged(current_);
}

void ResultView::setFacts(std::shared_ptr<const TreeFacts> facts) {
  facts_ = std::move(facts);
  cache_.clear();  // LOOP links may now follow the file
  viewport()->update();
  emit currentLineChanged(current_);
}

const ResultView::Shown& ResultView::shown(int line) const {
  if (Shown* s = cache_.object(line)) return *s;
  auto* s = new Shown;
  const std::string_view bytes = index_->lineBytes(line);
  const bool cut = bytes.size() > kMaxDrawnBytes;
  s->text = cut ? index_->decode(bytes.substr(0, kMaxDrawnBytes)) + QStringLiteral("…") : index_->lineText(line);
  const int off = std::min(index_->textOffset(line), static_cast<int>(std::min(bytes.size(), kMaxDrawnBytes)));
  s->textColumn = index_->columnOfByte(line, off);
  if (!cut) s->link = linkOf(*index_, facts_.get(), line);
  if (s->link.kind != LinkKind::None) {
    s->linkFrom = index_->columnOfByte(line, s->link.markFrom);
    s->linkTo = index_->columnOfByte(line, s->link.markTo);
  }
  if (index_->isTree()) {
    const LineParts p = index_->parts(line);
    s->nameFrom = s->textColumn;
    s->nameTo = p.loop || cut ? s->textColumn : index_->columnOfByte(line, off + static_cast<int>(p.name.size()));
  }
  cache_.insert(line, s);
  return *s;
}

// ---- selection ----

QString ResultView::selectedText() const {
  if (!index_ || !hasSelection()) return QString();
  return index_->text(std::min(anchor_, cursor_), std::max(anchor_, cursor_));
}

void ResultView::setSelection(TextPos anchor, TextPos cursor) {
  anchor_ = anchor;
  cursor_ = cursor;
  viewport()->update();
}

void ResultView::selectAll() {
  if (isEmpty()) return;
  const int last = index_->lineCount() - 1;
  setSelection(TextPos{0, 0}, TextPos{last, static_cast<int>(index_->lineText(last).size())});
}

void ResultView::copy() const {
  if (hasSelection()) QApplication::clipboard()->setText(selectedText());
}

// ---- folding and the current line ----

void ResultView::setCurrentLine(int line) {
  if (isEmpty() || line < 0 || line >= index_->lineCount()) return;
  const bool hidden = folds_.rowOf(line) < 0;
  if (hidden) {
    folds_.reveal(line);
    relayout();
    emit foldsChanged();
  }
  const int row = folds_.rowOf(line);
  const int page = std::max(viewport()->height() / lineHeight(), 1);
  const int top = verticalScrollBar()->value();
  const bool outOfSight = hidden || row < top || row >= top + page;
  moveCurrent(line, false);
  followLine(line, outOfSight);
}

void ResultView::moveCurrent(int line, bool select) {
  const int old = current_;
  current_ = line;
  if (select) {
    cursor_ = TextPos{line, 0};
  } else {
    anchor_ = cursor_ = TextPos{line, 0};
  }
  ensureVisible(line, false);
  viewport()->update();
  if (old != line) emit currentLineChanged(line);
}

void ResultView::toggleFold(int line) {
  if (isEmpty() || !index_->hasChildren(line)) return;
  folds_.toggle(line);
  afterFoldChange();
}

void ResultView::unfoldSubtree(int line) {
  if (isEmpty() || !index_->hasChildren(line)) return;
  folds_.unfoldSubtree(line);
  afterFoldChange();
}

void ResultView::expandAll() {
  if (isEmpty()) return;
  folds_.expandAll();
  afterFoldChange();
}

void ResultView::foldFromDepth(int depth) {
  if (isEmpty() || !index_->isTree()) return;
  folds_.foldFromDepth(depth);
  afterFoldChange();
}

// The current line stays where it is, or moves up to the fold that now
// hides it; the view keeps it in sight.
void ResultView::afterFoldChange() {
  relayout();
  if (folds_.rowOf(current_) < 0) {
    const int line = folds_.lineAt(folds_.rowAtOrAbove(current_));
    moveCurrent(line, false);
  }
  ensureVisible(current_, false);
  viewport()->update();
  emit foldsChanged();
}

// ---- marks ----

void ResultView::setFindPattern(const QString& text, bool wholeNames) {
  find_ = text;
  findWhole_ = wholeNames;
  viewport()->update();
}

void ResultView::setRangeHighlight(int first, int last) {
  rangeFirst_ = first;
  rangeLast_ = first < 0 ? -1 : last;
  viewport()->update();
}

LineLink ResultView::linkAt(int line) const {
  if (isEmpty() || line < 0 || line >= index_->lineCount()) return {};
  return shown(line).link;
}

// ---- geometry ----

int ResultView::lineHeight() const { return std::max(fontMetrics().height(), 1); }

int ResultView::gutterWidth() const { return index_ && index_->isTree() ? lineHeight() : 0; }

int ResultView::textLeft() const { return gutterWidth() + kMargin - horizontalScrollBar()->value(); }

int ResultView::rowAtY(int y) const { return verticalScrollBar()->value() + (y < 0 ? -1 : y / lineHeight()); }

int ResultView::xOfColumn(const QString& text, int column) const {
  return fontMetrics().horizontalAdvance(text.left(column));
}

TextPos ResultView::posAt(const QPoint& p) const {
  if (isEmpty()) return {};
  const int row = std::clamp(rowAtY(p.y()), 0, folds_.rowCount() - 1);
  const int line = folds_.lineAt(row);
  const QString& t = shown(line).text;
  // The line numbers' column does not scroll.
  const bool onNumbers = horizontalScrollBar()->value() > 0 && p.x() < gutterWidth() + kMargin + numbersWidth(t);
  const int x = onNumbers ? p.x() - gutterWidth() - kMargin : p.x() - textLeft();
  // The first column whose middle lies right of x.
  int lo = 0, hi = static_cast<int>(t.size());
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    const int a = xOfColumn(t, mid), b = xOfColumn(t, mid + 1);
    if ((a + b) / 2 < x)
      lo = mid + 1;
    else
      hi = mid;
  }
  return TextPos{line, lo};
}

QPoint ResultView::foldMarkerPoint(int line) const {
  const int row = folds_.rowOf(line);
  const int top = row - verticalScrollBar()->value();
  if (row < 0 || top < 0 || !index_->hasChildren(line)) return {};
  return QPoint(gutterWidth() / 2, top * lineHeight() + lineHeight() / 2);
}

QPoint ResultView::linkPoint(int line) const {
  const int row = folds_.rowOf(line);
  const int top = row - verticalScrollBar()->value();
  if (row < 0 || top < 0) return {};
  const Shown& s = shown(line);
  if (s.link.kind == LinkKind::None) return {};
  const int x = textLeft() + (xOfColumn(s.text, s.linkFrom) + xOfColumn(s.text, s.linkTo)) / 2;
  return QPoint(x, top * lineHeight() + lineHeight() / 2);
}

QPoint ResultView::namePoint(int line) const {
  const int row = folds_.rowOf(line);
  const int top = row - verticalScrollBar()->value();
  if (row < 0 || top < 0) return {};
  const Shown& s = shown(line);
  const int x = textLeft() + (xOfColumn(s.text, s.nameFrom) + xOfColumn(s.text, s.nameTo)) / 2;
  return QPoint(x, top * lineHeight() + lineHeight() / 2);
}

bool ResultView::onLink(const QPoint& p, int* line) const {
  if (isEmpty() || p.x() < gutterWidth()) return false;
  const int row = rowAtY(p.y());
  if (row < 0 || row >= folds_.rowCount()) return false;
  const int l = folds_.lineAt(row);
  const Shown& s = shown(l);
  if (s.link.kind == LinkKind::None) return false;
  if (horizontalScrollBar()->value() > 0 && p.x() < gutterWidth() + kMargin + numbersWidth(s.text)) return false;
  const int x = p.x() - textLeft();
  if (x < xOfColumn(s.text, s.linkFrom) || x >= xOfColumn(s.text, s.linkTo)) return false;
  *line = l;
  return true;
}

void ResultView::relayout() {
  const int rows = folds_.rowCount();
  const int page = std::max(viewport()->height() / lineHeight(), 1);
  verticalScrollBar()->setPageStep(page);
  verticalScrollBar()->setRange(0, std::max(rows - page, 0));
  const int cell = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  const qint64 widest = index_ ? std::min<qint64>(index_->widestLine(), kMaxDrawnBytes) + 8 : 0;
  const int width = static_cast<int>(gutterWidth() + kMargin + widest * cell);
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(cell * 2);
  horizontalScrollBar()->setRange(0, std::max(width - viewport()->width(), 0));
}

void ResultView::ensureVisible(int line, bool center) {
  const int row = folds_.rowOf(line);
  if (row < 0) return;
  QScrollBar* v = verticalScrollBar();
  const int page = std::max(viewport()->height() / lineHeight(), 1);
  if (center && (row < v->value() || row >= v->value() + page))
    v->setValue(row - page / 2);
  else if (row < v->value())
    v->setValue(row);
  else if (row >= v->value() + page)
    v->setValue(row - page + 1);
}

// A jump's target: a few rows from either edge, and the name in sight with
// some of the ruling before it, unless the whole line already fits.
void ResultView::followLine(int line, bool center) {
  const int row = folds_.rowOf(line);
  if (row < 0) return;
  QScrollBar* v = verticalScrollBar();
  const int page = std::max(viewport()->height() / lineHeight(), 1);
  const int margin = std::min(2, (page - 1) / 2);
  if (center)
    v->setValue(row - page / 2);
  else if (row < v->value() + margin)
    v->setValue(row - margin);
  else if (row > v->value() + page - 1 - margin)
    v->setValue(row - page + 1 + margin);

  const Shown& s = shown(line);
  if (s.nameTo <= s.nameFrom && s.linkTo <= s.linkFrom) return;
  QScrollBar* h = horizontalScrollBar();
  const int from = s.nameTo > s.nameFrom ? s.nameFrom : s.linkFrom;
  const int to = s.nameTo > s.nameFrom ? s.nameTo : s.linkTo;
  const int fixed = numbersWidth(s.text);
  const int room = viewport()->width() - gutterWidth() - kMargin - fixed;
  const int x0 = xOfColumn(s.text, from) - fixed, x1 = xOfColumn(s.text, to) - fixed;
  const int cell = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  if (x0 >= h->value() && x1 <= h->value() + room) return;
  // A third of the room for the ruling before the name, never so much that
  // the name's end leaves the viewport.
  int want = x0 - room / 3;
  if (x1 - want > room - cell) want = x1 - room + cell;
  if (want > x0 - cell) want = x0 - cell;
  h->setValue(std::max(want, 0));
}

int ResultView::numbersWidth(const QString& text) const {
  if (!index_) return 0;
  return xOfColumn(text, std::min(index_->numberColumns(), static_cast<int>(text.size())));
}

// ---- painting ----

void ResultView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  if (isEmpty()) return;
  const QFontMetrics fm = fontMetrics();
  const int lh = lineHeight();
  const int first = verticalScrollBar()->value();
  const int last = std::min(first + viewport()->height() / lh + 1, folds_.rowCount() - 1);
  const int gutter = gutterWidth();
  const int left = textLeft();
  const bool scrolled = horizontalScrollBar()->value() > 0;
  const int width = viewport()->width();
  const TextPos selFrom = std::min(anchor_, cursor_), selTo = std::max(anchor_, cursor_);
  const QPalette& pal = palette();
  const QColor selection = pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);

  for (int row = first; row <= last; ++row) {
    const int line = folds_.lineAt(row);
    const int y = (row - first) * lh;
    const Shown& s = shown(line);
    const QRect band(gutter, y, width - gutter, lh);
    p.setClipRect(band);
    if (rangeFirst_ >= 0 && line >= rangeFirst_ && line <= rangeLast_) p.fillRect(band, kRange);
    if (line == current_) p.fillRect(band, kCurrentLine);

    auto fillColumns = [&](int a, int b, const QColor& c, int extra = 0) {
      const int x0 = left + xOfColumn(s.text, a);
      const int x1 = left + xOfColumn(s.text, b) + extra;
      p.fillRect(QRect(x0, y, x1 - x0, lh), c);
    };
    if (!find_.isEmpty())
      for (const auto& [a, b] : TreeSearch::spans(s.text, s.textColumn, find_, findWhole_))
        fillColumns(a, b, line == current_ ? kCurrentHit : kHit);
    if (hasSelection() && line >= selFrom.line && line <= selTo.line) {
      const int a = line == selFrom.line ? std::min(selFrom.column, static_cast<int>(s.text.size())) : 0;
      const int b = line == selTo.line ? std::min(selTo.column, static_cast<int>(s.text.size()))
                                       : static_cast<int>(s.text.size());
      fillColumns(a, b, selection, line < selTo.line ? fm.horizontalAdvance(QLatin1Char(' ')) : 0);
    }

    const int base = y + fm.ascent();
    // Scrolled sideways, the text passes under the line numbers, which are
    // drawn last in their own column.
    const int numbers = scrolled ? numbersWidth(s.text) : 0;
    if (numbers > 0) p.setClipRect(QRect(gutter + kMargin + numbers, y, width - gutter - kMargin - numbers, lh));
    p.setPen(pal.color(QPalette::Text));
    if (s.link.kind == LinkKind::None) {
      p.drawText(left, base, s.text);
    } else {
      p.drawText(left, base, s.text.left(s.linkFrom));
      QFont underlined = font();
      underlined.setUnderline(true);
      p.setFont(underlined);
      p.setPen(kLink);
      p.drawText(left + xOfColumn(s.text, s.linkFrom), base, s.text.mid(s.linkFrom, s.linkTo - s.linkFrom));
      p.setFont(font());
      p.setPen(pal.color(QPalette::Text));
      p.drawText(left + xOfColumn(s.text, s.linkTo), base, s.text.mid(s.linkTo));
    }
    if (folds_.isFolded(line)) {
      p.setPen(kMarker);
      const int hidden = index_->lastDescendant(line) - line;
      p.drawText(left + xOfColumn(s.text, static_cast<int>(s.text.size())) + fm.horizontalAdvance(QLatin1Char(' ')),
                 base, QStringLiteral("… %1行").arg(hidden));
    }
    if (numbers > 0) {
      const QRect column(gutter, y, kMargin + numbers, lh);
      p.setClipRect(column);
      p.fillRect(column, line == current_                                              ? kCurrentLine
                         : rangeFirst_ >= 0 && line >= rangeFirst_ && line <= rangeLast_ ? kRange
                                                                                         : pal.color(QPalette::Base));
      p.setPen(pal.color(QPalette::Text));
      p.drawText(gutter + kMargin, base, s.text.left(index_->numberColumns()));
    }

    // The fold marker: a triangle pointing right when folded, down when open.
    if (gutter > 0 && index_->hasChildren(line)) {
      p.setClipping(false);
      p.setRenderHint(QPainter::Antialiasing, true);
      p.setPen(Qt::NoPen);
      p.setBrush(kMarker);
      const QPointF c(gutter / 2.0, y + lh / 2.0);
      const double r = lh / 4.0;
      QPolygonF tri;
      if (folds_.isFolded(line))
        tri << QPointF(c.x() - r * 0.6, c.y() - r) << QPointF(c.x() + r * 0.8, c.y())
            << QPointF(c.x() - r * 0.6, c.y() + r);
      else
        tri << QPointF(c.x() - r, c.y() - r * 0.6) << QPointF(c.x() + r, c.y() - r * 0.6)
            << QPointF(c.x(), c.y() + r * 0.8);
      p.drawPolygon(tri);
      p.setRenderHint(QPainter::Antialiasing, false);
      p.setBrush(Qt::NoBrush);
    }
  }
}

void ResultView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  relayout();
}

void ResultView::changeEvent(QEvent* e) {
  QAbstractScrollArea::changeEvent(e);
  if (e->type() == QEvent::FontChange) {
    relayout();
    viewport()->update();
  }
}

void ResultView::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  viewport()->update();
}

void ResultView::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  viewport()->update();
}

// ---- keys ----

void ResultView::keyPressEvent(QKeyEvent* e) {
  if (e == QKeySequence::Copy) {
    copy();
    return;
  }
  if (e == QKeySequence::SelectAll) {
    selectAll();
    return;
  }
  if (isEmpty()) {
    QAbstractScrollArea::keyPressEvent(e);
    return;
  }
  const bool shift = e->modifiers() & Qt::ShiftModifier;
  const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  const int row = std::max(folds_.rowOf(current_), 0);
  const int page = std::max(viewport()->height() / lineHeight() - 1, 1);
  auto toRow = [&](int r) {
    if (!shift && hasSelection()) anchor_ = cursor_;
    if (shift && !hasSelection()) anchor_ = TextPos{current_, 0};
    moveCurrent(folds_.lineAt(std::clamp(r, 0, folds_.rowCount() - 1)), shift);
  };
  if (mods == Qt::NoModifier || mods == Qt::ControlModifier) {
    switch (e->key()) {
      case Qt::Key_Up: toRow(row - 1); return;
      case Qt::Key_Down: toRow(row + 1); return;
      case Qt::Key_PageUp: toRow(row - page); return;
      case Qt::Key_PageDown: toRow(row + page); return;
      case Qt::Key_Home: toRow(0); return;
      case Qt::Key_End: toRow(folds_.rowCount() - 1); return;
      default: break;
    }
  }
  if (mods == Qt::NoModifier) {
    switch (e->key()) {
      case Qt::Key_Left:
        // Fold an open line; on a folded line or a leaf, go to the parent.
        if (index_->hasChildren(current_) && !folds_.isFolded(current_))
          toggleFold(current_);
        else if (index_->parent(current_) >= 0)
          moveCurrent(index_->parent(current_), false);
        return;
      case Qt::Key_Right:
        if (folds_.isFolded(current_))
          toggleFold(current_);
        else if (index_->hasChildren(current_))
          moveCurrent(current_ + 1, false);
        return;
      case Qt::Key_Asterisk: unfoldSubtree(current_); return;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (linkAt(current_).kind != LinkKind::None) emit linkActivated(current_);
        return;
      case Qt::Key_Escape:
        if (rangeFirst_ >= 0 || hasSelection()) {
          setRangeHighlight(-1, -1);
          anchor_ = cursor_;
          viewport()->update();
          return;
        }
        break;
      default: break;
    }
  }
  e->ignore();
}

// ---- mouse ----

void ResultView::mousePressEvent(QMouseEvent* e) {
  if (isEmpty() || e->button() != Qt::LeftButton) return;
  const QPoint at = e->position().toPoint();
  const int row = rowAtY(at.y());
  if (row < 0 || row >= folds_.rowCount()) return;
  const int line = folds_.lineAt(row);
  if (at.x() < gutterWidth()) {
    if (index_->hasChildren(line)) toggleFold(line);
    return;
  }
  pressAt_ = at;
  int l = -1;
  pressLink_ = onLink(at, &l) ? l : -1;
  const TextPos pos = posAt(at);
  const bool extend = e->modifiers() & Qt::ShiftModifier;
  if (!extend) anchor_ = pos;
  cursor_ = pos;
  dragging_ = true;
  const int old = current_;
  current_ = pos.line;
  viewport()->update();
  if (old != current_) emit currentLineChanged(current_);
}

void ResultView::mouseMoveEvent(QMouseEvent* e) {
  if (isEmpty()) return;
  const QPoint at = e->position().toPoint();
  if (!dragging_) {
    int l = -1;
    viewport()->setCursor(onLink(at, &l) ? Qt::PointingHandCursor
                                         : (at.x() < gutterWidth() ? Qt::ArrowCursor : Qt::IBeamCursor));
    return;
  }
  if ((at - pressAt_).manhattanLength() >= QApplication::startDragDistance()) pressLink_ = -1;
  // Dragging past an edge scrolls a line at a time.
  if (at.y() < 0) verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
  if (at.y() > viewport()->height()) verticalScrollBar()->setValue(verticalScrollBar()->value() + 1);
  cursor_ = posAt(at);
  const int old = current_;
  current_ = cursor_.line;
  viewport()->update();
  if (old != current_) emit currentLineChanged(current_);
}

void ResultView::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  dragging_ = false;
  const int link = pressLink_;
  pressLink_ = -1;
  if (link >= 0) {
    anchor_ = cursor_;  // a click on a link selects nothing
    emit linkActivated(link);
  }
}

void ResultView::mouseDoubleClickEvent(QMouseEvent* e) {
  if (isEmpty() || e->button() != Qt::LeftButton) return;
  const QPoint at = e->position().toPoint();
  if (at.x() < gutterWidth()) {
    mousePressEvent(e);
    return;
  }
  const TextPos pos = posAt(at);
  const Shown& s = shown(pos.line);
  if (pos.column >= s.nameFrom && pos.column <= s.nameTo && s.nameTo > s.nameFrom) {
    setSelection(TextPos{pos.line, s.nameFrom}, TextPos{pos.line, s.nameTo});
    dragging_ = false;
    emit nameActivated(pos.line);
  }
}

}  // namespace zelta::fe
