// Reads, from one source's texts, where functions are stored and where
// bodies call through pointers (-p). The declaration text holds what the
// source has at file level (struct members, typedefs, initialisers,
// parameter lists), macros expanded; the cleaned text holds the bodies.
#pragma once
#include <functional>
#include <string_view>

namespace zelta {

struct Run;
class LineMap;

// `extract` runs the extraction of the same source between the reading of
// its declarations and that of its bodies, and hands over where the records
// stand (PointerFacts::unit_records). By then PointerFacts::tokens holds the
// tokens of `text`; `extract`'s argument tells whether they read as the
// extraction's own reader reads the bytes (see Tokenize). A text longer
// than kMaxTokenText is extracted without tokens and ends the run after it.
// `file`: the source's index in Records::files.
void ScanPointerFacts(Run& run, std::string_view decls, std::string_view text, int file, const LineMap* map,
                      const std::function<void(bool)>& extract);

}  // namespace zelta
