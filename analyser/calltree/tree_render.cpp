#include "calltree/tree_render.h"

#include "driver/run.h"

namespace zelta {

// Placeholders until the rendering lands.
int printdsp(Run&) { return 1; }
void DrawTree(Run&, int, int) {}
void DumpRecords(Run&) {}

}  // namespace zelta
