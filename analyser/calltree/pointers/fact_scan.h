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
// its declarations and that of its bodies: it hands over where the records
// stand (PointerFacts::unit_records) and leaves the tokens of `text` in
// PointerFacts::tokens (the declarations' are gone by then) when the text
// is no longer than kMaxTokenText; a longer text ends the run after it.
// `file`: the source's index in Records::files.
void ScanPointerFacts(Run& run, std::string_view decls, std::string_view text, int file, const LineMap* map,
                      const std::function<void()>& extract);

}  // namespace zelta
