#include "transport.h"

#include <unistd.h>
#include <cerrno>
#include <cstdlib>

namespace zelta::lsp {

bool FrameReader::fill() {
  if (eof_) return false;
  if (pos_ > 0 && pos_ == buf_.size()) {
    buf_.clear();
    pos_ = 0;
  }
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n > 0) {
      buf_.append(chunk, static_cast<size_t>(n));
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    eof_ = true;
    return false;
  }
}

// A header line up to its LF, without the CR LF. A line longer than any
// header could be is cut, so a stream without line ends cannot grow memory.
bool FrameReader::read_line(std::string& line) {
  line.clear();
  for (;;) {
    if (pos_ == buf_.size() && !fill()) return !line.empty();
    const size_t lf = buf_.find('\n', pos_);
    const size_t end = lf == std::string::npos ? buf_.size() : lf;
    if (line.size() < 4096) line.append(buf_, pos_, std::min(end - pos_, 4096 - line.size()));
    pos_ = lf == std::string::npos ? buf_.size() : lf + 1;
    if (lf != std::string::npos) break;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool FrameReader::read_bytes(size_t n, std::string* into) {
  while (n > 0) {
    if (pos_ == buf_.size() && !fill()) return false;
    const size_t take = std::min(n, buf_.size() - pos_);
    if (into) into->append(buf_, pos_, take);
    pos_ += take;
    n -= take;
  }
  return true;
}

FrameReader::Result FrameReader::next(std::string& body, std::string& error) {
  std::string line;
  long long length = -1;
  bool bad = false, any = false;
  for (;;) {
    if (!read_line(line)) return Result::kEnd;
    if (line.empty()) {
      if (!any) continue;  // blank lines between messages
      break;
    }
    any = true;
    const size_t colon = line.find(':');
    if (colon == std::string::npos) {
      bad = true;
      continue;
    }
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name != "content-length") continue;  // Content-Type and the like
    const std::string value = line.substr(colon + 1);
    size_t i = value.find_first_not_of(" \t");
    if (i == std::string::npos) {
      bad = true;
      continue;
    }
    long long v = 0;
    bool digits = false;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
      digits = true;
      if (v > static_cast<long long>(kMaxBody)) break;
      v = v * 10 + (value[i] - '0');
    }
    if (!digits || value.find_first_not_of(" \t", i) != std::string::npos) {
      bad = true;
      continue;
    }
    length = v;
  }
  if (length < 0) {
    error = bad ? "malformed header" : "header without Content-Length";
    return Result::kBadFrame;
  }
  if (static_cast<size_t>(length) > kMaxBody) {
    error = "message body over the size limit";
    if (!read_bytes(static_cast<size_t>(length), nullptr)) return Result::kEnd;
    return Result::kBadFrame;
  }
  body.clear();
  body.reserve(static_cast<size_t>(length));
  if (!read_bytes(static_cast<size_t>(length), &body)) return Result::kEnd;
  return Result::kMessage;
}

bool FrameWriter::send(const std::string& body) {
  std::lock_guard<std::mutex> lock(m_);
  if (broken_) return false;
  std::string frame = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  frame += body;
  size_t done = 0;
  while (done < frame.size()) {
    const ssize_t n = ::write(fd_, frame.data() + done, frame.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      broken_ = true;
      return false;
    }
  }
  return true;
}

}  // namespace zelta::lsp
