// The analyser's command line as the front-end builds and splits it, and the
// CP932 text handling of the files it reads and writes.
#include <QTest>

#include "command_line.h"
#include "cp932.h"
#include "fe_test_util.h"

using namespace zelta::fe;

class TextCommandTest : public QObject {
  Q_OBJECT
 private slots:
  void arglineWithoutOptionsIsQuotedPathsOnly() {
    OptionValues o;
    QCOMPARE(buildArgline(o, {"/src/a.c", "/src/b.h"}), QString(" \"/src/a.c\" \"/src/b.h\""));
    QCOMPARE(buildArgline(o, {}), QString());
  }

  void arglineSwitchOrderAndValues() {
    OptionValues o;
    o.optall = 1;
    o.optfilename = 1;
    QCOMPARE(buildArgline(o, {"/src/a.c", "/src/b.h"}),
             QString(" -a -v \"/src/a.c\" \"/src/b.h\""));

    OptionValues d;
    d.optdebug = 1;
    d.optfuncone = 1;
    d.funcname = "init";
    QCOMPARE(buildArgline(d, {"/x.c"}), QString(" -d -w -f init \"/x.c\""));

    OptionValues all;
    all.optall = all.optfilename = all.optfuncall = all.optfuncone = all.optdebug =
        all.optexplation = 1;
    all.funcname = "my func";  // passed unquoted, as typed
    QCOMPARE(buildArgline(all, {"/p q/r.c"}),
             QString(" -a -d -w -v -e -s -f my func \"/p q/r.c\""));

    // Only the value 1 turns a switch on.
    OptionValues two;
    two.optall = 2;
    two.optdebug = -1;
    QCOMPARE(buildArgline(two, {"/a.c"}), QString(" \"/a.c\""));
  }

  void splitLikeACRuntime() {
    QCOMPARE(splitCommandLine("./conzelta -a \"/my dir/a.c\" \"/x/b.h\""),
             QStringList({"./conzelta", "-a", "/my dir/a.c", "/x/b.h"}));
    QCOMPARE(splitCommandLine("  a \t b  "), QStringList({"a", "b"}));
    QCOMPARE(splitCommandLine("ab\"c d\"e f"), QStringList({"abc de", "f"}));
    QCOMPARE(splitCommandLine("x \"\" y"), QStringList({"x", "", "y"}));
    QCOMPARE(splitCommandLine(""), QStringList());
  }

  void builtCommandSplitsBackIntoTheWords() {
    OptionValues o;
    o.optexplation = 1;
    o.optfuncone = 1;
    o.funcname = "sub";
    const QStringList paths = {"/home/u/my src/a.c", "/home/u/日本語/b.c"};
    const QStringList words = splitCommandLine("./conzelta" + buildArgline(o, paths));
    QCOMPARE(words, QStringList({"./conzelta", "-e", "-f", "sub", "/home/u/my src/a.c",
                                 "/home/u/日本語/b.c"}));
  }

  void startupPathsAreFullPaths() {
    QCOMPARE(startupDropPaths({"zelta", "src/a.c", "/abs/dir/", "../x.c"}, "/home/u/p"),
             QStringList({"/home/u/p/src/a.c", "/abs/dir", "/home/u/x.c"}));
    QCOMPARE(startupDropPaths({"zelta"}, "/"), QStringList());
  }

  void cp932Bytes() {
    QByteArray out;
    QVERIFY(unicodeToCp932(QString("│├└　解析"), out));
    QCOMPARE(out, QByteArray("\x84\xa0\x84\xa5\x84\xa4\x81\x40\x89\xf0\x90\xcd"));
    QString back;
    QVERIFY(cp932ToUnicode(out, back));
    QCOMPARE(back, QString("│├└　解析"));
    // Hangul has no place in CP932.
    QVERIFY(!unicodeToCp932(QString("a한b"), out));
    bool lossy = false;
    QCOMPARE(unicodeToCp932Lenient(QString("a한b"), &lossy), QByteArray("a?b"));
    QVERIFY(lossy);
    QCOMPARE(unicodeToCp932Lenient(QString("ab"), &lossy), QByteArray("ab"));
    QVERIFY(!lossy);
  }

  void lineEnds() {
    QCOMPARE(toCrlf("a\nb\n"), QByteArray("a\r\nb\r\n"));
    QCOMPARE(foldCrlf("a\r\nb\rc\r\n"), QByteArray("a\nb\rc\n"));
  }

  void textLinesAsALineReaderSeesThem() {
    const QByteArray bytes = fetest::sj("解析\r\n\r\nabc\r\n");
    QCOMPARE(decodeTextLines(bytes), QStringList({"解析", "", "abc"}));
    QCOMPARE(decodeTextLines("last"), QStringList({"last"}));
    QCOMPARE(decodeTextLines("a\nb"), QStringList({"a", "b"}));
    QCOMPARE(decodeTextLines(""), QStringList());
    // A file name that CP932 cannot hold reaches the log as UTF-8 bytes and
    // is still readable.
    QStringList l = decodeTextLines(fetest::sj("ok\r\n") + QString("한.c").toUtf8() + "\r\n");
    QCOMPARE(l, QStringList({"ok", "한.c"}));
    // Bytes that are neither become replacement characters, not lost lines.
    l = decodeTextLines(QByteArray("x\x81\n", 3) + QByteArray("y\xff\xfe z\n"));
    QCOMPARE(l.size(), 2);
    QVERIFY(l.at(1).startsWith("y"));
    QVERIFY(l.at(1).endsWith(" z"));
  }

  void sourcesInEitherEncoding() {
    // UTF-8 when the whole file is UTF-8 (CP932 would misread it without an
    // error), else CP932; CR LF folded either way.
    const QString text = "/* 解析 */\nint f(void);\n";
    QCOMPARE(decodeSource(text.toUtf8()), text);
    QCOMPARE(decodeSource(fetest::sjCrlf(text)), text);
    QCOMPARE(decodeSource("a\r\nb"), QString("a\nb"));
  }

  void runArglineAddsTreeJson() {
    OptionValues o;
    o.optfuncone = 1;
    o.funcname = "my func";
    // -j stands after the chosen switches, where a function name typed with
    // a blank is read exactly as without it.
    QCOMPARE(runArgline(o, {"/a b/c.c"}), QString(" -f my func -j \"/a b/c.c\""));
    QCOMPARE(runArgline(OptionValues(), {}), QString(" -j"));
  }

  void wholeText() {
    QCOMPARE(decodeText(fetest::sj("1 main\r\n2 │　└f\r\n")), QString("1 main\n2 │　└f\n"));
    QCOMPARE(decodeText("a\n\xff\n"), QString("a\n") + QChar::ReplacementCharacter + "\n");
  }
};

QTEST_MAIN(TextCommandTest)
#include "text_command_test.moc"
