// The side panel for the function on the current line: where it is defined,
// its source scrolled to the definition, the functions it calls and every
// function that calls it. Each entry is a link the main window follows.
#pragma once
#include <QString>
#include <QWidget>
#include <memory>

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
  QSize sizeHint() const override;

  QLabel* nameLabel = nullptr;
  QLabel* placeLabel = nullptr;
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
  void addEntry(QListWidget* list, const QString& name, const QString& where, int function, int line);

  std::shared_ptr<const TreeFacts> facts_;
  QString folder_;
  QString note_;
  int function_ = -1;
  int sourceFile_ = -1;
};

}  // namespace zelta::fe
