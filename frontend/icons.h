// The program's own pictures, drawn at run time: the window icon and the two
// toolbar images, each 48 x 48 pixels.
#pragma once
#include <QIcon>
#include <QPixmap>

namespace zelta::fe {

QPixmap appPixmap();      // a small call tree
QPixmap analysePixmap();  // a call tree with a run arrow: "解析"
QPixmap clearPixmap();    // an eraser over a sheet: "クリア"
QIcon appIcon();

}  // namespace zelta::fe
