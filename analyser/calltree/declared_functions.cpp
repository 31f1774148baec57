#include "calltree/declared_functions.h"

#include <vector>

#include "calltree/pointers/c_tokens.h"

namespace zelta {

namespace {

bool NameByte(unsigned char c) {
  return c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0x80;
}

// The declaration text's tokens one at a time, without a table of them: a
// name, a body mark (its name) or one punctuator byte; literals make none.
class Lexer {
 public:
  explicit Lexer(std::string_view p) : p_(p) {}
  enum Kind { kEnd, kName, kMark, kPunct };
  Kind next() {
    while (i_ < p_.size()) {
      const auto c = static_cast<unsigned char>(p_[i_]);
      if (c == static_cast<unsigned char>(kBodyMarkByte)) {
        const size_t b = ++i_;
        while (i_ < p_.size() && p_[i_] != '\n') ++i_;
        tok_ = p_.substr(b, i_ - b);
        return kMark;
      }
      if (c <= ' ') {
        ++i_;
      } else if (c == '"' || c == '\'') {
        for (++i_; i_ < p_.size() && p_[i_] != static_cast<char>(c) && p_[i_] != '\n'; ++i_)
          if (p_[i_] == '\\') ++i_;
        ++i_;
      } else if (NameByte(c)) {
        const size_t b = i_;
        while (i_ < p_.size() && NameByte(static_cast<unsigned char>(p_[i_]))) ++i_;
        tok_ = p_.substr(b, i_ - b);
        return kName;
      } else {
        tok_ = p_.substr(i_++, 1);
        return kPunct;
      }
    }
    return kEnd;
  }
  std::string_view tok() const { return tok_; }
  bool is(Kind k, char c) const { return k == kPunct && tok_[0] == c; }

 private:
  std::string_view p_;
  size_t i_ = 0;
  std::string_view tok_;
};

}  // namespace

void DeclaredFunctions(std::string_view decls, std::unordered_set<std::string_view>& out) {
  Lexer lx(decls);
  // Each open brace: true when it opens a group of the statement (a struct's
  // members, an initialiser), false when it only groups declarations
  // (extern "C" {), whose insides stay at file level.
  std::vector<bool> braces;
  int groups = 0;  // open braces of the first kind
  int parens = 0;
  bool typedef_ = false, group_word = false, initialised = false;
  const auto statement_ends = [&] { typedef_ = group_word = initialised = false; };
  std::string_view last_name, candidate;  // a name right before, and one right before a "("
  bool after_name = false;
  for (Lexer::Kind k = lx.next(); k != Lexer::kEnd; k = lx.next()) {
    // "name (" declares a function unless "*", "(" or "^" opens the group:
    // "R (*name) (...)", "__attribute__ ((x))".
    if (!candidate.empty()) {
      if (!(lx.is(k, '*') || lx.is(k, '(') || lx.is(k, '^'))) out.insert(candidate);
      candidate = {};
    }
    const bool name_before = after_name;
    after_name = false;
    if (k == Lexer::kMark) {
      parens = 0;
      statement_ends();
    } else if (lx.is(k, '{')) {
      braces.push_back(parens > 0 || group_word || initialised);
      if (braces.back()) ++groups;
      else statement_ends();
    } else if (lx.is(k, '}')) {
      if (!braces.empty()) {
        if (braces.back()) --groups;
        braces.pop_back();
      }
      if (groups == 0 && parens == 0 && !group_word && !initialised) statement_ends();
    } else if (groups > 0) {
      continue;
    } else if (lx.is(k, '(')) {
      if (parens++ == 0 && !typedef_ && !initialised && name_before) candidate = last_name;
    } else if (lx.is(k, ')')) {
      if (parens > 0) --parens;
    } else if (parens > 0) {
      continue;
    } else if (lx.is(k, ';')) {
      statement_ends();
    } else if (lx.is(k, '=')) {
      initialised = true;
    } else if (lx.is(k, ',')) {
      initialised = false;  // the next declarator
    } else if (k == Lexer::kName) {
      last_name = lx.tok();
      after_name = true;
      if (last_name == "typedef") typedef_ = true;
      else if (last_name == "struct" || last_name == "union" || last_name == "enum") group_word = true;
    }
  }
}

}  // namespace zelta
