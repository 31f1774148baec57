// zelta: the desktop front-end of the call-tree analyser.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTimer>

#include "command_line.h"
#include "frm_main.h"
#include "icons.h"
#include "result_bench.h"

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

  // Paths on the command line ("Open with", or zelta src/*.c) are one drop;
  // they are taken relative to the folder zelta was started in.
  const QStringList paths =
      zelta::fe::startupDropPaths(QCoreApplication::arguments(), QDir::currentPath());

  // zelta and conzelta work in the folder they are shipped in. Started from
  // elsewhere (a file manager, a desktop entry), zelta moves to its own
  // folder when the analyser is there and not here.
  const QString own = QCoreApplication::applicationDirPath();
  if (!QFileInfo(QStringLiteral("./conzelta")).isExecutable() &&
      QFileInfo(own + QStringLiteral("/conzelta")).isExecutable())
    QDir::setCurrent(own);

  zelta::fe::frmMain w;
  w.show();

  if (!paths.isEmpty()) w.Drop(paths);

  // bench/frontend.sh: time the result view on a given tree and end.
  const QString bench = qEnvironmentVariable("ZELTA_BENCH_TREE");
  if (!bench.isEmpty())
    QTimer::singleShot(0, &w, [&] {
      QCoreApplication::exit(zelta::fe::benchResult(w, bench, qEnvironmentVariable("ZELTA_BENCH_FIND", "fatal")));
    });

  return app.exec();
}
