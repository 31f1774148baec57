#include <map>

#include "answers.h"
#include "handlers/handlers.h"

namespace zelta::lsp {

namespace {

// A caller or callee reached through a function pointer says so.
CallHierarchyItem Marked(CallHierarchyItem item, bool pointer) {
  if (pointer) {
    item.detail += item.detail.empty() ? "関数ポインタ経由" : " (関数ポインタ経由)";
    item.data["pointer"] = true;
  }
  return item;
}

}  // namespace

json PrepareCallHierarchy(Server& s, const json& params) {
  const int f = FunctionAt(s, params);
  if (f < 0) return nullptr;
  return json::array({ItemOf(s, f)});
}

// Callers in the order they are defined, each with its call sites.
json IncomingCalls(Server& s, const json& params) {
  const int f = FunctionOfItem(s, member(params, "item"));
  json out = json::array();
  if (f < 0) return out;
  const CodeIndex& ix = *s.index;
  std::map<int, std::vector<Range>> by_caller;
  std::map<int, bool> through_pointer;
  for (int c : ix.callers_of(f)) {
    const Call& call = ix.calls[static_cast<size_t>(c)];
    by_caller[call.caller].push_back(CallRange(s, call));
    through_pointer[call.caller] |= call.pointer;
  }
  for (auto& [caller, ranges] : by_caller)
    out.push_back(CallHierarchyIncomingCall{Marked(ItemOf(s, caller), through_pointer[caller]), std::move(ranges)});
  return out;
}

// Callees in the order first called; functions defined nowhere have no
// place to show and are left out.
json OutgoingCalls(Server& s, const json& params) {
  const int f = FunctionOfItem(s, member(params, "item"));
  json out = json::array();
  if (f < 0) return out;
  const CodeIndex& ix = *s.index;
  const Function& fn = ix.functions[static_cast<size_t>(f)];
  std::vector<int> order;
  std::map<int, std::vector<Range>> by_callee;
  std::map<int, bool> through_pointer;
  for (int c = fn.calls_begin; c < fn.calls_end; ++c) {
    const Call& call = ix.calls[static_cast<size_t>(c)];
    if (call.target < 0) continue;
    auto [it, added] = by_callee.try_emplace(call.target);
    if (added) order.push_back(call.target);
    it->second.push_back(CallRange(s, call));
    through_pointer[call.target] |= call.pointer;
  }
  for (int t : order)
    out.push_back(CallHierarchyOutgoingCall{Marked(ItemOf(s, t), through_pointer[t]), std::move(by_callee[t])});
  return out;
}

}  // namespace zelta::lsp
