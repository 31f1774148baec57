// Printing read back from the PDF (poppler's pdftotext -bbox): the text at a
// legible size, inside the margins, every line there and in order, page
// numbers in the footer; and the print dialog, in Japanese, offering all or
// the selection and no page range.
#include <QAbstractButton>
#include <algorithm>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "fe_test_util.h"
#include "print_dialog.h"
#include "qt_translation.h"
#include "result_font.h"
#include "result_printer.h"

using namespace zelta::fe;

namespace {

struct Word {
  double xMin, yMin, xMax, yMax;
  QString text;
};
struct Page {
  double width, height;
  QList<Word> words;
};

QList<Page> readBoxes(const QString& pdf) {
  QProcess pr;
  pr.start("pdftotext", {"-bbox", pdf, "-"});
  if (!pr.waitForFinished(120000)) return {};
  const QString xhtml = QString::fromUtf8(pr.readAllStandardOutput());
  static const QRegularExpression tag(
      R"re(<page width="([\d.]+)" height="([\d.]+)">|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  QList<Page> pages;
  for (auto it = tag.globalMatch(xhtml); it.hasNext();) {
    const auto m = it.next();
    if (!m.captured(1).isEmpty()) {
      pages.append({m.captured(1).toDouble(), m.captured(2).toDouble(), {}});
    } else if (!pages.isEmpty()) {
      QString t = m.captured(7);
      t.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&");
      pages.last().words.append({m.captured(3).toDouble(), m.captured(4).toDouble(), m.captured(5).toDouble(),
                                 m.captured(6).toDouble(), t});
    }
  }
  // In the order of the printed lines: poppler reads a column of line
  // numbers as a text column of its own.
  for (Page& pg : pages)
    std::stable_sort(pg.words.begin(), pg.words.end(), [](const Word& a, const Word& b) {
      return qAbs(a.yMin - b.yMin) > 0.5 ? a.yMin < b.yMin : a.xMin < b.xMin;
    });
  return pages;
}

// The text without blanks and ruling: what must survive any wrapping.
QString ink(QString s) {
  static const QRegularExpression blankOrRuling(QStringLiteral("[\\s\\x{3000}\\x{2502}\\x{251C}\\x{2514}]"));
  return s.remove(blankOrRuling);
}

// A tree as the analyser draws one, deep and wide: lines of several hundred
// characters, ruling longer than a page is wide, long names.
QString wideTree() {
  QString out;
  for (int i = 1; i <= 300; ++i) {
    const int level = (i * 7) % 120;
    QString line = QString("%1 ").arg(i, 5);
    for (int l = 0; l < level; ++l) line += (l % 3 == 0) ? QString("　 ") : QString("│ ");
    line += (i % 2 ? "├" : "└");
    line += QString("function_with_a_rather_long_name_%1 [subsystem/folder/file_%1.c]").arg(i);
    if (i % 50 == 0) line += QString(" x").repeated(150);
    out += line + "\n";
  }
  return out;
}

}  // namespace

class ResultPrinterTest : public fetest::Fixture {
  Q_OBJECT
 private slots:
  void printedTreesAreLegibleWholeAndInsideTheMargins_data() {
    QTest::addColumn<QString>("which");
    QTest::newRow("example") << "example";
    QTest::newRow("wide") << "wide";
  }
  void printedTreesAreLegibleWholeAndInsideTheMargins() {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) QSKIP("pdftotext (poppler-utils) is missing");
    QFETCH(QString, which);
    QString tree;
    if (which == "example") {
      fetest::CwdGuard cwd(root_);
      QVERIFY(fetest::writeBytes("zelta.ini", fetest::defaultIni()));
      QProcess analyser;
      analyser.setStandardOutputFile(QProcess::nullDevice());
      analyser.start(CONZELTA_PATH, {"-v", EXAMPLES_DIR "/calc"});
      QVERIFY(analyser.waitForFinished(60000));
      QCOMPARE(analyser.exitCode(), 1);
      tree = fetest::lines(fetest::readBytes("tree.txt")).join("\n") + "\n";
    } else {
      tree = wideTree();
    }

    QPrinter printer(QPrinter::HighResolution);
    setDefaultPrintMargins(printer);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(p("tree.pdf"));
    QVERIFY(printResultText(printer, tree, resultFont()));

    const QList<Page> pages = readBoxes(p("tree.pdf"));
    QVERIFY(pages.size() > 1);
    const double margin = 15 / 25.4 * 72, slack = 0.5;
    QString body;
    for (int n = 0; n < pages.size(); ++n) {
      const Page& pg = pages[n];
      QVERIFY(!pg.words.isEmpty());
      for (const Word& w : pg.words) {
        QVERIFY2(w.yMax - w.yMin >= 8, qPrintable(QString("%1 is %2 pt high").arg(w.text).arg(w.yMax - w.yMin)));
        QVERIFY2(w.xMin >= margin - slack && w.xMax <= pg.width - margin + slack, qPrintable(w.text));
        QVERIFY(w.yMin >= margin - slack && w.yMax <= pg.height - margin + slack);
      }
      // The footer is the page's last line: its number, alone.
      const double footerTop = pg.words.last().yMin;
      QString footer;
      for (const Word& w : pg.words) (w.yMin >= footerTop - 0.1 ? footer : body) += w.text;
      QCOMPARE(footer, QString("-%1-").arg(n + 1));
    }
    QCOMPARE(ink(body), ink(tree));
  }

  // Qt's dialog in Japanese, with "all" and "selection" and no page range,
  // also once its options are opened.
  void printDialogOffersAllOrSelectionInJapanese() {
    QVERIFY(installQtJapanese());
    for (bool selection : {false, true}) {
      QPrinter printer;
      QStringList seen;
      QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        auto* buttons = dlg->findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        for (QAbstractButton* b : buttons->buttons()) seen << b->text();
        for (QAbstractButton* b : buttons->buttons())
          if (b->text().contains("オプション")) b->click();
        for (const char* name : {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit", "printCurrentPage"})
          if (auto* w = dlg->findChild<QWidget*>(name)) QVERIFY2(!w->isVisible(), name);
        QVERIFY(dlg->findChild<QWidget*>("printAll")->isVisible());
        QCOMPARE(dlg->findChild<QWidget*>("printSelection")->isVisible(), selection);
        dlg->reject();
      });
      QVERIFY(!askToPrint(nullptr, &printer, selection));
      QVERIFY2(seen.contains("キャンセル"), qPrintable(seen.join(", ")));
    }
  }
};

QTEST_MAIN(ResultPrinterTest)
#include "result_printer_test.moc"
