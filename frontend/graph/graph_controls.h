#pragma once
// The controls the docked graph panel and the graph's own window share, so
// that both read alike: the bold title, the depth box, the grey note line,
// and what they say of a neighbourhood picture.
#include <QString>

class QLabel;
class QSpinBox;
class QWidget;

namespace zelta::fe {

struct CallGraph;

QLabel* graphTitleLabel(QWidget* parent, const QString& objectName);
QSpinBox* graphDepthBox(QWidget* parent, const QString& objectName, int depth);
QLabel* graphNoteLabel(QWidget* parent, const QString& objectName);

// The title of a neighbourhood: its centre's name and where it is defined.
QString graphTitleText(const CallGraph& graph);
// The note of a picture with folded groups ("他N件"); empty without any.
QString foldedGroupsNote(const CallGraph& graph);

}  // namespace zelta::fe
