#include "result_printer.h"

#include <QFontMetricsF>
#include <QHash>
#include <QMarginsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QStringList>

namespace zelta::fe {
namespace {

constexpr int kTabColumns = 8;
// A continuation starts this many half-width columns past its line's ruling.
constexpr int kContinuationGap = 2;
// A ruling wider than this share of the page is not repeated on
// continuation lines: they would hold little else.
constexpr qreal kMaxRulingShare = 0.6;

bool isRuling(QChar c) {
  return c == QChar(0x2502) || c == QChar(0x251C) || c == QChar(0x2514) || c == QChar(0x3000) ||
         c == QLatin1Char(' ') || c.isDigit();
}

// What a continuation line shows under a tree line's number and ruling: the
// verticals carry on ("├" and "│" go on down), everything else is blank.
QString continuationRuling(const QString& line) {
  QString out;
  for (QChar c : line) {
    if (!isRuling(c)) break;
    if (c == QChar(0x2502) || c == QChar(0x251C))
      out += QChar(0x2502);
    else if (c == QChar(0x3000) || c == QChar(0x2514))
      out += QChar(0x3000);
    else
      out += QLatin1Char(' ');
  }
  return out;
}

QString expandTabs(const QString& line) {
  if (!line.contains(QLatin1Char('\t'))) return line;
  QString out;
  for (QChar c : line) {
    if (c != QLatin1Char('\t')) {
      out += c;
      continue;
    }
    do out += QLatin1Char(' ');
    while (out.size() % kTabColumns != 0);
  }
  return out;
}

// Advances of the characters met so far: a long tree repeats few of them.
class Widths {
 public:
  explicit Widths(const QFontMetricsF& fm) : fm_(fm) {}
  // The advance of the character at `i` (a surrogate pair counts as one);
  // `n` is set to its length.
  qreal at(const QString& s, qsizetype i, qsizetype& n) {
    n = (s.at(i).isHighSurrogate() && i + 1 < s.size()) ? 2 : 1;
    if (n == 2) return fm_.horizontalAdvance(s.mid(i, 2));
    const char16_t c = s.at(i).unicode();
    auto it = cache_.constFind(c);
    if (it == cache_.cend()) it = cache_.insert(c, fm_.horizontalAdvance(s.at(i)));
    return *it;
  }
  qreal of(const QString& s) {
    qreal w = 0;
    qsizetype n = 1;
    for (qsizetype i = 0; i < s.size(); i += n) w += at(s, i, n);
    return w;
  }

 private:
  const QFontMetricsF& fm_;
  QHash<char16_t, qreal> cache_;
};

// How many characters of `s` from `from` fit in `room`: at least one
// character, preferring a break after a blank.
qsizetype fitting(Widths& widths, const QString& s, qsizetype from, qreal room) {
  qreal used = 0, atBlank = 0;
  qsizetype i = from, lastBlank = -1, n = 1;
  while (i < s.size()) {
    used += widths.at(s, i, n);
    if (used > room) break;
    i += n;
    if (s.at(i - 1) == QLatin1Char(' ') || s.at(i - 1) == QChar(0x3000)) {
      lastBlank = i;
      atBlank = used;
    }
  }
  if (i == s.size()) return i - from;
  if (i == from) return n;
  // Breaking after a blank keeps names whole, unless that leaves most of
  // the room unused.
  if (lastBlank > from && atBlank > room / 2) return lastBlank - from;
  return i - from;
}

// One text line as the printed lines it takes.
void wrapLine(Widths& widths, const QString& text, qreal width, QStringList& out) {
  const QString line = expandTabs(text);
  if (widths.of(line) <= width) {
    out << line;
    return;
  }
  QString lead = continuationRuling(line) + QString(kContinuationGap, QLatin1Char(' '));
  if (widths.of(lead) > width * kMaxRulingShare) lead = QString(kContinuationGap * 2, QLatin1Char(' '));
  const qreal leadWidth = widths.of(lead);
  qsizetype at = fitting(widths, line, 0, width);
  out << line.left(at);
  while (at < line.size()) {
    const qsizetype n = fitting(widths, line, at, width - leadWidth);
    out << lead + line.mid(at, n);
    at += n;
  }
}

}  // namespace

void setDefaultPrintMargins(QPrinter& printer) {
  printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
}

bool printResultText(QPrinter& printer, const QString& text, const QFont& face) {
  QFont font(face);
  font.setPointSizeF(kPrintPointSize);
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  painter.setFont(font);
  // Measured on the printer itself: the same points, its own resolution.
  const QFontMetricsF fm(font, &printer);
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  const qreal width = page.width();
  const qreal step = fm.lineSpacing();
  const qreal footer = 2 * step;
  const int perPage = qMax(1, int((page.height() - footer) / step));

  QStringList printed;
  QStringList lines = text.split(QLatin1Char('\n'));
  // A final line end closes the last line; it does not open another.
  if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();
  Widths widths(fm);
  for (const QString& line : lines) wrapLine(widths, line, width, printed);

  const int pages = int((printed.size() + perPage - 1) / perPage);
  for (int p = 0; p < pages; ++p) {
    if (p > 0 && !printer.newPage()) break;
    qreal y = fm.ascent();
    for (qsizetype i = qsizetype(p) * perPage; i < printed.size() && i < qsizetype(p + 1) * perPage; ++i) {
      painter.drawText(QPointF(0, y), printed.at(i));
      y += step;
    }
    const QString number = QStringLiteral("- %1 -").arg(p + 1);
    painter.drawText(QPointF((width - fm.horizontalAdvance(number)) / 2, page.height() - fm.descent()), number);
  }
  const bool ended = painter.end();
  return ended && printer.printerState() != QPrinter::Error;
}

}  // namespace zelta::fe
