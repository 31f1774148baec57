// The tokens the pointer scans read: names, numbers and punctuators of a
// cleaned text, with where each begins and, for a bracket, its partner.
// Literals make no token.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

namespace zelta {

struct CToken {
  std::uint32_t at;   // where it begins in the text
  std::uint32_t len;
  // A bracket's partner ("(" and ")", "[" and "]", "{" and "}"), found as
  // the text is read; -1 for one without a partner and for any other token.
  std::int32_t partner;
  enum Kind : unsigned char { kName, kNumber, kPunct, kBodyMark } kind;
  // A one-byte punctuator's byte, else 0 ("->", the only longer one, and
  // every other kind): the scans test it for almost every token.
  char punct;
  // A body mark holds the function's name.
  bool is(char c) const { return punct == c; }
  bool arrow() const { return kind == kPunct && punct == 0; }
  bool member() const { return arrow() || is('.'); }
  bool name() const { return kind == kName; }
};

// Storage that leaves the elements it adds unset: the tokenizer makes room
// for a block's worth of tokens at once and writes them in place.
template <class T>
struct UnsetAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UnsetAllocator<U>;
  };
  UnsetAllocator() = default;
  template <class U>
  UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... A>
  void construct(U* p, A&&... a) {
    ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
  }
};
using CTokens = std::vector<CToken, UnsetAllocator<CToken>>;
using TokenIndexes = std::vector<int, UnsetAllocator<int>>;

// A line "\x01NAME\n" in a declaration text marks where the body of NAME
// stood (its header comes right before).
inline constexpr char kBodyMarkByte = '\x01';

// The most bytes a text may have: tokens keep 32-bit offsets.
inline constexpr size_t kMaxTokenText = 0xFFFFFFFFu;

// Fills `out` (emptied first; its storage is kept from one text to the
// next) from `text`, at most kMaxTokenText bytes. `open` is scratch.
// Returns whether the extraction's own reader (MidReader) reads `text` as
// the same tokens: no literal, no NUL or other control byte but the C
// spaces, no byte of 128 or above. Then the tokens can be read in its
// place ("->" as its two bytes).
bool Tokenize(std::string_view text, CTokens& out, TokenIndexes& open);

}  // namespace zelta
