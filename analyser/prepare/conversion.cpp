#include "prepare/conversion.h"

#include <cstring>

#include "prepare/readers.h"
#include "run/run.h"
#include "prepare/directives.h"
#include "prepare/line_map.h"
#include "prepare/macro_expansion.h"
#include "prepare/plain_bytes.h"
#include "prepare/configured/configured_conversion.h"

namespace zelta {

int istypeword(std::string_view text) {
  static constexpr std::string_view kTypes[] = {"int",      "char",   "double", "float",  "long",  "short",   "void",
                                                "unsigned", "signed", "enum",   "struct", "union", "ssize_t", "size_t"};
  for (std::string_view t : kTypes)
    if (text == t) return 0;
  return 1;
}

namespace {

// The end of a comment in the bytes `p[0..n)`, read as the token loop of
// skipcomment would read them: a line comment ends after its line end, a
// block comment after a "/" token that follows a "*" token (carriage
// returns, vertical tabs and form feeds make no tokens, so they may stand
// between the two); a NUL byte reads as the end of input and so ends
// either. `star` says whether the token before p[0] was "*". Returns the
// number of bytes the comment takes, n when it does not end.
size_t comment_end(const char* p, size_t n, int kind, bool star) {
  if (kind == 1) {
    for (size_t i = 0; i < n; ++i)
      if (p[i] == '\n' || p[i] == '\0') return i + 1;
    return n;
  }
  size_t i = 0;
  for (;;) {
    if (star) {
      while (i < n && (char_class(static_cast<unsigned char>(p[i])) & kClassSkip)) ++i;
      if (i < n && p[i] == '/') return i + 1;
    }
    const void* hit = i < n ? std::memchr(p + i, '*', n - i) : nullptr;
    const size_t at = hit ? static_cast<size_t>(static_cast<const char*>(hit) - p) : n;
    if (const void* nul = at > i ? std::memchr(p + i, '\0', at - i) : nullptr)
      return static_cast<size_t>(static_cast<const char*>(nul) - p) + 1;
    if (!hit) return n;
    i = at + 1;
    star = true;
  }
}

}  // namespace

void skipcomment(Run& run, int kind) {
  ReaderState& rd = run.rd;
  std::string tok;
  rd.flgcomment = 1;
  bool star = false;
  // Tokens that begin in the pushback stack are read one by one; once it is
  // empty, the rest of the comment is found in the stream's bytes at once.
  while (!rd.pushback.empty()) {
    if (getsrcword(run, tok) == kEnd || (kind == 1 && tok[0] == '\n') || (kind == 0 && star && tok[0] == '/')) {
      rd.flgcomment = 0;
      return;
    }
    star = tok.size() == 1 && tok[0] == '*';
  }
  if (SrcStream* s = rd.top()) {
    TextReader& in = s->text;
    const size_t k = comment_end(in.cur(), in.left(), kind, star);
    if (run.opt.flgdebug && !rd.quiet) run.con.raw(std::string_view(in.cur(), k));
    in.advance(k);
  }
  rd.flgcomment = 0;
}

void skipstring(Run& run) {
  ReaderState& rd = run.rd;
  SrcStream* s = rd.top();
  if (!s) return;
  rd.flgdubble = 1;
  for (;;) {
    int c = s->text.get();
    if (c < 0) ErrorExit(run, ErrorCode::kUnclosedString);
    if (c == '\\' || (s->sjis && sjis_lead(c))) {
      s->text.get();
      continue;
    }
    if (c == '"') break;
  }
  rd.flgdubble = 0;
}

namespace {

bool is_aggregate_word(const std::string& s) { return s == "struct" || s == "union" || s == "enum"; }

// A name that begins with two underscores (__attribute__, __acquires).
bool is_reserved(const std::string& s) { return s.size() >= 2 && s[0] == '_' && s[1] == '_'; }

bool has_aggregate_word(const std::string& s) {
  return s.find("enum") != std::string::npos || s.find("union") != std::string::npos ||
         s.find("struct") != std::string::npos;
}


class Converter final : public LineSource {
 public:
  Converter(Run& run, LineMap* map) : run_(run), rd_(run.rd), pp_(run.pp), track_(run.rd, map), map_(map) {}
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  void convert(const std::string& source, CleanedText& out, TextReader* read);
  bool next_line(std::string& line, int& braces) override;

 private:
  bool active() const { return pp_.active(); }
  void emit(std::string_view s) {
    track_.wrote(s);
    out_->append(s);
  }
  void remember() {
    if (!is_c_space(static_cast<unsigned char>(word_[0]))) {
      nb_ ^= 1;
      nonblank_[nb_].text = word_;
      nonblank_[nb_].viewed = false;
    }
    lastword_ = word_.size() == 1 ? word_[0] : kNameToken;
  }
  // The tokens of a plain run `p[0..k)`, as remember() would have taken them
  // one by one: the last token, and the last two that are not blanks.
  void remember_run(const char* p, size_t k) {
    const unsigned char last = static_cast<unsigned char>(p[k - 1]);
    // A name of more than one character is a marker; the run begins a token.
    const bool longer_name = is_name_char(last) && k >= 2 && is_name_char(static_cast<unsigned char>(p[k - 2]));
    lastword_ = longer_name ? kNameToken : static_cast<char>(last);
    std::string_view found[2];
    int nfound = 0;
    for (size_t e = k; e > 0 && nfound < 2;) {
      const unsigned char c = static_cast<unsigned char>(p[e - 1]);
      if (is_c_space(c)) {
        --e;
        continue;
      }
      size_t b = e - 1;
      if (is_name_char(c))
        while (b > 0 && is_name_char(static_cast<unsigned char>(p[b - 1]))) --b;
      found[nfound++] = std::string_view(p + b, e - b);
      e = b;
    }
    for (int i = nfound - 1; i >= 0; --i) {
      nb_ ^= 1;
      nonblank_[nb_].view = found[i];
      nonblank_[nb_].viewed = true;
    }
  }
  // Takes the run of plain bytes at the reader's position at once, as the
  // token loop would have taken its tokens one by one; empty when there is
  // none. The byte that ends the run is read by the token loop as it would
  // have been pushed back after a name, except an apostrophe: a name right
  // before one is left to the token loop, which knows what an apostrophe
  // after a number means.
  std::string_view plain_run(const PlainBytes& plain) {
    if (!rd_.pushback.empty()) return {};
    SrcStream* s = rd_.top();
    if (!s) return {};
    TextReader& in = s->text;
    const char* p = in.cur();
    const size_t n = in.left();
    size_t k = plain_span(p, n, plain);
    if (k < n && p[k] == '\'')
      while (k > 0 && is_name_char(static_cast<unsigned char>(p[k - 1]))) --k;
    if (k == 0) return {};
    if (run_.opt.flgdebug && !rd_.quiet) run_.con.raw(std::string_view(p, k));
    remember_run(p, k);
    in.advance(k);
    return std::string_view(p, k);
  }
  // The line end at the reader's position taken as the token loop would
  // take it (nothing to echo, nothing pushed back); false when it is not one.
  bool line_end() {
    if (!rd_.pushback.empty() || (run_.opt.flgdebug && !rd_.quiet)) return false;
    SrcStream* s = rd_.top();
    if (!s || s->text.left() == 0 || *s->text.cur() != '\n') return false;
    s->text.advance(1);
    word_.assign(1, '\n');
    return true;
  }
  // A comment ends the "/" that opened it: what follows may open a comment
  // of its own, but does not continue this one.
  void after_comment() { lastword_ = 0; }
  // String literals, directives and comments leave nothing of their own in
  // the cleaned text, wherever they stand; true when the token was one.
  bool skip_text() {
    switch (word_[0]) {
      case '"':
        skipstring(run_);
        break;
      case '#':
        directive(run_);
        break;
      case '*':
      case '/':
        if (lastword_ != '/') return false;
        skipcomment(run_, word_[0] == '*' ? 0 : 1);
        // A line comment takes its line end with it, and so the end of an
        // ignored directive's line (#pragma once // guard).
        if (word_[0] == '/') pp_.directive_text = 0;
        after_comment();
        break;
      default:
        return false;
    }
    track_.moved();
    return true;
  }
  bool end_of_stream();
  void file_tail();
  // -p: the file-level token just read goes to the declaration text, which
  // gets each line (macros expanded where it matters) and a mark before each
  // body.
  void file_level_text() {
    if (word_[0] == '\n' || (word_[0] == '{' && pending_ != 0 && !has_aggregate_word(lastnonblank()))) {
      // Only an initialiser's lines need their macros: a macro there may make
      // the declaration (DEFINE_X(name) = {), the stored values or whole rows
      // of them. An initialiser runs from its "=" to the ";" after it.
      if (declinit_ || declline_.find('=') != std::string::npos) {
        expandclosing(run_, declline_);
        if (declline_.find('=') != std::string::npos) declinit_ = true;
      }
      if (declline_.find(';') != std::string::npos) declinit_ = false;
      decls_->append(declline_);
      declline_.clear();
      if (word_[0] == '{') {
        *decls_ += "\n\x01";
        *decls_ += pendingname_;
      }
      decls_->push_back('\n');
      return;
    }
    declline_ += word_;
  }
  bool body();

  Run& run_;
  ReaderState& rd_;
  Preprocessor& pp_;
  LineTracker track_;
  LineMap* map_;
  LineTracker::Position lastnonblank_at_;  // where those names stand (kept with a map)
  SourceLoc pendingname_at_;
  std::string* out_ = nullptr;
  std::string* decls_ = nullptr;  // -p and -c only
  std::string declline_;
  bool declinit_ = false;  // the declaration text is inside an initialiser
  std::string word_, pendingname_, linebuf_;
  // The last two tokens whose first character is not white space, in two
  // slots that change roles, so that keeping one is a copy into a buffer of
  // its own size rather than a fresh string. A token of a plain run is kept
  // as a view of its stream's bytes until it is asked for or the stream
  // ends: most are replaced before anyone asks.
  struct Kept {
    std::string text;
    std::string_view view;
    bool viewed = false;
    const std::string& get() {
      if (viewed) {
        text.assign(view);
        viewed = false;
      }
      return text;
    }
  };
  Kept nonblank_[2];
  int nb_ = 0;
  const std::string& lastnonblank() { return nonblank_[nb_].get(); }
  const std::string& prevnonblank() { return nonblank_[nb_ ^ 1].get(); }
  // The token before the current one. Only single-character tokens are ever
  // compared with it, so a name is kept as a marker rather than a copy.
  static constexpr char kNameToken = 'A';
  char lastword_ = 0;
  int pending_ = 0;
  int skipdepth_ = 0;
  int linebraces_ = 0;
  // File-level nesting of "(" and "[" and whether an initialiser is being
  // read: a "(" nested in either starts no header, and the ";" that ends
  // an initialiser settles a header its "(" started.
  int parendepth_ = 0;
  int bracketdepth_ = 0;
  bool initialiser_ = false;
  // The group after the pending name is open, and when closed, whether it
  // held one name (ElfW(Addr)) rather than a parameter list.
  bool namegroup_ = false;
  bool typegroup_ = false;
  // The name of a file-level group "(name)" just closed, and where it stands.
  std::string parenname_;
  SourceLoc parenname_at_;
  bool attrgroup_ = false;  // that group opened with "((": __attribute__((x))
  // That group has closed, and no ";", "=" or body has come since.
  bool afterlist_ = false;
  // That group holds a type word or a "*" at its own level.
  bool declgroup_ = false;
  // Notes a name or "*" read at the pending group's own level.
  void in_group(std::string_view tok) {
    if (namegroup_ && parendepth_ == 1 && (tok == "*" || istypeword(tok) == 0)) declgroup_ = true;
  }
  void in_group_run(std::string_view run) {
    if (!namegroup_ || parendepth_ != 1 || declgroup_) return;
    for (size_t i = 0; i < run.size();) {
      const unsigned char c = static_cast<unsigned char>(run[i]);
      if (!is_name_char(c)) {
        ++i;
        continue;
      }
      size_t e = i;
      while (e < run.size() && is_name_char(static_cast<unsigned char>(run[e]))) ++e;
      in_group(run.substr(i, e - i));
      i = e;
    }
  }
};

// The top stream has ended: back to the includer. False when the analysed
// file itself has ended.
bool Converter::end_of_stream() {
  track_.moved();
  nonblank_[0].get();
  nonblank_[1].get();
  return pop_source(rd_);
}

void Converter::file_tail() {
  remember();
  // A name at file level may head a definition: where it stands is kept.
  if (track_.on() && is_name_char(static_cast<unsigned char>(word_[0]))) lastnonblank_at_ = track_.position();
  if (skipdepth_ == 0 && active()) in_group(word_);
  if (skipdepth_ > 0) {
    if (active()) {
      if (word_[0] == '}')
        skipdepth_--;
      else if (word_[0] == '{')
        skipdepth_++;
    }
    return;
  }
  if (active() && pending_ == 0) emit(word_);
}

void Converter::convert(const std::string& source, CleanedText& out, TextReader* read) {
  out.text.clear();
  out.decls.clear();
  out.made = false;
  out_ = &out.text;
  // -c reads the declarations too: which names are functions.
  decls_ = run_.opt.flgptr || run_.opt.flgconf ? &out.decls : nullptr;
  declinit_ = false;
  rd_.instack.clear();
  rd_.intop = -1;
  rd_.mid_sjis = false;
  auto s = std::make_unique<SrcStream>();
  if (read && read->is_open()) {
    s->text.take_from(*read);
  } else if (!open_source(rd_, s->text, source)) {
    run_.errlog.text("ファイルのオープンに失敗しました\n");
    run_.con.print("エラー : %sのファイルがありません\n", source.c_str());
    EndRun(0);
  }
  s->sjis = looks_shift_jis(s->text.data());
  s->file = run_.sources.intern(source);
  run_.sources.inputs.push_back(s->file);
  if (map_) {
    map_->clear();
    map_->unit = s->file;
  }
  push_source(rd_, std::move(s));
  pp_.reset_conditionals();
  out.made = true;
  if (run_.opt.flgdebug) {
    run_.con.print("---henkan()---\n");
    run_.con.print("filename=%s\n", source.c_str());
  }
  if (run_.opt.flgtime) {
    run_.con.print("---\n");
    Checkpoint(run_, "1-1 %d.%03d\n");
  }
  pending_ = 0;
  skipdepth_ = 0;

  for (;;) {
    if (const std::string_view run = plain_run(kFilePlain); !run.empty()) {
      if (track_.on()) {
        // The last name of the run is where a definition's name would stand.
        size_t e = run.size();
        while (e > 0 && !is_name_char(static_cast<unsigned char>(run[e - 1]))) --e;
        if (e > 0) lastnonblank_at_ = track_.position_before(run.size() - e);
      }
      if (skipdepth_ == 0 && active() && pending_ == 0) emit(run);
      if (skipdepth_ == 0 && active()) in_group_run(run);
      if (decls_ && active()) declline_.append(run);
      continue;
    }
    if (getsrcword(run_, word_) == kEnd) {
      if (!end_of_stream()) {
        if (decls_) decls_->append(declline_);
        break;
      }
      continue;
    }
    if (skip_text()) continue;
    const bool counted = active() && skipdepth_ == 0;
    if (decls_ && active()) file_level_text();
    switch (word_[0]) {
      case '\n':
        pp_.directive_text = 0;
        break;
      case '(':
        // A name right after struct, union or enum is a tag, never a function:
        // its "(" belongs to an attribute (struct __attribute__((packed)) {).
        if (counted && parendepth_ == 0 && bracketdepth_ == 0 && !pp_.directive_text &&
            istypeword(lastnonblank()) == 1 && !lastnonblank().empty() &&
            is_name_char(static_cast<unsigned char>(lastnonblank()[0])) && !is_aggregate_word(prevnonblank())) {
          // NAME1(...) __NAME2(...) {: a group right after the parameter
          // list's ")" whose name begins with "__" is an annotation
          // (__acquires(p)) and NAME1 names the function. NAME1's group is
          // a parameter list when it declares something (a type word or a
          // "*" at its own level: __bpf_prog_enter(struct bpf_prog *prog)),
          // or when NAME1 is an ordinary name; a chain of macro calls
          // (__mathop (a, b) __defun (c, d) {) names the body after the
          // last. A group before the name is no parameter list and yields
          // to it: an attribute (__attribute__
          // ((noinline)) __f (void) {), a type made by a macro (ElfW(Addr)
          // __f (void) {), and an earlier macro call (weak_alias (a, b) int
          // __f (void) {), which no ")" ends right before the name. The ")"
          // must be the pending header's own: a header left pending by a
          // prototype (int f (void) attribute_hidden;) has no say.
          if (!(pending_ == 1 && prevnonblank() == ")" && afterlist_ && !typegroup_ && !attrgroup_ &&
                is_reserved(lastnonblank()) && (declgroup_ || !is_reserved(pendingname_)))) {
            pendingname_ = lastnonblank();
            if (track_.on()) pendingname_at_ = track_.located(lastnonblank_at_);
            namegroup_ = true;
            attrgroup_ = false;
            afterlist_ = false;
            declgroup_ = false;
          }
          pending_ = 1;
        } else if (counted && pending_ == 0 && parendepth_ == 0 && bracketdepth_ == 0 && !pp_.directive_text &&
                   !initialiser_ && lastnonblank() == ")" && !parenname_.empty()) {
          // T *(name) (args) {: a parenthesised name, as a header keeps a
          // same-named function-like macro from expanding.
          pendingname_ = parenname_;
          if (track_.on()) pendingname_at_ = parenname_at_;
          namegroup_ = true;
          attrgroup_ = false;
          afterlist_ = false;
          declgroup_ = false;
          pending_ = 1;
        }
        parenname_.clear();
        // A header's group that opens with a second "(" is an attribute's.
        if (counted && parendepth_ == 1 && namegroup_ && lastnonblank() == "(") attrgroup_ = true;
        if (counted) parendepth_++;
        break;
      case ')':
        if (counted && parendepth_ > 0) parendepth_--;
        if (counted && parendepth_ == 0 && pending_ == 0 && prevnonblank() == "(" && !lastnonblank().empty() &&
            is_name_char(static_cast<unsigned char>(lastnonblank()[0])) && istypeword(lastnonblank()) == 1) {
          parenname_ = lastnonblank();
          if (track_.on()) parenname_at_ = track_.located(lastnonblank_at_);
        }
        // A header's group that holds one name, not a type word, is no
        // parameter list.
        if (counted && parendepth_ == 0 && namegroup_) {
          typegroup_ = prevnonblank() == "(" && is_name_char(static_cast<unsigned char>(lastnonblank()[0])) &&
                       istypeword(lastnonblank()) == 1;
          namegroup_ = false;
          afterlist_ = true;
        }
        break;
      case '[':
        if (counted) bracketdepth_++;
        break;
      case ']':
        if (counted && bracketdepth_ > 0) bracketdepth_--;
        break;
      case ';':
        // Blanks between ")" and ";" change nothing: } __attribute__ ((packed)) ;
        if (lastnonblank() == ")" || initialiser_) pending_ = 0;
        initialiser_ = false;
        afterlist_ = false;
        if (skipdepth_ == 0) parendepth_ = bracketdepth_ = 0;
        break;
      case '=':
        pending_ = 0;
        afterlist_ = false;
        if (active()) initialiser_ = true;
        break;
      case '{':
        // A brace of an inactive region has no say in the structure: an
        // `extern "C" {` or one of two alternative function heads under
        // #ifdef would otherwise swallow what follows.
        if (!active()) break;
        if (pending_ == 0) {
          skipdepth_++;
          continue;
        }
        if (has_aggregate_word(lastnonblank())) break;
        if (!body()) return;
        continue;
      default:
        break;
    }
    file_tail();
  }
}

// A function body, entered on the "{" of a pending header. False when the
// analysed file ended inside it.
bool Converter::body() {
  emit("\n ");
  track_.name(pendingname_at_);
  emit(pendingname_);
  emit("(){");
  track_.moved();
  rd_.flgcomment = 0;
  rd_.flgdubble = 0;
  pending_ = 0;
  if (pendingname_ == "cpio") run_.con.text("消すこと");
  rd_.bracedepth = 1;
  rd_.macrobraces = 0;
  afterlist_ = false;
  linebraces_ = 0;
  linebuf_.clear();
  const int saved_skip = skipdepth_;
  parendepth_ = bracketdepth_ = 0;
  initialiser_ = false;
  while (rd_.bracedepth > 0) {
    if (const std::string_view run = plain_run(kBodyPlain); !run.empty()) {
      track_.line_run(linebuf_.size(), run);
      linebuf_.append(run);
      continue;
    }
    if (!line_end() && getsrcword(run_, word_) == kEnd) {
      if (!end_of_stream()) return false;
      continue;
    }
    if (skip_text()) continue;
    switch (word_[0]) {
      case '\n': {
        pp_.directive_text = 0;
        linebuf_.push_back('\n');
        int braces = linebraces_;
        linebraces_ = 0;
        if (active()) {
          track_.line_expanding(linebuf_);
          expandline(run_, linebuf_, braces, this);
          track_.line_written(linebuf_);
          emit(linebuf_);
          linebuf_.clear();
        } else {
          track_.line_dropped();
          linebuf_.assign(1, '\n');
        }
        track_.moved();
        remember();
        continue;
      }
      case '{':
        if (!active()) {
          rd_.bracedepth--;  // braces of an inactive region do not count
          break;
        }
        linebraces_++;
        break;
      case '}':
        if (!active()) rd_.bracedepth++;
        break;
      default:
        break;
    }
    track_.line_token(linebuf_.size(), word_);
    linebuf_ += word_;
    remember();
  }
  // The closing line is expanded before its "}" like every other line
  // (unless a macro call's further line has already taken the "}").
  if (!linebuf_.empty() && linebuf_.back() == '}') {
    track_.line_expanding(linebuf_);
    linebuf_.pop_back();
    expandclosing(run_, linebuf_);
    linebuf_.push_back('}');
  }
  track_.line_written(linebuf_);
  emit(linebuf_);
  linebuf_.clear();
  skipdepth_ = saved_skip;
  return true;
}

// A further source line for a macro call whose arguments run past its line
// end: read like body text (literals and comments dropped, directives
// obeyed), up to its line end or the "}" that closes the body.
bool Converter::next_line(std::string& line, int& braces) {
  struct Quiet {
    int& q;
    explicit Quiet(int& flag) : q(flag) { ++q; }
    ~Quiet() { --q; }
  } quiet(rd_.quiet);
  line.clear();
  bool any = false;
  for (;;) {
    if (getsrcword(run_, word_) == kEnd) return any;
    any = true;
    if (skip_text()) continue;
    remember();
    if (active() || word_[0] == '\n') {
      if (word_[0] == '{') braces++;
      track_.more_token(word_);
      line += word_;
    } else if (word_[0] == '{') {
      rd_.bracedepth--;
    } else if (word_[0] == '}') {
      rd_.bracedepth++;
    }
    if (word_[0] == '\n' || rd_.bracedepth <= 0) return true;
  }
}

}  // namespace

void henkan(Run& run, const std::string& source, CleanedText& out, LineMap* map, TextReader* read) {
  if (run.opt.flgconf) {
    configured_henkan(run, source, out, map, read);
    return;
  }
  convert_source(run, source, out, map, read);
}

void convert_source(Run& run, const std::string& source, CleanedText& out, LineMap* map, TextReader* read) {
  Converter c(run, map);
  c.convert(source, out, read);
  out.sjis = run.rd.mid_sjis;
}

}  // namespace zelta
