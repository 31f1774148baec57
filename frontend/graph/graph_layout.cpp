#include "graph_layout.h"

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <QElapsedTimer>
#include <QMetaObject>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

namespace zelta::fe {
namespace {

// Graphviz keeps global state (its error handler, its plugin tables): every
// use in the process goes through this lock, whichever thread it is on.
std::mutex graphvizLock;
std::string* graphvizErrors = nullptr;  // under the lock: where the current layout's errors go

int collectError(char* text) {
  if (graphvizErrors && text && graphvizErrors->size() < 2000) graphvizErrors->append(text);
  return 0;
}

// One context for the process: made on first use, under the lock.
GVC_t* context() {
  static GVC_t* gvc = nullptr;
  if (!gvc) {
    agseterrf(collectError);
    agseterr(AGERR);  // warnings are not failures
    gvc = gvContext();
  }
  return gvc;
}

// The colours of the program: its link blue for functions one can go to,
// the grey of undefined ones, the yellow of its marks for the centre, and
// the colours tree.dot gives recursion and the calls that close a loop.
constexpr const char* kLink = "#0046c8";
constexpr const char* kUndefined = "#6e6e6e";
constexpr const char* kCentreFill = "#fff2a8";
constexpr const char* kLine = "#5a5a5a";

void set(void* obj, const char* name, const std::string& value) {
  agsafeset(obj, const_cast<char*>(name), const_cast<char*>(value.c_str()), const_cast<char*>(""));
}

void setDefault(Agraph_t* g, int kind, const char* name, const char* value) {
  agattr(g, kind, const_cast<char*>(name), const_cast<char*>(value));
}

// Graphviz reads backslashes in labels as escapes (\N, \n, \l).
std::string escapeLabel(const QString& text) {
  std::string out;
  for (char c : text.toStdString()) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  return buf;
}

// A group laid out in columns: `members` all call `owner` (callers) or are
// all called by it.
struct ColumnGroup {
  int owner = -1;
  bool callers = false;
  std::vector<int> members;
};

// The groups of at least `from` nodes whose one call joins them to the same
// node; each node in at most one.
std::vector<ColumnGroup> columnGroups(const CallGraph& cg, int from) {
  std::vector<ColumnGroup> out;
  if (from <= 0) return out;
  const size_t n = cg.nodes.size();
  std::vector<int> degree(n, 0), other(n, -1);
  std::vector<bool> isCaller(n, false);
  for (const GraphEdge& e : cg.edges) {
    if (e.from == e.to) continue;
    for (const auto& [v, w, caller] : {std::tuple{e.from, e.to, true}, std::tuple{e.to, e.from, false}}) {
      ++degree[static_cast<size_t>(v)];
      other[static_cast<size_t>(v)] = w;
      isCaller[static_cast<size_t>(v)] = caller;
    }
  }
  std::map<std::pair<int, bool>, std::vector<int>> groups;
  for (size_t v = 1; v < n; ++v)
    if (degree[v] == 1) groups[{other[v], isCaller[v]}].push_back(static_cast<int>(v));
  for (auto& [k, members] : groups)
    if (static_cast<int>(members.size()) >= from) out.push_back({k.first, k.second, std::move(members)});
  return out;
}

}  // namespace

int GraphPicture::nodeAt(const QPointF& p) const {
  for (size_t i = 0; i < boxes.size(); ++i)
    if (boxes[i].contains(p)) return static_cast<int>(i);
  return -1;
}

GraphPicture GraphLayout::layOut(const LayoutRequest& r) {
  GraphPicture pic;
  pic.graph = r.graph;
  QElapsedTimer clock;
  clock.start();
  const CallGraph& cg = *r.graph;
  const size_t n = cg.nodes.size();
  if (n == 0) {
    pic.error = QStringLiteral("描く関数がありません");
    return pic;
  }
  if (n > static_cast<size_t>(kMaxNodes) || cg.edges.size() > static_cast<size_t>(kMaxEdges)) {
    pic.error = QStringLiteral("関数が%1個、呼び出しが%2本あり、大きすぎて描けません。深さを減らしてください")
                    .arg(n)
                    .arg(cg.edges.size());
    return pic;
  }
  if (r.labels.size() != n || r.widths.size() != n) {
    pic.error = QStringLiteral("描く関数の情報が足りません");
    return pic;
  }

  std::lock_guard<std::mutex> lock(graphvizLock);
  std::string errors;
  graphvizErrors = &errors;
  GVC_t* gvc = context();
  agreseterrors();
  Agraph_t* g = gvc ? agopen(const_cast<char*>("callgraph"), Agdirected, nullptr) : nullptr;
  if (!g) {
    graphvizErrors = nullptr;
    pic.error = QStringLiteral("Graphvizを使えません");
    return pic;
  }
  const double pad = 8;  // points around the picture
  // Callers on the left, callees on the right: names are wide, ranks tall.
  setDefault(g, AGRAPH, "rankdir", "LR");
  setDefault(g, AGRAPH, "pad", number(pad / 72).c_str());
  setDefault(g, AGRAPH, "nodesep", number(r.nodeGap).c_str());
  setDefault(g, AGRAPH, "ranksep", number(r.rankGap).c_str());
  setDefault(g, AGRAPH, "outputorder", "edgesfirst");
  setDefault(g, AGNODE, "shape", "box");
  setDefault(g, AGNODE, "style", "rounded");
  setDefault(g, AGNODE, "fixedsize", "true");
  setDefault(g, AGNODE, "width", "1");
  setDefault(g, AGNODE, "height", number(r.nodeHeight / 72).c_str());
  setDefault(g, AGNODE, "fontname", r.fontFamily.toStdString().c_str());
  setDefault(g, AGNODE, "fontsize", number(r.fontSize).c_str());
  setDefault(g, AGNODE, "color", kLine);
  setDefault(g, AGNODE, "fontcolor", kLink);
  setDefault(g, AGNODE, "penwidth", "1");
  setDefault(g, AGNODE, "fillcolor", "white");
  setDefault(g, AGNODE, "label", "");
  setDefault(g, AGNODE, "id", "");
  setDefault(g, AGEDGE, "color", kLine);
  setDefault(g, AGEDGE, "arrowsize", "0.6");
  setDefault(g, AGEDGE, "style", "solid");
  setDefault(g, AGEDGE, "constraint", "true");
  setDefault(g, AGEDGE, "weight", "1");
  setDefault(g, AGEDGE, "ltail", "");
  setDefault(g, AGEDGE, "lhead", "");
  const std::vector<ColumnGroup> columns = columnGroups(cg, r.columnsFrom);
  std::vector<int> columnOf(n, -1);  // the group a node is laid out in
  for (size_t c = 0; c < columns.size(); ++c)
    for (int v : columns[c].members) columnOf[static_cast<size_t>(v)] = static_cast<int>(c);
  if (!columns.empty()) setDefault(g, AGRAPH, "compound", "true");

  std::vector<Agnode_t*> nodes(n);
  for (size_t i = 0; i < n; ++i) {
    const GraphNode& node = cg.nodes[i];
    // Named after the function, so that the SVG's titles say who is who.
    std::string name = r.labels[i].toStdString() + "#" + std::to_string(i);
    Agnode_t* v = agnode(g, name.data(), 1);
    nodes[i] = v;
    set(v, "id", "n" + std::to_string(i));
    set(v, "label", escapeLabel(r.labels[i]));
    set(v, "width", number(r.widths[i] / 72));
    const bool undefined = node.kind == GraphNode::Kind::Function && node.function.kind == FunctionRef::Kind::Undefined;
    if (i == 0) {
      set(v, "style", undefined ? "rounded,filled,dashed" : "rounded,filled,bold");
      set(v, "fillcolor", kCentreFill);
      set(v, "fontcolor", "black");
    } else if (node.kind == GraphNode::Kind::More) {
      set(v, "style", "rounded,filled");
      set(v, "fillcolor", "#f0f0f0");
      set(v, "color", "#aaaaaa");
    } else if (undefined) {
      set(v, "style", "rounded,dashed");
      set(v, "color", "#8c8c8c");
      set(v, "fontcolor", kUndefined);
    }
  }
  // Each group: rows chained by invisible calls, so that dot puts the
  // members of a row in neighbouring columns, every row ending beside the
  // owner; one arrow from the frame stands for all the group's calls.
  for (size_t c = 0; c < columns.size(); ++c) {
    const ColumnGroup& grp = columns[c];
    const size_t count = grp.members.size();
    double widest = 0;
    for (int v : grp.members) widest = std::max(widest, r.widths[static_cast<size_t>(v)]);
    const double rowHeight = r.nodeHeight + r.nodeGap * 72, columnWidth = widest + r.rankGap * 72;
    const size_t across = std::clamp<size_t>(
        static_cast<size_t>(std::lround(std::sqrt(count * rowHeight * 1.6 / columnWidth))), 1, count);
    const size_t rows = (count + across - 1) / across;
    Agraph_t* frame = agsubg(g, const_cast<char*>(("cluster_" + std::to_string(c)).c_str()), 1);
    set(frame, "style", "rounded");
    set(frame, "color", "#c8c8c8");
    set(frame, "label", "");
    Agnode_t* owner = nodes[static_cast<size_t>(grp.owner)];
    for (size_t row = 0; row < rows; ++row) {
      std::vector<Agnode_t*> chain;
      for (size_t i = row * across; i < std::min(count, (row + 1) * across); ++i) {
        chain.push_back(nodes[static_cast<size_t>(grp.members[i])]);
        agsubnode(frame, chain.back(), 1);
      }
      if (!grp.callers) std::reverse(chain.begin(), chain.end());  // the owner's side first
      if (grp.callers)
        chain.push_back(owner);
      else
        chain.insert(chain.begin(), owner);
      for (size_t i = 0; i + 1 < chain.size(); ++i) {
        Agedge_t* a = agedge(g, chain[i], chain[i + 1], nullptr, 1);
        set(a, "style", "invis");
        set(a, "weight", "10");
      }
      if (row == rows / 2) {
        Agnode_t* near = grp.callers ? chain[chain.size() - 2] : chain[1];
        Agedge_t* a = grp.callers ? agedge(g, near, owner, const_cast<char*>("group"), 1)
                                  : agedge(g, owner, near, const_cast<char*>("group"), 1);
        set(a, grp.callers ? "ltail" : "lhead", "cluster_" + std::to_string(c));
        set(a, "constraint", "false");
      }
    }
  }
  for (const GraphEdge& e : cg.edges) {
    if (e.from < 0 || e.to < 0 || static_cast<size_t>(e.from) >= n || static_cast<size_t>(e.to) >= n) continue;
    if (e.from != e.to && (columnOf[static_cast<size_t>(e.from)] >= 0 || columnOf[static_cast<size_t>(e.to)] >= 0))
      continue;  // drawn by its group's arrow
    Agedge_t* a = agedge(g, nodes[static_cast<size_t>(e.from)], nodes[static_cast<size_t>(e.to)], nullptr, 1);
    if (!a) continue;
    if (e.kind == GraphEdge::Kind::Recursion) {
      set(a, "color", "blue");
      set(a, "style", "dashed");
    } else if (e.kind == GraphEdge::Kind::Cycle) {
      set(a, "color", "red");
      set(a, "style", "dashed");
    } else if (e.pointer) {
      set(a, "style", "dashed");
    }
    // Ranks come from the walk: a call that runs against it bends back
    // rather than pulling the ranks apart.
    if (cg.nodes[static_cast<size_t>(e.from)].rank >= cg.nodes[static_cast<size_t>(e.to)].rank)
      set(a, "constraint", "false");
  }

  const int laidOut = gvLayout(gvc, g, "dot");
  char* data = nullptr;
  unsigned int length = 0;
  if (laidOut == 0 && agerrors() == 0) {
    const boxf bb = GD_bb(g);
    pic.size = QSizeF(bb.UR.x - bb.LL.x + 2 * pad, bb.UR.y - bb.LL.y + 2 * pad);
    pic.boxes.resize(n);
    for (size_t i = 0; i < n; ++i) {
      const pointf c = ND_coord(nodes[i]);
      const double w = ND_width(nodes[i]) * 72, h = ND_height(nodes[i]) * 72;
      // Graphviz counts y upwards from the bottom; the SVG downwards.
      pic.boxes[i] = QRectF(c.x - bb.LL.x + pad - w / 2, bb.UR.y - c.y + pad - h / 2, w, h);
    }
    for (Agnode_t* v = agfstnode(g); v; v = agnxtnode(g, v))
      for (Agedge_t* a = agfstout(g, v); a; a = agnxtout(g, a)) {
        const char* style = agget(a, const_cast<char*>("style"));
        const char* frame = agget(a, const_cast<char*>("ltail"));
        const char* frame2 = agget(a, const_cast<char*>("lhead"));
        if ((style && std::string(style) == "invis") || (frame && *frame) || (frame2 && *frame2)) continue;
        const char* from = agget(agtail(a), const_cast<char*>("id"));
        const char* to = agget(aghead(a), const_cast<char*>("id"));
        if (from && to && from[0] == 'n' && to[0] == 'n')
          pic.edges.emplace_back(std::atoi(from + 1), std::atoi(to + 1));
      }
    for (const ColumnGroup& grp : columns)
      for (int v : grp.members) pic.edges.emplace_back(grp.callers ? v : grp.owner, grp.callers ? grp.owner : v);
    if (gvRenderData(gvc, g, "svg", &data, &length) == 0 && data && agerrors() == 0)
      pic.svg = QByteArray(data, static_cast<qsizetype>(length));
    if (data) gvFreeRenderData(data);
  }
  gvFreeLayout(gvc, g);
  agclose(g);
  graphvizErrors = nullptr;
  if (pic.svg.isEmpty()) {
    const QString why = QString::fromUtf8(errors.c_str()).trimmed();
    pic.error = QStringLiteral("Graphvizがこのグラフを配置できませんでした") +
                (why.isEmpty() ? QString() : QStringLiteral("（%1）").arg(why));
    pic.boxes.clear();
    pic.edges.clear();
  }
  pic.seconds = clock.nsecsElapsed() / 1e9;
  return pic;
}

GraphLayout::GraphLayout(QObject* parent) : QObject(parent) {
  worker_ = std::thread([this] { work(); });
}

GraphLayout::~GraphLayout() {
  {
    std::lock_guard<std::mutex> lock(m_);
    stop_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

quint64 GraphLayout::request(LayoutRequest r) {
  const quint64 ticket = ++latest_;
  {
    std::lock_guard<std::mutex> lock(m_);
    if (slot_) ++dropped_;  // never started
    slot_.emplace(ticket, std::move(r));
  }
  wake_.notify_one();
  return ticket;
}

void GraphLayout::work() {
  for (;;) {
    std::pair<quint64, LayoutRequest> job;
    {
      std::unique_lock<std::mutex> lock(m_);
      wake_.wait(lock, [this] { return stop_ || slot_; });
      if (stop_) return;
      job = std::move(*slot_);
      slot_.reset();
    }
    auto pic = std::make_shared<GraphPicture>(layOut(job.second));
    pic->ticket = job.first;
    {
      std::lock_guard<std::mutex> lock(m_);
      if (stop_) return;
      if (slot_) {  // overtaken while it ran
        ++dropped_;
        continue;
      }
    }
    // Delivered on the window's thread; a request made since it left the
    // slot makes it stale there.
    QMetaObject::invokeMethod(
        this,
        [this, pic] {
          if (pic->ticket != latest_) {
            ++dropped_;
            return;
          }
          answered_ = pic->ticket;
          emit finished(pic);
        },
        Qt::QueuedConnection);
  }
}

}  // namespace zelta::fe
