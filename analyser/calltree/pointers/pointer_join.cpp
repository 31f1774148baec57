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

using Stores = std::unordered_map<std::string, std::vector<StoredName>>;

// What the callers pass at each parameter, through every chain of
// parameters handed on unchanged. Each (parameter, function) pair is added
// once, so cycles and long chains end after as many steps as there are pairs.
void Propagate(PointerFacts& f) {
  std::unordered_map<std::string, std::vector<std::string>> next;
  for (const auto& [from, to] : f.forwards)
    if (from != to) next[from].push_back(to);
  std::unordered_map<std::string, std::unordered_set<std::string>> have;
  std::vector<std::pair<std::string, StoredName>> work;
  for (const auto& [key, names] : f.by_param) {
    auto& h = have[key];
    for (const StoredName& n : names)
      if (h.insert(n.name + '\n' + std::to_string(n.file)).second) work.emplace_back(key, n);
  }
  while (!work.empty()) {
    auto [key, n] = std::move(work.back());
    work.pop_back();
    auto it = next.find(key);
    if (it == next.end()) continue;
    for (const std::string& to : it->second)
      if (have[to].insert(n.name + '\n' + std::to_string(n.file)).second) {
        f.by_param[to].push_back(n);
        work.emplace_back(to, n);
      }
  }
}

// The definitions the stored names reach, each once, added to `out`.
void Reach(const Records& recs, const Stores& from, const std::string& key, PointerKind kind,
           std::vector<std::pair<int, PointerKind>>& out, std::unordered_set<int>& seen) {
  auto it = from.find(key);
  if (it == from.end()) return;
  for (const StoredName& n : it->second) {
    const int id = recs.name_id(n.name);
    if (id < 0 || recs.def_of(id) < 0) continue;
    FuncRecord probe;
    probe.name = recs.names[static_cast<size_t>(id)];
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
  Propagate(f);
  f.targets.assign(f.sites.size(), {});
  f.unresolved = 0;
  std::unordered_set<int> seen;
  for (size_t i = 0; i < f.sites.size(); ++i) {
    const PointerSite& s = f.sites[i];
    auto& out = f.targets[i];
    seen.clear();
    // Most precise first; a weaker way is asked only when the stronger
    // found nothing.
    if (!s.field.empty()) {
      if (!s.type.empty()) Reach(recs, f.by_struct_field, s.type + "." + s.field, PointerKind::kStructField, out, seen);
      if (out.empty()) Reach(recs, f.by_field, s.field, PointerKind::kField, out, seen);
    } else {
      if (s.local) Reach(recs, f.by_local, std::to_string(s.owner) + ":" + s.var, PointerKind::kVariable, out, seen);
      if (out.empty() && s.param >= 0) {
        const std::string& owner = std::string(recs.list[static_cast<size_t>(s.owner)].name);
        Reach(recs, f.by_param, owner + ":" + std::to_string(s.param), PointerKind::kParameter, out, seen);
      }
      if (out.empty() && !s.local && s.param < 0) Reach(recs, f.by_global, s.var, PointerKind::kVariable, out, seen);
    }
    if (out.empty()) f.unresolved++;
  }

  // The sites in record order, each after the record it follows.
  std::vector<int> order(f.sites.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return f.sites[static_cast<size_t>(a)].after < f.sites[static_cast<size_t>(b)].after; });
  f.edges.clear();
  f.edge_record.clear();
  f.edge_site.clear();
  f.head.assign(recs.list.size(), -1);
  size_t next = 0;
  for (size_t r = 0; r < recs.list.size(); ++r) {
    const FuncRecord& rec = recs.list[r];
    bool replaced = false;
    size_t from = next;
    while (next < order.size() && f.sites[static_cast<size_t>(order[next])].after == static_cast<int>(r)) {
      replaced = replaced || f.sites[static_cast<size_t>(order[next])].replaces;
      ++next;
    }
    if (rec.isdef) f.head[r] = static_cast<int>(f.edges.size());
    if (!replaced || rec.isdef) {
      FuncRecord& e = f.edges.emplace_back(rec);
      e.groupend = 0;
      f.edge_record.push_back(static_cast<int>(r));
      f.edge_site.push_back(-1);
    }
    for (size_t k = from; k < next; ++k) {
      const int si = order[k];
      const PointerSite& s = f.sites[static_cast<size_t>(si)];
      const FuncRecord& owner = recs.list[static_cast<size_t>(s.owner)];
      for (const auto& [def, kind] : f.targets[static_cast<size_t>(si)]) {
        const FuncRecord& d = recs.list[static_cast<size_t>(def)];
        FuncRecord& e = f.edges.emplace_back();
        e.name = d.name;
        e.nameid = d.nameid;
        e.file = d.file;
        e.stdfunc = 0;
        e.recursive = d.nameid == owner.nameid ? 1 : 0;
        e.pointer = static_cast<std::int8_t>(kind);
        f.edge_record.push_back(def);
        f.edge_site.push_back(si);
      }
    }
    // The group's end moves to its last entry (a definition's head keeps it
    // when all its calls went).
    if (rec.groupend) f.edges.back().groupend = 1;
  }
  f.joined = true;
}

}  // namespace zelta
