// The analysis run: the command line from the options and the input list,
// the analyser started as a child process that the window watches (its
// progress, its stop), and what a stopped run leaves.
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "command_line.h"
#include "frm_console.h"
#include "frm_main.h"
#include "frm_option.h"

namespace zelta::fe {
namespace {

// Every file a run of the analyser writes in its working folder.
const char* const kRunFiles[] = {"tree.txt", "tree.json", "tree.dot", "zelta_err.txt", "2.txt", "3.txt", "abcd.txt"};

std::pair<qint64, qint64> stamp(const QString& name) {
  const QFileInfo f(name);
  if (!f.exists()) return {-1, -1};
  return {f.size(), f.lastModified().toMSecsSinceEpoch()};
}

}  // namespace

void frmMain::RunAnalysis() {
  if (running_) return;
  if (dropcount == 0 || TreeView1->topLevelItemCount() == 0) return;

  if (!QFileInfo(QStringLiteral("./zelta.ini")).isFile()) {
    AppendMessage(msg::kIniMissing);
    AppendMessage(msg::kIniCreate);
    ShowIniDialog();
    return;
  }

  const OptionValues o = options_->values();
  const QStringList paths = inputPaths();
  argline = buildArgline(o, paths);

  listerr->clear();
  AppendMessage(msg::kRunning);
  listerr->repaint();

  running_ = true;
  TreeView1->dropsEnabled = false;

  const bool debug = o.optdebug == 1;
  if (debug) {
    // The analyser's console, shown and given the focus.
    if (!console_) console_ = new frmconsole(this);
    console_->begin();
    noteOpened(console_);
    console_->show();
    console_->raise();
    console_->activateWindow();
  }

  // A tree.json older than this run is another run's: it is not read.
  runStart_ = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
  before_.clear();
  for (const char* name : kRunFiles) before_.emplace_back(QString::fromLatin1(name), stamp(QString::fromLatin1(name)));

  // The analyser's path is one word whatever it holds (an installed one may
  // sit in a folder with a blank in its name), and so is every input path.
  // It is always asked for tree.json (-j) as well; argline, the command as
  // the user chose it, does not show it.
  const bool started =
      runner_->start(work.analyser(), splitCommandLine(runArgline(o, QStringList())), paths, debug);

  RichTextBox1->clear();
  navigator_->clear();
  readFacts(QString(), QDateTime());
  updateActions();
  repaint();
  if (!started) {
    ShowRunOutcome(false, false, -1, runStart_, runner_->startError());
    return;
  }
  runTicker_->start();
  showRunProgress();
}

void frmMain::StopAnalysis() {
  if (runner_->isRunning()) runner_->stop();
}

void frmMain::runFinished(AnalysisRunner::Outcome outcome) {
  runTicker_->stop();
  runProgress->hide();
  runProgressText->hide();
  TreeView1->dropsEnabled = true;
  if (outcome == AnalysisRunner::Outcome::Stopped) {
    runStopped();
  } else {
    // Still running while the result is read: nothing else starts meanwhile.
    ShowRunOutcome(true, runner_->normalExit(), runner_->exitCode(), runStart_);
  }
  if (closeAfterRun_) {
    closeAfterRun_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

// Whatever the stopped analyser wrote is unfinished: every file of the run
// that it changed is removed, the others stay as they were before it.
void frmMain::runStopped() {
  QStringList removed;
  for (const auto& [name, was] : before_)
    if (stamp(name) != was && QFile::exists(name) && QFile::remove(name)) removed << name;
  running_ = false;
  updateActions();
  AppendMessage(msg::kStopped);
  if (!removed.isEmpty())
    AppendMessage(QStringLiteral("書きかけのファイルを削除しました（%1）").arg(removed.join(QStringLiteral("、"))));
  if (QFileInfo(QStringLiteral("tree.txt")).isFile())
    AppendMessage(QStringLiteral("前回のtree.txtはそのまま残っています（表示はしません）"));
}

void frmMain::showRunProgress() {
  if (!runner_->isRunning()) return;
  const int done = runner_->filesDone(), total = runner_->filesTotal();
  const QString elapsed = QStringLiteral("経過%1秒").arg(runner_->elapsedMs() / 1000);
  QString text;
  if (runner_->drawing()) {
    runProgress->setRange(0, 0);  // the drawing's share is not known
    text = QStringLiteral("解析結果を描画中　%1").arg(elapsed);
  } else if (total > 0) {
    runProgress->setRange(0, total);
    runProgress->setValue(std::min(done, total));
    text = QStringLiteral("解析中　%1/%2ファイル　%3").arg(done).arg(total).arg(elapsed);
  } else {
    runProgress->setRange(0, 0);
    text = QStringLiteral("解析中　%1ファイル　%2").arg(done).arg(elapsed);
  }
  runProgressText->setText(text);
  runProgress->show();
  runProgressText->show();
}

}  // namespace zelta::fe
