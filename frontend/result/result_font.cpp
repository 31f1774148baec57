#include "result_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace zelta::fe {

QFont resultFont() {
  const QStringList have = QFontDatabase::families();
  for (const QString& f : {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic")}) {
    if (have.contains(f)) {
      QFont font(f);
      font.setPointSizeF(11.25);
      font.setFixedPitch(true);
      return font;
    }
  }
  // Japanese fixed-pitch faces whose ruling characters are full width. An
  // even pixel size keeps a full-width cell exactly two half-width cells wide
  // however the advances are rounded (11.25 points would be 15 pixels).
  for (const QString& f : {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                           QStringLiteral("TakaoGothic"), QStringLiteral("VL Gothic"),
                           QStringLiteral("Noto Sans Mono CJK JP")}) {
    if (have.contains(f)) {
      QFont font(f);
      font.setPixelSize(16);
      font.setFixedPitch(true);
      return font;
    }
  }
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(16);
  return font;
}

}  // namespace zelta::fe
