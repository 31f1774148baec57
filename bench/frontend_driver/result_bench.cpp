#include "result_bench.h"

#include <QAction>
#include <QCoreApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <cstdio>

#include "find_bar.h"
#include "frm_main.h"
#include "graph_panel.h"
#include "graph_view.h"
#include "graph_window.h"
#include "result_view.h"

namespace zelta::fe {
namespace {

double peakMb() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& l : f.readAll().split('\n'))
    if (l.startsWith("VmHWM:")) return l.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
  return 0;
}

// Waits for the graph panel's picture and paints it; false when none came.
bool awaitPicture(GraphPanel* panel) {
  QElapsedTimer limit;
  limit.start();
  while (panel->isBusy() && limit.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  panel->view->viewport()->repaint();
  return !panel->isBusy() && panel->hasPicture();
}

// Waits for the graph window's picture and paints it.
bool awaitPicture(GraphWindow* big) {
  QElapsedTimer limit;
  limit.start();
  while (big->isBusy() && limit.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  big->view->viewport()->repaint();
  return !big->isBusy() && big->hasPicture();
}

int lineOf(const ResultView* view, const QString& name) {
  const auto& index = view->result();
  const QByteArray want = name.toUtf8();
  for (int l = 0; l < index->lineCount(); ++l)
    if (!index->parts(l).loop && index->parts(l).name == std::string_view(want.constData(), want.size())) return l;
  return -1;
}

// The graph's own window, maximised: "big:NAME:DEPTH" opens it on a line of
// NAME and then opens its first "他N件"; "path:A>B" shows every path from A
// to B ("path:A>B:LENGTH" at most LENGTH calls). Each is timed until the picture is on screen, with the text's height
// at fit in pixels. ZELTA_BENCH_HOLD (seconds) keeps the window open after
// the first "他N件", for a screenshot.
void benchGraphWindow(frmMain& w, const QString& item) {
  auto* view = w.findChild<ResultView*>(QStringLiteral("RichTextBox1"));
  QElapsedTimer t;
  GraphWindow* big = w.findChild<GraphWindow*>(QStringLiteral("graphWindow"));
  auto report = [&](const QString& what, const QString& extra = QString()) {
    const double s = t.nsecsElapsed() / 1e9;
    const GraphPicture* pic = big->picture();
    const QSize room = big->view->viewport()->size();
    std::printf(
        "%-30s %8.3f s  (%zu nodes, %zu calls, layout %.3f s, text %.1f px at fit in %dx%d, picture %.0fx%.0f%s%s)\n",
        qPrintable(what), s, pic ? pic->graph->nodes.size() : size_t(0), pic ? pic->edges.size() : size_t(0),
        pic ? pic->seconds : 0.0, kGraphFontSize * big->view->zoom(), room.width(), room.height(),
        pic ? pic->size.width() : 0.0, pic ? pic->size.height() : 0.0, big->hasPicture() ? "" : ", no picture",
        qPrintable(extra));
  };
  auto maximise = [&] {
    big->showMaximized();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    if (big->frameGeometry().width() < screen.width() - 40) big->setGeometry(screen);  // no window manager
  };
  const QStringList f = item.split(QLatin1Char(':'));
  if (f[0] == QLatin1String("big") && f.size() == 3) {
    const int line = lineOf(view, f[1]);
    if (line < 0) {
      std::printf("graph window: no line of %s\n", qPrintable(f[1]));
      return;
    }
    view->setCurrentLine(line);
    t.start();
    w.findChild<QAction*>(QStringLiteral("actGraphWindow"))->trigger();
    big = w.findChild<GraphWindow*>(QStringLiteral("graphWindow"));
    maximise();
    big->setDepth(f[2].toInt());
    awaitPicture(big);
    report(QStringLiteral("big_%1_depth%2").arg(f[1]).arg(big->depth()));
    const GraphPicture* pic = big->picture();
    for (size_t i = 0; pic && i < pic->graph->nodes.size(); ++i) {
      if (pic->graph->nodes[i].kind != GraphNode::Kind::More) continue;
      const QString more = pic->graph->nodes[i].name;
      t.start();
      emit big->view->nodeClicked(static_cast<int>(i));
      awaitPicture(big);
      report(QStringLiteral("big_%1_open_%2").arg(f[1], more));
      if (const int hold = qEnvironmentVariableIntValue("ZELTA_BENCH_HOLD"); hold > 0) {
        QElapsedTimer held;
        held.start();
        while (held.elapsed() < hold * 1000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
      }
      break;
    }
  } else if (f[0] == QLatin1String("path") && f.size() >= 2 && big) {
    const QStringList ends = f[1].split(QLatin1Char('>'));
    if (f.size() > 2) big->lengthBox->setValue(f[2].toInt());
    t.start();
    big->fromEdit->setText(ends.value(0));
    big->toEdit->setText(ends.value(1));
    big->showPaths();
    awaitPicture(big);
    const CallPaths* paths = big->paths();
    report(QStringLiteral("path_%1_%2")
               .arg(QString(f[1]).replace(QLatin1Char('>'), QLatin1Char('-')))
               .arg(big->lengthBox->value()),
           paths ? QStringLiteral(", %1 paths of at most %2 calls%3")
                       .arg(paths->paths.size())
                       .arg(big->lengthBox->value())
                       .arg(paths->complete ? QString() : QStringLiteral(", stopped"))
                 : QString());
  } else {
    std::printf("graph window: cannot read %s\n", qPrintable(item));
  }
}

// The graph panel (GRAPHS: "name:depth ..."): from choosing a line
// of each function, as a click on it does, to its picture on screen, then
// opening its first "+N more"; last, a click on a callee in the last picture.
void benchGraph(frmMain& w, const QString& pictures) {
  auto* panel = w.findChild<GraphPanel*>(QStringLiteral("graphPanel"));
  auto* view = w.findChild<ResultView*>(QStringLiteral("RichTextBox1"));
  const auto& index = view->result();
  QElapsedTimer t;
  auto report = [&](const QString& what) {
    const double s = t.nsecsElapsed() / 1e9;
    const GraphPicture* pic = panel->picture();
    std::printf("%-30s %8.3f s  (%zu nodes, %zu calls, layout %.3f s%s)\n", qPrintable(what), s,
                pic ? pic->graph->nodes.size() : size_t(0), pic ? pic->edges.size() : size_t(0),
                pic ? pic->seconds : 0.0, panel->hasPicture() ? "" : ", no picture");
  };
  t.start();
  w.findChild<QDockWidget*>(QStringLiteral("graphDock"))->show();
  awaitPicture(panel);
  report(QStringLiteral("graph_open"));
  for (const QString& item : pictures.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    if (item.startsWith(QLatin1String("big:")) || item.startsWith(QLatin1String("path:"))) continue;  // below
    const QString name = item.section(QLatin1Char(':'), 0, 0);
    panel->setDepth(item.section(QLatin1Char(':'), 1, 1).toInt());
    awaitPicture(panel);
    int line = -1;
    const QByteArray want = name.toUtf8();
    for (int l = 0; l < index->lineCount() && line < 0; ++l)
      if (!index->parts(l).loop && index->parts(l).name == std::string_view(want.constData(), want.size())) line = l;
    if (line < 0) {
      std::printf("graph: no line of %s\n", qPrintable(name));
      continue;
    }
    if (line == view->currentLine()) {  // a click elsewhere first, so that the timed one changes something
      view->setCurrentLine(line == 0 ? 1 : 0);
      awaitPicture(panel);
    }
    t.start();
    view->setCurrentLine(line);
    awaitPicture(panel);
    report(QStringLiteral("graph_%1_depth%2").arg(name).arg(panel->depth()));
    // Its first "+N more", opened by a click.
    const GraphPicture* pic = panel->picture();
    for (size_t i = 0; pic && i < pic->graph->nodes.size(); ++i) {
      if (pic->graph->nodes[i].kind != GraphNode::Kind::More) continue;
      const QString more = pic->graph->nodes[i].name;
      t.start();
      emit panel->view->nodeClicked(static_cast<int>(i));
      awaitPicture(panel);
      report(QStringLiteral("graph_%1_open_%2").arg(name, QString(more).remove(QLatin1Char(' '))));
      break;
    }
  }
  const GraphPicture* pic = panel->picture();
  for (size_t i = 1; pic && i < pic->graph->nodes.size(); ++i) {
    const GraphNode& n = pic->graph->nodes[i];
    if (n.kind != GraphNode::Kind::Function || n.rank != 1 || n.function.kind != FunctionRef::Kind::Defined) continue;
    const QString name = n.name;
    t.start();
    emit panel->view->nodeClicked(static_cast<int>(i));
    awaitPicture(panel);
    report(QStringLiteral("graph_click_%1").arg(name));
    break;
  }
  // The graph's own window, with the panel put away.
  w.findChild<QDockWidget*>(QStringLiteral("graphDock"))->hide();
  for (const QString& item : pictures.split(QLatin1Char(' '), Qt::SkipEmptyParts))
    if (item.startsWith(QLatin1String("big:")) || item.startsWith(QLatin1String("path:"))) benchGraphWindow(w, item);
}

}  // namespace

int benchResult(frmMain& w, const QString& treePath, const QString& needle, const QString& graphs) {
  // The longest the window's event loop went without a turn: a window that
  // keeps repainting keeps this small.
  QElapsedTimer tick;
  qint64 stall = 0;
  QTimer pulse;
  pulse.setInterval(10);
  QObject::connect(&pulse, &QTimer::timeout, [&] { stall = std::max(stall, tick.restart()); });
  tick.start();
  pulse.start();

  auto* view = w.findChild<ResultView*>(QStringLiteral("RichTextBox1"));
  ResultNavigator* nav = w.navigator();
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
  timed("level_1", [&] { nav->ShowToDepth(1); });
  timed("expand_all", [&] { nav->ExpandAll(); });
  nav->ShowToDepth(1);
  timed("find_first", [&] {
    nav->Find();
    w.findChild<FindBar*>(QStringLiteral("findBar"))->setText(needle);
  });
  std::printf("%-18s %8d\n", "hits", nav->hitCount());
  double worst = 0;
  for (int i = 0; i < 20; ++i) worst = std::max(worst, timed("find_next", [&] { nav->FindNext(); }));
  std::printf("%-18s %8.3f s\n", "find_next_worst", worst);
  t.start();
  tick.restart();
  stall = 0;
  while (w.isReadingFacts()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  std::printf("%-18s %8.3f s  (%s)\n", "facts_after_load", t.nsecsElapsed() / 1e9, view->facts() ? "read" : "none");
  std::printf("%-18s %8lld ms\n", "stall_in_facts", stall);
  if (!graphs.isEmpty() && view->facts()) {
    tick.restart();
    stall = 0;
    benchGraph(w, graphs);
    std::printf("%-18s %8lld ms\n", "stall_in_graphs", stall);
  }
  // ファイル > 開く on the same file, as the next day: no run, the same
  // reading.
  bool reopened = false;
  timed("open_to_usable", [&] { reopened = w.openResultFile(treePath); });
  t.start();
  while (w.isReadingFacts()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  std::printf("%-18s %8.3f s  (%s)\n", "facts_after_open", t.nsecsElapsed() / 1e9,
              reopened && view->facts() ? "read" : "none");
  std::printf("%-18s %8.0f MB\n", "peak_rss", peakMb());
  std::fflush(stdout);
  return 0;
}

}  // namespace zelta::fe
