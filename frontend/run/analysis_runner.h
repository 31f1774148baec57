// One run of the analyser as a child process that the window watches rather
// than waits for: started from an argument list, its progress read from the
// lines it prints, stoppable at any moment.
#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QStringDecoder>
#include <QStringList>
#include <memory>

class QTemporaryFile;

namespace zelta::fe {

class AnalysisRunner : public QObject {
  Q_OBJECT
 public:
  enum class Outcome { Ended, Stopped };

  // Paths whose words together pass this many bytes go to the analyser in a
  // list file (@FILE) instead: far below the system's limit for a new
  // program's arguments (ARG_MAX, 2 MB here, the environment included), and
  // above any list a person drops file by file.
  static constexpr qsizetype kListFileFrom = 100 * 1024;

  explicit AnalysisRunner(QObject* parent = nullptr);
  ~AnalysisRunner() override;

  // Starts `program` with `switches` and then the paths (or "@" and the
  // list file, in the working folder). Under `forward`, the analyser's
  // console output is also handed on by output(). False when no process
  // could be started; startError() then says why, as the system said it.
  bool start(const QString& program, const QStringList& switches, const QStringList& paths, bool forward);
  // Ends the analyser at once; finished(Stopped) follows when it is gone.
  void stop();
  bool isRunning() const { return proc_ != nullptr; }

  QString startError() const { return startError_; }
  bool normalExit() const { return normalExit_; }
  int exitCode() const { return exitCode_; }
  // The list file of the current run ("" when the paths went on the command
  // line); removed when the run ends.
  QString listFile() const;

  // Progress: sources begun, of `total` (0 when the count is not known
  // beforehand), whether the tree is being drawn, milliseconds since start.
  int filesDone() const { return done_; }
  int filesTotal() const { return total_; }
  bool drawing() const { return drawing_; }
  // Under -c, the analyser's line naming the compile_commands.json it uses
  // (or saying there is none); empty otherwise.
  QString configuration() const { return configuration_; }
  qint64 elapsedMs() const { return clock_.isValid() ? clock_.elapsed() : 0; }

  // The sources a run of these paths announces one by one: in a list run
  // every path but the headers; a single path (a folder) is counted as it
  // goes.
  static int sourcesAnnounced(const QStringList& paths);

 signals:
  void progress();
  void output(const QByteArray& bytes);
  void finished(AnalysisRunner::Outcome outcome);

 private:
  void readOutput();
  void takeLine(const QByteArray& line);
  void ended();

  QProcess* proc_ = nullptr;
  std::unique_ptr<QTemporaryFile> list_;
  QByteArray pending_;  // the last, unfinished line
  QStringDecoder decoder_;
  QElapsedTimer clock_;
  QString startError_;
  QString configuration_;
  bool forward_ = false, stopping_ = false, normalExit_ = false, drawing_ = false;
  int exitCode_ = -1, done_ = 0, total_ = 0;
};

}  // namespace zelta::fe
