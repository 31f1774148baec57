// zelta: the desktop front-end of the call-tree analyser.
#include <QApplication>
#include <QDir>

#include "application_setup.h"
#include "command_line.h"
#include "frm_main.h"
#include "work_folder.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  zelta::fe::setUpApplication();

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
