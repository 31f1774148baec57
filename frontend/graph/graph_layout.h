// Lays a call graph out with Graphviz (dot) and draws it as SVG, off the
// window's thread. Graphviz cannot be interrupted and must not run twice at
// once, so there is one worker and one waiting slot: a new request takes
// the slot from an older one that has not started, and a layout that a newer
// request overtook is dropped rather than shown.
#pragma once
#include <QByteArray>
#include <QObject>
#include <QRectF>
#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "call_graph_model.h"

namespace zelta::fe {

struct LayoutRequest {
  std::shared_ptr<const CallGraph> graph;
  std::vector<QString> labels;  // what each node reads (names may be shortened)
  std::vector<double> widths;   // each node's width in picture units, as the window's font draws its label
  double nodeHeight = 24;
  QString fontFamily;
  double fontSize = 12;
  // A function with at least this many callers (or callees) that join
  // nothing else has them laid out in several columns inside one frame,
  // joined to it by one arrow: a wide group then fills a screen rather than
  // one tall column. 0: never.
  int columnsFrom = 0;
  // Between columns and between boxes in a column, in inches.
  double rankGap = 0.5, nodeGap = 0.12;
};

// Picture units are the SVG's user units (Graphviz's points); the picture's
// top left is (0, 0).
struct GraphPicture {
  quint64 ticket = 0;
  std::shared_ptr<const CallGraph> graph;
  QByteArray svg;
  QSizeF size;
  std::vector<QRectF> boxes;               // per node of the graph
  std::vector<std::pair<int, int>> edges;  // as laid out: (caller node, callee node)
  QString error;                           // why there is no picture
  double seconds = 0;                      // layout and drawing
  bool ok() const { return error.isEmpty() && !svg.isEmpty(); }
  int nodeAt(const QPointF& p) const;  // -1 when none
};

class GraphLayout : public QObject {
  Q_OBJECT
 public:
  // Beyond these, dot takes too long for a picture anyone could read.
  static constexpr int kMaxNodes = 2500, kMaxEdges = 10000;

  explicit GraphLayout(QObject* parent = nullptr);
  // Waits for a layout under way (they are bounded by the limits above).
  ~GraphLayout() override;

  // Returns the request's ticket; finished() answers only the latest one.
  quint64 request(LayoutRequest r);
  bool isBusy() const { return answered_ != latest_; }
  quint64 latest() const { return latest_; }
  int dropped() const { return dropped_.load(); }  // requests overtaken before they could be shown

  // The same work on the calling thread; for a caller that owns no worker.
  static GraphPicture layOut(const LayoutRequest& r);

 signals:
  void finished(std::shared_ptr<const GraphPicture> picture);

 private:
  void work();

  std::mutex m_;
  std::condition_variable wake_;
  std::optional<std::pair<quint64, LayoutRequest>> slot_;
  bool stop_ = false;
  std::atomic<int> dropped_{0};
  quint64 latest_ = 0, answered_ = 0;  // the window's thread only
  std::thread worker_;
};

}  // namespace zelta::fe
