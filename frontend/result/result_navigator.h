// Moving about the result: find with its bar, folds, links with their
// history, the status bar's path, and the definition and graph panels that
// follow the current line and lead back into the tree. The window holds one
// and hands it the controls it drives.
#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "call_graph_model.h"
#include "link_history.h"

class QDockWidget;
class QLabel;
class QStatusBar;

namespace zelta::fe {

class DefinitionPanel;
class FindBar;
class GraphPanel;
class ResultView;
class TreeFacts;

class ResultNavigator : public QObject {
  Q_OBJECT
 public:
  struct Parts {
    ResultView* view = nullptr;
    FindBar* findBar = nullptr;
    DefinitionPanel* definitionPanel = nullptr;
    QDockWidget* definitionDock = nullptr;
    GraphPanel* graphPanel = nullptr;
    QDockWidget* graphDock = nullptr;
    QStatusBar* statusBar = nullptr;
    QLabel* whereLabel = nullptr;  // in the status bar
  };
  // `busy` tells when a run is under way: every move is off then.
  ResultNavigator(const Parts& parts, std::function<bool()> busy, QObject* parent);

  // A new result, or none: no hits and no places visited; an open find bar
  // searches the new text.
  void resultChanged();
  void clear();
  // tree.json's facts for the panels, or a note saying why there are none.
  void setPanelFacts(std::shared_ptr<const TreeFacts> facts, const QString& folder, const QString& definitionNote,
                     const QString& graphNote);

  bool canBack() const { return history_.canBack(); }
  bool canForward() const { return history_.canForward(); }
  int hitCount() const { return static_cast<int>(hits_.size()); }

 public slots:
  void Find();
  void FindNext();
  void FindPrevious();
  void CloseFind();
  void ExpandAll();
  void ShowToDepth(int depth);
  void Back();
  void Forward();
  void FollowLink(int line);
  void OpenDefinition(int line);
  void GoToRelated(int function, bool caller);
  // From the graph: the line of a function, near the current line when it
  // calls or is called by the current function, else its first line.
  void GoToFunction(FunctionRef function);
  // The status bar and the shown panels follow the current line.
  void currentLineChanged(int line);

 signals:
  // Back, forward or the hits changed: the window's actions follow.
  void stateChanged();
  // The find bar opened or closed: the window lays its controls out again.
  void findBarToggled();
  // The function on the current line changed (-1 when the line has none or
  // the definitions are unknown).
  void currentFunctionChanged(int function, const QString& name);
  // A function asked for from a graph has no line in the tree.
  void functionNotInTree(FunctionRef function);

 private:
  void runSearch();
  void goToHit(size_t hit);
  void jump(int to, int rangeLast);

  Parts p_;
  std::function<bool()> busy_;
  LinkHistory history_;
  std::vector<int> hits_;
  int highlighted_ = -1;  // the line the last jump highlighted
};

}  // namespace zelta::fe
