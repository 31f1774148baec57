// A small protocol client for the tests: starts zelta-lsp on pipes, frames
// messages, and reads every byte the server writes as frames (anything
// else on standard output fails the test).
#pragma once
#include <string>

#include <nlohmann/json.hpp>

namespace zelta::test {

using json = nlohmann::json;

class LspClient {
 public:
  LspClient();  // starts the server; its log goes to the test's standard error
  ~LspClient();
  LspClient(const LspClient&) = delete;
  LspClient& operator=(const LspClient&) = delete;

  void send_raw(const std::string& bytes);
  void send(const json& msg);
  void notify(const std::string& method, json params);
  // Sends a request and returns its answer (the whole message); messages
  // in between (progress, the server's own requests) are passed over.
  json request(const std::string& method, json params);
  int send_request(const std::string& method, json params);  // returns the id
  json answer(int id);
  // The next message; null after the server closed its output.
  json next();
  // Initializes with `root` as the workspace folder.
  json initialize(const std::string& root, bool progress = false, const json& options = nullptr);
  void close_input();
  int wait();  // the exit status

 private:
  int pid_ = -1;
  int in_ = -1, out_ = -1;
  std::string buf_;
  int next_id_ = 0;
};

std::string file_uri(const std::string& path);
// A request's params: a document and a position.
json at(const std::string& path, int line, int character);

}  // namespace zelta::test
