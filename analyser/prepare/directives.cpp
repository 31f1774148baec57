#include "prepare/directives.h"


#include "prepare/readers.h"
#include "run/run.h"
#include "platform/text_codec.h"
#include "prepare/if_evaluation.h"

namespace zelta {

namespace {

// Headers nested deeper than this are passed over like missing ones (the
// include-once list already stops a header from including itself; this
// stops aliases such as "./a.h" from going on without end).
constexpr int kMaxIncludeDepth = 4096;

// Reads tokens up to the next name; false at end of input.
bool read_name(Run& run, std::string& name) {
  for (;;) {
    int r = getsrcword(run, name);
    if (r == kName) return true;
    if (r == kEnd) {
      name.clear();
      return false;
    }
  }
}

// Drops the rest of a directive line (continuation lines too) but leaves
// its line end for the conversion pass, as other directives do. The text is
// read raw, so an apostrophe in a message starts no character literal.
void skip_line(Run& run) {
  ReaderState& rd = run.rd;
  int prev = 0;
  if (!rd.pushback.empty()) {
    int c = rd.pushback.back();
    if (c == '\n' || c == 0) return;
    rd.pushback.pop_back();
    prev = c;
  }
  SrcStream* s = rd.top();
  if (!s) return;
  const bool echo = run.opt.flgdebug && !rd.quiet;
  for (;;) {
    int c = s->text.get();
    if (c < 0) return;
    if (echo) run.con.rawc(c);  // read from the source like any other line
    if (c == '\n' && prev != '\\') {
      ungetchar(run, '\n');
      return;
    }
    prev = (prev == '\\') ? 0 : c;
  }
}

// A header is read as a source is: only a plain file (the reader refuses a
// device or a pipe named by an #include, which could block or never end).
// Bytes held for its path (an editor's unsaved buffer) stand for the file.
bool open_header(ReaderState& rd, TextReader& in, const std::string& path) {
  if (rd.held)
    if (const std::string* bytes = rd.held(path)) {
      in.open_bytes(*bytes);
      return true;
    }
  return open_source(rd, in, path);
}

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string slashes(std::string s) {
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

void close_level(Preprocessor& pp) {
  if (pp.iftop <= 0) {  // an #endif with no open level closes nothing
    pp.iftop = 0;
    pp.ifopen = 0;
    return;
  }
  if (--pp.iftop == 0) pp.ifopen = 0;
}

bool enclosing_active(const Preprocessor& pp) {
  return pp.iftop < 2 || pp.ifstack[static_cast<size_t>(pp.iftop - 1)].active == 1;
}

void do_else(Preprocessor& pp) {
  if (pp.iftop <= 0) return;
  CondLevel& l = pp.ifstack[static_cast<size_t>(pp.iftop)];
  if (l.state == 0)
    l.active = 0;
  else
    l.active = enclosing_active(pp) ? 1 : 0;
}

// #elif: the first branch of a group whose condition holds is active, every
// later one inactive, and nothing inside an inactive region opens.
void do_elif(Run& run) {
  Preprocessor& pp = run.pp;
  bool cond = evalif(run);
  if (pp.iftop <= 0) return;
  CondLevel& l = pp.ifstack[static_cast<size_t>(pp.iftop)];
  if (l.state == 1 && cond && enclosing_active(pp)) {
    l.active = 1;
    l.state = 0;
  } else {
    l.active = 0;
  }
}

}  // namespace

void pushlevel(Run& run, bool cond) {
  Preprocessor& pp = run.pp;
  pp.iftop++;
  if (static_cast<size_t>(pp.iftop) >= pp.ifstack.size()) pp.ifstack.resize(static_cast<size_t>(pp.iftop) + 1);
  CondLevel& l = pp.ifstack[static_cast<size_t>(pp.iftop)];
  if (cond) {
    l.state = 0;
    if (enclosing_active(pp)) {
      l.active = 1;
    } else {
      l.active = 0;
      l.state = 1;
    }
  } else {
    l.active = 0;
    l.state = 1;
  }
  pp.ifopen = 1;
}

void directive(Run& run) {
  std::string word;
  for (;;) {
    int r = getsrcword(run, word);
    if (r == kEnd) return;
    if (r == kName) break;
    if (word[0] == '\n') {  // a "#" alone on its line
      ungetchar(run, '\n');
      return;
    }
  }
  Preprocessor& pp = run.pp;
  bool act = pp.active();
  if (word == "include") {
    doinclude(run, act);
  } else if (word == "define") {
    dodefine(run, act);
  } else if (word == "undef") {
    doundef(run, act);
  } else if (word == "endif") {
    close_level(pp);
  } else if (word == "if") {
    pushlevel(run, evalif(run));
  } else if (word == "ifdef" || word == "ifndef") {
    std::string name;
    read_name(run, name);
    bool found = run.pp.macrotab.maclookup(name) != nullptr;
    pushlevel(run, word == "ifdef" ? found : !found);
  } else if (word == "else") {
    do_else(pp);
  } else if (word == "elif") {
    do_elif(run);
  } else if (word == "error" || word == "warning") {
    skip_line(run);
  } else {
    // Any other word: only the word is consumed; the rest of its line is text.
    pp.directive_text = 1;
  }
}

int doinclude(Run& run, bool act) {
  std::string tok;
  char open = 0;
  for (;;) {
    int r = getsrcword(run, tok);
    if (r == kEnd) return -1;
    if (tok == "\"" || tok == "<") {
      open = tok[0];
      break;
    }
    if (tok == "\n") {  // no quoted or bracketed name on the line: skip it
      ungetchar(run, '\n');
      return -1;
    }
  }
  (void)open;
  std::string name;
  char close = 0;
  for (;;) {
    int r = getsrcword(run, tok);
    if (r == kEnd) return -1;
    if (tok == "\"" || tok == ">") {
      close = tok[0];
      break;
    }
    if (tok == "\n") {  // the name does not close on its line
      ungetchar(run, '\n');
      return -1;
    }
    name += tok;
  }
  if (!act) return 1;
  // A header is looked for once per run: its paths are made only then.
  Preprocessor& pp = run.pp;
  if (!pp.inclist.insert(name).second) return 1;

  std::string first, second;
  if (close == '"') {
    const std::string& dir = run.cfg.srcdir.empty() ? std::string(".") : run.cfg.srcdir;
    first = dir + "/" + slashes(name);
    second = slashes(name);
  } else {
    std::string dir = run.cfg.include_path;
    if (!dir.empty() && dir.back() == '\n') dir.pop_back();
    dir = cp932_to_locale(dir);
    if (!dir.empty() && dir.back() != '/') dir += '/';
    first = dir + slashes(name);
    second = dir + upper(slashes(name));
  }
  if (run.rd.intop + 1 >= kMaxIncludeDepth) return -1;
  auto s = std::make_unique<SrcStream>();
  const std::string* opened = &first;
  if (!open_header(run.rd, s->text, first)) {
    if (!open_header(run.rd, s->text, second)) return -1;
    opened = &second;
  }
  s->sjis = looks_shift_jis(s->text.data());
  s->file = run.sources.intern(*opened);
  if (run.opt.flgdebug) {
    run.con.print("---------%s-------------\n", opened->c_str());
    run.con.print("\n---------end of %s-------------\n", first.c_str());
  }
  push_source(run.rd, std::move(s));
  return 1;
}

void doundef(Run& run, bool act) {
  std::string name;
  if (read_name(run, name) && act) run.pp.macrotab.macundef(name);
}

}  // namespace zelta
