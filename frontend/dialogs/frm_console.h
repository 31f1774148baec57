// Shows what the analyser prints while it runs under the debug option: its
// progress, traces and messages, as its console window would.
#pragma once
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QWidget>

namespace zelta::fe {

class frmconsole : public QWidget {
  Q_OBJECT
 public:
  explicit frmconsole(QWidget* parent = nullptr);

  QPlainTextEdit* output = nullptr;

  // Empties the view for a new run.
  void begin();
  // Appends bytes as the analyser wrote them (the locale's charset).
  void feed(const QByteArray& bytes);
  QString text() const { return output->toPlainText(); }

 private:
  QStringDecoder decoder_;
};

}  // namespace zelta::fe
