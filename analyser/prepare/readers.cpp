#include "prepare/readers.h"

#include "driver/run.h"

namespace zelta {

void ungetchar(Run& run, int c) { run.rd.pushback.push_back(c); }

static int pop(ReaderState& rd) {
  int c = rd.pushback.back();
  rd.pushback.pop_back();
  return c;
}

// Skips a character literal after its opening apostrophe and returns the byte
// after it (0 at end of input). An unterminated literal ends the run (-99).
static int skip_char_literal(Run& run, TextReader& in) {
  for (;;) {
    int c = in.get();
    if (c <= 0) ErrorExit(run, -99);
    if (c == '\\') {
      if (in.get() <= 0) ErrorExit(run, -99);
      continue;
    }
    if (c == '\'') break;
  }
  int c = in.get();
  return c < 0 ? 0 : c;
}

int getsrcchar(Run& run) {
  ReaderState& rd = run.rd;
  if (!rd.pushback.empty()) return pop(rd);
  TextReader* in = rd.top();
  if (!in) return 0;
  int c = in->get();
  if (c < 0) return 0;
  if (run.opt.flgdebug) run.con.rawc(c);
  if (c == '\'' && rd.flgcomment == 0 && rd.flgdubble == 0) return skip_char_literal(run, *in);
  return c;
}

int getmidchar(Run& run) {
  ReaderState& rd = run.rd;
  if (!rd.pushback.empty()) return pop(rd);
  int c = rd.mid.get();
  if (c < 0) return 0;
  if (run.opt.flgdebug) run.con.rawc(c);
  if (c == '\'') return skip_char_literal(run, rd.mid);
  return c;
}

int getsrcword(Run& run, std::string& buf) {
  ReaderState& rd = run.rd;
  int c;
  for (;;) {
    c = getsrcchar(run);
    if (c == 0) return kEnd;
    if (c == '\n' || c == '\t' || c == ' ') break;
    if (c == '\r' || c == '\v' || c == '\f') continue;
    break;
  }
  buf.clear();
  if (is_name_char(c)) {
    do {
      buf.push_back(static_cast<char>(c));
      c = getsrcchar(run);
    } while (is_name_char(c));
    ungetchar(run, c);
    return kName;
  }
  buf.push_back(static_cast<char>(c));
  if (rd.flgcomment == 0 && rd.flgdubble == 0) {
    if (c == '{') rd.bracedepth++;
    else if (c == '}') rd.bracedepth--;
  }
  return kChar;
}

int getmidword(Run& run, std::string& buf) {
  ReaderState& rd = run.rd;
  int c;
  do {
    c = getmidchar(run);
    if (c == 0) return kEnd;
  } while (is_c_space(c));
  buf.clear();
  if (is_name_char(c)) {
    do {
      buf.push_back(static_cast<char>(c));
      c = getmidchar(run);
    } while (is_name_char(c));
    ungetchar(run, c);
    return kName;
  }
  buf.push_back(static_cast<char>(c));
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

}  // namespace zelta
