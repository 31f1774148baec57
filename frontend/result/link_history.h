// The places visited by following links, for going back and forth
// (Alt+Left, Alt+Right), as a browser keeps them.
#pragma once
#include <cstddef>
#include <vector>

namespace zelta::fe {

class LinkHistory {
 public:
  // A jump from line `from` to line `to`: later places are forgotten.
  void visit(int from, int to);
  bool canBack() const { return pos_ > 0; }
  bool canForward() const { return pos_ + 1 < places_.size(); }
  // The place to go to; `current` is remembered in place of the one left,
  // since the user may have moved on from where the jump landed.
  int back(int current);
  int forward(int current);
  void clear();

 private:
  std::vector<int> places_;
  size_t pos_ = 0;
};

}  // namespace zelta::fe
