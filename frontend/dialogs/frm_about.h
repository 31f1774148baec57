// The version dialog.
#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

namespace zelta::fe {

class frmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit frmAbout(QWidget* parent = nullptr);

  QLabel* lblTitle = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblDescription = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* cmdOK = nullptr;
};

}  // namespace zelta::fe
