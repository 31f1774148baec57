#include "prepare/mid_reader.h"

#include "run/run.h"

namespace zelta {

MidReader::MidReader(Run& run, std::string_view text, bool sjis)
    : run_(run), p_(text.data()), n_(text.size()), sjis_(sjis), echo_(run.opt.flgdebug != 0) {}

// After an apostrophe: passes over the literal (nothing of it is echoed)
// and returns the byte after it, 0 at the end. An unterminated literal ends
// the run (-99).
int MidReader::skip_literal() {
  for (;;) {
    if (pos_ >= n_) ErrorExit(run_, ErrorCode::kUnclosedCharacter);
    const int c = static_cast<unsigned char>(p_[pos_++]);
    if (c == '\\' || (sjis_ && sjis_lead(c))) {
      if (pos_ >= n_) ErrorExit(run_, ErrorCode::kUnclosedCharacter);
      ++pos_;
    } else if (c == '\'') {
      break;
    }
  }
  return pos_ < n_ ? static_cast<unsigned char>(p_[pos_++]) : 0;
}

// getmidchar: the held byte first (not echoed again, no literal rule), else
// the next byte; a NUL byte reads as the end.
int MidReader::get() {
  if (held_ >= 0) {
    const int c = held_;
    held_ = -1;
    return c;
  }
  if (pos_ >= n_) return 0;
  const int c = static_cast<unsigned char>(p_[pos_++]);
  if (echo_) run_.con.rawc(c);
  return c == '\'' ? skip_literal() : c;
}

int MidReader::next() {
  if (held_ < 0 && !echo_)
    while (pos_ < n_ && is_c_space(static_cast<unsigned char>(p_[pos_]))) ++pos_;
  int c;
  do {
    c = get();
    if (c == 0) return kEnd;
  } while (is_c_space(c));
  // The byte just taken lies right before the position, also when it was
  // held back or followed a literal.
  const size_t start = pos_ - 1;
  if (is_name_char(c) && echo_) {
    // -d reads a name byte by byte through the literal rule, as getmidword
    // does then: a literal right after a name is passed over and the name
    // goes on with the byte after it. Such a name is kept apart.
    std::string& name = scratch_;
    name.assign(1, static_cast<char>(c));
    bool split = false;
    for (;;) {
      const size_t before = pos_;
      const int d = get();
      if (!is_name_char(d)) {
        held_ = d;
        break;
      }
      split = split || pos_ != before + 1;
      name.push_back(static_cast<char>(d));
    }
    tok_ = split ? std::string_view(joined_.emplace_back(name)) : std::string_view(p_ + start, name.size());
    return kName;
  }
  if (is_name_char(c)) {
    size_t e = pos_;
    while (e < n_ && is_name_char(static_cast<unsigned char>(p_[e]))) ++e;
    pos_ = e;
    tok_ = std::string_view(p_ + start, e - start);
    held_ = get();
    return kName;
  }
  tok_ = std::string_view(p_ + start, 1);
  ReaderState& rd = run_.rd;
  if (c == '{') {
    rd.bracedepth++;
  } else if (c == '}') {
    if (--rd.bracedepth == 0) {
      rd.bodyclosed = 1;
      return kBodyClosed;
    }
  }
  return kChar;
}

}  // namespace zelta
