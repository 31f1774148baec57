// The options dialog. Its properties outlive its window: the analysis run
// reads them, start-up fills the stored ones from the settings store.
#pragma once
#include <QDialog>
#include <functional>

#include "command_line.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zelta::fe {

class frmoption : public QDialog {
  Q_OBJECT
 public:
  explicit frmoption(QWidget* parent = nullptr);

  short optall = 0;
  short optfilename = 0;
  short optfuncall = 0;
  short optfuncone = 0;
  short optdebug = 0;
  short optexplation = 0;
  short optcallers = 0;     // the callers tree (-r), stored as "optcallers"
  short optpointers = 0;    // calls through function pointers (-p), stored as "optpointers"
  short optconfigured = 0;  // the configured preprocessing (-c), stored as "optconfigured"
  QString funcname;

  QCheckBox* chkall = nullptr;
  QCheckBox* chkfilename = nullptr;
  QCheckBox* chkfuncall = nullptr;
  QCheckBox* chkexplation = nullptr;
  QCheckBox* chkdebug = nullptr;
  QCheckBox* chkfuncone = nullptr;
  QCheckBox* chkcallers = nullptr;
  QCheckBox* chkpointers = nullptr;
  QCheckBox* chkconfigured = nullptr;
  QLineEdit* textfuncname = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* cmdsetsetting = nullptr;

  std::function<void(QWidget* parent, const QString& title, const QString& text)> messageBox;

  OptionValues values() const;
  // Start-up: the stored options from section "option".
  void loadStored();

 public slots:
  // Shows the dialog; an open dialog is only brought to the front.
  void Open();
  // The window's load: boxes unticked, then set from the properties.
  void Load();
  void OK();
  void Cancel();
  void SetSetting();
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace zelta::fe
