// The input file list: drops, the folder walk, removal and the prompt.
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include "fe_test_util.h"
#include "frm_main.h"

using namespace zelta::fe;

namespace {
const QStringList kPrompt = {"ここにファイルまたは", "フォルダをドラッグ&ドロップ", "してください"};
const QString kNot = "は解析対象のファイルではありません";

using fetest::messages;
}  // namespace

class InputListTest : public fetest::Fixture {
  Q_OBJECT
 private slots:
  void promptAtStartAndAfterClear() {
    frmMain w;
    QCOMPARE(w.inputNames(), kPrompt);
    QVERIFY(w.inputPaths().isEmpty());
    QCOMPARE(w.dropcount, short(0));
    QVERIFY(fetest::makeFile(p("main.c")));
    w.Drop({p("main.c")});
    QCOMPARE(w.inputNames(), QStringList({"main.c"}));
    w.ClearAll();
    QCOMPARE(w.inputNames(), kPrompt);
    QCOMPARE(w.dropcount, short(0));
  }

  void dropOfFilesKeepsBothListsInStep() {
    frmMain w;
    QVERIFY(fetest::makeFile(p("main.c")));
    QVERIFY(fetest::makeFile(p("util.h")));
    w.Drop({p("main.c"), p("util.h")});
    QCOMPARE(w.inputNames(), QStringList({"main.c", "util.h"}));
    QCOMPARE(w.inputPaths(), QStringList({p("main.c"), p("util.h")}));
    QCOMPARE(w.dropcount, short(1));
    // A second drop appends; an item dropped twice is listed twice.
    w.Drop({p("main.c")});
    QCOMPARE(w.inputNames(), QStringList({"main.c", "util.h", "main.c"}));
    QCOMPARE(w.inputPaths().last(), p("main.c"));
    QCOMPARE(w.dropcount, short(2));
    QVERIFY(messages(w).isEmpty());
  }

  void refusedItemsAndSilentOnes() {
    frmMain w;
    QVERIFY(fetest::makeFile(p("Main.C")));
    QVERIFY(fetest::makeFile(p("readme.txt")));
    QVERIFY(fetest::makeFile(p("Makefile")));
    QVERIFY(QDir().mkpath(p("src.old")));
    QVERIFY(fetest::makeFile(p("lib.c/inner.c")));  // a folder judged as a file
    QVERIFY(fetest::makeFile(p("ok.h")));
    w.Drop({p("Main.C"), p("readme.txt"), p("Makefile"), p("src.old"), p("lib.c"), p("ok.h"),
            p("gone.c")});
    QCOMPARE(w.inputNames(), QStringList({"lib.c", "ok.h", "gone.c"}));
    QCOMPARE(w.inputPaths(), QStringList({p("lib.c"), p("ok.h"), p("gone.c")}));
    QCOMPARE(messages(w), QStringList({"Main.C" + kNot, "readme.txt" + kNot, "src.old" + kNot}));
  }

  void dropWithNothingAcceptedStillTakesThePromptAway() {
    frmMain w;
    QVERIFY(fetest::makeFile(p("notes.txt")));
    w.Drop({p("notes.txt")});
    QVERIFY(w.inputNames().isEmpty());
    QCOMPARE(w.dropcount, short(1));
    QVERIFY(fetest::runToEnd(w));  // nothing to run
    QCOMPARE(messages(w), QStringList({"notes.txt" + kNot}));
    // Removing from the empty list reports nothing but marks it as emptied.
    w.Remove();
    QCOMPARE(messages(w), QStringList({"notes.txt" + kNot}));
    QCOMPARE(w.dropcount, short(0));
  }

  void folderWalkOrder() {
    // R: x.c, A/(a.c, A1/z.c), B/b.h and things the walk must leave alone.
    QVERIFY(fetest::makeFile(p("R/x.c")));
    QVERIFY(fetest::makeFile(p("R/A/a.c")));
    QVERIFY(fetest::makeFile(p("R/A/A1/z.c")));
    QVERIFY(fetest::makeFile(p("R/B/b.h")));
    QVERIFY(fetest::makeFile(p("R/notes.txt")));
    QVERIFY(fetest::makeFile(p("R/B/B.C")));          // not exactly ".c"
    QVERIFY(fetest::makeFile(p("R/.hidden/h.c")));    // hidden folder
    QVERIFY(fetest::makeFile(p("R/.secret.c")));      // hidden file
    QVERIFY(fetest::makeFile(p("R/Makefile")));       // no dot, not a folder
    QVERIFY(QFile::link(p("R/A"), p("R/L")));        // a link is not a plain folder
    frmMain w;
    w.Drop({p("R")});
    QCOMPARE(w.inputNames(), QStringList({"x.c", "b.h", "a.c", "z.c"}));
    QCOMPARE(w.inputPaths(),
             QStringList({p("R/x.c"), p("R/B/b.h"), p("R/A/a.c"), p("R/A/A1/z.c")}));
    QVERIFY(messages(w).isEmpty());
  }

  void walkListsByUpperCasedByteOrder() {
    for (const char* n : {"b.c", "_x.c", "a.h", "C.h", "B2.c"}) QVERIFY(fetest::makeFile(p("S/") + n));
    frmMain w;
    w.Drop({p("S")});
    // Upper-cased: A.H < B.C < B2.C < C.H < _X.C
    QCOMPARE(w.inputNames(), QStringList({"a.h", "b.c", "B2.c", "C.h", "_x.c"}));
  }

  void twoFilesOfTheSameNameInDifferentFolders() {
    QVERIFY(fetest::makeFile(p("one/a.c")));
    QVERIFY(fetest::makeFile(p("two/a.c")));
    frmMain w;
    w.Drop({p("one/a.c"), p("two")});
    QCOMPARE(w.inputNames(), QStringList({"a.c", "a.c"}));
    QCOMPARE(w.inputPaths(), QStringList({p("one/a.c"), p("two/a.c")}));
  }

  void walkBeyondTwoHundredSlotsStopsWithAMessage() {
    // A chain of folders: each level takes one more slot of the walk's stack,
    // so 201 nested folders would need a 201st slot.
    QString deep = p("D");
    QVERIFY(fetest::makeFile(deep + "/top.c"));
    for (int i = 0; i < 201; ++i) deep += "/d";
    QVERIFY(fetest::makeFile(deep + "/bottom.c"));
    frmMain w;
    w.Drop({p("D")});
    QCOMPARE(w.inputNames(), QStringList({"top.c"}));
    QCOMPARE(messages(w).size(), 1);
    QVERIFY(messages(w).first().startsWith(p("D")));

    // 200 levels, the stack's capacity, are walked to the bottom.
    QString ok = p("E");
    for (int i = 0; i < 200; ++i) ok += "/e";
    QVERIFY(fetest::makeFile(ok + "/bottom.c"));
    w.ClearAll();
    w.Drop({p("E")});
    QCOMPARE(w.inputNames(), QStringList({"bottom.c"}));
    QVERIFY(messages(w).isEmpty());
  }

  void removalOfTheSelectedEntry() {
    for (const char* n : {"a.c", "b.c", "c.c"}) QVERIFY(fetest::makeFile(p(n)));
    frmMain w;
    w.Remove();  // prompt shown: nothing happens
    QCOMPARE(w.inputNames(), kPrompt);
    w.Drop({p("a.c"), p("b.c"), p("c.c")});
    w.Remove();  // nothing selected
    QCOMPARE(w.inputNames().size(), 3);
    ui::TreeView1(w)->topLevelItem(1)->setSelected(true);
    w.Remove();
    QCOMPARE(w.inputNames(), QStringList({"a.c", "c.c"}));
    QCOMPARE(w.inputPaths(), QStringList({p("a.c"), p("c.c")}));
    QCOMPARE(messages(w), QStringList({"b.cを削除しました"}));
    // Each entry's full path as its tip and, once chosen, in the status bar;
    // the Delete key removes it as the pop-up does.
    QCOMPARE(ui::TreeView1(w)->topLevelItem(1)->toolTip(0), p("c.c"));
    ui::TreeView1(w)->setCurrentItem(ui::TreeView1(w)->topLevelItem(1));
    QCOMPARE(w.statusBar()->currentMessage(), p("c.c"));
    QTest::keyClick(ui::TreeView1(w), Qt::Key_Delete);
    QCOMPARE(w.inputNames(), QStringList({"a.c"}));
    {
      ui::TreeView1(w)->topLevelItem(0)->setSelected(true);
      w.Remove();
    }
    QVERIFY(w.inputNames().isEmpty());
    QVERIFY(w.inputPaths().isEmpty());
    QCOMPARE(w.dropcount, short(0));
    // The emptied list shows no prompt, and F3 has nothing to run.
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(messages(w).size(), 3);
    QVERIFY(w.argline.isEmpty());
    // The next drop starts a fresh list.
    w.Drop({p("b.c")});
    QCOMPARE(w.inputNames(), QStringList({"b.c"}));
    QCOMPARE(w.dropcount, short(1));
  }

  void desktopDropAndRightButtonPopup() {
    QVERIFY(fetest::makeFile(p("x y/m.c")));
    QVERIFY(fetest::makeFile(p("n.c")));
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(p("x y/m.c")), QUrl::fromLocalFile(p("n.c"))});
    QWidget* vp = ui::TreeView1(w)->viewport();
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &drop);
    QCOMPARE(w.inputPaths(), QStringList({p("x y/m.c"), p("n.c")}));

    // The pop-up acts on the selected entry, not the one under the pointer.
    ui::TreeView1(w)->topLevelItem(1)->setSelected(true);
    const QPoint over0 = ui::TreeView1(w)->visualItemRect(ui::TreeView1(w)->topLevelItem(0)).center();
    QTest::mouseClick(vp, Qt::RightButton, Qt::NoModifier, over0);
    QTRY_VERIFY(ui::mnuRightClick(w)->isVisible());
    QVERIFY(ui::TreeView1(w)->topLevelItem(1)->isSelected());
    ui::mnuRightClick(w)->hide();
    ui::mnuRemove(w)->trigger();
    QCOMPARE(w.inputNames(), QStringList({"m.c"}));
    // The pop-up menu is not on the menu bar.
    QVERIFY(!w.menuBar()->actions().contains(ui::mnuRightClick(w)->menuAction()));
    QCOMPARE(ui::mnuRightClick(w)->title(), QString("右クリックメニュー"));
    QCOMPARE(ui::mnuRemove(w)->text(), QString("削除"));
  }

  void dropAndRightButtonOnTheListItself() {
    // Delivered to the list rather than to its viewport (its frame).
    QVERIFY(fetest::makeFile(p("k.c")));
    QVERIFY(fetest::makeFile(p("k.txt")));
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(p("k.c")), QUrl::fromLocalFile(p("k.txt"))});
    QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(ui::TreeView1(w), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(ui::TreeView1(w), &drop);
    QCOMPARE(w.inputNames(), QStringList({"k.c"}));
    QCOMPARE(messages(w), QStringList({"k.txt" + kNot}));
    QTest::mouseClick(ui::TreeView1(w), Qt::LeftButton);  // the left button opens nothing
    QVERIFY(!ui::mnuRightClick(w)->isVisible());
    QTest::mouseClick(ui::TreeView1(w), Qt::RightButton);
    QTRY_VERIFY(ui::mnuRightClick(w)->isVisible());
    ui::mnuRightClick(w)->hide();
  }
};

QTEST_MAIN(InputListTest)
#include "input_list_test.moc"
