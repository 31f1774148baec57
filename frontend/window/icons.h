// The program's own pictures, drawn at run time: the window icon and the
// toolbar images, each 48 x 48 pixels.
#pragma once
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace zelta::fe {

QPixmap appPixmap();      // a small call tree
QImage appImage(int size);  // the same at any size, drawn for it (the desktop's icon theme)
QPixmap analysePixmap();  // a call tree with a run arrow: "解析"
QPixmap clearPixmap();    // an eraser over a sheet: "クリア"
QPixmap stopPixmap();     // a stop sign: "中止"
QIcon appIcon();

}  // namespace zelta::fe
