// The find bar under the result (Ctrl+F): incremental, Enter and
// Shift+Enter for the next and the previous hit, the hit count, and whole
// names. It only asks; the main window finds and moves.
#pragma once
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace zelta::fe {

class FindBar : public QWidget {
  Q_OBJECT
 public:
  explicit FindBar(QWidget* parent = nullptr);

  QString text() const;
  bool wholeNames() const;
  void setText(const QString& text);
  // "3/17"; no hit at all marks the field.
  void showCount(int current, int total);
  // Shows the bar with the field selected.
  void open();

  QLineEdit* field = nullptr;
  QCheckBox* wholeBox = nullptr;
  QLabel* countLabel = nullptr;
  QToolButton* previousButton = nullptr;
  QToolButton* nextButton = nullptr;
  QToolButton* closeButton = nullptr;

 signals:
  void searchChanged();
  void nextRequested();
  void previousRequested();
  void closed();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace zelta::fe
