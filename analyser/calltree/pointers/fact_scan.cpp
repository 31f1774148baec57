#include "calltree/pointers/fact_scan.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "calltree/pointers/c_tokens.h"
#include "prepare/line_map.h"
#include "run/run.h"

namespace zelta {

namespace {

bool IsAggregate(std::string_view s) { return s == "struct" || s == "union"; }

// Words that never name a type or a variable in the patterns below (sorted).
constexpr std::string_view kKeywords[] = {
    "_Alignof", "_Static_assert", "__alignof__", "__asm__", "__attribute__", "__extension__", "__inline__",
    "__restrict", "__typeof__", "asm", "auto", "break", "case", "const", "continue", "default", "do", "else",
    "enum", "extern", "for", "goto", "if", "inline", "register", "restrict", "return", "signed", "sizeof",
    "static", "struct", "switch", "typedef", "typeof", "union", "unsigned", "volatile", "while"};

bool IsKeyword(std::string_view s) {
  if (s.size() < 2 || s.size() > 14) return false;
  // Most names begin with a letter no keyword begins with, or are of a
  // length none has with that letter: one look at a table settles them.
  // The rest are compared with the few keywords of their first letter
  // (the list is sorted, so they stand together).
  struct Table {
    std::array<std::uint16_t, 256> lengths{};  // bit n: a keyword of length n begins with the byte
    std::array<std::uint8_t, 256> from{}, to{};
  };
  static const Table kTable = [] {
    Table t;
    for (size_t i = 0; i < std::size(kKeywords); ++i) {
      const auto c = static_cast<unsigned char>(kKeywords[i][0]);
      if (!t.lengths[c]) t.from[c] = static_cast<std::uint8_t>(i);
      t.to[c] = static_cast<std::uint8_t>(i + 1);
      t.lengths[c] |= static_cast<std::uint16_t>(1u << kKeywords[i].size());
    }
    return t;
  }();
  const auto c = static_cast<unsigned char>(s[0]);
  if (!(kTable.lengths[c] & (1u << s.size()))) return false;
  for (size_t i = kTable.from[c]; i < kTable.to[c]; ++i)
    if (kKeywords[i].size() == s.size() && kKeywords[i] == s) return true;
  return false;
}

// Asked of nearly every name a declaration or statement begins with: by
// length first, most names are settled without a comparison.
bool IsQualifier(std::string_view s) {
  switch (s.size()) {
    case 5: return s == "const";
    case 6: return s == "static" || s == "extern" || s == "inline";
    case 8: return s == "volatile" || s == "register" || s == "restrict";
    case 10: return s == "__inline__" || s == "__restrict";
    case 13: return s == "__extension__";
    default: return false;
  }
}

// A name with a lower-case letter may name a function a store keeps:
// upper-case names are constants and macros, and there are many. An
// upper-case one is kept only when declared a function before (OP_E).
bool HasLowerCase(std::string_view s) {
  for (char c : s)
    if (c >= 'a' && c <= 'z') return true;
  return false;
}

struct Param {
  int name = -1, type = -1;
  bool may_hold_function = true;  // no struct, enum or arithmetic type rules it out
};

// Words of types that never hold a function.
bool IsPlainTypeWord(std::string_view s) {
  switch (s.size()) {
    case 3: return s == "int";
    case 4: return s == "void" || s == "char" || s == "long" || s == "bool" || s == "enum";
    case 5: return s == "short" || s == "float" || s == "_Bool" || s == "union";
    case 6: return s == "double" || s == "signed" || s == "size_t" || s == "struct";
    case 7: return s == "ssize_t";
    case 8: return s == "unsigned";
    default: return false;
  }
}

// C's keywords and its types' own words, which no valid source makes a
// typedef name.
bool IsBaseTypeWord(std::string_view s) { return IsKeyword(s) || IsPlainTypeWord(s); }

class FactScanner {
 public:
  FactScanner(Run& run, int file) : run_(run), f_(run.ptr), n_(run.ptr.names), file_(file), locals_(run.ptr.locals) {
    locals_.clear();  // no body read yet in this source
  }

  void declarations(std::string_view src) {
    base_ = src.data();
    Tokenize(src, f_.tokens, f_.open_brackets);
    t_ = f_.tokens;
    size_t s = 0;
    for (size_t i = 0; i < t_.size();) {
      const CToken& k = t_[i];
      if (k.kind == CToken::kBodyMark) {
        header(s, i, text(i));
        s = ++i;
      } else if (k.is(';')) {
        statement(s, i);
        s = ++i;
      } else if (k.is('{')) {
        // Braces of an initialiser or an aggregate belong to the statement;
        // any other (extern "C" {) only groups declarations.
        if (opens_block(s, i) && t_[i].partner >= 0) {
          i = static_cast<size_t>(t_[i].partner) + 1;
        } else {
          s = ++i;
        }
      } else if (k.is('}')) {
        s = ++i;
      } else if ((k.is('(') || k.is('[')) && t_[i].partner >= 0) {
        i = static_cast<size_t>(t_[i].partner) + 1;
      } else {
        ++i;
      }
    }
    if (s < t_.size()) statement(s, t_.size());
  }

  // PointerFacts::tokens holds the tokens of `src`.
  void bodies(std::string_view src, const LineMap* map) {
    base_ = src.data();
    t_ = f_.tokens;
    LineCursor cursor(map, src);
    cursor_ = map ? &cursor : nullptr;
    // The extraction hands them over nearly always in order already.
    if (!std::is_sorted(f_.unit_records.begin(), f_.unit_records.end()))
      std::sort(f_.unit_records.begin(), f_.unit_records.end());
    for (size_t i = 0; i + 3 < t_.size(); ++i) {
      if (!(t_[i].name() && t_[i + 1].is('(') && t_[i + 2].is(')') && t_[i + 3].is('{'))) continue;
      const int close = t_[i + 3].partner;
      if (close < 0) break;
      const int owner = record_at(at(i));
      if (owner >= 0 && run_.recs.list[static_cast<size_t>(owner)].isdef)
        body(owner, text(i), i + 3, static_cast<size_t>(close));
      i = static_cast<size_t>(close);
    }
    cursor_ = nullptr;
  }

 private:
  size_t at(size_t i) const { return t_[i].at; }
  std::string_view text(size_t i) const { return std::string_view(base_ + t_[i].at, t_[i].len); }
  bool opener(size_t i) const {
    return (t_[i].is('(') || t_[i].is('[') || t_[i].is('{')) && t_[i].partner > static_cast<int>(i);
  }

  // --- types ---------------------------------------------------------------

  int resolve_alias(int name) const {
    // A chain of typedef names ends at a struct type; a cycle ends where it
    // comes round (each name is followed at most once).
    for (size_t steps = 0; steps <= f_.alias.size(); ++steps) {
      auto it = f_.alias.find(name);
      if (it == f_.alias.end() || it->second == name) return name;
      name = it->second;
    }
    return name;
  }
  int tag(std::string_view w) { return resolve_alias(n_.intern(w)); }
  void set_alias(std::string_view name, int type) {
    if (IsBaseTypeWord(name)) f_.base_word_alias = true;
    f_.alias[n_.intern(name)] = type;
  }
  // The struct type of a typedef name; -1 when it names none.
  int type_of_word(std::string_view w) const {
    // Most words asked about are C's own, which a valid source never
    // defines as a typedef name: they are not looked up unless one did.
    if (!f_.base_word_alias && IsBaseTypeWord(w)) return -1;
    const int id = n_.find(w);
    if (id < 0) return -1;
    auto it = f_.alias.find(id);
    return it == f_.alias.end() ? -1 : resolve_alias(it->second);
  }
  int member_type(int type, int m) const {
    if (type < 0 || m < 0) return -1;
    auto it = f_.member_type.find(PairKey(type, m));
    return it == f_.member_type.end() ? -1 : it->second;
  }
  // The struct type named in t_[b, e) at its own level: struct TAG, or a
  // typedef name of one.
  int type_in(size_t b, size_t e) {
    for (size_t i = b; i < e; ++i) {
      if (t_[i].name() && IsAggregate(text(i)) && i + 1 < e && t_[i + 1].name()) return tag(text(i + 1));
      if (opener(i)) {
        i = static_cast<size_t>(t_[i].partner);
        continue;
      }
      if (t_[i].name()) {
        const int a = type_of_word(text(i));
        if (a >= 0) return a;
      }
    }
    return -1;
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
        while (j < e && (t_[j].is('*') || (t_[j].name() && IsQualifier(text(j))))) ++j;
        if (j < e && t_[j].name()) return text(j);
      }
      if (opener(i)) {
        i = static_cast<size_t>(t_[i].partner);
        continue;
      }
      if (k.name() && !IsKeyword(text(i)) && text(i).substr(0, 2) != "__") last = text(i);
    }
    return last;
  }

  // --- file level ------------------------------------------------------------

  bool opens_block(size_t s, size_t brace) const {
    for (size_t i = s; i < brace; ++i)
      if (t_[i].is('=') || (t_[i].name() && (IsAggregate(text(i)) || text(i) == "enum"))) return true;
    return false;
  }

  void add_member(int type, std::string_view m, int mtype, bool known, bool array) {
    const int id = n_.intern(m);
    if (!known) f_.members[type].push_back(id);
    if (mtype >= 0) f_.member_type[PairKey(type, id)] = mtype;
    if (mtype >= 0 && array) f_.member_array.insert(PairKey(type, id));
  }
  // A "[" at the level of t_[b, e): the declarator there declares an array.
  bool has_index(size_t b, size_t e) const {
    for (size_t i = b; i < e; ++i) {
      if (t_[i].is('[')) return true;
      if (opener(i)) i = static_cast<size_t>(t_[i].partner);
    }
    return false;
  }

  // A member list t_[open, close] of struct type `type`: member names in
  // order and the struct types of members. Nested lists are read as well,
  // with a stack of their own however deep they nest.
  void aggregate(int type, size_t open, size_t close) {
    struct Level {
      int type;
      size_t close, s, type_from, i;  // type_from: where the current declaration's type words begin
      bool known;  // the same header read for another source brings the same list again
      // The nested list being read: the member it declares, its type, and
      // where its declaration ends.
      std::string_view mname;
      bool marray = false;
      int inner = -1;
      size_t d = 0;
    };
    std::vector<Level> levels;
    const auto enter = [&](int t, size_t o, size_t c) {
      levels.push_back(Level{t, c, o + 1, o + 1, o + 1, !f_.members[t].empty(), {}, false, -1, 0});
    };
    enter(type, open, close);
    while (!levels.empty()) {
      Level& l = levels.back();
      if (l.inner >= 0) {
        // Back from a nested list.
        if (!l.mname.empty()) {
          add_member(l.type, l.mname, l.inner, l.known, l.marray);
        } else {
          // An anonymous member's members are reached as the outer's own.
          const std::vector<int> inside = f_.members[l.inner];
          for (int m : inside)
            add_member(l.type, n_.text(m), member_type(l.inner, m), l.known, f_.member_array.count(PairKey(l.inner, m)) != 0);
        }
        l.inner = -1;
        l.i = l.d + 1;
        l.s = l.type_from = l.d + 1;
        continue;
      }
      if (l.i > l.close || l.i >= t_.size()) {
        levels.pop_back();
        continue;
      }
      const size_t i = l.i++;
      const CToken& k = t_[i];
      if ((k.is('(') || k.is('[')) && t_[i].partner > static_cast<int>(i)) {
        l.i = static_cast<size_t>(t_[i].partner) + 1;
        continue;
      }
      if (k.is('{') && t_[i].partner > static_cast<int>(i) && i != l.close) {
        // A nested struct or union: its members get a type of their own.
        const size_t end = static_cast<size_t>(t_[i].partner);
        size_t d = end + 1;
        while (d < l.close && !t_[d].is(';')) ++d;
        l.mname = declarator_name(end + 1, d);
        l.marray = has_index(end + 1, d);
        if (i >= 1 && t_[i - 1].name() && !IsAggregate(text(i - 1))) {
          l.inner = tag(text(i - 1));
        } else {
          l.inner = n_.intern(std::string(n_.text(l.type)) + "." + std::string(l.mname.empty() ? std::string_view("?") : l.mname));
        }
        l.d = d;
        const int inner = l.inner;
        enter(inner, i, end);  // `l` is not used after it
        continue;
      }
      if (k.is(';') || k.is(',') || i == l.close) {
        // "int a, *b;" declares two members of the same type.
        if (i > l.s) {
          const std::string_view m = declarator_name(l.s, i);
          if (!m.empty()) add_member(l.type, m, type_in(l.type_from, i), l.known, has_index(l.s, i));
        }
        if (!k.is(',')) l.type_from = i + 1;
        l.s = i + 1;
      }
    }
  }

  // The header of a defined function, right before its body: its
  // parameters by name and struct type.
  void header(size_t s, size_t e, std::string_view fname) {
    for (size_t i = e; i-- > s;) {
      if (!(t_[i].name() && text(i) == fname && i + 1 < e && t_[i + 1].is('(') && t_[i + 1].partner > 0)) continue;
      note_function(fname);
      std::vector<Param>& ps = params_[n_.intern(fname)];
      ps.clear();
      const size_t close = static_cast<size_t>(t_[i + 1].partner);
      size_t b = i + 2;
      for (size_t j = b; j <= close; ++j) {
        if (j != close && (t_[j].is('(') || t_[j].is('[')) && t_[j].partner > static_cast<int>(j)) {
          j = static_cast<size_t>(t_[j].partner);
          continue;
        }
        if (t_[j].is(',') || j == close) {
          if (j > b) {
            const std::string_view n = declarator_name(b, j);
            Param p{n.empty() ? -1 : n_.intern(n), type_in(b, j), true};
            // "R (*name)(...)" may hold one whatever R is.
            bool star = false;
            for (size_t k = b; k + 1 < j; ++k) star = star || (t_[k].is('(') && t_[k + 1].is('*'));
            if (!star)
              for (size_t k = b; k < j; ++k) p.may_hold_function = p.may_hold_function && !IsPlainTypeWord(text(k));
            ps.push_back(p);
          }
          b = j + 1;
        }
      }
      if (ps.size() == 1 && ps[0].name < 0) ps.clear();  // (void)
      return;
    }
  }

  void statement(size_t s, size_t e) {
    if (s >= e) return;
    bool is_typedef = false;
    for (size_t i = s; i < e; ++i) {
      if (t_[i].name() && text(i) == "typedef") is_typedef = true;
      if (!(t_[i].name() && IsAggregate(text(i)))) continue;
      size_t j = i + 1;
      // struct __attribute__((x)) TAG {
      while (j + 1 < e && t_[j].name() && text(j).substr(0, 2) == "__" && t_[j + 1].is('(') && t_[j + 1].partner > 0)
        j = static_cast<size_t>(t_[j + 1].partner) + 1;
      std::string_view name;
      if (j < e && t_[j].name()) name = text(j++);
      if (j < e && t_[j].is('{') && t_[j].partner > static_cast<int>(j)) {
        const size_t close = static_cast<size_t>(t_[j].partner);
        const std::string_view after = declarator_name(close + 1, e);
        // typedef struct { ... } name_t; takes the typedef name as its type.
        if (name.empty()) name = after.empty() ? std::string_view("?") : after;
        const int type = tag(name);
        aggregate(type, j, close);
        if (is_typedef) {
          // typedef struct bfd { ... } bfd; names the type as well: the
          // typedef name maps onto itself, so declarations with it have a type.
          if (!after.empty()) set_alias(after, type);
          return;
        }
        declarators(close + 1, e, type);
        return;
      }
      break;
    }
    if (is_typedef) {
      const std::string_view n = declarator_name(s, e);
      const int t = type_in(s, e);
      if (!n.empty() && t >= 0) {
        set_alias(n, t);  // typedef struct bfd bfd; as well
      }
      return;
    }
    // Where the declarators begin: after struct TAG, or after the first
    // name that is no qualifier.
    size_t d = s;
    int type = -1;
    for (; d < e; ++d) {
      if (t_[d].name() && IsAggregate(text(d)) && d + 1 < e) {
        type = tag(text(d + 1));
        d += 2;
        break;
      }
      // enum TAG { ... } x: the tag and the enumerators are no variables
      // (a function of the tag's name may be called elsewhere).
      if (t_[d].name() && text(d) == "enum") {
        if (++d < e && t_[d].name()) ++d;
        if (d < e && t_[d].is('{') && t_[d].partner > static_cast<int>(d)) d = static_cast<size_t>(t_[d].partner) + 1;
        break;
      }
      if (t_[d].name() && !IsQualifier(text(d))) {
        // NAME(args) = {...}: a declaration a macro makes names itself.
        if (d + 1 < e && t_[d + 1].is('(')) break;
        type = type_of_word(text(d));
        ++d;
        break;
      }
    }
    declarators(d, e, type);
  }

  // One or more declarators in t_[b, e), each maybe with an initialiser.
  void declarators(size_t b, size_t e, int type) {
    size_t s = b;
    for (size_t i = b; i <= e; ++i) {
      if (i < e && opener(i)) {
        i = static_cast<size_t>(t_[i].partner);
        continue;
      }
      if (i == e || t_[i].is(',')) {
        declarator(s, i, type);
        s = i + 1;
      }
    }
  }

  void declarator(size_t b, size_t e, int type) {
    size_t eq = e;
    for (size_t i = b; i < e; ++i) {
      if ((t_[i].is('(') || t_[i].is('[')) && t_[i].partner > static_cast<int>(i)) {
        i = static_cast<size_t>(t_[i].partner);
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
    bool function = false, fptr = false;
    int array = 0;  // dimensions: tbl[][8] has two
    for (size_t i = b; i < eq; ++i) {
      if (t_[i].is('(') && i + 1 < eq && t_[i + 1].is('*')) fptr = true;
      if (t_[i].name() && text(i) == name && i + 1 < eq && t_[i + 1].is('(') && !fptr) function = true;
      if (t_[i].is('[')) ++array;
    }
    // A function is never initialised: NAME(args) = v is a macro's.
    if (function && eq == e) {
      note_function(name);
      return;
    }
    const int var = n_.intern(name);
    f_.set_global(var, type);
    if (eq < e) initialiser(eq + 1, e, type, array, var, -1, -1);
  }

  // --- initialisers and stores ----------------------------------------------

  bool may_be_function(std::string_view s) const {
    if (HasLowerCase(s)) return true;
    const int id = n_.find(s);
    return id >= 0 && f_.upper_case_functions.count(id) != 0;
  }
  void note_function(std::string_view s) {
    if (!HasLowerCase(s)) f_.upper_case_functions.insert(n_.intern(s));
  }

  // The function a value t_[b, e) names: NAME, &NAME, or either after a cast.
  std::string_view value_name(size_t b, size_t e) const {
    if (b < e && t_[b].is('(') && t_[b].partner > static_cast<int>(b) && static_cast<size_t>(t_[b].partner) + 1 < e) {
      // (cast) NAME: only a type in the parentheses.
      for (size_t i = b + 1; i < static_cast<size_t>(t_[b].partner); ++i)
        if (!(t_[i].name() || t_[i].is('*') || t_[i].is('(') || t_[i].is(')') || t_[i].is(','))) return {};
      b = static_cast<size_t>(t_[b].partner) + 1;
    }
    if (b < e && t_[b].is('&')) ++b;
    if (b + 1 == e && t_[b].name() && !IsKeyword(text(b)) && may_be_function(text(b))) return text(b);
    return {};
  }

  void store(PointerFacts::Where where, std::uint64_t key, std::string_view fn) { store_id(where, key, n_.intern(fn)); }
  void store_id(PointerFacts::Where where, std::uint64_t key, int fn) {
    f_.stored[where].push_back(PointerFacts::Store{key, StoredName{fn, file_}});
  }
  void store_field(int type, int field, std::string_view fn) {
    if (type >= 0) store(PointerFacts::kStructField, PairKey(type, field), fn);
    store(PointerFacts::kField, static_cast<std::uint64_t>(field), fn);
  }
  void store_var(int var, std::string_view fn) {
    if (owner_ >= 0 && locals_.count(var)) {
      store(PointerFacts::kLocal, PairKey(owner_, var), fn);
    } else {
      store(PointerFacts::kGlobal, static_cast<std::uint64_t>(var), fn);
    }
  }

  // A value t_[b, e) given to struct type `type` (`array`: to an array of
  // them, of that many dimensions), or to member `field` of `outer` when the
  // value is an element of one, or to variable `var` at the outermost level.
  struct Value {
    size_t b = 0, e = 0;
    int type = -1;
    int array = 0;
    int var = -1, field = -1, outer = -1;
  };
  // One brace list being read: its context and how far it is read.
  struct List {
    Value v;
    size_t close, s, i;
    const std::vector<int>* order;
    size_t pos;  // the positional member next
  };

  void initialiser(size_t b, size_t e, int type, int array, int var, int field, int outer) {
    // Nested lists are read with a stack of their own, in the order they
    // stand, however deep they nest.
    std::vector<List> lists;
    const auto give = [&](const Value& v) {
      if (v.b >= v.e) return;
      if (!t_[v.b].is('{') || t_[v.b].partner < 0) {
        const std::string_view fn = value_name(v.b, v.e);
        if (fn.empty()) return;
        if (v.field >= 0) {
          store_field(v.outer, v.field, fn);
        } else if (v.var >= 0) {
          store_var(v.var, fn);
        }
        return;
      }
      const std::vector<int>* order = nullptr;
      if (!v.array && v.type >= 0) {
        auto it = f_.members.find(v.type);
        if (it != f_.members.end()) order = &it->second;
      }
      lists.push_back(List{v, static_cast<size_t>(t_[v.b].partner), v.b + 1, v.b + 1, order, 0});
    };
    give(Value{b, e, type, array, var, field, outer});
    while (!lists.empty()) {
      List& l = lists.back();
      if (l.i > l.close) {
        lists.pop_back();
        continue;
      }
      const size_t i = l.i++;
      if (i < l.close && opener(i) && !(i == l.s && t_[i].is('['))) {
        l.i = static_cast<size_t>(t_[i].partner) + 1;
        continue;
      }
      if (!(t_[i].is(',') || i == l.close)) continue;
      const size_t s = l.s;
      l.s = i + 1;
      // An empty element is a value the conversion left out (a string).
      if (i > s) {
        const Value v = element(s, i, l);
        give(v);  // may add a list: `l` is not used after it
      } else if (t_[i].is(',')) {
        ++l.pos;
      }
    }
  }

  // What element t_[s, e) of list `l` gives, and to what.
  Value element(size_t s, size_t e, List& l) {
    const Value& in = l.v;
    int member = -1;
    bool designated = false;
    // .a.b = v and [i] = v and .a[i] = v: the last member named counts.
    while (s < e && (t_[s].is('.') || t_[s].is('['))) {
      designated = true;
      if (t_[s].is('.') && s + 1 < e && t_[s + 1].name()) {
        member = n_.intern(text(s + 1));
        s += 2;
      } else if (t_[s].is('[') && t_[s].partner > static_cast<int>(s)) {
        s = static_cast<size_t>(t_[s].partner) + 1;
      } else {
        return Value{};
      }
    }
    if (designated) {
      if (s < e && t_[s].is('=')) ++s;
    } else if (s + 1 < e && t_[s].name() && t_[s + 1].is(':')) {
      member = n_.intern(text(s));  // the old GNU form name: value
      s += 2;
      designated = true;
    }
    if (in.array) {
      // An element of an array: a row of it when it has more dimensions,
      // else a struct when the array is of one.
      if (in.array > 1) return Value{s, e, in.type, in.array - 1, in.var, in.field, in.outer};
      if (in.type >= 0) return Value{s, e, in.type, 0, in.var, -1, -1};
      return Value{s, e, -1, 0, in.var, in.field, in.outer};
    }
    if (member < 0 && !designated) {
      if (l.order && l.pos < l.order->size()) member = (*l.order)[l.pos];
    } else if (l.order && member >= 0) {
      auto it = std::find(l.order->begin(), l.order->end(), member);
      if (it != l.order->end()) l.pos = static_cast<size_t>(it - l.order->begin());
    }
    ++l.pos;
    if (member < 0) {
      // A table of functions (or of unknown structs' first members).
      if (in.field >= 0) return Value{s, e, -1, 0, in.var, in.field, in.outer};
      if (in.type < 0) return Value{s, e, -1, 0, in.var, -1, -1};
      return Value{};
    }
    const int mt = member_type(in.type, member);
    // A member that is an array of structs takes a list of them.
    if (s < e && t_[s].is('{') && mt >= 0)
      return Value{s, e, mt, f_.member_array.count(PairKey(in.type, member)) ? 1 : 0, in.var, -1, -1};
    // A function, or a table of them, in this member.
    return Value{s, e, -1, s < e && t_[s].is('{') ? 1 : 0, -1, member, in.type};
  }

  // --- bodies ------------------------------------------------------------------

  int record_at(size_t offset) const {
    auto it = std::lower_bound(f_.unit_records.begin(), f_.unit_records.end(), std::pair<size_t, int>(offset, -1));
    return it != f_.unit_records.end() && it->first == offset ? it->second : -1;
  }
  // The last record whose name stands before `offset`.
  int record_before(size_t offset) const {
    auto it = std::lower_bound(f_.unit_records.begin(), f_.unit_records.end(), std::pair<size_t, int>(offset, -1));
    return it == f_.unit_records.begin() ? -1 : std::prev(it)->second;
  }

  // The struct type of a variable seen from the body being read.
  int type_of_var(std::string_view v) const {
    const int id = n_.find(v);
    if (id < 0) return -1;
    if (locals_.count(id)) return locals_.type[static_cast<size_t>(id)];
    for (const Param& p : *params_now_)
      if (p.name == id) return p.type;
    if (f_.is_global(id)) return f_.global_type[static_cast<size_t>(id)];
    return -1;
  }
  int param_of(int id) const {
    if (id < 0 || locals_.count(id)) return -1;
    for (size_t k = 0; k < params_now_->size(); ++k)
      if ((*params_now_)[k].name == id) return static_cast<int>(k);
    return -1;
  }
  bool is_variable(std::string_view v) const { return is_variable_id(n_.find(v)); }
  bool is_variable_id(int id) const { return id >= 0 && (locals_.count(id) || param_of(id) >= 0 || f_.is_global(id)); }

  // The chain of names "a->b.c" ending at t_[last]: its first token's
  // index, or `last` itself when no member operator precedes. The chain may
  // start at a parenthesised root, as macros write them: "(abfd)->xvec",
  // "((struct T *) p)->f"; the index is then the root's "(".
  size_t chain_start(size_t last, size_t lo) const {
    size_t i = last;
    while (i >= lo + 2 && t_[i - 1].member()) {
      size_t j = i - 2;
      // a[i].b, a[i][k].b: an element of a table keeps the table's type
      while (t_[j].is(']') && t_[j].partner > static_cast<int>(lo)) j = static_cast<size_t>(t_[j].partner) - 1;
      if (t_[j].is(')') && t_[j].partner >= static_cast<int>(lo)) {
        const size_t o = static_cast<size_t>(t_[j].partner);
        // f(x)->g: what a call returns is not worked out
        if (o > lo && t_[o - 1].name() && !IsKeyword(text(o - 1))) break;
        i = o;
        break;
      }
      if (!t_[j].name()) break;
      i = j;
    }
    return i;
  }
  // The struct type of the parenthesised t_[open, t_[open].partner]: a cast to a
  // pointer to one, or a chain (-1: not worked out). `depth` bounds the
  // roots nested in roots: past it the type stays unknown.
  int group_type(size_t open, int depth) {
    size_t b = open + 1, e = static_cast<size_t>(t_[open].partner);
    if (depth > 32) return -1;
    while (b < e && (t_[b].is('*') || t_[b].is('&'))) ++b;
    if (b >= e) return -1;
    if (t_[b].is('(') && t_[b].partner > static_cast<int>(b) && static_cast<size_t>(t_[b].partner) + 1 < e) {
      const size_t c = static_cast<size_t>(t_[b].partner);
      bool cast = false;
      for (size_t k = b + 1; k < c; ++k) {
        if (t_[k].is('*')) cast = true;
        else if (!t_[k].name()) cast = false, k = c;
      }
      if (cast) return type_in(b + 1, c);
    }
    const size_t last = e - 1;
    if (!t_[last].name()) return t_[last].is(')') && t_[last].partner == static_cast<int>(b) ? group_type(b, depth + 1) : -1;
    const size_t first = chain_start(last, b);
    if (first == last) return first == b ? type_of_var(text(last)) : -1;
    if (first != b) return -1;
    return member_type(container_type(first, last, b, depth + 1), n_.find(text(last)));
  }
  // The struct type that holds member t_[last] of the chain that starts at
  // t_[first] (-1: not worked out).
  int container_type(size_t first, size_t last, size_t lo, int depth = 0) {
    int t = -1;
    size_t i = first + 1;
    if (t_[first].is('(')) {
      if (first >= lo + 1 && t_[first - 1].member()) return -1;
      t = group_type(first, depth);
      i = static_cast<size_t>(t_[first].partner) + 1;
    } else {
      // Something before the chain's first name (a call, an index, a cast)
      // leaves its type unknown.
      if (first >= lo + 1 && (t_[first - 1].is(']') || t_[first - 1].is(')') || t_[first - 1].member()))
        return -1;
      t = type_of_var(text(first));
    }
    while (i < last && t >= 0) {
      if (t_[i].is('[') && t_[i].partner > static_cast<int>(i)) {
        i = static_cast<size_t>(t_[i].partner) + 1;
        continue;
      }
      if (!t_[i].member() || i + 1 >= last) break;
      t = member_type(t, n_.find(text(i + 1)));
      i += 2;
    }
    return t;
  }

  void site_field(size_t first, size_t last, size_t lo, size_t offset) {
    PointerSite s = site_at(offset);
    s.field = n_.intern(text(last));
    s.type = first == last ? -1 : container_type(first, last, lo);
    f_.sites.push_back(s);
  }
  void site_var(std::string_view var, size_t offset) {
    PointerSite s = site_at(offset);
    s.var = n_.intern(var);
    s.param = param_of(s.var);
    s.local = locals_.count(s.var) != 0;
    f_.sites.push_back(s);
  }
  PointerSite site_at(size_t offset) {
    PointerSite s;
    s.owner = owner_;
    const int r = record_at(offset);
    s.replaces = r >= 0;
    s.after = r >= 0 ? r : std::max(owner_, record_before(offset));
    if (cursor_) {
      const SourceLoc loc = cursor_->at(offset);
      s.place = RecordPlace{loc.file, loc.line};
    }
    return s;
  }

  // A local declaration at t_[i] (a statement's start): "struct T *a, b",
  // "T *a = v", "R (*fp)(...) = v". Returns the index after what it took, or
  // i when it is none.
  size_t local_declaration(size_t i, size_t end) {
    size_t j = i;
    while (j < end && t_[j].name() && IsQualifier(text(j))) ++j;
    int type = -1;
    // A typedef name's type is looked up once a declarator follows: most
    // statements that begin with a name are calls and assignments.
    size_t type_word = end;
    if (j + 1 < end && t_[j].name() && IsAggregate(text(j)) && (t_[j + 1].name() || t_[j + 1].is('{'))) {
      std::string_view tagname;
      if (t_[j + 1].name()) tagname = text(++j);
      ++j;
      if (j < end && t_[j].is('{') && t_[j].partner > static_cast<int>(j)) {
        // A struct declared in the body, as a table of handlers is: its
        // members are read as at file level (one without a tag is named
        // after the function).
        const size_t close = static_cast<size_t>(t_[j].partner);
        type = tagname.empty() ? n_.intern(std::string(n_.text(owner_name_)) + ".?") : tag(tagname);
        aggregate(type, j, close);
        j = close + 1;
      } else {
        type = tag(tagname);
      }
    } else if (j < end && t_[j].name() && !IsKeyword(text(j))) {
      type_word = j;
      ++j;
      // unsigned long x: more type words
      while (j + 1 < end && t_[j].name() && !IsKeyword(text(j)) && t_[j + 1].name()) ++j;
    } else {
      return i;
    }
    size_t k = j;
    bool any = false;
    for (;;) {
      while (k < end && (t_[k].is('*') || (t_[k].name() && IsQualifier(text(k))))) ++k;
      std::string_view name;
      if (k + 2 < end && t_[k].is('(') && t_[k + 1].is('*') && t_[k + 2].name()) {
        name = text(k + 2);
        k = t_[k].partner > static_cast<int>(k) ? static_cast<size_t>(t_[k].partner) + 1 : k + 3;
        if (k < end && t_[k].is('(') && t_[k].partner > static_cast<int>(k)) k = static_cast<size_t>(t_[k].partner) + 1;
      } else if (k < end && t_[k].name() && !IsKeyword(text(k))) {
        name = text(k);
        ++k;
      } else {
        break;
      }
      int dims = 0;
      while (k < end && t_[k].is('[') && t_[k].partner > static_cast<int>(k)) k = static_cast<size_t>(t_[k].partner) + 1, ++dims;
      if (k >= end || !(t_[k].is('=') || t_[k].is(';') || t_[k].is(',') || t_[k].is(')'))) break;
      if (type_word < end) {
        type = type_of_word(text(type_word));
        type_word = end;
      }
      const int var = n_.intern(name);
      locals_.set(var, type);
      any = true;
      if (t_[k].is('=')) {
        size_t v = k + 1, ve = v;
        while (ve < end && !t_[ve].is(';') && !t_[ve].is(',')) {
          if (opener(ve)) ve = static_cast<size_t>(t_[ve].partner);
          ++ve;
        }
        initialiser(v, ve, type, dims, var, -1, -1);
        if (PointerFacts::Copy c; value_source(v, ve, c)) copy_to_var(c, var);
        // The value is body text like any other: its calls are read on.
        return v;
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
      if ((t_[ve].is('(') || t_[ve].is('[')) && t_[ve].partner > static_cast<int>(ve)) ve = static_cast<size_t>(t_[ve].partner);
      ++ve;
    }
    const std::string_view fn = value_name(eq + 1, ve);
    size_t last = eq - 1;
    if (before.is(']')) {
      if (t_[last].partner <= static_cast<int>(lo)) return;
      last = static_cast<size_t>(t_[last].partner) - 1;
    }
    if (!t_[last].name()) return;
    const size_t first = chain_start(last, lo);
    const int id = n_.intern(text(last));
    if (!fn.empty() && !is_variable(fn)) {
      if (first == last) {
        store_var(id, fn);
      } else {
        store_field(container_type(first, last, lo), id, fn);
      }
      return;
    }
    // A parameter's or a member's value handed on: what the callers pass,
    // or what the member holds, is stored here as well.
    PointerFacts::Copy c;
    if (!value_source(eq + 1, ve, c)) return;
    if (first == last) {
      copy_to_var(c, id);
    } else {
      const int type = container_type(first, last, lo);
      if (type >= 0) {
        c.to_where = PointerFacts::kStructField;
        c.to = PairKey(type, id);
        f_.copies.push_back(c);
      }
      c.to_where = PointerFacts::kField;
      c.to = static_cast<std::uint64_t>(id);
      f_.copies.push_back(c);
    }
  }

  // Where the value t_[b, e) comes from when it is a parameter that may hold
  // a function, or a member read through a chain ("(T) x->s->f").
  bool value_source(size_t b, size_t e, PointerFacts::Copy& c) {
    if (b < e && t_[b].is('(') && t_[b].partner > static_cast<int>(b) && static_cast<size_t>(t_[b].partner) + 1 < e) {
      bool cast = true;
      for (size_t i = b + 1; i < static_cast<size_t>(t_[b].partner) && cast; ++i)
        cast = t_[i].name() || t_[i].is('*') || t_[i].is('(') || t_[i].is(')') || t_[i].is(',');
      if (cast) b = static_cast<size_t>(t_[b].partner) + 1;
    }
    if (b >= e || !t_[e - 1].name()) return false;
    const size_t last = e - 1;
    if (b == last) {
      const int q = param_of(n_.find(text(last)));
      if (q < 0 || !(*params_now_)[static_cast<size_t>(q)].may_hold_function) return false;
      c.from_where = PointerFacts::kParam;
      c.from = PairKey(owner_name_, q);
      return true;
    }
    if (chain_start(last, b) != b) return false;
    const int field = n_.intern(text(last));
    // Only a member of a known struct type: by its name alone, every
    // function stored in any member so named would flow on.
    const int type = container_type(b, last, b);
    if (type < 0) return false;
    c.from_where = PointerFacts::kStructField;
    c.from = PairKey(type, field);
    return true;
  }
  void copy_to_var(PointerFacts::Copy c, int var) {
    if (owner_ >= 0 && locals_.count(var)) {
      c.to_where = PointerFacts::kLocal;
      c.to = PairKey(owner_, var);
    } else {
      c.to_where = PointerFacts::kGlobal;
      c.to = static_cast<std::uint64_t>(var);
    }
    f_.copies.push_back(c);
  }

  // The arguments of a call of a named function g at t_[open]: each that
  // is a function's name is stored for g's parameter at its position.
  // `gid`: g's id when it has one.
  void arguments(std::string_view g, int gid, size_t open) {
    const size_t close = static_cast<size_t>(t_[open].partner);
    size_t s = open + 1;
    int k = 0;
    for (size_t i = s; i <= close; ++i) {
      if (i < close && opener(i)) {
        i = static_cast<size_t>(t_[i].partner);
        continue;
      }
      if (!(t_[i].is(',') || i == close)) continue;
      const std::string_view a = value_name(s, i);
      if (!a.empty()) {
        if (gid < 0) gid = n_.intern(g);
        const int aid = n_.find(a);
        if (const int q = param_of(aid); q >= 0) {
          // Only a parameter that may hold a function hands one on.
          if ((*params_now_)[static_cast<size_t>(q)].may_hold_function)
            f_.forwards.emplace_back(PairKey(owner_name_, q), PairKey(gid, k));
        } else if (aid < 0) {
          store(PointerFacts::kParam, PairKey(gid, k), a);
        } else if (!locals_.count(aid)) {
          store_id(PointerFacts::kParam, PairKey(gid, k), aid);
        }
      }
      s = i + 1;
      ++k;
    }
  }

  void body(int owner, std::string_view name, size_t open, size_t close) {
    owner_ = owner;
    owner_name_ = n_.intern(name);
    locals_.clear();
    static const std::vector<Param> kNone;
    auto pit = params_.find(owner_name_);
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
      if (!k.is('(') || t_[i].partner < 0 || i == open + 1) continue;
      const CToken& p = t_[i - 1];
      if (p.name()) {
        if (IsKeyword(text(i - 1))) continue;
        const size_t first = chain_start(i - 1, open + 1);
        const bool member = i >= open + 3 && t_[i - 2].member();
        if (first < i - 1 || member) {
          site_field(first, i - 1, open + 1, at(i - 1));
        } else if (const int id = n_.find(text(i - 1)); is_variable_id(id)) {
          site_var(text(i - 1), at(i - 1));
        } else {
          arguments(text(i - 1), id, i);
        }
      } else if (p.is(')') && t_[i - 1].partner >= 0) {
        // (*x->f)(...), (*fp)(...), (fp)(...), (x->f[k])(...), and as macros
        // write them, (*((x)->f))(...)
        const size_t o = static_cast<size_t>(t_[i - 1].partner);
        if (o <= open + 1 || o + 2 > i) continue;
        // g(x)(...) calls what g returns, and "if (fp) (void) ..." is no call
        if (t_[o - 1].name() && text(o - 1) != "return" && text(o - 1) != "else" && text(o - 1) != "do")
          continue;
        size_t b = o + 1;
        while (b < i - 1 && t_[b].is('*')) ++b;
        const bool star = b > o + 1;
        size_t last = i - 2;
        while (last > b && t_[last].is(')')) --last;
        if (t_[last].is(']') && t_[last].partner > static_cast<int>(b)) last = static_cast<size_t>(t_[last].partner) - 1;
        if (last < b || !t_[last].name()) continue;
        const size_t first = chain_start(last, b);
        const bool member = first == last && last >= b + 1 && t_[last - 1].member();
        if (first < last || member) site_field(first, last, b, at(last));
        else if (first == b && (star ? last == i - 2 : is_variable(text(last)))) site_var(text(last), at(last));
      } else if (p.is(']') && t_[i - 1].partner > static_cast<int>(open) + 1) {
        // table[i](...) and x->table[i](...)
        const size_t o = static_cast<size_t>(t_[i - 1].partner);
        if (!t_[o - 1].name()) continue;
        const size_t first = chain_start(o - 1, open + 1);
        if (first < o - 1) site_field(first, o - 1, open + 1, at(o - 1));
        else if (!IsKeyword(text(o - 1))) site_var(text(o - 1), at(o - 1));
      }
    }
    owner_ = -1;
  }

  Run& run_;
  PointerFacts& f_;
  PointerNames& n_;
  int file_;
  const char* base_ = nullptr;
  std::span<const CToken> t_;
  // Each defined function's parameters, from its header.
  std::unordered_map<int, std::vector<Param>> params_;
  int owner_ = -1;
  int owner_name_ = -1;
  BodyLocals& locals_;
  const std::vector<Param>* params_now_ = nullptr;
  LineCursor* cursor_ = nullptr;
};

}  // namespace

void ScanPointerFacts(Run& run, std::string_view decls, std::string_view text, int file, const LineMap* map,
                      const std::function<void(bool)>& extract) {
  if (decls.size() > kMaxTokenText || text.size() > kMaxTokenText) {
    extract(false);
    run.errlog.text("ポインタを読むにはソースが大きすぎます(4GBまで)");
    run.con.print("エラー : %sはポインタを読むには大きすぎます(4GBまで)\n", run.recs.files[static_cast<size_t>(file)].c_str());
    EndRun(0);
  }
  FactScanner s(run, file);
  s.declarations(decls);
  // The declarations' tokens are done with: the text's take their place.
  extract(Tokenize(text, run.ptr.tokens, run.ptr.open_brackets));
  s.bodies(text, map);
  run.ptr.unit_records.clear();
  // The scratch stays for the next source unless a large one grew it: a few
  // large sources should not keep their storage for the rest of the run.
  constexpr size_t kKeep = size_t{1} << 16;  // tokens
  if (run.ptr.tokens.capacity() > kKeep) CTokens().swap(run.ptr.tokens);
  if (run.ptr.open_brackets.capacity() > kKeep) TokenIndexes().swap(run.ptr.open_brackets);
}

}  // namespace zelta
