#include "qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace zelta::fe {

bool installQtJapanese() {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  // qt_ja names the catalogues of every module installed (qtbase_ja, which
  // holds the dialogs' texts, among them); qtbase_ja alone is the fallback.
  for (const char* catalogue : {"qt", "qtbase"}) {
    auto* t = new QTranslator(QCoreApplication::instance());
    if (t->load(QLocale(QLocale::Japanese, QLocale::Japan), QString::fromLatin1(catalogue), QStringLiteral("_"),
                folder) &&
        !t->isEmpty() && QCoreApplication::installTranslator(t))
      return true;
    delete t;
  }
  return false;
}

}  // namespace zelta::fe
