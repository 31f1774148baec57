// What a run leaves behind: the error log's lines in the message list and the
// tree in the result view.
#include <QFile>
#include <QFileInfo>

#include "cp932.h"
#include "frm_main.h"

namespace zelta::fe {

// The analyser ends with status 1 when it reached its end and 0 after an
// error. Under the debug option it is told to keep its log (-w) even after a
// normal end, so the log alone cannot tell success from failure: the status
// decides, and a kept log is still shown.
void frmMain::ShowRunOutcome(bool started, bool normalExit, int exitCode) {
  if (!started) {
    AppendMessage(msg::kFailed);
    setMenusEnabled(true);
    return;
  }
  const bool success = normalExit && exitCode == 1;

  const QString logName = QStringLiteral("./zelta_err.txt");
  if (QFileInfo(logName).isFile()) {
    QFile log(logName);
    if (log.open(QIODevice::ReadOnly))
      for (const QString& line : decodeTextLines(log.readAll())) AppendMessage(line);
  }
  if (!success) {
    setMenusEnabled(true);
    AppendMessage(msg::kFailed);
    return;
  }

  AppendMessage(msg::kShowing);
  listerr->repaint();
  QFile tree(QStringLiteral("tree.txt"));
  if (!QFileInfo(tree.fileName()).isFile() || !tree.open(QIODevice::ReadOnly)) {
    AppendMessage(QStringLiteral("tree.txtファイルを読み込めませんでした"));
    setMenusEnabled(true);
    return;
  }
  const QByteArray bytes = tree.readAll();
  if (tree.error() != QFileDevice::NoError) {
    AppendMessage(QStringLiteral("tree.txtファイルを読み込めませんでした"));
    setMenusEnabled(true);
    return;
  }
  RichTextBox1->setPlainText(decodeText(bytes));
  setMenusEnabled(true);
  AppendMessage(msg::kDone);
  RichTextBox1->setFocus();
}

}  // namespace zelta::fe
