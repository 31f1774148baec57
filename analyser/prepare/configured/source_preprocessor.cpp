#include "prepare/configured/source_preprocessor.h"

#include <unordered_set>

#include "prepare/configured/if_expression.h"
#include "prepare/configured/macro_expander.h"
#include "platform/text_file.h"

namespace zelta::configured {

namespace {

// Compilers stop at 200 nested includes; a header that includes itself
// without a guard ends there too.
constexpr size_t kMaxIncludeDepth = 200;

std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string join(const std::string& dir, std::string_view name) {
  if (!name.empty() && name[0] == '/') return std::string(name);
  if (dir.empty() || dir == ".") return std::string(name);
  std::string p = dir;
  if (p.back() != '/') p += '/';
  p.append(name);
  return p;
}

struct Cond {
  bool active;         // lines of the current group are read
  bool taken;          // a group of this #if has been taken (or none may be)
  bool parent_active;
};

struct Frame {
  const LexedFile* f;
  size_t line = 0;  // next line
  std::uint32_t tok = 0, tokend = 0;
  int dir_index = -1;  // where in the search chain it was found (-1: beside its includer, or no search)
  std::string dir;     // its folder, for "..." includes
  size_t cond_base = 0;
};

class SourcePreprocessor final : public TokenSource {
 public:
  SourcePreprocessor(ConfiguredRun& cr, const SourceConfig& cfg, Preprocessed& out)
      : cr_(cr), cfg_(cfg), out_(out), cx_{macros_, hs_, scratch_, {}, {}, 0, 0, 0, {}} {
    cx_.has_include = [this](std::string_view name, bool angled, bool next) {
      Found f = find(name, angled, next);
      return f.f != nullptr;
    };
    cx_.file_name = [this](int file) { return file >= 0 ? cr_.path_of(file) : std::string("<command-line>"); };
    dirs_ = cfg_.quote;
    dirs_.insert(dirs_.end(), cfg_.angled.begin(), cfg_.angled.end());
    if (!cr_.include_path.empty()) dirs_.push_back(cr_.include_path);
  }

  void run(const std::string& source, std::string bytes) {
    main_.reset(new LexedFile);
    const int id = cr_.id_of(source);
    used(id);
    lex_file(std::move(bytes), id, *main_);
    std::string conf = cfg_.defines;
    for (const std::string& inc : cfg_.includes) conf += "#include \"" + inc + "\"\n";
    lex_file(std::move(conf), -1, config_);
    push(main_.get(), -1, folder_of(source));
    push(&config_, -1, cfg_.directory.empty() ? std::string(".") : cfg_.directory);
    push(&cr_.predefined_lexed, -1, ".");
    Expander ex(cx_, this, false);
    Token t;
    while (ex.next(t)) {
      if (t.kind == Tok::Ident && t.text == "_Pragma") {
        // _Pragma ("...") is a #pragma: nothing of it reaches the text.
        Token a;
        if (!ex.next(a)) break;
        if (a.is("(")) {
          Token b, c;
          if (ex.next(b) && !b.is(")")) ex.next(c);
          continue;
        }
        emit(t);
        t = a;
      }
      emit(t);
    }
    flush_error(ex_error_line_);
  }

  bool next(Token& t) override {
    for (;;) {
      if (stack_.empty()) return false;
      Frame& fr = stack_.back();
      if (fr.tok < fr.tokend) {
        t = fr.f->tokens[fr.tok++];
        return true;
      }
      if (fr.line >= fr.f->lines.size()) {
        end_frame();
        continue;
      }
      const PpLine& l = fr.f->lines[fr.line++];
      if (l.directive) {
        directive(l);
        continue;
      }
      if (!active()) continue;
      fr.tok = l.first;
      fr.tokend = l.end;
      cx_.made = 0;
      // An error of the text's expansion is told with the line it began on.
      if (!cx_.error.empty()) flush_error(ex_error_line_);
      ex_error_line_ = {fr.f->tokens[l.first].file, l.line};
    }
  }

 private:
  struct Found {
    const LexedFile* f = nullptr;
    std::string path;
    int dir_index = -1;
  };

  bool active() const { return conds_.empty() || conds_.back().active; }

  void push(const LexedFile* f, int dir_index, std::string dir) {
    Frame fr;
    fr.f = f;
    fr.dir_index = dir_index;
    fr.dir = std::move(dir);
    fr.cond_base = conds_.size();
    stack_.push_back(std::move(fr));
    cx_.include_level = static_cast<int>(stack_.size()) - 1;
  }

  void end_frame() {
    Frame& fr = stack_.back();
    if (conds_.size() > fr.cond_base) {
      note(fr, fr.f->lines.empty() ? 0 : fr.f->lines.back().line, "#ifが#endifで閉じられていません");
      conds_.resize(fr.cond_base);
    }
    stack_.pop_back();
    cx_.include_level = stack_.empty() ? 0 : static_cast<int>(stack_.size()) - 1;
  }

  std::string where(const Frame& fr) const {
    const int file = fr.f->file;
    return file >= 0 ? cr_.path_of(file) : std::string("<command-line>");
  }
  // `text` is a system text (UTF-8) without "%".
  void note(const Frame& fr, int line, const std::string& text, const std::string& name = std::string(),
            const std::string& once = std::string()) {
    out_.notes.push_back({"%s:%d: " + text + "%s\n", where(fr), line, name, once});
  }
  void flush_error(SourceLoc at) {
    if (cx_.error.empty()) return;
    out_.notes.push_back(
        {"%s:%d: " + cx_.error + "%s\n", at.file >= 0 ? cr_.path_of(at.file) : "<command-line>", at.line, "", ""});
    cx_.error.clear();
  }

  void used(int id) {
    if (used_.insert(id).second) out_.used.push_back(id);
  }
  const LexedFile* load(const std::string& path) {
    const LexedFile* f = cr_.load(path);
    if (f) used(f->file);
    return f;
  }

  Found find(std::string_view name, bool angled, bool next) {
    Found r;
    if (name.empty()) return r;
    if (name[0] == '/') {
      r.path = std::string(name);
      r.f = load(r.path);
      return r;
    }
    const int quotes = static_cast<int>(cfg_.quote.size());
    size_t start = angled ? static_cast<size_t>(quotes) : 0;
    const Frame& fr = stack_.back();
    if (next && fr.dir_index >= 0) {
      start = static_cast<size_t>(fr.dir_index) + 1;
    } else if (!angled) {
      r.path = join(fr.dir, name);
      if ((r.f = load(r.path))) return r;
    }
    for (size_t i = start; i < dirs_.size(); ++i) {
      r.path = join(dirs_[i], name);
      if ((r.f = load(r.path))) {
        r.dir_index = static_cast<int>(i);
        return r;
      }
    }
    r.path.clear();
    return r;
  }

  // The header name of an #include line: "x", <x>, or macros that make one.
  bool header_name(const PpLine& l, const Token* t, size_t n, std::string& name, bool& angled) {
    std::string_view raw = l.raw;
    size_t i = 0;
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
    while (i < raw.size() && raw[i] != ' ' && raw[i] != '\t' && raw[i] != '<' && raw[i] != '"') ++i;
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
    if (i < raw.size() && (raw[i] == '<' || raw[i] == '"')) {
      const char close = raw[i] == '<' ? '>' : '"';
      const size_t e = raw.find(close, i + 1);
      if (e == std::string_view::npos) return false;
      angled = close == '>';
      name.assign(raw.substr(i + 1, e - i - 1));
      return true;
    }
    std::vector<Token> line(t + 2, t + n);
    std::vector<Token> x = Expander::expand_all(cx_, line, false, 0);
    if (!x.empty() && x[0].kind == Tok::String && x[0].text.size() >= 2 && x[0].text[0] == '"') {
      angled = false;
      name.assign(x[0].text.substr(1, x[0].text.size() - 2));
      return true;
    }
    if (x.size() >= 2 && x[0].is("<")) {
      angled = true;
      name.clear();
      for (size_t k = 1; k < x.size() && !x[k].is(">"); ++k) {
        if (x[k].space && !name.empty()) name += ' ';
        name.append(x[k].text);
      }
      return true;
    }
    return false;
  }

  void include(const PpLine& l, const Token* t, size_t n, bool next) {
    Frame& fr = stack_.back();
    std::string name;
    bool angled = false;
    if (!header_name(l, t, n, name, angled)) {
      cx_.error.clear();
      note(fr, l.line, "#includeのファイル名が正しくありません");
      return;
    }
    if (stack_.size() >= kMaxIncludeDepth) {
      note(fr, l.line, "#includeの入れ子が深すぎます(循環しています) : ", name);
      cycled_ = true;
      return;
    }
    Found f = find(name, angled, next);
    if (!f.f) {
      note(fr, l.line, "ヘッダが見つかりません : ", name, "h:" + name);
      return;
    }
    if (!f.f->guard.empty() && macros_.find(f.f->guard)) return;
    if (once_.count(f.f)) return;
    // Once a cycle has run into the limit, a header already open is not
    // entered again: one that includes itself twice would otherwise be read
    // 2^200 times.
    if (cycled_)
      for (const Frame& open : stack_)
        if (open.f == f.f) return;
    push(f.f, f.dir_index, folder_of(f.path));
  }

  bool eval_if(const PpLine& l, const Token* t, size_t n) {
    const Frame& fr = stack_.back();
    std::vector<Token> line(t + 2, t + n);
    cx_.error.clear();
    std::vector<Token> x = Expander::expand_all(cx_, line, true, 0);
    IfResult r = evaluate_if(x);
    if (!cx_.error.empty() || !r.ok) {
      note(fr, l.line, "#ifの式に誤りがあります(" + (cx_.error.empty() ? r.error : cx_.error) + ")。偽とします");
      cx_.error.clear();
      return false;
    }
    return r.value;
  }

  bool is_defined(std::string_view name) const {
    return macros_.find(name) || name == "__has_include" || name == "__has_include_next" || name == "__FILE__" ||
           name == "__LINE__" || name == "__COUNTER__" || name == "__INCLUDE_LEVEL__";
  }

  void directive(const PpLine& l) {
    Frame& fr = stack_.back();
    const Token* t = fr.f->tokens.data() + l.first;
    const size_t n = l.end - l.first;
    if (n < 2 || t[1].kind != Tok::Ident) return;  // "#" alone, or a line marker
    const std::string_view w = t[1].text;
    const bool on = active();
    cx_.made = 0;
    if (w == "if" || w == "ifdef" || w == "ifndef") {
      if (!on) {
        conds_.push_back({false, true, false});
        return;
      }
      bool v;
      if (w == "if") {
        v = eval_if(l, t, n);
      } else if (n < 3 || t[2].kind != Tok::Ident) {
        note(fr, l.line, "#ifdefにマクロ名がありません");
        v = false;
      } else {
        v = is_defined(t[2].text) == (w == "ifdef");
      }
      conds_.push_back({v, v, true});
      return;
    }
    if (w == "elif" || w == "elifdef" || w == "elifndef") {
      if (conds_.size() <= fr.cond_base) {
        note(fr, l.line, "#ifのない#elifです");
        return;
      }
      Cond& c = conds_.back();
      if (c.taken || !c.parent_active) {
        c.active = false;
        return;
      }
      bool v;
      if (w == "elif")
        v = eval_if(l, t, n);
      else
        v = n >= 3 && t[2].kind == Tok::Ident && is_defined(t[2].text) == (w == "elifdef");
      conds_.back().active = v;
      conds_.back().taken = v;
      return;
    }
    if (w == "else") {
      if (conds_.size() <= fr.cond_base) {
        note(fr, l.line, "#ifのない#elseです");
        return;
      }
      Cond& c = conds_.back();
      c.active = !c.taken && c.parent_active;
      c.taken = true;
      return;
    }
    if (w == "endif") {
      if (conds_.size() <= fr.cond_base) {
        note(fr, l.line, "#ifのない#endifです");
        return;
      }
      conds_.pop_back();
      return;
    }
    if (!on) return;
    if (w == "define") {
      Macro m;
      const char* why = nullptr;
      if (!parse_define(t + 2, n - 2, m, why)) {
        note(fr, l.line, why);
        return;
      }
      const std::string_view key = m.name;
      macros_.map.insert_or_assign(key, std::move(m));
    } else if (w == "undef") {
      if (n >= 3 && t[2].kind == Tok::Ident) macros_.map.erase(t[2].text);
    } else if (w == "include" || w == "import") {
      include(l, t, n, false);
    } else if (w == "include_next") {
      include(l, t, n, true);
    } else if (w == "pragma") {
      if (n >= 3 && t[2].text == "once") once_.insert(fr.f);
    } else if (w == "error") {
      note(fr, l.line, "#errorがあります");
    }
    // #line, #warning, #ident and the rest change nothing the analysis reads.
  }

  static bool word_char(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == '$' ||
           u >= 0x80;
  }
  static bool punct_char(char c) {
    return c == '+' || c == '-' || c == '*' || c == '/' || c == '%' || c == '<' || c == '>' || c == '=' ||
           c == '!' || c == '&' || c == '|' || c == '^' || c == '.' || c == '#' || c == ':';
  }
  void emit(const Token& t) {
    std::string& s = out_.text;
    if (t.file != line_.file || t.line != line_.line || out_.lines.empty()) {
      if (!out_.lines.empty()) s += '\n';
      line_ = {t.file, t.line};
      out_.lines.push_back(line_);
    } else if (!s.empty() && !t.text.empty()) {
      const char a = s.back(), b = t.text.front();
      if (t.space || (word_char(a) && word_char(b)) || (punct_char(a) && punct_char(b)) ||
          ((a == '\'' || a == '"') && word_char(b)) || (word_char(a) && (b == '\'' || b == '"')))
        s += ' ';
    }
    s.append(t.text);
  }

  ConfiguredRun& cr_;
  const SourceConfig& cfg_;
  Preprocessed& out_;
  MacroSet macros_;
  HideSets hs_;
  Scratch scratch_;
  ExpandContext cx_;
  std::vector<std::string> dirs_;  // the quote chain, then the angled one
  std::vector<Frame> stack_;
  std::vector<Cond> conds_;
  std::unordered_set<const LexedFile*> once_;
  bool cycled_ = false;
  std::unordered_set<int> used_;
  std::unique_ptr<LexedFile> main_;
  LexedFile config_;
  SourceLoc line_;
  SourceLoc ex_error_line_;
};

}  // namespace

void preprocess_source(ConfiguredRun& cr, const std::string& source, std::string bytes, const SourceConfig& cfg,
                       Preprocessed& out) {
  out = Preprocessed{};
  out.opened = true;
  SourcePreprocessor pp(cr, cfg, out);
  pp.run(source, std::move(bytes));
  if (!out.text.empty()) out.text += '\n';
}

}  // namespace zelta::configured
