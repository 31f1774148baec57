// Which functions and calls the graph panel draws around one function: its
// callees and its callers to a chosen depth, read from tree.json's facts.
// Busy depths are folded into "他N件" nodes, one per group of callees or
// callers of one function, until a click opens them. Knows nothing of
// layout or drawing.
#pragma once
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "tree_facts.h"

namespace zelta::fe {

// A function of the facts: a definition, or a function called but not defined.
struct FunctionRef {
  enum class Kind { None, Defined, Undefined };
  Kind kind = Kind::None;
  int index = -1;  // into functions or undefined

  static FunctionRef defined(int f) { return {f >= 0 ? Kind::Defined : Kind::None, f}; }
  static FunctionRef undefinedAt(int u) { return {u >= 0 ? Kind::Undefined : Kind::None, u}; }
  bool isNone() const { return kind == Kind::None; }
  friend bool operator==(const FunctionRef&, const FunctionRef&) = default;
  friend auto operator<=>(const FunctionRef&, const FunctionRef&) = default;
};

struct GraphNode {
  enum class Kind { Function, More };
  Kind kind = Kind::Function;
  FunctionRef function;       // Function: which one; More: whose group it folds
  bool callersGroup = false;  // More: the folded ones call `function` (else it calls them)
  int hidden = 0;             // More: how many it folds
  int rank = 0;               // 0 the centre, -d a caller at depth d, +d a callee at depth d
  QString name;               // what the node reads
  QString where;              // file:line of a definition, empty otherwise
};

struct GraphEdge {
  enum class Kind { Call, Recursion, Cycle };  // Cycle: the call that closes a cycle
  int from = -1, to = -1;                      // caller, callee (node indexes)
  Kind kind = Kind::Call;
  bool pointer = false;  // every call of the pair goes through a function pointer (-p)
};

struct CallGraph {
  std::vector<GraphNode> nodes;  // the centre first
  std::vector<GraphEdge> edges;  // each caller-callee pair once
  int nodeOf(const FunctionRef& f) const;
};

// What the picture leaves out: functions the sources do not define, and
// names matching any of a few wildcard patterns ("__*", "*_lock"). The
// function asked for is drawn whatever it is.
struct GraphFilter {
  bool hideUndefined = false;
  QStringList patterns;
  friend bool operator==(const GraphFilter&, const GraphFilter&) = default;
};

class CallGraphModel {
 public:
  // A depth holding more new nodes than this is folded.
  static constexpr int kBusy = 60;
  static constexpr int kMaxDepth = 5;

  void setFacts(std::shared_ptr<const TreeFacts> facts);
  const TreeFacts* facts() const { return facts_.get(); }
  const std::shared_ptr<const TreeFacts>& sharedFacts() const { return facts_; }
  // A new centre closes every group opened around the old one.
  void setCentre(FunctionRef centre);
  FunctionRef centre() const { return centre_; }
  void setDepth(int depth);
  int depth() const { return depth_; }
  // Undefined functions are drawn only when the run showed them (-a); the
  // centre is drawn whatever it is.
  bool undefinedShown() const { return facts_ && facts_->undefinedShown; }
  // Opens the group a "他N件" node folds; false when it is not one.
  bool open(const GraphNode& more);

  void setFilter(const GraphFilter& filter);
  const GraphFilter& filter() const { return filter_; }
  bool hides(const FunctionRef& f) const;

  CallGraph build() const;

  // The functions `f` calls (in the order of its calls) or that call it (in
  // definition order), each once, without the hidden ones.
  std::vector<FunctionRef> neighbours(const FunctionRef& f, bool callers) const;
  GraphNode nodeFor(const FunctionRef& f, int rank) const;
  // Whether the caller reaches the callee only through function pointers (-p).
  bool throughPointers(const FunctionRef& caller, const FunctionRef& callee) const;
  // The text of a node folding `hidden` functions.
  static QString moreText(int hidden);

 private:
  struct Group {
    FunctionRef owner;
    bool callers = false;
    friend auto operator<=>(const Group&, const Group&) = default;
  };
  int undefinedNamed(const QString& name) const;

  std::shared_ptr<const TreeFacts> facts_;
  FunctionRef centre_;
  int depth_ = 2;
  std::set<Group> opened_;
  GraphFilter filter_;
  std::vector<QRegularExpression> patterns_;
  // Per function, made on first use after the filter changes: 0 unknown, 1 shown, 2 hidden.
  mutable std::vector<unsigned char> hiddenDefined_, hiddenUndefined_;
  mutable std::vector<std::pair<QString, int>> undefinedByName_;  // sorted, made on first use
};

}  // namespace zelta::fe
