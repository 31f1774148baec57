#include "settings_store.h"

#include <QSettings>

namespace zelta::fe {

// Fixed names rather than the running program's, so that the tests and zelta
// itself reach the same store.
QString GetSetting(const QString& section, const QString& key, const QString& fallback) {
  QSettings s(QStringLiteral("zelta"), QStringLiteral("zelta"));
  const QVariant v = s.value(section + QLatin1Char('/') + key);
  return v.isValid() ? v.toString() : fallback;
}

void SaveSetting(const QString& section, const QString& key, const QString& value) {
  QSettings s(QStringLiteral("zelta"), QStringLiteral("zelta"));
  s.setValue(section + QLatin1Char('/') + key, value);
  s.sync();
}

}  // namespace zelta::fe
