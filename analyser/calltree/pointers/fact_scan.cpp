#include "calltree/pointers/fact_scan.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "calltree/pointers/c_tokens.h"
#include "prepare/line_map.h"
#include "run/run.h"

namespace zelta {

namespace {

using Tokens = std::vector<CToken>;

bool IsAggregate(std::string_view s) { return s == "struct" || s == "union"; }

// Words that never name a type or a variable in the patterns below.
bool IsKeyword(std::string_view s) {
  static const std::unordered_set<std::string_view> kWords = {
      "return", "if",     "else",  "while",   "for",      "do",       "switch",  "case",   "default",
      "goto",   "break",  "continue", "sizeof", "typeof", "__typeof__", "_Alignof", "__alignof__", "asm",
      "__asm__", "typedef", "extern", "static", "const",  "volatile", "register", "inline", "__inline__",
      "enum",   "struct", "union", "unsigned", "signed", "__attribute__", "__extension__", "restrict",
      "__restrict", "_Static_assert", "auto"};
  return kWords.count(s) != 0;
}

bool IsQualifier(std::string_view s) {
  return s == "const" || s == "volatile" || s == "static" || s == "register" || s == "extern" ||
         s == "inline" || s == "__inline__" || s == "restrict" || s == "__restrict" || s == "__extension__";
}

// The partner of every bracket, found once per text with a stack (no
// rescans, however deep the nesting); -1 for one without a partner.
std::vector<int> Partners(const Tokens& t) {
  std::vector<int> partner(t.size(), -1);
  std::vector<int> open;
  for (size_t i = 0; i < t.size(); ++i) {
    const CToken& k = t[i];
    if (k.kind != CToken::kPunct || k.text.size() != 1) continue;
    const char c = k.text[0];
    if (c == '(' || c == '[' || c == '{') {
      open.push_back(static_cast<int>(i));
    } else if (c == ')' || c == ']' || c == '}') {
      const char want = c == ')' ? '(' : c == ']' ? '[' : '{';
      // A stray closer closes nothing; a missing one leaves its opener alone.
      size_t back = open.size();
      while (back > 0 && t[static_cast<size_t>(open[back - 1])].text[0] != want) --back;
      if (back == 0) continue;
      const int o = open[back - 1];
      open.resize(back - 1);
      partner[static_cast<size_t>(o)] = static_cast<int>(i);
      partner[i] = o;
    }
  }
  return partner;
}

struct Param {
  std::string name, type;
};

class FactScanner {
 public:
  FactScanner(Run& run, int file) : run_(run), f_(run.ptr), file_(file) {}

  void declarations(std::string_view text) {
    t_ = Tokenize(text);
    pt_ = Partners(t_);
    size_t s = 0;
    for (size_t i = 0; i < t_.size();) {
      const CToken& k = t_[i];
      if (k.kind == CToken::kBodyMark) {
        header(s, i, k.text);
        s = ++i;
      } else if (k.is(';')) {
        statement(s, i);
        s = ++i;
      } else if (k.is('{')) {
        // Braces of an initialiser or an aggregate belong to the statement;
        // any other (extern "C" {) only groups declarations.
        if (opens_block(s, i) && pt_[i] >= 0) {
          i = static_cast<size_t>(pt_[i]) + 1;
        } else {
          s = ++i;
        }
      } else if (k.is('}')) {
        s = ++i;
      } else if ((k.is('(') || k.is('[')) && pt_[i] >= 0) {
        i = static_cast<size_t>(pt_[i]) + 1;
      } else {
        ++i;
      }
    }
    if (s < t_.size()) statement(s, t_.size());
  }

  void bodies(std::string_view text, const LineMap* map) {
    t_ = Tokenize(text);
    pt_ = Partners(t_);
    LineCursor cursor(map, text);
    cursor_ = map ? &cursor : nullptr;
    std::sort(f_.unit_records.begin(), f_.unit_records.end());
    for (size_t i = 0; i + 3 < t_.size(); ++i) {
      if (!(t_[i].name() && t_[i + 1].is('(') && t_[i + 2].is(')') && t_[i + 3].is('{'))) continue;
      const int close = pt_[i + 3];
      const int owner = record_at(t_[i].at);
      if (close < 0) break;
      if (owner >= 0 && run_.recs.list[static_cast<size_t>(owner)].isdef) body(owner, t_[i].text, i + 3, static_cast<size_t>(close));
      i = static_cast<size_t>(close);
    }
    cursor_ = nullptr;
  }

 private:
  // --- types ---------------------------------------------------------------

  std::string resolve_alias(std::string name) const {
    // A chain of typedef names ends at a struct type; a cycle ends where it
    // comes round (each name is followed at most once).
    for (size_t steps = 0; steps <= f_.alias.size(); ++steps) {
      auto it = f_.alias.find(name);
      if (it == f_.alias.end() || it->second == name) return name;
      name = it->second;
    }
    return name;
  }
  // The struct type of a typedef name or a tag; "" when it names none.
  std::string type_of_word(std::string_view w) const {
    auto it = f_.alias.find(std::string(w));
    return it == f_.alias.end() ? std::string() : resolve_alias(it->second);
  }
  std::string member_type(const std::string& type, std::string_view m) const {
    if (type.empty()) return {};
    auto it = f_.member_type.find(type + "." + std::string(m));
    return it == f_.member_type.end() ? std::string() : it->second;
  }
  // The struct type named in t_[b, e) at its own level: struct TAG, or a
  // typedef name of one.
  std::string type_in(size_t b, size_t e) const {
    for (size_t i = b; i < e; ++i) {
      if (t_[i].name() && IsAggregate(t_[i].text) && i + 1 < e && t_[i + 1].name()) return resolve_alias(std::string(t_[i + 1].text));
      if ((t_[i].is('(') || t_[i].is('[') || t_[i].is('{')) && pt_[i] > static_cast<int>(i)) {
        i = static_cast<size_t>(pt_[i]);
        continue;
      }
      if (t_[i].name()) {
        const std::string a = type_of_word(t_[i].text);
        if (!a.empty()) return a;
      }
    }
    return {};
  }

  // The name a declarator in t_[b, e) declares: the one in "( * NAME )",
  // else the last name at its own level that is no keyword (attributes and
  // array sizes are passed over).
  std::string_view declarator_name(size_t b, size_t e) const {
    std::string_view last;
    for (size_t i = b; i < e; ++i) {
      const CToken& k = t_[i];
      if (k.is('(') && i + 2 < e && t_[i + 1].is('*')) {
        size_t j = i + 1;
        while (j < e && (t_[j].is('*') || (t_[j].name() && IsQualifier(t_[j].text)))) ++j;
        if (j < e && t_[j].name()) return t_[j].text;
      }
      if ((k.is('(') || k.is('[') || k.is('{')) && pt_[i] > static_cast<int>(i)) {
        i = static_cast<size_t>(pt_[i]);
        continue;
      }
      if (k.name() && !IsKeyword(k.text) && k.text.substr(0, 2) != "__") last = k.text;
    }
    return last;
  }

  // --- file level ------------------------------------------------------------

  bool opens_block(size_t s, size_t brace) const {
    for (size_t i = s; i < brace; ++i)
      if (t_[i].is('=') || (t_[i].name() && (IsAggregate(t_[i].text) || t_[i].text == "enum"))) return true;
    return false;
  }

  // A member list t_[open, close] of struct type `type`: member names in
  // order and the struct types of members (nested lists are read as well).
  void aggregate(const std::string& type, size_t open, size_t close) {
    std::vector<std::string>& order = f_.members[type];
    const bool known = !order.empty();
    size_t s = open + 1, spec = s;
    for (size_t i = s; i <= close && i < t_.size(); ++i) {
      const CToken& k = t_[i];
      if ((k.is('(') || k.is('[')) && pt_[i] > static_cast<int>(i)) {
        i = static_cast<size_t>(pt_[i]);
        continue;
      }
      if (k.is('{') && pt_[i] > static_cast<int>(i)) {
        // A nested struct or union: its members get a type of their own.
        std::string inner;
        if (i >= 1 && t_[i - 1].name() && !IsAggregate(t_[i - 1].text)) inner = std::string(t_[i - 1].text);
        const size_t end = static_cast<size_t>(pt_[i]);
        size_t d = end + 1;
        while (d < close && !t_[d].is(';')) ++d;
        const std::string_view mname = declarator_name(end + 1, d);
        if (inner.empty()) inner = type + "." + std::string(mname.empty() ? std::string_view("?") : mname);
        aggregate(inner, i, end);
        if (!mname.empty()) {
          if (!known) order.emplace_back(mname);
          f_.member_type[type + "." + std::string(mname)] = inner;
        } else {
          // An anonymous member's members are reached as the outer's own.
          for (const std::string& m : f_.members[inner]) {
            if (!known) order.push_back(m);
            auto mt = f_.member_type.find(inner + "." + m);
            if (mt != f_.member_type.end()) f_.member_type[type + "." + m] = mt->second;
          }
        }
        i = d;
        s = spec = d + 1;
        continue;
      }
      if (k.is(';') || k.is(',') || i == close) {
        if (i > s) {
          // "int a, *b;" declares two members of the same type.
          const std::string_view m = declarator_name(s, i);
          if (!m.empty()) {
            if (!known) order.emplace_back(m);
            const std::string mt = type_in(spec, i);
            if (!mt.empty()) f_.member_type[type + "." + std::string(m)] = mt;
          }
        }
        if (!k.is(',')) spec = i + 1;
        s = i + 1;
      }
    }
  }

  // The header of a defined function, right before its body: its
  // parameters by name and struct type.
  void header(size_t s, size_t e, std::string_view fname) {
    for (size_t i = e; i-- > s;) {
      if (!(t_[i].name() && t_[i].text == fname && i + 1 < e && t_[i + 1].is('(') && pt_[i + 1] > 0)) continue;
      std::vector<Param>& ps = params_[std::string(fname)];
      ps.clear();
      const size_t close = static_cast<size_t>(pt_[i + 1]);
      size_t b = i + 2;
      for (size_t j = b; j <= close; ++j) {
        if ((t_[j].is('(') || t_[j].is('[')) && pt_[j] > static_cast<int>(j) && j != close) {
          j = static_cast<size_t>(pt_[j]);
          continue;
        }
        if (t_[j].is(',') || j == close) {
          if (j > b) ps.push_back(Param{std::string(declarator_name(b, j)), type_in(b, j)});
          b = j + 1;
        }
      }
      if (ps.size() == 1 && ps[0].name.empty()) ps.clear();  // (void)
      return;
    }
  }

  void statement(size_t s, size_t e) {
    if (s >= e) return;
    bool is_typedef = false;
    for (size_t i = s; i < e; ++i) {
      if (t_[i].name() && t_[i].text == "typedef") is_typedef = true;
      if (t_[i].name() && IsAggregate(t_[i].text)) {
        size_t j = i + 1;
        std::string tag;
        // struct __attribute__((x)) TAG {
        while (j < e && t_[j].name() && t_[j].text.substr(0, 2) == "__" && j + 1 < e && t_[j + 1].is('(') && pt_[j + 1] > 0)
          j = static_cast<size_t>(pt_[j + 1]) + 1;
        if (j < e && t_[j].name()) tag = std::string(t_[j++].text);
        if (j < e && t_[j].is('{') && pt_[j] > static_cast<int>(j)) {
          const size_t close = static_cast<size_t>(pt_[j]);
          if (tag.empty()) {
            // typedef struct { ... } name_t; takes the typedef name as its type.
            const std::string_view n = declarator_name(close + 1, e);
            tag = n.empty() ? "?" : std::string(n);
          }
          aggregate(tag, j, close);
          if (is_typedef) {
            const std::string_view n = declarator_name(close + 1, e);
            if (!n.empty() && n != tag) f_.alias[std::string(n)] = tag;
            return;
          }
          declarators(close + 1, e, tag);
          return;
        }
        break;
      }
    }
    if (is_typedef) {
      const std::string_view n = declarator_name(s, e);
      const std::string t = type_in(s, e);
      if (!n.empty() && !t.empty() && n != t) f_.alias[std::string(n)] = t;
      // struct TAG is its own type name too.
      for (size_t i = s; i + 1 < e; ++i)
        if (IsAggregate(t_[i].text) && t_[i + 1].name() && f_.alias.find(std::string(t_[i + 1].text)) == f_.alias.end())
          f_.alias[std::string(t_[i + 1].text)] = std::string(t_[i + 1].text);
      return;
    }
    // Where the declarators begin: after struct TAG, or after the first
    // name that is no qualifier.
    size_t d = s;
    std::string type;
    for (; d < e; ++d) {
      if (t_[d].name() && IsAggregate(t_[d].text) && d + 1 < e) {
        type = resolve_alias(std::string(t_[d + 1].text));
        d += 2;
        break;
      }
      if (t_[d].name() && !IsQualifier(t_[d].text)) {
        // NAME(args) = {...}: a declaration a macro makes names itself.
        if (d + 1 < e && t_[d + 1].is('(')) break;
        type = type_of_word(t_[d].text);
        ++d;
        break;
      }
    }
    // A declaration whose first thing is "( * name )" has no type word.
    declarators(d, e, type);
  }

  // One or more declarators in t_[b, e), each maybe with an initialiser.
  void declarators(size_t b, size_t e, const std::string& type) {
    size_t s = b;
    for (size_t i = b; i <= e; ++i) {
      if (i < e && (t_[i].is('(') || t_[i].is('[') || t_[i].is('{')) && pt_[i] > static_cast<int>(i)) {
        i = static_cast<size_t>(pt_[i]);
        continue;
      }
      if (i == e || t_[i].is(',')) {
        declarator(s, i, type);
        s = i + 1;
      }
    }
  }

  void declarator(size_t b, size_t e, const std::string& type) {
    size_t eq = e;
    for (size_t i = b; i < e; ++i) {
      if ((t_[i].is('(') || t_[i].is('[')) && pt_[i] > static_cast<int>(i)) {
        i = static_cast<size_t>(pt_[i]);
        continue;
      }
      if (t_[i].is('=')) {
        eq = i;
        break;
      }
    }
    const std::string_view name = declarator_name(b, eq);
    if (name.empty()) return;
    // "name (" is a function being declared, unless it is "( * name )".
    bool function = false, array = false, fptr = false;
    for (size_t i = b; i < eq; ++i) {
      if (t_[i].is('(') && i + 1 < eq && t_[i + 1].is('*')) fptr = true;
      if (t_[i].name() && t_[i].text == name && i + 1 < eq && t_[i + 1].is('(') && !fptr) function = true;
      if (t_[i].is('[')) array = true;
    }
    // A function is never initialised: NAME(args) = v is a macro's.
    if (function && eq == e) return;
    const std::string var(name);
    f_.global_type[var] = type;
    if (eq < e) initialiser(eq + 1, e, type, array, var, std::string());
  }

  // --- initialisers and stores ----------------------------------------------

  // The function a value t_[b, e) names: NAME, &NAME, or either after a cast.
  std::string_view value_name(size_t b, size_t e) const {
    if (b < e && t_[b].is('(') && pt_[b] > static_cast<int>(b) && static_cast<size_t>(pt_[b]) + 1 < e) {
      // (cast) NAME: only a type in the parentheses.
      for (size_t i = b + 1; i < static_cast<size_t>(pt_[b]); ++i)
        if (!(t_[i].name() || t_[i].is('*') || t_[i].is('(') || t_[i].is(')') || t_[i].is(','))) return {};
      b = static_cast<size_t>(pt_[b]) + 1;
    }
    if (b < e && t_[b].is('&')) ++b;
    if (b + 1 == e && t_[b].name() && !IsKeyword(t_[b].text)) return t_[b].text;
    return {};
  }

  void store(std::unordered_map<std::string, std::vector<StoredName>>& into, const std::string& key, std::string_view fn) {
    into[key].push_back(StoredName{std::string(fn), file_});
  }
  void store_field(const std::string& type, std::string_view field, std::string_view fn) {
    if (!type.empty()) store(f_.by_struct_field, type + "." + std::string(field), fn);
    store(f_.by_field, std::string(field), fn);
  }
  void store_var(const std::string& var, std::string_view fn) {
    if (owner_ >= 0 && locals_.count(var)) {
      store(f_.by_local, std::to_string(owner_) + ":" + var, fn);
    } else {
      store(f_.by_global, var, fn);
    }
  }

  // A value t_[b, e) given to struct type `type` (`array`: to an array of
  // them), or to member `field` when the value is an element of one, or to
  // variable `var` at the outermost level.
  void initialiser(size_t b, size_t e, const std::string& type, bool array, const std::string& var,
                   const std::string& field, std::string_view outer = {}) {
    if (b >= e) return;
    if (!t_[b].is('{') || pt_[b] < 0) {
      const std::string_view fn = value_name(b, e);
      if (fn.empty()) return;
      if (!field.empty()) {
        store_field(std::string(outer), field, fn);
      } else if (!var.empty()) {
        store_var(var, fn);
      }
      return;
    }
    const size_t close = static_cast<size_t>(pt_[b]);
    const std::vector<std::string>* order = nullptr;
    if (!array && !type.empty()) {
      auto it = f_.members.find(type);
      if (it != f_.members.end()) order = &it->second;
    }
    size_t pos = 0;  // the positional member next
    size_t s = b + 1;
    for (size_t i = b + 1; i <= close; ++i) {
      if (i < close && (t_[i].is('(') || t_[i].is('[') || t_[i].is('{')) && pt_[i] > static_cast<int>(i) &&
          !(i == s && t_[i].is('['))) {
        i = static_cast<size_t>(pt_[i]);
        continue;
      }
      if (!(t_[i].is(',') || i == close)) continue;
      if (i > s) element(s, i, type, array, var, field, outer, order, pos);
      s = i + 1;
    }
  }

  void element(size_t s, size_t e, const std::string& type, bool array, const std::string& var,
               const std::string& field, std::string_view outer, const std::vector<std::string>* order, size_t& pos) {
    std::string member;
    bool designated = false;
    // .a.b = v and [i] = v and .a[i] = v: the last member named counts.
    while (s < e && (t_[s].is('.') || t_[s].is('['))) {
      designated = true;
      if (t_[s].is('.') && s + 1 < e && t_[s + 1].name()) {
        member = std::string(t_[s + 1].text);
        s += 2;
      } else if (t_[s].is('[') && pt_[s] > static_cast<int>(s)) {
        s = static_cast<size_t>(pt_[s]) + 1;
      } else {
        return;
      }
    }
    if (designated) {
      if (s < e && t_[s].is('=')) ++s;
    } else if (s + 1 < e && t_[s].name() && t_[s + 1].is(':')) {
      member = std::string(t_[s].text);  // the old GNU form name: value
      s += 2;
      designated = true;
    }
    if (array) {
      // An element of an array: a struct when the array is of one.
      if (!type.empty()) {
        initialiser(s, e, type, false, var, std::string());
      } else if (!field.empty()) {
        initialiser(s, e, std::string(), false, var, field, outer);
      } else {
        initialiser(s, e, std::string(), false, var, std::string());
      }
      return;
    }
    if (member.empty() && !designated) {
      if (order && pos < order->size()) member = (*order)[pos];
    } else if (order && !member.empty()) {
      auto it = std::find(order->begin(), order->end(), member);
      if (it != order->end()) pos = static_cast<size_t>(it - order->begin());
    }
    ++pos;
    if (member.empty()) {
      // A table of functions (or of unknown structs' first members).
      if (!field.empty()) initialiser(s, e, std::string(), false, var, field, outer);
      else if (type.empty()) initialiser(s, e, std::string(), false, var, std::string());
      return;
    }
    const std::string mt = member_type(type, member);
    if (s < e && t_[s].is('{') && !mt.empty()) {
      initialiser(s, e, mt, false, var, std::string());
    } else {
      // A function, or a table of them, in this member.
      initialiser(s, e, std::string(), s < e && t_[s].is('{'), std::string(), member, type);
    }
  }

  // --- bodies ------------------------------------------------------------------

  int record_at(size_t at) const {
    auto it = std::lower_bound(f_.unit_records.begin(), f_.unit_records.end(), std::pair<size_t, int>(at, -1));
    return it != f_.unit_records.end() && it->first == at ? it->second : -1;
  }
  // The last record whose name stands before `at`.
  int record_before(size_t at) const {
    auto it = std::lower_bound(f_.unit_records.begin(), f_.unit_records.end(), std::pair<size_t, int>(at, -1));
    return it == f_.unit_records.begin() ? -1 : std::prev(it)->second;
  }

  // The struct type of a variable seen from the body being read.
  std::string type_of_var(std::string_view v) const {
    const std::string s(v);
    if (auto it = locals_.find(s); it != locals_.end()) return it->second;
    for (const Param& p : *params_now_)
      if (p.name == v) return p.type;
    if (auto it = f_.global_type.find(s); it != f_.global_type.end()) return it->second;
    return {};
  }
  int param_of(std::string_view v) const {
    if (locals_.count(std::string(v))) return -1;
    for (size_t k = 0; k < params_now_->size(); ++k)
      if ((*params_now_)[k].name == v) return static_cast<int>(k);
    return -1;
  }
  bool is_variable(std::string_view v) const {
    return locals_.count(std::string(v)) || param_of(v) >= 0 || f_.global_type.count(std::string(v));
  }

  // The chain of names "a->b.c" ending at t_[last]: its first token's
  // index, or `last` itself when no member operator precedes.
  size_t chain_start(size_t last, size_t lo) const {
    size_t i = last;
    while (i >= lo + 2 && (t_[i - 1].is("->") || t_[i - 1].is('.')) && t_[i - 2].name()) i -= 2;
    return i;
  }
  // The struct type that holds member t_[last] of the chain that starts at
  // t_[first] ("": not worked out).
  std::string container_type(size_t first, size_t last, size_t lo) const {
    // Something before the chain's first name (a call, an index, a cast)
    // leaves its type unknown.
    if (first >= lo + 1 && (t_[first - 1].is(']') || t_[first - 1].is(')') || t_[first - 1].is("->") || t_[first - 1].is('.')))
      return {};
    std::string t = type_of_var(t_[first].text);
    for (size_t i = first + 2; i < last && !t.empty(); i += 2) t = member_type(t, t_[i].text);
    return t;
  }

  void site_field(size_t first, size_t last, size_t lo, size_t at) {
    PointerSite s = site_at(at);
    s.field = std::string(t_[last].text);
    s.type = first == last ? std::string() : container_type(first, last, lo);
    f_.sites.push_back(std::move(s));
  }
  void site_var(std::string_view var, size_t at) {
    PointerSite s = site_at(at);
    s.var = std::string(var);
    s.param = param_of(var);
    s.local = locals_.count(s.var) != 0;
    f_.sites.push_back(std::move(s));
  }
  PointerSite site_at(size_t at) {
    PointerSite s;
    s.owner = owner_;
    const int r = record_at(at);
    s.replaces = r >= 0;
    s.after = r >= 0 ? r : std::max(owner_, record_before(at));
    if (cursor_) {
      const SourceLoc loc = cursor_->at(at);
      s.place = RecordPlace{loc.file, loc.line};
    }
    return s;
  }

  // A local declaration at t_[i] (a statement's start): "struct T *a, b",
  // "T *a = v", "R (*fp)(...) = v". Returns the index after what it took, or
  // i when it is none.
  size_t local_declaration(size_t i, size_t end) {
    size_t j = i;
    while (j < end && t_[j].name() && IsQualifier(t_[j].text)) ++j;
    std::string type;
    if (j + 1 < end && t_[j].name() && IsAggregate(t_[j].text) && t_[j + 1].name()) {
      type = resolve_alias(std::string(t_[j + 1].text));
      j += 2;
    } else if (j < end && t_[j].name() && !IsKeyword(t_[j].text)) {
      type = type_of_word(t_[j].text);
      ++j;
      // unsigned long x: more type words
      while (j + 1 < end && t_[j].name() && !IsKeyword(t_[j].text) && t_[j + 1].name()) ++j;
    } else {
      return i;
    }
    size_t k = j;
    bool any = false;
    for (;;) {
      while (k < end && (t_[k].is('*') || (t_[k].name() && IsQualifier(t_[k].text)))) ++k;
      std::string_view name;
      if (k + 2 < end && t_[k].is('(') && t_[k + 1].is('*') && t_[k + 2].name()) {
        name = t_[k + 2].text;
        k = pt_[k] > static_cast<int>(k) ? static_cast<size_t>(pt_[k]) + 1 : k + 3;
        if (k < end && t_[k].is('(') && pt_[k] > static_cast<int>(k)) k = static_cast<size_t>(pt_[k]) + 1;
      } else if (k < end && t_[k].name() && !IsKeyword(t_[k].text)) {
        name = t_[k].text;
        ++k;
      } else {
        break;
      }
      while (k < end && t_[k].is('[') && pt_[k] > static_cast<int>(k)) k = static_cast<size_t>(pt_[k]) + 1;
      if (k >= end || !(t_[k].is('=') || t_[k].is(';') || t_[k].is(',') || t_[k].is(')'))) break;
      locals_[std::string(name)] = type;
      any = true;
      if (t_[k].is('=')) {
        size_t v = k + 1, ve = v;
        while (ve < end && !t_[ve].is(';') && !t_[ve].is(',')) {
          if ((t_[ve].is('(') || t_[ve].is('[') || t_[ve].is('{')) && pt_[ve] > static_cast<int>(ve)) ve = static_cast<size_t>(pt_[ve]);
          ++ve;
        }
        initialiser(v, ve, type, false, std::string(name), std::string());
        k = ve;
      }
      if (k < end && t_[k].is(',')) {
        ++k;
        continue;
      }
      break;
    }
    return any ? k : i;
  }

  // An assignment at t_[eq] ("=" alone): a function stored in a member, a
  // variable or a table.
  void assignment(size_t eq, size_t lo, size_t end) {
    if (eq + 1 >= end || t_[eq + 1].is('=') || eq == lo) return;
    const CToken& before = t_[eq - 1];
    if (before.kind == CToken::kPunct && !before.is(']') && !before.is(')')) return;  // ==, +=, <=, ...
    size_t ve = eq + 1;
    while (ve < end && !t_[ve].is(';') && !t_[ve].is(',') && !t_[ve].is(')') && !t_[ve].is('}')) {
      if ((t_[ve].is('(') || t_[ve].is('[')) && pt_[ve] > static_cast<int>(ve)) ve = static_cast<size_t>(pt_[ve]);
      ++ve;
    }
    const std::string_view fn = value_name(eq + 1, ve);
    if (fn.empty() || is_variable(fn)) return;
    size_t last = eq - 1;
    if (before.is(']')) {
      if (pt_[last] <= static_cast<int>(lo)) return;
      last = static_cast<size_t>(pt_[last]) - 1;
    }
    if (!t_[last].name()) return;
    const size_t first = chain_start(last, lo);
    if (first == last) {
      store_var(std::string(t_[last].text), fn);
    } else {
      store_field(container_type(first, last, lo), t_[last].text, fn);
    }
  }

  // The arguments of a call of a named function g at t_[open]: each that
  // is a function's name is stored for g's parameter at its position.
  void arguments(std::string_view g, size_t open) {
    const size_t close = static_cast<size_t>(pt_[open]);
    size_t s = open + 1;
    int k = 0;
    for (size_t i = s; i <= close; ++i) {
      if (i < close && (t_[i].is('(') || t_[i].is('[') || t_[i].is('{')) && pt_[i] > static_cast<int>(i)) {
        i = static_cast<size_t>(pt_[i]);
        continue;
      }
      if (!(t_[i].is(',') || i == close)) continue;
      const std::string_view a = value_name(s, i);
      if (!a.empty()) {
        const std::string to = std::string(g) + ":" + std::to_string(k);
        if (const int q = param_of(a); q >= 0) {
          f_.forwards.emplace_back(std::string(owner_name_) + ":" + std::to_string(q), to);
        } else if (!locals_.count(std::string(a))) {
          store(f_.by_param, to, a);
        }
      }
      s = i + 1;
      ++k;
    }
  }

  void body(int owner, std::string_view name, size_t open, size_t close) {
    owner_ = owner;
    owner_name_ = name;
    locals_.clear();
    static const std::vector<Param> kNone;
    auto pit = params_.find(std::string(name));
    params_now_ = pit == params_.end() ? &kNone : &pit->second;
    bool stmt_start = true;
    for (size_t i = open + 1; i < close; ++i) {
      const CToken& k = t_[i];
      if (stmt_start && k.name()) {
        const size_t after = local_declaration(i, close);
        if (after > i) {
          i = after - 1;
          stmt_start = false;
          continue;
        }
      }
      stmt_start = k.is('{') || k.is(';') || k.is('}');
      if (k.is('=')) {
        assignment(i, open + 1, close);
        continue;
      }
      if (!k.is('(') || pt_[i] < 0) continue;
      if (i == open + 1) continue;
      const CToken& p = t_[i - 1];
      if (p.name()) {
        if (IsKeyword(p.text)) continue;
        const size_t first = chain_start(i - 1, open + 1);
        if (first < i - 1) {
          site_field(first, i - 1, open + 1, p.at);
        } else if (is_variable(p.text) && !(i >= 2 && (t_[i - 2].is("->") || t_[i - 2].is('.')))) {
          site_var(p.text, p.at);
        } else {
          arguments(p.text, i);
        }
      } else if (p.is(')') && pt_[i - 1] >= 0) {
        // (*x->f)(...) and (*fp)(...)
        const size_t o = static_cast<size_t>(pt_[i - 1]);
        if (o + 2 < i - 1 + 1 && t_[o + 1].is('*') && t_[i - 2].name()) {
          const size_t first = chain_start(i - 2, o + 2);
          if (first != o + 2) continue;
          if (first < i - 2) site_field(first, i - 2, o + 2, t_[i - 2].at);
          else site_var(t_[i - 2].text, t_[i - 2].at);
        }
      } else if (p.is(']') && pt_[i - 1] > static_cast<int>(open)) {
        // table[i](...) and x->table[i](...)
        const size_t o = static_cast<size_t>(pt_[i - 1]);
        if (!t_[o - 1].name()) continue;
        const size_t first = chain_start(o - 1, open + 1);
        if (first < o - 1) site_field(first, o - 1, open + 1, t_[o - 1].at);
        else if (!IsKeyword(t_[o - 1].text)) site_var(t_[o - 1].text, t_[o - 1].at);
      }
    }
    owner_ = -1;
  }

  Run& run_;
  PointerFacts& f_;
  int file_;
  Tokens t_;
  std::vector<int> pt_;
  // Each defined function's parameters, from its header.
  std::unordered_map<std::string, std::vector<Param>> params_;
  int owner_ = -1;
  std::string_view owner_name_;
  std::unordered_map<std::string, std::string> locals_;
  const std::vector<Param>* params_now_ = nullptr;
  LineCursor* cursor_ = nullptr;
};

}  // namespace

void ScanPointerFacts(Run& run, std::string_view decls, std::string_view text, int file, const LineMap* map) {
  FactScanner s(run, file);
  s.declarations(decls);
  s.bodies(text, map);
  run.ptr.unit_records.clear();
}

}  // namespace zelta
