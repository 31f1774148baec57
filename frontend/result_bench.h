// Timing the result view on a given tree.txt, in the real window: started by
// zelta when ZELTA_BENCH_TREE names a file (bench/frontend.sh), it prints
// the figures and ends the program. ZELTA_BENCH_GRAPH="name:depth ..." also
// times the graph panel's pictures of those functions.
#pragma once
#include <QString>

namespace zelta::fe {

class frmMain;

// Returns the exit status: 0 when every step ran.
int benchResult(frmMain& w, const QString& treePath, const QString& needle);

}  // namespace zelta::fe
