// Run-wide state of the directive handling and the macro table.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "run/name_index.h"

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
  // macroname that is not marked undefined. Most names are no macro's: the
  // filter answers them here.
  const MacroRec* find_for_expansion(std::string_view name) const {
    if (name.empty()) return nullptr;
    const std::uint64_t h = NameIndex::hash(name);
    if (!filter_has(h)) return nullptr;
    const int id = index_.find(name, h);
    return id < 0 ? nullptr : live_[static_cast<size_t>(id)];
  }
  bool empty() const { return recs_.empty(); }
  size_t size() const { return recs_.size(); }

 private:
  // Most words of a body line name no macro, and a big code base defines
  // hundreds of thousands: two bits of the name's hash in a table small
  // enough to stay in the cache answer most of them before the index (far
  // bigger, and so mostly out of the cache) is looked at.
  static constexpr size_t kFilterBits = size_t{1} << 21;
  static size_t filter_bit(std::uint64_t h, int k) { return (h >> (k ? 43 : 21)) & (kFilterBits - 1); }
  bool filter_has(std::uint64_t h) const {
    const size_t a = filter_bit(h, 0), b = filter_bit(h, 1);
    return (filter_[a / 64] >> (a % 64) & (filter_[b / 64] >> (b % 64)) & 1) != 0;
  }
  // The position in names_ of a macroname (-1: none); `name` is not empty.
  int name_of(std::string_view name) const {
    const std::uint64_t h = NameIndex::hash(name);
    return filter_has(h) ? index_.find(name, h) : -1;
  }
  const MacroRec* newest_defined(int id) const;

  std::deque<MacroRec> recs_;
  std::deque<std::string> names_;               // each macroname once
  std::vector<std::vector<uint32_t>> by_name_;  // record indexes per name, oldest first
  // Per name: the record the expander uses (newest_defined), kept up to
  // date by every define and undef of the name.
  std::vector<const MacroRec*> live_;
  NameIndex index_;                             // macroname -> position in names_
  std::vector<std::uint64_t> filter_ = std::vector<std::uint64_t>(kFilterBits / 64);
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
