#include <algorithm>
#include <cstring>

#include "prepare/configured/pp_token.h"

namespace zelta::configured {

namespace {

bool ident_char(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c >= 0x80;
}
bool digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool blank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Longest punctuator at p (n bytes left); 0 for none.
size_t punct_len(const char* p, size_t n) {
  static constexpr std::string_view k3[] = {"...", "<<=", ">>="};
  static constexpr std::string_view k2[] = {"->", "++", "--", "<<", ">>", "<=", ">=", "==", "!=", "&&", "||", "*=",
                                            "/=", "%=", "+=", "-=", "&=", "^=", "|=", "##", "<:", ":>", "<%", "%>",
                                            "%:"};
  if (n >= 4 && std::memcmp(p, "%:%:", 4) == 0) return 4;
  if (n >= 3)
    for (std::string_view t : k3)
      if (std::memcmp(p, t.data(), 3) == 0) return 3;
  if (n >= 2)
    for (std::string_view t : k2)
      if (p[0] == t[0] && p[1] == t[1]) return 2;
  return std::strchr("[](){}.&*+-~!/%<>^|?:;=,#", p[0]) && p[0] != '\0' ? 1 : 0;
}

// One token at s[pos]; returns its length and kind. The text up to `n` is
// all there is (no line end inside a token).
size_t token_at(const char* s, size_t pos, size_t n, Tok& kind) {
  const char* p = s + pos;
  const size_t left = n - pos;
  const unsigned char c = static_cast<unsigned char>(p[0]);
  auto quoted = [&](size_t from, char q) {
    size_t i = from;
    while (i < left && p[i] != '\n') {
      if (p[i] == '\\' && i + 1 < left && p[i + 1] != '\n') {
        i += 2;
        continue;
      }
      if (p[i] == q) return i + 1;
      ++i;
    }
    return i;  // unterminated: the rest of the line
  };
  if (c == '\'' || c == '"') {
    kind = c == '"' ? Tok::String : Tok::Char;
    return quoted(1, static_cast<char>(c));
  }
  if (digit(c) || (c == '.' && left > 1 && digit(static_cast<unsigned char>(p[1])))) {
    size_t i = 1;
    while (i < left) {
      const unsigned char d = static_cast<unsigned char>(p[i]);
      if ((d == 'e' || d == 'E' || d == 'p' || d == 'P') && i + 1 < left && (p[i + 1] == '+' || p[i + 1] == '-'))
        i += 2;
      else if (ident_char(d) || d == '.')
        ++i;
      else
        break;
    }
    kind = Tok::Number;
    return i;
  }
  if (ident_char(c)) {
    size_t i = 1;
    while (i < left && ident_char(static_cast<unsigned char>(p[i]))) ++i;
    // Encoding prefixes of literals: L'x', u"x", U'x', u8"x".
    if (i < left && (p[i] == '\'' || p[i] == '"')) {
      const std::string_view w(p, i);
      if (w == "L" || w == "u" || w == "U" || w == "u8") {
        kind = p[i] == '"' ? Tok::String : Tok::Char;
        return quoted(i + 1, p[i]);
      }
    }
    kind = Tok::Ident;
    return i;
  }
  if (size_t k = punct_len(p, left)) {
    kind = Tok::Punct;
    return k;
  }
  kind = Tok::Other;
  return 1;
}

// Joins continuation lines; `splices` gets the offsets (in the joined text)
// where a backslash-newline was taken out, so lines can be counted as read.
std::string join_lines(std::string bytes, std::vector<size_t>& splices) {
  if (bytes.find("\\\n") == std::string::npos && bytes.find("\\\r\n") == std::string::npos) return bytes;
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\\') {
      size_t j = i + 1;
      if (j < bytes.size() && bytes[j] == '\r') ++j;
      if (j < bytes.size() && bytes[j] == '\n') {
        splices.push_back(out.size());
        i = j;
        continue;
      }
    }
    out.push_back(bytes[i]);
  }
  return out;
}

void find_guard(LexedFile& f) {
  if (f.lines.empty() || !f.lines.front().directive) return;
  const PpLine& l0 = f.lines.front();
  const Token* t = f.tokens.data() + l0.first;
  const size_t n = l0.end - l0.first;
  std::string_view g;
  if (n == 3 && t[1].text == "ifndef" && t[2].kind == Tok::Ident) {
    g = t[2].text;
  } else if (n >= 4 && t[1].text == "if" && t[2].is("!") && t[3].text == "defined") {
    if (n == 5 && t[4].kind == Tok::Ident) g = t[4].text;
    if (n == 7 && t[4].is("(") && t[5].kind == Tok::Ident && t[6].is(")")) g = t[5].text;
  }
  if (g.empty()) return;
  int depth = 0;
  for (size_t i = 0; i < f.lines.size(); ++i) {
    const PpLine& l = f.lines[i];
    if (!l.directive || l.end - l.first < 2) continue;
    const std::string_view w = f.tokens[l.first + 1].text;
    if (w == "if" || w == "ifdef" || w == "ifndef") {
      ++depth;
    } else if (w == "endif") {
      if (--depth == 0) {
        if (i + 1 == f.lines.size()) f.guard = std::string(g);
        return;
      }
    } else if ((w == "else" || w == "elif" || w == "elifdef" || w == "elifndef") && depth == 1) {
      return;
    }
  }
}

}  // namespace

void lex_file(std::string bytes, int file, LexedFile& out) {
  std::vector<size_t> splices;
  out.text = join_lines(std::move(bytes), splices);
  out.tokens.clear();
  out.lines.clear();
  out.guard.clear();
  out.file = file;
  const char* s = out.text.data();
  const size_t n = out.text.size();
  size_t pos = 0, next_splice = 0;
  int newlines = 0;
  bool open = false, space = false;
  auto physical = [&](size_t at) {
    while (next_splice < splices.size() && splices[next_splice] <= at) ++next_splice;
    return newlines + 1 + static_cast<int>(next_splice);
  };
  auto close = [&]() {
    if (open) out.lines.back().end = static_cast<std::uint32_t>(out.tokens.size());
    open = false;
  };
  while (pos < n) {
    const unsigned char c = static_cast<unsigned char>(s[pos]);
    if (c == '\n') {
      close();
      ++newlines;
      ++pos;
      space = false;
      continue;
    }
    if (blank(c) || c == '\0') {
      space = true;
      ++pos;
      continue;
    }
    if (c == '/' && pos + 1 < n && s[pos + 1] == '*') {
      const char* e = static_cast<const char*>(memmem(s + pos + 2, n - pos - 2, "*/", 2));
      const size_t end = e ? static_cast<size_t>(e - s) + 2 : n;
      newlines += static_cast<int>(std::count(s + pos, s + end, '\n'));
      pos = end;
      space = true;
      continue;
    }
    if (c == '/' && pos + 1 < n && s[pos + 1] == '/') {
      const void* e = std::memchr(s + pos, '\n', n - pos);
      pos = e ? static_cast<size_t>(static_cast<const char*>(e) - s) : n;
      space = true;
      continue;
    }
    Tok kind;
    const size_t len = token_at(s, pos, n, kind);
    Token t;
    t.text = std::string_view(s + pos, len);
    t.kind = kind;
    t.space = space;
    t.file = file;
    t.line = physical(pos);
    if (!open) {
      PpLine l;
      l.first = static_cast<std::uint32_t>(out.tokens.size());
      l.line = t.line;
      l.directive = t.is("#") || t.is("%:");
      if (l.directive) {
        const void* e = std::memchr(s + pos, '\n', n - pos);
        const size_t end = e ? static_cast<size_t>(static_cast<const char*>(e) - s) : n;
        l.raw = std::string_view(s + pos + len, end - pos - len);
      }
      out.lines.push_back(l);
      open = true;
      t.space = false;
    }
    out.tokens.push_back(t);
    pos += len;
    space = false;
  }
  close();
  find_guard(out);
}

void lex_text(std::string_view text, std::vector<Token>& out) {
  const char* s = text.data();
  const size_t n = text.size();
  size_t pos = 0;
  bool space = false;
  while (pos < n) {
    const unsigned char c = static_cast<unsigned char>(s[pos]);
    if (blank(c) || c == '\n' || c == '\0') {
      space = true;
      ++pos;
      continue;
    }
    Tok kind;
    size_t len = token_at(s, pos, n, kind);
    Token t;
    t.text = std::string_view(s + pos, len);
    t.kind = kind;
    t.space = space;
    out.push_back(t);
    pos += len;
    space = false;
  }
}

}  // namespace zelta::configured
