// Every call path from one function to another, as a graph to draw and as
// the list of paths: each at most `longest` calls, none passing a function
// twice, none through a function the model hides. The search is bounded, so
// that a dense graph ends with the paths found so far and a note instead of
// running for ever.
#pragma once
#include <QString>
#include <vector>

#include "call_graph_model.h"

namespace zelta::fe {

struct PathQuery {
  FunctionRef from, to;
  int longest = 6;               // calls per path at most
  size_t maxPaths = 1000;        // paths kept at most
  long long maxSteps = 2000000;  // functions tried at most
};

struct CallPaths {
  CallGraph graph;                      // the functions and calls on the paths found; `from` first
  std::vector<std::vector<int>> paths;  // node indexes from `from` to `to`, shortest first
  bool complete = true;                 // false: a bound stopped the search
  QString note;                         // what was found, in words
};

CallPaths findCallPaths(const CallGraphModel& model, const PathQuery& q);

}  // namespace zelta::fe
