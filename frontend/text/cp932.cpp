#include "cp932.h"

#include <string>
#include <string_view>

#include "platform/text_codec.h"

#include <QStringDecoder>

namespace zelta::fe {
namespace {

std::string_view bytes(const QByteArray& b) { return std::string_view(b.constData(), static_cast<size_t>(b.size())); }

QString decodeLine(const QByteArray& line) {
  QString s;
  if (cp932ToUnicode(line, s)) return s;
  // Not CP932 as a whole: a file name copied as bytes in the locale's charset.
  QString utf8 = QString::fromUtf8(line);
  if (!utf8.contains(QChar::ReplacementCharacter)) return utf8;
  return QString::fromStdString(zelta::convert_charset_replacing("CP932", "UTF-8", bytes(line), "\xEF\xBF\xBD"));
}

}  // namespace

bool cp932ToUnicode(const QByteArray& in, QString& out) {
  std::string s;
  if (!zelta::convert_charset("CP932", "UTF-8", bytes(in), s)) return false;
  out = QString::fromStdString(s);
  return true;
}

bool unicodeToCp932(const QString& in, QByteArray& out) {
  const QByteArray utf8 = in.toUtf8();
  std::string s;
  if (!zelta::convert_charset("UTF-8", "CP932", bytes(utf8), s)) return false;
  out = QByteArray(s.data(), static_cast<qsizetype>(s.size()));
  return true;
}

QByteArray unicodeToCp932Lenient(const QString& in, bool* lossy) {
  if (lossy) *lossy = false;
  QByteArray out;
  // Characters are converted one by one only when the whole text fails, so
  // that a character CP932 lacks costs one "?" and nothing more.
  if (unicodeToCp932(in, out)) return out;
  out.clear();
  for (qsizetype i = 0; i < in.size(); ++i) {
    qsizetype n = (in.at(i).isHighSurrogate() && i + 1 < in.size()) ? 2 : 1;
    QByteArray piece;
    if (unicodeToCp932(in.mid(i, n), piece)) {
      out += piece;
    } else {
      out += '?';
      if (lossy) *lossy = true;
    }
    i += n - 1;
  }
  return out;
}

QByteArray foldCrlf(const QByteArray& in) {
  QByteArray out;
  out.reserve(in.size());
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in.at(i) == '\r' && i + 1 < in.size() && in.at(i + 1) == '\n') continue;
    out += in.at(i);
  }
  return out;
}

QByteArray toCrlf(const QByteArray& in) {
  QByteArray out;
  out.reserve(in.size() + in.size() / 16);
  for (char c : in) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

QStringList decodeTextLines(const QByteArray& fileBytes) {
  QStringList lines;
  const QByteArray text = foldCrlf(fileBytes);
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype nl = text.indexOf('\n', start);
    if (nl < 0) nl = text.size();
    lines << decodeLine(text.mid(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

QString decodeTextLine(const QByteArray& line) { return decodeLine(line); }

QString decodeSource(const QByteArray& fileBytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(foldCrlf(fileBytes));
  if (!utf8.hasError()) return text;
  return decodeText(fileBytes);
}

QString decodeText(const QByteArray& fileBytes) {
  const QByteArray text = foldCrlf(fileBytes);
  QString whole;
  if (cp932ToUnicode(text, whole)) return whole;
  QStringList lines;
  qsizetype start = 0;
  while (start <= text.size()) {
    qsizetype nl = text.indexOf('\n', start);
    if (nl < 0) nl = text.size();
    lines << decodeLine(text.mid(start, nl - start));
    start = nl + 1;
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace zelta::fe
