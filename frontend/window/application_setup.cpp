#include "application_setup.h"

#include <QApplication>
#include <QFontDatabase>

#include "icons.h"
#include "qt_translation.h"

namespace zelta::fe {

void setUpApplication() {
  QCoreApplication::setOrganizationName(QStringLiteral("zelta"));
  QCoreApplication::setApplicationName(QStringLiteral("zelta"));
  // The captions are Japanese: a Japanese face keeps them even and legible.
  const QStringList have = QFontDatabase::families();
  for (const QString& f : {QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic")}) {
    if (have.contains(f)) {
      QFont font(f);
      font.setPointSize(9);
      QApplication::setFont(font);
      break;
    }
  }
  QApplication::setWindowIcon(appIcon());
  QApplication::setDesktopFileName(QStringLiteral("zelta"));
  installQtJapanese();
}

}  // namespace zelta::fe
