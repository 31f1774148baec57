// The places a tree line refers to: a "=first-last" reference to the
// earlier expansion, a LOOP line to the line above where its function is
// being expanded, a ":RecurrciveCall" to its parent. A link is offered only
// where the text (and tree.json, when read) confirms its target.
#pragma once
#include "result_index.h"
#include "tree_facts.h"

namespace zelta::fe {

enum class LinkKind { None, Reference, Loop, Recursive };

struct LineLink {
  LinkKind kind = LinkKind::None;
  int target = -1;               // the line to go to
  int rangeLast = -1;            // the last line to highlight (a reference's range)
  int markFrom = 0, markTo = 0;  // the link's bytes in the line
};

LineLink linkOf(const ResultIndex& index, const TreeFacts* facts, int line);

}  // namespace zelta::fe
