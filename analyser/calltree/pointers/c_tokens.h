// The tokens the pointer scans read: names, numbers and punctuators of a
// cleaned text, with where each begins. Literals make no token.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zelta {

struct CToken {
  const char* p;
  std::uint32_t len;
  enum Kind : unsigned char { kName, kNumber, kPunct, kBodyMark } kind;
  // A one-byte punctuator's byte, else 0: the scans test it for almost
  // every token.
  char punct = 0;
  // "->" is one token; a body mark holds the function's name.
  std::string_view text() const { return std::string_view(p, len); }
  bool is(char c) const { return punct == c; }
  bool arrow() const { return kind == kPunct && len == 2 && p[0] == '-' && p[1] == '>'; }
  bool member() const { return arrow() || is('.'); }
  bool name() const { return kind == kName; }
};

// A line "\x01NAME\n" in a declaration text marks where the body of NAME
// stood (its header comes right before).
inline constexpr char kBodyMarkByte = '\x01';

// Fills `out` (emptied first; its storage is kept from one text to the next).
void Tokenize(std::string_view text, std::vector<CToken>& out);

}  // namespace zelta
