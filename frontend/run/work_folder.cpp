#include "work_folder.h"

#include <QDir>
#include <QFileInfo>

namespace zelta::fe {
namespace {

bool isProgram(const QString& path) {
  const QFileInfo f(path);
  return f.isFile() && f.isExecutable();
}

}  // namespace

WorkFolder WorkFolder::choose(const QString& startFolder, const QString& programFolder, const QString& dataHome) {
  WorkFolder w;
  const QString here = startFolder + QStringLiteral("/conzelta");
  if (isProgram(here) && QFileInfo(startFolder).isWritable()) return w;

  w.folder_ = dataHome + QStringLiteral("/zelta");
  const QString beside = QDir(programFolder).absoluteFilePath(QStringLiteral("conzelta"));
  // The installed analyser; failing that, the one in the start folder, which
  // only lacked a place to write. With neither, the run fails as a run whose
  // analyser cannot be started.
  if (isProgram(beside) || !isProgram(here))
    w.analyser_ = beside;
  else
    w.analyser_ = QFileInfo(here).absoluteFilePath();
  return w;
}

QString WorkFolder::userDataHome() {
  // Only an absolute $XDG_DATA_HOME counts; a relative one is to be ignored.
  const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
  if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
  return QDir::homePath() + QStringLiteral("/.local/share");
}

bool WorkFolder::enter() const {
  if (folder_.isEmpty()) return true;
  return QDir().mkpath(folder_) && QDir::setCurrent(folder_);
}

}  // namespace zelta::fe
