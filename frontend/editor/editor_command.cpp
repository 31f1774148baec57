#include "editor_command.h"

#include <QProcess>

#include "settings_store.h"

namespace zelta::fe {

EditorCommand editorCommand(const QString& configured, const QProcessEnvironment& env, const QString& file, int line) {
  const QString number = QString::number(std::max(line, 1));
  QStringList words = QProcess::splitCommand(configured);
  if (!words.isEmpty()) {
    // Each word on its own: a file name with blanks stays one argument.
    bool named = false;
    for (QString& w : words) {
      named = named || w.contains(QStringLiteral("%f"));
      w.replace(QStringLiteral("%f"), file).replace(QStringLiteral("%l"), number);
    }
    if (!named) words << file;
    return {words.takeFirst(), words};
  }
  for (const char* variable : {"VISUAL", "EDITOR"}) {
    words = QProcess::splitCommand(env.value(QString::fromLatin1(variable)));
    if (words.isEmpty()) continue;
    words << QStringLiteral("+") + number << file;
    return {words.takeFirst(), words};
  }
  return {QStringLiteral("xdg-open"), {file}};
}

QString storedEditorCommand() {
  return GetSetting(QStringLiteral("editor"), QStringLiteral("command"), QString()).trimmed();
}

void storeEditorCommand(const QString& commandLine) {
  SaveSetting(QStringLiteral("editor"), QStringLiteral("command"), commandLine.trimmed());
}

bool openInEditor(const QString& file, int line, QString* error) {
  const EditorCommand c = editorCommand(storedEditorCommand(), QProcessEnvironment::systemEnvironment(), file, line);
  QProcess p;
  p.setProgram(c.program);
  p.setArguments(c.arguments);
  if (p.startDetached()) return true;
  *error = QStringLiteral("%1を起動できませんでした（%2）").arg(c.program, p.errorString());
  return false;
}

}  // namespace zelta::fe
