// The message framing over a pair of file descriptors: Content-Length
// headers, then that many bytes of JSON. Reading and writing are apart so
// that a reader thread can wait on input while answers go out.
#pragma once
#include <cstddef>
#include <mutex>
#include <string>

namespace zelta::lsp {

class FrameReader {
 public:
  explicit FrameReader(int fd) : fd_(fd) {}

  enum class Result { kMessage, kBadFrame, kEnd };
  // The next message body. kBadFrame: a header block without a usable
  // Content-Length, or a body over the limit; it was passed over and
  // `error` says why. kEnd: the input ended.
  Result next(std::string& body, std::string& error);

  static constexpr size_t kMaxBody = size_t{256} << 20;

 private:
  bool fill();
  bool read_line(std::string& line);
  bool read_bytes(size_t n, std::string* into);

  int fd_;
  std::string buf_;
  size_t pos_ = 0;
  bool eof_ = false;
};

class FrameWriter {
 public:
  explicit FrameWriter(int fd) : fd_(fd) {}
  // Whole messages only, from any thread. False once the peer is gone.
  bool send(const std::string& body);

 private:
  int fd_;
  std::mutex m_;
  bool broken_ = false;
};

}  // namespace zelta::lsp
