// zelta when ZELTA_BENCH_LIST names a folder (bench/frontend.sh list): drops
// it on the input list, times filling, scrolling, removing and clearing,
// prints the figures and ends the program.
#pragma once
#include <QString>

namespace zelta::fe {

class frmMain;
int benchInputList(frmMain& w, const QString& folder);

}  // namespace zelta::fe
