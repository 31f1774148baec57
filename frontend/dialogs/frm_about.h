// The version dialog.
#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

namespace zelta::fe {

inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 5;
inline constexpr int kVersionRevision = 8;

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
