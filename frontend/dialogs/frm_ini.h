// The editor of the analyser's settings file "./zelta.ini".
#pragma once
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zelta::fe {

class frmini : public QDialog {
  Q_OBJECT
 public:
  explicit frmini(QWidget* parent = nullptr);

  QLabel* Label3 = nullptr;
  QLineEdit* txtinclude = nullptr;
  QPushButton* Command1 = nullptr;  // "OK"
  QPushButton* Command2 = nullptr;  // "キャンセル"

  std::function<void(QWidget* parent, const QString& title, const QString& text)> messageBox;

  // The four lines the dialog writes, as CP932 bytes with CR LF line ends;
  // false when the path holds characters CP932 cannot hold.
  static bool iniBytes(const QString& includePath, QByteArray& out);
  // The value of the last "include_path=" line of a file's bytes.
  static QString lastIncludePath(const QByteArray& fileBytes);

 public slots:
  void Open();
  void Load();
  // Writes the file and closes; false (dialog left open) when it could not.
  bool OK();
  void Cancel();
  void reject() override;
};

}  // namespace zelta::fe
