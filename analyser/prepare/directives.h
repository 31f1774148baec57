// Preprocessor directives, met by the conversion pass in file order.
#pragma once

namespace zelta {

struct Run;

// Called after a "#" token: reads the directive word and acts on it.
void directive(Run& run);

// The handlers. `act` is false in an inactive region: the directive's text
// is read as usual, but nothing is opened, defined or undefined.
int doinclude(Run& run, bool act);
void dodefine(Run& run, bool act);
void doundef(Run& run, bool act);

// Opens a conditional level, active when `cond` holds and the enclosing
// region is active.
void pushlevel(Run& run, bool cond);

}  // namespace zelta
