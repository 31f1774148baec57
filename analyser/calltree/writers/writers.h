// The table of tree writers: tree.txt always, the others when asked for.
#pragma once
#include "calltree/writers/tree_writer.h"

namespace zelta {

// Writes every selected file, one after the other, each complete before the
// next is begun.
void WriteTree(Run& run, const TreeShape& shape);

}  // namespace zelta
