#include "link_history.h"

namespace zelta::fe {

// Far more than anyone walks back through; keeps the list bounded.
constexpr size_t kMaxPlaces = 1000;

void LinkHistory::visit(int from, int to) {
  if (places_.empty()) {
    places_.push_back(from);
    pos_ = 0;
  }
  places_[pos_] = from;
  places_.resize(pos_ + 1);
  places_.push_back(to);
  if (places_.size() > kMaxPlaces) places_.erase(places_.begin());
  pos_ = places_.size() - 1;
}

int LinkHistory::back(int current) {
  if (!canBack()) return current;
  places_[pos_] = current;
  return places_[--pos_];
}

int LinkHistory::forward(int current) {
  if (!canForward()) return current;
  places_[pos_] = current;
  return places_[++pos_];
}

void LinkHistory::clear() {
  places_.clear();
  pos_ = 0;
}

}  // namespace zelta::fe
