#include "frm_ini.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>

#include "config/zelta_ini.h"
#include "cp932.h"
#include "twips.h"

namespace zelta::fe {
namespace {
const QString kIniFile = QStringLiteral("./zelta.ini");
const QString kKey = QStringLiteral("include_path=");
}  // namespace

frmini::frmini(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmini"));
  setWindowTitle(QStringLiteral("zelta.iniファイルへ書き込み"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::CustomizeWindowHint);
  setModal(false);
  setFixedSize(px(6735), px(3135));

  messageBox = [](QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
  };

  Label3 = new QLabel(QStringLiteral("インクルードファイルのパス"), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(pxRect(240, 1200, 2415, 255));
  txtinclude = new QLineEdit(this);
  txtinclude->setObjectName(QStringLiteral("txtinclude"));
  txtinclude->setGeometry(pxRect(240, 1680, 6255, 375));
  Command1 = new QPushButton(QStringLiteral("OK"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(pxRect(4080, 2280, 1095, 375));
  Command1->setAutoDefault(false);
  Command1->setDefault(true);  // Enter anywhere runs "OK"
  Command2 = new QPushButton(QStringLiteral("キャンセル"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setGeometry(pxRect(5400, 2280, 1095, 375));
  Command2->setAutoDefault(false);
  setTabOrder(txtinclude, Command1);
  setTabOrder(Command1, Command2);
  connect(Command1, &QPushButton::clicked, this, &frmini::OK);
  connect(Command2, &QPushButton::clicked, this, &frmini::Cancel);
}

bool frmini::iniBytes(const QString& includePath, QByteArray& out) {
  const QString text = QString::fromUtf8(kIniTemplate) + includePath + QLatin1Char('\n');
  QByteArray cp;
  if (!unicodeToCp932(text, cp)) return false;
  out = toCrlf(cp);
  return true;
}

QString frmini::lastIncludePath(const QByteArray& fileBytes) {
  QString value;
  for (const QString& line : decodeTextLines(fileBytes))
    if (line.startsWith(kKey)) value = line.mid(kKey.size());
  return value;
}

void frmini::Open() {
  if (!isVisible()) Load();
  show();
  raise();
  activateWindow();
}

void frmini::Load() {
  txtinclude->clear();
  QFile f(kIniFile);
  if (QFileInfo(kIniFile).isFile() && f.open(QIODevice::ReadOnly))
    txtinclude->setText(lastIncludePath(f.readAll()));
  txtinclude->setFocus();
}

bool frmini::OK() {
  QByteArray bytes;
  if (!iniBytes(txtinclude->text(), bytes)) {
    messageBox(this, QStringLiteral("エラー"),
               QStringLiteral("インクルードファイルのパスにShift-JISで表せない文字が含まれています。\n"
                              "zelta.iniファイルは書き込んでいません。"));
    return false;
  }
  // Written beside the old file and then put in its place, so that a failed
  // write leaves the old file as it was.
  QSaveFile out(kIniFile);
  out.setDirectWriteFallback(true);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
    messageBox(this, QStringLiteral("エラー"),
               QStringLiteral("zelta.iniファイルを書き込めませんでした。\n") + out.errorString());
    return false;
  }
  QDialog::accept();
  return true;
}

void frmini::Cancel() { QDialog::reject(); }

void frmini::reject() { Cancel(); }

}  // namespace zelta::fe
