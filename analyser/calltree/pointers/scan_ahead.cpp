#include "calltree/pointers/scan_ahead.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <utility>

#include "calltree/pointers/fact_scan.h"

namespace zelta {

PointerScanAhead::PointerScanAhead(PointerFacts& facts) : facts_(facts), worker_([this] { work(); }) {}

PointerScanAhead::~PointerScanAhead() {
  {
    std::unique_lock<std::mutex> lock(m_);
    flush_ = true;
    cv_.notify_all();
    cv_.wait(lock, [this] { return queue_.empty() || failed_; });
    stop_ = true;
  }
  cv_.notify_all();
  worker_.join();
}

void PointerScanAhead::wait() {
  std::unique_lock<std::mutex> lock(m_);
  flush_ = true;
  cv_.notify_all();
  cv_.wait(lock, [this] { return queue_.empty() || failed_; });
  flush_ = false;
  if (failed_) std::rethrow_exception(failed_);
}

void PointerScanAhead::give(PointerScanUnit unit, CleanedText text, LineMap map, bool located) {
  auto job = std::make_unique<Job>();
  job->unit = std::move(unit);
  job->text = std::move(text);
  job->map = std::move(map);
  job->located = located;
  std::unique_lock<std::mutex> lock(m_);
  if (failed_) std::rethrow_exception(failed_);
  if (queue_.size() >= kAhead) {
    giver_waits_ = true;
    cv_.notify_all();
    cv_.wait(lock, [this] { return queue_.size() <= kAhead - kBatch || failed_; });
    giver_waits_ = false;
    if (failed_) std::rethrow_exception(failed_);
  }
  queue_.push_back(std::move(job));
  if (worker_waits_ && queue_.size() >= kBatch) cv_.notify_all();
}

void PointerScanAhead::work() {
  // Below the conversion and the extraction, which the run waits for: the
  // scans fill the time a core would stand idle.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
  std::unique_lock<std::mutex> lock(m_);
  for (;;) {
    if (queue_.empty()) {  // once woken, it scans until none is left
      worker_waits_ = true;
      cv_.wait(lock, [this] { return stop_ || queue_.size() >= kBatch || (flush_ && !queue_.empty()); });
      worker_waits_ = false;
    }
    if (stop_ || failed_) return;
    busy_ = true;
    Job& job = *queue_.front();
    lock.unlock();
    std::exception_ptr failed;
    try {
      ScanPointerUnit(facts_, job.unit, job.text.decls, job.text.text, job.located ? &job.map : nullptr);
    } catch (...) {
      failed = std::current_exception();
    }
    std::unique_ptr<Job> done;  // freed outside the lock
    lock.lock();
    done = std::move(queue_.front());
    queue_.pop_front();
    busy_ = false;
    failed_ = failed;
    if ((giver_waits_ && queue_.size() <= kAhead - kBatch) || queue_.empty() || failed_) cv_.notify_all();
    lock.unlock();
    done.reset();
    lock.lock();
  }
}

}  // namespace zelta
