// Joins the stores and the pointer call sites of the whole run (-p): each
// site gets the definitions it may reach and how they were found, and the
// callees' edge list gets an entry per target after its site.
#pragma once

namespace zelta {

struct Run;

// Call after the marking passes, before the call index and the tree.
void JoinPointerCalls(Run& run);

// The word tree.json spells a kind with.
const char* PointerKindName(int kind);

}  // namespace zelta
