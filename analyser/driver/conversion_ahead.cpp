#include "driver/conversion_ahead.h"

#include <sys/types.h>

#include <stdexcept>

#include "platform/read_ahead.h"
#include "platform/system.h"
#include "prepare/conversion.h"

namespace zelta {

namespace {

// A stream whose bytes are appended to a string.
std::FILE* string_stream(std::string& into) {
  cookie_io_functions_t io{};
  io.write = [](void* cookie, const char* buf, size_t size) -> ssize_t {
    static_cast<std::string*>(cookie)->append(buf, size);
    return static_cast<ssize_t>(size);
  };
  return ::fopencookie(&into, "w", io);
}

// After a conversion that ended midway: the reader as before any source.
void restart_reader(ReaderState& rd) {
  rd.pushback.clear();
  rd.bracedepth = 0;
  rd.bodyclosed = 0;
  rd.flgcomment = 0;
  rd.flgdubble = 0;
  rd.quiet = 0;
  rd.instack.clear();
  rd.intop = -1;
}

}  // namespace

ConversionAhead::ConversionAhead(Run& run, std::vector<std::string> sources, Settings settings)
    : run_(run), sources_(std::move(sources)), settings_(std::move(settings)) {
  out_file_ = string_stream(out_);
  err_file_ = string_stream(err_);
  log_file_ = string_stream(log_);
  con_ = std::make_unique<Console>(out_file_, err_file_);
  ahead_ = std::make_unique<Run>(*con_);
  Run& w = *ahead_;
  w.opt = run.opt;
  w.cfg = run.cfg;
  w.start = run.start;
  w.temps = run.temps;
  w.pp = std::move(run.pp);
  w.sources = std::move(run.sources);
  w.rd = std::move(run.rd);
  run.rd = ReaderState{};
  run.rd.pushback = w.rd.pushback;
  run.rd.bracedepth = w.rd.bracedepth;
  run.rd.bodyclosed = w.rd.bodyclosed;
  // The log is written as the run's own is, and said there byte for byte:
  // its line ends are made when it is said.
  w.errlog.adopt(log_file_, true);
  log_file_ = nullptr;
  worker_ = std::thread([this] { work(); });
}

ConversionAhead::~ConversionAhead() {
  {
    std::lock_guard<std::mutex> lock(m_);
    stop_ = true;
  }
  cv_.notify_all();
  if (worker_.joinable()) worker_.join();
  give_back();
  ahead_.reset();
  con_.reset();
  if (out_file_) std::fclose(out_file_);
  if (err_file_) std::fclose(err_file_);
}

// The conversion state goes back to the run, as the last conversion left it;
// the extraction's own reader fields stay as the extraction left them.
void ConversionAhead::give_back() {
  Run& w = *ahead_;
  w.errlog.close();
  run_.pp = std::move(w.pp);
  run_.sources = std::move(w.sources);
  run_.temps = w.temps;
  ReaderState mine = std::move(run_.rd);
  run_.rd = std::move(w.rd);
  run_.rd.pushback = std::move(mine.pushback);
  run_.rd.bracedepth = mine.bracedepth;
  run_.rd.bodyclosed = mine.bodyclosed;
}

void ConversionAhead::work() {
  Run& w = *ahead_;
  const auto held = [this](const std::string& path) {
    return settings_.bytes_of ? settings_.bytes_of(path) : nullptr;
  };
  std::vector<std::string> from_files;
  for (const std::string& path : sources_)
    if (!held(path)) from_files.push_back(path);
  ReadAhead read_ahead(std::move(from_files));
  TextReader read;
  for (const std::string& path : sources_) {
    std::unique_ptr<Converted> c;
    {
      std::unique_lock<std::mutex> lock(m_);
      cv_.wait(lock, [this] { return stop_ || ready_.size() < kAhead; });
      if (stop_) return;
      if (!spare_.empty()) {
        c = std::move(spare_.front());
        spare_.pop_front();
      }
    }
    if (!c) c = std::make_unique<Converted>();
    c->ended = nullptr;
    if (const std::string* bytes = held(path))
      read.open_bytes(*bytes);
    else
      read_ahead.take(path, read);
    if (settings_.temp_names) {
      c->temp = next_temp_name(w.temps);
      c->temp_counter = w.temps.counter;
    }
    bool last = settings_.temp_names && c->temp.empty();  // the caller ends the run there
    if (!last) {
      w.rd.conv = c->temp;
      try {
        henkan(w, path, c->text, w.opt.flgjson ? &c->map : nullptr, &read);
      } catch (...) {
        c->ended = std::current_exception();
        last = !settings_.keep_going;
        if (!last) restart_reader(w.rd);
      }
      w.rd.conv.clear();
      read.close();
      std::fflush(out_file_);
      std::fflush(err_file_);
      w.errlog.flush();
    }
    c->out.swap(out_);
    c->err.swap(err_);
    c->log.swap(log_);
    out_.clear();
    err_.clear();
    log_.clear();
    {
      std::lock_guard<std::mutex> lock(m_);
      ready_.push_back(std::move(c));
    }
    cv_.notify_all();
    if (last) break;
  }
  std::lock_guard<std::mutex> lock(m_);
  finished_ = true;
  cv_.notify_all();
}

ConversionAhead::Converted& ConversionAhead::take() {
  {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [this] { return !ready_.empty() || finished_; });
    if (ready_.empty()) throw std::logic_error("no source is left to take");
    taken_ = std::move(ready_.front());
    ready_.pop_front();
  }
  cv_.notify_all();
  return *taken_;
}

void ConversionAhead::say(const Converted& c) {
  if (!c.out.empty()) std::fwrite(c.out.data(), 1, c.out.size(), run_.con.out());
  if (!c.err.empty()) std::fwrite(c.err.data(), 1, c.err.size(), run_.con.err());
  if (!c.log.empty()) run_.errlog.raw(c.log);
}

void ConversionAhead::done() {
  if (!taken_) return;
  {
    std::lock_guard<std::mutex> lock(m_);
    spare_.push_back(std::move(taken_));
  }
  cv_.notify_all();
}

}  // namespace zelta
