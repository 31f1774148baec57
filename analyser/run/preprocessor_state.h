// Run-wide state of the directive handling and the macro table.
#pragma once
#include <bitset>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace zelta {

// One #define. Records are never removed, only marked by #undef.
struct MacroRec {
  std::string head;       // name with its parameter list as written, or the bare name
  std::string macroname;  // head cut before its first "("
  std::string body;
  int undefined = 0;
  // Parsed once from the head for the expander.
  bool has_params = false;
  std::string pattern;              // head, or head up to and including its first "("
  std::vector<std::string> params;  // parameter names, blanks removed
  // The last parameter is "..." (named __VA_ARGS__ in params) or "name...".
  bool variadic = false;
};

struct StringHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

// The macro table. Which record a head finds is settled by 2001 chained
// buckets addressed by machash (a record lives in the bucket of its
// macroname, newest first); lookups go through a name index instead, which
// gives the same answers without walking long chains on big code bases.
class MacroTable {
 public:
  static constexpr unsigned kBuckets = 2001;

  // The first record, newest first, whose head equals `key`; none when that
  // record is marked undefined, or when the key's bucket is not the one its
  // name lives in (a head with parameters is then not found).
  MacroRec* maclookup(std::string_view key);
  void macdefine(std::string_view head, std::string_view macroname, std::string_view body);
  void macundef(std::string_view name);
  // The record the expander uses for a name: the newest one of that
  // macroname that is not marked undefined.
  const MacroRec* find_for_expansion(std::string_view name) const;
  // False when no macro of that name can exist (a cheap test before the lookup).
  bool may_hold(std::string_view name) const { return !name.empty() && filter_.test(filter_index(name)); }
  bool empty() const { return recs_.empty(); }
  size_t size() const { return recs_.size(); }

 private:
  static size_t filter_index(std::string_view s) {
    unsigned char f = static_cast<unsigned char>(s.front()), l = static_cast<unsigned char>(s.back());
    return (s.size() * 131u + f * 31u + l) & 0xFFFF;
  }
  std::deque<MacroRec> recs_;
  std::unordered_map<std::string, std::vector<uint32_t>, StringHash, std::equal_to<>> byname_;
  std::bitset<0x10000> filter_;  // cheap pre-check before the map lookup
};

unsigned machash(std::string_view text);

struct CondLevel {
  int active = 0;  // lines of the current branch reach the cleaned text
  int state = 0;   // 0: a branch was taken (#else inactive); 1: none taken yet
};

struct Preprocessor {
  // Conditional stack; level 0 is never used. Reset for every source file.
  std::vector<CondLevel> ifstack = std::vector<CondLevel>(1);
  int iftop = 0;
  int ifopen = 0;
  // Headers opened (or tried) during the run, by the name as written.
  std::unordered_set<std::string> inclist;
  MacroTable macrotab;
  // 1 while the rest of an ignored directive's line (#pragma pack(1)) is read
  // as text: a "(" on it starts no function header.
  int directive_text = 0;

  bool active() const { return ifopen == 0 || ifstack[static_cast<size_t>(iftop)].active == 1; }
  void reset_conditionals() {
    iftop = 0;
    ifopen = 0;
    directive_text = 0;
  }
};

}  // namespace zelta
