#include "tree_search.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "cp932.h"

namespace zelta::fe {
namespace {

bool isNameByte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isNameChar(QChar c) { return c.unicode() < 0x80 && isNameByte(static_cast<unsigned char>(c.unicode())); }

bool isCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc); }

}  // namespace

std::vector<int> TreeSearch::lines(const ResultIndex& index, const QString& needle, bool wholeNames) {
  std::vector<int> out;
  if (needle.isEmpty() || index.lineCount() == 0) return out;
  std::string pat;
  if (index.encoding() == ResultIndex::Encoding::Utf8) {
    pat = needle.toStdString();
  } else {
    QByteArray b;
    if (!unicodeToCp932(needle, b)) return out;  // a text CP932 cannot hold is nowhere in the file
    pat.assign(b.constData(), static_cast<size_t>(b.size()));
  }
  if (pat.find('\n') != std::string::npos) return out;
  const bool cp932 = index.encoding() == ResultIndex::Encoding::Cp932;

  // One pass of memmem through all the bytes (far faster than a search per
  // line); each hit is placed in its line and checked there: inside the
  // function text, on a character boundary, and for whole names not inside
  // a longer name. A line counts once.
  const std::string_view all = index.allBytes();
  const char* base = all.data();
  qint64 pos = 0;
  const qint64 size = static_cast<qint64>(all.size());
  // The character walk of the line in hand goes on from where the last hit
  // left it, so that many hits in one long line cost one walk, not one each.
  int walkLine = -1;
  const char* walk = nullptr;
  const char* prev = nullptr;
  while (pos < size) {
    const void* found = memmem(base + pos, static_cast<size_t>(size - pos), pat.data(), pat.size());
    if (!found) break;
    const char* p = static_cast<const char*>(found);
    const int line = index.lineOfByte(p - base);
    const std::string_view l = index.lineBytes(line);
    const char* from = l.data() + std::min<size_t>(static_cast<size_t>(index.textOffset(line)), l.size());
    const char* end = l.data() + l.size();
    bool ok = p >= from && p + pat.size() <= end;
    if (ok) {
      if (walkLine != line) {
        walkLine = line;
        walk = from;
        prev = nullptr;
      }
      while (walk < p) {
        prev = walk;
        walk += (cp932 && isCp932Lead(static_cast<unsigned char>(*walk)) && walk + 1 < end) ? 2 : 1;
      }
      ok = walk == p;
      if (ok && wholeNames) {
        const bool before = prev && p - prev == 1 && isNameByte(static_cast<unsigned char>(*prev));
        const char* q = p + pat.size();
        const bool after = q < end && isNameByte(static_cast<unsigned char>(*q));
        ok = !before && !after;
      }
    }
    if (ok) {
      out.push_back(line);
      pos = (end - base) + 1;  // on to the next line
    } else {
      pos = (p - base) + 1;
    }
  }
  return out;
}

QList<std::pair<int, int>> TreeSearch::spans(const QString& text, int fromColumn, const QString& needle,
                                             bool wholeNames) {
  QList<std::pair<int, int>> out;
  if (needle.isEmpty()) return out;
  qsizetype at = std::max(fromColumn, 0);
  for (;;) {
    const qsizetype p = text.indexOf(needle, at);
    if (p < 0) break;
    const qsizetype q = p + needle.size();
    const bool whole =
        !wholeNames || ((p == 0 || !isNameChar(text.at(p - 1))) && (q >= text.size() || !isNameChar(text.at(q))));
    if (whole) out.append({static_cast<int>(p), static_cast<int>(q)});
    at = p + 1;
  }
  return out;
}

}  // namespace zelta::fe
