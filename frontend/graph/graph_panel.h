// The graph panel: the function on the current line with its callees and
// its callers to a chosen depth, as a picture. A click on a function asks
// the main window to go there; a click on "他N件" opens that group.
#pragma once
#include <QWidget>
#include <memory>

#include "call_graph_model.h"
#include "graph_layout.h"
#include "tree_facts.h"

class QLabel;
class QSpinBox;

namespace zelta::fe {

class GraphView;

class GraphPanel : public QWidget {
  Q_OBJECT
 public:
  explicit GraphPanel(QWidget* parent = nullptr);

  // The facts of the shown result; null facts: `note` says why.
  void setFacts(std::shared_ptr<const TreeFacts> facts, const QString& note);
  // Draws the graph around `f` unless it is drawn (or being drawn) already.
  void showFunction(FunctionRef f);
  void showNone();
  FunctionRef shownFunction() const { return model_.centre(); }
  void setDepth(int depth);
  int depth() const { return model_.depth(); }

  bool hasPicture() const { return picture_ && picture_->ok(); }
  const GraphPicture* picture() const { return picture_.get(); }
  bool isLayingOut() const { return waiting_ != 0; }
  // Laid out or still being drawn: what is on screen is not the latest yet.
  bool isBusy() const;
  GraphLayout* layout() const { return layout_; }
  bool exportPicture(const QString& path, QString* problem) const;
  const std::shared_ptr<const TreeFacts>& facts() const { return model_.sharedFacts(); }
  const QString& factsNote() const { return factsNote_; }
  // `f` has no line in the tree: the note says so and offers to start the
  // tree there while the picture shows it.
  void offerStartAt(FunctionRef f);
  QSize sizeHint() const override;

  QLabel* titleLabel = nullptr;
  QSpinBox* depthBox = nullptr;
  QLabel* noteLabel = nullptr;
  GraphView* view = nullptr;

 signals:
  void functionActivated(FunctionRef f);
  void pictureShown();    // the latest picture (or a message in its place) is on screen
  void pictureChanged();  // there is a picture or there is none any more
  void factsChanged();
  // From a node's menu: a path's start (A) or end (B).
  void pathEndChosen(FunctionRef f, bool end);
  void startTreeRequested(const QString& name);

 private:
  void redraw(FunctionRef focus);
  void laidOut(std::shared_ptr<const GraphPicture> picture);
  void nodeClicked(int node);
  void setNote(const QString& text);
  void nodeMenu(int node, const QPoint& at);

  CallGraphModel model_;
  GraphLayout* layout_ = nullptr;
  std::shared_ptr<const GraphPicture> picture_;
  QString factsNote_;
  FunctionRef offer_;    // offered as the tree's start
  FunctionRef focus_;    // the function to keep in sight in the coming picture
  quint64 waiting_ = 0;  // the layout asked for, 0 when none
};

}  // namespace zelta::fe
