// Questions about a result's lines that the panels and the graph ask when
// the user follows them: which line shows a call, where a function stands,
// how a line is reached from the root. Plain functions over the text's index
// and tree.json's facts, so that they can be checked without a window.
#pragma once
#include <QString>

#include "call_graph_model.h"
#include "result_index.h"
#include "tree_facts.h"

namespace zelta::fe::TreeQueries {

// The line of `function` joined by a call to the line `current`: `function`
// calls the current line's function when `caller`, else the current one
// calls it. Next to the current line first (its parent or a child), else the
// nearest such pair below it; failing that, any line of the function; -1
// when the tree has none.
int relatedLine(const ResultIndex& index, const TreeFacts& facts, int current, int function, bool caller);

// Whether the facts hold `function` at all.
bool knows(const TreeFacts& facts, FunctionRef function);

// Where the graph's click on `function` goes from `current`: the place where
// the tree shows its call to or from the current function, else a line of
// it beside the current one, else its first line; -1 when the tree shows it
// nowhere.
int lineOfFunction(const ResultIndex& index, const TreeFacts& facts, int current, FunctionRef function);

// The path from the root to `line` the way a reader says it, with the
// definition's file:line when the facts know it.
QString pathText(const ResultIndex& index, const TreeFacts* facts, int line);
// The path alone, and the definition's file:line alone (empty when unknown).
QString pathOnly(const ResultIndex& index, int line);
QString placeText(const TreeFacts* facts, int line);

}  // namespace zelta::fe::TreeQueries
