#include "prepare/configured/macro_expander.h"

#include <algorithm>

namespace zelta::configured {

namespace {

// Expanding a macro argument expands its calls' arguments in turn; past
// this depth arguments are taken as they stand.
constexpr int kMaxArgumentDepth = 200;

Token placemarker() {
  Token t;
  t.kind = Tok::Other;
  return t;
}
bool is_placemarker(const Token& t) { return t.kind == Tok::Other && t.text.empty(); }

Token number_token(bool v, const Token& at) {
  Token t = at;
  t.kind = Tok::Number;
  t.text = v ? "1" : "0";
  t.hs = 0;
  return t;
}

}  // namespace

std::uint32_t HideSets::name_id(std::string_view name) {
  auto it = names_.find(name);
  if (it != names_.end()) return it->second;
  const std::string_view stable = name_texts_.emplace_back(name);
  const std::uint32_t id = static_cast<std::uint32_t>(names_.size());
  names_.emplace(stable, id);
  return id;
}

std::uint32_t HideSets::intern(std::vector<std::uint32_t> set) {
  std::string key(reinterpret_cast<const char*>(set.data()), set.size() * sizeof(std::uint32_t));
  auto [it, added] = by_content_.try_emplace(std::move(key), static_cast<std::uint32_t>(sets_.size()));
  if (added) sets_.push_back(std::move(set));
  return it->second;
}

std::uint32_t HideSets::with(std::uint32_t hs, std::uint32_t name) {
  const std::uint64_t key = (static_cast<std::uint64_t>(hs) << 32) | name;
  auto it = with_.find(key);
  if (it != with_.end()) return it->second;
  std::vector<std::uint32_t> s = sets_[hs];
  auto at = std::lower_bound(s.begin(), s.end(), name);
  if (at == s.end() || *at != name) s.insert(at, name);
  const std::uint32_t id = intern(std::move(s));
  with_.emplace(key, id);
  return id;
}

std::uint32_t HideSets::both(std::uint32_t a, std::uint32_t b) {
  if (a == b) return a;
  if (a == 0 || b == 0) return 0;
  const std::uint64_t key = (static_cast<std::uint64_t>(std::min(a, b)) << 32) | std::max(a, b);
  auto it = both_.find(key);
  if (it != both_.end()) return it->second;
  std::vector<std::uint32_t> s;
  std::set_intersection(sets_[a].begin(), sets_[a].end(), sets_[b].begin(), sets_[b].end(), std::back_inserter(s));
  const std::uint32_t id = intern(std::move(s));
  both_.emplace(key, id);
  return id;
}

std::uint32_t HideSets::unite(std::uint32_t a, std::uint32_t b) {
  if (a == b || b == 0) return a;
  if (a == 0) return b;
  const std::uint64_t key = (static_cast<std::uint64_t>(a) << 32) | b;
  auto it = unite_.find(key);
  if (it != unite_.end()) return it->second;
  std::vector<std::uint32_t> s;
  std::set_union(sets_[a].begin(), sets_[a].end(), sets_[b].begin(), sets_[b].end(), std::back_inserter(s));
  const std::uint32_t id = intern(std::move(s));
  unite_.emplace(key, id);
  return id;
}

bool HideSets::has(std::uint32_t hs, std::uint32_t name) const {
  if (hs == 0) return false;
  const auto& s = sets_[hs];
  return std::binary_search(s.begin(), s.end(), name);
}

bool parse_define(const Token* t, size_t n, Macro& m, const char*& why) {
  if (n == 0 || t[0].kind != Tok::Ident) {
    why = "#defineにマクロ名がありません";
    return false;
  }
  m.name = t[0].text;
  size_t i = 1;
  if (i < n && t[i].is("(") && !t[i].space) {
    m.function = true;
    ++i;
    bool need_name = false;
    for (;;) {
      if (i >= n) {
        why = "#defineの引数の並びが閉じていません";
        return false;
      }
      const Token& p = t[i++];
      if (p.is(")") && !need_name) break;
      if (p.is("...")) {
        m.variadic = true;
        m.params.push_back("__VA_ARGS__");
        if (i >= n || !t[i].is(")")) {
          why = "#defineの...の後に)がありません";
          return false;
        }
        ++i;
        break;
      }
      if (p.kind != Tok::Ident) {
        why = "#defineの引数の並びが正しくありません";
        return false;
      }
      m.params.push_back(p.text);
      if (i < n && t[i].is("...")) {  // GNU: name...
        m.variadic = true;
        ++i;
      }
      if (i < n && t[i].is(",") && !m.variadic) {
        ++i;
        need_name = true;
        continue;
      }
      if (i < n && t[i].is(")")) {
        ++i;
        break;
      }
      why = "#defineの引数の並びが正しくありません";
      return false;
    }
  }
  m.body = t + i;
  m.nbody = static_cast<std::uint32_t>(n - i);
  return true;
}

bool Expander::pull(Token& t) {
  if (!pending_.empty()) {
    t = pending_.back();
    pending_.pop_back();
    return true;
  }
  return src_ && src_->next(t);
}

int Expander::param_of(const Macro& m, const Token& t) const {
  if (t.kind != Tok::Ident) return -1;
  for (size_t i = 0; i < m.params.size(); ++i)
    if (m.params[i] == t.text) return static_cast<int>(i);
  return -1;
}

std::vector<Token> Expander::expand_all(ExpandContext& cx, const std::vector<Token>& in, bool if_mode, int depth) {
  Expander e(cx, nullptr, if_mode, depth);
  e.push_front(in.data(), in.size());
  std::vector<Token> out;
  Token t;
  while (!cx.over_budget() && e.next(t)) out.push_back(t);
  return out;
}

bool Expander::operand_of_defined(Token& out) {
  const Token at = out;
  Token t;
  bool paren = false;
  if (!pull(t)) {
    if (cx_.error.empty()) cx_.error = "definedの後に名前がありません";
    out = number_token(false, at);
    return true;
  }
  if (t.is("(")) {
    paren = true;
    if (!pull(t)) t = Token{};
  }
  if (t.kind != Tok::Ident) {
    if (cx_.error.empty()) cx_.error = "definedの後に名前がありません";
    out = number_token(false, at);
    return true;
  }
  const bool yes = cx_.macros.find(t.text) != nullptr || t.text == "__has_include" ||
                   t.text == "__has_include_next" || t.text == "__FILE__" || t.text == "__LINE__" ||
                   t.text == "__COUNTER__" || t.text == "__INCLUDE_LEVEL__";
  if (paren) {
    Token r;
    if (!pull(r) || !r.is(")"))
      if (cx_.error.empty()) cx_.error = "defined(の括弧が閉じていません";
  }
  out = number_token(yes, at);
  return true;
}

bool Expander::has_include(const Token& name, Token& out) {
  Token t;
  std::string header;
  bool angled = false, good = false;
  if (pull(t) && t.is("(") && pull(t)) {
    if (t.kind == Tok::String && t.text.size() >= 2 && t.text[0] == '"') {
      header.assign(t.text.substr(1, t.text.size() - 2));
      good = pull(t) && t.is(")");
    } else if (t.is("<")) {
      angled = true;
      while (pull(t) && !t.is(">")) {
        if (t.space && !header.empty()) header += ' ';
        header.append(t.text);
      }
      good = t.is(">") && pull(t) && t.is(")");
    } else {
      // The name may come from a macro: expand up to the ")".
      std::vector<Token> rest{t};
      while (pull(t) && !t.is(")")) rest.push_back(t);
      std::vector<Token> x = expand_all(cx_, rest, false, depth_ + 1);
      if (!x.empty() && x[0].kind == Tok::String && x.size() == 1) {
        header.assign(x[0].text.substr(1, x[0].text.size() - 2));
        good = true;
      } else if (!x.empty() && x[0].is("<") && x.back().is(">")) {
        angled = true;
        for (size_t i = 1; i + 1 < x.size(); ++i) {
          if (x[i].space && !header.empty()) header += ' ';
          header.append(x[i].text);
        }
        good = true;
      }
    }
  }
  if (!good || header.empty()) {
    if (cx_.error.empty()) cx_.error = "__has_includeの引数が正しくありません";
    out = number_token(false, name);
    return true;
  }
  out = number_token(cx_.has_include && cx_.has_include(header, angled, name.text == "__has_include_next"), name);
  return true;
}

std::string_view Expander::stringize(const std::vector<Token>& arg) {
  std::string s = "\"";
  bool first = true;
  for (const Token& t : arg) {
    if (is_placemarker(t)) continue;
    if (t.space && !first) s += ' ';
    first = false;
    if (t.kind == Tok::String || t.kind == Tok::Char) {
      for (char c : t.text) {
        if (c == '"' || c == '\\') s += '\\';
        s += c;
      }
    } else {
      s.append(t.text);
    }
  }
  s += '"';
  return cx_.scratch.keep(std::move(s));
}

Token Expander::paste(const Token& a, const Token& b) {
  if (is_placemarker(a)) return b;
  if (is_placemarker(b)) return a;
  std::string_view text = cx_.scratch.keep(std::string(a.text) + std::string(b.text));
  std::vector<Token> lexed;
  lex_text(text, lexed);
  Token t = a;
  if (lexed.size() == 1) {
    t.text = lexed[0].text;
    t.kind = lexed[0].kind;
  } else {
    // Not one token: compilers refuse it; the spelling is kept as one piece.
    t.text = text;
    t.kind = Tok::Other;
  }
  return t;
}

bool Expander::collect_args(const Macro& m, std::vector<std::vector<Token>>& args, Token& rparen) {
  std::vector<Token> taken;
  args.assign(1, {});
  int depth = 0;
  Token t;
  for (;;) {
    if (!pull(t)) {
      // No ")": the name stays a name, and what was read is read again.
      for (size_t i = taken.size(); i-- > 0;) pending_.push_back(taken[i]);
      if (cx_.error.empty()) cx_.error = "マクロ呼び出しの括弧が閉じていません";
      return false;
    }
    taken.push_back(t);
    if (t.is("(")) {
      ++depth;
    } else if (t.is(")")) {
      if (depth == 0) break;
      --depth;
    } else if (t.is(",") && depth == 0 && !(m.variadic && args.size() == m.params.size())) {
      args.emplace_back();
      continue;
    }
    args.back().push_back(t);
  }
  rparen = t;
  if (m.params.empty() && args.size() == 1 && args[0].empty()) args.clear();
  // A variadic macro may be called without its variable part.
  va_omitted_ = m.variadic && args.size() + 1 == m.params.size();
  if (va_omitted_) args.emplace_back();
  if (args.size() != m.params.size()) {
    if (cx_.error.empty()) cx_.error = "マクロの引数の数が合いません";
    for (size_t i = taken.size(); i-- > 0;) pending_.push_back(taken[i]);
    return false;
  }
  return true;
}

void Expander::substitute(const Macro& m, const Token* b, const Token* e, const std::vector<std::vector<Token>>& args,
                          std::vector<std::vector<Token>>& expanded, std::vector<Token>& out) {
  const int va = m.variadic ? static_cast<int>(m.params.size()) - 1 : -1;
  const size_t start = out.size();
  for (const Token* p = b; p < e; ++p) {
    const Token& t = *p;
    if (m.function && (t.is("#") || t.is("%:")) && p + 1 < e) {
      const int k = param_of(m, p[1]);
      if (k >= 0) {
        Token s = t;
        s.kind = Tok::String;
        s.text = stringize(args[static_cast<size_t>(k)]);
        out.push_back(s);
        ++p;
        continue;
      }
    }
    if ((t.is("##") || t.is("%:%:")) && p + 1 < e && out.size() > start) {
      const Token& r = *++p;
      const int k = param_of(m, r);
      if (k >= 0) {
        const std::vector<Token>& a = args[static_cast<size_t>(k)];
        // , ## __VA_ARGS__ drops the comma when the variable part is left
        // out (an empty one given keeps it, as GCC has it).
        if (k == va && a.empty() && va_omitted_ && out.back().is(",")) {
          out.pop_back();
          continue;
        }
        if (a.empty()) continue;  // pasting a placemarker leaves the left side
        out.back() = paste(out.back(), a[0]);
        out.insert(out.end(), a.begin() + 1, a.end());
      } else {
        out.back() = paste(out.back(), r);
      }
      continue;
    }
    if (m.variadic && t.kind == Tok::Ident && t.text == "__VA_OPT__" && p + 1 < e && p[1].is("(")) {
      const Token* q = p + 2;
      for (int depth = 0; q < e; ++q) {
        if (q->is("(")) ++depth;
        else if (q->is(")") && depth-- == 0) break;
      }
      // Whether the variable part holds anything is judged after expansion.
      const std::vector<Token>& a = args[static_cast<size_t>(va)];
      std::vector<Token>& x = expanded[static_cast<size_t>(va)];
      if (x.empty() && !a.empty()) {
        x = depth_ < kMaxArgumentDepth ? expand_all(cx_, a, if_mode_, depth_ + 1) : a;
        if (x.empty()) x.push_back(placemarker());
      }
      const bool any = std::any_of(x.begin(), x.end(), [](const Token& y) { return !is_placemarker(y); });
      if (any) substitute(m, p + 2, q, args, expanded, out);
      else out.push_back(placemarker());
      p = q < e ? q : e - 1;
      continue;
    }
    const int k = param_of(m, t);
    if (k < 0) {
      out.push_back(t);
      continue;
    }
    const std::vector<Token>& a = args[static_cast<size_t>(k)];
    if (p + 1 < e && (p[1].is("##") || p[1].is("%:%:"))) {
      if (a.empty()) out.push_back(placemarker());
      else out.insert(out.end(), a.begin(), a.end());
      if (!a.empty()) out[out.size() - a.size()].space = t.space;
      continue;
    }
    std::vector<Token>& x = expanded[static_cast<size_t>(k)];
    if (x.empty() && !a.empty()) {
      x = depth_ < kMaxArgumentDepth ? expand_all(cx_, a, if_mode_, depth_ + 1) : a;
      if (x.empty()) x.push_back(placemarker());
    }
    cx_.made += x.size();
    if (cx_.over_budget()) return;
    const size_t at = out.size();
    for (const Token& y : x)
      if (!is_placemarker(y)) out.push_back(y);
    if (out.size() > at) out[at].space = t.space;
  }
}

bool Expander::call(const Macro& m, const Token& name) {
  std::vector<std::vector<Token>> args;
  std::uint32_t hs;
  const std::uint32_t id = cx_.hs.name_id(m.name);
  if (m.function) {
    // A function-like macro's name without "(" after it is a plain name.
    Token t;
    if (!pull(t)) return false;
    if (!t.is("(")) {
      pending_.push_back(t);
      return false;
    }
    Token rparen;
    if (!collect_args(m, args, rparen)) {
      pending_.push_back(t);  // the "(" too: the text reads on as it stands
      return false;
    }
    hs = cx_.hs.with(cx_.hs.both(name.hs, rparen.hs), id);
  } else {
    hs = cx_.hs.with(name.hs, id);
  }
  std::vector<std::vector<Token>> expanded(args.size());
  std::vector<Token> out;
  substitute(m, m.body, m.body + m.nbody, args, expanded, out);
  cx_.made += out.size();
  if (cx_.over_budget()) {
    pending_.clear();
    return true;
  }
  for (size_t i = out.size(); i-- > 0;) {
    Token t = out[i];
    if (is_placemarker(t)) continue;
    t.hs = cx_.hs.unite(out[i].hs, hs);
    t.file = name.file;
    t.line = name.line;
    if (i == 0) t.space = name.space;
    pending_.push_back(t);
  }
  return true;
}

bool Expander::next(Token& out) {
  for (;;) {
    if (!pull(out)) return false;
    if (out.kind != Tok::Ident) return true;
    const std::string_view w = out.text;
    if ((w.size() > 2 && w[0] == '_' && w[1] == '_') || w == "defined") {
      if (if_mode_ && w == "defined") return operand_of_defined(out);
      if (if_mode_ && (w == "__has_include" || w == "__has_include_next")) return has_include(out, out);
      if (w == "__LINE__") {
        out.kind = Tok::Number;
        out.text = cx_.scratch.keep(std::to_string(out.line));
        return true;
      }
      if (w == "__FILE__") {
        std::string f = cx_.file_name ? cx_.file_name(out.file) : std::string();
        std::string s = "\"";
        for (char c : f) {
          if (c == '"' || c == '\\') s += '\\';
          s += c;
        }
        out.kind = Tok::String;
        out.text = cx_.scratch.keep(s + "\"");
        return true;
      }
      if (w == "__COUNTER__" || w == "__INCLUDE_LEVEL__") {
        out.kind = Tok::Number;
        out.text = cx_.scratch.keep(std::to_string(w == "__COUNTER__" ? cx_.counter++ : cx_.include_level));
        return true;
      }
    }
    const Macro* m = cx_.macros.find(w);
    if (!m || (out.hs != 0 && cx_.hs.has(out.hs, cx_.hs.name_id(m->name)))) return true;
    const Token name = out;
    if (!call(*m, name)) return true;
  }
}

}  // namespace zelta::configured
