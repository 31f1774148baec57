// The server: one message thread that answers from the current index, a
// reader thread that only frames input, and an analysis thread that builds
// the next index. Answers go out only from the message thread.
#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "code_index.h"
#include "protocol.h"
#include "source_text.h"
#include "transport.h"
#include "workspace_analysis.h"

namespace zelta::lsp {

class Server;

// One handler per method. Requests return their result or throw
// RequestError; notifications return nothing.
using RequestFn = json (*)(Server&, const json& params);
using NotificationFn = void (*)(Server&, const json& params);
struct Method {
  RequestFn request = nullptr;
  NotificationFn notification = nullptr;
  bool needs_index = false;  // waits for the first index
};
using MethodTable = std::unordered_map<std::string, Method>;
// Every method the server knows (handlers/method_table.cpp).
const MethodTable& Methods();

struct Document {
  std::string path;
  std::string text;
  long long version = 0;
  bool current = false;  // the index was built from this very text
};

class Server {
 public:
  Server(int in_fd, int out_fd);
  ~Server();
  // Serves until exit or the end of input; returns the exit status.
  int serve();

  // For the handlers.
  std::shared_ptr<const CodeIndex> index;
  SourceTexts texts;
  std::map<std::string, Document> documents;  // by URI
  std::vector<std::string> roots;
  bool pointer_calls = false;  // initializationOptions.pointers: the calls through function pointers, asked for as conzelta -p is
  bool initialized = false;
  bool shut_down = false;
  bool progress_supported = false;
  int exit_status = -1;  // set by exit

  void notify(const std::string& method, json params);
  // Analyses the workspace again in the background (requests go on being
  // answered from the present index meanwhile).
  void reanalyse();
  // The open document at a URI when its text is what the index read;
  // nullptr when it is not open. Throws ContentModified when it changed.
  const Document* current_document(const std::string& uri) const;
  // Whether document `d` now matches the index.
  void check_current(Document& d) const;
  // The text positions in `path` refer to: the open buffer's, else the disk's.
  const LineText& text_of(const std::string& path);

 private:
  struct Event {
    enum Kind { kMessage, kBadFrame, kEnd, kIndexed, kProgress } kind;
    std::string body;
    std::shared_ptr<CodeIndex> built;
    size_t done = 0, total = 0;
  };
  struct Queue {
    std::mutex m;
    std::condition_variable cv;
    std::deque<Event> events;
    void push(Event e) {
      {
        std::lock_guard<std::mutex> lock(m);
        events.push_back(std::move(e));
      }
      cv.notify_one();
    }
  };
  struct Waiting {
    json id;
    std::string method;
    json params;
  };

  void handle(const std::string& body);
  void dispatch(const json& id, const std::string& method, const Method& m, const json& params);
  void reply(const json& id, json result);
  void reply_error(const json& id, ErrorCode code, const std::string& message);
  void take_index(std::shared_ptr<CodeIndex> built);
  void progress(const char* kind, const std::string& message, int percent);
  void analysis_loop();

  FrameWriter writer_;
  std::shared_ptr<Queue> queue_;
  std::deque<Waiting> waiting_;

  // The analysis thread's side.
  std::mutex am_;
  std::condition_variable acv_;
  bool analysis_wanted_ = false;
  AnalysisInput next_input_;
  std::atomic<bool> stopping_{false};
  std::thread analyser_;
  int progress_percent_ = -1;
  bool progress_open_ = false;
  int next_request_id_ = 1;
};

}  // namespace zelta::lsp
