// Build helper: writes the program's icon as PNG files for the desktop's icon
// theme, drawn at each size from the same picture as the window icon.
//   render_icon FOLDER SIZE...   writes FOLDER/SIZE/zelta.png for each size
#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "icons.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: render_icon FOLDER SIZE...\n");
    return 2;
  }
  // A build machine may have no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    const QString folder = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/') + QString::number(size);
    if (size <= 0 || !QDir().mkpath(folder) ||
        !zelta::fe::appImage(size).save(folder + QStringLiteral("/zelta.png"), "PNG")) {
      std::fprintf(stderr, "render_icon: cannot write the %s icon\n", argv[i]);
      return 1;
    }
  }
  return 0;
}
