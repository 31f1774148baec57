#include "frm_editor.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "editor_command.h"

namespace zelta::fe {

frmeditor::frmeditor(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmeditor"));
  setWindowTitle(QStringLiteral("エディタの設定"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(new QLabel(QStringLiteral("エディタのコマンドライン（%fはファイル名、%lは行番号に置き換えます）"), this));
  textcommand = new QLineEdit(storedEditorCommand(), this);
  textcommand->setObjectName(QStringLiteral("textcommand"));
  textcommand->setPlaceholderText(QStringLiteral("例: gedit +%l %f"));
  column->addWidget(textcommand);
  auto* hint = new QLabel(
      QStringLiteral("空のときは環境変数VISUALかEDITORのエディタを「+行番号」付きで、どちらもないときはxdg-openで開きます"),
      this);
  hint->setWordWrap(true);
  column->addWidget(hint);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
  resize(sizeHint().expandedTo(QSize(480, 0)));
}

void frmeditor::accept() {
  storeEditorCommand(textcommand->text());
  QDialog::accept();
}

}  // namespace zelta::fe
