// The conversion pass of a list of sources, run on a thread of its own ahead
// of the extraction, which stays on the calling thread. The
// conversion's state (macros, headers read, the file table, the reader) is
// carried from one source to the next as ever, only by that thread; the
// extraction's records stay the caller's. Whatever a conversion says (its
// console lines, the error log, the error exit that ends it) is kept with
// its text and said by take() when the caller reaches that source, so the
// run looks exactly as if the two passes took turns.
#pragma once
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/console.h"
#include "prepare/line_map.h"
#include "run/run.h"

namespace zelta {

class ConversionAhead {
 public:
  struct Converted {
    CleanedText text;
    LineMap map;
    std::string out, err, log;  // what the conversion wrote to the console and the error log
    std::exception_ptr ended;   // how it ended, when it did not end normally
    std::string temp;           // the temporary name it went under
    unsigned temp_counter = 0;  // the temporary-name counter right after that name was chosen
  };

  struct Settings {
    // Each source under a temporary name of its own, as a run keeps them; a
    // conversion that finds no name is not begun, and the run ends there.
    bool temp_names = true;
    // A source whose conversion ends in an error is left behind and the next
    // one is converted (the reader starts afresh); otherwise nothing more is.
    bool keep_going = false;
    // The bytes of a source held in memory instead of its file (none: null).
    std::function<const std::string*(const std::string&)> bytes_of;
  };

  // `sources`: the sources in the order the caller converts them. The run's
  // conversion state moves to the thread until the object goes.
  ConversionAhead(Run& run, std::vector<std::string> sources, Settings settings);
  ConversionAhead(Run& run, std::vector<std::string> sources) : ConversionAhead(run, std::move(sources), Settings{}) {}
  ~ConversionAhead();
  ConversionAhead(const ConversionAhead&) = delete;
  ConversionAhead& operator=(const ConversionAhead&) = delete;

  // The next source's conversion (waits for it). No temporary name: the
  // conversion did not begin. When it ended in an error, `ended` is set and
  // the caller rethrows it once it has done what an ending conversion leaves.
  Converted& take();
  // Says what the conversion wrote, on the run's console and log.
  void say(const Converted& c);
  // The caller is done with what take() gave.
  void done();

 private:
  void work();
  void give_back();

  // Sources are handed over in batches: each side sleeps until the other
  // has done kBatch of them, so that neither is woken for every source (a
  // thread woken on the waker's core takes it over for a while).
  static constexpr size_t kAhead = 16, kBatch = 8;
  Run& run_;
  std::vector<std::string> sources_;
  Settings settings_;
  // The thread's own streams: what it says is collected per source.
  std::string out_, err_, log_;
  std::FILE* out_file_ = nullptr;
  std::FILE* err_file_ = nullptr;
  std::FILE* log_file_ = nullptr;
  std::unique_ptr<Console> con_;
  std::unique_ptr<Run> ahead_;
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::unique_ptr<Converted>> ready_, spare_;
  std::unique_ptr<Converted> taken_;
  bool stop_ = false, finished_ = false;
  bool taker_waits_ = false, worker_waits_ = false;
  std::thread worker_;
};

}  // namespace zelta
