// Timing the input list on a whole code base, in the real window: drops the
// folder on the list, times filling, scrolling, removing and clearing, and
// prints the figures.
#pragma once
#include <QString>

namespace zelta::fe {

class frmMain;
int benchInputList(frmMain& w, const QString& folder);

}  // namespace zelta::fe
