#include "analysis_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>

namespace zelta::fe {
namespace {

// The lines by which the analyser says where it is, as it prints them (the
// locale's charset, decoded before the comparison).
const QString kFileBegun = QStringLiteral("ファイル:");
const QString kFileBegunEnd = QStringLiteral("を解析中...");
const QByteArray kNamedFile = "filename=";  // on the error stream: a single file or a folder's file
const QString kDrawing = QStringLiteral("解析結果を描画してます...");
// Under -c: which compile_commands.json the run uses, or why none.
const QString kConfiguration = QStringLiteral("構成ファイル : ");
const QString kNoConfiguration = QStringLiteral("compile_commands.jsonがありません");
const QString kConfigurationRefused = QStringLiteral("を使えません(");

bool endsWithH(const QString& path) { return path.endsWith(QStringLiteral(".h")); }

// A path the list can carry: one line, which the analyser gives back as it
// was written (a line feed would split it, a carriage return before it
// would be taken for a CR LF end).
bool listable(const QByteArray& path) { return !path.contains('\n') && !path.endsWith('\r'); }

}  // namespace

AnalysisRunner::AnalysisRunner(QObject* parent) : QObject(parent) {}

AnalysisRunner::~AnalysisRunner() {
  if (!proc_) return;
  proc_->disconnect(this);
  proc_->kill();
  proc_->waitForFinished(5000);
  delete proc_;
}

int AnalysisRunner::sourcesAnnounced(const QStringList& paths) {
  if (paths.size() < 2) return 0;
  return static_cast<int>(std::count_if(paths.begin(), paths.end(), [](const QString& p) { return !endsWithH(p); }));
}

QString AnalysisRunner::listFile() const { return list_ ? QFileInfo(list_->fileName()).fileName() : QString(); }

bool AnalysisRunner::start(const QString& program, const QStringList& switches, const QStringList& paths,
                           bool forward) {
  if (proc_) return false;
  forward_ = forward;
  stopping_ = false;
  normalExit_ = false;
  drawing_ = false;
  configuration_.clear();
  exitCode_ = -1;
  done_ = 0;
  total_ = sourcesAnnounced(paths);
  pending_.clear();
  startError_.clear();
  decoder_ = QStringDecoder(QStringDecoder::System);

  QStringList args = switches;
  qsizetype bytes = 0;
  QList<QByteArray> encoded;
  bool canList = true;
  for (const QString& p : paths) {
    encoded << QFile::encodeName(p);
    bytes += encoded.last().size() + 1;
    canList = canList && listable(encoded.last());
  }
  if (bytes >= kListFileFrom && canList) {
    // In the working folder, which the analyser shares; a name of its own,
    // made exclusively, so that no file of the user's is overwritten.
    list_ = std::make_unique<QTemporaryFile>(QDir::current().filePath(QStringLiteral("zelta_list_XXXXXX.txt")));
    QByteArray text;
    text.reserve(bytes);
    for (const QByteArray& p : encoded) text += p + '\n';
    if (!list_->open() || list_->write(text) != text.size() || !list_->flush()) {
      startError_ = list_->errorString();
      list_.reset();
      return false;
    }
    list_->close();
    args << QStringLiteral("@") + listFile();
  } else {
    args << paths;
  }

  proc_ = new QProcess(this);
  proc_->setProgram(program);
  proc_->setArguments(args);
  proc_->setStandardInputFile(QProcess::nullDevice());
  // Both streams in one pipe, read as they come: it never fills and stalls
  // the analyser, and its lines move the progress.
  proc_->setProcessChannelMode(QProcess::MergedChannels);
  connect(proc_, &QProcess::readyReadStandardOutput, this, &AnalysisRunner::readOutput);
  connect(proc_, &QProcess::finished, this, &AnalysisRunner::ended);
  clock_.start();
  proc_->start();
  if (!proc_->waitForStarted(-1)) {
    startError_ = proc_->errorString();
    proc_->disconnect(this);
    delete proc_;
    proc_ = nullptr;
    list_.reset();
    return false;
  }
  return true;
}

void AnalysisRunner::stop() {
  if (!proc_ || stopping_) return;
  stopping_ = true;
  QProcess* p = proc_;
  p->kill();
  // Gone at once (SIGKILL); waiting here keeps the end in order: finished
  // has been sent when stop returns.
  p->waitForFinished(5000);
}

void AnalysisRunner::readOutput() {
  if (!proc_) return;
  const QByteArray bytes = proc_->readAllStandardOutput();
  if (bytes.isEmpty()) return;
  if (forward_) emit output(bytes);
  const int before = done_;
  const bool drawingBefore = drawing_;
  qsizetype from = 0;
  for (qsizetype lf; (lf = bytes.indexOf('\n', from)) >= 0; from = lf + 1) {
    if (pending_.isEmpty()) {
      takeLine(bytes.mid(from, lf - from));
    } else {
      pending_ += bytes.mid(from, lf - from);
      takeLine(pending_);
      pending_.clear();
    }
  }
  // A line longer than any the analyser announces progress with needs no
  // keeping (a debug trace of a huge text).
  if (pending_.size() < 4096) pending_ += bytes.mid(from);
  if (done_ != before || drawing_ != drawingBefore) emit progress();
}

void AnalysisRunner::takeLine(const QByteArray& line) {
  if (line.startsWith(kNamedFile)) {
    ++done_;
    return;
  }
  if (line.size() > 1024) return;
  const QString text = decoder_.decode(line);
  if (text.startsWith(kFileBegun) && text.endsWith(kFileBegunEnd))
    ++done_;
  else if (text == kDrawing)
    drawing_ = true;
  else if (text.startsWith(kConfiguration) || text.startsWith(kNoConfiguration) ||
           (text.startsWith(QStringLiteral("エラー : ")) && text.contains(kConfigurationRefused)))
    configuration_ = text;
}

void AnalysisRunner::ended() {
  QProcess* p = proc_;
  if (!p) return;
  readOutput();
  normalExit_ = p->exitStatus() == QProcess::NormalExit;
  exitCode_ = p->exitCode();
  proc_ = nullptr;
  p->disconnect(this);
  p->deleteLater();
  list_.reset();  // the list file goes with the run
  emit finished(stopping_ ? Outcome::Stopped : Outcome::Ended);
}

}  // namespace zelta::fe
