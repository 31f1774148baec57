#include "print_dialog.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

namespace zelta::fe {

bool askToPrint(QWidget* parent, QPrinter* printer, bool hasSelection) {
  QPrintDialog dlg(printer, parent);
  dlg.setOption(QAbstractPrintDialog::PrintSelection, hasSelection);
  dlg.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dlg.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  // Qt's own dialog greys its page-range controls out but still shows them;
  // hidden, they leave "all" and, with a selection, "selection".
  for (const char* name : {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit", "printCurrentPage"})
    if (QWidget* w = dlg.findChild<QWidget*>(QString::fromLatin1(name))) w->hide();
  // The label between the two page numbers ("to") has no name of its own.
  if (QWidget* from = dlg.findChild<QWidget*>(QStringLiteral("from")))
    for (QWidget* sibling : from->parentWidget()->findChildren<QWidget*>(QStringLiteral("label_3"), Qt::FindDirectChildrenOnly))
      sibling->hide();
  return dlg.exec() == QDialog::Accepted;
}

}  // namespace zelta::fe
