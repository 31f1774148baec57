// The cleaned-text reader of the extraction: getmidword's tokens, read where
// the text lies. A token is a view into the text rather than a copy (it
// stays valid while the reader lives); the byte that ends a name is held
// back as getmidword pushes it back, and -d echoes what getmidword echoes.
#pragma once
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace zelta {

struct Run;

class MidReader {
 public:
  MidReader(Run& run, std::string_view text, bool sjis);

  // kEnd, kName, kChar or kBodyClosed, as getmidword returns them; the
  // brace counter and the body-closed flag of the run's reader state move
  // as getmidword moves them.
  int next();
  std::string_view tok() const { return tok_; }
  // Where the name just read begins, counted as from the reader's position
  // less the byte held back.
  size_t name_start() const {
    size_t end = pos_;
    if (held_ > 0 && end > 0) --end;
    return end >= tok_.size() ? end - tok_.size() : 0;
  }

 private:
  int get();
  int skip_literal();

  Run& run_;
  const char* p_;
  size_t n_;
  size_t pos_ = 0;
  int held_ = -1;  // the byte held back after a name (0: the end), -1: none
  bool sjis_;
  bool echo_;
  std::string_view tok_;
  std::string scratch_;
  std::deque<std::string> joined_;  // names that a literal split in the text (-d only)
};

}  // namespace zelta
