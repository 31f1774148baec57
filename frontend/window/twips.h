// Control positions are kept in twips (1440 to the inch); on this desktop 15
// twips are one pixel.
#pragma once
#include <QRect>
#include <QtMath>

namespace zelta::fe {

constexpr int kTwipsPerPixel = 15;

inline int px(int twips) { return qRound(static_cast<double>(twips) / kTwipsPerPixel); }
inline int twips(int pixels) { return pixels * kTwipsPerPixel; }
inline QRect pxRect(int left, int top, int width, int height) {
  return QRect(px(left), px(top), px(width), px(height));
}

}  // namespace zelta::fe
