#include "frm_option.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "settings_store.h"
#include "twips.h"

namespace zelta::fe {
namespace {

const QString kSection = QStringLiteral("option");
const QString kPlaceholder = QStringLiteral("指定の関数を入力してください");

short storedOption(const QString& key) {
  bool ok = false;
  const int v = GetSetting(kSection, key, QStringLiteral("0")).trimmed().toInt(&ok);
  return ok && v >= -32768 && v <= 32767 ? static_cast<short>(v) : 0;
}

short ticked(const QCheckBox* b) { return b->isChecked() ? 1 : 0; }

// The ticks kept in the settings store, each under its property's name (the
// one to name a function is kept for the session only).
struct StoredTick {
  const char* key;
  short frmoption::*value;
  QCheckBox* frmoption::*box;
};
constexpr StoredTick kStoredTicks[] = {
    {"optall", &frmoption::optall, &frmoption::chkall},
    {"optfilename", &frmoption::optfilename, &frmoption::chkfilename},
    {"optfuncall", &frmoption::optfuncall, &frmoption::chkfuncall},
    {"optdebug", &frmoption::optdebug, &frmoption::chkdebug},
    {"optexplation", &frmoption::optexplation, &frmoption::chkexplation},
    {"optcallers", &frmoption::optcallers, &frmoption::chkcallers},
    {"optpointers", &frmoption::optpointers, &frmoption::chkpointers},
    {"optconfigured", &frmoption::optconfigured, &frmoption::chkconfigured},
};

void takeStoredTicks(frmoption& o) {
  for (const StoredTick& t : kStoredTicks) o.*t.value = ticked(o.*t.box);
}

}  // namespace

frmoption::frmoption(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmoption"));
  setWindowTitle(QStringLiteral("オプション"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
  setFixedSize(px(5130), px(3795));
  setModal(false);

  messageBox = [](QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
  };

  auto box = [this](const char* name, const char* caption, int top, int w, int h) {
    auto* b = new QCheckBox(QString::fromUtf8(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(pxRect(360, top, w, h));
    return b;
  };
  chkall = box("chkall", "標準関数と自分で定義した関数の両方を表示する", 360, 4215, 255);
  chkfilename = box("chkfilename", "関数がどのファイルに存在しているかを表示する", 720, 3975, 375);
  chkfuncall = box("chkfuncall", "自分で定義したすべての関数をルートにして表示する", 1200, 4335, 255);
  chkexplation = box("chkexplation", "同じ部分を省略して表示する", 1560, 2655, 255);
  chkdebug = box("chkdebug", "デバッグモードで実行", 1920, 2415, 300);
  chkfuncone = box("chkfuncone", "指定した関数をルートにして表示する", 2280, 3255, 255);
  // Beside the row of -e, the other choice of how the tree is drawn; the
  // other controls keep their places.
  chkcallers = box("chkcallers", "呼び出し元ツリー", 1560, 1860, 255);
  chkcallers->move(px(3150), px(1560));
  chkcallers->setToolTip(QStringLiteral("関数を呼び出している関数を子にしたツリーを表示する (-r)"));
  // Beside the row of -d, as -r sits beside -e.
  chkpointers = box("chkpointers", "関数ポインタ経由", 1920, 1860, 300);
  chkpointers->move(px(3150), px(1920));
  chkpointers->setToolTip(QStringLiteral("構造体のメンバや変数に入れた関数を通した呼び出しも表示する (-p)"));
  // Beside the start function's box, the one place left in the rows: how
  // the sources are read.
  chkconfigured = box("chkconfigured", "ビルド構成", 2280, 1320, 255);
  chkconfigured->move(px(3750), px(2280));
  chkconfigured->setToolTip(
      QStringLiteral("compile_commands.jsonとコンパイラのマクロで、ソースをビルドと同じに前処理して解析する (-c)"));

  textfuncname = new QLineEdit(kPlaceholder, this);
  textfuncname->setObjectName(QStringLiteral("textfuncname"));
  textfuncname->setGeometry(pxRect(360, 2640, 3615, 375));
  textfuncname->setEnabled(false);
  textfuncname->installEventFilter(this);

  auto button = [this](const char* name, const QString& caption, int left, int w) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(pxRect(left, 3240, w, 375));
    b->setAutoDefault(false);
    return b;
  };
  OKButton = button("OKButton", QStringLiteral("OK"), 360, 1215);
  CancelButton = button("CancelButton", QStringLiteral("ｷｬﾝｾﾙ"), 1680, 1215);
  cmdsetsetting = button("cmdsetsetting", QStringLiteral("設定を記憶して閉じる"), 3000, 1815);
  // Enter anywhere in the dialog runs "OK"; Esc runs "ｷｬﾝｾﾙ" (reject).
  OKButton->setDefault(true);

  setTabOrder(chkall, chkfilename);
  setTabOrder(chkfilename, chkfuncall);
  setTabOrder(chkfuncall, chkexplation);
  setTabOrder(chkexplation, chkcallers);
  setTabOrder(chkcallers, chkdebug);
  setTabOrder(chkdebug, chkpointers);
  setTabOrder(chkpointers, chkfuncone);
  setTabOrder(chkfuncone, chkconfigured);
  setTabOrder(chkconfigured, textfuncname);
  setTabOrder(textfuncname, OKButton);
  setTabOrder(OKButton, CancelButton);
  setTabOrder(CancelButton, cmdsetsetting);

  // The interlocks react to clicks and to ticks set by program alike.
  connect(chkfuncall, &QCheckBox::toggled, this, [this](bool on) { chkfuncone->setEnabled(!on); });
  connect(chkfuncone, &QCheckBox::toggled, this, [this](bool on) {
    textfuncname->setEnabled(on);
    chkfuncall->setEnabled(!on);
  });
  connect(OKButton, &QPushButton::clicked, this, &frmoption::OK);
  connect(CancelButton, &QPushButton::clicked, this, &frmoption::Cancel);
  connect(cmdsetsetting, &QPushButton::clicked, this, &frmoption::SetSetting);
}

OptionValues frmoption::values() const {
  OptionValues o;
  o.optall = optall;
  o.optfilename = optfilename;
  o.optfuncall = optfuncall;
  o.optfuncone = optfuncone;
  o.optdebug = optdebug;
  o.optexplation = optexplation;
  o.optcallers = optcallers;
  o.optpointers = optpointers;
  o.optconfigured = optconfigured;
  o.funcname = funcname;
  return o;
}

void frmoption::loadStored() {
  for (const StoredTick& t : kStoredTicks) this->*t.value = storedOption(QLatin1String(t.key));
}

void frmoption::Open() {
  if (!isVisible()) Load();
  show();
  raise();
  activateWindow();
}

void frmoption::Load() {
  for (QCheckBox* b : {chkall, chkfilename, chkfuncall, chkexplation, chkdebug, chkfuncone, chkcallers, chkpointers,
                       chkconfigured}) {
    b->setChecked(false);
    b->setEnabled(true);
  }
  textfuncname->setText(kPlaceholder);
  textfuncname->setEnabled(false);
  for (const StoredTick& t : kStoredTicks)
    if (this->*t.value == 1) (this->*t.box)->setChecked(true);
  if (optfuncone == 1) {
    chkfuncone->setChecked(true);
    textfuncname->setText(funcname);
  }
  chkall->setFocus();
}

void frmoption::OK() {
  takeStoredTicks(*this);
  optfuncone = ticked(chkfuncone);
  const QString name = textfuncname->text();
  if (!chkfuncone->isChecked() || (!name.isEmpty() && name != kPlaceholder)) {
    funcname = chkfuncone->isChecked() ? name : QString();
    QDialog::accept();
    return;
  }
  messageBox(this, QStringLiteral("エラー"), QStringLiteral("指定の関数名が入力されていません"));
}

void frmoption::Cancel() { QDialog::reject(); }

void frmoption::reject() { Cancel(); }

void frmoption::SetSetting() {
  takeStoredTicks(*this);
  for (const StoredTick& t : kStoredTicks) SaveSetting(kSection, QLatin1String(t.key), QString::number(this->*t.value));
  QDialog::accept();
}

bool frmoption::eventFilter(QObject* watched, QEvent* e) {
  // Focus on the name selects all of it, so typing replaces the placeholder;
  // once more afterwards, since a mouse click that gave the focus places the
  // cursor.
  if (watched == textfuncname && e->type() == QEvent::FocusIn) {
    textfuncname->selectAll();
    QTimer::singleShot(0, textfuncname, [this] { textfuncname->selectAll(); });
  }
  return QDialog::eventFilter(watched, e);
}

}  // namespace zelta::fe
