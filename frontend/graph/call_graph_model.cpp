#include "call_graph_model.h"

#include <algorithm>
#include <climits>
#include <map>
#include <unordered_set>

namespace zelta::fe {

int CallGraph::nodeOf(const FunctionRef& f) const {
  for (size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i].kind == GraphNode::Kind::Function && nodes[i].function == f) return static_cast<int>(i);
  return -1;
}

void CallGraphModel::setFacts(std::shared_ptr<const TreeFacts> facts) {
  facts_ = std::move(facts);
  undefinedByName_.clear();
  hiddenDefined_.clear();
  hiddenUndefined_.clear();
  centre_ = FunctionRef();
  opened_.clear();
}

void CallGraphModel::setCentre(FunctionRef centre) {
  if (centre == centre_) return;
  centre_ = centre;
  opened_.clear();
}

void CallGraphModel::setDepth(int depth) { depth_ = std::clamp(depth, 1, kMaxDepth); }

bool CallGraphModel::open(const GraphNode& more) {
  if (more.kind != GraphNode::Kind::More) return false;
  return opened_.insert(Group{more.function, more.callersGroup}).second;
}

void CallGraphModel::setFilter(const GraphFilter& filter) {
  filter_ = filter;
  patterns_.clear();
  for (const QString& p : filter.patterns)
    if (!p.trimmed().isEmpty()) patterns_.emplace_back(QRegularExpression::wildcardToRegularExpression(p.trimmed()));
  hiddenDefined_.clear();
  hiddenUndefined_.clear();
}

bool CallGraphModel::hides(const FunctionRef& f) const {
  if (!facts_ || f.isNone() || f == centre_) return false;
  const bool undefined = f.kind == FunctionRef::Kind::Undefined;
  if (undefined && filter_.hideUndefined) return true;
  if (patterns_.empty()) return false;
  auto& memo = undefined ? hiddenUndefined_ : hiddenDefined_;
  if (memo.empty()) memo.assign(undefined ? facts_->undefined.size() : facts_->functions.size(), 0);
  const size_t i = static_cast<size_t>(f.index);
  if (i >= memo.size()) return false;
  if (!memo[i]) {
    const QString& name = undefined ? facts_->undefined[i].name : facts_->functions[i].name;
    memo[i] = std::any_of(patterns_.begin(), patterns_.end(),
                          [&](const QRegularExpression& re) { return re.match(name).hasMatch(); })
                  ? 2
                  : 1;
  }
  return memo[i] == 2;
}

QString CallGraphModel::moreText(int hidden) { return QStringLiteral("他%1件").arg(hidden); }

int CallGraphModel::undefinedNamed(const QString& name) const {
  if (undefinedByName_.empty() && facts_ && !facts_->undefined.empty()) {
    undefinedByName_.reserve(facts_->undefined.size());
    for (size_t i = 0; i < facts_->undefined.size(); ++i)
      undefinedByName_.emplace_back(facts_->undefined[i].name, static_cast<int>(i));
    std::sort(undefinedByName_.begin(), undefinedByName_.end());
  }
  const auto it = std::lower_bound(undefinedByName_.begin(), undefinedByName_.end(), std::pair(name, INT_MIN));
  return it != undefinedByName_.end() && it->first == name ? it->second : -1;
}

std::vector<FunctionRef> CallGraphModel::neighbours(const FunctionRef& f, bool callers) const {
  std::vector<FunctionRef> out;
  const auto& fns = facts_->functions;
  if (f.kind == FunctionRef::Kind::Defined) {
    const FunctionFact& fn = fns[static_cast<size_t>(f.index)];
    if (callers) {
      for (int c : fn.callers) out.push_back(FunctionRef::defined(c));
    } else {
      for (const CallFact& c : fn.calls) {
        if (c.function >= 0)
          out.push_back(FunctionRef::defined(c.function));
        else if (undefinedShown())
          if (const int u = undefinedNamed(c.name); u >= 0) out.push_back(FunctionRef::undefinedAt(u));
      }
    }
  } else if (f.kind == FunctionRef::Kind::Undefined && callers) {
    for (int c : facts_->undefined[static_cast<size_t>(f.index)].callers) out.push_back(FunctionRef::defined(c));
  }
  // Each once, in the order first met (a function may be called by
  // thousands, or call one function many times).
  std::unordered_set<long long> met;
  std::vector<FunctionRef> once;
  once.reserve(out.size());
  for (const FunctionRef& r : out)
    if (met.insert(static_cast<long long>(r.kind) << 32 | static_cast<unsigned>(r.index)).second && !hides(r))
      once.push_back(r);
  return once;
}

bool CallGraphModel::throughPointers(const FunctionRef& caller, const FunctionRef& callee) const {
  if (caller.kind != FunctionRef::Kind::Defined || callee.kind != FunctionRef::Kind::Defined) return false;
  bool any = false;
  for (const CallFact& c : facts_->functions[static_cast<size_t>(caller.index)].calls) {
    if (c.function != callee.index) continue;
    if (c.pointer.isEmpty()) return false;
    any = true;
  }
  return any;
}

GraphNode CallGraphModel::nodeFor(const FunctionRef& f, int rank) const {
  GraphNode n;
  n.function = f;
  n.rank = rank;
  if (f.kind == FunctionRef::Kind::Defined) {
    const FunctionFact& fn = facts_->functions[static_cast<size_t>(f.index)];
    n.name = fn.name;
    const QString file = facts_->fileName(fn.file);
    if (!file.isEmpty()) n.where = QStringLiteral("%1:%2").arg(file).arg(fn.line);
  } else {
    n.name = facts_->undefined[static_cast<size_t>(f.index)].name;
  }
  return n;
}

CallGraph CallGraphModel::build() const {
  CallGraph g;
  if (!facts_) return g;
  const int nf = static_cast<int>(facts_->functions.size()), nu = static_cast<int>(facts_->undefined.size());
  if ((centre_.kind == FunctionRef::Kind::Defined && centre_.index < nf) ||
      (centre_.kind == FunctionRef::Kind::Undefined && centre_.index < nu)) {
    g.nodes.push_back(nodeFor(centre_, 0));
  } else {
    return g;
  }
  std::map<FunctionRef, int> shown{{centre_, 0}};
  std::set<std::pair<int, int>> edgeSet;
  auto addEdge = [&](int from, int to) {
    if (edgeSet.emplace(from, to).second) g.edges.push_back({from, to, GraphEdge::Kind::Call, false});
  };

  // Breadth first, callees then callers. At each depth the functions
  // reached from one node are its group; each new function belongs to the
  // first group that reaches it.
  for (const bool callers : {false, true}) {
    std::vector<FunctionRef> frontier{centre_};
    std::set<FunctionRef> seen{centre_};
    for (int d = 1; d <= depth_ && !frontier.empty(); ++d) {
      struct Members {
        FunctionRef owner;
        std::vector<FunctionRef> all, fresh;
        bool open = false;
      };
      std::vector<Members> groups;
      for (const FunctionRef& x : frontier) {
        Members m{x, neighbours(x, callers), {}, opened_.count(Group{x, callers}) > 0};
        for (const FunctionRef& y : m.all)
          if (!shown.count(y) && seen.insert(y).second) m.fresh.push_back(y);
        groups.push_back(std::move(m));
      }
      // A busy depth: every closed group shows at most `quota` of its new
      // functions and folds the rest into one node, the largest quota that
      // keeps the depth within kBusy nodes (a fold of one is the function).
      size_t total = 0, room = kBusy;
      for (const Members& m : groups) {
        total += m.fresh.size();
        if (m.open) room -= std::min(room, m.fresh.size());
      }
      size_t quota = SIZE_MAX;
      if (total > static_cast<size_t>(kBusy)) {
        auto units = [&](size_t q) {
          size_t n = 0;
          for (const Members& m : groups)
            if (!m.open) n += m.fresh.size() <= q + 1 ? m.fresh.size() : q + 1;
          return n;
        };
        quota = 0;
        while (units(quota + 1) <= room && units(quota + 1) > units(quota)) ++quota;
      }
      const int rank = callers ? -d : d;
      std::vector<FunctionRef> next;
      for (const Members& m : groups) {
        const int owner = shown.at(m.owner);
        const size_t keep = m.open || quota == SIZE_MAX || m.fresh.size() <= quota + 1 ? m.fresh.size() : quota;
        for (size_t i = 0; i < keep; ++i) {
          shown.emplace(m.fresh[i], static_cast<int>(g.nodes.size()));
          g.nodes.push_back(nodeFor(m.fresh[i], rank));
          next.push_back(m.fresh[i]);
        }
        if (keep < m.fresh.size()) {
          GraphNode more;
          more.kind = GraphNode::Kind::More;
          more.function = m.owner;
          more.callersGroup = callers;
          more.hidden = static_cast<int>(m.fresh.size() - keep);
          more.rank = rank;
          more.name = moreText(more.hidden);
          const int at = static_cast<int>(g.nodes.size());
          g.nodes.push_back(more);
          callers ? addEdge(at, owner) : addEdge(owner, at);
        }
      }
      // Every call between an expanded function and a drawn one.
      for (const Members& m : groups) {
        const int owner = shown.at(m.owner);
        for (const FunctionRef& y : m.all)
          if (const auto it = shown.find(y); it != shown.end())
            callers ? addEdge(it->second, owner) : addEdge(owner, it->second);
      }
      frontier = std::move(next);
    }
  }

  // The calls among the drawn functions, to find the cycles; a call the walk
  // did not draw (from a function at the last depth) is added when it closes
  // one.
  const int n = static_cast<int>(g.nodes.size());
  std::vector<std::vector<int>> out(static_cast<size_t>(n));
  for (int u = 0; u < n; ++u) {
    const GraphNode& node = g.nodes[static_cast<size_t>(u)];
    if (node.kind != GraphNode::Kind::Function) continue;
    for (const FunctionRef& y : neighbours(node.function, false))
      if (const auto it = shown.find(y); it != shown.end()) out[static_cast<size_t>(u)].push_back(it->second);
  }
  // Strongly connected components (Tarjan's, without recursion).
  std::vector<int> comp(static_cast<size_t>(n), -1), low(static_cast<size_t>(n)), order(static_cast<size_t>(n), -1);
  std::vector<int> stack;
  std::vector<bool> onStack(static_cast<size_t>(n), false);
  int counter = 0, comps = 0;
  for (int root = 0; root < n; ++root) {
    if (order[static_cast<size_t>(root)] >= 0) continue;
    std::vector<std::pair<int, size_t>> call{{root, 0}};
    order[static_cast<size_t>(root)] = low[static_cast<size_t>(root)] = counter++;
    stack.push_back(root);
    onStack[static_cast<size_t>(root)] = true;
    while (!call.empty()) {
      auto& [u, next] = call.back();
      const auto& adj = out[static_cast<size_t>(u)];
      if (next < adj.size()) {
        const int v = adj[next++];
        if (order[static_cast<size_t>(v)] < 0) {
          order[static_cast<size_t>(v)] = low[static_cast<size_t>(v)] = counter++;
          stack.push_back(v);
          onStack[static_cast<size_t>(v)] = true;
          call.emplace_back(v, 0);
        } else if (onStack[static_cast<size_t>(v)]) {
          low[static_cast<size_t>(u)] = std::min(low[static_cast<size_t>(u)], order[static_cast<size_t>(v)]);
        }
        continue;
      }
      const int done = u;
      call.pop_back();
      if (!call.empty())
        low[static_cast<size_t>(call.back().first)] =
            std::min(low[static_cast<size_t>(call.back().first)], low[static_cast<size_t>(done)]);
      if (low[static_cast<size_t>(done)] == order[static_cast<size_t>(done)]) {
        int w;
        do {
          w = stack.back();
          stack.pop_back();
          onStack[static_cast<size_t>(w)] = false;
          comp[static_cast<size_t>(w)] = comps;
        } while (w != done);
        ++comps;
      }
    }
  }
  for (int u = 0; u < n; ++u)
    for (int v : out[static_cast<size_t>(u)])
      if (u == v || comp[static_cast<size_t>(u)] == comp[static_cast<size_t>(v)]) addEdge(u, v);
  for (GraphEdge& e : g.edges) {
    e.pointer = throughPointers(g.nodes[static_cast<size_t>(e.from)].function, g.nodes[static_cast<size_t>(e.to)].function);
    if (e.from == e.to)
      e.kind = GraphEdge::Kind::Recursion;
    else if (comp[static_cast<size_t>(e.from)] == comp[static_cast<size_t>(e.to)] &&
             g.nodes[static_cast<size_t>(e.from)].rank >= g.nodes[static_cast<size_t>(e.to)].rank)
      e.kind = GraphEdge::Kind::Cycle;
  }
  return g;
}

}  // namespace zelta::fe
