// Shared helpers of the front-end tests: the fixture every window test
// stands on (scratch settings, a scratch folder), CP932 bytes and a stand-in
// analyser.
#pragma once
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QObject>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include "config/zelta_ini.h"
#include "cp932.h"
#include "frm_main.h"
#include "window_parts.h"

namespace fetest {

// Points the settings store at a folder of the test's own and empties it.
inline void useScratchSettings(const QString& folder) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
  QSettings s(QStringLiteral("zelta"), QStringLiteral("zelta"));
  s.clear();
  s.sync();
}

// Runs the test body in another working folder and comes back.
class CwdGuard {
 public:
  explicit CwdGuard(const QString& dir) : old_(QDir::currentPath()) { QDir::setCurrent(dir); }
  ~CwdGuard() { QDir::setCurrent(old_); }

 private:
  QString old_;
};

inline QByteArray sj(const QString& text) {
  QByteArray out;
  if (!zelta::fe::unicodeToCp932(text, out)) qFatal("not CP932: %s", qPrintable(text));
  return out;
}

inline QByteArray sjCrlf(const QString& text) { return zelta::fe::toCrlf(sj(text)); }

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  return f.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

inline bool makeFile(const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  return writeBytes(path, "int f(void){return 0;}\n");
}

// The settings file as the front-end writes it.
inline QByteArray defaultIni() {
  return sjCrlf(QString::fromUtf8(zelta::kIniTemplate) + QLatin1Char('\n'));
}

// A stand-in for the analyser: writes its words to args.txt (and the lines
// of a list file @FILE to listed.txt), copies
// fake_tree.txt and fake_err.txt (when present) to tree.txt and
// zelta_err.txt, prints a line (and fake_out.txt when present), and ends with the status in fake_status (or
// dies of a signal when that file says "crash").
inline void writeFakeAnalyser(const QString& dir) {
  const QByteArray script =
      "#!/bin/sh\n"
      "printf '%s\\n' \"$@\" > args.txt\n"
      "for a; do case $a in @*) cp \"${a#@}\" listed.txt;; esac; done\n"
      "rm -f zelta_err.txt tree.txt\n"
      "[ -f fake_err.txt ] && cp fake_err.txt zelta_err.txt\n"
      "[ -f fake_tree.txt ] && cp fake_tree.txt tree.txt\n"
      "echo 'fake analyser speaking'\n"
      "[ -f fake_out.txt ] && cat fake_out.txt\n"
      "[ -f fake_sleep ] && sleep \"$(cat fake_sleep)\"\n"
      "st=$(cat fake_status 2>/dev/null || echo 1)\n"
      "[ \"$st\" = crash ] && kill -SEGV $$\n"
      "exit $st\n";
  const QString path = dir + QStringLiteral("/conzelta");
  writeBytes(path, script);
  QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner |
                                  QFileDevice::ExeGroup | QFileDevice::ExeOther);
}

// Lets the window's events flow until `done` holds: however long a loaded
// machine takes, so that no outcome depends on speed. False only when it
// still does not hold after a minute (a hang).
template <class Done>
inline bool waitFor(Done done) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  return done();
}

// Starts a run and waits until its outcome is shown.
inline bool runToEnd(zelta::fe::frmMain& w) {
  w.RunAnalysis();
  return waitFor([&] { return !w.isRunning(); });
}

inline QStringList lines(const QByteArray& bytes) {
  return zelta::fe::decodeTextLines(bytes);
}

// The message list's lines.
inline QStringList messages(const zelta::fe::frmMain& w) {
  QStringList out;
  for (int i = 0; i < ui::listerr(w)->count(); ++i) out << ui::listerr(w)->item(i)->text();
  return out;
}

// The set-up of every test program that makes windows: one scratch settings
// store for the program, emptied before each test function, and a scratch
// folder of each test function's own, root_ (p() names a path in it).
class Fixture : public QObject {
  Q_OBJECT
 protected:
  QTemporaryDir settings_;
  QTemporaryDir* dir_ = nullptr;
  QString root_;
  QString p(const QString& rel) const { return root_ + "/" + rel; }

 private slots:
  void initTestCase() { QVERIFY(settings_.isValid()); }
  void init() {
    useScratchSettings(settings_.path());
    dir_ = new QTemporaryDir;
    QVERIFY(dir_->isValid());
    root_ = dir_->path();
  }
  void cleanup() {
    delete dir_;
    dir_ = nullptr;
  }
};

}  // namespace fetest
