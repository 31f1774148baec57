#include "prepare/configured/prefetch.h"

#include "platform/text_file.h"

namespace zelta::configured {

namespace {

// Results waiting to be taken are whole preprocessed texts: a few ahead
// keep both cores busy without holding a large code base in memory.
constexpr size_t kAhead = 4;

}  // namespace

Prefetch::Prefetch(ConfiguredRun& cr, std::vector<std::string> sources) : cr_(cr), sources_(std::move(sources)) {
  const unsigned cores = std::thread::hardware_concurrency();
  const unsigned n = cores < 2 ? 1 : cores > 4 ? 4 : cores;
  for (unsigned i = 0; i < n && i < sources_.size(); ++i) workers_.emplace_back([this] { work(); });
}

Prefetch::~Prefetch() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
  }
  cv_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void Prefetch::work() {
  for (;;) {
    size_t k;
    {
      std::unique_lock<std::mutex> lock(mu_);
      cv_.wait(lock, [this] { return stop_ || (claimed_ < sources_.size() && claimed_ < consumed_ + kAhead); });
      if (stop_) return;
      k = claimed_++;
    }
    Slot slot;
    try {
      TextReader in;
      if (in.open(sources_[k])) {
        const SourceConfig cfg = cr_.config_for(sources_[k]);
        preprocess_source(cr_, sources_[k], in.data(), cfg, slot.result);
      }
    } catch (...) {
      // Out of memory, say: the run's own thread tries this source again,
      // where a failure ends the run as any other would.
      slot.failed = true;
      slot.result = Preprocessed{};
    }
    {
      std::lock_guard<std::mutex> lock(mu_);
      done_.emplace(k, std::move(slot));
    }
    cv_.notify_all();
  }
}

bool Prefetch::take(const std::string& source, Preprocessed& out) {
  std::unique_lock<std::mutex> lock(mu_);
  if (consumed_ >= sources_.size() || sources_[consumed_] != source) return false;
  const size_t k = consumed_;
  cv_.wait(lock, [this, k] { return done_.count(k) != 0; });
  Slot slot = std::move(done_.at(k));
  done_.erase(k);
  ++consumed_;
  lock.unlock();
  cv_.notify_all();
  if (slot.failed) return false;
  out = std::move(slot.result);
  return true;
}

void prefetch_sources(ConfiguredRun& cr, std::vector<std::string> sources) {
  cr.ahead = std::make_unique<Prefetch>(cr, std::move(sources));
}

}  // namespace zelta::configured
