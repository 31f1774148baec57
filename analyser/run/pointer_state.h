// Run-wide facts of the calls through function pointers (-p): where the
// sources store functions, where bodies call through pointers, and the edge
// list the tree walks once the two are joined. Empty unless -p is set.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "calltree/pointers/c_tokens.h"
#include "run/calltree_state.h"
#include "run/name_index.h"

namespace zelta {

// How a pointer call's target was found, most precise first.
enum class PointerKind : std::uint8_t {
  kNone = 0,
  kStructField = 1,  // what is stored in that field of that struct type
  kField = 2,        // what is stored in a field of that name, any type
  kVariable = 3,     // what is stored in that variable (or table)
  kParameter = 4,    // what the callers pass at that parameter's position
};

// The names the pointer facts speak of (functions, struct types, members,
// variables), each once; facts refer to them by id. A run over a big code
// base keeps a hundred thousand of them, most of which name no function at
// all: their bytes stand packed in blocks that never move, and the table
// that finds them holds only a tag of each hash and the id.
class PointerNames {
 public:
  int find(std::string_view s) const { return find(s, NameIndex::hash(s)); }
  int intern(std::string_view s) {
    const std::uint64_t h = NameIndex::hash(s);
    int id = find(s, h);
    if (id < 0) {
      id = static_cast<int>(texts_.size());
      texts_.push_back(Text{keep(s), static_cast<std::uint32_t>(s.size())});
      if (2 * (texts_.size() + 1) > slots_.size()) grow();
      place(Slot{static_cast<std::uint32_t>(h >> 32), static_cast<std::uint32_t>(id)});
    }
    return id;
  }
  std::string_view text(int id) const {
    const Text& t = texts_[static_cast<size_t>(id)];
    return std::string_view(t.p, t.len);
  }

 private:
  struct Text {
    const char* p;
    std::uint32_t len;
  };
  // A slot's place comes from its tag as well, so a doubling moves the
  // slots without reading the names again.
  struct Slot {
    std::uint32_t tag = 0;  // the hash's high half
    std::uint32_t id = kEmpty;
  };
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  static constexpr size_t kBlock = size_t{1} << 16;

  int find(std::string_view s, std::uint64_t h) const {
    if (slots_.empty()) return -1;
    const std::uint32_t tag = static_cast<std::uint32_t>(h >> 32);
    for (size_t i = tag & mask_;; i = (i + 1) & mask_) {
      const Slot& e = slots_[i];
      if (e.id == kEmpty) return -1;
      if (e.tag != tag) continue;
      const Text& t = texts_[e.id];
      if (t.len == s.size() && NameIndex::same_bytes(t.p, s.data(), s.size())) return static_cast<int>(e.id);
    }
  }
  // A copy of `s` that stays where it is.
  const char* keep(std::string_view s) {
    if (s.size() > left_) {
      const size_t n = std::max(kBlock, s.size());
      blocks_.push_back(std::make_unique<char[]>(n));
      next_ = blocks_.back().get();
      left_ = n;
    }
    char* p = next_;
    if (!s.empty()) std::memcpy(p, s.data(), s.size());
    next_ += s.size();
    left_ -= s.size();
    return p;
  }
  void place(const Slot& e) {
    size_t i = e.tag & mask_;
    while (slots_[i].id != kEmpty) i = (i + 1) & mask_;
    slots_[i] = e;
  }
  void grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 256 : old.size() * 2, Slot{});
    mask_ = slots_.size() - 1;
    for (const Slot& e : old)
      if (e.id != kEmpty) place(e);
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  size_t left_ = 0;
  std::vector<Text> texts_;
  std::vector<Slot> slots_;
  size_t mask_ = 0;
};

// Two ids as one key.
inline std::uint64_t PairKey(int a, int b) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
}

// A function name as a store names it, with the file it was read in (the
// name resolves as a call from that file would).
struct StoredName {
  int name = -1;  // PointerNames id
  int file = 0;
};

// One call through a pointer in a body. Names are PointerNames ids (-1: none).
struct PointerSite {
  int owner = -1;         // the definition record whose body holds it
  int after = -1;         // the record it follows, or replaces
  bool replaces = false;  // the extraction took the field or variable for a called name
  bool local = false;     // `var` is declared in the owner's body
  int type = -1;          // the struct type that holds `field`, when worked out
  int field = -1;         // a call through a member
  int var = -1;           // a call through a variable or a table
  int param = -1;         // `var` is that parameter of the owner (0-based)
  RecordPlace place;      // kept under -j
};

using StoreMap = std::unordered_map<std::uint64_t, std::vector<StoredName>>;

// A body's locals by name id: declared in the body being read when the
// stamp is the body's, with their struct type. Kept for the whole run, so
// the tables grow to the number of names once rather than once a source.
struct BodyLocals {
  std::vector<std::uint32_t> stamp;
  std::vector<int> type;
  std::uint32_t now = 0;
  void clear() {
    if (++now == 0) {  // the stamps came round: forget them all
      std::fill(stamp.begin(), stamp.end(), 0u);
      now = 1;
    }
  }
  bool count(int id) const { return id >= 0 && static_cast<size_t>(id) < stamp.size() && stamp[static_cast<size_t>(id)] == now; }
  void set(int id, int t) {
    if (stamp.size() <= static_cast<size_t>(id)) {
      stamp.resize(static_cast<size_t>(id) + 1 + stamp.size() / 2, 0);
      type.resize(stamp.size(), -1);
    }
    stamp[static_cast<size_t>(id)] = now;
    type[static_cast<size_t>(id)] = t;
  }
};

struct PointerFacts {
  PointerNames names;
  // Stores, by where they put the function: kept in the order found while
  // the sources are read (most name no function at all), then grouped by
  // the join for the names that are defined functions.
  enum Where { kStructField, kField, kGlobal, kLocal, kParam, kWheres };
  struct Store {
    std::uint64_t key;  // (type, field), field, variable, (owner record, variable), (function, position)
    StoredName fn;
  };
  std::deque<Store> stored[kWheres];  // grows without copying itself
  StoreMap by[kWheres];
  // A parameter handed on unchanged: from (function, position) to another.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> forwards;
  // A parameter's or a member's value stored in a member or a variable
  // ("s->cb = cb;", "fp = x->ops->f;"): what the first holds, the second
  // holds too (a member only of a known struct type).
  struct Copy {
    Where from_where = kParam, to_where = kGlobal;
    std::uint64_t from = 0, to = 0;
  };
  std::vector<Copy> copies;
  // Declarations: struct members in order, member types, typedef names,
  // the struct types of globals (-1: a global of no struct type).
  std::unordered_map<int, std::vector<int>> members;
  std::unordered_map<std::uint64_t, int> member_type;  // (type, member)
  std::unordered_set<std::uint64_t> member_array;      // (type, member): an array of that struct type
  std::unordered_map<int, int> alias;
  bool base_word_alias = false;  // a typedef named a word of C's own ("typedef struct s int;")
  // By name id, looked up for nearly every call a body makes: kNoGlobal
  // for a name no global has.
  std::vector<int> global_type;
  static constexpr int kNoGlobal = -2;
  bool is_global(int id) const {
    return id >= 0 && static_cast<size_t>(id) < global_type.size() && global_type[static_cast<size_t>(id)] != kNoGlobal;
  }
  void set_global(int id, int type) {
    if (global_type.size() <= static_cast<size_t>(id)) global_type.resize(static_cast<size_t>(id) + 1 + global_type.size() / 2, kNoGlobal);
    global_type[static_cast<size_t>(id)] = type;
  }
  std::unordered_set<int> upper_case_functions;  // declared functions with no lower-case letter (OP_E)
  std::vector<PointerSite> sites;
  // The current source's records by where their names stand in its
  // cleaned text (handed over by the extraction).
  std::vector<std::pair<size_t, int>> unit_records;

  // After the join, the callees' edges: every group of Records::list as it
  // is (entries 0 to base - 1 are its records), except the groups that hold
  // pointer sites, which are laid out again after it (entries from base on:
  // each pointer target an entry of its own after its site).
  std::deque<FuncRecord> edges;
  std::vector<int> edge_record;  // per laid-out entry: the record it stands for (a target: its definition)
  std::vector<int> edge_site;    // per laid-out entry: the site of a target (-1: a record's own entry)
  std::vector<int> head;         // definition record -> the entry its group starts at
  int base = 0;
  FuncRecord& entry(Records& recs, int at) {
    return at < base ? recs.list[static_cast<size_t>(at)] : edges[static_cast<size_t>(at - base)];
  }
  const FuncRecord& entry(const Records& recs, int at) const {
    return at < base ? recs.list[static_cast<size_t>(at)] : edges[static_cast<size_t>(at - base)];
  }
  int record_of(int at) const { return at < base ? at : edge_record[static_cast<size_t>(at - base)]; }
  int site_of(int at) const { return at < base ? -1 : edge_site[static_cast<size_t>(at - base)]; }
  size_t entries() const { return static_cast<size_t>(base) + edges.size(); }
  std::vector<std::vector<std::pair<int, PointerKind>>> targets;  // per site: definition, kind
  long long unresolved = 0;      // sites that reach no definition
  // Defined functions handed to a function the sources do not define
  // (qsort, signal, atexit): by definition record, the PointerNames ids of
  // those functions, each once.
  std::unordered_map<int, std::vector<int>> passed_to;
  bool joined = false;
  // Scratch of the scan, kept from one source to the next so that its
  // storage is sized once.
  BodyLocals locals;
  CTokens tokens;
  TokenIndexes open_brackets;
};

}  // namespace zelta
