// The main window: captions, menus, keys, layout, placement memory, the
// clear command and the analysis run with its outcome.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QTest>
#include <QProgressBar>
#include <QTimer>
#include <QToolBar>

#include "fe_test_util.h"
#include "frm_console.h"
#include "frm_ini.h"
#include "frm_main.h"
#include "frm_option.h"
#include "settings_store.h"

using namespace zelta::fe;

namespace {
using fetest::messages;
QString setting(const QString& key) { return GetSetting("Settings", key, "<none>"); }
}  // namespace

class MainWindowTest : public fetest::Fixture {
  Q_OBJECT

  // A scratch working folder with a settings file, a stand-in analyser and
  // two sources, one of them in a folder with a blank in its name.
  void prepareRun(frmMain& w) {
    QVERIFY(fetest::writeBytes(p("zelta.ini"), fetest::defaultIni()));
    fetest::writeFakeAnalyser(root_);
    QVERIFY(fetest::makeFile(p("my src/a.c")));
    QVERIFY(fetest::makeFile(p("b.h")));
    w.Drop({p("my src/a.c"), p("b.h")});
  }
  QStringList analyserWords() { return fetest::lines(fetest::readBytes(p("args.txt"))); }

 private slots:
  void captionsMenusAndToolbar() {
    frmMain w;
    QCOMPARE(w.windowTitle(), QString("zelta"));
    QCOMPARE(w.Label1->text(), QString("< 解析対象のファイル >"));
    QCOMPARE(w.Label2->text(), QString("< 解析結果 >"));
    QCOMPARE(w.Label3->text(), QString("< メッセージ >"));
    // With 表示 for the result's navigation and 解析, open during a run for its stop.
    QCOMPARE(w.menuBar()->actions().size(), 5);
    QCOMPARE(w.mnuAnalysis->actions(), QList<QAction*>({w.actRun, w.actStop}));
    QCOMPARE(w.actStop->shortcut(), QKeySequence(Qt::Key_Escape));
    QCOMPARE(w.mnuFile->title(), QString("ﾌｧｲﾙ(&F)"));
    QCOMPARE(w.mnuTools->title(), QString("ﾂｰﾙ(&T)"));
    QCOMPARE(w.mnuHelp->title(), QString("ﾍﾙﾌﾟ(&H)"));
    struct Entry {
      QAction* a;
      const char* text;
      QKeySequence key;
    } entries[] = {
        {w.mnuFileSave, "上書き保存(&S)", QKeySequence("Ctrl+S")},
        {w.mnuFileSaveAs, "名前を付けて保存(&D)...", QKeySequence("Ctrl+D")},
        {w.mnuFilePrint, "印刷(&P)...", QKeySequence("Ctrl+P")},
        {w.mnuFileExit, "終了(&X)", QKeySequence()},
        {w.mnuiniwrite, "zelta.iniファイルの書き込み(&I)", QKeySequence("Ctrl+I")},
        {w.mnuToolsOptions, "ｵﾌﾟｼｮﾝ(&O)...", QKeySequence("Ctrl+O")},
        {w.mnuHelpAbout, "ﾊﾞｰｼﾞｮﾝ情報(&A)", QKeySequence()},
    };
    for (const Entry& e : entries) {
      QCOMPARE(e.a->text(), QString::fromUtf8(e.text));
      QCOMPARE(e.a->shortcut(), e.key);
    }
    const QList<QAction*> file = w.mnuFile->actions();
    QCOMPARE(file.size(), 7);
    QVERIFY(file.at(2)->isSeparator());
    QCOMPARE(file.at(4)->text(), QString("グラフをエクスポート(&G)..."));  // beside printing: the other picture
    QVERIFY(file.at(5)->isSeparator());
    QCOMPARE(w.mnuTools->actions(), QList<QAction*>({w.mnuiniwrite, w.mnuToolsOptions}));
    QCOMPARE(w.mnuHelp->actions(), QList<QAction*>({w.mnuHelpAbout}));

    QCOMPARE(w.tbToolBar->actions().size(), 3);
    QCOMPARE(w.tbStop->data().toString(), QString("中止"));
    QVERIFY(!w.tbStop->isEnabled() && !w.actStop->isEnabled());  // nothing to stop
    QCOMPARE(w.tbToolBar->iconSize(), QSize(48, 48));
    QCOMPARE(w.tbAnalyse->data().toString(), QString("解析"));
    QCOMPARE(w.tbClear->data().toString(), QString("クリア"));
    for (QAction* a : w.tbToolBar->actions()) {
      QVERIFY(a->text().isEmpty());
      QVERIFY(a->toolTip().isEmpty());
      QCOMPARE(a->icon().availableSizes().value(0), QSize(48, 48));
    }
    QVERIFY(!w.TreeView2->isVisibleTo(&w));
    QVERIFY(w.RichTextBox1->isReadOnly());
    QCOMPARE(w.RichTextBox1->font().fixedPitch(), true);
  }

  void tabOrder() {
    frmMain w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.TreeView1->setFocus();
    QTest::keyClick(w.TreeView1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.RichTextBox1));
    QTest::keyClick(w.RichTextBox1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.listerr));
    QTest::keyClick(w.listerr, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.TreeView1));
  }

  void layoutAtTheDefaultSize() {
    frmMain w;
    QCOMPARE(w.frameGeometry(), QRect(67, 67, 663, 572));  // 1000, 1000, 9945, 8580 twips
    QCOMPARE(w.TreeView1->geometry(), QRect(0, 80, 145, 432));
    QCOMPARE(w.RichTextBox1->geometry(), QRect(152, 80, 498, 312));
    QCOMPARE(w.Label3->geometry().topLeft(), QPoint(152, 399));
    QCOMPARE(w.listerr->geometry(), QRect(152, 419, 498, 88));
    QCOMPARE(w.Label1->geometry(), QRect(0, 64, 145, 17));
    QCOMPARE(w.Label2->geometry(), QRect(152, 64, 169, 17));
    QCOMPARE(w.tbToolBar->geometry().height(), 60);
    // Shown with a frame, the outer size is still the stored one.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(w.frameGeometry().size(), QSize(663, 572));
    QTRY_COMPARE(w.TreeView1->height(), 432);
  }

  void layoutFollowsTheWindow() {
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Outer size, frame included: 12000 x 9000 twips.
    const QSize frame = w.frameGeometry().size() - w.geometry().size();
    w.resize(QSize(800, 600) - frame);
    QCOMPARE(w.frameGeometry().size(), QSize(800, 600));
    QCOMPARE(w.TreeView1->geometry(), QRect(0, 80, 145, 460));
    QCOMPARE(w.RichTextBox1->geometry(), QRect(152, 80, 635, 340));
    QCOMPARE(w.Label3->geometry().top(), 427);
    QCOMPARE(w.listerr->geometry(), QRect(152, 447, 635, 88));
    QCOMPARE(w.tbToolBar->width(), w.client->width());
    // Too low for the result view's rule: its height stays.
    w.resize(QSize(800, 250) - frame);
    QCOMPARE(w.RichTextBox1->height(), 340);
    QCOMPARE(w.TreeView1->height(), 110);  // 250 * 15 - 1200 - 900 twips
  }

  void placementSavedAndRestored() {
    {
      frmMain w;
      w.close();
    }
    QCOMPARE(setting("MainLeft"), QString("1000"));
    QCOMPARE(setting("MainTop"), QString("1000"));
    QCOMPARE(setting("MainWidth"), QString("9945"));
    QCOMPARE(setting("MainHeight"), QString("8580"));
    {
      frmMain w;
      w.move(100, 120);
      w.resize(700, 500);
      w.close();
    }
    QCOMPARE(setting("MainLeft"), QString("1500"));
    QCOMPARE(setting("MainTop"), QString("1800"));
    QCOMPARE(setting("MainWidth"), QString("10500"));
    QCOMPARE(setting("MainHeight"), QString("7500"));
    {
      frmMain w;
      QCOMPARE(w.frameGeometry(), QRect(100, 120, 700, 500));
      // Minimised: the stored placement stays as it was.
      w.move(300, 300);
      w.setWindowState(Qt::WindowMinimized);
      w.close();
    }
    QCOMPARE(setting("MainLeft"), QString("1500"));
    QCOMPARE(setting("MainWidth"), QString("10500"));
    // A small size is used as stored.
    SaveSetting("Settings", "MainWidth", "1200");
    SaveSetting("Settings", "MainHeight", "1395");
    {
      frmMain w;
      QCOMPARE(w.frameGeometry(), QRect(100, 120, 80, 93));
    }
    // A value that is no number falls back to its default.
    SaveSetting("Settings", "MainLeft", "abc");
    SaveSetting("Settings", "MainWidth", "-1");
    frmMain w;
    QCOMPARE(w.frameGeometry(), QRect(67, 120, 663, 572));
  }

  void clearAll() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    prepareRun(w);
    w.savefile = "/somewhere/result.txt";
    w.RichTextBox1->setPlainText("tree");
    w.argline = "x";
    w.AppendMessage("m");
    w.ButtonClick("クリア");
    QCOMPARE(w.inputNames().size(), 3);  // the prompt
    QVERIFY(w.inputPaths().isEmpty());
    QCOMPARE(w.dropcount, short(0));
    QVERIFY(w.RichTextBox1->toPlainText().isEmpty());
    QVERIFY(w.argline.isEmpty());
    QCOMPARE(w.listerr->count(), 0);
    QCOMPARE(w.savefile, QString("/somewhere/result.txt"));
    w.ButtonClick("他");  // any other key does nothing
    QCOMPARE(w.inputNames().size(), 3);
  }

  void keysF3AndF5() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    // Right after start-up F3 starts nothing, prompt or not.
    QTest::keyClick(w.RichTextBox1, Qt::Key_F3);
    QCOMPARE(w.listerr->count(), 0);
    QVERIFY(!QFile::exists(p("args.txt")));
    prepareRun(w);
    QTest::keyClick(w.listerr, Qt::Key_F3);
    QCOMPARE(messages(w).first(), QString("解析中・・・"));
    QTRY_VERIFY(!w.isRunning());
    QVERIFY(QFile::exists(p("args.txt")));
    QTest::keyClick(w.TreeView1, Qt::Key_F5);
    QCOMPARE(w.listerr->count(), 0);
    QCOMPARE(w.dropcount, short(0));
  }

  void ctrlShortcutsReachTheMenus() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    int saveAsked = 0, printAsked = 0;
    w.saveFileDialog = [&](QWidget*, const QString&, const QString&) {
      ++saveAsked;
      return QString();
    };
    w.printDialog = [&](QWidget*, QPrinter*, bool) {
      ++printAsked;
      return false;
    };
    w.RichTextBox1->setPlainText("1 main\n");
    w.RichTextBox1->setFocus();
    QTest::keyClick(w.RichTextBox1, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(saveAsked, 1);
    QTest::keyClick(w.RichTextBox1, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(saveAsked, 2);
    QTest::keyClick(w.RichTextBox1, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(printAsked, 1);
    QTest::keyClick(w.RichTextBox1, Qt::Key_O, Qt::ControlModifier);
    QVERIFY(w.options->isVisible());
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(w.TreeView1, Qt::Key_I, Qt::ControlModifier);
    QVERIFY(w.iniDialog && w.iniDialog->isVisible());
  }

  void missingIniAsksForIt() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    prepareRun(w);
    QVERIFY(QFile::remove(p("zelta.ini")));
    w.AppendMessage("earlier");
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(messages(w), QStringList({"earlier", "zelta.iniファイルが見つかりません",
                                       "zelta.iniファイルを作成します"}));
    QVERIFY(w.iniDialog && w.iniDialog->isVisible());
    QVERIFY(!QFile::exists(p("args.txt")));
    QVERIFY(w.argline.isEmpty());
    // Writing the file from the dialog lets the next run start.
    QVERIFY(w.iniDialog->OK());
    QVERIFY(!w.iniDialog->isVisible());
    QVERIFY(fetest::runToEnd(w));
    QVERIFY(QFile::exists(p("args.txt")));
  }

  void successfulRunShowsTheTree() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    prepareRun(w);
    const QString tree = "1 main\n2 　├f\n3 　└g:Stdfunc\n";
    QVERIFY(fetest::writeBytes(p("fake_tree.txt"), fetest::sjCrlf(tree)));
    w.options->optall = 1;
    w.options->optfilename = 1;
    w.ButtonClick("解析");
    QTRY_VERIFY(!w.isRunning());
    QCOMPARE(w.argline, " -a -v \"" + p("my src/a.c") + "\" \"" + p("b.h") + "\"");
    // tree.json is always asked for, after the chosen switches.
    QCOMPARE(analyserWords(), QStringList({"-a", "-v", "-j", p("my src/a.c"), p("b.h")}));
    QCOMPARE(messages(w), QStringList({"解析中・・・", "解析結果を表示してます", "正常に終了しました"}));
    QCOMPARE(w.RichTextBox1->toPlainText(), tree);
    QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.RichTextBox1));
    QVERIFY(w.mnuFile->isEnabled() && w.mnuTools->isEnabled() && w.mnuHelp->isEnabled());
    QVERIFY(!w.console || !w.console->isVisible());  // unseen without the debug option
  }

  void debugRunKeepsItsLogAndStillShowsTheTree() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    prepareRun(w);
    QVERIFY(fetest::writeBytes(p("fake_tree.txt"), fetest::sjCrlf("1 main\n")));
    QVERIFY(fetest::writeBytes(p("fake_err.txt"), fetest::sjCrlf("実行結果にかかった時間:0.010秒\n")));
    w.options->optdebug = 1;
    w.options->optfuncone = 1;
    w.options->funcname = "main";
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(analyserWords().mid(0, 4), QStringList({"-d", "-w", "-f", "main"}));
    QCOMPARE(messages(w), QStringList({"解析中・・・", "実行結果にかかった時間:0.010秒",
                                       "解析結果を表示してます", "正常に終了しました"}));
    QCOMPARE(w.RichTextBox1->toPlainText(), QString("1 main\n"));
    // The analyser's output is shown to the user.
    QVERIFY(w.console && w.console->isVisible());
    QVERIFY(w.console->text().contains("fake analyser speaking"));
  }

  void failedRunShowsTheLog() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    prepareRun(w);
    QVERIFY(fetest::writeBytes(p("fake_tree.txt"), fetest::sjCrlf("old tree\n")));
    QVERIFY(fetest::writeBytes(p("fake_err.txt"), fetest::sjCrlf("エラー : -3\n\nもう一行\n")));
    QVERIFY(fetest::writeBytes(p("fake_status"), "0"));
    w.RichTextBox1->setPlainText("previous");
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(messages(w),
             QStringList({"解析中・・・", "エラー : -3", "", "もう一行", "異常終了しました"}));
    QVERIFY(w.RichTextBox1->toPlainText().isEmpty());
    QVERIFY(w.mnuFile->isEnabled());

    // An empty log: the failure line alone.
    QVERIFY(fetest::writeBytes(p("fake_err.txt"), ""));
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(messages(w), QStringList({"解析中・・・", "異常終了しました"}));
  }

  void exitStatusDecidesTheOutcome_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<bool>("withLog");
    QTest::addColumn<bool>("withTree");
    QTest::addColumn<QStringList>("expected");
    const QString run = "解析中・・・", bad = "異常終了しました";
    QTest::newRow("status 0 without log") << QByteArray("0") << false << true << QStringList({run, bad});
    QTest::newRow("status 2") << QByteArray("2") << false << true << QStringList({run, bad});
    QTest::newRow("died") << QByteArray("crash") << false << true << QStringList({run, bad});
    QTest::newRow("status 1, empty log") << QByteArray("1") << true << true
                                         << QStringList({run, "解析結果を表示してます", "正常に終了しました"});
    QTest::newRow("status 1, no tree") << QByteArray("1") << false << false
                                       << QStringList({run, "解析結果を表示してます",
                                                       "tree.txtファイルを読み込めませんでした"});
  }
  void exitStatusDecidesTheOutcome() {
    QFETCH(QByteArray, status);
    QFETCH(bool, withLog);
    QFETCH(bool, withTree);
    QFETCH(QStringList, expected);
    fetest::CwdGuard cwd(root_);
    frmMain w;
    prepareRun(w);
    QVERIFY(fetest::writeBytes(p("fake_status"), status));
    if (withLog) QVERIFY(fetest::writeBytes(p("fake_err.txt"), ""));
    if (withTree) QVERIFY(fetest::writeBytes(p("fake_tree.txt"), "1 main\r\n"));
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(messages(w), expected);
    QVERIFY(w.mnuFile->isEnabled() && w.mnuTools->isEnabled() && w.mnuHelp->isEnabled());
  }

  void analyserThatCannotStart() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    prepareRun(w);
    QVERIFY(QFile::remove(p("conzelta")));
    QVERIFY(fetest::runToEnd(w));
    // The system's reason, then the failure.
    QCOMPARE(messages(w), QStringList({"解析中・・・", "./conzeltaを起動できませんでした（execvp: No such file or directory）",
                                       "異常終了しました"}));
    QVERIFY(w.mnuFile->isEnabled());
  }

  // A stand-in that announces a file a tenth of a second and never ends.
  void writeEndlessAnalyser() {
    const QString path = p("conzelta");
    QVERIFY(fetest::writeBytes(path,
                               "#!/bin/sh\n: > zelta_err.txt\nprintf '%s\\n' \"$@\" > args.txt\nrm -f tree.txt\n"
                               "printf 'half' > tree.txt\n"
                               "while :; do printf '\\343\\203\\225\\343\\202\\241\\343\\202\\244\\343\\203\\253:a.c"
                               "\\343\\202\\222\\350\\247\\243\\346\\236\\220\\344\\270\\255...\\n'; sleep 0.1; done\n"));
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
  }

  // While it runs: the menus are off but 解析, progress moves, the list and
  // the window's events go on; 中止 (button, Esc, menu) ends it at once,
  // and the half-written tree.txt is gone.
  void aRunShowsItsProgressAndStops_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("button") << 0;
    QTest::newRow("Esc") << 1;
    QTest::newRow("menu") << 2;
  }
  void aRunShowsItsProgressAndStops() {
    QFETCH(int, how);
    fetest::CwdGuard cwd(root_);
    frmMain w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    prepareRun(w);
    writeEndlessAnalyser();
    QVERIFY(fetest::writeBytes(p("zelta_err.txt"), "old log"));
    w.RunAnalysis();
    QVERIFY(w.isRunning());
    QVERIFY(!w.mnuFile->isEnabled() && !w.mnuTools->isEnabled() && !w.mnuHelp->isEnabled());
    QVERIFY(w.mnuAnalysis->isEnabled() && w.actStop->isEnabled() && w.tbStop->isEnabled() && !w.actRun->isEnabled());
    QTRY_VERIFY(w.runner()->filesDone() >= 2);
    QVERIFY(w.runProgress->isVisible());
    QCOMPARE(w.runProgress->maximum(), 1);  // a.c of a.c and b.h
    QVERIFY(w.runProgressText->text().contains("ファイル"));
    QFile::remove(p("args.txt"));
    w.RunAnalysis();  // nothing else starts meanwhile
    w.ClearAll();
    QVERIFY(!QFile::exists(p("args.txt")));
    QCOMPARE(w.inputPaths().size(), 2);
    if (how == 0)
      w.ButtonClick("中止");
    else if (how == 1)
      QTest::keyClick(w.RichTextBox1, Qt::Key_Escape);
    else
      w.actStop->trigger();
    QVERIFY(!w.isRunning());
    QVERIFY(!w.runner()->isRunning());
    QVERIFY(!w.runProgress->isVisible());
    QCOMPARE(messages(w), QStringList({"解析中・・・", "解析を中止しました",
                                       "書きかけのファイルを削除しました（tree.txt、zelta_err.txt）"}));
    QVERIFY(!QFile::exists(p("tree.txt")) && !QFile::exists(p("zelta_err.txt")));
    QVERIFY(w.RichTextBox1->toPlainText().isEmpty());
    QVERIFY(w.mnuFile->isEnabled() && w.mnuTools->isEnabled() && !w.actStop->isEnabled());
    w.Drop({p("b.h")});  // the list takes drops again at once
    QCOMPARE(w.inputPaths().size(), 3);
  }

  void closingDuringARunAsksAndStopsIt() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    w.show();
    prepareRun(w);
    writeEndlessAnalyser();
    int asked = 0;
    bool answer = false;
    w.askYesNo = [&](QWidget*, const QString&, const QString& text) {
      ++asked;
      return text.contains("中止") && answer;
    };
    w.RunAnalysis();
    QTRY_VERIFY(w.runner()->filesDone() >= 1);
    QVERIFY(!w.close());  // "no": the run goes on
    QCOMPARE(asked, 1);
    QVERIFY(w.runner()->isRunning());
    answer = true;
    QVERIFY(w.close());
    QCOMPARE(asked, 2);
    QVERIFY(!w.runner()->isRunning());
    QVERIFY(!QFile::exists(p("tree.txt")));
  }

  // Paths past the system's limit for a command line go through a list
  // file in the working folder, removed after the run.
  void aLongListGoesThroughAFile() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    prepareRun(w);
    QStringList many;
    const QString dir = p(QString(200, 'd'));
    for (int i = 0; i < 12000; ++i) many << dir + QStringLiteral("/f%1.c").arg(i);
    w.Drop(many);
    QVERIFY(w.inputPaths().join(' ').toUtf8().size() > 2 * 1024 * 1024);
    QVERIFY(fetest::runToEnd(w));
    const QStringList words = analyserWords();
    QCOMPARE(words.size(), 2);
    QCOMPARE(words.first(), QString("-j"));
    QVERIFY(words.last().startsWith("@zelta_list_"));
    QVERIFY(!QFile::exists(p(words.last().mid(1))));
    QCOMPARE(fetest::lines(fetest::readBytes(p("listed.txt"))), w.inputPaths());
    QCOMPARE(messages(w).first(), QString("解析中・・・"));
    QVERIFY(!messages(w).contains("異常終了しました"));
  }

  void realAnalyserFailingOnABrokenSettingsFile() {
    fetest::CwdGuard cwd(root_);
    QVERIFY(QFile::copy(CONZELTA_PATH, p("conzelta")));
    QVERIFY(fetest::writeBytes(p("zelta.ini"), "opt=\r\n"));
    QVERIFY(fetest::makeFile(p("a.c")));
    frmMain w;
    w.Drop({p("a.c")});
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(messages(w), QStringList({"解析中・・・", "zelta.iniファイルが壊れてます",
                                       "zelta.iniファイルを一度削除してください", "異常終了しました"}));
  }

  void realAnalyserShowsTheTree() {
    fetest::CwdGuard cwd(root_);
    QVERIFY(QFile::copy(CONZELTA_PATH, p("conzelta")));
    QVERIFY(fetest::writeBytes(p("zelta.ini"), fetest::defaultIni()));
    QVERIFY(QDir().mkpath(p("src dir")));
    QVERIFY(fetest::writeBytes(p("src dir/main.c"),
                               "int sub(void) { return 1; }\nint main(void) { return sub(); }\n"));
    frmMain w;
    w.Drop({p("src dir")});
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(messages(w), QStringList({"解析中・・・", "解析結果を表示してます", "正常に終了しました"}));
    const QString tree = w.RichTextBox1->toPlainText();
    QCOMPARE(tree, decodeText(fetest::readBytes(p("tree.txt"))));
    QVERIFY(tree.contains("main"));
    QVERIFY(tree.contains("sub"));
    QVERIFY(!QFile::exists(p("zelta_err.txt")));
  }

  void realAnalyserDebugRunKeepsItsLogAndShowsTheTree() {
    fetest::CwdGuard cwd(root_);
    QVERIFY(QFile::copy(CONZELTA_PATH, p("conzelta")));
    QVERIFY(fetest::writeBytes(p("zelta.ini"), fetest::defaultIni()));
    QVERIFY(fetest::writeBytes(p("m.c"), "int leaf(void) { return 1; }\nint main(void) { return leaf(); }\n"));
    frmMain w;
    w.options->optdebug = 1;
    w.Drop({p("m.c")});
    QVERIFY(fetest::runToEnd(w));
    QVERIFY(QFile::exists(p("zelta_err.txt")));  // kept under -w
    QCOMPARE(messages(w).first(), QString("解析中・・・"));
    QCOMPARE(messages(w).mid(messages(w).size() - 2),
             QStringList({"解析結果を表示してます", "正常に終了しました"}));
    QVERIFY(w.RichTextBox1->toPlainText().contains("leaf"));
    QVERIFY(w.console && !w.console->text().isEmpty());
  }

  void shutdownClosesTheOtherForms() {
    frmMain w;
    w.show();
    w.ShowOptions();
    w.ShowIniDialog();
    QVERIFY(w.options->isVisible() && w.iniDialog->isVisible());
    QVERIFY(w.close());
    QVERIFY(!w.options->isVisible());
    QVERIFY(!w.iniDialog->isVisible());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
