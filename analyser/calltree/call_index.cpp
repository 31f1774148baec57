#include "calltree/call_index.h"

#include <algorithm>
#include <utility>

#include "calltree/resolution.h"

namespace zelta {

namespace {

// Edges (key, caller) in the order found, grouped by key with the order
// kept: a counting sort into one flat array with a start per key.
void Group(const std::vector<std::pair<int, int>>& edges, size_t keys, std::vector<int>& start,
           std::vector<int>& flat) {
  start.assign(keys + 1, 0);
  for (const auto& e : edges) start[static_cast<size_t>(e.first) + 1]++;
  for (size_t k = 0; k < keys; ++k) start[k + 1] += start[k];
  flat.assign(edges.size(), 0);
  std::vector<int> fill(start.begin(), start.end() - 1);
  for (const auto& e : edges) flat[static_cast<size_t>(fill[static_cast<size_t>(e.first)]++)] = e.second;
}

}  // namespace

int CallIndex::ordinal(int def) const {
  auto it = std::lower_bound(defs_->begin(), defs_->end(), def);
  return it != defs_->end() && *it == def ? static_cast<int>(it - defs_->begin()) : -1;
}

int CallIndex::undefined_of(int nameid) const {
  if (nameid < 0 || static_cast<size_t>(nameid) >= undef_of_name_.size()) return -1;
  return undef_of_name_[static_cast<size_t>(nameid)];
}

void CallIndex::build(const Records& recs, bool want_reversed, const PointerFacts* pointers) {
  const size_t n = pointers ? pointers->entries() : recs.list.size();
  defs_ = &recs.defs;
  target_.assign(n, -1);
  undefined_.clear();
  first_call_.clear();
  undef_of_name_.assign(recs.names.size(), -1);

  // A call belongs to the definition its group starts with, as the tree
  // builder walks it: from a definition up to the next group end. Calls
  // after a group end that no definition opened belong to none.
  std::vector<std::pair<int, int>> def_edges, def_kinds, undef_edges;
  std::vector<int> last_caller(recs.defs.size(), -1), last_undef_caller;
  int owner = -1, k = -1;
  // -p: a group laid out again is walked there instead of in the records.
  size_t resume = 0;  // where the records go on after such a group
  const size_t records = recs.list.size();
  for (size_t i = 0; i < n; ++i) {
    if (resume == 0 && i >= records) break;
    if (pointers && resume == 0 && recs.list[i].isdef && pointers->head[i] != static_cast<int>(i)) {
      size_t e = i;
      while (e < records && !recs.list[e].groupend) ++e;
      resume = e + 1;
      i = static_cast<size_t>(pointers->head[i]);
    }
    const FuncRecord& r = pointers ? pointers->entry(recs, static_cast<int>(i)) : recs.list[i];
    if (r.isdef) {
      owner = ++k;
    } else if (owner >= 0) {
      const int t = r.pointer ? pointers->record_of(static_cast<int>(i)) : ResolveCall(recs, r);
      target_[i] = t;
      if (t >= 0) {
        const int tk = ordinal(t);
        if (last_caller[static_cast<size_t>(tk)] != owner) {
          last_caller[static_cast<size_t>(tk)] = owner;
          def_edges.emplace_back(tk, owner);
          if (pointers) def_kinds.emplace_back(tk, r.pointer);
        }
      } else if (recs.def_of(r.nameid) < 0) {
        int& u = undef_of_name_[static_cast<size_t>(r.nameid)];
        if (u < 0) {
          u = static_cast<int>(undefined_.size());
          undefined_.push_back(r.nameid);
          first_call_.push_back(pointers ? pointers->record_of(static_cast<int>(i)) : static_cast<int>(i));
          last_undef_caller.push_back(-1);
        }
        if (last_undef_caller[static_cast<size_t>(u)] != owner) {
          last_undef_caller[static_cast<size_t>(u)] = owner;
          undef_edges.emplace_back(u, owner);
        }
      }
    }
    if (r.groupend) {
      owner = -1;
      if (resume > 0) {
        i = resume - 1;
        resume = 0;
      }
    }
  }
  Group(def_edges, recs.defs.size(), caller_start_, callers_);
  std::vector<int> unused;
  if (pointers) Group(def_kinds, recs.defs.size(), unused, caller_kinds_);
  else caller_kinds_.clear();
  Group(undef_edges, undefined_.size(), undef_start_, undef_callers_);

  reversed.clear();
  reversed_def.clear();
  head.clear();
  undefined_head_.clear();
  if (!want_reversed) return;
  head.assign(recs.list.size(), -1);
  const auto add_group = [&](const FuncRecord& self, int def, std::span<const int> by, std::span<const int> kinds) {
    const int at = static_cast<int>(reversed.size());
    FuncRecord& h = reversed.emplace_back();
    h.nameid = self.nameid;
    h.file = self.file;
    h.isdef = 1;
    h.stdfunc = def >= 0 ? 0 : 1;
    h.groupend = by.empty() ? 1 : 0;
    reversed_def.push_back(def);
    for (size_t c = 0; c < by.size(); ++c) {
      const int cd = recs.defs[static_cast<size_t>(by[c])];
      const FuncRecord& caller = recs.list[static_cast<size_t>(cd)];
      FuncRecord& e = reversed.emplace_back();
      e.nameid = caller.nameid;
      e.file = caller.file;
      e.stdfunc = 0;
      // As the callees tree marks a call of its own name.
      e.recursive = caller.nameid == self.nameid ? 1 : 0;
      e.groupend = c + 1 == by.size() ? 1 : 0;
      if (!kinds.empty()) e.pointer = static_cast<std::int8_t>(kinds[c]);
      reversed_def.push_back(cd);
    }
    return at;
  };
  for (size_t d = 0; d < recs.defs.size(); ++d) {
    const int def = recs.defs[d];
    head[static_cast<size_t>(def)] =
        add_group(recs.list[static_cast<size_t>(def)], def, callers(static_cast<int>(d)), caller_kinds(static_cast<int>(d)));
  }
  for (size_t u = 0; u < undefined_.size(); ++u)
    undefined_head_.push_back(
        add_group(recs.list[static_cast<size_t>(first_call_[u])], -1, undefined_callers(static_cast<int>(u)), {}));
}

}  // namespace zelta
