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
  setMenusEnabled(false);

  // The analyser's path is one word whatever it holds (an installed one may
  // sit in a folder with a blank in its name); argline is split as before.
  QProcess proc;
  proc.setProgram(work.analyser());
  proc.setArguments(splitCommandLine(argline));
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

  bool ended = false;
  QEventLoop loop;
  connect(&proc, &QProcess::finished, &loop, [&] {
    ended = true;
    loop.quit();
  });
  proc.start();
  const bool started = proc.waitForStarted(-1);

  RichTextBox1->clear();
  repaint();

  // No time-out. The window keeps painting meanwhile; the keys, the toolbar
  // and the menus start nothing until the run has ended.
  if (started && !ended && proc.state() != QProcess::NotRunning) loop.exec();
  if (debug && started) console->feed(proc.readAllStandardOutput());

  running_ = false;
  TreeView1->dropsEnabled = true;
  ShowRunOutcome(started, proc.exitStatus() == QProcess::NormalExit, proc.exitCode());
}

}  // namespace zelta::fe
