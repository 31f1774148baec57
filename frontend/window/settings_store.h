// The per-user settings store: application "zelta", a section and a key,
// every value a text.
#pragma once
#include <QString>

namespace zelta::fe {

QString GetSetting(const QString& section, const QString& key, const QString& fallback);
void SaveSetting(const QString& section, const QString& key, const QString& value);

}  // namespace zelta::fe
