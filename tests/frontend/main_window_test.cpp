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
    QCOMPARE(ui::Label1(w)->text(), QString("< 解析対象のファイル >"));
    QCOMPARE(ui::Label2(w)->text(), QString("< 解析結果 >"));
    QCOMPARE(ui::Label3(w)->text(), QString("< メッセージ >"));
    // With 表示 for the result's navigation and 解析, open during a run for its stop.
    QCOMPARE(w.menuBar()->actions().size(), 5);
    QCOMPARE(ui::mnuAnalysis(w)->actions(), QList<QAction*>({ui::actRun(w), ui::actStop(w)}));
    QCOMPARE(ui::actStop(w)->shortcut(), QKeySequence(Qt::Key_Escape));
    QCOMPARE(ui::mnuFile(w)->title(), QString("ﾌｧｲﾙ(&F)"));
    QCOMPARE(ui::mnuTools(w)->title(), QString("ﾂｰﾙ(&T)"));
    QCOMPARE(ui::mnuHelp(w)->title(), QString("ﾍﾙﾌﾟ(&H)"));
    struct Entry {
      QAction* a;
      const char* text;
      QKeySequence key;
    } entries[] = {
        {ui::mnuFileSave(w), "上書き保存(&S)", QKeySequence("Ctrl+S")},
        {ui::mnuFileSaveAs(w), "名前を付けて保存(&D)...", QKeySequence("Ctrl+D")},
        {ui::mnuFilePrint(w), "印刷(&P)...", QKeySequence("Ctrl+P")},
        {ui::mnuFileExit(w), "終了(&X)", QKeySequence()},
        {ui::mnuiniwrite(w), "zelta.iniファイルの書き込み(&I)", QKeySequence("Ctrl+I")},
        {ui::mnuToolsOptions(w), "ｵﾌﾟｼｮﾝ(&O)...", QKeySequence("Ctrl+O")},
        {ui::mnuHelpAbout(w), "ﾊﾞｰｼﾞｮﾝ情報(&A)", QKeySequence()},
    };
    for (const Entry& e : entries) {
      QCOMPARE(e.a->text(), QString::fromUtf8(e.text));
      QCOMPARE(e.a->shortcut(), e.key);
    }
    // Opening a saved result and the recent ones come first, apart.
    const QList<QAction*> file = ui::mnuFile(w)->actions().mid(3);
    QCOMPARE(ui::mnuFile(w)->actions().at(0)->text(), QString("開く(&O)..."));
    QVERIFY(ui::mnuFile(w)->actions().at(2)->isSeparator());
    QCOMPARE(file.size(), 7);
    QVERIFY(file.at(2)->isSeparator());
    QCOMPARE(file.at(4)->text(), QString("グラフをエクスポート(&G)..."));  // beside printing: the other picture
    QVERIFY(file.at(5)->isSeparator());
    QCOMPARE(ui::mnuTools(w)->actions().mid(0, 2), QList<QAction*>({ui::mnuiniwrite(w), ui::mnuToolsOptions(w)}));
    QCOMPARE(ui::mnuTools(w)->actions().at(2)->text(), QString("エディタの設定(&E)..."));
    QCOMPARE(ui::mnuHelp(w)->actions(), QList<QAction*>({ui::mnuHelpAbout(w)}));

    QCOMPARE(ui::tbToolBar(w)->actions().size(), 3);
    QCOMPARE(ui::tbStop(w)->data().toString(), QString("中止"));
    QVERIFY(!ui::tbStop(w)->isEnabled() && !ui::actStop(w)->isEnabled());  // nothing to stop
    QCOMPARE(ui::tbToolBar(w)->iconSize(), QSize(48, 48));
    QCOMPARE(ui::tbAnalyse(w)->data().toString(), QString("解析"));
    QCOMPARE(ui::tbClear(w)->data().toString(), QString("クリア"));
    for (QAction* a : ui::tbToolBar(w)->actions()) {
      QVERIFY(a->text().isEmpty());
      QVERIFY(a->toolTip().isEmpty());
      QCOMPARE(a->icon().availableSizes().value(0), QSize(48, 48));
    }
    QVERIFY(!ui::TreeView2(w)->isVisibleTo(&w));
    QVERIFY(ui::RichTextBox1(w)->isReadOnly());
    QCOMPARE(ui::RichTextBox1(w)->font().fixedPitch(), true);
  }

  void tabOrder() {
    frmMain w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    ui::TreeView1(w)->setFocus();
    QTest::keyClick(ui::TreeView1(w), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui::RichTextBox1(w)));
    QTest::keyClick(ui::RichTextBox1(w), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui::listerr(w)));
    QTest::keyClick(ui::listerr(w), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui::TreeView1(w)));
  }

  void layoutAtTheDefaultSize() {
    frmMain w;
    QCOMPARE(w.frameGeometry(), QRect(67, 67, 663, 572));  // 1000, 1000, 9945, 8580 twips
    QCOMPARE(ui::TreeView1(w)->geometry(), QRect(0, 80, 145, 432));
    QCOMPARE(ui::RichTextBox1(w)->geometry(), QRect(152, 80, 498, 312));
    QCOMPARE(ui::Label3(w)->geometry().topLeft(), QPoint(152, 399));
    QCOMPARE(ui::listerr(w)->geometry(), QRect(152, 419, 498, 88));
    QCOMPARE(ui::Label1(w)->geometry(), QRect(0, 64, 145, 17));
    QCOMPARE(ui::Label2(w)->geometry(), QRect(152, 64, 169, 17));
    QCOMPARE(ui::tbToolBar(w)->geometry().height(), 60);
    // Shown with a frame, the outer size is still the stored one.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(w.frameGeometry().size(), QSize(663, 572));
    QTRY_COMPARE(ui::TreeView1(w)->height(), 432);
  }

  void layoutFollowsTheWindow() {
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Outer size, frame included: 12000 x 9000 twips.
    const QSize frame = w.frameGeometry().size() - w.geometry().size();
    w.resize(QSize(800, 600) - frame);
    QCOMPARE(w.frameGeometry().size(), QSize(800, 600));
    QCOMPARE(ui::TreeView1(w)->geometry(), QRect(0, 80, 145, 460));
    QCOMPARE(ui::RichTextBox1(w)->geometry(), QRect(152, 80, 635, 340));
    QCOMPARE(ui::Label3(w)->geometry().top(), 427);
    QCOMPARE(ui::listerr(w)->geometry(), QRect(152, 447, 635, 88));
    QCOMPARE(ui::tbToolBar(w)->width(), ui::client(w)->width());
    // Too low for the result view's rule: its height stays.
    w.resize(QSize(800, 250) - frame);
    QCOMPARE(ui::RichTextBox1(w)->height(), 340);
    QCOMPARE(ui::TreeView1(w)->height(), 110);  // 250 * 15 - 1200 - 900 twips
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
    ui::RichTextBox1(w)->setPlainText("tree");
    w.argline = "x";
    w.AppendMessage("m");
    w.ButtonClick("クリア");
    QCOMPARE(w.inputNames().size(), 3);  // the prompt
    QVERIFY(w.inputPaths().isEmpty());
    QCOMPARE(w.dropcount, short(0));
    QVERIFY(ui::RichTextBox1(w)->toPlainText().isEmpty());
    QVERIFY(w.argline.isEmpty());
    QCOMPARE(ui::listerr(w)->count(), 0);
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
    QTest::keyClick(ui::RichTextBox1(w), Qt::Key_F3);
    QCOMPARE(ui::listerr(w)->count(), 0);
    QVERIFY(!QFile::exists(p("args.txt")));
    prepareRun(w);
    QTest::keyClick(ui::listerr(w), Qt::Key_F3);
    QCOMPARE(messages(w).first(), QString("解析中・・・"));
    QVERIFY(fetest::waitFor([&] { return !w.isRunning(); }));
    QVERIFY(QFile::exists(p("args.txt")));
    QTest::keyClick(ui::TreeView1(w), Qt::Key_F5);
    QCOMPARE(ui::listerr(w)->count(), 0);
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
    ui::RichTextBox1(w)->setPlainText("1 main\n");
    ui::RichTextBox1(w)->setFocus();
    QTest::keyClick(ui::RichTextBox1(w), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(saveAsked, 1);
    QTest::keyClick(ui::RichTextBox1(w), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(saveAsked, 2);
    QTest::keyClick(ui::RichTextBox1(w), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(printAsked, 1);
    QTest::keyClick(ui::RichTextBox1(w), Qt::Key_O, Qt::ControlModifier);
    QVERIFY(w.options()->isVisible());
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(ui::TreeView1(w), Qt::Key_I, Qt::ControlModifier);
    QVERIFY(w.iniDialog() && w.iniDialog()->isVisible());
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
    QVERIFY(w.iniDialog() && w.iniDialog()->isVisible());
    QVERIFY(!QFile::exists(p("args.txt")));
    QVERIFY(w.argline.isEmpty());
    // Writing the file from the dialog lets the next run start.
    QVERIFY(w.iniDialog()->OK());
    QVERIFY(!w.iniDialog()->isVisible());
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
    w.options()->optall = 1;
    w.options()->optfilename = 1;
    w.ButtonClick("解析");
    QVERIFY(fetest::waitFor([&] { return !w.isRunning(); }));
    QCOMPARE(w.argline, " -a -v \"" + p("my src/a.c") + "\" \"" + p("b.h") + "\"");
    // tree.json is always asked for, after the chosen switches.
    QCOMPARE(analyserWords(), QStringList({"-a", "-v", "-j", p("my src/a.c"), p("b.h")}));
    QCOMPARE(messages(w), QStringList({"解析中・・・", "解析結果を表示してます", "正常に終了しました"}));
    QCOMPARE(ui::RichTextBox1(w)->toPlainText(), tree);
    QCOMPARE(w.focusWidget(), static_cast<QWidget*>(ui::RichTextBox1(w)));
    QVERIFY(ui::mnuFile(w)->isEnabled() && ui::mnuTools(w)->isEnabled() && ui::mnuHelp(w)->isEnabled());
    QVERIFY(!w.console() || !w.console()->isVisible());  // unseen without the debug option
  }

  // Under -c the message list names the compile_commands.json the run used.
  void configuredRunNamesItsDatabase() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    prepareRun(w);
    QVERIFY(fetest::writeBytes(p("fake_tree.txt"), fetest::sjCrlf("1 main\n")));
    QVERIFY(fetest::writeBytes(p("fake_out.txt"), "構成ファイル : build/compile_commands.json (3件)\n"));
    w.options()->optconfigured = 1;
    QVERIFY(fetest::runToEnd(w));
    QFile::remove(p("fake_out.txt"));
    QCOMPARE(analyserWords().mid(0, 2), QStringList({"-c", "-j"}));
    QCOMPARE(messages(w), QStringList({"解析中・・・", "構成ファイル : build/compile_commands.json (3件)",
                                       "解析結果を表示してます", "正常に終了しました"}));
  }

  void debugRunKeepsItsLogAndStillShowsTheTree() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    prepareRun(w);
    QVERIFY(fetest::writeBytes(p("fake_tree.txt"), fetest::sjCrlf("1 main\n")));
    QVERIFY(fetest::writeBytes(p("fake_err.txt"), fetest::sjCrlf("実行結果にかかった時間:0.010秒\n")));
    w.options()->optdebug = 1;
    w.options()->optfuncone = 1;
    w.options()->funcname = "main";
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(analyserWords().mid(0, 4), QStringList({"-d", "-w", "-f", "main"}));
    QCOMPARE(messages(w), QStringList({"解析中・・・", "実行結果にかかった時間:0.010秒",
                                       "解析結果を表示してます", "正常に終了しました"}));
    QCOMPARE(ui::RichTextBox1(w)->toPlainText(), QString("1 main\n"));
    // The analyser's output is shown to the user.
    QVERIFY(w.console() && w.console()->isVisible());
    QVERIFY(w.console()->text().contains("fake analyser speaking"));
  }

  void failedRunShowsTheLog() {
    fetest::CwdGuard cwd(root_);
    frmMain w;
    prepareRun(w);
    QVERIFY(fetest::writeBytes(p("fake_tree.txt"), fetest::sjCrlf("old tree\n")));
    QVERIFY(fetest::writeBytes(p("fake_err.txt"), fetest::sjCrlf("エラー : -3\n\nもう一行\n")));
    QVERIFY(fetest::writeBytes(p("fake_status"), "0"));
    ui::RichTextBox1(w)->setPlainText("previous");
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(messages(w),
             QStringList({"解析中・・・", "エラー : -3", "", "もう一行", "異常終了しました"}));
    QVERIFY(ui::RichTextBox1(w)->toPlainText().isEmpty());
    QVERIFY(ui::mnuFile(w)->isEnabled());

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
    QVERIFY(ui::mnuFile(w)->isEnabled() && ui::mnuTools(w)->isEnabled() && ui::mnuHelp(w)->isEnabled());
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
    QVERIFY(ui::mnuFile(w)->isEnabled());
  }

  // A stand-in that announces two files and then never ends.
  void writeEndlessAnalyser() {
    const QString path = p("conzelta");
    QVERIFY(fetest::writeBytes(path,
                               "#!/bin/sh\n: > zelta_err.txt\nprintf '%s\\n' \"$@\" > args.txt\nrm -f tree.txt\n"
                               "printf 'half' > tree.txt\n"
                               "for f in a.c b.h; do printf '"
                               "\\343\\203\\225\\343\\202\\241\\343\\202\\244\\343\\203\\253:%s"
                               "\\343\\202\\222\\350\\247\\243\\346\\236\\220\\344\\270\\255...\\n' $f; done\n"
                               "exec sleep 3600\n"));
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
    QVERIFY(!ui::mnuFile(w)->isEnabled() && !ui::mnuTools(w)->isEnabled() && !ui::mnuHelp(w)->isEnabled());
    QVERIFY(ui::mnuAnalysis(w)->isEnabled() && ui::actStop(w)->isEnabled() && ui::tbStop(w)->isEnabled() &&
            !ui::actRun(w)->isEnabled());
    QVERIFY(fetest::waitFor([&] { return w.runner()->filesDone() == 2; }));
    QVERIFY(ui::runProgress(w)->isVisible());
    QCOMPARE(ui::runProgress(w)->maximum(), 1);  // a.c of a.c and b.h
    QVERIFY(ui::runProgressText(w)->text().contains("ファイル"));
    QFile::remove(p("args.txt"));
    w.RunAnalysis();  // nothing else starts meanwhile
    w.ClearAll();
    QVERIFY(!QFile::exists(p("args.txt")));
    QCOMPARE(w.inputPaths().size(), 2);
    if (how == 0)
      w.ButtonClick("中止");
    else if (how == 1)
      QTest::keyClick(ui::RichTextBox1(w), Qt::Key_Escape);
    else
      ui::actStop(w)->trigger();
    QVERIFY(!w.isRunning());
    QVERIFY(!w.runner()->isRunning());
    QVERIFY(!ui::runProgress(w)->isVisible());
    QCOMPARE(messages(w), QStringList({"解析中・・・", "解析を中止しました",
                                       "書きかけのファイルを削除しました（tree.txt、zelta_err.txt）"}));
    QVERIFY(!QFile::exists(p("tree.txt")) && !QFile::exists(p("zelta_err.txt")));
    QVERIFY(ui::RichTextBox1(w)->toPlainText().isEmpty());
    QVERIFY(ui::mnuFile(w)->isEnabled() && ui::mnuTools(w)->isEnabled() && !ui::actStop(w)->isEnabled());
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
    QVERIFY(fetest::waitFor([&] { return w.runner()->filesDone() >= 1; }));
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
    const QString tree = ui::RichTextBox1(w)->toPlainText();
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
    w.options()->optdebug = 1;
    w.Drop({p("m.c")});
    QVERIFY(fetest::runToEnd(w));
    QVERIFY(QFile::exists(p("zelta_err.txt")));  // kept under -w
    QCOMPARE(messages(w).first(), QString("解析中・・・"));
    QCOMPARE(messages(w).mid(messages(w).size() - 2),
             QStringList({"解析結果を表示してます", "正常に終了しました"}));
    QVERIFY(ui::RichTextBox1(w)->toPlainText().contains("leaf"));
    QVERIFY(w.console() && !w.console()->text().isEmpty());
  }

  void shutdownClosesTheOtherForms() {
    frmMain w;
    w.show();
    w.ShowOptions();
    w.ShowIniDialog();
    QVERIFY(w.options()->isVisible() && w.iniDialog()->isVisible());
    QVERIFY(w.close());
    QVERIFY(!w.options()->isVisible());
    QVERIFY(!w.iniDialog()->isVisible());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
