#include "prepare/conversion.h"

#include "prepare/readers.h"
#include "run/run.h"
#include "prepare/directives.h"
#include "prepare/line_map.h"
#include "prepare/macro_expansion.h"

namespace zelta {

int istypeword(std::string_view text) {
  static constexpr std::string_view kTypes[] = {"int",      "char",   "double", "float",  "long",  "short",   "void",
                                                "unsigned", "signed", "enum",   "struct", "union", "ssize_t", "size_t"};
  for (std::string_view t : kTypes)
    if (text == t) return 0;
  return 1;
}

void skipcomment(Run& run, int kind) {
  ReaderState& rd = run.rd;
  std::string tok;
  rd.flgcomment = 1;
  if (kind == 1) {
    while (getsrcword(run, tok) != kEnd && tok[0] != '\n') {
    }
  } else {
    bool star = false;
    while (getsrcword(run, tok) != kEnd) {
      if (star && tok[0] == '/') break;
      star = tok.size() == 1 && tok[0] == '*';
    }
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
    if (c < 0) ErrorExit(run, -100);
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
  // An error exit leaves the text written so far in the file, as a
  // buffered stream would.
  ~Converter() {
    if (out_.is_open()) flush();
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  void convert(const std::string& source, const std::string& conv);
  bool next_line(std::string& line, int& braces) override;

 private:
  bool active() const { return pp_.active(); }
  void emit(const std::string& s) {
    track_.wrote(s);
    obuf_ += s;
    if (obuf_.size() >= kFlushAt) flush();
  }
  // The cleaned text is gathered here and handed to the writer in chunks.
  static constexpr size_t kFlushAt = 1 << 16;
  void flush() {
    out_.raw(obuf_);
    obuf_.clear();
  }
  void remember() {
    if (!is_c_space(static_cast<unsigned char>(word_[0]))) {
      prevnonblank_.swap(lastnonblank_);
      lastnonblank_ = word_;
    }
    lastword_ = word_.size() == 1 ? word_[0] : kNameToken;
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
  bool body();

  Run& run_;
  ReaderState& rd_;
  Preprocessor& pp_;
  LineTracker track_;
  LineMap* map_;
  LineTracker::Position lastnonblank_at_;  // where those names stand (kept with a map)
  SourceLoc pendingname_at_;
  TextWriter out_;
  std::string word_, lastnonblank_, pendingname_, linebuf_, obuf_;
  std::string prevnonblank_;  // the non-blank token before lastnonblank_
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
};

// The top stream has ended: back to the includer. False when the analysed
// file itself has ended (the output is then closed).
bool Converter::end_of_stream() {
  track_.moved();
  if (pop_source(rd_)) return true;
  flush();
  out_.close();
  return false;
}

void Converter::file_tail() {
  remember();
  // A name at file level may head a definition: where it stands is kept.
  if (track_.on() && is_name_char(static_cast<unsigned char>(word_[0]))) lastnonblank_at_ = track_.position();
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

void Converter::convert(const std::string& source, const std::string& conv) {
  rd_.instack.clear();
  rd_.intop = -1;
  rd_.mid_sjis = false;
  auto s = std::make_unique<SrcStream>();
  if (!s->text.open(source)) {
    // The output is made only once the source is open: the empty file
    // reserved under its name goes again.
    remove_file(conv);
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
  if (!out_.open(conv)) {
    run_.con.print("一時ファイルの作成に失敗しました\n");
    run_.errlog.print("一時ファイルの作成に失敗しました\n");
    EndRun(0);
  }
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
    if (getsrcword(run_, word_) == kEnd) {
      if (!end_of_stream()) return;
      continue;
    }
    if (skip_text()) continue;
    const bool counted = active() && skipdepth_ == 0;
    switch (word_[0]) {
      case '\n':
        pp_.directive_text = 0;
        break;
      case '(':
        // A name right after struct, union or enum is a tag, never a function:
        // its "(" belongs to an attribute (struct __attribute__((packed)) {).
        if (counted && parendepth_ == 0 && bracketdepth_ == 0 && !pp_.directive_text &&
            istypeword(lastnonblank_) == 1 && !lastnonblank_.empty() &&
            is_name_char(static_cast<unsigned char>(lastnonblank_[0])) && !is_aggregate_word(prevnonblank_)) {
          // NAME1(...) __NAME2(...) {: a group right after the header's ")"
          // whose name begins with "__" is an annotation (__acquires(p)) and
          // NAME1 names the function. An attribute before the name yields
          // to it, and so do an earlier macro call (weak_alias (a, b) int
          // __b (void) {) and a type made by a macro (ElfW(Addr) __f (void) {).
          if (!(pending_ == 1 && prevnonblank_ == ")" && !typegroup_ && is_reserved(lastnonblank_) &&
                !is_reserved(pendingname_))) {
            pendingname_ = lastnonblank_;
            if (track_.on()) pendingname_at_ = track_.located(lastnonblank_at_);
            namegroup_ = true;
          }
          pending_ = 1;
        }
        if (counted) parendepth_++;
        break;
      case ')':
        if (counted && parendepth_ > 0) parendepth_--;
        // A header's group that holds one name, not a type word, is no
        // parameter list.
        if (counted && parendepth_ == 0 && namegroup_) {
          typegroup_ = prevnonblank_ == "(" && is_name_char(static_cast<unsigned char>(lastnonblank_[0])) &&
                       istypeword(lastnonblank_) == 1;
          namegroup_ = false;
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
        if (lastnonblank_ == ")" || initialiser_) pending_ = 0;
        initialiser_ = false;
        if (skipdepth_ == 0) parendepth_ = bracketdepth_ = 0;
        break;
      case '=':
        pending_ = 0;
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
        if (has_aggregate_word(lastnonblank_)) break;
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
  linebraces_ = 0;
  linebuf_.clear();
  const int saved_skip = skipdepth_;
  parendepth_ = bracketdepth_ = 0;
  initialiser_ = false;
  while (rd_.bracedepth > 0) {
    if (getsrcword(run_, word_) == kEnd) {
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

void henkan(Run& run, const std::string& source, const std::string& conv, LineMap* map) {
  Converter c(run, map);
  c.convert(source, conv);
}

}  // namespace zelta
