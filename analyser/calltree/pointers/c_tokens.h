// The tokens the pointer scans read: names, numbers and punctuators of a
// cleaned text, with where each begins. Literals make no token.
#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

namespace zelta {

struct CToken {
  enum Kind : unsigned char { kName, kNumber, kPunct, kBodyMark } kind;
  std::string_view text;  // "->" is one token; a body mark holds the function's name
  size_t at;              // offset in the text
  bool is(char c) const { return kind == kPunct && text.size() == 1 && text[0] == c; }
  bool is(std::string_view s) const { return kind == kPunct && text == s; }
  bool name() const { return kind == kName; }
};

// A line "\x01NAME\n" in a declaration text marks where the body of NAME
// stood (its header comes right before).
inline constexpr char kBodyMarkByte = '\x01';

std::vector<CToken> Tokenize(std::string_view text);

}  // namespace zelta
