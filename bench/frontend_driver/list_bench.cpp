#include "list_bench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <cstdio>

#include "drop_list.h"
#include "frm_main.h"

namespace zelta::fe {

int benchInputList(frmMain& w, const QString& folder) {
  auto* list = w.findChild<DropList*>(QStringLiteral("TreeView1"));
  QElapsedTimer t;
  auto settle = [&] {
    QCoreApplication::processEvents();
    list->viewport()->repaint();
  };
  auto report = [&](const char* what) { std::printf("%-18s %8.3f s\n", what, t.nsecsElapsed() / 1e9); };

  t.start();
  w.Drop({folder});
  settle();
  report("list_fill");
  std::printf("list_entries       %8d\n", list->topLevelItemCount());

  // A hundred pages down, each painted, then the end and back to the top.
  QScrollBar* bar = list->verticalScrollBar();
  t.start();
  for (int i = 0; i < 100; ++i) {
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    settle();
  }
  bar->setValue(bar->maximum());
  settle();
  bar->setValue(0);
  settle();
  report("list_scroll_100");

  // An entry in the middle, removed as the pop-up's 削除 does.
  t.start();
  list->setCurrentItem(list->topLevelItem(list->topLevelItemCount() / 2));
  w.Remove();
  settle();
  report("list_remove");

  t.start();
  const QStringList paths = w.inputPaths();
  report("list_paths");
  std::printf("list_path_bytes    %8lld\n", static_cast<long long>(paths.join(QLatin1Char('\n')).toUtf8().size()));

  t.start();
  w.ClearAll();
  settle();
  report("list_clear");
  return 0;
}

}  // namespace zelta::fe
