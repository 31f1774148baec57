// Reads, from one source's texts, where functions are stored and where
// bodies call through pointers (-p). The declaration text holds what the
// source has at file level (struct members, typedefs, initialisers,
// parameter lists), macros expanded; the cleaned text holds the bodies.
#pragma once
#include <string_view>

namespace zelta {

struct Run;
class LineMap;

// Call after the extraction of the same source, which handed over where its
// records stand (PointerFacts::unit_records). `file`: the source's index in
// Records::files. `made`: PointerFacts::tokens already holds the tokens of
// `text`.
void ScanPointerFacts(Run& run, std::string_view decls, std::string_view text, int file, const LineMap* map,
                      bool made = false);

}  // namespace zelta
