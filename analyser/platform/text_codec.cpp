#include "platform/text_codec.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>

namespace zelta {

namespace {

// Runs `cd` over `in`. With `replacement` given, a byte that does not convert
// (or begins a sequence cut off at the end) is skipped and the replacement
// written in its place; without it the conversion fails there.
bool run_iconv(iconv_t cd, std::string_view in, std::string& out, const std::string_view* replacement) {
  std::string src(in);
  char* inp = src.data();
  size_t inleft = src.size();
  out.resize(in.size() * 4 + 16);
  char* outp = out.data();
  size_t outleft = out.size();
  auto grow = [&] {
    size_t used = out.size() - outleft;
    out.resize(out.size() * 2);
    outp = out.data() + used;
    outleft = out.size() - used;
  };
  bool ok = true;
  while (inleft > 0) {
    if (iconv(cd, &inp, &inleft, &outp, &outleft) != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) {
      grow();
      continue;
    }
    if (!replacement) {
      ok = false;
      break;
    }
    while (outleft < replacement->size()) grow();
    std::memcpy(outp, replacement->data(), replacement->size());
    outp += replacement->size();
    outleft -= replacement->size();
    ++inp;
    --inleft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  if (ok) {
    // Flush any shift state (none for the charsets used here, but harmless).
    size_t r = iconv(cd, nullptr, nullptr, &outp, &outleft);
    if (r == static_cast<size_t>(-1)) ok = false;
  }
  out.resize(out.size() - outleft);
  return ok;
}

}  // namespace

bool convert_charset(const char* from, const char* to, std::string_view in, std::string& out) {
  out.clear();
  if (in.empty()) return true;
  if (std::strcmp(from, to) == 0) {
    out.assign(in);
    return true;
  }
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  const bool ok = run_iconv(cd, in, out, nullptr);
  iconv_close(cd);
  return ok;
}

std::string convert_charset_replacing(const char* from, const char* to, std::string_view in,
                                      std::string_view replacement) {
  std::string out;
  if (in.empty()) return out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  run_iconv(cd, in, out, &replacement);
  iconv_close(cd);
  return out;
}

std::string utf8_to_cp932(std::string_view in) {
  std::string out;
  if (convert_charset("UTF-8", "CP932", in, out)) return out;
  return std::string(in);
}

bool cp932_to_utf8(std::string_view in, std::string& out) {
  return convert_charset("CP932", "UTF-8", in, out);
}

bool cp932_valid(std::string_view in) {
  if (in.empty()) return true;
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  // iconv does not write through its input pointer; the cast only meets its signature.
  char* inp = const_cast<char*>(in.data());
  size_t inleft = in.size();
  char buf[1 << 16];
  bool ok = true;
  while (inleft > 0) {
    char* outp = buf;
    size_t outleft = sizeof buf;
    if (iconv(cd, &inp, &inleft, &outp, &outleft) == static_cast<size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  iconv_close(cd);
  return ok;
}

const char* locale_charset() {
  // One per thread: a run converts on one thread while it extracts on another.
  thread_local std::string cached;
  const char* cs = nl_langinfo(CODESET);
  if (!cs || !*cs || std::strcmp(cs, "ANSI_X3.4-1968") == 0 || std::strcmp(cs, "ASCII") == 0 ||
      std::strcmp(cs, "US-ASCII") == 0)
    return "UTF-8";
  cached = cs;
  return cached.c_str();
}

std::string cp932_to_locale(std::string_view in) {
  std::string out;
  if (convert_charset("CP932", locale_charset(), in, out)) return out;
  return std::string(in);
}

std::string locale_to_cp932(std::string_view in) {
  std::string out;
  if (convert_charset(locale_charset(), "CP932", in, out)) return out;
  return std::string(in);
}

std::string lf_to_crlf(std::string_view in) {
  std::string out;
  out.reserve(in.size() + in.size() / 16 + 1);
  for (char c : in) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

}  // namespace zelta
