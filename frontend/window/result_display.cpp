// What a run leaves behind: the error log's lines in the message list, the
// tree in the result view, and tree.json's facts in the definition and graph
// panels.
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent>

#include "cp932.h"
#include "frm_main.h"

namespace zelta::fe {
namespace {

const QString kUnreadable = QStringLiteral("tree.txtファイルを読み込めませんでした");

struct Loaded {
  std::shared_ptr<const ResultIndex> index;
  bool ok = false;
};

struct Facts {
  std::shared_ptr<const TreeFacts> facts;
  QString problem;
  bool unreadable = false;  // not a matter of matching: the file cannot be read as JSON
};

}  // namespace

// The analyser ends with status 1 when it reached its end and 0 after an
// error. Under the debug option it is told to keep its log (-w) even after a
// normal end, so the log alone cannot tell success from failure: the status
// decides, and a kept log is still shown.
void frmMain::ShowRunOutcome(bool started, bool normalExit, int exitCode, const QDateTime& runStart,
                             const QString& startError) {
  auto idle = [this] {
    running_ = false;
    updateActions();
  };
  if (!started) {
    // The system's own words for why: no such program, not executable, an
    // argument list too long, ...
    AppendMessage(QStringLiteral("%1を起動できませんでした（%2）").arg(work.analyser(), startError));
    AppendMessage(msg::kFailed);
    idle();
    return;
  }
  const bool success = normalExit && exitCode == 1;
  if (!runner_->configuration().isEmpty()) AppendMessage(runner_->configuration());

  const QString logName = QStringLiteral("./zelta_err.txt");
  if (QFileInfo(logName).isFile()) {
    QFile log(logName);
    if (log.open(QIODevice::ReadOnly))
      for (const QString& line : decodeTextLines(log.readAll())) AppendMessage(line);
  }
  if (!success) {
    idle();
    AppendMessage(msg::kFailed);
    return;
  }

  AppendMessage(msg::kShowing);
  listerr->repaint();
  const bool shown = showResultFile(QStringLiteral("tree.txt"), runStart);
  idle();
  if (!shown) {
    AppendMessage(kUnreadable);
    return;
  }
  AppendMessage(msg::kDone);
  const auto& index = RichTextBox1->result();
  if (!index->isTree())
    AppendMessage(QStringLiteral("tree.txtを木として読めないため、折りたたみとリンクは使えません（%1）")
                      .arg(index->treeProblem()));
  RichTextBox1->setFocus();
}

bool frmMain::showResultFile(const QString& path, const QDateTime& factsNotBefore) {
  const QFileInfo info(path);
  if (!info.isFile()) return false;
  // Read and indexed on another thread; the window keeps painting, and the
  // caller's state (running) keeps every command off meanwhile.
  QFutureWatcher<Loaded> watcher;
  QEventLoop loop;
  connect(&watcher, &QFutureWatcher<Loaded>::finished, &loop, &QEventLoop::quit);
  watcher.setFuture(QtConcurrent::run([path] {
    Loaded r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return r;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) return r;
    r.index = ResultIndex::fromBytes(std::move(bytes), ResultIndex::Encoding::Cp932);
    r.ok = true;
    return r;
  }));
  loop.exec();
  const Loaded r = watcher.result();
  if (!r.ok) return false;
  RichTextBox1->setResult(r.index);
  navigator_->resultChanged();
  updateActions();
  readFacts(info.dir().filePath(QStringLiteral("tree.json")), factsNotBefore);
  return true;
}

// tree.json is read after the text is shown: the panel fills in when it
// arrives. A file that does not match the text is refused with a message;
// none at all (an analyser without -j) only leaves a note in the panel.
void frmMain::readFacts(const QString& path, const QDateTime& notBefore) {
  if (factsCancel_) factsCancel_->store(true);
  factsCancel_.reset();
  const int generation = ++factsGeneration_;
  readingFacts_ = false;
  const auto index = RichTextBox1->result();
  // The paths in tree.json are relative to the analyser's working folder,
  // the one it wrote the file in.
  const QFileInfo info(path);
  const QString folder = info.absolutePath();
  if (path.isEmpty() || !index || index->isEmpty()) {
    navigator_->setPanelFacts(nullptr, folder, QString(), QString());
    return;
  }
  const FactsFile state = factsFileState(path, notBefore);
  if (state == FactsFile::Missing) {
    navigator_->setPanelFacts(nullptr, folder, QStringLiteral("tree.jsonがないため、定義と呼び出し元は表示できません"),
                              QStringLiteral("tree.jsonがないため、グラフは描けません"));
    return;
  }
  if (state == FactsFile::Older) {  // an earlier run's, which this one did not write
    navigator_->setPanelFacts(nullptr, folder,
                              QStringLiteral("tree.jsonが今回の解析より古いため、定義と呼び出し元は表示できません"),
                              QStringLiteral("tree.jsonが今回の解析より古いため、グラフは描けません"));
    return;
  }
  if (!index->isTree()) {
    navigator_->setPanelFacts(nullptr, folder,
                              QStringLiteral("tree.txtを木として読めないため、定義と呼び出し元は表示できません"),
                              QStringLiteral("tree.txtを木として読めないため、グラフは描けません"));
    return;
  }
  const QString reading = QStringLiteral("tree.jsonを読み込んでいます…");
  navigator_->setPanelFacts(nullptr, folder, reading, reading);
  auto cancel = std::make_shared<std::atomic<bool>>(false);
  factsCancel_ = cancel;
  readingFacts_ = true;
  auto* watcher = new QFutureWatcher<Facts>(this);
  connect(watcher, &QFutureWatcher<Facts>::finished, this, [this, watcher, generation, index, folder] {
    watcher->deleteLater();
    if (generation != factsGeneration_) return;  // a newer result came meanwhile
    readingFacts_ = false;
    const Facts f = watcher->result();
    if (!f.facts && f.unreadable) {
      AppendMessage(
          QStringLiteral("tree.jsonを読み込めないため、定義と呼び出し元は表示しません（%1）").arg(f.problem));
      const QString unreadable = QStringLiteral("tree.jsonを読み込めません");
      navigator_->setPanelFacts(nullptr, folder, unreadable, unreadable);
      return;
    }
    if (!f.facts) {
      AppendMessage(
          QStringLiteral("tree.jsonがtree.txtと合わないため、定義と呼び出し元は表示しません（%1）").arg(f.problem));
      const QString mismatch = QStringLiteral("tree.jsonがtree.txtと合いません");
      navigator_->setPanelFacts(nullptr, folder, mismatch, mismatch);
      return;
    }
    navigator_->setPanelFacts(f.facts, folder, QString(), QString());
    RichTextBox1->setFacts(f.facts);  // tells the panel the current line again
  });
  watcher->setFuture(QtConcurrent::run([path, index, cancel] {
    Facts f;
    f.facts = TreeFacts::read(path, *index, &f.problem, cancel.get(), &f.unreadable);
    if (!f.facts && f.problem.isEmpty()) f.problem = QStringLiteral("読めません");
    return f;
  }));
}

}  // namespace zelta::fe
