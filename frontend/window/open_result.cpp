// Reopening a saved result: ファイル > 開く shows a tree.txt and the
// tree.json beside it (taken only when it matches the text line by line),
// without a run; the results lately opened stay under the File menu.
#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QtConcurrent>

#include "frm_main.h"
#include "settings_store.h"

namespace zelta::fe {
namespace {

const QString kRecentSection = QStringLiteral("Recent");
constexpr int kRecentCount = 8;

QStringList storedRecent() {
  QStringList out;
  for (int i = 1; i <= kRecentCount; ++i) {
    const QString p = GetSetting(kRecentSection, QStringLiteral("File%1").arg(i), QString());
    if (!p.isEmpty()) out << p;
  }
  return out;
}

void storeRecent(const QStringList& paths) {
  for (int i = 1; i <= kRecentCount; ++i)
    SaveSetting(kRecentSection, QStringLiteral("File%1").arg(i), paths.value(i - 1));
}

}  // namespace

void frmMain::createOpenActions() {
  if (!openFileDialog)
    openFileDialog = [](QWidget* parent, const QString& title, const QString& filter) {
      // Qt's own dialog, which leaves the working folder alone.
      return QFileDialog::getOpenFileName(parent, title, QString(), filter, nullptr, QFileDialog::DontUseNativeDialog);
    };
  mnuFileOpen_ = new QAction(QStringLiteral("開く(&O)..."), this);
  mnuFileOpen_->setObjectName(QStringLiteral("mnuFileOpen"));
  connect(mnuFileOpen_, &QAction::triggered, this, &frmMain::OpenResult);
  mnuRecent_ = new QMenu(QStringLiteral("最近開いた解析結果(&R)"), this);
  mnuRecent_->setObjectName(QStringLiteral("mnuRecent"));
  QAction* first = mnuFile->actions().value(0);
  mnuFile->insertAction(first, mnuFileOpen_);
  mnuFile->insertMenu(first, mnuRecent_);
  mnuFile->insertSeparator(first);
  updateRecentMenu();
}

void frmMain::updateRecentMenu() {
  mnuRecent_->clear();
  const QStringList paths = storedRecent();
  int n = 0;
  for (const QString& p : paths) {
    mnuRecent_->addAction(QStringLiteral("&%1 %2").arg(++n).arg(p), this, [this, p] { openResultFile(p); });
  }
  mnuRecent_->menuAction()->setEnabled(!running_ && !paths.isEmpty());
}

void frmMain::OpenResult() {
  if (running_) return;
  const QString path =
      openFileDialog(this, QStringLiteral("解析結果を開く"), QStringLiteral("解析結果(tree.txt *.txt);;すべてのファイル(*)"));
  if (!path.isEmpty()) openResultFile(path);
}

bool frmMain::openResultFile(const QString& path) {
  if (running_) return false;
  const QString full = QFileInfo(path).absoluteFilePath();
  QStringList recent = storedRecent();
  recent.removeAll(full);
  if (!QFileInfo(full).isFile()) {  // the result shown stays
    AppendMessage(QStringLiteral("%1を読み込めませんでした").arg(full));
    storeRecent(recent);
    updateRecentMenu();
    return false;
  }
  // Commands stay off while the text is read, as after a run.
  running_ = true;
  updateActions();
  // The result shown goes first, as before a run; a big one's memory is
  // given back on another thread, which takes a moment.
  auto oldIndex = RichTextBox1->result();
  auto oldFacts = RichTextBox1->sharedFacts();
  RichTextBox1->clear();
  navigator_->clear();
  readFacts(QString(), QDateTime());
  (void)QtConcurrent::run([index = std::move(oldIndex), facts = std::move(oldFacts)]() mutable {
    index.reset();
    facts.reset();
  });
  repaint();
  const bool shown = showResultFile(full);
  running_ = false;
  updateActions();
  if (!shown) {
    AppendMessage(QStringLiteral("%1を読み込めませんでした").arg(full));
  } else {
    recent.prepend(full);
    AppendMessage(QStringLiteral("%1を表示しています").arg(full));
    const auto& index = RichTextBox1->result();
    if (!index->isTree())
      AppendMessage(QStringLiteral("tree.txtを木として読めないため、折りたたみとリンクは使えません（%1）")
                        .arg(index->treeProblem()));
    RichTextBox1->setFocus();
  }
  storeRecent(recent.mid(0, kRecentCount));
  updateRecentMenu();
  if (closeAfterRun_) {
    closeAfterRun_ = false;
    close();
  }
  return shown;
}

}  // namespace zelta::fe
