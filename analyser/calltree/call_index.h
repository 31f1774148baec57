// Both directions of the call graph, built once after the marking passes:
// where every call resolves and, per function, who calls it.
#pragma once
#include <deque>
#include <span>
#include <vector>

#include "run/calltree_state.h"
#include "run/pointer_state.h"

namespace zelta {

class CallIndex {
 public:
  // `reversed`: also lay the callers out as the tree builder walks them
  // (only the callers tree needs that list).
  // `pointers` (-p, joined): the calls are the entries of its edge list, the
  // pointer targets among them, and target() and callers() speak of those.
  void build(const Records& recs, bool reversed, const PointerFacts* pointers = nullptr);

  // The definition a call record resolves to, as the tree resolves it
  // (ResolveCall); -1 when it resolves to none. Under -p: an entry of the
  // edge list.
  int target(int record) const { return target_[static_cast<size_t>(record)]; }
  // The position of a definition record in definition order.
  int ordinal(int def) const;
  // The functions (by ordinal) whose bodies call function `k`, each once,
  // in definition order.
  std::span<const int> callers(int k) const { return slice(callers_, caller_start_, k); }
  // -p: how each of callers(k) first calls it (a PointerKind, 0: directly).
  std::span<const int> caller_kinds(int k) const {
    return caller_kinds_.empty() ? std::span<const int>() : slice(caller_kinds_, caller_start_, k);
  }

  // Names called but defined nowhere, as name ids, in the order first called.
  const std::vector<int>& undefined() const { return undefined_; }
  std::span<const int> undefined_callers(int u) const { return slice(undef_callers_, undef_start_, u); }
  // The first call record of undefined name `u`.
  int first_call(int u) const { return first_call_[static_cast<size_t>(u)]; }
  // The position in undefined() of a name id; -1 when it is not there.
  int undefined_of(int nameid) const;

  // The callers as the tree builder walks them (TreeBuilder::edges): for
  // every definition, in definition order, a head entry and one entry per
  // caller; then the same for every undefined name. `reversed_def` is the
  // definition record each entry stands for (-1: an undefined name's head);
  // `head` maps a definition record to its head entry.
  std::deque<FuncRecord> reversed;
  std::vector<int> reversed_def;
  std::vector<int> head;
  // The head entry of undefined name `u`.
  int undefined_head(int u) const { return undefined_head_[static_cast<size_t>(u)]; }

 private:
  static std::span<const int> slice(const std::vector<int>& flat, const std::vector<int>& start, int k) {
    const size_t b = static_cast<size_t>(start[static_cast<size_t>(k)]);
    const size_t e = static_cast<size_t>(start[static_cast<size_t>(k) + 1]);
    return std::span<const int>(flat.data() + b, e - b);
  }

  const std::vector<int>* defs_ = nullptr;
  std::vector<int> target_;
  std::vector<int> caller_start_, callers_, caller_kinds_;
  std::vector<int> undefined_, undef_of_name_, first_call_, undef_start_, undef_callers_;
  std::vector<int> undefined_head_;
};

}  // namespace zelta
