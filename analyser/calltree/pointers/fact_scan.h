// Reads, from one source's texts, where functions are stored and where
// bodies call through pointers (-p). The declaration text holds what the
// source has at file level (struct members, typedefs, initialisers,
// parameter lists), macros expanded; the cleaned text holds the bodies.
#pragma once
#include <string_view>

#include "run/pointer_state.h"

namespace zelta {

struct Run;
class LineMap;

// Call after the extraction of the same source, which handed over where its
// records stand (PointerFacts::unit_records). `file`: the source's index in
// Records::files; `first`: its first record.
void ScanPointerFacts(Run& run, std::string_view decls, std::string_view text, int file, int first, const LineMap* map);

// The same in two steps, the second of which reads nothing of the run but
// the facts it adds to, so that it can run beside the next extraction.
// The first ends the run when the source is too large to scan.
PointerScanUnit TakePointerUnit(Run& run, std::string_view decls, std::string_view text, int file, int first);
void ScanPointerUnit(PointerFacts& f, PointerScanUnit& unit, std::string_view decls, std::string_view text,
                     const LineMap* map);

}  // namespace zelta
