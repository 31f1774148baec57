#pragma once
// The controls the docked graph panel and the graph's own window share, so
// that both read alike: the bold title, the depth box, the grey note line.
#include <QString>

class QLabel;
class QSpinBox;
class QWidget;

namespace zelta::fe {

QLabel* graphTitleLabel(QWidget* parent, const QString& objectName);
QSpinBox* graphDepthBox(QWidget* parent, const QString& objectName, int depth);
QLabel* graphNoteLabel(QWidget* parent, const QString& objectName);

}  // namespace zelta::fe
