// Sources of a -c run preprocessed side by side: each depends on nothing of
// the others, so worker threads take them in input order while the run's
// own thread converts and extracts them, in that same order. Everything a
// source's preprocessing leaves for the run (file numbers, notes) is taken
// over by the run's thread, so the outputs are those of one thread.
#pragma once
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "prepare/configured/source_preprocessor.h"

namespace zelta::configured {

struct Prefetch {
  Prefetch(ConfiguredRun& cr, std::vector<std::string> sources);
  ~Prefetch();
  Prefetch(const Prefetch&) = delete;
  Prefetch& operator=(const Prefetch&) = delete;

  // The next source's result, when it is `source`; false otherwise (the
  // caller then preprocesses it itself).
  bool take(const std::string& source, Preprocessed& out);

 private:
  void work();

  ConfiguredRun& cr_;
  std::vector<std::string> sources_;
  std::mutex mu_;
  std::condition_variable cv_;
  size_t claimed_ = 0;   // the next source a worker takes
  size_t consumed_ = 0;  // the next source the run takes
  bool stop_ = false;
  struct Slot {
    Preprocessed result;
    bool failed = false;
  };
  std::map<size_t, Slot> done_;
  std::vector<std::thread> workers_;
};

// Starts preprocessing `sources` (the run's sources, in the order they will
// be converted) ahead; only under -c.
void prefetch_sources(ConfiguredRun& cr, std::vector<std::string> sources);

}  // namespace zelta::configured
