#pragma once

namespace zelta::fe {

// What every program that opens the window sets first (zelta and its bench
// driver alike, so that the window measured is the one a user sees): the
// settings store's names, the Japanese face, the icon and Qt's own Japanese
// texts. Call it right after the QApplication is made.
void setUpApplication();

}  // namespace zelta::fe
