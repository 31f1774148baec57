// Source locations of the cleaned text: a map from offsets in one file's
// cleaned text back to the source or header and the line each piece was read
// at, filled beside the text by the conversion pass and read by the
// extraction. The cleaned text itself stays as it is.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelta {

struct ReaderState;
struct SrcStream;

struct SourceLoc {
  int file = -1;  // index in the run's SourceFiles; -1: not known
  int line = 0;   // 1-based, counted in the file as read (CR LF is one line end)
  bool operator==(const SourceLoc&) const = default;
};

// Most cleaned lines follow their source lines one to one, so the map holds
// only the places where that breaks (a comment or literal spanning lines, a
// joined directive, a dropped declaration or region, a definition's marker
// line, a header, a macro call read from several lines): each entry says
// "from here on, line N of file F, one line further per line end".
class LineMap {
 public:
  void clear() {
    entries_.clear();
    unit = -1;
  }
  // The text from `offset` on was read at `loc`; `newlines` is the number of
  // line ends in the cleaned text before `offset`. Nothing is stored when
  // the entries before already say so.
  void mark(size_t offset, size_t newlines, SourceLoc loc);
  // The location of the byte at `offset`, `newlines` line ends into the text.
  SourceLoc at(size_t offset, size_t newlines) const;
  size_t size() const { return entries_.size(); }

  int unit = -1;  // the analysed source (SourceFiles index)

 private:
  struct Entry {
    std::uint32_t offset;
    std::uint32_t newlines;
    std::int32_t file;
    std::int32_t line;
  };
  std::vector<Entry> entries_;
};

// Locates tokens of a cleaned text, mostly in reading order (each byte is
// counted about once).
class LineCursor {
 public:
  LineCursor(const LineMap* map, std::string_view text) : map_(map), text_(text) {}
  SourceLoc at(size_t offset);

 private:
  const LineMap* map_;
  std::string_view text_;
  size_t pos_ = 0;       // newlines_ counts the line ends before pos_
  size_t newlines_ = 0;
};

// The line of the byte at `pos` in a source stream, counted on from where the
// last question left off.
int source_line(SrcStream& s, size_t pos);

// Follows the conversion pass's output back to where it was read. Every
// piece of text the pass writes goes through it; without a map it does
// nothing.
class LineTracker {
 public:
  LineTracker(ReaderState& rd, LineMap* map) : rd_(rd), map_(map) {}
  bool on() const { return map_ != nullptr; }

  // Where the token the source reader returned last stands.
  SourceLoc here() const;

  // File-level text: one token, about to be written.
  void token() {
    if (map_) at_output(here());
  }
  // A definition's marker line: its name, read at `loc`, comes next.
  void name(SourceLoc loc) {
    if (map_) at_output(loc);
  }
  // Text written to the cleaned output.
  void wrote(std::string_view s);

  // A body line in the making: a token about to be appended at `at`.
  void line_token(size_t at);
  // The body line is handed to macro expansion; `line` as it stands.
  void line_expanding(const std::string& line);
  // A further source line that the expansion reads: one token of it.
  void more_token(const std::string& word);
  // The body line is written as `line` (expanded or not).
  void line_written(const std::string& line);
  // The body line is dropped (inactive region).
  void line_dropped() { spans_.clear(); }

 private:
  void at_output(SourceLoc loc) { map_->mark(offset_, newlines_, loc); }

  ReaderState& rd_;
  LineMap* map_;
  size_t offset_ = 0;    // bytes written so far
  size_t newlines_ = 0;  // line ends among them
  // The body line: where its pieces were read, by offset in the line; while
  // it is expanded, also its text as read (further lines appended).
  std::vector<std::pair<size_t, SourceLoc>> spans_;
  std::string read_;
  bool expanding_ = false;
};

}  // namespace zelta
