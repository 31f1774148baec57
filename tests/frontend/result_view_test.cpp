// The navigable result: the tree read from tree.txt's ruling, folding, find,
// the links with their history, the definition panel fed by tree.json, the
// fallbacks for bad files, and the draggable borders.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include "definition_panel.h"
#include "editor_command.h"
#include "fe_test_util.h"
#include "find_bar.h"
#include "fold_state.h"
#include "frm_main.h"
#include "frm_option.h"
#include "link_history.h"
#include "result_index.h"
#include "settings_store.h"
#include "split_handle.h"
#include "tree_links.h"
#include "tree_queries.h"
#include "tree_search.h"

using namespace zelta::fe;

namespace {

// A tree as the analyser draws it (numbers, columns, connectors; CP932,
// CR LF) from each line's depth and text.
QByteArray drawTree(const std::vector<int>& depth, const std::function<QString(int)>& text) {
  const int n = static_cast<int>(depth.size());
  const int width = QString::number(n + 1).size();
  // A tee exactly when a later sibling follows.
  std::vector<bool> later(n, false);
  std::vector<int> nextAt;  // the nearest line below at each depth, since the last shallower one
  for (int i = n - 1; i >= 0; --i) {
    const int d = depth[i];
    if (static_cast<int>(nextAt.size()) <= d) nextAt.resize(d + 1, -1);
    later[i] = nextAt[d] >= 0;
    for (size_t k = d + 1; k < nextAt.size(); ++k) nextAt[k] = -1;
    nextAt[d] = i;
  }
  QString out;
  std::vector<bool> column;
  for (int i = 0; i < n; ++i) {
    const int d = depth[i];
    QString row = QString::number(i + 1).rightJustified(width) + " ";
    if (d >= 1) {
      column.resize(std::max<size_t>(column.size(), d + 1), true);
      for (int k = 1; k < d; ++k) row += column[k] ? " │" : " 　";
      row += later[i] ? " ├" : " └";
      column[d] = later[i];
    }
    out += row + text(i) + "\n";
  }
  return fetest::sjCrlf(out);
}

// The fixture's line numbers (from 1) of a few places.
constexpr int kEvaluateLine = 3, kLexerNext = 5, kParseStatement = 9, kRef = 11, kParseExpr = 14, kParseFactor = 16,
              kFactorialSelf = 20, kLoop = 27, kPower = 32;

}  // namespace

class ResultViewTest : public fetest::Fixture {
  Q_OBJECT

  // The example program's tree (-e -v) and its tree.json in a working
  // folder that also holds the sources the json names.
  void prepareCalc() {
    QVERIFY(QDir().mkpath(p("calc")));
    for (const QString& f : QDir(EXAMPLES_DIR "/calc").entryList(QDir::Files))
      QVERIFY(QFile::copy(EXAMPLES_DIR "/calc/" + f, p("calc/" + f)));
    for (const char* f : {"tree.txt", "tree.json"}) QVERIFY(QFile::copy(QString(FIXTURES_DIR "/calc/") + f, p(f)));
  }
  void showCalc(frmMain& w, bool withFacts = true) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.showResultFile(p("tree.txt")));
    if (withFacts) QVERIFY(fetest::waitFor([&] { return ui::RichTextBox1(w)->facts(); }));
  }
  static QAction* action(frmMain& w, const char* name) { return w.findChild<QAction*>(name); }
  static int line(int number) { return number - 1; }

 private slots:

  // ---- the index and the folds, without a window ----

  // The panel's and the graph's way into the tree: a call the tree shows
  // next to the current line (its parent or a child) is the one they go to,
  // in the calls tree and the callers tree alike.
  void lineQueriesStayNextToTheCurrentLine_data() {
    QTest::addColumn<QString>("fixture");
    QTest::newRow("calls") << "calc";
    QTest::newRow("callers") << "calc_callers";
    QTest::newRow("repeated") << "";  // without -e: each call drawn in full, wherever it is
    QTest::newRow("inside itself") << "-";  // a tree.txt and tree.json edited by hand
  }
  void lineQueriesStayNextToTheCurrentLine() {
    QFETCH(QString, fixture);
    QString dir = QString(FIXTURES_DIR "/") + fixture;
    if (fixture == "-") {
      // a is drawn again below b with a call of its own: the direct child c
      // is the one next to line 1, not the c under the second a.
      dir = root_;
      QVERIFY(fetest::writeBytes(p("tree.txt"), drawTree({0, 1, 2, 3, 1}, [](int i) { return QString("abacc"[i]); })));
      QVERIFY(fetest::writeBytes(p("tree.json"), R"({"format_version":1,"run":{"start":"a","direction":"callees"},
        "files":[{"path":"t.c"}],"functions":[
        {"name":"a","file":0,"line":1,"unit":0,"callers":[1],"calls":[
          {"name":"b","file":0,"line":2,"defined":true,"function":1},
          {"name":"c","file":0,"line":3,"defined":true,"function":2}]},
        {"name":"b","file":0,"line":5,"unit":0,"callers":[0],"calls":[
          {"name":"a","file":0,"line":6,"defined":true,"function":0}]},
        {"name":"c","file":0,"line":9,"unit":0,"callers":[0],"calls":[]}],"tree":[
        {"line":1,"depth":0,"name":"a","function":0,"file":0}, {"line":2,"depth":1,"name":"b","function":1,"file":0},
        {"line":3,"depth":2,"name":"a","function":0,"file":0}, {"line":4,"depth":3,"name":"c","function":2,"file":0},
        {"line":5,"depth":1,"name":"c","function":2,"file":0}]})"));
    } else if (fixture.isEmpty()) {
      dir = root_;
      QStringList args{"-j"};
      for (const QString& f : QDir(EXAMPLES_DIR "/calc").entryList({"*.c"}, QDir::Files)) {
        QVERIFY(QFile::copy(EXAMPLES_DIR "/calc/" + f, p(f)));
        args << f;
      }
      QVERIFY(fetest::writeBytes(p("zelta.ini"), fetest::defaultIni()));
      QProcess run;
      run.setWorkingDirectory(root_);
      run.start(CONZELTA_PATH, args);
      QVERIFY(run.waitForFinished(60000) && run.exitCode() == 1);
    }
    const auto idx = ResultIndex::fromBytes(fetest::readBytes(dir + "/tree.txt"), ResultIndex::Encoding::Cp932);
    QString problem;
    const auto facts = TreeFacts::read(dir + "/tree.json", *idx, &problem);
    QVERIFY2(facts, qPrintable(problem));
    // A line under a line is called by it; in the callers tree it calls it.
    const bool childCalls = facts->callersTree;
    int children = 0, parents = 0;
    for (int cur = 0; cur < idx->lineCount(); ++cur) {
      const int curF = facts->functionOfLine(cur);
      if (curF < 0) continue;
      // The graph's click takes a function that both calls and is called by
      // the current one to either side of it.
      auto nextTo = [&](int got, int f) {
        return (got == idx->parent(cur) || idx->parent(got) == cur) && facts->functionOfLine(got) == f;
      };
      const auto where = [&](int f, int got) {
        return QString("line %1 to %2: %3").arg(cur + 1).arg(facts->functions[f].name).arg(got + 1).toUtf8();
      };
      for (int c = cur + 1; c <= idx->lastDescendant(cur); c = idx->lastDescendant(c) + 1) {
        const int f = facts->functionOfLine(c);
        if (f < 0 || f == curF) continue;
        const int got = TreeQueries::relatedLine(*idx, *facts, cur, f, childCalls);
        QVERIFY2(idx->parent(got) == cur && facts->functionOfLine(got) == f, where(f, got).constData());
        const int shown = TreeQueries::lineOfFunction(*idx, *facts, cur, FunctionRef::defined(f));
        QVERIFY2(nextTo(shown, f), where(f, shown).constData());
        ++children;
      }
      const int up = idx->parent(cur), upF = facts->functionOfLine(up);
      if (up < 0 || upF < 0 || upF == curF) continue;
      QCOMPARE(TreeQueries::relatedLine(*idx, *facts, cur, upF, !childCalls), up);
      const int shown = TreeQueries::lineOfFunction(*idx, *facts, cur, FunctionRef::defined(upF));
      QVERIFY2(nextTo(shown, upF), where(upF, shown).constData());
      ++parents;
    }
    QVERIFY(children > 3 && parents > 3);
    if (fixture != "-")
      QVERIFY(TreeQueries::pathText(*idx, facts.get(), line(3)).startsWith(childCalls ? "lexer_next › " : "main › "));
  }

  // A tree.json older than the run that wrote tree.txt is an earlier run's.
  void factsOlderThanTheRunAreNotItsOwn() {
    const QString json = p("tree.json");
    QCOMPARE(factsFileState(json, QDateTime()), FactsFile::Missing);
    QVERIFY(QFile::copy(FIXTURES_DIR "/calc/tree.json", json));
    const QDateTime run = QDateTime::currentDateTime();
    QFile f(json);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(run.addSecs(-60), QFileDevice::FileModificationTime));
    f.close();
    QCOMPARE(factsFileState(json, run), FactsFile::Older);
    QCOMPARE(factsFileState(json, run.addSecs(-120)), FactsFile::Current);
    QCOMPARE(factsFileState(json, QDateTime()), FactsFile::Current);
  }

  void indexReadsTheRuling() {
    const auto idx =
        ResultIndex::fromBytes(fetest::readBytes(FIXTURES_DIR "/calc/tree.txt"), ResultIndex::Encoding::Cp932);
    QVERIFY2(idx->isTree(), qPrintable(idx->treeProblem()));
    QCOMPARE(idx->lineCount(), 46);
    QCOMPARE(idx->depth(line(kLexerNext)), 3);
    QCOMPARE(idx->parent(line(kLexerNext)), line(4));
    QCOMPARE(idx->lastDescendant(line(kEvaluateLine)), line(46));
    QCOMPARE(idx->lastDescendant(line(kLexerNext)), line(8));
    QCOMPARE(idx->lineText(line(kLexerNext)), QString(" 5  　 │ └lexer_next [lexer.c]"));
    LineParts ref = idx->parts(line(kRef));
    QCOMPARE(ref.name, std::string_view("lexer_next"));
    QCOMPARE(ref.refFirst, 5);
    QCOMPARE(ref.refLast, 8);
    QVERIFY(idx->parts(line(kLoop)).loop);
    QVERIFY(idx->parts(line(kFactorialSelf)).recursive);
    // A call through a pointer (-p) is a link like any other, in each form.
    const auto ptr = ResultIndex::fromText("1 main\n2  ├f:Pointer [a.c]\n3  ├g:Pointer=2-2\n4  └main:Pointer:RecurrciveCall\n");
    QVERIFY(ptr->isTree());
    QCOMPARE(ptr->parts(1).name, std::string_view("f"));
    QVERIFY(ptr->parts(1).pointer);
    QCOMPARE(ptr->parts(2).refFirst, 2);
    QVERIFY(ptr->parts(3).pointer && ptr->parts(3).recursive);
    QVERIFY(!idx->parts(line(kRef)).pointer);
    QCOMPARE(idx->toPlainText(), decodeText(fetest::readBytes(FIXTURES_DIR "/calc/tree.txt")));

    // The same ruling set by the program as text reads as a tree too.
    const auto text = ResultIndex::fromText(idx->toPlainText());
    QVERIFY(text->isTree());
    QCOMPARE(text->depth(line(kLexerNext)), 3);
  }

  void brokenRulingIsPlainText_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = fetest::sjCrlf("1 main\n2  ├a\n3  │ └b\n4  └c\n");
    QTest::newRow("cut inside a line") << good.left(good.size() - 3);
    QTest::newRow("cut after a line") << good.left(good.indexOf("3 "));  // line 2 still says a sibling follows
    QTest::newRow("numbers out of step") << fetest::sjCrlf("1 main\n3  ├a\n3  └b\n");
    QTest::newRow("a depth skipped") << fetest::sjCrlf("1 main\n2  │ └a\n");
    QTest::newRow("ruling without a name") << fetest::sjCrlf("1 main\n2  └\n");
    QTest::newRow("not a tree at all") << QByteArray("hello\r\nworld\r\n");
    QTest::newRow("empty") << QByteArray();
  }
  void brokenRulingIsPlainText() {
    QFETCH(QByteArray, bytes);
    const auto idx = ResultIndex::fromBytes(bytes, ResultIndex::Encoding::Cp932);
    QVERIFY(!idx->isTree());
    QVERIFY(!idx->treeProblem().isEmpty());
    QCOMPARE(idx->toPlainText(), decodeText(bytes));  // the text itself is all there
    if (idx->lineCount() > 0) QVERIFY(!idx->hasChildren(0));
  }

  // Random trees against a plain model: a line shows exactly when no
  // ancestor is folded, whatever was folded, unfolded or revealed before.
  void foldsAgreeWithAPlainModel() {
    QRandomGenerator rnd(13);
    for (int round = 0; round < 20; ++round) {
      std::vector<int> depth{0};
      for (int i = 1; i < 300; ++i) depth.push_back(static_cast<int>(rnd.bounded(depth.back() + 2)));
      const auto idx = ResultIndex::fromBytes(drawTree(depth, [](int i) { return QString("f%1").arg(i); }),
                                              ResultIndex::Encoding::Cp932);
      QVERIFY2(idx->isTree(), qPrintable(idx->treeProblem()));
      FoldState folds;
      folds.reset(idx);
      std::vector<bool> folded(depth.size(), false);
      for (int step = 0; step < 60; ++step) {
        const int l = static_cast<int>(rnd.bounded(static_cast<int>(depth.size())));
        switch (rnd.bounded(5)) {
          case 0:
            folds.toggle(l);
            if (idx->hasChildren(l)) folded[l] = !folded[l];
            break;
          case 1:
            folds.unfoldSubtree(l);
            for (int k = l; k <= idx->lastDescendant(l); ++k) folded[k] = false;
            break;
          case 2:
            folds.reveal(l);
            for (int a = idx->parent(l); a >= 0; a = idx->parent(a)) folded[a] = false;
            break;
          case 3: {
            const int d = static_cast<int>(rnd.bounded(4));
            folds.foldFromDepth(d);
            for (size_t k = 0; k < depth.size(); ++k)
              folded[k] = idx->hasChildren(static_cast<int>(k)) && depth[k] >= d;
            break;
          }
          default:
            if (rnd.bounded(8) == 0) {
              folds.expandAll();
              std::fill(folded.begin(), folded.end(), false);
            }
            break;
        }
        std::vector<int> expected;
        for (int k = 0; k < static_cast<int>(depth.size()); ++k) {
          bool hidden = false;
          for (int a = idx->parent(k); a >= 0 && !hidden; a = idx->parent(a)) hidden = folded[a];
          if (!hidden) expected.push_back(k);
        }
        QCOMPARE(folds.rowCount(), static_cast<int>(expected.size()));
        for (int r = 0; r < folds.rowCount(); ++r) QCOMPARE(folds.lineAt(r), expected[r]);
      }
    }
  }

  // A chain 3,000 levels deep (its ruling alone is 13 MB): no recursion
  // anywhere, the deepest line reachable from a folded root in one step.
  void deepTree() {
    constexpr int n = 3000;
    std::vector<int> depth(n);
    for (int i = 0; i < n; ++i) depth[i] = i;
    const auto idx =
        ResultIndex::fromBytes(drawTree(depth, [](int) { return QString("f"); }), ResultIndex::Encoding::Cp932);
    QVERIFY(idx->isTree());
    QCOMPARE(idx->depth(n - 1), n - 1);
    QCOMPARE(idx->lastDescendant(0), n - 1);
    FoldState folds;
    folds.reset(idx);
    folds.foldFromDepth(0);
    QCOMPARE(folds.rowCount(), 1);
    folds.reveal(n - 1);
    QCOMPARE(folds.rowCount(), n);
    QCOMPARE(TreeSearch::lines(*idx, "f", true).size(), size_t(n));
  }

  // A damaged file with one line of 8 MB: found in, drawn and saved without
  // a stall (each hit in the line does not walk it again, and only its
  // start is drawn).
  void hugeLineStaysResponsive() {
    QByteArray bytes(8 << 20, 'a');
    bytes += "\r\n";
    const auto idx = ResultIndex::fromBytes(bytes, ResultIndex::Encoding::Cp932);
    QElapsedTimer t;
    t.start();
    QCOMPARE(TreeSearch::lines(*idx, "ab", false).size(), size_t(0));
    QCOMPARE(TreeSearch::lines(*idx, "aa", true).size(), size_t(0));
    QCOMPARE(TreeSearch::lines(*idx, "aa", false).size(), size_t(1));
    ResultView v;
    v.resize(400, 200);
    v.setResult(idx);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    v.viewport()->repaint();
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(v.toPlainText().size(), qsizetype(8 << 20) + 1);
  }

  // Damaged copies of a good tree.txt: whatever reads as a tree folds,
  // finds and links within its own lines.
  void damagedTreeTextNeverCrashes() {
    const QByteArray good = fetest::readBytes(FIXTURES_DIR "/calc/tree.txt");
    QRandomGenerator rnd(11);
    for (int round = 0; round < 300; ++round) {
      QByteArray bad = good;
      const int at = static_cast<int>(rnd.bounded(static_cast<int>(bad.size())));
      switch (rnd.bounded(3)) {
        case 0: bad[at] = "0123456789=-:\n \x84"[rnd.bounded(16)]; break;
        case 1: bad.remove(at, static_cast<int>(rnd.bounded(20))); break;
        default: bad.insert(at, "=99999999999-1"); break;
      }
      const auto idx = ResultIndex::fromBytes(bad, ResultIndex::Encoding::Cp932);
      FoldState folds;
      folds.reset(idx);
      for (int l = 0; l < idx->lineCount(); ++l) {
        const LineLink link = linkOf(*idx, nullptr, l);
        if (link.kind != LinkKind::None) QVERIFY(link.target >= 0 && link.rangeLast < idx->lineCount());
        folds.toggle(l);
        folds.reveal(idx->lineCount() - 1 - l);
      }
      TreeSearch::lines(*idx, "lexer", true);
    }
  }

  void historyGoesBackAndForth() {
    LinkHistory h;
    QVERIFY(!h.canBack());
    h.visit(10, 4);
    h.visit(6, 20);  // moved on from 4 to 6 before the second jump
    QCOMPARE(h.back(20), 6);
    QCOMPARE(h.back(6), 10);
    QVERIFY(!h.canBack());
    QCOMPARE(h.forward(10), 6);
    h.visit(6, 30);  // a new jump forgets the way forward
    QVERIFY(!h.canForward());
    QCOMPARE(h.back(30), 6);
  }

  // ---- in the window ----

  void foldingByMarkerKeysAndLevels() {
    prepareCalc();
    frmMain w;
    showCalc(w, false);
    ResultView* v = ui::RichTextBox1(w);
    const QString text = v->toPlainText();
    QCOMPARE(v->folds().rowCount(), 46);

    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->foldMarkerPoint(line(kParseStatement)));
    QVERIFY(v->folds().isFolded(line(kParseStatement)));
    QCOMPARE(v->folds().rowCount(), 46 - (45 - 9));
    QCOMPARE(v->toPlainText(), text);  // folding never changes the text

    v->setFocus();
    v->setCurrentLine(line(kEvaluateLine));
    QTest::keyClick(v, Qt::Key_Left);  // folds the open line
    QCOMPARE(v->folds().rowCount(), 3);
    QTest::keyClick(v, Qt::Key_Left);  // on a folded line: up to the parent
    QCOMPARE(v->currentLine(), 0);
    QTest::keyClick(v, Qt::Key_Down);
    QTest::keyClick(v, Qt::Key_Down);
    QTest::keyClick(v, Qt::Key_Right);  // unfolds, the inner fold stays
    QVERIFY(!v->folds().isFolded(line(kEvaluateLine)));
    QVERIFY(v->folds().isFolded(line(kParseStatement)));
    QTest::keyClick(v, Qt::Key_Right);  // on an open line: to its first child
    QCOMPARE(v->currentLine(), line(4));
    v->setCurrentLine(line(kEvaluateLine));
    QTest::keyClick(v, Qt::Key_Asterisk);  // the whole sub-tree
    QCOMPARE(v->folds().rowCount(), 46);

    action(w, "actDepth2")->trigger();   // depths 0..2 in view
    QCOMPARE(v->folds().rowCount(), 6);  // main, 2 children, 3 under evaluate_line
    QVERIFY(v->folds().isFolded(line(kParseStatement)));
    action(w, "actCollapseAll")->trigger();
    QCOMPARE(v->folds().rowCount(), 1);
    action(w, "actExpandAll")->trigger();
    QCOMPARE(v->folds().rowCount(), 46);
  }

  void findUnfoldsCountsAndWholeNames() {
    prepareCalc();
    frmMain w;
    showCalc(w, false);
    ResultView* v = ui::RichTextBox1(w);
    action(w, "actCollapseAll")->trigger();
    QTest::keyClick(v, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(ui::findBar(w)->isVisible());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui::findBar(w)->field));
    QTest::keyClicks(ui::findBar(w)->field, "lexer_accept");
    QCOMPARE(w.navigator()->hitCount(), 10);
    // The first hit was inside the folded root: it is open now.
    QCOMPARE(v->currentLine(), line(12));
    QVERIFY(v->folds().rowOf(line(12)) >= 0);
    QCOMPARE(ui::findBar(w)->countLabel->text(), QString("1/10"));
    QTest::keyClick(ui::findBar(w)->field, Qt::Key_Return);
    QCOMPARE(v->currentLine(), line(18));
    QCOMPARE(ui::findBar(w)->countLabel->text(), QString("2/10"));
    QTest::keyClick(ui::findBar(w)->field, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClick(ui::findBar(w)->field, Qt::Key_Return, Qt::ShiftModifier);  // wraps to the last
    QCOMPARE(ui::findBar(w)->countLabel->text(), QString("10/10"));

    // Whole names: "parse_fact" is only part of one; a line number or the
    // ruling is never a hit.
    ui::findBar(w)->setText("parse_fact");
    QCOMPARE(w.navigator()->hitCount(), 5);
    ui::findBar(w)->wholeBox->setChecked(true);
    QCOMPARE(w.navigator()->hitCount(), 0);
    QCOMPARE(ui::findBar(w)->countLabel->text(), QString("0/0"));
    ui::findBar(w)->setText("parse_factor");
    QCOMPARE(w.navigator()->hitCount(), 5);
    ui::findBar(w)->setText("4");
    QCOMPARE(w.navigator()->hitCount(), 0);
    ui::findBar(w)->wholeBox->setChecked(false);
    QCOMPARE(w.navigator()->hitCount(), 3);  // in "=16-34" and "=14-43", never in a line number
    QTest::keyClick(ui::findBar(w)->field, Qt::Key_Escape);
    QVERIFY(!ui::findBar(w)->isVisible());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(v));
  }

  void linksAndBackForward() {
    prepareCalc();
    frmMain w;
    showCalc(w, false);  // links from the text alone first
    ResultView* v = ui::RichTextBox1(w);
    QCOMPARE(v->linkAt(line(kRef)).kind, LinkKind::Reference);
    QCOMPARE(v->linkAt(line(kLoop)).target, line(kParseExpr));
    QCOMPARE(v->linkAt(line(kFactorialSelf)).target, line(kFactorialSelf - 1));
    QCOMPARE(v->linkAt(line(kLexerNext)).kind, LinkKind::None);

    action(w, "actDepth1")->trigger();
    v->setCurrentLine(line(kRef));
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->linkPoint(line(kRef)));
    QCOMPARE(v->currentLine(), line(kLexerNext));  // unfolded to reach it
    QCOMPARE(v->rangeHighlight(), std::make_pair(line(5), line(8)));
    QVERIFY(!v->folds().isFolded(line(kLexerNext)));
    v->setFocus();
    QTest::keyClick(v, Qt::Key_Down);  // moving on takes the highlight away
    QCOMPARE(v->rangeHighlight().first, -1);

    v->setFocus();
    v->setCurrentLine(line(kLoop));
    QTest::keyClick(v, Qt::Key_Return);
    QCOMPARE(v->currentLine(), line(kParseExpr));
    v->setCurrentLine(line(kPower + 1));
    QTest::keyClick(v, Qt::Key_Return);
    QCOMPARE(v->currentLine(), line(kPower));

    QTest::keyClick(v, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(v->currentLine(), line(kPower + 1));
    QTest::keyClick(v, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(v->currentLine(), line(kLoop));
    QTest::keyClick(v, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(v->currentLine(), line(kRef));
    QVERIFY(!action(w, "actBack")->isEnabled());
    // Forward returns where the user had moved on to, as a browser does.
    QTest::keyClick(v, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(v->currentLine(), line(kLoop));

    // tree.json names the same LOOP target.
    QVERIFY(fetest::waitFor([&] { return v->facts(); }));
    QCOMPARE(v->linkAt(line(kLoop)).target, line(kParseExpr));
  }

  void panelShowsDefinitionCallersAndFollowsThem() {
    prepareCalc();
    frmMain w;
    showCalc(w);
    ResultView* v = ui::RichTextBox1(w);
    QVERIFY(!ui::definitionDock(w)->isVisible());
    QSignalSpy shown(w.navigator(), &ResultNavigator::currentFunctionChanged);
    QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, v->namePoint(line(kParseFactor)));
    QVERIFY(ui::definitionDock(w)->isVisible());
    DefinitionPanel* panel = ui::definitionPanel(w);
    QCOMPARE(panel->nameLabel->text(), QString("parse_factor"));
    QCOMPARE(panel->placeLabel->text(), QString("calc/parser.c:70"));
    QCOMPARE(panel->source->textCursor().blockNumber(), 69);
    QVERIFY(panel->source->textCursor().block().text().startsWith("long parse_factor("));
    QCOMPARE(panel->calls->count(), 15);
    QCOMPARE(panel->callers->count(), 2);
    QVERIFY(panel->callers->item(0)->text().startsWith("parse_term"));
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.last().at(1).toString(), QString("parse_factor"));
    QVERIFY(ui::whereLabel(w)->text().endsWith("parse_term › parse_factor    calc/parser.c:70"));

    // Its caller parse_term: here the line just above.
    emit panel->callers->itemActivated(panel->callers->item(0));
    QCOMPARE(v->currentLine(), line(kParseFactor - 1));
    QCOMPARE(panel->nameLabel->text(), QString("parse_term"));
    QVERIFY(action(w, "actBack")->isEnabled());
    action(w, "actBack")->trigger();
    // A call in its list: the source shows the call's line; Enter goes there.
    panel->calls->setCurrentRow(2);  // factorial, line 78
    QCOMPARE(panel->source->textCursor().blockNumber(), 77);
    emit panel->calls->itemActivated(panel->calls->item(2));
    QCOMPARE(v->result()->parts(v->currentLine()).name, std::string_view("factorial"));
    QCOMPARE(panel->nameLabel->text(), QString("factorial"));
    QCOMPARE(panel->callers->count(), 2);  // itself and parse_factor
    // From the keyboard: F12 puts the focus on the callers, Enter follows
    // one, Esc comes back to the tree.
    v->setCurrentLine(line(kParseFactor));
    v->setFocus();
    QTest::keyClick(v, Qt::Key_F12);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(panel->callers));
    QTest::keyClick(panel->callers, Qt::Key_Return);
    QCOMPARE(v->currentLine(), line(kParseFactor - 1));
    QTest::keyClick(panel->callers, Qt::Key_Escape);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(v));
    // Undefined functions are listed but lead nowhere.
    v->setCurrentLine(0);
    QTRY_COMPARE(panel->nameLabel->text(), QString("main"));
    QVERIFY(panel->calls->item(0)->text().startsWith("strcmp"));
    emit panel->calls->itemActivated(panel->calls->item(0));
    QCOMPARE(v->currentLine(), 0);
  }

  // Deep lines: a jump brings the target's name into the viewport (the text
  // scrolled sideways as far as needed, back again for a shallow one), the
  // line off the edges; the path keeps its file:line whole.
  void jumpsKeepTheTargetInSight() {
    std::vector<int> depth;
    for (int i = 0; i < 200; ++i) depth.push_back(i < 150 ? i : i - 149);
    QVERIFY(fetest::writeBytes(p("tree.txt"), drawTree(depth, [](int i) { return QString("f%1 [x.c]").arg(i); })));
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.showResultFile(p("tree.txt")));
    ResultView* v = ui::RichTextBox1(w);
    const int lh = v->fontMetrics().height(), page = v->viewport()->height() / lh;
    auto inSight = [&](int l) {
      const QPoint at = v->namePoint(l);
      return !at.isNull() && at.x() > v->fontMetrics().horizontalAdvance("0000") && at.x() < v->viewport()->width() &&
             at.y() / lh >= 1 && at.y() / lh <= page - 2;
    };
    w.navigator()->Find();
    ui::findBar(w)->wholeBox->setChecked(true);
    ui::findBar(w)->setText("f140");
    QCOMPARE(v->currentLine(), 140);
    QVERIFY(v->horizontalScrollBar()->value() > 0);
    QVERIFY(inSight(140));
    v->horizontalScrollBar()->setValue(v->horizontalScrollBar()->maximum());
    ui::findBar(w)->setText("f3");
    QCOMPARE(v->currentLine(), 3);
    QVERIFY(inSight(3));
    QCOMPARE(v->horizontalScrollBar()->value(), 0);
    // Back to the deep one, as Alt+Left would after a jump.
    v->setCurrentLine(199);
    QVERIFY(inSight(199));
  }

  // The panel's source marks each call of the shown function on its line
  // as a link to the callee; a caller is listed (and opened) at its call;
  // エディタで開く hands the marked place to the user's editor; a source
  // edited since the run is said to be so and gets no call marks.
  void panelCallSitesEditorAndChangedSource() {
    prepareCalc();
    frmMain w;
    showCalc(w);
    ResultView* v = ui::RichTextBox1(w);
    DefinitionPanel* panel = ui::definitionPanel(w);
    w.navigator()->OpenDefinition(line(kParseFactor));
    QCOMPARE(panel->callSites().size(), size_t(15));
    for (const auto& site : panel->callSites()) {
      const QString text = panel->source->document()->findBlockByNumber(site.line - 1).text();
      // report_error comes by the macro REPORT on lines 87 and 91.
      QCOMPARE(text.mid(site.from, site.to - site.from),
               site.line == 87 || site.line == 91 ? QString("REPORT") : v->facts()->functions[site.function].name);
    }
    QVERIFY(panel->source->extraSelections().size() == 16);  // the definition's line and each call
    QVERIFY(!panel->changedLabel->isVisible());
    QVERIFY(panel->callers->item(0)->text().endsWith("calc/parser.c:50"));  // parse_term's call, not its line 48
    // A click on the call of factorial (line 78) follows it.
    const auto& fact = *std::find_if(panel->callSites().begin(), panel->callSites().end(),
                                     [](const auto& s) { return s.line == 78; });
    QTextCursor at(panel->source->document()->findBlockByNumber(77));
    at.setPosition(at.position() + fact.from + 1);
    const QPoint click = panel->source->cursorRect(at).center() - QPoint(2, 0);
    QTest::mouseClick(panel->source->viewport(), Qt::LeftButton, {}, click);
    QCOMPARE(v->result()->parts(v->currentLine()).name, std::string_view("factorial"));
    QCOMPARE(panel->nameLabel->text(), QString("factorial"));
    // Its caller parse_factor opens at the line of the call.
    const int row = panel->callers->item(0)->text().startsWith("parse_factor") ? 0 : 1;
    emit panel->callers->itemActivated(panel->callers->item(row));
    QCOMPARE(panel->nameLabel->text(), QString("parse_factor"));
    QCOMPARE(panel->shownLine(), 78);

    // The editor: a stand-in that writes down its arguments.
    const QString script = p("editor.sh"), args = p("args.txt");
    QVERIFY(fetest::writeBytes(script, QString("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n").arg(args).toUtf8()));
    QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    storeEditorCommand(script + " --line=%l %f");
    action(w, "actOpenEditor")->trigger();
    QVERIFY(fetest::waitFor([&] { return QFile::exists(args); }));
    QTRY_COMPARE(fetest::lines(fetest::readBytes(args)), QStringList({"--line=78", p("calc/parser.c")}));
    // None set: $VISUAL with +LINE; the tree's line when the panel is closed.
    storeEditorCommand(QString());
    qputenv("VISUAL", script.toUtf8());
    QVERIFY(QFile::remove(args));
    ui::definitionDock(w)->hide();
    v->setCurrentLine(line(kLexerNext));
    action(w, "actOpenEditor")->trigger();
    QVERIFY(fetest::waitFor([&] { return QFile::exists(args); }));
    QTRY_COMPARE(fetest::lines(fetest::readBytes(args)), QStringList({"+38", p("calc/lexer.c")}));
    qunsetenv("VISUAL");
    const QProcessEnvironment none;
    const EditorCommand fallback = editorCommand(QString(), none, "/a b/c.c", 5);
    QCOMPARE(fallback.program, QString("xdg-open"));
    QCOMPARE(fallback.arguments, QStringList({"/a b/c.c"}));

    // parser.c edited after the run.
    QFile src(p("calc/parser.c"));
    QVERIFY(src.open(QIODevice::ReadWrite));
    QVERIFY(src.setFileTime(QDateTime::currentDateTime().addSecs(3600), QFileDevice::FileModificationTime));
    src.close();
    QVERIFY(w.showResultFile(p("tree.txt")));
    QVERIFY(fetest::waitFor([&] { return v->facts(); }));
    w.navigator()->OpenDefinition(line(kParseFactor));
    QVERIFY(panel->sourceChanged());
    QVERIFY(panel->changedLabel->isVisible());
    QVERIFY(panel->callSites().empty());
  }

  // ファイル > 開く: a saved result with its tree.json, no run; remembered
  // under the File menu; a file that cannot be read says so.
  void openAResultAndTheRecentOnes() {
    prepareCalc();
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QString chosen = p("tree.txt");
    w.openFileDialog = [&](QWidget*, const QString&, const QString&) { return chosen; };
    w.findChild<QAction*>("mnuFileOpen")->trigger();
    QVERIFY(ui::RichTextBox1(w)->result()->isTree());
    QVERIFY(fetest::waitFor([&] { return ui::RichTextBox1(w)->facts(); }));
    QCOMPARE(fetest::messages(w), QStringList({p("tree.txt") + "を表示しています"}));
    auto* recent = w.findChild<QMenu*>("mnuRecent");
    QCOMPARE(recent->actions().size(), 1);
    QVERIFY(recent->menuAction()->isEnabled());
    chosen = p("none.txt");
    w.findChild<QAction*>("mnuFileOpen")->trigger();
    QVERIFY(fetest::messages(w).last().contains("読み込めませんでした"));
    QVERIFY(!ui::RichTextBox1(w)->isEmpty());  // what was shown stays
    ui::RichTextBox1(w)->clear();
    recent->actions().first()->trigger();
    QVERIFY(!ui::RichTextBox1(w)->isEmpty());
    QCOMPARE(recent->actions().size(), 1);
  }

  // In the callers tree a line calls the line above it: the same panel
  // entries lead the other way through the tree.
  void callersTreeTurnsThePanelsLinksRound() {
    QVERIFY(QDir().mkpath(p("calc")));
    for (const QString& f : QDir(EXAMPLES_DIR "/calc").entryList(QDir::Files))
      QVERIFY(QFile::copy(EXAMPLES_DIR "/calc/" + f, p("calc/" + f)));
    for (const char* f : {"tree.txt", "tree.json"})
      QVERIFY(QFile::copy(QString(FIXTURES_DIR "/calc_callers/") + f, p(f)));
    frmMain w;
    showCalc(w);
    ResultView* v = ui::RichTextBox1(w);
    QVERIFY(v->facts()->callersTree);
    w.navigator()->OpenDefinition(0);  // lexer_next, called by lexer_init, lexer_accept, parse_statement, parse_factor
    DefinitionPanel* panel = ui::definitionPanel(w);
    QCOMPARE(panel->callers->count(), 4);
    emit panel->callers->itemActivated(panel->callers->item(1));  // lexer_accept: its line below
    QCOMPARE(v->currentLine(), line(5));
    QCOMPARE(panel->nameLabel->text(), QString("lexer_accept"));
    emit panel->calls->itemActivated(panel->calls->item(0));  // it calls lexer_next: the line above
    QCOMPARE(v->currentLine(), 0);
  }

  void badFilesFallBack_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("said");
    const QByteArray good = fetest::readBytes(FIXTURES_DIR "/calc/tree.json");
    auto edited = [&](const std::function<void(QJsonObject&, QJsonArray&)>& edit) {
      QJsonObject doc = QJsonDocument::fromJson(good).object();
      QJsonArray tree = doc["tree"].toArray();
      edit(doc, tree);
      doc["tree"] = tree;
      return QJsonDocument(doc).toJson();
    };
    auto setInTree = [](QJsonArray& tree, int i, const char* key, const QJsonValue& v) {
      QJsonObject e = tree[i].toObject();
      e[key] = v;
      tree[i] = e;
    };
    QTest::newRow("truncated") << good.left(good.size() / 2) << "読み込めない";
    QTest::newRow("another tree's") << edited([&](QJsonObject&, QJsonArray& t) {
      setInTree(t, 5, "name", "read_numbers");
    }) << "6行目";
    QTest::newRow("a line short") << edited([](QJsonObject&, QJsonArray& t) { t.removeLast(); }) << "46";
    QTest::newRow("depth moved") << edited([&](QJsonObject&, QJsonArray& t) { setInTree(t, 9, "depth", 1); })
                                 << "10行目";
    QTest::newRow("loop elsewhere") << edited([&](QJsonObject&, QJsonArray& t) { setInTree(t, 26, "target", 16); })
                                    << "27行目";
    QTest::newRow("out of range") << edited([&](QJsonObject&, QJsonArray& t) { setInTree(t, 15, "function", 1700); })
                                  << "範囲外";
    QTest::newRow("a newer format") << edited([](QJsonObject& d, QJsonArray&) { d["format_version"] = 2; }) << "版";
    QTest::newRow("not json") << QByteArray("\x81\x40garbage") << "読み込めない";
    QTest::newRow("deeply nested") << QByteArray(100000, '[') << "入れ子";
  }
  void badFilesFallBack() {
    QFETCH(QByteArray, json);
    QFETCH(QString, said);
    prepareCalc();
    QVERIFY(fetest::writeBytes(p("tree.json"), json));
    frmMain w;
    showCalc(w, false);
    QVERIFY(fetest::waitFor([&] { return !w.isReadingFacts(); }));
    QVERIFY(!ui::RichTextBox1(w)->facts());
    QCOMPARE(ui::listerr(w)->count(), 1);
    QVERIFY2(fetest::messages(w).last().contains("tree.json") && fetest::messages(w).last().contains(said),
             qPrintable(fetest::messages(w).last()));
    // The text's own tree and links stay: they need no file but tree.txt.
    QVERIFY(ui::RichTextBox1(w)->result()->isTree());
    QCOMPARE(ui::RichTextBox1(w)->linkAt(line(kRef)).kind, LinkKind::Reference);
    OpenDefinitionShowsTheNote(w);
  }
  static void OpenDefinitionShowsTheNote(frmMain& w) {
    w.navigator()->OpenDefinition(line(kParseFactor));
    QVERIFY(ui::definitionPanel(w)->nameLabel->text().isEmpty());
    QVERIFY(ui::definitionPanel(w)->placeLabel->text().contains("tree.json"));
  }

  // Damaged copies of a good tree.json: each is refused or read, never a
  // crash, and whatever is read can be shown.
  void damagedTreeJsonNeverCrashes() {
    prepareCalc();
    const QByteArray good = fetest::readBytes(p("tree.json"));
    const auto idx = ResultIndex::fromBytes(fetest::readBytes(p("tree.txt")), ResultIndex::Encoding::Cp932);
    QRandomGenerator rnd(7);
    DefinitionPanel panel;
    int read = 0;
    for (int round = 0; round < 300; ++round) {
      QByteArray bad = good;
      for (int k = 0, n = 1 + static_cast<int>(rnd.bounded(3)); k < n; ++k) {
        const int at = static_cast<int>(rnd.bounded(static_cast<int>(bad.size())));
        switch (rnd.bounded(3)) {
          case 0: bad[at] = static_cast<char>(rnd.bounded(256)); break;
          case 1: bad.remove(at, static_cast<int>(rnd.bounded(40))); break;
          default: bad.insert(at, "-1"); break;
        }
      }
      QVERIFY(fetest::writeBytes(p("bad.json"), bad));
      QString problem;
      const auto facts = TreeFacts::read(p("bad.json"), *idx, &problem);
      QVERIFY(facts || !problem.isEmpty());
      if (!facts) continue;
      ++read;
      panel.setFacts(facts, root_, QString());
      for (int f = 0; f < static_cast<int>(facts->functions.size()); ++f) panel.showFunction(f);
      for (int l = 0; l < idx->lineCount(); ++l) linkOf(*idx, facts.get(), l);
    }
    QVERIFY(read > 0);  // some damage (a call's line, a path) still matches the tree
  }

  // The whole way with the real analyser: F3 asks it for tree.json too, and
  // what it writes matches its tree.txt line for line.
  void realAnalyserRunFillsThePanel() {
    fetest::CwdGuard cwd(root_);
    prepareCalc();
    QVERIFY(QFile::remove(p("tree.txt")) && QFile::remove(p("tree.json")));
    QVERIFY(QFile::copy(CONZELTA_PATH, p("conzelta")));
    QVERIFY(fetest::writeBytes(p("zelta.ini"), fetest::defaultIni()));
    frmMain w;
    w.options()->optexplation = 1;
    w.Drop({p("calc")});
    QVERIFY(fetest::runToEnd(w));
    QVERIFY(QFile::exists(p("tree.json")));
    QVERIFY(fetest::waitFor([&] { return !w.isReadingFacts(); }));
    QCOMPARE(fetest::messages(w), QStringList({"解析中・・・", "解析結果を表示してます", "正常に終了しました"}));
    QVERIFY(ui::RichTextBox1(w)->facts());
    w.navigator()->OpenDefinition(line(kParseFactor));
    QCOMPARE(ui::definitionPanel(w)->placeLabel->text(), QString("calc/parser.c:70"));
  }

  void runOutcomesForBadAndMissingFiles() {
    fetest::CwdGuard cwd(root_);
    prepareCalc();
    QVERIFY(fetest::writeBytes(p("zelta.ini"), fetest::defaultIni()));
    fetest::writeFakeAnalyser(root_);
    QVERIFY(QFile::rename(p("tree.txt"), p("fake_tree.txt")));
    frmMain w;
    w.Drop({p("calc/main.c")});
    // An analyser that writes no tree.json (one that does not know -j): the
    // tree works, the panel says why it is empty, no message.
    QVERIFY(QFile::rename(p("tree.json"), p("old.json")));
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(fetest::messages(w), QStringList({"解析中・・・", "解析結果を表示してます", "正常に終了しました"}));
    QVERIFY(ui::RichTextBox1(w)->result()->isTree());
    QVERIFY(!w.isReadingFacts() && !ui::RichTextBox1(w)->facts());
    // A tree.json left by an earlier run is not this run's: not read.
    QVERIFY(QFile::rename(p("old.json"), p("tree.json")));
    QFile json(p("tree.json"));
    QVERIFY(json.open(QIODevice::ReadWrite));
    QVERIFY(json.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    json.close();
    QVERIFY(fetest::runToEnd(w));
    QVERIFY(!w.isReadingFacts() && !ui::RichTextBox1(w)->facts());
    w.navigator()->OpenDefinition(line(kParseFactor));
    QVERIFY(ui::definitionPanel(w)->placeLabel->text().contains("古い"));
    // A hand-edited tree.txt: shown as it is, without folds, links or panel.
    QByteArray edited = fetest::readBytes(p("fake_tree.txt"));
    edited.replace(fetest::sj("10  　 │ ├next"), fetest::sj("1O  　 │ ├next"));
    QVERIFY(fetest::writeBytes(p("fake_tree.txt"), edited));
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(fetest::messages(w).mid(0, 3), QStringList({"解析中・・・", "解析結果を表示してます", "正常に終了しました"}));
    QCOMPARE(fetest::messages(w).size(), 4);
    QVERIFY(fetest::messages(w).last().contains("10行目"));
    QCOMPARE(ui::RichTextBox1(w)->toPlainText(), decodeText(edited));
    QVERIFY(!ui::RichTextBox1(w)->result()->isTree());
    QCOMPARE(ui::RichTextBox1(w)->linkAt(line(kRef)).kind, LinkKind::None);
    QVERIFY(!action(w, "actExpandAll")->isEnabled());
    QVERIFY(action(w, "actFind")->isEnabled());
  }

  void selectionCopySaveAndPrintUseTheResult() {
    prepareCalc();
    frmMain w;
    showCalc(w, false);
    ResultView* v = ui::RichTextBox1(w);
    // A drag from the start of line 2 to line 3: the text between, folded
    // lines included.
    action(w, "actDepth1")->trigger();
    QTest::mousePress(v->viewport(), Qt::LeftButton, {}, QPoint(v->foldMarkerPoint(0).x() + 30, 2));
    QTest::mouseMove(v->viewport(), QPoint(400, v->fontMetrics().height() * 2 + 2));
    QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, QPoint(400, v->fontMetrics().height() * 2 + 2));
    QVERIFY(v->hasSelection());
    QVERIFY(v->selectedText().contains("print_banner"));
    v->setSelection({1, 0}, {3, 0});
    QTest::keyClick(v, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             decodeText(fetest::readBytes(p("tree.txt"))).section('\n', 1, 2) + "\n");
    // Saved, the result is tree.txt byte for byte.
    w.saveFileDialog = [&](QWidget*, const QString&, const QString&) { return p("saved.txt"); };
    w.SaveAs();
    QCOMPARE(fetest::readBytes(p("saved.txt")), fetest::readBytes(p("tree.txt")));
  }

  void bordersAndPanelAreRemembered() {
    {
      frmMain w;
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      const QRect list = ui::TreeView1(w)->geometry(), result = ui::RichTextBox1(w)->geometry(),
                  msgs = ui::listerr(w)->geometry();
      const QPoint at = ui::listSplit(w)->rect().center();
      QTest::mousePress(ui::listSplit(w), Qt::LeftButton, {}, at);
      QTest::mouseMove(ui::listSplit(w), at + QPoint(30, 0));
      QTest::mouseRelease(ui::listSplit(w), Qt::LeftButton, {}, at);  // the handle moved along under the pointer
      QCOMPARE(ui::TreeView1(w)->width(), list.width() + 30);
      QCOMPARE(ui::RichTextBox1(w)->geometry(), result.adjusted(30, 0, 0, 0));
      const QPoint m = ui::messageSplit(w)->rect().center();
      QTest::mousePress(ui::messageSplit(w), Qt::LeftButton, {}, m);
      QTest::mouseMove(ui::messageSplit(w), m + QPoint(0, -45));
      QTest::mouseRelease(ui::messageSplit(w), Qt::LeftButton, {}, m);
      QCOMPARE(ui::RichTextBox1(w)->height(), result.height() - 45);
      QCOMPARE(ui::listerr(w)->height(), msgs.height() + 45);
      ui::definitionDock(w)->show();
      QTRY_VERIFY(ui::RichTextBox1(w)->width() < result.width() - 30);  // the panel takes the client's room
      w.close();
    }
    QCOMPARE(GetSetting("Settings", "ListWidth", "?"), QString::number(2175 + 450));
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(ui::definitionDock(w)->isVisible());
    QCOMPARE(ui::TreeView1(w)->width(), 145 + 30);
    QCOMPARE(ui::listerr(w)->height(), 88 + 45);
  }

  // The callers tree (-r), the calls through pointers (-p) and the
  // configured preprocessing (-c): ticked, remembered, on the command line.
  void treeOptionsRemembered() {
    frmMain w;
    frmoption& o = *w.options();
    w.ShowOptions();
    QVERIFY(!o.chkcallers->isChecked() && !o.chkpointers->isChecked() && !o.chkconfigured->isChecked());
    QCOMPARE(o.chkcallers->text(), QString("呼び出し元ツリー"));
    QCOMPARE(o.chkpointers->text(), QString("関数ポインタ経由"));
    QCOMPARE(o.chkconfigured->text(), QString("ビルド構成"));
    o.chkcallers->setChecked(true);
    o.chkpointers->setChecked(true);
    o.chkconfigured->setChecked(true);
    o.SetSetting();
    QCOMPARE(GetSetting("option", "optcallers", "?"), QString("1"));
    QCOMPARE(GetSetting("option", "optpointers", "?"), QString("1"));
    QCOMPARE(GetSetting("option", "optconfigured", "?"), QString("1"));
    frmMain again;
    QCOMPARE(again.options()->optcallers, short(1));
    QCOMPARE(again.options()->optpointers, short(1));
    QCOMPARE(again.options()->optconfigured, short(1));
    QCOMPARE(buildArgline(again.options()->values(), {"/a.c"}), QString(" -r -p -c \"/a.c\""));
    QCOMPARE(runArgline(again.options()->values(), {"/a.c"}), QString(" -r -p -c -j \"/a.c\""));
  }
};

QTEST_MAIN(ResultViewTest)
#include "result_view_test.moc"
