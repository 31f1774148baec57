#include "graph_export.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>

namespace zelta::fe {
namespace {

// Twice the screen's size, so that the names stay sharp when the image is
// enlarged, within what an image viewer can open at once.
constexpr double kPngScale = 2;
constexpr double kLargestSide = 16000, kLargestArea = 30e6;

QByteArray pngOf(const GraphPicture& picture, QString* problem) {
  QSvgRenderer renderer(picture.svg);
  if (!renderer.isValid()) {
    *problem = QStringLiteral("SVGを読めません");
    return {};
  }
  const QSizeF size = picture.size;
  const double area = std::max(size.width() * size.height(), 1.0);
  const double scale = std::min({kPngScale, kLargestSide / std::max(size.width(), 1.0),
                                 kLargestSide / std::max(size.height(), 1.0), std::sqrt(kLargestArea / area)});
  QImage image(std::max(1, qRound(size.width() * scale)), std::max(1, qRound(size.height() * scale)),
               QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) {
    *problem = QStringLiteral("画像を作るメモリがありません");
    return {};
  }
  image.fill(Qt::white);
  {
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(image.size())));
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image)) {
    *problem = writer.errorString();
    return {};
  }
  return bytes;
}

}  // namespace

bool exportGraphPicture(const GraphPicture& picture, const QString& path, QString* problem) {
  problem->clear();
  if (!picture.ok()) {
    *problem = QStringLiteral("グラフがありません");
    return false;
  }
  const bool png = path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
  const QByteArray bytes = png ? pngOf(picture, problem) : picture.svg;
  if (bytes.isEmpty()) return false;
  QSaveFile out(path);
  out.setDirectWriteFallback(true);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
    *problem = out.errorString();
    return false;
  }
  return true;
}

}  // namespace zelta::fe
