// The installed program (cmake --install into a scratch prefix): what the
// prefix holds (checked by Debian's own tools where they are installed), and
// zelta started away from any analyser, working in the user's own folder with
// the analyser installed beside it.
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "fe_test_util.h"
#include "frm_main.h"
#include "work_folder.h"

using namespace zelta::fe;

// Runs a tool from the PATH; a tool that is not installed is reported absent.
struct ToolRun {
  bool present = false;
  int status = -1;
  QByteArray out, err;
};

static ToolRun runTool(const QString& tool, const QStringList& args, const QStringList& env = {}) {
  ToolRun r;
  const QString path = QStandardPaths::findExecutable(tool);
  if (path.isEmpty()) return r;
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  for (const QString& kv : env) e.insert(kv.section('=', 0, 0), kv.section('=', 1));
  p.setProcessEnvironment(e);
  p.start(path, args);
  r.present = true;
  r.status = p.waitForFinished(60000) ? p.exitCode() : -1;
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  return r;
}

class InstalledTest : public fetest::Fixture {
  Q_OBJECT
  const QString prefix_ = SCRATCH_PREFIX;
  const QString calc_ = QStringLiteral(EXAMPLES_DIR "/calc");

 private slots:
  void prefixHoldsProgramsEntryAndIcons() {
    for (const char* program : {"conzelta", "zelta"}) {
      const QFileInfo f(prefix_ + "/bin/" + QString(program));
      QVERIFY2(f.isFile() && f.isExecutable(), qPrintable(f.filePath()));
    }
    const QStringList entry = QString::fromUtf8(fetest::readBytes(prefix_ + "/share/applications/zelta.desktop"))
                                  .split('\n');
    for (const char* line : {"[Desktop Entry]", "Type=Application", "Name=zelta", "Name[ja]=zelta",
                                "Exec=zelta %F", "Icon=zelta", "MimeType=text/x-csrc;text/x-chdr;inode/directory;"})
      QVERIFY2(entry.contains(QString::fromUtf8(line)), line);
    QVERIFY(entry.filter(QRegularExpression("^Comment=.+")).size() == 1);
    QVERIFY(entry.filter(QRegularExpression("^Comment\\[ja\\]=.+")).size() == 1);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
      const QImage icon(prefix_ + QString("/share/icons/hicolor/%1x%1/apps/zelta.png").arg(size));
      QCOMPARE(icon.size(), QSize(size, size));
    }
    const ToolRun valid = runTool("desktop-file-validate", {prefix_ + "/share/applications/zelta.desktop"});
    if (valid.present) QVERIFY2(valid.status == 0 && valid.out.isEmpty(), valid.out.constData());
  }

  // Every installed program has its manual page, and every page renders
  // without a complaint; the licence and the changelog are where Debian
  // looks for them.
  void prefixHoldsManualPagesAndDocuments() {
    const QString man1 = prefix_ + "/share/man/man1/";
    for (const QString& program : QDir(prefix_ + "/bin").entryList(QDir::Files))
      QVERIFY2(QFileInfo::exists(man1 + program + ".1.gz"), qPrintable(program));
    const QStringList pages = QDir(man1).entryList({"*.1.gz"}, QDir::Files);
    QVERIFY(pages.contains("conzelta.1.gz") && pages.contains("zelta.1.gz"));
    for (const QString& page : pages) {
      const ToolRun man = runTool("man", {"--warnings", "-l", man1 + page}, {"MANWIDTH=80", "LC_ALL=C.UTF-8"});
      if (!man.present) break;
      QVERIFY2(man.status == 0 && man.err.isEmpty(), qPrintable(page + ": " + man.err));
      QVERIFY2(man.out.contains("SYNOPSIS") && man.out.contains("SEE ALSO"), qPrintable(page));
    }

    const QString doc = prefix_ + "/share/doc/zelta/";
    const QByteArray copyright = fetest::readBytes(doc + "copyright");
    QVERIFY(copyright.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
    QVERIFY(copyright.contains("\nLicense: Expat\n Permission is hereby granted"));
    const ToolRun news = runTool("gzip", {"-dc", doc + "changelog.gz"});
    QCOMPARE(news.status, 0);
    QCOMPARE(news.out, fetest::readBytes(NEWS_FILE));
  }

  // Which folder and which analyser, from where zelta was started.
  void workFolderChoice() {
    fetest::CwdGuard cwd(root_);
    fetest::writeFakeAnalyser(root_);
    const WorkFolder here = WorkFolder::choose(root_, "/opt/z/bin", p("data"));
    QVERIFY(!here.perUser());
    QCOMPARE(here.analyser(), QString("./conzelta"));
    QVERIFY(QDir().mkpath(p("elsewhere")));
    const WorkFolder away = WorkFolder::choose(p("elsewhere"), root_, p("data"));
    QCOMPARE(away.folder(), p("data/zelta"));
    QCOMPARE(away.analyser(), p("conzelta"));
    QVERIFY(!QFileInfo::exists(p("data")));  // made on first use, not before
    QVERIFY(away.enter());
    QCOMPARE(QDir::currentPath(), p("data/zelta"));

    qputenv("XDG_DATA_HOME", "relative/data");  // only an absolute one counts
    QCOMPARE(WorkFolder::userDataHome(), QDir::homePath() + "/.local/share");
    qputenv("XDG_DATA_HOME", p("xdg").toUtf8());
    QCOMPARE(WorkFolder::userDataHome(), p("xdg"));
    qunsetenv("XDG_DATA_HOME");
  }

  void installedZeltaAnalysesFromAReadOnlyFolder() {
    const QString readOnly = p("ro"), data = p("data"), bin = prefix_ + "/bin";
    QVERIFY(QDir().mkpath(readOnly));
    QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));

    // The installed zelta itself, offscreen, with a source path on its
    // command line: it makes the user's folder its home.
    QProcess zelta;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_DATA_HOME", data);
    env.insert("XDG_CONFIG_HOME", p("config"));
    zelta.setProcessEnvironment(env);
    zelta.setWorkingDirectory(readOnly);
    zelta.start(bin + "/zelta", {calc_});
    QVERIFY(zelta.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(data + "/zelta").isDir(), 30000);
    QCOMPARE(zelta.state(), QProcess::Running);
    zelta.kill();
    zelta.waitForFinished();

    // The same start-up in this process, so that the run can be driven: the
    // tree lands in the user's folder, nothing in the start folder.
    fetest::CwdGuard cwd(readOnly);
    const WorkFolder work = WorkFolder::choose(readOnly, bin, data);
    QCOMPARE(work.analyser(), bin + "/conzelta");
    QVERIFY(work.enter());
    QVERIFY(fetest::writeBytes("zelta.ini", fetest::defaultIni()));
    frmMain w;
    w.work = work;
    w.Drop({calc_});
    QVERIFY(fetest::runToEnd(w));
    QCOMPARE(fetest::messages(w).last(), msg::kDone);
    QVERIFY(QFileInfo(data + "/zelta/tree.txt").isFile());
    QVERIFY(ui::RichTextBox1(w)->toPlainText().startsWith("  1 main\n"));
    QVERIFY(QDir(readOnly).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
  }
};

QTEST_MAIN(InstalledTest)
#include "installed_test.moc"
