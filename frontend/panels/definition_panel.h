// The side panel for the function on the current line: where it is defined,
// its source scrolled to the definition, the functions it calls and every
// function that calls it. Each entry is a link the main window follows.
#pragma once
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "tree_facts.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QSplitter;

namespace zelta::fe {

class DefinitionPanel : public QWidget {
  Q_OBJECT
 public:
  explicit DefinitionPanel(QWidget* parent = nullptr);

  // The facts of the shown result; paths are taken from `folder` (the
  // analyser's working folder). Null facts: `note` says why.
  void setFacts(std::shared_ptr<const TreeFacts> facts, const QString& folder, const QString& note);
  void showFunction(int function);
  void showUndefined(const QString& name);
  void showNone();
  int shownFunction() const { return function_; }
  // The file and line the source shows marked (the definition, or the call
  // last chosen); an empty path when none.
  QString shownPath() const { return sourceFile_ >= 0 ? pathOf(sourceFile_) : QString(); }
  int shownLine() const { return markedLine_; }
  QString pathOf(int file) const;  // a file of the facts, for opening
  // The call sites marked in the shown source: (line, first column, end
  // column, callee or -1), lines from 1.
  struct CallSite {
    int line = 0, from = 0, to = 0, function = -1;
  };
  const std::vector<CallSite>& callSites() const { return sites_; }
  // The shown source was modified after the run: its marks are where the
  // lines stood then.
  bool sourceChanged() const { return changed_; }
  QSize sizeHint() const override;

  QLabel* nameLabel = nullptr;
  QLabel* placeLabel = nullptr;
  QLabel* changedLabel = nullptr;  // shown while the source is newer than the run
  QPlainTextEdit* source = nullptr;
  QListWidget* calls = nullptr;
  QListWidget* callers = nullptr;
  QSplitter* splitter = nullptr;

 signals:
  void calleeActivated(int function);
  void callerActivated(int function);
  void leaveRequested();  // Esc: back to the tree

 private:
  void showSource(int file, int line);
  void markSourceLine(int line);
  void addEntry(QListWidget* list, const QString& name, const QString& where, int function, int line, int file);
  // How a pointer call's target was found, as the panel words it.
  static QString pointerKindText(const QString& kind);
  void findCallSites(const FunctionFact& fn);
  void macroSite(const CallFact& c, const QString& text);
  int siteAt(const QPoint& viewportPos) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:

  std::shared_ptr<const TreeFacts> facts_;
  QString folder_;
  QString note_;
  int function_ = -1;
  int sourceFile_ = -1;
  int markedLine_ = 0;
  bool changed_ = false;
  std::vector<CallSite> sites_;
};

}  // namespace zelta::fe
