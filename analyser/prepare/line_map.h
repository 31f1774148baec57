// Source locations of the cleaned text: a map from offsets in one file's
// cleaned text back to the source or header and the line each piece was read
// at, filled beside the text by the conversion pass and read by the
// extraction. The cleaned text itself stays as it is.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "run/reader_state.h"

namespace zelta {

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

  struct Entry {
    std::uint32_t offset;
    std::uint32_t newlines;
    std::int32_t file;
    std::int32_t line;
  };
  // For a pass that moves the locations once the text is made (the
  // configured mode's text is itself made from several files).
  const std::vector<Entry>& entries() const { return entries_; }
  void clear_entries() { entries_.clear(); }

 private:
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
  size_t pos_ = 0;  // newlines_ counts the line ends before pos_
  size_t newlines_ = 0;
};

size_t CountNewlines(const char* p, size_t n);

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
  // The same, kept cheaply for a token that may turn out to matter.
  struct Position {
    const SrcStream* stream = nullptr;
    size_t end = 0;
  };
  Position position() const {
    SrcStream* s = rd_.top();
    if (!s) return {};
    // Bytes in the pushback stack were read from the stream already.
    size_t end = s->text.pos();
    for (int c : rd_.pushback)
      if (c != 0 && end > 0) --end;
    return {s, end};
  }
  SourceLoc located(const Position& p) const;
  // The position `back` bytes before the reader's (the pushback stack empty).
  Position position_before(size_t back) const {
    Position p = position();
    p.end = p.end >= back ? p.end - back : 0;
    return p;
  }

  // The reader may have passed a line end (a "\n" token, a comment, literal
  // or directive read past, another stream): the next token is located
  // afresh. Within a line every token stands where the first one does.
  void moved() { moved_ = true; }

  // Only definitions and body lines are marked: the extraction finds no
  // name elsewhere.
  // A definition's marker line: its name, read at `loc`, comes next.
  void name(SourceLoc loc) {
    if (map_) at_output(loc);
  }
  // Text written to the cleaned output.
  void wrote(std::string_view s) {
    if (!map_) return;
    offset_ += s.size();
    newlines_ += s.size() == 1 ? (s[0] == '\n') : CountNewlines(s.data(), s.size());
  }

  // A body line in the making: a token about to be appended at `at`.
  // Blanks are passed over: a blank the reader pushed back before a
  // directive read its lines raw comes out after them.
  void line_token(size_t at, const std::string& word) {
    if (map_ && moved_ && !blank(word)) mark_token(at);
  }
  // The same for a run of tokens read at once, all on one source line (no
  // line end among them), the reader standing after the run.
  void line_run(size_t at, std::string_view run) {
    if (!map_ || !moved_) return;
    size_t i = 0;
    while (i < run.size() && (run[i] == ' ' || run[i] == '\t')) ++i;
    if (i < run.size()) mark_token(at + i);
  }
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
  void mark_token(size_t at);
  static bool blank(const std::string& w) {
    return w.empty() || w[0] == ' ' || w[0] == '\t' || w[0] == '\n' || w[0] == '\r' || w[0] == '\v' || w[0] == '\f';
  }

  ReaderState& rd_;
  LineMap* map_;
  size_t offset_ = 0;    // bytes written so far
  size_t newlines_ = 0;  // line ends among them
  bool moved_ = true;
  // The body line: where its pieces were read, by offset in the line; while
  // it is expanded, also its text as read (further lines appended).
  std::vector<std::pair<size_t, SourceLoc>> spans_;
  std::string read_;
  bool expanding_ = false;
};

}  // namespace zelta
