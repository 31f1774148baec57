// Saving and printing the result: the text comes from the result itself
// (tree.txt as read), never from a widget's copy of it.
#include <QFileDialog>
#include <QFileInfo>
#include <QPrinter>
#include <QSaveFile>

#include "cp932.h"
#include "frm_main.h"
#include "graph_panel.h"
#include "print_dialog.h"
#include "result_printer.h"

namespace zelta::fe {

void frmMain::useDefaultSaveDialog() {
  if (!saveFileDialog)
    saveFileDialog = [](QWidget* parent, const QString& title, const QString& filter) {
      // Qt's own dialog: it never changes the working folder, on which the
      // analyser's files depend.
      return QFileDialog::getSaveFileName(parent, title, QString(), filter, nullptr, QFileDialog::DontUseNativeDialog);
    };
}

namespace {
const QString kSaveTitle = QStringLiteral("名前をつけて保存");
const QString kSaveFilter = QStringLiteral("テキストファイル(*.txt)");
}  // namespace

// The result's text as CP932 with CR LF line ends; the file is replaced
// whole or, when that fails, left as it was. Written piece by piece, so a
// tree of millions of lines is never held twice.
bool frmMain::writeResult(const QString& path) {
  bool lossy = false;
  QSaveFile out(path);
  out.setDirectWriteFallback(true);
  if (!out.open(QIODevice::WriteOnly)) return false;
  const auto& index = RichTextBox1->result();
  if (index && !index->writeCp932(out, &lossy)) {
    out.cancelWriting();
    return false;
  }
  if (!out.commit()) return false;
  if (lossy)
    AppendMessage(QStringLiteral("Shift-JISで表せない文字を「?」にして保存しました"));
  return true;
}

void frmMain::saveAsSteps() {
  useDefaultSaveDialog();
  QString name = saveFileDialog(this, kSaveTitle, kSaveFilter);
  if (name.isEmpty()) return;  // cancelled
  dialogFileName_ = name;
  if (!name.contains(QLatin1Char('.'))) name += QStringLiteral(".txt");
  savefile = name;
  if (writeResult(savefile)) return;
  // One more attempt under the name the dialog holds, as a failed save did
  // before; then the user is told.
  savefile = dialogFileName_;
  if (writeResult(savefile)) return;
  messageBox(this, QStringLiteral("エラー"), savefile + QStringLiteral("に保存できませんでした"));
}

void frmMain::SaveAs() {
  if (running_) return;
  saveAsSteps();
}

void frmMain::Save() {
  if (running_) return;
  if (savefile.isEmpty()) {
    saveAsSteps();
    return;
  }
  if (writeResult(savefile)) return;
  if (!dialogFileName_.isEmpty()) {
    savefile = dialogFileName_;
    if (writeResult(savefile)) return;
  }
  messageBox(this, QStringLiteral("エラー"), savefile + QStringLiteral("に保存できませんでした"));
}

void frmMain::Print() {
  if (running_) return;
  if (RichTextBox1->isEmpty()) return;
  const bool hasSelection = RichTextBox1->hasSelection();

  QPrinter printer(QPrinter::HighResolution);
  setDefaultPrintMargins(printer);
  printer.setPrintRange(hasSelection ? QPrinter::Selection : QPrinter::AllPages);
  if (!printDialog) printDialog = askToPrint;
  if (!printDialog(this, &printer, hasSelection)) return;

  // The selection when there is one and the dialog kept it chosen, else all.
  const QString text = hasSelection && printer.printRange() == QPrinter::Selection ? RichTextBox1->selectedText()
                                                                                   : RichTextBox1->toPlainText();
  printer.setPrintRange(QPrinter::AllPages);
  const bool printed = printResultText(printer, text, RichTextBox1->font());
  lastPrinted_ = text;
  if (!printed)
    messageBox(this, QStringLiteral("エラー"), QStringLiteral("印刷できませんでした"));
}

// The graph panel's picture; the name says the format (".png", else SVG,
// with ".svg" added to a name without an extension).
void frmMain::ExportGraph() {
  if (running_ || !graphPanel->hasPicture()) return;
  useDefaultSaveDialog();
  QString name =
      saveFileDialog(this, QStringLiteral("グラフをエクスポート"), QStringLiteral("SVG画像(*.svg);;PNG画像(*.png)"));
  if (name.isEmpty()) return;
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".svg");
  QString problem;
  if (!graphPanel->exportPicture(name, &problem))
    messageBox(this, QStringLiteral("エラー"), QStringLiteral("%1に保存できませんでした（%2）").arg(name, problem));
}

}  // namespace zelta::fe
