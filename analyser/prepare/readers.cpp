#include "prepare/readers.h"

#include <cstdint>
#include <cstring>

#include "platform/system.h"
#include "platform/text_codec.h"
#include "platform/utf8_check.h"
#include "run/run.h"

namespace zelta {

void ungetchar(Run& run, int c) { run.rd.pushback.push_back(c); }

static int pop(ReaderState& rd) {
  int c = rd.pushback.back();
  rd.pushback.pop_back();
  return c;
}

// Skips a character literal whose first byte after the opening apostrophe
// was already read (`c`), and returns the byte after the literal (0 at end
// of input). An unterminated literal ends the run (-99).
static int skip_char_literal_from(Run& run, TextReader& in, bool sjis, int c) {
  for (;;) {
    if (c < 0) ErrorExit(run, ErrorCode::kUnclosedCharacter);
    if (c == '\\' || (sjis && sjis_lead(c))) {
      if (in.get() < 0) ErrorExit(run, ErrorCode::kUnclosedCharacter);
    } else if (c == '\'') {
      break;
    }
    c = in.get();
  }
  c = in.get();
  return c < 0 ? 0 : c;
}

static int skip_char_literal(Run& run, TextReader& in, bool sjis) {
  return skip_char_literal_from(run, in, sjis, in.get());
}

// Inlined into the word reader below: it runs once per source byte.
static inline int src_char(Run& run) {
  ReaderState& rd = run.rd;
  if (!rd.pushback.empty()) return pop(rd);
  SrcStream* s = rd.top();
  if (!s) return 0;
  int c = s->text.get();
  if (c < 0) return 0;
  if (run.opt.flgdebug && !rd.quiet) run.con.rawc(c);
  if (c == '\'' && rd.flgcomment == 0 && rd.flgdubble == 0) return skip_char_literal(run, s->text, s->sjis);
  return c;
}

static inline int mid_char(Run& run) {
  ReaderState& rd = run.rd;
  if (!rd.pushback.empty()) return pop(rd);
  int c = rd.mid.get();
  if (c < 0) return 0;
  if (run.opt.flgdebug) run.con.rawc(c);
  if (c == '\'') return skip_char_literal(run, rd.mid, rd.mid_sjis);
  return c;
}

int getmidchar(Run& run) { return mid_char(run); }

// The run of name characters at the reader's position: appended to `buf`,
// echoed when asked, and passed over.
static void take_name_run(Run& run, TextReader& in, std::string& buf, bool echo) {
  const char* p = in.cur();
  const size_t n = in.left();
  size_t k = 0;
  while (k < n && is_name_char(static_cast<unsigned char>(p[k]))) ++k;
  buf.append(p, k);
  if (echo && k) run.con.raw(std::string_view(p, k));
  in.advance(k);
}

int getsrcword(Run& run, std::string& buf) {
  ReaderState& rd = run.rd;
  int c;
  do {
    c = src_char(run);
    if (c == 0) return kEnd;
  } while (char_class(c) & kClassSkip);
  buf.assign(1, static_cast<char>(c));
  if (!is_name_char(c)) {
    if (rd.flgcomment == 0 && rd.flgdubble == 0) {
      if (c == '{')
        rd.bracedepth++;
      else if (c == '}')
        rd.bracedepth--;
    }
    return kChar;
  }
  SrcStream* s = rd.top();
  if (s && rd.pushback.empty()) {
    // The rest of the name straight from the stream: no name character
    // is an apostrophe, so only the byte that ends it needs the full rule.
    TextReader& in = s->text;
    const bool echo = run.opt.flgdebug != 0 && !rd.quiet;
    const bool number = c >= '0' && c <= '9';
    for (;;) {
      take_name_run(run, in, buf, echo);
      c = in.get();
      if (c < 0) {
        c = 0;
        break;
      }
      if (echo) run.con.rawc(c);
      if (c != '\'' || rd.flgcomment != 0 || rd.flgdubble != 0) break;
      // Inside a number an apostrophe followed by a digit separates digits
      // (0x8000'0000); it is dropped. Anywhere else it opens a literal.
      int d = in.get();
      if (number && is_name_char(d)) {
        if (echo) run.con.rawc(d);
        buf.push_back(static_cast<char>(d));
        continue;
      }
      c = skip_char_literal_from(run, in, s->sjis, d);
      break;
    }
  } else {
    for (;;) {
      c = src_char(run);
      if (!is_name_char(c)) break;
      buf.push_back(static_cast<char>(c));
    }
  }
  ungetchar(run, c);
  return kName;
}

int getmidword(Run& run, std::string& buf) {
  ReaderState& rd = run.rd;
  const bool direct = rd.pushback.empty() && !run.opt.flgdebug;
  if (direct) {
    // Blanks and line ends passed over where they lie: they are no
    // apostrophes and, without -d, nobody sees them go by.
    TextReader& in = rd.mid;
    const char* p = in.cur();
    const size_t n = in.left();
    size_t k = 0;
    while (k < n && is_c_space(static_cast<unsigned char>(p[k]))) ++k;
    in.advance(k);
  }
  int c;
  do {
    c = mid_char(run);
    if (c == 0) return kEnd;
  } while (is_c_space(c));
  buf.assign(1, static_cast<char>(c));
  if (is_name_char(c)) {
    if (rd.pushback.empty() && !run.opt.flgdebug) {
      TextReader& in = rd.mid;
      take_name_run(run, in, buf, false);
      c = in.get();
      if (c < 0)
        c = 0;
      else if (c == '\'')
        c = skip_char_literal(run, in, rd.mid_sjis);
    } else {
      for (;;) {
        c = mid_char(run);
        if (!is_name_char(c)) break;
        buf.push_back(static_cast<char>(c));
      }
    }
    ungetchar(run, c);
    return kName;
  }
  if (c == '{') {
    rd.bracedepth++;
  } else if (c == '}') {
    rd.bracedepth--;
    if (rd.bracedepth == 0) {
      rd.bodyclosed = 1;
      return kBodyClosed;
    }
  }
  return kChar;
}

bool open_source(ReaderState& rd, TextReader& in, const std::string& path) {
  if (in.open(path)) return true;
  if (rd.conv.empty() || !same_entry(path, rd.conv)) return false;
  in.open_bytes("");
  return true;
}

void push_source(ReaderState& rd, std::unique_ptr<SrcStream> s) {
  if (s->sjis) rd.mid_sjis = true;
  rd.instack.resize(static_cast<size_t>(rd.intop + 1));
  rd.instack.push_back(std::move(s));
  rd.intop = static_cast<int>(rd.instack.size()) - 1;
}

bool pop_source(ReaderState& rd) {
  if (rd.intop < 0) return false;
  rd.instack.resize(static_cast<size_t>(rd.intop));
  rd.intop--;
  return rd.intop >= 0;
}

bool looks_shift_jis(std::string_view bytes) {
  bool high = false;
  size_t i = 0;
  // Nearly every source is ASCII throughout: 32 bytes a step.
  for (; i + 32 <= bytes.size(); i += 32) {
    uint64_t w[4];
    std::memcpy(w, bytes.data() + i, 32);
    if (((w[0] | w[1] | w[2] | w[3]) & 0x8080808080808080ull) != 0) break;
  }
  for (; i + 8 <= bytes.size() && !high; i += 8) {
    uint64_t w;
    std::memcpy(&w, bytes.data() + i, 8);
    high = (w & 0x8080808080808080ull) != 0;
  }
  for (; i < bytes.size() && !high; ++i) high = static_cast<unsigned char>(bytes[i]) >= 0x80;
  // What lies before the step that found a high byte is ASCII, valid UTF-8.
  if (!high || valid_utf8(bytes.substr(i > 8 ? i - 8 : 0))) return false;
  return cp932_valid(bytes);
}

}  // namespace zelta

namespace zelta {

bool read_logical_line(TextReader& in, std::string& line) {
  line.clear();
  std::string part;
  bool any = false;
  bool joined = false;
  while (in.gets(part)) {
    any = true;
    size_t skip = 0;
    if (joined)
      while (skip < part.size() && (part[skip] == ' ' || part[skip] == '\t')) ++skip;
    line.append(part, skip, std::string::npos);
    if (line.size() >= 2 && line[line.size() - 1] == '\n' && line[line.size() - 2] == '\\') {
      line.resize(line.size() - 2);
      joined = true;
      continue;
    }
    break;
  }
  return any;
}

}  // namespace zelta
