// Textual macro expansion of function-body lines.
#pragma once
#include <string>

namespace zelta {

struct Run;
struct MacroRec;

// Supplies the next source line when a macro call's arguments run past the
// end of a line. Returns false at end of input; `braces` is raised by the
// "{" tokens read on the new line.
class LineSource {
 public:
  virtual bool next_line(std::string& line, int& braces) = 0;

 protected:
  ~LineSource() = default;
};

// Expands the macros of one body line in place; `braces` is the number of
// "{" tokens the reader counted on it. Raises bracedepth when an expansion
// brings unmatched "{", and lowers it again when a later one brings the "}"
// that close them (never below what the source's own braces say). `more`
// may be null (no further lines available).
void expandline(Run& run, std::string& line, int braces, LineSource* more);

// Expands the last line of a body, `text` being what stands before its
// closing "}". No further line is read and bracedepth stays as it is: an
// expansion that would bring unbalanced braces is not made, so that the
// "}" of the source still closes the body.
void expandclosing(Run& run, std::string& text);

// Expands every use of one macro in `line`; true when there was one.
bool expandmacro(Run& run, const MacroRec& rec, std::string& line, LineSource* more);

}  // namespace zelta
