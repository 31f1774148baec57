// zelta: the desktop front-end of the call-tree analyser.
#include <QApplication>
#include <QDir>
#include <QFontDatabase>

#include "command_line.h"
#include "frm_main.h"
#include "icons.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("zelta"));
  QCoreApplication::setApplicationName(QStringLiteral("zelta"));
  // A Japanese face for the captions where the desktop's default lacks one.
  const QStringList have = QFontDatabase::families();
  for (const QString& f : {QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic")}) {
    if (have.contains(f)) {
      QFont font(f);
      font.setPointSize(9);
      QApplication::setFont(font);
      break;
    }
  }
  QApplication::setWindowIcon(zelta::fe::appIcon());

  zelta::fe::frmMain w;
  w.show();

  // Paths on the command line ("Open with", or zelta src/*.c) are one drop.
  const QStringList paths =
      zelta::fe::startupDropPaths(QCoreApplication::arguments(), QDir::currentPath());
  if (!paths.isEmpty()) w.Drop(paths);

  return app.exec();
}
