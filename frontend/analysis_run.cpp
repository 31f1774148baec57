// The analysis run: the command line from the options and the input list,
// the analyser as a child process, and the wait for its end.
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>

#include "command_line.h"
#include "frm_console.h"
#include "frm_main.h"
#include "frm_option.h"

namespace zelta::fe {

void frmMain::RunAnalysis() {
  if (running_) return;
  if (dropcount == 0 || TreeView1->topLevelItemCount() == 0) return;

  if (!QFileInfo(QStringLiteral("./zelta.ini")).isFile()) {
    AppendMessage(msg::kIniMissing);
    AppendMessage(msg::kIniCreate);
    ShowIniDialog();
    return;
  }

  const OptionValues o = options->values();
  argline = buildArgline(o, inputPaths());

  listerr->clear();
  AppendMessage(msg::kRunning);
  listerr->repaint();

  running_ = true;
  TreeView1->dropsEnabled = false;
  updateActions();

  // The analyser's path is one word whatever it holds (an installed one may
  // sit in a folder with a blank in its name). It is always asked for
  // tree.json (-j) as well; argline, the command as the user chose it, does
  // not show it.
  QProcess proc;
  proc.setProgram(work.analyser());
  proc.setArguments(splitCommandLine(runArgline(o, inputPaths())));
  proc.setStandardInputFile(QProcess::nullDevice());
  const bool debug = o.optdebug == 1;
  if (debug) {
    // The analyser's console, shown and given the focus.
    if (!console) console = new frmconsole(this);
    console->begin();
    noteOpened(console);
    console->show();
    console->raise();
    console->activateWindow();
    proc.setProcessChannelMode(QProcess::MergedChannels);
    connect(&proc, &QProcess::readyReadStandardOutput, console,
            [this, &proc] { console->feed(proc.readAllStandardOutput()); });
  } else {
    // Unseen: its output goes nowhere (and can never fill a pipe and stall it).
    proc.setStandardOutputFile(QProcess::nullDevice());
    proc.setStandardErrorFile(QProcess::nullDevice());
  }

  // A tree.json older than this run is another run's: it is not read.
  const QDateTime runStart = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
  bool ended = false;
  QEventLoop loop;
  connect(&proc, &QProcess::finished, &loop, [&] {
    ended = true;
    loop.quit();
  });
  proc.start();
  const bool started = proc.waitForStarted(-1);

  RichTextBox1->clear();
  history_.clear();
  hits_.clear();
  readFacts(QString(), QDateTime());
  repaint();

  // No time-out. The window keeps painting meanwhile; the keys, the toolbar
  // and the menus start nothing until the run has ended.
  if (started && !ended && proc.state() != QProcess::NotRunning) loop.exec();
  if (debug && started) console->feed(proc.readAllStandardOutput());

  TreeView1->dropsEnabled = true;
  // Still running while the result is read: nothing else starts meanwhile.
  ShowRunOutcome(started, proc.exitStatus() == QProcess::NormalExit, proc.exitCode(), runStart);
}

}  // namespace zelta::fe
