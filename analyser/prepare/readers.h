// Character and token readers over the source streams (include stack) and
// over the cleaned text, sharing one pushback stack and the brace counter.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "run/reader_state.h"

namespace zelta {

struct Run;

void ungetchar(Run& run, int c);
int getsrcword(Run& run, std::string& buf);
int getmidchar(Run& run);
int getmidword(Run& run, std::string& buf);

// Opens a source or header. A path that names the temporary file of the
// source being handled opens as that file would have been when it was made
// at the start of the source: empty.
bool open_source(ReaderState& rd, TextReader& in, const std::string& path);

// Puts an opened file on top of the include stack.
void push_source(ReaderState& rd, std::unique_ptr<SrcStream> s);
// Closes the top stream; false when that was the bottom entry.
bool pop_source(ReaderState& rd);

// True for text that is valid code page 932 but not valid UTF-8: only such
// files have their literals read as Shift-JIS characters.
bool looks_shift_jis(std::string_view bytes);

// Reads the rest of a directive line raw from a stream (no echo, no
// pushback), line end included when there is one. A backslash before the
// line end joins the next line, whose leading blanks and tabs are dropped.
// False at end of input with nothing read.
bool read_logical_line(TextReader& in, std::string& line);
}  // namespace zelta
