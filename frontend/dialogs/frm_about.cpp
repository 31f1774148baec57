#include "frm_about.h"

#include <QLabel>
#include <QPushButton>

#include "config/version.h"
#include "twips.h"

namespace zelta::fe {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報 zelta"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
  setFixedSize(px(4155), px(2565));
  setModal(true);

  auto label = [this](const char* name, const QString& text, int l, int t, int w, int h) {
    auto* lb = new QLabel(text, this);
    lb->setObjectName(QString::fromLatin1(name));
    lb->setGeometry(pxRect(l, t, w, h));
    return lb;
  };
  lblTitle = label("lblTitle", QStringLiteral("zelta"), 240, 360, 855, 360);
  QFont big = lblTitle->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  lblTitle->setFont(big);
  lblVersion = label("lblVersion",
                     QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3")
                         .arg(kVersionMajor)
                         .arg(kVersionMinor)
                         .arg(kVersionPatch),
                     1320, 360, 2175, 345);
  lblDescription = label("lblDescription", QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの説明"), 240, 840, 1695, 210);
  Label1 = label("Label1", QStringLiteral("関数の階層構造をツリー表示します"), 240, 1200, 3375, 255);
  Label2 = label("Label2", QStringLiteral("Copyright (C) zelta の作者"), 240, 1560, 3735, 255);

  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setGeometry(pxRect(2520, 2040, 1467, 345));
  cmdOK->setDefault(true);  // Enter closes; Esc closes as the cancel button
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

  // Centred on the owner.
  if (parent) {
    const QRect owner = parent->frameGeometry();
    move(owner.center() - QPoint(width() / 2, height() / 2));
  }
}

}  // namespace zelta::fe
