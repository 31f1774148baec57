#include "prepare/configured/if_expression.h"

#include <cstdint>

namespace zelta::configured {

namespace {

struct Value {
  std::uint64_t v = 0;
  bool is_unsigned = false;
  std::int64_t s() const { return static_cast<std::int64_t>(v); }
};

struct Failure {
  const char* why;
};

// A nesting this deep is no real program's: it ends as an error rather than
// exhausting the stack.
constexpr int kMaxDepth = 256;

class Parser {
 public:
  explicit Parser(const std::vector<Token>& t) : t_(t) {}
  Value parse() {
    if (t_.empty()) throw Failure{"式がありません"};
    Value v = comma(true);
    if (pos_ < t_.size()) {
      if (t_[pos_].is(")")) throw Failure{"括弧の対応がとれていません"};
      throw Failure{"式の後に余分な字句があります"};
    }
    return v;
  }

 private:
  const Token* peek() const { return pos_ < t_.size() ? &t_[pos_] : nullptr; }
  bool take(std::string_view p) {
    if (pos_ < t_.size() && t_[pos_].is(p)) {
      ++pos_;
      return true;
    }
    return false;
  }
  struct Depth {
    int& d;
    explicit Depth(int& depth) : d(depth) {
      if (++d > kMaxDepth) throw Failure{"式の入れ子が深すぎます"};
    }
    ~Depth() { --d; }
  };

  static Value boolean(bool b) { return Value{b ? 1u : 0u, false}; }

  Value comma(bool live) {
    Value v = conditional(live);
    while (take(",")) v = conditional(live);
    return v;
  }
  Value conditional(bool live) {
    Depth d(depth_);
    Value c = binary(0, live);
    if (!take("?")) return c;
    const bool yes = c.v != 0;
    Value a = comma(live && yes);
    if (!take(":")) throw Failure{"?に対応する:がありません"};
    Value b = conditional(live && !yes);
    Value r = yes ? a : b;
    r.is_unsigned = a.is_unsigned || b.is_unsigned;
    return r;
  }
  // Binary operators by precedence, lowest first.
  static int level(const Token& t) {
    if (t.kind != Tok::Punct) return -1;
    const std::string_view p = t.text;
    if (p == "||") return 0;
    if (p == "&&") return 1;
    if (p == "|") return 2;
    if (p == "^") return 3;
    if (p == "&") return 4;
    if (p == "==" || p == "!=") return 5;
    if (p == "<" || p == ">" || p == "<=" || p == ">=") return 6;
    if (p == "<<" || p == ">>") return 7;
    if (p == "+" || p == "-") return 8;
    if (p == "*" || p == "/" || p == "%") return 9;
    return -1;
  }
  Value binary(int min, bool live) {
    Value l = unary(live);
    for (;;) {
      const Token* t = peek();
      const int lv = t ? level(*t) : -1;
      if (lv < min) return l;
      const std::string_view op = t->text;
      ++pos_;
      if (op == "&&") {
        Value r = binary(lv + 1, live && l.v != 0);
        l = boolean(l.v != 0 && r.v != 0);
        continue;
      }
      if (op == "||") {
        Value r = binary(lv + 1, live && l.v == 0);
        l = boolean(l.v != 0 || r.v != 0);
        continue;
      }
      Value r = binary(lv + 1, live);
      l = apply(op, l, r, live);
    }
  }
  static Value apply(std::string_view op, Value l, Value r, bool live) {
    const bool u = l.is_unsigned || r.is_unsigned;
    if (op == "<<" || op == ">>") {
      // The result has the left operand's type; a negative count shifts the
      // other way, a count past the width leaves the sign (or nothing).
      Value out{0, l.is_unsigned};
      std::int64_t n = r.is_unsigned ? (r.v > 64 ? 64 : static_cast<std::int64_t>(r.v)) : r.s();
      bool left = op == "<<";
      if (n < 0) {
        left = !left;
        n = n < -64 ? 64 : -n;
      }
      if (left)
        out.v = n >= 64 ? 0 : l.v << n;
      else if (l.is_unsigned)
        out.v = n >= 64 ? 0 : l.v >> n;
      else
        out.v = static_cast<std::uint64_t>(n >= 64 ? (l.s() < 0 ? -1 : 0) : l.s() >> n);
      return out;
    }
    if (op == "==") return boolean(l.v == r.v);
    if (op == "!=") return boolean(l.v != r.v);
    if (op == "<") return boolean(u ? l.v < r.v : l.s() < r.s());
    if (op == ">") return boolean(u ? l.v > r.v : l.s() > r.s());
    if (op == "<=") return boolean(u ? l.v <= r.v : l.s() <= r.s());
    if (op == ">=") return boolean(u ? l.v >= r.v : l.s() >= r.s());
    Value out{0, u};
    if (op == "|") out.v = l.v | r.v;
    else if (op == "^") out.v = l.v ^ r.v;
    else if (op == "&") out.v = l.v & r.v;
    else if (op == "+") out.v = l.v + r.v;  // wraps as the machine does
    else if (op == "-") out.v = l.v - r.v;
    else if (op == "*") out.v = l.v * r.v;
    else {  // "/" or "%"
      if (r.v == 0) {
        if (live) throw Failure{"0で割っています"};
        return out;
      }
      const bool div = op == "/";
      if (u)
        out.v = div ? l.v / r.v : l.v % r.v;
      else if (l.s() == INT64_MIN && r.s() == -1)
        out.v = div ? l.v : 0;  // overflows: keeps the machine's wrap
      else
        out.v = static_cast<std::uint64_t>(div ? l.s() / r.s() : l.s() % r.s());
    }
    return out;
  }
  Value unary(bool live) {
    Depth d(depth_);
    const Token* t = peek();
    if (!t) throw Failure{"演算子の後に値がありません"};
    if (t->kind == Tok::Punct) {
      const std::string_view p = t->text;
      if (p == "(") {
        ++pos_;
        Value v = comma(live);
        if (!take(")")) throw Failure{"括弧の対応がとれていません"};
        return v;
      }
      if (p == "+" || p == "-" || p == "~" || p == "!") {
        ++pos_;
        Value v = unary(live);
        if (p == "-") v.v = 0 - v.v;
        else if (p == "~") v.v = ~v.v;
        else if (p == "!") v = boolean(v.v == 0);
        return v;
      }
      if (p == ")") throw Failure{"括弧の対応がとれていません"};
      throw Failure{"値があるべき所に演算子があります"};
    }
    ++pos_;
    switch (t->kind) {
      case Tok::Number: return number(t->text);
      case Tok::Char: return character(t->text);
      case Tok::Ident: return Value{};  // a name no macro defines
      case Tok::String: throw Failure{"文字列は式に使えません"};
      default: throw Failure{"式に使えない字句があります"};
    }
  }

  static int digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
  }
  static Value number(std::string_view s) {
    size_t i = 0;
    unsigned base = 10;
    if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
      base = 16;
      i = 2;
    } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'b' || s[1] == 'B')) {
      base = 2;
      i = 2;
    } else if (s[0] == '0') {
      base = 8;
    }
    const size_t digits_from = i;
    std::uint64_t v = 0;
    bool overflow = false;
    for (; i < s.size(); ++i) {
      const int d = digit_value(s[i]);
      if (d >= static_cast<int>(base)) break;
      if (v > (UINT64_MAX - static_cast<unsigned>(d)) / base) overflow = true;
      v = v * base + static_cast<unsigned>(d);
    }
    if (base != 8 && i == digits_from) throw Failure{"数値が正しくありません"};
    bool u = false;
    int longs = 0;
    for (; i < s.size(); ++i) {
      const char c = s[i];
      if ((c == 'u' || c == 'U') && !u) u = true;
      else if ((c == 'l' || c == 'L') && longs < 2) ++longs;
      else throw Failure{s.find('.') != std::string_view::npos || (base == 10 && (c == 'e' || c == 'E'))
                             ? "整数でない数値があります"
                             : "数値が正しくありません"};
    }
    (void)overflow;  // too big for uintmax_t: kept modulo, as a compiler warns and goes on
    // A literal too big for intmax_t is unsigned: in hexadecimal and octal
    // as C says, in decimal as compilers do.
    if (v > static_cast<std::uint64_t>(INT64_MAX)) u = true;
    return Value{v, u};
  }
  static Value character(std::string_view s) {
    // An encoding prefix (L, u, U, u8), the quotes, the characters.
    const size_t open = s.find('\'');
    const std::string_view prefix = s.substr(0, open);
    const bool wide = open > 0;
    if (s.size() < open + 2 || s.back() != '\'') throw Failure{"文字定数が閉じていません"};
    size_t i = open + 1;
    const size_t end = s.size() - 1;
    if (end == i) throw Failure{"文字定数が空です"};
    std::int64_t value = 0;
    int chars = 0;
    std::uint64_t last = 0;
    while (i < end) {
      std::uint64_t c = static_cast<unsigned char>(s[i++]);
      if (c == '\\' && i < end) {
        const char e = s[i++];
        switch (e) {
          case 'n': c = '\n'; break;
          case 't': c = '\t'; break;
          case 'r': c = '\r'; break;
          case 'a': c = '\a'; break;
          case 'b': c = '\b'; break;
          case 'f': c = '\f'; break;
          case 'v': c = '\v'; break;
          case 'e': case 'E': c = 27; break;
          case 'x': {
            c = 0;
            while (i < end && digit_value(s[i]) < 16) c = (c << 4) | static_cast<unsigned>(digit_value(s[i++]));
            break;
          }
          default:
            if (e >= '0' && e <= '7') {
              c = static_cast<unsigned>(e - '0');
              for (int k = 0; k < 2 && i < end && s[i] >= '0' && s[i] <= '7'; ++k) c = c * 8 + (s[i++] - '0');
            } else {
              c = static_cast<unsigned char>(e);  // \\ \' \" \? and the rest stand for themselves
            }
        }
      }
      last = c;
      value = static_cast<std::int64_t>((static_cast<std::uint64_t>(value) << 8) | (c & 0xff));
      ++chars;
    }
    if (wide) {
      // wchar_t is int here; char16_t and char32_t are unsigned.
      if (prefix == "L") return Value{static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(last))), false};
      return Value{last & (prefix == "u" ? 0xffffu : 0xffffffffu), false};
    }
    if (chars == 1) value = static_cast<signed char>(last & 0xff);  // plain char is signed here
    else value = static_cast<std::int32_t>(value);                   // an int, as compilers make it
    return Value{static_cast<std::uint64_t>(value), false};
  }

  const std::vector<Token>& t_;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

IfResult evaluate_if(const std::vector<Token>& tokens) {
  IfResult r;
  try {
    Parser p(tokens);
    r.value = p.parse().v != 0;
  } catch (const Failure& f) {
    r.ok = false;
    r.value = false;
    r.error = f.why;
  }
  return r;
}

}  // namespace zelta::configured
