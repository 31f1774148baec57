// tree.dot: the call graph of the drawn tree for Graphviz (UTF-8, LF). Each
// function once, then each distinct caller -> callee edge once; the tree's
// repetitions fold away. Start functions are filled, undefined functions
// dashed, direct recursion and the calls that close a LOOP drawn apart, calls
// through pointers (-p) dashed; under
// -v each file is a cluster.
#include <unordered_map>
#include <vector>

#include "calltree/output_file.h"
#include "calltree/writers/tree_writer.h"
#include "platform/text_codec.h"
#include "platform/utf8_check.h"
#include "run/run.h"

namespace zelta {

namespace {

enum class EdgeKind : std::uint8_t { kCall, kRecursive, kLoop, kPointer };

// A quoted DOT string: only the quote and the backslash need escaping.
std::string Quote(std::string_view s) {
  std::string q = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') q.push_back('\\');
    q.push_back(c);
  }
  q.push_back('"');
  return q;
}

// Names are ASCII; a file name is shown in UTF-8, from the locale's charset,
// with U+FFFD for what does not decode.
std::string Utf8Name(const std::string& s) {
  if (valid_utf8(s)) return s;
  std::string u = convert_charset_replacing(locale_charset(), "UTF-8", s, "\xEF\xBF\xBD");
  if (valid_utf8(u)) return u;
  for (char& c : u)
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  return u;
}

class DotTreeWriter final : public TreeWriter {
 public:
  DotTreeWriter(Run& run, const char* file) : run_(run), recs_(run.recs), file_(file) {}

  void begin(const TreeShape&) override { OpenOutput(run_, out_, file_, true); }

  void node(const TreeLine& l, long long) override {
    if (!l.hastext) return;
    const size_t level = static_cast<size_t>(l.level);
    if (parent_.size() <= level + 1) {
      parent_.resize(level + 2, -1);
      edge_at_.resize(level + 2, -1);
    }
    if (l.kind == LineKind::kLoop) {
      // The call into the line above closes the cycle.
      const int e = level >= 1 ? edge_at_[level - 1] : -1;
      if (e >= 0 && edges_[static_cast<size_t>(e)].kind == EdgeKind::kCall)
        edges_[static_cast<size_t>(e)].kind = EdgeKind::kLoop;
      return;
    }
    const int n = node_of(l);
    if (level == 0) nodes_[static_cast<size_t>(n)].start = true;
    parent_[level] = n;
    edge_at_[level] = -1;
    if (level == 0 || parent_[level - 1] < 0) return;
    const int p = parent_[level - 1];
    // Edges point from caller to callee: in the callers tree a line calls
    // the one above it.
    const int from = run_.opt.flgrev ? n : p, to = run_.opt.flgrev ? p : n;
    const std::uint64_t key = (static_cast<std::uint64_t>(from) << 32) | static_cast<std::uint32_t>(to);
    auto [it, added] = edge_ids_.try_emplace(key, static_cast<int>(edges_.size()));
    if (added)
      edges_.push_back(Edge{from, to,
                            l.kind == LineKind::kRecursive ? EdgeKind::kRecursive
                            : l.pointer                    ? EdgeKind::kPointer
                                                           : EdgeKind::kCall});
    edge_at_[level] = it->second;
  }

  void end() override {
    out_.raw(
        "digraph \"calls\" {\n  rankdir=LR;\n  graph [fontname=\"Helvetica\"];\n  node [shape=box, "
        "fontname=\"Helvetica\"];\n");
    if (run_.opt.flgfilename) {
      // One cluster per file, in the order the files first appear.
      std::vector<int> order;
      std::unordered_map<int, std::vector<int>> members;
      std::vector<int> loose;
      for (size_t i = 0; i < nodes_.size(); ++i) {
        const int f = nodes_[i].file;
        if (f < 0) {
          loose.push_back(static_cast<int>(i));
          continue;
        }
        auto [it, added] = members.try_emplace(f);
        if (added) order.push_back(f);
        it->second.push_back(static_cast<int>(i));
      }
      for (size_t c = 0; c < order.size(); ++c) {
        out_.raw("  subgraph " + Quote("cluster_" + std::to_string(c)) +
                 " {\n    label=" + Quote(Utf8Name(recs_.files[static_cast<size_t>(order[c])])) + ";\n");
        for (int n : members[order[c]]) write_node(n, "    ");
        out_.raw("  }\n");
      }
      for (int n : loose) write_node(n, "  ");
    } else {
      for (size_t i = 0; i < nodes_.size(); ++i) write_node(static_cast<int>(i), "  ");
    }
    for (const Edge& e : edges_) {
      out_.raw("  " + id(e.from) + " -> " + id(e.to));
      if (e.kind == EdgeKind::kRecursive) out_.raw(" [color=\"blue\", style=\"dashed\"]");
      if (e.kind == EdgeKind::kLoop) out_.raw(" [color=\"red\", style=\"dashed\", constraint=false]");
      if (e.kind == EdgeKind::kPointer) out_.raw(" [style=\"dashed\"]");
      out_.raw(";\n");
    }
    out_.raw("}\n");
    CloseOutput(run_, out_, file_);
  }

 private:
  struct Node {
    int key;   // definition record, or -1 - name id for an undefined function
    int file;  // Records::files index of the defining file; -1 for an undefined function
    bool start = false;
  };
  struct Edge {
    int from, to;
    EdgeKind kind;
  };

  int node_of(const TreeLine& l) {
    const FuncRecord& r = recs_.list[static_cast<size_t>(l.rec)];
    const bool undefined = l.kind == LineKind::kStdfunc || l.kind == LineKind::kUndefinedStart;
    const int key = undefined ? -1 - r.nameid : l.rec;
    auto [it, added] = node_ids_.try_emplace(key, static_cast<int>(nodes_.size()));
    if (added) nodes_.push_back(Node{key, undefined ? -1 : r.file});
    return it->second;
  }

  std::string id(int n) const {
    const int key = nodes_[static_cast<size_t>(n)].key;
    return Quote(key >= 0 ? "f" + std::to_string(key) : "u" + std::to_string(-1 - key));
  }

  void write_node(int n, const char* indent) {
    const Node& node = nodes_[static_cast<size_t>(n)];
    const std::string_view name = node.key >= 0 ? recs_.name_of(recs_.list[static_cast<size_t>(node.key)])
                                                : recs_.names[static_cast<size_t>(-1 - node.key)];
    std::string attrs = "label=" + Quote(name);
    std::string style = node.key < 0 ? "dashed" : "";
    if (node.start) style += style.empty() ? "filled,bold" : ",filled,bold";
    if (!style.empty()) attrs += ", style=" + Quote(style);
    if (node.start) attrs += ", fillcolor=\"#fff2a8\"";
    out_.raw(std::string(indent) + id(n) + " [" + attrs + "];\n");
  }

  Run& run_;
  const Records& recs_;
  const char* file_;
  TextWriter out_;
  std::vector<Node> nodes_;
  std::unordered_map<int, int> node_ids_;
  std::vector<Edge> edges_;
  std::unordered_map<std::uint64_t, int> edge_ids_;
  std::vector<int> parent_;   // per depth: the node of the last line there
  std::vector<int> edge_at_;  // per depth: the edge into the last line there
};

}  // namespace

std::unique_ptr<TreeWriter> MakeDotWriter(Run& run, const char* file) {
  return std::make_unique<DotTreeWriter>(run, file);
}

}  // namespace zelta
