// Text files as the original platform's text mode sees them: written as
// code page 932 with CR LF line ends, read with CR LF arriving as one LF.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>

namespace zelta {

class TextWriter {
 public:
  TextWriter() = default;
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // Creates or truncates the file (mode "w"). False when it cannot be created.
  // With `lf`, line ends are written as they are (files meant for other
  // tools: tree.json, tree.dot).
  bool open(const std::string& path, bool lf = false);
  // Writes into an open stream instead, which it then owns.
  void adopt(std::FILE* f, bool lf = false) {
    close();
    f_ = f;
    lf_ = lf;
  }
  bool is_open() const { return f_ != nullptr; }
  void close();

  // printf with a system-text format (UTF-8, turned into CP932); arguments
  // are inserted as bytes. Every LF becomes CR LF.
  void print(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // A system text (UTF-8) without formatting, as CP932.
  void text(const char* utf8);
  // Bytes as they are (already CP932 or user bytes); every LF becomes CR LF.
  void raw(std::string_view bytes);
  void flush() {
    if (f_) std::fflush(f_);
  }
  // True when every write so far reached the file.
  bool good() const { return f_ && !std::ferror(f_); }

 private:
  std::FILE* f_ = nullptr;
  bool lf_ = false;
};

// A whole text file in memory, CR LF pairs folded into LF. Reading is a plain
// index walk, which keeps the per-character readers cheap.
class TextReader {
 public:
  // False when the path cannot be opened or names no plain file (a folder,
  // a FIFO, a device, a socket): those are never waited for nor read.
  bool open(const std::string& path);
  // Takes over the other reader's text and position; the other is closed.
  void take_from(TextReader& other) {
    data_.swap(other.data_);
    pos_ = other.pos_;
    open_ = other.open_;
    other.close();
  }
  // Reads from bytes already in memory (tests, the fuzz target).
  void open_bytes(std::string_view bytes);
  bool is_open() const { return open_; }
  void close();

  // Next byte as 0..255, or -1 at end of file.
  int get() {
    if (pos_ >= data_.size()) return -1;
    return static_cast<unsigned char>(data_[pos_++]);
  }
  // fgets: reads up to and including the next LF, at most `max` bytes
  // (0 = no limit). False at end of file with nothing read.
  bool gets(std::string& line, size_t max = 0);
  // The bytes not read yet, for readers that take runs of them at once.
  const char* cur() const { return data_.data() + pos_; }
  size_t left() const { return data_.size() - pos_; }
  void advance(size_t n) { pos_ += n; }
  const std::string& data() const { return data_; }
  size_t pos() const { return pos_; }

 private:
  std::string data_;
  size_t pos_ = 0;
  bool open_ = false;
};

// The CR LF folding of the text-mode reader, for bytes already in memory.
std::string fold_crlf(std::string_view in);

}  // namespace zelta
