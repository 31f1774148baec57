// zelta: the desktop front-end of the call-tree analyser.
#include <QApplication>
#include <QDir>
#include <QFontDatabase>

#include "command_line.h"
#include "frm_main.h"
#include "icons.h"
#include "qt_translation.h"
#include "work_folder.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("zelta"));
  QCoreApplication::setApplicationName(QStringLiteral("zelta"));
  // The captions are Japanese: a Japanese face keeps them even and legible.
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
  QApplication::setDesktopFileName(QStringLiteral("zelta"));
  zelta::fe::installQtJapanese();

  // Paths on the command line ("Open with", or zelta src/*.c) are one drop;
  // they are taken relative to the folder zelta was started in.
  const QStringList paths =
      zelta::fe::startupDropPaths(QCoreApplication::arguments(), QDir::currentPath());

  const zelta::fe::WorkFolder work = zelta::fe::WorkFolder::choose(
      QDir::currentPath(), QCoreApplication::applicationDirPath(), zelta::fe::WorkFolder::userDataHome());
  work.enter();

  zelta::fe::frmMain w;
  w.work = work;
  w.show();

  if (!paths.isEmpty()) w.Drop(paths);

  return app.exec();
}
