// The options dialog, the settings-file dialog, saving, printing and the
// version dialog.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTextCursor>

#include "fe_test_util.h"
#include "frm_about.h"
#include "frm_ini.h"
#include "frm_main.h"
#include "frm_option.h"
#include "settings_store.h"
#include "config/version.h"

using namespace zelta::fe;

namespace {
const QString kPlaceholder = "指定の関数を入力してください";

struct Box {
  QString title, text;
};

// Answers the message boxes of one form and remembers what they said.
template <typename Form>
QList<Box>* recordBoxes(Form& f) {
  auto* seen = new QList<Box>;
  f.messageBox = [seen](QWidget*, const QString& title, const QString& text) {
    seen->append({title, text});
  };
  return seen;
}

QString pdfText(const QString& pdf) {
  QProcess pr;
  pr.start("pdftotext", {"-layout", pdf, "-"});
  if (!pr.waitForFinished(30000)) return QString();
  return QString::fromUtf8(pr.readAllStandardOutput());
}
}  // namespace

class DialogsTest : public fetest::Fixture {
  Q_OBJECT
 private slots:
  // ---- options ----

  void optionsWindow() {
    frmMain w;
    frmoption& o = *w.options();
    QCOMPARE(o.windowTitle(), QString("オプション"));
    QCOMPARE(o.size(), QSize(342, 253));
    QCOMPARE(o.chkall->text(), QString("標準関数と自分で定義した関数の両方を表示する"));
    QCOMPARE(o.chkfilename->text(), QString("関数がどのファイルに存在しているかを表示する"));
    QCOMPARE(o.chkfuncall->text(), QString("自分で定義したすべての関数をルートにして表示する"));
    QCOMPARE(o.chkexplation->text(), QString("同じ部分を省略して表示する"));
    QCOMPARE(o.chkdebug->text(), QString("デバッグモードで実行"));
    QCOMPARE(o.chkfuncone->text(), QString("指定した関数をルートにして表示する"));
    QCOMPARE(o.OKButton->text(), QString("OK"));
    QCOMPARE(o.CancelButton->text(), QString("ｷｬﾝｾﾙ"));
    QCOMPARE(o.cmdsetsetting->text(), QString("設定を記憶して閉じる"));
    QCOMPARE(o.chkall->geometry(), QRect(24, 24, 281, 17));
    QCOMPARE(o.cmdsetsetting->geometry(), QRect(200, 216, 121, 25));
    w.ShowOptions();
    QVERIFY(o.isVisible());
    QVERIFY(!o.isModal());
    QCOMPARE(o.textfuncname->text(), kPlaceholder);
    QVERIFY(!o.textfuncname->isEnabled());
    for (QCheckBox* b : {o.chkall, o.chkfilename, o.chkfuncall, o.chkexplation, o.chkdebug, o.chkfuncone})
      QVERIFY(!b->isChecked());
    // A second request shows the same dialog, as the user left it.
    o.chkall->setChecked(true);
    w.ShowOptions();
    QVERIFY(o.chkall->isChecked());
  }

  void interlocks() {
    frmMain w;
    frmoption& o = *w.options();
    w.ShowOptions();
    o.chkfuncall->click();
    QVERIFY(!o.chkfuncone->isEnabled());
    o.chkfuncall->click();
    QVERIFY(o.chkfuncone->isEnabled());
    o.chkfuncone->click();
    QVERIFY(o.textfuncname->isEnabled());
    QVERIFY(!o.chkfuncall->isEnabled());
    o.chkfuncone->click();
    QVERIFY(!o.textfuncname->isEnabled());
    QVERIFY(o.chkfuncall->isEnabled());
  }

  void storedOptionsComeBackAtStartAndTickTheBoxes() {
    SaveSetting("option", "optfuncall", "1");
    SaveSetting("option", "optexplation", "1");
    frmMain w;
    frmoption& o = *w.options();
    QCOMPARE(o.optfuncall, short(1));
    QCOMPARE(o.optexplation, short(1));
    QCOMPARE(o.optall, short(0));
    w.ShowOptions();
    QVERIFY(o.chkfuncall->isChecked());
    QVERIFY(!o.chkfuncone->isEnabled());
    QVERIFY(o.chkexplation->isChecked());
    QVERIFY(!o.chkall->isChecked());
  }

  void okRefusesAMissingName() {
    frmMain w;
    frmoption& o = *w.options();
    QScopedPointer<QList<Box>> boxes(recordBoxes(o));
    o.funcname = "init";
    w.ShowOptions();
    o.chkall->setChecked(true);
    o.chkfuncone->setChecked(true);
    o.OK();  // the placeholder is still there
    QCOMPARE(boxes->size(), 1);
    QCOMPARE(boxes->at(0).title, QString("エラー"));
    QCOMPARE(boxes->at(0).text, QString("指定の関数名が入力されていません"));
    QVERIFY(o.isVisible());
    QCOMPARE(o.optfuncone, short(1));
    QCOMPARE(o.optall, short(1));
    QCOMPARE(o.funcname, QString("init"));
    o.textfuncname->clear();
    o.OK();  // empty is refused too
    QCOMPARE(boxes->size(), 2);
    o.Cancel();
    QVERIFY(!o.isVisible());
    QCOMPARE(o.optfuncone, short(1));
    QCOMPARE(o.funcname, QString("init"));
    // Reopened, the box shows the kept name.
    w.ShowOptions();
    QVERIFY(o.chkfuncone->isChecked());
    QCOMPARE(o.textfuncname->text(), QString("init"));
  }

  void okTakesTheNameAndTheRunPassesIt() {
    fetest::CwdGuard cwd(root_);
    QVERIFY(fetest::writeBytes(p("zelta.ini"), fetest::defaultIni()));
    fetest::writeFakeAnalyser(root_);
    QVERIFY(fetest::makeFile(p("a.c")));
    frmMain w;
    frmoption& o = *w.options();
    w.ShowOptions();
    o.chkfuncone->setChecked(true);
    o.textfuncname->setText("start here");
    o.OK();
    QVERIFY(!o.isVisible());
    QCOMPARE(o.funcname, QString("start here"));
    w.Drop({p("a.c")});
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(w.argline, " -f start here \"" + p("a.c") + "\"");
    // Unticked, the name is dropped.
    w.ShowOptions();
    o.chkfuncone->setChecked(false);
    o.OK();
    QCOMPARE(o.optfuncone, short(0));
    QCOMPARE(o.funcname, QString());
  }

  void storedOptionsRoundTripIntoTheNextRun() {
    fetest::CwdGuard cwd(root_);
    QVERIFY(fetest::writeBytes(p("zelta.ini"), fetest::defaultIni()));
    fetest::writeFakeAnalyser(root_);
    QVERIFY(fetest::makeFile(p("a.c")));
    {
      frmMain w;
      frmoption& o = *w.options();
      w.ShowOptions();
      o.chkall->setChecked(true);
      o.chkexplation->setChecked(true);
      o.chkdebug->setChecked(true);
      o.chkfuncone->setChecked(true);
      o.textfuncname->setText("name");
      o.SetSetting();  // no name check, -f not taken
      QVERIFY(!o.isVisible());
      QCOMPARE(o.optfuncone, short(0));
      QCOMPARE(o.funcname, QString());
      w.close();
    }
    QCOMPARE(GetSetting("option", "optall", "?"), QString("1"));
    QCOMPARE(GetSetting("option", "optfilename", "?"), QString("0"));
    QCOMPARE(GetSetting("option", "optfuncall", "?"), QString("0"));
    QCOMPARE(GetSetting("option", "optdebug", "?"), QString("1"));
    QCOMPARE(GetSetting("option", "optexplation", "?"), QString("1"));
    QCOMPARE(GetSetting("option", "optfuncone", "?"), QString("?"));
    frmMain w;
    w.Drop({p("a.c")});
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(w.argline, " -a -d -w -e \"" + p("a.c") + "\"");
  }

  void keysOfTheOptionsDialog() {
    frmMain w;
    frmoption& o = *w.options();
    w.ShowOptions();
    QVERIFY(QTest::qWaitForWindowExposed(&o));
    o.chkall->setChecked(true);
    QTest::keyClick(o.chkall, Qt::Key_Escape);
    QVERIFY(!o.isVisible());
    QCOMPARE(o.optall, short(0));

    w.ShowOptions();
    o.chkfuncone->setChecked(true);
    o.textfuncname->setFocus();
    o.textfuncname->setText("fn");
    QTest::keyClick(o.textfuncname, Qt::Key_Return);
    QVERIFY(!o.isVisible());
    QCOMPARE(o.optfuncone, short(1));
    QCOMPARE(o.funcname, QString("fn"));

    // Enter is the dialog's, whichever control has the focus.
    w.ShowOptions();
    o.chkdebug->setChecked(true);
    o.CancelButton->setFocus();
    QTest::keyClick(o.CancelButton, Qt::Key_Return);
    QVERIFY(!o.isVisible());
    QCOMPARE(o.optdebug, short(1));
  }

  void focusSelectsTheWholeName() {
    frmMain w;
    frmoption& o = *w.options();
    w.ShowOptions();
    o.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&o));
    o.chkfuncone->setChecked(true);
    o.textfuncname->setFocus();
    QCOMPARE(o.textfuncname->selectedText(), kPlaceholder);
    QTRY_COMPARE(o.textfuncname->selectedText(), kPlaceholder);
    // Also when a click gives it the focus.
    o.chkall->setFocus();
    o.textfuncname->setText("abc");
    QTest::mouseClick(o.textfuncname, Qt::LeftButton);
    QTRY_COMPARE(o.textfuncname->selectedText(), QString("abc"));
  }

  // ---- zelta.ini ----

  void iniDialogWritesTheFourLines() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    w.ShowIniDialog();
    frmini& d = *w.iniDialog();
    QCOMPARE(d.windowTitle(), QString("zelta.iniファイルへ書き込み"));
    QCOMPARE(d.Label3->text(), QString("インクルードファイルのパス"));
    QCOMPARE(d.Command1->text(), QString("OK"));
    QCOMPARE(d.Command2->text(), QString("キャンセル"));
    QCOMPARE(d.txtinclude->geometry(), QRect(16, 112, 417, 25));
    QVERIFY(d.txtinclude->text().isEmpty());
    QVERIFY(d.OK());
    QCOMPARE(fetest::readBytes(p("zelta.ini")), fetest::defaultIni());
    QVERIFY(!d.isVisible());

    w.ShowIniDialog();
    d.txtinclude->setText("/usr/my include/日本語");
    QVERIFY(d.OK());
    QCOMPARE(fetest::readBytes(p("zelta.ini")),
             QByteArray(";\x83\x49\x83\x76\x83\x56\x83\x87\x83\x93\x82\xf0\x8e\x77\x92\xe8\x82\xb7\x82\xe9\r\n"
                        "opt=\r\n"
                        ";include(\x83\x43\x83\x93\x83\x4e\x83\x8b\x81\x5b\x83\x68\x83\x74\x83\x40\x83\x43\x83\x8b)\x82\xcc\x83\x70\x83\x58\r\n"
                        "include_path=/usr/my include/\x93\xfa\x96\x7b\x8c\xea\r\n"));
    // Reopened, it shows what it wrote.
    w.ShowIniDialog();
    QCOMPARE(d.txtinclude->text(), QString("/usr/my include/日本語"));
  }

  void iniDialogShowsTheLastIncludePath() {
    fetest::CwdGuard cwd(root_);
    QVERIFY(fetest::writeBytes(p("zelta.ini"),
                               fetest::sjCrlf(";c\nopt=-a\ninclude_path=/first\n ;x\ninclude_path=/最後\nINCLUDE_PATH=/no\n")));
    frmMain w;
    w.ShowIniDialog();
    QCOMPARE(w.iniDialog()->txtinclude->text(), QString("/最後"));
    // Line feeds alone, and a last line without one, read the same.
    w.iniDialog()->Cancel();
    QVERIFY(fetest::writeBytes(p("zelta.ini"), "include_path=/a\ninclude_path=/b"));
    w.ShowIniDialog();
    QCOMPARE(w.iniDialog()->txtinclude->text(), QString("/b"));
  }

  void iniCancelAndFailuresLeaveTheFileAlone() {
    fetest::CwdGuard cwd(root_);
    const QByteArray old = fetest::sjCrlf("opt=\ninclude_path=/old\n");
    QVERIFY(fetest::writeBytes(p("zelta.ini"), old));
    frmMain w;
    w.ShowIniDialog();
    frmini& d = *w.iniDialog();
    QScopedPointer<QList<Box>> boxes(recordBoxes(d));
    d.txtinclude->setText("/new");
    QTest::keyClick(d.txtinclude, Qt::Key_Escape);
    QVERIFY(!d.isVisible());
    QCOMPARE(fetest::readBytes(p("zelta.ini")), old);

    // A character CP932 cannot hold: told, nothing written, dialog kept.
    w.ShowIniDialog();
    d.txtinclude->setText("/한국");
    QVERIFY(!d.OK());
    QCOMPARE(boxes->size(), 1);
    QCOMPARE(boxes->at(0).title, QString("エラー"));
    QVERIFY(d.isVisible());
    QCOMPARE(fetest::readBytes(p("zelta.ini")), old);

    // A file that cannot be written: told, the old one stays.
    QVERIFY(QFile::remove(p("zelta.ini")));
    QVERIFY(QDir().mkdir(p("zelta.ini")));
    d.txtinclude->setText("/x");
    QVERIFY(!d.OK());
    QCOMPARE(boxes->size(), 2);
    QVERIFY(QFileInfo(p("zelta.ini")).isDir());

    // Enter runs OK.
    QVERIFY(QDir().rmdir(p("zelta.ini")));
    w.ShowIniDialog();
    d.txtinclude->setFocus();
    QTest::keyClick(d.txtinclude, Qt::Key_Return);
    QVERIFY(!d.isVisible());
    QVERIFY(QFile::exists(p("zelta.ini")));
  }

  // ---- saving ----

  void saveAsNameRules() {
    if (root_.contains('.')) QSKIP("the scratch folder's path holds a dot");
    QVERIFY(QDir().mkpath(p("out")));
    QVERIFY(QDir().mkpath(p("my.docs")));
    frmMain w;
    ui::RichTextBox1(w)->setPlainText("1 main\n2 　├f\n");
    QString answer;
    QStringList asked;
    w.saveFileDialog = [&](QWidget*, const QString& title, const QString& filter) {
      asked << title << filter;
      return answer;
    };
    answer = p("out/result");
    w.SaveAs();
    QCOMPARE(asked, QStringList({"名前をつけて保存", "テキストファイル(*.txt)"}));
    QCOMPARE(w.savefile, p("out/result.txt"));
    QCOMPARE(fetest::readBytes(p("out/result.txt")),
             QByteArray("1 main\r\n2 \x81\x40\x84\xa5" "f\r\n"));
    answer = p("my.docs/result");
    w.SaveAs();
    QCOMPARE(w.savefile, p("my.docs/result"));
    QVERIFY(QFile::exists(p("my.docs/result")));
    // Cancelled: nothing changes.
    answer.clear();
    w.SaveAs();
    QCOMPARE(w.savefile, p("my.docs/result"));
  }

  void saveReusesTheNameAfterAClear() {
    frmMain w;
    int asked = 0;
    w.saveFileDialog = [&](QWidget*, const QString&, const QString&) {
      ++asked;
      return QString();  // cancelled
    };
    ui::RichTextBox1(w)->setPlainText("first\n");
    w.Save();  // no name yet: asks, cancelled, nothing saved
    QCOMPARE(asked, 1);
    QVERIFY(w.savefile.isEmpty());
    w.saveFileDialog = [&](QWidget*, const QString&, const QString&) {
      ++asked;
      return p("keep.txt");
    };
    w.Save();
    QCOMPARE(asked, 2);
    QCOMPARE(fetest::readBytes(p("keep.txt")), QByteArray("first\r\n"));
    w.ClearAll();
    ui::RichTextBox1(w)->setPlainText("second │\n");
    w.Save();
    QCOMPARE(asked, 2);
    QCOMPARE(w.savefile, p("keep.txt"));
    QCOMPARE(fetest::readBytes(p("keep.txt")), QByteArray("second \x84\xa0\r\n"));
  }

  void failedSaveIsReported() {
    frmMain w;
    QScopedPointer<QList<Box>> boxes(recordBoxes(w));
    QVERIFY(QDir().mkpath(p("adir.txt")));
    w.saveFileDialog = [&](QWidget*, const QString&, const QString&) { return p("adir.txt"); };
    ui::RichTextBox1(w)->setPlainText("x\n");
    w.SaveAs();
    QCOMPARE(boxes->size(), 1);
    QVERIFY(boxes->at(0).text.contains(p("adir.txt")));
    QVERIFY(QFileInfo(p("adir.txt")).isDir());
  }

  // ---- printing ----

  void printSelectionAndWholeText() {
    frmMain w;
    const QString tree = "1 main\n2 　├alpha\n3 　└beta\n";
    ui::RichTextBox1(w)->setPlainText(tree);
    int shown = 0;
    bool offeredSelection = false;
    QString pdf;
    w.printDialog = [&](QWidget*, QPrinter* printer, bool selection) {
      ++shown;
      offeredSelection = selection;
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(pdf);
      return true;
    };
    // The whole text without a selection.
    pdf = p("all.pdf");
    w.Print();
    QCOMPARE(shown, 1);
    QVERIFY(!offeredSelection);
    QCOMPARE(w.lastPrintedText(), tree);
    QVERIFY(QFileInfo(pdf).size() > 0);
    const bool havePdfText = !QStandardPaths::findExecutable("pdftotext").isEmpty();
    if (havePdfText) {
      const QString text = pdfText(pdf);
      QVERIFY2(text.contains("main") && text.contains("alpha") && text.contains("beta"), qPrintable(text));
      QVERIFY(text.contains("├"));
    }

    // Only the selection when there is one: the last two lines.
    ui::RichTextBox1(w)->setSelection({1, 0}, {2, int(QString("3 　└beta").size())});
    pdf = p("sel.pdf");
    w.Print();
    QCOMPARE(shown, 2);
    QVERIFY(offeredSelection);
    QCOMPARE(w.lastPrintedText(), QString("2 　├alpha\n3 　└beta"));
    if (havePdfText) {
      const QString text = pdfText(pdf);
      QVERIFY2(text.contains("alpha") && text.contains("beta"), qPrintable(text));
      QVERIFY2(!text.contains("main"), qPrintable(text));
    } else {
      qWarning("pdftotext is missing: the PDF's text was not read back");
    }
  }

  void printNothingOrCancelled() {
    frmMain w;
    int shown = 0;
    w.printDialog = [&](QWidget*, QPrinter* printer, bool) {
      ++shown;
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(p("never.pdf"));
      return false;
    };
    w.Print();  // empty view: no dialog
    QCOMPARE(shown, 0);
    ui::RichTextBox1(w)->setPlainText("x\n");
    w.Print();  // cancelled
    QCOMPARE(shown, 1);
    QVERIFY(!QFile::exists(p("never.pdf")));
    QVERIFY(w.lastPrintedText().isEmpty());
  }

  // ---- version ----

  void versionDialog() {
    frmMain w;
    QString title, version, description, l1, lblTitle, l2, ok;
    QSize size;
    QWidget* owner = nullptr;
    bool modal = false;
    w.runModal = [&](QDialog* d) {
      auto* a = qobject_cast<frmAbout*>(d);
      if (!a) return 0;
      title = a->windowTitle();
      version = a->lblVersion->text();
      description = a->lblDescription->text();
      l1 = a->Label1->text();
      owner = a->parentWidget();
      modal = a->isModal();
      lblTitle = a->lblTitle->text();
      l2 = a->Label2->text();
      ok = a->cmdOK->text();
      size = a->size();
      return 1;
    };
    ui::mnuHelpAbout(w)->trigger();
    QCOMPARE(title, QString("ﾊﾞｰｼﾞｮﾝ情報 zelta"));
    QCOMPARE(version, QString("ﾊﾞｰｼﾞｮﾝ %1").arg(zelta::kVersionText));
    QCOMPARE(description, QString("ｱﾌﾟﾘｹｰｼｮﾝの説明"));
    QCOMPARE(l1, QString("関数の階層構造をツリー表示します"));
    QCOMPARE(owner, static_cast<QWidget*>(&w));
    QVERIFY(modal);
    QCOMPARE(lblTitle, QString("zelta"));
    QVERIFY(!l2.isEmpty());
    QCOMPARE(ok, QString("OK"));
    QCOMPARE(size, QSize(277, 171));

    // Enter and Esc both close it.
    for (Qt::Key k : {Qt::Key_Return, Qt::Key_Escape}) {
      frmAbout a(&w);
      a.show();
      QVERIFY(QTest::qWaitForWindowExposed(&a));
      QTest::keyClick(&a, k);
      QVERIFY(!a.isVisible());
    }
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
