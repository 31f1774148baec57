// The fixed-pitch face of the result view. The tree's ruled columns are
// two-character cells ("│", "├", "└", the ideographic space) beside
// one-character digits and names, so the face must draw those ruling
// characters exactly two columns wide.
#pragma once
#include <QFont>

namespace zelta::fe {

QFont resultFont();

}  // namespace zelta::fe
