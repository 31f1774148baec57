// The conversion pass: one C source (and the headers it includes) into the
// cleaned text that the function extraction reads.
#pragma once
#include <string>
#include <string_view>

namespace zelta {

struct Run;
struct CleanedText;
class TextReader;
class LineMap;

// Converts `source` into `out` (LF line ends). With a map, also records
// where each piece of the cleaned text was read. `read`, when open, holds
// the source's bytes already read (they are taken from it).
// Under -c the source is first preprocessed as its build compiles it.
void henkan(Run& run, const std::string& source, CleanedText& out, LineMap* map = nullptr, TextReader* read = nullptr);
// The conversion itself, of the source as it stands.
void convert_source(Run& run, const std::string& source, CleanedText& out, LineMap* map, TextReader* read);

// 0 for one of the type words, 1 for any other text.
int istypeword(std::string_view text);
// Skips a comment after its opener: kind 1 a line comment (its line end
// goes with it), kind 0 a block comment. Stops at end of input.
void skipcomment(Run& run, int kind);
// Skips a string literal after its opening double quote (-100 when the
// stream ends inside it).
void skipstring(Run& run);

}  // namespace zelta
