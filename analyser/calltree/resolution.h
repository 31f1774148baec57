// Which definition a name reaches. A static function is visible only in its
// own file, so a call looks first in the file its record carries (the source
// together with the headers read for it) and only then anywhere; the tree,
// the callers index and every writer ask here, so they cannot disagree.
#pragma once
#include <string_view>

#include "run/calltree_state.h"

namespace zelta {

// Notes a new definition record (`idx`, already on the definition chain) so
// that calls in its file can find it.
void NoteDefinition(Records& recs, int idx);

// The definition a call record resolves to: the first definition of its name
// in the record's file, else the first in definition order; a call of main
// only reaches the main of its own file. -1: none.
int ResolveCall(const Records& recs, const FuncRecord& call);

// The start of the tree named by the -f word: NAME, or FILE:NAME for the
// definition of NAME in the first source (in definition order) whose path is
// FILE or ends with "/FILE". -1: none.
int StartDefinition(const Records& recs, std::string_view word);
// The function name of the -f word (NAME of FILE:NAME).
std::string_view StartName(std::string_view word);

}  // namespace zelta
