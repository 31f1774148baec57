#include "lsp_client.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zelta::test {

LspClient::LspClient() {
  int to[2], from[2];
  if (::pipe(to) != 0 || ::pipe(from) != 0) throw std::runtime_error("pipe");
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(to[0], 0);
    ::dup2(from[1], 1);
    ::close(to[0]);
    ::close(to[1]);
    ::close(from[0]);
    ::close(from[1]);
    ::execl(ZELTA_LSP_PATH, "zelta-lsp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(to[0]);
  ::close(from[1]);
  in_ = to[1];
  out_ = from[0];
  ::signal(SIGPIPE, SIG_IGN);
}

LspClient::~LspClient() {
  if (in_ >= 0) ::close(in_);
  if (out_ >= 0) ::close(out_);
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

void LspClient::send_raw(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(in_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;  // the server is gone; the reads tell
    done += static_cast<size_t>(n);
  }
}

void LspClient::send(const json& msg) {
  const std::string body = msg.dump();
  send_raw("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}

void LspClient::notify(const std::string& method, json params) {
  send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

int LspClient::send_request(const std::string& method, json params) {
  const int id = ++next_id_;
  send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}});
  return id;
}

json LspClient::answer(int id) {
  for (;;) {
    json m = next();
    if (m.is_null()) return m;
    if (!m.contains("method") && m.value("id", json()) == id) return m;
  }
}

json LspClient::request(const std::string& method, json params) {
  return answer(send_request(method, std::move(params)));
}

json LspClient::next() {
  const auto fill = [&] {
    // A server that stops answering fails the test rather than hanging it.
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, 60000) <= 0) {
      ADD_FAILURE() << "no answer from the server";
      return false;
    }
    char chunk[65536];
    const ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n <= 0) return false;
    buf_.append(chunk, static_cast<size_t>(n));
    return true;
  };
  size_t end;
  while ((end = buf_.find("\r\n\r\n")) == std::string::npos)
    if (!fill()) {
      EXPECT_EQ(buf_, "") << "bytes on standard output that are no frame";
      return nullptr;
    }
  const std::string head = buf_.substr(0, end);
  EXPECT_EQ(head.rfind("Content-Length: ", 0), 0u) << head;
  const size_t length = std::stoul(head.substr(16));
  while (buf_.size() < end + 4 + length)
    if (!fill()) {
      ADD_FAILURE() << "a frame cut short";
      return nullptr;
    }
  json m = json::parse(buf_.substr(end + 4, length));
  buf_.erase(0, end + 4 + length);
  return m;
}

json LspClient::initialize(const std::string& root, bool progress, const json& options) {
  json caps = progress ? json{{"window", {{"workDoneProgress", true}}}} : json::object();
  json params = {{"processId", nullptr}, {"rootUri", file_uri(root)}, {"capabilities", caps}};
  if (!options.is_null()) params["initializationOptions"] = options;
  json r = request("initialize", params);
  notify("initialized", json::object());
  return r;
}

void LspClient::close_input() {
  ::close(in_);
  in_ = -1;
}

int LspClient::wait() {
  // Whatever is still on its way must be frames too.
  while (!next().is_null()) {
  }
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string file_uri(const std::string& path) { return "file://" + path; }

json at(const std::string& path, int line, int character) {
  return {{"textDocument", {{"uri", file_uri(path)}}}, {"position", {{"line", line}, {"character", character}}}};
}

}  // namespace zelta::test
