#include "fold_state.h"

#include <algorithm>
#include <numeric>

namespace zelta::fe {

// The rows are a sorted list of line numbers. A fold or an unfold touches
// one contiguous stretch of it (the sub-tree's shown lines), so each is one
// erase or one insert: linear at worst in the rows, with no per-line work
// outside the sub-tree. Folded sub-trees inside are skipped whole by their
// last-descendant index.

void FoldState::reset(std::shared_ptr<const ResultIndex> index) {
  index_ = std::move(index);
  const int n = index_ ? index_->lineCount() : 0;
  folded_.assign(static_cast<size_t>(n), 0);
  rows_.resize(static_cast<size_t>(n));
  std::iota(rows_.begin(), rows_.end(), 0);
}

int FoldState::rowOf(int line) const {
  const auto it = std::lower_bound(rows_.begin(), rows_.end(), line);
  return it != rows_.end() && *it == line ? static_cast<int>(it - rows_.begin()) : -1;
}

int FoldState::rowAtOrAbove(int line) const {
  const auto it = std::upper_bound(rows_.begin(), rows_.end(), line);
  return it == rows_.begin() ? 0 : static_cast<int>(it - rows_.begin()) - 1;
}

void FoldState::appendShownBelow(int line, std::vector<int32_t>& out) const {
  const int end = index_->lastDescendant(line);
  for (int j = line + 1; j <= end;) {
    out.push_back(j);
    j = folded_[static_cast<size_t>(j)] ? index_->lastDescendant(j) + 1 : j + 1;
  }
}

void FoldState::fold(int line) {
  if (!index_ || !index_->hasChildren(line) || folded_[static_cast<size_t>(line)]) return;
  folded_[static_cast<size_t>(line)] = 1;
  const int row = rowOf(line);
  if (row < 0) return;
  const auto from = rows_.begin() + row + 1;
  const auto to = std::upper_bound(from, rows_.end(), index_->lastDescendant(line));
  rows_.erase(from, to);
}

void FoldState::unfold(int line) {
  if (!index_ || !folded_[static_cast<size_t>(line)]) return;
  folded_[static_cast<size_t>(line)] = 0;
  const int row = rowOf(line);
  if (row < 0) return;
  std::vector<int32_t> shown;
  appendShownBelow(line, shown);
  rows_.insert(rows_.begin() + row + 1, shown.begin(), shown.end());
}

void FoldState::toggle(int line) {
  if (isFolded(line))
    unfold(line);
  else
    fold(line);
}

void FoldState::unfoldSubtree(int line) {
  if (!index_) return;
  const int end = index_->lastDescendant(line);
  std::fill(folded_.begin() + line, folded_.begin() + end + 1, 0);
  const int row = rowOf(line);
  if (row < 0) return;
  const auto from = rows_.begin() + row + 1;
  const auto to = std::upper_bound(from, rows_.end(), end);
  const auto at = rows_.erase(from, to);
  std::vector<int32_t> all(static_cast<size_t>(end - line));
  std::iota(all.begin(), all.end(), line + 1);
  rows_.insert(at, all.begin(), all.end());
}

void FoldState::expandAll() {
  std::fill(folded_.begin(), folded_.end(), 0);
  rows_.resize(folded_.size());
  std::iota(rows_.begin(), rows_.end(), 0);
}

void FoldState::foldFromDepth(int depth) {
  if (!index_) return;
  const int n = index_->lineCount();
  for (int i = 0; i < n; ++i) folded_[static_cast<size_t>(i)] = index_->depth(i) >= depth && index_->hasChildren(i);
  rebuild();
}

void FoldState::rebuild() {
  rows_.clear();
  const int n = index_ ? index_->lineCount() : 0;
  for (int j = 0; j < n;) {
    rows_.push_back(j);
    j = folded_[static_cast<size_t>(j)] ? index_->lastDescendant(j) + 1 : j + 1;
  }
}

void FoldState::reveal(int line) {
  if (!index_ || line < 0 || line >= index_->lineCount()) return;
  // The topmost folded ancestor hides the line; opening every folded
  // ancestor at once costs one insert below it.
  int top = -1;
  for (int a = index_->parent(line); a >= 0; a = index_->parent(a))
    if (folded_[static_cast<size_t>(a)]) top = a;
  if (top < 0) return;
  for (int a = index_->parent(line); a >= 0; a = index_->parent(a)) folded_[static_cast<size_t>(a)] = 0;
  const int row = rowOf(top);
  if (row < 0) return;
  std::vector<int32_t> shown;
  appendShownBelow(top, shown);
  rows_.insert(rows_.begin() + row + 1, shown.begin(), shown.end());
}

}  // namespace zelta::fe
