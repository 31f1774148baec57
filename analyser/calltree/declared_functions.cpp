#include "calltree/declared_functions.h"

#include <vector>

#include "calltree/pointers/c_tokens.h"

namespace zelta {

void DeclaredFunctions(std::string_view decls, std::unordered_set<std::string_view>& out) {
  std::vector<CToken> t;
  Tokenize(decls, t);
  // Each open brace: true when it opens a group of the statement (a struct's
  // members, an initialiser), false when it only groups declarations
  // (extern "C" {), whose insides stay at file level.
  std::vector<bool> braces;
  int groups = 0;  // open braces of the first kind
  int parens = 0;
  bool typedef_ = false, group_word = false, initialised = false;
  const auto statement_ends = [&] { typedef_ = group_word = initialised = false; };
  for (size_t i = 0; i < t.size(); ++i) {
    const CToken& k = t[i];
    if (k.kind == CToken::kBodyMark) {
      parens = 0;
      statement_ends();
      continue;
    }
    if (k.is('{')) {
      braces.push_back(parens > 0 || group_word || initialised);
      if (braces.back()) ++groups;
      else statement_ends();
      continue;
    }
    if (k.is('}')) {
      if (!braces.empty()) {
        if (braces.back()) --groups;
        braces.pop_back();
      }
      if (groups == 0 && parens == 0 && !group_word && !initialised) statement_ends();
      continue;
    }
    if (groups > 0) continue;
    if (k.is('(')) {
      if (parens++ == 0 && !typedef_ && !initialised && i > 0 && t[i - 1].name() && i + 1 < t.size() && !t[i + 1].is('*') &&
          !t[i + 1].is('(') && !t[i + 1].is('^'))
        out.insert(t[i - 1].text());
    } else if (k.is(')')) {
      if (parens > 0) --parens;
    } else if (parens > 0) {
      continue;
    } else if (k.is(';')) {
      statement_ends();
    } else if (k.is('=')) {
      initialised = true;
    } else if (k.is(',')) {
      initialised = false;  // the next declarator
    } else if (k.name()) {
      const std::string_view w = k.text();
      if (w == "typedef") typedef_ = true;
      else if (w == "struct" || w == "union" || w == "enum") group_word = true;
    }
  }
}

}  // namespace zelta
