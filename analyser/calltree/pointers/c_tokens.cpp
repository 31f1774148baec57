#include "calltree/pointers/c_tokens.h"

namespace zelta {

namespace {

struct NameBytes {
  bool b[256] = {};
  constexpr NameBytes() {
    for (int c = 0; c < 256; ++c)
      b[c] = c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0x80;
  }
};
inline constexpr NameBytes kNameBytes;
bool NameByte(unsigned char c) { return kNameBytes.b[c]; }

// The end of a literal opened at p[i] by `quote`; an unterminated one ends
// the text.
size_t LiteralEnd(std::string_view p, size_t i, char quote) {
  for (++i; i < p.size(); ++i) {
    if (p[i] == '\\') ++i;
    else if (p[i] == quote || p[i] == '\n') return i + 1;
  }
  return p.size();
}

}  // namespace

void Tokenize(std::string_view p, std::vector<CToken>& out) {
  out.clear();
  out.reserve(p.size() / 4);
  size_t i = 0;
  while (i < p.size()) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    if (c <= ' ' && c != kBodyMarkByte) {
      ++i;
    } else if (c == kBodyMarkByte) {
      size_t e = i + 1;
      while (e < p.size() && p[e] != '\n') ++e;
      out.push_back(CToken{p.data() + i + 1, static_cast<std::uint32_t>(e - i - 1), CToken::kBodyMark});
      i = e;
    } else if (c == '"' || c == '\'') {
      i = LiteralEnd(p, i, static_cast<char>(c));
    } else if (NameByte(c)) {
      size_t e = i + 1;
      while (e < p.size() && NameByte(static_cast<unsigned char>(p[e]))) ++e;
      out.push_back(CToken{p.data() + i, static_cast<std::uint32_t>(e - i), c >= '0' && c <= '9' ? CToken::kNumber : CToken::kName});
      i = e;
    } else if (c == '-' && i + 1 < p.size() && p[i + 1] == '>') {
      out.push_back(CToken{p.data() + i, 2, CToken::kPunct});
      i += 2;
    } else {
      out.push_back(CToken{p.data() + i, 1, CToken::kPunct, static_cast<char>(c)});
      ++i;
    }
  }
}

}  // namespace zelta
