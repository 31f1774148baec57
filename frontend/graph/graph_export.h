// Writing the graph panel's picture to a file: the SVG as Graphviz drew it,
// or a PNG drawn from that SVG.
#pragma once
#include <QString>

#include "graph_layout.h"

namespace zelta::fe {

// The format follows the name: ".png" (any case) writes PNG, anything else
// SVG. The file is replaced whole or left as it was; false with `problem`
// set when it cannot be written.
bool exportGraphPicture(const GraphPicture& picture, const QString& path, QString* problem);

}  // namespace zelta::fe
