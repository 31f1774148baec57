// -p over a list: each source's pointer scan on a thread of its own while
// the extraction goes on with the next source. The scans still run one at a
// time in source order, so the facts come out as if the two took turns.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "prepare/line_map.h"
#include "run/pointer_state.h"
#include "run/reader_state.h"

namespace zelta {

class PointerScanAhead {
 public:
  explicit PointerScanAhead(PointerFacts& facts);
  // Waits for the scan in hand: an error exit leaves the facts of every
  // source before the failing one, as ever.
  ~PointerScanAhead();
  PointerScanAhead(const PointerScanAhead&) = delete;
  PointerScanAhead& operator=(const PointerScanAhead&) = delete;

  // Scans `unit` with its texts, which it keeps until then, after the
  // units given before it.
  void give(PointerScanUnit unit, CleanedText text, LineMap map, bool located);
  // Until every scan given is done (rethrows what one threw).
  void wait();

 private:
  struct Job {
    PointerScanUnit unit;
    CleanedText text;
    LineMap map;
    bool located = false;
  };
  void work();

  // Handed over in batches, as the conversion's texts are: each side sleeps
  // until the other has done kBatch of them, so that neither is woken for
  // every source.
  static constexpr size_t kAhead = 128, kBatch = 8;
  PointerFacts& facts_;
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::unique_ptr<Job>> queue_;  // the front one is being scanned while busy_
  bool busy_ = false, stop_ = false, flush_ = false;
  bool giver_waits_ = false, worker_waits_ = false;
  std::exception_ptr failed_;
  std::thread worker_;
};

}  // namespace zelta
