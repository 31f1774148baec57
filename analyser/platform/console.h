// Console output of the analyser. The system's texts (UTF-8 literals) are
// written in the locale's character set; bytes from the user's files pass
// through unchanged.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>

namespace zelta {

class Console {
 public:
  // Writes to the given streams (stdout/stderr by default). Tests hand in
  // memory streams.
  explicit Console(std::FILE* out = stdout, std::FILE* err = stderr);

  // printf with a format that is a system text (UTF-8): the format is turned
  // into the console charset first, the arguments are inserted as bytes.
  void print(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // The same on standard error.
  void eprint(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // A system text (UTF-8) without formatting.
  void text(const char* utf8);
  // Bytes as they are (the -d echo, user names).
  void raw(std::string_view bytes);
  void rawc(int c) { std::fputc(c, out_); }
  void flush();

  std::FILE* out() const { return out_; }
  std::FILE* err() const { return err_; }

 private:
  std::string to_console(const char* utf8);
  std::FILE* out_;
  std::FILE* err_;
  bool convert_;
  std::string charset_;
};

}  // namespace zelta
