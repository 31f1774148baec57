#include "result_index.h"

#include <QIODevice>
#include <algorithm>
#include <climits>
#include <cstring>

#include "cp932.h"

namespace zelta::fe {
namespace {

// The ruling's two-character cells: a blank and one wide character, spelled
// in each encoding the text may arrive in.
struct Ruling {
  std::string_view bar, blank, tee, elbow;
};
constexpr Ruling kCp932Ruling{"\x20\x84\xa0", "\x20\x81\x40", "\x20\x84\xa5", "\x20\x84\xa4"};
constexpr Ruling kUtf8Ruling{"\x20\xe2\x94\x82", "\x20\xe3\x80\x80", "\x20\xe2\x94\x9c", "\x20\xe2\x94\x94"};

int digits(long long n) {
  int d = 1;
  while (n >= 10) {
    n /= 10;
    ++d;
  }
  return d;
}

bool startsWith(std::string_view s, size_t at, std::string_view p) {
  return s.size() >= at + p.size() && std::memcmp(s.data() + at, p.data(), p.size()) == 0;
}

// Decoded in pieces of about this many bytes, so that a whole-text
// conversion never needs the whole text twice.
constexpr qint64 kChunk = 4 << 20;

}  // namespace

std::shared_ptr<const ResultIndex> ResultIndex::fromBytes(QByteArray bytes, Encoding encoding) {
  std::shared_ptr<ResultIndex> r(new ResultIndex);
  r->bytes_ = std::move(bytes);
  r->encoding_ = encoding;
  r->indexLines();
  r->readTree();
  return r;
}

std::shared_ptr<const ResultIndex> ResultIndex::fromText(const QString& text) {
  return fromBytes(text.toUtf8(), Encoding::Utf8);
}

void ResultIndex::indexLines() {
  const char* b = bytes_.constData();
  const qint64 n = bytes_.size();
  // One pass to count, so that the offsets are allocated once.
  qint64 lines = 0;
  for (const char* p = b; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(b + n - p)))); ++p)
    ++lines;
  if (n > 0 && b[n - 1] != '\n') ++lines;
  if (lines >= INT_MAX) lines = INT_MAX - 1;  // beyond any tree the analyser writes
  starts_.reserve(static_cast<size_t>(lines) + 1);
  qint64 at = 0;
  while (at < n && static_cast<qint64>(starts_.size()) < lines) {
    starts_.push_back(at);
    const char* nl = static_cast<const char*>(std::memchr(b + at, '\n', static_cast<size_t>(n - at)));
    const qint64 next = nl ? nl - b + 1 : n;
    widest_ = static_cast<int>(std::min<qint64>(std::max<qint64>(widest_, next - at), INT_MAX));
    at = next;
  }
  starts_.push_back(at);
}

std::string_view ResultIndex::lineBytes(int line) const {
  const qint64 from = starts_[static_cast<size_t>(line)];
  qint64 to = starts_[static_cast<size_t>(line) + 1];
  if (to > from && bytes_[to - 1] == '\n') {
    --to;
    if (to > from && bytes_[to - 1] == '\r') --to;
  }
  return std::string_view(bytes_.constData() + from, static_cast<size_t>(to - from));
}

int ResultIndex::lineOfByte(qint64 offset) const {
  const auto it = std::upper_bound(starts_.begin(), starts_.end() - 1, offset);
  return static_cast<int>(it - starts_.begin()) - 1;
}

QString ResultIndex::lineText(int line) const { return decode(lineBytes(line)); }

QString ResultIndex::decode(std::string_view b) const {
  if (encoding_ == Encoding::Utf8) return QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
  return decodeTextLine(QByteArray::fromRawData(b.data(), static_cast<qsizetype>(b.size())));
}

int ResultIndex::columnOfByte(int line, int bytes) const {
  std::string_view b = lineBytes(line);
  b = b.substr(0, static_cast<size_t>(std::clamp(bytes, 0, static_cast<int>(b.size()))));
  if (encoding_ == Encoding::Utf8)
    return static_cast<int>(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())).size());
  return static_cast<int>(decodeTextLine(QByteArray::fromRawData(b.data(), static_cast<qsizetype>(b.size()))).size());
}

// Each line: the line number right-aligned in the width of the count plus
// one, a blank, then for a line of depth d >= 1 d-1 column cells and a
// connector; the connector is a tee exactly when a later sibling follows.
// Anything else (a truncated file, a hand-edited one) leaves the text
// without a tree, and says where.
void ResultIndex::readTree() {
  const int n = lineCount();
  if (n == 0) {
    problem_ = QStringLiteral("空です");
    return;
  }
  if (bytes_.back() != '\n') {
    problem_ = QStringLiteral("最後の行が途中で切れています");
    return;
  }
  const Ruling& ru = encoding_ == Encoding::Utf8 ? kUtf8Ruling : kCp932Ruling;
  numberWidth_ = digits(static_cast<long long>(n) + 1);
  std::vector<int32_t> depth(static_cast<size_t>(n)), parent(static_cast<size_t>(n)), last(static_cast<size_t>(n));
  std::vector<uint8_t> tee(static_cast<size_t>(n));
  std::vector<int32_t> open;  // the lines whose sub-trees are still open, by depth
  char num[16];
  auto fail = [&](int line, const char* why) {
    problem_ = QStringLiteral("%1行目: %2").arg(line + 1).arg(QString::fromUtf8(why));
  };
  for (int i = 0; i < n; ++i) {
    const std::string_view l = lineBytes(i);
    const int len = std::snprintf(num, sizeof num, "%*d ", numberWidth_, i + 1);
    if (!startsWith(l, 0, std::string_view(num, static_cast<size_t>(len)))) return fail(i, "行番号が合いません");
    size_t at = static_cast<size_t>(len);
    int d = 0;
    for (;;) {
      if (startsWith(l, at, ru.bar) || startsWith(l, at, ru.blank)) {
        ++d;
        at += ru.bar.size();
        continue;
      }
      if (startsWith(l, at, ru.tee) || startsWith(l, at, ru.elbow)) {
        tee[static_cast<size_t>(i)] = startsWith(l, at, ru.tee);
        ++d;
        at += ru.tee.size();
        break;
      }
      if (d > 0) return fail(i, "罫線が途中で切れています");
      break;
    }
    if (at >= l.size()) return fail(i, "関数名がありません");
    if (i == 0 ? d != 0 : d > depth[static_cast<size_t>(i) - 1] + 1) return fail(i, "深さが飛んでいます");
    while (static_cast<int>(open.size()) > d) {
      last[static_cast<size_t>(open.back())] = i - 1;
      open.pop_back();
    }
    depth[static_cast<size_t>(i)] = d;
    parent[static_cast<size_t>(i)] = open.empty() ? -1 : open.back();
    open.push_back(i);
  }
  while (!open.empty()) {
    last[static_cast<size_t>(open.back())] = n - 1;
    open.pop_back();
  }
  for (int i = 0; i < n; ++i) {
    const int d = depth[static_cast<size_t>(i)];
    if (d == 0) continue;
    const int next = last[static_cast<size_t>(i)] + 1;
    const bool sibling = next < n && depth[static_cast<size_t>(next)] == d;
    if (sibling != static_cast<bool>(tee[static_cast<size_t>(i)])) return fail(i, "罫線が木の形と合いません");
  }
  depth_ = std::move(depth);
  parent_ = std::move(parent);
  last_ = std::move(last);
}

int ResultIndex::textOffset(int line) const {
  if (!isTree()) return 0;
  const int d = depth(line);
  const int cell = encoding_ == Encoding::Utf8 ? 4 : 3;
  return numberWidth_ + 1 + cell * d;
}

LineParts ResultIndex::parts(int line) const {
  LineParts p;
  const std::string_view l = lineBytes(line);
  const size_t off = static_cast<size_t>(std::min<int>(textOffset(line), static_cast<int>(l.size())));
  const std::string_view t = l.substr(off);
  if (t == "LOOP LOOP LOOP") {
    p.loop = true;
    p.markFrom = static_cast<int>(off);
    p.markTo = static_cast<int>(l.size());
    return p;
  }
  size_t at = 0;
  while (at < t.size() && t[at] != ':' && t[at] != '=' && t[at] != ' ') ++at;
  p.name = t.substr(0, at);
  LineParts plain;
  plain.name = t;
  auto mark = [&](size_t from, size_t to) {
    p.markFrom = static_cast<int>(off + from);
    p.markTo = static_cast<int>(off + to);
  };
  if (startsWith(t, at, ":Pointer")) {
    p.pointer = true;
    at += 8;
  }
  if (startsWith(t, at, ":RecurrciveCall")) {
    p.recursive = true;
    mark(at, at + 15);
    at += 15;
  } else if (startsWith(t, at, ":Stdfunc")) {
    p.stdfunc = true;
    at += 8;
  }
  if (at < t.size() && t[at] == '=') {
    const size_t from = at++;
    auto number = [&](int& v) {
      long long x = 0;
      const size_t s = at;
      while (at < t.size() && t[at] >= '0' && t[at] <= '9' && at - s < 10) x = x * 10 + (t[at++] - '0');
      if (at == s || x > INT_MAX || x == 0) return false;
      v = static_cast<int>(x);
      return true;
    };
    if (!number(p.refFirst) || at >= t.size() || t[at++] != '-' || !number(p.refLast)) return plain;
    if (p.recursive || p.stdfunc) return plain;
    mark(from, at);
  }
  // What may follow: the file suffix " [file]" alone.
  if (at < t.size() && !(startsWith(t, at, " [") && t.back() == ']')) return plain;
  return p;
}

template <typename Fn>
bool ResultIndex::forEachDecodedPiece(Fn&& fn) const {
  qint64 at = 0;
  while (at < bytes_.size()) {
    // A piece ends at a line end; a line feed is never the second byte of a
    // CP932 character, so every piece decodes on its own.
    qint64 end = std::min<qint64>(at + kChunk, bytes_.size());
    if (end < bytes_.size()) {
      const qint64 nl = bytes_.indexOf('\n', end - 1);
      end = nl < 0 ? bytes_.size() : nl + 1;
    }
    const QByteArray piece = QByteArray::fromRawData(bytes_.constData() + at, end - at);
    if (!fn(encoding_ == Encoding::Utf8 ? QString::fromUtf8(foldCrlf(piece)) : decodeText(piece))) return false;
    at = end;
  }
  return true;
}

QString ResultIndex::toPlainText() const {
  QString out;
  out.reserve(static_cast<qsizetype>(std::min<qint64>(bytes_.size(), INT_MAX / 2)));
  forEachDecodedPiece([&out](const QString& text) {
    out += text;
    return true;
  });
  return out;
}

QString ResultIndex::text(TextPos from, TextPos to) const {
  if (to < from) std::swap(from, to);
  const int n = lineCount();
  QString out;
  for (int line = std::max(from.line, 0); line <= to.line && line < n; ++line) {
    const QString t = lineText(line);
    const int a = line == from.line ? std::clamp(from.column, 0, static_cast<int>(t.size())) : 0;
    const int b = line == to.line ? std::clamp(to.column, 0, static_cast<int>(t.size())) : static_cast<int>(t.size());
    out += t.mid(a, std::max(b - a, 0));
    if (line < to.line) out += QLatin1Char('\n');
  }
  return out;
}

bool ResultIndex::writeCp932(QIODevice& out, bool* lossy) const {
  if (lossy) *lossy = false;
  return forEachDecodedPiece([&](const QString& text) {
    bool l = false;
    const QByteArray bytes = toCrlf(unicodeToCp932Lenient(text, &l));
    if (l && lossy) *lossy = true;
    return out.write(bytes) == bytes.size();
  });
}

}  // namespace zelta::fe
