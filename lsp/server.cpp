#include "server.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace zelta::lsp {

namespace {

void log(const std::string& text) {
  std::fprintf(stderr, "zelta-lsp: %s\n", text.c_str());
  std::fflush(stderr);
}

std::string read_disk(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  if (in) s << in.rdbuf();
  return s.str();
}

}  // namespace

Server::Server(int in_fd, int out_fd) : writer_(out_fd), queue_(std::make_shared<Queue>()) {
  // The reader only frames bytes into events; it may still be waiting on
  // input when the server ends, so it owns its share of the queue and is
  // never joined.
  std::thread([q = queue_, in_fd] {
    FrameReader reader(in_fd);
    std::string body, error;
    for (;;) {
      const FrameReader::Result r = reader.next(body, error);
      if (r == FrameReader::Result::kEnd) break;
      if (r == FrameReader::Result::kBadFrame)
        q->push(Event{Event::kBadFrame, error, nullptr});
      else
        q->push(Event{Event::kMessage, std::move(body), nullptr});
    }
    q->push(Event{Event::kEnd, {}, nullptr});
  }).detach();
  analyser_ = std::thread([this] { analysis_loop(); });
}

Server::~Server() {
  stopping_ = true;
  acv_.notify_all();
  if (analyser_.joinable()) analyser_.join();
}

int Server::serve() {
  for (;;) {
    Event e;
    {
      std::unique_lock<std::mutex> lock(queue_->m);
      queue_->cv.wait(lock, [&] { return !queue_->events.empty(); });
      e = std::move(queue_->events.front());
      queue_->events.pop_front();
    }
    switch (e.kind) {
      case Event::kMessage: handle(e.body); break;
      case Event::kBadFrame: log("input passed over: " + e.body); break;
      case Event::kEnd: log("input ended"); return exit_status >= 0 ? exit_status : (shut_down ? 0 : 1);
      case Event::kIndexed: take_index(std::move(e.built)); break;
      case Event::kProgress:
        if (e.total > 0) {
          const int percent = static_cast<int>(e.done * 100 / e.total);
          if (percent >= progress_percent_ + 5 || e.done == e.total) {
            progress_percent_ = percent;
            progress("report", std::to_string(e.done) + "/" + std::to_string(e.total) + " files", percent);
          }
        }
        break;
    }
    if (exit_status >= 0) return exit_status;
  }
}

void Server::handle(const std::string& body) {
  json msg = json::parse(body, nullptr, false);
  if (msg.is_discarded()) {
    reply_error(nullptr, ErrorCode::kParseError, "the message is no JSON");
    return;
  }
  if (!msg.is_object()) {
    reply_error(nullptr, ErrorCode::kInvalidRequest, "a message is a JSON object");
    return;
  }
  const auto id_it = msg.find("id");
  const bool has_id = id_it != msg.end();
  json id = has_id ? *id_it : json();
  if (has_id && !id.is_string() && !id.is_number_integer()) {
    reply_error(nullptr, ErrorCode::kInvalidRequest, "an id is a number or a string");
    return;
  }
  const auto method_it = msg.find("method");
  if (method_it == msg.end()) {
    // An answer to one of our requests (progress tokens): nothing to do.
    if (!has_id) reply_error(nullptr, ErrorCode::kInvalidRequest, "a message without method");
    return;
  }
  if (!method_it->is_string()) {
    reply_error(id, ErrorCode::kInvalidRequest, "the method is no string");
    return;
  }
  const std::string method = method_it->get<std::string>();
  json params = msg.value("params", json());
  const MethodTable& table = Methods();
  auto it = table.find(method);
  if (!has_id) {
    // Notifications are never answered; unknown ones are dropped ("$/"
    // ones may be, the rest are logged).
    if (it == table.end() || !it->second.notification) {
      if (method.compare(0, 2, "$/") != 0) log("unknown notification " + method);
      return;
    }
    if (!initialized && method != "exit") return;
    if (method == "$/cancelRequest") {
      if (!params.is_object() || !params.contains("id")) return;
      const json& which = params["id"];
      for (auto w = waiting_.begin(); w != waiting_.end(); ++w)
        if (w->id == which) {
          const json wid = w->id;
          waiting_.erase(w);
          reply_error(wid, ErrorCode::kRequestCancelled, "cancelled");
          break;
        }
      return;
    }
    try {
      it->second.notification(*this, params);
    } catch (const RequestError& err) {
      log(method + ": " + err.message);
    } catch (const std::exception& err) {
      log(method + ": " + err.what());
    }
    return;
  }
  if (it == table.end() || !it->second.request) {
    reply_error(id, ErrorCode::kMethodNotFound, "method not found: " + method);
    return;
  }
  if (!initialized && method != "initialize") {
    reply_error(id, ErrorCode::kServerNotInitialized, "initialize comes first");
    return;
  }
  if (shut_down) {
    reply_error(id, ErrorCode::kInvalidRequest, "the server is shut down");
    return;
  }
  if (it->second.needs_index && !index) {
    waiting_.push_back(Waiting{id, method, std::move(params)});
    return;
  }
  dispatch(id, method, it->second, params);
}

void Server::dispatch(const json& id, const std::string& method, const Method& m, const json& params) {
  try {
    reply(id, m.request(*this, params));
  } catch (const RequestError& err) {
    reply_error(id, err.code, err.message);
  } catch (const std::exception& err) {
    log(method + ": " + err.what());
    reply_error(id, ErrorCode::kInternalError, err.what());
  }
}

void Server::reply(const json& id, json result) {
  json msg = {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
  writer_.send(msg.dump(-1, ' ', false, json::error_handler_t::replace));
}

void Server::reply_error(const json& id, ErrorCode code, const std::string& message) {
  json msg = {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", static_cast<int>(code)}, {"message", message}}}};
  writer_.send(msg.dump(-1, ' ', false, json::error_handler_t::replace));
}

void Server::notify(const std::string& method, json params) {
  json msg = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
  writer_.send(msg.dump(-1, ' ', false, json::error_handler_t::replace));
}

static const char* const kProgressToken = "zelta/index";

void Server::progress(const char* kind, const std::string& message, int percent) {
  if (!progress_supported) return;
  json value = {{"kind", kind}};
  if (std::string(kind) == "begin") {
    json create = {{"jsonrpc", "2.0"},
                   {"id", "zelta/progress/" + std::to_string(next_request_id_++)},
                   {"method", "window/workDoneProgress/create"},
                   {"params", {{"token", kProgressToken}}}};
    writer_.send(create.dump());
    value["title"] = "zelta: analysing";
    value["cancellable"] = false;
    progress_open_ = true;
  } else if (!progress_open_) {
    return;
  }
  if (!message.empty()) value["message"] = message;
  if (percent >= 0 && std::string(kind) != "end") value["percentage"] = percent;
  if (std::string(kind) == "end") progress_open_ = false;
  notify("$/progress", {{"token", kProgressToken}, {"value", value}});
}

void Server::reanalyse() {
  AnalysisInput input;
  input.roots = roots;
  input.pointers = pointer_calls;
  for (const auto& [uri, d] : documents) input.overlays[d.path] = CodeIndex::Overlay{d.text, d.version};
  {
    std::lock_guard<std::mutex> lock(am_);
    next_input_ = std::move(input);
    analysis_wanted_ = true;
  }
  acv_.notify_all();
  if (!progress_open_) {
    progress_percent_ = -1;
    progress("begin", "", 0);
  }
}

void Server::analysis_loop() {
  for (;;) {
    AnalysisInput input;
    {
      std::unique_lock<std::mutex> lock(am_);
      acv_.wait(lock, [&] { return analysis_wanted_ || stopping_; });
      if (stopping_) return;
      input = std::move(next_input_);
      analysis_wanted_ = false;
    }
    std::weak_ptr<Queue> q = queue_;
    auto built = AnalyseWorkspace(
        input,
        [&](size_t done, size_t total) {
          if (auto qq = q.lock()) qq->push(Event{Event::kProgress, {}, nullptr, done, total});
        },
        [&] { return stopping_.load(); });
    if (stopping_) return;
    // Even when a newer analysis is wanted already, this one is taken: it
    // serves the requests waiting meanwhile and is replaced when that lands.
    if (built) queue_->push(Event{Event::kIndexed, {}, std::move(built)});
  }
}

void Server::take_index(std::shared_ptr<CodeIndex> built) {
  for (const std::string& s : built->skipped) log("left out: " + s);
  log("preprocessing: " + built->preprocessing);
  log("index: " + std::to_string(built->functions.size()) + " functions, " + std::to_string(built->calls.size()) +
      " calls in " + std::to_string(built->files.size()) + " files");
  texts.clear();
  for (const auto& [path, overlay] : built->overlays) texts.set(path, overlay.text);
  index = std::move(built);
  for (auto& [uri, d] : documents) check_current(d);
  bool more;
  {
    std::lock_guard<std::mutex> lock(am_);
    more = analysis_wanted_;
  }
  if (!more) progress("end", "", 100);
  std::deque<Waiting> ready;
  ready.swap(waiting_);
  const MethodTable& table = Methods();
  for (Waiting& w : ready) {
    if (shut_down) {
      reply_error(w.id, ErrorCode::kInvalidRequest, "the server is shut down");
      continue;
    }
    dispatch(w.id, w.method, table.at(w.method), w.params);
  }
}

void Server::check_current(Document& d) const {
  if (!index) {
    d.current = false;
    return;
  }
  auto it = index->overlays.find(d.path);
  d.current = it != index->overlays.end() ? it->second.text == d.text : read_disk(d.path) == d.text;
}

const Document* Server::current_document(const std::string& uri) const {
  auto it = documents.find(uri);
  if (it == documents.end()) return nullptr;
  if (!it->second.current)
    throw RequestError{ErrorCode::kContentModified,
                       "the document changed since the last analysis; it is analysed again"};
  return &it->second;
}

const LineText& Server::text_of(const std::string& path) { return texts.get(path); }

}  // namespace zelta::lsp
