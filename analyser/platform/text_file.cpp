#include "platform/text_file.h"

#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/text_codec.h"

namespace zelta {

TextWriter::~TextWriter() { close(); }

bool TextWriter::open(const std::string& path, bool lf) {
  close();
  lf_ = lf;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
  f_ = std::fopen(path.c_str(), "wb");
  if (f_) std::setvbuf(f_, nullptr, _IOFBF, 1 << 16);
  return f_ != nullptr;
}

void TextWriter::close() {
  if (f_) {
    std::fclose(f_);
    f_ = nullptr;
  }
}

void TextWriter::print(const char* fmt, ...) {
  if (!f_) return;
  std::string f = utf8_to_cp932(fmt);
  va_list ap, ap2;
  va_start(ap, fmt);
  va_copy(ap2, ap);
  char small[1024];
  int n = std::vsnprintf(small, sizeof small, f.c_str(), ap);
  va_end(ap);
  if (n >= 0) {
    if (static_cast<size_t>(n) < sizeof small) {
      raw(std::string_view(small, static_cast<size_t>(n)));
    } else {
      std::vector<char> big(static_cast<size_t>(n) + 1);
      std::vsnprintf(big.data(), big.size(), f.c_str(), ap2);
      raw(std::string_view(big.data(), static_cast<size_t>(n)));
    }
  }
  va_end(ap2);
}

void TextWriter::text(const char* utf8) { raw(utf8_to_cp932(utf8)); }

void TextWriter::raw(std::string_view bytes) {
  if (!f_) return;
  if (lf_) {
    std::fwrite(bytes.data(), 1, bytes.size(), f_);
    return;
  }
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (const void* hit = std::memchr(p, '\n', static_cast<size_t>(end - p))) {
    const char* lf = static_cast<const char*>(hit);
    std::fwrite(p, 1, static_cast<size_t>(lf - p), f_);
    std::fwrite("\r\n", 1, 2, f_);
    p = lf + 1;
  }
  std::fwrite(p, 1, static_cast<size_t>(end - p), f_);
}

// Folds CR LF into LF in place (one pass, no second copy of a large file).
static void fold_crlf_in_place(std::string& s) {
  size_t first = s.find("\r\n");
  if (first == std::string::npos) return;
  size_t w = first;
  for (size_t r = first; r < s.size(); ++r) {
    if (s[r] == '\r' && r + 1 < s.size() && s[r + 1] == '\n') continue;
    s[w++] = s[r];
  }
  s.resize(w);
}

std::string fold_crlf(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  // Copies the stretches between carriage returns whole; only a CR that
  // comes right before an LF is dropped.
  size_t start = 0;
  for (;;) {
    const void* hit = std::memchr(in.data() + start, '\r', in.size() - start);
    if (!hit) break;
    const size_t cr = static_cast<size_t>(static_cast<const char*>(hit) - in.data());
    if (cr + 1 < in.size() && in[cr + 1] == '\n') {
      out.append(in.data() + start, cr - start);
      start = cr + 1;
    } else {
      out.append(in.data() + start, cr + 1 - start);
      start = cr + 1;
    }
  }
  out.append(in.data() + start, in.size() - start);
  return out;
}

bool TextReader::open(const std::string& path) {
  close();
  // Only a plain file is read: opening a FIFO waits for a writer, and a
  // device (a link to /dev/zero) or a socket may never end. The name is
  // looked at first, so that nothing else is opened at all; the opened
  // descriptor is looked at again, since the name may have been replaced
  // meanwhile, and O_NONBLOCK keeps that open from waiting.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  // Straight into the buffer; whatever the file grew by meanwhile is
  // appended after it.
  data_.clear();
  size_t used = 0;
  if (st.st_size > 0) {
    data_.resize(static_cast<size_t>(st.st_size));
    while (used < data_.size()) {
      ssize_t n = ::read(fd, data_.data() + used, data_.size() - used);
      if (n < 0) {
        ::close(fd);
        data_.clear();
        return false;
      }
      if (n == 0) break;
      used += static_cast<size_t>(n);
    }
    data_.resize(used);
  }
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      ::close(fd);
      data_.clear();
      return false;
    }
    if (n == 0) break;
    data_.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  fold_crlf_in_place(data_);
  pos_ = 0;
  open_ = true;
  return true;
}

void TextReader::open_bytes(std::string_view bytes) {
  data_.assign(bytes);
  fold_crlf_in_place(data_);
  pos_ = 0;
  open_ = true;
}

void TextReader::close() {
  data_.clear();
  data_.shrink_to_fit();
  pos_ = 0;
  open_ = false;
}

bool TextReader::gets(std::string& line, size_t max) {
  line.clear();
  if (pos_ >= data_.size()) return false;
  size_t n = data_.size() - pos_;
  if (max && max < n) n = max;
  const void* lf = std::memchr(data_.data() + pos_, '\n', n);
  if (lf) n = static_cast<size_t>(static_cast<const char*>(lf) - (data_.data() + pos_)) + 1;
  line.assign(data_, pos_, n);
  pos_ += n;
  return true;
}

}  // namespace zelta
