#include "calltree/pointers/pointer_join.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "calltree/resolution.h"
#include "run/run.h"

namespace zelta {

namespace {

// What the callers pass at each parameter, through every chain of
// parameters handed on unchanged. Each (parameter, function) pair is added
// once, so cycles and long chains end after as many steps as there are pairs.
void Propagate(PointerFacts& f) {
  std::unordered_map<std::uint64_t, std::vector<std::uint64_t>> next;
  for (const auto& [from, to] : f.forwards)
    if (from != to) next[from].push_back(to);
  if (next.empty()) return;
  std::unordered_set<std::uint64_t> have;  // (parameter index in `keys`, name)
  std::unordered_map<std::uint64_t, std::uint32_t> keys;
  const auto pair_of = [&](std::uint64_t key, const StoredName& n) {
    auto [it, added] = keys.try_emplace(key, static_cast<std::uint32_t>(keys.size()));
    return PairKey(static_cast<int>(it->second), n.name) ^ (static_cast<std::uint64_t>(n.file) * 0x9E3779B97F4A7C15ull);
  };
  std::vector<std::pair<std::uint64_t, StoredName>> work;
  for (const auto& [key, names] : f.by[PointerFacts::kParam])
    for (const StoredName& n : names)
      if (have.insert(pair_of(key, n)).second) work.emplace_back(key, n);
  while (!work.empty()) {
    const auto [key, n] = work.back();
    work.pop_back();
    auto it = next.find(key);
    if (it == next.end()) continue;
    for (const std::uint64_t to : it->second)
      if (have.insert(pair_of(to, n)).second) {
        f.by[PointerFacts::kParam][to].push_back(n);
        work.emplace_back(to, n);
      }
  }
}

// A defined function passed to one the sources do not define: its address
// is taken and handed on, and nothing in the sources calls it.
void NotePassed(const Records& recs, PointerFacts& f, const PointerFacts::Store& s) {
  const int callee = static_cast<int>(s.key >> 32);
  if (recs.find_def(f.names.text(callee)) >= 0) return;
  const int id = recs.name_id(f.names.text(s.fn.name));
  FuncRecord probe;
  probe.nameid = id;
  probe.file = s.fn.file;
  const int def = ResolveCall(recs, probe);
  if (def < 0) return;
  std::vector<int>& to = f.passed_to[def];
  if (std::find(to.begin(), to.end(), callee) == to.end()) to.push_back(callee);
}

// The definitions the stored names reach, each once, added to `out`.
void Reach(const Records& recs, const PointerFacts& f, const StoreMap& from, std::uint64_t key, PointerKind kind,
           std::vector<std::pair<int, PointerKind>>& out, std::unordered_set<int>& seen) {
  auto it = from.find(key);
  if (it == from.end()) return;
  for (const StoredName& n : it->second) {
    const int id = recs.name_id(f.names.text(n.name));
    if (id < 0 || recs.def_of(id) < 0) continue;
    FuncRecord probe;
    probe.nameid = id;
    probe.file = n.file;
    const int def = ResolveCall(recs, probe);
    if (def >= 0 && seen.insert(def).second) out.emplace_back(def, kind);
  }
}

}  // namespace

const char* PointerKindName(int kind) {
  switch (static_cast<PointerKind>(kind)) {
    case PointerKind::kStructField: return "struct_field";
    case PointerKind::kField: return "field";
    case PointerKind::kVariable: return "variable";
    case PointerKind::kParameter: return "parameter";
    default: return "call";
  }
}

void JoinPointerCalls(Run& run) {
  PointerFacts& f = run.ptr;
  const Records& recs = run.recs;
  // The scan's scratch is done with: its storage goes before the join's.
  CTokens().swap(f.tokens);
  TokenIndexes().swap(f.open_brackets);
  f.locals = BodyLocals();
  f.passed_to.clear();
  // Only stores of defined functions can be reached.
  std::vector<std::int8_t> defined;
  for (int w = 0; w < PointerFacts::kWheres; ++w) {
    for (const PointerFacts::Store& s : f.stored[w]) {
      const size_t n = static_cast<size_t>(s.fn.name);
      if (defined.size() <= n) defined.resize(n + 1, -1);
      if (defined[n] < 0) {
        const int id = recs.name_id(f.names.text(s.fn.name));
        defined[n] = id >= 0 && recs.def_of(id) >= 0 ? 1 : 0;
      }
      if (!defined[n]) continue;
      f.by[w][s.key].push_back(s.fn);
      if (w == PointerFacts::kParam) NotePassed(recs, f, s);
    }
    std::deque<PointerFacts::Store>().swap(f.stored[w]);
  }
  Propagate(f);
  // A parameter's values copied into a member or a variable are stored
  // there (each name once per place: many callers pass the same ones). A
  // member's values copied on are looked up where they are called instead:
  // stored, the large members of large programs would be copied into every
  // variable that reads them.
  std::unordered_set<std::uint64_t> have;
  std::unordered_map<std::uint64_t, std::vector<size_t>> copied[PointerFacts::kWheres];
  for (size_t i = 0; i < f.copies.size(); ++i) {
    const PointerFacts::Copy& c = f.copies[i];
    if (c.from_where != PointerFacts::kParam) {
      copied[c.to_where][c.to].push_back(i);
      continue;
    }
    auto it = f.by[PointerFacts::kParam].find(c.from);
    if (it == f.by[PointerFacts::kParam].end()) continue;
    const std::vector<StoredName> from = it->second;  // `to` may grow the same map
    std::vector<StoredName>& to = f.by[c.to_where][c.to];
    const std::uint64_t place = (c.to * 0x9E3779B97F4A7C15ull) ^ static_cast<std::uint64_t>(c.to_where);
    for (const StoredName& n : from)
      if (have.insert(place ^ (PairKey(n.name, n.file) * 0xC2B2AE3D27D4EB4Full)).second) to.push_back(n);
  }
  // What the stores at (where, key) reach, else what the members copied
  // there hold.
  const auto reach = [&](PointerFacts::Where w, std::uint64_t key, PointerKind kind, std::vector<std::pair<int, PointerKind>>& out,
                         std::unordered_set<int>& seen) {
    Reach(recs, f, f.by[w], key, kind, out, seen);
    if (!out.empty()) return;
    auto it = copied[w].find(key);
    if (it == copied[w].end()) return;
    for (const size_t i : it->second) {
      const PointerFacts::Copy& c = f.copies[i];
      Reach(recs, f, f.by[c.from_where], c.from, kind, out, seen);
    }
  };
  f.targets.assign(f.sites.size(), {});
  f.unresolved = 0;
  std::unordered_set<int> seen;
  for (size_t i = 0; i < f.sites.size(); ++i) {
    const PointerSite& s = f.sites[i];
    auto& out = f.targets[i];
    seen.clear();
    // Most precise first; a weaker way is asked only when the stronger
    // found nothing.
    if (s.field >= 0) {
      if (s.type >= 0) reach(PointerFacts::kStructField, PairKey(s.type, s.field), PointerKind::kStructField, out, seen);
      if (out.empty()) reach(PointerFacts::kField, static_cast<std::uint64_t>(s.field), PointerKind::kField, out, seen);
    } else {
      if (s.local) reach(PointerFacts::kLocal, PairKey(s.owner, s.var), PointerKind::kVariable, out, seen);
      if (out.empty() && s.param >= 0) {
        const int owner = f.names.find(recs.name_of(recs.list[static_cast<size_t>(s.owner)]));
        if (owner >= 0) Reach(recs, f, f.by[PointerFacts::kParam], PairKey(owner, s.param), PointerKind::kParameter, out, seen);
      }
      if (out.empty() && !s.local && s.param < 0)
        reach(PointerFacts::kGlobal, static_cast<std::uint64_t>(s.var), PointerKind::kVariable, out, seen);
    }
    if (out.empty()) f.unresolved++;
  }
  std::vector<PointerFacts::Copy>().swap(f.copies);

  // The sites in record order, each after the record it follows; only the
  // groups that hold one are laid out again.
  std::vector<int> order(f.sites.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return f.sites[static_cast<size_t>(a)].after < f.sites[static_cast<size_t>(b)].after; });
  f.edges.clear();
  f.edge_record.clear();
  f.edge_site.clear();
  f.base = static_cast<int>(recs.list.size());
  f.head.resize(recs.list.size());
  for (size_t r = 0; r < recs.list.size(); ++r) f.head[r] = static_cast<int>(r);
  size_t next = 0;
  while (next < order.size()) {
    const int def = f.sites[static_cast<size_t>(order[next])].owner;
    f.head[static_cast<size_t>(def)] = f.base + static_cast<int>(f.edges.size());
    for (size_t r = static_cast<size_t>(def); r < recs.list.size(); ++r) {
      const FuncRecord& rec = recs.list[r];
      bool replaced = false;
      const size_t from = next;
      while (next < order.size() && f.sites[static_cast<size_t>(order[next])].after == static_cast<int>(r)) {
        replaced = replaced || f.sites[static_cast<size_t>(order[next])].replaces;
        ++next;
      }
      if (!replaced || rec.isdef) {
        FuncRecord& e = f.edges.emplace_back(rec);
        e.groupend = 0;
        f.edge_record.push_back(static_cast<int>(r));
        f.edge_site.push_back(-1);
      }
      for (size_t k = from; k < next; ++k) {
        const int si = order[k];
        const FuncRecord& owner = recs.list[static_cast<size_t>(def)];
        for (const auto& [target, kind] : f.targets[static_cast<size_t>(si)]) {
          const FuncRecord& d = recs.list[static_cast<size_t>(target)];
          FuncRecord& e = f.edges.emplace_back();
          e.nameid = d.nameid;
          e.file = d.file;
          e.stdfunc = 0;
          e.recursive = d.nameid == owner.nameid ? 1 : 0;
          e.pointer = static_cast<std::int8_t>(kind);
          f.edge_record.push_back(target);
          f.edge_site.push_back(si);
        }
      }
      // The group's end moves to its last entry (the head keeps it when all
      // its calls went).
      if (rec.groupend) {
        f.edges.back().groupend = 1;
        break;
      }
    }
  }
  f.joined = true;
}

}  // namespace zelta
