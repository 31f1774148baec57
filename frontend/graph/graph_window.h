// The graph in a window of its own, to work in: as large as the screen
// allows, fitted on opening and on resizing until the user zooms, wide
// groups laid out in columns. It finds a name in the picture, hides
// undefined functions or names matching patterns, and shows every call path
// between two functions as a picture and as a tree.
#pragma once
#include <QWidget>
#include <memory>

#include "call_graph_model.h"
#include "call_paths.h"
#include "graph_layout.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace zelta::fe {

class GraphView;

class GraphWindow : public QWidget {
  Q_OBJECT
 public:
  explicit GraphWindow(QWidget* parent = nullptr);

  void setFacts(std::shared_ptr<const TreeFacts> facts, const QString& note);
  // The neighbourhood of `f`, unless it is shown already.
  void showFunction(FunctionRef f);
  FunctionRef shownFunction() const { return model_.centre(); }
  // A path's start (A) or end (B); the path is drawn once both are set.
  void setPathEnd(FunctionRef f, bool end);
  // Every path from A to B (as named in their fields) at most the set length.
  void showPaths();
  const CallPaths* paths() const { return pathMode_ ? &paths_ : nullptr; }
  // Marks the next node whose name holds `text`; false when there is none.
  bool findName(const QString& text);
  void setFilter(const GraphFilter& filter);
  void offerStartAt(FunctionRef f);
  // The function named so: a definition first, else an undefined one.
  FunctionRef functionNamed(const QString& name) const;

  bool hasPicture() const { return picture_ && picture_->ok(); }
  const GraphPicture* picture() const { return picture_.get(); }
  bool isBusy() const;  // laid out or drawn: what is on screen is not the latest yet
  void setDepth(int depth);
  int depth() const { return model_.depth(); }

  GraphView* view = nullptr;
  QLabel* titleLabel = nullptr;
  QLabel* noteLabel = nullptr;
  QSpinBox* depthBox = nullptr;
  QLineEdit* findEdit = nullptr;
  QCheckBox* hideUndefinedBox = nullptr;
  QLineEdit* hideEdit = nullptr;
  QLineEdit* fromEdit = nullptr;
  QLineEdit* toEdit = nullptr;
  QSpinBox* lengthBox = nullptr;
  QPushButton* pathButton = nullptr;
  QTreeWidget* pathTree = nullptr;

 signals:
  void functionActivated(FunctionRef f);
  void startTreeRequested(const QString& name);
  void pictureShown();
  void hidden();  // closed by the user, or with the main window

 protected:
  void hideEvent(QHideEvent* e) override;

 private:
  void redraw();
  void draw(std::shared_ptr<const CallGraph> graph, int focus);
  void laidOut(std::shared_ptr<const GraphPicture> picture);
  void nodeClicked(int node);
  void nodeMenu(int node, const QPoint& at);
  void fillPathTree();
  void filterEdited();
  void setNote(const QString& text);

  CallGraphModel model_;
  GraphLayout* layout_ = nullptr;
  std::shared_ptr<const GraphPicture> picture_;
  QString factsNote_, pictureNote_;
  CallPaths paths_;
  bool pathMode_ = false;
  FunctionRef offer_;
  int focus_ = -1;
  int found_ = -1;       // the node the last find marked
  quint64 waiting_ = 0;  // the layout asked for, 0 when none
};

}  // namespace zelta::fe
