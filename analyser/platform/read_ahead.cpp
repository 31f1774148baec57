#include "platform/read_ahead.h"

namespace zelta {

ReadAhead::ReadAhead(std::vector<std::string> paths, MakeNote make_note)
    : paths_(std::move(paths)), make_note_(std::move(make_note)) {
  if (paths_.size() > 1) worker_ = std::thread([this] { work(); });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> lock(m_);
    stop_ = true;
  }
  cv_.notify_all();
  if (worker_.joinable()) worker_.join();
}

bool ReadAhead::take(const std::string& path, TextReader& into, Note* note) {
  std::unique_lock<std::mutex> lock(m_);
  if (next_take_ >= paths_.size() || paths_[next_take_] != path || !worker_.joinable()) return false;
  cv_.wait(lock, [this] { return !ready_.empty(); });
  Read r = std::move(ready_.front());
  ready_.pop_front();
  bytes_ -= r.text.data().size();
  ++next_take_;
  if (ready_.size() <= kAhead - kRefill && bytes_ < kMaxBytes) cv_.notify_all();
  lock.unlock();
  if (note) *note = std::move(r.note);
  if (!r.ok) return false;
  into.take_from(r.text);
  return true;
}

void ReadAhead::work() {
  size_t next_read = 0;
  std::unique_lock<std::mutex> lock(m_);
  while (next_read < paths_.size()) {
    cv_.wait(lock, [this] { return stop_ || (ready_.size() <= kAhead - kRefill && bytes_ < kMaxBytes); });
    if (stop_) return;
    while (next_read < paths_.size() && room() && !stop_) {
      const std::string& path = paths_[next_read++];
      lock.unlock();
      // Only a plain file is read ahead: opening a FIFO could block, and
      // reading one (or a device) would take bytes that are then missing
      // when its turn comes.
      Read r;
      if (make_note_) {
        r.note = make_note_();
        r.note.made = true;
      }
      r.ok = r.text.open(path);
      lock.lock();
      bytes_ += r.text.data().size();
      ready_.push_back(std::move(r));
      cv_.notify_all();
    }
  }
}

}  // namespace zelta
