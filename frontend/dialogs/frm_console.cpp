#include "frm_console.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include "result_font.h"

namespace zelta::fe {

frmconsole::frmconsole(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmconsole"));
  setWindowTitle(QStringLiteral("conzelta"));
  output = new QPlainTextEdit(this);
  output->setObjectName(QStringLiteral("output"));
  output->setReadOnly(true);
  output->setLineWrapMode(QPlainTextEdit::NoWrap);
  output->setFont(resultFont());
  // Debug traces echo every byte read; keep the view from growing without end.
  output->setMaximumBlockCount(200000);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(output);
  resize(640, 400);
}

void frmconsole::begin() {
  output->clear();
  decoder_ = QStringDecoder(QStringDecoder::System);
}

void frmconsole::feed(const QByteArray& bytes) {
  if (!decoder_.isValid()) decoder_ = QStringDecoder(QStringDecoder::System);
  const QString s = decoder_.decode(bytes);
  QTextCursor c(output->document());
  c.movePosition(QTextCursor::End);
  c.insertText(s);
  output->verticalScrollBar()->setValue(output->verticalScrollBar()->maximum());
}

}  // namespace zelta::fe
