// The graph panel: which functions and calls it draws (read back from the
// layout), depth, folding of busy functions, a click that navigates, export
// to SVG and PNG, and a layout overtaken by a newer request. The graph's own
// window: the paths between two functions, cut and bounded, fitting as it
// is resized, hiding, finding, wide groups in columns.
#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QTest>
#include <QTreeWidget>
#include <QXmlStreamReader>
#include <map>
#include <set>

#include "call_graph_model.h"
#include "call_paths.h"
#include "fe_test_util.h"
#include "frm_main.h"
#include "graph_layout.h"
#include "graph_panel.h"
#include "graph_view.h"
#include "graph_window.h"

using namespace zelta::fe;

namespace {

// The tree line (from 1) of lexer_next under lexer_init, and of
// parse_statement, in the example program's tree.
constexpr int kLexerNext = 5, kParseStatement = 9;

std::set<QString> nodeNames(const GraphPicture& pic) {
  std::set<QString> out;
  for (const GraphNode& n : pic.graph->nodes) out.insert(n.name);
  return out;
}

// The calls as Graphviz laid them out, "caller>callee".
std::set<QString> edgeNames(const GraphPicture& pic) {
  std::set<QString> out;
  for (const auto& [from, to] : pic.edges)
    out.insert(pic.graph->nodes[static_cast<size_t>(from)].name + ">" + pic.graph->nodes[static_cast<size_t>(to)].name);
  return out;
}

const GraphEdge* edgeOf(const CallGraph& g, const QString& from, const QString& to) {
  for (const GraphEdge& e : g.edges)
    if (g.nodes[static_cast<size_t>(e.from)].name == from && g.nodes[static_cast<size_t>(e.to)].name == to) return &e;
  return nullptr;
}

GraphEdge::Kind kindOf(const CallGraph& g, const QString& from, const QString& to) {
  for (const GraphEdge& e : g.edges)
    if (g.nodes[static_cast<size_t>(e.from)].name == from && g.nodes[static_cast<size_t>(e.to)].name == to)
      return e.kind;
  return GraphEdge::Kind::Call;
}

int nodeNamed(const GraphPicture& pic, const QString& name) {
  for (size_t i = 0; i < pic.graph->nodes.size(); ++i)
    if (pic.graph->nodes[i].name == name) return static_cast<int>(i);
  return -1;
}

// The SVG's nodes: id -> the box its outline spans.
std::map<QString, QRectF> svgNodeBoxes(const QByteArray& svg, QPointF* shift) {
  std::map<QString, QRectF> out;
  QXmlStreamReader xml(svg);
  QString node;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto a = xml.attributes();
    if (xml.name() == u"g" && a.value("class") == u"graph") {
      // "scale(1 1) rotate(0) translate(x y)"
      const QString t = a.value("transform").toString();
      const QStringList xy = t.mid(t.indexOf("translate(") + 10).chopped(1).split(' ');
      *shift = QPointF(xy.value(0).toDouble(), xy.value(1).toDouble());
    }
    if (xml.name() == u"g") node = a.value("class") == u"node" ? a.value("id").toString() : QString();
    if (xml.name() == u"path" || xml.name() == u"polygon") {
      if (node.isEmpty()) continue;
      QRectF box;
      const QString d = a.hasAttribute("d") ? a.value("d").toString() : a.value("points").toString();
      const QStringList nums =
          QString(d).replace(QRegularExpression("[^0-9.,-]+"), " ").replace(',', ' ').split(' ', Qt::SkipEmptyParts);
      for (int i = 0; i + 1 < nums.size(); i += 2)
        box |= QRectF(nums[i].toDouble(), nums[i + 1].toDouble(), 0.001, 0.001);
      out[node] |= box;
    }
  }
  return out;
}

// Facts made by hand: a hub called by `callers` functions, each called by
// one function of its own, and an undefined function the hub calls.
std::shared_ptr<TreeFacts> hubFacts(int callers) {
  auto f = std::make_shared<TreeFacts>();
  f->functions.push_back({QStringLiteral("hub"), "hub", -1, 1, -1, {}, {}});
  f->functions[0].calls.push_back({QStringLiteral("kmalloc"), -1, 2, -1, {}});
  f->undefined.push_back({QStringLiteral("kmalloc"), {0}});
  for (int i = 0; i < callers; ++i) {
    const int c = static_cast<int>(f->functions.size());
    f->functions.push_back({QStringLiteral("c%1").arg(i), "", -1, 1, -1, {{"hub", -1, 1, 0, {}}}, {c + 1}});
    f->functions.push_back(
        {QStringLiteral("d%1").arg(i), "", -1, 1, -1, {{QStringLiteral("c%1").arg(i), -1, 1, c, {}}}, {}});
    f->functions[0].callers.push_back(c);
  }
  return f;
}

int countAtRank(const CallGraph& g, int rank, GraphNode::Kind kind) {
  int n = 0;
  for (const GraphNode& node : g.nodes) n += node.rank == rank && node.kind == kind;
  return n;
}

}  // namespace

class GraphPanelTest : public fetest::Fixture {
  Q_OBJECT

  void showCalc(frmMain& w) {
    for (const char* f : {"tree.txt", "tree.json"})
      QVERIFY(QFile::exists(p(f)) || QFile::copy(QString(FIXTURES_DIR "/calc/") + f, p(f)));
    w.resize(1300, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.showResultFile(p("tree.txt")));
    QVERIFY(fetest::waitFor([&] { return ui::RichTextBox1(w)->facts(); }));
  }
  // Waits for the panel's latest picture to be on screen.
  static bool settled(GraphPanel* panel) {
    return fetest::waitFor([panel] { return !panel->isLayingOut(); }) && panel->picture();
  }
  static bool settled(GraphWindow* big) {
    return fetest::waitFor([big] { return !big->isBusy(); }) && big->picture();
  }

 private slots:
  // A pair called only through function pointers (-p) is drawn apart; one
  // called directly as well is an ordinary call.
  void pointerCallsApart() {
    auto facts = std::make_shared<TreeFacts>();
    const auto fn = [](const char* name, std::vector<CallFact> calls) {
      FunctionFact f;
      f.name = QString::fromUtf8(name);
      f.utf8 = name;
      f.calls = std::move(calls);
      return f;
    };
    facts->functions = {fn("main", {{"f", -1, 3, 1, "struct_field"}, {"g", -1, 4, 2, "variable"}, {"g", -1, 5, 2, ""}}),
                        fn("f", {}), fn("g", {})};
    CallGraphModel m;
    m.setFacts(facts);
    m.setCentre(FunctionRef::defined(0));
    const CallGraph g = m.build();
    QVERIFY(edgeOf(g, "main", "f") && edgeOf(g, "main", "f")->pointer);
    QVERIFY(edgeOf(g, "main", "g") && !edgeOf(g, "main", "g")->pointer);
  }

  // The example program: lexer_next's callees and callers as laid out,
  // with parse_factor's recursion and the cycle through parse_expr; depth 1
  // keeps the direct ones; the nodes' boxes are where the SVG draws them.
  void exampleGraphFromTheLayout() {
    frmMain w;
    showCalc(w);
    QVERIFY(!ui::graphDock(w)->isVisible());
    ui::RichTextBox1(w)->setCurrentLine(kLexerNext - 1);
    w.findChild<QAction*>("actGraph")->trigger();
    QVERIFY(ui::graphDock(w)->isVisible());
    GraphPanel* panel = ui::graphPanel(w);
    QCOMPARE(panel->depth(), 2);
    QVERIFY(settled(panel));
    const GraphPicture* pic = panel->picture();
    QVERIFY2(pic->ok(), qPrintable(pic->error));
    QCOMPARE(panel->titleLabel->text(), QString("lexer_next  calc/lexer.c:38"));
    QCOMPARE(nodeNames(*pic), (std::set<QString>{"lexer_next", "read_number", "single_char_token", "report_error",
                                                 "lexer_init", "lexer_accept", "parse_statement", "parse_factor",
                                                 "evaluate_line", "parse_expr", "parse_term"}));
    QCOMPARE(edgeNames(*pic),
             (std::set<QString>{"lexer_next>read_number", "lexer_next>single_char_token", "lexer_next>report_error",
                                "lexer_init>lexer_next", "lexer_accept>lexer_next", "parse_statement>lexer_next",
                                "parse_factor>lexer_next", "evaluate_line>lexer_init", "evaluate_line>parse_statement",
                                "parse_statement>lexer_accept", "parse_expr>lexer_accept", "parse_term>lexer_accept",
                                "parse_factor>lexer_accept", "parse_term>parse_factor", "parse_factor>parse_factor",
                                "parse_factor>parse_expr", "parse_expr>parse_term"}));
    QCOMPARE(kindOf(*pic->graph, "parse_factor", "parse_factor"), GraphEdge::Kind::Recursion);
    QCOMPARE(kindOf(*pic->graph, "parse_factor", "parse_expr"), GraphEdge::Kind::Cycle);
    QCOMPARE(kindOf(*pic->graph, "lexer_init", "lexer_next"), GraphEdge::Kind::Call);
    // Callers left of the function, callees right of it.
    const QRectF centre = pic->boxes[0];
    QVERIFY(pic->boxes[static_cast<size_t>(nodeNamed(*pic, "lexer_init"))].right() < centre.left());
    QVERIFY(pic->boxes[static_cast<size_t>(nodeNamed(*pic, "read_number"))].left() > centre.right());
    QPointF shift;
    const auto svgBoxes = svgNodeBoxes(pic->svg, &shift);
    QCOMPARE(svgBoxes.size(), pic->boxes.size());
    for (size_t i = 0; i < pic->boxes.size(); ++i) {
      const QRectF svg = svgBoxes.at(QStringLiteral("n%1").arg(i)).translated(shift);
      const QRectF box = pic->boxes[i];
      QVERIFY2(std::abs(svg.left() - box.left()) < 1.5 && std::abs(svg.top() - box.top()) < 1.5 &&
                   std::abs(svg.right() - box.right()) < 1.5 && std::abs(svg.bottom() - box.bottom()) < 1.5,
               qPrintable(QStringLiteral("node %1").arg(i)));
    }

    panel->depthBox->setValue(1);
    QVERIFY(settled(panel));
    pic = panel->picture();
    QCOMPARE(nodeNames(*pic), (std::set<QString>{"lexer_next", "read_number", "single_char_token", "report_error",
                                                 "lexer_init", "lexer_accept", "parse_statement", "parse_factor"}));
    QCOMPARE(pic->edges.size(), size_t(8));  // seven calls and parse_factor's own
    panel->depthBox->setValue(2);
    QVERIFY(settled(panel));
    QCOMPARE(panel->picture()->graph->nodes.size(), size_t(11));
    // Docked below the result, the panel takes its room from the controls
    // above it, which stay whole in the client.
    w.addDockWidget(Qt::BottomDockWidgetArea, ui::graphDock(w));
    QTRY_VERIFY(ui::graphDock(w)->geometry().top() > w.menuBar()->height() + 200);
    for (QWidget* c : {static_cast<QWidget*>(ui::listerr(w)), static_cast<QWidget*>(ui::TreeView1(w))})
      QTRY_VERIFY2(c->geometry().bottom() < ui::client(w)->height(), c->objectName().toUtf8());
    panel->depthBox->setValue(3);
    w.close();  // the depth is remembered
    QCOMPARE(ui::graphPanel(frmMain())->depth(), 3);

    // Undefined functions only when the run showed them (-a), and lighter.
    CallGraphModel m;
    auto withA = std::make_shared<TreeFacts>(*ui::RichTextBox1(w)->facts());
    m.setFacts(withA);
    m.setCentre(FunctionRef::defined(8));
    QCOMPARE(m.build().nodeOf(FunctionRef::undefinedAt(0)), -1);
    withA->undefinedShown = true;
    const CallGraph g = m.build();
    QVERIFY(g.nodeOf(FunctionRef::undefinedAt(0)) > 0);  // fprintf, called by report_error
    QCOMPARE(g.nodes[static_cast<size_t>(g.nodeOf(FunctionRef::undefinedAt(0)))].name, QString("fprintf"));
  }

  // A click on a caller moves the result to the line where it calls the
  // function, and the panel redraws around it; the picture exports as SVG
  // and PNG, each read back.
  void clickNavigatesAndExports() {
    frmMain w;
    showCalc(w);
    ui::RichTextBox1(w)->setCurrentLine(kLexerNext - 1);
    ui::graphDock(w)->show();
    GraphPanel* panel = ui::graphPanel(w);
    QVERIFY(settled(panel));
    const int caller = nodeNamed(*panel->picture(), "parse_statement");
    const QPoint at = panel->view->nodePoint(caller);
    QVERIFY(!at.isNull());
    QTest::mouseClick(panel->view->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(ui::RichTextBox1(w)->currentLine(), kParseStatement - 1);
    QCOMPARE(panel->shownFunction(), FunctionRef::defined(14));
    QVERIFY(settled(panel));
    QCOMPARE(panel->picture()->graph->nodes.front().name, QString("parse_statement"));
    QVERIFY(w.findChild<QAction*>("actBack")->isEnabled());
    // From the keyboard: the mark starts on the function, Left takes it to
    // a caller, Right back, Enter goes to the marked one as a click does.
    QCOMPARE(panel->view->markedNode(), 0);
    QTest::keyClick(panel->view, Qt::Key_Left);
    const int left = panel->view->markedNode();
    const GraphPicture* shown = panel->picture();
    QVERIFY(left > 0 && shown->boxes[size_t(left)].right() < shown->boxes[0].left());
    QTest::keyClick(panel->view, Qt::Key_Right);
    QCOMPARE(panel->view->markedNode(), 0);
    QTest::keyClick(panel->view, Qt::Key_Left);
    const FunctionRef leftFn = shown->graph->nodes[size_t(left)].function;
    QTest::keyClick(panel->view, Qt::Key_Return);
    QCOMPARE(panel->shownFunction(), leftFn);
    QVERIFY(settled(panel));
    // A drag pans and clicks nothing.
    const int before = ui::RichTextBox1(w)->currentLine();
    QTest::mousePress(panel->view->viewport(), Qt::LeftButton, {}, QPoint(40, 40));
    QTest::mouseMove(panel->view->viewport(), QPoint(90, 90));
    QTest::mouseRelease(panel->view->viewport(), Qt::LeftButton, {}, QPoint(90, 90));
    QCOMPARE(ui::RichTextBox1(w)->currentLine(), before);
    // Ctrl+0 fits the picture.
    panel->view->setZoom(3);
    QTest::keyClick(panel->view, Qt::Key_0, Qt::ControlModifier);
    QVERIFY(panel->view->zoom() <= 1.0);

    QAction* exportAct = w.findChild<QAction*>("actExportGraph");
    QVERIFY(exportAct->isEnabled());
    QString asked;
    w.saveFileDialog = [&](QWidget*, const QString&, const QString&) { return asked; };
    asked = p("graph");  // no extension: SVG
    exportAct->trigger();
    QSvgRenderer svg(p("graph.svg"));
    QVERIFY(svg.isValid());
    QPointF shift;
    QCOMPARE(svgNodeBoxes(fetest::readBytes(p("graph.svg")), &shift).size(), panel->picture()->graph->nodes.size());
    asked = p("graph.PNG");
    exportAct->trigger();
    QImage png(p("graph.PNG"), "png");
    QVERIFY(!png.isNull());
    const GraphPicture& now = *panel->picture();
    QCOMPARE(png.width(), qRound(now.size.width() * 2));
    // Inside the highlighted node, beside its name: the centre's yellow.
    const QRectF c = now.boxes[0];
    QCOMPARE(png.pixelColor(qRound((c.left() + 4) * 2), qRound(c.center().y() * 2)), QColor("#fff2a8"));
    // A folder that cannot be written: a message, no crash.
    QString said;
    w.messageBox = [&](QWidget*, const QString&, const QString& text) { said = text; };
    asked = p("missing/graph.svg");
    exportAct->trigger();
    QVERIFY(said.contains("missing/graph.svg"));
    // No result: nothing to export.
    w.ClearAll();
    QVERIFY(!exportAct->isEnabled());

    // With -a an undefined function has lines of its own: a click on
    // fprintf under report_error goes to the line below it.
    {
      fetest::CwdGuard cwd(root_);
      QVERIFY(QDir().mkpath(p("calc")));
      for (const QString& f : QDir(EXAMPLES_DIR "/calc").entryList(QDir::Files))
        QVERIFY(QFile::copy(EXAMPLES_DIR "/calc/" + f, p("calc/" + f)));
      QVERIFY(fetest::writeBytes(p("zelta.ini"), fetest::defaultIni()));
      QCOMPARE(QProcess::execute(CONZELTA_PATH, {"-a", "-j", "-e", "calc"}), 1);
    }
    QVERIFY(w.showResultFile(p("tree.txt")));
    QVERIFY(fetest::waitFor([&] { return ui::RichTextBox1(w)->facts(); }));
    QVERIFY(ui::RichTextBox1(w)->facts()->undefinedShown);
    int reportError = 0;
    while (ui::RichTextBox1(w)->result()->parts(reportError).name != "report_error") ++reportError;
    ui::RichTextBox1(w)->setCurrentLine(reportError);
    QVERIFY(settled(panel));
    const int fprintf = nodeNamed(*panel->picture(), "fprintf");
    QVERIFY(fprintf > 0);
    panel->view->centerOn(panel->picture()->boxes[static_cast<size_t>(fprintf)].center());
    QTest::mouseClick(panel->view->viewport(), Qt::LeftButton, {}, panel->view->nodePoint(fprintf));
    QCOMPARE(ui::RichTextBox1(w)->currentLine(), reportError + 1);
    QVERIFY(ui::RichTextBox1(w)->result()->parts(reportError + 1).stdfunc);
    QVERIFY(settled(panel));
    QCOMPARE(panel->titleLabel->text(), QString("fprintf  （定義なし）"));
  }

  // A depth of more than 60 new functions shows what fits and folds the
  // rest of each group into "+N more"; a click opens it.
  void busyFunctionFoldsAndOpens() {
    CallGraphModel m;
    m.setFacts(hubFacts(100));
    m.setCentre(FunctionRef::defined(0));
    CallGraph g = m.build();
    QCOMPARE(countAtRank(g, -1, GraphNode::Kind::Function), 59);
    QCOMPARE(countAtRank(g, -1, GraphNode::Kind::More), 1);
    QCOMPARE(countAtRank(g, -2, GraphNode::Kind::Function), 59);  // one caller each: all fit
    QCOMPARE(g.nodeOf(FunctionRef::undefinedAt(0)), -1);          // kmalloc: not without -a

    GraphPanel panel;
    panel.resize(700, 500);
    panel.show();
    auto facts = hubFacts(100);
    facts->functions[1].name = QString(1000000, 'x');  // names of any length keep the picture in bounds
    panel.setFacts(facts, QString());
    panel.showFunction(FunctionRef::defined(0));
    QVERIFY(settled(&panel));
    const GraphPicture& pic = *panel.picture();
    QVERIFY2(pic.ok(), qPrintable(pic.error));
    const int more = nodeNamed(pic, "他41件");
    QVERIFY(more > 0);
    QCOMPARE(pic.graph->nodes[static_cast<size_t>(more)].hidden, 41);
    QVERIFY(pic.size.width() < 2000);
    QVERIFY(pic.svg.size() < 200000);
    QVERIFY(edgeNames(pic).count("他41件>hub"));
    panel.view->centerOn(pic.boxes[static_cast<size_t>(more)].center());
    QSignalSpy activated(&panel, &GraphPanel::functionActivated);
    QTest::mouseClick(panel.view->viewport(), Qt::LeftButton, {}, panel.view->nodePoint(more));
    QVERIFY(settled(&panel));
    const GraphPicture& open = *panel.picture();
    QCOMPARE(countAtRank(*open.graph, -1, GraphNode::Kind::Function), 100);
    QCOMPARE(countAtRank(*open.graph, -1, GraphNode::Kind::More), 0);
    QVERIFY(activated.isEmpty());  // opening is not going anywhere
    // The next depth is now the busy one: 100 groups of one, one node each.
    QCOMPARE(countAtRank(*open.graph, -2, GraphNode::Kind::Function), 100);
  }

  // The window opens on the current line's function; A and B by name give
  // every path between them as a picture (read back from the layout) and
  // as a tree of shared beginnings; the length cuts them; a click on one
  // moves the result. On a dense graph the count stops at its bound.
  void pathsBetweenTwoFunctions() {
    frmMain w;
    showCalc(w);
    ui::RichTextBox1(w)->setCurrentLine(kLexerNext - 1);
    w.findChild<QAction*>("actGraphWindow")->trigger();
    auto* big = w.findChild<GraphWindow*>("graphWindow");
    QVERIFY(big && big->isVisible());
    QVERIFY(settled(big));
    QCOMPARE(big->picture()->graph->nodes.front().name, QString("lexer_next"));
    big->fromEdit->setText("evaluate_line");
    big->toEdit->setText("lexer_next");
    big->lengthBox->setValue(3);
    big->showPaths();
    QVERIFY(settled(big));
    QCOMPARE(nodeNames(*big->picture()),
             (std::set<QString>{"evaluate_line", "lexer_init", "parse_statement", "lexer_accept", "lexer_next"}));
    QCOMPARE(
        edgeNames(*big->picture()),
        (std::set<QString>{"evaluate_line>lexer_init", "lexer_init>lexer_next", "evaluate_line>parse_statement",
                           "parse_statement>lexer_next", "parse_statement>lexer_accept", "lexer_accept>lexer_next"}));
    QCOMPARE(big->paths()->paths.size(), size_t(3));
    QVERIFY(big->paths()->complete);
    QCOMPARE(big->pathTree->topLevelItemCount(), 1);  // every path starts at A
    QCOMPARE(big->pathTree->topLevelItem(0)->childCount(), 2);
    big->lengthBox->setValue(6);
    QVERIFY(settled(big));
    QCOMPARE(big->paths()->paths.size(), size_t(7));
    QVERIFY(big->paths()->note.contains("7本"));
    const int term = nodeNamed(*big->picture(), "parse_term");
    QVERIFY(term > 0);
    emit big->view->nodeClicked(term);
    QCOMPARE(ui::RichTextBox1(w)->result()->parts(ui::RichTextBox1(w)->currentLine()).name, "parse_term");
    QVERIFY(big->paths());  // the paths stay
    // From the panel's menu and the tree: the ends of a path.
    ui::RichTextBox1(w)->setCurrentLine(kParseStatement - 1);
    w.findChild<QAction*>("actPathFrom")->trigger();
    QCOMPARE(big->fromEdit->text(), QString("parse_statement"));
    big->toEdit->setText("no_such_function");
    big->showPaths();
    QVERIFY(big->noteLabel->text().contains("no_such_function"));
    // fprintf has no line in this tree (no -a): the graphs say so and offer it.
    ui::graphDock(w)->show();
    QVERIFY(settled(ui::graphPanel(w)));
    emit big->functionActivated(FunctionRef::undefinedAt(ui::RichTextBox1(w)->facts()->undefinedNamed("fprintf")));
    QCOMPARE(ui::RichTextBox1(w)->currentLine(), kParseStatement - 1);
    QVERIFY(big->noteLabel->text().contains("fprintfから木を作り直す"));
    QTRY_VERIFY(ui::graphPanel(w)->noteLabel->text().contains("fprintfから木を作り直す"));

    // Ten layers of ten functions, each calling all of the next: 10^9
    // paths, of which the first thousand are kept.
    auto dense = std::make_shared<TreeFacts>();
    for (int layer = 0; layer < 10; ++layer)
      for (int i = 0; i < 10; ++i) {
        FunctionFact f{QStringLiteral("f%1_%2").arg(layer).arg(i), "", -1, 1, -1, {}, {}};
        for (int j = 0; j < 10 && layer < 9; ++j) f.calls.push_back({"", -1, 1, (layer + 1) * 10 + j, {}});
        for (int j = 0; j < 10 && layer > 0; ++j) f.callers.push_back((layer - 1) * 10 + j);
        dense->functions.push_back(f);
      }
    dense->functions.push_back({"top", "", -1, 1, -1, {{"", -1, 1, 0, {}}, {"", -1, 1, 1, {}}}, {}});
    dense->functions[0].callers.push_back(100);
    dense->functions[1].callers.push_back(100);
    CallGraphModel m;
    m.setFacts(dense);
    PathQuery q{FunctionRef::defined(100), FunctionRef::defined(95), 10};
    const CallPaths many = findCallPaths(m, q);
    QVERIFY(!many.complete);
    QCOMPARE(many.paths.size(), q.maxPaths);
    QVERIFY(many.note.contains("打ち切り"));
    q.longest = 9;  // one call short of the bottom layer
    QVERIFY(findCallPaths(m, q).paths.empty() && findCallPaths(m, q).complete);
    q.longest = 10;
    q.maxSteps = 50;
    QVERIFY(!findCallPaths(m, q).complete);
    m.setFilter({false, {"f5_*"}});  // a hidden layer cuts every path
    q.maxSteps = 1000000;
    QVERIFY(findCallPaths(m, q).paths.empty());
  }

  // Its placement, depth, filters and path length come back in the next
  // session, whether the window was closed first or with the main window.
  void graphWindowRemembered() {
    for (bool closedFirst : {true, false}) {
      {
        frmMain w;
        showCalc(w);
        w.findChild<QAction*>("actGraphWindow")->trigger();
        auto* big = w.findChild<GraphWindow*>("graphWindow");
        big->resize(700, 500);
        big->setDepth(closedFirst ? 2 : 3);
        big->lengthBox->setValue(4);
        big->setFilter(GraphFilter{true, {"lexer_*", "parse_t?rm"}});
        if (closedFirst) big->close();
        w.close();
      }
      frmMain w;
      showCalc(w);
      ui::RichTextBox1(w)->setCurrentLine(kParseStatement - 1);
      w.findChild<QAction*>("actGraphWindow")->trigger();
      auto* big = w.findChild<GraphWindow*>("graphWindow");
      QCOMPARE(big->size(), QSize(700, 500));
      QCOMPARE(big->depth(), closedFirst ? 2 : 3);
      QCOMPARE(big->lengthBox->value(), 4);
      QVERIFY(big->hideUndefinedBox->isChecked());
      QCOMPARE(big->hideEdit->text(), QString("lexer_* parse_t?rm"));
      QVERIFY(settled(big));
      const auto names = nodeNames(*big->picture());
      QVERIFY(names.count("parse_statement") && !names.count("lexer_next") && !names.count("parse_term"));
    }
  }

  // The window fits the whole picture on opening and on each resize until
  // the user zooms; undefined functions and names matching a pattern go;
  // a name is found; a wide group of callers is laid out in columns, its
  // calls read back one by one.
  void graphWindowFitsAndHides() {
    GraphWindow big;
    auto facts = hubFacts(100);
    facts->undefinedShown = true;
    big.setFacts(facts, QString());
    big.resize(900, 700);
    big.show();
    QVERIFY(QTest::qWaitForWindowExposed(&big));
    big.showFunction(FunctionRef::defined(0));
    QVERIFY(settled(&big));
    QVERIFY(nodeNames(*big.picture()).count("kmalloc"));
    const int more = nodeNamed(*big.picture(), "他41件");
    QVERIFY(more > 0);
    emit big.view->nodeClicked(more);
    QVERIFY(settled(&big));
    const GraphPicture* pic = big.picture();
    QCOMPARE(pic->graph->nodes.size(), size_t(102));
    QCOMPARE(edgeNames(*pic).size(), size_t(101));
    std::set<int> columns;
    for (int i = 0; i < 100; ++i)
      columns.insert(qRound(pic->boxes[size_t(nodeNamed(*pic, QStringLiteral("c%1").arg(i)))].center().x()));
    QVERIFY(columns.size() >= 4);
    auto wholeInSight = [&] {
      const QRect shown = big.view->mapFromScene(QRectF(QPointF(0, 0), pic->size)).boundingRect();
      return big.view->viewport()->rect().adjusted(-2, -2, 2, 2).contains(shown);
    };
    QVERIFY(wholeInSight());
    const double before = big.view->zoom();
    big.resize(600, 500);
    QTRY_VERIFY(big.view->zoom() < before);
    QVERIFY(wholeInSight());
    QTest::keyClick(big.view, Qt::Key_Plus, Qt::ControlModifier);
    const double zoomed = big.view->zoom();
    big.resize(1000, 800);
    QTest::qWait(50);
    QCOMPARE(big.view->zoom(), zoomed);

    QVERIFY(big.findName("C4"));  // c4, c40 ... in the order drawn
    QVERIFY(big.noteLabel->text().contains("11件中1件目"));
    QVERIFY(!big.findName("nothing"));
    big.hideUndefinedBox->setChecked(true);
    QVERIFY(settled(&big));
    QVERIFY(!nodeNames(*big.picture()).count("kmalloc"));
    big.hideEdit->setText("c1* c2?");
    emit big.hideEdit->editingFinished();
    QVERIFY(settled(&big));
    const auto left = nodeNames(*big.picture());
    QVERIFY(!left.count("c1") && !left.count("c15") && !left.count("c23") && left.count("c2") && left.count("c3"));
    QCOMPARE(big.picture()->graph->nodes.size(), size_t(100 - 11 - 10 + 1));

    // A function the tree does not show: the note says so and offers it.
    QSignalSpy start(&big, &GraphWindow::startTreeRequested);
    big.offerStartAt(FunctionRef::defined(0));
    QVERIFY(big.noteLabel->text().contains("この木にありません"));
    emit big.noteLabel->linkActivated("start");
    QCOMPARE(start.size(), 1);
    QCOMPARE(start.at(0).at(0).toString(), QString("hub"));
  }

  // Graphviz runs one layout at a time: requests made meanwhile wait in one
  // slot, the newest wins, and nothing stale is delivered. A graph too big
  // to lay out comes back as a message.
  void staleLayoutsAreDropped() {
    CallGraphModel m;
    m.setFacts(hubFacts(300));
    m.setCentre(FunctionRef::defined(0));
    auto request = [&](int depth) {
      m.setDepth(depth);
      LayoutRequest r;
      r.graph = std::make_shared<CallGraph>(m.build());
      r.labels.assign(r.graph->nodes.size(), QStringLiteral("x"));
      r.widths.assign(r.graph->nodes.size(), 60);
      r.fontFamily = QStringLiteral("IPAPGothic");
      return r;
    };
    GraphLayout layout;
    QSignalSpy done(&layout, &GraphLayout::finished);
    layout.request(request(3));
    layout.request(request(2));
    const quint64 last = layout.request(request(1));
    QVERIFY(fetest::waitFor([&] { return !layout.isBusy(); }));
    QTest::qWait(100);  // anything stale would have arrived by now
    QCOMPARE(done.size(), 1);
    const auto pic = done.at(0).at(0).value<std::shared_ptr<const GraphPicture>>();
    QCOMPARE(pic->ticket, last);
    QVERIFY(pic->ok());
    QCOMPARE(pic->graph->nodes.size(), size_t(61));  // depth 1: 59 callers, "他241件", the hub
    QCOMPARE(layout.dropped(), 2);

    LayoutRequest big;
    auto huge = std::make_shared<CallGraph>();
    huge->nodes.resize(GraphLayout::kMaxNodes + 1);
    big.graph = huge;
    const GraphPicture refused = GraphLayout::layOut(big);
    QVERIFY(!refused.ok());
    QVERIFY(refused.error.contains(QString::number(GraphLayout::kMaxNodes + 1)));
  }
};

QTEST_MAIN(GraphPanelTest)
#include "graph_panel_test.moc"
