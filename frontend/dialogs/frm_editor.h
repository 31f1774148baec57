// The editor's command line, the one setting エディタで開く reads: typed
// here, stored at OK.
#pragma once
#include <QDialog>

class QLineEdit;

namespace zelta::fe {

class frmeditor : public QDialog {
  Q_OBJECT
 public:
  explicit frmeditor(QWidget* parent = nullptr);

  QLineEdit* textcommand = nullptr;

 public slots:
  void accept() override;
};

}  // namespace zelta::fe
