#include "cp932.h"

#include <cerrno>
#include <iconv.h>

#include <QStringDecoder>

namespace zelta::fe {
namespace {

// Runs iconv over `in`. With `replacement` set, an input sequence that does
// not convert is skipped (one unit: `unit` bytes) and `replacement` is
// written instead; without it the conversion fails.
bool runIconv(const char* from, const char* to, const char* in, size_t inLen, std::string& out,
              const std::string* replacement, size_t unit, bool* replaced) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  char buf[4096];
  char* src = const_cast<char*>(in);
  size_t left = inLen;
  bool ok = true;
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, static_cast<size_t>(dst - buf));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ, or EINVAL for a sequence cut off at the end of the input.
    if (!replacement) {
      ok = false;
      break;
    }
    out += *replacement;
    if (replaced) *replaced = true;
    size_t skip = unit < left ? unit : left;
    src += skip;
    left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  if (ok) {
    char* dst = buf;
    size_t room = sizeof buf;
    iconv(cd, nullptr, nullptr, &dst, &room);
    out.append(buf, static_cast<size_t>(dst - buf));
  }
  iconv_close(cd);
  return ok;
}

QString decodeLine(const QByteArray& line) {
  QString s;
  if (cp932ToUnicode(line, s)) return s;
  // Not CP932 as a whole: a file name copied as bytes in the locale's charset.
  QString utf8 = QString::fromUtf8(line);
  if (!utf8.contains(QChar::ReplacementCharacter)) return utf8;
  std::string out;
  const std::string rep = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
  runIconv("CP932", "UTF-8", line.constData(), static_cast<size_t>(line.size()), out, &rep, 1,
           nullptr);
  return QString::fromStdString(out);
}

}  // namespace

bool cp932ToUnicode(const QByteArray& in, QString& out) {
  std::string s;
  if (!runIconv("CP932", "UTF-8", in.constData(), static_cast<size_t>(in.size()), s, nullptr, 1,
                nullptr))
    return false;
  out = QString::fromStdString(s);
  return true;
}

bool unicodeToCp932(const QString& in, QByteArray& out) {
  const QByteArray utf8 = in.toUtf8();
  std::string s;
  if (!runIconv("UTF-8", "CP932", utf8.constData(), static_cast<size_t>(utf8.size()), s, nullptr, 1,
                nullptr))
    return false;
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

Utf8ToCp932::Utf8ToCp932() : cd_(iconv_open("CP932", "UTF-8")) {}

Utf8ToCp932::~Utf8ToCp932() {
  if (cd_ != reinterpret_cast<void*>(-1)) iconv_close(static_cast<iconv_t>(cd_));
}

bool Utf8ToCp932::convert(std::string_view utf8, std::string& out) {
  out.clear();
  if (cd_ == reinterpret_cast<void*>(-1)) return false;
  iconv_t cd = static_cast<iconv_t>(cd_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buf[512];
  char* src = const_cast<char*>(utf8.data());
  size_t left = utf8.size();
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    const size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, static_cast<size_t>(dst - buf));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) return false;
  }
  return true;
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
