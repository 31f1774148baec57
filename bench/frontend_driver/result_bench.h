// Timing the result view on a given tree.txt, in the real window: loads it
// as after a run, folds, finds `needle`, waits for tree.json, and prints the
// figures. `graphs` ("name:depth ...") also times the graph panel's
// pictures of those functions.
#pragma once
#include <QString>

namespace zelta::fe {

class frmMain;

// Returns the exit status: 0 when every step ran.
int benchResult(frmMain& w, const QString& treePath, const QString& needle, const QString& graphs);

}  // namespace zelta::fe
