#include "icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace zelta::fe {
namespace {

constexpr int kSize = 48;

QPixmap blank() {
  QPixmap pm(kSize, kSize);
  pm.fill(Qt::transparent);
  return pm;
}

// Three levels of boxes joined by ruled lines, as the tree is drawn.
void drawTree(QPainter& p, const QColor& node, const QColor& line) {
  p.setPen(QPen(line, 2));
  p.drawLine(10, 14, 10, 38);
  p.drawLine(10, 24, 20, 24);
  p.drawLine(10, 38, 20, 38);
  p.drawLine(24, 28, 24, 34);
  p.setPen(QPen(node.darker(150), 1));
  p.setBrush(node);
  p.drawRoundedRect(QRectF(4, 4, 14, 10), 2, 2);
  p.drawRoundedRect(QRectF(18, 19, 14, 10), 2, 2);
  p.drawRoundedRect(QRectF(18, 33, 14, 10), 2, 2);
}

}  // namespace

QImage appImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / qreal(kSize), size / qreal(kSize));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 250, 245));
  p.drawRoundedRect(QRectF(1, 1, 46, 46), 6, 6);
  drawTree(p, QColor(70, 130, 200), QColor(60, 60, 60));
  p.setPen(QPen(QColor(60, 60, 60), 2));
  p.drawLine(32, 24, 40, 24);
  p.setBrush(QColor(230, 150, 60));
  p.setPen(QPen(QColor(150, 90, 30), 1));
  p.drawRoundedRect(QRectF(36, 19, 10, 10), 2, 2);
  return image;
}

QPixmap appPixmap() { return QPixmap::fromImage(appImage(kSize)); }

QPixmap analysePixmap() {
  QPixmap pm = blank();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  drawTree(p, QColor(70, 130, 200), QColor(60, 60, 60));
  QPainterPath arrow;
  arrow.moveTo(34, 6);
  arrow.lineTo(46, 15);
  arrow.lineTo(34, 24);
  arrow.closeSubpath();
  p.setPen(QPen(QColor(20, 110, 40), 1));
  p.setBrush(QColor(40, 170, 70));
  p.drawPath(arrow);
  return pm;
}

QPixmap clearPixmap() {
  QPixmap pm = blank();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  // The sheet.
  p.setPen(QPen(QColor(120, 120, 120), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6, 4, 26, 34));
  p.setPen(QPen(QColor(180, 180, 180), 2));
  for (int y = 12; y <= 30; y += 6) p.drawLine(11, y, 27, y);
  // The eraser, tilted across the sheet's corner.
  p.translate(31, 33);
  p.rotate(-35);
  p.setPen(QPen(QColor(120, 40, 40), 1));
  p.setBrush(QColor(230, 90, 90));
  p.drawRoundedRect(QRectF(-13, -7, 16, 14), 2, 2);
  p.setBrush(QColor(90, 120, 220));
  p.drawRoundedRect(QRectF(3, -7, 11, 14), 2, 2);
  return pm;
}

QPixmap stopPixmap() {
  QPixmap pm = blank();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  // A red octagon with a white bar, the sign of stopping.
  QPainterPath sign;
  for (int i = 0; i < 8; ++i) {
    const qreal a = (22.5 + 45.0 * i) * 3.14159265358979 / 180.0;
    const QPointF pt(24 + 20 * std::cos(a), 24 + 20 * std::sin(a));
    if (i == 0)
      sign.moveTo(pt);
    else
      sign.lineTo(pt);
  }
  sign.closeSubpath();
  p.setPen(QPen(QColor(140, 20, 20), 1));
  p.setBrush(QColor(210, 40, 40));
  p.drawPath(sign);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(12, 21, 24, 6));
  return pm;
}

QIcon appIcon() { return QIcon(appPixmap()); }

}  // namespace zelta::fe
