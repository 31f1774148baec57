#include "platform/console.h"

#include <cstdarg>
#include <cstring>
#include <vector>

#include "platform/text_codec.h"

namespace zelta {

Console::Console(std::FILE* out, std::FILE* err) : out_(out), err_(err) {
  charset_ = locale_charset();
  convert_ = charset_ != "UTF-8" && charset_ != "utf8";
}

std::string Console::to_console(const char* utf8) {
  if (!convert_) return utf8;
  std::string out;
  if (convert_charset("UTF-8", charset_.c_str(), utf8, out)) return out;
  return utf8;
}

static void vwrite(std::FILE* f, const std::string& fmt, va_list ap) {
  va_list ap2;
  va_copy(ap2, ap);
  char small[1024];
  int n = std::vsnprintf(small, sizeof small, fmt.c_str(), ap);
  if (n < 0) {
    va_end(ap2);
    return;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    std::fwrite(small, 1, static_cast<size_t>(n), f);
  } else {
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), fmt.c_str(), ap2);
    std::fwrite(big.data(), 1, static_cast<size_t>(n), f);
  }
  va_end(ap2);
}

void Console::print(const char* fmt, ...) {
  std::string f = to_console(fmt);
  va_list ap;
  va_start(ap, fmt);
  vwrite(out_, f, ap);
  va_end(ap);
}

void Console::eprint(const char* fmt, ...) {
  std::fflush(out_);
  std::string f = to_console(fmt);
  va_list ap;
  va_start(ap, fmt);
  vwrite(err_, f, ap);
  va_end(ap);
  std::fflush(err_);
}

void Console::text(const char* utf8) {
  std::string t = to_console(utf8);
  std::fwrite(t.data(), 1, t.size(), out_);
}

void Console::raw(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), out_); }

void Console::flush() {
  std::fflush(out_);
  std::fflush(err_);
}

}  // namespace zelta
