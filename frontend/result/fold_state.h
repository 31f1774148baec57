// Which lines of the result are folded away, and the rows the view shows:
// the lines no folded ancestor hides, in order. Folding hides lines; the
// text never changes.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "result_index.h"

namespace zelta::fe {

class FoldState {
 public:
  // Everything unfolded.
  void reset(std::shared_ptr<const ResultIndex> index);

  int rowCount() const { return static_cast<int>(rows_.size()); }
  int lineAt(int row) const { return rows_[static_cast<size_t>(row)]; }
  // The row a line is shown in, or -1 when a fold hides it.
  int rowOf(int line) const;
  // The nearest row at or above where the line would be: the line itself,
  // or the folded ancestor that hides it.
  int rowAtOrAbove(int line) const;
  bool isFolded(int line) const {
    return line >= 0 && line < static_cast<int>(folded_.size()) && folded_[static_cast<size_t>(line)];
  }

  void fold(int line);
  void unfold(int line);
  void toggle(int line);
  void unfoldSubtree(int line);  // the line and every fold below it
  void expandAll();
  // Folds every line at depth `depth` or deeper that has children, so that
  // depths 0..depth stay in view; lines above are unfolded.
  void foldFromDepth(int depth);
  // Unfolds the line's ancestors so that it is shown.
  void reveal(int line);

 private:
  // The shown descendants of `line` (below folds it does not open), in order.
  void appendShownBelow(int line, std::vector<int32_t>& out) const;
  void rebuild();

  std::shared_ptr<const ResultIndex> index_;
  std::vector<uint8_t> folded_;
  std::vector<int32_t> rows_;
};

}  // namespace zelta::fe
