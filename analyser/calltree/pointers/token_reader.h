// The extraction's reader over the tokens -p makes of a cleaned text: the
// same tokens MidReader reads from the bytes, for a text both read alike
// (Tokenize says so), at a fraction of the cost of reading its bytes again.
#pragma once
#include <cstddef>
#include <span>
#include <string_view>

#include "calltree/pointers/c_tokens.h"
#include "run/run.h"

namespace zelta {

class TokenReader {
 public:
  TokenReader(Run& run, std::string_view text, std::span<const CToken> tokens)
      : rd_(run.rd), base_(text.data()), t_(tokens) {}

  // As MidReader::next: kEnd, kName, kChar or kBodyClosed, the brace
  // counter and the body-closed flag moved alike.
  int next() {
    if (arrow_) {
      arrow_ = false;
      tok_ = std::string_view(tok_.data() + 1, 1);
      return kChar;
    }
    if (i_ == t_.size()) return kEnd;
    const CToken& k = t_[i_++];
    at_ = k.at;
    if (k.kind == CToken::kName || k.kind == CToken::kNumber) {
      tok_ = std::string_view(base_ + k.at, k.len);
      return kName;
    }
    tok_ = std::string_view(base_ + k.at, 1);
    if (k.punct == 0) {
      arrow_ = true;  // "->": its "-" now, its ">" next
    } else if (k.punct == '{') {
      rd_.bracedepth++;
    } else if (k.punct == '}' && --rd_.bracedepth == 0) {
      rd_.bodyclosed = 1;
      return kBodyClosed;
    }
    return kChar;
  }
  std::string_view tok() const { return tok_; }
  size_t name_start() const { return at_; }

 private:
  ReaderState& rd_;
  const char* base_;
  std::span<const CToken> t_;
  size_t i_ = 0;
  size_t at_ = 0;
  bool arrow_ = false;
  std::string_view tok_;
};

}  // namespace zelta
