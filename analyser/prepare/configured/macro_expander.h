// Macro expansion of the configured mode, as C defines it: object-like and
// function-like macros, # and ##, __VA_ARGS__ and __VA_OPT__, each name
// kept from expanding inside its own expansion by hide sets.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "prepare/configured/pp_token.h"

namespace zelta::configured {

struct Macro {
  std::string_view name;
  bool function = false;
  bool variadic = false;
  std::vector<std::string_view> params;  // a variadic macro's last one is __VA_ARGS__ or its own name
  const Token* body = nullptr;           // in a lexed file or in `own`
  std::uint32_t nbody = 0;
  std::vector<Token> own;
};

// Sets of macro names, each interned once: a token's hide set is an index.
class HideSets {
 public:
  std::uint32_t with(std::uint32_t hs, std::uint32_t name);
  std::uint32_t both(std::uint32_t a, std::uint32_t b);   // intersection
  std::uint32_t unite(std::uint32_t a, std::uint32_t b);  // union
  bool has(std::uint32_t hs, std::uint32_t name) const;
  std::uint32_t name_id(std::string_view name);

 private:
  std::uint32_t intern(std::vector<std::uint32_t> set);
  std::vector<std::vector<std::uint32_t>> sets_{{}};
  std::unordered_map<std::uint64_t, std::uint32_t> with_, both_, unite_;
  std::unordered_map<std::string, std::uint32_t> by_content_;
  std::unordered_map<std::string_view, std::uint32_t> names_;
  std::deque<std::string> name_texts_;
};

// The macros of one source: the predefined and configured ones, then what
// its files define.
struct MacroSet {
  std::unordered_map<std::string_view, Macro> map;
  const Macro* find(std::string_view name) const {
    auto it = map.find(name);
    return it == map.end() ? nullptr : &it->second;
  }
};

// Texts made while a source is expanded (stringized arguments, pasted
// tokens); they stay valid until the source is done.
struct Scratch {
  std::deque<std::string> texts;
  std::string_view keep(std::string s) { return texts.emplace_back(std::move(s)); }
};

// Where unexpanded tokens come from once the pushed-back ones are used up.
class TokenSource {
 public:
  virtual bool next(Token& t) = 0;

 protected:
  ~TokenSource() = default;
};

struct ExpandContext {
  MacroSet& macros;
  HideSets& hs;
  Scratch& scratch;
  // #if only: answers __has_include("x") / (<x>) and its _next form.
  std::function<bool(std::string_view name, bool angled, bool next)> has_include;
  // __FILE__ and __LINE__ and __INCLUDE_LEVEL__ of where expansion is.
  std::function<std::string(int file)> file_name;
  int include_level = 0;
  int counter = 0;
  // Tokens made by expansions since the line (or directive) began.
  size_t made = 0;
  bool over_budget();
  std::string error;  // the first error of the expression or line (system text)
};

class Expander {
 public:
  // `src` may be null: the tokens pushed are all there is.
  Expander(ExpandContext& cx, TokenSource* src, bool if_mode, int depth = 0)
      : cx_(cx), src_(src), if_mode_(if_mode), depth_(depth) {}
  // The next fully expanded token; false at the end.
  bool next(Token& out);
  // Tokens to read before the source's (in reading order).
  void push_front(const Token* first, size_t n) {
    for (size_t i = n; i-- > 0;) pending_.push_back(first[i]);
  }
  // Expands a list of tokens on its own (a macro argument, a #if line).
  static std::vector<Token> expand_all(ExpandContext& cx, const std::vector<Token>& in, bool if_mode, int depth);

 private:
  bool pull(Token& t);
  bool call(const Macro& m, const Token& name);
  bool collect_args(const Macro& m, std::vector<std::vector<Token>>& args, Token& rparen);
  void substitute(const Macro& m, const Token* b, const Token* e, const std::vector<std::vector<Token>>& args,
                  std::vector<std::vector<Token>>& expanded, std::vector<Token>& out);
  bool operand_of_defined(Token& out);
  bool has_include(const Token& name, Token& out);
  Token paste(const Token& a, const Token& b);
  std::string_view stringize(const std::vector<Token>& arg);
  int param_of(const Macro& m, const Token& t) const;

  ExpandContext& cx_;
  TokenSource* src_;
  bool if_mode_;
  int depth_;
  std::vector<Token> pending_;  // back is next
  bool va_omitted_ = false;     // the call being substituted left its variable part out
};

// Reads a #define's name, parameters and body from the tokens after
// "define"; false (with `why`) when there is no name or the list is bad.
bool parse_define(const Token* t, size_t n, Macro& m, const char*& why);

// Expansions of one line that make more tokens than this are dropped: an
// expansion that would not end in time (each step doubling, say) ends here.
inline constexpr size_t kMaxExpansionTokens = 4'000'000;

inline bool ExpandContext::over_budget() {
  if (made <= kMaxExpansionTokens) return false;
  error = "マクロの展開が終わりません";
  return true;
}

}  // namespace zelta::configured
