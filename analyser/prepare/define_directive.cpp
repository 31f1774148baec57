// #define: reads the rest of the directive line (and the lines it continues
// on) raw from the top stream and stores the macro.
#include <new>

#include "prepare/readers.h"
#include "run/run.h"
#include "prepare/directives.h"

namespace zelta {

namespace {

class DefineScanner {
 public:
  DefineScanner(Run& run, SrcStream& s, bool act) : run_(run), in_(s.text), sjis_(s.sjis), act_(act) {}

  bool at_end() const { return stopped_ || pos_ >= line_.size(); }
  char peek(size_t k = 0) const { return pos_ + k < line_.size() ? line_[pos_ + k] : '\0'; }
  void advance() { ++pos_; }
  bool lead(char c) const { return sjis_ && sjis_lead(static_cast<unsigned char>(c)); }

  // Reads the next line. At end of input a definition that still needs one
  // ends the run (-8); otherwise, and for a definition in an inactive
  // region, scanning simply stops there.
  bool more(bool needed) {
    pos_ = 0;
    if (in_.gets(line_)) return true;
    line_.clear();
    if (needed && act_) {
      run_.errlog.text("ファイルのオープンに失敗しました\n");
      run_.con.text("エラー : -8");
      EndRun(0);
    }
    stopped_ = true;
    return false;
  }

  // After a byte of the body: the bytes from the position on that mean
  // nothing there, appended at once (Shift JIS text goes byte by byte).
  void take_plain(std::string& out) {
    if (sjis_) return;
    size_t e = pos_;
    while (e < line_.size() && !body_special(line_[e])) ++e;
    out.append(line_, pos_, e - pos_);
    pos_ = e;
  }
  static bool body_special(char c) {
    return c == '\n' || c == '/' || c == '\'' || c == '"' || c == '(' || c == '{' || c == '\\';
  }

  void skip_blanks() {
    while (!at_end() && (peek() == ' ' || peek() == '\t')) ++pos_;
  }

  // At "/*": passes over the comment, on further lines when it does not
  // close on this one (up to the end of input).
  void skip_block_comment() {
    pos_ += 2;
    for (;;) {
      size_t e = line_.find("*/", pos_);
      if (e != std::string::npos) {
        pos_ = e + 2;
        return;
      }
      if (!more(false)) return;
    }
  }

  // At an apostrophe: copies the literal, quotes included, up to its
  // closing apostrophe or the line end.
  void copy_char_literal(std::string& out) {
    out.push_back(line_[pos_++]);
    while (pos_ < line_.size() && line_[pos_] != '\n') {
      char c = line_[pos_++];
      out.push_back(c);
      if (c == '\\' || lead(c)) {
        if (pos_ < line_.size() && line_[pos_] != '\n') out.push_back(line_[pos_++]);
        continue;
      }
      if (c == '\'') return;
    }
  }

  // At a double quote: drops the literal with its quotes, reading further
  // lines while it is open.
  void skip_string() {
    ++pos_;
    for (;;) {
      if (pos_ >= line_.size()) {
        if (stopped_ || !more(true)) return;
        continue;
      }
      char c = line_[pos_];
      if (c == '\\' || lead(c)) {
        pos_ += 2;
        continue;
      }
      ++pos_;
      if (c == '"') return;
    }
  }

  // At "(" or "{": copies the balanced group. A backslash before the line
  // end becomes a line end and the group goes on on the next line; a group
  // still open at a plain line end stops there (`#define BEGIN {`). A
  // comment inside becomes a line end; in the body, string literals go.
  void copy_group(std::string& out, bool body) {
    const char open = peek();
    const char close = open == '(' ? ')' : '}';
    int depth = 0;
    bool joined = false;
    for (;;) {
      if (at_end()) {
        if (stopped_ || !joined || !more(true)) return;
        joined = false;
        continue;
      }
      char c = line_[pos_];
      if (c == '\n') return;
      if (c == '\\' && peek(1) == '\n') {
        out.push_back('\n');
        pos_ = line_.size();
        joined = true;
        continue;
      }
      if (c == '\'') {
        copy_char_literal(out);
        continue;
      }
      if (c == '"' && body) {
        skip_string();
        continue;
      }
      if (c == '/' && peek(1) == '*') {
        out.push_back('\n');
        skip_block_comment();
        continue;
      }
      if (c == '/' && peek(1) == '/') {
        out.push_back('\n');
        pos_ = line_.find('\n', pos_);
        if (pos_ == std::string::npos) pos_ = line_.size();
        continue;
      }
      if (lead(c) && pos_ + 1 < line_.size()) {
        out.push_back(c);
        out.push_back(line_[pos_ + 1]);
        pos_ += 2;
        continue;
      }
      out.push_back(c);
      ++pos_;
      if (c == open) {
        ++depth;
      } else if (c == close && --depth == 0) {
        return;
      }
    }
  }

 private:
  Run& run_;
  TextReader& in_;
  bool sjis_;
  bool act_;
  std::string line_;
  size_t pos_ = 0;
  bool stopped_ = false;
};

void define(Run& run, bool act) {
  SrcStream* s = run.rd.top();
  if (!s) return;
  DefineScanner sc(run, *s, act);
  if (!sc.more(false)) return;
  std::string head, body;
  sc.skip_blanks();
  bool comment = false;
  while (!sc.at_end()) {
    char c = sc.peek();
    // A string literal begins the body, also right after the parameter
    // list (#define pr_fmt(fmt)"[dp] " fmt): read as part of the head, its
    // closing quote would open a literal that runs to the end of the file.
    if (c == ' ' || c == '\t' || c == '\n' || c == '"') break;
    if (c == '(' || c == '{') {
      sc.copy_group(head, false);
    } else if (c == '/' && sc.peek(1) == '*') {
      sc.skip_block_comment();
    } else if (c == '/' && sc.peek(1) == '/') {
      comment = true;
      break;
    } else {
      head.push_back(c);
      sc.advance();
    }
  }
  if (!comment) {
    sc.skip_blanks();
    while (!sc.at_end()) {
      char c = sc.peek();
      if (c == '\n' || (c == '/' && sc.peek(1) == '/')) break;
      if (c == '/' && sc.peek(1) == '*') {
        sc.skip_block_comment();
      } else if (c == '\'') {
        sc.copy_char_literal(body);
      } else if (c == '"') {
        sc.skip_string();
      } else if (c == '(' || c == '{') {
        sc.copy_group(body, true);
      } else if (c == '\\' && sc.peek(1) == '\n') {
        // A continuation line joins the body without its indentation.
        if (!sc.more(true)) break;
        sc.skip_blanks();
      } else {
        body.push_back(c);
        sc.advance();
        if (sc.lead(c) && !sc.at_end() && sc.peek() != '\n') {
          body.push_back(sc.peek());
          sc.advance();
        }
        sc.take_plain(body);
      }
    }
  }
  if (!act || head.empty()) return;
  size_t paren = head.find('(');
  std::string name = paren == std::string::npos ? head : head.substr(0, paren);
  // Every backslash goes together with the character after it.
  if (body.find('\\') == std::string::npos) {
    run.pp.macrotab.macdefine(head, name, body);
    return;
  }
  std::string clean;
  clean.reserve(body.size());
  for (size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    if (c == '\\') {
      ++i;
      continue;
    }
    clean.push_back(c);
    if (sc.lead(c) && i + 1 < body.size()) clean.push_back(body[++i]);
  }
  run.pp.macrotab.macdefine(head, name, clean);
}

}  // namespace

void dodefine(Run& run, bool act) {
  try {
    define(run, act);
  } catch (const std::bad_alloc&) {
    ErrorExit(run, ErrorCode::kNoMemoryInDirective);
  }
}

}  // namespace zelta
