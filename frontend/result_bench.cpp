#include "result_bench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <cstdio>

#include "find_bar.h"
#include "frm_main.h"

namespace zelta::fe {
namespace {

double peakMb() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& l : f.readAll().split('\n'))
    if (l.startsWith("VmHWM:")) return l.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
  return 0;
}

}  // namespace

int benchResult(frmMain& w, const QString& treePath, const QString& needle) {
  // The longest the window's event loop went without a turn: a window that
  // keeps repainting keeps this small.
  QElapsedTimer tick;
  qint64 stall = 0;
  QTimer pulse;
  pulse.setInterval(10);
  QObject::connect(&pulse, &QTimer::timeout, [&] { stall = std::max(stall, tick.restart()); });
  tick.start();
  pulse.start();

  ResultView* view = w.RichTextBox1;
  QElapsedTimer t;
  auto timed = [&](const char* what, auto&& step) {
    t.start();
    step();
    view->viewport()->repaint();  // the step counts until its result is on screen
    const double s = t.nsecsElapsed() / 1e9;
    std::printf("%-18s %8.3f s\n", what, s);
    return s;
  };
  bool ok = true;
  stall = 0;
  tick.restart();
  timed("load_to_usable", [&] { ok = w.showResultFile(treePath); });
  // The first paint ends the load; the loop's turns before it are what
  // the window could do meanwhile.
  std::printf("%-18s %8lld ms\n", "stall_in_load", stall);
  if (!ok) {
    std::printf("cannot read %s\n", qPrintable(treePath));
    return 1;
  }
  const auto& index = view->result();
  std::printf("%-18s %8d\n", "lines", index->lineCount());
  std::printf("%-18s %8s\n", "tree", index->isTree() ? "yes" : qPrintable(index->treeProblem()));
  timed("fold_root", [&] { view->toggleFold(0); });
  timed("unfold_root", [&] { view->toggleFold(0); });
  timed("level_1", [&] { w.ShowToDepth(1); });
  timed("expand_all", [&] { w.ExpandAll(); });
  w.ShowToDepth(1);
  timed("find_first", [&] {
    w.Find();
    w.findBar->setText(needle);
  });
  std::printf("%-18s %8d\n", "hits", w.findHitCount());
  double worst = 0;
  for (int i = 0; i < 20; ++i) worst = std::max(worst, timed("find_next", [&] { w.FindNext(); }));
  std::printf("%-18s %8.3f s\n", "find_next_worst", worst);
  t.start();
  tick.restart();
  stall = 0;
  while (w.isReadingFacts()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  std::printf("%-18s %8.3f s  (%s)\n", "facts_after_load", t.nsecsElapsed() / 1e9, view->facts() ? "read" : "none");
  std::printf("%-18s %8lld ms\n", "stall_in_facts", stall);
  std::printf("%-18s %8.0f MB\n", "peak_rss", peakMb());
  std::fflush(stdout);
  return 0;
}

}  // namespace zelta::fe
