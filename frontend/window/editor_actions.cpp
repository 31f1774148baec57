// エディタで開く: the definition panel's marked line (the definition or the
// call chosen there) when the panel shows a function, else the current
// line's definition, opened in the user's editor; and the dialog that sets
// the editor's command line.
#include <QAction>
#include <QDockWidget>
#include <QMenu>

#include "definition_panel.h"
#include "editor_command.h"
#include "frm_editor.h"
#include "frm_main.h"

namespace zelta::fe {

void frmMain::createEditorActions() {
  actOpenEditor_ = new QAction(QStringLiteral("エディタで開く(&O)"), this);
  actOpenEditor_->setObjectName(QStringLiteral("actOpenEditor"));
  actOpenEditor_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  actOpenEditor_->setShortcutContext(Qt::WindowShortcut);
  connect(actOpenEditor_, &QAction::triggered, this, &frmMain::OpenInEditor);
  mnuView->addAction(actOpenEditor_);

  mnuToolsEditor_ = new QAction(QStringLiteral("エディタの設定(&E)..."), this);
  mnuToolsEditor_->setObjectName(QStringLiteral("mnuToolsEditor"));
  connect(mnuToolsEditor_, &QAction::triggered, this, [this] {
    frmeditor dialog(this);
    runModal(&dialog);
  });
  mnuTools->addAction(mnuToolsEditor_);
}

void frmMain::OpenInEditor() {
  if (running_ || RichTextBox1->isEmpty()) return;
  QString path;
  int line = 0;
  if (!definitionDock->isHidden() && definitionPanel->shownFunction() >= 0) {
    path = definitionPanel->shownPath();
    line = definitionPanel->shownLine();
  } else if (const TreeFacts* facts = RichTextBox1->facts()) {
    const int f = facts->functionOfLine(RichTextBox1->currentLine());
    if (f >= 0) {
      const FunctionFact& fn = facts->functions[static_cast<size_t>(f)];
      path = definitionPanel->pathOf(fn.file);
      line = fn.line;
    }
  }
  if (path.isEmpty()) {
    AppendMessage(QStringLiteral("この行の関数の定義の場所がわからないため、エディタで開けません"));
    return;
  }
  QString error;
  if (!openInEditor(path, line, &error)) AppendMessage(error);
}

}  // namespace zelta::fe
