// Opening a source at a line in the user's own editor: the command line set
// in the settings ("%f" the file, "%l" the line), else $VISUAL or $EDITOR
// with "+LINE", else the desktop's handler for the file. Always an argument
// list started directly, never a shell, so no file name is ever taken as
// shell text.
#pragma once
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace zelta::fe {

struct EditorCommand {
  QString program;
  QStringList arguments;
};

// The command for `file` at `line`; `configured` as stored (empty: none).
EditorCommand editorCommand(const QString& configured, const QProcessEnvironment& env, const QString& file, int line);

// The stored command line (section "editor", key "command").
QString storedEditorCommand();
void storeEditorCommand(const QString& commandLine);

// Starts the editor detached; false with the reason in `error` when it
// could not be started.
bool openInEditor(const QString& file, int line, QString* error);

}  // namespace zelta::fe
