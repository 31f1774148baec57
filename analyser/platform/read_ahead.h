// Reads the next sources' bytes on a thread of its own while the current
// one is analysed, so that the analysis does not wait for the disk. Only
// reading moves ahead: a file is read as it would be when its turn comes
// (no run writes a source before reading it), and anything that is not a
// plain file, or cannot be read, is left to be opened in turn as ever.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/text_file.h"

namespace zelta {

class ReadAhead {
 public:
  // What the caller would otherwise work out for each file in its turn and
  // that depends on nothing the caller does (a free name chosen for it),
  // made on the reading thread for each file in order.
  struct Note {
    bool made = false;
    std::string name;
    unsigned number = 0;
  };
  using MakeNote = std::function<Note()>;

  // `paths`: the sources in the order they will be asked for.
  explicit ReadAhead(std::vector<std::string> paths, MakeNote make_note = {});
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The bytes of `path`, the next source of the list, when it was read as a
  // plain file (waits for the reading to end); false otherwise, and `into`
  // is left as it was.
  // `note`, when given, gets the file's note if one was made (`made`).
  bool take(const std::string& path, TextReader& into, Note* note = nullptr);

 private:
  struct Read {
    TextReader text;
    bool ok = false;
    Note note;
  };
  void work();

  // A few files ahead (and not many bytes), refilled in batches so that the
  // reader is woken now and then rather than for every file.
  static constexpr size_t kAhead = 32, kRefill = 16, kMaxBytes = size_t{32} << 20;
  bool room() const { return ready_.size() < kAhead && bytes_ < kMaxBytes; }
  std::vector<std::string> paths_;
  MakeNote make_note_;
  size_t next_take_ = 0;  // index in paths_ of the next file taken
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<Read> ready_;  // paths_[next_take_ ...], read
  size_t bytes_ = 0;        // held in ready_
  bool stop_ = false;
  std::thread worker_;
};

}  // namespace zelta
