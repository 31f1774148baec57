// zelta_bench: the front-end's timing driver for bench/frontend.sh. It opens
// the real window as zelta does, times one thing on it, prints the figures
// and ends; it is built beside zelta, never installed.
//
//   zelta_bench TREE.TXT [NEEDLE [GRAPHS]]   the result view (NEEDLE: "fatal")
//   zelta_bench FOLDER                       the input list
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "application_setup.h"
#include "frm_main.h"
#include "list_bench.h"
#include "result_bench.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  zelta::fe::setUpApplication();  // the window a user sees

  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 2 || args.size() > 4) {
    std::fprintf(stderr, "usage: zelta_bench TREE.TXT [NEEDLE [GRAPHS]] | FOLDER\n");
    return 2;
  }
  const QString target = args[1];
  const QString needle = args.size() > 2 ? args[2] : QStringLiteral("fatal");
  const QString graphs = args.size() > 3 ? args[3] : QString();

  zelta::fe::frmMain w;
  w.show();
  QTimer::singleShot(0, &w, [&] {
    QCoreApplication::exit(QFileInfo(target).isDir() ? zelta::fe::benchInputList(w, target)
                                                     : zelta::fe::benchResult(w, target, needle, graphs));
  });
  return app.exec();
}
