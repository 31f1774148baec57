#include "call_paths.h"

#include <algorithm>
#include <climits>
#include <map>
#include <set>

namespace zelta::fe {
namespace {

long long key(const FunctionRef& f) { return static_cast<long long>(f.kind) << 32 | static_cast<unsigned>(f.index); }

}  // namespace

CallPaths findCallPaths(const CallGraphModel& model, const PathQuery& q) {
  CallPaths out;
  const TreeFacts* facts = model.facts();
  const int longest = std::max(1, q.longest);
  if (!facts || q.from.isNone() || q.to.isNone()) {
    out.note = QStringLiteral("始点と終点の関数を選んでください");
    return out;
  }
  if (q.from == q.to) {
    out.note = QStringLiteral("始点と終点が同じ関数です");
    return out;
  }
  // How many calls each function is from `from`, walking callees: the
  // search from `to` back over callers goes only where a path can still
  // be short enough, so its work follows the paths rather than the graph.
  std::map<long long, int> fromStart{{key(q.from), 0}};
  std::vector<FunctionRef> frontier{q.from};
  for (int d = 1; d < longest && !frontier.empty(); ++d) {
    std::vector<FunctionRef> next;
    for (const FunctionRef& x : frontier)
      for (const FunctionRef& y : model.neighbours(x, false))
        if (y.kind == FunctionRef::Kind::Defined && !model.hides(y) && fromStart.emplace(key(y), d).second)
          next.push_back(y);
    frontier = std::move(next);
  }
  auto distance = [&](const FunctionRef& f) {
    const auto it = fromStart.find(key(f));
    return it == fromStart.end() ? INT_MAX / 2 : it->second;
  };

  std::vector<std::vector<FunctionRef>> found;
  std::vector<FunctionRef> path{q.to};  // backwards: `to` first
  std::vector<long long> onPath{key(q.to)};
  long long steps = 0;
  bool stopped = false;
  // Depth first, without recursion: per level the callers still to try.
  std::vector<std::pair<std::vector<FunctionRef>, size_t>> todo;
  todo.emplace_back(model.neighbours(q.to, true), 0);
  while (!todo.empty() && !stopped) {
    auto& [callers, next] = todo.back();
    if (next == callers.size()) {
      todo.pop_back();
      path.pop_back();
      onPath.pop_back();
      continue;
    }
    const FunctionRef x = callers[next++];
    if (++steps > q.maxSteps) {
      stopped = true;
      break;
    }
    const int calls = static_cast<int>(path.size());  // calls from x to `to` along the path
    if (x == q.from) {
      found.emplace_back(path.rbegin(), path.rend());
      found.back().insert(found.back().begin(), x);
      if (found.size() >= q.maxPaths) stopped = true;
      continue;
    }
    if (model.hides(x) || distance(x) + calls > longest ||
        std::find(onPath.begin(), onPath.end(), key(x)) != onPath.end())
      continue;
    path.push_back(x);
    onPath.push_back(key(x));
    todo.emplace_back(model.neighbours(x, true), 0);
  }
  out.complete = !stopped;

  std::sort(found.begin(), found.end(), [&](const auto& a, const auto& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i] != b[i]) return model.nodeFor(a[i], 0).name < model.nodeFor(b[i], 0).name;
    return false;
  });
  std::map<FunctionRef, int> node;
  auto nodeOf = [&](const FunctionRef& f, int rank) {
    auto [it, fresh] = node.emplace(f, static_cast<int>(out.graph.nodes.size()));
    if (fresh)
      out.graph.nodes.push_back(model.nodeFor(f, rank));
    else
      out.graph.nodes[static_cast<size_t>(it->second)].rank =
          std::min(out.graph.nodes[static_cast<size_t>(it->second)].rank, rank);
    return it->second;
  };
  nodeOf(q.from, 0);
  std::set<std::pair<int, int>> edges;
  for (const auto& p : found) {
    std::vector<int> nodes;
    for (size_t i = 0; i < p.size(); ++i) nodes.push_back(nodeOf(p[i], static_cast<int>(i)));
    for (size_t i = 0; i + 1 < nodes.size(); ++i)
      if (edges.emplace(nodes[i], nodes[i + 1]).second) {
        GraphEdge e;
        e.from = nodes[i];
        e.to = nodes[i + 1];
        e.pointer = model.throughPointers(p[i], p[i + 1]);
        out.graph.edges.push_back(e);
      }
    out.paths.push_back(std::move(nodes));
  }
  const QString from = out.graph.nodes.front().name, to = model.nodeFor(q.to, 0).name;
  if (found.empty() && out.complete)
    out.note = QStringLiteral("%1から%2へ、呼び出し%3回以内の経路はありません").arg(from, to).arg(longest);
  else if (out.complete)
    out.note = QStringLiteral("%1から%2へ、呼び出し%3回以内の経路: %4本").arg(from, to).arg(longest).arg(found.size());
  else
    out.note =
        QStringLiteral("経路が多すぎるため、%1本見つけたところで打ち切りました。長さを短くするか、関数を隠してください")
            .arg(found.size());
  return out;
}

}  // namespace zelta::fe
