// #if and #elif: the slot evaluation of the directive's text.
#pragma once
#include <string_view>

namespace zelta {

struct Run;
class MacroTable;

// Reads the rest of the directive line from the top stream and evaluates it;
// true when the level opens active.
bool evalif(Run& run);

// The evaluation itself, for one line of text (line end optional).
bool if_condition(MacroTable& macros, std::string_view line);

}  // namespace zelta
