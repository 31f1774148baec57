// The result as the view, the find and the links read it: the bytes of
// tree.txt kept once, where each line starts, and — when the ruling reads as
// a call tree — each line's depth, parent and last descendant. No widgets:
// the index is built off the window's thread and shared read-only.
#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class QIODevice;

namespace zelta::fe {

// A place in the text: a line and a column counted in the decoded
// characters of that line.
struct TextPos {
  int line = 0;
  int column = 0;
  friend bool operator==(const TextPos&, const TextPos&) = default;
  friend auto operator<=>(const TextPos&, const TextPos&) = default;
};

// What the analyser wrote after a line's ruling, taken apart. Offsets are
// bytes within the line.
struct LineParts {
  std::string_view name;  // the function name; empty on a LOOP line
  bool loop = false;      // the whole text is "LOOP LOOP LOOP"
  bool recursive = false;
  bool stdfunc = false;
  bool pointer = false;  // ":Pointer": reached through a function pointer (-p)
  int refFirst = 0, refLast = 0;  // "=first-last" as written (line numbers from 1); 0 when absent
  int markFrom = 0, markTo = 0;   // the marker a link sits on (LOOP, ":RecurrciveCall" or "=a-b")
};

class ResultIndex {
 public:
  enum class Encoding { Cp932, Utf8 };

  // The file's bytes as read (tree.txt: CP932, CR LF) or a text set by the
  // program (UTF-8, LF). Never fails: text whose ruling does not read as a
  // tree is still indexed by lines, with isTree() false and the reason in
  // treeProblem().
  static std::shared_ptr<const ResultIndex> fromBytes(QByteArray bytes, Encoding encoding);
  static std::shared_ptr<const ResultIndex> fromText(const QString& text);

  Encoding encoding() const { return encoding_; }
  int lineCount() const { return static_cast<int>(starts_.size()) - 1; }
  bool isEmpty() const { return bytes_.isEmpty(); }
  int widestLine() const { return widest_; }  // in bytes, about the width in half-width cells

  std::string_view lineBytes(int line) const;
  std::string_view allBytes() const { return std::string_view(bytes_.constData(), static_cast<size_t>(bytes_.size())); }
  // The line that holds the byte at `offset` of allBytes().
  int lineOfByte(qint64 offset) const;
  QString lineText(int line) const;
  QString decode(std::string_view bytes) const;
  // The decoded length of a line's first `bytes` bytes.
  int columnOfByte(int line, int bytes) const;

  // ---- the tree, when the ruling reads as one ----
  bool isTree() const { return !depth_.empty(); }
  QString treeProblem() const { return problem_; }
  int depth(int line) const { return isTree() ? depth_[static_cast<size_t>(line)] : 0; }
  int parent(int line) const { return isTree() ? parent_[static_cast<size_t>(line)] : -1; }
  int lastDescendant(int line) const { return isTree() ? last_[static_cast<size_t>(line)] : line; }
  bool hasChildren(int line) const { return lastDescendant(line) > line; }
  // Where the function text starts in the line (after number and ruling).
  int textOffset(int line) const;
  // The line number and its blank at the start of every tree line, in
  // columns (ASCII, so bytes too); 0 when the text is not a tree.
  int numberColumns() const { return isTree() ? numberWidth_ + 1 : 0; }
  LineParts parts(int line) const;

  // ---- the text as a whole ----
  QString toPlainText() const;                   // "\n" line ends, as a text view holds it
  QString text(TextPos from, TextPos to) const;  // [from, to) in document order
  // The text as a saved result: CP932, CR LF. False when the device fails.
  bool writeCp932(QIODevice& out, bool* lossy) const;

 private:
  ResultIndex() = default;
  void indexLines();
  void readTree();
  // Calls fn with the text decoded in pieces of whole lines; stops when fn
  // returns false, and then returns false.
  template <typename Fn>
  bool forEachDecodedPiece(Fn&& fn) const;

  QByteArray bytes_;
  Encoding encoding_ = Encoding::Cp932;
  std::vector<qint64> starts_;  // each line's first byte, then the end of the text
  int widest_ = 0;
  int numberWidth_ = 0;
  std::vector<int32_t> depth_, parent_, last_;
  QString problem_;
};

}  // namespace zelta::fe
